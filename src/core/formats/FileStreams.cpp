#include "core/formats/FileStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

FileError AtomicFileSink::open(const std::string& path) {
    abandon();
    shownPath_ = path;
    // Saving through a link writes the file it points to and keeps the link.
    path_ = linkTarget(path);
    error_ = 0;
    std::string dir = directoryOf(path_);
    tempPath_ = (dir.empty() ? std::string() : dir + "/") + ".brivanta-save-XXXXXX";
    fd_ = ::mkostemp(tempPath_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        int e = errno;
        tempPath_.clear();
        return FileError{path, e};
    }
    // Keep the permissions an existing file had; a new file gets the usual 0644.
    struct stat st;
    mode_t mode = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd_, mode);
    return {};
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
    if (::close(fd_) != 0 && error_ == 0)
        error_ = errno;
    fd_ = -1;
    if (error_ == 0 && ::rename(tempPath_.c_str(), path_.c_str()) != 0)
        error_ = errno;
    if (error_ != 0) {
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
