#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace brivanta {

// Hands an address to the desktop (browser, mail program, file manager). Tests put their own
// opener in place so nothing starts; an empty opener puts the desktop's back.
using UrlOpener = std::function<bool(const QUrl&)>;
void setUrlOpener(UrlOpener opener);
bool openUrl(const QUrl& url);

// Opens an entry's address: a web address, "mailto:" or a bare mail address, or a file path.
// False when the address is empty or nothing could open it.
bool openAddress(const QString& address);

// The URL an entry's address stands for.
QUrl urlForAddress(const QString& address);

}  // namespace brivanta
