#include <gtest/gtest.h>

#include <regex>

#include "core/net/MailMessage.h"

namespace brivanta::net {
namespace {

TEST(MailMessage, FormatsTheHeader) {
    MailMessage m;
    EXPECT_FALSE(m.formatHeader());
    EXPECT_TRUE(m.header.empty());

    m.from = "me@x";
    m.subject = "<BRIVANTA>";
    m.addRecipient("a@x", "Ann");
    m.addRecipient("b@x");
    ASSERT_TRUE(m.formatHeader());
    std::regex shape(
        "Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|"
        "Nov|Dec) \\d\\d \\d\\d:\\d\\d:\\d\\d \\S*\r\nFrom: me@x\r\nTo: Ann<a@x>,<b@x>\r\n"
        "Subject: <BRIVANTA>\r\n");
    EXPECT_TRUE(std::regex_match(m.header, shape)) << m.header;
    EXPECT_NE(m.date, 0);
}

TEST(MailMessage, ReadsRecipientLists) {
    MailMessage m;
    EXPECT_TRUE(m.addRecipients("Ann<a@x>;b@x;;Bob <b2@x>"));
    ASSERT_EQ(m.recipientCount(), 4);
    std::string address, name;
    ASSERT_TRUE(m.getRecipient(0, address, name));
    EXPECT_EQ(address, "a@x");
    EXPECT_EQ(name, "Ann");
    ASSERT_TRUE(m.getRecipient(2, address, name));
    EXPECT_EQ(address, "");
    ASSERT_TRUE(m.getRecipient(3, address, name));
    EXPECT_EQ(name, "Bob ");
    EXPECT_EQ(address, "b2@x");
    EXPECT_FALSE(m.getRecipient(4, address, name));
    EXPECT_FALSE(m.getRecipient(-1, address, name));

    MailMessage bad;
    EXPECT_FALSE(bad.addRecipients("a@x;B>x<y;c@x"));
    EXPECT_EQ(bad.recipientCount(), 1);
    EXPECT_FALSE(bad.addRecipients("C<open"));
}

TEST(MailMessage, DotStuffingRoundTrips) {
    // Every line that starts with a dot gets one more (the server takes it off again);
    // other dots stay.
    EXPECT_EQ(dotStuffed(".\r\na.b\r\n.\r\n.\r\n.net\r\n..x\r\nend."),
              "..\r\na.b\r\n..\r\n..\r\n..net\r\n...x\r\nend.");
    EXPECT_EQ(dotUnstuffed("..\r\na.b\r\n..\r\n..\r\n..net\r\n...x\r\nend."),
              ".\r\na.b\r\n.\r\n.\r\n.net\r\n..x\r\nend.");
    for (std::string text : {"", ".", "\r\n.\r\n", "..\r\n\r\n.\r\n", "a\r\n.\r\n\r\n..\r\n.x"}) {
        std::string stuffed = dotStuffed(text);
        EXPECT_EQ(stuffed.find("\r\n.\r\n"), std::string::npos) << text;
        EXPECT_EQ(dotUnstuffed(stuffed), text);
    }
    MailMessage m;
    m.body = ".\r\nx\r\n";
    m.stuffBody();
    EXPECT_EQ(m.body, "..\r\nx\r\n");
    m.unstuffBody();
    EXPECT_EQ(m.body, ".\r\nx\r\n");
}

TEST(MailMessage, ParsesReceivedHeaders) {
    MailMessage m;
    m.header = "From: a@x\r\nTo: Ann<a@x>;b@x\r\nCc: c@x\r\nDate: whenever\r\nSubject: hi";
    ASSERT_TRUE(m.parseHeader());
    EXPECT_EQ(m.from, "a@x");
    EXPECT_EQ(m.subject, "hi");  // the last line has no line end
    EXPECT_EQ(m.recipientCount(), 3);

    MailMessage noDate;
    noDate.header = "Received: x\r\nFrom: a@x\r\nTo: b@x\r\nSubject: s\r\n";
    EXPECT_FALSE(noDate.parseHeader());
}

}  // namespace
}  // namespace brivanta::net
