#include "gui/net/MailPasswordStore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QTimer>

namespace brivanta {

namespace {

constexpr const char* kService = "Brivanta";
// A secret store that does not answer in this time counts as none.
constexpr int kJobTimeoutMs = 5000;

// QtKeychain's jobs end asynchronously; the dialogs want the answer before they go on.
bool runJob(QKeychain::Job& job) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kJobTimeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return finished;
}

class KeychainStore : public MailPasswordStore {
  public:
    bool available() override {
        // Secret Service speaks D-Bus: without a session bus there is no store to ask.
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            return false;
        return !failed_;
    }
    std::optional<QString> read(const QString& key) override {
        if (!available())
            return std::nullopt;
        QKeychain::ReadPasswordJob job(QString::fromLatin1(kService));
        job.setAutoDelete(false);
        job.setInsecureFallback(false);
        job.setKey(key);
        if (!runJob(job) || !checked(job.error()) || job.error() != QKeychain::NoError)
            return std::nullopt;
        return job.textData();
    }
    bool write(const QString& key, const QString& password) override {
        if (!available())
            return false;
        QKeychain::WritePasswordJob job(QString::fromLatin1(kService));
        job.setAutoDelete(false);
        job.setInsecureFallback(false);
        job.setKey(key);
        job.setTextData(password);
        return runJob(job) && checked(job.error()) && job.error() == QKeychain::NoError;
    }
    void remove(const QString& key) override {
        if (!available())
            return;
        QKeychain::DeletePasswordJob job(QString::fromLatin1(kService));
        job.setAutoDelete(false);
        job.setInsecureFallback(false);
        job.setKey(key);
        if (runJob(job))
            checked(job.error());
    }

  private:
    // A store that is not there says so once; after that nobody waits for it again.
    bool checked(QKeychain::Error error) {
        if (error == QKeychain::NoBackendAvailable || error == QKeychain::NotImplemented ||
            error == QKeychain::AccessDeniedByUser)
            failed_ = true;
        return !failed_;
    }
    bool failed_ = false;
};

MailPasswordStore* override = nullptr;

}  // namespace

MailPasswordStore& MailPasswordStore::current() {
    static KeychainStore keychain;
    return override ? *override : keychain;
}

void MailPasswordStore::setCurrent(MailPasswordStore* store) {
    override = store;
}

QString mailPasswordKey(const std::string& appUser, const char* kind, const QString& login,
                        const QString& host) {
    // The program's user names are GBK bytes: hex keeps every one of them apart.
    return QString::fromLatin1(QByteArray::fromStdString(appUser).toHex()) + u'/' +
           QString::fromLatin1(kind) + u'/' + login + u'@' + host;
}

}  // namespace brivanta
