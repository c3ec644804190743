#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/net/LinkChecker.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeObserver.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace brivanta {

class LinkCheckRun;
class TreeCommand;
class TreeUndo;

// The health of one tree: the groups of entries kept under the same address, or the result of
// checking its links. Rows sort by any column and narrow down by the search line (names by
// pinyin, addresses as text) and, for links, by result. Every clean-up is one step of the
// tree's history, so the main window's 撤销 takes it back; the rows follow every change.
class HealthWindow : public QWidget, private TreeObserver {
    Q_OBJECT
  public:
    enum class Mode { duplicates, links };
    // Where dead links are moved to, at the top level (made when missing).
    static QString deadLinkFolder();

    HealthWindow(Mode mode, BookmarkTree& tree, TreeUndo& history, QWidget* parent = nullptr);
    ~HealthWindow() override;

    Mode mode() const { return mode_; }
    BookmarkTree& tree() const { return tree_; }
    void setCheckOptions(const net::LinkCheckOptions& options) { options_ = options; }

    // Finds the groups again, or starts a new check of every link of the tree.
    void start();
    // Stops a check; the results so far stay, the tree is not touched.
    void cancelCheck();
    bool isChecking() const;

    QTreeWidget* list() const { return list_; }
    QLineEdit* searchLine() const { return search_; }
    QComboBox* resultFilter() const { return filter_; }
    QPushButton* button(const QString& text) const;
    QLabel* status() const { return status_; }
    QProgressBar* progress() const { return progress_; }

    // The clean-ups on the selected rows (保留这一个 on the current one). False when there was
    // nothing to do.
    bool keepCurrent();
    bool deleteSelected();
    bool updateSelected();
    bool moveSelected();

  signals:
    // A check ended, or was cancelled.
    void checkFinished(bool cancelled);

  private:
    // Entries added or taken away outside the window's own steps (an import, a paste, a
    // reload): the rows are made again once control is back in the event loop.
    void inserted(ItemId parent, int row, ItemId item) override;
    void removed(ItemId parent, int row) override;
    void reset() override;
    void treeDestroyed() override;
    void scheduleRebuild();

    void buildDuplicateRows();
    void buildLinkRows();
    void rebuild();
    void fitColumns();
    QTreeWidgetItem* addLinkRow(ItemId item, const net::LinkOutcome& outcome);
    void onChecked(const std::string& address, const net::LinkOutcome& outcome);
    void onFinished(bool cancelled, const QString& failure);
    void applyFilter();
    bool rowShown(const QTreeWidgetItem* row) const;
    void updateButtons();
    void updateStatus();
    std::vector<ItemId> selectedEntries() const;
    QString folderOf(ItemId item) const;
    bool run(std::unique_ptr<TreeCommand> command);

    Mode mode_;
    BookmarkTree& tree_;
    TreeUndo& history_;
    net::LinkCheckOptions options_;
    QLineEdit* search_ = nullptr;
    QComboBox* filter_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* again_ = nullptr;
    QPushButton* keep_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* move_ = nullptr;
    // The last result of every address checked (stored text), and the entries of each.
    std::unordered_map<std::string, net::LinkOutcome> results_;
    std::unordered_map<std::string, std::vector<ItemId>> entriesOf_;
    std::unique_ptr<LinkCheckRun> run_;
    size_t done_ = 0;
    size_t dead_ = 0;
    bool cancelled_ = false;
    bool treeAlive_ = true;
    bool stale_ = false;  // the tree changed since the rows were made
    QString failure_;
};

}  // namespace brivanta
