#pragma once

#include <string>
#include <vector>

#include "core/app/Storage.h"
#include "core/formats/FileLock.h"

namespace brivanta {

// The locks on a logged-in user's own files (the custom tree and the address book), held
// by the desktop program for the whole session: a second login of the same user is refused,
// and the command-line writers, which take the same locks, leave those files alone instead
// of saving over what the session saves. The session's own saves need no further lock.
class UserSessionLock {
  public:
    enum class Outcome {
        Held,       // every lock is held
        InUse,      // another program holds one: nothing is held
        Unlockable  // a lock file cannot be made (a read-only folder): the session goes on
    };

    // Takes the locks of `user` (GBK), without waiting; releases what it held before.
    Outcome acquire(const Storage& storage, const std::string& user);
    void release();
    bool isHeld() const { return !locks_.empty(); }
    const std::string& user() const { return user_; }

    // "用户 “x” 已在另一个程序中登录，不能再次登录。" for a user name in GBK.
    static std::string inUseMessage(const std::string& user);

  private:
    std::vector<FileLock> locks_;
    std::string user_;
};

}  // namespace brivanta
