#pragma once

#include <QString>
#include <optional>
#include <string>

#include "core/accounts/MailSecurityProfile.h"
#include "core/net/SecurityMode.h"

class QComboBox;
class QWidget;

namespace brivanta {

// The user's settings in the desktop's profile; a user never saved gets the defaults. `user`
// is the stored (GBK) name.
MailSecurityProfile loadMailSecurityProfile(const std::string& user);
void saveMailSecurityProfile(const std::string& user, const MailSecurityProfile& profile);

// The three choices the e-mail page and the mail dialogs offer, in their order.
inline constexpr int kSecurityChoices = 3;
// "无", "STARTTLS", "SSL/TLS".
QString securityModeLabel(net::SecurityMode mode);
net::SecurityMode securityModeAt(int index);
int securityModeIndex(net::SecurityMode mode);
// A combo of the three choices in that order, named by the control id `id`.
QComboBox* newSecurityCombo(int id, QWidget* parent = nullptr);

}  // namespace brivanta
