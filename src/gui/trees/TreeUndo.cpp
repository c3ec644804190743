#include "gui/trees/TreeUndo.h"

#include <QUndoCommand>
#include <QUndoStack>

#include "core/trees/EntryCommands.h"
#include "core/trees/StructureCommands.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"

namespace brivanta {

// A core command on the Qt stack. The change was made before the push, so the stack's own
// first redo does nothing.
class TreeUndoStep : public QUndoCommand {
  public:
    TreeUndoStep(TreeUndo& owner, std::unique_ptr<TreeCommand> command)
        : QUndoCommand(QString::fromStdString(command->description())),
          owner_(owner),
          command_(std::move(command)) {}

    void redo() override {
        if (first_) {
            first_ = false;
            return;
        }
        owner_.apply(*command_, true);
    }
    void undo() override { owner_.apply(*command_, false); }

  private:
    TreeUndo& owner_;
    std::unique_ptr<TreeCommand> command_;
    bool first_ = true;
};

TreeUndo::TreeUndo(BookmarkTree& tree, QObject* parent)
    : QObject(parent), tree_(tree), stack_(new QUndoStack(this)) {
    tree_.addObserver(this);
    connect(stack_, &QUndoStack::cleanChanged, this, [this] {
        if (isModified() != lastModified_) {
            lastModified_ = !lastModified_;
            emit modifiedChanged(lastModified_);
        }
    });
}

bool TreeUndo::isModified() const {
    return modifiedOutside_ || !stack_->isClean();
}

void TreeUndo::markSaved() {
    // The steps before a change outside the history no longer fit, and the next change
    // outside must count again.
    dropIfChangedOutside();
    stack_->setClean();
    setModifiedOutside(false);
}

void TreeUndo::setModifiedOutside(bool modified) {
    modifiedOutside_ = modified;
    if (isModified() != lastModified_) {
        lastModified_ = !lastModified_;
        emit modifiedChanged(lastModified_);
    }
}

void TreeUndo::clearSteps() {
    const bool modified = isModified();
    stack_->clear();
    setModifiedOutside(modified);
}

TreeUndo::~TreeUndo() {
    // The steps refer to the tree: let them go while it is still there.
    stack_->clear();
    if (treeAlive_)
        tree_.removeObserver(this);
}

void TreeUndo::setView(BookmarkTreeView* view) {
    view_ = view;
}

void TreeUndo::treeDestroyed() {
    treeAlive_ = false;
    changedOutside_ = false;
    clearSteps();
}

void TreeUndo::aboutToInsert(ItemId, int) {
    noteOutsideChange();
}

void TreeUndo::aboutToRemove(ItemId, int, ItemId) {
    noteOutsideChange();
}

void TreeUndo::aboutToReset() {
    noteOutsideChange();
}

void TreeUndo::noteOutsideChange() {
    if (applying_ || changedOutside_)
        return;
    modifiedBeforeOutside_ = modifiedOutside_;
    setModifiedOutside(true);
    changedOutside_ = true;
    sizeBefore_ = tree_.size();
    nextBefore_ = tree_.nextItemData();
}

void TreeUndo::dropIfChangedOutside() {
    if (!changedOutside_)
        return;
    changedOutside_ = false;
    clearSteps();
}

// After a change outside the history its steps are about to be forgotten.
bool TreeUndo::canUndo() const {
    return treeAlive_ && !changedOutside_ && stack_->canUndo();
}

bool TreeUndo::canRedo() const {
    return treeAlive_ && !changedOutside_ && stack_->canRedo();
}

void TreeUndo::push(std::unique_ptr<TreeCommand> command) {
    stack_->push(new TreeUndoStep(*this, std::move(command)));
}

bool TreeUndo::run(std::unique_ptr<TreeCommand> command) {
    if (!treeAlive_)
        return false;
    dropIfChangedOutside();
    applying_ = true;
    bool changed = command->redo();
    applying_ = false;
    if (!changed || !command->changedAnything())
        return false;
    followView(*command);
    push(std::move(command));
    return true;
}

bool TreeUndo::runMade(const std::function<std::unique_ptr<TreeCommand>()>& make) {
    if (!treeAlive_)
        return false;
    dropIfChangedOutside();
    // The change is this step's, not one from outside that would end the history.
    applying_ = true;
    std::unique_ptr<TreeCommand> command = make();
    const bool changed = command && command->redo();
    applying_ = false;
    if (!changed || !command->changedAnything())
        return false;
    followView(*command);
    push(std::move(command));
    return true;
}

ItemId TreeUndo::newEntry(const NodeRecord& record, ItemId parent) {
    auto command = std::make_unique<NewEntryCommand>(tree_, parent, record);
    NewEntryCommand& made = *command;
    return run(std::move(command)) ? made.item() : kNoItem;
}

void TreeUndo::edit(ItemId item, const std::string& name, const std::string& address) {
    run(std::make_unique<EditCommand>(tree_, item, name, address));
}

void TreeUndo::rename(ItemId item, const std::string& text) {
    run(std::make_unique<RenameCommand>(tree_, item, text));
}

void TreeUndo::remove(ItemId item) {
    run(std::make_unique<DeleteCommand>(tree_, item));
}

PasteResult TreeUndo::paste(ItemId destination, ItemId* copy) {
    return runPaste(std::make_unique<PasteCommand>(tree_, destination), copy);
}

PasteResult TreeUndo::drop(ItemId source, ItemId destination, ItemId* moved) {
    return runPaste(std::make_unique<PasteCommand>(tree_, destination, source), moved);
}

PasteResult TreeUndo::runPaste(std::unique_ptr<PasteCommand> command, ItemId* copy) {
    // Read the outcome before the step goes on the stack.
    PasteResult result = PasteResult::Nothing;
    ItemId made = kNoItem;
    if (treeAlive_) {
        dropIfChangedOutside();
        applying_ = true;
        bool changed = command->redo();
        applying_ = false;
        // A paste that changed nothing still says why (a full tree, say).
        result = command->result();
        if (changed) {
            made = command->copy();
            followView(*command);
            push(std::move(command));
        }
    }
    if (copy)
        *copy = made;
    return result;
}

void TreeUndo::recordAdded(const std::vector<ItemId>& roots) {
    if (!treeAlive_)
        return;
    auto command = std::make_unique<EntriesAddedCommand>(tree_, roots);
    // Earlier steps still fit only when these roots account for every change since the last
    // step and nothing went meanwhile. The new step fits in any case: it names places as the
    // tree is now.
    const size_t added = command->entryCount();
    const bool onlyThese = tree_.size() == sizeBefore_ + added &&
                           tree_.nextItemData() - nextBefore_ == static_cast<ItemId>(added);
    const bool accounted = changedOutside_ && onlyThese;
    if (changedOutside_ && !onlyThese)
        clearSteps();
    changedOutside_ = false;
    if (command->changedAnything())
        push(std::move(command));
    // The step stands for the change: undone, the tree is as it was before it.
    if (accounted)
        setModifiedOutside(modifiedBeforeOutside_);
}

bool TreeUndo::recordChange(ItemId item, const std::function<bool()>& change,
                            const std::string& text) {
    if (!treeAlive_)
        return change();
    dropIfChangedOutside();
    auto recorded = std::make_unique<SubtreeChangeCommand>(tree_, item, text);
    applying_ = true;
    bool result = change();
    applying_ = false;
    if (!recorded->finish()) {
        // Whatever happened cannot be undone by place.
        clearSteps();
        return result;
    }
    if (recorded->changedAnything())
        push(std::move(recorded));
    return result;
}

ContactSaveOutcome TreeUndo::saveContact(ContactEditor& editor, const Contact& contact) {
    ContactSaveOutcome outcome = ContactSaveOutcome::EmptyName;
    ItemId edited = editor.editedContact();
    if (editor.mode() == ContactMode::Edit && tree_.contains(edited)) {
        recordChange(
            edited,
            [&] {
                outcome = editor.save(contact);
                return outcome == ContactSaveOutcome::Saved;
            },
            "编辑");
        return outcome;
    }
    dropIfChangedOutside();
    outcome = editor.save(contact);
    if (outcome == ContactSaveOutcome::Saved)
        recordAdded({editor.lastSaved()});
    return outcome;
}

void TreeUndo::undo() {
    if (!treeAlive_)
        return;
    dropIfChangedOutside();
    failed_ = false;
    stack_->undo();
    if (failed_)
        clearSteps();
}

void TreeUndo::redo() {
    if (!treeAlive_)
        return;
    dropIfChangedOutside();
    failed_ = false;
    stack_->redo();
    if (failed_)
        clearSteps();
}

void TreeUndo::apply(TreeCommand& command, bool forward) {
    applying_ = true;
    bool ok = forward ? command.redo() : command.undo();
    applying_ = false;
    if (!ok) {
        failed_ = true;
        return;
    }
    followView(command);
}

void TreeUndo::followView(const TreeCommand& command) {
    if (!view_)
        return;
    BookmarkTreeModel* model = view_->bookmarkModel();
    for (ItemId top : command.touched()) {
        if (!tree_.contains(top))
            continue;
        // A put-back row starts closed in the view; an existing one may be open.
        if (!tree_.isExpanded(top))
            view_->setExpanded(model->indexOf(top), false);
        view_->showExpanded(top);
    }
}

}  // namespace brivanta
