#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include "gui/health/HealthWindow.h"

class QWidget;

namespace brivanta {

class CommandRegistry;
class TreeEditor;

// 查找重复... and 检查链接...: each opens the window of its kind for the tree the command was
// given for (one window per tree and kind; a second call brings it forward and, for
// duplicates, looks again).
class HealthCommands : public QObject {
    Q_OBJECT
  public:
    HealthCommands(CommandRegistry& commands, TreeEditor& editor, QWidget* window);

    void registerCommands();
    // The open window of `mode` for tree `treeKind`, made and started when there is none.
    HealthWindow* open(HealthWindow::Mode mode, int treeKind);
    HealthWindow* window(HealthWindow::Mode mode, int treeKind) const;

  private:
    CommandRegistry& commands_;
    TreeEditor& editor_;
    QWidget* window_;
    QHash<int, QPointer<HealthWindow>> windows_;  // by tree kind and mode
};

}  // namespace brivanta
