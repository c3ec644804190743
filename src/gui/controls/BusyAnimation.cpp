#include "gui/controls/BusyAnimation.h"

#include <QPainter>

namespace brivanta {

BusyAnimation::BusyAnimation(QWidget* parent)
    : QWidget(parent), renderer_(QStringLiteral(":/icons/busy.svg")) {
    setAttribute(Qt::WA_TranslucentBackground);
    timer_.setInterval(kFrameMilliseconds);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrameCount;
        update();
    });
}

void BusyAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    int side = std::min(width(), height());
    QRectF box((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    p.translate(box.center());
    p.rotate(frame_ * 360.0 / kFrameCount);
    p.translate(-box.center());
    renderer_.render(&p, box);
}

}  // namespace brivanta
