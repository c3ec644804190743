#pragma once

#include <cstdint>
#include <string>

#include "core/formats/FileError.h"
#include "core/formats/FileStreams.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// What became of a tree file when it was read.
struct TreeLoad {
    int treeKind = 0;
    std::string path;
    // Read only in part: the file ends inside a record, or it could not be read (other
    // than missing). Saving over it would lose the rest for good.
    bool partial = false;
    FileError error;  // the read error, if any (a missing file is none)
    size_t entries = 0;

    // "文件 “x” 已损坏，只读入了 N 个条目；…" for a partial load; empty otherwise.
    std::string message() const;
};

// What became of a tree file when it was saved.
struct TreeSave {
    int treeKind = 0;
    std::string path;
    bool written = false;
    FileError error;  // the save failed: nothing was written
    // The file was read only in part and no copy of it could be kept: it was left alone.
    bool refusedDamaged = false;
    // The partly read original, kept before this save replaced it.
    std::string damagedCopy;
    // Another program changed the file since it was read or last written here: it was left
    // alone rather than overwritten.
    bool changedElsewhere = false;

    bool failed() const { return error.failed() || refusedDamaged || changedElsewhere; }
    // The failure, or where the damaged original went; empty when there is nothing to say.
    std::string message() const;
};

// One tree and its file: whether the file was read whole, whether the tree still holds what
// the file holds, and whether another program changed the file meanwhile, so that only a
// changed tree is written, a partly read file is never replaced without keeping it, and
// another program's changes are never overwritten unasked. Changes are noticed through the
// tree's observers; a change undone by hand (or by undo) leaves the tree unchanged, since
// what counts is the archive the tree would write, compared with the one it was read from or
// last wrote. Whoever keeps the changes itself (TreeChanges) turns that comparison off.
class TreeFileState : private TreeObserver {
  public:
    TreeFileState(BookmarkTree& tree, std::string path);
    ~TreeFileState() override;
    TreeFileState(const TreeFileState&) = delete;
    TreeFileState& operator=(const TreeFileState&) = delete;

    const std::string& path() const { return path_; }
    BookmarkTree& tree() { return *tree_; }

    // Changes are kept elsewhere (TreeChanges): loads and saves make no digest to compare.
    void setChangesKeptElsewhere() { keptElsewhere_ = true; }
    // Other programs write the file too (the shared "System.bvk"): a save notices when one did
    // (changedOnDisk). The user's own files are locked for the session instead.
    void setShared() { shared_ = true; }
    // Reads the file into the tree (below what it holds, normally nothing).
    TreeLoad load();
    bool isPartial() const { return partial_; }
    // True when the tree would write something other than what its file holds.
    bool hasChanged();
    // Writes the tree to its file. A partly read file is first kept as "FILE.damaged"; when
    // that is impossible the file is left alone and the save refused. A file another program
    // changed since is left alone too, unless `overwriteChanged`.
    TreeSave save(const SaveFilter& filter = {}, bool overwriteChanged = false);
    // Whether another program wrote, replaced, made or removed the shared file since it was
    // read or last written here (false for a file that is not shared).
    bool changedOnDisk() const;
    // Reads the file as it is now, and makes the tree that content followed by those of the
    // tree's top-level entries (with what is below them) the file does not hold as they are:
    // nothing of either side is lost. False, with the tree as it was, when the file cannot be
    // read. What it read only in part is kept as "FILE.damaged" by the next save.
    bool mergeWithFile(FileError* error = nullptr);
    // The file was just written with the tree as it is now by other means (an update), so
    // it holds no damaged rest any more.
    void noteWritten();
    // Before the file is replaced by other means: keeps a partly read file as
    // "FILE.damaged". False when it was partly read and no copy could be made.
    bool keepPartialOriginal();

  private:
    void touch() { touched_ = true; }
    void aboutToInsert(ItemId, int) override { touch(); }
    void aboutToRemove(ItemId, int, ItemId) override { touch(); }
    void changed(ItemId) override { touch(); }
    void aboutToReset() override { touch(); }
    void treeDestroyed() override { tree_ = nullptr; }

    std::uint64_t digest();
    // The file's identity and state as stat gives them; equal stamps: the file is the same.
    struct Stamp {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long modifiedSec = 0, modifiedNsec = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampNow() const;

    BookmarkTree* tree_;
    std::string path_;
    std::uint64_t written_ = 0;  // digest of what the file holds, as far as this knows
    std::string damagedCopy_;    // made already for this partly read file
    Stamp stamp_;                // the file when it was read or last written here
    bool touched_ = false;       // some change since `written_` was known to match
    bool partial_ = false;
    bool keptElsewhere_ = false;
    bool shared_ = false;
};

}  // namespace brivanta
