#include "gui/net/RecommendedMailboxSettings.h"

#include "gui/net/MailPasswordStore.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/text/QtText.h"

namespace brivanta {

QString recommendedMailboxPasswordKey(const net::RecommendedMailbox& mailbox) {
    return mailPasswordKey({}, "update", fromGbk(mailbox.user), fromGbk(mailbox.host));
}

net::RecommendedMailbox loadRecommendedMailbox() {
    Profile& profile = DesktopProfile::current();
    net::RecommendedMailbox mailbox = profile.recommendedMailbox();
    MailPasswordStore& store = MailPasswordStore::current();
    const QString key = recommendedMailboxPasswordKey(mailbox);
    if (std::optional<std::string> plain = profile.plainRecommendedPassword()) {
        mailbox.password = *plain;
        if (store.available() && store.write(key, fromGbk(*plain)))
            profile.forgetPlainRecommendedPassword();
        return mailbox;
    }
    if (store.available()) {
        if (std::optional<QString> kept = store.read(key))
            mailbox.password = toGbk(*kept);
    }
    return mailbox;
}

}  // namespace brivanta
