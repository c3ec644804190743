#include "gui/net/NetworkTaskRunner.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <memory>
#include <thread>

#include "gui/controls/BusyWindow.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {

// The window manager may still give the busy window a close box; the window goes only when
// the operation has ended.
class KeepOpen : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

NetworkTaskRunner& NetworkTaskRunner::instance() {
    static NetworkTaskRunner runner;
    return runner;
}

BusyWindow* NetworkTaskRunner::busyWindow() const {
    return window_;
}

bool NetworkTaskRunner::run(QWidget* owner, CommandRegistry* commands, const QString& firstCaption,
                            const Work& work, bool readsTrees) {
    if (running_)
        return false;
    running_ = true;
    readsTrees_ = readsTrees;
    QPointer<CommandRegistry> suspended = commands;
    if (suspended)
        suspended->setSuspended(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto window = std::make_unique<BusyWindow>(owner);
    // Modal, so no click or key reaches another window while the worker runs; the modality
    // only takes effect when the window is shown again.
    window->hide();
    window->setWindowModality(Qt::ApplicationModal);
    KeepOpen keepOpen;
    window->installEventFilter(&keepOpen);
    window->show();
    window_ = window.get();
    window->setWindowTitle(firstCaption);
    emit stepShown(firstCaption);

    // Steps and the end arrive through this object's queue, in the order they were posted,
    // so the last caption shows before the loop ends.
    QObject relay;
    QEventLoop loop;
    auto step = [this, &relay](const std::string& caption) {
        QString text = fromGbk(caption);
        QMetaObject::invokeMethod(
            &relay,
            [this, text] {
                if (window_)
                    window_->setWindowTitle(text);
                emit stepShown(text);
            },
            Qt::QueuedConnection);
    };
    std::thread worker([&] {
        work(step);
        QMetaObject::invokeMethod(
            &relay, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    window_ = nullptr;
    window->removeEventFilter(&keepOpen);
    window.reset();
    QApplication::restoreOverrideCursor();
    if (suspended)
        suspended->setSuspended(false);
    running_ = false;
    emit idle();
    return true;
}

}  // namespace brivanta
