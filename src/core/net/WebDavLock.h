#pragma once

#include <ctime>
#include <string>

#include "core/net/WebDavClient.h"

namespace brivanta::net {

enum class LockState {
    taken,   // ours until released
    held,    // another client holds it and it is not stale: try again later
    failed,  // the server could not be asked (error() says why)
};

// The lock file beside a synced file, as Floccus keeps it: "NAME.lock" in the same
// collection, created before a sync, rewritten while it runs, deleted after. A lock younger
// than 15 minutes is honoured; an older one was left by a client that died and is taken
// over.
//
// Its age is the server's own: the Date of the answer minus the lock's Last-Modified, both
// from the server's clock, so neither client's clock matters (a timestamp inside the file
// would be the writer's clock). A rewrite moves Last-Modified, which is what refresh() is
// for. The file holds a token of this lock, read back after writing, so two clients racing
// on a server that ignores If-None-Match (rclone's) cannot both believe they hold it.
class WebDavLock {
  public:
    static constexpr std::time_t kStaleAfterSeconds = 15 * 60;

    WebDavLock(const WebDavClient& client, std::string fileName);
    // Releases a lock still held, so an error on the way does not block others for 15 min.
    ~WebDavLock();
    WebDavLock(const WebDavLock&) = delete;
    WebDavLock& operator=(const WebDavLock&) = delete;

    LockState take();
    // Rewrites the lock so it stays young; false when it is no longer ours (taken over) or
    // the server failed.
    bool refresh();
    // Deletes the lock if it is still ours; true when it is gone or was never ours to delete.
    bool release();

    bool isHeld() const { return held_; }
    const std::string& error() const { return error_; }
    std::string lockName() const { return file_ + ".lock"; }

  private:
    std::string freshBody() const;
    // taken, held when another client's lock won a race, failed when the server refused.
    LockState writeAndConfirm(const std::string& etag);

    const WebDavClient& client_;
    std::string file_;
    std::string token_;
    std::string etag_;
    std::string error_;
    bool held_ = false;
};

}  // namespace brivanta::net
