#include "core/formats/ShortcutFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileStreams.h"
#include "core/formats/ImportExportChecks.h"
#include "core/formats/SafeFileName.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {

constexpr size_t kNamedSkips = 20;

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

// The bytes of the shortcut `name` in `search`'s directory, at most kLargestShortcutFile of
// them. Returns kNotRegularFile or kLinkInTheWay when something else took the file's place.
FileError readShortcut(const DirectorySearch& search, const std::string& name, std::string& bytes) {
    bytes.clear();
    const std::string path = joinPath(search.path(), name);
    // Not following a link, and non-blocking, so a pipe that took a shortcut's place since
    // the listing cannot stall the import.
    int fd = ::openat(search.fd(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return FileError{path, errno == ELOOP ? kLinkInTheWay : errno};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileError{path, kNotRegularFile};
    }
    char buffer[8192];
    int error = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
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

// Writes the shortcut `name` into the open directory `directory`.
FileError writeShortcutAt(int directory, const std::string& name, const std::string& shownPath,
                          std::string_view address) {
    AtomicFileSink sink;
    if (FileError e = sink.openAt(directory, name, shownPath))
        return e;
    std::string text = internetShortcutText(address);
    sink.write(text.data(), text.size());
    // One sync for the whole export instead of one per file.
    return sink.commit(AtomicFileSink::Sync::Later);
}

// Makes the directory `name` in `parent` unless it is one already, and opens it; a link in
// its place is refused, not followed.
int openDirectoryAt(int parent, const std::string& name, const std::string& shownPath,
                    FileError& error) {
    if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) {
        error = FileError{shownPath, errno};
        return -1;
    }
    int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        return fd;
    int e = errno;
    struct stat st;
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        e = S_ISLNK(st.st_mode) ? kLinkInTheWay : S_ISDIR(st.st_mode) ? e : ENOTDIR;
    error = FileError{shownPath, e};
    return -1;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Writes entries into a folder through descriptors of the directories it made, so that a
// link planted inside cannot lead the files elsewhere.
class ShortcutWriter {
  public:
    ShortcutWriter(BookmarkTree& tree, const ArchiveProgress& progress, ExportResult& result)
        : tree_(tree), progress_(progress), result_(result) {}
    ~ShortcutWriter() {
        while (!levels_.empty())
            leave();
    }
    ShortcutWriter(const ShortcutWriter&) = delete;
    ShortcutWriter& operator=(const ShortcutWriter&) = delete;

    // The folder the user chose; a link there is followed (it is the user's choice).
    FileError enter(const std::string& folder) {
        int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return FileError{folder, errno};
        levels_.push_back({fd, folder, {}});
        return {};
    }

    // The walk's events: an entry is written into the innermost folder, a folder written as
    // a directory becomes the innermost until it is left.
    WalkStep visit(ItemId item, int) {
        if (!writeEntry(item))
            return WalkStep::Over;
        if (tree_.hasChildren(item))
            return WalkStep::Into;
        leave();
        return WalkStep::Over;
    }
    void leaveFolder(ItemId, int) { leave(); }

    void sync() {
        if (!levels_.empty())
            ::syncfs(levels_.front().fd);
    }

  private:
    struct Level {
        int fd;
        std::string path;
        std::unordered_set<std::string> taken;  // names used here, in lower case
    };

    void leave() {
        ::close(levels_.back().fd);
        levels_.pop_back();
    }

    // A name not yet used in `level` by this export: "x", "x (2)", "x (3)"... before the
    // extension. Letter case does not tell names apart, as on the file systems of other
    // systems a folder may be copied to.
    static std::string claim(Level& level, const std::string& name, std::string_view extension) {
        for (int n = 1;; ++n) {
            std::string candidate = n == 1 ? name : name + " (" + std::to_string(n) + ")";
            candidate += extension;
            std::string key = candidate;
            for (char& ch : key)
                ch = asciiLower(ch);
            if (level.taken.insert(std::move(key)).second)
                return candidate;
        }
    }

    void writeLink(Level& level, const std::string& name, std::string_view address) {
        std::string file = claim(level, name, ".url");
        if (FileError e = writeShortcutAt(level.fd, file, joinPath(level.path, file), address))
            result_.fail(e, 1);
        else
            ++result_.written;
    }

    // Writes one entry into the innermost folder. True when it opened a folder for the
    // entry's children (now the innermost).
    bool writeEntry(ItemId item) {
        RecordRef record = tree_.LookupRecord(item);
        if (progress_)
            progress_(record->name);
        const std::string name = safeFileName(fileNameText(record->name));
        Level& here = levels_.back();
        if (!record->address.empty() && !tree_.hasChildren(item)) {
            writeLink(here, name, record->address);
            return false;
        }
        const std::string directory = claim(here, name, "");
        const std::string shown = joinPath(here.path, directory);
        if (levels_.size() > kDeepestShortcutFolder) {
            result_.fail(FileError{shown, ENAMETOOLONG}, entriesToExport(tree_, item));
            return false;
        }
        FileError error;
        int fd = openDirectoryAt(here.fd, directory, shown, error);
        if (fd < 0) {
            result_.fail(error, entriesToExport(tree_, item));
            return false;
        }
        levels_.push_back({fd, shown, {}});
        // The format has no link with children: the link goes into its own folder, first.
        if (!record->address.empty())
            writeLink(levels_.back(), name, record->address);
        else
            ++result_.written;
        return true;
    }

    BookmarkTree& tree_;
    const ArchiveProgress& progress_;
    ExportResult& result_;
    std::vector<Level> levels_;
};

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
    const std::string directory = directoryOf(path);
    int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return FileError{path, errno};
    size_t slash = path.rfind('/');
    FileError e = writeShortcutAt(fd, slash == std::string::npos ? path : path.substr(slash + 1),
                                  path, address);
    ::close(fd);
    return e;
}

std::string_view entryTitle(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

ShortcutEntry importShortcutEntry(TreeMerger& merger, DirectorySearch& search, FileError& error,
                                  ShortcutImportResult* result) {
    auto skip = [&](const std::string& path) {
        if (!result)
            return;
        ++result->skipped;
        if (result->skippedPaths.size() < kNamedSkips)
            result->skippedPaths.push_back(path);
    };
    for (;;) {
        const DirectorySearch::Entry& e = search.current();
        bool shortcut = isShortcutExtension(e.name.substr(entryTitle(e.name).size()));
        bool usable = e.directory ? e.name != "." && e.name != ".." : e.regularFile && shortcut;
        if (usable) {
            const std::string name = entryNameText(entryTitle(e.name));
            if (e.directory) {
                merger.openFolder(name);
                return ShortcutEntry::Folder;
            }
            std::string bytes;
            if ((error = readShortcut(search, e.name, bytes))) {
                if (error.errorNumber != kNotRegularFile && error.errorNumber != kLinkInTheWay)
                    return ShortcutEntry::Failed;
                // Swapped for something else since the listing: passed over.
                skip(error.path);
                error = {};
                if (!search.next())
                    return ShortcutEntry::None;
                continue;
            }
            if (result)
                result->bytes += bytes.size();
            merger.addLink(name, shortcutAddress(shortcutText(bytes)));
            return ShortcutEntry::Link;
        }
        // Files of other types are no concern of ours; anything else in the way is told.
        if (!e.directory && !e.regularFile)
            skip(joinPath(search.path(), e.name));
        if (!search.next())
            return ShortcutEntry::None;
    }
}

FileError importShortcutFolder(const std::string& folder, TreeMerger& merger,
                               ShortcutImportResult* result) {
    ShortcutImportResult own;
    ShortcutImportResult& r = result ? *result : own;
    r = {};
    size_t listed = 0;
    // Each directory once, however it is reached again (a bind mount, a hard-linked one).
    std::set<std::pair<dev_t, ino_t>> visited;
    // Explicit levels instead of recursion: the depth is whatever the file system holds. Every
    // level but the first is a folder open in the merger, closed when the level is done.
    std::vector<std::unique_ptr<DirectorySearch>> levels;
    auto pop = [&] {
        levels.pop_back();
        if (!levels.empty())
            merger.closeFolder();
    };
    auto passOver = [&](const std::string& path) {
        ++r.skipped;
        if (r.skippedPaths.size() < kNamedSkips)
            r.skippedPaths.push_back(path);
    };
    // What is listed is read; past the bound of entries looked at no directory is listed.
    auto admit = [&](std::unique_ptr<DirectorySearch> level) {
        listed += level->size();
        if (level->truncated())
            r.capped = true;
        if (!visited.insert({level->device(), level->inode()}).second) {
            passOver(level->path());
            return false;
        }
        levels.push_back(std::move(level));
        return true;
    };
    {
        auto top = std::make_unique<DirectorySearch>();
        if (top->open(withoutTrailingSeparator(folder), kShortcutImportListed))
            admit(std::move(top));
    }
    FileError error;
    while (!levels.empty()) {
        DirectorySearch& search = *levels.back();
        if (!search.next()) {
            pop();
            continue;
        }
        if (merger.stopped())
            break;
        ShortcutEntry entry = importShortcutEntry(merger, search, error, &r);
        if (entry == ShortcutEntry::Failed)
            break;
        if (entry == ShortcutEntry::None) {
            pop();
            continue;
        }
        if (r.bytes >= kShortcutImportBytes) {
            r.capped = true;
            break;
        }
        if (entry == ShortcutEntry::Link)
            continue;
        // The folder is open in the merger: its directory's entries come next, or none.
        const std::string& name = search.current().name;
        bool entered = false;
        if (levels.size() >= kDeepestShortcutFolder) {
            passOver(joinPath(search.path(), name));
        } else if (listed >= kShortcutImportListed) {
            r.capped = true;
        } else {
            auto inner = std::make_unique<DirectorySearch>();
            if (inner->openAt(search, name, kShortcutImportListed - listed))
                entered = admit(std::move(inner));
        }
        if (!entered)
            merger.closeFolder();
    }
    r.added = merger.added();
    r.full = merger.full();
    return error;
}

FileError importShortcutFolder(BookmarkTree& tree, const std::string& folder, ItemId parent,
                               const ArchiveProgress& progress, ShortcutImportResult* result,
                               ImportBudget* budget) {
    BookmarkTree::BulkUpdate bulk(tree);
    TreeMerger merger(tree, parent, progress, budget ? *budget : ImportBudget());
    FileError error = importShortcutFolder(folder, merger, result);
    if (budget)
        *budget = merger.budget();
    return error;
}

std::string ShortcutImportResult::notes() const {
    std::string text;
    if (skipped > 0) {
        text = "另有 " + std::to_string(skipped) +
               " 个没有读取（符号链接、设备、管道、套接字，或重复、过深的目录）：";
        for (const std::string& path : skippedPaths)
            text += "\n  " + path;
        if (skippedPaths.size() < skipped)
            text += "\n  ……";
    }
    if (capped) {
        if (!text.empty())
            text += "\n";
        text += "收藏夹太大（最多看 " + std::to_string(kShortcutImportListed) + " 个目录项、读 " +
                std::to_string(kShortcutImportBytes >> 20) + " MiB），其余条目没有导入。";
    }
    return text;
}

std::string ShortcutImportResult::text() const {
    std::string text = "新增 " + std::to_string(added) + " 个条目";
    if (skipped > 0) {
        text += "，跳过 " + std::to_string(skipped) +
                " 个（符号链接、设备、管道、套接字，或重复、过深的目录）：";
        for (const std::string& path : skippedPaths)
            text += "\n  " + path;
        if (skippedPaths.size() < skipped)
            text += "\n  ……";
    } else {
        text += "。";
    }
    if (full)
        text += "\n书签已满，其余条目没有导入。";
    if (capped)
        text += "\n收藏夹太大（最多看 " + std::to_string(kShortcutImportListed) + " 个目录项、读 " +
                std::to_string(kShortcutImportBytes >> 20) + " MiB），其余条目没有导入。";
    return text;
}

FileError exportShortcutChildren(BookmarkTree& tree, const std::string& directory, ItemId parent,
                                 const ArchiveProgress& progress, ExportResult* result) {
    ExportResult own;
    ExportResult& r = result ? *result : own;
    if (parent != kNoItem && !tree.contains(parent))
        return {};
    ShortcutWriter writer(tree, progress, r);
    if (FileError e = writer.enter(withoutTrailingSeparator(directory))) {
        r.fail(e, tree.size());
        return e;
    }
    walkChildren(tree, parent, writer);
    return r.firstFailure();
}

FileError exportShortcutFolder(BookmarkTree& tree, const std::string& folder, ItemId start,
                               const ArchiveProgress& progress, ExportResult* result) {
    ExportResult own;
    ExportResult& r = result ? *result : own;
    if (start != kNoItem && !tree.contains(start))
        return {};
    ShortcutWriter writer(tree, progress, r);
    if (FileError e = writer.enter(withoutTrailingSeparator(folder))) {
        r.fail(e, entriesToExport(tree, start));
        return e;
    }
    walkTree(tree, start, writer);
    writer.sync();
    return r.firstFailure();
}

}  // namespace brivanta
