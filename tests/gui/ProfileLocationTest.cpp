// Where the desktop's profile lives, and that no password stays in it.
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "GuiTestSupport.h"
#include "core/app/ProgramDirectory.h"
#include "gui/app/TipDialog.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/net/RecommendedMailboxSettings.h"
#include "gui/platform/DesktopProfile.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// A secret store in memory, on or off.
class MapStore : public MailPasswordStore {
  public:
    bool on = true;
    std::map<QString, QString> entries;
    bool available() override { return on; }
    std::optional<QString> read(const QString& key) override {
        auto found = entries.find(key);
        return found == entries.end() ? std::nullopt : std::optional(found->second);
    }
    bool write(const QString& key, const QString& password) override {
        entries[key] = password;
        return on;
    }
    void remove(const QString& key) override { entries.erase(key); }
};

QStringList filesBelow(const QString& dir) {
    QStringList found;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(dir).relativeFilePath(it.next());
    return found;
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class ProfileLocationTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void theProfileLivesUnderTheHomeGiven_data();
    void theProfileLivesUnderTheHomeGiven();
    void aPlainRecommendedPasswordMovesToTheSecretStore();

  private:
    QTemporaryDir xdgConfig_;
    QByteArray oldConfig_;
};

void ProfileLocationTest::initTestCase() {
    // The XDG place of the profile: a directory of the test's own, to see it stays empty.
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdgConfig_.path()));
}

void ProfileLocationTest::cleanupTestCase() {
    if (oldConfig_.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig_);
    qunsetenv("BRIVANTA_HOME");
}

void ProfileLocationTest::theProfileLivesUnderTheHomeGiven_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("--home") << "option";
    QTest::newRow("BRIVANTA_HOME") << "variable";
    QTest::newRow("neither") << "none";
}

void ProfileLocationTest::theProfileLivesUnderTheHomeGiven() {
    QFETCH(QString, how);
    TempHome home;
    home.write(QStringLiteral("tips.txt"), "first\nsecond\n");
    qunsetenv("BRIVANTA_HOME");
    if (how == "variable")
        qputenv("BRIVANTA_HOME", QFile::encodeName(QString::fromStdString(home.path())));
    const StorageRoots roots = storageRoots(how == "option" ? home.path() : std::string());
    const QString expected = how == "none"
                                 ? xdgConfig_.filePath(QStringLiteral("Velkor/Brivanta.conf"))
                                 : home.filePath(QStringLiteral("Brivanta.conf"));
    QCOMPARE(QString::fromStdString(roots.profileFile), expected);
    QFile::remove(expected);

    DesktopProfile::open(roots.profileFile);
    {
        TipDialog tip{Storage(home.path())};
        tip.accept();
    }
    // The tip's place and choice are in that file, and only there.
    const QByteArray written = contents(expected);
    QVERIFY2(written.contains("FilePos") && written.contains("StartUp"), written.constData());
    if (how != "none")
        QCOMPARE(filesBelow(xdgConfig_.path()), QStringList());
    DesktopProfile::open(std::string());
}

void ProfileLocationTest::aPlainRecommendedPasswordMovesToTheSecretStore() {
    TempHome home;
    const QString file = home.filePath(QStringLiteral("Brivanta.conf"));
    MapStore store;
    MailPasswordStore::setCurrent(&store);
    auto writeProfile = [&] {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Update]\nHost=127.0.0.1\nUser=upd\nPassword=s3cret\n");
    };

    // No secret store runs: the password is used and left where it is, not lost.
    store.on = false;
    writeProfile();
    DesktopProfile::open(file.toStdString());
    QCOMPARE(loadRecommendedMailbox().password, std::string("s3cret"));
    QVERIFY(contents(file).contains("s3cret"));

    // With one, it moves there and leaves the profile.
    store.on = true;
    QCOMPARE(loadRecommendedMailbox().password, std::string("s3cret"));
    QVERIFY(!contents(file).contains("s3cret"));
    const net::RecommendedMailbox mailbox = loadRecommendedMailbox();
    QCOMPARE(mailbox.password, std::string("s3cret"));
    QCOMPARE(mailbox.host, std::string("127.0.0.1"));
    QCOMPARE(store.read(recommendedMailboxPasswordKey(mailbox)), std::optional<QString>("s3cret"));

    // The program's own mailbox keeps its built-in password without any of this.
    store.entries.clear();
    DesktopProfile::open((home.filePath(QStringLiteral("empty.conf"))).toStdString());
    QCOMPARE(loadRecommendedMailbox().password, net::RecommendedMailbox().password);
    QVERIFY(store.entries.empty());
    QCOMPARE(filesBelow(QString::fromStdString(home.path())),
             QStringList{QStringLiteral("Brivanta.conf")});
    MailPasswordStore::setCurrent(nullptr);
    DesktopProfile::open(std::string());
}

QTEST_MAIN(ProfileLocationTest)
#include "ProfileLocationTest.moc"
