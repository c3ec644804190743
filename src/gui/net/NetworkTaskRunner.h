#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

#include "core/net/PeerTransfer.h"

class QWidget;

namespace brivanta {

class BusyWindow;
class CommandRegistry;

// Runs one network operation of the core on a worker thread while the modal busy window
// shows its steps and keeps repainting, with the wait cursor and every command suspended.
// run() returns once the operation has ended, so the caller applies its result to the trees
// on the GUI thread. One operation at a time: the trees are read by the worker meanwhile, so
// whatever would change them (a transfer a listener receives) waits for idle().
class NetworkTaskRunner : public QObject {
    Q_OBJECT
  public:
    // Gets the step callback to hand to the core; called on the worker thread.
    using Work = std::function<void(const net::StepCallback& step)>;

    static NetworkTaskRunner& instance();

    // False, without running anything, when another operation is still running.
    // `readsTrees` false: the work reads no tree (what it sends was made beforehand), so
    // received transfers may go into the trees meanwhile.
    bool run(QWidget* owner, CommandRegistry* commands, const QString& firstCaption,
             const Work& work, bool readsTrees = true);
    bool isRunning() const { return running_; }
    bool treesInUse() const { return running_ && readsTrees_; }
    // The busy window of the running operation (for tests), or null.
    BusyWindow* busyWindow() const;

  signals:
    // On the GUI thread, each caption as the busy window shows it.
    void stepShown(const QString& caption);
    // The operation has ended and the busy window is gone.
    void idle();

  private:
    NetworkTaskRunner() = default;
    bool running_ = false;
    bool readsTrees_ = true;
    QPointer<BusyWindow> window_;
};

}  // namespace brivanta
