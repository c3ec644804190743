#include <gtest/gtest.h>

#include <string>

#include "core/text/Encoding.h"
#include "core/trees/EntryAddress.h"

namespace brivanta {
namespace {

struct AddressCase {
    const char* address;  // UTF-8; stored as GBK for the test
    const char* iconKey;
    bool opensAsMail;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.address;
}

class AddressRules : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressRules, IconKeyAndOpeningAgree) {
    const AddressCase& c = GetParam();
    std::string address = text::gbk(c.address);
    EXPECT_EQ(iconKeyForAddress(address), text::gbk(c.iconKey));
    EXPECT_EQ(opensAsMail(address), c.opensAsMail);
    // Whatever opens as mail shows the mail icon.
    if (opensAsMail(address)) {
        EXPECT_EQ(iconKeyForAddress(address), "mailto");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressRules,
    ::testing::Values(
        // Host names: two or more dots, or none, are web pages.
        AddressCase{"www.example.com", ".htm", false}, AddressCase{"localhost", ".htm", false},
        AddressCase{"http://www.example.com/a.htm", ".htm", false},
        // One dot: its extension, lower-cased, four characters at most.
        AddressCase{"report.DOC", ".doc", false}, AddressCase{"notes.txt", ".txt", false},
        AddressCase{"x.c", ".c", false}, AddressCase{"archive.tar", ".tar", false},
        AddressCase{"page.html", ".htm", false}, AddressCase{".profile", ".pro", false},
        // Mail addresses.
        AddressCase{"someone@example.com", "mailto", true}, AddressCase{"a@b@c", "mailto", true},
        // "@" in front shows the mail icon but does not open as mail.
        AddressCase{"@example", "mailto", false},
        // Mail with a path still counts as mail: there is no scheme.
        AddressCase{"user@host/path", "mailto", true},
        // A URL scheme makes "@" user information of a web address.
        AddressCase{"http://user@host/path", ".htm", false},
        AddressCase{"https://user:pw@example.com/x.y", ".htm", false},
        AddressCase{"ftp://anon@ftp.example.org", ".htm", false},
        AddressCase{"svn+ssh://me@repo", ".htm", false},
        // A URL is a web page even with one dot.
        AddressCase{"http://example.com", ".htm", false},
        AddressCase{"HTTP://host/report.doc", ".htm", false},
        // Not a scheme: a digit first, or no "//".
        AddressCase{"1http://user@host", "mailto", true},
        AddressCase{"news:group@host", "mailto", true},
        // Program paths are keyed by the whole lower-cased path.
        AddressCase{"/opt/Tools/Setup.EXE", "/opt/tools/setup.exe", false},
        // A further dot in a folder name makes it a web page.
        AddressCase{"/opt/v1.2/setup.exe", ".htm", false},
        // Double-byte text: the key takes whole characters and keeps them as they are.
        AddressCase{"文件.文档说明", ".文档说", false}, AddressCase{"报告.Doc", ".doc", false}));

TEST(AddressRules, DoubleByteSecondBytesAreNeitherMailSignsNorLetters) {
    // 0xC0 0x40 is one GBK character whose second byte is "@"; 0xB0 0x41 has "A".
    std::string withAtByte =
        "\xC0\x40"
        "abc";
    EXPECT_FALSE(showsMailIcon(withAtByte));
    EXPECT_EQ(iconKeyForAddress(withAtByte), ".htm");
    std::string upperTrail = "a.\xB0\x41Z";
    EXPECT_EQ(iconKeyForAddress(upperTrail), ".\xB0\x41z");
    // A lone lead byte at the end is one character.
    EXPECT_EQ(addressExtension("a.\x81", true), ".\x81");
}

struct ProgramCase {
    std::string path;  // stored text
    bool byExtension;
    std::string key;
};

class ProgramKeys : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramKeys, AreTheLowerCasedFileName) {
    const ProgramCase& c = GetParam();
    EXPECT_EQ(namesProgramByExtension(c.path), c.byExtension) << c.path;
    EXPECT_EQ(programIconKey(c.path), c.key) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramKeys,
    ::testing::Values(ProgramCase{"/opt/Tools/Setup.EXE", true, "setup.exe"},
                      ProgramCase{"C:\\Apps\\Player.exe", true, "player.exe"},
                      ProgramCase{"Setup.Exe", true, "setup.exe"},
                      ProgramCase{"/usr/bin/GIMP", false, "gimp"},
                      ProgramCase{"/usr/local/bin/my-tool.sh", false, "my-tool.sh"},
                      // A further dot, a mail address, a URL: no program by its name.
                      ProgramCase{"/opt/v1.2/setup.exe", false, "setup.exe"},
                      ProgramCase{"me@setup.exe", false, "me@setup.exe"},
                      ProgramCase{"http://host/setup.exe", false, "setup.exe"},
                      ProgramCase{"/usr/bin/", false, ""},
                      // "癨" (B0 5C) ends in a backslash byte that separates nothing.
                      ProgramCase{"/opt/" + text::gbk("癨工具"), false, text::gbk("癨工具")},
                      ProgramCase{text::gbk("/软件/播放器.EXE"), true, text::gbk("播放器.exe")}));

TEST(AddressRules, OpeningIgnoresALeadingDotAndKeepsCase) {
    EXPECT_EQ(addressExtension(".profile", false), ".htm");
    EXPECT_EQ(addressExtension("Report.DOC", false), ".DOC");
    EXPECT_EQ(addressExtension("a.b.c", false), ".htm");
}

}  // namespace
}  // namespace brivanta
