#include "gui/platform/AddressOpener.h"

#include <QDesktopServices>
#include <QRegularExpression>

namespace brivanta {

namespace {
bool desktopOpen(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

UrlOpener& currentOpener() {
    static UrlOpener opener = desktopOpen;
    return opener;
}
}  // namespace

void setUrlOpener(UrlOpener opener) {
    currentOpener() = opener ? std::move(opener) : UrlOpener(desktopOpen);
}

bool openUrl(const QUrl& url) {
    return url.isValid() && currentOpener()(url);
}

QUrl urlForAddress(const QString& address) {
    QString text = address.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression bareMail(QStringLiteral("^[^@\\s/:]+@[^@\\s/]+$"));
    if (bareMail.match(text).hasMatch())
        return QUrl(QStringLiteral("mailto:") + text);
    if (text.startsWith(u'/'))
        return QUrl::fromLocalFile(text);
    return QUrl::fromUserInput(text);
}

bool openAddress(const QString& address) {
    return openUrl(urlForAddress(address));
}

}  // namespace brivanta
