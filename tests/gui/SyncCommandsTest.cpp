// 立即同步 and the timed sync from the window, against rclone's WebDAV server on loopback:
// what the server holds comes in as one undo step, the tree file is saved and the state
// committed after it; a failing server leaves tree, file and state as they were and says
// which server; a transfer that waited for the sync is synced, not overwritten.

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <map>

#include "GuiTestSupport.h"
#include "LocalWebDavServer.h"
#include "core/formats/TreeArchive.h"
#include "core/sync/TreeSync.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeWalk.h"
#include "gui/app/MainDialog.h"
#include "gui/app/SyncCommands.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/net/NetworkTaskRunner.h"
#include "gui/options/OptionValues.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;
using brivanta::testing::LocalWebDavServer;

namespace {

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

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every name in the tree (UTF-8), in pre-order.
QStringList names(const BookmarkTree& tree) {
    QStringList out;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int) {
        out << QString::fromStdString(text::toUtf8(tree.LookupRecord(item)->name));
    });
    return out;
}

// The window of a user "u" with one link of its own, saved, and its sync set up for `server`.
struct Desk {
    TempHome home;
    MainDialog window{logIn(home, makeAccount("u", "pw"))};
    SyncCommands* syncing = nullptr;
    TreeUndo* history = nullptr;

    void open(const std::string& url, const std::string& password, int minutes = 0) {
        window.start();
        syncing = window.findChild<SyncCommands*>();
        history = window.treeUndo(ids::kCustomTreeControl);
        history->newEntry({text::gbk("本机书签"), "https://local.example/", ""}, kNoItem);
        QVERIFY(window.command(ids::kSave));
        OptionValues values;
        syncing->fill(values);
        values.sync.serverUrl = url;
        values.sync.user = LocalWebDavServer::kUser;
        values.sync.intervalMinutes = minutes;
        values.syncPassword = password;
        syncing->apply(values);
    }
    QString treeFile() const { return home.filePath(QStringLiteral("Data/u.bvk")); }
    QString stateFile() const { return QString::fromStdString(syncing->statePath()); }
};

}  // namespace

class SyncCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void theServersEntriesComeInAsOneUndoStep();
    void aFailingServerChangesNothing_data();
    void aFailingServerChangesNothing();
    void aTransferThatWaitedIsSyncedNotLost();
    void conflictsAreToldAtTheTray();
    void aFolderSyncLeavesTheRestAlone();

  private:
    QString share(const QString& name) const {
        return QString::fromStdString(server_->share()) + u'/' + name;
    }
    void putFixture() {
        writeFile(share(QStringLiteral("bookmarks.xbel")),
                  readFile(QStringLiteral(BRIVANTA_TEST_DATA "/sync/floccus-bookmarks.xbel")));
    }

    std::unique_ptr<LocalWebDavServer> server_;
    std::unique_ptr<TestProfile> profile_;
    MemoryStore store_;
};

void SyncCommandsTest::initTestCase() {
    server_ = std::make_unique<LocalWebDavServer>();
    if (!server_->ok() && server_->problem().find("not installed") != std::string::npos)
        QSKIP(server_->problem().c_str());
    QVERIFY2(server_->ok(), server_->problem().c_str());
    MailPasswordStore::setCurrent(&store_);
}

void SyncCommandsTest::cleanupTestCase() {
    MailPasswordStore::setCurrent(nullptr);
}

void SyncCommandsTest::init() {
    profile_.reset();
    profile_ = std::make_unique<TestProfile>();
    QFile::remove(share(QStringLiteral("bookmarks.xbel")));
}

void SyncCommandsTest::theServersEntriesComeInAsOneUndoStep() {
    putFixture();
    Desk desk;
    desk.open(server_->url("/"), LocalWebDavServer::kPassword);
    QVERIFY(desk.window.commands().action(ids::kSyncNow)->isEnabled());
    const QStringList before = names(desk.window.customTree());
    const QByteArray savedBefore = readFile(desk.treeFile());
    const int steps = desk.history->stack()->count();

    ModalDriver driver;
    QSignalSpy told(desk.syncing, &SyncCommands::told);
    QVERIFY(desk.window.command(ids::kSyncNow));
    QCOMPARE(told.count(), 1);
    QVERIFY2(told[0][0].toString().startsWith(QString::fromUtf8("同步完成：上传 1，下载 ")),
             qPrintable(told[0][0].toString()));
    // Asked for by hand, without a tray icon the outcome comes in a box.
    QCOMPARE(driver.messages().size(), size_t(1));

    const QStringList after = names(desk.window.customTree());
    for (const char* name : {"本机书签", "工作", "团队维基", "参考", "RFC 索引", "新闻"})
        QVERIFY2(after.contains(QString::fromUtf8(name)), name);
    // Saved, the state committed, the file as it was kept beside it.
    BookmarkTree onDisk;
    loadArchiveFile(onDisk, desk.treeFile().toStdString());
    QCOMPARE(names(onDisk), after);
    QVERIFY(QFile::exists(desk.stateFile()));
    QCOMPARE(readFile(QString::fromStdString(sync::syncBackupPath(desk.treeFile().toStdString()))),
             savedBefore);
    QVERIFY(readFile(share(QStringLiteral("bookmarks.xbel"))).contains("本机书签"));

    // One step, and undo takes all of it back.
    QCOMPARE(desk.history->stack()->count(), steps + 1);
    desk.history->undo();
    QCOMPARE(names(desk.window.customTree()), before);
    desk.history->redo();
    QCOMPARE(names(desk.window.customTree()), after);
}

void SyncCommandsTest::aFailingServerChangesNothing_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("timed");
    QTest::newRow("wrong password") << "password" << false;
    QTest::newRow("wrong password, timed") << "password" << true;
    QTest::newRow("damaged server file") << "damaged" << false;
    QTest::newRow("no such collection") << "collection" << false;
}

void SyncCommandsTest::aFailingServerChangesNothing() {
    QFETCH(QString, what);
    QFETCH(bool, timed);
    const QByteArray damaged = "<xbel version=\"1.0\"><folder><title>cut";
    if (what == QStringLiteral("damaged"))
        writeFile(share(QStringLiteral("bookmarks.xbel")), damaged);
    else
        putFixture();
    Desk desk;
    desk.open(server_->url(what == QStringLiteral("collection") ? "/nothing/here/" : "/"),
              what == QStringLiteral("password") ? "wrong" : LocalWebDavServer::kPassword);
    const QStringList before = names(desk.window.customTree());
    const QByteArray file = readFile(desk.treeFile());
    const QByteArray served = readFile(share(QStringLiteral("bookmarks.xbel")));

    ModalDriver driver;
    QSignalSpy told(desk.syncing, &SyncCommands::told);
    QVERIFY(!desk.syncing->syncNow(timed ? SyncCommands::Trigger::timed
                                         : SyncCommands::Trigger::byHand));
    QCOMPARE(told.count(), 1);
    const QString said = told[0][0].toString();
    // The server is named.
    QVERIFY2(said.contains(QStringLiteral("127.0.0.1:%1").arg(server_->port())), qPrintable(said));
    if (timed) {
        QVERIFY(driver.messages().empty());
    } else {
        QCOMPARE(driver.messages().size(), size_t(1));
        QCOMPARE(driver.messages()[0].text, said);
        QCOMPARE(driver.messages()[0].icon, QMessageBox::Warning);
    }
    QCOMPARE(names(desk.window.customTree()), before);
    QCOMPARE(readFile(desk.treeFile()), file);
    QCOMPARE(readFile(share(QStringLiteral("bookmarks.xbel"))), served);
    QVERIFY(!QFile::exists(desk.stateFile()));
}

void SyncCommandsTest::aTransferThatWaitedIsSyncedNotLost() {
    putFixture();
    Desk desk;
    desk.open(server_->url("/"), LocalWebDavServer::kPassword);
    // As the listener does with a transfer that waited: into the tree the moment the busy
    // window has gone, before the sync's result is applied.
    BookmarkTree& tree = desk.window.customTree();
    bool added = false;
    auto once = connect(&NetworkTaskRunner::instance(), &NetworkTaskRunner::idle, this, [&] {
        if (added)
            return;
        added = true;
        const ItemId item = tree.InsertNode({text::gbk("迟到的"), "https://late.example/", ""});
        desk.history->recordAdded({item});
    });
    ModalDriver driver;
    QVERIFY(desk.syncing->syncNow(SyncCommands::Trigger::timed));
    disconnect(once);
    QVERIFY(added);
    const QStringList after = names(tree);
    QVERIFY(after.contains(QString::fromUtf8("迟到的")));
    QVERIFY(after.contains(QString::fromUtf8("团队维基")));
    QVERIFY(readFile(share(QStringLiteral("bookmarks.xbel"))).contains("迟到的"));
    BookmarkTree onDisk;
    loadArchiveFile(onDisk, desk.treeFile().toStdString());
    QCOMPARE(names(onDisk), after);
}

void SyncCommandsTest::conflictsAreToldAtTheTray() {
    putFixture();
    Desk desk;
    desk.open(server_->url("/"), LocalWebDavServer::kPassword);
    ModalDriver driver;
    QVERIFY(desk.syncing->syncNow(SyncCommands::Trigger::timed));
    // Both sides rename the same link.
    const QString file = share(QStringLiteral("bookmarks.xbel"));
    QByteArray served = readFile(file);
    served.replace("<title>新闻</title>", "<title>新闻（服务器）</title>");
    writeFile(file, served);
    BookmarkTree& tree = desk.window.customTree();
    ItemId news = kNoItem;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int) {
        if (tree.LookupRecord(item)->name == text::gbk("新闻"))
            news = item;
    });
    QVERIFY(news != kNoItem);
    desk.history->rename(news, text::gbk("新闻（这里）"));

    QSignalSpy told(desk.syncing, &SyncCommands::told);
    QVERIFY(desk.syncing->syncNow(SyncCommands::Trigger::timed));
    QCOMPARE(told.count(), 1);
    QVERIFY2(told[0][0].toString().startsWith(QString::fromUtf8("同步完成：冲突 1")),
             qPrintable(told[0][0].toString()));
    // Timed: no box even so.
    QVERIFY(driver.messages().empty());
    const QStringList after = names(tree);
    QVERIFY(after.contains(QString::fromUtf8("新闻（服务器）")));
    QVERIFY(after.filter(QString::fromUtf8("新闻（这里）")).size() == 1);
}

void SyncCommandsTest::aFolderSyncLeavesTheRestAlone() {
    putFixture();
    Desk desk;
    desk.open(server_->url("/"), LocalWebDavServer::kPassword);
    BookmarkTree& tree = desk.window.customTree();
    const ItemId folder = desk.history->newEntry({text::gbk("同步夹"), "", ""}, kNoItem);
    OptionValues values;
    desk.syncing->fill(values);
    values.sync.folder = {text::gbk("同步夹")};
    desk.syncing->apply(values);

    ModalDriver driver;
    QVERIFY(desk.syncing->syncNow(SyncCommands::Trigger::byHand));
    // The server's entries go into the folder; what lies outside it stays and is not sent.
    QCOMPARE(tree.childCount(kNoItem), 2);
    QCOMPARE(tree.LookupRecord(tree.child(kNoItem, 0))->name, text::gbk("本机书签"));
    QVERIFY(tree.childCount(folder) > 0);
    QCOMPARE(names(tree).count(QString::fromUtf8("新闻")), 1);
    QVERIFY(!readFile(share(QStringLiteral("bookmarks.xbel"))).contains("本机书签"));

    // The state of that sync is the base of the next: a link deleted here goes there too.
    ItemId news = kNoItem;
    forEachPreOrder(tree, folder, [&](ItemId item, int) {
        if (tree.LookupRecord(item)->name == text::gbk("新闻"))
            news = item;
    });
    desk.history->remove(news);
    QVERIFY(desk.syncing->syncNow(SyncCommands::Trigger::byHand));
    QVERIFY(!names(tree).contains(QString::fromUtf8("新闻")));
    QVERIFY(!readFile(share(QStringLiteral("bookmarks.xbel"))).contains("新闻"));

    // Renamed since: the sync says which folder it looks for and changes nothing.
    desk.history->rename(folder, text::gbk("改名了"));
    const QStringList before = names(tree);
    QVERIFY(!desk.syncing->syncNow(SyncCommands::Trigger::byHand));
    QCOMPARE(driver.messages().size(), size_t(3));
    QVERIFY2(driver.messages()[2].text.contains(QString::fromUtf8("收藏 / 同步夹")),
             qPrintable(driver.messages()[2].text));
    QCOMPARE(names(tree), before);
}

QTEST_MAIN(SyncCommandsTest)
#include "SyncCommandsTest.moc"
