#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "TempDir.h"
#include "core/accounts/AccountTable.h"
#include "core/accounts/AccountWriteBack.h"
#include "core/accounts/NewAccount.h"
#include "core/accounts/PasswordChange.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

UserAccount account(const std::string& name, const std::string& password,
                    const std::string& email) {
    UserAccount a;
    a.name = name;
    a.password = password;
    a.passwordSum = passwordSum(password);
    a.email = email;
    a.pop3Server = "pop." + email;
    a.smtpServer = "smtp." + email;
    return a;
}

std::vector<UserAccount> records(const std::string& path) {
    std::vector<UserAccount> out;
    EXPECT_FALSE(readAccountFile(path, out));
    for (UserAccount& a : out)
        a.password.clear();
    return out;
}

void saveTable(const std::string& path, const std::vector<UserAccount>& accounts) {
    AccountTable table;
    for (const UserAccount& a : accounts)
        table.set(a);
    ASSERT_FALSE(table.saveFile(path));
}

TEST(AccountWriteBack, ReplacesOnlyTheUsersRecordAndKeepsTheOthers) {
    testing::TempDir dir;
    std::string file = dir.file("Users.ini");
    UserAccount other1 = account("alice", "a", "alice.example");
    UserAccount other2 = account(text::gbk("张三"), "z", "zs.example");
    UserAccount me = account("u", "old", "u.example");
    saveTable(file, {other1, me});
    // Another copy of the program added a user after this one logged in.
    saveTable(file, {other1, me, other2});

    me.email = "new@u.example";
    me.smtpServer = "smtp.u.example:587";
    me.password = "new";
    WriteBackResult result = writeBackAccount(file, me);
    ASSERT_TRUE(result.saved()) << result.message();
    EXPECT_EQ(me.passwordSum, passwordSum("new"));

    std::vector<UserAccount> stored = records(file);
    ASSERT_EQ(stored.size(), 3u);
    AccountTable table;
    for (const UserAccount& a : stored)
        table.set(a);
    UserAccount expected = me;
    expected.password.clear();
    EXPECT_EQ(*table.lookup("u"), expected);
    UserAccount alice = other1, zhang = other2;
    alice.password.clear();
    zhang.password.clear();
    EXPECT_EQ(*table.lookup("alice"), alice);
    EXPECT_EQ(*table.lookup(text::gbk("张三")), zhang);
}

TEST(AccountWriteBack, AMissingRecordOrFileOrDirectoryIsMade) {
    testing::TempDir dir;
    // Relative, and the directory "Data" does not exist yet.
    std::string file = dir.relative("Data/Users.ini");
    UserAccount me = account("u", "", "u.example");
    me.passwordSum = 99;
    WriteBackResult result = writeBackAccount(file, me);
    ASSERT_TRUE(result.saved()) << result.message();
    EXPECT_EQ(me.passwordSum, 0);
    std::vector<UserAccount> stored = records(file);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].email, "u.example");
    EXPECT_EQ(stored[0].passwordSum, 0);
}

TEST(AccountWriteBack, WritesThroughASymbolicLinkAndKeepsIt) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    std::string target = dir.file("real/Users.ini");
    saveTable(target, {account("alice", "a", "alice.example")});
    std::filesystem::create_symlink("real/Users.ini", dir.file("Users.ini"));
    UserAccount me = account("u", "pw", "u.example");
    ASSERT_TRUE(writeBackAccount(dir.file("Users.ini"), me).saved());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Users.ini")));
    EXPECT_EQ(records(target).size(), 2u);
}

TEST(AccountWriteBack, AFailureNamesTheFileAndLeavesItWhole) {
    testing::TempDir dir;
    // A directory where the file should be: it can be neither read nor replaced.
    std::string blocked = dir.file("Users.ini");
    std::filesystem::create_directory(blocked);
    std::filesystem::create_directory(blocked + "/inside");
    UserAccount me = account("u", "pw", "u.example");
    WriteBackResult unreadable = writeBackAccount(blocked, me);
    EXPECT_FALSE(unreadable.saved());
    EXPECT_TRUE(unreadable.readError);
    EXPECT_NE(unreadable.message().find(blocked), std::string::npos) << unreadable.message();
    EXPECT_TRUE(std::filesystem::is_directory(blocked + "/inside"));

    // "Data" is a file, so the account file cannot be made below it.
    std::ofstream(dir.file("Data")) << "not a directory";
    std::string below = dir.file("Data/Users.ini");
    WriteBackResult unwritable = writeBackAccount(below, me);
    EXPECT_FALSE(unwritable.saved());
    EXPECT_TRUE(unwritable.writeError);
    EXPECT_NE(unwritable.message().find(below), std::string::npos) << unwritable.message();
    std::ifstream data(dir.file("Data"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(data)), {}), "not a directory");
}

// Both ways of changing the account file read it afresh and save it the same way.
struct AccountWriter {
    const char* name;
    // Puts `a` into the file; the read and write errors as the writer reports them.
    std::function<void(const std::string& file, UserAccount& a, FileError& read, FileError& write)>
        write;
};

class AccountFileWriters : public ::testing::TestWithParam<AccountWriter> {
  protected:
    // Writes a fresh account named `name` with GetParam()'s writer; true when saved.
    bool put(const std::string& file, const std::string& name, FileError* readError = nullptr) {
        UserAccount a = account(name, "pw", name + ".example");
        FileError read;
        FileError write;
        GetParam().write(file, a, read, write);
        if (readError)
            *readError = read;
        return !read && !write;
    }
};

TEST_P(AccountFileWriters, KeepOthersMakeTheDirectoryAndLeaveAnUnreadableFileAlone) {
    testing::TempDir dir;
    // No file and no directory yet, named relative to the current directory.
    ASSERT_TRUE(put(dir.relative("Data/Users.ini"), "first"));
    // Through a symbolic link to the directory, another copy adds a user meanwhile.
    std::filesystem::create_directory_symlink("Data", dir.file("Linked"));
    saveTable(dir.file("Data/Users.ini"),
              {account("first", "pw", "first.example"), account("other", "o", "o.example")});
    ASSERT_TRUE(put(dir.relative("Linked/Users.ini"), "second"));
    std::vector<std::string> stored;
    for (const UserAccount& a : records(dir.file("Data/Users.ini")))
        stored.push_back(a.name);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, (std::vector<std::string>{"first", "other", "second"}));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Linked")));

    // A file that exists but cannot be read is never saved over.
    std::filesystem::create_directory(dir.file("Blocked"));
    FileError readError;
    EXPECT_FALSE(put(dir.relative("Blocked"), "third", &readError));
    EXPECT_TRUE(readError);
    EXPECT_NE(readError.readMessage().find("Blocked"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("Blocked")));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, AccountFileWriters,
    ::testing::Values(AccountWriter{"WriteBack",
                                    [](const std::string& file, UserAccount& a, FileError& read,
                                       FileError& write) {
                                        WriteBackResult r = writeBackAccount(file, a);
                                        read = r.readError;
                                        write = r.writeError;
                                    }},
                      AccountWriter{"NewAccount",
                                    [](const std::string& file, UserAccount& a, FileError& read,
                                       FileError& write) {
                                        NewAccountResult r = createAccount(file, a, a.password);
                                        EXPECT_EQ(r.outcome, NewUserOutcome::Accepted);
                                        read = r.readError;
                                        write = r.writeError;
                                    }}),
    [](const ::testing::TestParamInfo<AccountWriter>& row) { return row.param.name; });

struct PasswordCase {
    const char* what;
    const char* oldPassword;
    const char* newPassword;
    const char* confirmation;
    PasswordChangeOutcome outcome;
};

class PasswordChange : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordChange, ChecksInOrder) {
    const PasswordCase& c = GetParam();
    EXPECT_EQ(checkPasswordChange("abc", c.oldPassword, c.newPassword, c.confirmation), c.outcome)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordChange,
    ::testing::Values(PasswordCase{"accepted", "abc", "x", "x", PasswordChangeOutcome::Accepted},
                      PasswordCase{"empty new password", "abc", "", "",
                                   PasswordChangeOutcome::Accepted},
                      // Same byte sum, other order: the login would take it, this page does not.
                      PasswordCase{"same sum is not enough", "cba", "x", "x",
                                   PasswordChangeOutcome::WrongOldPassword},
                      PasswordCase{"wrong old before mismatch", "ab", "x", "y",
                                   PasswordChangeOutcome::WrongOldPassword},
                      PasswordCase{"mismatch", "abc", "x", "X", PasswordChangeOutcome::Mismatch}));

}  // namespace
}  // namespace brivanta
