#include "core/accounts/UserAccount.h"

namespace brivanta {

std::int32_t passwordSum(std::string_view password) {
    std::uint32_t sum = 0;
    for (char c : password)
        sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    return static_cast<std::int32_t>(sum);
}

}  // namespace brivanta
