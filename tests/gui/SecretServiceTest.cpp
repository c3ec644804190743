// Remembered mail passwords in the desktop's real secret store (Secret Service on the session
// bus; scripts/run-tests starts a private bus with gnome-keyring for this program), and the
// way without one: the password is asked each time and lands in no file.

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "ScriptedServer.h"
#include "core/net/Base64.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/app/MainDialog.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"

using namespace brivanta;
using namespace brivanta::test;
using net::testing::ScriptedPeer;
using net::testing::ScriptedServer;

namespace {

template <class T>
T* child(QWidget* w, int id) {
    return w->findChild<T*>(QString::number(id));
}

// Set by scripts/run-tests when it started a secret store: then a missing one is a failure.
bool storeExpected() {
    return qEnvironmentVariable("BRIVANTA_SECRET_SERVICE") == QStringLiteral("required");
}

// Every file below `dir` that holds `needle` (relative names).
QStringList filesHolding(const QString& dir, const QByteArray& needle) {
    QStringList found;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(needle))
            found << QDir(dir).relativeFilePath(f.fileName());
    }
    return found;
}

UserAccount account() {
    UserAccount a = makeAccount("u", "pw", "zhang@example.cn");
    a.smtpServer = "smtp.example.cn";
    return a;
}

// An SMTP server that takes a login (AUTH PLAIN) and one mail; `auth` gets the AUTH line.
ScriptedServer::Script smtpWithLogin(std::string& auth) {
    return [&auth](ScriptedPeer& p) {
        p.send("220 ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("EHLO")) {
                p.send("250-test\r\n250 AUTH PLAIN\r\n");
            } else if (line.starts_with("AUTH")) {
                auth = line;
                p.send("235 ok\r\n");
            } else if (line.starts_with("DATA")) {
                p.send("354 go on\r\n");
                p.readUntil("\r\n.\r\n");
                p.send("250 queued\r\n");
            } else if (line.starts_with("QUIT")) {
                p.send("221 bye\r\n");
                return;
            } else {
                p.send("250 ok\r\n");
            }
        }
    };
}

}  // namespace

class SecretServiceTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void storesReadsBackAndForgets_data();
    void storesReadsBackAndForgets();
    void eachAccountAndServerKeepsItsOwnEntry();
    void aSendWithRememberTickedKeepsThePasswordInTheStoreOnly();
    void withoutASecretStoreThePasswordIsAskedEachTimeAndKeptNowhere();

  private:
    // Skips (or fails, where run-tests started one) when no secret store answers.
    bool requireStore();
    // Sends the tree by mail through the window's command with `password` typed, the box
    // "记住密码" ticked; what the dialog showed first is returned in `shown`.
    void sendWithLogin(MainDialog& window, const QString& password, bool tick, QString& shown,
                       bool& rememberEnabled, std::string& auth);

    QTemporaryDir settingsDir_;
    bool probed_ = false;
    bool haveStore_ = false;
};

void SecretServiceTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("SecretServiceTest"));
    qputenv("BRIVANTA_LISTEN_PORT", "0");
}

void SecretServiceTest::init() {
    openFreshProfile(settingsDir_.filePath(QStringLiteral("Brivanta.conf")));
    MailPasswordStore::setCurrent(nullptr);
}

bool SecretServiceTest::requireStore() {
    if (!probed_) {
        probed_ = true;
        MailPasswordStore& store = MailPasswordStore::current();
        const QString key = QStringLiteral("probe/%1").arg(QCoreApplication::applicationPid());
        haveStore_ = store.available() && store.write(key, QStringLiteral("probe"));
        if (haveStore_)
            store.remove(key);
    }
    return haveStore_;
}

#define REQUIRE_STORE()                                                                    \
    do {                                                                                   \
        if (!requireStore()) {                                                             \
            if (storeExpected())                                                           \
                QFAIL("run-tests started a Secret Service, but it does not answer");       \
            QSKIP(                                                                         \
                "no Secret Service on the session bus (scripts/run-tests starts one with " \
                "gnome-keyring)");                                                         \
        }                                                                                  \
    } while (false)

void SecretServiceTest::storesReadsBackAndForgets_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("ascii") << QStringLiteral("s3cret password");
    QTest::newRow("chinese_and_latin") << QString::fromUtf8("密码 Pässwörd");
    QTest::newRow("long") << QString(4096, u'x');
    QTest::newRow("separators") << QStringLiteral("a\tb;c=d\n\"e\"");
}

void SecretServiceTest::storesReadsBackAndForgets() {
    REQUIRE_STORE();
    QFETCH(QString, password);
    MailPasswordStore& store = MailPasswordStore::current();
    const QString key =
        mailPasswordKey("u", "smtp", QStringLiteral("zhang"), QStringLiteral("smtp.example.cn"));
    QVERIFY(store.write(key, password));
    QCOMPARE(store.read(key), std::optional<QString>(password));
    QVERIFY(store.write(key, password + u'2'));  // a new password replaces the old one
    QCOMPARE(store.read(key), std::optional<QString>(password + u'2'));
    store.remove(key);
    QCOMPARE(store.read(key), std::nullopt);
    store.remove(key);  // forgetting twice is no fault
    QVERIFY(store.available());
}

void SecretServiceTest::eachAccountAndServerKeepsItsOwnEntry() {
    REQUIRE_STORE();
    MailPasswordStore& store = MailPasswordStore::current();
    const QString login = QStringLiteral("zhang");
    const QString host = QStringLiteral("mail.example.cn");
    // GBK names of two program users that differ in one byte only.
    const QString keys[] = {
        mailPasswordKey(toGbk(QString::fromUtf8("张三")), "smtp", login, host),
        mailPasswordKey(toGbk(QString::fromUtf8("张四")), "smtp", login, host),
        mailPasswordKey(toGbk(QString::fromUtf8("张三")), "pop3", login, host),
        mailPasswordKey(toGbk(QString::fromUtf8("张三")), "smtp", login,
                        QStringLiteral("mail2.example.cn")),
    };
    for (int i = 0; i < 4; ++i)
        QVERIFY(store.write(keys[i], QStringLiteral("pw%1").arg(i)));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(store.read(keys[i]), std::optional<QString>(QStringLiteral("pw%1").arg(i)));
    for (const QString& key : keys)
        store.remove(key);
    for (const QString& key : keys)
        QCOMPARE(store.read(key), std::nullopt);
}

void SecretServiceTest::sendWithLogin(MainDialog& window, const QString& password, bool tick,
                                      QString& shown, bool& rememberEnabled, std::string& auth) {
    ModalDriver driver;
    ScriptedServer server(smtpWithLogin(auth));
    driver.then([&](QWidget* dialog) {
        // Typed as a person would: each field left after typing.
        auto* field = child<QLineEdit>(dialog, ids::kSmtpControl);
        field->setText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
        Q_EMIT field->editingFinished();
        child<QComboBox>(dialog, ids::kSmtpSecurityControl)->setCurrentIndex(0);
        auto* login = child<QLineEdit>(dialog, ids::kSmtpLoginControl);
        login->setText(QStringLiteral("zhang"));
        Q_EMIT login->editingFinished();
        auto* edit = child<GuardedPasswordEdit>(dialog, ids::kPasswordControl);
        shown = fromGbk(edit->password());
        auto* remember = child<QCheckBox>(dialog, ids::kRememberPasswordControl);
        rememberEnabled = remember->isEnabled();
        if (!password.isNull())
            edit->setPassword(toGbk(password));
        // Ticked even where the box is disabled: the dialog must still keep it nowhere.
        remember->setChecked(tick);
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QVERIFY(window.command(ids::kSendToMailbox));
    server.join();
    QVERIFY(driver.allActionsRun());
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("发送完毕！"));
}

void SecretServiceTest::aSendWithRememberTickedKeepsThePasswordInTheStoreOnly() {
    REQUIRE_STORE();
    const QString secret =
        QStringLiteral("kept-in-the-keyring-%1").arg(QCoreApplication::applicationPid());
    TempHome home;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.customTree().InsertNode({"doc", "http://doc/", ""});  // something to send
    QString shown;
    bool enabled = false;
    std::string auth;
    sendWithLogin(window, secret, true, shown, enabled, auth);
    QVERIFY(enabled);
    QVERIFY(shown.isEmpty());
    const std::string plain = std::string(1, '\0') + "zhang" + '\0' + toGbk(secret);
    QCOMPARE(auth, "AUTH PLAIN " + net::base64Encode(plain) + "\r\n");
    const QString key =
        mailPasswordKey("u", "smtp", QStringLiteral("zhang"), QStringLiteral("127.0.0.1"));
    QCOMPARE(MailPasswordStore::current().read(key), std::optional<QString>(secret));

    // The next send finds it, ticked; unticking forgets it.
    sendWithLogin(window, QString(), false, shown, enabled, auth);
    QCOMPARE(shown, secret);
    QCOMPARE(auth, "AUTH PLAIN " + net::base64Encode(plain) + "\r\n");
    QCOMPARE(MailPasswordStore::current().read(key), std::nullopt);

    // No file of the program, of its profile or of the keyring holds it in clear text.
    QCOMPARE(filesHolding(QString::fromStdString(home.path()), secret.toUtf8()), QStringList());
    QCOMPARE(filesHolding(settingsDir_.path(), secret.toUtf8()), QStringList());
    const QString keyrings = qEnvironmentVariable("XDG_DATA_HOME");
    if (!keyrings.isEmpty())
        QCOMPARE(filesHolding(keyrings, secret.toUtf8()), QStringList());
}

void SecretServiceTest::withoutASecretStoreThePasswordIsAskedEachTimeAndKeptNowhere() {
    // Secret Service speaks D-Bus: without a session bus no store runs.
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    auto restore = qScopeGuard([&] {
        if (!bus.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    });
    QVERIFY(!MailPasswordStore::current().available());
    const QString secret = QStringLiteral("asked-every-time");
    TempHome home;
    MainDialog window{logIn(home.path(), account())};
    window.start();
    window.show();
    window.customTree().InsertNode({"doc", "http://doc/", ""});  // something to send
    QString shown;
    bool enabled = true;
    std::string auth;
    sendWithLogin(window, secret, true, shown, enabled, auth);
    QVERIFY(!enabled);
    const std::string plain = std::string(1, '\0') + "zhang" + '\0' + toGbk(secret);
    QCOMPARE(auth, "AUTH PLAIN " + net::base64Encode(plain) + "\r\n");
    // Asked again: nothing was kept for the next dialog.
    sendWithLogin(window, secret, true, shown, enabled, auth);
    QVERIFY(shown.isEmpty());
    QCOMPARE(filesHolding(QString::fromStdString(home.path()), secret.toUtf8()), QStringList());
    QCOMPARE(filesHolding(settingsDir_.path(), secret.toUtf8()), QStringList());
    // ...nor in the store once it is back.
    restore.dismiss();
    if (!bus.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    if (requireStore()) {
        QCOMPARE(MailPasswordStore::current().read(mailPasswordKey(
                     "u", "smtp", QStringLiteral("zhang"), QStringLiteral("127.0.0.1"))),
                 std::nullopt);
    }
}

QTEST_MAIN(SecretServiceTest)
#include "SecretServiceTest.moc"
