#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

class BookmarkTreeModel;

// The view of one category tree. Keeps the folder images in step with expanding, collapsing
// and selecting, opens a link on double-click or Enter, and renames an entry in place.
class BookmarkTreeView : public QTreeView {
    Q_OBJECT
  public:
    BookmarkTreeView(BookmarkTreeModel* model, int controlId, QWidget* parent = nullptr);

    using QTreeView::edit;

    int controlId() const { return controlId_; }
    BookmarkTreeModel* bookmarkModel() const { return model_; }
    BookmarkTree& tree() const;
    // The entry with the keyboard focus, or kNoItem.
    ItemId currentItem() const;
    // Opens the rows of `top` and below that the tree marks expanded (after a paste).
    void showExpanded(ItemId top);
    // What a double-click does: opens the entry's address and opens or closes its row.
    void activateEntry(const QModelIndex& index);

  signals:
    // A link was double-clicked; carries its address with leading blanks removed.
    void openRequested(const QString& address);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    // A rename takes the typed text however it ends, Escape included.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    void onDoubleClicked(const QModelIndex& index);
    // A model reset (a whole load, a batch of entries appended) collapses every row of the
    // view, while the tree still marks the folders that were open and shows them with the open
    // image: open those rows again so picture and state agree.
    void restoreExpanded();

    BookmarkTreeModel* model_;
    int controlId_;
    QPersistentModelIndex editing_;
};

}  // namespace brivanta
