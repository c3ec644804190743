#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <string>

#include "CliRunner.h"
#include "TempDir.h"

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
        for (size_t at = line.find("D/"); at != std::string::npos; at = line.find("D/", at))
            line.replace(at, 2, dir_.path() + "/");
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

}  // namespace
}  // namespace brivanta
