#include "gui/controls/IconMenu.h"

#include <QAction>

#include "gui/controls/IconMenuStyle.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

IconMenu::IconMenu(QWidget* parent) : QMenu(parent) {
    setStyle(IconMenuStyle::instance());
}

IconMenu::IconMenu(const QString& title, QWidget* parent) : IconMenu(parent) {
    setTitle(title);
}

IconMenu* IconMenu::addIconMenu(const QString& title) {
    auto* child = new IconMenu(title, this);
    child->showIcons_ = showIcons_;
    addMenu(child);
    return child;
}

void IconMenu::setShowIcons(bool show) {
    showIcons_ = show;
    for (QAction* action : actions()) {
        if (auto* child = qobject_cast<IconMenu*>(action->menu()))
            child->setShowIcons(show);
    }
    update();
}

void IconMenu::setItemIcon(QAction* action, const QIcon& icon) {
    if (icon.isNull())
        icons_.remove(action);
    else
        icons_.insert(action, icon);
}

QIcon IconMenu::itemIcon(const QAction* action) const {
    return showIcons_ ? icons_.value(action) : QIcon();
}

const QList<int>& IconMenu::menuIconCommands() {
    static const QList<int> commands = {ids::kNewEntry,
                                        ids::kEdit,
                                        ids::kCut,
                                        ids::kCopy,
                                        ids::kPaste,
                                        ids::kDelete,
                                        ids::kImport,
                                        ids::kExport,
                                        ids::kAbout,
                                        ids::kHelp,
                                        ids::kSettings,
                                        ids::kSendToMailbox,
                                        ids::kReceiveFromMailbox,
                                        ids::kUpload,
                                        ids::kUpdateRecommended,
                                        ids::kSendToNeighbour,
                                        ids::kTipOfTheDay};
    return commands;
}

int IconMenu::loadToolbarIcons(int toolbarId) {
    if (toolbarId != ids::kMenuIconToolbar)
        return 0;
    int given = 0;
    for (QAction* action : actions()) {
        if (auto* child = qobject_cast<IconMenu*>(action->menu())) {
            given += child->loadToolbarIcons(toolbarId);
            continue;
        }
        bool isNumber = false;
        int id = action->objectName().toInt(&isNumber);
        if (!isNumber || !menuIconCommands().contains(id))
            continue;
        QIcon icon = commandIcon(id);
        if (icon.isNull())
            continue;
        setItemIcon(action, icon);
        ++given;
    }
    return given;
}

}  // namespace brivanta
