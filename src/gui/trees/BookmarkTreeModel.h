#pragma once

#include <QAbstractItemModel>
#include <functional>
#include <string>

#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeFilter.h"
#include "core/trees/TreeObserver.h"

namespace brivanta {

class NamedIconList;

// Shows a BookmarkTree to a view without copying it: an index's internal id is the
// entry's item data, and every question goes straight to the tree. During a search it shows
// what the search leaves (the hits and the folders above them), asking the filter instead.
class BookmarkTreeModel : public QAbstractItemModel, private TreeObserver {
    Q_OBJECT
  public:
    // Roles beyond Qt's own.
    enum Role { ItemIdRole = Qt::UserRole + 1, AddressRole };

    BookmarkTreeModel(BookmarkTree& tree, const NamedIconList* icons, QObject* parent = nullptr);
    ~BookmarkTreeModel() override;

    BookmarkTree& tree() { return tree_; }
    ItemId itemOf(const QModelIndex& index) const;
    // The index of `item`; invalid when it is not shown (unknown, or left out by a search).
    QModelIndex indexOf(ItemId item) const;

    // Shows only what a search for `query` (GBK) leaves of the tree; an empty query shows
    // the whole tree again. Resets the model when what is shown changes.
    void setSearch(std::string_view query);
    bool searching() const { return filter_.active(); }
    const TreeFilter& filter() const { return filter_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Renames the entry (the label and its record's name), through `renamer` when one is set
    // (the tree's history).
    using Renamer = std::function<void(ItemId item, const std::string& text)>;
    void setRenamer(Renamer renamer) { renamer_ = std::move(renamer); }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  private:
    void aboutToInsert(ItemId parent, int row) override;
    void inserted(ItemId parent, int row, ItemId item) override;
    void aboutToRemove(ItemId parent, int row, ItemId item) override;
    void removed(ItemId parent, int row) override;
    void changed(ItemId item) override;
    void aboutToReset() override;
    void reset() override;
    void treeDestroyed() override;

    BookmarkTree& tree_;
    // False once the tree is gone: the model is then empty and never touches it again.
    bool treeAlive_ = true;
    TreeFilter filter_;
    const NamedIconList* icons_;
    Renamer renamer_;
};

}  // namespace brivanta
