#include "gui/net/RecommendedMailboxSettings.h"

#include <QSettings>

#include "gui/text/QtText.h"

namespace brivanta {

net::RecommendedMailbox loadRecommendedMailbox() {
    net::RecommendedMailbox mailbox;
    QSettings settings;
    settings.beginGroup(QStringLiteral("Update"));
    const QString host = settings.value(QStringLiteral("Host")).toString().trimmed();
    if (!host.isEmpty())
        mailbox.host = toGbk(host);
    bool ok = false;
    const int port = settings.value(QStringLiteral("Port")).toInt(&ok);
    if (ok && port >= 1 && port <= 65535)
        mailbox.port = port;
    if (settings.contains(QStringLiteral("User")))
        mailbox.user = toGbk(settings.value(QStringLiteral("User")).toString());
    if (settings.contains(QStringLiteral("Password")))
        mailbox.password = toGbk(settings.value(QStringLiteral("Password")).toString());
    net::SecurityMode mode{};
    const std::string security =
        settings.value(QStringLiteral("Security")).toString().toStdString();
    if (net::parseSecurityMode(security, mode))
        mailbox.security.mode = mode;
    return mailbox;
}

}  // namespace brivanta
