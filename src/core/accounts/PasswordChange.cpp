#include "core/accounts/PasswordChange.h"

namespace brivanta {

PasswordChangeOutcome checkPasswordChange(std::string_view current, std::string_view oldPassword,
                                          std::string_view newPassword,
                                          std::string_view confirmation) {
    if (oldPassword != current)
        return PasswordChangeOutcome::WrongOldPassword;
    if (newPassword != confirmation)
        return PasswordChangeOutcome::Mismatch;
    return PasswordChangeOutcome::Accepted;
}

}  // namespace brivanta
