#pragma once

#include <QTreeView>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

class BookmarkTreeModel;

// The view of one category tree. Keeps the folder images in step with expanding, collapsing
// and selecting, and opens a link on double-click.
class BookmarkTreeView : public QTreeView {
    Q_OBJECT
  public:
    BookmarkTreeView(BookmarkTreeModel* model, int controlId, QWidget* parent = nullptr);

    int controlId() const { return controlId_; }
    BookmarkTreeModel* bookmarkModel() const { return model_; }
    BookmarkTree& tree() const;
    // The entry with the keyboard focus, or kNoItem.
    ItemId currentItem() const;

  signals:
    // A link was double-clicked; carries its address with leading blanks removed.
    void openRequested(const QString& address);

  private:
    void onDoubleClicked(const QModelIndex& index);
    // A model reset (a whole load, a batch of entries appended) collapses every row of the
    // view, while the tree still marks the folders that were open and shows them with the open
    // image: open those rows again so picture and state agree.
    void restoreExpanded();

    BookmarkTreeModel* model_;
    int controlId_;
};

}  // namespace brivanta
