#include "gui/health/HealthWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <unordered_set>

#include "core/net/TreeLinkSource.h"
#include "core/trees/CleanupCommands.h"
#include "core/trees/DuplicateFinder.h"
#include "core/trees/PinyinMatcher.h"
#include "core/trees/TreeKind.h"
#include "gui/health/LinkCheckRun.h"
#include "gui/text/QtText.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

namespace {

// What each row carries besides its texts.
constexpr int kItemRole = Qt::UserRole;        // the entry's item data; none on a group row
constexpr int kResultRole = Qt::UserRole + 1;  // the link's LinkResult
constexpr int kNameRole = Qt::UserRole + 2;    // name and address as stored, for the search
constexpr int kAddressRole = Qt::UserRole + 3;
constexpr int kSortRole = Qt::UserRole + 4;  // a number to sort by instead of the text
// Results after which the columns are no longer fitted while a check runs.
constexpr size_t kFittedRows = 64;

// Filter choices before the single results: everything, and every dead link.
constexpr int kAllResults = 0;
constexpr int kDeadResults = 1;
constexpr net::LinkResult kResults[] = {net::LinkResult::working,     net::LinkResult::redirected,
                                        net::LinkResult::moved,       net::LinkResult::notFound,
                                        net::LinkResult::serverError, net::LinkResult::refused,
                                        net::LinkResult::timedOut,    net::LinkResult::nameNotFound,
                                        net::LinkResult::tlsFailure,  net::LinkResult::failed};

enum LinkColumn {
    kResultColumn,
    kCodeColumn,
    kLinkNameColumn,
    kLinkFolderColumn,
    kLinkAddressColumn,
    kNewAddressColumn
};
enum DuplicateColumn { kNameColumn, kFolderColumn, kAddressColumn };

// Sorts numbers (group order, status codes) as numbers.
class Row : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        QVariant mine = data(column, kSortRole);
        QVariant theirs = other.data(column, kSortRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toLongLong() < theirs.toLongLong();
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

QString treeName(int kind) {
    switch (kind) {
        case kRecommendedTree:
            return QString::fromUtf8("推荐");
        case kAddressBookTree:
            return QString::fromUtf8("通讯录");
        default:
            return QString::fromUtf8("收藏");
    }
}

ItemId itemOf(const QTreeWidgetItem* row) {
    QVariant v = row->data(0, kItemRole);
    return v.isValid() ? static_cast<ItemId>(v.toULongLong()) : kNoItem;
}

void setEntry(QTreeWidgetItem* row, ItemId item, std::string_view name, std::string_view address) {
    row->setData(0, kItemRole, static_cast<qulonglong>(item));
    row->setData(0, kNameRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    row->setData(0, kAddressRole,
                 QByteArray(address.data(), static_cast<qsizetype>(address.size())));
}

}  // namespace

QString HealthWindow::deadLinkFolder() {
    return QString::fromUtf8("失效链接");
}

HealthWindow::HealthWindow(Mode mode, BookmarkTree& tree, TreeUndo& history, QWidget* parent)
    : QWidget(parent, Qt::Window), mode_(mode), tree_(tree), history_(history) {
    setAttribute(Qt::WA_DeleteOnClose);
    const bool links = mode == Mode::links;
    setWindowTitle((links ? QString::fromUtf8("检查链接 - ") : QString::fromUtf8("查找重复 - ")) +
                   treeName(tree.treeKind()));

    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QString::fromUtf8("查找（名称、地址或拼音首字母）"));
    search_->setClearButtonEnabled(true);
    connect(search_, &QLineEdit::textChanged, this, &HealthWindow::applyFilter);
    auto* top = new QHBoxLayout;
    top->addWidget(search_, 1);
    if (links) {
        filter_ = new QComboBox(this);
        filter_->addItem(QString::fromUtf8("全部结果"));
        filter_->addItem(QString::fromUtf8("全部失效链接"));
        for (net::LinkResult r : kResults)
            filter_->addItem(QString::fromUtf8(net::linkResultText(r)), static_cast<int>(r));
        connect(filter_, &QComboBox::currentIndexChanged, this, &HealthWindow::applyFilter);
        top->addWidget(filter_);
    }

    list_ = new QTreeWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAllColumnsShowFocus(true);
    list_->setUniformRowHeights(true);
    if (links) {
        list_->setHeaderLabels({QString::fromUtf8("结果"), QString::fromUtf8("状态码"),
                                QString::fromUtf8("名称"), QString::fromUtf8("文件夹"),
                                QString::fromUtf8("地址"), QString::fromUtf8("新地址")});
        list_->setRootIsDecorated(false);
    } else {
        list_->setHeaderLabels(
            {QString::fromUtf8("名称"), QString::fromUtf8("文件夹"), QString::fromUtf8("地址")});
    }
    list_->header()->setSectionResizeMode(QHeaderView::Interactive);
    list_->header()->setStretchLastSection(true);
    list_->setSortingEnabled(true);
    list_->sortByColumn(-1, Qt::AscendingOrder);  // tree order until a header is clicked
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &HealthWindow::updateButtons);
    connect(list_, &QTreeWidget::currentItemChanged, this, &HealthWindow::updateButtons);

    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setVisible(false);
    cancel_ = new QPushButton(QString::fromUtf8("取消"), this);
    cancel_->setVisible(false);
    connect(cancel_, &QPushButton::clicked, this, &HealthWindow::cancelCheck);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(status_, 1);
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(cancel_);

    auto* buttons = new QHBoxLayout;
    auto addButton = [&](const char* text, const std::function<void()>& action) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromUtf8(text));
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
        return b;
    };
    if (links) {
        again_ = addButton("重新检查", [this] { start(); });
        update_ = addButton("更新为新地址", [this] { updateSelected(); });
        move_ = addButton("移到“失效链接”文件夹", [this] { moveSelected(); });
    } else {
        keep_ = addButton("保留这一个", [this] { keepCurrent(); });
    }
    delete_ = addButton("删除", [this] { deleteSelected(); });
    buttons->addStretch(1);
    addButton("关闭", [this] { close(); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);
    resize(links ? 820 : 720, 460);

    tree_.addObserver(this);
    connect(history_.stack(), &QUndoStack::indexChanged, this, &HealthWindow::rebuild);
    connect(history_.stack(), &QUndoStack::cleanChanged, this, &HealthWindow::rebuild);
}

HealthWindow::~HealthWindow() {
    if (treeAlive_)
        tree_.removeObserver(this);
}

void HealthWindow::inserted(ItemId, int, ItemId) {
    scheduleRebuild();
}

void HealthWindow::removed(ItemId, int) {
    scheduleRebuild();
}

void HealthWindow::reset() {
    scheduleRebuild();
}

void HealthWindow::treeDestroyed() {
    treeAlive_ = false;
    if (run_)
        run_->cancel();
    list_->clear();
}

void HealthWindow::scheduleRebuild() {
    if (stale_)
        return;
    stale_ = true;
    // A step of the history makes the rows again at once; this catches the rest.
    QTimer::singleShot(0, this, [this] {
        if (stale_ && treeAlive_)
            rebuild();
    });
}

QPushButton* HealthWindow::button(const QString& text) const {
    return findChild<QPushButton*>(text);
}

bool HealthWindow::isChecking() const {
    return run_ && run_->isRunning();
}

void HealthWindow::start() {
    if (!treeAlive_)
        return;
    if (mode_ == Mode::duplicates) {
        rebuild();
        return;
    }
    if (isChecking())
        return;
    results_.clear();
    done_ = dead_ = 0;
    cancelled_ = false;
    failure_.clear();
    rebuild();  // the entries of every address, as the tree is now
    // Each address once, in tree order: requests to one host follow one another as they do in
    // the tree, with the pause between them.
    std::vector<std::string> addresses;
    std::unordered_set<std::string_view> seen;
    net::TreeLinkSource source(tree_);
    for (net::LinkJob job; source.next(job);) {
        auto known = entriesOf_.find(job.address);
        if (known != entriesOf_.end() && seen.insert(known->first).second)
            addresses.push_back(job.address);
    }
    run_ = std::make_unique<LinkCheckRun>(std::move(addresses), options_);
    connect(run_.get(), &LinkCheckRun::checked, this, &HealthWindow::onChecked);
    connect(run_.get(), &LinkCheckRun::finished, this, &HealthWindow::onFinished);
    progress_->setRange(0, static_cast<int>(run_->total()));
    progress_->setValue(0);
    progress_->setVisible(true);
    cancel_->setVisible(true);
    cancel_->setEnabled(true);
    run_->start();
    updateButtons();
    updateStatus();
}

void HealthWindow::cancelCheck() {
    if (!isChecking())
        return;
    run_->cancel();
    cancel_->setEnabled(false);
}

void HealthWindow::onChecked(const std::string& address, const net::LinkOutcome& outcome) {
    ++done_;
    results_[address] = outcome;
    auto entries = entriesOf_.find(address);
    if (entries != entriesOf_.end()) {
        for (ItemId item : entries->second) {
            if (!tree_.contains(item))
                continue;
            QTreeWidgetItem* row = addLinkRow(item, outcome);
            row->setHidden(!rowShown(row));
            if (net::isDead(outcome.result))
                ++dead_;
        }
    }
    progress_->setValue(static_cast<int>(done_));
    // The first rows set the columns; later ones wait for the end of the check.
    if (done_ <= kFittedRows)
        fitColumns();
    updateStatus();
}

void HealthWindow::onFinished(bool cancelled, const QString& failure) {
    fitColumns();
    cancelled_ = cancelled;
    failure_ = failure;
    progress_->setVisible(false);
    cancel_->setVisible(false);
    updateButtons();
    updateStatus();
    emit checkFinished(cancelled);
}

QString HealthWindow::folderOf(ItemId item) const {
    ItemId parent = tree_.parent(item);
    return parent == kNoItem ? QString() : fromGbk(entryPath(tree_, parent));
}

void HealthWindow::rebuild() {
    stale_ = false;
    if (!treeAlive_)
        return;
    list_->setUpdatesEnabled(false);
    list_->setSortingEnabled(false);
    list_->clear();
    if (mode_ == Mode::duplicates)
        buildDuplicateRows();
    else
        buildLinkRows();
    list_->setSortingEnabled(true);
    fitColumns();
    list_->setUpdatesEnabled(true);
    applyFilter();
    updateStatus();
}

void HealthWindow::fitColumns() {
    // Every column but the last (which takes the rest) as wide as its texts, within bounds so
    // that one long address does not push the others out of sight.
    const int last = list_->columnCount() - 1;
    for (int column = 0; column < last; ++column) {
        list_->resizeColumnToContents(column);
        list_->setColumnWidth(column, std::clamp(list_->columnWidth(column), 60, 280));
    }
}

void HealthWindow::buildDuplicateRows() {
    const BookmarkTree* trees[] = {&tree_};
    std::vector<DuplicateGroup> groups = findDuplicates(trees);
    int number = 0;
    for (const DuplicateGroup& group : groups) {
        auto* head = new Row(list_);
        ++number;
        head->setText(kNameColumn,
                      QString::fromUtf8("第 %1 组（%2 个）").arg(number).arg(group.entries.size()));
        head->setData(kNameColumn, kSortRole, number);
        for (const DuplicateEntry& entry : group.entries) {
            RecordRef record = tree_.LookupRecord(entry.item);
            if (!record)
                continue;
            auto* row = new Row(head);
            row->setText(kNameColumn, fromGbk(tree_.label(entry.item)));
            row->setText(kFolderColumn, folderOf(entry.item));
            row->setText(kAddressColumn, fromGbk(record->address));
            setEntry(row, entry.item, record->name, record->address);
            if (head->text(kAddressColumn).isEmpty())
                head->setText(kAddressColumn, row->text(kAddressColumn));
        }
        head->setExpanded(true);
    }
}

QTreeWidgetItem* HealthWindow::addLinkRow(ItemId item, const net::LinkOutcome& outcome) {
    RecordRef record = tree_.LookupRecord(item);
    auto* row = new Row(list_);
    row->setText(kResultColumn, QString::fromUtf8(net::linkResultText(outcome.result)));
    row->setData(kResultColumn, kSortRole, static_cast<int>(outcome.result));
    row->setData(0, kResultRole, static_cast<int>(outcome.result));
    if (outcome.code != 0) {
        row->setText(kCodeColumn, QString::number(outcome.code));
        row->setData(kCodeColumn, kSortRole, static_cast<qlonglong>(outcome.code));
    } else {
        row->setData(kCodeColumn, kSortRole, 0);
    }
    row->setText(kLinkNameColumn, fromGbk(tree_.label(item)));
    row->setText(kLinkFolderColumn, folderOf(item));
    row->setText(kLinkAddressColumn, fromGbk(record->address));
    row->setText(kNewAddressColumn, fromGbk(outcome.newAddress));
    if (!outcome.detail.empty())
        row->setToolTip(kResultColumn, QString::fromStdString(outcome.detail));
    setEntry(row, item, record->name, record->address);
    return row;
}

void HealthWindow::buildLinkRows() {
    entriesOf_.clear();
    net::TreeLinkSource source(tree_);
    for (net::LinkJob job; source.next(job);) {
        const auto item = static_cast<ItemId>(job.tag);
        entriesOf_[job.address].push_back(item);
        auto result = results_.find(job.address);
        if (result != results_.end())
            addLinkRow(item, result->second);
    }
}

bool HealthWindow::rowShown(const QTreeWidgetItem* row) const {
    const PinyinMatcher matcher(toGbk(search_->text()));
    auto matches = [&](const QTreeWidgetItem* r) {
        if (matcher.empty())
            return true;
        QByteArray name = r->data(0, kNameRole).toByteArray();
        QByteArray address = r->data(0, kAddressRole).toByteArray();
        return matcher.matches(std::string_view(name.constData(), name.size())) ||
               matcher.contains(std::string_view(address.constData(), address.size()));
    };
    if (filter_ && itemOf(row) != kNoItem) {
        const int choice = filter_->currentIndex();
        const auto result = static_cast<net::LinkResult>(row->data(0, kResultRole).toInt());
        if (choice == kDeadResults && !net::isDead(result))
            return false;
        if (choice != kAllResults && choice != kDeadResults &&
            filter_->currentData().toInt() != static_cast<int>(result))
            return false;
    }
    if (row->childCount() == 0)
        return matches(row);
    for (int i = 0; i < row->childCount(); ++i) {
        if (matches(row->child(i)))
            return true;
    }
    return false;
}

void HealthWindow::applyFilter() {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_->topLevelItem(i);
        row->setHidden(!rowShown(row));
    }
    updateButtons();
}

std::vector<ItemId> HealthWindow::selectedEntries() const {
    std::vector<ItemId> items;
    for (QTreeWidgetItem* row : list_->selectedItems()) {
        ItemId item = itemOf(row);
        if (item != kNoItem && !row->isHidden() && tree_.contains(item))
            items.push_back(item);
    }
    return items;
}

void HealthWindow::updateButtons() {
    const std::vector<ItemId> selected = selectedEntries();
    const bool busy = isChecking();
    delete_->setEnabled(!selected.empty());
    if (keep_) {
        QTreeWidgetItem* current = list_->currentItem();
        keep_->setEnabled(current && current->isSelected() && itemOf(current) != kNoItem &&
                          current->parent());
    }
    if (again_)
        again_->setEnabled(!busy);
    if (move_)
        move_->setEnabled(!selected.empty());
    if (update_) {
        bool anyMoved = false;
        for (QTreeWidgetItem* row : list_->selectedItems()) {
            anyMoved = anyMoved ||
                       (itemOf(row) != kNoItem && row->data(0, kResultRole).toInt() ==
                                                      static_cast<int>(net::LinkResult::moved));
        }
        update_->setEnabled(anyMoved);
    }
}

void HealthWindow::updateStatus() {
    if (mode_ == Mode::duplicates) {
        int entries = 0;
        for (int i = 0; i < list_->topLevelItemCount(); ++i)
            entries += list_->topLevelItem(i)->childCount();
        status_->setText(list_->topLevelItemCount() == 0
                             ? QString::fromUtf8("没有重复的地址。")
                             : QString::fromUtf8("%1 组重复，共 %2 个条目。")
                                   .arg(list_->topLevelItemCount())
                                   .arg(entries));
        return;
    }
    const size_t total = run_ ? run_->total() : 0;
    if (!failure_.isEmpty())
        status_->setText(QString::fromUtf8("不能检查链接：") + failure_);
    else if (isChecking())
        status_->setText(QString::fromUtf8("已检查 %1/%2 个地址，失效链接 %3 条")
                             .arg(done_)
                             .arg(total)
                             .arg(dead_));
    else if (cancelled_)
        status_->setText(QString::fromUtf8("已取消：检查了 %1/%2 个地址，失效链接 %3 条。")
                             .arg(done_)
                             .arg(total)
                             .arg(dead_));
    else if (run_ && total == 0)
        status_->setText(QString::fromUtf8("没有要检查的链接。"));
    else if (run_)
        status_->setText(
            QString::fromUtf8("检查完 %1 个地址，失效链接 %2 条。").arg(done_).arg(dead_));
}

bool HealthWindow::run(std::unique_ptr<TreeCommand> command) {
    // The rows follow through the history's signals.
    return treeAlive_ && history_.run(std::move(command));
}

bool HealthWindow::keepCurrent() {
    QTreeWidgetItem* current = list_->currentItem();
    if (mode_ != Mode::duplicates || !current || !current->parent() || itemOf(current) == kNoItem)
        return false;
    std::vector<ItemId> group;
    group.reserve(static_cast<size_t>(current->parent()->childCount()));
    for (int i = 0; i < current->parent()->childCount(); ++i)
        group.push_back(itemOf(current->parent()->child(i)));
    return run(keepOneCommand(tree_, itemOf(current), group));
}

bool HealthWindow::deleteSelected() {
    std::vector<ItemId> items = selectedEntries();
    return !items.empty() && run(deleteEntriesCommand(tree_, std::move(items)));
}

bool HealthWindow::updateSelected() {
    std::vector<std::pair<ItemId, std::string>> changes;
    std::vector<std::pair<std::string, net::LinkOutcome>> nowWorking;
    for (QTreeWidgetItem* row : list_->selectedItems()) {
        ItemId item = itemOf(row);
        RecordRef record = tree_.LookupRecord(item);
        if (!record || row->isHidden())
            continue;
        auto result = results_.find(std::string(record->address));
        if (result == results_.end() || result->second.result != net::LinkResult::moved ||
            result->second.newAddress.empty())
            continue;
        changes.emplace_back(item, result->second.newAddress);
        // The redirect ended at a working page: that is what the new address gives.
        net::LinkOutcome working = result->second;
        working.result = net::LinkResult::working;
        working.newAddress.clear();
        nowWorking.emplace_back(result->second.newAddress, working);
    }
    if (changes.empty())
        return false;
    for (auto& [address, outcome] : nowWorking)
        results_.emplace(address, outcome);
    return run(updateAddressesCommand(tree_, std::move(changes)));
}

bool HealthWindow::moveSelected() {
    std::vector<ItemId> items = selectedEntries();
    return !items.empty() &&
           run(moveToFolderCommand(tree_, std::move(items), toGbk(deadLinkFolder())));
}

}  // namespace brivanta
