#pragma once

#include <string>

#include "core/formats/FileError.h"

namespace brivanta {

// An advisory lock that writers of one file share, so that two programs never add to or
// replace the same file at once. The lock is held on a lock file ".<name>.lock" beside the
// file (the file itself is replaced by every save, so a lock on it would not last), after
// symbolic links are resolved, so two names for one file share one lock. Locks are per
// open lock file: a second FileLock on the same file in the same process waits like any
// other program. The desktop program holds one for each of the logged-in user's files for
// its session; the command-line writers take it around each change.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock of `path`, waiting up to `waitMs` (0: not at all; negative: without
    // end). The error names the file; EWOULDBLOCK when another holder kept it.
    FileError lock(const std::string& path, int waitMs = -1);
    void unlock();
    bool isLocked() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // The lock file that stands for `path`.
    static std::string lockFileFor(const std::string& path);
    // The text for a lock another program kept: "文件 “x” 正被另一个程序使用（…），没有改动它".
    static std::string busyMessage(const std::string& path);

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace brivanta
