#include <gtest/gtest.h>

#include "core/accounts/AccountChecks.h"
#include "core/accounts/AccountTable.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

UserAccount stored(const std::string& name, const std::string& password) {
    UserAccount a;
    a.name = name;
    a.email = name + "@example.com";
    a.passwordSum = passwordSum(password);
    return a;
}

NewUserOutcome tryNewUser(const AccountTable& table, std::string name, std::string password,
                          std::string confirmation, UserAccount* out = nullptr) {
    UserAccount account;
    account.name = std::move(name);
    account.password = std::move(password);
    NewUserOutcome outcome = checkNewUser(table, account, confirmation);
    if (out)
        *out = account;
    return outcome;
}

TEST(AccountChecks, LoginComparesOnlyTheSumAndKeepsTheTypedPassword) {
    AccountTable table;
    table.set(stored("abc", "abc"));
    UserAccount account;
    EXPECT_EQ(checkLogin(table, "", "abc", account), LoginOutcome::NoName);
    EXPECT_EQ(checkLogin(table, "abc", "abd", account), LoginOutcome::WrongPassword);
    // The same bytes in another order have the same sum.
    ASSERT_EQ(checkLogin(table, "abc", "cba", account), LoginOutcome::Accepted);
    EXPECT_EQ(account.password, "cba");
    EXPECT_EQ(account.email, "abc@example.com");
    ASSERT_EQ(checkLogin(table, "ghost", "pw", account), LoginOutcome::UnknownName);
    EXPECT_EQ(account.name, "ghost");
    EXPECT_EQ(account.password, "pw");
    EXPECT_TRUE(account.email.empty());
}

TEST(AccountChecks, NewUserChecksRunInOrderOnTheTrimmedName) {
    AccountTable table;
    table.set(stored("carol", "x"));
    EXPECT_EQ(tryNewUser(table, " \t ", "a", "b"), NewUserOutcome::EmptyName);
    EXPECT_EQ(tryNewUser(table, "../x", "a", "b"), NewUserOutcome::UnusableName);
    EXPECT_EQ(tryNewUser(table, "Users.ini", "a", "b"), NewUserOutcome::NameTakesFile);
    EXPECT_EQ(tryNewUser(table, "carol", "a", "b"), NewUserOutcome::PasswordMismatch);
    UserAccount made;
    EXPECT_EQ(tryNewUser(table, "  carol ", "a", "a", &made), NewUserOutcome::NameExists);
    EXPECT_EQ(made.name, "carol");
    ASSERT_EQ(tryNewUser(table, " dave ", "", "", &made), NewUserOutcome::Accepted);
    EXPECT_EQ(made.name, "dave");
    EXPECT_EQ(made.passwordSum, 0);
}

TEST(AccountChecks, NamesWhoseFilesBelongToSomethingElseAreRefused) {
    // "Users.ini" would make the user's tree overwrite every account; "x.ads" and "x.bvk"
    // are the files of the user "x".
    for (const char* name :
         {"Users.ini", "users.INI", "x.ads", "x.bvk", "x.ADS", "a.b.Bvk", "John.Doe.ads"}) {
        EXPECT_FALSE(ownsItsFileNames(name)) << name;
        EXPECT_EQ(tryNewUser(AccountTable{}, name, "", ""), NewUserOutcome::NameTakesFile) << name;
    }
    // A "." elsewhere is fine: the name is its own file name and nobody else's.
    for (const char* name : {"john.doe", "a.bvkx", "ads", "bvk", "Users", "Users.ini2"}) {
        EXPECT_TRUE(ownsItsFileNames(name)) << name;
        EXPECT_EQ(tryNewUser(AccountTable{}, name, "", ""), NewUserOutcome::Accepted) << name;
    }
}

TEST(AccountChecks, NamesTooLongForAFileNameAreRefusedCountingUtf8Bytes) {
    // "<name>.ads" must fit the 255 bytes of a file name.
    EXPECT_TRUE(fitsAFileName(std::string(251, 'a')));
    EXPECT_FALSE(fitsAFileName(std::string(252, 'a')));
    EXPECT_EQ(tryNewUser(AccountTable{}, std::string(300, 'a'), "", ""),
              NewUserOutcome::NameTooLong);
    // 83 Chinese characters are 166 GBK bytes but 249 UTF-8 bytes on disk; 84 are too many.
    std::string chars83, chars84;
    for (int i = 0; i < 83; ++i)
        chars83 += text::gbk("字");
    chars84 = chars83 + text::gbk("字");
    EXPECT_TRUE(fitsAFileName(chars83));
    EXPECT_FALSE(fitsAFileName(chars84));
    EXPECT_EQ(tryNewUser(AccountTable{}, chars84, "", ""), NewUserOutcome::NameTooLong);
}

}  // namespace
}  // namespace brivanta
