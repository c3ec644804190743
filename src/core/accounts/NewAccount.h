#pragma once

#include <string>
#include <string_view>

#include "core/accounts/AccountChecks.h"
#include "core/accounts/UserAccount.h"
#include "core/formats/FileError.h"

namespace brivanta {

// The outcome of creating an account: a check that refused it, or a file that could not be
// read or written (the account was not created then), or Accepted with the file saved.
struct NewAccountResult {
    NewUserOutcome outcome = NewUserOutcome::Accepted;
    FileError readError;   // "Users.ini" exists but cannot be read: it is never replaced
    FileError writeError;  // the new table could not be saved
    bool created() const {
        return outcome == NewUserOutcome::Accepted && !readError && !writeError;
    }
};

// Creates `account` in the account file at `accountFile`: reads the table afresh (another
// copy of the program may have added accounts since the dialog opened, and saving an older
// table would drop them), runs the new-user checks, adds the account and saves, creating
// the file's directory when it is missing. `account` is trimmed and gets its password sum.
NewAccountResult createAccount(const std::string& accountFile, UserAccount& account,
                               std::string_view confirmation);

}  // namespace brivanta
