#include "gui/trees/TreeEditor.h"
#include "gui/controls/MessageBoxes.h"

#include <QApplication>
#include <QUndoGroup>
#include <QUndoStack>
#include <optional>

#include "core/text/Encoding.h"
#include "core/trees/TreeDrop.h"
#include "core/trees/TreeEditing.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/DeleteConfirmDialog.h"
#include "gui/trees/EntryDialog.h"
#include "gui/trees/FolderNameDialog.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

namespace {
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool isContact(const NodeRecord& record) {
    static const std::string male = text::gbk("男");
    static const std::string female = text::gbk("女");
    return record.tag == male || record.tag == female;
}
}  // namespace

TreeEditor::TreeEditor(CommandRegistry& commands, QWidget* dialogParent)
    : QObject(dialogParent),
      commands_(commands),
      dialogParent_(dialogParent),
      group_(new QUndoGroup(this)) {
    // The shown tree's history: its steps and texts change what undo and redo show.
    connect(group_, &QUndoGroup::indexChanged, this, &TreeEditor::refresh);
    connect(group_, &QUndoGroup::activeStackChanged, this, &TreeEditor::refresh);
}

void TreeEditor::refresh() {
    commands_.refresh();
}

void TreeEditor::addView(BookmarkTreeView* view) {
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TreeEditor::refresh);
    QAbstractItemModel* model = view->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &TreeEditor::refresh);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TreeEditor::refresh);
    connect(model, &QAbstractItemModel::modelReset, this, &TreeEditor::refresh);
    QPointer<BookmarkTreeView> guarded(view);
    view->setDropHandler([this, guarded](const DropRequest& drop) {
        if (guarded)
            performDrop(*guarded, drop);
    });
    views_.insert(view->tree().treeKind(), guarded);
    historyOf(*view);
}

TreeUndo& TreeEditor::historyOf(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    if (TreeUndo* known = history(tree.treeKind()))
        return *known;
    auto* history = new TreeUndo(tree, this);
    history->setView(&view);
    const int kind = tree.treeKind();
    histories_.insert(kind, history);
    group_->addStack(history->stack());
    // Steps of a tree that is not shown (a receipt, a menu of the bar) change its states too.
    connect(history->stack(), &QUndoStack::indexChanged, this, &TreeEditor::refresh);
    connect(history, &TreeUndo::modifiedChanged, this,
            [this, kind](bool modified) { emit modifiedChanged(kind, modified); });
    view.bookmarkModel()->setRenamer(
        [history](ItemId item, const std::string& text) { history->rename(item, text); });
    return *history;
}

TreeUndo* TreeEditor::history(int treeKind) const {
    return histories_.value(treeKind, nullptr);
}

BookmarkTreeView* TreeEditor::view(int treeKind) const {
    return views_.value(treeKind);
}

void TreeEditor::setActiveView(BookmarkTreeView* view) {
    active_ = view;
    TreeUndo* shown = view ? history(view->tree().treeKind()) : nullptr;
    group_->setActiveStack(shown ? shown->stack() : nullptr);
    refresh();
}

CommandContext TreeEditor::context(int treeKind) const {
    CommandContext context;
    BookmarkTreeView* shown = view(treeKind);
    if (!shown)
        return context;
    context.tree = &shown->tree();
    context.selected = shown->currentItem();
    if (TreeUndo* steps = history(treeKind)) {
        context.canUndo = steps->canUndo();
        context.canRedo = steps->canRedo();
        context.undoName = steps->stack()->undoText().toStdString();
        context.redoName = steps->stack()->redoText().toStdString();
    }
    return context;
}

bool TreeEditor::isModified(int treeKind) const {
    TreeUndo* steps = history(treeKind);
    return steps && steps->isModified();
}

void TreeEditor::markSaved(int treeKind) {
    if (TreeUndo* steps = history(treeKind))
        steps->markSaved();
}

void TreeEditor::registerCommands() {
    auto on = [this](int id, void (TreeEditor::*run)(BookmarkTreeView&)) {
        commands_.setTreeHandler(id, [this, run](int target) {
            if (BookmarkTreeView* shown = view(target))
                (this->*run)(*shown);
        });
    };
    on(ids::kNewEntry, &TreeEditor::newEntry);
    on(ids::kEdit, &TreeEditor::editEntry);
    on(ids::kRename, &TreeEditor::renameEntry);
    on(ids::kDelete, &TreeEditor::deleteEntry);
    on(ids::kCut, &TreeEditor::cut);
    on(ids::kCopy, &TreeEditor::copy);
    on(ids::kPaste, &TreeEditor::paste);
    on(ids::kUndo, &TreeEditor::undo);
    on(ids::kRedo, &TreeEditor::redo);
    commands_.setDefaultTarget([this] { return active_ ? active_->tree().treeKind() : 0; });
    if (!commands_.hasContextSource())
        commands_.setContextSource([this](int target) { return context(target); });
    refresh();
}

int TreeEditor::execGuarded(QDialog& dialog) {
    if (dialogGuard_)
        dialogGuard_(true);
    int result = dialog.exec();
    if (dialogGuard_)
        dialogGuard_(false);
    return result;
}

void TreeEditor::newEntry(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    ItemId parent = view.currentItem();
    if (tree.treeKind() == kAddressBookTree) {
        FolderNameDialog dialog(dialogParent_);
        if (execGuarded(dialog) == QDialog::Accepted)
            historyOf(view).newEntry({toGbk(dialog.name()), {}, {}}, parent);
        return;
    }
    EntryDialog dialog(dialogParent_);
    if (dialog.exec() != QDialog::Accepted || dialog.name().isEmpty())
        return;
    historyOf(view).newEntry({toGbk(dialog.name()), toGbk(dialog.address()), {}}, parent);
}

void TreeEditor::editEntry(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    ItemId item = view.currentItem();
    if (item == kNoItem)
        return;
    RecordRef found = tree.LookupRecord(item);
    if (!found) {
        failBox(dialogParent_, QStringLiteral("Brivanta"), QString::fromUtf8("意外错误!"));
        return;
    }
    NodeRecord record = *found;
    if (isContact(record)) {
        // The contact dialog is wired in by the main window (setContactEditor).
        if (contactEditor_) {
            if (dialogGuard_)
                dialogGuard_(true);
            contactEditor_(view, item);
            if (dialogGuard_)
                dialogGuard_(false);
        }
        return;
    }
    if (tree.treeKind() != kAddressBookTree || !record.tag.empty()) {
        EntryDialog dialog(dialogParent_);
        dialog.setName(fromGbk(record.name));
        dialog.setAddress(fromGbk(record.address));
        if (dialog.exec() == QDialog::Accepted)
            historyOf(view).edit(item, toGbk(dialog.name()), toGbk(dialog.address()));
        return;
    }
    FolderNameDialog dialog(dialogParent_);
    dialog.setName(fromGbk(record.name));
    if (execGuarded(dialog) == QDialog::Accepted)
        historyOf(view).rename(item, toGbk(dialog.name()));
}

void TreeEditor::renameEntry(BookmarkTreeView& view) {
    // In place, as a click on the selected entry starts it.
    if (view.currentItem() != kNoItem)
        static_cast<QAbstractItemView&>(view).edit(view.currentIndex());
}

void TreeEditor::deleteEntry(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    ItemId item = view.currentItem();
    QString selection;
    if (item != kNoItem)
        selection = QStringLiteral(":[") + fromGbk(tree.label(item)) + QStringLiteral("]");
    DeleteConfirmDialog dialog(selection, dialogParent_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.choice() == DeleteConfirmDialog::DeleteAll)
        item = kNoItem;
    if (item != kNoItem) {
        WaitCursor wait;
        historyOf(view).remove(item);
        return;
    }
    // Cancel by default: emptying the tree is not what Enter should do.
    if (askBox(dialogParent_, QString::fromUtf8("删除提示"),
               QString::fromUtf8("您真要删除全部内容?"), false)) {
        WaitCursor wait;
        historyOf(view).remove(kNoItem);
    }
}

void TreeEditor::cut(BookmarkTreeView& view) {
    markForCut(view.tree(), view.currentItem());
    refresh();
}

void TreeEditor::copy(BookmarkTreeView& view) {
    markForCopy(view.tree(), view.currentItem());
    refresh();
}

void TreeEditor::paste(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    if (!hasPasteMark(tree))
        return;
    ItemId destination = view.currentItem();
    ItemId copy = kNoItem;
    PasteResult result;
    {
        WaitCursor wait;
        result = historyOf(view).paste(destination, &copy);
        // The view opens what the tree marked expanded: the destination and copied folders.
        view.showExpanded(destination);
        view.showExpanded(copy);
    }
    if (result == PasteResult::CutIntoOwnSubtree) {
        failBox(dialogParent_, QString::fromUtf8("删除节点出错"),
                QString::fromUtf8("无法删除节点：目标节点是源节点的子节点"));
    } else if (result == PasteResult::TreeFull) {
        tellTreeFull();
    }
    refresh();
}

void TreeEditor::tellTreeFull() {
    warnBox(dialogParent_, QString::fromUtf8("粘贴节点出错"),
            QString::fromUtf8("树中的条目已达上限，没有粘贴；原来的节点都还在原处。"));
}

void TreeEditor::undo(BookmarkTreeView& view) {
    {
        WaitCursor wait;
        historyOf(view).undo();
    }
    refresh();
}

void TreeEditor::redo(BookmarkTreeView& view) {
    {
        WaitCursor wait;
        historyOf(view).redo();
    }
    refresh();
}

void TreeEditor::performDrop(BookmarkTreeView& view, const DropRequest& drop) {
    BookmarkTree& tree = view.tree();
    std::optional<WaitCursor> wait(std::in_place);
    TreeUndo& history = historyOf(view);
    if (drop.isMove()) {
        ItemId moved = kNoItem;
        PasteResult result = history.drop(drop.dragged, drop.target, &moved);
        if (moved == kNoItem) {
            if (result == PasteResult::TreeFull) {
                wait.reset();
                tellTreeFull();
            }
            return;
        }
        // As a paste onto the target: the target is where the selection rests.
        if (drop.target != kNoItem) {
            view.showExpanded(drop.target);
            view.selectItem(drop.target);
        } else {
            view.showExpanded(moved);
            view.setCurrentIndex({});
        }
    } else {
        ItemId parent = tree.contains(drop.target) ? drop.target : kNoItem;
        const int before = tree.childCount(parent);
        if (insertDropped(tree, drop.entries, drop.target) == 0)
            return;
        std::vector<ItemId> added;
        for (int row = before; row < tree.childCount(parent); ++row)
            added.push_back(tree.child(parent, row));
        history.recordAdded(added);
        if (drop.target != kNoItem)
            view.showExpanded(drop.target);
    }
    refresh();
}

}  // namespace brivanta
