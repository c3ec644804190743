#include "core/accounts/AccountWriteBack.h"

#include "core/accounts/AccountTable.h"

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
    AccountTable table;
    result.readError = table.reread(accountFile);
    if (result.readError)
        return result;
    account.passwordSum = passwordSum(account.password);
    table.set(account);
    result.writeError = table.saveCreatingDirectory(accountFile);
    return result;
}

}  // namespace brivanta
