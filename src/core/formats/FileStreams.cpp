#include "core/formats/FileStreams.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace brivanta {

FileSource::~FileSource() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileError FileSource::open(const std::string& path) {
    if (fd_ >= 0)
        ::close(fd_);
    error_ = 0;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return FileError{path, errno};
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return FileError{path, EISDIR};
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
constexpr size_t kSuffixLength = 6;  // what mkostemp puts in place of "XXXXXX"

std::string baseNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Removes what a save of `base` that was killed left in `dir`: ".<base>.brivanta-save-??????",
// and the unnamed ".brivanta-save-??????" of older versions once it is an hour old (it might
// still be another file's save in progress).
void removeStaleTemporaries(const std::string& dir, const std::string& base) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return;
    const std::string own = "." + base + std::string(kSaveMarker);
    const std::string prefix = dir.empty() ? std::string() : dir + "/";
    const time_t hourAgo = ::time(nullptr) - 3600;
    while (dirent* entry = ::readdir(d)) {
        std::string_view name = entry->d_name;
        bool stale = false;
        if (name.size() == own.size() + kSuffixLength && name.starts_with(own)) {
            stale = true;
        } else if (name.size() == kSaveMarker.size() + kSuffixLength &&
                   name.starts_with(kSaveMarker)) {
            struct stat st;
            std::string full = prefix + std::string(name);
            stale = ::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < hourAgo;
        }
        if (stale)
            ::unlink((prefix + std::string(name)).c_str());
    }
    ::closedir(d);
}

}  // namespace

std::string linkTarget(const std::string& path) {
    std::string current = path;
    // A chain of links ends at the file they stand for; a loop is left to open() to report.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size())
            return current;
        target.resize(static_cast<size_t>(n));
        if (target.front() != '/') {
            std::string dir = directoryOf(current);
            if (!dir.empty())
                target.insert(0, dir + '/');
        }
        current = target;
    }
    return current;
}

FileError AtomicFileSink::open(const std::string& path, Links links) {
    abandon();
    shownPath_ = path;
    // No file has the empty name (a place that was refused, such as an unusable user's
    // file); without this the temporary file would land in the working directory.
    if (path.empty())
        return FileError{path, ENOENT};
    // Saving through a link writes the file it points to and keeps the link.
    path_ = links == Links::Follow ? linkTarget(path) : path;
    error_ = 0;
    const std::string dir = directoryOf(path_);
    const std::string base = baseNameOf(path_);
    removeStaleTemporaries(dir, base);
    // Keep the permissions an existing file had; a new file gets the usual 0644.
    struct stat st;
    mode_t mode = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    // An unnamed file first: a save killed while writing leaves nothing at all. It gets a
    // name only when complete, just before the rename.
    // It is named through /proc, which a chroot may lack.
    fd_ = ::access("/proc/self/fd", X_OK) == 0
              ? ::open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)
              : -1;
    unnamed_ = fd_ >= 0;
    if (fd_ < 0) {
        // Not every file system has unnamed files: a name the next save recognises.
        tempPath_ = (dir.empty() ? std::string() : dir + "/") + "." + base +
                    std::string(kSaveMarker) + "XXXXXX";
        fd_ = ::mkostemp(tempPath_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            int e = errno;
            tempPath_.clear();
            return FileError{path, e};
        }
    }
    ::fchmod(fd_, mode);
    return {};
}

// Gives the complete unnamed file a temporary name beside the target.
int AtomicFileSink::linkUnnamed() {
    const std::string dir = directoryOf(path_);
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = (dir.empty() ? std::string() : dir + "/") + "." + baseNameOf(path_) +
                           std::string(kSaveMarker) + "XXXXXX";
        // A unique name by the same rule mkostemp uses; taken names are tried again.
        int probe = ::mkostemp(name.data(), O_CLOEXEC);
        if (probe < 0)
            return errno;
        ::close(probe);
        ::unlink(name.c_str());
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tempPath_ = name;
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
    if (fd_ < 0)
        return FileError{shownPath_, error_ != 0 ? error_ : EBADF};
    if (error_ == 0 && sync == Sync::Now && ::fsync(fd_) != 0)
        error_ = errno;
    if (error_ == 0 && unnamed_)
        error_ = linkUnnamed();
    if (::close(fd_) != 0 && error_ == 0)
        error_ = errno;
    fd_ = -1;
    if (error_ == 0 && ::rename(tempPath_.c_str(), path_.c_str()) != 0)
        error_ = errno;
    if (error_ != 0) {
        if (!tempPath_.empty())
            ::unlink(tempPath_.c_str());
        tempPath_.clear();
        return FileError{shownPath_, error_};
    }
    tempPath_.clear();
    return {};
}

void AtomicFileSink::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
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
