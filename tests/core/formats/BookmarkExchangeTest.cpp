#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../TempDir.h"
#include "../TreeBuilders.h"
#include "core/formats/BookmarkExchange.h"
#include "core/formats/Exchange.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

using testing::describe;

// Through the import and export commands' routines: the bookmark file both ways, merging.
TEST(BookmarkExchange, ImportAddsBelowTheChosenEntryOnceAndSaysSo) {
    testing::TempDir dir;
    BookmarkTree source;
    ItemId news = source.InsertNode({text::gbk("新闻"), "", ""});
    source.InsertNode({text::gbk("头条 & \"要闻\""), "http://news.example/?a=1&b=2", ""}, news);
    source.InsertNode({"mail", "me@example.com", ""});
    std::filesystem::create_directory(dir.relative("dir"));
    std::filesystem::create_directory_symlink("dir", dir.relative("link"));
    ASSERT_FALSE(
        exportExchange(source, ExchangeFormat::BookmarkFile, dir.relative("dir/books.html")));

    BookmarkTree tree;
    ItemId into = tree.InsertNode({"into", "", ""});
    ImportSummary first =
        importBookmarks(tree, ExchangeFormat::BookmarkFile, dir.relative("link/books.html"), into);
    EXPECT_EQ(first.failure, "");
    EXPECT_EQ(first.added, 3u);
    EXPECT_EQ(first.skipped, 0u);
    EXPECT_EQ(describe(tree, into), describe(source));
    ImportSummary again =
        importBookmarks(tree, ExchangeFormat::BookmarkFile, dir.relative("dir/books.html"), into);
    EXPECT_EQ(again.added, 0u);
    EXPECT_EQ(again.skipped, 3u);
    EXPECT_EQ(describe(tree, into), describe(source));
    EXPECT_EQ(importSummaryText(again), "新增 0 个条目，跳过 3 个（已经存在或没有地址）。");
    // The importExchange route gives the same merge.
    EXPECT_FALSE(
        importExchange(tree, ExchangeFormat::BookmarkFile, dir.relative("dir/books.html"), into));
    EXPECT_EQ(describe(tree, into), describe(source));
}

TEST(BookmarkExchange, FailuresNameTheSourceAndBrowserStoresAreNeverWritten) {
    testing::TempDir dir;
    BookmarkTree tree;
    tree.InsertNode({"a", "http://a", ""});
    for (ExchangeFormat format : {ExchangeFormat::BookmarkFile, ExchangeFormat::FirefoxProfile,
                                  ExchangeFormat::ChromiumProfile}) {
        ImportSummary summary = importBookmarks(tree, format, dir.relative("missing/thing"));
        EXPECT_NE(summary.failure.find(dir.relative("missing/thing")), std::string::npos)
            << summary.failure;
        EXPECT_EQ(summary.added, 0u);
        std::string text = importSummaryText(summary);
        EXPECT_EQ(text.rfind(summary.failure, 0), 0u) << text;
        EXPECT_TRUE(importExchange(tree, format, dir.relative("missing/thing")));
    }
    EXPECT_EQ(tree.size(), 1u);
    std::filesystem::create_directory(dir.relative("profile"));
    EXPECT_TRUE(exportExchange(tree, ExchangeFormat::FirefoxProfile, dir.relative("profile")));
    EXPECT_TRUE(
        exportExchange(tree, ExchangeFormat::ChromiumProfile, dir.relative("profile/Bookmarks")));
    EXPECT_FALSE(std::filesystem::exists(dir.relative("profile/Bookmarks")));
}

TEST(BookmarkExchange, SummarySaysWhenTheTreeWasFull) {
    ImportSummary summary;
    summary.added = 7;
    summary.skipped = 2;
    summary.full = true;
    EXPECT_EQ(importSummaryText(summary),
              "新增 7 个条目，跳过 2 个（已经存在或没有地址）。\n书签已满，其余条目没有导入。");
}

}  // namespace
}  // namespace brivanta
