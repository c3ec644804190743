#include "gui/trees/BookmarkTreeModel.h"

#include "core/trees/TreeEditing.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/text/QtText.h"

namespace brivanta {

BookmarkTreeModel::BookmarkTreeModel(BookmarkTree& tree, const NamedIconList* icons,
                                     QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), icons_(icons) {
    tree_.addObserver(this);
}

BookmarkTreeModel::~BookmarkTreeModel() {
    if (treeAlive_)
        tree_.removeObserver(this);
}

ItemId BookmarkTreeModel::itemOf(const QModelIndex& index) const {
    if (!treeAlive_ || !index.isValid() || index.model() != this)
        return kNoItem;
    return static_cast<ItemId>(index.internalId());
}

QModelIndex BookmarkTreeModel::indexOf(ItemId item) const {
    if (!treeAlive_ || item == kNoItem || !tree_.contains(item))
        return {};
    return createIndex(tree_.row(item), 0, static_cast<quintptr>(item));
}

QModelIndex BookmarkTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!treeAlive_ || column != 0 || row < 0)
        return {};
    ItemId parentItem = itemOf(parent);
    if (row >= tree_.childCount(parentItem))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(tree_.child(parentItem, row)));
}

QModelIndex BookmarkTreeModel::parent(const QModelIndex& child) const {
    ItemId item = itemOf(child);
    if (item == kNoItem)
        return {};
    return indexOf(tree_.parent(item));
}

int BookmarkTreeModel::rowCount(const QModelIndex& parent) const {
    if (!treeAlive_ || parent.column() > 0)
        return 0;
    return tree_.childCount(itemOf(parent));
}

int BookmarkTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool BookmarkTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!treeAlive_ || parent.column() > 0)
        return false;
    return tree_.hasChildren(itemOf(parent));
}

QVariant BookmarkTreeModel::data(const QModelIndex& index, int role) const {
    ItemId item = itemOf(index);
    if (item == kNoItem)
        return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return fromGbk(tree_.label(item));
        case Qt::DecorationRole:
            return icons_ ? icons_->icon(tree_.image(item)) : QVariant();
        case Qt::ToolTipRole:
        case AddressRole: {
            const NodeRecord* record = tree_.LookupRecord(item);
            if (!record || record->address.empty())
                return {};
            return fromGbk(record->address);
        }
        case ItemIdRole:
            return QVariant::fromValue(item);
        default:
            return {};
    }
}

Qt::ItemFlags BookmarkTreeModel::flags(const QModelIndex& index) const {
    if (itemOf(index) == kNoItem)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool BookmarkTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    ItemId item = itemOf(index);
    if (role != Qt::EditRole || item == kNoItem)
        return false;
    renameEntry(tree_, item, toGbk(value.toString()));
    return true;
}

void BookmarkTreeModel::aboutToInsert(ItemId parent, int row) {
    beginInsertRows(indexOf(parent), row, row);
}

void BookmarkTreeModel::inserted(ItemId, int, ItemId) {
    endInsertRows();
}

void BookmarkTreeModel::aboutToRemove(ItemId parent, int row, ItemId) {
    beginRemoveRows(indexOf(parent), row, row);
}

void BookmarkTreeModel::removed(ItemId, int) {
    endRemoveRows();
}

void BookmarkTreeModel::changed(ItemId item) {
    QModelIndex index = indexOf(item);
    if (index.isValid())
        emit dataChanged(index, index);
}

void BookmarkTreeModel::aboutToReset() {
    beginResetModel();
}

void BookmarkTreeModel::reset() {
    endResetModel();
}

void BookmarkTreeModel::treeDestroyed() {
    beginResetModel();
    treeAlive_ = false;
    endResetModel();
}

}  // namespace brivanta
