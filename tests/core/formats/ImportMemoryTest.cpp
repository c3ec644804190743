#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../ChildRun.h"

namespace brivanta {
namespace {

using testing::ChildRun;
using testing::runChild;

// A hostile or merely large source file of about `bytes` bytes, written piece by piece so
// that the test process itself stays small (a child's peak counts the parent it came from).
struct BigSource {
    const char* what;
    const char* kind;  // the import kind
    std::size_t bytes;
    void (*write)(std::ostream& out, std::size_t bytes);
    int status;  // what the import exits with
};

constexpr std::size_t kMiB = 1 << 20;

void repeat(std::ostream& out, std::size_t bytes, const std::string& head, const std::string& unit,
            const std::string& tail) {
    out << head;
    std::string block;
    while (block.size() < kMiB)
        block += unit;
    for (std::size_t written = head.size() + tail.size(); written + block.size() <= bytes;
         written += block.size())
        out << block;
    out << tail;
}

// `unit` written `count` times.
void times(std::ostream& out, const std::string& unit, std::size_t count) {
    const std::size_t perBlock = kMiB / unit.size();
    std::string block;
    for (std::size_t i = 0; i < perBlock; ++i)
        block += unit;
    for (; count >= perBlock; count -= perBlock)
        out << block;
    for (; count > 0; --count)
        out << unit;
}

template <typename Unit>
void numbered(std::ostream& out, std::size_t bytes, const std::string& head, Unit unit,
              const std::string& tail) {
    out << head;
    std::size_t written = head.size() + tail.size();
    for (std::size_t i = 0; written < bytes; ++i) {
        std::string piece = unit(i);
        written += piece.size();
        out << piece;
    }
    out << tail;
}

const BigSource kSources[] = {
    {"chromium_empty_objects", "chromium", 100 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         repeat(out, bytes, R"({"roots":{"bookmark_bar":{"children":[)", "{},", "{}]}}}");
     },
     0},
    {"chromium_array_of_empty_objects", "chromium", 100 * kMiB,
     [](std::ostream& out, std::size_t bytes) { repeat(out, bytes, "[", "{},", "{}]"); }, 1},
    {"chromium_empty_objects_outside_the_roots", "chromium", 100 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         repeat(out, bytes, R"({"meta":[)", "{},", R"({}],"roots":{}})");
     },
     0},
    {"chromium_links", "chromium", 30 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         numbered(
             out, bytes, R"({"roots":{"bookmark_bar":{"children":[)",
             [](std::size_t i) {
                 std::string n = std::to_string(i);
                 return R"({"name":"n)" + n + R"(","type":"url","url":"http://e/)" + n + "\"},";
             },
             R"({}]}}})");
     },
     0},
    {"chromium_deep_chain", "chromium", 30 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         const std::string open = R"({"children":[)";
         const std::size_t levels = bytes / (open.size() + 2);
         out << R"({"roots":{"bookmark_bar":{"children":[)";
         times(out, open, levels);
         times(out, "]}", levels);
         out << "]}}}";
     },
     0},
    {"bookmark_file_links", "netscape", 30 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         numbered(
             out, bytes, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n",
             [](std::size_t i) {
                 std::string n = std::to_string(i);
                 return "<DT><A HREF=\"http://e/" + n + "\">n" + n + "</A>\n";
             },
             "</DL><p>\n");
     },
     0},
    {"xbel_links", "xbel", 30 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         numbered(
             out, bytes, "<xbel version=\"1.0\">\n",
             [](std::size_t i) {
                 std::string n = std::to_string(i);
                 return "<bookmark href=\"http://e/" + n + "\" id=\"" + n + "\"><title>n" + n +
                        "</title></bookmark>\n";
             },
             "</xbel>\n");
     },
     0},
    {"html_page_rows", "html", 30 * kMiB,
     [](std::ostream& out, std::size_t bytes) {
         numbered(
             out, bytes, "<html><body><table>",
             [](std::size_t i) {
                 std::string n = std::to_string(i);
                 return "<tr><td>n" + n + "</td><td><a href='http://e/" + n + "'>x</a></td></tr>";
             },
             "</table></body></html>");
     },
     0},
};

class ImportMemory : public ::testing::TestWithParam<BigSource> {};

TEST_P(ImportMemory, PeakStaysWithinThreeTimesTheFilePlus100MiB) {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's shadow memory and quarantine are part of the peak: nothing to measure.
    GTEST_SKIP() << "resident memory is not the program's own under AddressSanitizer";
#endif
    testing::TempDir dir;
    const std::string source = dir.file("source");
    {
        std::ofstream out(source, std::ios::binary);
        GetParam().write(out, GetParam().bytes);
    }
    const auto size = std::filesystem::file_size(source);
    ChildRun run = runChild(dir, {"import", GetParam().kind, source, dir.file("t.bvk")});
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    const std::uint64_t peak = static_cast<std::uint64_t>(run.peakKiB) * 1024;
    EXPECT_LE(peak, 3 * size + 100 * kMiB)
        << "peak " << (peak >> 20) << " MiB for a file of " << (size >> 20) << " MiB";
    // The figure for the README.
    std::printf("%s: %llu MiB file, peak %llu MiB\n", GetParam().what,
                static_cast<unsigned long long>(size >> 20),
                static_cast<unsigned long long>(peak >> 20));
}

INSTANTIATE_TEST_SUITE_P(Files, ImportMemory, ::testing::ValuesIn(kSources),
                         [](const auto& row) { return std::string(row.param.what); });

// XBEL is parsed into a document first, which a file of empty elements makes sixteen times its
// size: the parse is refused once it takes four times the file and 64 MiB.
TEST(ImportMemory, XbelOfEmptyElementsIsRefusedAtItsCap) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "resident memory is not the program's own under AddressSanitizer";
#endif
    testing::TempDir dir;
    const std::string source = dir.file("source");
    {
        std::ofstream out(source, std::ios::binary);
        repeat(out, 30 * kMiB, "<xbel>", "<a/>", "</xbel>");
    }
    const auto size = std::filesystem::file_size(source);
    ChildRun run = runChild(dir, {"import", "xbel", source, dir.file("t.bvk")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("文件的元素太多"), std::string::npos) << run.err;
    const std::uint64_t peak = static_cast<std::uint64_t>(run.peakKiB) * 1024;
    EXPECT_LE(peak, 5 * size + 100 * kMiB) << "peak " << (peak >> 20) << " MiB";
    std::printf("xbel_empty_elements: %llu MiB file, peak %llu MiB\n",
                static_cast<unsigned long long>(size >> 20),
                static_cast<unsigned long long>(peak >> 20));
}

}  // namespace
}  // namespace brivanta
