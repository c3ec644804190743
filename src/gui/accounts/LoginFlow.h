#pragma once

#include <optional>

#include "core/accounts/UserAccount.h"
#include "core/app/Storage.h"
#include "core/app/UserSessionLock.h"

class QWidget;

namespace brivanta {

// Logs a user in: the login dialog, and the new-user dialog when "新建" is chosen, whose
// account is then logged in without a second login. Nothing when either is cancelled.
// With a `session`, the user's files are locked there for the session; a user that another
// program has logged in already is refused with a message, and the login dialog comes back.
std::optional<UserAccount> runLogin(const Storage& storage, QWidget* parent = nullptr,
                                    UserSessionLock* session = nullptr);

}  // namespace brivanta
