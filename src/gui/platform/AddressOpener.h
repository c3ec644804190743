#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QWidget;

namespace brivanta {

// Hands an address to the desktop (browser, mail program, file manager). Tests put their own
// opener in place so nothing starts; an empty opener puts the desktop's back.
using UrlOpener = std::function<bool(const QUrl&)>;
void setUrlOpener(UrlOpener opener);
bool openUrl(const QUrl& url);

class FileAssociations;

// Starts a program with its arguments, never through a shell. Tests put their own in place;
// an empty one puts the real one back.
using ProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;
void setProgramStarter(ProgramStarter starter);

// Opens an entry's address: a mail address through "mailto:", everything else through the
// desktop's opener; when that fails, or for a web page with `openInNewBrowser`, the handler
// program is started directly (the browser's new window). `associations` defaults to the
// desktop's. False when the address is empty or nothing could open it.
bool openAddress(const QString& address, bool openInNewBrowser = false,
                 const FileAssociations* associations = nullptr);

// openAddress(), and when nothing could open the address a warning that names it
// ("无法打开 “…”。"), in front of `parent`. The trees and the program's links both use it, so
// a failure reads the same everywhere.
bool openAddressOrTell(QWidget* parent, const QString& address, bool openInNewBrowser = false,
                       const FileAssociations* associations = nullptr);

// The URL an entry's address stands for.
QUrl urlForAddress(const QString& address);

}  // namespace brivanta
