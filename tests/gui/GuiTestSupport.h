#pragma once

#include <QDir>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/accounts/UserAccount.h"
#include "core/app/LoginSession.h"
#include "core/app/Profile.h"

namespace brivanta::test {

// A fresh program directory. The working directory is left alone: every path into the
// home is built from path() or filePath().
class TempHome {
  public:
    TempHome() = default;
    std::string path() const { return dir_.path().toStdString(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    bool exists(const QString& name) const { return QFile::exists(filePath(name)); }
    // Every file and directory below the home, relative, sorted.
    QStringList entries() const;
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;

  private:
    QTemporaryDir dir_;
};

// `account` logged in on the program directory `home`, as the login dialog leaves it for the
// window (the trees are read by MainDialog::start()).
std::unique_ptr<LoginSession> logIn(const std::string& home, const UserAccount& account);
inline std::unique_ptr<LoginSession> logIn(const TempHome& home, const UserAccount& account) {
    return logIn(home.path(), account);
}

// The desktop's profile as a fresh INI file `file` (removed first), opened as the program
// opens its own.
void openFreshProfile(const QString& file);

// A profile in memory that the desktop uses while this lives, so that a test starts with
// none of another test's settings and never touches a real profile.
class TestProfile {
  public:
    TestProfile();
    ~TestProfile();
    Profile& profile() { return profile_; }
    MemorySettingsStore& store() { return store_; }

  private:
    MemorySettingsStore store_;
    Profile profile_{store_};
};

// What a message box said when it was answered.
struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QStringList buttons;  // the texts of its buttons
    int width = 0;        // as it was shown
};

// Answers modal windows while a test runs a modal loop: message boxes are recorded and
// closed; any other modal dialog is handed to the next queued action, in order.
class ModalDriver : public QObject {
    Q_OBJECT
  public:
    ModalDriver();
    void then(std::function<void(QWidget*)> action) { actions_.push_back(std::move(action)); }
    // Message boxes are answered with the button of this text when they have one (OK
    // otherwise).
    void answerWith(const QString& buttonText) { answer_ = buttonText; }
    const std::vector<SeenMessage>& messages() const { return messages_; }
    bool allActionsRun() const { return next_ == actions_.size(); }

  private:
    void poll();

    QTimer timer_;
    std::vector<SeenMessage> messages_;
    std::vector<std::function<void(QWidget*)>> actions_;
    size_t next_ = 0;
    QPointer<QWidget> lastHandled_;
    QString answer_;
};

// Types text the way an input method commits it (QTest::keyClicks cannot type Chinese).
void commitText(QWidget* widget, const QString& text);

// A "Users.ini"-format record, written byte for byte (so tests can store a name twice).
std::string accountRecord(const UserAccount& account);
UserAccount makeAccount(const std::string& name, const std::string& password,
                        const std::string& email = {});

}  // namespace brivanta::test
