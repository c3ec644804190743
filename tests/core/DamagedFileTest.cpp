#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

std::string threeRecords() {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter w(sink);
    for (const char* s : {"one", "1", "two", "2", "three", "3"})
        w.writeString(s);
    w.flush();
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
    AtomicFileSink sink;
    ASSERT_FALSE(sink.open(path).failed());
    sink.write(bytes.data(), bytes.size());
    ASSERT_FALSE(sink.commit().failed());
}

struct DamageCase {
    const char* what;
    std::string bytes;
    size_t records;
    bool damaged;
};

class DamagedFile : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFile, IsToldApartFromACleanEnd) {
    testing::TempDir dir;
    writeFile(dir.file("t.bvk"), GetParam().bytes);
    BookmarkTree tree;
    bool damaged = !GetParam().damaged;
    ASSERT_TRUE(loadArchiveFile(tree, dir.file("t.bvk"), kNoItem, nullptr, &damaged));
    EXPECT_EQ(tree.size(), GetParam().records);
    EXPECT_EQ(damaged, GetParam().damaged);
}

const std::string kWhole = threeRecords();
INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    ::testing::Values(
        DamageCase{"whole", kWhole, 3, false}, DamageCase{"empty", "", 0, false},
        DamageCase{"cut_in_a_string", kWhole.substr(0, kWhole.size() - 1), 2, true},
        DamageCase{"name_without_address", kWhole.substr(0, kWhole.size() - 2), 2, true},
        DamageCase{"length_past_the_end", kWhole + "\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 3, true}),
    [](const auto& row) { return std::string(row.param.what); });

TEST(DamagedFile, ACopyIsKeptBesideItAndNeverOverwritten) {
    testing::TempDir dir;
    const std::string cut = kWhole.substr(0, kWhole.size() - 1);
    writeFile(dir.relative("t.bvk"), cut);
    EXPECT_EQ(keepDamagedCopy(dir.relative("t.bvk")), dir.relative("t.bvk.damaged"));
    EXPECT_EQ(keepDamagedCopy(dir.relative("t.bvk")), dir.relative("t.bvk.damaged.1"));
    BookmarkTree tree;
    tree.InsertNode({"new", "n", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.relative("t.bvk")).failed());
    std::string kept;
    ASSERT_FALSE(readWholeFile(dir.relative("t.bvk.damaged"), kept).failed());
    EXPECT_EQ(kept, cut);
    EXPECT_EQ(keepDamagedCopy(dir.relative("missing.bvk")), "");
}

}  // namespace
}  // namespace brivanta
