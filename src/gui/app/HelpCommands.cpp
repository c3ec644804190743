#include "gui/app/HelpCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "core/app/Storage.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/TipDialog.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

namespace brivanta {

HelpCommands::HelpCommands(QWidget& window, CommandRegistry& commands, const Storage& storage)
    : window_(window), commands_(commands), storage_(storage) {}

void HelpCommands::registerCommands() {
    commands_.setHandler(ids::kHelp, [this] { openHelp(); });
    commands_.setHandler(ids::kAbout, [this] { AboutDialog(&window_).exec(); });
    commands_.setHandler(ids::kTipOfTheDay, [this] { TipDialog(storage_, &window_).exec(); });
}

void HelpCommands::openHelp() {
    QString help = QString::fromStdString(storage_.helpFile());
    if (QFileInfo::exists(help) && openUrl(QUrl::fromLocalFile(help)))
        return;
    if (openUrl(QUrl(QString::fromLatin1(kHomePage))))
        return;
    // Neither could be shown (no browser is set up): say so rather than do nothing.
    QMessageBox::warning(&window_, QStringLiteral("Brivanta"),
                         QString::fromUtf8("无法打开帮助 “%1”，也无法打开主页 %2。")
                             .arg(QDir::toNativeSeparators(help), QString::fromLatin1(kHomePage)));
}

}  // namespace brivanta
