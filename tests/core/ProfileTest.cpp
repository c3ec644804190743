#include <gtest/gtest.h>

#include "core/app/Profile.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

TEST(Profile, TipStateReadsWhatOlderVersionsWroteAndDefaults) {
    MemorySettingsStore store;
    Profile profile(store);
    EXPECT_TRUE(profile.tipAtStartup());
    EXPECT_EQ(profile.tipFilePosition(), 0);
    EXPECT_EQ(profile.tipTimeStamp(), "");
    // Written as numbers by the INI file: "StartUp" non-zero switches the tip off.
    store.setValue("Tip/StartUp", "1");
    store.setValue("Tip/FilePos", "18");
    EXPECT_FALSE(profile.tipAtStartup());
    EXPECT_EQ(profile.tipFilePosition(), 18);
    profile.setTipAtStartup(true);
    EXPECT_EQ(store.value("Tip/StartUp"), "0");
    // A value that is no number reads as the default rather than as part of it.
    store.setValue("Tip/FilePos", "12abc");
    EXPECT_EQ(profile.tipFilePosition(), 0);
}

TEST(Profile, MailSecurityIsKeptPerUserApart) {
    MemorySettingsStore store;
    Profile profile(store);
    const std::string zhang = text::gbk("张三");
    // "a/b" must not reach the section of user "a".
    profile.setMailSecurity(zhang, {net::SecurityMode::tls, std::nullopt, text::gbk("登录")});
    profile.setMailSecurity("a/b", {net::SecurityMode::startTls, net::SecurityMode::none, ""});
    EXPECT_EQ(profile.mailSecurity(zhang),
              (MailSecurityProfile{net::SecurityMode::tls, std::nullopt, text::gbk("登录")}));
    EXPECT_EQ(profile.mailSecurity("a"), MailSecurityProfile{});
    EXPECT_EQ(profile.mailSecurity("a/b").pop3Security, net::SecurityMode::none);
    for (const auto& [key, value] : store.values())
        EXPECT_EQ(key.find("a/b"), std::string::npos) << key;
    // The login is stored as UTF-8 text, read back as GBK.
    EXPECT_EQ(store.value("Mail/" + std::string("d5c5c8fd") + "/SmtpLogin"), "登录");
    // Back to the defaults: the keys go.
    profile.setMailSecurity(zhang, {});
    EXPECT_EQ(profile.mailSecurity(zhang), MailSecurityProfile{});
    EXPECT_FALSE(store.value("Mail/d5c5c8fd/SmtpSecurity"));
}

struct MailboxCase {
    const char* what;
    std::map<std::string, std::string> values;
    std::string host;
    int port;
    std::string user;
    net::SecurityMode mode;
    bool own;
};

class RecommendedMailbox : public ::testing::TestWithParam<MailboxCase> {};

TEST_P(RecommendedMailbox, ComesFromTheUpdateSection) {
    const MailboxCase& c = GetParam();
    MemorySettingsStore store;
    for (const auto& [key, value] : c.values)
        store.setValue(key, value);
    Profile profile(store);
    const net::RecommendedMailbox shipped;
    const net::RecommendedMailbox mailbox = profile.recommendedMailbox();
    EXPECT_EQ(mailbox.host, c.host.empty() ? shipped.host : c.host) << c.what;
    EXPECT_EQ(mailbox.port, c.port) << c.what;
    EXPECT_EQ(mailbox.user, c.user.empty() ? shipped.user : c.user) << c.what;
    EXPECT_EQ(mailbox.security.mode, c.mode) << c.what;
    EXPECT_EQ(profile.namesOwnMailbox(), c.own) << c.what;
    // The password is never the profile's to give: the built-in one until the secret
    // store says otherwise.
    EXPECT_EQ(mailbox.password, shipped.password) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecommendedMailbox,
    ::testing::Values(MailboxCase{"nothing set", {}, "", 110, "", net::SecurityMode::none, false},
                      MailboxCase{"a site's own",
                                  {{"Update/Host", " 127.0.0.1 "},
                                   {"Update/Port", "995"},
                                   {"Update/User", "upd"},
                                   {"Update/Security", "tls"},
                                   {"Update/Password", "plain"}},
                                  "127.0.0.1",
                                  995,
                                  "upd",
                                  net::SecurityMode::tls,
                                  true},
                      MailboxCase{"a port out of range and an unknown mode are ignored",
                                  {{"Update/Port", "70000"}, {"Update/Security", "ssl3"}},
                                  "",
                                  110,
                                  "",
                                  net::SecurityMode::none,
                                  false},
                      MailboxCase{"a blank host is no host",
                                  {{"Update/Host", "  "}, {"Update/Port", "x"}},
                                  "",
                                  110,
                                  "",
                                  net::SecurityMode::none,
                                  false}),
    [](const ::testing::TestParamInfo<MailboxCase>& row) {
        return "case" + std::to_string(row.index);
    });

TEST(Profile, APlainPasswordCanOnlyBeReadToBeMovedAndForgotten) {
    MemorySettingsStore store;
    Profile profile(store);
    EXPECT_FALSE(profile.plainRecommendedPassword());
    store.setValue("Update/Password", "秘密");
    EXPECT_EQ(profile.plainRecommendedPassword(), text::gbk("秘密"));
    profile.forgetPlainRecommendedPassword();
    EXPECT_FALSE(store.value("Update/Password"));
    EXPECT_FALSE(profile.plainRecommendedPassword());
}

TEST(Profile, WindowWidthOnlyWhenSensible) {
    MemorySettingsStore store;
    Profile profile(store);
    EXPECT_FALSE(profile.windowWidth());
    profile.setWindowWidth(300);
    EXPECT_EQ(profile.windowWidth(), 300);
    for (const char* bad : {"0", "-5", "wide", "1000000"}) {
        store.setValue("Window/Width", bad);
        EXPECT_FALSE(profile.windowWidth()) << bad;
    }
}

}  // namespace
}  // namespace brivanta
