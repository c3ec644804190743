#include "gui/health/HealthCommands.h"

#include <QScreen>
#include <QWidget>

#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"

namespace brivanta {

namespace {
int keyOf(HealthWindow::Mode mode, int treeKind) {
    return treeKind * 2 + (mode == HealthWindow::Mode::links ? 1 : 0);
}
}  // namespace

HealthCommands::HealthCommands(CommandRegistry& commands, TreeEditor& editor, QWidget* window)
    : QObject(window), commands_(commands), editor_(editor), window_(window) {}

void HealthCommands::registerCommands() {
    commands_.setTreeHandler(ids::kFindDuplicates,
                             [this](int target) { open(HealthWindow::Mode::duplicates, target); });
    commands_.setTreeHandler(ids::kCheckLinks,
                             [this](int target) { open(HealthWindow::Mode::links, target); });
    // They open a window: the menu they were chosen from closes first.
    commands_.setQueued(ids::kFindDuplicates, true);
    commands_.setQueued(ids::kCheckLinks, true);
}

HealthWindow* HealthCommands::window(HealthWindow::Mode mode, int treeKind) const {
    return windows_.value(keyOf(mode, treeKind));
}

HealthWindow* HealthCommands::open(HealthWindow::Mode mode, int treeKind) {
    if (HealthWindow* shown = window(mode, treeKind)) {
        if (mode == HealthWindow::Mode::duplicates)
            shown->start();
        shown->show();
        shown->raise();
        shown->activateWindow();
        return shown;
    }
    BookmarkTreeView* view = editor_.view(treeKind);
    TreeUndo* history = editor_.history(treeKind);
    if (!view || !history)
        return nullptr;
    auto* made = new HealthWindow(mode, view->tree(), *history, window_);
    windows_.insert(keyOf(mode, treeKind), made);
    // In the middle of the screen, clear of the bar at its top and the window at its edge.
    if (QScreen* screen = window_->screen()) {
        QRect free = screen->availableGeometry();
        made->resize(made->size().boundedTo(free.size() * 9 / 10));
        made->move(free.center() - QPoint(made->width() / 2, made->height() / 2));
    }
    made->show();
    made->start();
    return made;
}

}  // namespace brivanta
