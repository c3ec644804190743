#include "accounts/AccountChecks.h"

#include "accounts/UserNameRules.h"
#include "text/Trim.h"

namespace brivanta {

LoginOutcome checkLogin(const AccountTable& table, std::string_view name, std::string_view password,
                        UserAccount& account) {
    if (name.empty())
        return LoginOutcome::NoName;
    const UserAccount* stored = table.lookup(name);
    if (!stored) {
        account = UserAccount{};
        account.name = std::string(name);
        account.password = std::string(password);
        return LoginOutcome::UnknownName;
    }
    if (passwordSum(password) != stored->passwordSum)
        return LoginOutcome::WrongPassword;
    account = *stored;
    account.password = std::string(password);
    return LoginOutcome::Accepted;
}

NewUserOutcome checkNewUser(const AccountTable& table, UserAccount& account,
                            std::string_view confirmation) {
    account.name = std::string(text::trim(account.name));
    if (account.name.empty())
        return NewUserOutcome::EmptyName;
    if (!isUsableUserName(account.name))
        return NewUserOutcome::UnusableName;
    if (account.password != confirmation)
        return NewUserOutcome::PasswordMismatch;
    account.passwordSum = passwordSum(account.password);
    if (table.lookup(account.name))
        return NewUserOutcome::NameExists;
    return NewUserOutcome::Accepted;
}

}  // namespace brivanta
