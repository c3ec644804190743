#include "gui/accounts/MailSecurityProfile.h"

#include <QComboBox>

#include "gui/platform/DesktopProfile.h"

namespace brivanta {

MailSecurityProfile loadMailSecurityProfile(const std::string& user) {
    return DesktopProfile::current().mailSecurity(user);
}

void saveMailSecurityProfile(const std::string& user, const MailSecurityProfile& profile) {
    DesktopProfile::current().setMailSecurity(user, profile);
}

QString securityModeLabel(net::SecurityMode mode) {
    switch (mode) {
        case net::SecurityMode::none:
            return QString::fromUtf8("无");
        case net::SecurityMode::startTls:
            return QStringLiteral("STARTTLS");
        case net::SecurityMode::tls:
            return QStringLiteral("SSL/TLS");
    }
    return {};
}

net::SecurityMode securityModeAt(int index) {
    switch (index) {
        case 1:
            return net::SecurityMode::startTls;
        case 2:
            return net::SecurityMode::tls;
        default:
            return net::SecurityMode::none;
    }
}

int securityModeIndex(net::SecurityMode mode) {
    switch (mode) {
        case net::SecurityMode::none:
            return 0;
        case net::SecurityMode::startTls:
            return 1;
        case net::SecurityMode::tls:
            return 2;
    }
    return 0;
}

QComboBox* newSecurityCombo(int id, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::number(id));
    for (int i = 0; i < kSecurityChoices; ++i)
        combo->addItem(securityModeLabel(securityModeAt(i)));
    return combo;
}

}  // namespace brivanta
