#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "core/text/Encoding.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/IconMenu.h"
#include "gui/controls/IconMenuStyle.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/resources/MenuTables.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

enum class Shape { Empty, FolderSelected, ContactSelected, NothingSelected };

// A tree of `kind`: a folder (no tag) holding a contact-like entry (tagged) and a link.
struct SampleTree {
    explicit SampleTree(int kind) : tree(kind) {
        folder = tree.InsertNode({"Folder", "", ""});
        contact = tree.InsertNode({"Zhang", "mail@example.com", "  male"}, folder);
        link = tree.InsertNode({"Link", "https://example.com/", ""});
    }
    BookmarkTree tree;
    ItemId folder = kNoItem;
    ItemId contact = kNoItem;
    ItemId link = kNoItem;
};

ItemId shapeTree(SampleTree& sample, Shape shape) {
    switch (shape) {
        case Shape::Empty:
            sample.tree.DeleteNode();
            return kNoItem;
        case Shape::FolderSelected:
            return sample.folder;
        case Shape::ContactSelected:
            return sample.contact;
        case Shape::NothingSelected:
            return kNoItem;
    }
    return kNoItem;
}

// Every command of every table gets a handler, so an action's enabled state shows only the
// availability the menu set.
void liveCommands(CommandRegistry& commands, QList<int>* ran = nullptr) {
    for (int menuId : {137, 227, 175, 176, 150, 153, 191}) {
        for (const MenuTablePopup& popup : menuTable(menuId)) {
            for (int id : menuCommands(popup)) {
                if (id != ids::kShowMenuIcons)
                    commands.setHandler(id, [ran, id] {
                        if (ran)
                            ran->append(id);
                    });
            }
        }
    }
}

// The ids of the actions of `menu` at any depth, and the texts of its top level.
QList<int> menuIds(const QMenu* menu) {
    QList<int> out;
    for (QAction* action : menu->actions()) {
        if (action->menu())
            out += menuIds(action->menu());
        else if (!action->isSeparator())
            out.append(action->objectName().toInt());
    }
    return out;
}

QStringList topTexts(const QMenu* menu) {
    QStringList out;
    for (QAction* action : menu->actions())
        out.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

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

}  // namespace

Q_DECLARE_METATYPE(Shape)

class TreeMenusTest : public QObject {
    Q_OBJECT
  private slots:
    void popupChoice_data();
    void popupChoice();
    void greying_data();
    void greying();
    void checkMarks();
    void tableTextsAndOrder();
    void buildTreeMenuOrderAndCuts();
    void quickMenu();
    void mnemonicChoosesItem();
    void rightClickSelectsOrClears();
    void windowCommandsRunAfterTheMenu();
    void menuIconsToggleOnlyThatTree();
    void receiveDropDownFollowsTheTree();
    void statesFollowTheShownTree();
    void itemMeasures();
    void drawnCheckMarksAndBlueText();
};

void TreeMenusTest::popupChoice_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("menuId");
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<QString>("popup");
    QTest::newRow("custom") << kCustomTree << 137 << Shape::FolderSelected << "节点菜单0";
    QTest::newRow("custom empty") << kCustomTree << 137 << Shape::Empty << "节点菜单1";
    QTest::newRow("recommended") << kRecommendedTree << 137 << Shape::NothingSelected
                                 << "节点菜单0";
    QTest::newRow("recommended empty") << kRecommendedTree << 137 << Shape::Empty << "节点菜单1";
    QTest::newRow("book folder") << kAddressBookTree << 227 << Shape::FolderSelected
                                 << "通讯录菜单0";
    QTest::newRow("book none") << kAddressBookTree << 227 << Shape::NothingSelected
                               << "通讯录菜单0";
    QTest::newRow("book contact") << kAddressBookTree << 227 << Shape::ContactSelected
                                  << "通讯录菜单1";
    QTest::newRow("book empty") << kAddressBookTree << 227 << Shape::Empty << "通讯录菜单2";
    QTest::newRow("receive custom") << kCustomTree << 176 << Shape::NothingSelected << "接收0";
    QTest::newRow("receive recommended") << kRecommendedTree << 176 << Shape::Empty << "接收1";
    QTest::newRow("help") << kRecommendedTree << 150 << Shape::Empty << "帮助";
}

void TreeMenusTest::popupChoice() {
    QFETCH(int, kind);
    QFETCH(int, menuId);
    QFETCH(Shape, shape);
    QFETCH(QString, popup);
    SampleTree sample(kind);
    ItemId selected = shapeTree(sample, shape);
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    std::unique_ptr<IconMenu> menu(menus.buildContextMenu(sample.tree, selected, menuId, nullptr));
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), popup);
    QList<int> shown = menuIds(menu.get());
    // The popups differ by what they leave out.
    if (popup == QString::fromUtf8("节点菜单1")) {
        QVERIFY(!shown.contains(ids::kSendToMailbox));
        QVERIFY(!shown.contains(ids::kExport));
        QVERIFY(shown.contains(ids::kImport));
    }
    if (popup == QString::fromUtf8("通讯录菜单1"))
        QVERIFY(!shown.contains(ids::kNewContact));
    if (popup == QString::fromUtf8("通讯录菜单2")) {
        QVERIFY(!shown.contains(ids::kSendToNeighbour));
        QVERIFY(shown.contains(ids::kNewContact));
    }
    if (popup == QString::fromUtf8("接收1"))
        QCOMPARE(shown.first(), ids::kUpdateRecommended);
}

void TreeMenusTest::greying_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<bool>("pasteSource");
    QTest::addColumn<QList<int>>("enabled");
    QTest::addColumn<QList<int>>("greyed");
    QTest::newRow("selection, no paste source")
        << kCustomTree << Shape::FolderSelected << false
        << QList<int>{ids::kEdit, ids::kCut, ids::kCopy, ids::kDelete, ids::kExport, ids::kUpload}
        << QList<int>{ids::kPaste};
    QTest::newRow("no selection, paste source")
        << kCustomTree << Shape::NothingSelected << true
        << QList<int>{ids::kPaste, ids::kDelete, ids::kExport}
        << QList<int>{ids::kEdit, ids::kCut, ids::kCopy};
    QTest::newRow("empty tree") << kCustomTree << Shape::Empty << false << QList<int>{ids::kImport}
                                << QList<int>{ids::kDelete, ids::kExport, ids::kEdit, ids::kPaste};
    QTest::newRow("recommended") << kRecommendedTree << Shape::FolderSelected << false
                                 << QList<int>{ids::kEdit} << QList<int>{ids::kUpload};
}

void TreeMenusTest::greying() {
    QFETCH(int, kind);
    QFETCH(Shape, shape);
    QFETCH(bool, pasteSource);
    QFETCH(QList<int>, enabled);
    QFETCH(QList<int>, greyed);
    SampleTree sample(kind);
    if (pasteSource)
        sample.tree.setPasteSource(sample.link);
    ItemId selected = shapeTree(sample, shape);
    CommandRegistry commands;
    liveCommands(commands);
    commands.setHandler(ids::kUpload, [] {});
    TreeMenus menus(commands, {});
    std::unique_ptr<IconMenu> menu(menus.buildContextMenu(sample.tree, selected, 137, nullptr));
    for (int id : enabled)
        QVERIFY2(commands.action(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : greyed)
        QVERIFY2(!commands.action(id)->isEnabled(), qPrintable(QString::number(id)));
}

void TreeMenusTest::checkMarks() {
    SampleTree custom(kCustomTree);
    SampleTree recommended(kRecommendedTree);
    recommended.tree.setShowMenuIcons(false);
    CommandRegistry commands;
    ViewOptions options{
        .showTrayIcon = false, .showToolbar = true, .listening = true, .autoHide = false};
    TreeMenus::Hooks hooks;
    hooks.viewOptions = [&options] { return options; };
    TreeMenus menus(commands, hooks);

    std::unique_ptr<IconMenu> menu(menus.buildContextMenu(custom.tree, kNoItem, 137, nullptr));
    QVERIFY(findAction(menu.get(), ids::kShowMenuIcons)->isChecked());
    QVERIFY(findAction(menu.get(), ids::kShowToolbar)->isChecked());
    QVERIFY(!findAction(menu.get(), ids::kShowTrayIcon)->isChecked());
    QVERIFY(!findAction(menu.get(), ids::kAutoHide)->isChecked());
    QVERIFY(menu->showIcons());
    QVERIFY(!menu->itemIcon(findAction(menu.get(), ids::kCopy)).isNull());
    // 自动隐藏 has no toolbar image: its cell stays empty and shows a drawn check mark.
    QVERIFY(menu->itemIcon(findAction(menu.get(), ids::kAutoHide)).isNull());

    options = {.showTrayIcon = true, .showToolbar = false, .listening = false, .autoHide = true};
    menu.reset(menus.buildContextMenu(recommended.tree, kNoItem, 137, nullptr));
    QVERIFY(!findAction(menu.get(), ids::kShowMenuIcons)->isChecked());
    QVERIFY(!findAction(menu.get(), ids::kShowToolbar)->isChecked());
    QVERIFY(findAction(menu.get(), ids::kShowTrayIcon)->isChecked());
    QVERIFY(findAction(menu.get(), ids::kAutoHide)->isChecked());
    QVERIFY(!menu->showIcons());
    QVERIFY(menu->itemIcon(findAction(menu.get(), ids::kCopy)).isNull());

    std::unique_ptr<IconMenu> receive(menus.buildContextMenu(custom.tree, kNoItem, 176, nullptr));
    options.listening = true;
    receive.reset(menus.buildContextMenu(custom.tree, kNoItem, 176, nullptr));
    QVERIFY(findAction(receive.get(), ids::kListen)->isChecked());
}

void TreeMenusTest::tableTextsAndOrder() {
    SampleTree sample(kCustomTree);
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    std::unique_ptr<IconMenu> menu(menus.buildContextMenu(sample.tree, sample.link, 137, nullptr));
    QStringList expected;
    for (const char* text :
         {"新建(&N)...", "编辑(&E)...", "剪切(&T)",    "复制(&C)", "粘贴(&P)",    "删除(&D)",
          "-",           "撤销",        "重做",        "-",        "发送到(&S)",  "接收(&R)",
          "-",           "导入(&I)...", "导出(&O)...", "-",        "查找重复...", "检查链接...",
          "-",           "查看(&V)",    "-",           "退出(&X)"})
        expected << (QString::fromUtf8(text) == u"-" ? QStringLiteral("-")
                                                     : QString::fromUtf8(text));
    QCOMPARE(topTexts(menu.get()), expected);
    QCOMPARE(menuIds(menu.get()), (QList<int>{32773,
                                              32774,
                                              32775,
                                              32776,
                                              32777,
                                              32772,
                                              ids::kUndo,
                                              ids::kRedo,
                                              32819,
                                              32824,
                                              32820,
                                              32781,
                                              32782,
                                              ids::kFindDuplicates,
                                              ids::kCheckLinks,
                                              32833,
                                              32810,
                                              32832,
                                              32813,
                                              32779}));
    // Every menu shows the registry's one action per command.
    QCOMPARE(findAction(menu.get(), ids::kCopy), commands.action(ids::kCopy));

    std::unique_ptr<IconMenu> tray(menus.buildContextMenu(sample.tree, kNoItem, 153, nullptr));
    QCOMPARE(menuIds(tray.get()),
             (QList<int>{32797, ids::kSyncNow, ids::kFindDuplicates, ids::kCheckLinks, 57670, 32836,
                         32780, 32833, 32779}));
    std::unique_ptr<IconMenu> types(menus.buildContextMenu(sample.tree, kNoItem, 191, nullptr));
    QCOMPARE(menuIds(types.get()), (QList<int>{32827, 32831, 32828}));
}

void TreeMenusTest::buildTreeMenuOrderAndCuts() {
    BookmarkTree tree;
    tree.InsertNode({"A", "https://a.example/", ""});
    ItemId folder = tree.InsertNode({"F", "", ""});
    tree.InsertNode({"inside", "https://in.example/", ""}, folder);
    tree.InsertNode({"E", "", ""});  // an empty folder is an item, not a submenu
    tree.InsertNode({std::string(30, 'x'), "https://long.example/", ""});
    // One ASCII byte then twelve two-byte characters: 25 bytes, the 24-byte cut falls inside
    // the last character.
    std::string chinese = "a" + text::gbk("一二三四五六七八九十百千");
    QCOMPARE(chinese.size(), size_t{25});
    tree.InsertNode({chinese, "", ""});
    std::string exact(24, 'y');
    tree.InsertNode({exact, "", ""});

    IconMenu menu;
    BuildTreeMenu(tree, kNoItem, &menu, nullptr);
    QCOMPARE(topTexts(&menu), (QStringList{"A", "E", QString(24, u'x') + "...",
                                           QString::fromUtf8("a一二三四五六七八九十百..."),
                                           QString(24, u'y'), "F"}));
    QAction* sub = menu.actions().last();
    QVERIFY(sub->menu());
    // Filled when it is about to open, not before.
    QVERIFY(sub->menu()->isEmpty());
    emit sub->menu()->aboutToShow();
    QCOMPARE(topTexts(sub->menu()), QStringList{"inside"});
    emit sub->menu()->aboutToShow();
    QCOMPARE(sub->menu()->actions().size(), 1);
}

void TreeMenusTest::quickMenu() {
    CommandRegistry commands;
    QStringList opened;
    TreeMenus::Hooks hooks;
    hooks.openAddress = [&opened](const QString& address) { opened << address; };
    TreeMenus menus(commands, hooks);

    BookmarkTree empty;
    QStringList shown;
    menus.setRunner([&shown](IconMenu& menu, const QPoint&) {
        for (QAction* action : menu.actions())
            shown << action->text() + (action->isEnabled() ? "" : " (greyed)");
    });
    menus.showQuickMenu(empty, QPoint(5, 5));
    QCOMPARE(shown, QStringList{QString::fromUtf8("（空） (greyed)")});

    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"F", "", ""});
    tree.InsertNode({"in", "   https://in.example/", ""}, folder);
    tree.InsertNode({"E", "", ""});
    std::unique_ptr<IconMenu> menu(menus.quickMenu(tree, nullptr));
    QMenu* sub = menu->actions().last()->menu();
    emit sub->aboutToShow();
    sub->actions().first()->trigger();
    QCOMPARE(opened, QStringList{"https://in.example/"});
    menu->actions().first()->trigger();  // the empty folder has no address
    QCOMPARE(opened.size(), 1);
}

void TreeMenusTest::mnemonicChoosesItem() {
    SampleTree sample(kCustomTree);
    CommandRegistry commands;
    QList<int> ran;
    liveCommands(commands, &ran);
    TreeMenus menus(commands, {});
    std::unique_ptr<IconMenu> menu(menus.buildContextMenu(sample.tree, sample.link, 137, nullptr));
    menu->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
    QTest::keyClick(menu.get(), Qt::Key_Q);  // no item has "&Q"
    QVERIFY(ran.isEmpty());
    QVERIFY(menu->isVisible());
    QTest::keyClick(menu.get(), Qt::Key_C);
    QCOMPARE(ran, QList<int>{ids::kCopy});
    QVERIFY(!menu->isVisible());
}

void TreeMenusTest::rightClickSelectsOrClears() {
    SampleTree sample(kAddressBookTree);
    BookmarkTreeModel model(sample.tree, nullptr);
    BookmarkTreeView view(&model, kAddressBookTree);
    view.resize(200, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    menus.attach(&view);
    QString shown;
    ItemId selectedWhenShown = 99;
    menus.setRunner([&](IconMenu& menu, const QPoint&) {
        shown = menu.objectName();
        selectedWhenShown = view.currentItem();
    });
    view.expandAll();
    QRect contactRow = view.visualRect(model.indexOf(sample.contact));
    emit view.customContextMenuRequested(contactRow.center());
    QCOMPARE(selectedWhenShown, sample.contact);
    QCOMPARE(shown, QString::fromUtf8("通讯录菜单1"));

    emit view.customContextMenuRequested(QPoint(5, view.viewport()->height() - 5));
    QCOMPARE(selectedWhenShown, kNoItem);
    QCOMPARE(shown, QString::fromUtf8("通讯录菜单0"));
    QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
}

void TreeMenusTest::windowCommandsRunAfterTheMenu() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    QVERIFY(window.showToolbar());
    std::unique_ptr<IconMenu> menu(
        window.menus().buildContextMenu(window.customTree(), kNoItem, 137, nullptr));
    QAction* toolbar = findAction(menu.get(), ids::kShowToolbar);
    QVERIFY(toolbar->isChecked());
    toolbar->trigger();
    // Posted to the window: nothing has happened while the menu is still on the screen.
    QVERIFY(window.showToolbar());
    QTRY_VERIFY(!window.showToolbar());
    // The window runs it at once when asked directly.
    QVERIFY(window.command(ids::kShowToolbar));
    QVERIFY(window.showToolbar());
}

void TreeMenusTest::menuIconsToggleOnlyThatTree() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    QVERIFY(window.customTree().showMenuIcons());
    QVERIFY(!window.recommendedTree().showMenuIcons());
    std::unique_ptr<IconMenu> menu(
        window.menus().buildContextMenu(window.customTree(), kNoItem, 137, nullptr));
    findAction(menu.get(), ids::kShowMenuIcons)->trigger();
    QVERIFY(!window.customTree().showMenuIcons());
    QVERIFY(!window.recommendedTree().showMenuIcons());
    QVERIFY(window.addressBookTree().showMenuIcons());

    menu.reset(window.menus().buildContextMenu(window.recommendedTree(), kNoItem, 137, nullptr));
    QVERIFY(!findAction(menu.get(), ids::kShowMenuIcons)->isChecked());
    findAction(menu.get(), ids::kShowMenuIcons)->trigger();
    QVERIFY(window.recommendedTree().showMenuIcons());
    QVERIFY(!window.customTree().showMenuIcons());
}

void TreeMenusTest::receiveDropDownFollowsTheTree() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    QMenu* receive = window.toolButton(ids::kReceiveFromMailbox)->menu();
    QVERIFY(receive);
    emit receive->aboutToShow();
    QCOMPARE(receive->objectName(), QString::fromUtf8("接收0"));
    QCOMPARE(menuIds(receive), (QList<int>{ids::kReceiveFromMailbox, ids::kListen}));
    window.switchCategory(0);
    emit receive->aboutToShow();
    QCOMPARE(receive->objectName(), QString::fromUtf8("接收1"));
    QCOMPARE(menuIds(receive).first(), ids::kUpdateRecommended);
    QMenu* help = window.toolButton(ids::kAbout)->menu();
    emit help->aboutToShow();
    QCOMPARE(menuIds(help), (QList<int>{ids::kHelp, ids::kTipOfTheDay, ids::kAbout}));
    QMenu* send = window.toolButton(ids::kSendToMailbox)->menu();
    emit send->aboutToShow();
    QCOMPARE(menuIds(send), (QList<int>{ids::kSendToMailbox, ids::kSendToNeighbour}));
}

void TreeMenusTest::statesFollowTheShownTree() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "p"))};
    window.start();
    CommandRegistry& commands = window.commands();
    QVERIFY(!commands.isAvailable(ids::kDelete));
    ItemId link = window.customTree().InsertNode({"Link", "https://example.com/", ""});
    QVERIFY(commands.isAvailable(ids::kDelete));
    QVERIFY(!commands.isAvailable(ids::kCopy));
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    view->setCurrentIndex(view->bookmarkModel()->indexOf(link));
    QVERIFY(commands.isAvailable(ids::kCopy));
    // The recommended tree shown: its own (empty) state counts, and upload is off.
    window.switchCategory(0);
    QVERIFY(!commands.isAvailable(ids::kCopy));
    QVERIFY(!commands.isAvailable(ids::kUpload));
    window.switchCategory(1);
    QVERIFY(commands.isAvailable(ids::kCopy));
    QVERIFY(commands.isAvailable(ids::kUpload));
}

void TreeMenusTest::itemMeasures() {
    IconMenu menu;
    QAction* item = menu.addAction(QStringLiteral("Copy"));
    QAction* separator = menu.addSeparator();
    QAction* other = menu.addAction(QString::fromUtf8("写信给妈妈"));
    menu.popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QFontMetrics metrics(menu.font());
    int bar = IconMenuStyle::menuBarHeight(metrics);
    QCOMPARE(menu.actionGeometry(separator).height(), bar / 2);
    QCOMPARE(menu.actionGeometry(item).height(), std::max(bar, IconMenu::kIconHeight + 4));
    // Every item is as wide as the widest text plus the icon column and margins.
    int widest = std::max(metrics.horizontalAdvance(QStringLiteral("Copy")),
                          metrics.horizontalAdvance(other->text()));
    QCOMPARE(menu.actionGeometry(other).width(), widest + 2 * IconMenu::kIconWidth + 1);
    QCOMPARE(menu.actionGeometry(item).width(), menu.actionGeometry(other).width());
}

void TreeMenusTest::drawnCheckMarksAndBlueText() {
    IconMenu menu;
    QAction* checked = menu.addAction(QStringLiteral("Checked"));
    checked->setCheckable(true);
    checked->setChecked(true);
    QAction* plain = menu.addAction(QStringLiteral("Plain"));
    plain->setCheckable(true);
    QAction* greyed = menu.addAction(QStringLiteral("Greyed"));
    greyed->setEnabled(false);
    menu.popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QImage image = menu.grab().toImage();
    QColor mark = menu.palette().color(QPalette::WindowText);
    auto count = [&image](const QRect& area, const std::function<bool(QColor)>& wanted) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += wanted(image.pixelColor(x, y)) ? 1 : 0;
        return n;
    };
    auto cellOf = [&menu](QAction* action) {
        QRect r = menu.actionGeometry(action);
        return QRect(r.left() + 2, r.top() + 2, IconMenu::kIconWidth, r.height() - 4);
    };
    auto textOf = [&menu](QAction* action) {
        return menu.actionGeometry(action).adjusted(IconMenu::kIconWidth + 9, 0, 0, 0);
    };
    auto isMark = [&mark](QColor c) { return c == mark; };
    auto isBlue = [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; };
    // A checked item without an icon gets a drawn check mark; an unchecked one an empty cell.
    QVERIFY(count(cellOf(checked), isMark) >= 7);
    QCOMPARE(count(cellOf(plain), isMark), 0);
    // Item text is blue; a greyed item is not.
    QVERIFY(count(textOf(plain), isBlue) > 0);
    QCOMPARE(count(textOf(greyed), isBlue), 0);
}

QTEST_MAIN(TreeMenusTest)
#include "TreeMenusTest.moc"
