#include "gui/trees/DroppedData.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "core/trees/TreeDrop.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {
// A desktop link is a few lines; a larger file of that name is not read as one.
constexpr qint64 kMaxDesktopLinkSize = 64 * 1024;
}  // namespace

QString resolveDroppedFile(const QString& path) {
    QFileInfo info(path);
    if (info.isSymLink()) {
        // A dangling link has no target to open: keep the link itself.
        QString target = info.canonicalFilePath();
        return target.isEmpty() ? path : target;
    }
    if (!path.endsWith(QLatin1String(".desktop")) || !info.isFile() ||
        info.size() > kMaxDesktopLinkSize)
        return path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return path;
    QByteArray text = file.readAll();
    QString url =
        QString::fromStdString(desktopLinkTarget(std::string_view(text.constData(), text.size())));
    if (url.isEmpty())
        return path;
    QUrl parsed(url);
    if (parsed.isLocalFile())
        return parsed.toLocalFile();
    return url;
}

std::vector<NodeRecord> entriesFromDroppedData(const QMimeData& data) {
    std::vector<NodeRecord> entries;
    const QList<QUrl> urls = data.urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            entries.push_back(entryForDroppedPath(toGbk(resolveDroppedFile(url.toLocalFile()))));
    }
    if (!entries.empty())
        return entries;
    if (data.hasText()) {
        NodeRecord entry = entryForDroppedText(toGbk(data.text()));
        if (!entry.address.empty())
            entries.push_back(std::move(entry));
        return entries;
    }
    for (const QUrl& url : urls) {
        NodeRecord entry = entryForDroppedText(toGbk(url.toString()));
        if (!entry.address.empty())
            entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace brivanta
