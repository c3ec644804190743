#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "core/net/PeerAddress.h"

namespace brivanta::net {
namespace {

struct AddressCase {
    const char* name;
    std::string text;
    bool accepted;
};

class PeerAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(PeerAddressTest, OnlyWhatCanNameAHostIsAccepted) {
    EXPECT_EQ(isPeerAddress(GetParam().text), GetParam().accepted) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, PeerAddressTest,
    ::testing::Values(
        AddressCase{"ipv4", "127.0.0.1", true}, AddressCase{"ipv6", "::1", true},
        AddressCase{"ipv6 in brackets", "[fe80::1]", true},
        AddressCase{"host name", "pc-7.example.cn", true},
        AddressCase{"single label", "localhost", true},
        AddressCase{"underscore as in local names", "office_pc", true},
        AddressCase{"final dot", "example.cn.", true},
        AddressCase{"63 characters in a label", std::string(63, 'a') + ".cn", true},
        AddressCase{"empty", "", false}, AddressCase{"a space inside", "my pc", false},
        AddressCase{"a port with it", "127.0.0.1:5000", false},
        AddressCase{"a name with a port", "host:5000", false},
        AddressCase{"a web address", "http://example.cn/", false},
        AddressCase{"five numbers", "1.2.3.4.5", false},
        AddressCase{"a number too large", "300.1.1.1", false},
        AddressCase{"an empty label", "a..b", false}, AddressCase{"a dot alone", ".", false},
        AddressCase{"a leading hyphen", "-pc.example.cn", false},
        AddressCase{"a trailing hyphen", "pc-.example.cn", false},
        AddressCase{"64 characters in a label", std::string(64, 'a') + ".cn", false},
        AddressCase{"longer than 253",
                    std::string(50, 'a') + "." + std::string(50, 'a') + "." + std::string(50, 'a') +
                        "." + std::string(50, 'a') + "." + std::string(50, 'a') + ".cn",
                    false},
        AddressCase{"Chinese (GBK)", "\xCD\xF5\xB5\xC4\xB5\xE7\xC4\xD4", false},
        AddressCase{"bad ipv6", "[::g]", false}, AddressCase{"unclosed bracket", "[::1", false}),
    [](const ::testing::TestParamInfo<AddressCase>& row) {
        std::string name = row.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

}  // namespace
}  // namespace brivanta::net
