// The network commands of the main window: the runner and its busy window, listening, the
// send dialogs and the commands behind them, the mail dialogs with their passwords, the
// recommended-tree update. Peers and mailboxes are played on 127.0.0.1.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QUndoStack>
#include <atomic>
#include <map>
#include <thread>
#include "gui/platform/DesktopProfile.h"

#include "GuiTestSupport.h"
#include "ScriptedServer.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/app/MainDialog.h"
#include "gui/app/NetworkCommands.h"
#include "gui/controls/BusyWindow.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/net/NetworkTaskRunner.h"
#include "gui/net/PeerListenService.h"
#include "gui/net/ReceiveMailDialog.h"
#include "gui/net/SendMailDialog.h"
#include "gui/net/SendToPeerDialog.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;
using net::testing::ScriptedPeer;
using net::testing::ScriptedServer;

namespace {

// A port that was free a moment ago.
int freePort() {
    net::TcpListener probe;
    if (probe.listen(0) != net::NetStatus::ok)
        return 0;
    return probe.port();
}

// Sends `tree` to the window listening on `port` from another thread, while this one (the
// GUI thread) keeps taking events: the window answers only once the transfer is in its tree.
bool sendWhileServing(BookmarkTree& tree, int port, const net::NetTimeouts& timeouts = {}) {
    std::atomic<int> outcome{-1};
    std::thread sender(
        [&] { outcome = net::sendToPeer(tree, kNoItem, "127.0.0.1", port, timeouts).ok ? 1 : 0; });
    while (outcome.load() < 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    sender.join();
    return outcome.load() == 1;
}

// Sets the port windows made from now on listen on.
void listenOn(int port) {
    qputenv("BRIVANTA_LISTEN_PORT", QByteArray::number(port));
}

void writeTree(const TempHome& home, const QString& name, int kind,
               const std::vector<NodeRecord>& topLevel) {
    BookmarkTree tree(kind);
    for (const NodeRecord& r : topLevel)
        tree.InsertNode(r);
    QDir().mkpath(QFileInfo(home.filePath(name)).path());
    QVERIFY(!saveArchiveFile(tree, home.filePath(name).toStdString()));
}

std::vector<std::string> topNames(const BookmarkTree& tree) {
    std::vector<std::string> names;
    for (ItemId i = tree.firstChild(kNoItem); i != kNoItem; i = tree.nextSibling(i))
        names.push_back(tree.LookupRecord(i)->name);
    return names;
}

template <class T>
T* child(QWidget* w, int id) {
    return w->findChild<T*>(QString::number(id));
}

// A secret store in memory.
class MemoryStore : public MailPasswordStore {
  public:
    bool available() override { return true; }
    std::optional<QString> read(const QString& key) override {
        auto it = entries.find(key);
        return it == entries.end() ? std::nullopt : std::optional<QString>(it->second);
    }
    bool write(const QString& key, const QString& password) override {
        entries[key] = password;
        return true;
    }
    void remove(const QString& key) override { entries.erase(key); }
    std::map<QString, QString> entries;
};

// A store that is not there, as where no Secret Service runs.
class NoStore : public MemoryStore {
  public:
    bool available() override { return false; }
};

ScriptedServer::Script mailbox(std::vector<std::string> bodies) {
    return net::testing::keptMailbox(std::move(bodies));
}

UserAccount account(const std::string& email = "zhang@example.cn") {
    UserAccount a = makeAccount("u", "pw", email);
    a.smtpServer = "smtp.example.cn";
    a.pop3Server = "pop.example.cn:995";
    return a;
}

}  // namespace

class NetworkCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void theRunnerKeepsRepaintingAndBlocksCommands();
    void listensAtStartIntoTheTreeActiveThen();
    void entriesReceivedIntoTheRecommendedTreeAreSavedAtClose();
    void aTakenPortIsToldOnceAndLeavesTheCheckOff();
    void twoWindowsExchangeABranch();
    void aTransferTheTreeCannotTakeInTimeIsRefusedForGood();
    void aDeepAndWideTransferArrivesBuiltAsOneStep();
    void sendingToACopyThatDoesNotListenNamesWhatWasTyped();
    void aNeighbourNeedsAnAddress_data();
    void aNeighbourNeedsAnAddress();
    void anEmptyAddressNeverReachesTheNetwork();
    void mailDialogsTakeTheirDefaultsFromTheAccount_data();
    void mailDialogsTakeTheirDefaultsFromTheAccount();
    void rememberedPasswordsLiveOnlyInTheStore();
    void sendingByMailCarriesTheChosenBranch();
    void theCommandLineProgramIsAPeerBothWays();
    void receivingAddsEachEnvelopeToTheTreeItNames();
    void updateReplacesTheRecommendedTreeOnlyOnSuccess_data();
    void updateReplacesTheRecommendedTreeOnlyOnSuccess();
    void uploadAndTheServerCheckNameTheServer();
    void aFailedMailCommandNamesTheServer_data();
    void aFailedMailCommandNamesTheServer();

  private:
    QString profileFile() const { return settingsDir_.filePath(QStringLiteral("Brivanta.conf")); }
    QTemporaryDir settingsDir_;
    NoStore noStore_;
};

void NetworkCommandsTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("NetworkCommandsTest"));
}

void NetworkCommandsTest::init() {
    openFreshProfile(profileFile());
    listenOn(0);
    MailPasswordStore::setCurrent(&noStore_);
}

void NetworkCommandsTest::cleanup() {
    MailPasswordStore::setCurrent(nullptr);
}

void NetworkCommandsTest::theRunnerKeepsRepaintingAndBlocksCommands() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    NetworkTaskRunner& runner = NetworkTaskRunner::instance();
    QSignalSpy steps(&runner, &NetworkTaskRunner::stepShown);
    int ticks = 0;
    bool sawModal = false, sawWaitCursor = false, commandRefused = false, nestedRefused = false,
         closeRefused = false;
    QTimer timer;
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, this, [&] {
        ++ticks;
        BusyWindow* busy = runner.busyWindow();
        if (busy && busy->isVisible() && busy->isModal())
            sawModal = true;
        if (busy && !busy->close())
            closeRefused = true;
        if (QApplication::overrideCursor() &&
            QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            sawWaitCursor = true;
        if (!window.command(ids::kSave) && !window.commands().action(ids::kSave)->isEnabled())
            commandRefused = true;
        if (!runner.run(&window, nullptr, QStringLiteral("x"), [](const net::StepCallback&) {}))
            nestedRefused = true;
    });
    timer.start();
    const bool ran = runner.run(&window, &window.commands(), QString::fromUtf8("正在连接..."),
                                [](const net::StepCallback& step) {
                                    for (const char* s : {"一", "二", "三"}) {
                                        step(text::gbk(s));
                                        std::this_thread::sleep_for(std::chrono::milliseconds(150));
                                    }
                                });
    timer.stop();
    QVERIFY(ran);
    // The GUI thread went on while the worker slept: about 20 ticks in 450 ms.
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QVERIFY(sawModal);
    QVERIFY(closeRefused);
    QVERIFY(sawWaitCursor);
    QVERIFY(commandRefused);
    QVERIFY(nestedRefused);
    QStringList shown;
    for (const QList<QVariant>& s : steps)
        shown << s.at(0).toString();
    QCOMPARE(shown, (QStringList{QString::fromUtf8("正在连接..."), QString::fromUtf8("一"),
                                 QString::fromUtf8("二"), QString::fromUtf8("三")}));
    // Everything back as it was.
    QVERIFY(!runner.busyWindow());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(window.commands().action(ids::kSave)->isEnabled());
    QVERIFY(window.command(ids::kSave));
}

void NetworkCommandsTest::listensAtStartIntoTheTreeActiveThen() {
    TempHome home;
    ModalDriver driver;
    writeTree(home, QStringLiteral("Data/u.bvk"), kCustomTree, {{"mine", "http://mine/", ""}});
    const QByteArray saved = home.read(QStringLiteral("Data/u.bvk"));
    const int port = freePort();
    listenOn(port);
    MainDialog window{logIn(home.path(), account())};
    window.start();
    QTRY_VERIFY(window.commands().isChecked(ids::kListen));
    QCOMPARE(window.network().listener().port(), port);
    QCOMPARE(window.network().listener().targetTree(), &window.customTree());
    QVERIFY(window.viewOptions().listening);

    BookmarkTree sent(kCustomTree);
    sent.InsertNode({"a", "http://a/", ""});
    sent.InsertNode({"b", "http://b/", ""});
    QVERIFY(sendWhileServing(sent, port));
    QTRY_COMPARE(topNames(window.customTree()), (std::vector<std::string>{"mine", "a", "b"}));
    // Received, not saved.
    QCOMPARE(home.read(QStringLiteral("Data/u.bvk")), saved);

    // Off, then on again with the address book shown: that is the target now, and it
    // stays so when another tree is shown.
    QVERIFY(window.command(ids::kListen));
    QVERIFY(!window.commands().isChecked(ids::kListen));
    QVERIFY(!window.network().listener().isListening());
    QVERIFY(!sendWhileServing(sent, port, {2000, 2000}));
    window.switchCategory(2);
    QVERIFY(window.command(ids::kListen));
    QVERIFY(window.commands().isChecked(ids::kListen));
    window.switchCategory(0);
    QCOMPARE(window.network().listener().targetTree(), &window.addressBookTree());
    BookmarkTree contacts(kAddressBookTree);
    contacts.InsertNode({text::gbk("李四"), "", text::gbk("女")});
    QVERIFY(sendWhileServing(contacts, port));
    QTRY_COMPARE(window.addressBookTree().size(), size_t(1));
    QCOMPARE(
        window.addressBookTree().LookupRecord(window.addressBookTree().firstChild(kNoItem))->tag,
        text::gbk("女"));
    QCOMPARE(window.customTree().size(), size_t(3));
    QVERIFY(driver.messages().empty());
}

void NetworkCommandsTest::entriesReceivedIntoTheRecommendedTreeAreSavedAtClose() {
    TempHome home;
    ModalDriver driver;
    writeTree(home, QStringLiteral("System.bvk"), kRecommendedTree, {{"shared", "http://s/", ""}});
    const int port = freePort();
    listenOn(port);
    MainDialog window{logIn(home.path(), account())};
    window.start();
    QTRY_VERIFY(window.commands().isChecked(ids::kListen));
    // Listening again with 推荐 shown makes it the tree that receives.
    QVERIFY(window.command(ids::kListen));
    window.switchCategory(0);
    QVERIFY(window.command(ids::kListen));
    window.switchCategory(1);
    QCOMPARE(window.network().listener().targetTree(), &window.recommendedTree());
    BookmarkTree sent(kCustomTree);
    sent.InsertNode({"from a neighbour", "http://n/", ""});
    QVERIFY(sendWhileServing(sent, port));
    QTRY_COMPARE(topNames(window.recommendedTree()),
                 (std::vector<std::string>{"shared", "from a neighbour"}));
    QVERIFY(window.close());
    BookmarkTree saved(kRecommendedTree);
    QVERIFY(loadArchiveFile(saved, home.filePath(QStringLiteral("System.bvk")).toStdString()));
    QCOMPARE(topNames(saved), (std::vector<std::string>{"shared", "from a neighbour"}));
    // The user's own trees did not change: not written.
    QVERIFY(!home.exists(QStringLiteral("Data/u.bvk")));
    QVERIFY(driver.messages().empty());
}

void NetworkCommandsTest::aTakenPortIsToldOnceAndLeavesTheCheckOff() {
    TempHome home;
    ModalDriver driver;
    net::TcpListener taken;
    QCOMPARE(taken.listen(0), net::NetStatus::ok);
    listenOn(taken.port());
    MainDialog window{logIn(home.path(), account())};
    window.start();
    QTRY_COMPARE(driver.messages().size(), size_t(1));
    QTest::qWait(200);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("创建端口失败！\n\n请确认端口%1是否已被其它程序占用,\n"
                               "你可以修改端口号来重新监听")
                 .arg(taken.port()));
    QVERIFY(!window.commands().isChecked(ids::kListen));
    QVERIFY(!window.network().listener().isListening());
}

void NetworkCommandsTest::twoWindowsExchangeABranch() {
    TempHome homeA, homeB;
    ModalDriver driver;
    writeTree(homeB, QStringLiteral("Data/u.bvk"), kCustomTree, {{"b-own", "http://b/", ""}});
    const int port = freePort();
    listenOn(port);
    MainDialog receiver{logIn(homeB.path(), account())};
    receiver.start();
    QTRY_VERIFY(receiver.network().listener().isListening());

    listenOn(0);
    MainDialog sender{logIn(homeA.path(), account())};
    sender.start();
    sender.show();
    ItemId work = sender.customTree().InsertNode({text::gbk("工作"), "", ""});
    sender.customTree().InsertNode({"inside", "http://inside/", ""}, work);
    sender.customTree().InsertNode({"other", "http://other/", ""});
    BookmarkTreeView* view = sender.treeView(ids::kCustomTreeControl);
    view->setCurrentIndex(view->model()->index(0, 0));
    QCOMPARE(view->currentItem(), work);

    QString branchLabel;
    driver.then([&](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QString::number(ids::kSendToPeerDialog));
        QCOMPARE(dialog->windowTitle(), QString::fromUtf8("发送收藏夹"));
        auto* selected = child<QRadioButton>(dialog, ids::kSendSelectedRadio);
        branchLabel = selected->text();
        QVERIFY(selected->isChecked());
        QCOMPARE(child<QLineEdit>(dialog, ids::kPeerPortControl)->text(), QStringLiteral("5000"));
        child<QLineEdit>(dialog, ids::kPeerAddressControl)->setText(QStringLiteral("127.0.0.1"));
        child<QLineEdit>(dialog, ids::kPeerPortControl)->setText(QString::number(port));
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QSignalSpy steps(&NetworkTaskRunner::instance(), &NetworkTaskRunner::stepShown);
    QVERIFY(sender.command(ids::kSendToNeighbour));
    QVERIFY(driver.allActionsRun());
    QCOMPARE(branchLabel, QString::fromUtf8("发送选中的书签:[工作]"));
    QTRY_COMPARE(receiver.customTree().size(), size_t(3));
    QCOMPARE(topNames(receiver.customTree()),
             (std::vector<std::string>{"b-own", text::gbk("工作")}));
    QStringList shown;
    for (const QList<QVariant>& s : steps)
        shown << s.at(0).toString();
    QCOMPARE(shown,
             (QStringList{
                 QString::fromUtf8("正在创建SOCKET..."), QString::fromUtf8("正在创建SOCKET..."),
                 QString::fromUtf8("正在连接127.0.0.1"), QString::fromUtf8("正在发送数据...")}));
    QVERIFY(driver.messages().empty());
    // The received branch is one step of the receiving tree's history.
    TreeUndo* history = receiver.treeUndo(ids::kCustomTreeControl);
    QVERIFY(history && history->stack()->canUndo());
    history->undo();
    QCOMPARE(topNames(receiver.customTree()), (std::vector<std::string>{"b-own"}));
    QCOMPARE(receiver.customTree().size(), size_t(1));
}

void NetworkCommandsTest::aTransferTheTreeCannotTakeInTimeIsRefusedForGood() {
    TempHome home;
    ModalDriver driver;
    const int port = freePort();
    listenOn(port);
    MainDialog window{logIn(home.path(), account())};
    window.start();
    QTRY_VERIFY(window.network().listener().isListening());
    window.network().listener().setApplyWaitMs(300);
    BookmarkTree sent(kCustomTree);
    sent.InsertNode({"late", "http://late/", ""});
    // A network operation holds the trees while the transfer comes in: the tree cannot take
    // it, so the sender is told it failed...
    net::PeerSendResult result;
    NetworkTaskRunner::instance().run(
        &window, &window.commands(), QStringLiteral("busy"), [&](const net::StepCallback&) {
            result = net::sendToPeer(sent, kNoItem, "127.0.0.1", port, {5000, 5000});
        });
    QVERIFY(!result.ok);
    // ...and it is not added once the trees are free again.
    QCoreApplication::processEvents();
    QCOMPARE(window.customTree().size(), size_t(0));
    // Sent again, it is there once.
    QVERIFY(sendWhileServing(sent, port));
    QCOMPARE(topNames(window.customTree()), (std::vector<std::string>{"late"}));
}

void NetworkCommandsTest::aDeepAndWideTransferArrivesBuiltAsOneStep() {
    TempHome home;
    ModalDriver driver;
    const int port = freePort();
    listenOn(port);
    MainDialog window{logIn(home.path(), account())};
    window.start();
    QTRY_VERIFY(window.network().listener().isListening());
    window.customTree().InsertNode({"own", "http://own/", ""});
    // 300 links wide, and a chain of folders deeper than a tree may go.
    BookmarkTree sent(kCustomTree);
    for (int i = 0; i < 300; ++i)
        sent.InsertNode({"w" + std::to_string(i), "http://w/" + std::to_string(i), ""});
    ItemId below = kNoItem;
    for (int level = 0; level < ImportBudget::kMaxDepth + 50; ++level)
        below = sent.InsertNode({"d" + std::to_string(level), "", ""}, below);
    QVERIFY(sendWhileServing(sent, port));
    // The tree holds what a reader of the same stream adds: the chain attached at the limit.
    BookmarkTree expected(kCustomTree);
    expected.InsertNode({"own", "http://own/", ""});
    {
        std::string bytes;
        StringSink sink(bytes);
        ArchiveWriter writer(sink);
        SerializeTree(sent, writer);
        writer.flush();
        MemorySource source(bytes);
        ArchiveReader reader(source);
        SerializeTree(expected, reader);
    }
    QCOMPARE(window.customTree().size(), expected.size());
    BookmarkTree& got = window.customTree();
    for (ItemId item = 1; item <= expected.nextItemData(); ++item) {
        QCOMPARE(std::string(got.label(item)), std::string(expected.label(item)));
        QCOMPARE(got.parent(item), expected.parent(item));
    }
    // One step of the tree's history takes all of it back, and brings it again.
    TreeUndo* history = window.treeUndo(ids::kCustomTreeControl);
    QCOMPARE(history->stack()->count(), 1);
    history->undo();
    QCOMPARE(topNames(window.customTree()), (std::vector<std::string>{"own"}));
    history->redo();
    QCOMPARE(window.customTree().size(), expected.size());
}

void NetworkCommandsTest::sendingToACopyThatDoesNotListenNamesWhatWasTyped() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.customTree().InsertNode({"x", "http://x/", ""});
    const int port = freePort();
    driver.then([&](QWidget* dialog) {
        // Nothing selected: only the whole tree can go.
        auto* selected = child<QRadioButton>(dialog, ids::kSendSelectedRadio);
        QVERIFY(!selected->isEnabled());
        QCOMPARE(selected->text(), QString::fromUtf8("发送选中的书签"));
        QVERIFY(child<QRadioButton>(dialog, ids::kSendAllRadio)->isChecked());
        child<QLineEdit>(dialog, ids::kPeerAddressControl)->setText(QStringLiteral("127.0.0.1"));
        child<QLineEdit>(dialog, ids::kPeerPortControl)->setText(QString::number(port));
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QVERIFY(window.command(ids::kSendToNeighbour));
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8(
                 "连接主机（地址:127.0.0.1 端口:%1）时失败！\n\n请确认对方是否已启动监听！")
                 .arg(port));
}

void NetworkCommandsTest::aNeighbourNeedsAnAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("spaces only") << "   " << false;
    QTest::newRow("a space inside") << "my pc" << false;
    QTest::newRow("with a port") << "127.0.0.1:5000" << false;
    QTest::newRow("a web address") << "http://pc.example.cn/" << false;
    QTest::newRow("five numbers") << "1.2.3.4.5" << false;
    QTest::newRow("in Chinese") << QString::fromUtf8("王的电脑") << false;
    QTest::newRow("ipv4") << "127.0.0.1" << true;
    QTest::newRow("a name with spaces around") << " pc-7.example.cn " << true;
    QTest::newRow("ipv6") << "::1" << true;
}

void NetworkCommandsTest::aNeighbourNeedsAnAddress() {
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    SendToPeerDialog dialog{QString()};
    dialog.show();
    auto* edit = child<QLineEdit>(&dialog, ids::kPeerAddressControl);
    edit->setText(address);
    ModalDriver driver;
    child<QPushButton>(&dialog, ids::kIdOk)->click();
    if (accepted) {
        QVERIFY(driver.messages().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.peerAddress(), address.trimmed());
        return;
    }
    // The dialog stays, with the address to type again.
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("发送收藏夹"));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("请输入邻居的地址。"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Warning);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(edit->selectedText(), edit->text());
}

void NetworkCommandsTest::anEmptyAddressNeverReachesTheNetwork() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.customTree().InsertNode({"x", "http://x/", ""});
    bool stayedOpen = false;
    driver.then([&](QWidget* dialog) {
        // Once this action has returned, so that the driver can answer the box the click opens.
        QTimer::singleShot(0, dialog, [&stayedOpen, dialog] {
            child<QPushButton>(dialog, ids::kIdOk)->click();
            stayedOpen = dialog->isVisible();
            child<QPushButton>(dialog, ids::kIdCancel)->click();
        });
    });
    QSignalSpy steps(&NetworkTaskRunner::instance(), &NetworkTaskRunner::stepShown);
    QVERIFY(window.command(ids::kSendToNeighbour));
    QVERIFY(driver.allActionsRun());
    QVERIFY(stayedOpen);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("请输入邻居的地址。"));
    QCOMPARE(steps.count(), 0);
}

void NetworkCommandsTest::mailDialogsTakeTheirDefaultsFromTheAccount_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("smtp");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("smtpMode");
    QTest::newRow("plain") << "zhang@example.cn"
                           << "smtp.example.cn"
                           << "zhang" << 0;
    QTest::newRow("no at sign") << "zhang"
                                << "smtp.example.cn"
                                << "" << 0;
    QTest::newRow("submission port") << "li.si@example.cn"
                                     << "smtp.example.cn:587"
                                     << "li.si" << 1;
    QTest::newRow("tls port") << "a@b@c"
                              << "smtp.example.cn:465"
                              << "a" << 2;
}

void NetworkCommandsTest::mailDialogsTakeTheirDefaultsFromTheAccount() {
    QFETCH(QString, email);
    QFETCH(QString, smtp);
    QFETCH(QString, user);
    QFETCH(int, smtpMode);
    UserAccount a = account(email.toStdString());
    a.smtpServer = smtp.toStdString();
    MailSecurityProfile profile;
    profile.smtpLogin = "login-name";
    SendMailDialog send(a, profile, QString(), noStore_);
    QCOMPARE(child<QLineEdit>(&send, ids::kSmtpControl)->text(), smtp);
    QCOMPARE(child<QLineEdit>(&send, ids::kMailAddressControl)->text(), email);
    QCOMPARE(child<QLineEdit>(&send, ids::kSmtpLoginControl)->text(), QStringLiteral("login-name"));
    QCOMPARE(child<QComboBox>(&send, ids::kSmtpSecurityControl)->currentIndex(), smtpMode);
    QCOMPARE(child<QComboBox>(&send, ids::kSmtpSecurityControl)->itemText(2),
             QStringLiteral("SSL/TLS"));
    // Without a secret store the password is asked each time.
    QVERIFY(!child<QCheckBox>(&send, ids::kRememberPasswordControl)->isEnabled());
    // The mail goes out from the account's address, whoever it is sent to.
    child<QLineEdit>(&send, ids::kMailAddressControl)
        ->setText(QStringLiteral("friend@example.org"));
    child<GuardedPasswordEdit>(&send, ids::kPasswordControl)->setPassword("pw");
    send.accept();
    QCOMPARE(send.result(), int(QDialog::Accepted));
    QCOMPARE(send.security().from, email.toStdString());
    QCOMPARE(send.recipient(), std::string("friend@example.org"));

    ReceiveMailDialog receive(a, MailSecurityProfile{}, noStore_);
    QCOMPARE(receive.windowTitle(), QString::fromUtf8("接收邮件"));
    QCOMPARE(child<QLineEdit>(&receive, ids::kMailUserControl)->text(), user);
    QCOMPARE(child<QLineEdit>(&receive, ids::kPop3Control)->text(),
             QStringLiteral("pop.example.cn:995"));
    QCOMPARE(child<QComboBox>(&receive, ids::kPop3SecurityControl)->currentIndex(), 2);
    QVERIFY(child<GuardedPasswordEdit>(&receive, ids::kPasswordControl)->text().isEmpty());
}

void NetworkCommandsTest::rememberedPasswordsLiveOnlyInTheStore() {
    MemoryStore store;
    const QString secret = QStringLiteral("s3cret-Pässword");
    {
        ReceiveMailDialog dialog(account(), MailSecurityProfile{}, store);
        QVERIFY(child<QCheckBox>(&dialog, ids::kRememberPasswordControl)->isEnabled());
        child<GuardedPasswordEdit>(&dialog, ids::kPasswordControl)->setPassword(toGbk(secret));
        child<QCheckBox>(&dialog, ids::kRememberPasswordControl)->setChecked(true);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.host(), std::string("pop.example.cn"));
        QCOMPARE(dialog.port(), 995);
    }
    QCOMPARE(store.entries.size(), size_t(1));
    {
        ReceiveMailDialog dialog(account(), MailSecurityProfile{}, store);
        QCOMPARE(fromGbk(dialog.password()), secret);
        QVERIFY(child<QCheckBox>(&dialog, ids::kRememberPasswordControl)->isChecked());
        child<QCheckBox>(&dialog, ids::kRememberPasswordControl)->setChecked(false);
        dialog.accept();
    }
    QVERIFY(store.entries.empty());  // unticked: forgotten
    // Nothing of it went to the profile.
    for (const QString& name : QDir(settingsDir_.path()).entryList(QDir::Files)) {
        QFile f(QDir(settingsDir_.path()).filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains(secret.toUtf8()));
    }
    // A server field that names no server keeps the dialog open and says which text.
    ModalDriver driver;
    UserAccount bad = account();
    bad.pop3Server = "pop.example.cn:99999";
    ReceiveMailDialog dialog(bad, MailSecurityProfile{}, store);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY(driver.messages()[0].text.contains(QStringLiteral("pop.example.cn:99999")));
}

void NetworkCommandsTest::sendingByMailCarriesTheChosenBranch() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    ItemId work = window.customTree().InsertNode({text::gbk("工作"), "", ""});
    window.customTree().InsertNode({"doc", "http://doc/", ""}, work);
    window.customTree().InsertNode({"other", "http://other/", ""});
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    view->setCurrentIndex(view->model()->index(0, 0));
    std::vector<std::string> commands;
    std::string data;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            commands.push_back(line);
            if (line.starts_with("DATA")) {
                p.send("354 go on\r\n");
                data = p.readUntil("\r\n.\r\n");
                p.send("250 queued\r\n");
            } else if (line.starts_with("QUIT")) {
                p.send("221 bye\r\n");
                return;
            } else {
                p.send("250 ok\r\n");
            }
        }
    });
    driver.then([&](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QString::number(ids::kSendMailDialog));
        QCOMPARE(child<QLineEdit>(dialog, ids::kMailAddressControl)->text(),
                 QStringLiteral("zhang@example.cn"));
        QVERIFY(child<QRadioButton>(dialog, ids::kSendSelectedRadio)->isChecked());
        child<QLineEdit>(dialog, ids::kSmtpControl)
            ->setText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
        child<QComboBox>(dialog, ids::kSmtpSecurityControl)->setCurrentIndex(0);
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QSignalSpy steps(&NetworkTaskRunner::instance(), &NetworkTaskRunner::stepShown);
    QVERIFY(window.command(ids::kSendToMailbox));
    server.join();
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("发送完毕！"));
    QCOMPARE(commands.at(1), std::string("MAIL From: <>\r\n"));
    QCOMPARE(commands.at(2), std::string("RCPT TO: <zhang@example.cn>\r\n"));
    // Only the branch: the entry itself first, then its subtree; not the other entry.
    const std::string body =
        "<BRIVANTA>\r\n<CUSTOM>\r\n" + text::gbk("工作") + "\r\n \r\n->doc\r\nhttp://doc/\r\n";
    QVERIFY2(data.find("\r\n\r\n" + body) != std::string::npos, data.c_str());
    QVERIFY(data.find("other") == std::string::npos);
    QStringList shown;
    for (const QList<QVariant>& s : steps)
        shown << s.at(0).toString();
    QCOMPARE(
        shown.mid(1),
        (QStringList{QString::fromUtf8("正在准备数据..."), QString::fromUtf8("正在连接..."),
                     QString::fromUtf8("正在发送邮件..."), QString::fromUtf8("正在断开连接...")}));
}

void NetworkCommandsTest::theCommandLineProgramIsAPeerBothWays() {
    TempHome home;
    ModalDriver driver;
    const int port = freePort();
    listenOn(port);
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    QTRY_VERIFY(window.network().listener().isListening());

    // brivanta-cli sends a file to the window.
    BookmarkTree file(kCustomTree);
    file.InsertNode({"from-cli", "http://cli/", ""});
    QVERIFY(!saveArchiveFile(file, home.filePath(QStringLiteral("out.bvk")).toStdString()));
    QProcess send;
    send.start(QStringLiteral(BRIVANTA_CLI_PATH),
               {QStringLiteral("send-peer"), QStringLiteral("127.0.0.1:%1").arg(port),
                home.filePath(QStringLiteral("out.bvk"))});
    // Not waitForFinished: the window takes the transfer on this thread before it answers.
    QTRY_VERIFY_WITH_TIMEOUT(send.state() == QProcess::NotRunning, 30000);
    QCOMPARE(send.exitCode(), 0);
    QTRY_COMPARE(topNames(window.customTree()), (std::vector<std::string>{"from-cli"}));

    // The window sends its tree to brivanta-cli listening on a free port.
    QProcess listen;
    listen.start(
        QStringLiteral(BRIVANTA_CLI_PATH),
        {QStringLiteral("listen"), QStringLiteral("--port"), QStringLiteral("0"),
         QStringLiteral("--count"), QStringLiteral("1"), home.filePath(QStringLiteral("in.bvk"))});
    QVERIFY(listen.waitForReadyRead(30000));
    const QString first = QString::fromUtf8(listen.readLine()).trimmed();
    const QString cliPort = first.section(u' ', -1);
    QVERIFY2(cliPort.toInt() > 0, qPrintable(first));
    driver.then([&](QWidget* dialog) {
        child<QLineEdit>(dialog, ids::kPeerAddressControl)->setText(QStringLiteral("127.0.0.1"));
        child<QLineEdit>(dialog, ids::kPeerPortControl)->setText(cliPort);
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QVERIFY(window.command(ids::kSendToNeighbour));
    // It may have ended already, while the send ran the event loop.
    QVERIFY(listen.state() == QProcess::NotRunning || listen.waitForFinished(30000));
    QCOMPARE(listen.exitCode(), 0);
    QVERIFY(driver.messages().empty());
    BookmarkTree got(kCustomTree);
    QVERIFY(loadArchiveFile(got, home.filePath(QStringLiteral("in.bvk")).toStdString()));
    QCOMPARE(topNames(got), (std::vector<std::string>{"from-cli"}));
}

void NetworkCommandsTest::receivingAddsEachEnvelopeToTheTreeItNames() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.switchCategory(1);  // the custom tree is shown
    const size_t recommendedBefore = window.recommendedTree().size();
    ScriptedServer server(
        mailbox({"<BRIVANTA>\r\n<SYSTEM>\r\nS\r\nhttp://s/\r\n", "an ordinary mail\r\n",
                 "<BRIVANTA>\r\n<CUSTOM>\r\nC\r\nhttp://c/\r\n",
                 "<BRIVANTA>\r\n<ADDRESS>\r\nA\r\n \r\n" + text::gbk("男") + "\r\n"}));
    driver.then([&](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QString::number(ids::kReceiveMailDialog));
        child<QLineEdit>(dialog, ids::kPop3Control)
            ->setText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
        child<QComboBox>(dialog, ids::kPop3SecurityControl)->setCurrentIndex(0);
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QVERIFY(window.command(ids::kReceiveFromMailbox));
    server.join();
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("接收完毕！"));
    QCOMPARE(window.recommendedTree().size(), recommendedBefore + 1);
    QCOMPARE(topNames(window.recommendedTree()).back(), std::string("S"));
    QCOMPARE(topNames(window.customTree()), (std::vector<std::string>{"C"}));
    QCOMPARE(topNames(window.addressBookTree()), (std::vector<std::string>{"A"}));
}

namespace {

// How the mailbox of an update goes wrong with its last mail.
enum class LastMail { whole, refused, cutShort };

// The mails of `bodies` in order; the last one is sent as `last` says.
ScriptedServer::Script updateMailbox(std::vector<std::string> bodies, LastMail last) {
    return [bodies, last](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("STAT")) {
                p.send("+OK " + std::to_string(bodies.size()) + " 100\r\n");
            } else if (line.starts_with("RETR ")) {
                size_t n = std::stoul(line.substr(5));
                const std::string mail = "+OK\r\nSubject: <BRIVANTA>\r\n\r\n" + bodies.at(n - 1);
                if (n < bodies.size() || last == LastMail::whole) {
                    p.send(mail + ".\r\n");
                } else if (last == LastMail::refused) {
                    p.send("-ERR gone\r\n");
                } else {
                    p.send(mail.substr(0, mail.size() - 3));
                    return;  // the connection closes inside the mail
                }
            } else if (line.starts_with("QUIT")) {
                p.send("+OK bye\r\n");
                return;
            } else {
                p.send("+OK\r\n");
            }
        }
    };
}

}  // namespace

void NetworkCommandsTest::updateReplacesTheRecommendedTreeOnlyOnSuccess_data() {
    QTest::addColumn<QStringList>("bodies");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("message");  // after "更新失败！\nPOP3 服务器 127.0.0.1:PORT："
    const QStringList two{"<BRIVANTA>\r\n<SYSTEM>\r\nS1\r\nhttp://s1/\r\n", "x\r\n",
                          "<BRIVANTA>\r\n<SYSTEM>\r\nS2\r\nhttp://s2/\r\n"};
    QTest::newRow("two system envelopes") << two << int(LastMail::whole) << QString();
    QTest::newRow("custom envelopes only")
        << QStringList{"<BRIVANTA>\r\n<CUSTOM>\r\nC\r\nhttp://c/\r\n"} << int(LastMail::whole)
        << QString::fromUtf8("邮箱里没有带条目的 <SYSTEM> 信封");
    QTest::newRow("last mail refused")
        << two << int(LastMail::refused) << QStringLiteral("RETRieve failed");
    QTest::newRow("connection broken inside the last mail")
        << two << int(LastMail::cutShort) << QString::fromUtf8("SOCKET错误！");
}

void NetworkCommandsTest::updateReplacesTheRecommendedTreeOnlyOnSuccess() {
    QFETCH(QStringList, bodies);
    QFETCH(int, last);
    QFETCH(QString, message);
    const bool ok = message.isEmpty();
    TempHome home;
    ModalDriver driver;
    writeTree(home, QStringLiteral("System.bvk"), kRecommendedTree, {{"old", "http://old/", ""}});
    const QByteArray before = home.read(QStringLiteral("System.bvk"));
    // The backup of an earlier good tree, which no failed update may replace.
    home.write(QStringLiteral("System.bak"), "earlier backup");
    std::vector<std::string> mails;
    for (const QString& b : bodies)
        mails.push_back(b.toStdString());
    ScriptedServer server(updateMailbox(mails, static_cast<LastMail>(last)));
    {
        // As a site points its copies at its own mailbox: by hand, in the profile file.
        QSettings settings(profileFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Update/Host"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("Update/Port"), server.port());
    }
    DesktopProfile::open(profileFile().toStdString());

    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.switchCategory(0);
    driver.answerWith(QString::fromUtf8("确定"));
    QVERIFY(window.command(ids::kUpdateRecommended));
    server.join();
    QCOMPARE(driver.messages().size(), size_t(2));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("您需要更新推荐收藏内容吗?"));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("更新"));
    if (ok) {
        QCOMPARE(driver.messages()[1].text, QString::fromUtf8("更新完毕！"));
        QCOMPARE(home.read(QStringLiteral("System.bak")), before);
        QCOMPARE(topNames(window.recommendedTree()), (std::vector<std::string>{"S1", "S2"}));
        BookmarkTree written(kRecommendedTree);
        QVERIFY(
            loadArchiveFile(written, home.filePath(QStringLiteral("System.bvk")).toStdString()));
        QCOMPARE(topNames(written), (std::vector<std::string>{"S1", "S2"}));
    } else {
        QCOMPARE(driver.messages()[1].text,
                 QString::fromUtf8("更新失败！\nPOP3 服务器 127.0.0.1:%1：").arg(server.port()) +
                     message);
        QCOMPARE(topNames(window.recommendedTree()), (std::vector<std::string>{"old"}));
        QCOMPARE(home.read(QStringLiteral("System.bvk")), before);
        QCOMPARE(home.read(QStringLiteral("System.bak")), QByteArray("earlier backup"));
    }
}

void NetworkCommandsTest::uploadAndTheServerCheckNameTheServer() {
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.customTree().InsertNode({"up", "http://up/", ""});
    net::PeerListener server(kCustomTree);
    QVERIFY(server.open(0, "127.0.0.1"));
    window.network().settings().serverAddress = "127.0.0.1";
    window.network().settings().serverPort = server.port();
    net::PeerReceipt got;
    std::thread accept([&] { server.receiveOne(got, 10000); });
    QVERIFY(window.command(ids::kUpload));
    accept.join();
    QVERIFY(driver.messages().empty());
    QCOMPARE(got.records, size_t(1));
    // Exactly the bytes of the tree's file: the same archive stream.
    QVERIFY(!saveArchiveFile(window.customTree(),
                             home.filePath(QStringLiteral("up.bvk")).toStdString()));
    std::string sent;
    {
        StringSink sink(sent);
        ArchiveWriter writer(sink);
        got.entries.write(writer, 0);
        writer.flush();
    }
    QCOMPARE(QByteArray::fromStdString(sent), home.read(QStringLiteral("up.bvk")));

    const int port = server.port();
    server.close();
    window.network().settings().serverAddress.clear();
    QVERIFY(window.command(ids::kUpload));
    QVERIFY(window.command(ids::kUpdateRecommended));  // the custom tree is active: the check
    QCOMPARE(driver.messages().size(), size_t(2));
    for (const SeenMessage& m : driver.messages())
        QCOMPARE(m.text, QString::fromUtf8("连接服务器（地址: 端口:%1）时失败！").arg(port));
}

void NetworkCommandsTest::aFailedMailCommandNamesTheServer_data() {
    QTest::addColumn<bool>("send");
    QTest::addColumn<int>("mode");  // index of the security combo: 0 无, 2 SSL/TLS
    QTest::addColumn<QString>("greeting");
    QTest::addColumn<QString>("expected");  // after "KIND 服务器 127.0.0.1:PORT："
    QTest::newRow("smtp_tls_against_a_plain_server")
        << true << 2 << QStringLiteral("220 plain\r\n")
        << QString::fromUtf8("TLS 握手失败（对方说的不是 TLS，或版本号不对）");
    QTest::newRow("pop3_unknown_user")
        << false << 0 << QStringLiteral("+OK ready\r\n") << QString::fromUtf8("用户名错！");
}

void NetworkCommandsTest::aFailedMailCommandNamesTheServer() {
    QFETCH(bool, send);
    QFETCH(int, mode);
    QFETCH(QString, greeting);
    QFETCH(QString, expected);
    TempHome home;
    ModalDriver driver;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.customTree().InsertNode({"doc", "http://doc/", ""});  // something to send
    ScriptedServer server([&](ScriptedPeer& p) {
        if (send)
            p.receiveTlsRecord();  // the ClientHello
        p.send(greeting.toStdString());
        if (!p.readLine().empty())
            p.send("-ERR no such user\r\n");
        p.waitForClose();
    });
    const QString at = QStringLiteral("127.0.0.1:%1").arg(server.port());
    driver.then([&](QWidget* dialog) {
        const int field = send ? ids::kSmtpControl : ids::kPop3Control;
        const int security = send ? ids::kSmtpSecurityControl : ids::kPop3SecurityControl;
        child<QLineEdit>(dialog, field)->setText(at);
        child<QComboBox>(dialog, security)->setCurrentIndex(mode);
        if (!send)
            child<GuardedPasswordEdit>(dialog, ids::kPasswordControl)->setPassword("pw");
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QVERIFY(window.command(send ? ids::kSendToMailbox : ids::kReceiveFromMailbox));
    server.join();
    QVERIFY(driver.allActionsRun());
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("%1 服务器 %2：").arg(QLatin1String(send ? "SMTP" : "POP3"), at) +
                 expected);
    // A failure, not a result: the warning icon.
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Warning);
}

QTEST_MAIN(NetworkCommandsTest)
#include "NetworkCommandsTest.moc"
