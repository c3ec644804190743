#include "core/formats/ShortcutFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/ImportExportChecks.h"
#include "core/formats/SafeFileName.h"

namespace brivanta {

namespace {

std::string joinPath(std::string_view directory, std::string_view name) {
    std::string path;
    path.reserve(directory.size() + name.size() + 1);
    path.assign(directory);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

bool isShortcutExtension(std::string_view extension) {
    if (extension.size() != 4 || extension[0] != '.')
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(extension[1]) == 'u' && lower(extension[2]) == 'r' && lower(extension[3]) == 'l';
}

// The bytes of a shortcut file, at most kLargestShortcutFile of them.
FileError readShortcut(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Non-blocking, so a pipe that took a shortcut's place cannot stall the import.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileError{path, errno};
    char buffer[8192];
    int error = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno == EAGAIN ? 0 : errno;
            break;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kLargestShortcutFile) {
            error = EFBIG;
            break;
        }
    }
    ::close(fd);
    return FileError{error != 0 ? path : std::string(), error};
}

// Makes `path` a directory unless it is one already.
FileError makeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return {};
    int error = errno;
    struct stat st;
    if (error == EEXIST) {
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return {};
        error = ENOTDIR;
    }
    return FileError{path, error};
}

// Writes one entry: a link without children as a shortcut, anything else as a directory.
FileError exportEntry(BookmarkTree& tree, ItemId item, const std::string& path) {
    RecordRef record = tree.LookupRecord(item);
    if (!record->address.empty() && !tree.hasChildren(item))
        return writeInternetShortcut(path + ".url", record->address);
    return makeDirectory(path);
}

void syncFileSystemOf(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::syncfs(fd);
    ::close(fd);
}

}  // namespace

std::string shortcutAddress(std::string_view text) {
    size_t key = text.find("URL=");
    if (key == std::string_view::npos)
        return std::string(text);
    std::string_view value = text.substr(key + 4);
    return std::string(value.substr(0, value.find('\r')));
}

std::string_view shortcutText(std::string_view bytes) {
    // Our own files are one framed string: when the length prefix says exactly how long the
    // rest is, it is no part of the text, and neither is a zero byte. Without this a 16-bit
    // length such as 0x00FF would end the text at its zero byte and lose a long address.
    auto framed = [&](size_t prefix, std::uint64_t length) {
        return bytes.size() - prefix == length &&
               bytes.substr(prefix).starts_with("\r\n[InternetShortcut]");
    };
    auto byte = [&](size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i]));
    };
    if (!bytes.empty() && byte(0) < 0xFF && framed(1, byte(0)))
        return bytes.substr(1);
    if (bytes.size() >= 3 && byte(0) == 0xFF && framed(3, byte(1) | byte(2) << 8))
        return bytes.substr(3);
    if (bytes.size() >= 7 && byte(0) == 0xFF && byte(1) == 0xFF && byte(2) == 0xFF &&
        framed(7, byte(3) | byte(4) << 8 | byte(5) << 16 | byte(6) << 24))
        return bytes.substr(7);
    return bytes.substr(0, bytes.find('\0'));
}

std::string internetShortcutText(std::string_view address) {
    constexpr std::string_view kBody = "\r\n[InternetShortcut]\r\nURL=";
    std::string text = archiveLengthPrefix(kBody.size() + address.size());
    text += kBody;
    text += address;
    return text;
}

FileError writeInternetShortcut(const std::string& path, std::string_view address) {
    AtomicFileSink sink;
    if (FileError e = sink.open(path, AtomicFileSink::Links::Replace))
        return e;
    std::string text = internetShortcutText(address);
    sink.write(text.data(), text.size());
    // One sync for the whole export instead of one per file.
    return sink.commit(AtomicFileSink::Sync::Later);
}

std::string_view entryTitle(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

ItemId importShortcutEntry(BookmarkTree& tree, DirectorySearch& search, ItemId parent,
                           FileError& error, ImportBudget* budget) {
    for (;;) {
        const DirectorySearch::Entry& e = search.current();
        bool usable =
            e.directory
                ? e.name != "." && e.name != ".."
                : e.regularFile && isShortcutExtension(e.name.substr(entryTitle(e.name).size()));
        if (usable)
            break;
        if (!search.next())
            return parent;
    }
    const DirectorySearch::Entry& e = search.current();
    NodeRecord record;
    record.name = entryNameText(entryTitle(e.name));
    if (!e.directory) {
        std::string bytes;
        std::string path = joinPath(search.path(), e.name);
        if ((error = readShortcut(path, bytes)))
            return kNoItem;
        record.address = shortcutAddress(shortcutText(bytes));
    }
    if (budget && !budget->take(record.name.size() + record.address.size()))
        return kNoItem;
    return tree.InsertNode(record, parent);
}

FileError importShortcutFolder(BookmarkTree& tree, const std::string& folder, ItemId parent,
                               const ArchiveProgress& progress, size_t* added,
                               ImportBudget* budget) {
    struct Level {
        DirectorySearch search;
        ItemId parent;
        long long level;  // where its entries belong in the tree (1: the top level)
    };
    ImportBudget ownBudget;
    ImportBudget& limits = budget ? *budget : ownBudget;
    size_t count = 0;
    if (added)
        *added = 0;
    // Explicit levels instead of recursion: the depth is whatever the file system holds.
    std::vector<std::unique_ptr<Level>> levels;
    auto enter = [&](const std::string& path, ItemId node, long long depth) {
        auto level = std::make_unique<Level>();
        level->parent = node;
        level->level = depth;
        if (!level->search.open(path))
            return;
        for (const auto& outer : levels) {
            if (outer->search.device() == level->search.device() &&
                outer->search.inode() == level->search.inode())
                return;  // a link back up: the folder stays empty
        }
        levels.push_back(std::move(level));
    };
    BookmarkTree::BulkUpdate bulk(tree);
    const long long top = tree.contains(parent) ? tree.depth(parent) + 2 : 1;
    enter(withoutTrailingSeparator(folder), parent, top);
    FileError error;
    while (!levels.empty()) {
        Level& level = *levels.back();
        if (!level.search.next()) {
            levels.pop_back();
            continue;
        }
        ItemId node = importShortcutEntry(tree, level.search, level.parent, error, &limits);
        if (error || limits.stopped())
            break;
        if (node == level.parent || node == kNoItem) {
            levels.pop_back();
            continue;
        }
        ++count;
        if (level.level > limits.maxDepth())
            limits.noteFlattened();
        if (progress)
            progress(tree.LookupRecord(node)->name);
        // Below the depth limit a directory's entries follow it at its own level.
        if (level.search.current().directory)
            enter(joinPath(level.search.path(), level.search.current().name),
                  level.level + 1 > limits.maxDepth() ? level.parent : node, level.level + 1);
    }
    if (added)
        *added = count;
    return error;
}

FileError exportShortcutChildren(BookmarkTree& tree, const std::string& directory, ItemId parent,
                                 const ArchiveProgress& progress) {
    if (parent != kNoItem && !tree.contains(parent))
        return {};
    std::string path = withoutTrailingSeparator(directory);
    std::vector<size_t> lengths;  // path length at each level entered below `directory`
    ItemId c = tree.firstChild(parent);
    while (c != kNoItem) {
        const std::string& name = tree.LookupRecord(c)->name;
        std::string childPath = joinPath(path, safeFileName(fileNameText(name)));
        if (progress)
            progress(name);
        if (FileError e = exportEntry(tree, c, childPath))
            return e;
        if (tree.hasChildren(c)) {
            lengths.push_back(path.size());
            path = std::move(childPath);
            c = tree.firstChild(c);
            continue;
        }
        for (;;) {
            if (ItemId next = tree.nextSibling(c); next != kNoItem) {
                c = next;
                break;
            }
            if (lengths.empty()) {
                c = kNoItem;
                break;
            }
            c = tree.parent(c);
            path.resize(lengths.back());
            lengths.pop_back();
        }
    }
    return {};
}

FileError exportShortcutFolder(BookmarkTree& tree, const std::string& folder, ItemId start,
                               const ArchiveProgress& progress) {
    std::string base = withoutTrailingSeparator(folder);
    FileError error;
    if (start == kNoItem) {
        error = exportShortcutChildren(tree, base, kNoItem, progress);
    } else if (tree.contains(start)) {
        const std::string& name = tree.LookupRecord(start)->name;
        std::string nodePath = joinPath(base, safeFileName(fileNameText(name)));
        if (progress)
            progress(name);
        error = exportEntry(tree, start, nodePath);
        if (!error)
            error = exportShortcutChildren(tree, nodePath, start, progress);
    }
    syncFileSystemOf(base);
    return error;
}

}  // namespace brivanta
