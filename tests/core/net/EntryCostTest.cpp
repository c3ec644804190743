// What a received entry really takes once it is in a tree, against the figure the transfers
// charge to the memory budget for it.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/TransferLimits.h"

namespace brivanta::net {
namespace {

std::uint64_t heapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Whether mallinfo2 sees this program's allocations (not so under a sanitizer's allocator).
bool heapIsMeasurable() {
    const std::uint64_t before = heapInUse();
    auto block = std::make_unique<char[]>(8u << 20);
    block[0] = 1;
    return heapInUse() >= before + (8u << 20);
}

struct Shape {
    const char* name;
    int folderSize;   // entries below each top-level folder; 0: every entry at the top level
    int chainLength;  // with no folders: each entry the one child of the one before, this deep
    size_t nameBytes;
    size_t addressBytes;
};

class EntryCost : public ::testing::TestWithParam<Shape> {};

TEST_P(EntryCost, TheChargeCoversWhatTheTreeTakes) {
    if (!heapIsMeasurable())
        GTEST_SKIP() << "mallinfo2 does not see this allocator";
    const Shape& shape = GetParam();
    constexpr int kEntries = 200'000;
    std::string bytes;
    std::uint64_t textBytes = 0;
    {
        BookmarkTree source;
        const std::string address(shape.addressBytes, 'a');
        ItemId folder = kNoItem;
        for (int i = 0; i < kEntries; ++i) {
            std::string name = std::to_string(i);
            name.resize(shape.nameBytes, 'n');
            ItemId parent = kNoItem;
            if (shape.folderSize > 0 && i % (shape.folderSize + 1) != 0)
                parent = folder;
            if (shape.chainLength > 1 && i % shape.chainLength != 0)
                parent = folder;
            ItemId item = source.InsertNode({name, address, ""}, parent);
            if (parent == kNoItem || shape.chainLength > 1)
                folder = item;
            textBytes += name.size() + address.size();
        }
        StringSink sink(bytes);
        ArchiveWriter writer(sink);
        SerializeTree(source, writer, kNoItem);
        ASSERT_TRUE(writer.flush());
    }

    MemorySource input(bytes);
    ArchiveReader reader(input);
    const std::uint64_t before = heapInUse();
    auto tree = std::make_unique<BookmarkTree>();
    ASSERT_EQ(SerializeTree(*tree, reader, kNoItem), static_cast<size_t>(kEntries));
    const std::uint64_t taken = heapInUse() - before;

    const double perEntry = static_cast<double>(taken - textBytes) / kEntries;
    std::printf("[ %s ] %.1f bytes an entry besides its %.1f bytes of text\n", shape.name, perEntry,
                static_cast<double>(textBytes) / kEntries);
    RecordProperty("bytes_per_entry_besides_text", static_cast<int>(perEntry + 0.5));
    // The charge (with only the texts counted, as the mailbox reader charges them) stays
    // above what the tree really takes...
    const std::uint64_t charged =
        std::uint64_t(kEntries) * TransferLimits::entryCost(0) + textBytes;
    EXPECT_GE(charged, taken) << shape.name;
    // ...but not so far above it that transfers which would fit are refused (the widest gap
    // is a flat tree of tiny texts).
    EXPECT_LE(charged, taken * 3) << shape.name;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, EntryCost,
    ::testing::Values(Shape{"FlatShortTexts", 0, 1, 6, 14}, Shape{"FlatEmptyAddresses", 0, 1, 4, 0},
                      Shape{"FoldersOfOne", 1, 1, 6, 14}, Shape{"FoldersOfThree", 3, 1, 6, 14},
                      Shape{"FoldersOfTwenty", 20, 1, 8, 30},
                      Shape{"FlatLongerTexts", 0, 1, 24, 60}, Shape{"ChainsOfEight", 0, 8, 6, 14},
                      Shape{"ChainsOfSixtyFour", 0, 64, 6, 14}),
    [](const ::testing::TestParamInfo<Shape>& row) { return row.param.name; });

}  // namespace
}  // namespace brivanta::net
