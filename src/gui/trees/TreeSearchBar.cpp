#include "gui/trees/TreeSearchBar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/text/Trim.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"

namespace brivanta {

namespace {
constexpr int kControlRole = Qt::UserRole + 1;
constexpr int kItemRole = Qt::UserRole + 2;
constexpr int kHitListHeight = 180;
}  // namespace

TreeSearchBar::TreeSearchBar(QWidget* parent)
    : QWidget(parent),
      line_(new QLineEdit(this)),
      allTreesButton_(new QToolButton(this)),
      hitList_(new QTreeWidget(this)) {
    line_->setObjectName(QString::number(ids::kSearchLineControl));
    line_->setPlaceholderText(QString::fromUtf8("查找（名称、地址或拼音首字母）"));
    line_->setClearButtonEnabled(true);
    line_->installEventFilter(this);
    connect(line_, &QLineEdit::textChanged, this, &TreeSearchBar::onTextChanged);
    firstKeyWait_.setSingleShot(true);
    firstKeyWait_.setInterval(kFirstKeyWaitMilliseconds);
    connect(&firstKeyWait_, &QTimer::timeout, this, &TreeSearchBar::search);

    allTreesButton_->setObjectName(QString::number(ids::kSearchAllTreesControl));
    allTreesButton_->setText(QString::fromUtf8("全部"));
    allTreesButton_->setToolTip(QString::fromUtf8("在推荐、收藏和通讯录中一起查找"));
    allTreesButton_->setCheckable(true);
    allTreesButton_->setAutoRaise(true);
    connect(allTreesButton_, &QToolButton::toggled, this, &TreeSearchBar::search);

    hitList_->setObjectName(QString::number(ids::kSearchHitsControl));
    hitList_->setColumnCount(2);
    hitList_->setHeaderLabels({QString::fromUtf8("名称"), QString::fromUtf8("位置")});
    hitList_->setRootIsDecorated(false);
    hitList_->setUniformRowHeights(true);
    hitList_->setIconSize(QSize(16, 16));
    hitList_->header()->setStretchLastSection(true);
    hitList_->setFixedHeight(kHitListHeight);
    hitList_->setVisible(false);
    hitList_->installEventFilter(this);
    connect(hitList_, &QTreeWidget::itemActivated, this, &TreeSearchBar::onHitActivated);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(line_, 1);
    row->addWidget(allTreesButton_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addLayout(row);
    column->addWidget(hitList_);
}

void TreeSearchBar::addTree(BookmarkTreeView* view, const QString& name) {
    trees_.push_back({view, name});
    view->installEventFilter(this);
    connect(view, &BookmarkTreeView::searchTyped, this,
            [this](const QString& text) { startSearch(text); });
    if (!active_)
        active_ = view;
}

BookmarkTreeView* TreeSearchBar::viewOf(int controlId) const {
    for (const Tree& t : trees_) {
        if (t.view->controlId() == controlId)
            return t.view;
    }
    return nullptr;
}

void TreeSearchBar::setActiveView(BookmarkTreeView* view) {
    if (view == active_)
        return;
    active_ = view;
    // With one tree searched, the search moves along to the tree now shown.
    if (!allTrees())
        search();
}

bool TreeSearchBar::allTrees() const {
    return allTreesButton_->isChecked();
}

void TreeSearchBar::setAllTrees(bool on) {
    allTreesButton_->setChecked(on);
}

size_t TreeSearchBar::searchedEntries() const {
    size_t entries = 0;
    for (const Tree& t : trees_) {
        if (allTrees() || t.view == active_)
            entries += t.view->tree().size();
    }
    return entries;
}

void TreeSearchBar::onTextChanged() {
    if (line_->text().size() == 1 && searchedEntries() >= kWaitingTreeSize) {
        firstKeyWait_.start();
        return;
    }
    search();
}

void TreeSearchBar::searchIfPending() {
    if (firstKeyWait_.isActive())
        search();
}

void TreeSearchBar::search() {
    firstKeyWait_.stop();
    const QString text = line_->text();
    for (const Tree& t : trees_) {
        if (allTrees() || t.view == active_)
            t.view->setSearchText(text);
        else
            t.view->setSearchText({});
    }
    bool listShown = false;
    if (allTrees()) {
        for (const Tree& t : trees_)
            listShown = listShown || t.view->searching();
    }
    if (listShown)
        fillHitList();
    else
        hitList_->clear();
    if (listShown != hitList_->isVisibleTo(this)) {
        hitList_->setVisible(listShown);
        updateGeometry();
        emit heightChanged();
    }
}

void TreeSearchBar::fillHitList() {
    hitList_->setUpdatesEnabled(false);
    hitList_->clear();
    size_t total = 0;
    int listed = 0;
    for (const Tree& t : trees_) {
        const TreeFilter& filter = t.view->bookmarkModel()->filter();
        if (!filter.active())
            continue;
        total += filter.hitCount();
        if (listed >= kListedHits)
            continue;
        BookmarkTreeModel* model = t.view->bookmarkModel();
        const BookmarkTree& tree = t.view->tree();
        for (ItemId item : filter.hitsInTreeOrder(static_cast<size_t>(kListedHits - listed))) {
            auto* row = new QTreeWidgetItem(hitList_);
            row->setText(0, fromGbk(tree.label(item)));
            row->setIcon(0, model->data(model->indexOf(item), Qt::DecorationRole).value<QIcon>());
            ItemId folder = tree.parent(item);
            QString where = t.name;
            if (folder != kNoItem)
                where += QString::fromUtf8("：") + fromGbk(filter.pathOf(folder));
            row->setText(1, where);
            row->setToolTip(1, where);
            row->setData(0, kControlRole, t.view->controlId());
            row->setData(0, kItemRole, QVariant::fromValue(item));
            ++listed;
        }
    }
    if (total > static_cast<size_t>(listed)) {
        auto* more = new QTreeWidgetItem(hitList_);
        more->setText(0, QString::fromUtf8("还有 %1 条……").arg(total - listed));
        more->setFlags(Qt::ItemIsEnabled);
    }
    hitList_->setUpdatesEnabled(true);
}

bool TreeSearchBar::showHit(QTreeWidgetItem* row) {
    if (!row || !row->data(0, kItemRole).isValid())
        return false;
    int controlId = row->data(0, kControlRole).toInt();
    auto item = row->data(0, kItemRole).value<ItemId>();
    BookmarkTreeView* view = viewOf(controlId);
    if (!view || !view->tree().contains(item))
        return false;
    if (view != active_)
        emit treeRequested(controlId);
    view->selectItem(item);
    return true;
}

void TreeSearchBar::onHitActivated(QTreeWidgetItem* row) {
    if (showHit(row)) {
        if (BookmarkTreeView* view = viewOf(row->data(0, kControlRole).toInt()))
            view->setFocus();
    }
}

void TreeSearchBar::openFirstMatch() {
    searchIfPending();
    auto open = [this](const BookmarkTree& tree, ItemId item) {
        RecordRef record = tree.LookupRecord(item);
        std::string_view address = record ? text::trimLeft(record->address) : std::string_view();
        if (address.empty())
            return false;
        emit openRequested(fromGbk(address));
        return true;
    };
    if (allTrees()) {
        for (int i = 0; i < hitList_->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = hitList_->topLevelItem(i);
            BookmarkTreeView* view = viewOf(row->data(0, kControlRole).toInt());
            if (view && row->data(0, kItemRole).isValid() &&
                open(view->tree(), row->data(0, kItemRole).value<ItemId>()))
                return;
        }
        return;
    }
    if (active_ && active_->searching())
        open(active_->tree(), active_->bookmarkModel()->filter().firstLink());
}

void TreeSearchBar::startSearch(const QString& typed) {
    line_->setFocus(Qt::ShortcutFocusReason);
    if (typed.isEmpty()) {
        line_->selectAll();
        return;
    }
    line_->end(false);
    line_->insert(typed);
}

void TreeSearchBar::endSearch() {
    line_->clear();
    if (active_)
        active_->setFocus();
}

QSize TreeSearchBar::sizeHint() const {
    QSize line = line_->sizeHint();
    int height = line.height();
    if (hitList_->isVisibleTo(this))
        height += kHitListHeight + 1;
    return {line.width() + allTreesButton_->sizeHint().width(), height};
}

bool TreeSearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    bool searching = !line_->text().isEmpty();
    if (key->key() == Qt::Key_Escape && (watched == line_ || searching)) {
        endSearch();
        return true;
    }
    if (watched == line_) {
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                openFirstMatch();
                return true;
            case Qt::Key_Down:
                searchIfPending();
                if (hitList_->isVisible())
                    hitList_->setFocus();
                else if (active_)
                    active_->setFocus();
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace brivanta
