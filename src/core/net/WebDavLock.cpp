#include "core/net/WebDavLock.h"

#include <algorithm>
#include <random>

namespace brivanta::net {

namespace {

std::string randomToken() {
    static const char* hex = "0123456789abcdef";
    std::random_device device;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        unsigned value = device();
        for (int j = 0; j < 8; ++j, value >>= 4)
            token.push_back(hex[value & 15]);
    }
    return token;
}

std::string isoTime(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

WebDavLock::WebDavLock(const WebDavClient& client, std::string fileName)
    : client_(client), file_(std::move(fileName)), token_(randomToken()) {}

WebDavLock::~WebDavLock() {
    if (held_)
        release();
}

std::string WebDavLock::freshBody() const {
    return "{\"client\":\"brivanta\",\"token\":\"" + token_ + "\",\"lockedAt\":\"" +
           isoTime(std::time(nullptr)) + "\"}\n";
}

// Writes the lock over `etag` ("" to create it) and reads it back: ours only if it still
// holds our token.
LockState WebDavLock::writeAndConfirm(const std::string& etag) {
    WebDavReply put = client_.put(lockName(), freshBody(), etag);
    if (put.result != WebDavResult::ok) {
        error_ = put.error;
        // Only a lock that changed since it was read is a race; a refusal (401, 423, a full
        // disk) is the server's answer, not another client's lock.
        return put.result == WebDavResult::changedMeanwhile ? LockState::held : LockState::failed;
    }
    WebDavReply back = client_.get(lockName());
    if (back.result == WebDavResult::failed) {
        error_ = back.error;
        return LockState::failed;
    }
    if (back.result != WebDavResult::ok || back.body.find(token_) == std::string::npos) {
        error_ = "WebDAV 服务器 " + client_.server() + "（" + client_.urlOf(lockName()) +
                 "）：另一个客户端同时锁定了同步";
        return LockState::held;
    }
    etag_ = back.etag;
    return LockState::taken;
}

LockState WebDavLock::take() {
    error_.clear();
    if (held_)
        return LockState::taken;
    // A few rounds: the lock may appear, vanish or be taken over between two requests.
    for (int round = 0; round < 3; ++round) {
        WebDavReply now = client_.get(lockName());
        if (now.result == WebDavResult::failed) {
            error_ = now.error;
            return LockState::failed;
        }
        std::string over;  // the ETag of a stale lock to take over
        if (now.result == WebDavResult::ok) {
            const std::time_t serverNow = now.serverDate ? now.serverDate : std::time(nullptr);
            const std::time_t age = now.lastModified ? serverNow - now.lastModified : 0;
            if (age < kStaleAfterSeconds) {
                error_ = "WebDAV 服务器 " + client_.server() + "（" + client_.urlOf(lockName()) +
                         "）：另一个客户端 " + std::to_string(std::max<std::time_t>(age, 0) / 60) +
                         " 分钟前锁定了同步，锁在 " +
                         std::to_string((kStaleAfterSeconds - age + 59) / 60) + " 分钟内过期";
                return LockState::held;
            }
            over = now.etag;
            if (over.empty()) {
                error_ = "WebDAV 服务器 " + client_.server() + "（" + client_.urlOf(lockName()) +
                         "）：过期的锁没有 ETag，不能安全地接手";
                return LockState::failed;
            }
        }
        const LockState written = writeAndConfirm(over);
        if (written == LockState::taken)
            held_ = true;
        if (written != LockState::held)
            return written;
        // Lost a race: looked at again.
    }
    return LockState::held;
}

bool WebDavLock::refresh() {
    error_.clear();
    if (!held_) {
        error_ = "WebDAV 服务器 " + client_.server() + "（" + client_.urlOf(lockName()) +
                 "）：同步没有被本机锁定";
        return false;
    }
    WebDavReply put = client_.put(lockName(), freshBody(), etag_);
    if (put.result == WebDavResult::changedMeanwhile) {
        held_ = false;
        error_ = put.error + "；锁已被另一个客户端接手";
        return false;
    }
    if (put.result != WebDavResult::ok) {
        error_ = put.error;
        return false;
    }
    if (!put.etag.empty()) {
        etag_ = put.etag;
        return true;
    }
    WebDavReply back = client_.get(lockName());
    if (back.result != WebDavResult::ok || back.body.find(token_) == std::string::npos) {
        held_ = false;
        error_ = back.result == WebDavResult::failed ? back.error : put.error;
        return false;
    }
    etag_ = back.etag;
    return true;
}

bool WebDavLock::release() {
    error_.clear();
    if (!held_)
        return true;
    WebDavReply gone = client_.remove(lockName(), etag_);
    if (gone.result == WebDavResult::ok || gone.result == WebDavResult::missing) {
        held_ = false;
        return true;
    }
    if (gone.result == WebDavResult::changedMeanwhile) {
        // Another client has taken it over: its lock is not ours to delete.
        held_ = false;
        error_ = gone.error + "；锁已被另一个客户端接手";
        return false;
    }
    error_ = gone.error;
    return false;
}

}  // namespace brivanta::net
