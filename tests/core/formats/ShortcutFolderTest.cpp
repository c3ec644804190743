#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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
    size_t added = 0;
    FileError e = importShortcutFolder(
        tree, root, kNoItem, [&](const std::string& c) { captions.push_back(c); }, &added);
    ASSERT_FALSE(e.failed()) << e.readMessage();
    EXPECT_EQ(sortedDescribe(tree),
              "B|http://b/;News|{inner|{deep|http://deep/;};n|http://n/;};"
              "Only others|;a|http://a/;c.d|http://c/;empty|;"
              "plain|no key here;zero|http://z/;" +
                  text::gbk("新闻") + "|http://xinwen/;");
    EXPECT_EQ(added, 12u);
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

TEST(ShortcutImport, ALinkBackUpIsNotFollowedForever) {
    testing::TempDir dir;
    std::string root = dir.file("fav");
    fs::create_directories(root + "/a");
    writeFile(root + "/a/x.url", "URL=http://x/");
    fs::create_directory_symlink("..", root + "/a/up");
    fs::create_directory_symlink("/nonexistent/target", root + "/broken.url");
    BookmarkTree tree;
    ASSERT_FALSE(importShortcutFolder(tree, root).failed());
    EXPECT_EQ(sortedDescribe(tree), "a|{up|;x|http://x/;};");
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
    // back as a folder; of two links of one name the later one stays.
    EXPECT_EQ(sortedDescribe(back),
              "both|{child|http://child/;};empty|;long|http://l/" + std::string(220, 'q') +
                  ";same|http://second/;" + text::gbk("新闻") +
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
                                        "a/b/out/_.url", "a/b/out/_/.._.._.._escaped.url",
                                        "a/b/out/_etc_x.url", "a/b/out/nul__x.url"}));
}

TEST(ShortcutExport, AShortcutInPlaceOfALinkReplacesTheLinkNotItsTarget) {
    testing::TempDir dir;
    fs::create_directory(dir.relative("out"));
    writeFile(dir.relative("outside.txt"), "keep me");
    fs::create_symlink("../outside.txt", dir.relative("out/x.url"));
    BookmarkTree tree;
    tree.InsertNode({"x", "http://x/", ""});
    ASSERT_FALSE(exportShortcutFolder(tree, dir.relative("out")).failed());
    EXPECT_EQ(readFile(dir.relative("outside.txt")), "keep me");
    EXPECT_FALSE(fs::is_symlink(dir.relative("out/x.url")));
    EXPECT_EQ(readFile(dir.relative("out/x.url")), internetShortcutText("http://x/"));
    // No temporary files stay behind.
    EXPECT_EQ(listing(dir.relative("out")), std::vector<std::string>{"x.url"});
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

TEST(ShortcutExport, AnEntryThatCannotBeWrittenStopsTheExportNamingIt) {
    testing::TempDir dir;
    fs::create_directory(dir.relative("out"));
    writeFile(dir.relative("out/Taken"), "a file where a folder goes");
    BookmarkTree tree;
    tree.InsertNode({"first", "http://1/", ""});
    ItemId taken = tree.InsertNode({"Taken", "", ""});
    tree.InsertNode({"inside", "http://in/", ""}, taken);
    tree.InsertNode({"after", "http://after/", ""});
    FileError e = exportShortcutFolder(tree, dir.relative("out"));
    ASSERT_TRUE(e.failed());
    EXPECT_EQ(e.path, dir.relative("out/Taken"));
    EXPECT_NE(e.writeMessage().find(dir.relative("out/Taken")), std::string::npos);
    EXPECT_EQ(listing(dir.relative("out")), (std::vector<std::string>{"Taken", "first.url"}));

    e = exportShortcutFolder(tree, dir.relative("missing"));
    ASSERT_TRUE(e.failed());
    EXPECT_EQ(e.path, dir.relative("missing/first.url"));
}

TEST(ShortcutExport, DeepTreesNeedNoDeepStack) {
    testing::TempDir dir;
    fs::create_directory(dir.relative("out"));
    BookmarkTree tree;
    ItemId parent = kNoItem;
    for (int i = 0; i < 5000; ++i)
        parent = tree.InsertNode({"d", "", ""}, parent);
    // The path soon grows past what the system takes: the export stops there with an error
    // instead of running out of stack.
    FileError e = exportShortcutFolder(tree, dir.relative("out"));
    EXPECT_TRUE(e.failed());
    EXPECT_EQ(e.errorNumber, ENAMETOOLONG);
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
    // A link that has children comes back as a folder; names are unique by construction.
    std::function<void(ItemId, ItemId)> copy = [&](ItemId from, ItemId to) {
        for (int r = 0; r < tree.childCount(from); ++r) {
            ItemId c = tree.child(from, r);
            NodeRecord rec = *tree.LookupRecord(c);
            if (tree.hasChildren(c))
                rec.address.clear();
            copy(c, expected.InsertNode(rec, to));
        }
    };
    copy(kNoItem, kNoItem);
    EXPECT_EQ(sortedDescribe(back), sortedDescribe(expected));
}

}  // namespace
}  // namespace brivanta
