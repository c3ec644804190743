#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "core/app/Storage.h"
#include "core/app/TipsReader.h"

class QCheckBox;
class QLabel;

namespace brivanta {

class FlatButton;

// The tip of the day: one line of "tips.txt" at a time, continuing between runs where the
// last showing stopped (profile section "Tip": "FilePos", "TimeStamp"; "StartUp" non-zero
// when it is not to show at start).
class TipDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TipDialog(const Storage& storage, QWidget* parent = nullptr);
    ~TipDialog() override;

    // Shows the dialog modally unless the user switched it off.
    static void showAtStart(const Storage& storage, QWidget* parent);

    bool showAtStartup() const;
    QString tipText() const;
    bool isFileOpen() const { return reader_ && reader_->isOpen(); }

  public slots:
    void showNextTip();
    // "关闭(&C)": keeps the check box's choice; Escape and the close box do not.
    void accept() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void reportReadError();

    std::string tipsPath_;
    std::unique_ptr<TipsReader> reader_;
    QWidget* frame_ = nullptr;
    QLabel* tip_ = nullptr;
    QCheckBox* startup_ = nullptr;
    FlatButton* next_ = nullptr;
};

}  // namespace brivanta
