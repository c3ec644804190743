#include "gui/platform/AddressOpener.h"

#include <QDesktopServices>
#include <QProcess>

#include "core/trees/EntryAddress.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/platform/FileAssociations.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {
bool desktopOpen(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

UrlOpener& currentOpener() {
    static UrlOpener opener = desktopOpen;
    return opener;
}

bool startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

ProgramStarter& currentStarter() {
    static ProgramStarter starter = startDetached;
    return starter;
}
}  // namespace

void setProgramStarter(ProgramStarter starter) {
    currentStarter() = starter ? std::move(starter) : ProgramStarter(startDetached);
}

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
    if (text.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return QUrl(text);
    if (opensAsMail(toGbk(text)))
        return QUrl(QStringLiteral("mailto:") + text);
    if (text.startsWith(u'/'))
        return QUrl::fromLocalFile(text);
    return QUrl::fromUserInput(text);
}

bool openAddress(const QString& address, bool openInNewBrowser,
                 const FileAssociations* associations) {
    QString text = address.trimmed();
    if (text.isEmpty())
        return false;
    std::string stored = toGbk(text);
    bool webPage =
        !opensAsMail(stored) && (hasUrlScheme(stored) || addressExtension(stored, false) == ".htm");
    // With a new browser window wanted, a web page goes straight to the browser's own
    // new-window command: the desktop's opener would reuse a window.
    if (!(openInNewBrowser && webPage) && openUrl(urlForAddress(text)))
        return true;
    DesktopAssociations desktop;
    QStringList command =
        handlerCommand(associations ? *associations : desktop, text, openInNewBrowser);
    if (command.isEmpty())
        return false;
    QString program = command.takeFirst();
    return currentStarter()(program, command);
}

bool openAddressOrTell(QWidget* parent, const QString& address, bool openInNewBrowser,
                       const FileAssociations* associations) {
    if (openAddress(address, openInNewBrowser, associations))
        return true;
    warnBox(parent, QStringLiteral("Brivanta"),
            QString::fromUtf8("无法打开 “%1”。").arg(address.trimmed()));
    return false;
}

}  // namespace brivanta
