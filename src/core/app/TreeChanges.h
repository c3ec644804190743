#pragma once

namespace brivanta {

// Whether a tree changed since its file was read or written, as kept by whatever changes the
// trees (the desktop: each tree's undo history, whose clean state is the file's). A login
// given one asks it instead of comparing the tree with its file.
class TreeChanges {
  public:
    virtual ~TreeChanges() = default;
    virtual bool isModified(int treeKind) const = 0;
    // The tree's file holds the tree as it is now (read, written, or replaced by an update).
    virtual void markSaved(int treeKind) = 0;
};

}  // namespace brivanta
