#include <QAction>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/resources/MenuTables.h"
#include "gui/resources/ResourceIcons.h"

using namespace brivanta;
using namespace brivanta::test;

class CommandRegistryTest : public QObject {
    Q_OBJECT
  private slots:
    void oneActionPerIdAndHandlersMakeItLive();
    void availabilityAndChecksShowOnTheSameAction();
    void targetsFollowMenusAndQueuedCommandsKeepTheirs();
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

void CommandRegistryTest::targetsFollowMenusAndQueuedCommandsKeepTheirs() {
    BookmarkTree shown(kCustomTree);
    BookmarkTree other(kRecommendedTree);
    other.InsertNode({"R", "https://example.org/", ""});
    CommandRegistry registry;
    registry.setDefaultTarget([] { return kCustomTree; });
    registry.setContextSource([&](int target) {
        CommandContext context;
        context.tree = target == kCustomTree ? &shown : &other;
        return context;
    });
    QList<int> ran;
    registry.setTreeHandler(ids::kDelete, [&ran](int target) { ran << target; });
    registry.setQueued(ids::kDelete, true);
    registry.refresh();
    QAction* remove = registry.action(ids::kDelete);
    // The shown tree is empty: nothing to delete.
    QVERIFY(!remove->isEnabled());
    QVERIFY(!registry.trigger(ids::kDelete));
    {
        QObject menu;
        registry.pushTarget(&menu, kRecommendedTree);
        QCOMPARE(registry.target(), kRecommendedTree);
        QVERIFY(remove->isEnabled());
        remove->trigger();
        QVERIFY(ran.isEmpty());  // queued
    }
    // The menu is gone: the shown tree's state again, but the chosen command keeps its tree.
    QCOMPARE(registry.target(), kCustomTree);
    QVERIFY(!remove->isEnabled());
    QTRY_COMPARE(ran, QList<int>{kRecommendedTree});
    // Given for a tree explicitly, a command is judged by that tree.
    QVERIFY(registry.trigger(ids::kDelete, kRecommendedTree));
    QVERIFY(!registry.trigger(ids::kDelete, kCustomTree));
    QCOMPARE(ran, (QList<int>{kRecommendedTree, kRecommendedTree}));
}

void CommandRegistryTest::noEnabledCommandWithoutAHandler() {
    TempHome home;
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
    // Nothing the window's menus and toolbar show is dead: every command there has a handler
    // in the window (the file types of menu 191 belong to the import dialog).
    for (int menuId : {ids::kNodeMenu, ids::kAddressBookMenu, ids::kSendMenu, ids::kReceiveMenu,
                       ids::kHelpMenu, ids::kTrayMenu}) {
        for (const MenuTablePopup& popup : menuTable(menuId)) {
            for (int id : menuCommands(popup))
                QVERIFY2(commands.hasHandler(id), qPrintable(QString::number(id)));
        }
    }
    for (int id : ids::kToolbarLayout) {
        if (id != 0)
            QVERIFY2(commands.hasHandler(id), qPrintable(QString::number(id)));
    }
}

void CommandRegistryTest::everyIconTheProgramNamesExists() {
    // The commands that show an image: the toolbar's, those menus draw one for, and the
    // file types of the import dialog. A missing file would leave the button blank.
    QList<int> drawn = IconMenu::menuIconCommands();
    for (int id : ids::kToolbarLayout) {
        if (id != 0)
            drawn << id;
    }
    drawn << ids::kShortcutFolderFormat << ids::kHtmlFileFormat << ids::kArchiveFileFormat;
    for (int id : drawn) {
        QIcon icon = commandIcon(id);
        QVERIFY2(!icon.isNull(), qPrintable(QString::number(id)));
        QVERIFY2(!icon.pixmap(16, 16).isNull(), qPrintable(QString::number(id)));
    }
    // The toolbar buttons show them.
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
    window.start();
    for (int id : ids::kToolbarLayout) {
        if (id != 0)
            QVERIFY2(!window.toolButton(id)->icon().isNull(), qPrintable(QString::number(id)));
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
