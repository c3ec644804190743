#include "core/accounts/AccountChecks.h"

#include "core/accounts/AccountTable.h"
#include "core/accounts/UserNameRules.h"
#include "core/text/Encoding.h"
#include "core/text/Trim.h"

namespace brivanta {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool endsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && equalNoCase(s.substr(s.size() - suffix.size()), suffix);
}

}  // namespace

bool ownsItsFileNames(std::string_view name) {
    // Without a "." the custom tree gets ".bvk" appended and cannot meet anyone else's file.
    if (name.find('.') == std::string_view::npos)
        return true;
    return !equalNoCase(name, kAccountFile) && !endsWithNoCase(name, ".bvk") &&
           !endsWithNoCase(name, ".ads");
}

bool fitsAFileName(std::string_view name) {
    // File names are stored as UTF-8, where a Chinese character takes three bytes, not two.
    return text::toUtf8(name).size() + 4 <= kLongestFileName;
}

LoginOutcome checkLogin(const AccountTable& table, std::string_view name, std::string_view password,
                        UserAccount& account) {
    if (name.empty())
        return LoginOutcome::NoName;
    if (checkUserName(name) != NewUserOutcome::Accepted)
        return LoginOutcome::UnusableName;
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

NewUserOutcome checkUserName(std::string_view name) {
    if (name.empty())
        return NewUserOutcome::EmptyName;
    if (!isUsableUserName(name))
        return NewUserOutcome::UnusableName;
    if (!fitsAFileName(name))
        return NewUserOutcome::NameTooLong;
    if (!ownsItsFileNames(name))
        return NewUserOutcome::NameTakesFile;
    return NewUserOutcome::Accepted;
}

NewUserOutcome checkNewUser(const AccountTable& table, UserAccount& account,
                            std::string_view confirmation) {
    account.name = std::string(text::trim(account.name));
    if (NewUserOutcome outcome = checkUserName(account.name); outcome != NewUserOutcome::Accepted)
        return outcome;
    if (account.password != confirmation)
        return NewUserOutcome::PasswordMismatch;
    account.passwordSum = passwordSum(account.password);
    if (table.lookup(account.name))
        return NewUserOutcome::NameExists;
    return NewUserOutcome::Accepted;
}

}  // namespace brivanta
