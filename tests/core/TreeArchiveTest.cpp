#include <gtest/gtest.h>

#include <filesystem>

#include "ChildDirectory.h"
#include "TempDir.h"
#include "TreeBuilders.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

using testing::describe;

std::string save(BookmarkTree& tree, ItemId start = kNoItem) {
    std::string out;
    StringSink sink(out);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer, start);
    writer.flush();
    return out;
}

size_t load(BookmarkTree& tree, const std::string& bytes, ItemId start = kNoItem) {
    MemorySource source(bytes);
    ArchiveReader reader(source);
    return SerializeTree(tree, reader, start);
}

std::string str(const std::string& s) {
    return std::string(1, static_cast<char>(s.size())) + s;
}

// P{Q(q.htm), R{S(s.htm)}}, T(t.htm)
struct WorkedExample {
    BookmarkTree tree;
    ItemId p, q, r, s, t;
    WorkedExample() {
        p = tree.InsertNode({"P", "", ""});
        q = tree.InsertNode({"Q", "q.htm", ""}, p);
        r = tree.InsertNode({"R", "", ""}, p);
        s = tree.InsertNode({"S", "s.htm", ""}, r);
        t = tree.InsertNode({"T", "t.htm", ""});
    }
};

TEST(TreeArchive, WorkedExampleBytes) {
    WorkedExample ex;
    std::string expected = str("P") + str(" ") + str("->Q") + str("q.htm") + str("R") + str(" ") +
                           str("->S") + str("s.htm") + str("||T") + str("t.htm");
    std::string bytes = save(ex.tree);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x01\x50\x01\x20", 4));
    EXPECT_EQ(bytes.substr(4, 10), std::string("\x03\x2D\x3E\x51\x05\x71\x2E\x68\x74\x6D", 10));

    BookmarkTree back;
    EXPECT_EQ(load(back, bytes), 5u);
    EXPECT_EQ(describe(back), "P|{Q|q.htm;R|{S|s.htm;};};T|t.htm;");
}

TEST(TreeArchive, SubtreeWithStartItemAndLoadingItElsewhere) {
    WorkedExample ex;
    std::string bytes = save(ex.tree, ex.r);
    // The start item has no prefix, its child "->"; nothing outside the subtree is written.
    EXPECT_EQ(bytes, str("R") + str(" ") + str("->S") + str("s.htm"));

    ItemId host = ex.tree.InsertNode({"Host", "", ""});
    load(ex.tree, bytes, host);
    EXPECT_EQ(describe(ex.tree, host), "R|{S|s.htm;};");
}

TEST(TreeArchive, DeepReturnsUseOneBarPerLevel) {
    BookmarkTree tree;
    ItemId a = tree.InsertNode({"a", "", ""});
    ItemId b = tree.InsertNode({"b", "", ""}, a);
    ItemId c = tree.InsertNode({"c", "", ""}, b);
    tree.InsertNode({"d", "x", ""}, c);
    tree.InsertNode({"e", "y", ""}, a);  // back up two levels from d
    tree.InsertNode({"f", "z", ""});     // back up to the top from e
    std::string bytes = save(tree);
    EXPECT_NE(bytes.find(str("||e")), std::string::npos);
    EXPECT_NE(bytes.find(str("|f")), std::string::npos);
    BookmarkTree back;
    load(back, bytes);
    EXPECT_EQ(describe(back), describe(tree));
}

TEST(TreeArchive, EmptyTreesAndLonelyFolders) {
    BookmarkTree empty;
    EXPECT_EQ(save(empty), "");
    EXPECT_EQ(load(empty, ""), 0u);
    EXPECT_TRUE(empty.empty());

    BookmarkTree folder;
    folder.InsertNode({"F", "", ""});
    EXPECT_EQ(save(folder), str("F") + str(" "));
}

TEST(TreeArchive, AddressBookRecordsHaveThreeStrings) {
    BookmarkTree book(kAddressBookTree);
    ItemId c = book.InsertNode({"Li", "", "\xC4\xD0"});  // 男
    book.InsertNode({"555", "555", ""}, c);
    std::string bytes = save(book);
    EXPECT_EQ(bytes, str("Li") + str(" ") + str("\xC4\xD0") + str("->555") + str("555") + str(" "));

    BookmarkTree back(kAddressBookTree);
    load(back, bytes);
    EXPECT_EQ(describe(back), describe(book));

    // Read with the wrong width, the stream is misread but nothing breaks.
    BookmarkTree wrong(kCustomTree);
    EXPECT_EQ(load(wrong, bytes), 3u);
}

TEST(TreeArchive, NamesThatLookLikePrefixes) {
    BookmarkTree tree;
    tree.InsertNode({"A", "a", ""});
    tree.InsertNode({"->x", "b", ""});
    tree.InsertNode({"  lead", "c", ""});
    BookmarkTree back;
    load(back, save(tree));
    // "->x" at the top comes back as a child of the entry before it; leading blanks vanish.
    // and what follows stays at that level.
    EXPECT_EQ(describe(back), "A|a{x|b;lead|c;};");
}

TEST(TreeArchive, BarsClimbingAboveTheStartLandAtTheTop) {
    BookmarkTree tree;
    ItemId host = tree.InsertNode({"Host", "", ""});
    std::string bytes = str("a") + str("1") + str("|||b") + str("2");
    load(tree, bytes, host);
    EXPECT_EQ(describe(tree), "Host|{a|1;};b|2;");
}

TEST(TreeArchive, LoadingAppendsAfterWhatIsThere) {
    BookmarkTree tree;
    tree.InsertNode({"old", "o", ""});
    load(tree, str("new") + str("n"));
    EXPECT_EQ(describe(tree), "old|o;new|n;");
}

TEST(TreeArchive, TruncatedDataKeepsEveryWholeRecord) {
    WorkedExample ex;
    std::string bytes = save(ex.tree);
    size_t wholeRecords = 0;
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        BookmarkTree back;
        size_t n = load(back, bytes.substr(0, cut));
        EXPECT_GE(n, wholeRecords) << cut;  // never fewer than a shorter cut gave
        wholeRecords = n;
        EXPECT_EQ(back.size(), n);
    }
    EXPECT_EQ(wholeRecords, 5u);
}

TEST(TreeArchive, RandomTreesRoundTrip) {
    std::mt19937 rng(20261208);
    for (int kind : {kCustomTree, kAddressBookTree}) {
        for (int round = 0; round < 20; ++round) {
            BookmarkTree tree(kind);
            testing::fillRandomTree(tree, rng, 1 + static_cast<int>(rng() % 300), 8);
            BookmarkTree back(kind);
            load(back, save(tree));
            ASSERT_EQ(describe(back), describe(tree)) << "kind " << kind << " round " << round;
        }
    }
}

TEST(TreeArchive, ProgressSeesEveryLabel) {
    WorkedExample ex;
    std::vector<std::string> written;
    std::string out;
    StringSink sink(out);
    ArchiveWriter writer(sink);
    SerializeTree(ex.tree, writer, kNoItem, [&](const std::string& l) { written.push_back(l); });
    writer.flush();
    EXPECT_EQ(written, (std::vector<std::string>{"P", "Q", "R", "S", "T"}));

    std::vector<std::string> read;
    BookmarkTree back;
    MemorySource source(out);
    ArchiveReader reader(source);
    SerializeTree(back, reader, kNoItem, [&](const std::string& l) { read.push_back(l); });
    EXPECT_EQ(read, written);
}

TEST(TreeArchive, WritesLabelsNotNames) {
    BookmarkTree tree;
    ItemId a = tree.InsertNode({"before", "x", ""});
    tree.SetRecord(a, {"after", "x", ""});
    EXPECT_EQ(save(tree), str("before") + str("x"));
    tree.setLabel(a, "after");
    EXPECT_EQ(save(tree), str("after") + str("x"));
}

TEST(ArchiveFileName, PathRule) {
    EXPECT_EQ(archiveFileName("abc", false), "Data/abc.bvk");
    EXPECT_EQ(archiveFileName("abc.txt", false), "Data/abc.txt");
    EXPECT_EQ(archiveFileName("abc.ads", false), "Data/abc.ads");
    EXPECT_EQ(archiveFileName("/home/u/abc", false), "/home/u/abc.bvk");
    EXPECT_EQ(archiveFileName("C:\\u\\abc", false), "C:\\u\\abc.bvk");
    EXPECT_EQ(archiveFileName("abc", true), "abc.bvk");
    EXPECT_EQ(archiveFileName("zhang.san", false), "Data/zhang.san");
}

TEST(TreeFiles, SaveAndLoadThroughThePathRule) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir.file("Data"));
    WorkedExample ex;
    // Bare names resolve from the working directory: the saves and loads run where it is
    // `dir`, and the files are looked for here by their full paths.
    EXPECT_TRUE(testing::inChildDirectory(dir.path(), [&] {
        ASSERT_FALSE(SaveTree(ex.tree, "alice").failed());
        BookmarkTree back;
        EXPECT_TRUE(LoadTree(back, "alice"));
        EXPECT_EQ(describe(back), describe(ex.tree));
        // With a start item the name stays in the working directory.
        ASSERT_FALSE(SaveTree(ex.tree, "branch", ex.r).failed());

        BookmarkTree none;
        EXPECT_FALSE(LoadTree(none, "nobody"));
        EXPECT_FALSE(LoadTree(none, ""));
        EXPECT_TRUE(SaveTree(none, "").failed());
        EXPECT_TRUE(none.empty());
    }));
    EXPECT_TRUE(std::filesystem::exists(dir.file("Data/alice.bvk")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("branch.bvk")));
}

TEST(TreeFiles, AFailedSaveLeavesTheOldFileAndNamesIt) {
    testing::TempDir dir;
    WorkedExample ex;
    std::string path = dir.file("tree.bvk");
    ASSERT_FALSE(saveArchiveFile(ex.tree, path).failed());
    std::string before;
    readWholeFile(path, before);

    // No such directory: the error names the file.
    FileError missing = saveArchiveFile(ex.tree, dir.file("nodir/tree.bvk"));
    ASSERT_TRUE(missing.failed());
    EXPECT_NE(missing.writeMessage().find("nodir/tree.bvk"), std::string::npos);

    // The target is a directory: the rename fails, the temporary file is cleaned up.
    std::filesystem::create_directory(dir.file("taken.bvk"));
    EXPECT_TRUE(saveArchiveFile(ex.tree, dir.file("taken.bvk")).failed());
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 2u);  // tree.bvk and taken.bvk, no leftovers

    std::string after;
    readWholeFile(path, after);
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace brivanta
