#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

#include "DialogCatalogue.h"
#include "GuiTestSupport.h"
#include "core/trees/BookmarkTree.h"
#include "gui/controls/DialogOwner.h"
#include "gui/health/HealthWindow.h"
#include "gui/platform/WindowManagerHints.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;

// Every dialog shown while the main window is there is a dialog of it: a panel lists only what
// has a taskbar entry, and the main window has none, so a dialog that asks for its own entry,
// or offers to be minimised into one, is listed by itself or lost. Before there is a main
// window the login's dialogs are the program's only windows and keep their entry.
class DialogOwnerTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyDialogBelongsToTheMainWindow_data();
    void everyDialogBelongsToTheMainWindow();
    void theLoginDialogsKeepTheirTaskbarEntry_data();
    void theLoginDialogsKeepTheirTaskbarEntry();
    void aDialogShownAgainStaysOffTheTaskbar();

  private:
    test::TestProfile profile_;
};

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QString flagsText(Qt::WindowFlags flags) {
    return QStringLiteral("0x%1").arg(static_cast<unsigned>(flags.toInt()), 0, 16);
}

// Stands for the main window: a tool window with no taskbar entry.
struct MainWindow {
    QWidget window{nullptr, Qt::Tool};
    MainWindow() {
        window.resize(240, 500);
        window.show();
        DialogOwner::setOwner(&window);
    }
    ~MainWindow() { DialogOwner::setOwner(nullptr); }
};

// Rows past the catalogue: windows that are not built as dialogs of their own.
constexpr int kHealthWindow = -1;
constexpr int kMessageBox = -2;

}  // namespace

void DialogOwnerTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("DialogOwnerTest"));
    test::DialogCatalogue::prepare();
    // As the program does at start.
    DialogOwner::install();
}

void DialogOwnerTest::cleanupTestCase() {
    test::DialogCatalogue::finish();
}

void DialogOwnerTest::everyDialogBelongsToTheMainWindow_data() {
    QTest::addColumn<int>("index");
    const auto all = test::DialogCatalogue::dialogs();
    for (size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].first) << static_cast<int>(i);
    QTest::newRow("health window") << kHealthWindow;
    QTest::newRow("message box") << kMessageBox;
}

void DialogOwnerTest::everyDialogBelongsToTheMainWindow() {
    QFETCH(int, index);
    MainWindow main;
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    BookmarkTree tree;
    TreeUndo history(tree);
    // The catalogue's dialogs are built with no parent, as some commands build theirs; the
    // health window and the message box with the main window as parent.
    std::unique_ptr<QWidget> window;
    if (index >= 0)
        window = test::DialogCatalogue::dialogs()[static_cast<size_t>(index)].second();
    else if (index == kHealthWindow)
        window = std::make_unique<HealthWindow>(HealthWindow::Mode::duplicates, tree, history,
                                                &main.window);
    else
        window = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("发送收藏夹"),
                                               QStringLiteral("请输入邻居的地址。"),
                                               QMessageBox::Ok, &main.window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QWindow* handle = window->windowHandle();
    QVERIFY(handle);
    QCOMPARE(handle->transientParent(), main.window.windowHandle());
    // What the window manager is told: a dialog with a close button and no other.
    const Qt::WindowFlags flags = handle->flags();
    QVERIFY2(flags.testFlag(Qt::Dialog), qPrintable(flagsText(flags)));
    QVERIFY2(flags.testFlag(Qt::WindowCloseButtonHint), qPrintable(flagsText(flags)));
    QVERIFY2(!flags.testFlag(Qt::WindowMinimizeButtonHint), qPrintable(flagsText(flags)));
    QVERIFY2(!flags.testFlag(Qt::WindowMaximizeButtonHint), qPrintable(flagsText(flags)));
    // Window managers that draw the buttons on every dialog draw them on no tool bar.
    QVERIFY(window->testAttribute(Qt::WA_X11NetWmWindowTypeToolBar));
    QVERIFY(!window->windowIcon().isNull());
    QVERIFY(asksToStayOffTaskbar(*window));
    if (onX11())
        QVERIFY(isKeptOffTaskbar(*window));
}

void DialogOwnerTest::theLoginDialogsKeepTheirTaskbarEntry_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("login") << QStringLiteral("login");
    QTest::newRow("new user") << QStringLiteral("new user");
}

void DialogOwnerTest::theLoginDialogsKeepTheirTaskbarEntry() {
    QFETCH(QString, name);
    QVERIFY(!DialogOwner::owner());
    std::unique_ptr<QDialog> dialog;
    for (auto& [rowName, make] : test::DialogCatalogue::dialogs()) {
        if (name == QLatin1String(rowName))
            dialog = make();
    }
    QVERIFY(dialog);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    const Qt::WindowFlags flags = dialog->windowHandle()->flags();
    QVERIFY2(flags.testFlag(Qt::WindowCloseButtonHint), qPrintable(flagsText(flags)));
    QVERIFY2(!flags.testFlag(Qt::WindowMinimizeButtonHint), qPrintable(flagsText(flags)));
    QVERIFY2(!flags.testFlag(Qt::WindowMaximizeButtonHint), qPrintable(flagsText(flags)));
    // No window manager offers to maximise a window that cannot change its size.
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->size(), dialog->minimumSize());
    QVERIFY(!dialog->windowIcon().isNull());
    QVERIFY(!asksToStayOffTaskbar(*dialog));
    if (onX11())
        QVERIFY(!isKeptOffTaskbar(*dialog));
}

// A window manager may drop the state when a window is withdrawn; a dialog shown a second time
// asks again, once.
void DialogOwnerTest::aDialogShownAgainStaysOffTheTaskbar() {
    MainWindow main;
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    QDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto children = dialog.children().size();
    dialog.hide();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowHandle()->transientParent(), main.window.windowHandle());
    QVERIFY(asksToStayOffTaskbar(dialog));
    // Nothing piles up on the dialog with each showing.
    QCOMPARE(dialog.children().size(), children);
    if (onX11())
        QVERIFY(isKeptOffTaskbar(dialog));
}

QTEST_MAIN(DialogOwnerTest)
#include "DialogOwnerTest.moc"
