#include "gui/trees/BookmarkTreeView.h"

#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "core/text/Trim.h"
#include "core/trees/TreeWalk.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"

namespace brivanta {

namespace {
// Opening every folder of the filtered tree lays out every shown row; beyond this many hits
// only the paths to the first screenfuls are opened, which keeps a keystroke quick.
constexpr size_t kHitsOpenedAtOnce = 2000;
constexpr size_t kPathsOpenedOfManyHits = 100;
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

void BookmarkTreeView::onDoubleClicked(const QModelIndex& index) {
    RecordRef record = tree().LookupRecord(model_->itemOf(index));
    if (!record)
        return;
    std::string_view address = text::trimLeft(record->address);
    if (!address.empty())
        emit openRequested(fromGbk(address));
}

}  // namespace brivanta
