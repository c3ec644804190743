#include "core/formats/DirectorySearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivanta {

bool DirectorySearch::open(const std::string& path) {
    path_ = path;
    entries_.clear();
    position_ = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (struct dirent* d = ::readdir(dir)) {
        Entry e;
        e.name = d->d_name;
        unsigned char type = d->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat target;
            if (::fstatat(fd, d->d_name, &target, 0) == 0) {
                type = S_ISDIR(target.st_mode)   ? DT_DIR
                       : S_ISREG(target.st_mode) ? DT_REG
                                                 : DT_UNKNOWN;
            } else {
                type = DT_UNKNOWN;
            }
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
