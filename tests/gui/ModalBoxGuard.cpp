#include "ModalBoxGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace brivanta::test {

namespace {
constexpr int kPollMilliseconds = 50;
}  // namespace

QString describeBox(const QMessageBox& box) {
    QString text = box.windowTitle() + QStringLiteral(": ") + box.text();
    if (!box.informativeText().isEmpty())
        text += u' ' + box.informativeText();
    return text;
}

ModalBoxGuard::ModalBoxGuard(Report report, int graceMilliseconds, QObject* parent)
    : QObject(parent), report_(std::move(report)), grace_(graceMilliseconds) {
    timer_.setInterval(kPollMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &ModalBoxGuard::poll);
    timer_.start();
}

void ModalBoxGuard::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
        watched_ = nullptr;
        return;
    }
    if (box != watched_) {
        watched_ = box;
        openFor_.start();
    }
    if (openFor_.elapsed() < grace_)
        return;
    ++closed_;
    const QString said = describeBox(*box);
    watched_ = nullptr;
    // Escape's answer: the box's cancel or no button, or none when it has no such button.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(box, &escape);
    if (box->isVisible())
        box->reject();
    report_(QStringLiteral("a modal message box nobody answered was closed: ") + said);
}

}  // namespace brivanta::test
