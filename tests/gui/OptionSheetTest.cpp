#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/accounts/AccountTable.h"
#include "core/app/Storage.h"
#include "core/net/TcpListener.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/app/MainDialog.h"
#include "gui/app/NetworkCommands.h"
#include "gui/app/OptionCommands.h"
#include "gui/app/TrayIcon.h"
#include "gui/options/COptionSheet.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

template <typename T>
T* control(QWidget* sheet, int pageId, int controlId) {
    QWidget* page = sheet->findChild<QWidget*>(QString::number(pageId));
    return page ? page->findChild<T*>(QString::number(controlId)) : nullptr;
}

OptionValues sampleValues() {
    OptionValues v;
    v.view.openInNewBrowser = false;
    v.view.showMenuIcons = true;
    v.view.showTrayIcon = true;
    v.view.showToolbar = false;
    v.view.listening = true;
    v.view.autoHide = false;
    v.network.serverAddress = "upload.example";
    v.email = "u@example.com";
    v.pop3Server = "pop.example.com";
    v.smtpServer = "smtp.example.com:587";
    v.security.pop3Security = net::SecurityMode::tls;
    v.security.smtpLogin = "u-login";
    v.password = "pw";
    return v;
}

std::vector<UserAccount> storedAccounts(const TempHome& home) {
    std::vector<UserAccount> records;
    readAccountFile(home.filePath(QStringLiteral("Data/Users.ini")).toStdString(), records);
    return records;
}

const UserAccount* storedAccount(const std::vector<UserAccount>& records, const std::string& name) {
    const UserAccount* found = nullptr;
    for (const UserAccount& a : records) {
        if (a.name == name)
            found = &a;
    }
    return found;
}

void writeAccounts(const TempHome& home, const std::vector<UserAccount>& accounts) {
    std::string bytes;
    for (const UserAccount& a : accounts)
        bytes += accountRecord(a);
    home.write(QStringLiteral("Data/Users.ini"), QByteArray::fromStdString(bytes));
}

void setPassword(QWidget* sheet, int id, const QString& text) {
    auto* edit = control<GuardedPasswordEdit>(sheet, ids::kPasswordPage, id);
    QVERIFY(edit);
    edit->setText(text);
}

}  // namespace

class OptionSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();

    void captionPagesAndWhatTheyShow();
    void okAndCancelOnly();
    void portFieldsTakeIntegersOnly_data();
    void portFieldsTakeIntegersOnly();
    void mailServersTakeHostAndPort_data();
    void mailServersTakeHostAndPort();
    void securityCombosFollowThePortUntilChosen();
    void passwordChecks_data();
    void passwordChecks();
    void passwordEditsFollowTheBox();

    void settingsCommandOpensTheSheetAndCancelChangesNothing();
    void okAppliesEveryStepAndRewritesUsersIni();
    void menuIconBoxIsTheActiveTreesOwn();
    void networkSettingsLastOnlyForTheRun();
    void aFailedWriteBackNamesTheFileAndKeepsTheSettings();
    void entriesOpenInANewBrowserWindowByTheSwitch();

  private:
    std::unique_ptr<TestProfile> profile_;
};

void OptionSheetTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("OptionSheetTest"));
    // The windows start listening only after the sheet may have opened, so the port the
    // sheet shows must be a real one, not the "pick any" 0 the other tests run with.
    net::TcpListener probe;
    QCOMPARE(probe.listen(0), net::NetStatus::ok);
    qputenv("BRIVANTA_LISTEN_PORT", QByteArray::number(probe.port()));
}

void OptionSheetTest::init() {
    profile_.reset();
    profile_ = std::make_unique<TestProfile>();
}

void OptionSheetTest::captionPagesAndWhatTheyShow() {
    COptionSheet sheet(text::gbk("张三"), sampleValues());
    QCOMPARE(sheet.windowTitle(), QString::fromUtf8("用户(张三)参数设置"));
    QTabWidget* tabs = sheet.pages();
    QCOMPARE(tabs->count(), 5);
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles, (QStringList{QString::fromUtf8("参数设置"), QString::fromUtf8("网络设置"),
                                  QString::fromUtf8("EMAIL设置"), QString::fromUtf8("修改密码"),
                                  QString::fromUtf8("同步")}));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("156"));
    QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("162"));
    QCOMPARE(tabs->widget(2)->objectName(), QStringLiteral("155"));
    QCOMPARE(tabs->widget(3)->objectName(), QStringLiteral("151"));
    QCOMPARE(tabs->widget(4)->objectName(), QString::number(ids::kSyncPage));

    struct Box {
        int id;
        const char* text;
        bool checked;
    };
    for (const Box& box :
         {Box{1022, "用新的浏览器打开站点", false}, Box{1023, "使用菜单时显示图标", true},
          Box{1024, "在主窗口中显示工具条", false}, Box{1025, "在任务栏显示图标", true}}) {
        auto* check = control<QCheckBox>(&sheet, ids::kParamPage, box.id);
        QVERIFY2(check, box.text);
        QCOMPARE(check->text(), QString::fromUtf8(box.text));
        QCOMPARE(check->isChecked(), box.checked);
    }
    QCOMPARE(control<QLineEdit>(&sheet, ids::kNetworkPage, 1023)->text(),
             QStringLiteral("upload.example"));
    QCOMPARE(control<QLineEdit>(&sheet, ids::kNetworkPage, 1024)->text(), QStringLiteral("5000"));
    QCOMPARE(control<QLineEdit>(&sheet, ids::kNetworkPage, 1030)->text(), QStringLiteral("5000"));
    QCOMPARE(control<QLineEdit>(&sheet, ids::kEmailSetPage, 1011)->text(),
             QStringLiteral("u@example.com"));
    QCOMPARE(control<QLineEdit>(&sheet, ids::kEmailSetPage, 1003)->text(),
             QStringLiteral("pop.example.com"));
    QCOMPARE(control<QLineEdit>(&sheet, ids::kEmailSetPage, 1002)->text(),
             QStringLiteral("smtp.example.com:587"));
    QCOMPARE(control<QLineEdit>(&sheet, ids::kEmailSetPage, ids::kSmtpLoginControl)->text(),
             QStringLiteral("u-login"));
    // POP3 set to TLS; SMTP unset, so the mode of port 587.
    QCOMPARE(
        control<QComboBox>(&sheet, ids::kEmailSetPage, ids::kPop3SecurityControl)->currentText(),
        QStringLiteral("SSL/TLS"));
    QCOMPARE(
        control<QComboBox>(&sheet, ids::kEmailSetPage, ids::kSmtpSecurityControl)->currentText(),
        QStringLiteral("STARTTLS"));
    auto* change = control<QCheckBox>(&sheet, ids::kPasswordPage, ids::kChangePasswordCheck);
    QCOMPARE(change->text(), QString::fromUtf8("需要修改密码"));
    QVERIFY(!change->isChecked());
}

void OptionSheetTest::okAndCancelOnly() {
    COptionSheet sheet("u", sampleValues());
    auto* box = sheet.findChild<QDialogButtonBox*>();
    QVERIFY(box);
    QCOMPARE(box->buttons().size(), 2);
    QVERIFY(box->button(QDialogButtonBox::Ok));
    QVERIFY(box->button(QDialogButtonBox::Cancel));
    // Unchanged through OK: the flags the page does not show are carried through.
    ModalDriver driver;
    sheet.accept();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    OptionValues out = sheet.values();
    QVERIFY(out.view == sampleValues().view);
    QVERIFY(out.network == sampleValues().network);
    QCOMPARE(out.password, std::string("pw"));
    QVERIFY(driver.messages().empty());
}

void OptionSheetTest::portFieldsTakeIntegersOnly_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("stored");
    const QString integer = QString::fromUtf8("请键入一个整数。");
    const QString range = QString::fromUtf8("端口号须在 1 到 65535 之间。");
    QTest::newRow("letters") << 1024 << "abc" << integer << 0;
    QTest::newRow("empty") << 1030 << "" << integer << 0;
    QTest::newRow("digits then letters") << 1030 << "80x" << integer << 0;
    QTest::newRow("a fraction") << 1024 << "80.5" << integer << 0;
    QTest::newRow("not a port") << 1030 << "70000" << range << 0;
    QTest::newRow("zero") << 1024 << "0" << range << 0;
    QTest::newRow("negative") << 1024 << "-1" << range << 0;
    QTest::newRow("blanks around") << 1030 << " 6000 " << QString() << 6000;
    QTest::newRow("highest") << 1024 << "65535" << QString() << 65535;
}

void OptionSheetTest::portFieldsTakeIntegersOnly() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, stored);
    ModalDriver driver;
    COptionSheet sheet("u", sampleValues());
    sheet.pages()->setCurrentIndex(3);
    control<QLineEdit>(&sheet, ids::kNetworkPage, field)->setText(typed);
    sheet.accept();
    if (message.isEmpty()) {
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        const NetworkSettings& n = sheet.values().network;
        QCOMPARE(field == 1024 ? n.serverPort : n.listenPort, stored);
        QVERIFY(driver.messages().empty());
        return;
    }
    QCOMPARE(sheet.result(), int(QDialog::Rejected));
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, message);
    // The page with the field is brought to the front, and the values stay as they were.
    QCOMPARE(sheet.pages()->currentIndex(), 1);
    QCOMPARE(sheet.values().network.listenPort, 5000);
}

void OptionSheetTest::mailServersTakeHostAndPort_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("host") << "mail.example.com" << true;
    QTest::newRow("host and port") << "mail.example.com:465" << true;
    QTest::newRow("IPv6 and port") << "[::1]:2525" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("port not a number") << "mail.example.com:smtp" << false;
    QTest::newRow("port too high") << "mail.example.com:99999" << false;
}

void OptionSheetTest::mailServersTakeHostAndPort() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    for (int field : {ids::kSmtpControl, ids::kPop3Control}) {
        ModalDriver driver;
        COptionSheet sheet("u", sampleValues());
        control<QLineEdit>(&sheet, ids::kEmailSetPage, field)->setText(typed);
        sheet.accept();
        QCOMPARE(sheet.result() == QDialog::Accepted, accepted);
        QCOMPARE(driver.messages().size(), size_t(accepted ? 0 : 1));
        if (accepted) {
            const OptionValues& v = sheet.values();
            QCOMPARE(field == ids::kSmtpControl ? v.smtpServer : v.pop3Server, typed.toStdString());
        } else {
            QVERIFY(driver.messages()[0].text.contains(typed));
            QCOMPARE(sheet.pages()->currentIndex(), 2);
        }
    }
}

void OptionSheetTest::securityCombosFollowThePortUntilChosen() {
    ModalDriver driver;
    OptionValues values = sampleValues();
    values.smtpServer = "smtp.example.com";
    values.security = {};
    COptionSheet sheet("u", values);
    auto* smtp = control<QLineEdit>(&sheet, ids::kEmailSetPage, ids::kSmtpControl);
    auto* smtpMode = control<QComboBox>(&sheet, ids::kEmailSetPage, ids::kSmtpSecurityControl);
    auto* pop3 = control<QLineEdit>(&sheet, ids::kEmailSetPage, ids::kPop3Control);
    auto* pop3Mode = control<QComboBox>(&sheet, ids::kEmailSetPage, ids::kPop3SecurityControl);
    QCOMPARE(smtpMode->count(), 3);
    QCOMPARE(smtpMode->itemText(0), QString::fromUtf8("无"));
    QCOMPARE(smtpMode->currentIndex(), 0);
    // Typing a port moves the unchosen combo to that port's usual mode.
    smtp->selectAll();
    QTest::keyClicks(smtp, "smtp.example.com:465");
    QCOMPARE(smtpMode->currentText(), QStringLiteral("SSL/TLS"));
    // Once the user picks, the pick stays.
    pop3Mode->setCurrentIndex(1);
    emit pop3Mode->activated(1);
    pop3->selectAll();
    QTest::keyClicks(pop3, "pop.example.com:995");
    QCOMPARE(pop3Mode->currentText(), QStringLiteral("STARTTLS"));
    control<QLineEdit>(&sheet, ids::kEmailSetPage, ids::kSmtpLoginControl)->setText(QString());
    sheet.accept();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    // The port's own mode is stored as unset; another one as chosen.
    const MailSecurityProfile& p = sheet.values().security;
    QVERIFY(!p.smtpSecurity.has_value());
    QCOMPARE(p.pop3Security, std::optional<net::SecurityMode>(net::SecurityMode::startTls));
    QVERIFY(p.smtpLogin.empty());
}

void OptionSheetTest::passwordChecks_data() {
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("result");
    const QString wrongOld = QString::fromUtf8("旧密码输入错误，请重新输入!");
    const QString mismatch = QString::fromUtf8("两次密码输入不一样，请重新输入!");
    QTest::newRow("not ticked: edits ignored") << false << "x"
                                               << "y"
                                               << "z" << QString() << "pw";
    QTest::newRow("changed") << true << "pw"
                             << "new"
                             << "new" << QString() << "new";
    QTest::newRow("changed to empty") << true << "pw"
                                      << ""
                                      << "" << QString() << "";
    QTest::newRow("wrong old") << true << "px"
                               << "new"
                               << "new" << wrongOld << QString();
    // "wp" has the sum of "pw": the login would take it, this page does not.
    QTest::newRow("same sum, other bytes") << true << "wp"
                                           << "n"
                                           << "n" << wrongOld << QString();
    QTest::newRow("wrong old and mismatch") << true << ""
                                            << "a"
                                            << "b" << wrongOld << QString();
    QTest::newRow("mismatch") << true << "pw"
                              << "a"
                              << "b" << mismatch << QString();
}

void OptionSheetTest::passwordChecks() {
    QFETCH(bool, ticked);
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);
    QFETCH(QString, result);
    ModalDriver driver;
    COptionSheet sheet("u", sampleValues());
    auto* change = control<QCheckBox>(&sheet, ids::kPasswordPage, ids::kChangePasswordCheck);
    change->setChecked(true);
    setPassword(&sheet, ids::kOldPasswordControl, oldPassword);
    setPassword(&sheet, ids::kNewPasswordControl, newPassword);
    setPassword(&sheet, ids::kConfirmNewPasswordControl, confirmation);
    change->setChecked(ticked);
    sheet.accept();
    if (message.isEmpty()) {
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(sheet.values().password), result);
        QVERIFY(driver.messages().empty());
        return;
    }
    QCOMPARE(sheet.result(), int(QDialog::Rejected));
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, message);
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("修改密码"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Critical);
    QCOMPARE(sheet.pages()->currentIndex(), 3);
    QCOMPARE(sheet.values().password, std::string("pw"));
}

void OptionSheetTest::passwordEditsFollowTheBox() {
    COptionSheet sheet("u", sampleValues());
    auto* change = control<QCheckBox>(&sheet, ids::kPasswordPage, ids::kChangePasswordCheck);
    QList<GuardedPasswordEdit*> edits;
    for (int id :
         {ids::kOldPasswordControl, ids::kNewPasswordControl, ids::kConfirmNewPasswordControl})
        edits << control<GuardedPasswordEdit>(&sheet, ids::kPasswordPage, id);
    for (GuardedPasswordEdit* e : edits) {
        QVERIFY(e);
        QVERIFY(!e->isEnabled());
        QCOMPARE(e->echoMode(), QLineEdit::Password);
    }
    change->click();
    for (GuardedPasswordEdit* e : edits)
        QVERIFY(e->isEnabled());
    change->click();
    for (GuardedPasswordEdit* e : edits)
        QVERIFY(!e->isEnabled());
}

void OptionSheetTest::settingsCommandOpensTheSheetAndCancelChangesNothing() {
    TempHome home;
    writeAccounts(home, {makeAccount("u", "pw", "u@example.com")});
    QByteArray before = home.read(QStringLiteral("Data/Users.ini"));
    UserAccount u = makeAccount("u", "pw", "u@example.com");
    MainDialog window{logIn(home, u)};
    window.start();
    QVERIFY(window.commands().action(ids::kSettings)->isEnabled());
    ModalDriver driver;
    QString caption;
    driver.then([&](QWidget* w) {
        auto* sheet = qobject_cast<COptionSheet*>(w);
        QVERIFY(sheet);
        caption = sheet->windowTitle();
        control<QLineEdit>(sheet, ids::kEmailSetPage, ids::kEmailControl)->setText("x@y");
        control<QCheckBox>(sheet, ids::kParamPage, ids::kShowToolbarCheck)->setChecked(false);
        sheet->reject();
    });
    QVERIFY(window.command(ids::kSettings));
    QVERIFY(driver.allActionsRun());
    QCOMPARE(caption, QString::fromUtf8("用户(u)参数设置"));
    QCOMPARE(window.account().email, std::string("u@example.com"));
    QCOMPARE(window.toolbarBand(), 24);
    QCOMPARE(home.read(QStringLiteral("Data/Users.ini")), before);
    window.close();
}

void OptionSheetTest::okAppliesEveryStepAndRewritesUsersIni() {
    TempHome home;
    UserAccount alice = makeAccount("alice", "a", "alice@example.com");
    UserAccount zhang = makeAccount(text::gbk("张三"), text::gbk("密码"), "zs@example.com");
    writeAccounts(home, {alice, makeAccount("u", "pw", "u@example.com"), zhang});
    MainDialog window{logIn(home.path(), makeAccount("u", "pw", "u@example.com"))};
    window.start();
    QVERIFY(window.trayIcon().isAdded());

    ModalDriver driver;
    driver.then([&](QWidget* w) {
        auto* sheet = qobject_cast<COptionSheet*>(w);
        QVERIFY(sheet);
        control<QLineEdit>(sheet, ids::kEmailSetPage, ids::kEmailControl)->setText("new@u.example");
        // Typed, so the unchosen security combo follows the port to its usual TLS.
        QTest::keyClicks(control<QLineEdit>(sheet, ids::kEmailSetPage, ids::kPop3Control),
                         "pop.u.example:995");
        control<QLineEdit>(sheet, ids::kEmailSetPage, ids::kSmtpControl)->setText("smtp.u.example");
        control<QLineEdit>(sheet, ids::kEmailSetPage, ids::kSmtpLoginControl)->setText("ulogin");
        control<QCheckBox>(sheet, ids::kParamPage, ids::kShowToolbarCheck)->setChecked(false);
        control<QCheckBox>(sheet, ids::kParamPage, ids::kShowTrayIconCheck)->setChecked(false);
        control<QCheckBox>(sheet, ids::kParamPage, ids::kOpenInNewBrowserCheck)->setChecked(false);
        control<QLineEdit>(sheet, ids::kNetworkPage, ids::kListenPortControl)->setText("6001");
        control<QCheckBox>(sheet, ids::kPasswordPage, ids::kChangePasswordCheck)->setChecked(true);
        setPassword(sheet, ids::kOldPasswordControl, QStringLiteral("pw"));
        setPassword(sheet, ids::kNewPasswordControl, QStringLiteral("secret"));
        setPassword(sheet, ids::kConfirmNewPasswordControl, QStringLiteral("secret"));
        sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(window.command(ids::kSettings));
    QVERIFY(driver.allActionsRun());
    QVERIFY(driver.messages().empty());

    QCOMPARE(window.account().email, std::string("new@u.example"));
    QCOMPARE(window.account().password, std::string("secret"));
    QCOMPARE(window.toolbarBand(), 0);
    QVERIFY(!window.commands().isChecked(ids::kShowToolbar));
    QVERIFY(!window.trayIcon().isAdded());
    QVERIFY(!window.viewOptions().showTrayIcon);
    QVERIFY(!window.commands().isChecked(ids::kShowTrayIcon));
    QVERIFY(!window.viewOptions().openInNewBrowser);
    QVERIFY(window.viewOptions().autoHide);
    QCOMPARE(window.network().settings().listenPort, 6001);
    QCOMPARE(window.network().settings().serverPort, 5000);
    MailSecurityProfile profile = loadMailSecurityProfile("u");
    QCOMPARE(profile.smtpLogin, std::string("ulogin"));
    QVERIFY(!profile.pop3Security.has_value());
    QCOMPARE(profile.pop3ModeFor(995), net::SecurityMode::tls);

    std::vector<UserAccount> stored = storedAccounts(home);
    QCOMPARE(stored.size(), size_t(3));
    const UserAccount* me = storedAccount(stored, "u");
    QVERIFY(me);
    QCOMPARE(me->email, std::string("new@u.example"));
    QCOMPARE(me->pop3Server, std::string("pop.u.example:995"));
    QCOMPARE(me->smtpServer, std::string("smtp.u.example"));
    QCOMPARE(me->passwordSum, passwordSum("secret"));
    for (const UserAccount* other : {&alice, &zhang}) {
        const UserAccount* kept = storedAccount(stored, other->name);
        QVERIFY(kept);
        QCOMPARE(kept->email, other->email);
        QCOMPARE(kept->passwordSum, other->passwordSum);
    }

    // Ticking the icon on again adds it with the tip of the category shown now.
    window.switchCategory(2);
    QVERIFY(!window.trayIcon().isAdded());
    OptionValues again;
    again.view = window.viewOptions();
    again.view.showTrayIcon = true;
    again.email = window.account().email;
    again.password = window.account().password;
    window.options().apply(again);
    QVERIFY(window.trayIcon().isAdded());
    QCOMPARE(window.trayIcon().tip(), QString::fromUtf8("u（通讯录）"));
    QCOMPARE(window.toolbarBand(), 0);

    // Confirming without changes still rewrites the file.
    QFile::remove(home.filePath(QStringLiteral("Data/Users.ini")));
    window.options().apply(again);
    QCOMPARE(storedAccounts(home).size(), size_t(1));
    window.close();
}

void OptionSheetTest::menuIconBoxIsTheActiveTreesOwn() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
    window.start();
    window.switchCategory(0);
    bool shown = true;
    ModalDriver driver;
    driver.then([&](QWidget* w) {
        auto* box = control<QCheckBox>(w, ids::kParamPage, ids::kShowMenuIconsCheck);
        shown = box->isChecked();
        box->setChecked(true);
        qobject_cast<QDialog*>(w)->accept();
    });
    QVERIFY(window.command(ids::kSettings));
    QVERIFY(driver.allActionsRun());
    // The recommended tree starts without menu icons; only it changes.
    QVERIFY(!shown);
    QVERIFY(window.recommendedTree().showMenuIcons());
    QVERIFY(window.customTree().showMenuIcons());
    window.switchCategory(1);
    OptionValues off;
    off.view = window.viewOptions();
    off.view.showMenuIcons = false;
    off.password = "pw";
    window.options().apply(off);
    QVERIFY(!window.customTree().showMenuIcons());
    QVERIFY(window.recommendedTree().showMenuIcons());
    QVERIFY(window.addressBookTree().showMenuIcons());
    window.close();
}

void OptionSheetTest::networkSettingsLastOnlyForTheRun() {
    TempHome home;
    writeAccounts(home, {makeAccount("u", "pw")});
    {
        MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
        window.start();
        OptionValues v;
        v.view = window.viewOptions();
        v.view.autoHide = false;
        v.network = {"up.example", 7000, 7001};
        v.email = "kept@example.com";
        v.password = "pw";
        window.options().apply(v);
        QCOMPARE(window.network().settings().serverAddress, std::string("up.example"));
        QVERIFY(!window.commands().isChecked(ids::kAutoHide));
        window.close();
    }
    MainDialog window{logIn(home.path(), *storedAccount(storedAccounts(home), "u"))};
    window.start();
    // Nothing of the last run's settings; the listening port is this test run's.
    NetworkSettings fresh;
    fresh.listenPort = qEnvironmentVariableIntValue("BRIVANTA_LISTEN_PORT");
    QVERIFY(window.network().settings() == fresh);
    QVERIFY(window.viewOptions() == ViewOptions{});
    QCOMPARE(window.account().email, std::string("kept@example.com"));
    window.close();
}

void OptionSheetTest::aFailedWriteBackNamesTheFileAndKeepsTheSettings() {
    TempHome home;
    // A directory where the file should be: it can be neither read nor replaced.
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("Data/Users.ini"))));
    MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
    window.start();
    OptionValues v;
    v.view = window.viewOptions();
    // The run's own port: the default, 5000, may be another program's.
    v.network = window.network().settings();
    v.view.showToolbar = false;
    v.email = "new@example.com";
    v.password = "new";
    ModalDriver driver;
    window.options().apply(v);
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY2(driver.messages()[0].text.contains(QStringLiteral("Users.ini")),
             qPrintable(driver.messages()[0].text));
    QCOMPARE(window.account().email, std::string("new@example.com"));
    QCOMPARE(window.account().password, std::string("new"));
    QCOMPARE(window.toolbarBand(), 0);
    QVERIFY(QFileInfo(home.filePath(QStringLiteral("Data/Users.ini"))).isDir());
    window.close();
}

void OptionSheetTest::entriesOpenInANewBrowserWindowByTheSwitch() {
    TempHome home;
    MainDialog window{logIn(home.path(), makeAccount("u", "pw"))};
    window.start();
    window.customTree().InsertNode({"Example", "https://example.com/", ""});
    QList<QUrl> opened;
    QStringList started;
    setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    setProgramStarter([&](const QString& program, const QStringList& arguments) {
        started << program + u' ' + arguments.join(u' ');
        return true;
    });
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    QModelIndex link = view->bookmarkModel()->index(0, 0);
    ModalDriver driver;
    // On (the default): not the desktop's opener, which would reuse a browser window.
    emit view->openRequested(QStringLiteral("https://example.com/"));
    QVERIFY(opened.isEmpty());
    QVERIFY(started.size() + int(driver.messages().size()) == 1);
    if (!started.isEmpty())
        QVERIFY(started[0].contains(QStringLiteral("https://example.com/")));

    OptionValues off;
    off.view = window.viewOptions();
    off.view.openInNewBrowser = false;
    off.password = "pw";
    window.options().apply(off);
    emit view->openRequested(link.data(BookmarkTreeModel::AddressRole).toString());
    QCOMPARE(opened, (QList<QUrl>{QUrl(QStringLiteral("https://example.com/"))}));
    setUrlOpener({});
    setProgramStarter({});
    window.close();
}

QTEST_MAIN(OptionSheetTest)
#include "OptionSheetTest.moc"
