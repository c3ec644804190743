#include <QContextMenuEvent>
#include <QCursor>
#include <QEnterEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/app/Storage.h"
#include "core/text/Encoding.h"
#include "gui/app/BarDialog.h"
#include "gui/app/EdgeDocking.h"
#include "gui/app/MainDialog.h"
#include "gui/app/TrayIcon.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/TreeMenus.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// What a menu showed, and what the bar said while it was open.
struct ShownMenu {
    QString name;
    QStringList items;
    QList<int> commandIds;
    QString line1;
    QString line2;
    bool clockOn = true;
    QPoint at;
    int target = 0;  // the tree the commands act on while it is open
};

QStringList itemTexts(const QMenu& menu) {
    QStringList texts;
    for (QAction* a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

}  // namespace

class DockingTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();

    void trayTipFollowsTheCategory();
    void toggleCommandsFlipTheirSwitchesAndCheckMarks();
    void closingRemovesTheTrayIconAndHidesTheBar();

    void barButtonsAndClock();
    void barCategoryButtonsShowTheirQuickMenus_data();
    void barCategoryButtonsShowTheirQuickMenus();
    void barSystemButtonShowsTheProgramMenu();
    void barRightClicks_data();
    void barRightClicks();

    void windowSlidesOutAndComesBack();
    void withAutoHideOffTheWindowIsPulledBack();
    void autoHideWorksAfterTheTipOfTheDay_data();
    void autoHideWorksAfterTheTipOfTheDay();
    void enteringTheStripTheWindowManagerKeptBringsItBack();

  private:
    void startWindow(MainDialog& window);
    TestProfile profile_;
    std::vector<ShownMenu> shown_;
};

void DockingTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("DockingTest"));
}

void DockingTest::startWindow(MainDialog& window) {
    window.start();
    shown_.clear();
    window.menus().setRunner([this, &window](IconMenu& menu, const QPoint& at) {
        ShownMenu m;
        m.name = menu.objectName();
        m.items = itemTexts(menu);
        for (QAction* a : menu.actions()) {
            for (int id : window.commands().ids()) {
                if (window.commands().action(id) == a)
                    m.commandIds << id;
            }
        }
        m.line1 = window.bar().statusLine(1);
        m.line2 = window.bar().statusLine(2);
        m.clockOn = window.bar().clockOn();
        m.at = at;
        m.target = window.commands().target();
        shown_.push_back(m);
    });
}

void DockingTest::trayTipFollowsTheCategory() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    // Added at start whether or not the desktop has a notification area.
    QVERIFY(window.trayIcon().isAdded());
    QCOMPARE(window.trayIcon().tip(), QString::fromUtf8("张三（收藏）"));
    window.switchCategory(0);
    QCOMPARE(window.trayIcon().tip(), QString::fromUtf8("张三（推荐）"));
    window.switchCategory(2);
    QCOMPARE(window.trayIcon().tip(), QString::fromUtf8("张三（通讯录）"));
    // With the icon switched off a tab switch does not bring it back.
    QVERIFY(window.command(ids::kShowTrayIcon));
    window.switchCategory(1);
    QVERIFY(!window.trayIcon().isAdded());
    QVERIFY(!window.trayIcon().isShown());
    window.close();

    // A long name: the tip keeps the whole characters within 63 bytes.
    QString thirty = QString(30, QChar(0x5F20));
    MainDialog longName{logIn(home, makeAccount(text::fromUtf8(thirty.toStdString()), "pw"))};
    longName.start();
    QCOMPARE(longName.trayIcon().tip(), thirty + QString::fromUtf8("（"));
    longName.close();
}

void DockingTest::toggleCommandsFlipTheirSwitchesAndCheckMarks() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    CommandRegistry& commands = window.commands();
    struct Toggle {
        int id;
        std::function<bool()> state;
    };
    for (const Toggle& t :
         {Toggle{ids::kShowToolbar, [&] { return window.toolbarBand() == 24; }},
          Toggle{ids::kShowTrayIcon, [&] { return window.trayIcon().isAdded(); }},
          Toggle{ids::kAutoHide, [&] { return window.viewOptions().autoHide; }}}) {
        QVERIFY2(commands.action(t.id)->isEnabled(), qPrintable(QString::number(t.id)));
        QVERIFY(t.state());
        QVERIFY(commands.isChecked(t.id));
        QVERIFY(window.command(t.id));
        QVERIFY(!t.state());
        QVERIFY(!commands.isChecked(t.id));
        // The check marks of a menu opened now show the switch.
        std::unique_ptr<IconMenu> menu(
            window.menus().buildContextMenu(window.customTree(), kNoItem, ids::kNodeMenu, nullptr));
        QVERIFY(!commands.action(t.id)->isChecked());
        QVERIFY(window.command(t.id));
        QVERIFY(t.state());
        menu.reset(
            window.menus().buildContextMenu(window.customTree(), kNoItem, ids::kNodeMenu, nullptr));
        QVERIFY(commands.action(t.id)->isChecked());
    }
    window.close();
}

void DockingTest::closingRemovesTheTrayIconAndHidesTheBar() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    window.show();
    QVERIFY(window.bar().isVisible());
    window.close();
    QVERIFY(!window.trayIcon().isAdded());
    QVERIFY(!window.bar().isVisible());
}

void DockingTest::barButtonsAndClock() {
    BarDialog bar;
    QCOMPARE(bar.objectName(), QStringLiteral("229"));
    QVERIFY(bar.windowFlags() & Qt::Tool);
    QVERIFY(bar.windowFlags() & Qt::FramelessWindowHint);
    struct Button {
        int id;
        const char* tip;
    };
    for (const Button& b : {Button{1081, "推荐收藏内容"}, Button{1082, "用户自定义收藏"},
                            Button{1083, "通讯录"}, Button{1084, "系统设置"}}) {
        FlatButton* button = bar.button(b.id);
        QVERIFY(button);
        QCOMPARE(button->toolTip(), QString::fromUtf8(b.tip));
        QVERIFY(!button->showText());
        QVERIFY(!button->iconRect().isEmpty());
    }
    QVERIFY(!bar.button(1085));
    QVERIFY(bar.clockOn());
    QVERIFY2(
        bar.statusLine(1).contains(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d"))),
        qPrintable(bar.statusLine(1)));
    // In Chinese whatever the locale: "2026年12月9日 周三".
    QVERIFY2(bar.statusLine(2).contains(QRegularExpression(
                 QString::fromUtf8("^\\d{4}年\\d{1,2}月\\d{1,2}日 周[日一二三四五六]$"))),
             qPrintable(bar.statusLine(2)));
    // Placed at (300, 3) dialog units from the area's corner: right of it and just below.
    bar.placeOn(QRect(100, 40, 1000, 700));
    QVERIFY(bar.pos().x() > 100 + 300);
    QVERIFY(bar.pos().y() > 40 && bar.pos().y() < 40 + 20);
}

void DockingTest::barCategoryButtonsShowTheirQuickMenus_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("recommended") << 1081 << QString::fromUtf8("推荐") << QStringList{"Engine"};
    QTest::newRow("custom") << 1082 << QString::fromUtf8("收藏") << QStringList{"Example"};
    QTest::newRow("address book, empty")
        << 1083 << QString::fromUtf8("通讯录") << QStringList{QString::fromUtf8("（空）")};
}

void DockingTest::barCategoryButtonsShowTheirQuickMenus() {
    QFETCH(int, button);
    QFETCH(QString, category);
    QFETCH(QStringList, items);
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    window.recommendedTree().InsertNode({"Engine", "https://search.example/", ""});
    window.customTree().InsertNode({"Example", "https://example.com/", ""});
    QTest::mouseClick(window.bar().button(button), Qt::LeftButton);
    QCOMPARE(shown_.size(), size_t(1));
    QCOMPARE(shown_[0].items, items);
    QCOMPARE(shown_[0].line1, QString::fromUtf8("当前菜单内容"));
    QCOMPARE(shown_[0].line2, category);
    QVERIFY(!shown_[0].clockOn);
    FlatButton* b = window.bar().button(button);
    QCOMPARE(shown_[0].at, b->mapToGlobal(QPoint(0, b->height())));
    QVERIFY(window.bar().clockOn());
    window.close();
}

void DockingTest::barSystemButtonShowsTheProgramMenu() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    QTest::mouseClick(window.bar().button(1084), Qt::LeftButton);
    QCOMPARE(shown_.size(), size_t(1));
    QCOMPARE(shown_[0].commandIds,
             (QList<int>{32797, ids::kSyncNow, 32904, 32905, 57670, 32836, 32780, 32833, 32779}));
    QCOMPARE(shown_[0].line1, QString::fromUtf8("当前操作对象"));
    QCOMPARE(shown_[0].line2, QString::fromUtf8("收藏"));
    QVERIFY(window.bar().clockOn());
    window.close();
}

void DockingTest::barRightClicks_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("tree");
    QTest::addColumn<QString>("line2");
    // Menus 137, 227 and 153, by the names of their popups.
    QTest::newRow("recommended") << 1081 << QString::fromUtf8("节点菜单")
                                 << ids::kRecommendedTreeControl << QString::fromUtf8("推荐");
    QTest::newRow("custom") << 1082 << QString::fromUtf8("节点菜单") << ids::kCustomTreeControl
                            << QString::fromUtf8("收藏");
    QTest::newRow("address book") << 1083 << QString::fromUtf8("通讯录菜单")
                                  << ids::kAddressBookControl << QString::fromUtf8("通讯录");
    QTest::newRow("system") << 1084 << QString::fromUtf8("任务栏图标菜单")
                            << ids::kAddressBookControl << QString::fromUtf8("通讯录");
}

void DockingTest::barRightClicks() {
    QFETCH(int, button);
    QFETCH(QString, menu);
    QFETCH(int, tree);
    QFETCH(QString, line2);
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    BarDialog& bar = window.bar();
    QPoint at = bar.button(button)->geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, bar.mapToGlobal(at));
    QApplication::sendEvent(&bar, &event);
    QCOMPARE(shown_.size(), size_t(1));
    QCOMPARE(shown_[0].line1, QString::fromUtf8("当前操作对象"));
    QCOMPARE(shown_[0].line2, line2);
    QVERIFY2(shown_[0].name.startsWith(menu), qPrintable(shown_[0].name));
    QCOMPARE(shown_[0].target, tree);
    // Closed, the commands act on the shown tree again.
    QCOMPARE(window.commands().target(), window.activeTreeId());
    QVERIFY(bar.clockOn());

    // Elsewhere on the bar: no menu.
    QPoint empty(bar.width() - 2, bar.height() / 2);
    QVERIFY(!qobject_cast<FlatButton*>(bar.childAt(empty)));
    QContextMenuEvent elsewhere(QContextMenuEvent::Mouse, empty, bar.mapToGlobal(empty));
    QApplication::sendEvent(&bar, &elsewhere);
    QCOMPARE(shown_.size(), size_t(1));
    window.close();
}

void DockingTest::windowSlidesOutAndComesBack() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QRect area = window.screen()->availableGeometry();
    QCursor::setPos(area.center() + QPoint(200, 0));
    if (QCursor::pos() != area.center() + QPoint(200, 0))
        QSKIP("this platform does not move the cursor");
    const int width = window.frameGeometry().width();
    QCOMPARE(window.frameGeometry().left(), area.left());
    int ticks = 0;
    int last = window.frameGeometry().left();
    for (; ticks < 40; ++ticks) {
        window.docking().slideAndReveal();
        if (window.frameGeometry().left() == last)
            break;
        last = window.frameGeometry().left();
    }
    QCOMPARE(window.frameGeometry().right() + 1, area.left() + 2);
    QVERIFY2(ticks >= 19 && ticks <= 21, qPrintable(QString::number(ticks)));
    QCOMPARE(window.frameGeometry().width(), width);

    // Touching the strip brings it back at once, at the top, as tall as the area.
    window.move(window.frameGeometry().left(), area.top() + 50);
    window.resize(window.width(), 300);
    QCursor::setPos(area.left(), area.top() + 100);
    window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry(), QRect(area.left(), area.top(), width, area.height()));

    // Docked at the right edge it slides out to the right.
    window.move(area.right() + 1 - width, area.top());
    QCursor::setPos(area.center());
    for (int i = 0; i < 40; ++i)
        window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().left(), area.right() + 1 - 2);
    QCursor::setPos(area.right(), area.top() + 10);
    window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().left(), area.right() + 1 - width);

    // Floating, it stays.
    window.move(area.left() + 200, area.top() + 20);
    QCursor::setPos(area.right() - 5, area.bottom() - 5);
    window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().topLeft(), QPoint(area.left() + 200, area.top() + 20));
    window.close();
}

void DockingTest::withAutoHideOffTheWindowIsPulledBack() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QRect area = window.screen()->availableGeometry();
    QVERIFY(window.command(ids::kAutoHide));
    QCursor::setPos(area.center());
    window.move(area.left() - 100, area.top());
    window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().left(), area.left());
    window.move(area.right() - 50, area.top());
    window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().right(), area.right());
    window.close();
}

void DockingTest::autoHideWorksAfterTheTipOfTheDay_data() {
    QTest::addColumn<QString>("closedBy");
    QTest::newRow("关闭") << QStringLiteral("button");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("Alt+C") << QStringLiteral("alt+c");
}

// At start the tip opens while the window manager is still placing the main window, and the
// first slide step asked for then is dropped: the window has to slide out anyway once the tip
// is gone, however it was closed.
void DockingTest::autoHideWorksAfterTheTipOfTheDay() {
    QFETCH(QString, closedBy);
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    // The ticks are the test's own.
    window.docking().stop();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QRect area = window.screen()->availableGeometry();
    QCursor::setPos(area.center() + QPoint(200, 0));
    if (QCursor::pos() != area.center() + QPoint(200, 0))
        QSKIP("this platform does not move the cursor");
    // Showing the window ticked once; the step it asked for is the one the window manager
    // drops.
    if (window.frameGeometry().left() == area.left())
        window.docking().slideAndReveal();
    QVERIFY(window.frameGeometry().left() < area.left());
    window.move(area.left(), area.top());

    ModalDriver driver;
    bool stayedWhileOpen = false;
    driver.then([&](QWidget* tip) {
        QCOMPARE(tip->objectName(), QString::number(ids::kTipDialog));
        for (int i = 0; i < 5; ++i)
            window.docking().slideAndReveal();
        stayedWhileOpen = window.frameGeometry().left() == area.left();
        tip->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tip));
        if (closedBy == QLatin1String("button"))
            tip->findChild<QPushButton*>(QString::number(ids::kIdOk))->click();
        else if (closedBy == QLatin1String("escape"))
            QTest::keyClick(tip, Qt::Key_Escape);
        else
            QTest::keyClick(tip, Qt::Key_C, Qt::AltModifier);
    });
    QVERIFY(window.command(ids::kTipOfTheDay));
    QVERIFY(driver.allActionsRun());
    QVERIFY(stayedWhileOpen);
    QVERIFY(!QApplication::activeModalWidget());

    const int enough = 2 * (EdgeDocking::kRetryTicks + 20);
    for (int tick = 0; tick < enough && window.frameGeometry().right() + 1 > area.left() + 2;
         ++tick)
        window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().right() + 1, area.left() + 2);
    window.close();
}

// Window managers keep more than the two pixels on screen (openbox a tenth of the width) and
// the toolkit still places the window where it asked: the window system's word that the
// cursor entered the window is what brings it back.
void DockingTest::enteringTheStripTheWindowManagerKeptBringsItBack() {
    TempHome home;
    MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
    startWindow(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QRect area = window.screen()->availableGeometry();
    QCursor::setPos(area.center() + QPoint(200, 0));
    if (QCursor::pos() != area.center() + QPoint(200, 0))
        QSKIP("this platform does not move the cursor");
    const int width = window.frameGeometry().width();
    for (int i = 0; i < 40; ++i)
        window.docking().slideAndReveal();
    QCOMPARE(window.frameGeometry().right() + 1, area.left() + 2);

    const QPointF onStrip(width - 10, 100);
    QEnterEvent enter(onStrip, onStrip, QPointF(area.left() + 10, area.top() + 100));
    QApplication::sendEvent(&window, &enter);
    QCOMPARE(window.frameGeometry(), QRect(area.left(), area.top(), width, area.height()));

    // Under an open menu or dialog of ours an enter changes nothing.
    for (int i = 0; i < 40; ++i)
        window.docking().slideAndReveal();
    QMessageBox box(&window);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    QApplication::sendEvent(&window, &enter);
    QCOMPARE(window.frameGeometry().right() + 1, area.left() + 2);
    box.close();
    window.close();
}

QTEST_MAIN(DockingTest)
#include "DockingTest.moc"
