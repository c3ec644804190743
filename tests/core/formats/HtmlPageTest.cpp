#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "../TempDir.h"
#include "../TreeBuilders.h"
#include "core/formats/FileStreams.h"
#include "core/formats/HtmlEntities.h"
#include "core/formats/HtmlPage.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

using testing::describe;

std::string row(const std::string& name, const std::string& address) {
    return "<tr><td>" + name + "</td><td><a href='" + address + "'>" + address + "</a></td></tr>";
}

std::string page(const std::string& rows) {
    return htmlPageHeader() + rows + "</table></body></html>";
}

// A{a1, a2}, B
struct FolderAndLink {
    BookmarkTree tree;
    ItemId a, a1, a2, b;
    FolderAndLink() {
        a = tree.InsertNode({"A", "", ""});
        a1 = tree.InsertNode({"a1", "http://a/1.htm", ""}, a);
        a2 = tree.InsertNode({"a2", "http://a/2.htm", ""}, a);
        b = tree.InsertNode({"B", "mailto:b@c.d", ""});
    }
};

TEST(HtmlPage, HeaderIsTheFixedGbkText) {
    const std::string& header = htmlPageHeader();
    EXPECT_TRUE(header.starts_with(
        "<html><head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'>"
        "<title>Brivanta\xB5\xBC\xB3\xF6\xCE\xC4\xBC\xFE</title>"
        "<style><!--  A:link {text-decoration: none; color: #000080; font-family: "
        "\xCB\xCE\xCC\xE5}"));
    EXPECT_NE(
        header.find("A:hover {text-decoration: none; color: #ff0000}td {font-family: "
                    "'\xCB\xCE\xCC\xE5', 'Arial', 'Times New Roman';font-size:10pt;}--></style>"),
        std::string::npos);
    EXPECT_TRUE(header.ends_with(
        "<base target='_blank'></head><body bgcolor=#cccccc text=green>"
        "<table border=1 cellspacing=0 align=center  bgcolor=#c0c0c0 bordercolor=#000000 "
        "bordercolordark=#ffffff>"));
    EXPECT_EQ(header.find_first_of("\r\n"), std::string::npos);
}

TEST(HtmlPage, WholeTreeGivesOneRowPerEntryWithDepthPrefixes) {
    FolderAndLink t;
    std::vector<std::string> seen;
    std::string text =
        htmlPageText(t.tree, kNoItem, [&](const std::string& n) { seen.push_back(n); });
    EXPECT_EQ(text, page(row("A", " ") + row("->a1", "http://a/1.htm") +
                         row("a2", "http://a/2.htm") + row("|B", "mailto:b@c.d")));
    EXPECT_EQ(seen.size(), 4u);
}

TEST(HtmlPage, SubtreeStartsWithItsOwnRowAndALinkAloneIsOneRow) {
    FolderAndLink t;
    EXPECT_EQ(htmlPageText(t.tree, t.a),
              page(row("A", " ") + row("->a1", "http://a/1.htm") + row("a2", "http://a/2.htm")));
    EXPECT_EQ(htmlPageText(t.tree, t.a2), page(row("a2", "http://a/2.htm")));
    BookmarkTree empty;
    EXPECT_EQ(htmlPageText(empty), page(""));
}

TEST(HtmlPage, NamesAndAddressesAreEscapedButPrefixesAreNot) {
    BookmarkTree tree;
    ItemId f = tree.InsertNode({"<b>\"R&D\"</b>", "", ""});
    tree.InsertNode({"it's <script>alert(1)</script>", "http://x/?a=1&b='><img src=x>", ""}, f);
    std::string text = htmlPageText(tree);
    std::string rows = text.substr(htmlPageHeader().size());
    EXPECT_EQ(rows, row("&lt;b&gt;&quot;R&amp;D&quot;&lt;/b&gt;", " ") +
                        row("->it&#39;s &lt;script&gt;alert(1)&lt;/script&gt;",
                            "http://x/?a=1&amp;b=&#39;&gt;&lt;img src=x&gt;") +
                        "</table></body></html>");

    BookmarkTree back;
    importHtmlText(back, text);
    EXPECT_EQ(describe(back), describe(tree));
}

TEST(HtmlPage, RoundTripRebuildsTheTreeAtTopLevelAndBelowAnEntry) {
    std::mt19937 rng(7);
    BookmarkTree tree;
    testing::fillRandomTree(tree, rng, 400, 6);
    std::string text = htmlPageText(tree);

    BookmarkTree back;
    EXPECT_EQ(importHtmlText(back, text), 400u);
    EXPECT_EQ(describe(back), describe(tree));

    // Into a selected entry: everything becomes its children, after what it holds.
    BookmarkTree other;
    ItemId target = other.InsertNode({"target", "", ""});
    other.InsertNode({"old", "http://old/", ""}, target);
    importHtmlText(other, text, target);
    EXPECT_EQ(describe(other), "target|{old|http://old/;" + describe(tree) + "};");
}

TEST(HtmlPage, OlderUnescapedPagesStillImport) {
    // As earlier versions wrote them: nothing escaped. An apostrophe in a name is harmless; an
    // address holding "'>" is cut there.
    std::string old =
        page(row("Tom's", " ") + row("->a<b", "http://x/'>y") + row("|c", "http://c/"));
    BookmarkTree tree;
    EXPECT_EQ(importHtmlText(tree, old), 3u);
    EXPECT_EQ(describe(tree), "Tom's|{a<b|http://x/;};c|http://c/;");
}

TEST(HtmlPage, ImportReadsOnlyWellFormedRowsBeforeAZeroByte) {
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    } cases[] = {
        {"no rows", "<html><body><p>nothing</p></body></html>", ""},
        {"empty", "", ""},
        {"rows at the very start", row("x", "http://x/") + row("y", "http://y/"),
         "x|http://x/;y|http://y/;"},
        {"text around rows", "junk<tr><td>x</td><td><a href='u'>ignored</a>junk" + row("y", "v"),
         "x|u;y|v;"},
        {"row without its own link marker reaches into the next row",
         row("x", "u") + "<tr><td>broken</td></tr>" + row("y", "v"),
         "x|u;broken</td></tr><tr><td>y|v;"},
        {"row without end of link ends the rows", row("x", "u") + "<tr><td>y</td><td><a href='open",
         "x|u;"},
        {"zero byte ends the text", row("x", "u") + std::string(1, '\0') + row("y", "v"), "x|u;"},
        {"leading blanks removed", row("  x", "  u") + row("\tz", " "), "x|u;z|;"},
        {"GBK bytes pass unchanged", row(text::gbk("新闻"), text::gbk("http://新.cn/")),
         text::gbk("新闻") + "|" + text::gbk("http://新.cn/") + ";"},
    };
    for (const Case& c : cases) {
        BookmarkTree tree;
        importHtmlText(tree, c.text);
        EXPECT_EQ(describe(tree), c.expected) << c.what;
    }
}

TEST(HtmlEntities, EscapeAndDecodeAreInverseAndDecodeOnlyTheFive) {
    std::string all = "a&b<c>d'e\"f";
    EXPECT_EQ(htmlEscaped(all), "a&amp;b&lt;c&gt;d&#39;e&quot;f");
    EXPECT_EQ(htmlDecoded(htmlEscaped(all)), all);
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"&amp;lt;", "&lt;"},
        {"&lt;&gt;", "<>"},
        {"&apos;&#39;", "''"},
        {"&", "&"},
        {"&amp", "&amp"},
        {"a & b", "a & b"},
        {"&nbsp;&copy;", "&nbsp;&copy;"},
        {"&&amp;&", "&&&"},
        {"x&quot;", "x\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(htmlDecoded(c.in), c.out) << c.in;
    std::string gbk = text::gbk("表格与<标签>");
    EXPECT_EQ(htmlDecoded(htmlEscaped(gbk)), gbk);
}

TEST(HtmlPage, FilesAreWrittenWholeAndErrorsNameTheFile) {
    testing::TempDir dir;
    FolderAndLink t;
    ASSERT_FALSE(exportHtmlPage(t.tree, dir.relative("page.htm")).failed());
    std::string bytes;
    ASSERT_FALSE(readWholeFile(dir.relative("page.htm"), bytes).failed());
    EXPECT_EQ(bytes, htmlPageText(t.tree));

    // Through a symbolic link to the directory, relative.
    std::filesystem::create_directory(dir.relative("real"));
    std::filesystem::create_directory_symlink("real", dir.relative("linked"));
    ASSERT_FALSE(exportHtmlPage(t.tree, dir.relative("linked/p.htm"), t.a).failed());
    BookmarkTree back;
    size_t added = 0;
    ASSERT_FALSE(importHtmlPage(back, dir.relative("real/p.htm"), kNoItem, {}, &added).failed());
    EXPECT_EQ(added, 3u);
    EXPECT_EQ(describe(back), describe(t.tree).substr(0, describe(t.tree).find("B|")));

    FileError e = exportHtmlPage(t.tree, dir.relative("missing/p.htm"));
    EXPECT_TRUE(e.failed());
    EXPECT_EQ(e.path, dir.relative("missing/p.htm"));
    e = importHtmlPage(back, dir.relative("missing.htm"));
    EXPECT_TRUE(e.failed());
    EXPECT_NE(e.readMessage().find(dir.relative("missing.htm")), std::string::npos);
    EXPECT_EQ(back.size(), 3u);
}

TEST(HtmlPage, ALinkWithChildrenKeepsItsAddressAndTheCountIsWhatWasWritten) {
    testing::TempDir dir;
    const std::string path = std::filesystem::relative(dir.file("page.htm")).string();
    BookmarkTree tree;
    ItemId both = tree.InsertNode({"both", "http://both/", ""});
    tree.InsertNode({"child", "http://child/", ""}, both);
    tree.InsertNode({"after", "http://after/", ""});
    ExportResult result;
    ASSERT_FALSE(exportHtmlPage(tree, path, kNoItem, {}, &result).failed());
    EXPECT_EQ(result.written, 3u);
    EXPECT_EQ(result.notWritten, 0u);
    BookmarkTree back;
    ASSERT_FALSE(importHtmlPage(back, path).failed());
    EXPECT_EQ(describe(back), describe(tree));

    // A page that cannot be saved counts every entry as not written.
    // A second import merges, the link with children too: nothing is added.
    size_t added = 1;
    ASSERT_FALSE(importHtmlPage(back, path, kNoItem, {}, &added).failed());
    EXPECT_EQ(added, 0u);
    EXPECT_EQ(describe(back), describe(tree));

    ExportResult failed;
    EXPECT_TRUE(exportHtmlPage(tree, path + "/x.htm", both, {}, &failed).failed());
    EXPECT_EQ(failed.written, 0u);
    EXPECT_EQ(failed.notWritten, 2u);
}

}  // namespace
}  // namespace brivanta
