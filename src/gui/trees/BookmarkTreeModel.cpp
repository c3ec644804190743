#include "gui/trees/BookmarkTreeModel.h"

#include "core/addressbook/BirthdayDate.h"
#include "core/addressbook/ContactTags.h"
#include "core/trees/TreeEditing.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/text/QtText.h"

namespace brivanta {

BookmarkTreeModel::BookmarkTreeModel(BookmarkTree& tree, const NamedIconList* icons,
                                     QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), filter_(tree), icons_(icons) {
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
    if (!treeAlive_ || item == kNoItem || !filter_.isShown(item))
        return {};
    return createIndex(filter_.row(item), 0, static_cast<quintptr>(item));
}

void BookmarkTreeModel::setSearch(std::string_view query) {
    if (!treeAlive_)
        return;
    PinyinMatcher next(query);
    if (next.query() == filter_.query())
        return;
    beginResetModel();
    filter_.setQuery(query);
    endResetModel();
}

QModelIndex BookmarkTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!treeAlive_ || column != 0 || row < 0)
        return {};
    ItemId item = filter_.child(itemOf(parent), row);
    if (item == kNoItem)
        return {};
    return createIndex(row, 0, static_cast<quintptr>(item));
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
    return filter_.childCount(itemOf(parent));
}

int BookmarkTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool BookmarkTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!treeAlive_ || parent.column() > 0)
        return false;
    return filter_.hasChildren(itemOf(parent));
}

namespace {

// The birthday a contact's birthday line holds. Its stored label names the day in English;
// people read it in Chinese.
std::optional<DateTime> birthdayOf(const BookmarkTree& tree, ItemId item) {
    if (tree.treeKind() != kAddressBookTree)
        return std::nullopt;
    RecordRef record = tree.LookupRecord(item);
    if (!record || record->tag != birthdayTag())
        return std::nullopt;
    return parseBirthdayAddress(record->address);
}

}  // namespace

QVariant BookmarkTreeModel::data(const QModelIndex& index, int role) const {
    ItemId item = itemOf(index);
    if (item == kNoItem)
        return {};
    switch (role) {
        case Qt::DisplayRole:
            if (std::optional<DateTime> birthday = birthdayOf(tree_, item))
                return QString(QString::fromUtf8("生日：") +
                               QString::fromStdString(birthdayDateText(*birthday)));
            return fromGbk(tree_.label(item));
        case Qt::EditRole:
            return fromGbk(tree_.label(item));
        case Qt::DecorationRole: {
            if (!icons_)
                return {};
            int image = tree_.image(item);
            // A search opens the folders on the way to its hits without touching the tree's
            // own state: show them open.
            if (searching() && image == kClosedFolderImage && filter_.hasChildren(item))
                image = kOpenFolderImage;
            return icons_->icon(image);
        }
        case Qt::ToolTipRole:
            if (std::optional<DateTime> birthday = birthdayOf(tree_, item))
                return QString(QString::fromUtf8("生日：") +
                               QString::fromStdString(birthdayLongText(*birthday)));
            [[fallthrough]];
        case AddressRole: {
            RecordRef record = tree_.LookupRecord(item);
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
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

bool BookmarkTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    ItemId item = itemOf(index);
    if (role != Qt::EditRole || item == kNoItem)
        return false;
    if (renamer_)
        renamer_(item, toGbk(value.toString()));
    else
        renameEntry(tree_, item, toGbk(value.toString()));
    return true;
}

// During a search an insertion or removal may change which folders lead to hits, and rows
// among the shown entries are not the tree's rows: search again and reset instead.
void BookmarkTreeModel::aboutToInsert(ItemId parent, int row) {
    if (searching())
        beginResetModel();
    else
        beginInsertRows(indexOf(parent), row, row);
}

void BookmarkTreeModel::inserted(ItemId, int, ItemId) {
    if (searching()) {
        filter_.refresh();
        endResetModel();
    } else {
        endInsertRows();
    }
}

void BookmarkTreeModel::aboutToRemove(ItemId parent, int row, ItemId) {
    if (searching())
        beginResetModel();
    else
        beginRemoveRows(indexOf(parent), row, row);
}

void BookmarkTreeModel::removed(ItemId, int) {
    if (searching()) {
        filter_.refresh();
        endResetModel();
    } else {
        endRemoveRows();
    }
}

// A changed entry stays shown (or hidden) until the query changes: searching again on every
// change of an image or a label would reset the view under the user's hands.
void BookmarkTreeModel::changed(ItemId item) {
    QModelIndex index = indexOf(item);
    if (index.isValid())
        emit dataChanged(index, index);
}

void BookmarkTreeModel::aboutToReset() {
    beginResetModel();
}

void BookmarkTreeModel::reset() {
    if (searching())
        filter_.refresh();
    endResetModel();
}

void BookmarkTreeModel::treeDestroyed() {
    beginResetModel();
    treeAlive_ = false;
    endResetModel();
}

}  // namespace brivanta
