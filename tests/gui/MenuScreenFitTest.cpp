// The trees' menus on a 1024×768 screen at a scale of 2: 384 pixels high, less than the
// longest menus need.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <memory>

#include "OffscreenScreen.h"
#include "core/trees/BookmarkTree.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/TreeMenus.h"

using namespace brivanta;

class MenuScreenFitTest : public QObject {
    Q_OBJECT
  private slots:
    void menuKeepsOneColumnOnScreen_data();
    void menuKeepsOneColumnOnScreen();
};

void MenuScreenFitTest::menuKeepsOneColumnOnScreen_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("menuId");
    QTest::addColumn<bool>("selectEntry");
    QTest::newRow("custom tree, an entry") << int(kCustomTree) << 137 << true;
    QTest::newRow("recommended tree, nothing chosen") << int(kRecommendedTree) << 137 << false;
    QTest::newRow("address book, a contact") << int(kAddressBookTree) << 227 << true;
}

void MenuScreenFitTest::menuKeepsOneColumnOnScreen() {
    QFETCH(int, kind);
    QFETCH(int, menuId);
    QFETCH(bool, selectEntry);
    BookmarkTree tree(kind);
    ItemId folder = tree.InsertNode({"F", "", ""});
    ItemId entry = tree.InsertNode({"E", "https://e.example/", ""}, folder);
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    std::unique_ptr<IconMenu> menu(
        menus.buildContextMenu(tree, selectEntry ? entry : kNoItem, menuId, nullptr));
    QVERIFY(menu);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Opened near the bottom, as a right click low in the tree does.
    menu->popup(QPoint(screen.left() + 20, screen.bottom() - 40));
    QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
    const QRect place = menu->geometry();
    QVERIFY2(screen.contains(place), qPrintable(QStringLiteral("menu %1,%2 %3x%4 on %5x%6")
                                                    .arg(place.x())
                                                    .arg(place.y())
                                                    .arg(place.width())
                                                    .arg(place.height())
                                                    .arg(screen.width())
                                                    .arg(screen.height())));
    // One column: every item starts at the same x.
    int columns = 0;
    int lastLeft = -1;
    for (QAction* action : menu->actions()) {
        const QRect item = menu->actionGeometry(action);
        if (!action->isVisible() || item.isEmpty())
            continue;
        if (item.left() != lastLeft) {
            ++columns;
            lastLeft = item.left();
        }
    }
    QCOMPARE(columns, 1);
    // Every item can be reached from the keyboard, the last one too.
    QAction* last = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isVisible() && !action->isSeparator() && action->isEnabled())
            last = action;
    }
    QVERIFY(last);
    for (int i = 0; i < menu->actions().size() && menu->activeAction() != last; ++i)
        QTest::keyClick(menu.get(), Qt::Key_Up);
    QCOMPARE(menu->activeAction(), last);
    QVERIFY(menu->rect().contains(menu->actionGeometry(last)));
    menu->close();
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    test::OffscreenScreen screen(1024, 768);
    QApplication app(argc, argv);
    MenuScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MenuScreenFitTest.moc"
