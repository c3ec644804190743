#pragma once

#include <string>
#include <string_view>

#include "accounts/AccountTable.h"
#include "accounts/UserAccount.h"

namespace brivanta {

// The decisions of the login and new-user dialogs, without the dialogs.

enum class LoginOutcome {
    NoName,         // nothing chosen (the list is empty): the dialog does nothing
    UnknownName,    // the list and the table disagree; the account carries name and password only
    WrongPassword,  // the sums differ
    Accepted,
};

// Checks `password` against the stored sum of `name`. `account` receives the stored record
// with the typed password (Accepted) or just the name and the password (UnknownName).
LoginOutcome checkLogin(const AccountTable& table, std::string_view name, std::string_view password,
                        UserAccount& account);

enum class NewUserOutcome {
    EmptyName,
    UnusableName,  // the name could not name the user's files
    PasswordMismatch,
    NameExists,
    Accepted,
};

// Runs the new-user checks in order. `account.name` is trimmed first (so messages can show
// the trimmed name); on Accepted its passwordSum is filled in.
NewUserOutcome checkNewUser(const AccountTable& table, UserAccount& account,
                            std::string_view confirmation);

}  // namespace brivanta
