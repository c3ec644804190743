#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

#include "core/app/SyncSettings.h"

class QWidget;

namespace brivanta {

class CommandRegistry;
class LoginSession;
class TreeUndo;
struct OptionValues;

// 立即同步 and the timed sync: the tree (or folder) the user's sync settings name is kept in
// step with its XBEL file on a WebDAV server. The tree is captured here, the server work
// runs on the worker of the NetworkTaskRunner under the busy window, and what came back is
// applied as one step of the tree's history; the tree file is then saved, and only a saved
// tree lets the sync's state be committed. Registers its own handler.
class SyncCommands : public QObject {
    Q_OBJECT
  public:
    enum class Trigger { byHand, timed };
    struct Hooks {
        // The undo history of the tree of a kind, or null.
        std::function<TreeUndo*(int treeKind)> history;
        // Shows a message at the tray icon; false where none is shown.
        std::function<bool(const QString& title, const QString& text, bool warning)> notify;
    };

    // `window` parents the boxes and the busy window. Reads the user's settings.
    SyncCommands(QWidget& window, CommandRegistry& commands, LoginSession& login, Hooks hooks);
    ~SyncCommands() override;

    void registerCommands();
    const SyncSettings& settings() const { return settings_; }
    bool configured() const { return settings_.configured(); }
    // What the sync page shows: the settings, the password, the folders of both trees.
    void fill(OptionValues& values) const;
    // Keeps what the sync page left: in the profile, the password in the secret store. A
    // sync of something else starts afresh, without the last sync's state.
    void apply(const OptionValues& values);

    // One sync now; whether the tree is in step with the server afterwards. By hand, a
    // failure shows a box; timed, it says so at the tray icon.
    bool syncNow(Trigger trigger);
    const QTimer& timer() const { return timer_; }
    // The state file of the present settings.
    std::string statePath() const;

  signals:
    // What the user was told at the end of a sync (a box's text or a tray message).
    void told(const QString& text);

  private:
    void restartTimer();
    bool fail(Trigger trigger, const QString& text);
    void tell(Trigger trigger, const QString& text, bool important);

    QWidget& window_;
    CommandRegistry& commands_;
    LoginSession& login_;
    Hooks hooks_;
    SyncSettings settings_;
    QTimer timer_;
    bool running_ = false;
};

}  // namespace brivanta
