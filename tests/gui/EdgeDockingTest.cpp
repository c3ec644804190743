// The edge docking on a window of its own, without the main window.

#include <QCursor>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "gui/app/EdgeDocking.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

using namespace brivanta;

class EdgeDockingTest : public QObject {
    Q_OBJECT
  private slots:
    void slidesOnlyWithAutoHide_data();
    void slidesOnlyWithAutoHide();
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

QTEST_MAIN(EdgeDockingTest)
#include "EdgeDockingTest.moc"
