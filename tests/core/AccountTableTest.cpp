#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "core/accounts/AccountTable.h"
#include "core/accounts/UserNameRules.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

UserAccount account(std::string name, std::string password = "") {
    UserAccount a;
    a.name = std::move(name);
    a.email = a.name + "@example.com";
    a.pop3Server = "pop." + a.name;
    a.smtpServer = "smtp." + a.name;
    a.passwordSum = passwordSum(password);
    return a;
}

std::vector<std::string> names(const AccountTable& table) {
    std::vector<std::string> out;
    for (const UserAccount* a : table.accounts())
        out.push_back(a->name);
    return out;
}

// Names that share a bucket, found by the hash itself.
std::vector<std::string> namesInBucket(unsigned bucket, size_t count) {
    std::vector<std::string> out;
    for (int i = 0; out.size() < count; ++i) {
        std::string n = "u" + std::to_string(i);
        if (AccountTable::bucketOf(n) == bucket)
            out.push_back(n);
    }
    return out;
}

TEST(PasswordSum, SignedBytesWithWrapAround) {
    EXPECT_EQ(passwordSum(""), 0);
    EXPECT_EQ(passwordSum("abc"), 294);
    EXPECT_EQ(passwordSum("cba"), 294);
    EXPECT_EQ(passwordSum("\xD6\xD0"), (0xD6 - 256) + (0xD0 - 256));  // 中 counts negative
    EXPECT_EQ(passwordSum(std::string(20000000, '\x7F')), static_cast<std::int32_t>(2540000000u));
}

TEST(AccountTable, BucketsAndTheirOrder) {
    EXPECT_EQ(AccountTable::bucketOf(""), 0u);
    EXPECT_EQ(AccountTable::bucketOf("a"), 97u % 17);
    EXPECT_EQ(AccountTable::bucketOf("ab"), (97u * 33 + 98) % 17);
    // Signed bytes: 0xD6 counts as -42, so h wraps around.
    EXPECT_EQ(AccountTable::bucketOf("\xD6"), static_cast<std::uint32_t>(-42) % 17);

    auto same = namesInBucket(3, 3);
    auto other = namesInBucket(1, 1);
    AccountTable table;
    for (auto& n : same)
        table.set(account(n));
    table.set(account(other[0]));
    // Bucket 1 before bucket 3; newest first within a bucket.
    EXPECT_EQ(names(table), (std::vector<std::string>{other[0], same[2], same[1], same[0]}));

    UserAccount replaced = account(same[1], "pw");
    table.set(replaced);  // in place: the order does not change
    EXPECT_EQ(names(table), (std::vector<std::string>{other[0], same[2], same[1], same[0]}));
    EXPECT_EQ(table.lookup(same[1])->passwordSum, passwordSum("pw"));
    EXPECT_EQ(table.lookup("nobody"), nullptr);
    EXPECT_EQ(table.size(), 4u);
}

TEST(AccountTable, LoadAndSaveReverseABucketAndKeepEveryField) {
    testing::TempDir dir;
    auto same = namesInBucket(5, 3);
    AccountTable table;
    for (auto& n : same)
        table.set(account(n, "secret-" + n));
    std::string path = dir.file("Users.ini");
    ASSERT_FALSE(table.saveFile(path).failed());

    // The file holds the table order: newest first.
    std::vector<UserAccount> records;
    ASSERT_FALSE(readAccountFile(path, records).failed());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, same[2]);
    EXPECT_EQ(records[0].email, same[2] + "@example.com");
    EXPECT_EQ(records[0].pop3Server, "pop." + same[2]);
    EXPECT_EQ(records[0].smtpServer, "smtp." + same[2]);
    EXPECT_EQ(records[0].passwordSum, passwordSum("secret-" + same[2]));
    EXPECT_TRUE(records[0].password.empty());

    // Loading inserts in file order, so a save after a load reverses the bucket.
    AccountTable loaded;
    ASSERT_TRUE(loaded.loadFile(path));
    EXPECT_EQ(names(loaded), (std::vector<std::string>{same[0], same[1], same[2]}));
    ASSERT_FALSE(loaded.saveFile(path).failed());
    records.clear();
    readAccountFile(path, records);
    EXPECT_EQ(records[0].name, same[0]);
}

TEST(AccountTable, ExactBytesOfARecord) {
    testing::TempDir dir;
    AccountTable table;
    UserAccount a;
    a.name = "ab";
    a.pop3Server = "p";
    a.smtpServer = "";
    a.passwordSum = 294;
    a.email = "e@x";
    table.set(a);
    ASSERT_FALSE(table.saveFile(dir.file("u.ini")).failed());
    std::string bytes;
    readWholeFile(dir.file("u.ini"), bytes);
    EXPECT_EQ(bytes, std::string("\x02"
                                 "ab"
                                 "\x01"
                                 "p"
                                 "\x00"
                                 "\x26\x01\x00\x00"
                                 "\x03"
                                 "e@x",
                                 14));
}

TEST(AccountTable, DuplicatesLongNamesAndDamage) {
    testing::TempDir dir;
    std::string path = dir.file("Users.ini");
    std::string bytes;
    {
        StringSink sink(bytes);
        ArchiveWriter w(sink);
        auto record = [&](const std::string& name, const std::string& email, std::int32_t sum) {
            w.writeString(name);
            w.writeString("pop");
            w.writeString("smtp");
            w.writeInt32(sum);
            w.writeString(email);
        };
        record("dup", "first@x", 1);
        record(std::string(300, 'L'), "long@x", 2);
        record("dup", "second@x", 3);
        record("cut", "never@x", 4);
    }
    bytes.resize(bytes.size() - 3);  // the last record loses its tail
    AtomicFileSink sink;
    sink.open(path);
    sink.write(bytes.data(), bytes.size());
    ASSERT_FALSE(sink.commit().failed());

    AccountTable table;
    std::vector<std::string> listed;
    ASSERT_TRUE(table.loadFile(path, &listed));
    EXPECT_EQ(listed, (std::vector<std::string>{"dup", std::string(300, 'L'), "dup"}));
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.lookup("dup")->email, "second@x");  // the later record wins
    EXPECT_EQ(table.lookup(std::string(300, 'L'))->passwordSum, 2);

    AccountTable missing;
    EXPECT_FALSE(missing.loadFile(dir.file("none.ini")));
    EXPECT_TRUE(missing.empty());
}

TEST(AccountTable, SavingCreatesTheDataDirectory) {
    testing::TempDir dir;
    EXPECT_EQ(accountFileName("Users.ini"), "Data/Users.ini");
    EXPECT_EQ(accountFileName("Users"), "Data/Users.ini");
    EXPECT_EQ(accountFileName("/tmp/x/Users.ini"), "/tmp/x/Users.ini");
    // Named relative to the working directory, which the test leaves where it is.
    const std::string file = dir.relative("Data/Users.ini");
    AccountTable table;
    table.set(account("first"));
    ASSERT_FALSE(table.save(file).failed());
    EXPECT_TRUE(std::filesystem::exists(dir.file("Data/Users.ini")));
    AccountTable back;
    EXPECT_TRUE(back.load(file));
    EXPECT_EQ(back.lookup("first")->email, "first@example.com");

    // A file in its way: the save fails, says so, and names the file.
    std::filesystem::remove_all(dir.file("Data"));
    { std::ofstream(dir.file("Data")) << "not a directory"; }
    FileError e = table.save(file);
    ASSERT_TRUE(e.failed());
    EXPECT_NE(e.writeMessage().find(file), std::string::npos);
}

TEST(UserNameRules, NamesThatCannotNameAFile) {
    EXPECT_TRUE(isUsableUserName("alice"));
    EXPECT_TRUE(isUsableUserName(text::gbk("张三")));
    EXPECT_TRUE(isUsableUserName("a.b"));
    // A GBK character whose second byte is 0x5C is not a backslash.
    EXPECT_TRUE(isUsableUserName("\xB1\x5C"));
    EXPECT_FALSE(isUsableUserName(""));
    EXPECT_FALSE(isUsableUserName("."));
    EXPECT_FALSE(isUsableUserName(".."));
    EXPECT_FALSE(isUsableUserName("a/b"));
    EXPECT_FALSE(isUsableUserName("a\\b"));
    EXPECT_FALSE(isUsableUserName("a\tb"));
    EXPECT_FALSE(isUsableUserName("a\x7F"));
    EXPECT_FALSE(isUsableUserName("bad\xFF"));
}

}  // namespace
}  // namespace brivanta
