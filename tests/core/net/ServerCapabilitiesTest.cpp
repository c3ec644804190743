#include <gtest/gtest.h>

#include "core/net/Base64.h"
#include "core/net/SecurityMode.h"
#include "core/net/ServerCapabilities.h"

namespace brivanta::net {
namespace {

TEST(ServerCapabilities, EhloReplies) {
    struct Case {
        const char* reply;
        bool startTls;
        std::vector<std::string> auth;
    } cases[] = {
        {"250-mx.example greets you\r\n250-PIPELINING\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n",
         true,
         {"PLAIN", "LOGIN"}},
        {"250 mx.example\r\n", false, {}},
        // Lower case, tabs, doubled blanks, a mechanism named twice.
        {"250-mx\r\n250-starttls\r\n250 auth\tplain  Login plain\r\n", true, {"PLAIN", "LOGIN"}},
        // The greeting line itself is no keyword; nor are lines of another code, or no end.
        {"250-STARTTLS is what I say\r\n250 SIZE 100\r\n", false, {}},
        {"250-mx\r\n251-STARTTLS\r\n250 AUTH", false, {}},
        {"250-mx\r\n250 AUTH", false, {}},
        {"250-mx\r\n250 STARTTLSX\r\n", false, {}},
        {"", false, {}},
        {"250-mx\n250 STARTTLS\n", true, {}},
    };
    for (const Case& c : cases) {
        SmtpCapabilities caps = parseEhloReply(c.reply);
        EXPECT_EQ(caps.startTls, c.startTls) << c.reply;
        EXPECT_EQ(caps.authMechanisms, c.auth) << c.reply;
    }
}

TEST(ServerCapabilities, CapaLists) {
    struct Case {
        const char* lines;
        bool stls, user;
    } cases[] = {
        {"USER\r\nSTLS\r\nSASL PLAIN\r\n", true, true},
        {"TOP\r\nUIDL\r\n", false, false},
        {"  stls  \r\nuser\r\n", true, true},
        {"SASL STLS\r\nXSTLS\r\n", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        Pop3Capabilities caps = parseCapaReply(c.lines);
        EXPECT_EQ(caps.stls, c.stls) << c.lines;
        EXPECT_EQ(caps.user, c.user) << c.lines;
    }
}

TEST(ServerCapabilities, ManyMechanismsAreBounded) {
    std::string reply = "250-mx\r\n250 AUTH";
    for (int i = 0; i < 10000; ++i)
        reply += " M" + std::to_string(i);
    EXPECT_EQ(parseEhloReply(reply + "\r\n").authMechanisms.size(), 64u);
}

TEST(Base64, Rfc4648Vectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\0u\0p", 4), "AHUAcA=="},
        {"\xff\xfe\xfd", "//79"},
    };
    for (const auto& [in, out] : vectors)
        EXPECT_EQ(base64Encode(in), out) << in;
}

TEST(SecurityMode, PortsAndModesFollowEachOther) {
    const std::tuple<int, SecurityMode> byPort[] = {
        {25, SecurityMode::none}, {110, SecurityMode::none},     {465, SecurityMode::tls},
        {995, SecurityMode::tls}, {587, SecurityMode::startTls}, {2525, SecurityMode::none},
    };
    for (const auto& [port, mode] : byPort)
        EXPECT_EQ(defaultSecurityForPort(port), mode) << port;
    EXPECT_EQ(defaultSmtpPort(SecurityMode::none), 25);
    EXPECT_EQ(defaultSmtpPort(SecurityMode::startTls), 587);
    EXPECT_EQ(defaultSmtpPort(SecurityMode::tls), 465);
    EXPECT_EQ(defaultPop3Port(SecurityMode::none), 110);
    EXPECT_EQ(defaultPop3Port(SecurityMode::startTls), 110);
    EXPECT_EQ(defaultPop3Port(SecurityMode::tls), 995);
    for (SecurityMode m : {SecurityMode::none, SecurityMode::startTls, SecurityMode::tls}) {
        SecurityMode parsed = SecurityMode::none;
        ASSERT_TRUE(parseSecurityMode(securityModeName(m), parsed));
        EXPECT_EQ(parsed, m);
    }
    SecurityMode untouched = SecurityMode::tls;
    for (const char* bad : {"", "TLS", "ssl", "starttls ", "none\n"})
        EXPECT_FALSE(parseSecurityMode(bad, untouched)) << bad;
    EXPECT_EQ(untouched, SecurityMode::tls);
}

}  // namespace
}  // namespace brivanta::net
