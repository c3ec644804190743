#include "core/formats/DirectorySearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivanta {

DirectorySearch::~DirectorySearch() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool DirectorySearch::open(const std::string& path, size_t maxEntries) {
    path_ = path;
    return list(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                maxEntries);
}

bool DirectorySearch::openAt(const DirectorySearch& parent, const std::string& name,
                             size_t maxEntries) {
    path_ = parent.path_;
    if (!path_.empty() && path_.back() != '/')
        path_ += '/';
    path_ += name;
    return list(parent.fd_ < 0 ? -1
                               : ::openat(parent.fd_, name.c_str(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC),
                maxEntries);
}

bool DirectorySearch::list(int fd, size_t maxEntries) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    entries_.clear();
    position_ = 0;
    truncated_ = false;
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    // The listing gets a descriptor of its own; fd_ stays for what lies below.
    int listing = ::dup(fd);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    while (struct dirent* d = ::readdir(dir)) {
        if (entries_.size() >= maxEntries) {
            truncated_ = true;
            break;
        }
        Entry e;
        e.name = d->d_name;
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
            struct stat entry;
            if (::fstatat(fd_, d->d_name, &entry, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(entry.st_mode) ? DT_DIR : S_ISREG(entry.st_mode) ? DT_REG : DT_LNK;
        }
        e.directory = type == DT_DIR;
        e.regularFile = type == DT_REG;
        entries_.push_back(std::move(e));
    }
    ::closedir(dir);
    return true;
}

bool DirectorySearch::next() {
    if (position_ >= entries_.size())
        return false;
    ++position_;
    return true;
}

}  // namespace brivanta
