#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brivanta {

// One local account. The password is held in memory only; the file keeps its byte sum.
struct UserAccount {
    std::string name;
    std::string password;
    std::string email;
    std::string pop3Server;
    std::string smtpServer;
    std::int32_t passwordSum = 0;

    bool operator==(const UserAccount&) const = default;
};

// Sum of the password's bytes, each taken as a signed 8-bit value, with 32-bit wrap-around.
std::int32_t passwordSum(std::string_view password);

}  // namespace brivanta
