#include <gtest/gtest.h>

#include <fstream>
#include <pugixml.hpp>
#include <string>

#include "../TempDir.h"
#include "../TreeBuilders.h"
#include "core/formats/XbelBookmarks.h"
#include "core/formats/XmlMemoryCap.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {
namespace {

std::string shape(const BookmarkTree& tree) {
    return text::toUtf8(testing::describe(tree));
}

struct Imported {
    std::string shape;
    XbelRead read;
    size_t skipped = 0;
};

Imported imported(std::string_view bytes) {
    BookmarkTree tree;
    TreeMerger merger(tree);
    Imported result;
    result.read = parseXbelBookmarks(bytes, merger);
    result.shape = shape(tree);
    result.skipped = merger.skipped();
    return result;
}

struct XbelCase {
    const char* label;
    std::string file;
    std::string expected;
    std::optional<std::uint64_t> highestId;
};

class XbelImport : public ::testing::TestWithParam<XbelCase> {};

TEST_P(XbelImport, ReadsWhatKdeAndFloccusWrite) {
    Imported result = imported(GetParam().file);
    EXPECT_EQ(result.read.failure, "");
    EXPECT_EQ(result.shape, GetParam().expected);
    EXPECT_EQ(result.read.highestId, GetParam().highestId);
}

const std::string kFloccusFile =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE xbel PUBLIC "+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML" "http://pyxml.sourceforge.net/topics/dtds/xbel.dtd">
<xbel version="1.0">
<!--- highestId :12: for Floccus bookmark sync browser extension -->
<folder id="3">
<title>书签工具栏</title>
<bookmark href="https://www.baidu.com/" id="4">
<title>百度一下，你就知道</title>
</bookmark>
<folder id="5">
<title>Dev &amp; Ops</title>
<bookmark href="https://github.com/search?q=a&amp;type=code" id="6">
<title>&lt;GitHub&gt; 搜索</title>
</bookmark>
</folder>
</folder>
<bookmark href="https://example.org/" id="12">
<title>Emoji 😀 and ẞ</title>
</bookmark>
</xbel>)";

const std::string kKdeFile =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE xbel>
<xbel xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks" xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info" xmlns:kdepriv="http://www.kde.org/kdepriv">
 <info>
  <metadata owner="http://www.kde.org">
   <kdepriv:separatorCount>1</kdepriv:separatorCount>
  </metadata>
 </info>
 <bookmark icon="" href="file:///home/alice">
  <title>家目录</title>
  <info>
   <metadata owner="http://freedesktop.org">
    <bookmark:icon name="user-home"/>
   </metadata>
   <metadata owner="http://www.kde.org">
    <ID>1700000000/0</ID>
   </metadata>
  </info>
 </bookmark>
 <separator/>
 <folder folded="no" icon="bookmark_folder">
  <title>KDE 网站</title>
  <desc>常用的 KDE 站点</desc>
  <bookmark href="https://kde.org/">
   <title>KDE</title>
   <desc>主页</desc>
  </bookmark>
  <separator/>
  <folder folded="yes">
   <title>文档</title>
  </folder>
 </folder>
</xbel>
)";

// UTF-16LE bytes with their byte-order mark.
std::string utf16le(std::u16string_view text) {
    std::string bytes = "\xff\xfe";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, XbelImport,
    ::testing::Values(
        XbelCase{"Floccus", kFloccusFile,
                 "书签工具栏|{百度一下，你就知道|https://www.baidu.com/;Dev & Ops|{<GitHub> "
                 "搜索|https://github.com/search?q=a&type=code;};};Emoji 😀 and "
                 "ẞ|https://example.org/;",
                 12},
        XbelCase{"Kde", kKdeFile,
                 "家目录|file:///home/alice;KDE 网站|{KDE|https://kde.org/;文档|;};", std::nullopt},
        XbelCase{"CdataReferencesAndMixedTitle",
                 "<xbel><bookmark href='http://a/&#x4E2D;'><title>a<![CDATA[<b>]]>&#20013;"
                 "<i>x</i>c</title></bookmark></xbel>",
                 "a<b>中c|http://a/中;", std::nullopt},
        XbelCase{"WithoutTitleOrHref",
                 // A bookmark without a title is named by its address; one without an address
                 // is passed over; an untitled folder still holds its entries.
                 "<xbel><bookmark href='http://x/'/><bookmark><title>no</title></bookmark>"
                 "<folder><bookmark href='http://y/'><title>y</title></bookmark></folder></xbel>",
                 "http://x/|http://x/;|{y|http://y/;};", std::nullopt},
        XbelCase{"Latin1Declared",
                 "<?xml version='1.0' encoding='ISO-8859-1'?><xbel><bookmark href='http://c/'>"
                 "<title>caf\xe9</title></bookmark></xbel>",
                 "café|http://c/;", std::nullopt},
        XbelCase{"Utf16WithByteOrderMark",
                 utf16le(u"<xbel><bookmark href='http://u/'><title>中文</title></bookmark></xbel>"),
                 "中文|http://u/;", std::nullopt},
        XbelCase{"HighestIdOnlyFromTopLevelComment",
                 "<xbel><!-- other --><folder><title>f</title><!--- highestId :99: x -->"
                 "</folder><!--- highestId :7: for Floccus bookmark sync browser extension -->"
                 "</xbel>",
                 "f|;", 7}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(XbelImport, ImportingTheSameFileAgainAddsNothing) {
    BookmarkTree tree;
    {
        TreeMerger merger(tree);
        parseXbelBookmarks(kFloccusFile, merger);
    }
    const std::string once = shape(tree);
    TreeMerger again(tree);
    parseXbelBookmarks(kFloccusFile, again);
    EXPECT_EQ(again.added(), 0u);
    EXPECT_EQ(shape(tree), once);
}

struct HostileCase {
    const char* label;
    std::string file;
    // Part of the failure's text; "" when the file is read.
    std::string failure;
    std::string expected;
};

class XbelHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(XbelHostile, IsRefusedOrReadWithoutHarm) {
    Imported result = imported(GetParam().file);
    if (GetParam().failure.empty())
        EXPECT_EQ(result.read.failure, "");
    else
        EXPECT_NE(result.read.failure.find(GetParam().failure), std::string::npos)
            << result.read.failure;
    EXPECT_EQ(result.shape, GetParam().expected);
}

const std::string kLaughs = R"(<?xml version="1.0"?>
<!DOCTYPE xbel [
 <!ENTITY lol "lol">
 <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol2 "&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
 <!ENTITY lol4 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
 <!ENTITY lol5 "&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;">
 <!ENTITY lol6 "&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;">
 <!ENTITY lol7 "&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;">
 <!ENTITY lol8 "&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;">
 <!ENTITY lol9 "&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;">
]>
<xbel><bookmark href="http://a/&lol9;"><title>&lol9;</title></bookmark></xbel>)";

INSTANTIATE_TEST_SUITE_P(
    Files, XbelHostile,
    ::testing::Values(
        // Entities are never expanded: the reference stays as it was written.
        HostileCase{"BillionLaughs", kLaughs, "", "&lol9;|http://a/&lol9;;"},
        HostileCase{"ExternalEntity",
                    "<!DOCTYPE xbel [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>"
                    "<xbel><bookmark href='http://a/'><title>&xxe;</title></bookmark></xbel>",
                    "", "&xxe;|http://a/;"},
        HostileCase{"ExternalDtd",
                    "<!DOCTYPE xbel SYSTEM \"http://127.0.0.1:9/xbel.dtd\"><xbel><folder>"
                    "<title>f</title></folder></xbel>",
                    "", "f|;"},
        // A file cut short adds nothing, not the entries before the cut.
        HostileCase{"Truncated", kFloccusFile.substr(0, kFloccusFile.find("</folder>") + 9),
                    "不是完整的 XML", ""},
        HostileCase{"TruncatedInsideTag", "<xbel><folder><title>a</title><bookmark hr",
                    "不是完整的 XML，第 1 行", ""},
        HostileCase{"LineOfTheFault", "<xbel>\n<folder>\n<title>a</titel>\n</folder></xbel>",
                    "第 3 行", ""},
        HostileCase{"NotXbel", "<html><body><a href='http://x/'>x</a></body></html>",
                    "不是 XBEL 书签文件（根元素是 <html>）", ""},
        HostileCase{"Empty", "", "没有 XML 元素", ""},
        HostileCase{"BinaryNoise", "\x01\xff<<>>&&", "不是完整的 XML", ""},
        // A NUL byte ends the text there: what follows is not read as closing anything.
        HostileCase{"NulInside",
                    std::string("<xbel><folder><title>a</title>\0</folder></xbel>", 45),
                    "不是完整的 XML", ""},
        HostileCase{"ControlCharactersInNames",
                    "<xbel><bookmark href='http://a/&#9;'><title>a&#10;b\tc</title></bookmark>"
                    "</xbel>",
                    "", "a b c|http://a/;"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(XbelHostile, DeepNestingIsAttachedAtTheDepthLimit) {
    // Far deeper than any recursion could go; the tree keeps 1000 levels.
    constexpr int kDepth = 200'000;
    std::string file = "<xbel>";
    for (int i = 0; i < kDepth; ++i)
        file += "<folder><title>f</title>";
    file += "<bookmark href='http://deep/'/>";
    for (int i = 0; i < kDepth; ++i)
        file += "</folder>";
    file += "</xbel>";
    BookmarkTree tree;
    TreeMerger merger(tree);
    XbelRead read = parseXbelBookmarks(file, merger);
    EXPECT_EQ(read.failure, "");
    int deepest = 0;
    for (ItemId item = tree.firstChild(kNoItem); item != kNoItem; item = tree.firstChild(item))
        ++deepest;
    EXPECT_EQ(deepest, ImportBudget::kMaxDepth);
    EXPECT_GT(merger.budget().flattened(), 0u);
    EXPECT_EQ(merger.depth(), 0u);  // every folder opened was closed again
}

TEST(XmlMemoryCap, StopsADocumentOfTinyElementsAndFreesWhatItTook) {
    std::string file = "<xbel>";
    for (int i = 0; i < 200'000; ++i)
        file += "<a/>";
    file += "</xbel>";
    {
        XmlMemoryCap cap(1 << 20);
        pugi::xml_document document;
        EXPECT_EQ(document.load_buffer(file.data(), file.size()).status,
                  pugi::status_out_of_memory);
        EXPECT_TRUE(cap.exceeded());
        document.reset();
        EXPECT_EQ(cap.used(), 0u);
    }
    XmlMemoryCap roomy(64 << 20);
    pugi::xml_document document;
    EXPECT_TRUE(document.load_buffer(file.data(), file.size()));
    EXPECT_FALSE(roomy.exceeded());
    EXPECT_GT(roomy.used(), file.size());
}

struct HighestIdCase {
    const char* comment;
    std::optional<std::uint64_t> id;
};

class XbelHighestId : public ::testing::TestWithParam<HighestIdCase> {};

TEST_P(XbelHighestId, IsReadFromFloccusComment) {
    EXPECT_EQ(xbelHighestId(GetParam().comment), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Comments, XbelHighestId,
    ::testing::Values(HighestIdCase{"- highestId :42: for Floccus bookmark sync browser extension",
                                    42},
                      HighestIdCase{"- highestId :0:", 0},
                      HighestIdCase{"- highestId :18446744073709551615:", UINT64_MAX},
                      HighestIdCase{"- highestId :18446744073709551616:", std::nullopt},
                      HighestIdCase{"- highestId :42", std::nullopt},
                      HighestIdCase{"- highestId ::", std::nullopt},
                      HighestIdCase{"- highestId :-1:", std::nullopt},
                      HighestIdCase{" other ", std::nullopt}));

TEST(XbelExport, WritesFloccusLayoutThatReadsBackTheSame) {
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({text::gbk("新闻 & <评论>"), "", ""});
    tree.InsertNode({text::gbk("新浪"), "http://sina.com.cn/?a=1&b=\"2\"", ""}, folder);
    ItemId link = tree.InsertNode({text::gbk("有子项的链接"), "http://parent/", ""});
    tree.InsertNode({"child", "http://child/", ""}, link);
    tree.InsertNode({text::gbk("空文件夹"), "", ""});
    // Characters GBK lacks are kept as GB18030 and come back.
    tree.InsertNode({text::fromUtf8("😀 ẞ"), "http://emoji/", ""});
    // A control character XML cannot carry is left out, not written broken.
    tree.InsertNode({std::string("bell\x07"), "http://bell/", ""});

    size_t written = 0;
    const std::string file = writeXbelBookmarks(tree, kNoItem, {}, &written);
    EXPECT_EQ(written, tree.size());
    // Every entry has an id, the link with children two (its folder and itself).
    EXPECT_NE(file.find(xbelHighestIdComment(tree.size() + 1)), std::string::npos) << file;
    EXPECT_NE(file.find("<folder id=\"1\">\n    <title>新闻 &amp; &lt;评论&gt;</title>"),
              std::string::npos)
        << file;
    EXPECT_NE(file.find("href=\"http://sina.com.cn/?a=1&amp;b=&quot;2&quot;\" id=\"2\""),
              std::string::npos)
        << file;

    Imported back = imported(file);
    EXPECT_EQ(back.read.failure, "");
    EXPECT_EQ(back.read.highestId, tree.size() + 1);
    EXPECT_EQ(
        back.shape,
        "新闻 & <评论>|{新浪|http://sina.com.cn/?a=1&b=\"2\";};有子项的链接|{有子项的链接|"
        "http://parent/;child|http://child/;};空文件夹|;😀 ẞ|http://emoji/;bell|http://bell/;");
    // Written again from what was read, the file is the same, ids included.
    BookmarkTree again;
    TreeMerger merger(again);
    parseXbelBookmarks(file, merger);
    EXPECT_EQ(writeXbelBookmarks(again), file);
}

TEST(XbelExport, RandomTreesComeBackUnchanged) {
    std::mt19937 rng(28);
    for (int round = 0; round < 20; ++round) {
        BookmarkTree tree;
        testing::fillRandomTree(tree, rng, 200, 8);
        // Links with children are written as folders; leave them out of the comparison.
        bool linkWithChildren = false;
        for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
            if (tree.contains(item) && tree.hasChildren(item) &&
                !tree.LookupRecord(item)->address.empty())
                linkWithChildren = true;
        }
        if (linkWithChildren)
            continue;
        Imported back = imported(writeXbelBookmarks(tree));
        EXPECT_EQ(back.read.failure, "");
        EXPECT_EQ(back.shape, shape(tree)) << "round " << round;
    }
}

TEST(XbelExport, ASubtreeIsWrittenFromItsTop) {
    testing::SampleTree sample;
    Imported back = imported(writeXbelBookmarks(sample.tree, sample.sub));
    EXPECT_EQ(back.shape, "S|{b|b.doc;};");
    EXPECT_EQ(back.read.highestId, 2u);
}

TEST(XbelFile, ImportAndExportNameTheFileThatFailed) {
    testing::TempDir dir;
    BookmarkTree tree;
    TreeMerger merger(tree);
    EXPECT_NE(importXbelFile(dir.relative("missing.xbel"), merger).find("missing.xbel"),
              std::string::npos);
    // The fault's line is counted in the file as written, though the reading changes its copy.
    std::ofstream(dir.file("bad.xbel")) << "<xbel>\n<folder><title>a &amp;\n b</title>\n"
                                           "<bookmark href='x'>\n</folder></xbel>";
    EXPECT_NE(importXbelFile(dir.relative("bad.xbel"), merger).find("第 5 行"), std::string::npos)
        << importXbelFile(dir.relative("bad.xbel"), merger);
    std::ofstream(dir.file("page.xbel")) << "<html/>";
    XbelRead read;
    std::string failure = importXbelFile(dir.relative("page.xbel"), merger, &read);
    EXPECT_NE(failure.find("page.xbel"), std::string::npos) << failure;
    EXPECT_NE(failure.find("<html>"), std::string::npos) << failure;
    EXPECT_FALSE(read.failure.empty());

    testing::SampleTree sample;
    ExportResult result;
    FileError error =
        exportXbelFile(sample.tree, dir.relative("no/such/dir/out.xbel"), kNoItem, {}, &result);
    EXPECT_TRUE(error.failed());
    EXPECT_EQ(result.notWritten, sample.tree.size());
    ExportResult written;
    EXPECT_FALSE(exportXbelFile(sample.tree, dir.relative("out.xbel"), kNoItem, {}, &written));
    EXPECT_EQ(written.written, sample.tree.size());
    BookmarkTree back;
    TreeMerger backMerger(back);
    EXPECT_EQ(importXbelFile(dir.relative("out.xbel"), backMerger), "");
    EXPECT_EQ(shape(back), shape(sample.tree));
}

}  // namespace
}  // namespace brivanta
