#include "core/app/TipsReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"

namespace brivanta {
namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Tips read in a row from a file, starting at a stored position of a matching stamp.
struct ReadCase {
    const char* name;
    std::string content;
    std::int64_t start;  // -1: from a changed file (stamp differs), else this position
    std::vector<std::string> tips;
};

class TipsReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TipsReading, ReadsTipsInOrder) {
    const ReadCase& c = GetParam();
    testing::TempDir dir;
    std::string path = dir.file("tips.txt");
    writeFile(path, c.content);
    std::string stamp = TipsReader(path, 0, "").timeStamp();
    TipsReader reader(path, c.start < 0 ? 0 : c.start, c.start < 0 ? "old" : stamp);
    ASSERT_TRUE(reader.isOpen());
    EXPECT_EQ(reader.stampChanged(), c.start < 0);
    EXPECT_FALSE(reader.readError());
    for (const std::string& expected : c.tips)
        EXPECT_EQ(reader.nextTip(), expected);
}

const std::string kLong(999, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, TipsReading,
    ::testing::Values(
        ReadCase{"SkipsCommentsBlanksAndEmptyLines",
                 "; note\n\n  indented\n\tTabbed\r\nfirst\n;x\nsecond",
                 0,
                 {"first\n", "second", "first\n"}},
        ReadCase{"StartsOverAfterTheLastTip", "a\nb\n", 0, {"a\n", "b\n", "a\n", "b\n"}},
        ReadCase{"ContinuesAtTheStoredPosition", "a\nb\nc\n", 2, {"b\n", "c\n", "a\n"}},
        ReadCase{"APositionMidLineReadsItsRest", "abc\nd\n", 1, {"bc\n", "d\n", "abc\n"}},
        ReadCase{"APositionPastTheEndStartsOver", "a\nb\n", 500, {"a\n", "b\n"}},
        ReadCase{"AChangedFileStartsAtTheTop", "a\nb\nc\n", -1, {"a\n", "b\n"}},
        // 999 bytes fill the buffer; the line end is the next "line" and is skipped.
        ReadCase{"ALineOf999BytesIsOneTip", kLong + "\nnext\n", 0, {kLong, "next\n", kLong}},
        ReadCase{"ALongerLineIsSplit", kLong + "yz\nnext\n", 0, {kLong, "yz\n", "next\n"}},
        ReadCase{"AnEmptyFileGivesAnEmptyTip", "", 0, {"", ""}},
        ReadCase{"OnlyCommentsGiveAnEmptyTip", ";a\n\n ;b\n", 0, {"", ""}},
        ReadCase{"OnlyCommentsFromAStoredPosition", ";a\n\n ;b\n", 3, {""}}),
    [](const ::testing::TestParamInfo<ReadCase>& row) { return std::string(row.param.name); });

TEST(TipsReader, AMissingFileIsNotOpenAndGivesNothing) {
    testing::TempDir dir;
    TipsReader reader(dir.file("tips.txt"), 5, "x");
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.timeStamp().empty());
    EXPECT_EQ(reader.nextTip(), "");
    EXPECT_EQ(reader.position(), -1);
    // A directory of that name is no tips file either.
    std::filesystem::create_directory(dir.file("tips.txt"));
    EXPECT_FALSE(TipsReader(dir.file("tips.txt"), 0, "").isOpen());
}

TEST(TipsReader, APositionKeptBetweenRunsContinuesAfterTheLastTipShown) {
    testing::TempDir dir;
    writeFile(dir.relative("tips.txt"), "a\n;c\nb\nc\n");
    std::int64_t position = 0;
    std::string stamp;
    {
        TipsReader first(dir.relative("tips.txt"), position, stamp);  // a relative path
        EXPECT_TRUE(first.stampChanged());
        EXPECT_EQ(first.nextTip(), "a\n");
        EXPECT_EQ(first.nextTip(), "b\n");
        position = first.position();
        stamp = first.timeStamp();
    }
    EXPECT_EQ(position, 7);
    std::filesystem::create_symlink(dir.file("tips.txt"), dir.file("link.txt"));
    TipsReader again(dir.relative("link.txt"), position, stamp);
    EXPECT_FALSE(again.stampChanged());
    EXPECT_EQ(again.nextTip(), "c\n");
}

TEST(TipsReader, EditingTheFileStartsOverAndANegativePositionIsAReadError) {
    testing::TempDir dir;
    std::string path = dir.file("tips.txt");
    writeFile(path, "a\nb\n");
    std::string stamp = TipsReader(path, 0, "").timeStamp();
    EXPECT_EQ(stamp.size(), 24U) << stamp;
    auto later = std::filesystem::last_write_time(path) + std::chrono::hours(25);
    std::filesystem::last_write_time(path, later);
    TipsReader edited(path, 2, stamp);
    EXPECT_TRUE(edited.stampChanged());
    EXPECT_NE(edited.timeStamp(), stamp);
    EXPECT_EQ(edited.nextTip(), "a\n");

    TipsReader broken(path, -4, edited.timeStamp());
    EXPECT_TRUE(broken.readError());
    EXPECT_EQ(broken.nextTip(), "a\n");
    EXPECT_FALSE(broken.readError());
}

}  // namespace
}  // namespace brivanta
