#include "gui/accounts/LoginFlow.h"

#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/resources/CommandIds.h"

namespace brivanta {

std::optional<UserAccount> runLogin(const Storage& storage, QWidget* parent) {
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

}  // namespace brivanta
