#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/accounts/AccountWriteBack.h"
#include "core/accounts/UserAccount.h"
#include "core/app/Storage.h"
#include "core/app/TreeChanges.h"
#include "core/app/TreeFileState.h"
#include "core/app/UserSessionLock.h"
#include "core/formats/FileStreams.h"
#include "core/net/RecommendedUpdate.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// One user's login: the account, the locks on the user's files, the three trees (收藏 from
// "Data/<user>.bvk", 推荐 from the shared "System.bvk", 通讯录 from "Data/<user>.ads") and
// when each is written. The desktop logs in first and hands this to the window, which
// shows the trees and asks for saves; it never names a file itself.
//
// What is written, and when:
// - save(kind) writes one tree now (the save command);
// - saveChanged() at the end of the session writes each tree that changed since it was
//   read or last written: 收藏, then 通讯录, then 推荐 (whatever changed it: an edit, a
//   transfer from a neighbour, a mail). A tree that did not change is not written at all.
// - A file that was read only in part is never replaced before it is kept beside itself
//   as "FILE.damaged"; the result says so, and when no copy can be made the save is refused.
// - A file another program changed meanwhile (the shared "System.bvk": a listener or an
//   update run from the command line) is not overwritten: the save says so, and the caller
//   may merge the file's content in (mergeWithFile) or overwrite it on purpose.
// - Whether a tree changed is the archive it would write compared with its file's, or, when
//   the caller keeps the changes itself (setTreeChanges: the desktop's undo histories),
//   whatever that says.
// - The user's trees go into "Data/", which is made when it is missing.
class LoginSession {
  public:
    explicit LoginSession(Storage storage);
    ~LoginSession();
    LoginSession(const LoginSession&) = delete;
    LoginSession& operator=(const LoginSession&) = delete;

    const Storage& storage() const { return storage_; }

    // Logs `account` in: takes the locks on the user's files. InUse: another program has
    // the user logged in, and nothing changed here. Unlockable: logged in without them.
    UserSessionLock::Outcome logIn(const UserAccount& account);
    bool isLoggedIn() const { return loggedIn_; }
    // The user's files are locked against other programs (see UserSessionLock).
    bool holdsLocks() const { return lock_.isHeld(); }
    const UserAccount& account() const { return account_; }
    // The account's mail settings and password may change during the session.
    UserAccount& account() { return account_; }
    // Writes the account as it is now back into "Data/Users.ini", keeping every other record.
    WriteBackResult saveAccount() { return writeBackAccount(storage_.accountFile(), account_); }

    // Who keeps the trees' changes from now on (null: the login compares the archives). Set
    // before openTrees, which then makes no digest of what it read; `changes` is told when a
    // tree's file holds it as it is. Must outlive the login, or be unset first.
    void setTreeChanges(TreeChanges* changes);

    // Reads the three trees (the first call only), picking images with `icons`. Returns
    // the files read only in part, in the order read; a missing file is an empty tree.
    std::vector<TreeLoad> openTrees(NodeIconChooser* icons = nullptr);
    bool treesOpen() const { return opened_; }

    BookmarkTree& tree(int treeKind);
    BookmarkTree& customTree() { return custom_; }
    BookmarkTree& recommendedTree() { return recommended_; }
    BookmarkTree& addressBookTree() { return addressBook_; }
    // The file of a tree of this login.
    const std::string& treeFile(int treeKind);

    bool isPartial(int treeKind);
    bool hasChanged(int treeKind);
    // Writes the tree of `treeKind` now, changed or not; a file another program changed
    // meanwhile only with `overwriteChanged`.
    TreeSave save(int treeKind, bool overwriteChanged = false);
    // Whether another program changed the tree's file since it was read or written here.
    bool changedOnDisk(int treeKind);
    // Makes the tree the file's content as it is now followed by the top-level entries of
    // the tree the file does not hold; a save then writes both. The result names the file
    // when it cannot be read (the tree stays as it was).
    FileError mergeWithFile(int treeKind);
    // Writes every tree that changed, in the order above; one failure does not stop the
    // others. A tree that failed stays changed, so a second call tries it again.
    std::vector<TreeSave> saveChanged();
    // The file of `treeKind` was just written with the tree as it is (the recommended
    // update writes its file itself).
    void noteWritten(int treeKind);

    // Rebuilds 推荐 from the recommended mailbox into this login's "System.bvk", after a
    // backup to "System.bak" (net::updateRecommendedTree). Reads the tree only, so it may run
    // off the thread that changes the tree; applyRecommendedUpdate then takes the result in.
    // A partly read "System.bvk" is kept as "System.bvk.damaged" first (or the update is
    // refused).
    net::RecommendedUpdateResult fetchRecommended(const net::RecommendedMailbox& mailbox,
                                                  const net::StepCallback& step = {},
                                                  const net::NetTimeouts& timeouts = {});
    void applyRecommendedUpdate(const net::RecommendedUpdateResult& result);

    // Lets saves send their bytes through another sink on the way (tests: a failing disk).
    void setSaveFilter(SaveFilter filter) { filter_ = std::move(filter); }
    // How long a save of the shared "System.bvk" waits for another writer's lock.
    void setSharedLockWait(int milliseconds) { sharedLockWaitMs_ = milliseconds; }

  private:
    TreeFileState& state(int treeKind);

    Storage storage_;
    UserAccount account_;
    UserSessionLock lock_;
    BookmarkTree custom_{kCustomTree};
    BookmarkTree recommended_{kRecommendedTree};
    BookmarkTree addressBook_{kAddressBookTree};
    // After the trees, so they go first.
    std::array<std::unique_ptr<TreeFileState>, 3> files_;
    TreeChanges* changes_ = nullptr;
    SaveFilter filter_;
    int sharedLockWaitMs_ = 2000;
    bool loggedIn_ = false;
    bool opened_ = false;
};

}  // namespace brivanta
