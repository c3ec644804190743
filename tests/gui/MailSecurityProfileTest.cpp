#include <QTemporaryDir>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/text/Encoding.h"
#include "gui/accounts/MailSecurityProfile.h"

using namespace brivanta;
using brivanta::test::TestProfile;

Q_DECLARE_METATYPE(std::optional<net::SecurityMode>)

class MailSecurityProfileTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void roundTrip_data();
    void roundTrip();
    void unsetFollowsThePort_data();
    void unsetFollowsThePort();
    void usersAreKeptApart();
    void aDamagedValueReadsAsUnset();

  private:
    std::unique_ptr<TestProfile> profile_;
};

void MailSecurityProfileTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("MailSecurityProfileTest"));
}

void MailSecurityProfileTest::init() {
    profile_.reset();
    profile_ = std::make_unique<TestProfile>();
}

void MailSecurityProfileTest::roundTrip_data() {
    using M = std::optional<net::SecurityMode>;
    QTest::addColumn<M>("smtp");
    QTest::addColumn<M>("pop3");
    QTest::addColumn<QString>("login");
    QTest::newRow("all set") << M(net::SecurityMode::startTls) << M(net::SecurityMode::tls)
                             << QStringLiteral("me@example.com");
    QTest::newRow("none chosen") << M(net::SecurityMode::none) << M(net::SecurityMode::none)
                                 << QString();
    QTest::newRow("unset") << M() << M() << QString();
    QTest::newRow("Chinese login") << M() << M(net::SecurityMode::tls) << QString::fromUtf8("张三");
}

void MailSecurityProfileTest::roundTrip() {
    QFETCH(std::optional<net::SecurityMode>, smtp);
    QFETCH(std::optional<net::SecurityMode>, pop3);
    QFETCH(QString, login);
    MailSecurityProfile saved{smtp, pop3, text::fromUtf8(login.toStdString())};
    // A profile saved before is overwritten, unset keys included.
    saveMailSecurityProfile("u", {net::SecurityMode::tls, net::SecurityMode::startTls, "old"});
    saveMailSecurityProfile("u", saved);
    QVERIFY(loadMailSecurityProfile("u") == saved);
}

void MailSecurityProfileTest::unsetFollowsThePort_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("mode");
    QTest::newRow("25") << 25 << int(net::SecurityMode::none);
    QTest::newRow("110") << 110 << int(net::SecurityMode::none);
    QTest::newRow("587") << 587 << int(net::SecurityMode::startTls);
    QTest::newRow("465") << 465 << int(net::SecurityMode::tls);
    QTest::newRow("995") << 995 << int(net::SecurityMode::tls);
    QTest::newRow("other") << 2525 << int(net::SecurityMode::none);
}

void MailSecurityProfileTest::unsetFollowsThePort() {
    QFETCH(int, port);
    QFETCH(int, mode);
    MailSecurityProfile never = loadMailSecurityProfile("nobody");
    QCOMPARE(int(never.smtpModeFor(port)), mode);
    QCOMPARE(int(never.pop3ModeFor(port)), mode);
    // A chosen mode wins over the port.
    saveMailSecurityProfile("u", {net::SecurityMode::none, net::SecurityMode::tls, ""});
    MailSecurityProfile chosen = loadMailSecurityProfile("u");
    QCOMPARE(chosen.smtpModeFor(port), net::SecurityMode::none);
    QCOMPARE(chosen.pop3ModeFor(port), net::SecurityMode::tls);
}

void MailSecurityProfileTest::usersAreKeptApart() {
    // Names that differ only in what a path or a case-blind key would lose.
    const std::string names[] = {"a", "A", "a/b", "a\\b", text::gbk("张三"), "b"};
    int i = 0;
    for (const std::string& name : names) {
        saveMailSecurityProfile(
            name, {net::SecurityMode::tls, std::nullopt, "login" + std::to_string(i++)});
    }
    i = 0;
    for (const std::string& name : names) {
        MailSecurityProfile p = loadMailSecurityProfile(name);
        QCOMPARE(p.smtpLogin, "login" + std::to_string(i++));
        QVERIFY(!p.pop3Security.has_value());
    }
    saveMailSecurityProfile("a", {});
    QVERIFY(loadMailSecurityProfile("a") == MailSecurityProfile{});
    QCOMPARE(loadMailSecurityProfile("A").smtpLogin, std::string("login1"));
}

void MailSecurityProfileTest::aDamagedValueReadsAsUnset() {
    saveMailSecurityProfile("u", {net::SecurityMode::tls, net::SecurityMode::tls, "x"});
    MemorySettingsStore& store = profile_->store();
    const std::map<std::string, std::string> values = store.values();
    for (const auto& [key, value] : values) {
        if (key.ends_with("Security"))
            store.setValue(key, "ssl3");
    }
    MailSecurityProfile p = loadMailSecurityProfile("u");
    QVERIFY(!p.smtpSecurity.has_value());
    QVERIFY(!p.pop3Security.has_value());
    QCOMPARE(p.smtpLogin, std::string("x"));
}

QTEST_MAIN(MailSecurityProfileTest)
#include "MailSecurityProfileTest.moc"
