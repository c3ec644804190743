#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <functional>

class QAction;

namespace brivanta {

// One QAction per command id, owned here. The toolbar, its drop-downs, the context menus and
// the tray menu all show these same objects, so enabling or checking a command once shows
// everywhere. It is also the one dispatcher: a command runs the handler set for its id. A
// command without a handler is shown disabled, so nothing looks live that does nothing.
class CommandRegistry : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void()>;

    explicit CommandRegistry(QObject* parent = nullptr);
    ~CommandRegistry() override;

    // The action of `id`, made on first use with the program's text, tool tip and icon for it.
    QAction* action(int id);
    bool contains(int id) const { return actions_.contains(id); }
    // Every id that has an action, in ascending order.
    QList<int> ids() const;

    // Makes `id` live: triggering its action (from any menu or button) runs `handler`.
    void setHandler(int id, const Handler& handler);
    bool hasHandler(int id) const { return handlers_.contains(id); }
    // Runs the handler of `id`. False when there is none.
    bool trigger(int id);
    // A window command chosen from a menu or button runs once control is back in the event
    // loop, so the menu has closed first; trigger() still runs it at once.
    void setQueued(int id, bool queued);
    bool isQueued(int id) const { return queued_.contains(id); }

    // Whether the command can run in the present state (a tree has entries, a selection...).
    // The action is enabled only when this is true and a handler is set.
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
    void updateEnabled(int id);

    QHash<int, QAction*> actions_;
    QHash<int, Handler> handlers_;
    QHash<int, bool> unavailable_;
    QHash<int, bool> queued_;
    bool suspended_ = false;
};

// The text a menu shows for a command ("发送到邮箱..."); empty for an unknown id.
QString commandText(int id);

}  // namespace brivanta
