#pragma once

#include <functional>

class QWidget;

namespace brivanta {

class CommandRegistry;
class LoginSession;
class NodeIconChooser;
class TreeUndo;

// The login's tree files as the desktop sees them: reading them at start (a file read only
// in part is told at once), the save command (32780) on the shown tree, and the saves every
// way of closing makes, with the user's choice when a file cannot be written. What is written
// where is the login's; this only asks and tells.
class TreeFiles {
  public:
    struct Hooks {
        // The control id of the shown tree.
        std::function<int()> shownTree;
        // The undo history of the tree of a control id, or null.
        std::function<TreeUndo*(int treeControl)> history;
    };

    TreeFiles(QWidget& window, CommandRegistry& commands, LoginSession& login, Hooks hooks);

    void registerCommands();
    // Reads the three trees and says which were read only in part.
    void open(NodeIconChooser* icons);
    // Saves the shown tree; on failure tells the user which file.
    bool saveShown();
    // Saves every tree that changed (收藏, 通讯录, then 推荐). When a file cannot be written the
    // user may retry, keep the window open (false), or close and lose what was not saved;
    // with `mayStayOpen` false the failure is only reported. A damaged original kept beside
    // its file is reported too.
    bool saveBeforeClosing(bool mayStayOpen);

  private:
    QWidget& window_;
    CommandRegistry& commands_;
    LoginSession& login_;
    Hooks hooks_;
};

}  // namespace brivanta
