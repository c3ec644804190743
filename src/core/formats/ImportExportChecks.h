#pragma once

#include <string>
#include <string_view>

#include "core/formats/FileError.h"

namespace brivanta {

// What the import and export dialog decides, without the dialog. Paths are file-system
// paths (UTF-8); "/" and "\\" both count as a separator at the end of a path.

enum class ExchangeFormat {
    ShortcutFolder,  // a favorites folder of ".url" files
    HtmlPage,
    ArchiveFile,      // the program's own tree file
    BookmarkFile,     // the Netscape bookmark file every browser imports and exports
    FirefoxProfile,   // a Firefox profile directory (or its places.sqlite); import only
    ChromiumProfile,  // a Chromium-family "Bookmarks" file (or its profile); import only
    XbelFile,         // XML Bookmark Exchange Language (KDE, Floccus)
};

// Whether a tree can be written in `format` (a browser's own store is only read).
bool formatExports(ExchangeFormat format);
// Whether `format` reads a browser profile found on this machine.
bool isBrowserProfile(ExchangeFormat format);

enum class ExchangeCheck {
    Accepted,
    MissingFolder,  // the folder (or the folder part of a file path) does not exist
    MissingFile,    // the file to import does not exist or is a directory
    AskOverwrite,   // the file to export to exists: ask before replacing it
    NoProfile,      // a browser profile to import from was neither found nor given
    ImportOnly,     // an export in a format that is only read
};

struct ExchangeCheckResult {
    ExchangeCheck outcome = ExchangeCheck::Accepted;
    // The path as it is to be used and shown again (one trailing separator removed).
    std::string path;
    // The folder that was not found (MissingFolder).
    std::string folder;
};

// One trailing separator removed; "/" alone stays.
std::string withoutTrailingSeparator(std::string_view path);

// The folder part of a file path: the text before the last separator ("/" for a file
// directly in the root), or "" for a bare file name, which means the current directory.
std::string folderPart(std::string_view path);

// The checks of the OK button, in their order: a folder must exist; a file to import must
// exist and not be a directory; a file to export needs an existing folder, and asks before
// replacing an existing file. A browser profile is only imported from, and must be named and
// exist (the profile directory or its database or bookmarks file).
ExchangeCheckResult checkExchangePath(ExchangeFormat format, bool isExport, std::string_view path);

// Makes `folder` and every missing folder above it (mkdir -p; the umask decides their modes),
// so that an export can go where the user agreed to put it. Fails naming the folder that could
// not be made, or `folder` itself when something other than a folder is in the way.
FileError createFolders(std::string_view folder);

// Where the user keeps things: the favorites folder and the documents folder ("" when the
// desktop has none).
struct ExchangeFolders {
    std::string favorites;
    std::string documents;
};

// "$HOME/Favorites".
std::string favoritesFolder(std::string_view home);

// The path the dialog proposes for a format: the favorites folder; or the selected entry's
// name (UTF-8; "favorites" when none is selected) with ".htm" or ".bvk" in the documents
// folder, or bare when there is none; a bookmark file likewise with ".html", XBEL with ".xbel". A
// browser profile has no default here: it is chosen among the profiles found.
std::string defaultExchangePath(ExchangeFormat format, std::string_view selectedName,
                                const ExchangeFolders& folders);

}  // namespace brivanta
