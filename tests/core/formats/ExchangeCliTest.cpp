#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../CliRunner.h"
#include "../TempDir.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;

// Runs brivanta-cli in `dir` (relative paths are relative to it) with `input` on stdin.
CliRun cli(const testing::TempDir& dir, const std::string& args, const std::string& input = "") {
    std::ofstream(dir.file("stdin"), std::ios::binary) << input;
    std::string command =
        "cd " + dir.path() + " && " + BRIVANTA_CLI_PATH + " " + args + " <stdin >stdout 2>stderr";
    return testing::runShell(dir, command, "stdout", "stderr");
}

const char* const kTreeText =
    "新闻\t\n"
    "  新浪\thttp://sina.com.cn/\n"
    "  R&D <内部>\thttp://x/?a=1&b='2'\n"
    "顶层链接\tmailto:a@b.c\n";

class ExchangeCli : public ::testing::TestWithParam<const char*> {};

TEST_P(ExchangeCli, ExportThenImportGivesTheTreeBack) {
    testing::TempDir dir;
    ASSERT_EQ(cli(dir, "build tree.bvk", kTreeText).status, 0);
    std::string format = GetParam();
    std::string target = format == "urldir" ? "fav-link" : "out/page." + format;
    fs::create_directory(dir.file("out"));
    fs::create_directory_symlink("out", dir.file("fav-link"));
    CliRun exported = cli(dir, "export " + format + " " + target + " tree.bvk");
    ASSERT_EQ(exported.status, 0) << exported.err;

    // Import twice into a file that does not exist yet: the second run adds after the first.
    ASSERT_EQ(cli(dir, "import " + format + " " + target + " back.bvk").status, 0);
    ASSERT_EQ(cli(dir, "import " + format + " " + target + "/ back.bvk").status, 0);
    CliRun dumped = cli(dir, "dump back.bvk");
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    if (format == "urldir") {
        // Directory order is the file system's: compare line sets of one copy.
        std::string lines = dumped.out;
        EXPECT_EQ(lines.size(), 2 * std::string(kTreeText).size());
        for (const char* line : {"新闻\t\n", "  新浪\thttp://sina.com.cn/\n",
                                 "  R&D <内部>\thttp://x/?a=1&b='2'\n", "顶层链接\tmailto:a@b.c\n"})
            EXPECT_NE(lines.find(line), std::string::npos) << line;
    } else {
        EXPECT_EQ(dumped.out, std::string(kTreeText) + kTreeText);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExchangeCli, ::testing::Values("html", "urldir", "bvk"));

TEST(ExchangeCli, ErrorsNameWhatFailed) {
    testing::TempDir dir;
    ASSERT_EQ(cli(dir, "build tree.bvk", kTreeText).status, 0);
    struct {
        std::string args;
        std::string named;
        int status;
    } cases[] = {
        {"export pdf out.pdf tree.bvk", "pdf", 2},
        {"export html out.htm missing.bvk", "missing.bvk", 1},
        {"export urldir nowhere tree.bvk", "nowhere", 1},
        {"export html no/dir/out.htm tree.bvk", "no/dir", 1},
        {"import html missing.htm tree.bvk", "missing.htm", 1},
        {"import urldir nowhere tree.bvk", "nowhere", 1},
        {"import bvk tree.bvk", "用法", 2},
    };
    for (const auto& c : cases) {
        CliRun run = cli(dir, c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << c.args << ": " << run.err;
    }
    // Nothing above changed the tree file.
    EXPECT_EQ(cli(dir, "dump tree.bvk").out, kTreeText);
    EXPECT_EQ(cli(dir, "export --help").status, 0);
}

// A link with children and two links whose names collide: every entry counted is written.
const char* const kAwkwardTree =
    "both\thttp://both/\n"
    "  child\thttp://child/\n"
    "x\thttp://x1/\n"
    "X\thttp://x2/\n"
    "a/b\thttp://ab/\n";

class ExportCount : public ::testing::TestWithParam<const char*> {};

TEST_P(ExportCount, IsTheNumberWrittenAndEveryAddressComesBack) {
    testing::TempDir dir;
    ASSERT_EQ(cli(dir, "build tree.bvk", kAwkwardTree).status, 0);
    const std::string format = GetParam();
    const std::string target = format == "urldir" ? "out" : "out/page";
    fs::create_directory(dir.file("out"));
    CliRun exported = cli(dir, "export " + format + " " + target + " tree.bvk");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("已把 5 个条目导出到 “" + target + "”"), std::string::npos)
        << exported.out;
    ASSERT_EQ(cli(dir, "import " + format + " " + target + " back.bvk").status, 0);
    std::string dumped = cli(dir, "dump back.bvk").out;
    for (const char* address :
         {"http://both/", "http://child/", "http://x1/", "http://x2/", "http://ab/"})
        EXPECT_NE(dumped.find(std::string("\t") + address + "\n"), std::string::npos)
            << address << "\n"
            << dumped;
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportCount,
                         ::testing::Values("html", "urldir", "netscape", "bvk"));

TEST(ExchangeCli, UrldirExportAndImportPassOverPlantedLinksAndSaySo) {
    testing::TempDir dir;
    ASSERT_EQ(cli(dir, "build tree.bvk", kTreeText).status, 0);
    fs::create_directory(dir.file("out"));
    fs::create_directory(dir.file("outside"));
    fs::create_directory_symlink("../outside", dir.file("out/新闻"));
    CliRun exported = cli(dir, "export urldir out tree.bvk");
    EXPECT_EQ(exported.status, 1);
    EXPECT_NE(exported.err.find("out/新闻"), std::string::npos) << exported.err;
    EXPECT_NE(exported.err.find("3 个条目没有导出"), std::string::npos) << exported.err;
    EXPECT_TRUE(fs::is_empty(dir.file("outside")));
    EXPECT_TRUE(fs::exists(dir.file("out/顶层链接.url")));

    fs::create_symlink("/etc/passwd", dir.file("out/passwd.url"));
    CliRun imported = cli(dir, "import urldir out back.bvk");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("跳过 2 个"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("out/passwd.url"), std::string::npos) << imported.out;
    EXPECT_EQ(cli(dir, "dump back.bvk").out, "顶层链接\tmailto:a@b.c\n");
}

}  // namespace
}  // namespace brivanta
