#include "core/accounts/NewAccount.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "core/accounts/AccountTable.h"
#include "core/formats/FileStreams.h"

namespace brivanta {

NewAccountResult createAccount(const std::string& accountFile, UserAccount& account,
                               std::string_view confirmation) {
    NewAccountResult result;
    std::vector<UserAccount> records;
    FileError readError = readAccountFile(accountFile, records);
    bool noFile = readError.errorNumber == ENOENT || readError.errorNumber == ENOTDIR;
    if (readError && !noFile) {
        result.readError = readError;
        return result;
    }
    AccountTable table;
    for (const UserAccount& record : records)
        table.set(record);
    result.outcome = checkNewUser(table, account, confirmation);
    if (result.outcome != NewUserOutcome::Accepted)
        return result;
    table.set(account);
    result.writeError = table.saveFile(accountFile);
    if (result.writeError.errorNumber == ENOENT) {
        // The first account of an installation: "Data" does not exist yet.
        std::string dir = directoryOf(accountFile);
        if (!dir.empty() && ::mkdir(dir.c_str(), 0777) == 0)
            result.writeError = table.saveFile(accountFile);
    }
    return result;
}

}  // namespace brivanta
