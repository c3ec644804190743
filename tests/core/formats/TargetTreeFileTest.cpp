#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../TempDir.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TargetTreeFile.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

std::string twoRecordFile() {
    BookmarkTree tree;
    tree.InsertNode({"old", "http://old/", ""});
    tree.InsertNode({"lost", "http://lost/", ""});
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer);
    writer.flush();
    return bytes;
}

struct TargetCase {
    const char* what;
    // Makes "t.bvk" (or not) in the directory and returns the path to load.
    std::string (*make)(const testing::TempDir& dir);
    size_t records;
    bool missing;
    bool damaged;
    bool copied;
    bool mayWrite;
};

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const TargetCase kTargets[] = {
    {"whole",
     [](const testing::TempDir& d) {
         write(d.file("t.bvk"), twoRecordFile());
         return d.file("t.bvk");
     },
     2, false, false, false, true},
    {"missing", [](const testing::TempDir& d) { return d.file("t.bvk"); }, 0, true, false, false,
     true},
    {"cut_short",
     [](const testing::TempDir& d) {
         std::string bytes = twoRecordFile();
         write(d.file("t.bvk"), bytes.substr(0, bytes.size() - 3));
         return d.file("t.bvk");
     },
     1, false, true, true, true},
    {"cut_short_with_every_copy_name_taken",
     [](const testing::TempDir& d) {
         std::string bytes = twoRecordFile();
         write(d.file("t.bvk"), bytes.substr(0, bytes.size() - 3));
         write(d.file("t.bvk.damaged"), "older");
         for (int n = 1; n < 100; ++n)
             write(d.file("t.bvk.damaged." + std::to_string(n)), "older");
         return d.file("t.bvk");
     },
     1, false, true, false, false},
    {"below_a_plain_file",
     [](const testing::TempDir& d) {
         write(d.file("plain"), "x");
         return d.file("plain/t.bvk");
     },
     0, false, false, false, false},
};

class TargetTree : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetTree, LoadsAndKeepsADamagedOriginalBeforeAnyWrite) {
    testing::TempDir dir;
    const TargetCase& c = GetParam();
    const std::string path = c.make(dir);
    std::string before;
    readWholeFile(path, before);
    BookmarkTree tree;
    TargetTreeLoad load = loadTargetTree(tree, path);
    EXPECT_EQ(tree.size(), c.records);
    EXPECT_EQ(load.records, c.records);
    EXPECT_EQ(load.missing, c.missing);
    EXPECT_EQ(load.damaged, c.damaged);
    EXPECT_EQ(!load.damagedCopy.empty(), c.copied);
    EXPECT_EQ(load.mayWrite(), c.mayWrite);
    if (c.copied) {
        std::string kept;
        ASSERT_FALSE(readWholeFile(load.damagedCopy, kept));
        EXPECT_EQ(kept, before);
        EXPECT_NE(load.notice(path).find(load.damagedCopy), std::string::npos);
    }
    if (c.damaged && !c.copied) {
        // No older copy is ever replaced to make room.
        for (int n = 0; n < 100; ++n) {
            std::string old;
            readWholeFile(path + ".damaged" + (n == 0 ? "" : "." + std::to_string(n)), old);
            EXPECT_EQ(old, "older") << n;
        }
        EXPECT_NE(load.notice(path).find("不写入"), std::string::npos) << load.notice(path);
    }
    EXPECT_EQ(load.notice(path).empty(), !c.damaged && load.mayWrite());
}

INSTANTIATE_TEST_SUITE_P(Files, TargetTree, ::testing::ValuesIn(kTargets),
                         [](const auto& row) { return std::string(row.param.what); });

}  // namespace
}  // namespace brivanta
