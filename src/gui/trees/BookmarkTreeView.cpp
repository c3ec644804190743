#include "gui/trees/BookmarkTreeView.h"

#include <QHeaderView>

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
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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

void BookmarkTreeView::onDoubleClicked(const QModelIndex& index) {
    const NodeRecord* record = tree().LookupRecord(model_->itemOf(index));
    if (!record)
        return;
    std::string_view address = text::trimLeft(record->address);
    if (!address.empty())
        emit openRequested(fromGbk(address));
}

}  // namespace brivanta
