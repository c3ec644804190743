#include "core/formats/ImportExportChecks.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/formats/SafeFileName.h"

namespace brivanta {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool formatExports(ExchangeFormat format) {
    return !isBrowserProfile(format);
}

bool isBrowserProfile(ExchangeFormat format) {
    return format == ExchangeFormat::FirefoxProfile || format == ExchangeFormat::ChromiumProfile;
}

std::string withoutTrailingSeparator(std::string_view path) {
    if (path.size() > 1 && isSeparator(path.back()))
        path.remove_suffix(1);
    return std::string(path);
}

std::string folderPart(std::string_view path) {
    size_t last = path.find_last_of("/\\");
    if (last == std::string_view::npos)
        return {};
    if (last == 0)
        return std::string(path.substr(0, 1));
    return std::string(path.substr(0, last));
}

ExchangeCheckResult checkExchangePath(ExchangeFormat format, bool isExport,
                                      std::string_view typed) {
    ExchangeCheckResult result;
    result.path = withoutTrailingSeparator(typed);
    const std::string& path = result.path;
    if (format == ExchangeFormat::ShortcutFolder) {
        if (!isDirectory(path)) {
            result.outcome = ExchangeCheck::MissingFolder;
            result.folder = path;
        }
        return result;
    }
    struct stat st;
    bool exists = !path.empty() && ::stat(path.c_str(), &st) == 0;
    if (isBrowserProfile(format)) {
        if (isExport)
            result.outcome = ExchangeCheck::ImportOnly;
        else if (path.empty())
            result.outcome = ExchangeCheck::NoProfile;
        // Either browser is read from its profile directory or from the file in it.
        else if (!exists)
            result.outcome = ExchangeCheck::MissingFile;
        return result;
    }
    if (!isExport) {
        if (!exists || S_ISDIR(st.st_mode))
            result.outcome = ExchangeCheck::MissingFile;
        return result;
    }
    std::string folder = folderPart(path);
    if (!folder.empty() && !isDirectory(folder)) {
        result.outcome = ExchangeCheck::MissingFolder;
        result.folder = folder;
        return result;
    }
    if (exists && !S_ISDIR(st.st_mode))
        result.outcome = ExchangeCheck::AskOverwrite;
    return result;
}

FileError createFolders(std::string_view folder) {
    std::string path = withoutTrailingSeparator(folder);
    if (path.empty())
        return {path, ENOENT};
    if (isDirectory(path))
        return {};
    // Each prefix that ends before a "/", then the whole path ("\\" is part of a name here).
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        std::string part = at == std::string::npos ? path : path.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return {part, errno};
        if (at == std::string::npos)
            break;
    }
    if (!isDirectory(path))
        return {path, ENOTDIR};
    return {};
}

std::string favoritesFolder(std::string_view home) {
    std::string folder(home);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + "Favorites";
}

std::string defaultExchangePath(ExchangeFormat format, std::string_view selectedName,
                                const ExchangeFolders& folders) {
    if (format == ExchangeFormat::ShortcutFolder)
        return folders.favorites;
    if (isBrowserProfile(format))
        return {};
    std::string name = selectedName.empty() ? std::string("favorites") : safeFileName(selectedName);
    name += format == ExchangeFormat::HtmlPage       ? ".htm"
            : format == ExchangeFormat::BookmarkFile ? ".html"
            : format == ExchangeFormat::XbelFile     ? ".xbel"
                                                     : ".bvk";
    if (folders.documents.empty())
        return name;
    std::string path = folders.documents;
    if (path.back() != '/')
        path += '/';
    return path + name;
}

}  // namespace brivanta
