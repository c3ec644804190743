#include "gui/platform/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace brivanta {

ExchangeFolders userExchangeFolders() {
    ExchangeFolders folders;
    folders.favorites = favoritesFolder(QFile::encodeName(QDir::homePath()).toStdString());
    folders.documents =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .toStdString();
    return folders;
}

}  // namespace brivanta
