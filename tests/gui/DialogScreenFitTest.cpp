#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "DialogCatalogue.h"
#include "GuiTestSupport.h"
#include "OffscreenScreen.h"
#include "core/trees/BookmarkTree.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/app/BarDialog.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/ScreenFit.h"
#include "gui/health/HealthWindow.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;

// Dialogs on a screen with little room: a 1280×800 screen with a panel of 30 pixels at a scale
// factor of 2.5 leaves 512×308 (the offscreen screen stands for the free area), less than
// several windows ask for. The program must not place any part of a
// dialog, its buttons least of all, outside the free area.
class DialogScreenFitTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void contactDialogFitsTheFreeArea();
    void everyWindowFitsTheFreeArea_data();
    void everyWindowFitsTheFreeArea();
    void windowsStayBelowTheBar_data() { everyWindowFitsTheFreeArea_data(); }
    void windowsStayBelowTheBar();

  private:
    test::TestProfile profile_;
};

namespace {

QString describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}  // namespace

void DialogScreenFitTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("DialogScreenFitTest"));
    test::DialogCatalogue::prepare();
    // As the program does at start.
    ScreenFitter::install();
}

void DialogScreenFitTest::cleanupTestCase() {
    test::DialogCatalogue::finish();
}

void DialogScreenFitTest::everyWindowFitsTheFreeArea_data() {
    QTest::addColumn<int>("index");
    const auto all = test::DialogCatalogue::dialogs();
    for (size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].first) << static_cast<int>(i);
    QTest::newRow("health window, placed past the corner") << -1;
    QTest::newRow("a dialog sized larger than the screen") << -2;
}

namespace {

// The window of a row: a dialog of the catalogue, or (-1) a health window placed past the
// screen's corner, or (-2) a dialog sized for a larger screen.
std::unique_ptr<QWidget> makeWindow(int index, BookmarkTree& tree, TreeUndo& history) {
    if (index >= 0)
        return test::DialogCatalogue::dialogs()[static_cast<size_t>(index)].second();
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    std::unique_ptr<QWidget> window;
    if (index == -1) {
        window = std::make_unique<HealthWindow>(HealthWindow::Mode::duplicates, tree, history);
        window->resize(700, 500);
        window->move(free.right() - 50, free.bottom() - 50);
    } else {
        window = std::make_unique<QDialog>();
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(new QTreeWidget);
        window->resize(1000, 800);
    }
    return window;
}

}  // namespace

void DialogScreenFitTest::everyWindowFitsTheFreeArea() {
    QFETCH(int, index);
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    BookmarkTree tree;
    tree.InsertNode({"A", "https://a.example/", ""});
    TreeUndo history(tree);
    std::unique_ptr<QWidget> window = makeWindow(index, tree, history);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QRect place = window->frameGeometry();
    QVERIFY2(free.contains(place),
             qPrintable(describe(place) + QStringLiteral(" outside ") + describe(free)));
    // What the layout asks for at least fits too: nothing is cut off inside the window.
    const QSize least = window->minimumSizeHint();
    QVERIFY2(least.width() <= window->width() && least.height() <= window->height(),
             qPrintable(QStringLiteral("needs %1x%2").arg(least.width()).arg(least.height())));
}

// The bar stays on top of every window: a window that fits below it goes there, so the bar
// does not hide its title bar and close button.
void DialogScreenFitTest::windowsStayBelowTheBar() {
    QFETCH(int, index);
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    BarDialog bar;
    bar.placeOn(free);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    ScreenFitter::keepClearOf(&bar);
    BookmarkTree tree;
    TreeUndo history(tree);
    std::unique_ptr<QWidget> window = makeWindow(index, tree, history);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    ScreenFitter::keepClearOf(nullptr);
    const QRect place = window->frameGeometry();
    const QRect band = bar.frameGeometry();
    const QString where = describe(place) + QStringLiteral(", bar ") + describe(band);
    QVERIFY2(free.contains(place), qPrintable(where));
    const int frame = place.height() - window->height();
    if (window->minimumSizeHint().height() + frame <= free.bottom() - band.bottom())
        QVERIFY2(!place.intersects(band), qPrintable(where));
}

void DialogScreenFitTest::contactDialogFitsTheFreeArea() {
    QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(free.height() < 380,
             qPrintable(QStringLiteral("free area %1x%2").arg(free.width()).arg(free.height())));
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    BookmarkTree tree(kAddressBookTree);
    tree.setIconChooser(&icons);
    ContactDialog dialog(tree, icons, kNoItem);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY2(
        dialog.frameGeometry().height() <= free.height(),
        qPrintable(
            QStringLiteral("%1 > %2").arg(dialog.frameGeometry().height()).arg(free.height())));
    // What gives way is the list of details; the buttons below it stay inside the dialog.
    QRect ok(dialog.okButton()->mapTo(&dialog, QPoint(0, 0)), dialog.okButton()->size());
    QVERIFY(dialog.rect().contains(ok));
    auto* list = dialog.findChild<QTreeWidget*>();
    QVERIFY(list);
    QVERIFY(list->height() > 0);
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2.5");
    test::OffscreenScreen screen(1280, 770);
    QApplication app(argc, argv);
    DialogScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogScreenFitTest.moc"
