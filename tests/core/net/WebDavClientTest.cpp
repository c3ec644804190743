// The WebDAV client against servers that misbehave on purpose, and against answers a real
// server gives only in trouble (a full disk, a lock, a lost race): each ends in its bound
// with a message naming the server.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "HttpTestServer.h"
#include "core/net/WebDavClient.h"

namespace brivanta::net {
namespace {

using testing::HttpExchange;
using testing::HttpTestServer;

// The requests a server saw, for what the client sent.
struct Seen {
    std::mutex mutex;
    std::vector<std::string> requests;
    void add(const std::string& r) {
        std::lock_guard lock(mutex);
        requests.push_back(r);
    }
};

using Play = std::function<void(HttpExchange&, const std::string& request)>;

// Answers HEAD with `head` and every other request with `other`, then waits for the client
// to close (which reads what it still sends).
Play answer(std::string head, std::string other) {
    return [head = std::move(head), other = std::move(other)](HttpExchange& x,
                                                              const std::string& request) {
        x.send(HttpExchange::method(request) == "HEAD" ? head : other);
        x.waitForClose();
    };
}

const std::string kNotThere = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
const std::string kThereAsV1 = "HTTP/1.1 200 OK\r\nETag: \"v1\"\r\nContent-Length: 0\r\n\r\n";

struct ScriptCase {
    const char* what;
    Play play;
    bool upload;  // PUT over the ETag "v1" (or a new file when it is not there)
    bool create;  // PUT of a new file
    WebDavResult result;
    long status;
    const char* saidPart;
    const char* sentPart;  // in the upload's request ("" for none to check)
};

class WebDavScriptedTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(WebDavScriptedTest, EndsWithItsResultNamingTheServer) {
    const ScriptCase& c = GetParam();
    Seen seen;
    HttpTestServer server([&](HttpExchange& x) {
        std::string request = x.readRequest();
        if (request.empty())
            return;
        seen.add(request);
        c.play(x, request);
    });
    ASSERT_NE(server.port(), 0);
    WebDavOptions o;
    o.connectTimeoutMs = 2000;
    o.timeoutMs = 500;
    o.maxBodyBytes = 4096;
    WebDavClient client("http://127.0.0.1:" + std::to_string(server.port()) + "/dav", o);
    WebDavReply r = c.upload ? client.put("bookmarks.xbel", "<xbel/>", c.create ? "" : "\"v1\"")
                             : client.get("bookmarks.xbel");
    server.stop();
    EXPECT_EQ(r.result, c.result) << r.error;
    EXPECT_EQ(r.status, c.status) << r.error;
    EXPECT_TRUE(r.body.empty());
    EXPECT_NE(r.error.find("127.0.0.1:" + std::to_string(server.port())), std::string::npos)
        << r.error;
    EXPECT_NE(r.error.find("/dav/bookmarks.xbel"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.saidPart), std::string::npos) << r.error;
    if (*c.sentPart) {
        std::lock_guard lock(seen.mutex);
        ASSERT_FALSE(seen.requests.empty());
        EXPECT_NE(seen.requests.back().find(c.sentPart), std::string::npos) << seen.requests.back();
    }
}

void neverAnswer(HttpExchange& x, const std::string&) {
    x.waitForClose();
}

// Headers a byte every 20 ms: no single wait is long, the whole never ends.
void trickle(HttpExchange& x, const std::string&) {
    const std::string line = "HTTP/1.1 200 OK\r\nX-Slow: ";
    if (!x.send(line))
        return;
    while (x.send("a"))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// A body without a length that goes on and on.
void endlessBody(HttpExchange& x, const std::string&) {
    if (!x.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"))
        return;
    const std::string chunk = "400\r\n" + std::string(1024, 'x') + "\r\n";
    while (x.send(chunk)) {
    }
}

// A server nobody listens on: the reason is ours, in Chinese, not libcurl's English.
TEST(WebDavClient, AClosedPortIsNamedInChinese) {
    WebDavOptions o;
    o.connectTimeoutMs = 2000;
    const WebDavReply reply = WebDavClient("http://127.0.0.1:1/", o).get("bookmarks.xbel");
    EXPECT_EQ(reply.result, WebDavResult::failed);
    EXPECT_NE(reply.error.find("127.0.0.1:1"), std::string::npos) << reply.error;
    EXPECT_NE(reply.error.find("无法连接"), std::string::npos) << reply.error;
    EXPECT_EQ(reply.error.find("Couldn't"), std::string::npos) << reply.error;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, WebDavScriptedTest,
    ::testing::Values(
        ScriptCase{"NeverAnswers", neverAnswer, false, false, WebDavResult::failed, 0,
                   "500 毫秒内没有完成", ""},
        ScriptCase{"Trickles", trickle, false, false, WebDavResult::failed, 200,
                   "500 毫秒内没有完成", ""},
        ScriptCase{"SendsAnEndlessBody", endlessBody, false, false, WebDavResult::failed, 200,
                   "4096 字节的上限", ""},
        ScriptCase{"RedirectsWithoutLeave",
                   answer("",
                          "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/elsewhere\r\n"
                          "Content-Length: 0\r\n\r\n"),
                   false, false, WebDavResult::failed, 302,
                   "HTTP 302 Found，转到 http://127.0.0.1:1/elsewhere，而转向没有被允许", ""},
        ScriptCase{"Forbidden", answer("", "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"),
                   false, false, WebDavResult::failed, 403, "HTTP 403 Forbidden，服务器不允许", ""},
        ScriptCase{
            "ChangedBetweenCheckAndUpload",
            answer(kThereAsV1, "HTTP/1.1 412 Precondition Failed\r\nContent-Length: 0\r\n\r\n"),
            true, false, WebDavResult::changedMeanwhile, 412,
            "HTTP 412 Precondition Failed，文件在此期间被改过", "If-Match: \"v1\"\r\n"},
        ScriptCase{
            "CreatedByAnotherMeanwhile",
            answer(kNotThere, "HTTP/1.1 412 Precondition Failed\r\nContent-Length: 0\r\n\r\n"),
            true, true, WebDavResult::changedMeanwhile, 412, "412", "If-None-Match: *\r\n"},
        ScriptCase{
            "ServerDiskFull",
            answer(kNotThere, "HTTP/1.1 507 Insufficient Storage\r\nContent-Length: 0\r\n\r\n"),
            true, true, WebDavResult::failed, 507,
            "HTTP 507 Insufficient Storage，服务器的空间不够", ""},
        ScriptCase{"FileLocked",
                   answer(kThereAsV1, "HTTP/1.1 423 Locked\r\nContent-Length: 0\r\n\r\n"), true,
                   false, WebDavResult::failed, 423, "HTTP 423 Locked，文件被锁定", ""},
        ScriptCase{"FolderMissing",
                   answer(kNotThere, "HTTP/1.1 409 Conflict\r\nContent-Length: 0\r\n\r\n"), true,
                   true, WebDavResult::failed, 409, "HTTP 409 Conflict，它所在的文件夹不存在", ""}),
    [](const ::testing::TestParamInfo<ScriptCase>& row) { return row.param.what; });

}  // namespace
}  // namespace brivanta::net
