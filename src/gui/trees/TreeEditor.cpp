#include "gui/trees/TreeEditor.h"

#include <QApplication>
#include <QMessageBox>
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
constexpr int kEditingCommands[] = {ids::kNewEntry, ids::kEdit,  ids::kDelete, ids::kCut,
                                    ids::kCopy,     ids::kPaste, ids::kUndo,   ids::kRedo};

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
    : QObject(dialogParent), commands_(commands), dialogParent_(dialogParent) {}

void TreeEditor::addView(BookmarkTreeView* view) {
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TreeEditor::updateAvailability);
    QAbstractItemModel* model = view->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &TreeEditor::updateAvailability);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TreeEditor::updateAvailability);
    connect(model, &QAbstractItemModel::modelReset, this, &TreeEditor::updateAvailability);
    QPointer<BookmarkTreeView> guarded(view);
    view->setDropHandler([this, guarded](const DropRequest& drop) {
        if (guarded)
            performDrop(*guarded, drop);
    });
    historyOf(*view);
}

TreeUndo& TreeEditor::historyOf(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    if (TreeUndo* known = history(tree.treeKind()))
        return *known;
    auto* history = new TreeUndo(tree, this);
    history->setView(&view);
    histories_.insert(tree.treeKind(), history);
    connect(history->stack(), &QUndoStack::indexChanged, this, &TreeEditor::updateAvailability);
    connect(history->stack(), &QUndoStack::cleanChanged, this, &TreeEditor::updateAvailability);
    view.bookmarkModel()->setRenamer(
        [history](ItemId item, const std::string& text) { history->rename(item, text); });
    return *history;
}

TreeUndo* TreeEditor::history(int treeKind) const {
    return histories_.value(treeKind, nullptr);
}

TreeUndo* TreeEditor::activeHistory() {
    return active_ ? &historyOf(*active_) : nullptr;
}

void TreeEditor::setActiveView(BookmarkTreeView* view) {
    active_ = view;
    updateAvailability();
}

void TreeEditor::registerCommands() {
    commands_.setHandler(ids::kNewEntry, [this] { newEntry(); });
    commands_.setHandler(ids::kEdit, [this] { editEntry(); });
    commands_.setHandler(ids::kDelete, [this] { deleteEntry(); });
    commands_.setHandler(ids::kCut, [this] { cut(); });
    commands_.setHandler(ids::kCopy, [this] { copy(); });
    commands_.setHandler(ids::kPaste, [this] { paste(); });
    commands_.setHandler(ids::kUndo, [this] { undo(); });
    commands_.setHandler(ids::kRedo, [this] { redo(); });
    updateAvailability();
}

void TreeEditor::updateAvailability() {
    if (!active_) {
        for (int id : kEditingCommands)
            commands_.setAvailable(id, false);
        return;
    }
    const BookmarkTree& tree = active_->tree();
    bool selected = active_->currentItem() != kNoItem;
    commands_.setAvailable(ids::kNewEntry, true);
    commands_.setAvailable(ids::kEdit, selected);
    commands_.setAvailable(ids::kCut, selected);
    commands_.setAvailable(ids::kCopy, selected);
    commands_.setAvailable(ids::kDelete, !tree.empty());
    commands_.setAvailable(ids::kPaste, hasPasteMark(tree));
    TreeUndo* history = activeHistory();
    commands_.setAvailable(ids::kUndo, history && history->canUndo());
    commands_.setAvailable(ids::kRedo, history && history->canRedo());
}

int TreeEditor::execGuarded(QDialog& dialog) {
    if (dialogGuard_)
        dialogGuard_(true);
    int result = dialog.exec();
    if (dialogGuard_)
        dialogGuard_(false);
    return result;
}

void TreeEditor::newEntry() {
    if (!active_)
        return;
    BookmarkTree& tree = active_->tree();
    ItemId parent = active_->currentItem();
    if (tree.treeKind() == kAddressBookTree) {
        FolderNameDialog dialog(dialogParent_);
        if (execGuarded(dialog) == QDialog::Accepted)
            historyOf(*active_).newEntry({toGbk(dialog.name()), {}, {}}, parent);
        return;
    }
    EntryDialog dialog(dialogParent_);
    if (dialog.exec() != QDialog::Accepted || dialog.name().isEmpty())
        return;
    historyOf(*active_).newEntry({toGbk(dialog.name()), toGbk(dialog.address()), {}}, parent);
}

void TreeEditor::editEntry() {
    if (!active_)
        return;
    BookmarkTree& tree = active_->tree();
    ItemId item = active_->currentItem();
    if (item == kNoItem)
        return;
    RecordRef found = tree.LookupRecord(item);
    if (!found) {
        QMessageBox::information(dialogParent_, QStringLiteral("Brivanta"),
                                 QString::fromUtf8("意外错误!"));
        return;
    }
    NodeRecord record = *found;
    if (isContact(record)) {
        // The contact dialog is wired in by the main window (setContactEditor).
        if (contactEditor_) {
            if (dialogGuard_)
                dialogGuard_(true);
            contactEditor_(*active_, item);
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
            historyOf(*active_).edit(item, toGbk(dialog.name()), toGbk(dialog.address()));
        return;
    }
    FolderNameDialog dialog(dialogParent_);
    dialog.setName(fromGbk(record.name));
    if (execGuarded(dialog) == QDialog::Accepted)
        historyOf(*active_).rename(item, toGbk(dialog.name()));
}

void TreeEditor::deleteEntry() {
    if (!active_)
        return;
    BookmarkTree& tree = active_->tree();
    ItemId item = active_->currentItem();
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
        historyOf(*active_).remove(item);
        return;
    }
    QMessageBox::StandardButton answer = QMessageBox::question(
        dialogParent_, QString::fromUtf8("删除提示"), QString::fromUtf8("您真要删除全部内容?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Ok) {
        WaitCursor wait;
        historyOf(*active_).remove(kNoItem);
    }
}

void TreeEditor::cut() {
    if (!active_)
        return;
    markForCut(active_->tree(), active_->currentItem());
    updateAvailability();
}

void TreeEditor::copy() {
    if (!active_)
        return;
    markForCopy(active_->tree(), active_->currentItem());
    updateAvailability();
}

void TreeEditor::paste() {
    if (!active_)
        return;
    BookmarkTree& tree = active_->tree();
    if (!hasPasteMark(tree))
        return;
    ItemId destination = active_->currentItem();
    ItemId copy = kNoItem;
    PasteResult result;
    {
        WaitCursor wait;
        result = historyOf(*active_).paste(destination, &copy);
        // The view opens what the tree marked expanded: the destination and copied folders.
        active_->showExpanded(destination);
        active_->showExpanded(copy);
    }
    if (result == PasteResult::CutIntoOwnSubtree) {
        QMessageBox::critical(dialogParent_, QString::fromUtf8("删除节点出错"),
                              QString::fromUtf8("无法删除节点：目标节点是源节点的子节点"));
    } else if (result == PasteResult::TreeFull) {
        tellTreeFull();
    }
    updateAvailability();
}

void TreeEditor::tellTreeFull() {
    QMessageBox::warning(dialogParent_, QString::fromUtf8("粘贴节点出错"),
                         QString::fromUtf8("树中的条目已达上限，没有粘贴；原来的节点都还在原处。"));
}

void TreeEditor::undo() {
    if (TreeUndo* history = activeHistory()) {
        WaitCursor wait;
        history->undo();
    }
    updateAvailability();
}

void TreeEditor::redo() {
    if (TreeUndo* history = activeHistory()) {
        WaitCursor wait;
        history->redo();
    }
    updateAvailability();
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
    updateAvailability();
}

}  // namespace brivanta
