#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "core/app/NetworkSettings.h"

class QWidget;

namespace brivanta {

class BookmarkTreeView;
class CommandRegistry;
class LoginSession;
class PeerListenService;
class TreeUndo;

// The network commands: listening for neighbours (with the listener), sending to a neighbour
// or a mailbox, receiving mail, the recommended-tree update and the upload. Each runs its
// protocol work through the one NetworkTaskRunner and applies what came back to the trees on
// the GUI thread, as one step of the tree's history. Registers its own handlers.
class NetworkCommands : public QObject {
    Q_OBJECT
  public:
    struct Hooks {
        // The view of the tree of a control id, or null.
        std::function<BookmarkTreeView*(int treeControl)> view;
        // The undo history of the tree of a control id, or null.
        std::function<TreeUndo*(int treeControl)> history;
        // The control id of the shown tree.
        std::function<int()> shownTree;
    };

    // `window` parents the dialogs and the busy window.
    NetworkCommands(QWidget& window, CommandRegistry& commands, LoginSession& login, Hooks hooks);
    ~NetworkCommands() override;

    void registerCommands();

    // The endpoints of this run, and the listening port.
    NetworkSettings& settings() { return settings_; }
    const NetworkSettings& settings() const { return settings_; }
    PeerListenService& listener() { return *listener_; }
    bool isListening() const;

    // The commands, as their handlers run them.
    void toggleListening();
    void sendToNeighbour(BookmarkTreeView& view);
    void sendToMailbox(BookmarkTreeView& view);
    void receiveFromMailbox();
    void updateRecommended();
    void upload(BookmarkTreeView& view);

  private:
    QWidget& window_;
    CommandRegistry& commands_;
    LoginSession& login_;
    Hooks hooks_;
    NetworkSettings settings_;
    std::unique_ptr<PeerListenService> listener_;
};

}  // namespace brivanta
