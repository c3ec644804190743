#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "../TempDir.h"
#include "../TreeBuilders.h"
#include "core/formats/FileStreams.h"
#include "core/formats/ShortcutFolder.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

// Like describe(), with each level's entries sorted: directories list in whatever order
// the file system keeps them.
std::string sortedDescribe(const BookmarkTree& tree, ItemId parent = kNoItem) {
    std::vector<std::string> parts;
    for (int r = 0; r < tree.childCount(parent); ++r) {
        ItemId item = tree.child(parent, r);
        std::string part = tree.label(item) + "|" + tree.LookupRecord(item)->address;
        if (tree.hasChildren(item))
            part += "{" + sortedDescribe(tree, item) + "}";
        parts.push_back(part + ";");
    }
    std::sort(parts.begin(), parts.end());
    std::string out;
    for (const std::string& p : parts)
        out += p;
    return out;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
    std::string bytes;
    readWholeFile(path, bytes);
    return bytes;
}

// Every path below `dir`, relative, sorted.
std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        out.push_back(fs::relative(e.path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(InternetShortcut, FileIsOneFramedStringWithItsLengthPrefix) {
    EXPECT_EQ(internetShortcutText("http://a.b/"),
              std::string("\x25\r\n[InternetShortcut]\r\nURL=http://a.b/"));
    // 26 + 228 = 254 still fits one byte; 26 + 229 = 255 takes 0xFF and a 16-bit length.
    std::string a228(228, 'a');
    std::string a229(229, 'a');
    EXPECT_EQ(internetShortcutText(a228).substr(0, 3), "\xFE\r\n");
    EXPECT_EQ(internetShortcutText(a229).substr(0, 5), std::string("\xFF\xFF\x00\r\n", 5));
    EXPECT_EQ(internetShortcutText(a229).size(), 3u + 255u);
    std::string big(70000, 'x');
    EXPECT_EQ(internetShortcutText(big).substr(0, 7),
              std::string("\xFF\xFF\xFF", 3) + std::string("\x8A\x11\x01\x00", 4));
}

TEST(InternetShortcut, AddressIsTakenAfterTheFirstUrlKey) {
    struct {
        const char* what;
        std::string text;
        std::string address;
    } cases[] = {
        {"written by the export", internetShortcutText("http://a.b/c?d=1"), "http://a.b/c?d=1"},
        {"CR LF lines", "[InternetShortcut]\r\nURL=http://x/\r\nIconIndex=0\r\n", "http://x/"},
        {"BASEURL ahead of the section wins",
         "[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nURL=http://real/\r\n",
         "http://base/"},
        {"LF only: runs to the end", "[InternetShortcut]\nURL=http://x/\nIconIndex=0\n",
         "http://x/\nIconIndex=0\n"},
        {"no URL key: the whole text", "just some text\r\n", "just some text\r\n"},
        {"key case matters", "url=http://x/\r\n", "url=http://x/\r\n"},
        {"empty value", "URL=\r\n", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortcutAddress(c.text), c.address) << c.what;
}

TEST(InternetShortcut, OurOwnLengthPrefixIsNoPartOfTheText) {
    for (size_t length : {0u, 100u, 228u, 229u, 230u, 486u, 65508u, 65509u, 70000u}) {
        std::string address = "http://" + std::string(length, 'x');
        address.resize(length);
        EXPECT_EQ(shortcutAddress(shortcutText(internetShortcutText(address))), address) << length;
    }
    // In our own framing a zero byte is text like any other.
    std::string withZero("http://a/\0b", 11);
    EXPECT_EQ(shortcutAddress(shortcutText(internetShortcutText(withZero))), withZero);
    // Anything else is read up to its first zero byte, prefix or not.
    EXPECT_EQ(shortcutText(std::string("\xFF\x05\x00\r\n[InternetShortcut]", 23)), "\xFF\x05");
    EXPECT_EQ(shortcutText(std::string("URL=a\0URL=b", 11)), "URL=a");
}

TEST(ShortcutImport, TakesUrlFilesInAnyCaseAndEveryDirectory) {
    testing::TempDir dir;
    std::string root = dir.file("fav");
    fs::create_directories(root + "/News.old/inner");
    fs::create_directories(root + "/Only others");
    fs::create_directories(root + "/empty");
    writeFile(root + "/a.url", internetShortcutText("http://a/"));
    writeFile(root + "/B.URL", "[InternetShortcut]\r\nURL=http://b/\r\n");
    writeFile(root + "/c.d.Url", "URL=http://c/");
    writeFile(root + "/skip.url.bak", "URL=http://no/");
    writeFile(root + "/skip.txt", "URL=http://no/");
    writeFile(root + "/noext", "URL=http://no/");
    writeFile(root + "/News.old/n.url", "URL=http://n/\r\n");
    writeFile(root + "/News.old/inner/deep.url", "[x]\r\nURL=http://deep/");
    writeFile(root + "/Only others/readme.txt", "URL=http://no/");
    writeFile(root + "/plain.url", "no key here");
    writeFile(root + "/zero.url", std::string("URL=http://z/\0garbage\r\n", 24));
    writeFile(root + "/" + "新闻.url", "URL=http://xinwen/\r\n");

    BookmarkTree tree;
    std::vector<std::string> captions;
    ShortcutImportResult result;
    FileError e = importShortcutFolder(
        tree, root, kNoItem, [&](const std::string& c) { captions.push_back(c); }, &result);
    ASSERT_FALSE(e.failed()) << e.readMessage();
    EXPECT_EQ(sortedDescribe(tree),
              "B|http://b/;News|{inner|{deep|http://deep/;};n|http://n/;};"
              "Only others|;a|http://a/;c.d|http://c/;empty|;"
              "plain|no key here;zero|http://z/;" +
                  text::gbk("新闻") + "|http://xinwen/;");
    EXPECT_EQ(result.added, 12u);
    EXPECT_EQ(result.skipped, 0u);
    EXPECT_EQ(captions.size(), 12u);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "News"), captions.end());
}

TEST(ShortcutImport, GoesBelowTheChosenEntryAndAcceptsATrailingSeparator) {
    testing::TempDir dir;
    fs::create_directory(dir.relative("fav"));
    writeFile(dir.relative("fav/x.url"), "URL=http://x/");
    fs::create_directory_symlink("fav", dir.relative("fav-link"));
    BookmarkTree tree;
    ItemId target = tree.InsertNode({"target", "", ""});
    ASSERT_FALSE(importShortcutFolder(tree, dir.relative("fav-link/"), target).failed());
    EXPECT_EQ(sortedDescribe(tree), "target|{x|http://x/;};");
    // A folder that does not exist adds nothing.
    EXPECT_FALSE(importShortcutFolder(tree, dir.relative("nowhere")).failed());
    EXPECT_EQ(tree.size(), 2u);
}

TEST(ShortcutImport, ALinkBackUpIsNotFollowed) {
    testing::TempDir dir;
    std::string root = dir.file("fav");
    fs::create_directories(root + "/a");
    writeFile(root + "/a/x.url", "URL=http://x/");
    fs::create_directory_symlink("..", root + "/a/up");
    fs::create_directory_symlink("/nonexistent/target", root + "/broken.url");
    BookmarkTree tree;
    ASSERT_FALSE(importShortcutFolder(tree, root).failed());
    EXPECT_EQ(sortedDescribe(tree), "a|{x|http://x/;};");
}

TEST(ShortcutImport, AnOversizeShortcutStopsTheImportNamingTheFile) {
    testing::TempDir dir;
    std::string root = dir.file("fav");
    fs::create_directory(root);
    writeFile(root + "/huge.url", "URL=" + std::string(kLargestShortcutFile + 10, 'a'));
    BookmarkTree tree;
    FileError e = importShortcutFolder(tree, root);
    ASSERT_TRUE(e.failed());
    EXPECT_EQ(e.path, root + "/huge.url");
    EXPECT_TRUE(tree.empty());
}

TEST(ShortcutExport, RoundTripKeepsNamesAndAddressesWithinTheFolderRules) {
    testing::TempDir dir;
    BookmarkTree tree;
    ItemId news = tree.InsertNode({text::gbk("新闻"), "", ""});
    tree.InsertNode({"sina", "http://sina.com.cn/", ""}, news);
    ItemId old = tree.InsertNode({"Archive.2019", "", ""}, news);
    tree.InsertNode({"v1.2 notes", "http://notes/", ""}, old);
    ItemId both = tree.InsertNode({"both", "http://both/", ""});
    tree.InsertNode({"child", "http://child/", ""}, both);
    tree.InsertNode({"empty", "", ""});
    tree.InsertNode({"long", "http://l/" + std::string(220, 'q'), ""});
    tree.InsertNode({"same", "http://first/", ""});
    tree.InsertNode({"same", "http://second/", ""});

    std::string out = dir.file("out");
    fs::create_directory(out);
    ASSERT_FALSE(exportShortcutFolder(tree, out + "/").failed());
    EXPECT_EQ(readFile(out + "/" + text::toUtf8(text::gbk("新闻")) + "/sina.url"),
              internetShortcutText("http://sina.com.cn/"));
    EXPECT_TRUE(fs::is_directory(out + "/empty"));
    EXPECT_EQ(static_cast<unsigned char>(readFile(out + "/long.url")[0]), 0xFF);

    BookmarkTree back;
    ASSERT_FALSE(importShortcutFolder(back, out).failed());
    // Directory names lose their last extension; an entry with address and children comes
    // back as a folder holding the link; two links of one name both stay.
    EXPECT_EQ(sortedDescribe(back),
              "both|{both|http://both/;child|http://child/;};empty|;long|http://l/" +
                  std::string(220, 'q') + ";same (2)|http://second/;same|http://first/;" +
                  text::gbk("新闻") +
                  "|{Archive|{v1.2 notes|http://notes/;};sina|http://sina.com.cn/;};");
}

TEST(ShortcutExport, NamesNeverLeadOutOfTheChosenFolder) {
    testing::TempDir dir;
    std::string out = dir.file("a/b/out");
    fs::create_directories(out);
    BookmarkTree tree;
    ItemId up = tree.InsertNode({"..", "", ""});
    tree.InsertNode({"../../../escaped", "http://evil/", ""}, up);
    tree.InsertNode({"/etc/x", "http://evil/", ""});
    tree.InsertNode({"..\\..\\y", "http://evil/", ""});
    tree.InsertNode({".", "", ""});
    tree.InsertNode({"", "http://nameless/", ""});
    tree.InsertNode({std::string("nul\0/x", 6), "http://nul/", ""});
    ASSERT_FALSE(exportShortcutFolder(tree, out).failed());
    EXPECT_EQ(listing(dir.path()),
              (std::vector<std::string>{"a", "a/b", "a/b/out", "a/b/out/.._.._y.url", "a/b/out/_",
                                        "a/b/out/_ (2)", "a/b/out/_.url",
                                        "a/b/out/_/.._.._.._escaped.url", "a/b/out/_etc_x.url",
                                        "a/b/out/nul__x.url"}));
}

TEST(ShortcutExport, AStartEntryIsWrittenIntoTheFolderItself) {
    testing::TempDir dir;
    fs::create_directory(dir.relative("out"));
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"F", "", ""});
    ItemId link = tree.InsertNode({"L", "http://l/", ""}, folder);
    ItemId sub = tree.InsertNode({"S", "", ""}, folder);
    tree.InsertNode({"T", "http://t/", ""}, sub);
    tree.InsertNode({"U", "http://u/", ""}, folder);

    ASSERT_FALSE(exportShortcutFolder(tree, dir.relative("out"), link).failed());
    EXPECT_EQ(listing(dir.relative("out")), std::vector<std::string>{"L.url"});
    ASSERT_FALSE(exportShortcutFolder(tree, dir.relative("out"), folder).failed());
    EXPECT_EQ(listing(dir.relative("out")),
              (std::vector<std::string>{"F", "F/L.url", "F/S", "F/S/T.url", "F/U.url", "L.url"}));
}

TEST(ShortcutExport, AnEntryThatCannotBeWrittenIsNamedAndTheRestWritten) {
    testing::TempDir dir;
    const std::string out = fs::relative(dir.file("out")).string();
    fs::create_directory(out);
    writeFile(out + "/Taken", "a file where a folder goes");
    BookmarkTree tree;
    tree.InsertNode({"first", "http://1/", ""});
    ItemId taken = tree.InsertNode({"Taken", "", ""});
    tree.InsertNode({"inside", "http://in/", ""}, taken);
    tree.InsertNode({std::string(300, 'n'), "http://long/", ""});
    tree.InsertNode({"after", "http://after/", ""});
    ExportResult result;
    FileError e = exportShortcutFolder(tree, out, kNoItem, {}, &result);
    ASSERT_TRUE(e.failed());
    EXPECT_EQ(e.path, out + "/Taken");
    EXPECT_EQ(result.written, 2u);
    EXPECT_EQ(result.notWritten, 3u);
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[1].errorNumber, ENAMETOOLONG);
    EXPECT_NE(result.text(out).find(out + "/Taken"), std::string::npos);
    EXPECT_EQ(listing(out), (std::vector<std::string>{"Taken", "after.url", "first.url"}));

    ExportResult missing;
    e = exportShortcutFolder(tree, out + "/missing", kNoItem, {}, &missing);
    ASSERT_TRUE(e.failed());
    EXPECT_EQ(e.path, out + "/missing");
    EXPECT_EQ(missing.notWritten, tree.size());
}

TEST(ShortcutExport, DeepTreesNeedNoDeepStack) {
    testing::TempDir dir;
    fs::create_directory(dir.relative("out"));
    BookmarkTree tree;
    ItemId parent = kNoItem;
    for (int i = 0; i < 5000; ++i)
        parent = tree.InsertNode({"d", "", ""}, parent);
    // Folders deeper than the bound are not written, and said so, instead of running out of
    // stack or of descriptors.
    ExportResult result;
    FileError e = exportShortcutFolder(tree, dir.relative("out"), kNoItem, {}, &result);
    EXPECT_TRUE(e.failed());
    EXPECT_EQ(e.errorNumber, ENAMETOOLONG);
    EXPECT_EQ(result.written, kDeepestShortcutFolder);
    EXPECT_EQ(result.written + result.notWritten, tree.size());
}

TEST(ShortcutExport, RandomTreesSurviveTheRoundTrip) {
    testing::TempDir dir;
    std::mt19937 rng(11);
    BookmarkTree tree;
    testing::fillRandomTree(tree, rng, 300, 5);
    // Folder names keep no dot, links have no children: then nothing is lost.
    std::string out = dir.file("out");
    fs::create_directory(out);
    ASSERT_FALSE(exportShortcutFolder(tree, out).failed());
    BookmarkTree back;
    ASSERT_FALSE(importShortcutFolder(back, out).failed());
    BookmarkTree expected;
    // A link that has children comes back as a folder holding the link; names are unique by
    // construction.
    std::function<void(ItemId, ItemId)> copy = [&](ItemId from, ItemId to) {
        for (int r = 0; r < tree.childCount(from); ++r) {
            ItemId c = tree.child(from, r);
            NodeRecord rec = *tree.LookupRecord(c);
            if (tree.hasChildren(c) && !rec.address.empty()) {
                NodeRecord folder = rec;
                folder.address.clear();
                ItemId made = expected.InsertNode(folder, to);
                expected.InsertNode(rec, made);
                copy(c, made);
                continue;
            }
            copy(c, expected.InsertNode(rec, to));
        }
    };
    copy(kNoItem, kNoItem);
    EXPECT_EQ(sortedDescribe(back), sortedDescribe(expected));
}

// Entries of one folder whose names would be one file: each gets its own.
struct Collision {
    const char* what;
    std::vector<NodeRecord> entries;
    std::vector<std::string> files;
};

void PrintTo(const Collision& collision, std::ostream* out) {
    *out << collision.what;
}

class ShortcutCollision : public ::testing::TestWithParam<Collision> {};

TEST_P(ShortcutCollision, EveryEntryGetsAFileOfItsOwn) {
    testing::TempDir dir;
    const std::string out = fs::relative(dir.file("out")).string();
    fs::create_directory(out);
    BookmarkTree tree;
    for (const NodeRecord& record : GetParam().entries)
        tree.InsertNode(record);
    ExportResult result;
    ASSERT_FALSE(exportShortcutFolder(tree, out, kNoItem, {}, &result).failed());
    EXPECT_EQ(listing(out), GetParam().files);
    EXPECT_EQ(result.written, tree.size());
    EXPECT_EQ(result.notWritten, 0u);
    BookmarkTree back;
    ShortcutImportResult imported;
    ASSERT_FALSE(importShortcutFolder(back, out, kNoItem, {}, &imported).failed());
    EXPECT_EQ(imported.added, tree.size());
}

INSTANTIATE_TEST_SUITE_P(
    Names, ShortcutCollision,
    ::testing::Values(
        Collision{"SameName",
                  {{"x", "http://1/", ""}, {"x", "http://2/", ""}, {"x", "http://3/", ""}},
                  {"x (2).url", "x (3).url", "x.url"}},
        Collision{"LetterCase",
                  {{"News", "http://1/", ""}, {"NEWS", "http://2/", ""}},
                  {"NEWS (2).url", "News.url"}},
        Collision{"SameAfterSanitising",
                  {{"a/b", "http://1/", ""}, {"a_b", "http://2/", ""}, {"a\\b", "http://3/", ""}},
                  {"a_b (2).url", "a_b (3).url", "a_b.url"}},
        Collision{"Folders", {{"F", "", ""}, {"f", "", ""}}, {"F", "f (2)"}},
        Collision{"FolderNamedLikeAShortcut",
                  {{"x", "http://1/", ""}, {"x.url", "", ""}},
                  {"x.url", "x.url (2)"}},
        Collision{"NumberedNameTaken",
                  {{"x (2)", "http://1/", ""}, {"x", "http://2/", ""}, {"x", "http://3/", ""}},
                  {"x (2).url", "x (3).url", "x.url"}}),
    [](const auto& row) { return std::string(row.param.what); });

TEST(ShortcutExport, ALinkWithChildrenIsAFolderHoldingTheLinkFirst) {
    testing::TempDir dir;
    const std::string out = fs::relative(dir.file("out")).string();
    fs::create_directory(out);
    BookmarkTree tree;
    ItemId both = tree.InsertNode({"both", "http://both/", ""});
    tree.InsertNode({"both", "http://child-of-same-name/", ""}, both);
    ItemId inner = tree.InsertNode({"inner", "http://inner/", ""}, both);
    tree.InsertNode({"leaf", "http://leaf/", ""}, inner);
    ExportResult result;
    ASSERT_FALSE(exportShortcutFolder(tree, out, kNoItem, {}, &result).failed());
    EXPECT_EQ(result.written, 4u);
    EXPECT_EQ(listing(out),
              (std::vector<std::string>{"both", "both/both (2).url", "both/both.url", "both/inner",
                                        "both/inner/inner.url", "both/inner/leaf.url"}));
    EXPECT_EQ(readFile(out + "/both/both.url"), internetShortcutText("http://both/"));
    // Exported alone, the start entry is laid out the same way.
    const std::string single = fs::relative(dir.file("single")).string();
    fs::create_directory(single);
    ExportResult one;
    ASSERT_FALSE(exportShortcutFolder(tree, single, inner, {}, &one).failed());
    EXPECT_EQ(one.written, 2u);
    EXPECT_EQ(listing(single),
              (std::vector<std::string>{"inner", "inner/inner.url", "inner/leaf.url"}));
}

// What an attacker may leave inside the folder an export writes to.
struct Planted {
    const char* what;
    std::function<void(const std::string& out, const std::string& outside)> plant;
    size_t written;  // of the tree below: folder F{link}, link x
};

void PrintTo(const Planted& planted, std::ostream* out) {
    *out << planted.what;
}

class PlantedInExport : public ::testing::TestWithParam<Planted> {};

TEST_P(PlantedInExport, NothingIsWrittenThroughItAndItIsNamed) {
    testing::TempDir dir;
    const std::string out = fs::relative(dir.file("out")).string();
    const std::string outside = dir.file("outside");
    fs::create_directory(out);
    fs::create_directory(outside);
    writeFile(outside + "/x.url", "keep me");
    GetParam().plant(out, outside);
    const std::vector<std::string> outsideBefore = listing(outside);
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"F", "", ""});
    tree.InsertNode({"x", "http://inside-f/", ""}, folder);
    tree.InsertNode({"x", "http://x/", ""});
    ExportResult result;
    FileError e = exportShortcutFolder(tree, out, kNoItem, {}, &result);
    EXPECT_TRUE(e.failed());
    EXPECT_NE(result.text(out).find(out + "/"), std::string::npos) << result.text(out);
    EXPECT_EQ(result.written, GetParam().written);
    EXPECT_EQ(result.written + result.notWritten, 3u);
    EXPECT_EQ(listing(outside), outsideBefore);
    EXPECT_EQ(readFile(outside + "/x.url"), "keep me");
}

INSTANTIATE_TEST_SUITE_P(
    Links, PlantedInExport,
    ::testing::Values(Planted{"LinkToAFolderOutside",
                              [](const std::string& out, const std::string& outside) {
                                  fs::create_directory_symlink(outside, out + "/F");
                              },
                              1},
                      Planted{"LinkToAFileOutside",
                              [](const std::string& out, const std::string& outside) {
                                  fs::create_symlink(outside + "/x.url", out + "/x.url");
                              },
                              2},
                      Planted{"DanglingLink",
                              [](const std::string& out, const std::string& outside) {
                                  fs::create_symlink(outside + "/new.url", out + "/x.url");
                              },
                              2},
                      Planted{"Fifo",
                              [](const std::string& out, const std::string&) {
                                  ASSERT_EQ(::mkfifo((out + "/x.url").c_str(), 0600), 0);
                              },
                              2},
                      Planted{"LinkInsideAFolderItReuses",
                              [](const std::string& out, const std::string& outside) {
                                  fs::create_directory(out + "/F");
                                  fs::create_symlink(outside + "/x.url", out + "/F/x.url");
                              },
                              2}),
    [](const auto& row) { return std::string(row.param.what); });

// What an import of a favorites folder passes over: nothing that is not a real file or
// directory inside the folder.
TEST(ShortcutImport, ReadsOnlyRealFilesAndDirectoriesInsideTheFolder) {
    testing::TempDir dir;
    const std::string root = fs::relative(dir.file("fav")).string();
    fs::create_directories(root + "/real");
    fs::create_directories(dir.file("elsewhere"));
    writeFile(dir.file("elsewhere/secret.url"), "URL=http://secret/");
    writeFile(root + "/real/ok.url", "URL=http://ok/");
    fs::create_symlink("/etc/passwd", root + "/passwd.url");
    fs::create_symlink(dir.file("elsewhere/secret.url"), root + "/secret.url");
    fs::create_directory_symlink(dir.file("elsewhere"), root + "/elsewhere");
    fs::create_directory_symlink("real", root + "/again");
    ASSERT_EQ(::mkfifo((root + "/pipe.url").c_str(), 0600), 0);
    ASSERT_EQ(::mknod((root + "/zero.url").c_str(), S_IFCHR | 0600, makedev(1, 5)), 0);
    BookmarkTree tree;
    ShortcutImportResult result;
    ASSERT_FALSE(importShortcutFolder(tree, root, kNoItem, {}, &result).failed());
    EXPECT_EQ(sortedDescribe(tree), "real|{ok|http://ok/;};");
    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(result.skipped, 6u);
    const std::string text = result.text();
    for (const char* name :
         {"/passwd.url", "/secret.url", "/elsewhere", "/again", "/pipe.url", "/zero.url"})
        EXPECT_NE(text.find(root + name), std::string::npos) << name << "\n" << text;
}

TEST(ShortcutImport, ALinkBombEndsAtOnce) {
    // 40 nested folders, each holding two links back to the top: followed, 2^40 walks.
    testing::TempDir dir;
    const std::string root = fs::relative(dir.file("fav")).string();
    std::string path = root;
    std::string up = "..";
    for (int level = 0; level < 40; ++level) {
        path += "/d";
        fs::create_directories(path);
        fs::create_directory_symlink(up, path + "/top1");
        fs::create_directory_symlink(up, path + "/top2");
        up += "/..";
    }
    BookmarkTree tree;
    ShortcutImportResult result;
    ASSERT_FALSE(importShortcutFolder(tree, root, kNoItem, {}, &result).failed());
    EXPECT_EQ(result.added, 40u);
    EXPECT_EQ(result.skipped, 80u);
}

TEST(ShortcutImport, StopsWhereTheTreeIsFullAndSaysSo) {
    testing::TempDir dir;
    const std::string root = fs::relative(dir.file("fav")).string();
    fs::create_directory(root);
    for (int i = 0; i < 10; ++i)
        writeFile(root + "/" + std::to_string(i) + ".url", "URL=http://x/" + std::to_string(i));
    BookmarkTree tree;
    tree.setItemDataLimit(tree.nextItemData() + 4);
    ShortcutImportResult result;
    ASSERT_FALSE(importShortcutFolder(tree, root, kNoItem, {}, &result).failed());
    EXPECT_EQ(tree.size(), 4u);
    EXPECT_EQ(result.added, 4u);
    EXPECT_TRUE(result.full);
    EXPECT_NE(result.text().find("书签已满"), std::string::npos);
}

TEST(DirectorySearch, ListsAtMostWhatItIsToldAndSaysItStopped) {
    testing::TempDir dir;
    const std::string root = fs::relative(dir.file("many")).string();
    fs::create_directory(root);
    for (int i = 0; i < 10; ++i)
        writeFile(root + "/" + std::to_string(i) + ".url", "URL=http://x/" + std::to_string(i));
    DirectorySearch all;
    ASSERT_TRUE(all.open(root));
    EXPECT_EQ(all.size(), 12u);  // "." and ".." too
    EXPECT_FALSE(all.truncated());
    DirectorySearch some;
    ASSERT_TRUE(some.open(root, 5));
    EXPECT_EQ(some.size(), 5u);
    EXPECT_TRUE(some.truncated());
    // A directory below is reached only as a real directory, never through a link.
    fs::create_directory_symlink(".", root + "/self");
    DirectorySearch below;
    EXPECT_FALSE(below.openAt(all, "self"));
    EXPECT_FALSE(below.openAt(all, "0.url"));
}

}  // namespace
}  // namespace brivanta
