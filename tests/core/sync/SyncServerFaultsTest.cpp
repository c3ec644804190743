// A sync against a server that fails at each step (refuses the user, is full, locked, never
// answers, trickles): the sync fails naming the server and what it said, the server's file
// stays as it was, and our lock does not stay behind.

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "../TempDir.h"
#include "HttpTestServer.h"
#include "SyncOutline.h"
#include "core/sync/TreeSync.h"
#include "core/sync/XbelSyncModel.h"

namespace brivanta::sync {
namespace {

using net::testing::HttpExchange;
using net::testing::HttpTestServer;

std::string httpDate(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

std::string header(const std::string& request, const std::string& name) {
    const std::string key = "\r\n" + name + ":";
    size_t at = request.find(key);
    if (at == std::string::npos)
        return "";
    at += key.size();
    while (at < request.size() && request[at] == ' ')
        ++at;
    return request.substr(at, request.find("\r\n", at) - at);
}

// What a fault does instead of the answer: "" to answer normally.
using Fault =
    std::function<std::string(HttpExchange&, const std::string& method, const std::string& path)>;

// A WebDAV collection in memory: GET, HEAD, PUT and DELETE of whole files with ETags.
class MemoryDav {
  public:
    explicit MemoryDav(Fault fault) : fault_(std::move(fault)) {}
    void serve(HttpExchange& x) {
        std::string request = x.readRequest();
        if (request.empty())
            return;
        const std::string method = HttpExchange::method(request);
        const size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        const std::string name = path.substr(path.rfind('/') + 1);
        std::string body = request.substr(request.find("\r\n\r\n") + 4);
        const size_t length =
            static_cast<size_t>(std::atol(header(request, "Content-Length").c_str()));
        if (method == "PUT" && !x.receiveRest(body, length))
            return;
        if (std::string answer = fault_(x, method, name); !answer.empty()) {
            if (answer != "-")
                x.send(answer);
            x.waitForClose();
            return;
        }
        const std::string now = httpDate(std::time(nullptr));
        std::lock_guard lock(mutex_);
        auto file = files_.find(name);
        if (method == "GET" || method == "HEAD") {
            if (file == files_.end()) {
                x.send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            } else {
                x.send("HTTP/1.1 200 OK\r\nETag: \"" + std::to_string(file->second.version) +
                       "\"\r\nDate: " + now + "\r\nLast-Modified: " + now +
                       "\r\nContent-Length: " + std::to_string(file->second.body.size()) +
                       "\r\n\r\n" + (method == "GET" ? file->second.body : ""));
            }
        } else if (method == "PUT") {
            File& f = files_[name];
            f.body = body;
            f.version = ++versions_;
            x.send("HTTP/1.1 201 Created\r\nETag: \"" + std::to_string(f.version) +
                   "\"\r\nContent-Length: 0\r\n\r\n");
        } else if (method == "DELETE") {
            files_.erase(name);
            x.send("HTTP/1.1 204 No Content\r\n\r\n");
        } else {
            x.send("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
        }
        x.waitForClose();
    }
    void put(const std::string& name, const std::string& body) {
        std::lock_guard lock(mutex_);
        files_[name] = {body, ++versions_};
    }
    std::optional<std::string> get(const std::string& name) {
        std::lock_guard lock(mutex_);
        auto f = files_.find(name);
        return f == files_.end() ? std::nullopt : std::optional(f->second.body);
    }

  private:
    struct File {
        std::string body;
        int version = 0;
    };
    Fault fault_;
    std::mutex mutex_;
    std::map<std::string, File> files_;
    int versions_ = 0;
};

std::string status(const char* line) {
    return std::string("HTTP/1.1 ") + line + "\r\nContent-Length: 0\r\n\r\n";
}

struct FaultCase {
    const char* name;
    const char* method;  // the request that fails
    const char* file;    // and its file
    std::string answer;  // "-": none at all
    const char* said;
    bool lockLeft;  // the lock was never ours
};

class SyncServerFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SyncServerFaults, FailNamingTheServerAndChangeNothing) {
    const FaultCase& c = GetParam();
    MemoryDav dav([&](HttpExchange& x, const std::string& method, const std::string& name) {
        if (method != c.method || name != c.file)
            return std::string();
        if (c.answer == "trickle") {
            x.send("HTTP/1.1 200 OK\r\nX-Slow: ");
            while (x.send("a"))
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return std::string("-");
        }
        return c.answer;
    });
    const std::string original = writeXbelModel(testing::modelOf("a=http://a#1\n"));
    dav.put("bookmarks.xbel", original);
    HttpTestServer server([&](HttpExchange& x) { dav.serve(x); });
    ASSERT_NE(server.port(), 0);

    brivanta::testing::TempDir dir;
    SyncTarget target;
    target.serverUrl = "http://127.0.0.1:" + std::to_string(server.port()) + "/dav/";
    target.webdav.connectTimeoutMs = 2000;
    target.webdav.timeoutMs = 700;
    SyncResult r =
        syncSnapshot(target, testing::snapshotOf("a=http://a\nb=http://b\n"), dir.file("state"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("127.0.0.1:" + std::to_string(server.port())), std::string::npos)
        << r.error;
    EXPECT_NE(r.error.find(c.said), std::string::npos) << r.error;
    EXPECT_EQ(dav.get("bookmarks.xbel"), original);
    EXPECT_EQ(dav.get("bookmarks.xbel.lock").has_value(), c.lockLeft);
    EXPECT_TRUE(r.newState.empty());
    server.stop();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SyncServerFaults,
    ::testing::Values(
        FaultCase{"Unauthorized", "PUT", "bookmarks.xbel.lock", status("401 Unauthorized"), "401",
                  false},
        FaultCase{"LockRefusedAsLocked", "PUT", "bookmarks.xbel.lock", status("423 Locked"), "423",
                  false},
        FaultCase{"LockInConflict", "PUT", "bookmarks.xbel.lock", status("409 Conflict"), "409",
                  false},
        FaultCase{"ReadForbidden", "GET", "bookmarks.xbel", status("403 Forbidden"), "403", false},
        FaultCase{"ReadNeverAnswered", "GET", "bookmarks.xbel", "-", "bookmarks.xbel", false},
        FaultCase{"ReadTrickles", "GET", "bookmarks.xbel", "trickle", "bookmarks.xbel", false},
        FaultCase{"ReadWithoutETag", "GET", "bookmarks.xbel",
                  "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\n<xbel/>", "ETag", false},
        FaultCase{"DiskFullOnUpload", "PUT", "bookmarks.xbel", status("507 Insufficient Storage"),
                  "507", false},
        FaultCase{"UploadNotFound", "PUT", "bookmarks.xbel", status("404 Not Found"), "404",
                  false}),
    [](const ::testing::TestParamInfo<FaultCase>& row) { return std::string(row.param.name); });

TEST(SyncCancel, StopsBeforeTheUploadAndLeavesNoLock) {
    MemoryDav dav(
        [](HttpExchange&, const std::string&, const std::string&) { return std::string(); });
    const std::string original = writeXbelModel(testing::modelOf("a=http://a#1\n"));
    dav.put("bookmarks.xbel", original);
    HttpTestServer server([&](HttpExchange& x) { dav.serve(x); });
    ASSERT_NE(server.port(), 0);
    brivanta::testing::TempDir dir;
    SyncTarget target;
    target.serverUrl = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
    std::atomic<bool> cancel{false};
    SyncResult r = syncSnapshot(target, testing::snapshotOf("a=http://a\nb=http://b\n"),
                                dir.file("state"), &cancel, [&](int) { cancel = true; });
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("取消"), std::string::npos) << r.error;
    EXPECT_EQ(dav.get("bookmarks.xbel"), original);
    EXPECT_FALSE(dav.get("bookmarks.xbel.lock").has_value());
    server.stop();
}

}  // namespace
}  // namespace brivanta::sync
