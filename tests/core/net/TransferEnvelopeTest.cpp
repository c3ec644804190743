#include <gtest/gtest.h>

#include "TreeText.h"
#include "core/net/TransferEnvelope.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::addEntries;
using testing::treeText;

void addExample(BookmarkTree& tree) {
    // P holds Q and R, R holds S; T follows P at the top level.
    addEntries(
        tree,
        {{0, "P", ""}, {1, "Q", "q.htm"}, {1, "R", ""}, {2, "S", "s.htm"}, {0, "T", "t.htm"}});
}

TEST(TransferEnvelope, BuildsLinesOfTheArchiveStrings) {
    BookmarkTree custom(kCustomTree);
    addExample(custom);
    EXPECT_EQ(buildEnvelope(custom),
              "<BRIVANTA>\r\n<CUSTOM>\r\nP\r\n \r\n->Q\r\nq.htm\r\nR\r\n \r\n->S\r\ns.htm\r\n"
              "||T\r\nt.htm\r\n");

    // A branch: its own record without prefix, then its subtree.
    EXPECT_EQ(buildEnvelope(custom, custom.child(custom.firstChild(kNoItem), 1)),
              "<BRIVANTA>\r\n<CUSTOM>\r\nR\r\n \r\n->S\r\ns.htm\r\n");

    BookmarkTree recommended(kRecommendedTree);
    EXPECT_EQ(buildEnvelope(recommended), "<BRIVANTA>\r\n<SYSTEM>\r\n");

    BookmarkTree book(kAddressBookTree);
    addEntries(book, {{0, text::gbk("张三"), "", "man"}, {1, "tel", "123", ""}});
    EXPECT_EQ(buildEnvelope(book), "<BRIVANTA>\r\n<ADDRESS>\r\n" + text::gbk("张三") +
                                       "\r\n \r\nman\r\n->tel\r\n123\r\n \r\n");
}

TEST(TransferEnvelope, MendsStringsThatWouldBreakTheLines) {
    BookmarkTree tree(kCustomTree);
    // An empty top-level name would end the receiver's reading; a CR LF inside a name
    // would shift every later record by one string.
    addEntries(tree, {{0, "", "a.htm"},
                      {0, "two\r\nlines", "b.htm"},
                      {0, "lone\nlf", "c.htm"},
                      {0, "last", "d.htm"}});
    std::string body = buildEnvelope(tree);
    EXPECT_EQ(body,
              "<BRIVANTA>\r\n<CUSTOM>\r\n \r\na.htm\r\ntwo  lines\r\nb.htm\r\nlone lf\r\nc.htm\r\n"
              "last\r\nd.htm\r\n");
    auto envelope = readEnvelope(body);
    ASSERT_TRUE(envelope);
    BookmarkTree back(kCustomTree);
    EXPECT_EQ(loadEnvelope(back, *envelope), 4u);
    EXPECT_EQ(treeText(back), "|a.htm\ntwo  lines|b.htm\nlone lf|c.htm\nlast|d.htm\n");
}

TEST(TransferEnvelope, RoundTripsTreesOfEveryKind) {
    BookmarkTree custom(kCustomTree);
    addExample(custom);
    std::string longName(300, 'x');  // longer than the one-byte length prefix allows
    addEntries(custom, {{0, longName, std::string(70000, 'y')}, {0, text::gbk("新浪"), "s"}});

    auto envelope = readEnvelope(buildEnvelope(custom));
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->treeKind, kCustomTree);
    BookmarkTree back(kCustomTree);
    back.InsertNode({"existing", "e", ""});
    loadEnvelope(back, *envelope);
    EXPECT_EQ(treeText(back), "existing|e\n" + treeText(custom));

    BookmarkTree book(kAddressBookTree);
    addEntries(book, {{0, "A", "", "man"}, {1, "tel", "1", ""}, {0, "B", "", ""}});
    envelope = readEnvelope(buildEnvelope(book));
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->treeKind, kAddressBookTree);
    BookmarkTree bookBack(kAddressBookTree);
    loadEnvelope(bookBack, *envelope);
    EXPECT_EQ(treeText(bookBack), treeText(book));
}

TEST(TransferEnvelope, PassesOverBodiesThatAreNoEnvelope) {
    for (std::string_view body :
         {"", "<BRIVANTA>", "\r\n<BRIVANTA>\r\n<CUSTOM>\r\nA\r\nB\r\n",
          "<BRIVANTA> \r\n<CUSTOM>\r\nA\r\nB\r\n", "Hello\r\n<BRIVANTA>\r\n<CUSTOM>\r\nA\r\nB\r\n",
          "<BRIVANTA>\r\n\r\nA\r\nB\r\n", "<BRIVANTA>\r\n<custom>\r\nA\r\nB\r\n",
          "<BRIVANTA>\r\n<CUSTOM>"}) {
        EXPECT_FALSE(readEnvelope(body)) << body;
    }
    // A section the caller does not take.
    EXPECT_FALSE(readEnvelope("<BRIVANTA>\r\n<CUSTOM>\r\nA\r\nB\r\n", kSystemSection));
    auto system = readEnvelope("<BRIVANTA>\r\n<SYSTEM>\r\nA\r\nB\r\n", kSystemSection);
    ASSERT_TRUE(system);
    EXPECT_EQ(system->treeKind, kRecommendedTree);
}

TEST(TransferEnvelope, DataEndsAtTheFirstEmptyLineOrAtTheLastLineEnd) {
    auto e = readEnvelope("<BRIVANTA>\r\n<CUSTOM>\r\nA\r\na\r\n\r\nB\r\nb\r\n");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->lines(), (std::vector<std::string>{"A", "a"}));

    e = readEnvelope("<BRIVANTA>\r\n<CUSTOM>\r\nA\r\na\r\nB\r\nno line end");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->lines(), (std::vector<std::string>{"A", "a", "B"}));
    BookmarkTree tree(kCustomTree);
    EXPECT_EQ(loadEnvelope(tree, *e), 1u);  // B lacks its address

    e = readEnvelope("<BRIVANTA>\r\n<ADDRESS>\r\nA\r\n \r\nt\r\nB\r\n \r\n");
    ASSERT_TRUE(e);
    BookmarkTree book(kAddressBookTree);
    EXPECT_EQ(loadEnvelope(book, *e), 1u);
    EXPECT_EQ(treeText(book), "A||t\n");

    e = readEnvelope("<BRIVANTA>\r\n<CUSTOM>\r\n");
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->lines().empty());
}

}  // namespace
}  // namespace brivanta::net
