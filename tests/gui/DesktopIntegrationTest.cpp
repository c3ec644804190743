// The notification icon and the docking bar, built without the main window.

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <memory>

#include "core/text/Encoding.h"
#include "gui/app/BarDialog.h"
#include "gui/app/DesktopIntegration.h"
#include "gui/app/EdgeDocking.h"
#include "gui/app/TrayIcon.h"
#include "gui/controls/IconMenu.h"
#include "gui/platform/WindowManagerHints.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"

using namespace brivanta;

namespace {

// Two trees with their views in a plain window, the shown one the custom tree.
struct Desktop {
    Desktop() {
        for (BookmarkTree* tree : {&custom, &recommended}) {
            models.push_back(std::make_unique<BookmarkTreeModel>(*tree, nullptr));
            views.push_back(new BookmarkTreeView(models.back().get(), tree->treeKind(), &window));
        }
        TreeMenus::Hooks menuHooks;
        menuHooks.activeView = [this] { return views[0]; };
        menus = std::make_unique<TreeMenus>(commands, menuHooks);
        DesktopIntegration::Hooks hooks;
        hooks.view = [this](int control) -> BookmarkTreeView* {
            for (BookmarkTreeView* view : views) {
                if (view->tree().treeKind() == control)
                    return view;
            }
            return nullptr;
        };
        hooks.shownTree = [] { return kCustomTree; };
        hooks.userName = [] { return text::gbk("张三"); };
        desktop = new DesktopIntegration(window, commands, *menus, hooks);
        desktop->registerCommands();
        menus->setRunner([this](IconMenu& menu, const QPoint&) {
            shown << menu.objectName();
            targets << commands.target();
        });
    }
    BookmarkTree custom{kCustomTree};
    BookmarkTree recommended{kRecommendedTree};
    QWidget window;
    CommandRegistry commands;
    std::vector<std::unique_ptr<BookmarkTreeModel>> models;
    std::vector<BookmarkTreeView*> views;
    std::unique_ptr<TreeMenus> menus;
    DesktopIntegration* desktop = nullptr;
    QStringList shown;
    QList<int> targets;
};

}  // namespace

class DesktopIntegrationTest : public QObject {
    Q_OBJECT
  private slots:
    void barMenusOpenForTheTreeTheyName_data();
    void barMenusOpenForTheTreeTheyName();
    void trayIconSwitch();
    void barStaysWhollyOnScreen_data();
    void barStaysWhollyOnScreen();
    void barAndWindowLeaveEachOtherRoom_data();
    void barAndWindowLeaveEachOtherRoom();
    void windowsStayOffTheTaskbarWithTheProgramIcon();
};

void DesktopIntegrationTest::barMenusOpenForTheTreeTheyName_data() {
    QTest::addColumn<int>("tree");
    QTest::addColumn<int>("menu");
    QTest::addColumn<QString>("popup");
    QTest::newRow("recommended, empty")
        << kRecommendedTree << ids::kNodeMenu << QString::fromUtf8("节点菜单1");
    QTest::newRow("custom") << kCustomTree << ids::kNodeMenu << QString::fromUtf8("节点菜单0");
    QTest::newRow("system") << kCustomTree << ids::kTrayMenu << QString::fromUtf8("任务栏图标菜单");
}

void DesktopIntegrationTest::barMenusOpenForTheTreeTheyName() {
    QFETCH(int, tree);
    QFETCH(int, menu);
    QFETCH(QString, popup);
    Desktop d;
    d.custom.InsertNode({"A", "https://a.example/", ""});
    emit d.desktop->bar().contextMenuRequested(tree, menu, QPoint(1, 1));
    QCOMPARE(d.shown, QStringList{popup});
    QCOMPARE(d.targets, QList<int>{tree});
    // A tree the program does not have opens nothing.
    emit d.desktop->bar().contextMenuRequested(4711, menu, QPoint(1, 1));
    QCOMPARE(d.shown.size(), 1);
}

void DesktopIntegrationTest::trayIconSwitch() {
    Desktop d;
    d.desktop->showTrayIcon();
    QVERIFY(d.desktop->trayIcon().isAdded());
    QVERIFY(d.desktop->trayIcon().tip().contains(QString::fromUtf8("张三")));
    QVERIFY(d.commands.trigger(ids::kShowTrayIcon));
    QVERIFY(!d.desktop->trayIconShown());
    QVERIFY(!d.desktop->trayIcon().isAdded());
    // Off, a change of the shown tree does not bring it back.
    d.desktop->followShownTree();
    QVERIFY(!d.desktop->trayIcon().isAdded());
    QVERIFY(d.commands.trigger(ids::kShowTrayIcon));
    QVERIFY(d.desktop->trayIcon().isAdded());
}

// The available area in the toolkit's pixels: at QT_SCALE_FACTOR=2 a 1280×800 screen less a
// panel is 640×385.
void DesktopIntegrationTest::barStaysWhollyOnScreen_data() {
    QTest::addColumn<QRect>("area");
    QTest::newRow("1280x800") << QRect(0, 0, 1280, 770);
    QTest::newRow("1024x768") << QRect(0, 0, 1024, 738);
    QTest::newRow("1280x800 at scale 2") << QRect(0, 0, 640, 385);
    QTest::newRow("panel on the left") << QRect(60, 0, 580, 400);
    QTest::newRow("narrower than the bar") << QRect(10, 0, 120, 400);
}

void DesktopIntegrationTest::barStaysWhollyOnScreen() {
    QFETCH(QRect, area);
    BarDialog bar;
    bar.placeOn(area);
    const QRect place(bar.pos(), bar.size());
    if (bar.width() <= area.width())
        QVERIFY2(area.contains(place), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                      .arg(place.x())
                                                      .arg(place.y())
                                                      .arg(place.width())
                                                      .arg(place.height())));
    else
        QCOMPARE(place.left(), area.left());
    // Where it fits, the usual place: a little right of the window's width from the left.
    if (area.width() >= 1000)
        QVERIFY(place.left() > area.left() + 300);
}

// Screens of 1280×800 and 1024×768 with a panel of 30 pixels at the bottom, at the scales a
// user sets, in the toolkit's pixels.
void DesktopIntegrationTest::barAndWindowLeaveEachOtherRoom_data() {
    QTest::addColumn<QRect>("area");
    for (QSize screen : {QSize(1280, 800), QSize(1024, 768)}) {
        for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5}) {
            const QByteArray name = QByteArray::number(screen.width()) + 'x' +
                                    QByteArray::number(screen.height()) + " at scale " +
                                    QByteArray::number(scale);
            QTest::newRow(name.constData())
                << QRect(0, 0, static_cast<int>(screen.width() / scale),
                         static_cast<int>((screen.height() - 30) / scale));
        }
    }
    QTest::newRow("panel on the left") << QRect(60, 0, 452, 369);
}

void DesktopIntegrationTest::barAndWindowLeaveEachOtherRoom() {
    QFETCH(QRect, area);
    QWidget window;
    CommandRegistry commands;
    EdgeDocking docking(window, 240, commands);
    BarDialog bar;
    // As at start: the bar in its usual place, then the window fitted beside it.
    bar.placeOn(area);
    docking.keepClearOf(&bar, bar.usualOffset());
    docking.fitTo(area);
    const QRect barPlace(bar.pos(), bar.size());
    const QRect windowPlace = window.frameGeometry();
    const QString where = QStringLiteral("bar %1,%2 %3x%4, window %5,%6 %7x%8")
                              .arg(barPlace.x())
                              .arg(barPlace.y())
                              .arg(barPlace.width())
                              .arg(barPlace.height())
                              .arg(windowPlace.x())
                              .arg(windowPlace.y())
                              .arg(windowPlace.width())
                              .arg(windowPlace.height());
    // The bar stays on top: where it meets the window it hides its title bar and toolbar.
    QVERIFY2(!barPlace.intersects(windowPlace), qPrintable(where));
    QVERIFY2(area.contains(windowPlace), qPrintable(where));
    if (bar.width() <= area.width())
        QVERIFY2(area.contains(barPlace), qPrintable(where));
    QVERIFY2(window.width() >= EdgeDocking::kLeastWidth || windowPlace.top() > barPlace.bottom(),
             qPrintable(where));
    // Where there is room, the window keeps its width and the top of the screen.
    if (area.width() >= 240 + bar.width()) {
        QCOMPARE(window.width(), 240);
        QCOMPARE(windowPlace.top(), area.top());
    }
}

void DesktopIntegrationTest::windowsStayOffTheTaskbarWithTheProgramIcon() {
    Desktop desktop;
    BarDialog& bar = desktop.desktop->bar();
    QVERIFY(!bar.windowIcon().isNull());
    // No minimise or maximise button: with no taskbar entry a minimised window is lost.
    QVERIFY(desktop.window.testAttribute(Qt::WA_X11NetWmWindowTypeToolBar));
    bar.show();
    desktop.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QVERIFY(QTest::qWaitForWindowExposed(&desktop.window));
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("the taskbar state is an X11 window property");
    QVERIFY(isKeptOffTaskbar(bar));
    QVERIFY(isKeptOffTaskbar(desktop.window));
    // Shown again after a hide, still off the taskbar.
    bar.hide();
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QVERIFY(isKeptOffTaskbar(bar));
}

QTEST_MAIN(DesktopIntegrationTest)
#include "DesktopIntegrationTest.moc"
