#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/accounts/MailSecurityProfile.h"
#include "core/app/SettingsStore.h"
#include "core/app/SyncSettings.h"
#include "core/net/RecommendedUpdate.h"

namespace brivanta {

// Every setting the program keeps between runs, typed, over one store. It never holds a
// password: mail passwords, the recommended mailbox's among them, live in the desktop's
// secret store. User names are GBK here as everywhere; the store sees UTF-8.
class Profile {
  public:
    explicit Profile(SettingsStore& store) : store_(store) {}

    // The tip of the day (section "Tip"): whether it shows at start ("StartUp" 0 or
    // missing), where the last showing stopped ("FilePos") and the stamp of the file it
    // stopped in ("TimeStamp").
    bool tipAtStartup() const;
    void setTipAtStartup(bool show);
    std::int64_t tipFilePosition() const;
    void setTipFilePosition(std::int64_t position);
    std::string tipTimeStamp() const;
    void setTipTimeStamp(const std::string& stamp);

    // A user's mail security (section "Mail/<the name's bytes in hex>", so that "/" or "\\"
    // in a name cannot reach another user's section). A user never saved gets the defaults.
    MailSecurityProfile mailSecurity(const std::string& user) const;
    void setMailSecurity(const std::string& user, const MailSecurityProfile& security);

    // The recommended tree's mailbox: the program's own unless section "Update" ("Host",
    // "Port", "User", "Security" none|starttls|tls) names another. The password is the
    // built-in one; another mailbox's comes from the secret store.
    net::RecommendedMailbox recommendedMailbox() const;
    bool namesOwnMailbox() const;
    // A password an older version kept in "Update/Password" in plain text, to be moved to
    // the secret store and then forgotten here.
    std::optional<std::string> plainRecommendedPassword() const;
    void forgetPlainRecommendedPassword();

    // A user's sync (section "Sync/<the name's bytes in hex>"); a user never saved gets the
    // defaults, and a value out of range its default.
    SyncSettings syncSettings(const std::string& user) const;
    void setSyncSettings(const std::string& user, const SyncSettings& settings);

    // The main window's width as the user left it (section "Window", "Width"); none when
    // it was never changed.
    std::optional<int> windowWidth() const;
    void setWindowWidth(int width);

  private:
    SettingsStore& store_;
};

}  // namespace brivanta
