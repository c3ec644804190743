#include <gtest/gtest.h>
#include <sys/wait.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "CliRunner.h"
#include "TempDir.h"
#include "core/accounts/AccountTable.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "net/ScriptedServer.h"

namespace brivanta {
namespace {

using testing::CliRun;
using testing::slurp;

// Runs brivanta-cli as its own process with `input` on standard input.
CliRun cli(const testing::TempDir& dir, const std::string& args, const std::string& input = "") {
    std::ofstream(dir.file("stdin"), std::ios::binary) << input;
    // The program runs in `dir`, so relative paths in `args` name files there.
    std::string command = "cd '" + dir.path() + "' && " + std::string(BRIVANTA_CLI_PATH) + " " +
                          args + " <" + dir.file("stdin") + " >" + dir.file("stdout") + " 2>" +
                          dir.file("stderr");
    return testing::runShell(dir, command, "stdout", "stderr");
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
    CliRun cut = cli(dir, "dump " + dir.file("cut.bvk"));
    EXPECT_EQ(cut.out, "P\t\n  Q\tq.htm\n  R\t\n    S\ts.htm\n");
    // A damaged file is no failure, but it is said, once, naming the file.
    EXPECT_EQ(cut.status, 0);
    EXPECT_NE(cut.err.find("警告：文件 “" + dir.file("cut.bvk") + "” 已损坏"), std::string::npos)
        << cut.err;
    EXPECT_EQ(cut.err.find("警告", cut.err.find("警告") + 1), std::string::npos);
    EXPECT_EQ(cli(dir, "dump " + dir.file("h.bvk")).err, "");
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
}

TEST(Cli, FindListsHitsWithTheirFolderPathInTreeOrder) {
    testing::TempDir dir;
    std::string text =
        "工作\t\n"
        "  新闻\thttp://news.example.com\n"
        "  重庆\t\n"
        "    银行\thttp://bank.example.com\n"
        "News 中心\thttp://center.example.com\n"
        "音乐\thttp://music.example.com\n";
    ASSERT_EQ(cli(dir, "build t.bvk", text).status, 0);
    std::filesystem::create_directory(dir.file("links"));
    std::filesystem::create_symlink("../t.bvk", dir.file("links/t.bvk"));

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
    EXPECT_EQ(cli(dir, "find ' ' t.bvk").status, 2);  // nothing to look for: a usage error

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

// Every command checks that its output reached standard output.
class CliFullDisk : public ::testing::TestWithParam<const char*> {};

TEST_P(CliFullDisk, WriteErrorsOnStandardOutputFail) {
    testing::TempDir dir;
    BookmarkTree tree;
    for (int i = 0; i < 20000; ++i)
        tree.InsertNode({"entry " + std::to_string(i), "http://example.com/", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.file("t.bvk")).failed());
    AccountTable table;
    UserAccount a;
    a.name = "zs";
    table.set(a);
    ASSERT_FALSE(table.saveFile(dir.file("Users.ini")).failed());

    std::string args = GetParam();
    for (auto at = args.find("DIR"); at != std::string::npos; at = args.find("DIR"))
        args.replace(at, 3, dir.path());
    std::string command = std::string(BRIVANTA_CLI_PATH) + " " + args +
                          " </dev/null >/dev/full 2>" + dir.file("stderr");
    int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_NE(slurp(dir.file("stderr")).find("标准输出"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Commands, CliFullDisk,
                         ::testing::Values("dump DIR/t.bvk", "users DIR/Users.ini", "--help",
                                           "--version", "dump --help", "listen --help"));

TEST(Cli, DumpAndBuildAreExactInversesForHostileBytes) {
    testing::TempDir dir;
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"name\r\nwith line end", "", ""});
    tree.InsertNode({"two\r\nlines", "http://a/\tb\tc", ""}, folder);
    tree.InsertNode({"\x1b]0;owned\x07\x1b[2J", "\xFF\x80\xD6", ""}, folder);
    tree.InsertNode({"C:\\dir\\new", text::fromUtf8("😀") + "\x81", ""});
    tree.InsertNode({text::gbk("中文") + "\xD6", "x", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.file("in.bvk")).failed());

    CliRun dumped = cli(dir, "dump " + dir.file("in.bvk"));
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(dumped.out.find('\r'), std::string::npos);
    EXPECT_EQ(std::count(dumped.out.begin(), dumped.out.end(), '\n'), 5);
    EXPECT_NE(dumped.out.find("😀"), std::string::npos);
    CliRun built = cli(dir, "build " + dir.file("out.bvk"), dumped.out);
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(slurp(dir.file("out.bvk")), slurp(dir.file("in.bvk")));

    CliRun bad = cli(dir, "build " + dir.file("bad.bvk"), "a\tb\nc\\q\td\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("第 2 行"), std::string::npos);
}

TEST(Cli, MailReceiveSavesEachMailAsItArrives) {
    testing::TempDir dir;
    std::ofstream(dir.file("pw")) << "p\n";
    std::atomic<bool> stop{false};
    // Delivers one envelope mail, then stalls in the middle of the second.
    net::testing::ScriptedServer server([&](net::testing::ScriptedPeer& p) {
        p.send("+OK\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("STAT")) {
                p.send("+OK 2 100\r\n");
            } else if (line.starts_with("RETR 1")) {
                p.send(
                    "+OK\r\nSubject: "
                    "s\r\n\r\n<BRIVANTA>\r\n<CUSTOM>\r\nfirst\r\nhttp://1/\r\n.\r\n");
            } else if (line.starts_with("RETR 2")) {
                p.send("+OK\r\nSubject: s\r\n\r\n<BRIVANTA>\r\n");
                while (!stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return;
            } else {
                p.send("+OK\r\n");
            }
        }
    });
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string pop3 = "127.0.0.1:" + std::to_string(server.port());
        const std::string pw = dir.file("pw"), custom = dir.file("c.bvk");
        ::execl(BRIVANTA_CLI_PATH, BRIVANTA_CLI_PATH, "mail-receive", "--pop3", pop3.c_str(),
                "--user", "u", "--password-file", pw.c_str(), "--custom", custom.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The first mail's entries are in the file while the second is still coming.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(dir.file("c.bvk")) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    stop = true;
    server.join();
    BookmarkTree tree;
    ASSERT_TRUE(loadArchiveFile(tree, dir.file("c.bvk")));
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree.LookupRecord(tree.firstChild(kNoItem))->address, "http://1/");
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

// One "Users.ini" record with short fields (one-byte length prefixes).
std::string accountRecord(const std::string& name, const std::string& pop3, const std::string& smtp,
                          std::int32_t sum, const std::string& email) {
    auto field = [](const std::string& s) {
        return std::string(1, static_cast<char>(s.size())) + s;
    };
    std::string sumBytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        sumBytes[static_cast<size_t>(i)] =
            static_cast<char>((static_cast<std::uint32_t>(sum) >> (8 * i)) & 0xFF);
    return field(name) + field(pop3) + field(smtp) + sumBytes + field(email);
}

struct UsersCase {
    const char* name;
    std::string file;
    int status;
    std::string out;
    const char* err;  // a part of standard error ("" for none); FILE stands for the file
};

class CliUsers : public ::testing::TestWithParam<UsersCase> {};

// Fields are escaped as dump escapes them, and a file cut inside a record is reported.
TEST_P(CliUsers, ListsRecordsEscapedAndReportsACutFile) {
    const UsersCase& c = GetParam();
    testing::TempDir dir;
    std::ofstream(dir.file("Users.ini"), std::ios::binary) << c.file;
    CliRun run = cli(dir, "users " + dir.file("Users.ini"));
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    std::string err = c.err;
    if (auto at = err.find("FILE"); at != std::string::npos)
        err.replace(at, 4, dir.file("Users.ini"));
    if (err.empty())
        EXPECT_EQ(run.err, "");
    else
        EXPECT_NE(run.err.find(err), std::string::npos) << run.err;
}

const std::string kPlain = accountRecord("zs", "pop", "smtp", 294, "zs@x");

INSTANTIATE_TEST_SUITE_P(
    Files, CliUsers,
    ::testing::Values(
        UsersCase{"Empty", "", 0, "", ""},
        UsersCase{"Plain", kPlain, 0, "zs\tzs@x\tpop\tsmtp\t294\n", ""},
        UsersCase{"ControlCharacters", accountRecord("\x1b]0;x\x07", "p\r\nq", "C:\\s", -1, "a\tb"),
                  0, "\\x1B]0;x\\x07\ta\\tb\tp\\r\\nq\tC:\\\\s\t-1\n", ""},
        UsersCase{"NameOfSlashesAndALeadingBlank", accountRecord(" ../../x", "/", "", 0, ""), 0,
                  "\\x20../../x\t\t/\t\t0\n", ""},
        UsersCase{"CutInsideTheSecondRecord",
                  kPlain + accountRecord("ls", "p", "s", 1, "e").substr(0, 6), 1,
                  "zs\tzs@x\tpop\tsmtp\t294\n", "文件 “FILE” 已损坏"},
        UsersCase{"CutInsideThePasswordSum", accountRecord("zs", "p", "s", 1, "e").substr(0, 9), 1,
                  "", "只读出了前面完整的 0 条记录"},
        UsersCase{"CutInsideALengthPrefix", kPlain + "\xFF\x01", 1, "zs\tzs@x\tpop\tsmtp\t294\n",
                  "FILE"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivanta
