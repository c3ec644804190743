#include "gui/trees/BookmarkTreeView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

#include "core/text/Trim.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"

namespace brivanta {

BookmarkTreeView::BookmarkTreeView(BookmarkTreeModel* model, int controlId, QWidget* parent)
    : QTreeView(parent), model_(model), controlId_(controlId) {
    setModel(model);
    setHeaderHidden(true);
    // Every row has the same height, which lets the view skip measuring a million rows.
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    // Every label can be renamed: F2, or a click on the selected entry.
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setExpandsOnDoubleClick(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);

    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { tree().setExpanded(model_->itemOf(index), true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { tree().setExpanded(model_->itemOf(index), false); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                ItemId item = model_->itemOf(current);
                if (item != kNoItem)
                    tree().selectionChanged(item);
            });
    connect(this, &QTreeView::doubleClicked, this, &BookmarkTreeView::onDoubleClicked);
    connect(model, &QAbstractItemModel::modelReset, this, &BookmarkTreeView::restoreExpanded);
}

void BookmarkTreeView::restoreExpanded() {
    const BookmarkTree& t = tree();
    std::vector<ItemId> pending;
    auto pushFolders = [&](ItemId parent) {
        for (int row = 0, n = t.childCount(parent); row < n; ++row) {
            ItemId child = t.child(parent, row);
            if (t.hasChildren(child))
                pending.push_back(child);
        }
    };
    pushFolders(kNoItem);
    while (!pending.empty()) {
        ItemId item = pending.back();
        pending.pop_back();
        if (t.isExpanded(item))
            setExpanded(model_->indexOf(item), true);
        pushFolders(item);
    }
}

BookmarkTree& BookmarkTreeView::tree() const {
    return model_->tree();
}

ItemId BookmarkTreeView::currentItem() const {
    return model_->itemOf(currentIndex());
}

void BookmarkTreeView::showExpanded(ItemId top) {
    const BookmarkTree& t = tree();
    if (top != kNoItem && !t.contains(top))
        return;
    std::vector<ItemId> pending{top};
    while (!pending.empty()) {
        ItemId item = pending.back();
        pending.pop_back();
        if (item != kNoItem && !t.isExpanded(item))
            continue;
        if (item != kNoItem)
            setExpanded(model_->indexOf(item), true);
        for (int row = 0, n = t.childCount(item); row < n; ++row) {
            ItemId child = t.child(item, row);
            if (t.hasChildren(child))
                pending.push_back(child);
        }
    }
}

void BookmarkTreeView::activateEntry(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (model_->hasChildren(index))
        setExpanded(index, !isExpanded(index));
    onDoubleClicked(index);
}

void BookmarkTreeView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != EditingState && currentIndex().isValid()) {
        activateEntry(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool BookmarkTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    bool started = QTreeView::edit(index, trigger, event);
    if (started)
        editing_ = index;
    return started;
}

void BookmarkTreeView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Escape reverts a Qt editor; here it keeps what was typed, as every other way of ending
    // the rename does (those commit through the model already).
    if (hint == QAbstractItemDelegate::RevertModelCache && editing_.isValid()) {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            model_->setData(editing_, line->text(), Qt::EditRole);
    }
    editing_ = QPersistentModelIndex();
    QTreeView::closeEditor(editor, hint);
}

void BookmarkTreeView::onDoubleClicked(const QModelIndex& index) {
    const NodeRecord* record = tree().LookupRecord(model_->itemOf(index));
    if (!record)
        return;
    std::string_view address = text::trimLeft(record->address);
    if (!address.empty())
        emit openRequested(fromGbk(address));
}

}  // namespace brivanta
