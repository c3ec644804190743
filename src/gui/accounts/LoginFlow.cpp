#include "gui/accounts/LoginFlow.h"
#include "gui/controls/MessageBoxes.h"

#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/resources/CommandIds.h"

namespace brivanta {

namespace {

std::optional<UserAccount> askForAccount(const Storage& storage, QWidget* parent) {
    int result;
    UserAccount account;
    {
        LoginDialog login(storage, parent);
        result = login.exec();
        account = login.account();
    }
    if (result == ids::kIdCancel)
        return std::nullopt;
    if (result == ids::kIdNewUser) {
        NewUserDialog newUser(storage, parent);
        if (newUser.exec() != ids::kIdOk)
            return std::nullopt;
        return newUser.account();
    }
    if (result == ids::kIdOk)
        return account;
    // Any other ending (the window system closing the dialog) logs nobody in: an empty
    // account would have no files to load or save.
    return std::nullopt;
}

}  // namespace

bool runLogin(LoginSession& login, QWidget* parent) {
    for (;;) {
        std::optional<UserAccount> account = askForAccount(login.storage(), parent);
        if (!account)
            return false;
        // Without its lock the session still runs (a folder where no lock file can be made);
        // only another holder refuses it.
        if (login.logIn(*account) != UserSessionLock::Outcome::InUse)
            return true;
        warnBox(parent, QString::fromUtf8("登录提示"),
                QString::fromStdString(UserSessionLock::inUseMessage(account->name)));
    }
}

}  // namespace brivanta
