#include "gui/trees/BookmarkTreeView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <limits>

#include "core/text/Trim.h"
#include "core/trees/TreeDrop.h"
#include "core/trees/TreeWalk.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/DroppedData.h"

namespace brivanta {

namespace {
// Opening every folder of the filtered tree lays out every shown row; beyond this many hits
// only the paths to the first screenfuls are opened, which keeps a keystroke quick.
constexpr size_t kHitsOpenedAtOnce = 2000;
constexpr size_t kPathsOpenedOfManyHits = 100;

// An entry dragged within a view: "process:view:item", so that a drag from another copy of
// the program or from another view is never taken for a move.
constexpr char kEntryMimeType[] = "application/x-brivanta-entry";
// How often a drag resting near an edge scrolls another line.
constexpr int kEdgeScrollIntervalMs = 60;

QByteArray dragOwner(const BookmarkTreeView* view) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(view), 16) + ':';
}
// Notes an Escape pressed while a drag runs, and lets it through to the drag.
class EscapeWatch : public QObject {
  public:
    bool pressed = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            pressed = true;
        return false;
    }
};

}  // namespace

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
    // Typed Chinese starts a search too.
    setAttribute(Qt::WA_InputMethodEnabled, true);
    // Entries are dragged by the view itself (startDrag); drops are sorted out in dropEvent.
    acceptsExternal_ = brivanta::acceptsExternalDrops(controlId);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    edgeScrollTimer_.setInterval(kEdgeScrollIntervalMs);
    connect(&edgeScrollTimer_, &QTimer::timeout, this, [this] {
        if (!scrollTowardsEdge())
            edgeScrollTimer_.stop();
    });

    // Folders opened for a search are not the user's choice: the tree keeps its own state.
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!searching())
            tree().setExpanded(model_->itemOf(index), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!searching())
            tree().setExpanded(model_->itemOf(index), false);
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                ItemId item = model_->itemOf(current);
                if (item != kNoItem)
                    tree().selectionChanged(item);
            });
    connect(this, &QTreeView::doubleClicked, this, &BookmarkTreeView::onDoubleClicked);
    connect(model, &QAbstractItemModel::modelReset, this, &BookmarkTreeView::onModelReset);
}

void BookmarkTreeView::onModelReset() {
    if (searching())
        openSearchPaths();
    else
        restoreExpanded();
}

void BookmarkTreeView::openSearchPaths() {
    const TreeFilter& filter = model_->filter();
    if (filter.hitCount() <= kHitsOpenedAtOnce) {
        expandAll();
        return;
    }
    for (ItemId hit : filter.hitsInTreeOrder(kPathsOpenedOfManyHits)) {
        std::vector<ItemId> above;
        for (ItemId up = tree().parent(hit); up != kNoItem; up = tree().parent(up))
            above.push_back(up);
        for (auto it = above.rbegin(); it != above.rend(); ++it)
            setExpanded(model_->indexOf(*it), true);
    }
}

bool BookmarkTreeView::searching() const {
    return model_->searching();
}

void BookmarkTreeView::setSearchText(const QString& text) {
    bool wasSearching = searching();
    std::string query = toGbk(text);
    if (!wasSearching) {
        if (PinyinMatcher(query).empty())
            return;
        currentBeforeSearch_ = currentItem();
    }
    model_->setSearch(query);
    if (searching()) {
        std::vector<ItemId> first = model_->filter().hitsInTreeOrder(1);
        if (!first.empty())
            selectItem(first.front());
    } else if (wasSearching) {
        if (currentBeforeSearch_ != kNoItem && tree().contains(currentBeforeSearch_))
            selectItem(currentBeforeSearch_);
        else
            setCurrentIndex({});
        currentBeforeSearch_ = kNoItem;
    }
}

void BookmarkTreeView::selectItem(ItemId item) {
    QModelIndex index = model_->indexOf(item);
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    scrollTo(index);
}

void BookmarkTreeView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != EditingState && currentIndex().isValid()) {
        activateEntry(currentIndex());
        event->accept();
        return;
    }
    // Printable text without Ctrl or Alt begins a search instead of jumping to a name.
    QString typed = event->text();
    bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !typed.isEmpty() && typed.at(0).isPrint() && !typed.at(0).isSpace()) {
        emit searchTyped(typed);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void BookmarkTreeView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) {
        emit searchTyped(event->commitString());
        event->accept();
        return;
    }
    QTreeView::inputMethodEvent(event);
}

void BookmarkTreeView::restoreExpanded() {
    const BookmarkTree& t = tree();
    forEachPreOrder(t, kNoItem, [&](ItemId item, int) {
        if (t.isExpanded(item) && t.hasChildren(item))
            setExpanded(model_->indexOf(item), true);
    });
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

ItemId BookmarkTreeView::dropTarget() const {
    return model_->itemOf(dropTarget_);
}

QMimeData* BookmarkTreeView::mimeDataForDrag(ItemId item) const {
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kEntryMimeType), dragOwner(this) + QByteArray::number(item));
    return mime;
}

ItemId BookmarkTreeView::draggedEntry(const QMimeData* mime) const {
    if (!mime || !mime->hasFormat(QLatin1String(kEntryMimeType)))
        return kNoItem;
    QByteArray payload = mime->data(QLatin1String(kEntryMimeType));
    QByteArray owner = dragOwner(this);
    if (!payload.startsWith(owner))
        return kNoItem;
    bool ok = false;
    qulonglong item = payload.mid(owner.size()).toULongLong(&ok);
    if (!ok || item > std::numeric_limits<ItemId>::max())
        return kNoItem;
    auto id = static_cast<ItemId>(item);
    return tree().contains(id) ? id : kNoItem;
}

void BookmarkTreeView::startDrag(Qt::DropActions) {
    QModelIndex index = currentIndex();
    ItemId item = model_->itemOf(index);
    if (item == kNoItem)
        return;
    // The drop moves the entry itself (dropEvent): nothing is removed here afterwards, so
    // Qt's own removal of moved rows never runs.
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeDataForDrag(item));
    QRect row = visualRect(index);
    if (row.isValid())
        drag->setPixmap(viewport()->grab(row));
    drag->setHotSpot(QPoint(-5, -5));
    // The drag's own event filter takes Escape first; one installed once the drag runs sees
    // the key before it.
    EscapeWatch escape;
    QTimer::singleShot(0, &escape, [&escape] { qApp->installEventFilter(&escape); });
    const Qt::DropAction result = drag->exec(Qt::MoveAction, Qt::MoveAction);
    qApp->removeEventFilter(&escape);
    setDropTarget({});
    edgeScrollTimer_.stop();
    finishDrag(item, result, QCursor::pos(), escape.pressed);
}

bool BookmarkTreeView::finishDrag(ItemId item, Qt::DropAction result, const QPoint& globalPos,
                                  bool escaped) {
    if (result != Qt::IgnoreAction || escaped || !dropHandler_ || !tree().contains(item))
        return false;
    if (window()->frameGeometry().contains(globalPos))
        return false;
    // The last entry of the top level is there already.
    if (tree().parent(item) == kNoItem && tree().nextSibling(item) == kNoItem)
        return false;
    DropRequest drop;
    drop.dragged = item;
    drop.target = kNoItem;
    dropHandler_(drop);
    return true;
}

bool BookmarkTreeView::acceptDrag(QDropEvent* event) {
    if (!dropHandler_)
        return false;
    if (draggedEntry(event->mimeData()) != kNoItem) {
        event->setDropAction(Qt::MoveAction);
        return true;
    }
    if (!acceptsExternal_ || event->mimeData()->hasFormat(QLatin1String(kEntryMimeType)))
        return false;
    const QMimeData* mime = event->mimeData();
    if (!mime->hasUrls() && !mime->hasText())
        return false;
    // A link, or else a copy: never a move, which would let the other program delete what
    // was dropped.
    Qt::DropActions possible = event->possibleActions();
    if (possible & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else if (possible & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else
        return false;
    return true;
}

void BookmarkTreeView::setDropTarget(const QModelIndex& index) {
    if (QModelIndex(dropTarget_) == index)
        return;
    QModelIndex old = dropTarget_;
    dropTarget_ = index;
    if (old.isValid())
        viewport()->update(visualRect(old));
    if (index.isValid())
        viewport()->update(visualRect(index));
}

bool BookmarkTreeView::scrollTowardsEdge() {
    QRect area = viewport()->rect();
    EdgeScroll step = edgeScrollFor(dragPosition_.x(), dragPosition_.y(), area.left(), area.top(),
                                    area.right(), area.bottom());
    if (step.dy != 0) {
        verticalScrollBar()->triggerAction(step.dy > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                       : QAbstractSlider::SliderSingleStepSub);
    }
    if (step.dx != 0) {
        horizontalScrollBar()->triggerAction(step.dx > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                         : QAbstractSlider::SliderSingleStepSub);
    }
    return step.dx != 0 || step.dy != 0;
}

void BookmarkTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptDrag(event)) {
        event->ignore();
        return;
    }
    event->accept();
}

void BookmarkTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptDrag(event)) {
        event->ignore();
        return;
    }
    dragPosition_ = event->position().toPoint();
    QModelIndex index = indexAt(dragPosition_);
    ItemId dragged = draggedEntry(event->mimeData());
    // Open a folder to drop into it; an entry without children stays as it is (an empty
    // folder would only change its picture).
    if (dragged == kNoItem && index.isValid() && model_->hasChildren(index) && !isExpanded(index))
        expand(index);
    setDropTarget(index);
    if (scrollTowardsEdge()) {
        if (!edgeScrollTimer_.isActive())
            edgeScrollTimer_.start();
    } else {
        edgeScrollTimer_.stop();
    }
    // Onto the dragged entry itself or below it nothing would move: say so while dragging.
    if (dragged != kNoItem && !mayDropOn(tree(), dragged, model_->itemOf(index))) {
        event->ignore(visualRect(index));
        return;
    }
    event->accept();
}

void BookmarkTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropTarget({});
    edgeScrollTimer_.stop();
    event->accept();
}

void BookmarkTreeView::dropEvent(QDropEvent* event) {
    edgeScrollTimer_.stop();
    setDropTarget({});
    if (!acceptDrag(event)) {
        event->ignore();
        return;
    }
    DropRequest request;
    request.target = model_->itemOf(indexAt(event->position().toPoint()));
    request.dragged = draggedEntry(event->mimeData());
    if (!request.isMove()) {
        request.entries = entriesFromDroppedData(*event->mimeData());
        if (request.entries.empty()) {
            event->ignore();
            return;
        }
    } else if (!mayDropOn(tree(), request.dragged, request.target)) {
        event->ignore();
        return;
    }
    event->accept();
    dropHandler_(request);
}

void BookmarkTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (dropTarget_.isValid() && dropTarget_ == index) {
        QStyleOptionViewItem highlighted(option);
        highlighted.state |= QStyle::State_Selected;
        QTreeView::drawRow(painter, highlighted, index);
        return;
    }
    QTreeView::drawRow(painter, option, index);
}

void BookmarkTreeView::onDoubleClicked(const QModelIndex& index) {
    RecordRef record = tree().LookupRecord(model_->itemOf(index));
    if (!record)
        return;
    std::string_view address = text::trimLeft(record->address);
    if (!address.empty())
        emit openRequested(fromGbk(address));
}

}  // namespace brivanta
