#include <gtest/gtest.h>

#include <string>

#include "TreeBuilders.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/NetscapeText.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {
namespace {

// The tree as "name|address{children};" in UTF-8, for readable expectations.
std::string shape(const BookmarkTree& tree) {
    return text::toUtf8(testing::describe(tree));
}

std::string imported(std::string_view page, size_t* skipped = nullptr) {
    BookmarkTree tree;
    TreeMerger merger(tree);
    parseNetscapeBookmarks(page, merger);
    if (skipped)
        *skipped = merger.skipped();
    return shape(tree);
}

struct PageCase {
    const char* label;
    std::string page;
    std::string expected;
};

class NetscapeImport : public ::testing::TestWithParam<PageCase> {};

TEST_P(NetscapeImport, ReadsTheShapeBrowsersWrite) {
    EXPECT_EQ(imported(GetParam().page), GetParam().expected);
}

const std::string kFirefoxPage = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<meta http-equiv="Content-Security-Policy"
      content="default-src 'self'; script-src 'none'; img-src data: *; object-src 'none'"></meta>
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>

<DL><p>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000001">Mozilla Firefox</H3>
    <DL><p>
        <DT><A HREF="https://support.mozilla.org/zh-CN/products/firefox" ADD_DATE="1700000000" LAST_MODIFIED="1700000000" ICON_URI="https://support.mozilla.org/favicon.ico" ICON="data:image/png;base64,iVBORw0KGgo=">获取帮助</A>
        <DT><A HREF="https://www.mozilla.org/zh-CN/about/" ADD_DATE="1700000000">关于我们 &amp; 社区</A>
    </DL><p>
    <HR>
    <DT><A HREF="place:sort=8&amp;maxResults=10" ADD_DATE="1700000000">最常访问</A>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000000" PERSONAL_TOOLBAR_FOLDER="true">书签工具栏</H3>
    <DD>Add bookmarks to this folder to see them displayed on the Bookmarks Toolbar
    <DL><p>
        <DT><A HREF="https://www.baidu.com/" ADD_DATE="1700000000" SHORTCUTURL="bd" TAGS="搜索">百度</A>
        <DD>中文搜索引擎
    </DL><p>
    <DT><H3 UNFILED_BOOKMARKS_FOLDER="true">其他书签</H3>
    <DL><p>
    </DL><p>
</DL>
)";

const std::string kChromiumPage = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1600000000" LAST_MODIFIED="1600000001" PERSONAL_TOOLBAR_FOLDER="true">书签栏</H3>
    <DL><p>
        <DT><A HREF="https://github.com/" ADD_DATE="1600000000" ICON="data:image/png;base64,AAAA">GitHub</A>
        <DT><H3 ADD_DATE="1600000000" LAST_MODIFIED="0">工作</H3>
        <DL><p>
            <DT><A HREF="https://mail.example.com/?q=a&amp;r=b" ADD_DATE="1600000000">邮件 &#8211; 收件箱</A>
            <DT><H3>深处</H3>
            <DL><p>
                <DT><A HREF="https://x.example/">X</A>
            </DL><p>
        </DL><p>
    </DL><p>
    <DT><A HREF="https://top.example/">顶层 &#x1F600;</A>
</DL><p>
)";

// Netscape 4 and early Internet Explorer: upper and lower case mixed, no </DT>, unquoted and
// single-quoted attributes, a missing </A>, a heading without a list, windows-1252 text.
const std::string kOldPage =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; charset=windows-1252\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks for Jos\xE9</H1>\n"
    "<DL>\n"
    "<DT><H3 FOLDED ADD_DATE=900000000>Caf\xE9s</H3>\n"
    "<DL>\n"
    "<DT><a add_date=900000000 href=http://cafe.example/menu.html>Le \x93Menu\x94\n"
    "<DT><A HREF='http://quoted.example/'>Single quoted</a>\n"
    "</DL>\n"
    "<dt><h3>Empty folder</h3>\n"
    "<DT><A HREF=\"http://after.example/\">After empty folder</A>\n"
    "</DL>\n";

INSTANTIATE_TEST_SUITE_P(
    Pages, NetscapeImport,
    ::testing::Values(
        PageCase{"Firefox", kFirefoxPage,
                 "Mozilla Firefox|{获取帮助|https://support.mozilla.org/zh-CN/products/firefox;"
                 "关于我们 & 社区|https://www.mozilla.org/zh-CN/about/;};"
                 "书签工具栏|{百度|https://www.baidu.com/;};其他书签|;"},
        PageCase{"Chromium", kChromiumPage,
                 "书签栏|{GitHub|https://github.com/;工作|{邮件 – 收件箱|https://mail.example.com/"
                 "?q=a&r=b;深处|{X|https://x.example/;};};};顶层 😀|https://top.example/;"},
        PageCase{"OldBrowser", kOldPage,
                 "Cafés|{Le “Menu”|http://cafe.example/menu.html;Single "
                 "quoted|http://quoted.example/;};Empty folder|;After empty "
                 "folder|http://after.example/;"},
        // GB2312 declared, but the page holds a GBK-only character (喆), as many do.
        PageCase{"Gb2312",
                 "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=gb2312\">"
                 "<DL><p><DT><A HREF=\"http://www.sina.com.cn/\">\xD0\xC2\xC0\xCB\xCD\xF8 "
                 "\x86\xB4</A></DL>",
                 "新浪网 喆|http://www.sina.com.cn/;"},
        // No character set named, and the bytes are not UTF-8: the Chinese code page.
        PageCase{"UnlabelledGbk", "<DL><DT><A HREF=http://a.cn/>\xD6\xD0\xCE\xC4</A></DL>",
                 "中文|http://a.cn/;"},
        PageCase{"UnlabelledUtf8", "<DL><DT><A HREF=http://a.cn/>中文</A></DL>",
                 "中文|http://a.cn/;"},
        PageCase{"MetaCharsetAttribute",
                 "<meta charset=\"big5\"><dl><dt><a href=\"http://tw.example/\">\xA4\xA4\xA4\xE5"
                 "</a></dl>",
                 "中文|http://tw.example/;"},
        PageCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF<DL><DT><A HREF=\"http://b.example/\">B</A>",
                 "B|http://b.example/;"},
        // Markup inside names: inline tags and comments dropped, white space folded, unknown
        // "tags" of writers that do not escape kept, scripts passed over.
        PageCase{"MarkupInNames",
                 "<DL><DT><A HREF=\"http://a/\">Bold <b>part</b><!-- note --> end</A>\n"
                 "<DT><A HREF=\"http://b/\">C++ <templates> &amp more&nbsp;x &bogus; &#0;</A>\n"
                 "<script>document.write('<DT><A HREF=\"http://evil/\">no</A>')</script>\n"
                 "<DT><A HREF=\"  http://c/\n\">\n  two\n\tlines  </A>\n"
                 "<DT><A HREF=\"http://d/\"></A>\n"
                 "<DT><A NAME=\"anchor\">not a link</A>\n"
                 "<DT><A HREF=\"\">no address</A>\n"
                 "<DT><H3>|pipe</H3><DL><DT><A HREF=\"http://e/\">->arrow</A></DL>\n"
                 "</DL>",
                 "Bold part end|http://a/;C++ <templates> & more\xC2\xA0x &bogus; "
                 "\xEF\xBF\xBD|http://b/;two lines|http://c/;http://d/|http://d/;"
                 "｜pipe|{－>arrow|http://e/;};"}),
    [](const ::testing::TestParamInfo<PageCase>& row) { return std::string(row.param.label); });

TEST(NetscapeImport, SameAddressInOneFolderOnceSameFolderNameMerged) {
    size_t skipped = 0;
    std::string result = imported(
        "<DL><DT><A HREF=\"http://a/\">A</A><DT><A HREF=\"http://a/\">A again</A>"
        "<DT><H3>F</H3><DL><DT><A HREF=\"http://a/\">A in F</A></DL>"
        "<DT><H3>F</H3><DL><DT><A HREF=\"http://b/\">B in F</A></DL></DL>",
        &skipped);
    EXPECT_EQ(result, "A|http://a/;F|{A in F|http://a/;B in F|http://b/;};");
    EXPECT_EQ(skipped, 2u);  // the second http://a/ and the second F
}

TEST(NetscapeImport, DamagedPagesEndQuietly) {
    // A comment or a quoted value that never ends runs to the end of the page.
    EXPECT_EQ(imported("<DL><DT><A HREF=\"http://a/\">A</A><!-- <DT><A HREF=\"http://b/\">B</A>"),
              "A|http://a/;");
    EXPECT_EQ(imported("<DL><DT><A HREF=\"http://a/>A</A>"), "http://a/>A</A>|http://a/>A</A>;");
    // Lists closed that were never opened, no lists at all, tags cut off at the end.
    EXPECT_EQ(imported("</DL></DL><DT><A HREF=x>X</A></DL><DT><H3>Y"), "X|x;Y|;");
    EXPECT_EQ(imported("<DL><DT><A HREF=x"), "x|x;");
    EXPECT_EQ(imported("< <> <3 a<b"), "");
    EXPECT_EQ(imported(""), "");
}

TEST(NetscapeImport, DeepNestingNeedsNoRecursion) {
    constexpr int kDepth = 100000;
    std::string page;
    for (int i = 0; i < kDepth; ++i)
        page += "<DT><H3>f" + std::to_string(i) + "</H3><DL>";
    page += "<DT><A HREF=\"http://deep/\">deep</A>";
    BookmarkTree tree;
    TreeMerger merger(tree);
    parseNetscapeBookmarks(page, merger);
    // Every entry is there; those below the depth limit follow the last folder at the limit.
    ASSERT_EQ(tree.size(), static_cast<size_t>(kDepth) + 1);
    EXPECT_EQ(tree.depth(tree.nextItemData()), ImportBudget::kMaxDepth - 1);
    EXPECT_EQ(merger.budget().flattened(),
              static_cast<size_t>(kDepth) + 1 - ImportBudget::kMaxDepth);

    // Written out and read back, the chain is whole again.
    std::string written = writeNetscapeBookmarks(tree);
    // Indentation stops growing at some depth; otherwise this would be tens of gigabytes.
    EXPECT_LT(written.size(), static_cast<size_t>(kDepth) * 300);
    BookmarkTree again;
    TreeMerger merger2(again);
    parseNetscapeBookmarks(written, merger2);
    EXPECT_EQ(again.size(), tree.size());
    EXPECT_EQ(*again.LookupRecord(again.nextItemData()), *tree.LookupRecord(tree.nextItemData()));
}

struct ReferenceCase {
    const char* in;
    const char* out;
};

class HtmlReferences : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(HtmlReferences, Decode) {
    std::string out;
    appendDecodedHtml(GetParam().in, out);
    EXPECT_EQ(out, GetParam().out) << GetParam().in;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HtmlReferences,
    ::testing::Values(
        ReferenceCase{"a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;", "a & b <c> \"d\" 'e'"},
        ReferenceCase{"&#20013;&#x6587;&#X4E2D;", "中文中"},
        ReferenceCase{"&#128512; &#x1f600", "😀 😀"},
        ReferenceCase{"&eacute;&copy;&nbsp;&hellip;&euro;", "é©\xC2\xA0…€"},
        // Without the semicolon only the old four, and not where a name goes on (as browsers
        // read attributes: "?a=1&ltx=2" is an address, not "<x").
        ReferenceCase{"&amp &quot;&quot &gt_ &lt3 ?a=1&ampx=2", "& \"\" >_ &lt3 ?a=1&ampx=2"},
        ReferenceCase{"&eacute &unknown; &; & &#; &#x;", "&eacute &unknown; &; & &#; &#x;"},
        ReferenceCase{"&#0;&#xD800;&#1114112;&#99999999999999;",
                      "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        ReferenceCase{"AT&T", "AT&T"}));

TEST(NetscapeExport, WritesTheFileBrowsersRead) {
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({text::gbk("新闻"), "", ""});
    tree.InsertNode({text::gbk("新浪 \"首页\" & <更多>"), "http://sina.com.cn/?a=1&b=2", ""},
                    folder);
    tree.InsertNode({text::gbk("空文件夹"), "", ""}, folder);
    tree.InsertNode({"Top", "mailto:a@b.c", ""});
    EXPECT_EQ(writeNetscapeBookmarks(tree),
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
              "<!-- This is an automatically generated file.\n"
              "     It will be read and overwritten.\n"
              "     DO NOT EDIT! -->\n"
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
              "<TITLE>Bookmarks</TITLE>\n"
              "<H1>Bookmarks</H1>\n"
              "<DL><p>\n"
              "    <DT><H3>新闻</H3>\n"
              "    <DL><p>\n"
              "        <DT><A HREF=\"http://sina.com.cn/?a=1&amp;b=2\">新浪 &quot;首页&quot; &amp; "
              "&lt;更多&gt;</A>\n"
              "        <DT><H3>空文件夹</H3>\n"
              "        <DL><p>\n"
              "        </DL><p>\n"
              "    </DL><p>\n"
              "    <DT><A HREF=\"mailto:a@b.c\">Top</A>\n"
              "</DL><p>\n");

    // One entry and what is below it, without its siblings.
    std::string justFolder = writeNetscapeBookmarks(tree, folder);
    EXPECT_NE(justFolder.find("<H3>新闻</H3>"), std::string::npos);
    EXPECT_EQ(justFolder.find("Top"), std::string::npos);
    std::string justLink = writeNetscapeBookmarks(tree, tree.nextItemData());
    EXPECT_NE(justLink.find("<DL><p>\n    <DT><A HREF=\"mailto:a@b.c\">Top</A>\n</DL><p>\n"),
              std::string::npos);
}

TEST(NetscapeExport, RoundTripKeepsEveryCharacter) {
    // Chinese, characters GBK cannot hold (stored in their GB18030 form), markup characters.
    BookmarkTree tree;
    ItemId a = tree.InsertNode({text::fromUtf8("收藏 😀 𠀀 €"), "", ""});
    tree.InsertNode(
        {text::fromUtf8("引号 \"双\" '单' & <尖>"), "http://例子.cn/路径?q=\"x\"&y='z'", ""}, a);
    ItemId b = tree.InsertNode({text::fromUtf8("子 ☃"), "", ""}, a);
    tree.InsertNode({text::fromUtf8("喆 ① Ⅻ"), "file:///home/用户/文档.txt", ""}, b);
    tree.InsertNode({text::fromUtf8("空"), "", ""}, a);
    tree.InsertNode({"plain", "https://example.com/a&amp;b", ""});
    ASSERT_EQ(text::toUtf8(tree.label(a)), "收藏 😀 𠀀 €");

    BookmarkTree back;
    TreeMerger merger(back);
    parseNetscapeBookmarks(writeNetscapeBookmarks(tree), merger);
    EXPECT_EQ(testing::describe(back), testing::describe(tree));
    EXPECT_EQ(merger.added(), tree.size());
}

TEST(NetscapeExport, ALinkWithChildrenIsAFolderHoldingTheLinkAndItsChildren) {
    BookmarkTree tree;
    ItemId both = tree.InsertNode({"both", "http://both/", ""});
    tree.InsertNode({"child", "http://child/", ""}, both);
    ItemId inner = tree.InsertNode({"inner", "http://inner/", ""}, both);
    tree.InsertNode({"leaf", "http://leaf/", ""}, inner);
    tree.InsertNode({"after", "http://after/", ""});
    size_t written = 0;
    std::string page = writeNetscapeBookmarks(tree, kNoItem, {}, &written);
    EXPECT_EQ(written, tree.size());
    EXPECT_NE(page.find("    <DT><H3>both</H3>\n"
                        "    <DL><p>\n"
                        "        <DT><A HREF=\"http://both/\">both</A>\n"
                        "        <DT><A HREF=\"http://child/\">child</A>\n"
                        "        <DT><H3>inner</H3>\n"
                        "        <DL><p>\n"
                        "            <DT><A HREF=\"http://inner/\">inner</A>\n"
                        "            <DT><A HREF=\"http://leaf/\">leaf</A>\n"
                        "        </DL><p>\n"
                        "    </DL><p>\n"
                        "    <DT><A HREF=\"http://after/\">after</A>\n"),
              std::string::npos)
        << page;
    // Read back, every address is there, each link in the folder of its name.
    EXPECT_EQ(imported(page),
              "both|{both|http://both/;child|http://child/;inner|{inner|http://"
              "inner/;leaf|http://leaf/;};};after|http://after/;");
    // Alone, the start entry is written the same way.
    EXPECT_EQ(imported(writeNetscapeBookmarks(tree, inner)),
              "inner|{inner|http://inner/;leaf|http://leaf/;};");
}

}  // namespace
}  // namespace brivanta
