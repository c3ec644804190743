#pragma once

#include <QObject>

class QSocketNotifier;

namespace brivanta {

// Turns SIGTERM, SIGINT and SIGHUP (a session or a terminal ending the program) into a Qt
// signal on the GUI thread, so the program can save and close as its close box does instead
// of dying with unsaved trees. One instance per program.
class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    bool isWatching() const { return notifier_ != nullptr; }

  signals:
    void terminationRequested(int signalNumber);

  private:
    void onReadable();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace brivanta
