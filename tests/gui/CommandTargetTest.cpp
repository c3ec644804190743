// The commands as a person reaches them in the window: the tree a menu names, the keys, the
// menus' own texts and what undo says it undoes.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/app/BarDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/DeleteConfirmDialog.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

QAction* findAction(const QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            if (QAction* found = findAction(action->menu(), id))
                return found;
        } else if (action->objectName() == QString::number(id)) {
            return action;
        }
    }
    return nullptr;
}

QMenu* submenu(const QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions()) {
        if (action->menu() && action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QStringList texts(const QMenu* menu) {
    QStringList out;
    for (QAction* action : menu->actions())
        out << action->text();
    return out;
}

// How a modal dialog of a command is answered.
enum class Answer { NewFolderNamedX, NewLinkNamedX, DeleteAll };

void answer(ModalDriver& driver, Answer how) {
    switch (how) {
        case Answer::NewLinkNamedX:
            driver.then([](QWidget* dialog) {
                // A dialog of another kind (the wrong tree's) is accepted unfilled.
                if (auto* name =
                        dialog->findChild<QLineEdit*>(QString::number(ids::kEntryNameControl)))
                    name->setText(QStringLiteral("X"));
                static_cast<QDialog*>(dialog)->accept();
            });
            break;
        case Answer::NewFolderNamedX:
            driver.then([](QWidget* dialog) {
                // A dialog of another kind (the wrong tree's) is accepted unfilled.
                if (auto* name =
                        dialog->findChild<QLineEdit*>(QString::number(ids::kFolderNameControl)))
                    name->setText(QStringLiteral("X"));
                static_cast<QDialog*>(dialog)->accept();
            });
            break;
        case Answer::DeleteAll: {
            driver.then([](QWidget* dialog) {
                if (auto* all =
                        dialog->findChild<QRadioButton*>(QString::number(ids::kDeleteAllRadio)))
                    all->setChecked(true);
                static_cast<QDialog*>(dialog)->accept();
            });
            driver.answerWith(QString::fromUtf8("确定"));
            break;
        }
    }
}

// One entry in each tree, so a change to the wrong one shows.
void fillTrees(MainDialog& window) {
    for (BookmarkTree* tree :
         {&window.customTree(), &window.recommendedTree(), &window.addressBookTree()})
        tree->InsertNode({"Kept", "https://example.com/", ""});
}

}  // namespace

Q_DECLARE_METATYPE(Answer)

class CommandTargetTest : public QObject {
    Q_OBJECT
  private slots:
    void barMenusActOnTheTreeTheyName_data();
    void barMenusActOnTheTreeTheyName();
    void queuedCommandKeepsItsTarget();
    void keysReachTheCommands_data();
    void keysReachTheCommands();
    void menusShowTheirOwnTexts_data();
    void menusShowTheirOwnTexts();
    void undoSaysWhatItUndoes();
};

void CommandTargetTest::barMenusActOnTheTreeTheyName_data() {
    QTest::addColumn<int>("tree");
    QTest::addColumn<int>("menu");
    QTest::addColumn<int>("command");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("expectedSize");
    QTest::newRow("new in recommended") << ids::kRecommendedTreeControl << ids::kNodeMenu
                                        << ids::kNewEntry << Answer::NewLinkNamedX << 2;
    QTest::newRow("delete all of recommended")
        << ids::kRecommendedTreeControl << ids::kNodeMenu << ids::kDelete << Answer::DeleteAll << 0;
    QTest::newRow("new folder in the address book")
        << ids::kAddressBookControl << ids::kAddressBookMenu << ids::kNewEntry
        << Answer::NewFolderNamedX << 2;
}

void CommandTargetTest::barMenusActOnTheTreeTheyName() {
    QFETCH(int, tree);
    QFETCH(int, menu);
    QFETCH(int, command);
    QFETCH(Answer, answer);
    QFETCH(int, expectedSize);
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    fillTrees(window);
    // 收藏 shown; the menu of another tree's button on the bar.
    window.switchCategory(1);
    ModalDriver driver;
    ::answer(driver, answer);
    bool chosen = false;
    window.menus().setRunner([&](IconMenu& shown, const QPoint&) {
        QAction* action = findAction(&shown, command);
        QVERIFY(action);
        QVERIFY(action->isEnabled());
        action->trigger();
        chosen = true;
    });
    emit window.bar().contextMenuRequested(tree, menu, QPoint(5, 5));
    QVERIFY(chosen);
    QTRY_VERIFY(driver.allActionsRun());
    QCOMPARE(window.treeView(tree)->tree().size(), static_cast<size_t>(expectedSize));
    QCOMPARE(window.customTree().size(), size_t(1));
    QCOMPARE(window.customTree().label(window.customTree().child(kNoItem, 0)), "Kept");
    // Closed, the commands act on the shown tree again, with its states.
    QCOMPARE(window.commands().target(), ids::kCustomTreeControl);
    window.close();
}

void CommandTargetTest::queuedCommandKeepsItsTarget() {
    // Export runs after its menu closed, on the tree the menu was for, not the shown one.
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    window.customTree().InsertNode({"Kept", "https://example.com/", ""});
    window.switchCategory(1);
    int exported = 0;
    window.commands().setTreeHandler(ids::kExport, [&](int target) {
        QCOMPARE(target, ids::kRecommendedTreeControl);
        ++exported;
    });
    window.recommendedTree().InsertNode({"R", "https://example.org/", ""});
    std::unique_ptr<IconMenu> menu(window.menus().buildContextMenu(
        window.recommendedTree(), kNoItem, ids::kNodeMenu, nullptr));
    findAction(menu.get(), ids::kExport)->trigger();
    menu.reset();
    QTRY_COMPARE(exported, 1);
    window.close();
}

void CommandTargetTest::keysReachTheCommands_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("expected");  // the custom tree afterwards
    // The tree holds A and B; A is selected and B is marked for copying first where a paste
    // needs a mark.
    QTest::newRow("copy then paste")
        << QKeySequence(QKeySequence::Copy) << QStringLiteral("A{A;};B;");
    QTest::newRow("cut then paste") << QKeySequence(QKeySequence::Cut) << QStringLiteral("B;");
    QTest::newRow("delete") << QKeySequence(QKeySequence::Delete) << QStringLiteral("B;");
    QTest::newRow("undo") << QKeySequence(QKeySequence::Undo) << QStringLiteral("A;");
}

void CommandTargetTest::keysReachTheCommands() {
    QFETCH(QKeySequence, keys);
    QFETCH(QString, expected);
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    BookmarkTree& tree = window.customTree();
    ItemId a = tree.InsertNode({"A", "", ""});
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    // B is added as a step, so there is something to undo.
    window.treeUndo(ids::kCustomTreeControl)->newEntry({"B", "", ""}, kNoItem);
    view->setCurrentIndex(view->bookmarkModel()->indexOf(a));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    view->setFocus();
    ModalDriver driver;
    // Delete asks first: the selected entry only.
    driver.then([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    QTest::keySequence(view, keys);
    if (keys == QKeySequence(QKeySequence::Copy) || keys == QKeySequence(QKeySequence::Cut)) {
        QVERIFY(tree.pasteSource() != kNoItem);
        view->setCurrentIndex(view->bookmarkModel()->indexOf(tree.child(kNoItem, 0)));
        if (keys == QKeySequence(QKeySequence::Cut))
            view->setCurrentIndex({});  // pasted back at the top: A moves after B
        QTest::keySequence(view, QKeySequence::Paste);
        if (keys == QKeySequence(QKeySequence::Cut))
            expected = QStringLiteral("B;A;");
    }
    if (keys == QKeySequence(QKeySequence::Delete))
        QTRY_VERIFY(driver.allActionsRun());
    QString shown;
    std::function<void(ItemId)> describe = [&](ItemId parent) {
        for (int row = 0; row < tree.childCount(parent); ++row) {
            ItemId child = tree.child(parent, row);
            shown += QString::fromStdString(tree.label(child));
            if (tree.hasChildren(child)) {
                shown += u'{';
                describe(child);
                shown += u'}';
            }
            shown += u';';
        }
    };
    describe(kNoItem);
    QCOMPARE(shown, expected);
    window.close();
}

void CommandTargetTest::menusShowTheirOwnTexts_data() {
    QTest::addColumn<int>("tree");
    QTest::addColumn<int>("menu");
    QTest::addColumn<QString>("submenu");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("firstCommand");
    QTest::newRow("send to") << ids::kCustomTreeControl << ids::kNodeMenu
                             << QString::fromUtf8("发送到(&S)")
                             << QStringList{QString::fromUtf8("我的邮箱"),
                                            QString::fromUtf8("我的邻居")}
                             << ids::kSendToMailbox;
    QTest::newRow("receive") << ids::kCustomTreeControl << ids::kNodeMenu
                             << QString::fromUtf8("接收(&R)")
                             << QStringList{QString::fromUtf8("从邮箱接收")}
                             << ids::kReceiveFromMailbox;
    QTest::newRow("new in the address book")
        << ids::kAddressBookControl << ids::kAddressBookMenu << QString::fromUtf8("新建(&N)")
        << QStringList{QString::fromUtf8("联系人(&C)..."), QString::fromUtf8("文件夹(&F)...")}
        << ids::kNewContact;
}

void CommandTargetTest::menusShowTheirOwnTexts() {
    QFETCH(int, tree);
    QFETCH(int, menu);
    QFETCH(QString, submenu);
    QFETCH(QStringList, items);
    QFETCH(int, firstCommand);
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    fillTrees(window);
    int ran = 0;
    window.commands().setHandler(firstCommand, [&ran] { ++ran; });
    std::unique_ptr<IconMenu> shown(
        window.menus().buildContextMenu(window.treeView(tree)->tree(), kNoItem, menu, nullptr));
    QMenu* sub = ::submenu(shown.get(), submenu);
    QVERIFY(sub);
    QCOMPARE(texts(sub), items);
    // The item with the menu's text is the command: same state, and choosing it runs it.
    QAction* first = sub->actions().first();
    QCOMPARE(first->isEnabled(), window.commands().action(firstCommand)->isEnabled());
    window.commands().setAvailable(firstCommand, false);
    QVERIFY(!first->isEnabled());
    window.commands().setAvailable(firstCommand, true);
    QVERIFY(first->isEnabled());
    first->trigger();
    QTRY_COMPARE(ran, 1);
    window.close();
}

void CommandTargetTest::undoSaysWhatItUndoes() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    QAction* undo = window.commands().action(ids::kUndo);
    QAction* redo = window.commands().action(ids::kRedo);
    QCOMPARE(undo->text(), QString::fromUtf8("撤销"));
    TreeUndo* history = window.treeUndo(ids::kCustomTreeControl);
    ItemId a = history->newEntry({"A", "", ""}, kNoItem);
    QCOMPARE(undo->text(), QString::fromUtf8("撤销 新建"));
    history->remove(a);
    QCOMPARE(undo->text(), QString::fromUtf8("撤销 删除"));
    QVERIFY(window.command(ids::kUndo));
    QCOMPARE(redo->text(), QString::fromUtf8("重做 删除"));
    QCOMPARE(undo->text(), QString::fromUtf8("撤销 新建"));
    // Another tree shown: its own history speaks.
    window.switchCategory(0);
    QCOMPARE(undo->text(), QString::fromUtf8("撤销"));
    QVERIFY(!undo->isEnabled());
    window.switchCategory(1);
    QCOMPARE(redo->text(), QString::fromUtf8("重做 删除"));
    window.close();
}

QTEST_MAIN(CommandTargetTest)
#include "CommandTargetTest.moc"
