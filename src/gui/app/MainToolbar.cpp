#include "gui/app/MainToolbar.h"

#include <QToolBar>
#include <QToolButton>

#include "core/app/MainLayout.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/TreeMenus.h"

namespace brivanta {

MainToolbar::MainToolbar(QWidget& window, CommandRegistry& commands, TreeMenus& menus)
    : QObject(&window), commands_(commands), toolbar_(new QToolBar(&window)), band_(kToolbarBand) {
    toolbar_->setObjectName(QString::number(ids::kMainToolbar));
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar_->setMovable(false);
    toolbar_->setContentsMargins(0, 0, 0, 0);
    for (int id : ids::kToolbarLayout) {
        if (id == 0) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* action = commands_.action(id);
        toolbar_->addAction(action);
        if (id == ids::kSendToMailbox || id == ids::kReceiveFromMailbox || id == ids::kAbout) {
            if (auto* each = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action))) {
                each->setMenu(menus.dropDownMenu(id, &window));
                each->setPopupMode(QToolButton::MenuButtonPopup);
            }
        }
    }
}

void MainToolbar::registerCommands() {
    commands_.setHandler(ids::kShowToolbar, [this] { setShown(!shown()); });
}

QToolButton* MainToolbar::button(int commandId) const {
    if (!commands_.contains(commandId))
        return nullptr;
    return qobject_cast<QToolButton*>(toolbar_->widgetForAction(commands_.action(commandId)));
}

void MainToolbar::setShown(bool shown) {
    band_ = shown ? kToolbarBand : 0;
    emit shownChanged(shown);
}

}  // namespace brivanta
