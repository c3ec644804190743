#include "gui/net/SyncPasswords.h"

#include <QHash>

#include "gui/net/MailPasswordStore.h"

namespace brivanta::syncpasswords {

namespace {

// The server's address and the login name the entry: another server never gets it.
QString keyOf(const std::string& appUser, const SyncSettings& settings) {
    return mailPasswordKey(appUser, "webdav", QString::fromStdString(settings.user),
                           QString::fromStdString(settings.serverUrl));
}

QHash<QString, QString>& forThisRun() {
    static QHash<QString, QString> passwords;
    return passwords;
}

}  // namespace

bool lasting() {
    return MailPasswordStore::current().available();
}

std::string read(const std::string& appUser, const SyncSettings& settings) {
    const QString key = keyOf(appUser, settings);
    if (auto kept = forThisRun().constFind(key); kept != forThisRun().constEnd())
        return kept->toStdString();
    return MailPasswordStore::current().read(key).value_or(QString()).toStdString();
}

bool write(const std::string& appUser, const SyncSettings& settings, const std::string& password) {
    const QString key = keyOf(appUser, settings);
    forThisRun().remove(key);
    MailPasswordStore& store = MailPasswordStore::current();
    if (password.empty()) {
        store.remove(key);
        return true;
    }
    if (store.write(key, QString::fromStdString(password)))
        return true;
    forThisRun().insert(key, QString::fromStdString(password));
    return false;
}

void forget(const std::string& appUser, const SyncSettings& settings) {
    const QString key = keyOf(appUser, settings);
    forThisRun().remove(key);
    MailPasswordStore::current().remove(key);
}

}  // namespace brivanta::syncpasswords
