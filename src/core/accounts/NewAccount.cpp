#include "core/accounts/NewAccount.h"

#include "core/accounts/AccountTable.h"

namespace brivanta {

NewAccountResult createAccount(const std::string& accountFile, UserAccount& account,
                               std::string_view confirmation) {
    NewAccountResult result;
    AccountTable table;
    result.readError = table.reread(accountFile);
    if (result.readError)
        return result;
    result.outcome = checkNewUser(table, account, confirmation);
    if (result.outcome != NewUserOutcome::Accepted)
        return result;
    table.set(account);
    result.writeError = table.saveCreatingDirectory(accountFile);
    return result;
}

}  // namespace brivanta
