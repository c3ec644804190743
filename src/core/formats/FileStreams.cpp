#include "core/formats/FileStreams.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

namespace brivanta {

FileSource::~FileSource() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileError FileSource::open(const std::string& path) {
    if (fd_ >= 0)
        ::close(fd_);
    error_ = 0;
    // Without O_NONBLOCK, opening a named pipe nobody writes to waits for a writer for ever.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return FileError{path, errno};
    struct stat st;
    int refused = 0;
    if (::fstat(fd_, &st) != 0)
        refused = errno;
    else if (S_ISDIR(st.st_mode))
        refused = EISDIR;
    else if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))
        // A device or a socket: /dev/zero would be read until memory runs out, a terminal
        // or a socket until someone types or sends.
        refused = kNotRegularFile;
    else if (S_ISFIFO(st.st_mode)) {
        // A pipe the shell made ("<(command)") has its writer already: read it as it comes.
        // One nobody has opened for writing reads as empty rather than waiting for one.
        int flags = ::fcntl(fd_, F_GETFL);
        if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) < 0)
            refused = errno;
    }
    if (refused != 0) {
        ::close(fd_);
        fd_ = -1;
        return FileError{path, refused};
    }
    return {};
}

size_t FileSource::read(char* buffer, size_t size) {
    if (fd_ < 0 || error_ != 0)
        return 0;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0)
            return static_cast<size_t>(n);
        if (errno == EINTR)
            continue;
        error_ = errno;
        return 0;
    }
}

long long FileSource::size() const {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

AtomicFileSink::~AtomicFileSink() {
    abandon();
}

namespace {

constexpr std::string_view kSaveMarker = ".brivanta-save-";
constexpr size_t kSuffixLength = 6;  // as many random characters as mkostemp puts in
constexpr long kProcFileSystem = 0x9fa0;

std::string baseNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A temporary name no other save of `base` is likely to pick at the same moment.
std::string temporaryName(const std::string& base) {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<unsigned> counter{0};
    unsigned char bytes[kSuffixLength];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        unsigned long long mix =
            static_cast<unsigned long long>(::time(nullptr)) * 6364136223846793005ULL ^
            static_cast<unsigned long long>(::getpid()) << 20 ^ counter++;
        for (unsigned char& b : bytes) {
            b = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005ULL + 1442695040888963407ULL;
        }
    }
    std::string name = "." + base + std::string(kSaveMarker);
    for (unsigned char b : bytes)
        name += kChars[b % (sizeof kChars - 1)];
    return name;
}

// Removes what a save of `base` that was killed left in `directory`:
// ".<base>.brivanta-save-??????", and the unnamed ".brivanta-save-??????" of older versions
// once it is an hour old (it might still be another file's save in progress).
void removeStaleTemporaries(int directory, const std::string& base) {
    int fd = ::dup(directory);
    if (fd < 0)
        return;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return;
    }
    const std::string own = "." + base + std::string(kSaveMarker);
    const time_t hourAgo = ::time(nullptr) - 3600;
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(d)) {
        std::string_view name = entry->d_name;
        bool old = false;
        if (name.size() == own.size() + kSuffixLength && name.starts_with(own)) {
            old = true;
        } else if (name.size() == kSaveMarker.size() + kSuffixLength &&
                   name.starts_with(kSaveMarker)) {
            struct stat st;
            old = ::fstatat(directory, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                  S_ISREG(st.st_mode) && st.st_mtime < hourAgo;
        }
        if (old)
            stale.emplace_back(name);
    }
    ::closedir(d);
    for (const std::string& name : stale)
        ::unlinkat(directory, name.c_str(), 0);
}

// Links in /proc stand for open files (/dev/stdout, /proc/self/fd/N): whatever they show,
// a save does not go there.
bool isInProc(const std::string& directory) {
    struct statfs fs;
    return ::statfs(directory.empty() ? "." : directory.c_str(), &fs) == 0 &&
           static_cast<long>(fs.f_type) == kProcFileSystem;
}

// What a save may do with an existing entry: 0 when it is a regular file, else the error.
int refusalFor(mode_t mode) {
    if (S_ISREG(mode))
        return 0;
    return S_ISDIR(mode) ? EISDIR : kNotRegularFile;
}

}  // namespace

FileError checkSaveTarget(const std::string& path, std::string* resolved) {
    std::string current = path;
    bool throughLink = false;
    // A chain of links ends at the file they stand for; a loop ends after 40 of them.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0) {
            int e = errno;
            if (e == ENOENT && !throughLink) {
                if (resolved)
                    *resolved = current;
                return {};  // a new file
            }
            // A link to nothing would make a file wherever it points.
            return FileError{path, e == ENOENT ? kNotRegularFile : e};
        }
        if (!S_ISLNK(st.st_mode)) {
            if (int e = refusalFor(st.st_mode))
                return FileError{path, e};
            if (resolved)
                *resolved = current;
            return {};
        }
        const std::string directory = directoryOf(current);
        if (isInProc(directory))
            return FileError{path, kNotRegularFile};
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size())
            return FileError{path, n < 0 ? errno : EIO};
        target.resize(static_cast<size_t>(n));
        if (target.front() != '/' && !directory.empty())
            target.insert(0, directory + '/');
        current = std::move(target);
        throughLink = true;
    }
    return FileError{path, ELOOP};
}

FileError AtomicFileSink::open(const std::string& path) {
    abandon();
    shownPath_ = path;
    // No file has the empty name (a place that was refused, such as an unusable user's
    // file); without this the temporary file would land in the working directory.
    if (path.empty())
        return FileError{path, ENOENT};
    error_ = 0;
    // Saving through a link writes the file it points to and keeps the link.
    std::string resolved;
    if (FileError e = checkSaveTarget(path, &resolved))
        return e;
    const std::string dir = directoryOf(resolved);
    directory_ = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_ < 0)
        return FileError{path, errno};
    ownsDirectory_ = true;
    name_ = baseNameOf(resolved);
    return start();
}

FileError AtomicFileSink::openAt(int directory, const std::string& name,
                                 const std::string& shownPath) {
    abandon();
    shownPath_ = shownPath;
    error_ = 0;
    struct stat st;
    if (::fstatat(directory, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (int e = S_ISLNK(st.st_mode) ? kLinkInTheWay : refusalFor(st.st_mode))
            return FileError{shownPath, e};
    } else if (errno != ENOENT) {
        return FileError{shownPath, errno};
    }
    directory_ = directory;
    ownsDirectory_ = false;
    name_ = name;
    return start();
}

FileError AtomicFileSink::start() {
    removeStaleTemporaries(directory_, name_);
    // Keep the permissions an existing file had; a new file gets the usual 0644.
    struct stat st;
    mode_t mode = ::fstatat(directory_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                      ? (st.st_mode & 07777)
                      : 0644;
    // An unnamed file first: a save killed while writing leaves nothing at all. It gets a
    // name only when complete, just before the rename.
    // It is named through /proc, which a chroot may lack.
    fd_ = ::access("/proc/self/fd", X_OK) == 0
              ? ::openat(directory_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)
              : -1;
    unnamed_ = fd_ >= 0;
    // Not every file system has unnamed files: a name the next save recognises.
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        tempName_ = temporaryName(name_);
        fd_ = ::openat(directory_, tempName_.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        int e = errno;
        tempName_.clear();
        closeDirectory();
        return FileError{shownPath_, e};
    }
    ::fchmod(fd_, mode);
    return {};
}

// Gives the complete unnamed file a temporary name beside the target.
int AtomicFileSink::nameUnnamed() {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryName(name_);
        if (::linkat(AT_FDCWD, procPath.c_str(), directory_, name.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            tempName_ = std::move(name);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

bool AtomicFileSink::write(const char* data, size_t size) {
    if (fd_ < 0 || error_ != 0)
        return false;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

FileError AtomicFileSink::commit(Sync sync) {
    if (fd_ < 0) {
        closeDirectory();
        return FileError{shownPath_, error_ != 0 ? error_ : EBADF};
    }
    if (error_ == 0 && sync == Sync::Now && ::fsync(fd_) != 0)
        error_ = errno;
    if (error_ == 0 && unnamed_)
        error_ = nameUnnamed();
    if (::close(fd_) != 0 && error_ == 0)
        error_ = errno;
    fd_ = -1;
    if (error_ == 0) {
        // Looked at again just before the rename: whatever took the file's place since the
        // save began is not replaced unless it is a regular file.
        struct stat st;
        if (::fstatat(directory_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            error_ = S_ISLNK(st.st_mode) ? kNotRegularFile : refusalFor(st.st_mode);
            if (error_ == 0 &&
                ::renameat(directory_, tempName_.c_str(), directory_, name_.c_str()) != 0)
                error_ = errno;
        } else if (errno != ENOENT) {
            error_ = errno;
        } else if (::renameat2(directory_, tempName_.c_str(), directory_, name_.c_str(),
                               RENAME_NOREPLACE) != 0) {
            // A new file: nothing that appeared meanwhile is replaced, where the file system
            // can tell.
            error_ = errno;
            if ((error_ == EINVAL || error_ == ENOSYS) &&
                ::renameat(directory_, tempName_.c_str(), directory_, name_.c_str()) == 0)
                error_ = 0;
        }
    }
    if (error_ != 0) {
        if (!tempName_.empty())
            ::unlinkat(directory_, tempName_.c_str(), 0);
        tempName_.clear();
        closeDirectory();
        return FileError{shownPath_, error_};
    }
    tempName_.clear();
    closeDirectory();
    return {};
}

void AtomicFileSink::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty()) {
        ::unlinkat(directory_, tempName_.c_str(), 0);
        tempName_.clear();
    }
    closeDirectory();
}

void AtomicFileSink::closeDirectory() {
    if (ownsDirectory_ && directory_ >= 0)
        ::close(directory_);
    directory_ = -1;
    ownsDirectory_ = false;
}

FileError readWholeFile(const std::string& path, std::string& out) {
    out.clear();
    FileSource source;
    if (FileError e = source.open(path))
        return e;
    long long size = source.size();
    if (size > 0)
        out.reserve(static_cast<size_t>(size));
    char buffer[65536];
    for (;;) {
        size_t n = source.read(buffer, sizeof buffer);
        if (n == 0)
            break;
        out.append(buffer, n);
    }
    if (source.failed())
        return FileError{path, source.error()};
    return {};
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

}  // namespace brivanta
