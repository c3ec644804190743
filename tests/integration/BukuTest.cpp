// Our bookmark files against a real third-party client: buku (a command-line bookmark
// manager from Debian) imports what we export and we import what it exports, entry for entry.
// buku runs with its own data directory in a temporary directory and, where the system
// allows it, in a network namespace of its own: it never goes online.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <string>

#include "IntegrationSupport.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeMerger.h"

namespace brivanta::integration {
namespace {

bool haveBuku() {
    return std::system("command -v buku >/dev/null 2>&1") == 0;
}

// Runs buku with `args` on the data directory below `dir`; true when it exits with 0.
bool buku(const TempDir& dir, const std::string& args) {
    static const bool isolated = std::system("unshare -rn true >/dev/null 2>&1") == 0;
    std::string command =
        "cd " + shellQuote(dir.path("")) + " && env HOME=" + shellQuote(dir.path("")) +
        " XDG_DATA_HOME=" + shellQuote(dir.path("xdg")) + (isolated ? " unshare -rn" : "") +
        " buku --nostdin --tacit " + args + " >buku.out 2>&1 </dev/null";
    return std::system(command.c_str()) == 0;
}

struct BukuRecord {
    std::string title;
    std::string tags;
};

// URL -> title and tags, read from buku's own database.
std::map<std::string, BukuRecord> bukuRecords(const TempDir& dir) {
    std::map<std::string, BukuRecord> records;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dir.path("xdg/buku/bookmarks.db").c_str(), &db, SQLITE_OPEN_READONLY,
                        nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT URL, metadata, tags FROM bookmarks", -1, &statement,
                               nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                auto column = [&](int i) {
                    const unsigned char* v = sqlite3_column_text(statement, i);
                    return v ? std::string(reinterpret_cast<const char*>(v)) : std::string();
                };
                records[column(0)] = {column(1), column(2)};
            }
            sqlite3_finalize(statement);
        }
    }
    sqlite3_close(db);
    return records;
}

// Every link of a tree: address -> name and the name of its folder, in UTF-8.
struct Link {
    std::string name;
    std::string folder;
};
std::map<std::string, Link> linksOf(const BookmarkTree& tree) {
    std::map<std::string, Link> links;
    for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
        RecordRef record = tree.LookupRecord(item);
        if (record == nullptr || record->address.empty())
            continue;
        ItemId parent = tree.parent(item);
        links[text::toUtf8(record->address)] = {
            text::toUtf8(record->name),
            parent == kNoItem ? std::string() : text::toUtf8(tree.LookupRecord(parent)->name)};
    }
    return links;
}

TEST(Buku, AgreesWithUsEntryForEntry) {
    if (!haveBuku())
        GTEST_SKIP() << "buku is not installed (scripts/install-deps installs it)";
    // buku keeps one record per address, so every address here is different.
    BookmarkTree tree;
    ItemId news = tree.InsertNode({text::gbk("新闻"), "", ""});
    tree.InsertNode({text::gbk("新浪 & 网易"), "http://sina.com.cn/?a=1&b=2", ""}, news);
    tree.InsertNode({text::fromUtf8("字外 𠀀 😀 €"), "https://example.com/emoji", ""}, news);
    ItemId deep = tree.InsertNode({text::gbk("技术"), "", ""}, news);
    tree.InsertNode({"C++ <templates> \"quoted\"", "https://cpp.example/templates", ""}, deep);
    for (int i = 0; i < 50; ++i) {
        tree.InsertNode({text::gbk("链接 ") + std::to_string(i),
                         "https://many.example/" + std::to_string(i), ""},
                        deep);
    }
    tree.InsertNode({text::gbk("顶层"), "mailto:someone@example.com", ""});
    std::map<std::string, Link> ours = linksOf(tree);
    ASSERT_EQ(ours.size(), 54u);

    TempDir dir;
    ASSERT_FALSE(exportNetscapeFile(tree, dir.path("ours.html")).failed());
    ASSERT_TRUE(buku(dir, "-i ours.html"));
    std::map<std::string, BukuRecord> theirs = bukuRecords(dir);
    ASSERT_EQ(theirs.size(), ours.size());
    for (const auto& [address, link] : ours) {
        auto found = theirs.find(address);
        ASSERT_NE(found, theirs.end()) << address;
        EXPECT_EQ(found->second.title, link.name) << address;
        // buku turns the folder into a tag.
        if (!link.folder.empty()) {
            EXPECT_NE(found->second.tags.find(link.folder), std::string::npos) << address;
        }
    }

    // buku's export: every record in one folder of its own, names written without escaping.
    ASSERT_TRUE(buku(dir, "-e theirs.html"));
    BookmarkTree back;
    TreeMerger merger(back);
    ASSERT_FALSE(importNetscapeFile(dir.path("theirs.html"), merger).failed());
    std::map<std::string, Link> imported = linksOf(back);
    ASSERT_EQ(imported.size(), ours.size());
    for (const auto& [address, link] : ours) {
        auto found = imported.find(address);
        ASSERT_NE(found, imported.end()) << address;
        EXPECT_EQ(found->second.name, link.name) << address;
        EXPECT_EQ(found->second.folder, "buku bookmarks");
    }
}

}  // namespace
}  // namespace brivanta::integration
