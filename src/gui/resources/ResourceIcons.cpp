#include "gui/resources/ResourceIcons.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include "gui/resources/CommandIds.h"

namespace brivanta {

QIcon resourceIcon(const QString& name) {
    // Icons are asked for on every repaint of a tree; load each file once.
    static QHash<QString, QIcon> cache;
    auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    QIcon icon(QStringLiteral(":/icons/%1.svg").arg(name));
    cache.insert(name, icon);
    return icon;
}

QIcon resourceIcon(int id) {
    return resourceIcon(QString::number(id));
}

QIcon commandIcon(int commandId) {
    return resourceIcon(QStringLiteral("cmd-%1").arg(commandId));
}

QPixmap backgroundBitmap(const QSize& size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(ids::kBackgroundBitmap));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QPixmap backgroundBitmap() {
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(ids::kBackgroundBitmap));
    return backgroundBitmap(renderer.defaultSize());
}

}  // namespace brivanta
