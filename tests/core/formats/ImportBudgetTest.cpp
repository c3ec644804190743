#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "../TempDir.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/BrowserImport.h"
#include "core/formats/HtmlPage.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/ShortcutFolder.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/ImportBudget.h"
#include "core/trees/TreeMerger.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

// One entry of a source in pre-order: its level (1 for the top) and record; no address makes
// a folder.
struct Source {
    int level;
    std::string name;
    std::string address;
};

// A chain of `folders` nested folders with one link at the bottom.
std::vector<Source> chain(int folders) {
    std::vector<Source> out;
    for (int i = 1; i <= folders; ++i)
        out.push_back({i, "f" + std::to_string(i), ""});
    out.push_back({folders + 1, "leaf", "http://leaf.example/"});
    return out;
}

std::vector<Source> flatLinks(int count) {
    std::vector<Source> out;
    for (int i = 0; i < count; ++i)
        out.push_back({1, "n" + std::to_string(i), "http://e/" + std::to_string(i)});
    return out;
}

// The depth prefix of each record as the tree file writes it.
std::vector<std::string> prefixes(const std::vector<Source>& entries) {
    std::vector<std::string> out;
    int previous = 1;
    for (const Source& e : entries) {
        out.push_back(
            e.level > previous ? "->" : std::string(static_cast<size_t>(previous - e.level), '|'));
        previous = e.level;
    }
    return out;
}

std::string archiveBytes(const std::vector<Source>& entries) {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    std::vector<std::string> p = prefixes(entries);
    for (size_t i = 0; i < entries.size(); ++i) {
        writer.writeString(p[i] + entries[i].name);
        writer.writeString(entries[i].address.empty() ? " " : entries[i].address);
    }
    writer.flush();
    return bytes;
}

std::string htmlPage(const std::vector<Source>& entries) {
    std::string page = htmlPageHeader();
    std::vector<std::string> p = prefixes(entries);
    for (size_t i = 0; i < entries.size(); ++i) {
        page += "<tr><td>" + p[i] + entries[i].name + "</td><td><a href='" + entries[i].address +
                "'>" + entries[i].address + "</a></td></tr>";
    }
    return page + std::string(kHtmlPageFooter);
}

std::string netscapePage(const std::vector<Source>& entries) {
    std::string page = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    int open = 0;  // folders open
    for (const Source& e : entries) {
        for (; open >= e.level; --open)
            page += "</DL><p>\n";
        if (e.address.empty()) {
            page += "<DT><H3>" + e.name + "</H3>\n<DL><p>\n";
            open = e.level;
        } else {
            page += "<DT><A HREF=\"" + e.address + "\">" + e.name + "</A>\n";
        }
    }
    for (; open > 0; --open)
        page += "</DL><p>\n";
    return page + "</DL><p>\n";
}

// Chromium writes "children" before "name" and "type": the reader must wait for the name.
std::string chromiumJson(const std::vector<Source>& entries) {
    std::string json = R"({"roots":{"bookmark_bar":{"children":[)";
    std::vector<const Source*> open;
    bool first = true;
    auto closeFolder = [&] {
        json += R"(],"name":")" + open.back()->name + R"(","type":"folder"})";
        open.pop_back();
        first = false;
    };
    for (const Source& e : entries) {
        while (static_cast<int>(open.size()) >= e.level)
            closeFolder();
        if (!first)
            json += ",";
        first = false;
        if (e.address.empty()) {
            json += R"({"children":[)";
            open.push_back(&e);
            first = true;
        } else {
            json += R"({"name":")" + e.name + R"(","type":"url","url":")" + e.address + "\"}";
        }
    }
    while (!open.empty())
        closeFolder();
    return json + R"(],"name":"bar","type":"folder"}},"version":1})";
}

void writeFavorites(const std::string& root, const std::vector<Source>& entries) {
    std::vector<std::string> path{root};
    fs::create_directories(root);
    for (const Source& e : entries) {
        path.resize(static_cast<size_t>(e.level));
        std::string here = path.back() + "/" + e.name;
        if (e.address.empty()) {
            fs::create_directory(here);
            path.push_back(here);
        } else {
            std::ofstream(here + ".url", std::ios::binary) << internetShortcutText(e.address);
        }
    }
}

// Imports `entries` in one format below `parent` and returns the budget as the reader left it.
using Importer = std::function<ImportBudget(BookmarkTree&, ItemId, const std::vector<Source>&,
                                            ImportBudget, const testing::TempDir&)>;

struct Reader {
    const char* what;
    Importer import;
    // Folders the format puts above the entries (a browser's root).
    std::vector<std::string> above;
};

const Reader kReaders[] = {
    {"tree_file",
     [](BookmarkTree& tree, ItemId parent, const std::vector<Source>& entries, ImportBudget budget,
        const testing::TempDir&) {
         std::string bytes = archiveBytes(entries);
         MemorySource source(bytes);
         ArchiveReader reader(source);
         SerializeTree(tree, reader, parent, {}, &budget);
         return budget;
     },
     {}},
    {"html_page",
     [](BookmarkTree& tree, ItemId parent, const std::vector<Source>& entries, ImportBudget budget,
        const testing::TempDir&) {
         importHtmlText(tree, htmlPage(entries), parent, {}, &budget);
         return budget;
     },
     {}},
    {"bookmark_file",
     [](BookmarkTree& tree, ItemId parent, const std::vector<Source>& entries, ImportBudget budget,
        const testing::TempDir&) {
         TreeMerger merger(tree, parent, {}, budget);
         parseNetscapeBookmarks(netscapePage(entries), merger);
         return merger.budget();
     },
     {}},
    {"chromium",
     [](BookmarkTree& tree, ItemId parent, const std::vector<Source>& entries, ImportBudget budget,
        const testing::TempDir& dir) {
         std::ofstream(dir.file("Bookmarks"), std::ios::binary) << chromiumJson(entries);
         TreeMerger merger(tree, parent, {}, budget);
         EXPECT_EQ(importChromiumBookmarks(dir.file("Bookmarks"), merger), "");
         return merger.budget();
     },
     {"书签栏"}},
    {"favorites_folder",
     [](BookmarkTree& tree, ItemId parent, const std::vector<Source>& entries, ImportBudget budget,
        const testing::TempDir& dir) {
         writeFavorites(dir.file("fav"), entries);
         EXPECT_FALSE(importShortcutFolder(tree, dir.file("fav"), parent, {}, nullptr, &budget));
         return budget;
     },
     {}},
};

// Every entry in pre-order as "level name".
std::vector<std::string> levels(const BookmarkTree& tree) {
    std::vector<std::string> out;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        out.push_back(std::to_string(depth + 1) + " " + text::toUtf8(tree.label(item)));
    });
    return out;
}

class ImportLimits : public ::testing::TestWithParam<Reader> {};

TEST_P(ImportLimits, EntriesBelowTheDepthLimitAreAttachedAtItInOrder) {
    testing::TempDir dir;
    BookmarkTree tree;
    const int limit = 5;
    ImportBudget budget = GetParam().import(
        tree, kNoItem, chain(12),
        ImportBudget(ImportBudget::kMaxEntries, ImportBudget::kMaxMemory, limit), dir);
    std::vector<std::string> expected;
    int level = 1;
    for (const std::string& name : GetParam().above)
        expected.push_back(std::to_string(level++) + " " + name);
    size_t deeper = 0;
    for (const Source& e : chain(12)) {
        int wanted = e.level + static_cast<int>(GetParam().above.size());
        deeper += wanted > limit ? 1 : 0;
        expected.push_back(std::to_string(std::min(wanted, limit)) + " " + e.name);
    }
    EXPECT_EQ(levels(tree), expected);
    EXPECT_EQ(budget.flattened(), deeper);
    EXPECT_FALSE(budget.stopped());
    EXPECT_NE(importBudgetText(budget).find(std::to_string(deeper) + " 个条目深于 5 层"),
              std::string::npos)
        << importBudgetText(budget);
}

TEST_P(ImportLimits, TheLimitCountsFromTheTopOfTheTree) {
    testing::TempDir dir;
    BookmarkTree tree;
    ItemId a = tree.InsertNode({"a", "", ""});
    ItemId b = tree.InsertNode({"b", "", ""}, a);
    ImportBudget budget = GetParam().import(
        tree, b, chain(3), ImportBudget(ImportBudget::kMaxEntries, ImportBudget::kMaxMemory, 4),
        dir);
    int deepest = 0;
    forEachPreOrder(tree, kNoItem,
                    [&](ItemId, int depth) { deepest = std::max(deepest, depth + 1); });
    EXPECT_EQ(deepest, 4);
    EXPECT_EQ(tree.size(), 2 + GetParam().above.size() + 4);
    EXPECT_GT(budget.flattened(), 0u);
}

TEST_P(ImportLimits, StopsAtTheEntryLimitAndSaysWhere) {
    testing::TempDir dir;
    BookmarkTree tree;
    ImportBudget budget = GetParam().import(tree, kNoItem, flatLinks(10), ImportBudget(3), dir);
    EXPECT_EQ(tree.size(), 3u);
    EXPECT_EQ(budget.stop(), ImportBudget::Stop::Entries);
    EXPECT_NE(importBudgetText(budget).find("最多 3 个条目"), std::string::npos)
        << importBudgetText(budget);
}

TEST_P(ImportLimits, StopsAtTheMemoryLimit) {
    testing::TempDir dir;
    BookmarkTree tree;
    // Room for two entries of short texts (128 bytes each besides the text), not three.
    ImportBudget budget = GetParam().import(tree, kNoItem, flatLinks(10),
                                            ImportBudget(ImportBudget::kMaxEntries, 400), dir);
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_EQ(budget.stop(), ImportBudget::Stop::Memory);
    EXPECT_NE(importBudgetText(budget).find("内存"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Readers, ImportLimits, ::testing::ValuesIn(kReaders),
                         [](const auto& row) { return std::string(row.param.what); });

TEST(ImportDepth, TheUsersOwnFileLoadsWholeHoweverDeep) {
    testing::TempDir dir;
    std::ofstream(dir.file("deep.bvk"), std::ios::binary) << archiveBytes(chain(1500));
    BookmarkTree tree;
    ASSERT_TRUE(loadArchiveFile(tree, dir.file("deep.bvk")));
    EXPECT_EQ(tree.size(), 1501u);
    int deepest = 0;
    forEachPreOrder(tree, kNoItem,
                    [&](ItemId, int depth) { deepest = std::max(deepest, depth + 1); });
    EXPECT_EQ(deepest, 1501);
    // Brought in from elsewhere, the same file is cut down to the import limit.
    BookmarkTree imported;
    ImportBudget budget;
    ASSERT_TRUE(
        loadArchiveFile(imported, dir.file("deep.bvk"), kNoItem, nullptr, nullptr, &budget));
    EXPECT_EQ(imported.size(), 1501u);
    EXPECT_EQ(budget.flattened(), 501u);
}

}  // namespace
}  // namespace brivanta

namespace brivanta {
namespace {

TEST(ImportDepth, ChromiumStopsReadingTextsPastTheMemoryLimit) {
    // One name longer than the whole budget: the reading stops there instead of holding it.
    testing::TempDir dir;
    std::vector<Source> entries = flatLinks(3);
    entries[1].name = std::string(5000, 'x');
    std::ofstream(dir.file("Bookmarks"), std::ios::binary) << chromiumJson(entries);
    BookmarkTree tree;
    TreeMerger merger(tree, kNoItem, {}, ImportBudget(ImportBudget::kMaxEntries, 4000));
    EXPECT_EQ(importChromiumBookmarks(dir.file("Bookmarks"), merger), "");
    EXPECT_EQ(merger.budget().stop(), ImportBudget::Stop::Memory);
    // What came before the long name is imported.
    EXPECT_EQ(levels(tree), (std::vector<std::string>{"1 书签栏", "2 n0"}));
}

}  // namespace
}  // namespace brivanta
