#include "gui/accounts/NewUserDialog.h"
#include "gui/controls/MessageBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <cerrno>

#include "core/accounts/AccountChecks.h"
#include "core/accounts/AccountTable.h"
#include "core/accounts/NewAccount.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {
QLineEdit* addRow(QGridLayout* grid, const char* label, QLineEdit* edit, int id) {
    int row = grid->rowCount();
    auto* caption = new QLabel(QString::fromUtf8(label));
    caption->setBuddy(edit);
    edit->setObjectName(QString::number(id));
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}
}  // namespace

NewUserDialog::NewUserDialog(const Storage& storage, QWidget* parent)
    : QDialog(parent), storage_(storage) {
    setObjectName(QString::number(ids::kNewUserDialog));
    setWindowTitle(QString::fromUtf8("新建用户"));
    setWindowIcon(resourceIcon(ids::kMaleIcon));

    auto* basics = new QGroupBox(QString::fromUtf8("基本信息"));
    auto* basicsGrid = new QGridLayout(basics);
    nameEdit_ = addRow(basicsGrid, "用户名：", new QLineEdit, ids::kUserNameControl);
    passwordEdit_ = static_cast<GuardedPasswordEdit*>(
        addRow(basicsGrid, "密码：", new GuardedPasswordEdit, ids::kPasswordControl));
    confirmEdit_ = static_cast<GuardedPasswordEdit*>(
        addRow(basicsGrid, "确认密码：", new GuardedPasswordEdit, ids::kConfirmPasswordControl));

    auto* mail = new QGroupBox(QString::fromUtf8("Email设置"));
    auto* mailGrid = new QGridLayout(mail);
    emailEdit_ = addRow(mailGrid, "Email：", new QLineEdit, ids::kEmailControl);
    smtpEdit_ = addRow(mailGrid, "SMTP：", new QLineEdit, ids::kSmtpControl);
    pop3Edit_ = addRow(mailGrid, "POP3：", new QLineEdit, ids::kPop3Control);

    okButton_ = new FlatButton(resourceIcon(ids::kOkIcon), QString::fromUtf8("确定"));
    cancelButton_ = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    okButton_->setObjectName(QString::number(ids::kIdOk));
    cancelButton_->setObjectName(QString::number(ids::kIdCancel));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &NewUserDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &NewUserDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(basics);
    layout->addWidget(mail);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    nameEdit_->setFocus();
}

void NewUserDialog::hint(const QString& text) {
    // Each of them refuses what was typed.
    warnBox(this, QString::fromUtf8("提示"), text);
}

void NewUserDialog::accept() {
    UserAccount account;
    account.name = toGbk(nameEdit_->text());
    account.password = passwordEdit_->password();
    account.email = toGbk(emailEdit_->text());
    account.smtpServer = toGbk(smtpEdit_->text());
    account.pop3Server = toGbk(pop3Edit_->text());

    NewAccountResult result =
        createAccount(storage_.accountFile(), account, confirmEdit_->password());
    if (result.readError) {
        // A file that exists but cannot be read is never replaced: it holds other accounts.
        failBox(this, QString::fromUtf8("新建用户"),
                QString::fromStdString(result.readError.readMessage()));
        return;
    }
    switch (result.outcome) {
        case NewUserOutcome::EmptyName:
            hint(QString::fromUtf8("请输入用户名！"));
            return;
        case NewUserOutcome::UnusableName:
            hint(QString::fromUtf8(
                "用户名不能含有“/”、“\\”或控制字符，也不能是“.”或“..”，请换一个用户名。"));
            return;
        case NewUserOutcome::NameTooLong:
            hint(QString::fromUtf8("用户名太长，无法用作文件名，请换一个短一些的用户名。"));
            return;
        case NewUserOutcome::NameTakesFile:
            hint(QString::fromUtf8("用户名“%1”会与程序的账户文件或其他用户的文件重名，"
                                   "请换一个用户名（不要以“.bvk”或“.ads”结尾）。")
                     .arg(fromGbk(account.name)));
            return;
        case NewUserOutcome::PasswordMismatch:
            hint(QString::fromUtf8("两次输入的密码不一样！"));
            return;
        case NewUserOutcome::NameExists:
            hint(QString::fromUtf8("用户名") + fromGbk(account.name) +
                 QString::fromUtf8("已存在！"));
            return;
        case NewUserOutcome::Accepted:
            break;
    }
    if (result.writeError) {
        // Without the saved record the account would be gone at the next start.
        failBox(this, QString::fromUtf8("新建用户"),
                QString::fromStdString(result.writeError.writeMessage()));
        return;
    }
    account_ = account;
    done(ids::kIdOk);
}

void NewUserDialog::reject() {
    done(ids::kIdCancel);
}

void NewUserDialog::paintEvent(QPaintEvent*) {
    if (background_.size() != size())
        background_ = backgroundBitmap(size());
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
}

}  // namespace brivanta
