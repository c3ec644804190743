// Every dialog from the keyboard: Tab visits the controls in the order they are laid out, and
// Escape closes the dialog.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

#include "GuiTestSupport.h"
#include "core/app/Storage.h"
#include "core/trees/BookmarkTree.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/TipDialog.h"
#include "gui/formats/ImportExportDialog.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/net/ReceiveMailDialog.h"
#include "gui/net/SendMailDialog.h"
#include "gui/net/SendToPeerDialog.h"
#include "gui/options/COptionSheet.h"
#include "gui/trees/DeleteConfirmDialog.h"
#include "gui/trees/EntryDialog.h"
#include "gui/trees/FolderNameDialog.h"

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

using Factory = std::function<std::unique_ptr<QDialog>()>;

// What each dialog needs to be built, kept alive for the whole run.
struct Fixture {
    TempHome home;
    Storage storage{home.path()};
    BookmarkTree addressBook{kAddressBookTree};
    NamedIconList icons;
    NoStore store;
    UserAccount account = makeAccount("alice", "pw", "alice@example.cn");
    MailSecurityProfile profile;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

std::vector<std::pair<const char*, Factory>> dialogs() {
    Fixture& f = fixture();
    return {
        {"about", [] { return std::make_unique<AboutDialog>(); }},
        {"tip of the day", [&f] { return std::make_unique<TipDialog>(f.storage); }},
        {"login", [&f] { return std::make_unique<LoginDialog>(f.storage); }},
        {"new user", [&f] { return std::make_unique<NewUserDialog>(f.storage); }},
        {"entry", [] { return std::make_unique<EntryDialog>(); }},
        {"folder name", [] { return std::make_unique<FolderNameDialog>(); }},
        {"delete", [] { return std::make_unique<DeleteConfirmDialog>(QStringLiteral("新闻")); }},
        {"contact",
         [&f] { return std::make_unique<ContactDialog>(f.addressBook, f.icons, kNoItem); }},
        {"options", [] { return std::make_unique<COptionSheet>("alice", OptionValues{}); }},
        {"send to neighbour",
         [] { return std::make_unique<SendToPeerDialog>(QStringLiteral("新闻")); }},
        {"send mail",
         [&f] {
             return std::make_unique<SendMailDialog>(f.account, f.profile, QStringLiteral("新闻"),
                                                     f.store);
         }},
        {"receive mail",
         [&f] { return std::make_unique<ReceiveMailDialog>(f.account, f.profile, f.store); }},
        {"import",
         [] {
             return std::make_unique<ImportExportDialog>(false, QStringLiteral("新闻"),
                                                         ExchangeFolders{});
         }},
        {"export",
         [] {
             return std::make_unique<ImportExportDialog>(true, QStringLiteral("新闻"),
                                                         ExchangeFolders{});
         }},
    };
}

bool takesTab(QWidget* w, QWidget* dialog) {
    // A widget with a focus proxy (a tab widget's tab bar) is reached as the proxy.
    return w != dialog && !w->focusProxy() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
           w->isVisibleTo(dialog) && w->window() == dialog;
}

// The controls Tab reaches, in the order it reaches them, starting after `from`.
QList<QWidget*> tabChain(QWidget* dialog, QWidget* from) {
    QList<QWidget*> chain;
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if (takesTab(w, dialog) && !chain.contains(w))
            chain << w;
    }
    if (takesTab(from, dialog))
        chain << from;
    return chain;
}

QString describe(QWidget* w, QWidget* dialog) {
    QPoint at = w->mapTo(dialog, QPoint(0, 0));
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    return QStringLiteral("%1 %2 \"%3\" at %4,%5")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text)
        .arg(at.x())
        .arg(at.y());
}

// Reading order: a control whose top is lower than another's bottom comes after it; on one
// line, left to right.
bool readsBefore(QWidget* a, QWidget* b, QWidget* dialog) {
    QRect ra(a->mapTo(dialog, QPoint(0, 0)), a->size());
    QRect rb(b->mapTo(dialog, QPoint(0, 0)), b->size());
    if (ra.bottom() < rb.top())
        return true;
    if (rb.bottom() < ra.top())
        return false;
    return ra.left() < rb.left();
}

}  // namespace

class DialogKeyboardTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void tabFollowsTheLayout_data();
    void tabFollowsTheLayout();
    void escapeClosesTheDialog_data() { tabFollowsTheLayout_data(); }
    void escapeClosesTheDialog();

  private:
    TestProfile profile_;
};

void DialogKeyboardTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("DialogKeyboardTest"));
    NamedIconList::fillTreeIcons(fixture().icons);
    MailPasswordStore::setCurrent(&fixture().store);
}

void DialogKeyboardTest::cleanupTestCase() {
    MailPasswordStore::setCurrent(nullptr);
}

void DialogKeyboardTest::tabFollowsTheLayout_data() {
    QTest::addColumn<int>("index");
    auto all = dialogs();
    for (size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].first) << static_cast<int>(i);
}

void DialogKeyboardTest::tabFollowsTheLayout() {
    QFETCH(int, index);
    std::unique_ptr<QDialog> dialog = dialogs()[static_cast<size_t>(index)].second();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    // A tabbed dialog is walked on each of its pages.
    auto* pages = dialog->findChild<QTabWidget*>();
    const int pageCount = pages ? pages->count() : 1;
    for (int page = 0; page < pageCount; ++page) {
        if (pages)
            pages->setCurrentIndex(page);
        QList<QWidget*> chain = tabChain(dialog.get(), dialog.get());
        QVERIFY(!chain.isEmpty());
        // The chain is a cycle: it may start anywhere, but once around it reads in order
        // with one wrap from the last control back to the first.
        int wraps = 0;
        QString order;
        for (int i = 0; i < chain.size(); ++i) {
            QWidget* a = chain[i];
            QWidget* b = chain[(i + 1) % chain.size()];
            order += describe(a, dialog.get()) + u'\n';
            if (!readsBefore(a, b, dialog.get()))
                ++wraps;
        }
        QVERIFY2(
            wraps <= 1,
            qPrintable(QStringLiteral("page %1: Tab goes back and forth:\n").arg(page) + order));
    }
}

void DialogKeyboardTest::escapeClosesTheDialog() {
    QFETCH(int, index);
    std::unique_ptr<QDialog> dialog = dialogs()[static_cast<size_t>(index)].second();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : dialog.get();
    QTest::keyClick(focus, Qt::Key_Escape);
    QTRY_VERIFY(!dialog->isVisible());
    // Cancelled, whichever code the dialog ends with for that.
    QVERIFY(dialog->result() != QDialog::Accepted);
}

QTEST_MAIN(DialogKeyboardTest)
#include "DialogKeyboardTest.moc"
