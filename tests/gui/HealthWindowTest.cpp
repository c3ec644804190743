#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <functional>

#include "HttpTestServer.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeWalk.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/health/HealthCommands.h"
#include "gui/health/HealthWindow.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using brivanta::net::testing::HttpExchange;
using brivanta::net::testing::HttpTestServer;

namespace {

// Records and places of every entry, in tree order.
QString dump(const BookmarkTree& tree) {
    QString out;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        RecordRef r = tree.LookupRecord(item);
        out += QStringLiteral("%1 %2|%3|%4;")
                   .arg(depth)
                   .arg(QString::fromStdString(text::toUtf8(tree.label(item))),
                        QString::fromStdString(text::toUtf8(r->name)),
                        QString::fromStdString(r->address));
    });
    return out;
}

// Entries made from (name, address, parent index) rows; names are UTF-8.
std::vector<ItemId> fill(BookmarkTree& tree,
                         const std::vector<std::tuple<const char*, std::string, int>>& rows) {
    std::vector<ItemId> made;
    for (const auto& [name, address, parent] : rows)
        made.push_back(tree.InsertNode({text::gbk(name), address, ""},
                                       parent < 0 ? kNoItem : made[static_cast<size_t>(parent)]));
    return made;
}

QList<QTreeWidgetItem*> shownRows(QTreeWidget* list) {
    QList<QTreeWidgetItem*> rows;
    for (QTreeWidgetItemIterator it(list); *it; ++it) {
        if (!(*it)->isHidden() && !((*it)->parent() && (*it)->parent()->isHidden()))
            rows << *it;
    }
    return rows;
}

QTreeWidgetItem* rowNamed(QTreeWidget* list, int column, const QString& name) {
    for (QTreeWidgetItemIterator it(list); *it; ++it) {
        if ((*it)->text(column) == name)
            return *it;
    }
    return nullptr;
}

void selectOnly(QTreeWidget* list, const QList<QTreeWidgetItem*>& rows) {
    list->clearSelection();
    for (QTreeWidgetItem* row : rows) {
        QVERIFY(row);
        row->setSelected(true);
    }
    list->setCurrentItem(rows.front(), 0, QItemSelectionModel::NoUpdate);
}

constexpr int kNameColumn = 0;  // duplicates
constexpr int kResultColumn = 0;
constexpr int kLinkNameColumn = 2;

// A web server on loopback: /ok and /new answer 200, /old is moved for good to /new, /gone
// is 404.
struct LinkServer {
    HttpTestServer server{[](HttpExchange& x) {
        std::string request = x.readRequest();
        std::string path = request.substr(request.find(' ') + 1);
        path = path.substr(0, path.find(' '));
        std::string head;
        if (path == "/ok" || path == "/new")
            head = "200 OK";
        else if (path == "/old")
            head = "301 Moved Permanently\r\nLocation: /new";
        else
            head = "404 Not Found";
        x.send("HTTP/1.1 " + head + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    }};
    std::string url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(server.port()) + path;
    }
};

}  // namespace

class HealthWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void duplicateGroupsAreListed();
    void cleanUpIsOneUndoStep_data();
    void cleanUpIsOneUndoStep();
    void searchLineFindsByPinyin();
    void linkResultsAreListedAndFiltered();
    void linkCleanUpIsOneUndoStep_data();
    void linkCleanUpIsOneUndoStep();
    void cancelStopsTheCheckAndLeavesTheTree();
    void commandsOpenTheWindowOfTheirTree();
};

void HealthWindowTest::duplicateGroupsAreListed() {
    BookmarkTree tree(kCustomTree);
    fill(tree, {{"工作", "", -1},
                {"甲", "https://a.example/", 0},
                {"乙", "HTTPS://A.example:443/#top", 0},
                {"丙", "https://a.example/?utm_source=x", -1},
                {"丁", "https://b.example/", -1}});
    TreeUndo history(tree);
    HealthWindow window(HealthWindow::Mode::duplicates, tree, history);
    window.start();
    QTreeWidget* list = window.list();
    QCOMPARE(list->topLevelItemCount(), 1);
    QTreeWidgetItem* group = list->topLevelItem(0);
    QCOMPARE(group->childCount(), 3);
    QCOMPARE(group->child(0)->text(0), QString::fromUtf8("甲"));
    QCOMPARE(group->child(0)->text(1), QString::fromUtf8("工作"));
    QCOMPARE(group->child(2)->text(1), QString());
    QVERIFY(window.status()->text().contains(QString::fromUtf8("1 组")));
    QVERIFY(!window.button(QString::fromUtf8("保留这一个"))->isEnabled());

    // A change outside the window (an import, a paste) is followed too.
    tree.InsertNode({text::gbk("戊"), "https://b.example", ""}, kNoItem);
    QTRY_COMPARE(list->topLevelItemCount(), 2);
    tree.DeleteNode();
    QTRY_COMPARE(list->topLevelItemCount(), 0);
}

// Each clean-up of the duplicates window: what it leaves, one step, and undo brings back the
// tree exactly.
void HealthWindowTest::cleanUpIsOneUndoStep_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("left");  // names of the entries afterwards
    QTest::newRow("keep one") << QString::fromUtf8("保留这一个")
                              << QStringList{QString::fromUtf8("乙")}
                              << QStringList{QString::fromUtf8("工作"), QString::fromUtf8("乙"),
                                             QString::fromUtf8("丁")};
    QTest::newRow("delete two") << QString::fromUtf8("删除")
                                << QStringList{QString::fromUtf8("甲"), QString::fromUtf8("丙")}
                                << QStringList{QString::fromUtf8("工作"), QString::fromUtf8("乙"),
                                               QString::fromUtf8("丁")};
}

void HealthWindowTest::cleanUpIsOneUndoStep() {
    QFETCH(QString, action);
    QFETCH(QStringList, selected);
    QFETCH(QStringList, left);
    BookmarkTree tree(kCustomTree);
    fill(tree, {{"工作", "", -1},
                {"甲", "https://a.example/", 0},
                {"乙", "https://a.example", 0},
                {"丙", "https://a.example/", -1},
                {"丁", "https://b.example/", -1}});
    TreeUndo history(tree);
    HealthWindow window(HealthWindow::Mode::duplicates, tree, history);
    window.start();
    const QString before = dump(tree);
    QList<QTreeWidgetItem*> rows;
    for (const QString& name : selected)
        rows << rowNamed(window.list(), kNameColumn, name);
    selectOnly(window.list(), rows);
    QPushButton* button = window.button(action);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);

    QStringList names;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int) {
        names << QString::fromStdString(text::toUtf8(tree.label(item)));
    });
    QCOMPARE(names, left);
    const QString afterDump = dump(tree);
    QCOMPARE(history.stack()->count(), 1);
    QCOMPARE(window.list()->topLevelItemCount(), 0);  // the rows follow the tree

    history.undo();
    QCOMPARE(dump(tree), before);
    QCOMPARE(window.list()->topLevelItemCount(), 1);
    QCOMPARE(window.list()->topLevelItem(0)->childCount(), 3);
    history.redo();
    QCOMPARE(dump(tree), afterDump);
}

void HealthWindowTest::searchLineFindsByPinyin() {
    BookmarkTree tree(kCustomTree);
    fill(tree, {{"新闻", "https://n.example/", -1},
                {"新闻二", "https://n.example/", -1},
                {"天气", "https://w.example/", -1},
                {"天气预报", "https://w.example/", -1}});
    TreeUndo history(tree);
    HealthWindow window(HealthWindow::Mode::duplicates, tree, history);
    window.start();
    QCOMPARE(shownRows(window.list()).size(), 6);
    window.searchLine()->setText(QStringLiteral("xw"));
    QList<QTreeWidgetItem*> shown = shownRows(window.list());
    QCOMPARE(shown.size(), 3);  // the group of 新闻 with both entries
    QCOMPARE(shown[1]->text(0), QString::fromUtf8("新闻"));
    window.searchLine()->setText(QStringLiteral("w.example"));
    QCOMPARE(shownRows(window.list()).size(), 3);
    window.searchLine()->clear();
    QCOMPARE(shownRows(window.list()).size(), 6);
}

void HealthWindowTest::linkResultsAreListedAndFiltered() {
    LinkServer web;
    BookmarkTree tree(kCustomTree);
    fill(tree, {{"好", web.url("/ok"), -1},
                {"旧", web.url("/old"), -1},
                {"文件夹", "", -1},
                {"没了", web.url("/gone"), 2},
                {"又没了", web.url("/gone"), -1},
                {"信", "someone@example.com", -1}});
    TreeUndo history(tree);
    HealthWindow window(HealthWindow::Mode::links, tree, history);
    net::LinkCheckOptions options;
    options.hostPauseMs = 0;
    window.setCheckOptions(options);
    QSignalSpy finished(&window, &HealthWindow::checkFinished);
    window.start();
    QVERIFY(window.isChecking());
    QVERIFY(window.progress()->isVisibleTo(&window));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.front().front().toBool(), false);
    QVERIFY(!window.progress()->isVisibleTo(&window));

    QTreeWidget* list = window.list();
    QCOMPARE(list->topLevelItemCount(), 4);  // the mail address is not checked
    QCOMPARE(rowNamed(list, kLinkNameColumn, QString::fromUtf8("好"))->text(kResultColumn),
             QString::fromUtf8("正常"));
    QTreeWidgetItem* moved = rowNamed(list, kLinkNameColumn, QString::fromUtf8("旧"));
    QCOMPARE(moved->text(kResultColumn), QString::fromUtf8("永久迁移"));
    QCOMPARE(moved->text(5), QString::fromStdString(web.url("/new")));
    QTreeWidgetItem* gone = rowNamed(list, kLinkNameColumn, QString::fromUtf8("没了"));
    QCOMPARE(gone->text(kResultColumn), QString::fromUtf8("不存在"));
    QCOMPARE(gone->text(1), QStringLiteral("404"));
    QCOMPARE(gone->text(3), QString::fromUtf8("文件夹"));
    QVERIFY(window.status()->text().contains(QString::fromUtf8("检查完 3 个地址，失效链接 2 条")));

    window.resultFilter()->setCurrentIndex(1);  // every dead link
    QCOMPARE(shownRows(list).size(), 2);
    window.resultFilter()->setCurrentText(QString::fromUtf8("永久迁移"));
    QCOMPARE(shownRows(list), QList<QTreeWidgetItem*>{moved});
    window.resultFilter()->setCurrentIndex(0);
    QCOMPARE(shownRows(list).size(), 4);

    // Sorting by status code puts 404 after 200 and 301.
    list->sortByColumn(1, Qt::AscendingOrder);
    QCOMPARE(list->topLevelItem(3)->text(1), QStringLiteral("404"));
}

void HealthWindowTest::linkCleanUpIsOneUndoStep_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("after");  // names (and the moved address) in tree order
    QTest::addColumn<int>("rows");       // the links listed afterwards
    QTest::newRow("update") << QString::fromUtf8("更新为新地址")
                            << QStringList{QString::fromUtf8("旧")}
                            << QString::fromUtf8("好 旧=/new 文件夹 没了 又没了") << 4;
    QTest::newRow("move") << QString::fromUtf8("移到“失效链接”文件夹")
                          << QStringList{QString::fromUtf8("没了"), QString::fromUtf8("又没了")}
                          << QString::fromUtf8("好 旧 文件夹 失效链接 没了 又没了") << 4;
    QTest::newRow("delete") << QString::fromUtf8("删除")
                            << QStringList{QString::fromUtf8("好"), QString::fromUtf8("没了")}
                            << QString::fromUtf8("旧 文件夹 又没了") << 2;
}

void HealthWindowTest::linkCleanUpIsOneUndoStep() {
    QFETCH(QString, action);
    QFETCH(QStringList, selected);
    QFETCH(QString, after);
    QFETCH(int, rows);
    LinkServer web;
    BookmarkTree tree(kCustomTree);
    fill(tree, {{"好", web.url("/ok"), -1},
                {"旧", web.url("/old"), -1},
                {"文件夹", "", -1},
                {"没了", web.url("/gone"), 2},
                {"又没了", web.url("/gone"), -1}});
    TreeUndo history(tree);
    HealthWindow window(HealthWindow::Mode::links, tree, history);
    net::LinkCheckOptions options;
    options.hostPauseMs = 0;
    window.setCheckOptions(options);
    QSignalSpy finished(&window, &HealthWindow::checkFinished);
    window.start();
    QVERIFY(finished.wait(10000));
    const QString before = dump(tree);

    QList<QTreeWidgetItem*> chosen;
    for (const QString& name : selected)
        chosen << rowNamed(window.list(), kLinkNameColumn, name);
    selectOnly(window.list(), chosen);
    QPushButton* button = window.button(action);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);

    QStringList names;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int) {
        QString name = QString::fromStdString(text::toUtf8(tree.label(item)));
        RecordRef record = tree.LookupRecord(item);
        if (record->address == web.url("/new"))
            name += QStringLiteral("=/new");
        names << name;
    });
    QCOMPARE(names.join(u' '), after);
    QCOMPARE(history.stack()->count(), 1);
    // The rows follow: every link still in the tree is listed.
    QCOMPARE(window.list()->topLevelItemCount(), rows);

    history.undo();
    QCOMPARE(dump(tree), before);
    QCOMPARE(window.list()->topLevelItemCount(), 4);
}

void HealthWindowTest::cancelStopsTheCheckAndLeavesTheTree() {
    // A server that takes the request and never answers.
    HttpTestServer silent([](HttpExchange& x) {
        x.readRequest();
        x.waitForClose();
    });
    const std::string address = "http://127.0.0.1:" + std::to_string(silent.port()) + "/";
    BookmarkTree tree(kCustomTree);
    fill(tree, {{"慢", address, -1}, {"也慢", address + "b", -1}});
    const QString before = dump(tree);
    TreeUndo history(tree);
    HealthWindow window(HealthWindow::Mode::links, tree, history);
    net::LinkCheckOptions options;
    options.timeoutMs = 600000;  // only the cancel can end it within the test's time
    options.hostPauseMs = 0;
    window.setCheckOptions(options);
    QSignalSpy finished(&window, &HealthWindow::checkFinished);
    window.start();
    QTRY_VERIFY(silent.accepted() >= 1);
    QVERIFY(window.isChecking());
    QPushButton* cancel = window.findChild<QPushButton*>();
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text() == QString::fromUtf8("取消"))
            cancel = b;
    }
    QVERIFY(cancel->isVisibleTo(&window));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.front().front().toBool(), true);
    QVERIFY(!window.isChecking());
    QCOMPARE(window.list()->topLevelItemCount(), 0);
    QVERIFY(window.status()->text().contains(QString::fromUtf8("已取消")));
    QCOMPARE(dump(tree), before);
    QCOMPARE(history.stack()->count(), 0);
}

// The commands open one window per tree and kind, for the tree they were given for, and
// each window's clean-ups go into that tree's history.
void HealthWindowTest::commandsOpenTheWindowOfTheirTree() {
    QWidget window;
    CommandRegistry commands;
    TreeEditor editor(commands, &window);
    std::vector<std::unique_ptr<BookmarkTree>> trees;
    std::vector<std::unique_ptr<BookmarkTreeModel>> models;
    for (int kind : {kCustomTree, kRecommendedTree}) {
        trees.push_back(std::make_unique<BookmarkTree>(kind));
        fill(*trees.back(), {{"甲", "https://a.example/", -1}, {"乙", "https://a.example/", -1}});
        models.push_back(std::make_unique<BookmarkTreeModel>(*trees.back(), nullptr));
        editor.addView(new BookmarkTreeView(models.back().get(), kind, &window));
    }
    editor.registerCommands();
    HealthCommands health(commands, editor, &window);
    health.registerCommands();
    commands.setContextSource([&](int target) { return editor.context(target); });
    commands.setDefaultTarget([] { return kCustomTree; });
    commands.refresh();

    QVERIFY(commands.trigger(ids::kFindDuplicates, kRecommendedTree));
    HealthWindow* shown = health.window(HealthWindow::Mode::duplicates, kRecommendedTree);
    QVERIFY(shown);
    QCOMPARE(&shown->tree(), trees[1].get());
    QCOMPARE(shown->windowTitle(), QString::fromUtf8("查找重复 - 推荐"));
    QCOMPARE(shown->list()->topLevelItemCount(), 1);
    QVERIFY(!health.window(HealthWindow::Mode::duplicates, kCustomTree));
    // Asked again, the same window looks again.
    trees[1]->InsertNode({"c", "https://c.example/", ""}, kNoItem);
    trees[1]->InsertNode({"c2", "https://c.example/", ""}, kNoItem);
    QVERIFY(commands.trigger(ids::kFindDuplicates, kRecommendedTree));
    QCOMPARE(health.window(HealthWindow::Mode::duplicates, kRecommendedTree), shown);
    QCOMPARE(shown->list()->topLevelItemCount(), 2);

    // The link window of 收藏, with nothing to check but mail.
    trees[0]->DeleteNode();
    trees[0]->InsertNode({"信", "a@b.example", ""}, kNoItem);
    QVERIFY(commands.trigger(ids::kCheckLinks, kCustomTree));
    HealthWindow* links = health.window(HealthWindow::Mode::links, kCustomTree);
    QVERIFY(links);
    QCOMPARE(links->windowTitle(), QString::fromUtf8("检查链接 - 收藏"));
    QSignalSpy finished(links, &HealthWindow::checkFinished);
    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(links->status()->text(), QString::fromUtf8("没有要检查的链接。"));
    // An empty tree has nothing to look at.
    trees[0]->DeleteNode();
    commands.refresh();
    QVERIFY(!commands.action(ids::kCheckLinks)->isEnabled());
    QVERIFY(!commands.action(ids::kFindDuplicates)->isEnabled());
}

QTEST_MAIN(HealthWindowTest)
#include "HealthWindowTest.moc"
