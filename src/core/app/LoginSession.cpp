#include "core/app/LoginSession.h"

#include <cerrno>

#include "core/formats/FileLock.h"

namespace brivanta {

namespace {
// The slot of a tree kind in files_: custom, recommended, address book.
size_t slotOf(int treeKind) {
    switch (treeKind) {
        case kRecommendedTree:
            return 1;
        case kAddressBookTree:
            return 2;
        default:
            return 0;
    }
}
}  // namespace

LoginSession::LoginSession(Storage storage) : storage_(std::move(storage)) {}

LoginSession::~LoginSession() = default;

UserSessionLock::Outcome LoginSession::logIn(const UserAccount& account) {
    UserSessionLock::Outcome outcome = lock_.acquire(storage_, account.name);
    if (outcome == UserSessionLock::Outcome::InUse)
        return outcome;
    account_ = account;
    loggedIn_ = true;
    files_[0] = std::make_unique<TreeFileState>(custom_, storage_.customTree(account_.name));
    files_[1] = std::make_unique<TreeFileState>(recommended_, storage_.recommendedTree());
    files_[1]->setShared();
    files_[2] = std::make_unique<TreeFileState>(addressBook_, storage_.addressBook(account_.name));
    if (changes_) {
        for (const auto& file : files_)
            file->setChangesKeptElsewhere();
    }
    return outcome;
}

void LoginSession::setTreeChanges(TreeChanges* changes) {
    changes_ = changes;
    if (!changes_)
        return;
    for (const auto& file : files_) {
        if (file)
            file->setChangesKeptElsewhere();
    }
}

std::vector<TreeLoad> LoginSession::openTrees(NodeIconChooser* icons) {
    std::vector<TreeLoad> partial;
    if (opened_ || !loggedIn_)
        return partial;
    opened_ = true;
    for (BookmarkTree* tree : {&custom_, &recommended_, &addressBook_})
        tree->setIconChooser(icons);
    // The order the trees have always been read in: 收藏, 推荐, 通讯录.
    for (const auto& file : files_) {
        TreeLoad load = file->load();
        if (changes_)
            changes_->markSaved(file->tree().treeKind());
        if (load.partial)
            partial.push_back(std::move(load));
    }
    return partial;
}

BookmarkTree& LoginSession::tree(int treeKind) {
    switch (treeKind) {
        case kRecommendedTree:
            return recommended_;
        case kAddressBookTree:
            return addressBook_;
        default:
            return custom_;
    }
}

TreeFileState& LoginSession::state(int treeKind) {
    // Before the login a tree has no file yet; any kind asked for then gets one named for
    // nobody, which loggedIn_ keeps from ever being written (see save).
    std::unique_ptr<TreeFileState>& file = files_[slotOf(treeKind)];
    if (!file)
        file = std::make_unique<TreeFileState>(tree(treeKind), std::string());
    return *file;
}

const std::string& LoginSession::treeFile(int treeKind) {
    return state(treeKind).path();
}

bool LoginSession::isPartial(int treeKind) {
    return state(treeKind).isPartial();
}

bool LoginSession::hasChanged(int treeKind) {
    if (!loggedIn_)
        return false;
    return changes_ ? changes_->isModified(treeKind) : state(treeKind).hasChanged();
}

bool LoginSession::changedOnDisk(int treeKind) {
    return loggedIn_ && state(treeKind).changedOnDisk();
}

FileError LoginSession::mergeWithFile(int treeKind) {
    TreeFileState& file = state(treeKind);
    FileError error;
    if (!loggedIn_)
        return FileError{file.path(), EINVAL};
    FileLock shared;
    if (treeKind == kRecommendedTree) {
        if (FileError e = shared.lock(file.path(), sharedLockWaitMs_))
            return e;
    }
    file.mergeWithFile(&error);
    return error;
}

TreeSave LoginSession::save(int treeKind, bool overwriteChanged) {
    TreeFileState& file = state(treeKind);
    if (!loggedIn_) {
        TreeSave refused;
        refused.treeKind = treeKind;
        refused.error = FileError{file.path(), EINVAL};
        return refused;
    }
    FileLock shared;
    if (treeKind == kRecommendedTree) {
        // "System.bvk" belongs to every user: other writers (the command line's listener and
        // update, other logins) take its lock around each change, and so does this save.
        if (FileError e = shared.lock(file.path(), sharedLockWaitMs_)) {
            TreeSave busy;
            busy.treeKind = treeKind;
            busy.path = file.path();
            busy.error = e;
            return busy;
        }
    } else if (FileError e = storage_.ensureDataDirectory()) {
        // The user's own files live in "Data"; the user's locks are held for the session.
        TreeSave failed;
        failed.treeKind = treeKind;
        failed.path = file.path();
        failed.error = e;
        return failed;
    }
    TreeSave saved = file.save(filter_, overwriteChanged);
    if (saved.written && changes_)
        changes_->markSaved(treeKind);
    return saved;
}

std::vector<TreeSave> LoginSession::saveChanged() {
    std::vector<TreeSave> results;
    for (int kind : {kCustomTree, kAddressBookTree, kRecommendedTree}) {
        if (hasChanged(kind))
            results.push_back(save(kind));
    }
    return results;
}

net::RecommendedUpdateResult LoginSession::fetchRecommended(const net::RecommendedMailbox& mailbox,
                                                            const net::StepCallback& step,
                                                            const net::NetTimeouts& timeouts) {
    TreeFileState& file = state(kRecommendedTree);
    if (!file.keepPartialOriginal()) {
        net::RecommendedUpdateResult refused;
        refused.error = FileError{file.path(), EIO};
        return refused;
    }
    return net::updateRecommendedTree(recommended_, storage_.recommendedBackup(), file.path(),
                                      mailbox, timeouts, step);
}

void LoginSession::applyRecommendedUpdate(const net::RecommendedUpdateResult& result) {
    if (!result.ok)
        return;
    net::replaceTreeContent(recommended_, result.archive);
    noteWritten(kRecommendedTree);
}

void LoginSession::noteWritten(int treeKind) {
    state(treeKind).noteWritten();
    if (changes_)
        changes_->markSaved(treeKind);
}

}  // namespace brivanta
