#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace brivanta {

// The program the desktop associates with a kind of address.
struct AssociatedHandler {
    QString exec;           // its command line, with the desktop entry's field codes
    QString newWindowExec;  // the command of its "new-window" action; empty when it has none
    QString iconName;       // the entry's icon, or the theme icon of the type
};

// Which program handles an icon key: an extension (".doc"), "mailto", or ".htm" for web pages.
class FileAssociations {
  public:
    virtual ~FileAssociations() = default;
    virtual std::optional<AssociatedHandler> handlerFor(const QString& key) const = 0;
    // Whether `path` is a program: an existing file that may be executed.
    virtual bool isProgram(const QString& path) const {
        (void)path;
        return false;
    }
    // The icon the desktop gives the program at `path` (a theme name or an image file), or
    // empty when none is known.
    virtual QString programIconName(const QString& path) const {
        (void)path;
        return {};
    }
};

// The associations of a freedesktop desktop: the MIME type of the key, its default
// application from mimeapps.list, and that application's desktop entry.
class DesktopAssociations : public FileAssociations {
  public:
    // The system's own search paths.
    DesktopAssociations();
    // `configDirs` hold mimeapps.list, `applicationDirs` desktop entries (and mimeapps.list
    // too); earlier directories win.
    DesktopAssociations(QStringList configDirs, QStringList applicationDirs);

    std::optional<AssociatedHandler> handlerFor(const QString& key) const override;
    // An absolute path of a regular file (links followed) with execute permission, or one
    // that begins as a program does (an ELF header or "#!").
    bool isProgram(const QString& path) const override;
    // The Icon of the desktop entry whose Exec starts the program, by its path or, for an
    // Exec that names it without a folder, by its file name.
    QString programIconName(const QString& path) const override;

  private:
    QString defaultApplication(const QString& mimeType) const;
    std::optional<AssociatedHandler> readDesktopEntry(const QString& id) const;

    QStringList configDirs_;
    QStringList applicationDirs_;
    // Program (path or bare name) -> icon of every desktop entry, read on first use.
    mutable std::optional<QHash<QString, QString>> programIcons_;
};

// The command that starts the handler of `address` directly: the mail program for a mail
// address, the browser's new window for a web page when `newWindow` is set, otherwise the
// handler of the address's extension (the browser when there is none). The address is always
// one argument of its own. Empty when no handler is known.
QStringList handlerCommand(const FileAssociations& associations, const QString& address,
                           bool newWindow);

}  // namespace brivanta
