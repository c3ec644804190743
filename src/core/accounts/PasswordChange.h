#pragma once

#include <string>
#include <string_view>

namespace brivanta {

enum class PasswordChangeOutcome {
    WrongOldPassword,  // the old password is not the one typed at login
    Mismatch,          // the new password and its confirmation differ
    Accepted,
};

// The password page's checks, in order. The old password must be the very text typed at
// login, byte for byte: an equal sum is not enough here. The new password may be empty.
PasswordChangeOutcome checkPasswordChange(std::string_view current, std::string_view oldPassword,
                                          std::string_view newPassword,
                                          std::string_view confirmation);

}  // namespace brivanta
