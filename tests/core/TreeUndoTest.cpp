#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TreeBuilders.h"
#include "core/addressbook/ContactEditor.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/EntryCommands.h"
#include "core/trees/StructureCommands.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {
namespace {

// Links to "mail..." get image 5, other links 3, tagged entries 7: enough to see images
// change and come back.
class TestIcons : public NodeIconChooser {
  public:
    int imageForTag(std::string_view) override { return 7; }
    int imageForAddress(std::string_view address) override {
        return address.substr(0, 4) == "mail" ? 5 : 3;
    }
};

std::string archiveBytes(BookmarkTree& tree) {
    std::string out;
    StringSink sink(out);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer);
    writer.flush();
    return out;
}

// What the archive leaves out: labels apart from names, images, expanded state, the mark.
std::string presentation(const BookmarkTree& tree) {
    std::string out;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        NodeState s = tree.nodeState(item);
        out += std::to_string(depth) + ":" + (s.ownLabel ? s.label : "=") + ":" +
               std::to_string(s.image) + "/" + std::to_string(s.selectedImage) +
               (s.expanded ? "+" : "-") + ";";
    });
    PasteMarkState mark = capturePasteMark(tree);
    out += " mark:" + mark.mode;
    if (mark.marked) {
        for (int row : mark.path)
            out += "." + std::to_string(row);
    }
    return out;
}

struct Snapshot {
    std::string bytes;
    std::string rest;
};

Snapshot snap(BookmarkTree& tree) {
    return {archiveBytes(tree), presentation(tree)};
}

#define EXPECT_SAME_TREE(tree, expected, where)             \
    do {                                                    \
        Snapshot now_ = snap(tree);                         \
        EXPECT_EQ(now_.bytes, (expected).bytes) << (where); \
        EXPECT_EQ(now_.rest, (expected).rest) << (where);   \
    } while (false)

ItemId at(const BookmarkTree& tree, const RowPath& path) {
    std::optional<ItemId> item = itemAt(tree, path);
    EXPECT_TRUE(item.has_value());
    return item.value_or(kNoItem);
}

// One operation of a scenario. `mark` is what a person does first without it being a step
// (cut or copy marks an entry); undo gives back the tree as it was after that. `command`
// makes the step (an import adds its entries first, then records them).
struct Step {
    std::string what;
    std::function<std::unique_ptr<TreeCommand>(BookmarkTree&)> command;
    std::function<void(BookmarkTree&)> mark = {};
};

Step newAt(RowPath parent, NodeRecord record) {
    return {"new", [=](BookmarkTree& t) {
                return std::make_unique<NewEntryCommand>(t, at(t, parent), record);
            }};
}
Step editAt(RowPath item, std::string name, std::string address) {
    return {"edit", [=](BookmarkTree& t) {
                return std::make_unique<EditCommand>(t, at(t, item), name, address);
            }};
}
Step renameAt(RowPath item, std::string text) {
    return {"rename",
            [=](BookmarkTree& t) { return std::make_unique<RenameCommand>(t, at(t, item), text); }};
}
// The empty path deletes everything.
Step deleteAt(RowPath item) {
    return {"delete",
            [=](BookmarkTree& t) { return std::make_unique<DeleteCommand>(t, at(t, item)); }};
}
Step pasteAt(RowPath source, RowPath destination, bool cut) {
    return {cut ? "cut-paste" : "copy-paste",
            [=](BookmarkTree& t) { return std::make_unique<PasteCommand>(t, at(t, destination)); },
            [=](BookmarkTree& t) {
                if (cut)
                    markForCut(t, at(t, source));
                else
                    markForCopy(t, at(t, source));
            }};
}
Step dragAt(RowPath source, RowPath destination) {
    return {"drag", [=](BookmarkTree& t) {
                return std::make_unique<PasteCommand>(t, at(t, destination), at(t, source));
            }};
}
// Pastes whatever the mark is now.
Step pasteAgain(RowPath destination) {
    return {"paste-again",
            [=](BookmarkTree& t) { return std::make_unique<PasteCommand>(t, at(t, destination)); }};
}
// Adds a folder with two links below each parent, then records them as one step.
Step importInto(std::vector<RowPath> parents) {
    return {"import", [=](BookmarkTree& t) {
                std::vector<ItemId> targets;
                for (const RowPath& p : parents)
                    targets.push_back(at(t, p));
                std::vector<ItemId> roots;
                for (ItemId parent : targets) {
                    ItemId folder = t.InsertNode({text::gbk("导入"), "", ""}, parent);
                    t.InsertNode({"x", "http://x.example.com", ""}, folder);
                    t.InsertNode({"y", "mailto:y@example.com", ""}, folder);
                    t.setExpanded(folder, true);
                    roots.push_back(folder);
                }
                return std::make_unique<EntriesAddedCommand>(t, roots);
            }};
}

// F{a; S{b;}; c}  L  G{d}, with F open, S showing its own label, and images from TestIcons.
void buildSample(BookmarkTree& tree, TestIcons& icons) {
    tree.setIconChooser(&icons);
    ItemId f = tree.InsertNode({"F", "", ""});
    tree.InsertNode({"a", "http://a.example.com", ""}, f);
    ItemId s = tree.InsertNode({text::gbk("新闻"), "", ""}, f);
    tree.InsertNode({"b", "mailto:b@example.com", ""}, s);
    tree.InsertNode({"c", "c.doc", ""}, f);
    tree.InsertNode({"L", "www.l.com", ""});
    ItemId g = tree.InsertNode({"G", "", ""});
    tree.InsertNode({"d", "d.htm", ""}, g);
    tree.setExpanded(f, true);
    tree.setLabel(s, "S-label");
}

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

// Runs every step, then undoes them all, redoes them all and undoes them all again,
// comparing the tree with what it was at each point.
void runScenario(const Scenario& scenario) {
    TestIcons icons;
    BookmarkTree tree;
    buildSample(tree, icons);
    std::vector<std::unique_ptr<TreeCommand>> done;
    std::vector<Snapshot> before;
    std::vector<Snapshot> after;
    for (const Step& step : scenario.steps) {
        // An import adds its entries before recording them: its undo must give back the
        // tree from before those additions.
        if (step.mark)
            step.mark(tree);
        Snapshot was = snap(tree);
        std::unique_ptr<TreeCommand> command = step.command(tree);
        ASSERT_TRUE(command->redo()) << step.what;
        before.push_back(was);
        after.push_back(snap(tree));
        done.push_back(std::move(command));
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = done.size(); i-- > 0;) {
            ASSERT_TRUE(done[i]->undo()) << scenario.steps[i].what;
            EXPECT_SAME_TREE(tree, before[i], "undo of " + scenario.steps[i].what);
        }
        if (pass == 1)
            break;
        for (size_t i = 0; i < done.size(); ++i) {
            ASSERT_TRUE(done[i]->redo()) << scenario.steps[i].what;
            EXPECT_SAME_TREE(tree, after[i], "redo of " + scenario.steps[i].what);
        }
    }
}

class UndoScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(UndoScenario, EveryUndoGivesBackTheTreeBeforeAndEveryRedoTheTreeAfter) {
    runScenario(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, UndoScenario,
    ::testing::Values(
        Scenario{"NewEditRename",
                 {newAt({}, {"N", "http://n.example.com", ""}), newAt({0, 1}, {"M", "", ""}),
                  // A link edited into a folder takes the folder image; back again, the link's.
                  editAt({0, 0}, "a2", ""), editAt({0, 0}, "a3", "mail.example.com"),
                  renameAt({0, 1}, "S2"), renameAt({3}, text::gbk("新的"))}},
        Scenario{"DeleteShiftsWhatFollows",
                 {deleteAt({0, 1}), renameAt({0, 1}, "c2"), deleteAt({0}), deleteAt({0}),
                  newAt({0}, {"e", "e.htm", ""})}},
        Scenario{"MoveOutAndBack",
                 {pasteAt({0, 1}, {2}, true), renameAt({2, 1}, "moved"), pasteAt({2, 1}, {0}, true),
                  pasteAt({1}, {}, true)}},
        Scenario{
            "CopyIntoItselfAndAgain",
            {pasteAt({0}, {0, 1}, false), pasteAgain({0}), pasteAgain({}), deleteAt({0, 1, 1})}},
        Scenario{"CutIntoOwnSubtreeKeepsTheSource", {pasteAt({0}, {0, 1}, true), pasteAgain({2})}},
        Scenario{"DeleteAllThenStartAgain",
                 {renameAt({1}, "L2"), deleteAt({}), newAt({}, {"only", "", ""}),
                  importInto({{}, {0}})}},
        Scenario{"ImportsAtSeveralPlaces",
                 {importInto({{}, {0, 1}, {2}}), deleteAt({0, 1, 1}), pasteAt({3}, {0, 2}, true),
                  importInto({{0}})}},
        Scenario{"DragsMoveAndCopyBesideAMark",
                 {pasteAt({1}, {2}, false), dragAt({2}, {0, 1}), dragAt({1}, {0}),
                  dragAt({0, 0}, {}), deleteAt({0})}},
        Scenario{"MarkedEntryDeletedAndRestored",
                 {pasteAt({2}, {1}, false), deleteAt({1}), newAt({0}, {"z", "", ""})}}),
    [](const ::testing::TestParamInfo<Scenario>& row) { return std::string(row.param.name); });

// A long mixed history on a random tree: new changes after undos drop the redo steps, and
// every undo and redo still lands exactly on the tree it should.
TEST(TreeUndo, LongRandomHistoryStaysExact) {
    std::mt19937 rng(19);
    TestIcons icons;
    BookmarkTree tree;
    tree.setIconChooser(&icons);
    testing::fillRandomTree(tree, rng, 60, 4);
    for (ItemId i = 1; i <= tree.nextItemData(); i += 3)
        tree.setExpanded(i, true);

    struct Done {
        std::unique_ptr<TreeCommand> command;
        Snapshot before;
        Snapshot after;
    };
    std::vector<Done> history;
    size_t cursor = 0;
    auto pick = [&]() -> ItemId {
        // A random entry: walk down a random number of levels.
        ItemId item = kNoItem;
        while (tree.childCount(item) > 0) {
            item = tree.child(item, static_cast<int>(rng() % tree.childCount(item)));
            if (rng() % 2)
                break;
        }
        return item;
    };
    int undos = 0;
    int redos = 0;
    for (int round = 0; round < 800; ++round) {
        unsigned choice = rng() % 10;
        if (choice < 2 && cursor > 0) {
            --cursor;
            ASSERT_TRUE(history[cursor].command->undo()) << round;
            EXPECT_SAME_TREE(tree, history[cursor].before, round);
            ++undos;
            continue;
        }
        if (choice < 4 && cursor < history.size()) {
            ASSERT_TRUE(history[cursor].command->redo()) << round;
            EXPECT_SAME_TREE(tree, history[cursor].after, round);
            ++cursor;
            ++redos;
            continue;
        }
        std::unique_ptr<TreeCommand> command;
        Snapshot before = snap(tree);
        ItemId item = pick();
        switch (rng() % 7) {
            case 0:
                command = std::make_unique<NewEntryCommand>(
                    tree, item, NodeRecord{"n" + std::to_string(round), "", ""});
                break;
            case 1:
                command =
                    std::make_unique<EditCommand>(tree, item, "e" + std::to_string(round),
                                                  rng() % 2 ? "" : "mail" + std::to_string(round));
                break;
            case 2:
                command = std::make_unique<RenameCommand>(tree, item, "r" + std::to_string(round));
                break;
            case 3:
                command = std::make_unique<DeleteCommand>(tree, tree.size() > 8 ? item : kNoItem);
                break;
            case 4:
            case 5: {
                if (rng() % 2)
                    markForCut(tree, item);
                else
                    markForCopy(tree, item);
                before = snap(tree);
                command = std::make_unique<PasteCommand>(tree, pick());
                break;
            }
            default: {
                ItemId parent = item;
                ItemId folder = tree.InsertNode({"imp" + std::to_string(round), "", ""}, parent);
                ItemId second = tree.InsertNode({"imp-top", "www.i.com", ""});
                tree.InsertNode({"i", "www.i.com", ""}, folder);
                command = std::make_unique<EntriesAddedCommand>(
                    tree, std::vector<ItemId>{second, folder, folder});
                break;
            }
        }
        if (!command->redo()) {
            EXPECT_SAME_TREE(tree, before, "refused command changed the tree");
            continue;
        }
        history.resize(cursor);  // a new change drops what could have been redone
        history.push_back({std::move(command), before, snap(tree)});
        cursor = history.size();
    }
    EXPECT_GT(undos, 50);
    EXPECT_GT(redos, 30) << undos;
    while (cursor > 0) {
        --cursor;
        ASSERT_TRUE(history[cursor].command->undo());
        EXPECT_SAME_TREE(tree, history[cursor].before, "final undo");
    }
}

TEST(TreeUndo, TheMarkComesBackWithItsEntry) {
    TestIcons icons;
    BookmarkTree tree;
    buildSample(tree, icons);
    markForCut(tree, at(tree, {0, 1}));
    DeleteCommand del(tree, at(tree, {0}));
    ASSERT_TRUE(del.redo());
    EXPECT_EQ(tree.pasteSource(), kNoItem);  // the marked entry went with its folder
    ASSERT_TRUE(del.undo());
    EXPECT_EQ(tree.pasteSource(), at(tree, {0, 1}));
    EXPECT_EQ(tree.clipMode(), kClipCut);

    // Undo gives back the tree as it was, mark included, whatever was marked since.
    ASSERT_TRUE(del.redo());
    markForCopy(tree, at(tree, {0}));
    ASSERT_TRUE(del.undo());
    EXPECT_EQ(tree.pasteSource(), at(tree, {0, 1}));
    EXPECT_EQ(tree.clipMode(), kClipCut);
    ASSERT_TRUE(del.redo());
    EXPECT_EQ(tree.pasteSource(), kNoItem);
    EXPECT_EQ(tree.clipMode(), kClipCut);
}

TEST(TreeUndo, ADragKeepsTheMarkAndUndoGivesItBack) {
    TestIcons icons;
    BookmarkTree tree;
    buildSample(tree, icons);
    ItemId marked = at(tree, {1});
    markForCopy(tree, marked);
    PasteCommand moveF(tree, at(tree, {2}), at(tree, {0}));
    ASSERT_TRUE(moveF.redo());
    EXPECT_TRUE(moveF.moved());
    EXPECT_EQ(tree.pasteSource(), marked);
    EXPECT_EQ(tree.clipMode(), kClipCopy);
    EXPECT_EQ(tree.label(at(tree, {1, 1})), "F");
    ASSERT_TRUE(moveF.undo());
    EXPECT_EQ(tree.label(at(tree, {0})), "F");
    EXPECT_EQ(tree.pasteSource(), marked);
    // A mark below the dragged entry goes with the old subtree; undo brings it back.
    markForCut(tree, at(tree, {0, 0}));
    PasteCommand moveF2(tree, at(tree, {1}), at(tree, {0}));
    ASSERT_TRUE(moveF2.redo());
    EXPECT_EQ(tree.pasteSource(), kNoItem);
    ASSERT_TRUE(moveF2.undo());
    EXPECT_EQ(tree.pasteSource(), at(tree, {0, 0}));
    EXPECT_EQ(tree.clipMode(), kClipCut);
    // Never onto itself or below it.
    EXPECT_FALSE(PasteCommand(tree, at(tree, {0, 1}), at(tree, {0})).redo());
}

TEST(TreeUndo, PlacesThatNoLongerExistRefuseAndChangeNothing) {
    TestIcons icons;
    BookmarkTree tree;
    buildSample(tree, icons);
    NewEntryCommand made(tree, at(tree, {2}), {"x", "", ""});
    ASSERT_TRUE(made.redo());
    RenameCommand renamed(tree, at(tree, {2, 1}), "y");
    ASSERT_TRUE(renamed.redo());
    // Someone removes the folder behind the history's back.
    tree.DeleteNode(at(tree, {2}));
    Snapshot now = snap(tree);
    EXPECT_FALSE(renamed.undo());
    EXPECT_FALSE(made.undo());
    EXPECT_SAME_TREE(tree, now, "refused undo");
    // A paste whose copy has gone refuses too.
    markForCopy(tree, at(tree, {1}));
    PasteCommand paste(tree, at(tree, {0}));
    ASSERT_TRUE(paste.redo());
    tree.DeleteNode(at(tree, {0}));
    now = snap(tree);
    EXPECT_FALSE(paste.undo());
    EXPECT_SAME_TREE(tree, now, "refused paste undo");
}

TEST(TreeUndo, CommandsWithNothingToDoRefuse) {
    BookmarkTree tree;
    EXPECT_FALSE(DeleteCommand(tree, kNoItem).redo());  // empty tree
    EXPECT_FALSE(DeleteCommand(tree, 42).redo());       // unknown entry
    EXPECT_FALSE(PasteCommand(tree, kNoItem).redo());   // no mark
    EXPECT_FALSE(RenameCommand(tree, 42, "x").redo());
    EXPECT_FALSE(NewEntryCommand(tree, 42, {"x", "", ""}).redo());
    EntriesAddedCommand none(tree, {42});
    EXPECT_FALSE(none.changedAnything());
    ItemId a = tree.InsertNode({"a", "", ""});
    RenameCommand same(tree, a, "a");
    ASSERT_TRUE(same.redo());
    EXPECT_FALSE(same.changedAnything());
}

TEST(TreeUndo, EditingAContactIsOneStepWithItsDetails) {
    BookmarkTree book(kAddressBookTree);
    TestIcons icons;
    book.setIconChooser(&icons);
    ItemId group = book.InsertNode({text::gbk("同事"), "", ""});
    ContactEditor adder(book, group, &icons);
    Contact contact;
    contact.name = text::gbk("张三");
    contact.sex = 0;
    contact.details.push_back({text::gbk("电话"), text::gbk("电话"), "123"});
    ASSERT_EQ(adder.save(contact), ContactSaveOutcome::Saved);
    ItemId saved = adder.lastSaved();
    book.setExpanded(group, true);
    markForCopy(book, book.firstChild(saved));  // the mark sits on a detail that goes

    Snapshot before = snap(book);
    ContactEditor editor(book, saved, &icons);
    SubtreeChangeCommand change(book, saved, "edit");
    contact.name = text::gbk("李四");
    contact.details = {{"mail", "mail", "l@example.com"}, {"QQ", "QQ", "42"}};
    ASSERT_EQ(editor.save(contact), ContactSaveOutcome::Saved);
    ASSERT_TRUE(change.finish());
    ASSERT_TRUE(change.redo());
    Snapshot after = snap(book);
    EXPECT_NE(after.bytes, before.bytes);
    ASSERT_TRUE(change.undo());
    EXPECT_SAME_TREE(book, before, "contact undo");
    ASSERT_TRUE(change.redo());
    EXPECT_SAME_TREE(book, after, "contact redo");
}

TEST(BookmarkTreeSubtrees, PutBackRefusesMalformedListsAndPlaces) {
    TestIcons icons;
    BookmarkTree tree;
    buildSample(tree, icons);
    Snapshot before = snap(tree);
    std::vector<NodeState> nodes = tree.captureSubtree(at(tree, {0}));
    ASSERT_EQ(nodes.size(), 5u);
    std::vector<NodeState> skipping = nodes;
    skipping[1].depth = 2;  // a level jumped
    std::vector<NodeState> secondTop = nodes;
    secondTop[2].depth = 0;
    EXPECT_EQ(tree.insertSubtree(kNoItem, 0, skipping), kNoItem);
    EXPECT_EQ(tree.insertSubtree(kNoItem, 0, secondTop), kNoItem);
    EXPECT_EQ(tree.insertSubtree(kNoItem, 4, nodes), kNoItem);  // beyond the 3 rows + 1
    EXPECT_EQ(tree.insertSubtree(999, 0, nodes), kNoItem);
    EXPECT_EQ(tree.insertSubtree(kNoItem, 0, {}), kNoItem);
    EXPECT_SAME_TREE(tree, before, "refused insertSubtree");
    // Put in the middle, it shifts the rows after it and copies everything exactly.
    ItemId put = tree.insertSubtree(kNoItem, 1, nodes);
    EXPECT_EQ(tree.row(put), 1);
    EXPECT_EQ(tree.row(at(tree, {2})), 2);
    EXPECT_EQ(tree.label(at(tree, {2})), "L");
    EXPECT_EQ(tree.captureSubtree(put), nodes);
    EXPECT_EQ(tree.size(), 13u);
}

TEST(TreeUndo, AddedEntriesInsideEachOtherCountOnce) {
    BookmarkTree tree;
    ItemId keep = tree.InsertNode({"keep", "", ""});
    ItemId a = tree.InsertNode({"a", "", ""}, keep);
    ItemId b = tree.InsertNode({"b", "", ""}, a);
    ItemId c = tree.InsertNode({"c", "", ""});
    EntriesAddedCommand added(tree, {b, a, c, a});
    EXPECT_EQ(added.entryCount(), 3u);
    // What was recorded can be undone at once, without a redo first.
    ASSERT_TRUE(added.undo());
    EXPECT_EQ(testing::describe(tree), "keep|;");
    ASSERT_TRUE(added.redo());
    EXPECT_EQ(tree.size(), 4u);
    ASSERT_TRUE(added.undo());
    ASSERT_TRUE(added.redo());
    ASSERT_TRUE(added.redo());  // recorded: nothing more happens
    EXPECT_EQ(tree.size(), 4u);
    ASSERT_TRUE(added.undo());
    EXPECT_EQ(testing::describe(tree), "keep|;");
    ASSERT_TRUE(added.redo());
    EXPECT_EQ(testing::describe(tree), "keep|{a|{b|;};};c|;");
}

}  // namespace
}  // namespace brivanta
