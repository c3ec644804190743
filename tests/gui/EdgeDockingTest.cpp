// The edge docking on a window of its own, without the main window.

#include <QCursor>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "GuiTestSupport.h"
#include "gui/app/EdgeDocking.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

using namespace brivanta;

class EdgeDockingTest : public QObject {
    Q_OBJECT
  private slots:
    void slidesOnlyWithAutoHide_data();
    void slidesOnlyWithAutoHide();
    void comesBackBelowAWideBar();
    void aWidthGivenUpForTheBarIsNotRemembered();
};

void EdgeDockingTest::slidesOnlyWithAutoHide_data() {
    QTest::addColumn<bool>("toggle");  // the auto-hide command given once
    QTest::addColumn<bool>("slidesOut");
    QTest::newRow("auto-hide on") << false << true;
    QTest::newRow("auto-hide switched off") << true << false;
}

void EdgeDockingTest::slidesOnlyWithAutoHide() {
    QFETCH(bool, toggle);
    QFETCH(bool, slidesOut);
    QWidget window(nullptr, Qt::Tool);
    CommandRegistry commands;
    EdgeDocking docking(window, 200, commands);
    docking.registerCommands();
    int ticks = 0;
    connect(&docking, &EdgeDocking::ticked, this, [&ticks] { ++ticks; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    docking.fitToScreen();
    const QRect area = window.screen()->availableGeometry();
    QCOMPARE(window.frameGeometry().topLeft(), area.topLeft());
    QCOMPARE(window.width(), 200);
    if (toggle)
        QVERIFY(commands.trigger(ids::kAutoHide));
    QCOMPARE(docking.autoHide(), !toggle);
    QCursor::setPos(area.center() + QPoint(200, 0));
    if (QCursor::pos() != area.center() + QPoint(200, 0))
        QSKIP("this platform does not move the cursor");
    for (int i = 0; i < 40; ++i)
        docking.tick();
    QCOMPARE(ticks, 40);
    if (slidesOut) {
        // A strip of two pixels stays on screen.
        QCOMPARE(window.frameGeometry().right() + 1, area.left() + 2);
        QCursor::setPos(area.left(), area.top() + 100);
        docking.tick();
    }
    QCOMPARE(window.frameGeometry().left(), area.left());
}

// A bar too wide to leave the window room beside it: the window starts below the bar, and
// coming back from the edge it returns there, not to the top of the screen under the bar.
void EdgeDockingTest::comesBackBelowAWideBar() {
    QWidget window(nullptr, Qt::Tool);
    QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    CommandRegistry commands;
    EdgeDocking docking(window, 200, commands);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect area = window.screen()->availableGeometry();
    bar.setFixedSize(area.width() - 100, 40);
    docking.keepClearOf(&bar, QPoint(300, 3));
    docking.fitToScreen();
    // As far left as it must to stay on screen, which leaves the window too little beside it.
    QCOMPARE(bar.pos(), QPoint(area.left() + 100, area.top() + 3));
    const int top = bar.geometry().bottom() + 1;
    QCOMPARE(window.frameGeometry().top(), top);
    QCOMPARE(window.frameGeometry().bottom(), area.bottom());
    QCOMPARE(window.width(), 200);
    QCursor::setPos(area.center() + QPoint(200, 0));
    if (QCursor::pos() != area.center() + QPoint(200, 0))
        QSKIP("this platform does not move the cursor");
    for (int i = 0; i < 40; ++i)
        docking.tick();
    QCOMPARE(window.frameGeometry().right() + 1, area.left() + 2);
    QCursor::setPos(area.left(), area.bottom() - 10);
    docking.tick();
    QCOMPARE(window.frameGeometry().left(), area.left());
    QCOMPARE(window.frameGeometry().top(), top);
    QCOMPARE(window.frameGeometry().bottom(), area.bottom());
}

// Narrowed beside the bar on a small screen, the window keeps the user's own width for the
// next start on a larger one; a width the user drags to is kept.
void EdgeDockingTest::aWidthGivenUpForTheBarIsNotRemembered() {
    test::TestProfile profile;
    QWidget window(nullptr, Qt::Tool);
    QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    CommandRegistry commands;
    EdgeDocking docking(window, 300, commands);
    const QRect area = window.screen()->availableGeometry();
    bar.setFixedSize(area.width() - 250, 40);
    docking.keepClearOf(&bar, QPoint(300, 3));
    docking.fitToScreen();
    QCOMPARE(window.width(), 250);
    QCOMPARE(window.frameGeometry().top(), area.top());
    docking.rememberWidth();
    QCOMPARE(profile.profile().windowWidth(), std::nullopt);
    window.resize(180, window.height());
    docking.rememberWidth();
    QCOMPARE(profile.profile().windowWidth(), std::optional<int>(180));
}

QTEST_MAIN(EdgeDockingTest)
#include "EdgeDockingTest.moc"
