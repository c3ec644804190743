#pragma once

#include <QString>
#include <optional>
#include <string>

#include "core/net/SecurityMode.h"

class QComboBox;
class QWidget;

namespace brivanta {

// What "Users.ini" has no room for: per user, how each mail server is protected and the
// name the outgoing server wants for its login. Kept in the program's profile (QSettings).
struct MailSecurityProfile {
    // Unset means "what the server's port usually runs": defaultSecurityForPort.
    std::optional<net::SecurityMode> smtpSecurity;
    std::optional<net::SecurityMode> pop3Security;
    // Empty: no login (the dialogue of old).
    std::string smtpLogin;

    bool operator==(const MailSecurityProfile&) const = default;

    // The mode to use against `port` (the port typed or the protocol's default).
    net::SecurityMode smtpModeFor(int port) const {
        return smtpSecurity.value_or(net::defaultSecurityForPort(port));
    }
    net::SecurityMode pop3ModeFor(int port) const {
        return pop3Security.value_or(net::defaultSecurityForPort(port));
    }
};

// The user's settings; a user never saved gets the defaults. `user` is the stored (GBK) name.
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
