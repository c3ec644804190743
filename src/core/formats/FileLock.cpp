#include "core/formats/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/formats/FileStreams.h"

namespace brivanta {

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        unlock();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

std::string FileLock::lockFileFor(const std::string& path) {
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    if (ec || resolved.empty())
        resolved = path;
    const std::string name = "." + resolved.filename().string() + ".lock";
    return resolved.has_parent_path() ? (resolved.parent_path() / name).string() : name;
}

std::string FileLock::busyMessage(const std::string& path) {
    return "文件 “" + path + "” 正被另一个程序使用（也许是登录了这个用户的桌面程序），没有改动它";
}

FileError FileLock::lock(const std::string& path, int waitMs) {
    unlock();
    // The empty name is no file; its lock file would land in the working directory.
    if (path.empty())
        return FileError{path, ENOENT};
    // Only a file a save may write is locked: a device, a pipe or a link to nowhere is refused
    // here already, before a lock file appears beside it (in /dev, say).
    if (FileError e = checkSaveTarget(path))
        return e;
    const std::string lockPath = lockFileFor(path);
    // The lock file itself is never a link or a device someone put in its place.
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(lockPath.c_str(), O_RDONLY | kFlags);  // someone else's lock file
    if (fd < 0)
        return errno == ELOOP ? FileError{lockPath, kNotRegularFile} : FileError{path, errno};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileError{lockPath, kNotRegularFile};
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, waitMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB) == 0)
            break;
        int e = errno;
        if (e == EINTR)
            continue;
        if (e != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return FileError{path, e};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fd_ = fd;
    path_ = path;
    return {};
}

void FileLock::unlock() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    path_.clear();
}

}  // namespace brivanta
