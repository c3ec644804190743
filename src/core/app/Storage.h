#pragma once

#include <string>
#include <string_view>

#include "core/formats/FileError.h"

namespace brivanta {

// Every place the program reads or writes. Made once at start from the program directory,
// which it turns into an absolute path then, so that nothing later depends on the working
// directory (nothing changes it either). Widgets ask for a place; they never build paths.
//
// Two roots: `dataRoot` holds what the program writes (the recommended tree and its backup,
// "Data/" with "Users.ini" and each user's trees), `shareRoot` what it only reads (tips,
// help). A copy run from its program directory has one root for both.
class Storage {
  public:
    Storage() = default;
    explicit Storage(std::string_view programDirectory);
    Storage(std::string_view dataRoot, std::string_view shareRoot);

    const std::string& dataRoot() const { return dataRoot_; }
    const std::string& shareRoot() const { return shareRoot_; }

    std::string recommendedTree() const;    // "System.bvk", shared by every user
    std::string recommendedBackup() const;  // "System.bak", kept while it is replaced
    std::string tipsFile() const;           // "tips.txt"
    std::string helpFile() const;           // "Help/index.htm"
    std::string dataDirectory() const;      // "Data"
    std::string accountFile() const;        // "Data/Users.ini"
    // A user's own tree: "Data/<user>.bvk" for the custom tree, "Data/<user>.ads" for the
    // address book. User names are GBK; file names here are UTF-8, so they are converted.
    // A name that isUsableUserName refuses gives the empty path, which no read, save or
    // lock accepts: such a name never becomes a path.
    std::string customTree(std::string_view userName) const;
    std::string addressBook(std::string_view userName) const;
    // The file of tree kind `treeKind` (kCustomTree, kRecommendedTree, kAddressBookTree).
    std::string treeFile(int treeKind, std::string_view userName) const;

    // Creates "Data/" when it is missing, so that a save never loses a user's entries for
    // want of the directory.
    FileError ensureDataDirectory() const;

  private:
    std::string userFile(std::string_view userName, std::string_view extension) const;

    std::string dataRoot_;
    std::string shareRoot_;
};

// `path` made absolute against the current directory and cleaned of "." and ".."
// components and repeated or trailing "/". Symbolic links are kept as they are.
std::string absolutePath(std::string_view path);

}  // namespace brivanta
