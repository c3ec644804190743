#include <QAction>
#include <QDialog>
#include <QDirIterator>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "gui/app/MainDialog.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/resources/ResourceIcons.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// Every warning Qt prints while a test runs.
QStringList* seenWarnings = nullptr;
void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (seenWarnings && type != QtDebugMsg && type != QtInfoMsg)
        seenWarnings->append(message);
}

}  // namespace

class CommandRegistryTest : public QObject {
    Q_OBJECT
  private slots:
    void oneActionPerIdAndHandlersMakeItLive();
    void availabilityAndChecksShowOnTheSameAction();
    void noEnabledCommandWithoutAHandler();
    void everyIconTheProgramNamesExists();
};

void CommandRegistryTest::oneActionPerIdAndHandlersMakeItLive() {
    CommandRegistry registry;
    QAction* save = registry.action(ids::kSave);
    QCOMPARE(registry.action(ids::kSave), save);
    QCOMPARE(save->text(), QString::fromUtf8("存盘"));
    QCOMPARE(save->toolTip(), QString::fromUtf8("存盘"));
    QVERIFY(!save->isEnabled());
    QVERIFY(!registry.trigger(ids::kSave));

    int runs = 0;
    registry.setHandler(ids::kSave, [&runs] { ++runs; });
    QVERIFY(save->isEnabled());
    // A menu and a toolbar button show the same object: triggering either runs the handler.
    QMenu menu;
    menu.addAction(save);
    QToolButton button;
    button.setDefaultAction(save);
    button.click();
    menu.actions().first()->trigger();
    QVERIFY(registry.trigger(ids::kSave));
    QCOMPARE(runs, 3);

    registry.setHandler(ids::kSave, {});
    QVERIFY(!save->isEnabled());
    QVERIFY(!button.isEnabled());
}

void CommandRegistryTest::availabilityAndChecksShowOnTheSameAction() {
    CommandRegistry registry;
    registry.setHandler(ids::kSendToMailbox, [] {});
    QMenu menu;
    menu.addAction(registry.action(ids::kSendToMailbox));
    registry.setAvailable(ids::kSendToMailbox, false);
    QVERIFY(!menu.actions().first()->isEnabled());
    QVERIFY(!registry.trigger(ids::kSendToMailbox));
    registry.setAvailable(ids::kSendToMailbox, true);
    QVERIFY(menu.actions().first()->isEnabled());

    registry.setChecked(ids::kAutoHide, true);
    QVERIFY(registry.action(ids::kAutoHide)->isCheckable());
    QVERIFY(registry.isChecked(ids::kAutoHide));
    // Without a handler a toggle is not live either.
    QVERIFY(!registry.action(ids::kAutoHide)->isEnabled());
}

void CommandRegistryTest::noEnabledCommandWithoutAHandler() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
    window.start();
    window.show();
    // Open every drop-down once, so that the actions they show exist.
    for (int id : {ids::kAbout, ids::kSendToMailbox, ids::kReceiveFromMailbox}) {
        QToolButton* button = window.toolButton(id);
        QVERIFY(button);
        QVERIFY(button->menu());
        emit button->menu()->aboutToShow();
    }
    CommandRegistry& commands = window.commands();
    QVERIFY(!commands.ids().isEmpty());
    for (int id : commands.ids()) {
        QAction* action = commands.action(id);
        if (action->isEnabled())
            QVERIFY2(commands.hasHandler(id), qPrintable(QString::number(id)));
    }
    // Commands with a handler today really run.
    QVERIFY(commands.action(ids::kSave)->isEnabled());
    QVERIFY(commands.action(ids::kHelp)->isEnabled());
    // The options sheet is modal: cancel it when it shows.
    driver.then([](QWidget* sheet) {
        if (auto* dialog = qobject_cast<QDialog*>(sheet))
            dialog->reject();
    });
    QVERIFY(!window.command(ids::kSettings) || commands.hasHandler(ids::kSettings));
}

void CommandRegistryTest::everyIconTheProgramNamesExists() {
    QStringList warnings;
    seenWarnings = &warnings;
    QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    {
        TempHome home;
        ModalDriver driver;
        MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
        window.start();
        window.show();
        for (int id : {ids::kAbout, ids::kSendToMailbox, ids::kReceiveFromMailbox}) {
            QMenu* menu = window.toolButton(id)->menu();
            emit menu->aboutToShow();
            for (QAction* action : menu->actions())
                action->icon().pixmap(16, 16);
        }
        window.switchCategory(0);
        emit window.toolButton(ids::kReceiveFromMailbox)->menu()->aboutToShow();
        for (int id : window.commands().ids())
            window.commands().action(id)->icon().pixmap(16, 16);
        QCoreApplication::processEvents();
    }
    qInstallMessageHandler(previous);
    seenWarnings = nullptr;
    for (const QString& w : warnings) {
        QVERIFY2(!w.contains(QStringLiteral(".svg")) && !w.contains(QStringLiteral("icon")),
                 qPrintable(w));
    }
    // Every icon a command asks for is one of the drawn files, or none at all.
    for (int id : CommandRegistry().ids())
        Q_UNUSED(id);
    for (int id : {ids::kSave, ids::kSendToMailbox, ids::kReceiveFromMailbox, ids::kSettings,
                   ids::kAbout, ids::kHelp, ids::kListen, ids::kAutoHide, ids::kExit}) {
        QIcon icon = commandIcon(id);
        if (!icon.isNull())
            QVERIFY2(!icon.pixmap(16, 16).isNull(), qPrintable(QString::number(id)));
    }
    for (int id : {ids::kProgramIcon, ids::kBackgroundBitmap, ids::kClosedBookIcon,
                   ids::kOpenBookIcon, ids::kClosedFolderIcon, ids::kOpenFolderIcon,
                   ids::kAddressBookIcon, ids::kRecommendedTabIcon, ids::kCustomTabIcon,
                   ids::kFemaleIcon, ids::kMaleIcon, ids::kCancelIcon, ids::kOkIcon}) {
        QVERIFY2(QFile::exists(QStringLiteral(":/icons/%1.svg").arg(id)),
                 qPrintable(QString::number(id)));
    }
}

QTEST_MAIN(CommandRegistryTest)
#include "CommandRegistryTest.moc"
