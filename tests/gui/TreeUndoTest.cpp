#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "GuiTestSupport.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeEditing.h"
#include "core/trees/TreeWalk.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

void writeTree(const TempHome& home, const QString& name, int kind,
               const std::vector<std::pair<NodeRecord, int>>& records) {
    BookmarkTree tree(kind);
    std::vector<ItemId> made;
    for (const auto& [record, parentIndex] : records)
        made.push_back(tree.InsertNode(record, parentIndex < 0 ? kNoItem : made[parentIndex]));
    QDir().mkpath(QFileInfo(home.filePath(name)).path());
    QVERIFY(!saveArchiveFile(tree, home.filePath(name).toStdString()));
}

// Records, labels, images, expanded state and the mark, in tree order.
QString dump(const BookmarkTree& tree) {
    QString out;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        RecordRef r = tree.LookupRecord(item);
        out += QStringLiteral("%1 %2|%3|%4|%5/%6%7;")
                   .arg(depth)
                   .arg(QString::fromStdString(tree.label(item)), QString::fromStdString(r->name),
                        QString::fromStdString(r->address))
                   .arg(tree.image(item))
                   .arg(tree.selectedImage(item))
                   .arg(tree.isExpanded(item) ? "+" : "-");
    });
    out += QStringLiteral(" mark %1 %2")
               .arg(tree.contains(tree.pasteSource())
                        ? QString::fromStdString(tree.label(tree.pasteSource()))
                        : QString())
               .arg(QString::fromStdString(tree.clipMode()));
    return out;
}

// The main window logged in as "u" with a custom tree 工作{Example, Mail}, News and an
// address book with one contact.
struct Session {
    Session() {
        writeTree(home, QStringLiteral("Data/u.bvk"), kCustomTree,
                  {{{text::gbk("工作"), "", ""}, -1},
                   {{"Example", "https://example.com/", ""}, 0},
                   {{"Mail", "someone@example.com", ""}, 0},
                   {{"News", "https://news.example/", ""}, -1}});
        writeTree(home, QStringLiteral("Data/u.ads"), kAddressBookTree,
                  {{{text::gbk("同事"), "", ""}, -1},
                   {{text::gbk("张三"), "", text::gbk("男")}, 0},
                   {{"13800000000", "13800000000", text::gbk("手机")}, 1}});
        writeTree(home, QStringLiteral("System.bvk"), kRecommendedTree, {{{"Search", "", ""}, -1}});
        window = std::make_unique<MainDialog>(logIn(home, makeAccount("u", "pw")));
        window->start();
        window->show();
        QApplication::setActiveWindow(window.get());
    }
    BookmarkTree& tree() { return window->activeTree(); }
    BookmarkTreeView* view() { return window->treeView(window->activeTreeId()); }
    ItemId at(std::initializer_list<int> rows) {
        ItemId item = kNoItem;
        for (int row : rows)
            item = tree().child(item, row);
        return item;
    }
    void select(ItemId item) { view()->setCurrentIndex(view()->bookmarkModel()->indexOf(item)); }
    bool enabled(int id) { return window->commands().action(id)->isEnabled(); }
    // The keys as a person presses them, in the window that is in front again after a dialog.
    void keyUndo() { key(Qt::ControlModifier); }
    void keyRedo() { key(Qt::ControlModifier | Qt::ShiftModifier); }
    void key(Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(window.get());
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Z, modifiers);
    }

    TempHome home;
    ModalDriver driver;
    std::unique_ptr<MainDialog> window;
};

QLineEdit* lineEdit(QWidget* dialog, int id) {
    return dialog->findChild<QLineEdit*>(QString::number(id));
}

}  // namespace

class TreeUndoTest : public QObject {
    Q_OBJECT
  private slots:
    void keysTakeBackAndRedoEachChange_data();
    void keysTakeBackAndRedoEachChange();
    void eachTreeHasItsOwnHistory();
    void aNewChangeDropsTheRedoSteps();
    void contextMenusShowUndoAndRedo();
    void aChangeOutsideTheHistoryEndsIt();
    void contactSavesAreSteps();
    void undoOfADeletedFolderReopensItsRows();
    void aDropWithinTheTreeIsOneStep();
    void modifiedFollowsStepsAndOutsideChanges();
};

void TreeUndoTest::keysTakeBackAndRedoEachChange_data() {
    QTest::addColumn<QString>("operation");
    QTest::newRow("delete") << "delete";
    QTest::newRow("delete all") << "delete all";
    QTest::newRow("rename in place") << "rename";
    QTest::newRow("copy and paste") << "copy";
    QTest::newRow("cut and paste") << "cut";
    QTest::newRow("new") << "new";
    QTest::newRow("edit") << "edit";
}

void TreeUndoTest::keysTakeBackAndRedoEachChange() {
    QFETCH(QString, operation);
    Session s;
    CommandRegistry& commands = s.window->commands();
    BookmarkTree& tree = s.tree();
    tree.setExpanded(s.at({0}), false);
    // What the operation works on is selected first (showing an entry may open its folder).
    if (operation == "edit")
        s.select(s.at({0, 1}));
    else if (operation != "rename")
        s.select(s.at({operation == "copy" || operation == "cut" ? 1 : 0}));
    QString before = dump(tree);
    QVERIFY(!s.enabled(ids::kUndo));
    if (operation == "delete" || operation == "delete all") {
        bool all = operation == "delete all";
        s.driver.then([all](QWidget* dialog) {
            if (all)
                dialog->findChild<QRadioButton*>(QString::number(ids::kDeleteAllRadio))->click();
            static_cast<QDialog*>(dialog)->accept();
        });
        s.driver.answerWith(QString::fromUtf8("确定"));  // to "您真要删除全部内容?"
        commands.trigger(ids::kDelete);
    } else if (operation == "rename") {
        BookmarkTreeModel* model = s.view()->bookmarkModel();
        model->setData(model->indexOf(s.at({1})), QStringLiteral("Renamed"), Qt::EditRole);
    } else if (operation == "copy" || operation == "cut") {
        commands.trigger(operation == "copy" ? ids::kCopy : ids::kCut);
        s.select(s.at({0}));
        commands.trigger(ids::kPaste);
    } else if (operation == "new") {
        s.driver.then([](QWidget* dialog) {
            lineEdit(dialog, ids::kEntryNameControl)->setText(QStringLiteral("Added"));
            lineEdit(dialog, ids::kEntryAddressControl)->setText(QStringLiteral("added.example"));
            static_cast<QDialog*>(dialog)->accept();
        });
        commands.trigger(ids::kNewEntry);
    } else {
        s.driver.then([](QWidget* dialog) {
            lineEdit(dialog, ids::kEntryNameControl)->setText(QStringLiteral("Folder now"));
            lineEdit(dialog, ids::kEntryAddressControl)->setText(QString());
            static_cast<QDialog*>(dialog)->accept();
        });
        commands.trigger(ids::kEdit);
    }
    QVERIFY(s.driver.allActionsRun());
    const QString after = dump(tree);
    QVERIFY2(after != before, qPrintable(after));
    // Marking for cut or copy is not a change of the tree: only the paste is a step.
    QVERIFY(s.enabled(ids::kUndo));
    QVERIFY(!s.enabled(ids::kRedo));
    // After a cut or copy the mark is part of what undo gives back.
    const QString marked = operation == "copy" || operation == "cut"
                               ? before.left(before.indexOf(" mark")) + " mark News " +
                                     (operation == "copy" ? "NODECOPY" : "NODECUT")
                               : before;

    s.keyUndo();
    QCOMPARE(dump(tree), marked);
    QVERIFY(!s.enabled(ids::kUndo));
    QVERIFY(s.enabled(ids::kRedo));
    s.keyRedo();
    QCOMPARE(dump(tree), after);
    s.keyUndo();
    QCOMPARE(dump(tree), marked);
}

void TreeUndoTest::eachTreeHasItsOwnHistory() {
    Session s;
    s.window->switchCategory(1);  // custom
    BookmarkTree& custom = s.tree();
    const QString customBefore = dump(custom);
    s.window->treeUndo(ids::kCustomTreeControl)->rename(s.at({1}), "N2");
    s.window->switchCategory(2);  // address book
    BookmarkTree& book = s.tree();
    QCOMPARE(book.treeKind(), kAddressBookTree);
    const QString bookBefore = dump(book);
    s.window->treeUndo(ids::kAddressBookControl)->remove(s.at({0}));
    const QString bookAfter = dump(book);
    const QString customAfter = dump(custom);

    // Undo works on the shown tree only.
    s.keyUndo();
    QCOMPARE(dump(book), bookBefore);
    QCOMPARE(dump(custom), customAfter);
    QVERIFY(!s.enabled(ids::kUndo));
    s.window->switchCategory(1);
    QVERIFY(s.enabled(ids::kUndo));
    s.keyUndo();
    QCOMPARE(dump(custom), customBefore);
    // The address book's redo waits for it.
    s.window->switchCategory(2);
    QVERIFY(s.enabled(ids::kRedo));
    s.keyRedo();
    QCOMPARE(dump(book), bookAfter);
    QCOMPARE(dump(custom), customBefore);
}

void TreeUndoTest::aNewChangeDropsTheRedoSteps() {
    Session s;
    TreeUndo* history = s.window->treeUndo(ids::kCustomTreeControl);
    history->rename(s.at({1}), "one");
    history->rename(s.at({1}), "two");
    s.keyUndo();
    QCOMPARE(s.tree().label(s.at({1})), std::string("one"));
    QVERIFY(s.enabled(ids::kRedo));
    history->remove(s.at({0}));
    QVERIFY(!s.enabled(ids::kRedo));
    s.keyRedo();  // nothing to redo
    QCOMPARE(s.tree().label(s.at({0})), std::string("one"));
    s.keyUndo();
    s.keyUndo();
    QCOMPARE(s.tree().label(s.at({1})), std::string("News"));
    QVERIFY(!s.enabled(ids::kUndo));
}

void TreeUndoTest::contextMenusShowUndoAndRedo() {
    Session s;
    for (int tab : {1, 2}) {
        s.window->switchCategory(tab);
        int menuId = tab == 2 ? ids::kAddressBookMenu : ids::kNodeMenu;
        std::unique_ptr<QMenu> menu(s.window->menus().buildContextMenu(
            s.tree(), s.tree().firstChild(kNoItem), menuId, s.window.get()));
        QVERIFY(menu);
        QAction* undo = s.window->commands().action(ids::kUndo);
        QAction* redo = s.window->commands().action(ids::kRedo);
        QVERIFY(menu->actions().contains(undo));
        QVERIFY(menu->actions().contains(redo));
        QCOMPARE(undo->text(), QString::fromUtf8("撤销"));
        QCOMPARE(redo->text(), QString::fromUtf8("重做"));
        QVERIFY(!undo->isEnabled());
        s.window->treeUndo(s.window->activeTreeId())->rename(s.tree().firstChild(kNoItem), "x");
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!undo->isEnabled());
        QVERIFY(redo->isEnabled());
    }
}

void TreeUndoTest::aChangeOutsideTheHistoryEndsIt() {
    Session s;
    TreeUndo* history = s.window->treeUndo(ids::kCustomTreeControl);
    history->rename(s.at({1}), "renamed");
    QVERIFY(s.enabled(ids::kUndo));
    // Entries added and recorded keep the history; anything else ends it.
    ItemId added = s.tree().InsertNode({"Dropped", "drop.example", ""}, s.at({0}));
    s.tree().InsertNode({"inside", "in.example", ""}, added);
    history->recordAdded({added});
    QVERIFY(s.enabled(ids::kUndo));
    s.keyUndo();
    QCOMPARE(s.tree().childCount(s.at({0})), 2);
    QCOMPARE(s.tree().label(s.at({1})), std::string("renamed"));
    s.tree().DeleteNode(s.at({0}));
    QVERIFY(!s.enabled(ids::kUndo));
    QVERIFY(!s.enabled(ids::kRedo));
    s.keyUndo();
    QCOMPARE(s.tree().label(s.at({0})), std::string("renamed"));
    // A recording that does not account for everything keeps only itself.
    history->rename(s.at({0}), "again");
    s.tree().DeleteNode(s.at({0}));
    ItemId top = s.tree().InsertNode({"Top", "", ""});
    history->recordAdded({top});
    s.keyUndo();
    QCOMPARE(s.tree().size(), size_t(0));
    QVERIFY(!s.enabled(ids::kUndo));
}

void TreeUndoTest::contactSavesAreSteps() {
    Session s;
    s.window->switchCategory(2);
    BookmarkTree& book = s.tree();
    TreeUndo* history = s.window->treeUndo(ids::kAddressBookControl);
    auto recorder = [history](ContactEditor& editor, const Contact& contact) {
        return history->saveContact(editor, contact);
    };
    const QString before = dump(book);
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    {
        // Edit the contact: name and details change in one step.
        ContactDialog dialog(book, icons, s.at({0, 0}));
        dialog.setSaveRecorder(recorder);
        QCOMPARE(dialog.mode(), ContactMode::Edit);
        dialog.nameEdit()->setText(QString::fromUtf8("李四"));
        dialog.accept();
    }
    const QString edited = dump(book);
    QVERIFY(edited != before);
    {
        // Adding below the group: each save is one more step.
        ContactDialog dialog(book, icons, s.at({0}));
        dialog.setSaveRecorder(recorder);
        dialog.nameEdit()->setText(QStringLiteral("Wang"));
        dialog.accept();
    }
    QCOMPARE(book.childCount(s.at({0})), 2);
    s.keyUndo();
    QCOMPARE(dump(book), edited);
    s.keyUndo();
    QCOMPARE(dump(book), before);
    s.keyRedo();
    QCOMPARE(dump(book), edited);
}

void TreeUndoTest::undoOfADeletedFolderReopensItsRows() {
    Session s;
    BookmarkTree& tree = s.tree();
    BookmarkTreeView* view = s.view();
    ItemId folder = s.at({0});
    view->setExpanded(view->bookmarkModel()->indexOf(folder), true);
    QVERIFY(tree.isExpanded(folder));
    s.window->treeUndo(ids::kCustomTreeControl)->remove(folder);
    s.keyUndo();
    ItemId back = s.at({0});
    QCOMPARE(tree.label(back), text::gbk("工作"));
    QVERIFY(tree.isExpanded(back));
    QVERIFY(view->isExpanded(view->bookmarkModel()->indexOf(back)));
    QCOMPARE(tree.image(back), kOpenFolderImage);
}

void TreeUndoTest::aDropWithinTheTreeIsOneStep() {
    Session s;
    BookmarkTree& tree = s.tree();
    markForCopy(tree, s.at({0, 0}));
    const QString before = dump(tree);
    TreeUndo* history = s.window->treeUndo(ids::kCustomTreeControl);
    ItemId copy = kNoItem;
    QCOMPARE(history->drop(s.at({1}), s.at({0}), &copy), PasteResult::Copied);
    QCOMPARE(tree.label(copy), std::string("News"));
    QCOMPARE(tree.childCount(kNoItem), 1);
    QCOMPARE(tree.label(tree.pasteSource()), std::string("Example"));  // the mark stays
    const QString after = dump(tree);
    s.keyUndo();
    QCOMPARE(dump(tree), before);
    s.keyRedo();
    QCOMPARE(dump(tree), after);
}

void TreeUndoTest::modifiedFollowsStepsAndOutsideChanges() {
    Session s;
    TreeUndo* history = s.window->treeUndo(ids::kCustomTreeControl);
    QSignalSpy changes(history, &TreeUndo::modifiedChanged);
    // Just loaded: what the file holds.
    QVERIFY(!history->isModified());
    QVERIFY(!s.window->treeEditor()->isModified(ids::kAddressBookControl));
    ItemId made = history->newEntry({"New", "", ""}, kNoItem);
    QVERIFY(history->isModified());
    history->undo();
    QVERIFY(!history->isModified());  // back to the loaded tree
    history->redo();
    history->markSaved();
    QVERIFY(!history->isModified());
    history->undo();
    QVERIFY(history->isModified());  // the file has the entry, the tree no more
    history->redo();
    QVERIFY(!history->isModified());
    QCOMPARE(changes.count(), 6);

    // Entries added outside the history and recorded as one step are that step.
    ItemId received = s.tree().InsertNode({"Received", "", ""});
    QVERIFY(history->isModified());
    history->recordAdded({received});
    history->undo();
    QVERIFY(!history->isModified());
    // A change the history does not know of stays unsaved when the steps are forgotten.
    s.tree().InsertNode({"Unrecorded", "", ""});
    history->rename(made, "Renamed");
    history->undo();
    QVERIFY(history->isModified());
}

QTEST_MAIN(TreeUndoTest)
#include "TreeUndoTest.moc"
