#include "gui/app/TrayIcon.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace brivanta {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

TrayIcon::~TrayIcon() {
    remove();
}

bool TrayIcon::add(const QIcon& icon, const QString& tip) {
    added_ = true;
    tip_ = tip;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    if (!icon_) {
        icon_ = new QSystemTrayIcon(this);
        connect(icon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        emit quickMenuRequested(QCursor::pos());
                    else if (reason == QSystemTrayIcon::Context)
                        emit systemMenuRequested(QCursor::pos());
                });
    }
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    icon_->show();
    return icon_->isVisible();
}

void TrayIcon::remove() {
    added_ = false;
    if (icon_)
        icon_->hide();
}

bool TrayIcon::isShown() const {
    return icon_ && icon_->isVisible();
}

bool TrayIcon::showMessage(const QString& title, const QString& text, bool warning) {
    if (!isShown())
        return false;
    icon_->showMessage(title, text,
                       warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
    return true;
}

}  // namespace brivanta
