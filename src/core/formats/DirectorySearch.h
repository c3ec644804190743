#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brivanta {

// The entries of one directory in the order the file system lists them, "." and ".."
// included. The whole listing is read at open(), so a walk down a deep tree holds no open
// directories. Symbolic links count as what they point to.
class DirectorySearch {
  public:
    struct Entry {
        std::string name;
        bool directory = false;
        bool regularFile = false;  // false for devices, pipes, sockets and broken links
    };

    // False (and no entries) when `path` cannot be listed.
    bool open(const std::string& path);
    // Moves to the next entry; false when there is none.
    bool next();
    // True when another entry follows the current one.
    bool more() const { return position_ < entries_.size(); }
    const Entry& current() const { return entries_[position_ - 1]; }
    const std::string& path() const { return path_; }
    // Identity of the directory, to notice a link back to one already being walked.
    dev_t device() const { return device_; }
    ino_t inode() const { return inode_; }

  private:
    std::string path_;
    std::vector<Entry> entries_;
    size_t position_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace brivanta
