#include <gtest/gtest.h>

#include <fstream>

#include "../TempDir.h"
#include "core/formats/FileStreams.h"
#include "core/net/LinkResultsFile.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

LinkOutcome outcome(LinkResult r, long code, std::time_t at, std::string newAddress = "") {
    LinkOutcome o;
    o.result = r;
    o.code = code;
    o.checkedAt = at;
    o.newAddress = std::move(newAddress);
    return o;
}

TEST(LinkResultsFileTest, RoundTripsGbkAddressesAndTabs) {
    testing::TempDir dir;
    std::string odd = "http://x.example/" + text::gbk("新闻") + "\t\\\n\x81";
    LinkResultsFile file;
    file.record(
        odd, outcome(LinkResult::moved, 301, 1765300000, "https://x.example/" + text::gbk("新")));
    file.record("http://a.example/", outcome(LinkResult::notFound, 404, 1765300001));
    std::string path = dir.file("t.bvk.links");
    ASSERT_FALSE(file.save(path));

    LinkResultsFile again;
    size_t skipped = 99;
    ASSERT_FALSE(again.load(path, &skipped));
    EXPECT_EQ(skipped, 0u);
    ASSERT_EQ(again.size(), 2u);
    const LinkResultsFile::Entry* e = again.find(odd);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->result, LinkResult::moved);
    EXPECT_EQ(e->code, 301);
    EXPECT_EQ(e->checkedAt, 1765300000);
    EXPECT_EQ(e->newAddress, "https://x.example/" + text::gbk("新"));
    std::string bytes;
    readWholeFile(path, bytes);
    EXPECT_NE(bytes.find("2025-12-09T17:06:41Z\tnot-found\t404\thttp://a.example/\n"),
              std::string::npos)
        << bytes;
}

TEST(LinkResultsFileTest, SkipsLinesThatDoNotReadAndKeepsTheRest) {
    testing::TempDir dir;
    std::string path = dir.file("t.links");
    std::ofstream(path, std::ios::binary)
        << "# brivanta link results 1\n"
           "2026-01-02T03:04:05Z\tworking\t200\thttp://good.example/\n"
           "2026-13-02T03:04:05Z\tworking\t200\thttp://bad-month.example/\n"
           "2026-01-02T03:04:05Z\tfine\t200\thttp://bad-word.example/\n"
           "2026-01-02T03:04:05Z\tworking\tx\thttp://bad-code.example/\n"
           "2026-01-02T03:04:05Z\tworking\t200\thttp://bad\\escape/\n"
           "2026-01-02T03:04:05Z\tworking\t200\n"
           "garbage\n"
           "\n"
           "2026-01-02T03:04:05Z\ttimed-out\t0\thttp://slow.example/";  // no final line end
    LinkResultsFile file;
    size_t skipped = 0;
    ASSERT_FALSE(file.load(path, &skipped));
    EXPECT_EQ(skipped, 6u);
    EXPECT_EQ(file.size(), 2u);
    ASSERT_NE(file.find("http://slow.example/"), nullptr);
    EXPECT_EQ(file.find("http://slow.example/")->result, LinkResult::timedOut);
}

TEST(LinkResultsFileTest, MissingFileIsEmptyAndUnreadableOneNamesItself) {
    testing::TempDir dir;
    LinkResultsFile file;
    EXPECT_FALSE(file.load(dir.file("none.links")));
    EXPECT_EQ(file.size(), 0u);
    FileError error = file.load(dir.path());  // a directory
    EXPECT_TRUE(error.failed());
    EXPECT_EQ(error.path, dir.path());
}

TEST(LinkResultsFileTest, ChoosesWhatToAskAgain) {
    LinkResultsFile file;
    const std::time_t now = 1765300000;
    const long long day = 86400;
    file.record("dead", outcome(LinkResult::notFound, 404, now - 10));
    file.record("fresh", outcome(LinkResult::working, 200, now - 10));
    file.record("old", outcome(LinkResult::moved, 301, now - 40 * day));
    struct Row {
        const char* address;
        bool onlyFailed;
        long long maxAge;
        bool asked;
    };
    for (const Row& r : {Row{"dead", true, 0, true}, Row{"fresh", true, 0, false},
                         Row{"old", true, 0, false}, Row{"never", true, 0, true},
                         Row{"old", false, 30 * day, true}, Row{"fresh", false, 30 * day, false},
                         Row{"dead", false, 30 * day, false}, Row{"old", true, 30 * day, true},
                         Row{"fresh", false, 0, true}, Row{"never", false, 30 * day, true}})
        EXPECT_EQ(file.needsCheck(r.address, now, r.onlyFailed, r.maxAge), r.asked)
            << r.address << " onlyFailed=" << r.onlyFailed << " maxAge=" << r.maxAge;
}

}  // namespace
}  // namespace brivanta::net
