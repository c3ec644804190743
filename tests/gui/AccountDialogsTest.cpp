#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/accounts/AccountTable.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/LoginFlow.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

void writeAccounts(const TempHome& home, const std::vector<UserAccount>& records) {
    std::string bytes;
    for (const UserAccount& a : records)
        bytes += accountRecord(a);
    home.write(QStringLiteral("Data/Users.ini"), QByteArray::fromStdString(bytes));
}

std::vector<UserAccount> storedAccounts(const TempHome& home) {
    std::vector<UserAccount> records;
    readAccountFile(home.filePath(QStringLiteral("Data/Users.ini")).toStdString(), records);
    return records;
}

void fillNewUser(NewUserDialog& dialog, const QString& name, const QString& password,
                 const QString& confirmation) {
    dialog.nameEdit()->setText(name);
    dialog.passwordEdit()->setText(password);
    dialog.confirmEdit()->setText(confirmation);
}

}  // namespace

class AccountDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void wrongPasswordWarnsKeepsFocusAndAllowsRetry();
    void duplicatedNameIsListedTwiceAndLogsInWithTheLaterRecord();
    void emptyListConfirmsNothing();
    void chineseNameAndPasswordAreCheckedAsStoredBytes();
    void newUserTrimsTheNameAndCreatesTheAccountFile();
    void newUserRefusesInOrderWithoutWriting();
    void newUserRefusesNamesThatCannotNameAFile();
    void newUserStaysOpenWhenTheAccountCannotBeSaved();
    void loginWithANameTheTableDoesNotKnowSaysSoPlainly();
    void loginRefusesANameThatCannotNameAFile_data();
    void loginRefusesANameThatCannotNameAFile();
    void newUserDoesNotReplaceAnAccountFileItCannotRead();
    void newUserFromTheLoginLogsInWithoutASecondLogin();
    void cancelledLoginWritesNothing();
    void everyPushButtonIsFlat();
};

void AccountDialogsTest::wrongPasswordWarnsKeepsFocusAndAllowsRetry() {
    TempHome home;
    writeAccounts(home, {makeAccount("abc", "abc", "abc@example.com")});
    LoginDialog login{Storage(home.path())};
    login.show();
    QVERIFY(!login.noAccountHint()->isVisible());
    QCOMPARE(login.focusWidget(), static_cast<QWidget*>(login.passwordEdit()));
    QCOMPARE(login.userList()->count(), 1);
    login.passwordEdit()->setText(QStringLiteral("xyz"));
    ModalDriver driver;
    QTest::mouseClick(login.okButton(), Qt::LeftButton);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("口令错误!"));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("登录提示"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Critical);
    QVERIFY(login.isVisible());
    QCOMPARE(login.focusWidget(), login.passwordEdit());
    QCOMPARE(login.passwordEdit()->selectionStart(), 0);
    QCOMPARE(login.passwordEdit()->selectionLength(), 3);

    // The selected wrong text is replaced by the next try.
    QTest::keyClicks(login.passwordEdit(), QStringLiteral("abc"));
    QTest::keyClick(login.passwordEdit(), Qt::Key_Return);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(login.result(), ids::kIdOk);
    QCOMPARE(login.account().name, std::string("abc"));
    QCOMPARE(login.account().password, std::string("abc"));
    QCOMPARE(login.account().email, std::string("abc@example.com"));
}

void AccountDialogsTest::duplicatedNameIsListedTwiceAndLogsInWithTheLaterRecord() {
    TempHome home;
    writeAccounts(home, {makeAccount("dup", "one", "first@example.com"), makeAccount("other", ""),
                         makeAccount("dup", "two", "second@example.com")});
    ModalDriver driver;
    {
        LoginDialog login{Storage(home.path())};
        login.show();
        QCOMPARE(login.userList()->count(), 3);
        QCOMPARE(login.userList()->itemText(0), QStringLiteral("dup"));
        QCOMPARE(login.userList()->itemText(2), QStringLiteral("dup"));
        QCOMPARE(login.userList()->currentIndex(), 0);
        // The earlier record's password no longer counts.
        login.passwordEdit()->setText(QStringLiteral("one"));
        login.accept();
        QCOMPARE(driver.messages().size(), size_t(1));
        login.passwordEdit()->setText(QStringLiteral("two"));
        login.accept();
        QCOMPARE(login.result(), ids::kIdOk);
        QCOMPARE(login.account().email, std::string("second@example.com"));
    }
    {
        LoginDialog login{Storage(home.path())};
        login.userList()->setCurrentIndex(2);
        login.passwordEdit()->setText(QStringLiteral("two"));
        login.accept();
        QCOMPARE(login.result(), ids::kIdOk);
        QCOMPARE(login.account().email, std::string("second@example.com"));
    }
}

void AccountDialogsTest::emptyListConfirmsNothing() {
    TempHome home;
    ModalDriver driver;
    LoginDialog login{Storage(home.path())};
    login.show();
    QCOMPARE(login.userList()->count(), 0);
    // A first start says there is nobody yet and offers "新建" first.
    QVERIFY(login.noAccountHint()->isVisible());
    QVERIFY(login.noAccountHint()->text().contains(QString::fromUtf8("新建")));
    QCOMPARE(login.focusWidget(), static_cast<QWidget*>(login.newUserButton()));
    QTest::mouseClick(login.okButton(), Qt::LeftButton);
    QTest::qWait(30);
    QVERIFY(driver.messages().empty());
    QVERIFY(login.isVisible());
    QCOMPARE(login.result(), 0);
    QVERIFY(home.entries().isEmpty());
}

void AccountDialogsTest::chineseNameAndPasswordAreCheckedAsStoredBytes() {
    TempHome home;
    const std::string name = text::gbk("张伟");
    writeAccounts(home, {makeAccount(name, text::gbk("口令"))});
    LoginDialog login{Storage(home.path())};
    login.show();
    QCOMPARE(login.userList()->itemText(0), QString::fromUtf8("张伟"));
    commitText(login.passwordEdit(), QString::fromUtf8("口令"));
    QCOMPARE(login.passwordEdit()->password(), text::gbk("口令"));
    login.accept();
    QCOMPARE(login.result(), ids::kIdOk);
    QCOMPARE(login.account().name, name);
}

void AccountDialogsTest::newUserTrimsTheNameAndCreatesTheAccountFile() {
    TempHome home;
    QVERIFY(!home.exists(QStringLiteral("Data")));
    NewUserDialog dialog{Storage(home.path())};
    dialog.show();
    fillNewUser(dialog, QStringLiteral("  bob \t"), QStringLiteral("pw"), QStringLiteral("pw"));
    dialog.emailEdit()->setText(QStringLiteral("bob@example.com"));
    dialog.smtpEdit()->setText(QStringLiteral("smtp.example.com"));
    dialog.pop3Edit()->setText(QStringLiteral("pop.example.com"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), ids::kIdOk);
    QCOMPARE(dialog.account().name, std::string("bob"));
    QCOMPARE(dialog.account().password, std::string("pw"));

    std::vector<UserAccount> stored = storedAccounts(home);
    QCOMPARE(stored.size(), size_t(1));
    QCOMPARE(stored[0].name, std::string("bob"));
    QCOMPARE(stored[0].passwordSum, passwordSum("pw"));
    QCOMPARE(stored[0].email, std::string("bob@example.com"));
    QCOMPARE(stored[0].smtpServer, std::string("smtp.example.com"));
    QCOMPARE(stored[0].pop3Server, std::string("pop.example.com"));
    QVERIFY(stored[0].password.empty());
}

void AccountDialogsTest::newUserRefusesInOrderWithoutWriting() {
    TempHome home;
    ModalDriver driver;
    NewUserDialog dialog{Storage(home.path())};
    dialog.show();
    // An empty name is reported before the passwords are compared.
    fillNewUser(dialog, QStringLiteral("   "), QStringLiteral("a"), QStringLiteral("b"));
    dialog.accept();
    fillNewUser(dialog, QStringLiteral("carol"), QStringLiteral("a"), QStringLiteral("b"));
    dialog.accept();
    QCOMPARE(driver.messages().size(), size_t(2));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("请输入用户名！"));
    QCOMPARE(driver.messages()[1].text, QString::fromUtf8("两次输入的密码不一样！"));
    QCOMPARE(driver.messages()[1].title, QString::fromUtf8("提示"));
    QVERIFY(dialog.isVisible());
    QVERIFY(home.entries().isEmpty());

    writeAccounts(home, {makeAccount("carol", "x", "carol@example.com")});
    QByteArray before = home.read(QStringLiteral("Data/Users.ini"));
    fillNewUser(dialog, QStringLiteral(" carol "), QStringLiteral("a"), QStringLiteral("a"));
    dialog.accept();
    QCOMPARE(driver.messages().size(), size_t(3));
    QCOMPARE(driver.messages()[2].text, QString::fromUtf8("用户名carol已存在！"));
    QCOMPARE(home.read(QStringLiteral("Data/Users.ini")), before);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
}

void AccountDialogsTest::newUserRefusesNamesThatCannotNameAFile() {
    TempHome home;
    ModalDriver driver;
    NewUserDialog dialog{Storage(home.path())};
    dialog.show();
    const QStringList bad = {QStringLiteral("../evil"), QStringLiteral("a/b"),
                             QStringLiteral("a\\b"),    QStringLiteral("."),
                             QStringLiteral(".."),      QStringLiteral("tab\x01name")};
    for (const QString& name : bad) {
        fillNewUser(dialog, name, QString(), QString());
        dialog.accept();
    }
    QCOMPARE(driver.messages().size(), size_t(bad.size()));
    for (const SeenMessage& m : driver.messages())
        QVERIFY(m.text.contains(QStringLiteral("/")));
    QVERIFY(dialog.isVisible());
    QVERIFY(home.entries().isEmpty());

    // Names whose tree files would be the account file, another user's file, or too long
    // to be a file name at all.
    const QStringList taken = {QStringLiteral("Users.ini"), QStringLiteral("x.ads"),
                               QStringLiteral("x.BVK")};
    for (const QString& name : taken) {
        fillNewUser(dialog, name, QString(), QString());
        dialog.accept();
        QVERIFY2(driver.messages().back().text.contains(name),
                 qPrintable(driver.messages().back().text));
        QCOMPARE(driver.messages().back().title, QString::fromUtf8("提示"));
    }
    fillNewUser(dialog, QString(90, QChar(0x5B57)), QString(), QString());
    dialog.accept();
    QVERIFY(driver.messages().back().text.contains(QString::fromUtf8("太长")));
    QCOMPARE(driver.messages().size(), size_t(bad.size() + taken.size() + 1));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QVERIFY(home.entries().isEmpty());
}

void AccountDialogsTest::loginWithANameTheTableDoesNotKnowSaysSoPlainly() {
    TempHome home;
    writeAccounts(home, {makeAccount("abc", "abc")});
    ModalDriver driver;
    LoginDialog login{Storage(home.path())};
    login.show();
    // The list and the table disagree only if something changed the list behind its back.
    login.userList()->addItem(QStringLiteral("ghost"), QByteArray("ghost"));
    login.userList()->setCurrentIndex(1);
    login.passwordEdit()->setText(QStringLiteral("pw"));
    login.accept();
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("意外错误！"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Critical);
    QCOMPARE(login.result(), ids::kIdOk);
    QCOMPARE(login.account().name, std::string("ghost"));
    QCOMPARE(login.account().password, std::string("pw"));
}

void AccountDialogsTest::loginRefusesANameThatCannotNameAFile_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("listed");
    QTest::newRow("parent directories") << QByteArray("../../x") << QStringLiteral("../../x");
    QTest::newRow("root") << QByteArray("/") << QStringLiteral("/");
    QTest::newRow("escape sequence") << QByteArray("\x1b[2Jx") << QStringLiteral("\\x1B[2Jx");
    QTest::newRow("line end") << QByteArray("a\r\nb") << QStringLiteral("a\\r\\nb");
    QTest::newRow("tab") << QByteArray("a\tb") << QStringLiteral("a\\tb");
}

// A name from a hand-edited account file that could point outside "Data" is shown, escaped,
// and refused with a message: the window never starts with it.
void AccountDialogsTest::loginRefusesANameThatCannotNameAFile() {
    QFETCH(QByteArray, name);
    QFETCH(QString, listed);
    TempHome home;
    writeAccounts(home, {makeAccount(name.toStdString(), "pw"), makeAccount("abc", "pw")});
    const QStringList before = home.entries();
    ModalDriver driver;
    LoginDialog login{Storage(home.path())};
    login.show();
    QCOMPARE(login.userList()->count(), 2);
    QCOMPARE(login.userList()->itemText(0), listed);
    QCOMPARE(login.userList()->itemText(1), QStringLiteral("abc"));
    login.passwordEdit()->setText(QStringLiteral("pw"));
    login.accept();
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("登录提示"));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("用户名 “%1” 不能用作文件名，不能用它登录。").arg(listed));
    QVERIFY(login.isVisible());
    QCOMPARE(login.result(), 0);
    QCOMPARE(home.entries(), before);
    // The other users still log in.
    login.userList()->setCurrentIndex(1);
    login.accept();
    QCOMPARE(login.result(), ids::kIdOk);
    QCOMPARE(login.account().name, std::string("abc"));
}

void AccountDialogsTest::newUserStaysOpenWhenTheAccountCannotBeSaved() {
    TempHome home;
    // A file where the directory should be: neither creating "Data" nor writing into it works.
    home.write(QStringLiteral("Data"), "not a directory");
    ModalDriver driver;
    NewUserDialog dialog{Storage(home.path())};
    dialog.show();
    fillNewUser(dialog, QStringLiteral("dave"), QStringLiteral("pw"), QStringLiteral("pw"));
    dialog.accept();
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY2(driver.messages()[0].text.contains(QStringLiteral("Data/Users.ini")),
             qPrintable(driver.messages()[0].text));
    // It is the writing that failed, and the message says so.
    QVERIFY2(driver.messages()[0].text.contains(QString::fromUtf8("写入")),
             qPrintable(driver.messages()[0].text));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
}

void AccountDialogsTest::newUserDoesNotReplaceAnAccountFileItCannotRead() {
    TempHome home;
    // Something unreadable where the account file should be (here a directory).
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("Data/Users.ini"))));
    ModalDriver driver;
    NewUserDialog dialog{Storage(home.path())};
    dialog.show();
    fillNewUser(dialog, QStringLiteral("erin"), QStringLiteral("pw"), QStringLiteral("pw"));
    dialog.accept();
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY2(driver.messages()[0].text.contains(QStringLiteral("Data/Users.ini")),
             qPrintable(driver.messages()[0].text));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QVERIFY(QFileInfo(home.filePath(QStringLiteral("Data/Users.ini"))).isDir());
}

void AccountDialogsTest::newUserFromTheLoginLogsInWithoutASecondLogin() {
    TempHome home;
    writeAccounts(home, {makeAccount("old", "old")});
    ModalDriver driver;
    driver.then([](QWidget* w) {
        auto* login = qobject_cast<LoginDialog*>(w);
        QVERIFY(login);
        QTest::mouseClick(login->newUserButton(), Qt::LeftButton);
    });
    driver.then([](QWidget* w) {
        auto* dialog = qobject_cast<NewUserDialog*>(w);
        QVERIFY(dialog);
        fillNewUser(*dialog, QString::fromUtf8("新人"), QStringLiteral("pw"), QStringLiteral("pw"));
        dialog->emailEdit()->setText(QStringLiteral("new@example.com"));
        dialog->accept();
    });
    LoginSession login{Storage(home.path())};
    QVERIFY(runLogin(login));
    QVERIFY(driver.allActionsRun());
    const std::optional<UserAccount> account = login.account();
    QCOMPARE(account->name, text::gbk("新人"));
    QCOMPARE(account->password, std::string("pw"));
    QCOMPARE(account->email, std::string("new@example.com"));
    QCOMPARE(storedAccounts(home).size(), size_t(2));
}

void AccountDialogsTest::cancelledLoginWritesNothing() {
    TempHome home;
    ModalDriver driver;
    driver.then([](QWidget* w) {
        auto* login = qobject_cast<LoginDialog*>(w);
        QVERIFY(login);
        QTest::keyClick(login, Qt::Key_Escape);
    });
    auto login = std::make_unique<LoginSession>(Storage(home.path()));
    QVERIFY(!runLogin(*login));
    QVERIFY(driver.allActionsRun());
    QVERIFY(home.entries().isEmpty());
    // Closing a window that never started saves nothing either.
    MainDialog window{std::move(login)};
    window.close();
    QVERIFY(home.entries().isEmpty());
}

void AccountDialogsTest::everyPushButtonIsFlat() {
    TempHome home;
    LoginDialog login{Storage(home.path())};
    NewUserDialog newUser{Storage(home.path())};
    for (QDialog* dialog : std::initializer_list<QDialog*>{&login, &newUser}) {
        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
        QVERIFY(buttons.size() >= 2);
        for (QPushButton* button : buttons) {
            QVERIFY(qobject_cast<FlatButton*>(button));
            QVERIFY(!static_cast<FlatButton*>(button)->iconRect().isNull());
        }
    }
    QCOMPARE(login.windowTitle(), QString::fromUtf8("登录<Brivanta>"));
    QCOMPARE(newUser.windowTitle(), QString::fromUtf8("新建用户"));
}

QTEST_MAIN(AccountDialogsTest)
#include "AccountDialogsTest.moc"
