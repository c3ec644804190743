// What an import tells it added: the first entry of each new subtree, from which the desktop
// makes its undo step, whatever the format.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "TreeBuilders.h"
#include "core/formats/BookmarkExchange.h"
#include "core/formats/Exchange.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {
namespace {

std::vector<std::string> names(const BookmarkTree& tree, const std::vector<ItemId>& items) {
    std::vector<std::string> out;
    for (ItemId item : items)
        out.push_back(tree.LookupRecord(item)->name);
    return out;
}

TEST(ImportedEntries, AMergeNamesWhatItAddedToFoldersThatWereThere) {
    BookmarkTree tree;
    ItemId work = tree.InsertNode({"Work", "", ""});
    tree.InsertNode({"Mail", "http://mail/", ""}, work);
    TreeMerger merger(tree);
    merger.openFolder("Work");               // there already
    merger.addLink("Mail", "http://mail/");  // there already
    merger.addLink("Wiki", "http://wiki/");  // new in an old folder: a root
    merger.openFolder("Deep");               // new folder: a root ...
    merger.addLink("Docs", "http://docs/");  // ... holding a new link: not one
    merger.closeFolder();
    merger.closeFolder();
    merger.addLink("Top", "http://top/");
    EXPECT_EQ(names(tree, merger.roots()), (std::vector<std::string>{"Wiki", "Deep", "Top"}));
    EXPECT_EQ(merger.added(), 4u);
}

// The formats that append below the chosen entry.
class AppendingImport : public ::testing::TestWithParam<ExchangeFormat> {};

TEST_P(AppendingImport, NamesTheEntriesItAppended) {
    testing::TempDir dir;
    const std::string source = dir.path() + "/source";
    {
        BookmarkTree from;
        ItemId folder = from.InsertNode({"Folder", "", ""});
        from.InsertNode({"Inner", "http://inner.example/", ""}, folder);
        from.InsertNode({"Link", "http://link.example/", ""});
        if (GetParam() == ExchangeFormat::ArchiveFile) {
            ASSERT_FALSE(saveArchiveFile(from, source).failed());
        } else {
            std::filesystem::create_directory(source);
            // A favorites folder is written into a folder that is there.
            if (GetParam() == ExchangeFormat::ShortcutFolder)
                std::filesystem::create_directory(source + "/out");
            ASSERT_FALSE(exportExchange(from, GetParam(), source + "/out", kNoItem).failed());
        }
    }
    const std::string path = GetParam() == ExchangeFormat::ArchiveFile ? source : source + "/out";
    BookmarkTree tree;
    ItemId target = tree.InsertNode({"Target", "", ""});
    tree.InsertNode({"Old", "http://old.example/", ""}, target);
    EntriesAdded added;
    ASSERT_FALSE(
        importExchange(tree, GetParam(), path, target, {}, nullptr, nullptr, &added).failed());
    ASSERT_FALSE(added.roots.empty());
    EXPECT_EQ(added.count, tree.size() - 2);
    for (ItemId root : added.roots)
        EXPECT_EQ(tree.parent(root), target);
    EXPECT_EQ(tree.child(target, 1), added.roots.front());
    EXPECT_EQ(added.roots.size(), static_cast<size_t>(tree.childCount(target) - 1));
}

INSTANTIATE_TEST_SUITE_P(Formats, AppendingImport,
                         ::testing::Values(ExchangeFormat::ArchiveFile, ExchangeFormat::HtmlPage,
                                           ExchangeFormat::ShortcutFolder));

}  // namespace
}  // namespace brivanta
