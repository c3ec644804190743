#include "core/app/UserSessionLock.h"

#include <cerrno>

#include "core/text/Encoding.h"

namespace brivanta {

UserSessionLock::Outcome UserSessionLock::acquire(const Storage& storage, const std::string& user) {
    release();
    Outcome outcome = Outcome::Held;
    for (const std::string& path : {storage.customTree(user), storage.addressBook(user)}) {
        FileLock lock;
        if (FileError e = lock.lock(path, 0)) {
            if (e.errorNumber == EWOULDBLOCK) {
                release();
                return Outcome::InUse;
            }
            outcome = Outcome::Unlockable;
            continue;
        }
        locks_.push_back(std::move(lock));
    }
    user_ = user;
    return outcome;
}

void UserSessionLock::release() {
    locks_.clear();
    user_.clear();
}

std::string UserSessionLock::inUseMessage(const std::string& user) {
    return "用户 “" + text::toUtf8(user) + "” 已在另一个程序中登录，不能再次登录。";
}

}  // namespace brivanta
