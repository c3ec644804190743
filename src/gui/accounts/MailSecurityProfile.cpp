#include "gui/accounts/MailSecurityProfile.h"

#include <QComboBox>
#include <QSettings>

#include "gui/text/QtText.h"

namespace brivanta {

namespace {
constexpr const char* kSmtpSecurityKey = "SmtpSecurity";
constexpr const char* kPop3SecurityKey = "Pop3Security";
constexpr const char* kSmtpLoginKey = "SmtpLogin";

// One group per user; the name is hex-encoded so that "/" or "\\" in a name cannot
// reach another user's group.
QString groupOf(const std::string& user) {
    return QStringLiteral("Mail/") + QString::fromLatin1(QByteArray::fromStdString(user).toHex());
}

std::optional<net::SecurityMode> readMode(const QSettings& settings, const char* key) {
    net::SecurityMode mode{};
    std::string text = settings.value(QString::fromLatin1(key)).toString().toStdString();
    if (!text.empty() && net::parseSecurityMode(text, mode))
        return mode;
    return std::nullopt;
}

void writeMode(QSettings& settings, const char* key, std::optional<net::SecurityMode> mode) {
    if (mode)
        settings.setValue(QString::fromLatin1(key),
                          QString::fromLatin1(net::securityModeName(*mode)));
    else
        settings.remove(QString::fromLatin1(key));
}
}  // namespace

MailSecurityProfile loadMailSecurityProfile(const std::string& user) {
    QSettings settings;
    settings.beginGroup(groupOf(user));
    MailSecurityProfile profile;
    profile.smtpSecurity = readMode(settings, kSmtpSecurityKey);
    profile.pop3Security = readMode(settings, kPop3SecurityKey);
    profile.smtpLogin = toGbk(settings.value(QString::fromLatin1(kSmtpLoginKey)).toString());
    return profile;
}

void saveMailSecurityProfile(const std::string& user, const MailSecurityProfile& profile) {
    QSettings settings;
    settings.beginGroup(groupOf(user));
    writeMode(settings, kSmtpSecurityKey, profile.smtpSecurity);
    writeMode(settings, kPop3SecurityKey, profile.pop3Security);
    if (profile.smtpLogin.empty())
        settings.remove(QString::fromLatin1(kSmtpLoginKey));
    else
        settings.setValue(QString::fromLatin1(kSmtpLoginKey), fromGbk(profile.smtpLogin));
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
