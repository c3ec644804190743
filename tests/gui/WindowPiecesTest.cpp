// The main window's pieces, each built without the window: a plain widget in its place, a
// command registry, a logged-in session and views of its three trees with their histories.

#include <QEventLoop>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <array>
#include <atomic>
#include <thread>

#include "GuiTestSupport.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "gui/addressbook/ContactCommands.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/app/CategoryViews.h"
#include "gui/app/HelpCommands.h"
#include "gui/app/MainToolbar.h"
#include "gui/app/NetworkCommands.h"
#include "gui/app/OptionCommands.h"
#include "gui/app/TreeFiles.h"
#include "gui/controls/FlatButton.h"
#include "gui/net/PeerListenService.h"
#include "gui/options/OptionValues.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeSearchBar.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

NodeRecord link(const std::string& name) {
    NodeRecord r;
    r.name = name;
    r.address = "http://" + name + ".example/";
    return r;
}

// What a window gives its pieces: the trees of a login with views and histories, and the
// registry whose states follow the shown tree.
struct Host {
    Host() : Host(std::make_unique<TempHome>()) {}
    explicit Host(std::unique_ptr<TempHome> dir) : home(std::move(dir)) {
        login = logIn(*home, makeAccount("u", "pw", "u@example.cn"));
        editor = new TreeEditor(commands, &window);
        for (int kind : {kCustomTree, kRecommendedTree, kAddressBookTree}) {
            const size_t slot = kind - kCustomTree;
            models[slot] = std::make_unique<BookmarkTreeModel>(login->tree(kind), &icons);
            auto* view = new BookmarkTreeView(models[slot].get(), kind, &window);
            editor->addView(view);
        }
        editor->registerCommands();
        commands.setContextSource([this](int target) { return editor->context(target); });
        commands.setDefaultTarget([this] { return shown; });
        show(kCustomTree);
    }
    void show(int kind) {
        shown = kind;
        editor->setActiveView(editor->view(kind));
        commands.refresh();
    }
    BookmarkTreeView* view(int kind) { return editor->view(kind); }
    TreeUndo* history(int kind) { return editor->history(kind); }
    int shownTree() const { return shown; }
    QString file(int kind) { return QString::fromStdString(login->treeFile(kind)); }

    std::unique_ptr<TempHome> home;
    std::unique_ptr<LoginSession> login;
    NamedIconList icons;
    std::array<std::unique_ptr<BookmarkTreeModel>, 3> models;
    CommandRegistry commands;
    // Last: it takes the views and the editor with it before the models and trees go.
    QWidget window;
    TreeEditor* editor = nullptr;
    int shown = kCustomTree;
};

// Sends `tree` to 127.0.0.1:`port` from another thread while this one takes events, as the
// listener adds a transfer on the GUI thread before the sender hears it arrived.
bool sendWhileServing(BookmarkTree& tree, int port) {
    std::atomic<int> outcome{-1};
    std::thread sender(
        [&] { outcome = net::sendToPeer(tree, kNoItem, "127.0.0.1", port).ok ? 1 : 0; });
    while (outcome.load() < 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    sender.join();
    return outcome.load() == 1;
}

}  // namespace

class WindowPiecesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { qputenv("BRIVANTA_LISTEN_PORT", "0"); }
    void networkCommandsListenIntoTheShownTreeAsOneStep();
    void optionCommandsApplyToTheLoginTheSettingsAndTheWindow();
    void treeFilesTellDamagedFilesAndSaveTheShownTree();
    void contactCommandsAddAContactAsOneStep();
    void helpOpensTheLocalPageOrTheHomePage();
    void categoryViewsShowOneTreeAtATime_data();
    void categoryViewsShowOneTreeAtATime();
    void mainToolbarCarriesTheTableAndHides();
};

void WindowPiecesTest::networkCommandsListenIntoTheShownTreeAsOneStep() {
    Host host;
    host.show(kRecommendedTree);
    NetworkCommands network(
        host.window, host.commands, *host.login,
        {[&](int kind) { return host.view(kind); }, [&](int kind) { return host.history(kind); },
         [&] { return host.shownTree(); }});
    network.registerCommands();
    QVERIFY(host.commands.trigger(ids::kListen));
    QVERIFY(network.isListening());
    QCOMPARE(network.listener().targetTree(), &host.login->recommendedTree());
    // The port picked by the system is the one the settings show.
    QVERIFY(network.settings().listenPort > 0);
    QCOMPARE(network.settings().listenPort, network.listener().port());

    BookmarkTree sent(kCustomTree);
    sent.InsertNode(link("a"));
    sent.InsertNode(link("b"));
    QVERIFY(sendWhileServing(sent, network.settings().listenPort));
    QCOMPARE(host.login->recommendedTree().size(), size_t(2));
    // The transfer is one step of the target's history, and undone it is gone.
    TreeUndo* history = host.history(kRecommendedTree);
    QCOMPARE(history->stack()->count(), 1);
    QVERIFY(history->isModified());
    history->undo();
    QCOMPARE(host.login->recommendedTree().size(), size_t(0));

    QVERIFY(host.commands.trigger(ids::kListen));
    QVERIFY(!network.isListening());
}

void WindowPiecesTest::optionCommandsApplyToTheLoginTheSettingsAndTheWindow() {
    Host host;
    NetworkSettings network;
    ViewOptions applied;
    int applies = 0;
    OptionCommands options(host.window, host.commands, *host.login, network,
                           {[] { return ViewOptions(); },
                            [&](const ViewOptions& view) {
                                applied = view;
                                ++applies;
                            },
                            [&]() -> BookmarkTree& { return host.login->customTree(); }});
    options.registerCommands();
    QVERIFY(host.commands.hasHandler(ids::kSettings));

    OptionValues values;
    values.email = "new@example.cn";
    values.pop3Server = "pop.example.cn";
    values.smtpServer = "smtp.example.cn";
    values.password = "pw";
    values.network.serverAddress = "up.example";
    values.network.listenPort = 6001;
    values.view.showToolbar = false;
    values.view.autoHide = false;
    values.view.showMenuIcons = false;
    options.apply(values);

    QCOMPARE(host.login->account().email, std::string("new@example.cn"));
    QCOMPARE(network.serverAddress, std::string("up.example"));
    QCOMPARE(network.listenPort, 6001);
    QCOMPARE(applies, 1);
    QVERIFY(!applied.showToolbar);
    QVERIFY(!applied.autoHide);
    QVERIFY(!host.login->customTree().showMenuIcons());
    // The account file holds what the sheet left.
    QVERIFY(host.home->read(QStringLiteral("Data/Users.ini")).contains("new@example.cn"));
}

void WindowPiecesTest::treeFilesTellDamagedFilesAndSaveTheShownTree() {
    auto dir = std::make_unique<TempHome>();
    {
        BookmarkTree tree(kCustomTree);
        for (const char* name : {"one", "two", "three"})
            tree.InsertNode(link(name));
        QDir().mkpath(dir->filePath(QStringLiteral("Data")));
        QVERIFY(!saveArchiveFile(tree, dir->filePath(QStringLiteral("Data/u.bvk")).toStdString()));
    }
    QByteArray whole = dir->read(QStringLiteral("Data/u.bvk"));
    dir->write(QStringLiteral("Data/u.bvk"), whole.left(whole.size() - 5));
    Host host(std::move(dir));
    host.login->setTreeChanges(host.editor);
    TreeFiles files(host.window, host.commands, *host.login, [&] { return host.shownTree(); });
    files.registerCommands();
    {
        ModalDriver driver;
        files.open(nullptr);
        QCOMPARE(driver.messages().size(), size_t(1));
        QVERIFY2(driver.messages()[0].text.contains(host.file(kCustomTree)),
                 qPrintable(driver.messages()[0].text));
    }
    QVERIFY(host.login->isPartial(kCustomTree));
    // Nothing changed: closing writes nothing, and the damaged file stays as it is.
    QVERIFY(files.saveBeforeClosing(true));
    QVERIFY(!QFile::exists(host.file(kCustomTree) + QStringLiteral(".damaged")));

    // Saving the shown tree keeps the damaged original first, and says where.
    host.show(kCustomTree);
    {
        ModalDriver driver;
        QVERIFY(host.commands.trigger(ids::kSave));
        QCOMPARE(driver.messages().size(), size_t(1));
        QVERIFY(driver.messages()[0].text.contains(QStringLiteral(".damaged")));
    }
    QVERIFY(QFile::exists(host.file(kCustomTree) + QStringLiteral(".damaged")));
    QVERIFY(!QFile::exists(host.file(kAddressBookTree)));
}

void WindowPiecesTest::contactCommandsAddAContactAsOneStep() {
    Host host;
    host.show(kAddressBookTree);
    ContactCommands contacts(host.window, host.commands, *host.editor, host.icons);
    contacts.registerCommands();
    ModalDriver driver;
    QWidget* parent = nullptr;
    driver.then([&](QWidget* modal) {
        auto* dialog = qobject_cast<ContactDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        parent = dialog->parentWidget();
        dialog->nameEdit()->setText(QString::fromUtf8("李四"));
        dialog->okButton()->click();
        // A new contact leaves the dialog open for the next one.
        dialog->reject();
    });
    QVERIFY(host.commands.trigger(ids::kNewContact));
    QCOMPARE(parent, &host.window);
    QCOMPARE(host.login->addressBookTree().size(), size_t(1));
    TreeUndo* history = host.history(kAddressBookTree);
    QCOMPARE(history->stack()->count(), 1);
    history->undo();
    QCOMPARE(host.login->addressBookTree().size(), size_t(0));
}

void WindowPiecesTest::helpOpensTheLocalPageOrTheHomePage() {
    Host host;
    HelpCommands help(host.window, host.commands, host.login->storage());
    help.registerCommands();
    ModalDriver driver;  // a message box would fail the test instead of hanging it
    QList<QUrl> opened;
    setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    QVERIFY(host.commands.trigger(ids::kHelp));
    host.home->write(QStringLiteral("Help/index.htm"), "<html></html>");
    QVERIFY(host.commands.trigger(ids::kHelp));
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0], QUrl(QString::fromLatin1(HelpCommands::kHomePage)));
    QCOMPARE(opened[1], QUrl::fromLocalFile(host.home->filePath(QStringLiteral("Help/index.htm"))));
    QVERIFY(driver.messages().empty());
    // With no browser at all the user is told, instead of nothing happening.
    setUrlOpener([&](const QUrl& url) {
        opened << url;
        return false;
    });
    QVERIFY(host.commands.trigger(ids::kHelp));
    QCOMPARE(opened.size(), 4);
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY2(driver.messages()[0].text.contains(QStringLiteral("index.htm")),
             qPrintable(driver.messages()[0].text));
    setUrlOpener({});
}

void WindowPiecesTest::categoryViewsShowOneTreeAtATime_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("shown");    // the tree shown afterwards
    QTest::addColumn<int>("current");  // the tab marked afterwards
    QTest::newRow("recommended") << 0 << int(kRecommendedTree) << 0;
    QTest::newRow("custom") << 1 << int(kCustomTree) << 1;
    QTest::newRow("address book") << 2 << int(kAddressBookTree) << 2;
    // Not a tab: the address book stays.
    QTest::newRow("before the first") << -1 << int(kAddressBookTree) << 2;
    QTest::newRow("past the last") << 3 << int(kAddressBookTree) << 2;
}

void WindowPiecesTest::categoryViewsShowOneTreeAtATime() {
    QFETCH(int, tab);
    QFETCH(int, shown);
    QFETCH(int, current);
    TempHome home;
    std::unique_ptr<LoginSession> login = logIn(home, makeAccount("u", "pw", "u@example.cn"));
    NamedIconList icons;
    QWidget window;
    CategoryViews views(window, *login, icons);
    QCOMPARE(views.shownTree(), int(kCustomTree));
    views.switchTo(2);
    QSignalSpy switched(&views, &CategoryViews::switched);
    views.switchTo(tab);
    QCOMPARE(views.shownTree(), shown);
    QCOMPARE(switched.count(), tab >= 0 && tab < 3 ? 1 : 0);
    QCOMPARE(views.tabs()->currentIndex(), current);
    for (int kind : {kCustomTree, kRecommendedTree, kAddressBookTree}) {
        QCOMPARE(views.view(kind)->isVisibleTo(&window), kind == shown);
        QCOMPARE(&views.view(kind)->tree(), &login->tree(kind));
    }
    QCOMPARE(views.searchBar()->activeView(), views.view(shown));
    // A click on a tab switches the same way; the search line finds its trees by tab.
    views.tabs()->setCurrentIndex(1);
    QCOMPARE(views.shownTree(), int(kCustomTree));
    emit views.searchBar()->treeRequested(kRecommendedTree);
    QCOMPARE(views.shownTree(), int(kRecommendedTree));
    QCOMPARE(views.view(0), nullptr);
}

void WindowPiecesTest::mainToolbarCarriesTheTableAndHides() {
    CommandRegistry commands;
    NamedIconList icons;
    QWidget window;
    TreeMenus menus(commands, {[] { return ViewOptions{}; }, [] { return nullptr; },
                               [](const QString&) {}, &icons});
    MainToolbar bar(window, commands, menus);
    bar.registerCommands();
    int buttons = 0;
    for (int id : ids::kToolbarLayout) {
        if (id == 0)
            continue;
        ++buttons;
        QToolButton* button = bar.button(id);
        QVERIFY2(button, qPrintable(QString::number(id)));
        const bool dropDown =
            id == ids::kSendToMailbox || id == ids::kReceiveFromMailbox || id == ids::kAbout;
        QCOMPARE(button->menu() != nullptr, dropDown);
        if (dropDown)
            QCOMPARE(button->popupMode(), QToolButton::MenuButtonPopup);
    }
    QVERIFY(buttons > 0);
    QCOMPARE(bar.button(ids::kExit), nullptr);
    QCOMPARE(bar.band(), 24);
    QSignalSpy changed(&bar, &MainToolbar::shownChanged);
    QVERIFY(commands.trigger(ids::kShowToolbar));
    QCOMPARE(bar.band(), 0);
    QVERIFY(!bar.shown());
    QVERIFY(commands.trigger(ids::kShowToolbar));
    QCOMPARE(bar.band(), 24);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toBool(), false);
}

QTEST_MAIN(WindowPiecesTest)
#include "WindowPiecesTest.moc"
