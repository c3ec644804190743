#pragma once

#include <optional>

#include "core/accounts/UserAccount.h"
#include "core/app/LoginSession.h"
#include "core/app/Storage.h"

class QWidget;

namespace brivanta {

// Logs a user in: the login dialog, and the new-user dialog when "新建" is chosen, whose
// account is then logged in without a second login. False when either is cancelled:
// nothing is read or written then. The user's files are locked in `login` for the session;
// a user that another program has logged in already is refused with a message, and the
// login dialog comes back.
bool runLogin(LoginSession& login, QWidget* parent = nullptr);

}  // namespace brivanta
