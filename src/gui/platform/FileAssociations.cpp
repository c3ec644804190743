#include "gui/platform/FileAssociations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTextStream>

#include "core/trees/EntryAddress.h"
#include "gui/platform/DesktopExec.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {

// Desktop files and mimeapps.list are small; anything larger is not one of them.
constexpr qint64 kMaxDesktopFileSize = 1 << 20;

// The groups of an INI-like desktop file: group -> key -> value (localised keys left out).
using Groups = QHash<QString, QHash<QString, QString>>;

Groups readGroups(const QString& path) {
    Groups groups;
    QFile file(path);
    if (file.size() > kMaxDesktopFileSize || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QTextStream in(&file);
    QString group;
    while (!in.atEnd()) {
        QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        QString key = line.left(eq).trimmed();
        if (key.contains(u'['))
            continue;
        groups[group].insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

QString mimeTypeForKey(const QString& key) {
    if (key == QLatin1String("mailto"))
        return QStringLiteral("x-scheme-handler/mailto");
    if (key == QLatin1String(".htm"))
        return QStringLiteral("x-scheme-handler/http");
    QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("x") + key, QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
}

}  // namespace

DesktopAssociations::DesktopAssociations()
    : DesktopAssociations(QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation),
                          QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
}

DesktopAssociations::DesktopAssociations(QStringList configDirs, QStringList applicationDirs)
    : configDirs_(std::move(configDirs)), applicationDirs_(std::move(applicationDirs)) {}

QString DesktopAssociations::defaultApplication(const QString& mimeType) const {
    QStringList lists;
    for (const QString& dir : configDirs_ + applicationDirs_)
        lists.append(QDir(dir).filePath(QStringLiteral("mimeapps.list")));
    for (const char* section : {"Default Applications", "Added Associations"}) {
        for (const QString& list : lists) {
            QString value = readGroups(list).value(QLatin1String(section)).value(mimeType);
            for (const QString& id : value.split(u';', Qt::SkipEmptyParts)) {
                // An id names a file in the applications directories, never a path.
                if (id.contains(u'/'))
                    continue;
                for (const QString& dir : applicationDirs_) {
                    if (QFile::exists(QDir(dir).filePath(id)))
                        return id;
                }
            }
        }
    }
    return {};
}

std::optional<AssociatedHandler> DesktopAssociations::readDesktopEntry(const QString& id) const {
    for (const QString& dir : applicationDirs_) {
        QString path = QDir(dir).filePath(id);
        if (!QFile::exists(path))
            continue;
        Groups groups = readGroups(path);
        const auto entry = groups.value(QStringLiteral("Desktop Entry"));
        AssociatedHandler handler;
        handler.exec = entry.value(QStringLiteral("Exec"));
        handler.iconName = entry.value(QStringLiteral("Icon"));
        if (entry.value(QStringLiteral("Actions")).split(u';').contains(u"new-window")) {
            handler.newWindowExec = groups.value(QStringLiteral("Desktop Action new-window"))
                                        .value(QStringLiteral("Exec"));
        }
        if (handler.exec.isEmpty())
            return std::nullopt;
        return handler;
    }
    return std::nullopt;
}

std::optional<AssociatedHandler> DesktopAssociations::handlerFor(const QString& key) const {
    QString mimeType = mimeTypeForKey(key);
    if (mimeType.isEmpty())
        return std::nullopt;
    QString id = defaultApplication(mimeType);
    if (id.isEmpty())
        return std::nullopt;
    std::optional<AssociatedHandler> handler = readDesktopEntry(id);
    if (handler && handler->iconName.isEmpty() && !mimeType.startsWith(u"x-scheme-handler/"))
        handler->iconName = QMimeDatabase().mimeTypeForName(mimeType).iconName();
    return handler;
}

bool DesktopAssociations::isProgram(const QString& path) const {
    QFileInfo info(path);
    if (!info.isAbsolute() || !info.isFile())
        return false;
    if (info.isExecutable())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray head = file.read(4);
    return head == QByteArrayLiteral(
                       "\x7f"
                       "ELF") ||
           head.startsWith("#!");
}

QString DesktopAssociations::programIconName(const QString& path) const {
    if (!programIcons_) {
        programIcons_.emplace();
        // Later directories are read first so that earlier ones win. An Exec that names a program
        // by its path is found by that path and by the file it leads to.
        for (auto dir = applicationDirs_.crbegin(); dir != applicationDirs_.crend(); ++dir) {
            QDirIterator entries(*dir, {QStringLiteral("*.desktop")}, QDir::Files);
            while (entries.hasNext()) {
                const auto entry =
                    readGroups(entries.next()).value(QStringLiteral("Desktop Entry"));
                QString icon = entry.value(QStringLiteral("Icon"));
                QStringList words = splitExecLine(entry.value(QStringLiteral("Exec")));
                // "env NAME=value program ..." starts the program after the settings.
                if (!words.isEmpty() && words.front() == QLatin1String("env")) {
                    words.removeFirst();
                    while (!words.isEmpty() && words.front().contains(u'='))
                        words.removeFirst();
                }
                if (icon.isEmpty() || words.isEmpty())
                    continue;
                programIcons_->insert(words.front(), icon);
                QString canonical = QFileInfo(words.front()).canonicalFilePath();
                if (QFileInfo(words.front()).isAbsolute() && !canonical.isEmpty())
                    programIcons_->insert(canonical, icon);
            }
        }
    }
    // A link to a program shows the program's icon.
    QString target = QFileInfo(path).canonicalFilePath();
    for (const QString& candidate : {path, target}) {
        QString byPath = programIcons_->value(candidate);
        if (!byPath.isEmpty())
            return byPath;
    }
    for (const QString& candidate : {path, target}) {
        QString byName = programIcons_->value(QFileInfo(candidate).fileName());
        if (!byName.isEmpty())
            return byName;
    }
    return {};
}

QStringList handlerCommand(const FileAssociations& associations, const QString& address,
                           bool newWindow) {
    std::string stored = toGbk(address);
    if (opensAsMail(stored)) {
        std::optional<AssociatedHandler> mail = associations.handlerFor(QStringLiteral("mailto"));
        return mail ? commandForAddress(mail->exec, address) : QStringList();
    }
    // An address with a scheme ("http://example.com") is a web page whatever its last dot says.
    QString extension = hasUrlScheme(stored) ? QStringLiteral(".htm")
                                             : fromGbk(addressExtension(stored, false)).toLower();
    bool webPage = extension == QLatin1String(".htm");
    std::optional<AssociatedHandler> handler = associations.handlerFor(extension);
    if (!handler && !webPage) {
        handler = associations.handlerFor(QStringLiteral(".htm"));
        webPage = true;
    }
    if (!handler)
        return {};
    QString exec = handler->exec;
    if (newWindow && webPage && !handler->newWindowExec.isEmpty())
        exec = handler->newWindowExec;
    return commandForAddress(exec, address);
}

}  // namespace brivanta
