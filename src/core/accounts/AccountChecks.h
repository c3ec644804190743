#pragma once

#include <string>
#include <string_view>

#include "core/accounts/AccountTable.h"
#include "core/accounts/UserAccount.h"

namespace brivanta {

// The decisions of the login and new-user dialogs, without the dialogs.

enum class LoginOutcome {
    NoName,         // nothing chosen (the list is empty): the dialog does nothing
    UnusableName,   // a name the new-user rules refuse (from a hand-edited file): no login
    UnknownName,    // the list and the table disagree; the account carries name and password only
    WrongPassword,  // the sums differ
    Accepted,
};

// Checks `password` against the stored sum of `name`. A name that checkUserName refuses
// never logs in: its files would lie outside "Data" or be another's. `account` receives the stored
// record with the typed password (Accepted) or just the name and the password (UnknownName).
LoginOutcome checkLogin(const AccountTable& table, std::string_view name, std::string_view password,
                        UserAccount& account);

enum class NewUserOutcome {
    EmptyName,
    UnusableName,   // the name could not name the user's files
    NameTooLong,    // the user's file names would be longer than the file system allows
    NameTakesFile,  // a file of the name would be the account file or another user's tree
    PasswordMismatch,
    NameExists,
    Accepted,
};

// Runs the new-user checks in order. `account.name` is trimmed first (so messages can show
// the trimmed name); on Accepted its passwordSum is filled in.
// The longest file name the system takes, in bytes.
inline constexpr size_t kLongestFileName = 255;

// False when the user's tree files ("Data/<name>" or "Data/<name>.bvk", and
// "Data/<name>.ads") would land on "Users.ini" or on another user's files: a name ending in
// ".bvk" or ".ads" is another user's file name, whatever the case of its letters.
bool ownsItsFileNames(std::string_view name);
// False when "<name>.ads" (the longer of the two file names) is too long to be a file name.
bool fitsAFileName(std::string_view name);

// The new-user rules for the name alone (already trimmed): EmptyName, UnusableName,
// NameTooLong, NameTakesFile, or Accepted.
NewUserOutcome checkUserName(std::string_view name);

NewUserOutcome checkNewUser(const AccountTable& table, UserAccount& account,
                            std::string_view confirmation);

}  // namespace brivanta
