// The desktop's mailbox commands through the real local servers: OpenSMTPD delivers what the
// send dialog mails, Dovecot hands it back to the receive dialog (scripts/mail-servers).

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "IntegrationSupport.h"
#include "core/net/MailboxTransfer.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/app/MainDialog.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

class NoStore : public MailPasswordStore {
  public:
    bool available() override { return false; }
    std::optional<QString> read(const QString&) override { return std::nullopt; }
    bool write(const QString&, const QString&) override { return false; }
    void remove(const QString&) override {}
};

template <class T>
T* child(QWidget* w, int id) {
    return w->findChild<T*>(QString::number(id));
}

}  // namespace

class MailServersDesktopTest : public QObject {
    Q_OBJECT
  private slots:
    void aBranchMailedComesBackIntoTheTreesItsEnvelopesName();
};

void MailServersDesktopTest::aBranchMailedComesBackIntoTheTreesItsEnvelopesName() {
    const integration::MailServers& servers = integration::mailServers();
    if (!servers.available && servers.expected)
        QFAIL(qPrintable(QStringLiteral("the local mail servers should run but do not: ") +
                         QString::fromStdString(servers.problem)));
    if (!servers.available)
        QSKIP("the local mail servers are not running (scripts/mail-servers start)");
    QVERIFY2(integration::lockMailboxes(), "another test run kept the mailboxes for 60 s");
    const std::string user = "frank";
    QVERIFY(integration::emptyMailbox(user));
    NoStore store;
    MailPasswordStore::setCurrent(&store);
    TestProfile profile;

    TempHome home;
    ModalDriver driver;
    UserAccount account = makeAccount("u", "pw", user + "@localhost");
    account.smtpServer = "127.0.0.1:" + std::to_string(servers.smtpPort);
    account.pop3Server = "127.0.0.1:" + std::to_string(servers.pop3Port);
    MainDialog window{logIn(home.path(), account)};
    window.start();
    window.show();
    ItemId work = window.customTree().InsertNode({text::gbk("工作"), "", ""});
    window.customTree().InsertNode({text::gbk("文档"), "http://docs.example.cn/", ""}, work);
    window.customTree().InsertNode({"other", "http://other/", ""});
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    view->setCurrentIndex(view->model()->index(0, 0));

    // The send dialog as the account fills it: nothing to type.
    driver.then([](QWidget* dialog) { child<QPushButton>(dialog, ids::kIdOk)->click(); });
    QVERIFY(window.command(ids::kSendToMailbox));
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("发送完毕！"));
    // And a "<SYSTEM>" envelope from elsewhere.
    BookmarkTree system(kRecommendedTree);
    system.InsertNode({"sys", "http://sys/", ""});
    QVERIFY(net::sendTreeByMail(system, kNoItem, "127.0.0.1", servers.smtpPort, user + "@localhost")
                .ok);
    QCOMPARE(integration::waitForMails(user, 2), 2);

    const size_t recommended = window.recommendedTree().size();
    driver.then([&](QWidget* dialog) {
        QCOMPARE(child<QLineEdit>(dialog, ids::kMailUserControl)->text(),
                 QString::fromStdString(user));
        child<GuardedPasswordEdit>(dialog, ids::kPasswordControl)->setPassword(servers.password);
        child<QPushButton>(dialog, ids::kIdOk)->click();
    });
    QVERIFY(window.command(ids::kReceiveFromMailbox));
    QVERIFY(driver.allActionsRun());
    QCOMPARE(driver.messages().size(), size_t(2));
    QCOMPARE(driver.messages()[1].text, QString::fromUtf8("接收完毕！"));
    // The branch came back as one new top-level entry with its subtree; the "<SYSTEM>"
    // envelope went to the recommended tree although the custom tree is shown.
    BookmarkTree& custom = window.customTree();
    QCOMPARE(custom.childCount(kNoItem), 3);
    ItemId back = custom.child(kNoItem, 2);
    QCOMPARE(custom.LookupRecord(back)->name, text::gbk("工作"));
    QCOMPARE(custom.childCount(back), 1);
    QCOMPARE(custom.LookupRecord(custom.firstChild(back))->address,
             std::string("http://docs.example.cn/"));
    QCOMPARE(window.recommendedTree().size(), recommended + 1);
    MailPasswordStore::setCurrent(nullptr);
}

QTEST_MAIN(MailServersDesktopTest)
#include "MailServersDesktopTest.moc"
