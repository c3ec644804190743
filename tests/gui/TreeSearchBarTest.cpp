// The search line over the tree views: filtering as the user types, Escape giving the tree
// back as it was, Enter opening the first match, and the all-trees list.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "GuiTestSupport.h"
#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"
#include "gui/app/MainDialog.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeSearchBar.h"

using namespace brivanta;
using text::gbk;

namespace {

// The bar above three trees, as the main window places them.
struct Window {
    BookmarkTree recommended{1001};
    BookmarkTree custom{1000};
    BookmarkTree contacts{1002};
    std::unique_ptr<BookmarkTreeModel> models[3];
    BookmarkTreeView* views[3] = {};
    QWidget widget;
    TreeSearchBar* bar = nullptr;

    Window() {
        auto* layout = new QVBoxLayout(&widget);
        bar = new TreeSearchBar(&widget);
        layout->addWidget(bar);
        BookmarkTree* trees[3] = {&recommended, &custom, &contacts};
        const char* names[3] = {"推荐", "收藏", "通讯录"};
        for (int i = 0; i < 3; ++i) {
            models[i] = std::make_unique<BookmarkTreeModel>(*trees[i], nullptr);
            views[i] = new BookmarkTreeView(models[i].get(), trees[i]->treeKind(), &widget);
            layout->addWidget(views[i]);
            bar->addTree(views[i], QString::fromUtf8(names[i]));
        }
        bar->setActiveView(views[1]);
        widget.resize(300, 700);
        widget.show();
    }
    BookmarkTreeView* view() const { return views[1]; }
    BookmarkTreeModel& model() const { return *models[1]; }
    void type(const QString& text) const { QTest::keyClicks(bar->line(), text); }
    void press(QWidget* target, Qt::Key key) const { QTest::keyClick(target, key); }
    // The labels of a view's shown rows, depth first, open folders that show entries marked
    // with "+".
    static QStringList shown(const BookmarkTreeView* v, const QModelIndex& parent = {}) {
        QStringList out;
        const QAbstractItemModel* m = v->model();
        for (int r = 0; r < m->rowCount(parent); ++r) {
            QModelIndex index = m->index(r, 0, parent);
            bool open = v->isExpanded(index) && m->rowCount(index) > 0;
            out << (open ? "+" : "") + index.data().toString();
            if (open)
                out << shown(v, index);
        }
        return out;
    }
};

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

class TreeSearchBarTest : public QObject {
    Q_OBJECT
  private slots:
    void typingFiltersAndEscapeRestoresTheView();
    void typingIntoTheTreeStartsASearch();
    void enterOpensTheFirstLink();
    void changesDuringASearchShow();
    void searchOverAWideTopLevel_data();
    void searchOverAWideTopLevel();
    void allTreesListWhereEachHitLives_data();
    void allTreesListWhereEachHitLives();
    void choosingAHitShowsItsTree();
    void mainWindowFindsWithCtrlFAndByTyping();
    void theFirstKeyOverALargeTreeWaitsForTheSecond();
};

void TreeSearchBarTest::typingFiltersAndEscapeRestoresTheView() {
    Window w;
    QAbstractItemModelTester tester(&w.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    BookmarkTree& t = w.custom;
    ItemId work = t.InsertNode({gbk("工作"), "", ""});
    t.InsertNode({gbk("新闻"), "http://news.example.com", ""}, work);
    ItemId city = t.InsertNode({gbk("重庆"), "", ""}, work);
    t.InsertNode({gbk("银行"), "http://bank.example.com", ""}, city);
    ItemId fun = t.InsertNode({gbk("娱乐"), "", ""});
    ItemId music = t.InsertNode({gbk("音乐"), "http://music.example.com", ""}, fun);
    w.view()->setExpanded(w.model().indexOf(fun), true);
    w.view()->selectItem(music);
    const QStringList before = {u("工作"), u("+娱乐"), u("音乐")};
    QCOMPARE(Window::shown(w.view()), before);

    w.type("zq");  // 重庆 read zhong qing as well as chong qing
    QCOMPARE(Window::shown(w.view()), (QStringList{u("+工作"), u("重庆")}));
    QCOMPARE(w.view()->currentItem(), city);
    w.type(" y");
    QCOMPARE(w.bar->line()->text(), u("zq y"));
    QCOMPARE(Window::shown(w.view()), QStringList());
    // Deleting characters widens the search again.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(w.bar->line(), Qt::Key_Backspace);
    w.type("yh");
    QCOMPARE(Window::shown(w.view()), (QStringList{u("+工作"), u("+重庆"), u("银行")}));

    // Closing a folder of the search result is not the user's own choice of open folders.
    w.view()->collapse(w.model().indexOf(work));
    QVERIFY(!t.isExpanded(work));
    w.view()->selectItem(work);

    w.press(w.bar->line(), Qt::Key_Escape);
    QCOMPARE(w.bar->line()->text(), QString());
    QVERIFY(!w.view()->searching());
    QCOMPARE(Window::shown(w.view()), before);
    QCOMPARE(w.view()->currentItem(), music);
    QVERIFY(!t.isExpanded(work));
    QVERIFY(t.isExpanded(fun));

    // Escape in the tree itself ends the search as well.
    w.type("yy");
    QCOMPARE(Window::shown(w.view()), (QStringList{u("+娱乐"), u("音乐")}));
    w.view()->setFocus();
    w.press(w.view(), Qt::Key_Escape);
    QCOMPARE(Window::shown(w.view()), before);
}

void TreeSearchBarTest::typingIntoTheTreeStartsASearch() {
    Window w;
    w.custom.InsertNode({gbk("新闻"), "http://news.example.com", ""});
    w.custom.InsertNode({"GitHub", "https://github.com", ""});
    QApplication::setActiveWindow(&w.widget);
    w.view()->setFocus();
    QTest::keyClicks(w.view(), "X");
    QCOMPARE(w.bar->line()->text(), u("X"));
    QVERIFY(w.bar->line()->hasFocus());
    QCOMPARE(Window::shown(w.view()), QStringList{u("新闻")});
    // Chinese arrives from an input method as a committed string.
    w.view()->setFocus();
    test::commitText(w.view(), u("闻"));
    QCOMPARE(w.bar->line()->text(), u("X闻"));
    QCOMPARE(Window::shown(w.view()), QStringList{u("新闻")});
    // Keys with Ctrl and the arrows keep their meaning in the tree.
    w.view()->setFocus();
    QTest::keyClick(w.view(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.view(), Qt::Key_Down);
    QCOMPARE(w.bar->line()->text(), u("X闻"));
}

void TreeSearchBarTest::enterOpensTheFirstLink() {
    Window w;
    QSignalSpy opened(w.bar, &TreeSearchBar::openRequested);
    ItemId docs = w.custom.InsertNode({gbk("文档"), "", ""});
    w.custom.InsertNode({gbk("文档中心"), "  http://docs.example.com", ""}, docs);
    w.custom.InsertNode({gbk("文档二"), "http://two.example.com", ""});
    w.type("wd");
    w.press(w.bar->line(), Qt::Key_Return);
    // The folder matches first but cannot be opened: its first link can.
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), u("http://docs.example.com"));
    w.bar->line()->clear();
    w.type("nothing");
    w.press(w.bar->line(), Qt::Key_Enter);
    QCOMPARE(opened.count(), 1);
}

void TreeSearchBarTest::changesDuringASearchShow() {
    Window w;
    QAbstractItemModelTester tester(&w.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    ItemId folder = w.custom.InsertNode({gbk("音乐"), "", ""});
    ItemId song = w.custom.InsertNode({gbk("音乐台"), "http://fm.example.com", ""}, folder);
    w.type("yyt");
    QCOMPARE(Window::shown(w.view()), (QStringList{u("+音乐"), u("音乐台")}));
    ItemId radio = w.custom.InsertNode({gbk("音乐台二"), "http://radio.example.com", ""});
    w.custom.InsertNode({gbk("别的"), "http://other.example.com", ""});
    QCOMPARE(Window::shown(w.view()), (QStringList{u("+音乐"), u("音乐台"), u("音乐台二")}));
    w.custom.DeleteNode(song);
    QCOMPARE(Window::shown(w.view()), QStringList{u("音乐台二")});
    w.custom.DeleteNode(radio);
    QCOMPARE(Window::shown(w.view()), QStringList());
    w.press(w.bar->line(), Qt::Key_Escape);
    QCOMPARE(Window::shown(w.view()), (QStringList{u("音乐"), u("别的")}));
}

void TreeSearchBarTest::searchOverAWideTopLevel_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("current");
    QTest::newRow("deep hit") << u("yh") << QStringList{u("+工作"), u("+重庆"), u("银行")}
                              << u("银行");
    // 娱乐 reads yu le or yu yue: a hit itself, open on its matching entry.
    QTest::newRow("hit folder open") << u("yy") << QStringList{u("+娱乐"), u("音乐")} << u("娱乐");
    // A matching folder whose entries do not match shows alone and closed.
    QTest::newRow("hit folder") << u("xw") << QStringList{u("+工作"), u("新闻"), u("新闻中心")}
                                << u("新闻");
    // Rows in the tree's order, not in the order the entries were made.
    QStringList links{u("link299"), u("link29")};
    for (int i = 0; i < 9; ++i)
        links << u("link29") + QString::number(i);
    QTest::newRow("moved entry first") << u("link29") << links << u("link299");
    QTest::newRow("none") << u("qqqq") << QStringList() << QString();
}

// Hundreds of top-level entries and few hits: the rows, the current entry, and Escape.
void TreeSearchBarTest::searchOverAWideTopLevel() {
    QFETCH(QString, query);
    QFETCH(QStringList, rows);
    QFETCH(QString, current);
    Window w;
    QAbstractItemModelTester tester(&w.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    BookmarkTree& t = w.custom;
    ItemId work = t.InsertNode({gbk("工作"), "", ""});
    t.InsertNode({gbk("新闻"), "http://news.example.com", ""}, work);
    ItemId city = t.InsertNode({gbk("重庆"), "", ""}, work);
    t.InsertNode({gbk("银行"), "http://bank.example.cq", ""}, city);
    for (int i = 0; i < 300; ++i)
        t.InsertNode({"link" + std::to_string(i), "http://l.example.net", ""});
    ItemId fun = t.InsertNode({gbk("娱乐"), "", ""});
    ItemId music = t.InsertNode({gbk("音乐"), "http://music.example.com", ""}, fun);
    ItemId centre = t.InsertNode({gbk("新闻中心"), "", ""});
    t.InsertNode({gbk("体育"), "http://sports.example.com", ""}, centre);
    // The last link moves to the top.
    t.insertSubtree(kNoItem, 0, t.takeSubtree(t.child(kNoItem, 300)));
    QCOMPARE(t.label(t.child(kNoItem, 0)), std::string("link299"));
    w.view()->setExpanded(w.model().indexOf(fun), true);
    w.view()->selectItem(music);
    const QStringList before = Window::shown(w.view());

    w.type(query);
    QCOMPARE(Window::shown(w.view()), rows);
    QModelIndex at = w.view()->currentIndex();
    QCOMPARE(at.isValid() ? at.data().toString() : QString(), current);
    if (at.isValid()) {
        // The current row is where the view shows it among its parent's rows.
        QCOMPARE(w.model().index(at.row(), 0, at.parent()), at);
        QVERIFY(!w.view()->visualRect(at).isEmpty());
    }

    w.press(w.bar->line(), Qt::Key_Escape);
    QCOMPARE(Window::shown(w.view()), before);
    QCOMPARE(w.view()->currentItem(), music);
    QVERIFY(t.isExpanded(fun));
    QVERIFY(!t.isExpanded(work));
}

void TreeSearchBarTest::allTreesListWhereEachHitLives_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows");  // name and place, in tree order, trees in tab order
    QTest::newRow("initials") << u("xw")
                              << QStringList{u("新闻网|推荐"), u("新闻|收藏：工作"),
                                             u("辛旺|通讯录")};
    QTest::newRow("address") << u("example.org")
                             << QStringList{u("新闻网|推荐"), u("邮件|通讯录：辛旺")};
    QTest::newRow("one tree") << u("gz") << QStringList{u("工作|收藏")};
    QTest::newRow("none") << u("qqq") << QStringList();
}

void TreeSearchBarTest::allTreesListWhereEachHitLives() {
    QFETCH(QString, query);
    QFETCH(QStringList, rows);
    Window w;
    w.recommended.InsertNode({gbk("新闻网"), "http://news.example.org", ""});
    ItemId work = w.custom.InsertNode({gbk("工作"), "", ""});
    w.custom.InsertNode({gbk("新闻"), "http://news.example.com", ""}, work);
    ItemId person = w.contacts.InsertNode({gbk("辛旺"), "", gbk("男")});
    w.contacts.InsertNode({gbk("邮件"), "xin@example.org", gbk("电子邮件")}, person);

    w.bar->allTreesButton()->click();
    w.type(query);
    QStringList seen;
    QTreeWidget* list = w.bar->hitList();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        seen << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1);
    QCOMPARE(seen, rows);
    QCOMPARE(list->isVisible(), true);
    // Every tree is filtered, not only the one shown.
    QCOMPARE(w.views[0]->searching(), true);
    QCOMPARE(w.views[2]->searching(), true);

    // Back to one tree: the others are whole again and the list goes.
    w.bar->allTreesButton()->click();
    QVERIFY(!list->isVisible());
    QVERIFY(!w.views[0]->searching());
    QVERIFY(!w.views[2]->searching());
    QCOMPARE(w.views[1]->searching(), true);
}

void TreeSearchBarTest::choosingAHitShowsItsTree() {
    Window w;
    QSignalSpy switched(w.bar, &TreeSearchBar::treeRequested);
    QSignalSpy opened(w.bar, &TreeSearchBar::openRequested);
    ItemId site = w.recommended.InsertNode({gbk("新浪"), "http://sina.example.com", ""});
    for (int i = 0; i < TreeSearchBar::kListedHits + 5; ++i)
        w.custom.InsertNode({gbk("新闻") + std::to_string(i), "", ""});
    w.bar->setAllTrees(true);
    w.type("x");
    QTreeWidget* list = w.bar->hitList();
    // The list stops at its limit and says how many it left out.
    QCOMPARE(list->topLevelItemCount(), TreeSearchBar::kListedHits + 1);
    QCOMPARE(list->topLevelItem(TreeSearchBar::kListedHits)->text(0), u("还有 6 条……"));
    // Enter in the line opens the first link of the list.
    w.press(w.bar->line(), Qt::Key_Return);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), u("http://sina.example.com"));

    list->setCurrentItem(list->topLevelItem(0));
    emit list->itemActivated(list->topLevelItem(0), 0);
    QCOMPARE(switched.count(), 1);
    QCOMPARE(switched.at(0).at(0).toInt(), 1001);
    QCOMPARE(w.views[0]->currentItem(), site);
    // The row that only counts does nothing.
    emit list->itemActivated(list->topLevelItem(TreeSearchBar::kListedHits), 0);
    QCOMPARE(switched.count(), 1);
}

void TreeSearchBarTest::mainWindowFindsWithCtrlFAndByTyping() {
    test::TempHome home;
    test::ModalDriver driver;  // a message box would fail the test instead of hanging it
    MainDialog window{test::logIn(home, test::makeAccount("u", "pw"))};
    window.start();
    window.show();
    QApplication::setActiveWindow(&window);
    window.customTree().InsertNode({gbk("新闻"), "http://news.example.com", ""});
    window.customTree().InsertNode({"GitHub", "https://github.com", ""});
    window.recommendedTree().InsertNode({gbk("新浪"), "http://sina.example.com", ""});
    BookmarkTreeView* custom = window.treeView(1000);
    TreeSearchBar* bar = window.searchBar();
    QVERIFY(bar->isVisible());
    // Placed above the tree.
    QCOMPARE(bar->geometry().bottom() + 1, custom->geometry().top());

    custom->setFocus();
    QTest::keyClick(custom, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->line()->hasFocus());
    custom->setFocus();
    QTest::keyClicks(custom, "Git");
    QCOMPARE(bar->line()->text(), u("Git"));
    QCOMPARE(custom->model()->rowCount(), 1);

    // Another tab takes the search over; the tree left behind is whole again.
    bar->line()->setText(u("x"));
    window.switchCategory(0);
    QVERIFY(!custom->searching());
    QVERIFY(window.treeView(1001)->searching());
    QCOMPARE(window.treeView(1001)->model()->rowCount(), 1);
    // A hit of another tree chosen in the all-trees list brings its tab forward.
    bar->setAllTrees(true);
    QTreeWidget* list = bar->hitList();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(1)->text(1), u("收藏"));
    emit list->itemActivated(list->topLevelItem(1), 0);
    QCOMPARE(window.activeTreeId(), 1000);
    QCOMPARE(window.tabs()->currentIndex(), 1);
    QVERIFY(driver.messages().empty());
}

// Over a large tree a lone first key waits for a second one: typing on goes to the longer
// query at once, a pause or Enter shows the one-key result, and a small tree never waits.
void TreeSearchBarTest::theFirstKeyOverALargeTreeWaitsForTheSecond() {
    Window w;
    QSignalSpy opened(w.bar, &TreeSearchBar::openRequested);
    {
        BookmarkTree::BulkUpdate bulk(w.custom);
        for (size_t i = 0; i < TreeSearchBar::kWaitingTreeSize; ++i)
            w.custom.InsertNode({i == 0 ? gbk("新闻") : "link", "http://l.test/", ""});
    }
    w.type("x");
    QVERIFY(w.bar->searchPending());
    QVERIFY(!w.view()->searching());
    w.type("w");
    QVERIFY(!w.bar->searchPending());
    QCOMPARE(Window::shown(w.view()), QStringList{u("新闻")});

    w.press(w.bar->line(), Qt::Key_Escape);
    QVERIFY(!w.view()->searching());
    w.type("x");
    QVERIFY(w.bar->searchPending());
    QTRY_VERIFY(!w.bar->searchPending());
    QVERIFY(w.view()->searching());
    QCOMPARE(Window::shown(w.view()), QStringList{u("新闻")});

    // Enter does not wait: it opens what the key found.
    w.press(w.bar->line(), Qt::Key_Escape);
    w.type("x");
    QVERIFY(w.bar->searchPending());
    w.press(w.bar->line(), Qt::Key_Return);
    QVERIFY(!w.bar->searchPending());
    QCOMPARE(opened.count(), 1);

    // Searching a small tree, the same key shows its result at once.
    w.press(w.bar->line(), Qt::Key_Escape);
    w.bar->setActiveView(w.views[0]);
    w.recommended.InsertNode({gbk("新闻"), "http://news.example.cn/", ""});
    w.type("x");
    QVERIFY(!w.bar->searchPending());
    QCOMPARE(Window::shown(w.views[0]), QStringList{u("新闻")});
}

QTEST_MAIN(TreeSearchBarTest)
#include "TreeSearchBarTest.moc"
