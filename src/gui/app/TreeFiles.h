#pragma once

#include <functional>

class QWidget;

namespace brivanta {

class CommandRegistry;
class LoginSession;
class NodeIconChooser;
struct TreeSave;

// The login's tree files as the desktop sees them: reading them at start (a file read only
// in part is told at once), the save command (32780) on the shown tree, and the saves every
// way of closing makes, with the user's choice when a file cannot be written or another
// program changed it meanwhile. What is written where is the login's; this only asks and
// tells.
class TreeFiles {
  public:
    // `shownTree` gives the control id of the shown tree.
    TreeFiles(QWidget& window, CommandRegistry& commands, LoginSession& login,
              std::function<int()> shownTree);

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
    // A file another program changed since: merges its content in (the default, and what
    // happens when `mayAsk` is false) or overwrites it, as the user says, and saves again.
    // Unchanged when the user cancels.
    TreeSave resolveChangedElsewhere(const TreeSave& refused, bool mayAsk);

    QWidget& window_;
    CommandRegistry& commands_;
    LoginSession& login_;
    std::function<int()> shownTree_;
};

}  // namespace brivanta
