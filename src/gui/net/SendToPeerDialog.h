#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace brivanta {

class BranchChoice;

// "发送收藏夹": where to send the active tree or its selected entry directly, over TCP.
class SendToPeerDialog : public QDialog {
    Q_OBJECT
  public:
    // `entryText` is the selected entry's text, empty when none is selected.
    explicit SendToPeerDialog(const QString& entryText, QWidget* parent = nullptr);

    QString peerAddress() const;
    int peerPort() const;
    int sendSelected() const;

    void accept() override;

  private:
    QLineEdit* address_;
    QLineEdit* port_;
    BranchChoice* branch_;
};

}  // namespace brivanta
