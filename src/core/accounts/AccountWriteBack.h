#pragma once

#include <string>

#include "core/accounts/UserAccount.h"
#include "core/formats/FileError.h"

namespace brivanta {

// What became of writing the current account back into the account file.
struct WriteBackResult {
    FileError readError;   // the file exists but cannot be read: it is left as it is
    FileError writeError;  // the new table could not be saved
    bool saved() const { return !readError && !writeError; }
    // The error to show the user, naming the file; empty when saved.
    std::string message() const;
};

// Puts `account` (its mail settings and the sum of its password, which is filled in) into
// the account file at `accountFile`: the file is read afresh, so accounts other copies of
// the program added or changed meanwhile stay; the record of the account's name is replaced
// or added, and the table saved, creating the file's directory when it is missing.
WriteBackResult writeBackAccount(const std::string& accountFile, UserAccount& account);

}  // namespace brivanta
