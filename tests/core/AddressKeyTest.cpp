#include <gtest/gtest.h>

#include "core/text/Encoding.h"
#include "core/trees/AddressKey.h"

namespace brivanta {
namespace {

struct SameCase {
    const char* a;
    const char* b;
    bool same;
};

class AddressKeyTest : public ::testing::TestWithParam<SameCase> {};

TEST_P(AddressKeyTest, GroupsWhatIsTheSamePlace) {
    const SameCase& c = GetParam();
    EXPECT_EQ(addressKey(c.a) == addressKey(c.b), c.same)
        << c.a << " -> " << addressKey(c.a) << "\n"
        << c.b << " -> " << addressKey(c.b);
}

INSTANTIATE_TEST_SUITE_P(
    Normalising, AddressKeyTest,
    ::testing::Values(SameCase{"HTTP://Example.COM/a", "http://example.com/a", true},
                      SameCase{"http://example.com/Path", "http://example.com/path", false},
                      SameCase{"http://example.com:80/a", "http://example.com/a", true},
                      SameCase{"https://example.com:443/a", "https://example.com/a", true},
                      SameCase{"http://example.com:443/a", "https://example.com/a", false},
                      SameCase{"http://example.com:8080/a", "http://example.com/a", false},
                      SameCase{"http://example.com:/a", "http://example.com/a", true},
                      SameCase{"http://example.com", "http://example.com/", true},
                      SameCase{"http://example.com?q=1", "http://example.com/?q=1", true},
                      SameCase{"http://example.com/a#top", "http://example.com/a", true},
                      SameCase{"http://example.com/a?x=1#y", "http://example.com/a?x=1", true},
                      SameCase{"http://example.com/a?utm_source=x&id=3&utm_medium=y",
                               "http://example.com/a?id=3", true},
                      SameCase{"http://example.com/a?fbclid=1", "http://example.com/a", true},
                      SameCase{"http://example.com/a?gclid=1&spm=2", "http://example.com/a", true},
                      SameCase{"http://example.com/a?spmx=2", "http://example.com/a", false},
                      SameCase{"http://example.com/a?id=3&k=4", "http://example.com/a?k=4&id=3",
                               false},
                      SameCase{"http://example.com/a", "https://example.com/a", true},
                      SameCase{"ftp://example.com:21/f", "ftp://example.com/f", true},
                      SameCase{"ftp://example.com/f", "http://example.com/f", false},
                      SameCase{"http://User@Example.com/", "http://User@example.com/", true},
                      SameCase{"http://user@example.com/", "http://User@example.com/", false},
                      SameCase{"http://[::1]:80/", "http://[::1]/", true},
                      SameCase{"http://[::1]:8080/", "http://[::1]/", false},
                      SameCase{"  http://example.com/a ", "http://example.com/a", true},
                      SameCase{"mailto:Zhang@Example.com", "zhang@example.com", true},
                      SameCase{"MAILTO:zhang@example.com", "mailto:ZHANG@EXAMPLE.COM", true},
                      SameCase{"zhang@example.com", "li@example.com", false},
                      SameCase{"file:///home/a.txt", "FILE:///home/a.txt", true},
                      SameCase{"file:///home/A.txt", "file:///home/a.txt", false},
                      SameCase{"news:comp.lang", "NEWS:comp.lang", true}));

// The second byte of a GBK character may have the value of an ASCII capital: 81 5A is one
// character, not 0x81 and "Z".
TEST(AddressKeyGbkTest, LowersLettersButNeverTheSecondByteOfACharacter) {
    std::string host = text::gbk("中文") + "\x81Z.CN";  // 81 5A: one GBK character
    std::string key = addressKey("http://" + host + "/A");
    EXPECT_EQ(key, "http://" + text::gbk("中文") + "\x81Z.cn/A");
    EXPECT_EQ(addressKey("mailto:\x81Z@A.CN"), "mailto:\x81Z@a.cn");
}

TEST(AddressKeyHostTest, NamesTheHostAlone) {
    struct Row {
        const char* address;
        const char* host;
    };
    for (const Row& r :
         {Row{"http://Example.com:8080/a", "example.com"},
          Row{"https://user:pw@Host.CN/x?y#z", "host.cn"}, Row{"http://[::1]:9/", "::1"},
          Row{"http://127.0.0.1?x", "127.0.0.1"}, Row{"mailto:a@b.cn", ""}, Row{"/home/a", ""}})
        EXPECT_EQ(addressHost(r.address), r.host) << r.address;
}

}  // namespace
}  // namespace brivanta
