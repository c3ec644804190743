#include "DialogCatalogue.h"

#include "GuiTestSupport.h"
#include "core/app/Storage.h"
#include "core/trees/BookmarkTree.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/MailSecurityProfile.h"
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

namespace brivanta::test::DialogCatalogue {

namespace {

class NoStore : public MailPasswordStore {
  public:
    bool available() override { return false; }
    std::optional<QString> read(const QString&) override { return std::nullopt; }
    bool write(const QString&, const QString&) override { return false; }
    void remove(const QString&) override {}
};

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

}  // namespace

void prepare() {
    NamedIconList::fillTreeIcons(fixture().icons);
    MailPasswordStore::setCurrent(&fixture().store);
}

void finish() {
    MailPasswordStore::setCurrent(nullptr);
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

}  // namespace brivanta::test::DialogCatalogue
