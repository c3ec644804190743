#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/CleanupCommands.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {
namespace {

std::string archiveBytes(BookmarkTree& tree) {
    std::string out;
    StringSink sink(out);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer);
    writer.flush();
    return out;
}

// Labels (UTF-8) with their depth and any address, in tree order.
std::string outline(const BookmarkTree& tree) {
    std::string out;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        out += std::string(static_cast<size_t>(depth), '-') + text::toUtf8(tree.label(item));
        RecordRef record = tree.LookupRecord(item);
        if (!record->address.empty())
            out += "=" + std::string(record->address);
        out += " ";
    });
    return out;
}

// 链接{甲=a, 乙=b}, 丙=a, 丁=c: the items by their place in that order.
struct Sample {
    BookmarkTree tree{kCustomTree};
    ItemId folder = tree.InsertNode({text::gbk("链接"), "", ""}, kNoItem);
    ItemId a1 = tree.InsertNode({text::gbk("甲"), "a", ""}, folder);
    ItemId b = tree.InsertNode({text::gbk("乙"), "b", ""}, folder);
    ItemId a2 = tree.InsertNode({text::gbk("丙"), "a", ""}, kNoItem);
    ItemId c = tree.InsertNode({text::gbk("丁"), "c", ""}, kNoItem);
};

struct CleanupCase {
    const char* name;
    std::function<std::unique_ptr<TreeCommand>(Sample&)> make;
    const char* after;  // outline(), "" when nothing changes
};

class CleanupCommands : public ::testing::TestWithParam<CleanupCase> {};

// Each clean-up is one command: it leaves what it says, undo gives back the same bytes, and
// a redo after the undo (entries now with new item data) gives the same result again.
TEST_P(CleanupCommands, ChangeUndoAndRedoExactly) {
    Sample s;
    std::unique_ptr<TreeCommand> command = GetParam().make(s);
    const std::string before = archiveBytes(s.tree);
    const bool changed = command->redo() && command->changedAnything();
    if (*GetParam().after == '\0') {
        EXPECT_FALSE(changed);
        EXPECT_EQ(archiveBytes(s.tree), before);
        return;
    }
    ASSERT_TRUE(changed);
    EXPECT_EQ(outline(s.tree), GetParam().after);
    const std::string after = archiveBytes(s.tree);
    ASSERT_TRUE(command->undo());
    EXPECT_EQ(archiveBytes(s.tree), before);
    ASSERT_TRUE(command->redo());
    EXPECT_EQ(archiveBytes(s.tree), after);
    ASSERT_TRUE(command->undo());
    EXPECT_EQ(archiveBytes(s.tree), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanupCommands,
    ::testing::Values(
        CleanupCase{"KeepOne",
                    [](Sample& s) {
                        return keepOneCommand(s.tree, s.a2, {s.a1, s.a2});
                    },
                    "链接 -乙=b 丙=a 丁=c "},
        CleanupCase{"KeepOneThatIsGoneDeletesNothing",
                    [](Sample& s) {
                        s.tree.DeleteNode(s.a2);
                        return keepOneCommand(s.tree, s.a2, {s.a1, s.a2});
                    },
                    ""},
        CleanupCase{"DeleteSeveralAndOneInsideAnother",
                    [](Sample& s) {
                        return deleteEntriesCommand(s.tree, {s.folder, s.b, s.c});
                    },
                    "丙=a "},
        CleanupCase{"UpdateAddressesKeepsNames",
                    [](Sample& s) {
                        return updateAddressesCommand(s.tree, {{s.a1, "x"}, {s.c, "y"}});
                    },
                    "链接 -甲=x -乙=b 丙=a 丁=y "},
        CleanupCase{"MoveMakesTheFolderOnce",
                    [](Sample& s) {
                        return moveToFolderCommand(s.tree, {s.b, s.c}, text::gbk("失效链接"));
                    },
                    "链接 -甲=a 丙=a 失效链接 -乙=b -丁=c "},
        CleanupCase{"MoveIntoTheFolderThereIs",
                    [](Sample& s) {
                        return moveToFolderCommand(s.tree, {s.a2, s.b}, text::gbk("链接"));
                    },
                    "链接 -甲=a -乙=b -丙=a 丁=c "},
        CleanupCase{
            "NothingToMove",
            [](Sample& s) { return moveToFolderCommand(s.tree, {s.a1}, text::gbk("链接")); }, ""}),
    [](const ::testing::TestParamInfo<CleanupCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivanta
