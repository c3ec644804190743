#include "gui/app/OptionCommands.h"

#include <QMessageBox>

#include "core/app/LoginSession.h"
#include "core/app/NetworkSettings.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/options/COptionSheet.h"
#include "gui/options/OptionValues.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

namespace brivanta {

OptionCommands::OptionCommands(QWidget& window, CommandRegistry& commands, LoginSession& login,
                               NetworkSettings& network, Hooks hooks)
    : window_(window),
      commands_(commands),
      login_(login),
      network_(network),
      hooks_(std::move(hooks)) {}

void OptionCommands::registerCommands() {
    commands_.setHandler(ids::kSettings, [this] { open(); });
}

void OptionCommands::open() {
    const UserAccount& account = login_.account();
    OptionValues values;
    values.view = hooks_.viewOptions();
    // The box shows the shown tree's own switch, not the copy in the view options.
    values.view.showMenuIcons = hooks_.shownTree().showMenuIcons();
    values.network = network_;
    values.email = account.email;
    values.pop3Server = account.pop3Server;
    values.smtpServer = account.smtpServer;
    values.security = loadMailSecurityProfile(account.name);
    values.password = account.password;
    if (fillOther_)
        fillOther_(values);
    COptionSheet sheet(account.name, values, &window_);
    if (sheet.exec() == QDialog::Accepted)
        apply(sheet.values());
}

void OptionCommands::apply(const OptionValues& values) {
    UserAccount& account = login_.account();
    account.email = values.email;
    account.pop3Server = values.pop3Server;
    account.smtpServer = values.smtpServer;
    if (!(loadMailSecurityProfile(account.name) == values.security))
        saveMailSecurityProfile(account.name, values.security);
    network_ = values.network;
    if (takeOther_)
        takeOther_(values);

    hooks_.shownTree().setShowMenuIcons(values.view.showMenuIcons);
    hooks_.applyViewOptions(values.view);
    commands_.refresh();

    account.password = values.password;
    // Written on every OK, changed or not. The settings above hold for this run even when
    // the file cannot take them, so the user is told which file kept the old ones.
    WriteBackResult written = login_.saveAccount();
    if (!written.saved()) {
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"),
                             QString::fromStdString(written.message()));
    }
}

}  // namespace brivanta
