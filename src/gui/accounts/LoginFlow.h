#pragma once

#include <optional>

#include "core/accounts/UserAccount.h"
#include "core/app/Storage.h"

class QWidget;

namespace brivanta {

// Logs a user in: the login dialog, and the new-user dialog when "新建" is chosen, whose
// account is then logged in without a second login. Nothing when either is cancelled.
std::optional<UserAccount> runLogin(const Storage& storage, QWidget* parent = nullptr);

}  // namespace brivanta
