#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliRunner.h"
#include "TempDir.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;
using testing::slurp;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs brivanta-cli inside `dir` (so paths may be relative) with HOME set to `dir`.
CliRun cli(const testing::TempDir& dir, const std::string& args) {
    std::string command = "cd '" + dir.path() + "' && env -u XDG_CONFIG_HOME HOME='" + dir.path() +
                          "' " + BRIVANTA_CLI_PATH + " " + args + " </dev/null >.stdout 2>.stderr";
    return testing::runShell(dir, command, ".stdout", ".stderr");
}

const char* const kPage =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<DL><p>\n"
    "<DT><H3>新闻</H3>\n"
    "<DL><p>\n"
    "<DT><A HREF=\"http://sina.com.cn/\">新浪 &amp; 网易</A>\n"
    "<DT><A HREF=\"http://x.cn/\">𠀀</A>\n"
    "</DL><p>\n"
    "<DT><A HREF=\"mailto:a@b.c\">信</A>\n"
    "</DL><p>\n";

const char* const kDump =
    "新闻\t\n  新浪 & 网易\thttp://sina.com.cn/\n  𠀀\thttp://x.cn/\n信\tmailto:a@b.c\n";

TEST(BookmarkCli, ImportTwiceThenExportThroughLinkedDirectories) {
    testing::TempDir dir;
    writeFile(dir.file("real/in.html"), kPage);
    fs::create_directory_symlink("real", dir.file("linked"));

    CliRun first = cli(dir, "import netscape linked/in.html linked/tree.bvk");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "新增 4 个条目，跳过 0 个（已经存在或没有地址）\n");
    CliRun second = cli(dir, "import netscape real/in.html real/tree.bvk");
    EXPECT_EQ(second.out, "新增 0 个条目，跳过 4 个（已经存在或没有地址）\n");
    EXPECT_EQ(cli(dir, "dump real/tree.bvk").out, kDump);

    CliRun exported = cli(dir, "export netscape linked/out.html linked/tree.bvk");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(slurp(dir.file("real/out.html"))
                  .find("<DT><A HREF=\"http://sina.com.cn/\">新浪 &amp; 网易</A>"),
              std::string::npos);
    // What we wrote comes back as it was.
    ASSERT_EQ(cli(dir, "import netscape out.html fresh.bvk").status, 1);  // not here: real/
    EXPECT_EQ(cli(dir, "import netscape real/out.html fresh.bvk").status, 0);
    EXPECT_EQ(cli(dir, "dump fresh.bvk").out, kDump);
}

TEST(BookmarkCli, BrowsersDefaultProfilesAreFound) {
    testing::TempDir dir;
    writeFile(
        dir.file(".mozilla/firefox/profiles.ini"),
        "[Profile0]\nName=default-release\nIsRelative=1\nPath=p.default-release\nDefault=1\n");
    fs::create_directories(dir.file(".mozilla/firefox/p.default-release"));
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open(dir.file(".mozilla/firefox/p.default-release/places.sqlite").c_str(), &db),
        SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title "
                     "LONGVARCHAR);"
                     "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk "
                     "INTEGER, parent INTEGER, position INTEGER, title LONGVARCHAR, guid TEXT);"
                     "INSERT INTO moz_places VALUES (1, 'https://fx.example/', 'Fx');"
                     "INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, 0, '', 'root________'),"
                     "(3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'), (9, 1, 1, 3, 0, NULL, 'b');",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    writeFile(
        dir.file(".config/chromium/Default/Bookmarks"),
        R"({"roots":{"bookmark_bar":{"children":[{"name":"Cr","type":"url","url":"https://cr.example/"}]}}})");

    CliRun firefox = cli(dir, "import firefox tree.bvk");
    ASSERT_EQ(firefox.status, 0) << firefox.err;
    EXPECT_NE(firefox.out.find(".mozilla/firefox/p.default-release"), std::string::npos);
    CliRun chromium = cli(dir, "import chromium tree.bvk");
    ASSERT_EQ(chromium.status, 0) << chromium.err;
    EXPECT_NE(chromium.out.find(".config/chromium/Default/Bookmarks"), std::string::npos);
    // Named explicitly: nothing new.
    CliRun again = cli(dir, "import chromium .config/chromium/Default tree.bvk");
    EXPECT_EQ(again.out, "新增 0 个条目，跳过 2 个（已经存在或没有地址）\n");
    EXPECT_EQ(cli(dir, "dump tree.bvk").out,
              "书签工具栏\t\n  Fx\thttps://fx.example/\n书签栏\t\n  Cr\thttps://cr.example/\n");
}

TEST(BookmarkCli, FailuresNameWhatFailedAndWriteNothing) {
    testing::TempDir dir;
    CliRun missing = cli(dir, "import netscape absent.html tree.bvk");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("absent.html"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(dir.file("tree.bvk")));

    CliRun noProfile = cli(dir, "import firefox tree.bvk");
    EXPECT_EQ(noProfile.status, 1);
    EXPECT_NE(noProfile.err.find(".mozilla/firefox/profiles.ini"), std::string::npos)
        << noProfile.err;
    CliRun noChromium = cli(dir, "import chromium tree.bvk");
    EXPECT_EQ(noChromium.status, 1);
    EXPECT_NE(noChromium.err.find("BOOKMARKS_FILE"), std::string::npos) << noChromium.err;
    writeFile(dir.file("Bookmarks"), "{not json");
    CliRun badJson = cli(dir, "import chromium Bookmarks tree.bvk");
    EXPECT_EQ(badJson.status, 1);
    EXPECT_NE(badJson.err.find("Bookmarks"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("tree.bvk")));

    CliRun noTree = cli(dir, "export netscape out.html absent.bvk");
    EXPECT_EQ(noTree.status, 1);
    EXPECT_NE(noTree.err.find("absent.bvk"), std::string::npos);
    writeFile(dir.file("in.html"), kPage);
    ASSERT_EQ(cli(dir, "import netscape in.html tree.bvk").status, 0);
    CliRun unwritable = cli(dir, "export netscape no/such/dir/out.html tree.bvk");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("no/such/dir/out.html"), std::string::npos);

    // A blank target is refused before anything is written, not made a file named " ".
    for (const char* blank : {"export html ' ' tree.bvk", "export netscape ' ' tree.bvk",
                              "export xbel ' \t' tree.bvk"}) {
        CliRun refused = cli(dir, blank);
        EXPECT_EQ(refused.status, 1) << blank;
        EXPECT_NE(refused.err.find("是空白的"), std::string::npos) << blank << ": " << refused.err;
    }
    EXPECT_FALSE(fs::exists(dir.file(" ")));

    for (const char* usage : {"import", "import netscape x", "import opera a b", "export",
                              "export netscape a", "import firefox a b c"}) {
        EXPECT_EQ(cli(dir, usage).status, 2) << usage;
    }
    for (const char* command : {"import", "export"}) {
        CliRun help = cli(dir, std::string(command) + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find(std::string("brivanta-cli ") + command), std::string::npos);
    }
}

}  // namespace
}  // namespace brivanta
