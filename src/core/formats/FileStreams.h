#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/formats/ByteStream.h"
#include "core/formats/FileError.h"

namespace brivanta {

// Reads a file. open() fails for a missing or unreadable file, a directory, a device or a
// socket (kNotRegularFile); a pipe is read as it comes, one without a writer as empty.
class FileSource : public ByteSource {
  public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    FileError open(const std::string& path);
    size_t read(char* buffer, size_t size) override;
    bool failed() const override { return error_ != 0; }
    int error() const { return error_; }
    // Size of the open file, or -1.
    long long size() const;

  private:
    int fd_ = -1;
    int error_ = 0;
};

// Writes a file so that a crash or a full disk never leaves it half written: the bytes go
// to a temporary file in the same directory, which commit() flushes and renames over the
// target. Without commit() the temporary file is removed and the target stays as it was.
// The temporary file has no name while it is written (where the file system allows), so a
// killed save leaves nothing; otherwise its name ".<file>.brivanta-save-XXXXXX" lets the next
// save of the same file remove it.
//
// A save writes only regular files: a path naming a directory, a device, a pipe or a socket,
// a link to one of those, a link that leads nowhere or through /proc (such as /dev/stdout) is
// refused before anything is touched, and the rename never replaces anything but a regular
// file. Running as root this is what keeps a save from replacing a device node.
class AtomicFileSink : public ByteSink {
  public:
    AtomicFileSink() = default;
    ~AtomicFileSink() override;
    AtomicFileSink(const AtomicFileSink&) = delete;
    AtomicFileSink& operator=(const AtomicFileSink&) = delete;

    // Now: the bytes are on the disk before the rename. Later: the caller syncs the file
    // system once after writing many small files.
    enum class Sync { Now, Later };

    // A save through a symbolic link writes the regular file it points to and keeps the link.
    FileError open(const std::string& path);
    // The file `name` (one name, no "/") in the open directory `directory`, which stays
    // open only for the caller. Nothing in place of `name` is followed: a link there is
    // refused (kLinkInTheWay), like a device. `shownPath` is what errors name.
    FileError openAt(int directory, const std::string& name, const std::string& shownPath);
    bool write(const char* data, size_t size) override;
    FileError commit(Sync sync = Sync::Now);
    void abandon();
    // errno of the first failed write, 0 if none.
    int error() const { return error_; }

  private:
    FileError start();
    int nameUnnamed();
    void closeDirectory();

    std::string shownPath_;  // as the caller named it: errors name this
    std::string name_;       // the file really written, in directory_
    std::string tempName_;   // in directory_
    int directory_ = -1;
    bool ownsDirectory_ = false;
    int fd_ = -1;
    int error_ = 0;
    bool unnamed_ = false;
};

// Whether a save may write `path`: an error naming it when it is no regular file and no link
// to one (kNotRegularFile, EISDIR, ENOENT for a link to nothing). `resolved` receives the file
// really written (a link's target). A missing file may be made.
FileError checkSaveTarget(const std::string& path, std::string* resolved = nullptr);

// Lets a save send its bytes through another sink on their way to the file (tests put a
// failing one there). An empty filter writes straight to the file.
using SaveFilter = std::function<std::unique_ptr<ByteSink>(ByteSink& file)>;

// Reads a whole file into memory (for tests and benchmarks).
FileError readWholeFile(const std::string& path, std::string& out);

// The directory part of a file-system path ("" for a bare name).
std::string directoryOf(const std::string& path);

}  // namespace brivanta
