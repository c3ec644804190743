#include <QMessageBox>

#include "gui/accounts/MailSecurityProfile.h"
#include "gui/app/DesktopIntegration.h"
#include "gui/app/EdgeDocking.h"
#include "gui/app/MainDialog.h"
#include "gui/options/COptionSheet.h"
#include "gui/options/OptionValues.h"

namespace brivanta {

void MainDialog::registerOptionCommands() {
    commands_.setHandler(ids::kSettings, [this] { openOptions(); });
}

void MainDialog::openOptions() {
    OptionValues values;
    values.view = viewOptions();
    // The box shows the shown tree's own switch, not the copy in the view options.
    values.view.showMenuIcons = activeTree_->showMenuIcons();
    values.network = network_;
    values.email = account_.email;
    values.pop3Server = account_.pop3Server;
    values.smtpServer = account_.smtpServer;
    values.security = loadMailSecurityProfile(account_.name);
    values.password = account_.password;
    COptionSheet sheet(account_.name, values, this);
    if (sheet.exec() == QDialog::Accepted)
        applyOptions(sheet.values());
}

void MainDialog::applyOptions(const OptionValues& values) {
    account_.email = values.email;
    account_.pop3Server = values.pop3Server;
    account_.smtpServer = values.smtpServer;
    if (!(loadMailSecurityProfile(account_.name) == values.security))
        saveMailSecurityProfile(account_.name, values.security);
    network_ = values.network;

    ViewOptions flags = values.view;
    setShowToolbar(flags.showToolbar);
    desktop_->setTrayIconShown(flags.showTrayIcon);
    activeTree_->setShowMenuIcons(flags.showMenuIcons);
    // Listening is the listener's own state; the sheet only carries it through.
    flags.listening = view_.listening;
    view_ = flags;
    docking_->setAutoHide(flags.autoHide);
    commands_.refresh();

    account_.password = values.password;
    // Written on every OK, changed or not. The settings above hold for this run even when
    // the file cannot take them, so the user is told which file kept the old ones.
    WriteBackResult written = login_->saveAccount();
    if (!written.saved()) {
        QMessageBox::warning(this, QStringLiteral("Brivanta"),
                             QString::fromStdString(written.message()));
    }
}

}  // namespace brivanta
