#include <sys/stat.h>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <csignal>

#include "GuiTestSupport.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "gui/app/MainDialog.h"
#include "gui/app/NetworkCommands.h"
#include "gui/app/OptionCommands.h"
#include "gui/options/OptionValues.h"
#include "gui/platform/AddressOpener.h"
#include "gui/platform/TerminationSignals.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeSearchBar.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// Writes a tree file through the same archive code the program uses.
void writeTree(const TempHome& home, const QString& name, int kind,
               const std::vector<std::pair<NodeRecord, int>>& records) {
    BookmarkTree tree(kind);
    std::vector<ItemId> made;
    for (const auto& [record, parentIndex] : records) {
        made.push_back(tree.InsertNode(record, parentIndex < 0 ? kNoItem : made[parentIndex]));
    }
    QDir().mkpath(QFileInfo(home.filePath(name)).path());
    QVERIFY(!saveArchiveFile(tree, home.filePath(name).toStdString()));
}

void readTree(const TempHome& home, const QString& name, BookmarkTree& tree) {
    loadArchiveFile(tree, home.filePath(name).toStdString());
}

size_t treeSize(const TempHome& home, const QString& name, int kind) {
    BookmarkTree tree(kind);
    loadArchiveFile(tree, home.filePath(name).toStdString());
    return tree.size();
}

void writeUserFiles(const TempHome& home) {
    writeTree(home, QStringLiteral("Data/u.bvk"), kCustomTree,
              {{{text::gbk("工作"), "", ""}, -1},
               {{"Example", "  https://example.com/", ""}, 0},
               {{"Mail", "someone@example.com", ""}, 0}});
    writeTree(home, QStringLiteral("Data/u.ads"), kAddressBookTree,
              {{{text::gbk("张三"), "", text::gbk("男")}, -1},
               {{"13800000000", "13800000000", text::gbk("手机")}, 0}});
    writeTree(home, QStringLiteral("System.bvk"), kRecommendedTree,
              {{{"Search", "", ""}, -1}, {{"Engine", "https://search.example/", ""}, 0}});
}

UserAccount userU() {
    return makeAccount("u", "pw");
}

// A double click as the view sees it from a mouse: the press picks the item first.
void doubleClick(QAbstractItemView* view, const QModelIndex& index) {
    QPoint at = view->visualRect(index).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void startLoadsTheThreeTreesAndShowsTheCustomOne();
    void tabSwitchChangesActiveTreeAndVisibleTree();
    void sendButtonFollowsTheItemCount();
    void editingCommandsActOnTheShownTree();
    void layoutPlacesTreeAndTabs();
    void closeWritesEachChangedTreeAndOnlyThose_data();
    void closeWritesEachChangedTreeAndOnlyThose();
    void aPartlyReadFileIsKeptBeforeItIsSavedOver();
    void theSharedTreeChangedElsewhereIsMergedOrKept_data();
    void theSharedTreeChangedElsewhereIsMergedOrKept();
    void saveCommandWritesOnlyTheActiveTree();
    void closeSavesTheCustomTreeFirst();
    void everyWayOfClosingSavesAndKeysDoNotClose();
    void failedSaveOnCloseKeepsTheWindowUntilTheUserDecides();
    void failedSaveOnCloseCanBeRetried();
    void failedSaveOnCloseCanBeGivenUpAndQuittingCannotBeRefused();
    void terminationSignalSavesLikeTheCloseBox();
    void foldersFollowExpandAndCollapse();
    void doubleClickOpensLinksOnly();
    void toolbarCarriesTheCommandsAndTheirTips();
    void aRelativeProgramDirectoryWorksFromAnywhere();
    void theFrameFitsTheAvailableArea();
    void theWidthTheUserLeftIsWhereTheNextStartBegins();
};

void MainDialogTest::startLoadsTheThreeTreesAndShowsTheCustomOne() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    writeUserFiles(home);
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    QCOMPARE(window.customTree().size(), size_t(3));
    QCOMPARE(window.recommendedTree().size(), size_t(2));
    // The address book was read with three strings per record: the tag picked the image.
    QCOMPARE(window.addressBookTree().size(), size_t(2));
    RecordRef contact = window.addressBookTree().LookupRecord(1);
    QVERIFY(contact);
    QCOMPARE(contact->tag, text::gbk("男"));
    QVERIFY(window.addressBookTree().image(1) > kOpenFolderImage);
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Brivanta（u）"));
    QCOMPARE(window.tabs()->currentIndex(), 1);
    QCOMPARE(window.tabs()->tabText(0), QString::fromUtf8("推荐"));
    QCOMPARE(window.tabs()->tabText(1), QString::fromUtf8("收藏"));
    QCOMPARE(window.tabs()->tabText(2), QString::fromUtf8("通讯录"));
    QCOMPARE(window.tabs()->count(), 3);
    // Each tab shows its own icon: 243 recommended, 244 custom, 202 address book.
    const int tabIcons[] = {ids::kRecommendedTabIcon, ids::kCustomTabIcon, ids::kAddressBookIcon};
    for (int tab = 0; tab < 3; ++tab) {
        QCOMPARE(window.tabs()->tabIcon(tab).pixmap(16, 16).toImage(),
                 resourceIcon(tabIcons[tab]).pixmap(16, 16).toImage());
    }
    QCOMPARE(window.windowIcon().pixmap(32, 32).toImage(),
             resourceIcon(ids::kProgramIcon).pixmap(32, 32).toImage());
    QCOMPARE(window.activeTreeId(), ids::kCustomTreeControl);
    QVERIFY(window.windowFlags().testFlag(Qt::Tool));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    // Links get the image of their kind, folders the closed folder.
    QCOMPARE(window.customTree().image(1), kClosedFolderImage);
    QVERIFY(window.customTree().image(2) != window.customTree().image(3));
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::tabSwitchChangesActiveTreeAndVisibleTree() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    writeUserFiles(home);
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    const int order[] = {ids::kRecommendedTreeControl, ids::kCustomTreeControl,
                         ids::kAddressBookControl};
    for (int tab : {0, 2, 1, 2, 0}) {
        window.tabs()->setCurrentIndex(tab);
        QCOMPARE(window.activeTreeId(), order[tab]);
        QCOMPARE(&window.activeTree(), &window.treeView(order[tab])->tree());
        for (int id : order)
            QCOMPARE(window.treeView(id)->isVisible(), id == order[tab]);
    }
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::sendButtonFollowsTheItemCount() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    writeUserFiles(home);
    home.write(QStringLiteral("Data/u.bvk"), QByteArray());  // an empty custom tree
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    QToolButton* send = window.toolButton(ids::kSendToMailbox);
    QVERIFY(send);
    // Without a handler the button stays disabled whatever the tree holds.
    window.commands().setHandler(ids::kSendToMailbox, {});
    window.tabs()->setCurrentIndex(2);
    QVERIFY(!send->isEnabled());
    window.tabs()->setCurrentIndex(1);
    int sent = 0;
    window.commands().setHandler(ids::kSendToMailbox, [&sent] { ++sent; });
    QTRY_VERIFY(!send->isEnabled());
    QVERIFY(!window.command(ids::kSendToMailbox));  // an empty tree has nothing to send
    ItemId item = window.customTree().InsertNode({"x", "https://x.example/", ""});
    QTRY_VERIFY(send->isEnabled());
    window.customTree().DeleteNode(item);
    QTRY_VERIFY(!send->isEnabled());
    window.tabs()->setCurrentIndex(2);  // the address book has entries
    QTRY_VERIFY(send->isEnabled());
    QVERIFY(window.command(ids::kSendToMailbox));
    QCOMPARE(sent, 1);
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::layoutPlacesTreeAndTabs() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.resize(240, 500);
    window.layoutActiveTree(ids::kCustomTreeControl);
    QWidget* tree = window.treeView(ids::kCustomTreeControl);
    // The search line takes the top of the tree's band.
    QWidget* search = window.searchBar();
    int bar = search->sizeHint().height();
    QVERIFY(bar > 0);
    QCOMPARE(search->geometry(), QRect(0, 24, 240, bar));
    QCOMPARE(tree->geometry(), QRect(0, 24 + bar, 240, 500 - 24 - 23 - bar));
    QCOMPARE(window.tabs()->geometry(), QRect(-1, 500 - 23 - 2, 240 + 5 + 1, 23 + 2));
    QCOMPARE(window.toolbar()->geometry().height(), 24);

    // Without the toolbar the bar starts at the top; the next timer tick moves it back.
    QVERIFY(window.command(32810));
    QCOMPARE(search->geometry().top(), 0);
    QCOMPARE(tree->geometry(), QRect(0, bar, 240, 500 - 23 - bar));
    QVERIFY(window.command(32810));
    QTRY_COMPARE(tree->geometry().top(), 24 + bar);

    // The other trees take the same place when they are chosen.
    window.resize(300, 400);
    window.tabs()->setCurrentIndex(2);
    QCOMPARE(window.treeView(ids::kAddressBookControl)->geometry(),
             QRect(0, 24 + bar, 300, 400 - 24 - 23 - bar));
    // A window shorter than the bands gets an empty tree, not a negative one.
    window.resize(300, 30);
    window.layoutActiveTree(ids::kAddressBookControl);
    QCOMPARE(window.treeView(ids::kAddressBookControl)->geometry().height(), 0);
    QVERIFY(driver.messages().empty());
}

// What a close leaves of a file: its bytes and its inode (a save renames a new file in).
struct FileMark {
    QByteArray bytes;
    quint64 inode = 0;
    bool operator==(const FileMark&) const = default;
};

FileMark markOf(const TempHome& home, const QString& name) {
    struct stat st {};
    if (::stat(home.filePath(name).toLocal8Bit().constData(), &st) != 0)
        return {};
    return {home.read(name), static_cast<quint64>(st.st_ino)};
}

void MainDialogTest::closeWritesEachChangedTreeAndOnlyThose_data() {
    QTest::addColumn<int>("tree");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("written");
    const std::pair<int, const char*> trees[] = {{kCustomTree, "custom"},
                                                 {kAddressBookTree, "address book"},
                                                 {kRecommendedTree, "recommended"}};
    for (const auto& [tree, name] : trees) {
        QTest::addRow("%s: nothing", name) << tree << "nothing" << false;
        QTest::addRow("%s: folders opened and closed", name) << tree << "expand" << false;
        QTest::addRow("%s: added and deleted again", name) << tree << "undone" << false;
        QTest::addRow("%s: an entry added", name) << tree << "add" << true;
        QTest::addRow("%s: a name changed", name) << tree << "rename" << true;
    }
}

void MainDialogTest::closeWritesEachChangedTreeAndOnlyThose() {
    QFETCH(int, tree);
    QFETCH(QString, change);
    QFETCH(bool, written);
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    writeUserFiles(home);
    const QString files[] = {QStringLiteral("Data/u.bvk"), QStringLiteral("Data/u.ads"),
                             QStringLiteral("System.bvk")};
    const int kinds[] = {kCustomTree, kAddressBookTree, kRecommendedTree};
    std::vector<FileMark> before;
    for (const QString& file : files)
        before.push_back(markOf(home, file));
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    BookmarkTree& target = window.login().tree(tree);
    const ItemId first = target.firstChild(kNoItem);
    if (change == "expand") {
        BookmarkTreeView* view = window.treeView(tree);
        window.switchCategory(tree == kRecommendedTree ? 0 : tree == kCustomTree ? 1 : 2);
        view->expand(view->bookmarkModel()->indexOf(first));
        QVERIFY(target.isExpanded(first));
        view->collapse(view->bookmarkModel()->indexOf(first));
        view->expand(view->bookmarkModel()->indexOf(first));
    } else if (change == "undone") {
        // Whether a tree needs saving is its history's clean state.
        TreeUndo* history = window.treeUndo(tree);
        history->newEntry({"gone", "https://gone.example/", ""}, kNoItem);
        history->undo();
    } else if (change == "add") {
        // Added outside the history (as code that adds entries itself may): written.
        target.InsertNode({"new", "https://new.example/", ""}, first);
    } else if (change == "rename") {
        window.treeUndo(tree)->rename(first, target.LookupRecord(first)->name + "2");
    }
    QVERIFY(window.close());
    for (size_t i = 0; i < std::size(files); ++i) {
        const FileMark after = markOf(home, files[i]);
        const bool rewritten = !(after == before[i]);
        QVERIFY2(rewritten == (written && kinds[i] == tree), qPrintable(files[i]));
    }
    if (written) {
        // What was written is the tree as it was at the close.
        const size_t slot = static_cast<size_t>(std::find(kinds, kinds + 3, tree) - kinds);
        BookmarkTree reread(tree);
        readTree(home, files[slot], reread);
        QCOMPARE(reread.size(), target.size());
        QCOMPARE(reread.LookupRecord(first)->name, target.LookupRecord(first)->name);
    }
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::theSharedTreeChangedElsewhereIsMergedOrKept_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("saved");  // the top level of System.bvk after the close
    QTest::addColumn<bool>("closed");
    QTest::newRow("merged") << QString::fromUtf8("合并") << QStringList{"Search", "theirs", "mine"}
                            << true;
    QTest::newRow("overwritten") << QString::fromUtf8("覆盖") << QStringList{"Search", "mine"}
                                 << true;
    // Neither: the file stays as the other program left it, and so does the window.
    QTest::newRow("left alone") << QString::fromUtf8("取消") << QStringList{"Search", "theirs"}
                                << false;
}

void MainDialogTest::theSharedTreeChangedElsewhereIsMergedOrKept() {
    QFETCH(QString, answer);
    QFETCH(QStringList, saved);
    QFETCH(bool, closed);
    TempHome home;
    writeUserFiles(home);
    ModalDriver driver;
    driver.answerWith(answer);
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    window.treeUndo(kRecommendedTree)->newEntry({"mine", "https://mine.example/", ""}, kNoItem);
    // A listener run from the command line adds to the shared file meanwhile.
    writeTree(home, QStringLiteral("System.bvk"), kRecommendedTree,
              {{{"Search", "", ""}, -1},
               {{"Engine", "https://search.example/", ""}, 0},
               {{"theirs", "https://theirs.example/", ""}, -1}});
    QCOMPARE(window.close(), closed);
    QVERIFY(!driver.messages().empty());
    QVERIFY2(driver.messages()[0].text.contains(home.filePath(QStringLiteral("System.bvk"))),
             qPrintable(driver.messages()[0].text));
    BookmarkTree reread(kRecommendedTree);
    readTree(home, QStringLiteral("System.bvk"), reread);
    QStringList top;
    for (ItemId i = reread.firstChild(kNoItem); i != kNoItem; i = reread.nextSibling(i))
        top << QString::fromStdString(reread.LookupRecord(i)->name);
    QCOMPARE(top, saved);
    if (!closed)
        window.closeForQuit();
}

void MainDialogTest::aPartlyReadFileIsKeptBeforeItIsSavedOver() {
    TempHome home;
    writeUserFiles(home);
    // Cut inside the last record: the first two entries read, the third is lost to a load.
    QByteArray whole = home.read(QStringLiteral("Data/u.bvk"));
    QByteArray damaged = whole.left(whole.size() - 4);
    home.write(QStringLiteral("Data/u.bvk"), damaged);
    {
        // Nothing changed: the file stays as it is, and the user was told at start.
        ModalDriver driver;
        MainDialog window{logIn(home.path(), userU())};
        window.start();
        QCOMPARE(window.customTree().size(), size_t(2));
        QCOMPARE(driver.messages().size(), size_t(1));
        QVERIFY2(driver.messages()[0].text.contains(QStringLiteral("u.bvk.damaged")),
                 qPrintable(driver.messages()[0].text));
        QVERIFY(window.close());
        QCOMPARE(home.read(QStringLiteral("Data/u.bvk")), damaged);
        QVERIFY(!home.exists(QStringLiteral("Data/u.bvk.damaged")));
    }
    {
        // Changed: the damaged original is kept beside the file before the save, and the
        // close says where.
        ModalDriver driver;
        MainDialog window{logIn(home.path(), userU())};
        window.start();
        window.customTree().InsertNode({"new", "https://new.example/", ""});
        QVERIFY(window.close());
        QCOMPARE(home.read(QStringLiteral("Data/u.bvk.damaged")), damaged);
        QCOMPARE(treeSize(home, QStringLiteral("Data/u.bvk"), kCustomTree), size_t(3));
        QCOMPARE(driver.messages().size(), size_t(2));
        QVERIFY2(driver.messages()[1].text.contains(QStringLiteral("u.bvk.damaged")),
                 qPrintable(driver.messages()[1].text));
    }
    {
        // The file is whole now: no further copy, no message.
        ModalDriver driver;
        MainDialog window{logIn(home.path(), userU())};
        window.start();
        window.customTree().InsertNode({"more", "https://more.example/", ""});
        QVERIFY(window.close());
        QVERIFY(driver.messages().empty());
        QVERIFY(!home.exists(QStringLiteral("Data/u.bvk.damaged.1")));
    }
}

void MainDialogTest::saveCommandWritesOnlyTheActiveTree() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.customTree().InsertNode({"a", "https://a.example/", ""});
    QVERIFY(window.command(ids::kSave));
    QVERIFY(home.exists(QStringLiteral("Data/u.bvk")));
    QVERIFY(!home.exists(QStringLiteral("Data/u.ads")));
    QVERIFY(!home.exists(QStringLiteral("System.bvk")));
    // An explicit save while the recommended tree is shown writes System.bvk.
    window.tabs()->setCurrentIndex(0);
    window.recommendedTree().InsertNode({"r", "https://r.example/", ""});
    QVERIFY(window.command(ids::kSave));
    QCOMPARE(treeSize(home, QStringLiteral("System.bvk"), kRecommendedTree), size_t(1));
    QVERIFY(!home.exists(QStringLiteral("Data/u.ads")));
    // And the address book's tab saves the address book, with its three strings per record.
    window.tabs()->setCurrentIndex(2);
    window.addressBookTree().InsertNode({text::gbk("王五"), "", text::gbk("男")});
    QVERIFY(window.command(ids::kSave));
    BookmarkTree book(kAddressBookTree);
    readTree(home, QStringLiteral("Data/u.ads"), book);
    QCOMPARE(book.size(), size_t(1));
    QCOMPARE(book.LookupRecord(1)->tag, text::gbk("男"));
    QCOMPARE(treeSize(home, QStringLiteral("Data/u.bvk"), kCustomTree), size_t(1));
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::closeSavesTheCustomTreeFirst() {
    TempHome home;
    // Both files blocked: the one report lists them in the order they were written.
    QDir().mkpath(home.filePath(QStringLiteral("Data/u.bvk/inside")));
    QDir().mkpath(home.filePath(QStringLiteral("Data/u.ads/inside")));
    ModalDriver driver;
    driver.answerWith(QString::fromUtf8("关闭，不保存"));
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    window.customTree().InsertNode({"a", "https://a.example/", ""});
    window.addressBookTree().InsertNode({"b", "", text::gbk("男")});
    window.tabs()->setCurrentIndex(2);
    QVERIFY(window.close());
    QCOMPARE(driver.messages().size(), size_t(1));
    const QString& text = driver.messages()[0].text;
    QVERIFY2(text.indexOf(QStringLiteral("u.bvk")) >= 0, qPrintable(text));
    QVERIFY2(text.indexOf(QStringLiteral("u.bvk")) < text.indexOf(QStringLiteral("u.ads")),
             qPrintable(text));
}

void MainDialogTest::everyWayOfClosingSavesAndKeysDoNotClose() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(window.treeView(ids::kCustomTreeControl), Qt::Key_Return);
    QTest::keyClick(window.treeView(ids::kCustomTreeControl), Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QVERIFY(!home.exists(QStringLiteral("Data")));
    // The exit command closes like the close box does: both changed user files appear.
    window.customTree().InsertNode({"a", "https://a.example/", ""});
    window.addressBookTree().InsertNode({"b", "", text::gbk("男")});
    QVERIFY(window.command(ids::kExit));
    QVERIFY(!window.isVisible());
    QVERIFY(home.exists(QStringLiteral("Data/u.bvk")));
    QVERIFY(home.exists(QStringLiteral("Data/u.ads")));
    QVERIFY(!home.exists(QStringLiteral("System.bvk")));
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::failedSaveOnCloseKeepsTheWindowUntilTheUserDecides() {
    TempHome home;
    // A directory in the way of the custom tree's file makes only that save fail.
    QDir().mkpath(home.filePath(QStringLiteral("Data/u.bvk/inside")));
    ModalDriver driver;  // answers neither "重试" nor "关闭，不保存": the window stays
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    window.customTree().InsertNode({"keep me", "https://keep.example/", ""});
    window.addressBookTree().InsertNode({"b", "", text::gbk("男")});
    QSignalSpy closed(&window, &MainDialog::closed);
    QVERIFY(!window.close());
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY2(driver.messages()[0].text.contains(QStringLiteral("u.bvk")),
             qPrintable(driver.messages()[0].text));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Warning);
    // The other file was still written, and nothing is lost: the window is still there.
    QVERIFY(QFileInfo(home.filePath(QStringLiteral("Data/u.ads"))).isFile());
    QVERIFY(window.isVisible());
    QCOMPARE(closed.count(), 0);

    // With the obstacle gone the next close saves the entry and ends the window.
    QVERIFY(QDir(home.filePath(QStringLiteral("Data/u.bvk"))).removeRecursively());
    QVERIFY(window.close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(treeSize(home, QStringLiteral("Data/u.bvk"), kCustomTree), size_t(1));
}

void MainDialogTest::failedSaveOnCloseCanBeRetried() {
    TempHome home;
    QDir().mkpath(home.filePath(QStringLiteral("Data/u.bvk/inside")));
    ModalDriver driver;
    driver.answerWith(QString::fromUtf8("重试"));
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    window.customTree().InsertNode({"a", "https://a.example/", ""});
    QSignalSpy closed(&window, &MainDialog::closed);
    // The first retry fails again; then the obstacle goes and the next retry succeeds.
    QTimer fixer;
    connect(&fixer, &QTimer::timeout, &window, [&] {
        if (driver.messages().size() >= 2)
            QDir(home.filePath(QStringLiteral("Data/u.bvk"))).removeRecursively();
    });
    fixer.start(1);
    QVERIFY(window.close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(driver.messages().size() >= 2);
    QCOMPARE(treeSize(home, QStringLiteral("Data/u.bvk"), kCustomTree), size_t(1));
}

void MainDialogTest::failedSaveOnCloseCanBeGivenUpAndQuittingCannotBeRefused() {
    {
        TempHome home;
        QDir().mkpath(home.filePath(QStringLiteral("Data/u.bvk/inside")));
        ModalDriver driver;
        driver.answerWith(QString::fromUtf8("关闭，不保存"));
        MainDialog window{logIn(home.path(), userU())};
        window.start();
        window.show();
        window.customTree().InsertNode({"a", "https://a.example/", ""});
        window.addressBookTree().InsertNode({"b", "", text::gbk("男")});
        QSignalSpy closed(&window, &MainDialog::closed);
        QVERIFY(window.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(driver.messages().size(), size_t(1));
        QVERIFY(QFileInfo(home.filePath(QStringLiteral("Data/u.ads"))).isFile());
    }
    {
        // Ending the program from outside reports the failure and closes all the same.
        TempHome home;
        QDir().mkpath(home.filePath(QStringLiteral("Data/u.bvk/inside")));
        ModalDriver driver;
        MainDialog window{logIn(home.path(), userU())};
        window.start();
        window.show();
        window.customTree().InsertNode({"a", "https://a.example/", ""});
        window.addressBookTree().InsertNode({"b", "", text::gbk("男")});
        QSignalSpy closed(&window, &MainDialog::closed);
        window.closeForQuit();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(driver.messages().size(), size_t(1));
        QVERIFY(driver.messages()[0].text.contains(QStringLiteral("u.bvk")));
        QVERIFY(QFileInfo(home.filePath(QStringLiteral("Data/u.ads"))).isFile());
        // A second request (the session's aboutToQuit after the window closed) saves nothing.
        window.closeForQuit();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(driver.messages().size(), size_t(1));
    }
}

void MainDialogTest::terminationSignalSavesLikeTheCloseBox() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    window.customTree().InsertNode({"a", "https://a.example/", ""});
    TerminationSignals termination;
    QVERIFY(termination.isWatching());
    connect(&termination, &TerminationSignals::terminationRequested, &window,
            [&window] { window.closeForQuit(); });
    QSignalSpy closed(&window, &MainDialog::closed);
    ::raise(SIGTERM);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(treeSize(home, QStringLiteral("Data/u.bvk"), kCustomTree), size_t(1));
    // The trees that did not change are not written.
    QVERIFY(!home.exists(QStringLiteral("Data/u.ads")));
    QVERIFY(!home.exists(QStringLiteral("System.bvk")));
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::foldersFollowExpandAndCollapse() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    writeUserFiles(home);
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    QModelIndex folder = view->bookmarkModel()->index(0, 0);
    ItemId item = view->bookmarkModel()->itemOf(folder);
    QCOMPARE(window.customTree().image(item), kClosedFolderImage);
    view->expand(folder);
    QCOMPARE(window.customTree().image(item), kOpenFolderImage);
    QVERIFY(window.customTree().isExpanded(item));
    view->collapse(folder);
    QCOMPARE(window.customTree().image(item), kClosedFolderImage);
    // A link keeps its own image.
    QModelIndex link = view->bookmarkModel()->index(0, 0, folder);
    ItemId linkItem = view->bookmarkModel()->itemOf(link);
    int linkImage = window.customTree().image(linkItem);
    window.customTree().InsertNode({"child", "", ""}, linkItem);
    view->expand(folder);
    view->expand(link);
    QCOMPARE(window.customTree().image(linkItem), linkImage);
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::doubleClickOpensLinksOnly() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    writeUserFiles(home);
    QList<QUrl> opened;
    setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    // Through the desktop's opener: the new-browser-window switch off.
    OptionValues options;
    options.view = window.viewOptions();
    // The run's own port: the default, 5000, may be another program's.
    options.network = window.network().settings();
    options.view.openInNewBrowser = false;
    options.password = userU().password;
    window.options().apply(options);
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    QModelIndex folder = view->bookmarkModel()->index(0, 0);
    doubleClick(view, folder);
    QVERIFY(opened.isEmpty());
    view->expand(folder);
    QModelIndex link = view->bookmarkModel()->index(0, 0, folder);
    QModelIndex mail = view->bookmarkModel()->index(1, 0, folder);
    doubleClick(view, link);
    doubleClick(view, mail);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0], QUrl(QStringLiteral("https://example.com/")));
    QCOMPARE(opened[1], QUrl(QStringLiteral("mailto:someone@example.com")));
    setUrlOpener({});
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::toolbarCarriesTheCommandsAndTheirTips() {
    TempHome home;
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    const std::pair<int, const char*> tips[] = {
        {ids::kSave, "存盘"},
        {ids::kSettings, "设置用户参数"},
        {ids::kAbout, "关于"},
        {ids::kSendToMailbox, "把收藏夹内容发送到邮箱"},
        {ids::kReceiveFromMailbox, "从邮箱中接收收藏夹内容"},
    };
    for (const auto& [id, tip] : tips) {
        QToolButton* button = window.toolButton(id);
        QVERIFY(button);
        QCOMPARE(button->toolTip(), QString::fromUtf8(tip));
        bool dropDown =
            id == ids::kAbout || id == ids::kSendToMailbox || id == ids::kReceiveFromMailbox;
        QCOMPARE(button->popupMode() == QToolButton::MenuButtonPopup, dropDown);
        QVERIFY(!button->icon().isNull());
    }
    QVERIFY(!window.command(99999));
    QVERIFY(driver.messages().empty());
}

void MainDialogTest::aRelativeProgramDirectoryWorksFromAnywhere() {
    TempHome home;
    ModalDriver driver;
    writeUserFiles(home);
    home.write(QStringLiteral("Help/index.htm"), "<html></html>");
    // "--home rel": a path relative to the working directory the test runs in (which it
    // leaves alone), through a symbolic link to the real home.
    QDir parent(home.filePath(QStringLiteral("..")));
    QString linkName = QStringLiteral("brivanta-rel-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(parent.filePath(linkName));
    QVERIFY(QFile::link(home.filePath(QStringLiteral(".")), parent.filePath(linkName)));
    const QString relative = QDir::current().relativeFilePath(parent.filePath(linkName));
    QVERIFY(QDir::isRelativePath(relative));
    Storage storage(relative.toStdString());
    QList<QUrl> opened;
    setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    {
        auto login = std::make_unique<LoginSession>(storage);
        login->logIn(userU());
        MainDialog window{std::move(login)};
        window.start();
        QCOMPARE(window.recommendedTree().size(), size_t(2));
        QCOMPARE(window.customTree().size(), size_t(3));
        window.switchCategory(0);
        window.recommendedTree().InsertNode({"New", "https://new.example/", ""});
        QVERIFY(window.command(ids::kSave));
        QVERIFY(window.command(ids::kHelp));
        window.close();
    }
    setUrlOpener({});
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].isLocalFile());
    QCOMPARE(opened[0].toLocalFile(), parent.absoluteFilePath(linkName + "/Help/index.htm"));
    QFile::remove(parent.filePath(linkName));
    QCOMPARE(treeSize(home, QStringLiteral("System.bvk"), kRecommendedTree), size_t(3));
    QVERIFY2(driver.messages().empty(),
             qPrintable(driver.messages().empty() ? QString() : driver.messages()[0].text));
}

void MainDialogTest::theFrameFitsTheAvailableArea() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    QRect area = window.screen()->availableGeometry();
    QVERIFY(area.contains(window.frameGeometry()));
    QCOMPARE(window.frameGeometry().top(), area.top());
    QCOMPARE(window.frameGeometry().bottom(), area.bottom());
    QCOMPARE(window.width(), MainDialog::kDefaultWidth);
}

void MainDialogTest::editingCommandsActOnTheShownTree() {
    TempHome home;
    ModalDriver driver;
    writeUserFiles(home);
    MainDialog window{logIn(home.path(), userU())};
    window.start();
    window.show();
    QAction* paste = window.commands().action(ids::kPaste);
    QAction* copy = window.commands().action(ids::kCopy);
    BookmarkTreeView* custom = window.treeView(ids::kCustomTreeControl);
    QVERIFY(!copy->isEnabled() && !paste->isEnabled());
    ItemId folder = window.customTree().firstChild(kNoItem);
    custom->setCurrentIndex(custom->bookmarkModel()->indexOf(folder));
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QVERIFY(paste->isEnabled());
    QVERIFY(window.command(ids::kPaste));
    QCOMPARE(window.customTree().childCount(folder), 3);

    // The address book has its own mark and its own dialogs.
    window.switchCategory(2);
    QVERIFY(!paste->isEnabled());
    QVERIFY(!copy->isEnabled());
    driver.then([](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QString::number(ids::kFolderNameDialog));
        static_cast<QDialog*>(dialog)->accept();
    });
    size_t before = window.addressBookTree().size();
    QVERIFY(window.command(ids::kNewEntry));
    QCOMPARE(window.addressBookTree().size(), before + 1);
    QCOMPARE(window.customTree().childCount(folder), 3);
    window.switchCategory(1);
    QVERIFY(paste->isEnabled());
    QVERIFY(driver.allActionsRun());
    QVERIFY(window.treeEditor());
}

void MainDialogTest::theWidthTheUserLeftIsWhereTheNextStartBegins() {
    TempHome home;
    ModalDriver driver;
    TestProfile profile;
    {
        MainDialog window{logIn(home, userU())};
        window.start();
        window.show();
        QCOMPARE(window.width(), MainDialog::kDefaultWidth);
        QVERIFY(window.close());
        // Left as it was: nothing stored.
        QVERIFY(!profile.store().value("Window/Width"));
    }
    {
        MainDialog window{logIn(home, userU())};
        window.start();
        window.show();
        window.resize(300, window.height());
        QVERIFY(window.close());
        QCOMPARE(profile.store().value("Window/Width"), std::optional<std::string>("300"));
    }
    MainDialog window{logIn(home, userU())};
    window.start();
    window.show();
    QCOMPARE(window.width(), 300);
    QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
    QVERIFY(driver.messages().empty());
}

QTEST_MAIN(MainDialogTest)
#include "MainDialogTest.moc"
