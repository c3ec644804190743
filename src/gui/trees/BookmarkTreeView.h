#pragma once

#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "core/trees/BookmarkTree.h"
#include "gui/trees/DropRequest.h"

namespace brivanta {

class BookmarkTreeModel;

// The view of one category tree. Keeps the folder images in step with expanding, collapsing
// and selecting, opens a link on double-click or Enter, and renames an entry in place. During
// a search it shows the filtered tree with every folder on the way to a hit open, and
// afterwards the tree as it was. Entries are dragged within the tree, and files and text from
// other programs are dropped on it; the view only finds out what was dropped where and hands
// that to its drop handler.
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
    // Makes `item` current and selected and scrolls to it (nothing for an entry not shown).
    void selectItem(ItemId item);

    // Shows what a search for `text` leaves of the tree and makes the first hit current. An
    // empty text ends the search: the folders that were open and the entry that was current
    // before it began are back. Folders opened or closed during a search leave the tree's
    // own expanded state alone.
    void setSearchText(const QString& text);
    bool searching() const;
    // Opens the rows of `top` and below that the tree marks expanded (after a paste).
    void showExpanded(ItemId top);
    // What a double-click does: opens the entry's address and opens or closes its row.
    void activateEntry(const QModelIndex& index);

    // Performs what was dropped; without one every drop is refused.
    using DropHandler = std::function<void(const DropRequest&)>;
    void setDropHandler(DropHandler handler) { dropHandler_ = std::move(handler); }
    // Whether files and text from other programs may be dropped (not on the address book).
    bool acceptsExternalDrops() const { return acceptsExternal_; }
    // The entry highlighted as the drop target while something is dragged over the view.
    ItemId dropTarget() const;
    // What a drag of `item` carries. Only this view takes it back as a move.
    QMimeData* mimeDataForDrag(ItemId item) const;
    // The entry `mime` drags within this view, or kNoItem.
    ItemId draggedEntry(const QMimeData* mime) const;
    // After a drag of `item` ended with `result`, the pointer let go at `globalPos`: a drag
    // nothing took, released outside the window (not cancelled with Escape), moves the entry
    // to the end of the top level. True when it asked the drop handler to.
    bool finishDrag(ItemId item, Qt::DropAction result, const QPoint& globalPos, bool escaped);

  signals:
    // A link was double-clicked; carries its address with leading blanks removed.
    void openRequested(const QString& address);
    // Text was typed while the tree had the focus: the start of a search.
    void searchTyped(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    // A rename takes the typed text however it ends, Escape included.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    void onDoubleClicked(const QModelIndex& index);
    // A model reset (a whole load, a batch of entries appended) collapses every row of the
    // view, while the tree still marks the folders that were open and shows them with the open
    // image: open those rows again so picture and state agree.
    void restoreExpanded();
    void onModelReset();
    void openSearchPaths();
    // Whether the drag of `event` may be dropped here at all; sets its action when it may.
    bool acceptDrag(QDropEvent* event);
    void setDropTarget(const QModelIndex& index);
    // One step of scrolling towards the edge the dragging pointer is near.
    bool scrollTowardsEdge();

    BookmarkTreeModel* model_;
    int controlId_;
    // The current entry when the search began; it is current again when the search ends.
    ItemId currentBeforeSearch_ = kNoItem;
    QPersistentModelIndex editing_;
    DropHandler dropHandler_;
    bool acceptsExternal_;
    QPersistentModelIndex dropTarget_;
    // Keeps scrolling while a drag rests near an edge; the last pointer position in the
    // viewport.
    QTimer edgeScrollTimer_;
    QPoint dragPosition_;
};

}  // namespace brivanta
