#pragma once

#include <QString>
#include <optional>
#include <string>

namespace brivanta {

// Where a mail password may be remembered: the desktop's secret store, never a plain file.
// Where no secret store runs, available() is false and the dialogs ask each time.
class MailPasswordStore {
  public:
    virtual ~MailPasswordStore() = default;
    virtual bool available() = 0;
    virtual std::optional<QString> read(const QString& key) = 0;
    // False when the store refused it.
    virtual bool write(const QString& key, const QString& password) = 0;
    virtual void remove(const QString& key) = 0;

    // The secret store (Secret Service through QtKeychain), unless setCurrent() put another.
    static MailPasswordStore& current();
    // For tests; null goes back to the secret store.
    static void setCurrent(MailPasswordStore* store);
};

// The key of a password: the program's user, the kind of server ("smtp", "pop3"), the login
// and the host, so that two accounts never share an entry.
QString mailPasswordKey(const std::string& appUser, const char* kind, const QString& login,
                        const QString& host);

}  // namespace brivanta
