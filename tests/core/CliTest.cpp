#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "core/accounts/AccountTable.h"
#include "core/formats/FileStreams.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs brivanta-cli as its own process with `input` on standard input.
CliRun cli(const testing::TempDir& dir, const std::string& args, const std::string& input = "") {
    std::ofstream(dir.file("stdin"), std::ios::binary) << input;
    std::string command = std::string(BRIVANTA_CLI_PATH) + " " + args + " <" + dir.file("stdin") +
                          " >" + dir.file("stdout") + " 2>" + dir.file("stderr");
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir.file("stdout")),
            slurp(dir.file("stderr"))};
}

TEST(Cli, BuildThenDumpRoundTripsChineseText) {
    testing::TempDir dir;
    std::string text =
        "新闻\t\n"
        "  新浪\thttp://sina.com.cn\n"
        "  子目录\t\n"
        "    深处\tfile:///tmp/a.txt\n"
        "顶层链接\tmailto:a@b.c\n";
    CliRun built = cli(dir, "build " + dir.file("t.bvk"), text);
    ASSERT_EQ(built.status, 0) << built.err;
    // The file holds GBK: the first record is "新闻" (4 bytes) and " ".
    std::string bytes = slurp(dir.file("t.bvk"));
    EXPECT_EQ(bytes.substr(0, 7), "\x04" + text::gbk("新闻") + "\x01 ");

    CliRun dumped = cli(dir, "dump " + dir.file("t.bvk"));
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, text);
}

TEST(Cli, AddressBookHasATagColumn) {
    testing::TempDir dir;
    std::string text = "李四\t\t男\n  电话\t555-1234\t电话\n";
    ASSERT_EQ(cli(dir, "build --address-book " + dir.file("a.ads"), text).status, 0);
    CliRun dumped = cli(dir, "dump --address-book " + dir.file("a.ads"));
    EXPECT_EQ(dumped.out, text);
    // Read as a two-string tree, the same file is misread but still readable.
    EXPECT_EQ(cli(dir, "dump " + dir.file("a.ads")).status, 0);
}

TEST(Cli, DumpReadsHandWrittenBytes) {
    testing::TempDir dir;
    // P{Q, R{S}}, T written byte by byte.
    std::string bytes("\x01P\x01 \x03->Q\x05q.htm\x01R\x01 \x03->S\x05s.htm\x03||T\x05t.htm", 38);
    std::ofstream(dir.file("h.bvk"), std::ios::binary) << bytes;
    CliRun dumped = cli(dir, "dump " + dir.file("h.bvk"));
    EXPECT_EQ(dumped.out, "P\t\n  Q\tq.htm\n  R\t\n    S\ts.htm\nT\tt.htm\n");
    // Cut inside the last record: the first four entries remain.
    std::ofstream(dir.file("cut.bvk"), std::ios::binary) << bytes.substr(0, bytes.size() - 2);
    EXPECT_EQ(cli(dir, "dump " + dir.file("cut.bvk")).out,
              "P\t\n  Q\tq.htm\n  R\t\n    S\ts.htm\n");
}

TEST(Cli, ErrorsNameTheFileOrLineAndExitWithOne) {
    testing::TempDir dir;
    CliRun missing = cli(dir, "dump " + dir.file("absent.bvk"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.file("absent.bvk")), std::string::npos);

    CliRun tooDeep = cli(dir, "build " + dir.file("x.bvk"), "a\tx\n  b\ty\n      c\tz\n");
    EXPECT_EQ(tooDeep.status, 1);
    EXPECT_NE(tooDeep.err.find("3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.bvk")));

    CliRun unwritable = cli(dir, "build " + dir.file("no/dir.bvk"), "a\tb\n");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("no/dir.bvk"), std::string::npos);

    EXPECT_EQ(cli(dir, "users " + dir.file("absent.ini")).status, 1);
    EXPECT_EQ(cli(dir, "frobnicate").status, 1);
    EXPECT_EQ(cli(dir, "dump").status, 1);
}

TEST(Cli, FindListsHitsWithTheirFolderPathInTreeOrder) {
    testing::TempDir dir(true);
    std::string text =
        "工作\t\n"
        "  新闻\thttp://news.example.com\n"
        "  重庆\t\n"
        "    银行\thttp://bank.example.com\n"
        "News 中心\thttp://center.example.com\n"
        "音乐\thttp://music.example.com\n";
    ASSERT_EQ(cli(dir, "build t.bvk", text).status, 0);
    std::filesystem::create_directory("links");
    std::filesystem::create_symlink("../t.bvk", "links/t.bvk");

    // A relative path and a path through a symbolic link read the same file.
    for (const char* file : {"t.bvk", "links/t.bvk"}) {
        CliRun found = cli(dir, std::string("find xw ") + file);
        EXPECT_EQ(found.status, 0) << found.err;
        EXPECT_EQ(found.out, "工作/新闻\thttp://news.example.com\n") << file;
    }
    EXPECT_EQ(cli(dir, "find 'NEWS' t.bvk").out,
              "工作/新闻\thttp://news.example.com\nNews 中心\thttp://center.example.com\n");
    // A folder that matches is listed too, with an empty address.
    EXPECT_EQ(cli(dir, "find 'zhong q' t.bvk").out, "工作/重庆\t\n");
    EXPECT_EQ(cli(dir, "find cq t.bvk").out, "工作/重庆\t\n");
    EXPECT_EQ(cli(dir, "find 音 t.bvk").out, "音乐\thttp://music.example.com\n");

    CliRun none = cli(dir, "find nothing t.bvk");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    CliRun missing = cli(dir, "find xw absent.bvk");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("absent.bvk"), std::string::npos);
    EXPECT_EQ(cli(dir, "find xw").status, 1);
    EXPECT_EQ(cli(dir, "find ' ' t.bvk").status, 1);

    ASSERT_EQ(cli(dir, "build --address-book a.ads", "李四\t\t男\n  电话\t555-1234\t电话\n").status,
              0);
    EXPECT_EQ(cli(dir, "find --address-book dh a.ads").out, "李四/电话\t555-1234\n");
}

TEST(Cli, EveryCommandHasHelp) {
    testing::TempDir dir;
    for (const char* command : {"dump", "build", "find", "users"}) {
        CliRun help = cli(dir, std::string(command) + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
    CliRun top = cli(dir, "--help");
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("users"), std::string::npos);
}

TEST(Cli, UsersListsRecordsInFileOrder) {
    testing::TempDir dir;
    AccountTable table;
    UserAccount a;
    a.name = text::gbk("张三");
    a.email = "zs@example.com";
    a.pop3Server = "pop.example.com";
    a.smtpServer = "smtp.example.com";
    a.passwordSum = passwordSum("abc");
    table.set(a);
    ASSERT_FALSE(table.saveFile(dir.file("Users.ini")).failed());
    CliRun users = cli(dir, "users " + dir.file("Users.ini"));
    ASSERT_EQ(users.status, 0) << users.err;
    EXPECT_EQ(users.out, "张三\tzs@example.com\tpop.example.com\tsmtp.example.com\t294\n");
}

}  // namespace
}  // namespace brivanta
