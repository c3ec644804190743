#include "core/accounts/AccountWriteBack.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "core/accounts/AccountTable.h"
#include "core/formats/FileStreams.h"

namespace brivanta {

std::string WriteBackResult::message() const {
    if (readError)
        return readError.readMessage();
    if (writeError)
        return writeError.writeMessage();
    return {};
}

WriteBackResult writeBackAccount(const std::string& accountFile, UserAccount& account) {
    WriteBackResult result;
    std::vector<UserAccount> records;
    FileError readError = readAccountFile(accountFile, records);
    bool noFile = readError.errorNumber == ENOENT || readError.errorNumber == ENOTDIR;
    // Saving over a file that could not be read would drop every other user's account.
    if (readError && !noFile) {
        result.readError = readError;
        return result;
    }
    AccountTable table;
    for (const UserAccount& record : records)
        table.set(record);
    account.passwordSum = passwordSum(account.password);
    table.set(account);
    result.writeError = table.saveFile(accountFile);
    if (result.writeError.errorNumber == ENOENT) {
        std::string dir = directoryOf(accountFile);
        if (!dir.empty() && ::mkdir(dir.c_str(), 0777) == 0)
            result.writeError = table.saveFile(accountFile);
    }
    return result;
}

}  // namespace brivanta
