#pragma once

#include <string>

#include "gui/options/OptionPage.h"

class QCheckBox;

namespace brivanta {

class GuardedPasswordEdit;

// "修改密码": a new password, given the old one exactly as typed at login.
class CPasswordPage : public OptionPage {
    Q_OBJECT
  public:
    explicit CPasswordPage(QWidget* parent = nullptr);

    QString title() const override;
    void load(const OptionValues& values) override;
    bool validate() override;
    // The new password when the box is ticked, else the current one.
    void save(OptionValues& values) const override;

  private:
    void updateEdits();

    QCheckBox* change_;
    GuardedPasswordEdit* oldPassword_;
    GuardedPasswordEdit* newPassword_;
    GuardedPasswordEdit* confirmation_;
    std::string current_;
};

}  // namespace brivanta
