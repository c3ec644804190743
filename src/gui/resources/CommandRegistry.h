#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

#include "core/app/CommandState.h"

class QAction;

namespace brivanta {

// One QAction per command id, owned here. The toolbar, its drop-downs, the context menus and
// the tray menu all show these same objects, so enabling or checking a command once shows
// everywhere. It is also the one dispatcher: a command runs the handler set for its id, on
// the tree it targets. A command without a handler is shown disabled, so nothing looks live
// that does nothing.
//
// The target of a command is a tree (its control id): the shown tree, unless a menu opened for
// another tree (the docking bar's buttons name theirs) is open. What every command may do is
// decided in one place, commandStates(), from the context of the target; refresh() applies it.
class CommandRegistry : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void()>;
    // A handler told the tree the command was given for.
    using TreeHandler = std::function<void(int target)>;
    // What the states of the commands follow, for a target tree.
    using ContextSource = std::function<CommandContext(int target)>;

    explicit CommandRegistry(QObject* parent = nullptr);
    ~CommandRegistry() override;

    // The action of `id`, made on first use with the program's text, tool tip, icon and keys.
    QAction* action(int id);
    bool contains(int id) const { return actions_.contains(id); }
    // Every id that has an action, in ascending order.
    QList<int> ids() const;

    // Makes `id` live: triggering its action (from any menu or button) runs `handler`.
    void setHandler(int id, const Handler& handler);
    void setTreeHandler(int id, const TreeHandler& handler);
    bool hasHandler(int id) const { return handlers_.contains(id); }
    // Runs the handler of `id` on the present target, or on `target`. False when there is
    // none, or the command cannot run now.
    bool trigger(int id);
    bool trigger(int id, int target);
    // A window command chosen from a menu or button runs once control is back in the event
    // loop, so the menu has closed first; trigger() still runs it at once.
    void setQueued(int id, bool queued);
    bool isQueued(int id) const { return queued_.contains(id); }

    // The tree commands act on when no menu names another: the shown one.
    void setDefaultTarget(std::function<int()> target) { defaultTarget_ = std::move(target); }
    // While `owner` (a menu opened for a tree) lives, commands act on `target`.
    void pushTarget(QObject* owner, int target);
    int target() const;

    // Where refresh() takes the context of a target from.
    void setContextSource(ContextSource source) { source_ = std::move(source); }
    bool hasContextSource() const { return static_cast<bool>(source_); }
    CommandContext context(int target) const;
    // Gives every command the state commandStates() decides for the present target.
    void refresh();
    void applyContext(const CommandContext& context);

    // Whether the command can run in the present state. The action is enabled only when this
    // is true and a handler is set.
    void setAvailable(int id, bool available);
    bool isAvailable(int id) const { return !unavailable_.contains(id); }
    // A toggle command: its action is checkable and shows `checked`.
    void setChecked(int id, bool checked);
    bool isChecked(int id) const;
    // While suspended (a network transfer runs), no command starts and every action is
    // disabled; afterwards each shows its own state again.
    void setSuspended(bool suspended);
    bool isSuspended() const { return suspended_; }

  signals:
    // Before the handler of `id` runs.
    void triggered(int id);

  private:
    struct TargetOverride {
        QPointer<QObject> owner;
        int target;
    };
    void updateEnabled(int id);
    void releaseTarget(QObject* owner);

    QHash<int, QAction*> actions_;
    QHash<int, TreeHandler> handlers_;
    QHash<int, bool> unavailable_;
    QHash<int, bool> queued_;
    QList<TargetOverride> targets_;
    std::function<int()> defaultTarget_;
    ContextSource source_;
    bool suspended_ = false;
};

// The text a menu shows for a command ("发送到邮箱..."); empty for an unknown id.
QString commandText(int id);

}  // namespace brivanta
