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

struct RoundTrip {
    const char* format;
    // Imports that merge add nothing the second time; a tree file is added whole again.
    bool merges;
};

class ExchangeCli : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ExchangeCli, ExportThenImportGivesTheTreeBackAndASecondImportMerges) {
    testing::TempDir dir;
    ASSERT_EQ(cli(dir, "build tree.bvk", kTreeText).status, 0);
    std::string format = GetParam().format;
    std::string target = format == "urldir" ? "fav-link" : "out/page." + format;
    fs::create_directory(dir.file("out"));
    fs::create_directory_symlink("out", dir.file("fav-link"));
    CliRun exported = cli(dir, "export " + format + " " + target + " tree.bvk");
    ASSERT_EQ(exported.status, 0) << exported.err;

    // Import twice into a file that does not exist yet; every kind says what it did alike.
    CliRun first = cli(dir, "import " + format + " " + target + " back.bvk");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "新增 4 个条目，跳过 0 个（已经存在或没有地址）\n");
    // A trailing separator names the same source (the browser file's import takes paths as
    // they are).
    const std::string again = format == "netscape" ? target : target + "/";
    CliRun second = cli(dir, "import " + format + " " + again + " back.bvk");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, GetParam().merges ? "新增 0 个条目，跳过 4 个（已经存在或没有地址）\n"
                                            : "新增 4 个条目，跳过 0 个（已经存在或没有地址）\n");
    CliRun dumped = cli(dir, "dump back.bvk");
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    const std::string expected =
        GetParam().merges ? std::string(kTreeText) : std::string(kTreeText) + kTreeText;
    if (format == "urldir") {
        // Directory order is the file system's: compare line sets.
        std::string lines = dumped.out;
        EXPECT_EQ(lines.size(), expected.size());
        for (const char* line : {"新闻\t\n", "  新浪\thttp://sina.com.cn/\n",
                                 "  R&D <内部>\thttp://x/?a=1&b='2'\n", "顶层链接\tmailto:a@b.c\n"})
            EXPECT_NE(lines.find(line), std::string::npos) << line;
    } else {
        EXPECT_EQ(dumped.out, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExchangeCli,
                         ::testing::Values(RoundTrip{"html", true}, RoundTrip{"urldir", true},
                                           RoundTrip{"netscape", true}, RoundTrip{"bvk", false}),
                         [](const ::testing::TestParamInfo<RoundTrip>& row) {
                             return std::string(row.param.format);
                         });

// An HTML page import that finds no row says so, names the file, and leaves the tree file as
// it was, whatever the file held.
struct NothingToImport {
    const char* name;
    const char* bytes;
};

class HtmlImportOfOtherFiles : public ::testing::TestWithParam<NothingToImport> {};

TEST_P(HtmlImportOfOtherFiles, FailsAndAddsNothing) {
    testing::TempDir dir;
    ASSERT_EQ(cli(dir, "build tree.bvk", kTreeText).status, 0);
    const std::string before = testing::slurp(dir.file("tree.bvk"));
    std::ofstream(dir.file("other.htm"), std::ios::binary) << GetParam().bytes;
    CliRun run = cli(dir, "import html other.htm tree.bvk");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("“other.htm” 里没有可导入的条目"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(testing::slurp(dir.file("tree.bvk")), before);
    // Into a file that does not exist yet: none is made.
    EXPECT_EQ(cli(dir, "import html other.htm new.bvk").status, 1);
    EXPECT_FALSE(fs::exists(dir.file("new.bvk")));
}

INSTANTIATE_TEST_SUITE_P(Files, HtmlImportOfOtherFiles,
                         ::testing::Values(
                             NothingToImport{
                                 "browserBookmarks",
                                 "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n"
                                 "<DL><p>\n<DT><H3>Folder</H3>\n<DL><p>\n"
                                 "<DT><A HREF=\"http://a.example/\">A</A>\n</DL><p>\n</DL><p>\n"},
                             NothingToImport{"anyPage", "<html><body><p>nothing</p></body></html>"},
                             NothingToImport{"empty", ""}),
                         [](const ::testing::TestParamInfo<NothingToImport>& row) {
                             return std::string(row.param.name);
                         });

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
        {"import xbel missing.xbel tree.bvk", "missing.xbel", 1},
        {"import xbel tree.bvk tree.bvk", "tree.bvk", 1},
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
                         ::testing::Values("html", "urldir", "netscape", "bvk", "xbel"));

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
    EXPECT_NE(imported.out.find("另有 2 个没有读取"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("out/passwd.url"), std::string::npos) << imported.out;
    EXPECT_EQ(cli(dir, "dump back.bvk").out, "顶层链接\tmailto:a@b.c\n");
}

}  // namespace
}  // namespace brivanta
