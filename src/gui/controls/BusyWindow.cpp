#include "gui/controls/BusyWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>

#include "gui/controls/BusyAnimation.h"
#include "gui/resources/CommandIds.h"

namespace brivanta {

BusyWindow::BusyWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QString::number(ids::kBusyDialog));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QString::fromUtf8("正在连接..."));
    animation_ = new BusyAnimation(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(animation_, 0, Qt::AlignCenter);
    setFixedSize(220, 44);
    if (owner)
        move(owner->window()->geometry().topLeft() + QPoint(0, 32));
    animation_->start();
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

BusyWindow::~BusyWindow() {
    animation_->stop();
}

void BusyWindow::setStepText(const QString& text) {
    setWindowTitle(text);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace brivanta
