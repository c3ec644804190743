#include "gui/resources/ResourceIcons.h"

#include <QFile>
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
    // Not every command has an image (toolbar 145 gives one to some of them); asking for a
    // file that is not there would only make Qt complain.
    QString name = QStringLiteral("cmd-%1").arg(commandId);
    static QHash<int, bool> drawn;
    auto it = drawn.constFind(commandId);
    if (it == drawn.constEnd())
        it = drawn.insert(commandId, QFile::exists(QStringLiteral(":/icons/%1.svg").arg(name)));
    return *it ? resourceIcon(name) : QIcon();
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
