#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "TempDir.h"
#include "core/text/Encoding.h"

// The shell's conventions of the command line: unknown options and commands named, usage
// errors exit 2, "--" ends the options, "-" is standard input or output, and a reader that
// goes away ends the program quietly.

namespace brivanta {
namespace {

using testing::CliRun;

constexpr const char* kTreeText =
    "频道\t\n"
    "  新闻\thttp://news.example.com\n"
    "  -x 频道\thttp://x.example.com\n";

// A directory with the tree file t.bvk and its text t.txt; `shell` runs a line in it where
// `cli` is brivanta-cli and D/ stands for the directory.
class CliConventions : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(dir_.file("t.txt"), std::ios::binary) << kTreeText;
        ASSERT_EQ(shell("cli build D/t.bvk <D/t.txt").status, 0);
    }

    CliRun shell(std::string line) {
        // Past each replacement: the directory's own name may hold "D/".
        const std::string path = dir_.path() + "/";
        for (size_t at = line.find("D/"); at != std::string::npos;
             at = line.find("D/", at + path.size()))
            line.replace(at, 2, path);
        const std::string script =
            "cli() { '" + std::string(BRIVANTA_CLI_PATH) + "' \"$@\"; }; " + line;
        std::ofstream(dir_.file("script"), std::ios::binary) << script;
        return testing::runShell(dir_,
                                 "sh " + dir_.file("script") + " </dev/null >" + dir_.file("out") +
                                     " 2>" + dir_.file("err"),
                                 "out", "err");
    }

    testing::TempDir dir_;
};

struct LineCase {
    const char* line;
    int status;
    const char* fragment;  // in standard output or error
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.line;
}

class CliLines : public CliConventions, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CliLines, ExitWithTheirStatusAndSayWhy) {
    const LineCase& c = GetParam();
    CliRun run = shell(c.line);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE((run.out + run.err).find(c.fragment), std::string::npos) << run.out << run.err;
    if (c.status == 2) {
        // A usage error shows how the program is used, and does nothing else.
        EXPECT_NE(run.err.find("用法: brivanta-cli"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliLines,
    ::testing::Values(
        // Help goes to standard output and ends well, with the exit statuses.
        LineCase{"cli --help", 0, "退出状态: 0 成功"}, LineCase{"cli -h", 0, "duplicates"},
        LineCase{"cli find --help", 0, "1 没有找到"},
        LineCase{"cli mail-receive -h", 0, "2 用法错误"},
        // Usage errors name what is wrong.
        LineCase{"cli --bogus", 2, "未知选项 --bogus"},
        LineCase{"cli dump --bogus D/t.bvk", 2, "未知选项 --bogus"},
        LineCase{"cli find -x D/t.bvk", 2, "未知选项 -x"},
        LineCase{"cli frobnicate", 2, "未知命令 frobnicate"}, LineCase{"cli", 2, "缺少命令"},
        LineCase{"cli dump", 2, "缺少 FILE"}, LineCase{"cli find xw", 2, "缺少 FILE"},
        LineCase{"cli dump D/t.bvk extra", 2, "多余的参数 extra"},
        LineCase{"cli listen --port", 2, "选项 --port 需要一个值"},
        LineCase{"cli listen D/t.bvk --port=70000", 2, "“70000”"},
        LineCase{"cli send-peer --timeout 0 localhost D/t.bvk", 2, "--timeout"},
        LineCase{"cli import pdf D/x.pdf D/t.bvk", 2, "未知格式 “pdf”"},
        LineCase{"cli mail-send --to a@b D/t.bvk", 2, "缺少 --smtp"},
        // "--" ends the options: a query may start with "-".
        LineCase{"cli find -- -x D/t.bvk", 0, "频道/-x 频道"},
        LineCase{"cli dump -- D/t.bvk", 0, "  新闻\t"},
        // "-" is standard input or output.
        LineCase{"cli dump - <D/t.bvk", 0, "  新闻\thttp://news.example.com"},
        LineCase{"cli find xw - <D/t.bvk", 0, "频道/新闻"},
        LineCase{"cli build - <D/t.txt | cli dump -", 0, "  -x 频道\thttp://x.example.com"},
        LineCase{"cli export bvk - D/t.bvk | cli dump -", 0, "  新闻\thttp://news.example.com"},
        LineCase{"cli export html - D/t.bvk", 0, "http://news.example.com"},
        LineCase{"cli export netscape - D/t.bvk", 0, "NETSCAPE-Bookmark-file-1"},
        LineCase{"cli import bvk - D/copy.bvk <D/t.bvk && cli dump D/copy.bvk", 0, "  新闻\t"},
        LineCase{"cli export urldir - D/t.bvk", 2, "标准输出"},
        // Nothing found, and a failure of the work, are 1.
        LineCase{"cli find nothing D/t.bvk", 1, ""}, LineCase{"cli duplicates D/t.bvk", 1, ""},
        LineCase{"cli dump D/absent.bvk", 1, "absent.bvk"}));

// `dump FILE | head -1`: the reader goes away after one line; the program ends by SIGPIPE
// as other filters do (status 141 in the shell), without a word, even when the shell that
// started it ignores the signal (its children inherit that).
TEST_F(CliConventions, AClosedPipeEndsTheProgramQuietly) {
    // Far more than a pipe holds, so the program is still writing when head leaves.
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "条目 " + std::to_string(i) + "\thttp://example.com/" + std::to_string(i) + "\n";
    std::ofstream(dir_.file("big.txt"), std::ios::binary) << text;
    ASSERT_EQ(shell("cli build D/big.bvk <D/big.txt").status, 0);
    for (const char* ignore : {"", "trap \"\" PIPE; "}) {
        // The pipeline's status is head's; the program's own is asked of bash.
        CliRun run = shell(std::string("bash -c '") + ignore +
                           "\"$0\" dump \"$1\" | head -1 >/dev/null; echo ${PIPESTATUS[0]}' '" +
                           BRIVANTA_CLI_PATH + "' D/big.bvk");
        EXPECT_EQ(run.out, "141\n") << ignore;
        EXPECT_EQ(run.err, "") << ignore;
    }
}

// Runs brivanta-cli with standard error on a terminal (a pseudo-terminal) and standard output
// thrown away; returns what the terminal showed. `showing` hears the text so far after each
// read, while the program runs.
std::string onTerminal(std::vector<std::string> args, int& status,
                       const std::function<void(const std::string&)>& showing = {}) {
    args.insert(args.begin(), BRIVANTA_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::string shown;
    if (pid > 0) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(terminal, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;  // EIO once the program has ended
            shown.append(buffer, static_cast<size_t>(n));
            if (showing)
                showing(shown);
        }
        ::waitpid(pid, &status, 0);
        ::close(terminal);
    }
    return shown;
}

struct ProgressCase {
    const char* name;
    std::vector<std::string> args;  // D/ stands for the test's directory
    const char* shown;              // a fragment of the progress line; "" for silence
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.name;
}

class CliProgress : public CliConventions, public ::testing::WithParamInterface<ProgressCase> {
  protected:
    std::vector<std::string> arguments() const {
        std::vector<std::string> args = GetParam().args;
        for (std::string& a : args) {
            if (a.starts_with("D/"))
                a = dir_.file(a.substr(2));
        }
        return args;
    }
};

TEST_P(CliProgress, IsShownOnATerminalOnlyAndNeverWithQuiet) {
    ASSERT_EQ(shell("cli export html D/t.html D/t.bvk").status, 0);
    int status = -1;
    const std::string shown = onTerminal(arguments(), status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    const std::string fragment = GetParam().shown;
    if (fragment.empty()) {
        EXPECT_EQ(shown, "");
    } else {
        // Drawn in place (carriage return, erase to the end of the line) and wiped at the end.
        EXPECT_NE(shown.find("\r" + fragment), std::string::npos) << shown;
        EXPECT_TRUE(shown.ends_with("\r\033[K")) << shown;
    }

    // Redirected, the same command says nothing on standard error.
    std::string line = "cli";
    for (const std::string& a : GetParam().args)
        line += " " + (a.starts_with("D/") ? "D/again-" + a.substr(2) : a);
    ASSERT_EQ(shell("cp D/t.bvk D/again-t.bvk; cp D/t.html D/again-t.html").status, 0);
    CliRun redirected = shell(line);
    EXPECT_EQ(redirected.status, 0) << redirected.err;
    EXPECT_EQ(redirected.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliProgress,
    ::testing::Values(
        ProgressCase{"Import", {"import", "html", "D/t.html", "D/u.bvk"}, "正在保存 “"},
        ProgressCase{"ImportQuiet", {"import", "-q", "html", "D/t.html", "D/u.bvk"}, ""},
        ProgressCase{"Export", {"export", "html", "D/out.html", "D/t.bvk"}, "已写出 1 个条目"},
        ProgressCase{"ExportQuiet", {"export", "--quiet", "html", "D/out.html", "D/t.bvk"}, ""}),
    [](const ::testing::TestParamInfo<ProgressCase>& param) { return param.param.name; });

// listen keeps a tally of what it received on the terminal, between its lines on standard
// output.
TEST_F(CliConventions, ListenCountsTransfersOnTheTerminal) {
    int status = -1;
    bool sent = false;
    const std::string shown = onTerminal(
        {"listen", "--bind", "127.0.0.1", "--port", "0", "--count", "1", dir_.file("got.bvk")},
        status, [&](const std::string& text) {
            const std::string waiting = "正在监听端口 ";
            const size_t at = text.find(waiting);
            if (sent || at == std::string::npos || text.find("个传送", at) == std::string::npos)
                return;
            const std::string port =
                text.substr(at + waiting.size(), text.find("：", at) - at - waiting.size());
            sent = true;
            EXPECT_EQ(shell("cli send-peer 127.0.0.1:" + port + " D/t.bvk").status, 0);
        });
    EXPECT_TRUE(sent) << shown;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_NE(shown.find("已收到 0 个传送，共 0 条记录"), std::string::npos) << shown;
    EXPECT_NE(shown.find("已收到 1 个传送，共 3 条记录"), std::string::npos) << shown;
}

// In a zh_CN.GBK locale a terminal shows and types GBK: output is GBK, a query typed in GBK
// finds its entries, and dump's text read back by build gives the same tree. The locale is
// made for the test in a directory of its own (LOCPATH), so no set-up of the system is needed.
TEST_F(CliConventions, FollowsAGbkLocale) {
    if (shell("command -v localedef").status != 0)
        GTEST_SKIP() << "localedef is missing: no zh_CN.GBK locale can be made to test in";
    CliRun made = shell("mkdir -p D/locales && localedef -i zh_CN -f GBK D/locales/zh_CN.GBK");
    if (shell("test -f D/locales/zh_CN.GBK/LC_CTYPE").status != 0)
        GTEST_SKIP() << "localedef could not make zh_CN.GBK (zh_CN or the GBK charmap missing): "
                     << made.err;
    // glibc keeps the locale path it read from LOCPATH for good; the leak checker of the
    // sanitizer build is told so (ours are still checked).
    ASSERT_EQ(shell("echo leak:__argz_add_sep > D/lsan.supp").status, 0);
    const std::string gbk =
        "export LOCPATH=D/locales LC_ALL=zh_CN.GBK LSAN_OPTIONS=suppressions=D/lsan.supp; ";

    CliRun found = shell(gbk + "cli find " + text::fromUtf8("新闻") + " D/t.bvk");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, text::fromUtf8("频道/新闻\thttp://news.example.com\n"));
    CliRun dumped = shell(gbk + "cli dump D/t.bvk");
    EXPECT_EQ(dumped.out, text::fromUtf8(kTreeText));
    // Messages too, with the file names in them as they are.
    CliRun usage = shell(gbk + "cli dump");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find(text::fromUtf8("缺少 FILE")), std::string::npos) << usage.err;

    ASSERT_EQ(shell(gbk + "cli dump D/t.bvk | cli build D/back.bvk").status, 0);
    EXPECT_EQ(shell("cli dump D/back.bvk").out, kTreeText);
    // A tree file written to standard output is the file's bytes, not text to convert.
    EXPECT_EQ(shell(gbk + "cli export bvk - D/t.bvk | cmp - D/t.bvk").status, 0);
}

TEST_F(CliConventions, StaysUtf8UnderTheCAndUtf8Locales) {
    for (const char* locale : {"C", "C.UTF-8"}) {
        CliRun found = shell(std::string("export LC_ALL=") + locale + "; cli find 新闻 D/t.bvk");
        EXPECT_EQ(found.status, 0) << locale << ": " << found.err;
        EXPECT_EQ(found.out, "频道/新闻\thttp://news.example.com\n") << locale;
    }
}

}  // namespace
}  // namespace brivanta
