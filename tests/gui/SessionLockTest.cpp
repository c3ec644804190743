// One desktop session per user: the second login of a logged-in user is refused.
#include <QTest>
#include <cerrno>

#include "GuiTestSupport.h"
#include "core/app/UserSessionLock.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/LoginFlow.h"
#include "gui/app/MainDialog.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// Logs in as the only account with its password.
void logInAsListed(QWidget* w, const QString& password) {
    auto* login = qobject_cast<LoginDialog*>(w);
    QVERIFY(login);
    login->passwordEdit()->setText(password);
    login->accept();
}

void cancelLogin(QWidget* w) {
    auto* login = qobject_cast<LoginDialog*>(w);
    QVERIFY(login);
    login->reject();
}

}  // namespace

class SessionLockTest : public QObject {
    Q_OBJECT
  private slots:
    void secondLoginOfTheSameUserIsRefusedNamingTheUser();
    void aSessionHoldsTheUsersFilesAndStillSavesThem();
};

void SessionLockTest::secondLoginOfTheSameUserIsRefusedNamingTheUser() {
    TempHome home;
    const std::string user = text::gbk("李雷");
    home.write(QStringLiteral("Data/Users.ini"),
               QByteArray::fromStdString(accountRecord(makeAccount(user, "pw"))));
    // Another copy of the program, logged in as the same user.
    UserSessionLock other;
    QCOMPARE(other.acquire(Storage(home.path()), user), UserSessionLock::Outcome::Held);

    ModalDriver driver;
    driver.then([](QWidget* w) { logInAsListed(w, QStringLiteral("pw")); });
    // Refused, the login comes back for another try; this one gives up.
    driver.then(cancelLogin);
    LoginSession login{Storage(home.path())};
    QVERIFY(!runLogin(login));
    QVERIFY(driver.allActionsRun());
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("用户 “李雷” 已在另一个程序中登录，不能再次登录。"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Warning);
    QVERIFY(!login.isLoggedIn());
    QVERIFY(!home.exists(QStringLiteral("Data/") + QString::fromUtf8("李雷") + ".bvk"));
}

void SessionLockTest::aSessionHoldsTheUsersFilesAndStillSavesThem() {
    TempHome home;
    home.write(QStringLiteral("Data/Users.ini"),
               QByteArray::fromStdString(accountRecord(makeAccount("alice", "pw"))));
    Storage storage(home.path());
    ModalDriver driver;
    driver.then([](QWidget* w) { logInAsListed(w, QStringLiteral("pw")); });
    auto login = std::make_unique<LoginSession>(storage);
    QVERIFY(runLogin(*login));
    QCOMPARE(login->account().name, std::string("alice"));
    QVERIFY(driver.messages().empty());
    QVERIFY(login->holdsLocks());
    // Held against every other writer of the user's files...
    for (const std::string& path : {storage.customTree("alice"), storage.addressBook("alice")}) {
        FileLock writer;
        QCOMPARE(writer.lock(path, 0).errorNumber, EWOULDBLOCK);
    }
    // ...but not against the session's own saves.
    BookmarkTree tree;
    tree.InsertNode({"a", "http://a/", ""});
    QVERIFY(!saveArchiveFile(tree, storage.customTree("alice")).failed());
    login->customTree().InsertNode({"b", "http://b/", ""});
    QVERIFY(!login->save(kCustomTree).failed());
    login.reset();  // the session ends
    FileLock writer;
    QVERIFY(!writer.lock(storage.customTree("alice"), 0).failed());
}

QTEST_MAIN(SessionLockTest)
#include "SessionLockTest.moc"
