#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app/CommandState.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {
namespace {

enum class Shape {
    NoTree,           // no target at all
    Empty,            // a tree without entries
    Entries,          // entries, none selected
    Selected,         // the link selected
    DeletedSelection  // the selection names an entry that was deleted
};

struct StateCase {
    const char* name;
    int kind;
    Shape shape;
    bool marked;  // the link marked for copying
    bool canUndo;
    bool canRedo;
    ViewOptions options;
    std::vector<Command> enabled;
    std::vector<Command> disabled;
    std::vector<Command> checked;
    std::vector<Command> unchecked;
    std::vector<Command> hidden;
};

void PrintTo(const StateCase& c, std::ostream* out) {
    *out << c.name;
}

const ViewOptions kAllOff{.openInNewBrowser = false,
                          .showMenuIcons = false,
                          .showTrayIcon = false,
                          .showToolbar = false,
                          .listening = false,
                          .autoHide = false};
const ViewOptions kAllOn{.openInNewBrowser = true,
                         .showMenuIcons = true,
                         .showTrayIcon = true,
                         .showToolbar = true,
                         .listening = true,
                         .autoHide = true};

class CommandStates : public ::testing::TestWithParam<StateCase> {};

TEST_P(CommandStates, FollowTargetSelectionHistoryAndSwitches) {
    const StateCase& c = GetParam();
    BookmarkTree tree(c.kind);
    tree.setShowMenuIcons(c.options.showMenuIcons);
    ItemId folder = tree.InsertNode({"Folder", "", ""});
    ItemId link = tree.InsertNode({"Link", "https://example.com/", ""}, folder);
    CommandContext context;
    context.tree = c.shape == Shape::NoTree ? nullptr : &tree;
    context.canUndo = c.canUndo;
    context.canRedo = c.canRedo;
    context.options = c.options;
    if (c.marked)
        markForCopy(tree, link);
    switch (c.shape) {
        case Shape::NoTree:
        case Shape::Entries:
            break;
        case Shape::Empty:
            tree.DeleteNode();
            break;
        case Shape::Selected:
            context.selected = link;
            break;
        case Shape::DeletedSelection:
            context.selected = link;
            tree.DeleteNode(link);
            break;
    }
    const auto states = commandStates(context);
    auto state = [&](Command command) { return states[static_cast<size_t>(command)]; };
    for (Command command : c.enabled)
        EXPECT_TRUE(state(command).enabled) << static_cast<int>(command);
    for (Command command : c.disabled)
        EXPECT_FALSE(state(command).enabled) << static_cast<int>(command);
    for (Command command : c.checked) {
        EXPECT_TRUE(state(command).checkable) << static_cast<int>(command);
        EXPECT_TRUE(state(command).checked) << static_cast<int>(command);
    }
    for (Command command : c.unchecked) {
        EXPECT_TRUE(state(command).checkable) << static_cast<int>(command);
        EXPECT_FALSE(state(command).checked) << static_cast<int>(command);
    }
    for (Command command : c.hidden)
        EXPECT_FALSE(state(command).visible) << static_cast<int>(command);
    // One function, one answer: the table and the single state agree.
    for (size_t i = 0; i < kCommandCount; ++i)
        EXPECT_EQ(states[i], commandState(static_cast<Command>(i), context)) << i;
}

using C = Command;

INSTANTIATE_TEST_SUITE_P(
    Table, CommandStates,
    ::testing::Values(
        StateCase{"no_target",
                  kCustomTree,
                  Shape::NoTree,
                  false,
                  true,
                  true,
                  kAllOn,
                  {C::Settings, C::Help, C::About, C::Exit, C::Search, C::ReceiveFromMailbox},
                  {C::NewEntry, C::Edit, C::Delete, C::Paste, C::Undo, C::Redo, C::Export,
                   C::Import, C::Save, C::SendToMailbox, C::Upload, C::ShowMenuIcons,
                   C::FindDuplicates, C::CheckLinks},
                  {C::ShowToolbar, C::Listen},
                  {C::ShowMenuIcons},
                  {C::NewContact}},
        StateCase{"empty_custom",
                  kCustomTree,
                  Shape::Empty,
                  false,
                  false,
                  false,
                  kAllOff,
                  {C::NewEntry, C::Import, C::Save, C::Upload, C::SendToNeighbour},
                  {C::Delete, C::Export, C::SendToMailbox, C::Edit, C::Cut, C::Copy, C::Paste,
                   C::Undo, C::Redo, C::NewContact, C::FindDuplicates, C::CheckLinks},
                  {},
                  {C::ShowToolbar, C::ShowTrayIcon, C::ShowMenuIcons, C::Listen, C::AutoHide},
                  {C::NewContact}},
        StateCase{"entries_nothing_selected",
                  kCustomTree,
                  Shape::Entries,
                  false,
                  true,
                  false,
                  kAllOn,
                  {C::Delete, C::Export, C::SendToMailbox, C::Undo, C::ShowMenuIcons,
                   C::FindDuplicates, C::CheckLinks},
                  {C::Edit, C::Rename, C::Cut, C::Copy, C::Paste, C::Redo},
                  {C::ShowToolbar, C::ShowTrayIcon, C::ShowMenuIcons, C::Listen, C::AutoHide},
                  {},
                  {}},
        StateCase{"selection_and_mark",
                  kCustomTree,
                  Shape::Selected,
                  true,
                  false,
                  true,
                  kAllOff,
                  {C::Edit, C::Rename, C::Cut, C::Copy, C::Paste, C::Redo, C::Delete},
                  {C::Undo, C::NewContact},
                  {},
                  {C::Listen},
                  {}},
        StateCase{"deleted_selection_and_mark",
                  kCustomTree,
                  Shape::DeletedSelection,
                  true,
                  false,
                  false,
                  kAllOff,
                  {C::Delete, C::Export},
                  {C::Edit, C::Rename, C::Cut, C::Copy, C::Paste},
                  {},
                  {},
                  {}},
        StateCase{"recommended",
                  kRecommendedTree,
                  Shape::Selected,
                  false,
                  false,
                  false,
                  kAllOff,
                  {C::Edit, C::UpdateRecommended, C::SendToMailbox},
                  {C::Upload, C::NewContact, C::Paste},
                  {},
                  {C::ShowMenuIcons},
                  {C::NewContact}},
        StateCase{"address_book",
                  kAddressBookTree,
                  Shape::Entries,
                  false,
                  false,
                  false,
                  kAllOn,
                  {C::NewContact, C::NewEntry, C::Upload, C::FindDuplicates},
                  {C::Edit, C::CheckLinks},
                  {C::ShowMenuIcons},
                  {},
                  {C::CheckLinks}}),
    [](const ::testing::TestParamInfo<StateCase>& row) { return std::string(row.param.name); });

TEST(CommandStateDetail, UndoAndRedoNameTheirStepOnlyWhenTheyCanRun) {
    BookmarkTree tree(kCustomTree);
    CommandContext context;
    context.tree = &tree;
    context.undoName = "删除";
    context.redoName = "粘贴";
    context.canUndo = true;
    EXPECT_EQ(commandState(Command::Undo, context).detail, "删除");
    // Nothing to redo: the name of a step that is not there is not shown.
    EXPECT_EQ(commandState(Command::Redo, context).detail, "");
    context.canRedo = true;
    EXPECT_EQ(commandState(Command::Redo, context).detail, "粘贴");
    // Other commands never carry one.
    EXPECT_EQ(commandState(Command::Delete, context).detail, "");
}

TEST(CommandStateDetail, SyncNowFollowsTheSettingsWhateverTreeIsShown) {
    BookmarkTree custom(kCustomTree), book(kAddressBookTree);
    struct Row {
        const BookmarkTree* tree;
        bool configured;
    };
    for (Row row : {Row{nullptr, false}, Row{nullptr, true}, Row{&custom, false},
                    Row{&custom, true}, Row{&book, false}, Row{&book, true}}) {
        CommandContext context;
        context.tree = row.tree;
        context.syncConfigured = row.configured;
        const CommandState state = commandState(Command::SyncNow, context);
        EXPECT_EQ(state.enabled, row.configured) << (row.tree ? row.tree->treeKind() : 0);
        EXPECT_TRUE(state.visible);
    }
}

}  // namespace
}  // namespace brivanta
