#include "gui/options/CPasswordPage.h"
#include "gui/controls/MessageBoxes.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "core/accounts/PasswordChange.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/resources/CommandIds.h"

namespace brivanta {

namespace {
GuardedPasswordEdit* passwordEdit(int id, QWidget* parent) {
    auto* e = new GuardedPasswordEdit(parent);
    e->setObjectName(QString::number(id));
    e->setEnabled(false);
    return e;
}
}  // namespace

CPasswordPage::CPasswordPage(QWidget* parent) : OptionPage(parent) {
    setObjectName(QString::number(ids::kPasswordPage));
    change_ = new QCheckBox(QString::fromUtf8("需要修改密码"), this);
    change_->setObjectName(QString::number(ids::kChangePasswordCheck));
    oldPassword_ = passwordEdit(ids::kOldPasswordControl, this);
    newPassword_ = passwordEdit(ids::kNewPasswordControl, this);
    confirmation_ = passwordEdit(ids::kConfirmNewPasswordControl, this);
    connect(change_, &QCheckBox::toggled, this, &CPasswordPage::updateEdits);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("输入旧口令:"), oldPassword_);
    form->addRow(QString::fromUtf8("输入新口令:"), newPassword_);
    form->addRow(QString::fromUtf8("确认新口令:"), confirmation_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(change_);
    layout->addLayout(form);
    layout->addStretch();
}

QString CPasswordPage::title() const {
    return QString::fromUtf8("修改密码");
}

void CPasswordPage::updateEdits() {
    bool on = change_->isChecked();
    for (GuardedPasswordEdit* edit : {oldPassword_, newPassword_, confirmation_})
        edit->setEnabled(on);
}

void CPasswordPage::load(const OptionValues& values) {
    current_ = values.password;
}

bool CPasswordPage::validate() {
    if (!change_->isChecked())
        return true;
    PasswordChangeOutcome outcome = checkPasswordChange(
        current_, oldPassword_->password(), newPassword_->password(), confirmation_->password());
    const char* text = nullptr;
    GuardedPasswordEdit* field = nullptr;
    switch (outcome) {
        case PasswordChangeOutcome::Accepted:
            return true;
        case PasswordChangeOutcome::WrongOldPassword:
            text = "旧密码输入错误，请重新输入!";
            field = oldPassword_;
            break;
        case PasswordChangeOutcome::Mismatch:
            text = "两次密码输入不一样，请重新输入!";
            field = confirmation_;
            break;
    }
    announceComplaint();
    failBox(this, QString::fromUtf8("修改密码"), QString::fromUtf8(text));
    field->setFocus();
    field->selectAll();
    return false;
}

void CPasswordPage::save(OptionValues& values) const {
    values.password = change_->isChecked() ? newPassword_->password() : current_;
}

}  // namespace brivanta
