#pragma once

#include <QTimer>
#include <QWidget>
#include <vector>

#include "core/trees/TreeKind.h"

class QLineEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace brivanta {

class BookmarkTreeView;

// The search line above the trees. As the user types, the active tree shows only what
// matches (see TreeFilter); Escape clears the line and gives the tree back as it was; Enter
// opens the first match. The "全部" toggle searches every tree at once and lists each hit
// with the tree and the folders where it lives.
class TreeSearchBar : public QWidget {
    Q_OBJECT
  public:
    // Hits listed at most in the all-trees list; a last row says how many more there are.
    static constexpr int kListedHits = 200;
    // Over a tree this large a single character matches most entries and showing them takes
    // longer than the gap between two keys: the first key waits this long for a second one,
    // so typing does not stall on a result nobody asked for.
    static constexpr size_t kWaitingTreeSize = 100'000;
    static constexpr int kFirstKeyWaitMilliseconds = 100;

    explicit TreeSearchBar(QWidget* parent = nullptr);

    // The trees the bar searches, in the order the list shows them, with their tab names.
    void addTree(BookmarkTreeView* view, const QString& name);
    // The tree that is shown now; it takes over the search of the one shown before.
    void setActiveView(BookmarkTreeView* view);
    BookmarkTreeView* activeView() const { return active_; }

    // Puts the keyboard focus into the line; `typed` (text typed into a tree) is added to it.
    void startSearch(const QString& typed = {});
    // Clears the line: every tree is shown whole again, as before the search.
    void endSearch();
    // Opens the first match: of the active tree, or the first row of the all-trees list.
    void openFirstMatch();
    bool allTrees() const;
    void setAllTrees(bool on);

    QLineEdit* line() const { return line_; }
    QToolButton* allTreesButton() const { return allTreesButton_; }
    QTreeWidget* hitList() const { return hitList_; }
    QSize sizeHint() const override;
    // A one-character query is waiting for a second key.
    bool searchPending() const { return firstKeyWait_.isActive(); }

  signals:
    // A link was chosen (Enter, or a row of the list); carries its address.
    void openRequested(const QString& address);
    // A hit of another tree was chosen in the list: show that tree.
    void treeRequested(int controlId);
    // The bar grew or shrank (the all-trees list came or went).
    void heightChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Tree {
        BookmarkTreeView* view;
        QString name;
    };

    void onTextChanged();
    // Runs a waiting search now (Enter, or leaving the line for the results).
    void searchIfPending();
    // The entries the present search goes through: the active tree's, or all trees'.
    size_t searchedEntries() const;
    void search();
    void fillHitList();
    void onHitActivated(QTreeWidgetItem* row);
    // Shows the tree of `row` and its entry; true when the row names an entry.
    bool showHit(QTreeWidgetItem* row);
    BookmarkTreeView* viewOf(int controlId) const;

    QLineEdit* line_;
    QToolButton* allTreesButton_;
    QTreeWidget* hitList_;
    std::vector<Tree> trees_;
    BookmarkTreeView* active_ = nullptr;
    QTimer firstKeyWait_;
};

}  // namespace brivanta
