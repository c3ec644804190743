// The 同步 page of the options and what its OK keeps: the settings in the profile, the
// password in the secret store and nowhere else, the state of a sync that no longer applies
// dropped, and 立即同步 live only once a server is named.

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <fstream>
#include <map>

#include "GuiTestSupport.h"
#include "core/app/SyncPlaces.h"
#include "core/formats/FileStreams.h"
#include "core/sync/TreeSync.h"
#include "core/text/Encoding.h"
#include "gui/app/MainDialog.h"
#include "gui/app/SyncCommands.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/options/COptionSheet.h"
#include "gui/options/CSyncPage.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

class MemoryStore : public MailPasswordStore {
  public:
    bool available() override { return lasting; }
    std::optional<QString> read(const QString& key) override {
        auto it = entries.find(key);
        return it == entries.end() ? std::nullopt : std::optional<QString>(it->second);
    }
    bool write(const QString& key, const QString& password) override {
        if (!lasting)
            return false;
        entries[key] = password;
        return true;
    }
    void remove(const QString& key) override { entries.erase(key); }
    std::map<QString, QString> entries;
    bool lasting = true;
};

template <class T>
T* control(QWidget* page, int id) {
    return page->findChild<T*>(QString::number(id));
}

SyncSettings folderSync(std::vector<std::string> folder, int minutes) {
    SyncSettings s;
    s.serverUrl = "https://dav.example.cn/files/u/";
    s.fileName = "书签.xbel";
    s.user = "张三";
    s.folder = std::move(folder);
    s.intervalMinutes = minutes;
    return s;
}

const std::vector<std::vector<std::string>> kCustomFolders = {
    {text::gbk("工作")}, {text::gbk("工作"), text::gbk("A/B")}, {text::gbk("乗车")}};

}  // namespace

Q_DECLARE_METATYPE(SyncSettings)

class SyncPageTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { MailPasswordStore::setCurrent(&store_); }
    void cleanup() { MailPasswordStore::setCurrent(nullptr); }
    void pageGivesBackWhatItShowed_data();
    void pageGivesBackWhatItShowed();
    void aFolderThatWentIsKeptAndSaidSo();
    void switchingTheTreeOffersItsFolders();
    void pageRefusesWhatCannotWork_data();
    void pageRefusesWhatCannotWork();
    void okKeepsThePasswordOutOfTheProfile();
    void withoutASecretStoreThePasswordLastsTheRun();
    void anotherFolderStartsAfresh();

  private:
    MemoryStore store_;
};

void SyncPageTest::pageGivesBackWhatItShowed_data() {
    QTest::addColumn<SyncSettings>("settings");
    QTest::addColumn<QString>("password");
    QTest::newRow("nothing set") << SyncSettings{} << QString();
    QTest::newRow("whole tree by hand") << folderSync({}, 0) << QStringLiteral("密码 pw");
    QTest::newRow("nested folder every 15") << folderSync(kCustomFolders[1], 15) << QString();
    QTest::newRow("0x5c label every day") << folderSync(kCustomFolders[2], 1440) << QString();
    SyncSettings recommended = folderSync({}, 5);
    recommended.treeKind = kRecommendedTree;
    recommended.caFile = "/etc/ssl/certs/ca-certificates.crt";
    QTest::newRow("recommended with CA file") << recommended << QStringLiteral("x");
}

void SyncPageTest::pageGivesBackWhatItShowed() {
    QFETCH(SyncSettings, settings);
    QFETCH(QString, password);
    OptionValues shown;
    shown.sync = settings;
    shown.syncPassword = password.toStdString();
    shown.customFolders = kCustomFolders;
    shown.recommendedFolders = {{"R"}};
    CSyncPage page;
    page.load(shown);
    QCOMPARE(control<QSpinBox>(&page, ids::kSyncIntervalControl)->isEnabled(),
             settings.intervalMinutes > 0);
    OptionValues back;
    page.save(back);
    QVERIFY(back.sync == settings);
    QCOMPARE(QString::fromStdString(back.syncPassword), password);
}

void SyncPageTest::aFolderThatWentIsKeptAndSaidSo() {
    OptionValues shown;
    shown.sync = folderSync({text::gbk("旧"), "x"}, 0);
    shown.customFolders = kCustomFolders;
    CSyncPage page;
    page.load(shown);
    auto* folder = control<QComboBox>(&page, ids::kSyncFolderControl);
    QCOMPARE(folder->currentText(), QString::fromUtf8("旧 / x（不存在）"));
    // The whole tree, the three folders and the one that went.
    QCOMPARE(folder->count(), 5);
    OptionValues back;
    page.save(back);
    QVERIFY(back.sync.folder == shown.sync.folder);
}

void SyncPageTest::switchingTheTreeOffersItsFolders() {
    OptionValues shown;
    shown.sync = folderSync(kCustomFolders[0], 0);
    shown.customFolders = kCustomFolders;
    shown.recommendedFolders = {{"R"}};
    CSyncPage page;
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto* tree = control<QComboBox>(&page, ids::kSyncTreeControl);
    auto* folder = control<QComboBox>(&page, ids::kSyncFolderControl);
    page.load(shown);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentText(), QString::fromUtf8("推荐"));
    QCOMPARE(folder->count(), 2);
    QCOMPARE(folder->itemText(1), QStringLiteral("R"));
    // A folder of 收藏 is not carried over into 推荐.
    OptionValues back;
    page.save(back);
    QCOMPARE(back.sync.treeKind, kRecommendedTree);
    QVERIFY(back.sync.folder.empty());
}

void SyncPageTest::pageRefusesWhatCannotWork_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("said");
    QTest::newRow("no scheme") << "dav.example.cn/files"
                               << "b.xbel"
                               << "" << ids::kSyncServerControl << "https://";
    QTest::newRow("ftp") << "ftp://dav.example.cn/"
                         << "b.xbel"
                         << "" << ids::kSyncServerControl << "ftp://dav.example.cn/";
    QTest::newRow("file with slash") << "https://h/"
                                     << "a/b.xbel"
                                     << "" << ids::kSyncFileControl << "“/”";
    QTest::newRow("file dot dot") << "https://h/"
                                  << ".."
                                  << "" << ids::kSyncFileControl << "“/”";
    QTest::newRow("missing CA file")
        << "https://h/"
        << "b.xbel"
        << "/nonexistent/ca.pem" << ids::kSyncCaFileControl << "/nonexistent/ca.pem";
}

void SyncPageTest::pageRefusesWhatCannotWork() {
    QFETCH(QString, server);
    QFETCH(QString, file);
    QFETCH(QString, caFile);
    QFETCH(int, field);
    QFETCH(QString, said);
    COptionSheet sheet("u", OptionValues{});
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    auto* page = sheet.findChild<CSyncPage*>();
    control<QLineEdit>(page, ids::kSyncServerControl)->setText(server);
    control<QLineEdit>(page, ids::kSyncFileControl)->setText(file);
    control<QLineEdit>(page, ids::kSyncCaFileControl)->setText(caFile);
    ModalDriver driver;
    sheet.accept();
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY2(driver.messages()[0].text.contains(said), qPrintable(driver.messages()[0].text));
    // The sheet stays open on the page, at the field to mend.
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.pages()->currentWidget(), page);
    QCOMPARE(sheet.focusWidget(), control<QWidget>(page, field));
}

void SyncPageTest::okKeepsThePasswordOutOfTheProfile() {
    TestProfile profile;
    TempHome home;
    MainDialog window{logIn(home, makeAccount("u", "pw"))};
    window.start();
    // Listening has started, so the network page holds a port its OK accepts.
    QTRY_VERIFY(window.commands().isChecked(ids::kListen));
    QAction* syncNow = window.commands().action(ids::kSyncNow);
    QVERIFY(!syncNow->isEnabled());

    const QString secret = QStringLiteral("s3cret-同步");
    ModalDriver driver;
    driver.then([&](QWidget* dialog) {
        auto* page = dialog->findChild<CSyncPage*>();
        QVERIFY(page);
        control<QLineEdit>(page, ids::kSyncServerControl)->setText("https://dav.example.cn/u/");
        control<QLineEdit>(page, ids::kSyncUserControl)->setText(QStringLiteral("张三"));
        control<QLineEdit>(page, ids::kSyncPasswordControl)->setText(secret);
        control<QRadioButton>(page, ids::kSyncEveryRadio)->click();
        control<QSpinBox>(page, ids::kSyncIntervalControl)->setValue(20);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(window.command(ids::kSettings));
    QVERIFY(driver.allActionsRun());
    QVERIFY(driver.messages().empty());

    const SyncSettings kept = profile.profile().syncSettings("u");
    QCOMPARE(QString::fromStdString(kept.serverUrl), QStringLiteral("https://dav.example.cn/u/"));
    QCOMPARE(QString::fromStdString(kept.user), QStringLiteral("张三"));
    QCOMPARE(kept.intervalMinutes, 20);
    for (const auto& [key, value] : profile.store().values())
        QVERIFY2(!QString::fromStdString(value).contains(secret), key.c_str());
    QCOMPARE(store_.entries.size(), size_t(1));
    QCOMPARE(store_.entries.begin()->second, secret);
    // Live now, and timed.
    QVERIFY(syncNow->isEnabled());
    auto* syncing = window.findChild<SyncCommands*>();
    QVERIFY(syncing->timer().isActive());
    QCOMPARE(syncing->timer().interval(), 20 * 60 * 1000);

    // Shown again on the next opening, from the store.
    QString shownPassword;
    driver.then([&](QWidget* dialog) {
        auto* page = dialog->findChild<CSyncPage*>();
        shownPassword = control<QLineEdit>(page, ids::kSyncPasswordControl)->text();
        // The server forgotten: no sync, no password left behind.
        control<QLineEdit>(page, ids::kSyncServerControl)->clear();
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(window.command(ids::kSettings));
    QCOMPARE(shownPassword, secret);
    QVERIFY(!syncNow->isEnabled());
    QVERIFY(!syncing->timer().isActive());
    QVERIFY(store_.entries.empty());
}

void SyncPageTest::withoutASecretStoreThePasswordLastsTheRun() {
    TestProfile profile;
    TempHome home;
    store_.lasting = false;
    MainDialog window{logIn(home, makeAccount("u", "pw"))};
    window.start();
    // Listening has started, so the network page holds a port its OK accepts.
    QTRY_VERIFY(window.commands().isChecked(ids::kListen));
    bool noteShown = false;
    ModalDriver driver;
    driver.then([&](QWidget* dialog) {
        auto* page = dialog->findChild<CSyncPage*>();
        qobject_cast<QTabWidget*>(dialog->findChild<QTabWidget*>())->setCurrentWidget(page);
        for (auto* label : page->findChildren<QLabel*>())
            noteShown = noteShown || (label->isVisible() &&
                                      label->text().contains(QString::fromUtf8("密钥存储")));
        control<QLineEdit>(page, ids::kSyncServerControl)->setText("https://h/");
        control<QLineEdit>(page, ids::kSyncPasswordControl)->setText("pw2");
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(window.command(ids::kSettings));
    QVERIFY(noteShown);
    OptionValues values;
    window.findChild<SyncCommands*>()->fill(values);
    QCOMPARE(values.syncPassword, std::string("pw2"));
    QVERIFY(store_.entries.empty());
    for (const auto& [key, value] : profile.store().values())
        QVERIFY2(value.find("pw2") == std::string::npos, key.c_str());
    store_.lasting = true;
}

void SyncPageTest::anotherFolderStartsAfresh() {
    TestProfile profile;
    TempHome home;
    MainDialog window{logIn(home, makeAccount("u", "pw"))};
    window.start();
    // Listening has started, so the network page holds a port its OK accepts.
    QTRY_VERIFY(window.commands().isChecked(ids::kListen));
    auto* syncing = window.findChild<SyncCommands*>();
    OptionValues values;
    syncing->fill(values);
    values.sync = folderSync({}, 0);
    syncing->apply(values);
    const std::string state = syncing->statePath();
    QVERIFY(!state.empty());
    QVERIFY(QDir().mkpath(QString::fromStdString(directoryOf(state))));
    auto writeState = [&] { std::ofstream(state) << "state of the last sync"; };
    auto stateKept = [&] { return std::ifstream(state).good(); };

    struct Step {
        const char* what;
        void (*change)(SyncSettings&);
        bool kept;
    };
    const Step steps[] = {
        {"interval", [](SyncSettings& s) { s.intervalMinutes = 10; }, true},
        {"login", [](SyncSettings& s) { s.user = "other"; }, true},
        {"folder", [](SyncSettings& s) { s.folder = {"x"}; }, false},
        {"file", [](SyncSettings& s) { s.fileName = "b.xbel"; }, false},
        {"server", [](SyncSettings& s) { s.serverUrl = "https://k/"; }, false},
    };
    for (const Step& step : steps) {
        writeState();
        step.change(values.sync);
        syncing->apply(values);
        QVERIFY2(stateKept() == step.kept, step.what);
    }
    // The state of 推荐's sync is another file: switching drops the one that applied.
    writeState();
    values.sync.treeKind = kRecommendedTree;
    syncing->apply(values);
    QVERIFY(!stateKept());
    QVERIFY(syncing->statePath() != state);
}

QTEST_MAIN(SyncPageTest)
#include "SyncPageTest.moc"
