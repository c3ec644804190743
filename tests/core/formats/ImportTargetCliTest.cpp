#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../ChildRun.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/Exchange.h"
#include "core/formats/FileStreams.h"
#include "core/formats/ShortcutFolder.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;
using testing::ChildRun;
using testing::runChild;

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

BookmarkTree& newTree() {
    static BookmarkTree tree;
    if (tree.empty())
        tree.InsertNode({"new", "http://new/", ""});
    return tree;
}

// A command that writes the tree file "t.bvk" of a directory, and the source it reads.
struct Writer {
    const char* what;
    std::vector<std::string> (*prepare)(const testing::TempDir& dir);  // its arguments
    const char* after;  // the dump of t.bvk afterwards
};

const char* const kKeptAndNew = "old\thttp://old/\nnew\thttp://new/\n";

const Writer kWriters[] = {
    {"import_html",
     [](const testing::TempDir& d) -> std::vector<std::string> {
         EXPECT_FALSE(exportExchange(newTree(), ExchangeFormat::HtmlPage, d.file("p.htm")));
         return {"import", "html", d.file("p.htm"), d.file("t.bvk")};
     },
     kKeptAndNew},
    {"import_urldir",
     [](const testing::TempDir& d) -> std::vector<std::string> {
         fs::create_directory(d.file("fav"));
         write(d.file("fav/new.url"), internetShortcutText("http://new/"));
         return {"import", "urldir", d.file("fav"), d.file("t.bvk")};
     },
     kKeptAndNew},
    {"import_bvk",
     [](const testing::TempDir& d) -> std::vector<std::string> {
         EXPECT_FALSE(saveArchiveFile(newTree(), d.file("other.bvk")));
         return {"import", "bvk", d.file("other.bvk"), d.file("t.bvk")};
     },
     kKeptAndNew},
    {"import_netscape",
     [](const testing::TempDir& d) -> std::vector<std::string> {
         write(d.file("b.html"), "<DL><p><DT><A HREF=\"http://new/\">new</A></DL><p>");
         return {"import", "netscape", d.file("b.html"), d.file("t.bvk")};
     },
     kKeptAndNew},
    {"import_chromium",
     [](const testing::TempDir& d) -> std::vector<std::string> {
         write(d.file("Bookmarks"),
               R"({"roots":{"bookmark_bar":{"children":[{"name":"new","url":"http://new/"}]}}})");
         return {"import", "chromium", d.file("Bookmarks"), d.file("t.bvk")};
     },
     "old\thttp://old/\n书签栏\t\n  new\thttp://new/\n"},
    {"build",
     [](const testing::TempDir& d) -> std::vector<std::string> {
         write(d.file("in.txt"), "new\thttp://new/\n");
         return {"build", d.file("t.bvk")};
     },
     "new\thttp://new/\n"},
};

class DamagedTarget : public ::testing::TestWithParam<Writer> {};

TEST_P(DamagedTarget, IsKeptBesideItBeforeItIsWritten) {
    testing::TempDir dir;
    BookmarkTree old;
    old.InsertNode({"old", "http://old/", ""});
    old.InsertNode({"lost", "http://lost/", ""});
    ASSERT_FALSE(saveArchiveFile(old, dir.file("t.bvk")));
    std::string bytes;
    ASSERT_FALSE(readWholeFile(dir.file("t.bvk"), bytes));
    bytes.resize(bytes.size() - 3);  // the second record is cut short
    write(dir.file("t.bvk"), bytes);

    std::vector<std::string> args = GetParam().prepare(dir);
    const std::string input = fs::exists(dir.file("in.txt")) ? dir.file("in.txt") : "/dev/null";
    ChildRun run = runChild(dir, args, input);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("已损坏"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(dir.file("t.bvk.damaged")), std::string::npos) << run.err;
    std::string kept;
    ASSERT_FALSE(readWholeFile(dir.file("t.bvk.damaged"), kept));
    EXPECT_EQ(kept, bytes);
    EXPECT_EQ(runChild(dir, {"dump", dir.file("t.bvk")}).out, GetParam().after);

    // The file is whole now: writing it again keeps no second copy.
    ChildRun again = runChild(dir, args, input);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err.find("已损坏"), std::string::npos) << again.err;
    EXPECT_FALSE(fs::exists(dir.file("t.bvk.damaged.1")));
}

INSTANTIATE_TEST_SUITE_P(Commands, DamagedTarget, ::testing::ValuesIn(kWriters),
                         [](const auto& row) { return std::string(row.param.what); });

// A chain of `levels` folders as the tree file writes it.
std::string chainFile(int levels) {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    for (int i = 0; i < levels; ++i) {
        writer.writeString((i == 0 ? "" : "->") + std::string("n") + std::to_string(i));
        writer.writeString(" ");
    }
    writer.writeString("|||top");
    writer.writeString("http://top/");
    writer.flush();
    return bytes;
}

TEST(DeepDump, StatesTheDepthPastTheLimitAndBuildReadsItBack) {
    testing::TempDir dir;
    const int levels = 20000;
    write(dir.file("deep.bvk"), chainFile(levels));
    ChildRun dumped = runChild(dir, {"dump", dir.file("deep.bvk")});
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    // Indented, 20,000 levels would print 400 MB; stated, a few hundred kilobytes.
    EXPECT_LT(dumped.out.size(), 1000u * 2000 + 19000u * 20);
    EXPECT_NE(dumped.out.find("\n" + std::string(999 * 2, ' ') + "n999\t\n\\<1000>n1000\t\n"),
              std::string::npos);
    EXPECT_NE(dumped.out.find("\n\\<19999>n19999\t\n\\<19996>top\thttp://top/\n"),
              std::string::npos);
    EXPECT_NE(dumped.err.find("19001 个条目深于 1000 层"), std::string::npos) << dumped.err;

    // dump and build stay inverses: the same bytes come back.
    write(dir.file("in.txt"), dumped.out);
    ChildRun built = runChild(dir, {"build", dir.file("back.bvk")}, dir.file("in.txt"));
    ASSERT_EQ(built.status, 0) << built.err;
    std::string original, back;
    ASSERT_FALSE(readWholeFile(dir.file("deep.bvk"), original));
    ASSERT_FALSE(readWholeFile(dir.file("back.bvk"), back));
    EXPECT_EQ(back, original);
}

TEST(DeepDump, BuildRefusesAStatedDepthItCannotTake) {
    testing::TempDir dir;
    struct Case {
        const char* text;
        const char* line;
    };
    for (Case c : {Case{"a\t\n\\<2>b\t\n", "第 2 行"}, Case{"a\t\n\\<1b\t\n", "第 2 行"},
                   Case{"\\<x>a\t\n", "第 1 行"}}) {
        write(dir.file("in.txt"), c.text);
        ChildRun built = runChild(dir, {"build", dir.file("x.bvk")}, dir.file("in.txt"));
        EXPECT_EQ(built.status, 1) << c.text;
        EXPECT_NE(built.err.find(c.line), std::string::npos) << c.text << built.err;
        EXPECT_FALSE(fs::exists(dir.file("x.bvk")));
    }
}

}  // namespace
}  // namespace brivanta
