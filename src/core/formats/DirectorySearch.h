#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brivanta {

// The entries of one directory in the order the file system lists them, "." and ".."
// included. The whole listing is read at open(); the directory itself stays open so that
// what lies below it is reached from it, never again by a path that a link could divert.
// Symbolic links are not followed: they are listed as what they are.
class DirectorySearch {
  public:
    struct Entry {
        std::string name;
        bool directory = false;    // a real directory, not a link to one
        bool regularFile = false;  // a real file: false for links, devices, pipes, sockets
    };

    DirectorySearch() = default;
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // False (and no entries) when `path` cannot be listed. The path may lead through links:
    // it is the one the user chose.
    bool open(const std::string& path, size_t maxEntries = SIZE_MAX);
    // The directory `name` inside `parent`'s directory; false when it is no directory or a
    // link. `path` is how it is shown.
    bool openAt(const DirectorySearch& parent, const std::string& name,
                size_t maxEntries = SIZE_MAX);
    // Moves to the next entry; false when there is none.
    bool next();
    // True when another entry follows the current one.
    bool more() const { return position_ < entries_.size(); }
    const Entry& current() const { return entries_[position_ - 1]; }
    const std::string& path() const { return path_; }
    // The open directory, for opening what it holds without following links.
    int fd() const { return fd_; }
    // The listing stopped at maxEntries.
    bool truncated() const { return truncated_; }
    size_t size() const { return entries_.size(); }
    // Identity of the directory, to notice one reached a second time.
    dev_t device() const { return device_; }
    ino_t inode() const { return inode_; }

  private:
    bool list(int fd, size_t maxEntries);

    std::string path_;
    std::vector<Entry> entries_;
    size_t position_ = 0;
    int fd_ = -1;
    bool truncated_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace brivanta
