// The sync lock against a server that ignores If-None-Match, as rclone's does: when another
// client's lock lands between our check and our upload, the read-back shows it, and only
// one of the two holds the lock.

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <mutex>

#include "HttpTestServer.h"
#include "core/net/WebDavLock.h"

namespace brivanta::net {
namespace {

using testing::HttpExchange;
using testing::HttpTestServer;

std::string httpDate(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

TEST(WebDavLockRace, AnotherLockWrittenOverOursIsHeldNotTaken) {
    // The lock is missing when first asked; after our upload the server holds another's.
    std::atomic<int> gets{0}, puts{0};
    const std::string theirs = "{\"client\":\"other\",\"token\":\"0123\"}\n";
    HttpTestServer server([&](HttpExchange& x) {
        std::string request = x.readRequest();
        if (request.empty())
            return;
        const std::string method = HttpExchange::method(request);
        const std::string now = httpDate(std::time(nullptr));
        if (method == "PUT") {
            ++puts;
            x.send("HTTP/1.1 201 Created\r\nETag: \"ours\"\r\nContent-Length: 0\r\n\r\n");
        } else if ((method == "GET" && gets++ == 0) || method == "HEAD") {
            x.send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        } else {
            x.send("HTTP/1.1 200 OK\r\nETag: \"theirs\"\r\nDate: " + now +
                   "\r\nLast-Modified: " + now +
                   "\r\nContent-Length: " + std::to_string(theirs.size()) + "\r\n\r\n" + theirs);
        }
        x.waitForClose();
    });
    ASSERT_NE(server.port(), 0);
    WebDavOptions o;
    o.timeoutMs = 5000;
    WebDavClient client("http://127.0.0.1:" + std::to_string(server.port()) + "/", o);
    WebDavLock lock(client, "bookmarks.xbel");
    EXPECT_EQ(lock.take(), LockState::held) << lock.error();
    EXPECT_FALSE(lock.isHeld());
    EXPECT_EQ(puts.load(), 1);  // never written over the other's lock
    EXPECT_NE(lock.error().find("127.0.0.1:" + std::to_string(server.port())), std::string::npos)
        << lock.error();
    EXPECT_NE(lock.error().find("bookmarks.xbel.lock"), std::string::npos) << lock.error();
}

}  // namespace
}  // namespace brivanta::net
