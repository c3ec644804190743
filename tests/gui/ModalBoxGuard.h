#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QMessageBox;

namespace brivanta::test {

// A modal message box on the offscreen platform waits for a click that never comes: the
// test or benchmark would hang until its time-out. The guard closes a box nobody answered
// within the grace time and reports what it said, so the run fails at once and says why.
class ModalBoxGuard : public QObject {
  public:
    static constexpr int kGraceMilliseconds = 10'000;
    using Report = std::function<void(const QString&)>;

    explicit ModalBoxGuard(Report report, int graceMilliseconds = kGraceMilliseconds,
                           QObject* parent = nullptr);

    int closedBoxes() const { return closed_; }

  private:
    void poll();

    Report report_;
    int grace_;
    QTimer timer_;
    QPointer<QMessageBox> watched_;
    QElapsedTimer openFor_;
    int closed_ = 0;
};

// "title: text" of a box, for the report.
QString describeBox(const QMessageBox& box);

}  // namespace brivanta::test
