#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>

#include "../TempDir.h"
#include "HttpTestServer.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/net/LinkChecker.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::HttpExchange;
using testing::HttpTestServer;

struct Checked {
    LinkJob job;
    LinkOutcome outcome;
};

// Checks `addresses` and returns the outcomes by address.
std::map<std::string, LinkOutcome> check(const std::vector<std::string>& addresses,
                                         const LinkCheckOptions& options,
                                         LinkCheckStats* stats = nullptr) {
    std::map<std::string, LinkOutcome> out;
    size_t at = 0;
    LinkChecker checker(options);
    std::string failure;
    EXPECT_TRUE(checker.run(
        [&](LinkJob& job) {
            if (at == addresses.size())
                return false;
            job.address = addresses[at];
            job.tag = at++;
            return true;
        },
        [&](const LinkJob& job, const LinkOutcome& o) {
            EXPECT_EQ(out.count(job.address), 0u) << job.address << " reported twice";
            out[job.address] = o;
        },
        failure))
        << failure;
    if (stats)
        *stats = checker.stats();
    return out;
}

LinkCheckOptions quick() {
    LinkCheckOptions o;
    o.hostPauseMs = 0;
    o.connectTimeoutMs = 2000;
    o.timeoutMs = 600;
    return o;
}

std::string url(const HttpTestServer& s, const std::string& path = "/",
                const char* host = "127.0.0.1") {
    return "http://" + std::string(host) + ":" + std::to_string(s.port()) + path;
}

void answer(HttpExchange& x, const std::string& status, const std::string& extra = "") {
    x.send("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n" + extra +
           "\r\n");
}

// What each kind of misbehaving server must come to, within the request's time-out.
struct HostileCase {
    const char* name;
    HttpTestServer::Handler handler;
    LinkResult result;
    long code;
    const char* detailHas = "";  // what the reason must say
};

class HostileServerTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileServerTest, EndsInItsResult) {
    HttpTestServer server(GetParam().handler);
    std::string address = url(server, "/page");
    LinkOutcome o = check({address}, quick())[address];
    EXPECT_EQ(o.result, GetParam().result) << linkResultName(o.result) << ": " << o.detail;
    EXPECT_EQ(o.code, GetParam().code);
    EXPECT_NE(o.checkedAt, 0);
    if (*GetParam().detailHas) {
        EXPECT_NE(o.detail.find(GetParam().detailHas), std::string::npos) << o.detail;
    }
    if (isDead(o.result)) {
        EXPECT_FALSE(o.detail.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    ::testing::Values(
        HostileCase{"NeverAnswers",
                    [](HttpExchange& x) {
                        x.readRequest();
                        x.waitForClose();
                    },
                    LinkResult::timedOut, 0, "超时"},
        HostileCase{"Trickles",
                    [](HttpExchange& x) {
                        x.readRequest();
                        std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
                        for (char c : reply) {
                            if (!x.send(std::string_view(&c, 1)))
                                return;
                            std::this_thread::sleep_for(std::chrono::milliseconds(100));
                        }
                    },
                    LinkResult::timedOut, 0, "超时"},
        HostileCase{"EndlessHeaders",
                    [](HttpExchange& x) {
                        x.readRequest();
                        if (!x.send("HTTP/1.1 200 OK\r\n"))
                            return;
                        std::string filler = "X-Filler: " + std::string(100, 'a') + "\r\n";
                        while (x.send(filler)) {
                        }
                    },
                    LinkResult::failed, 200, "32768"},
        // Header lines that look like status lines must not start the count again.
        HostileCase{"EndlessStatusLines",
                    [](HttpExchange& x) {
                        x.readRequest();
                        if (!x.send("HTTP/1.1 200 OK\r\n"))
                            return;
                        while (x.send("HTTP/1.1 200 OK: " + std::string(100, 'a') + "\r\n")) {
                        }
                    },
                    LinkResult::failed, 200, "32768"},
        // 40 KB of headers, then a proper end: past the 32 KB allowed, however well formed.
        HostileCase{"HeadersPastTheLimit",
                    [](HttpExchange& x) {
                        x.readRequest();
                        std::string reply = "HTTP/1.1 200 OK\r\n";
                        for (int i = 0; i < 40; ++i)
                            reply += "X-Filler-" + std::to_string(i) + ": " +
                                     std::string(1000, 'a') + "\r\n";
                        x.send(reply + "Content-Length: 0\r\n\r\n");
                        x.waitForClose();
                    },
                    LinkResult::failed, 200, "32768"},
        HostileCase{"NotImplementedHeadButGetWorks",
                    [](HttpExchange& x) {
                        std::string request = x.readRequest();
                        answer(x, HttpExchange::method(request) == "HEAD" ? "501 Not Implemented"
                                                                          : "206 Partial Content");
                    },
                    LinkResult::working, 206},
        HostileCase{"ServerErrorBothWays",
                    [](HttpExchange& x) {
                        x.readRequest();
                        answer(x, "503 Service Unavailable");
                    },
                    LinkResult::serverError, 503, "127.0.0.1:"},
        HostileCase{"ForbiddenBothWays",
                    [](HttpExchange& x) {
                        x.readRequest();
                        answer(x, "403 Forbidden");
                    },
                    LinkResult::failed, 403},
        HostileCase{"RedirectsToAFile",
                    [](HttpExchange& x) {
                        x.readRequest();
                        answer(x, "301 Moved Permanently", "Location: file:///etc/passwd\r\n");
                    },
                    LinkResult::failed, 301, "不支持的协议"},
        HostileCase{"RedirectsForEver",
                    [](HttpExchange& x) {
                        std::string request = x.readRequest();
                        answer(x, "302 Found", "Location: /again\r\n");
                    },
                    LinkResult::failed, 302, "重定向次数太多"},
        HostileCase{"NotAnHttpServer",
                    [](HttpExchange& x) { x.send("220 mail.example ESMTP\r\n"); },
                    LinkResult::failed, 0, "不支持的协议"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LinkCheckerBodyTest, StopsReadingAGigabyteBodyEarly) {
    std::atomic<long long> sent{0};
    HttpTestServer server([&](HttpExchange& x) {
        std::string request = x.readRequest();
        if (HttpExchange::method(request) == "HEAD")
            return answer(x, "405 Method Not Allowed");
        if (!x.send("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n"))
            return;
        std::string chunk(64 * 1024, 'x');
        while (sent < (1LL << 30) && x.send(chunk))
            sent += static_cast<long long>(chunk.size());
    });
    std::string address = url(server);
    LinkCheckOptions options = quick();
    options.timeoutMs = 20000;  // only the body limit may end it
    LinkOutcome o = check({address}, options)[address];
    EXPECT_EQ(o.result, LinkResult::working) << o.detail;
    EXPECT_EQ(o.code, 200);
    server.stop();  // waits for the handler, which ends when the client has closed
    // What got out before the close is the body limit plus the sockets' buffers.
    EXPECT_LT(sent.load(), 64LL << 20);
}

TEST(LinkCheckerConnectTest, ClosedPortIsRefused) {
    int port = 0;
    {
        HttpTestServer gone([](HttpExchange&) {});
        port = gone.port();
    }
    std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
    LinkOutcome o = check({address}, quick())[address];
    EXPECT_EQ(o.result, LinkResult::refused);
    EXPECT_EQ(o.detail, "127.0.0.1:" + std::to_string(port) + "：无法连接（连接被拒绝或无法到达）");
}

TEST(LinkCheckerRedirectTest, ReportsWhereItLedAndWhetherForGood) {
    HttpTestServer server([](HttpExchange& x) {
        std::string request = x.readRequest();
        std::string path = request.substr(request.find(' ') + 1);
        path = path.substr(0, path.find(' '));
        if (path == "/permanent")
            return answer(x, "308 Permanent Redirect", "Location: /p2\r\n");
        if (path == "/p2")
            return answer(x, "301 Moved Permanently", "Location: /final\r\n");
        if (path == "/mixed")
            return answer(x, "301 Moved Permanently", "Location: /temporary\r\n");
        if (path == "/temporary")
            return answer(x, "307 Temporary Redirect", "Location: /final\r\n");
        if (path == "/to-nothing")
            return answer(x, "301 Moved Permanently", "Location: /nothing\r\n");
        if (path == "/final")
            return answer(x, "200 OK");
        answer(x, "404 Not Found");
    });
    auto got = check({url(server, "/permanent"), url(server, "/mixed"), url(server, "/to-nothing")},
                     quick());
    EXPECT_EQ(got[url(server, "/permanent")].result, LinkResult::moved);
    EXPECT_EQ(got[url(server, "/permanent")].newAddress, url(server, "/final"));
    EXPECT_EQ(got[url(server, "/mixed")].result, LinkResult::redirected);
    EXPECT_EQ(got[url(server, "/mixed")].newAddress, url(server, "/final"));
    EXPECT_EQ(got[url(server, "/to-nothing")].result, LinkResult::notFound);
    EXPECT_EQ(got[url(server, "/to-nothing")].newAddress, url(server, "/nothing"));
}

// Holds every request until `enough` requests are waiting at once, or a moment has passed:
// a checker that sent more than it may would be caught with them waiting.
HttpTestServer::Handler holdUntilWaiting(int enough) {
    return [enough](HttpExchange& x) {
        x.readRequest();
        HttpTestServer& s = x.server();
        s.beginRequest();
        s.waitUntil([&] { return s.active() >= enough; }, 300);
        s.endRequest();
        answer(x, "200 OK");
    };
}

TEST(LinkCheckerLimitTest, AtMostTwoAtATimeToOneHost) {
    HttpTestServer server(holdUntilWaiting(3));
    std::vector<std::string> links;
    for (int i = 0; i < 6; ++i)
        links.push_back(url(server, "/" + std::to_string(i)));
    auto got = check(links, quick());
    for (const auto& [address, o] : got)
        EXPECT_EQ(o.result, LinkResult::working) << address;
    EXPECT_EQ(got.size(), 6u);
    EXPECT_EQ(server.peakActive(), 2);  // two at once, never three
}

TEST(LinkCheckerLimitTest, AtMostNConnectionsOverAllHosts) {
    std::vector<std::unique_ptr<HttpTestServer>> servers;
    std::atomic<int> open{0}, peak{0};
    for (const char* host : {"127.0.0.1", "127.0.0.2", "127.0.0.3"})
        servers.push_back(std::make_unique<HttpTestServer>(
            [&](HttpExchange& x) {
                x.readRequest();
                int now = ++open;
                int seen = peak.load();
                while (now > seen && !peak.compare_exchange_weak(seen, now)) {
                }
                // Long enough for a checker without the overall limit to open a fourth.
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                --open;
                answer(x, "200 OK");
            },
            host));
    std::vector<std::string> links;
    const char* hosts[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
    for (int i = 0; i < 9; ++i)
        links.push_back(url(*servers[i % 3], "/" + std::to_string(i), hosts[i % 3]));
    LinkCheckOptions options = quick();
    options.connections = 3;
    options.timeoutMs = 5000;
    auto got = check(links, options);
    EXPECT_EQ(got.size(), 9u);
    EXPECT_EQ(peak.load(), 3);
}

TEST(LinkCheckerLimitTest, PausesBetweenRequestsToOneHost) {
    std::mutex m;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    HttpTestServer server([&](HttpExchange& x) {
        x.readRequest();
        {
            std::lock_guard lock(m);
            arrivals.push_back(std::chrono::steady_clock::now());
        }
        answer(x, "200 OK");
    });
    LinkCheckOptions options = quick();
    options.hostPauseMs = 150;
    options.perHost = 1;
    check({url(server, "/a"), url(server, "/b"), url(server, "/c")}, options);
    ASSERT_EQ(arrivals.size(), 3u);
    // The pause is a lower bound: a slow machine only makes the gaps longer.
    for (size_t i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i] - arrivals[i - 1], std::chrono::milliseconds(130));
}

TEST(LinkCheckerMemoryTest, HandlesAndReadAheadDependOnConnectionsNotLinks) {
    HttpTestServer server([](HttpExchange& x) {
        x.readRequest();
        answer(x, "200 OK");
    });
    std::vector<std::string> links;
    for (int i = 0; i < 400; ++i)
        links.push_back(url(server, "/" + std::to_string(i), i % 2 ? "127.0.0.1" : "localhost"));
    LinkCheckOptions options = quick();
    options.connections = 4;
    LinkCheckStats stats;
    auto got = check(links, options, &stats);
    EXPECT_EQ(got.size(), 400u);
    EXPECT_EQ(stats.checked, 400u);
    EXPECT_LE(stats.handles, 4u);
    EXPECT_LE(stats.peakWaiting, 64u);
}

TEST(LinkCheckerTlsTest, UntrustedCertificateFailsAndTrustedOneWorks) {
    const auto& certs = testing::testCertificates();
    ASSERT_TRUE(certs.ok) << certs.problem;
    auto tlsServer = [](const std::string& cert, const std::string& key) {
        return testing::ScriptedServer([cert, key](testing::ScriptedPeer& peer) {
            if (!peer.startTls(cert, key))
                return;
            peer.readUntil("\r\n\r\n");
            peer.send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        });
    };
    {
        auto self = tlsServer(certs.selfCert, certs.selfKey);
        std::string address = "https://127.0.0.1:" + std::to_string(self.port()) + "/";
        LinkCheckOptions options = quick();
        options.caFile = certs.caFile;  // trusts our authority, not a self-signed one
        LinkOutcome o = check({address}, options)[address];
        EXPECT_EQ(o.result, LinkResult::tlsFailure) << o.detail;
        EXPECT_NE(o.detail.find("服务器的证书不可信"), std::string::npos) << o.detail;
    }
    {
        auto trusted = tlsServer(certs.serverCert, certs.serverKey);
        std::string address = "https://127.0.0.1:" + std::to_string(trusted.port()) + "/";
        LinkCheckOptions options = quick();
        options.caFile = certs.caFile;
        LinkOutcome o = check({address}, options)[address];
        EXPECT_EQ(o.result, LinkResult::working) << o.detail;
    }
}

TEST(LinkCheckerFileTest, FileAddressesAreLookedUpOnTheDisk) {
    brivanta::testing::TempDir dir;
    std::string chinese = dir.file("新闻 稿.txt");  // UTF-8 on the disk
    std::ofstream(chinese) << "x";
    std::ofstream(dir.file("plain.txt")) << "x";
    std::string gbkPath = text::fromUtf8(chinese);  // as a tree keeps it
    struct Row {
        std::string address;
        LinkResult result;
    };
    std::vector<Row> rows = {
        {dir.file("plain.txt"), LinkResult::working},
        {"file://" + dir.file("plain.txt"), LinkResult::working},
        {"file://localhost" + dir.file("plain.txt"), LinkResult::working},
        {"file://" + dir.path() + "/plain%2Etxt", LinkResult::working},
        {gbkPath, LinkResult::working},
        {"file://" + text::fromUtf8(dir.path()) + "/" + text::gbk("新闻") + "%20" +
             text::gbk("稿") + ".txt",
         LinkResult::working},
        {dir.file("missing.txt"), LinkResult::notFound},
        {dir.file("plain.txt/below"), LinkResult::notFound},
        {"file://other.example/x", LinkResult::failed},
    };
    for (const Row& r : rows) {
        LinkOutcome o = checkFileLink(r.address);
        EXPECT_EQ(o.result, r.result) << r.address << ": " << o.detail;
    }
}

// The .invalid domain never resolves (RFC 6761), so no network is needed to see it fail.
TEST(LinkCheckerNameTest, HostThatDoesNotResolveIsNameNotFound) {
    const std::string address = "http://no-such-host.invalid/page";
    auto got = check({address}, quick());
    ASSERT_EQ(got.count(address), 1u);
    EXPECT_EQ(got[address].result, LinkResult::nameNotFound)
        << linkResultName(got[address].result) << ": " << got[address].detail;
    EXPECT_EQ(got[address].code, 0);
    EXPECT_EQ(got[address].detail, "no-such-host.invalid:80：找不到主机");
    EXPECT_STREQ(linkResultText(got[address].result), "找不到主机");
}

TEST(LinkCheckerKindTest, MailAndOtherAddressesAreLeftAlone) {
    auto got = check(
        {"mailto:a@b.example", "a@b.example", "ftp://x.example/", "javascript:void(0)"}, quick());
    EXPECT_TRUE(got.empty());
}

TEST(LinkCheckerCancelTest, StopsWhenAsked) {
    std::atomic<bool> cancel{false};
    HttpTestServer server([&](HttpExchange& x) {
        x.readRequest();
        cancel = true;  // the request is open: now ask the checker to stop
        x.waitForClose();
    });
    LinkCheckOptions options = quick();
    options.timeoutMs = 600000;  // without the cancel the test would time out
    options.cancel = &cancel;
    LinkChecker checker(options);
    std::string failure;
    bool given = false;
    int reports = 0;
    EXPECT_TRUE(checker.run(
        [&](LinkJob& job) {
            if (given)
                return false;
            job.address = url(server);
            return given = true;
        },
        [&](const LinkJob&, const LinkOutcome&) { ++reports; }, failure));
    EXPECT_TRUE(cancel.load());
    EXPECT_EQ(reports, 0);
}

}  // namespace
}  // namespace brivanta::net

namespace brivanta::net {
namespace {

TEST(LinkRequestTest, AddressesBecomeUrlsAndKinds) {
    struct Row {
        std::string address;
        LinkKind kind;
        std::string url;
    };
    const std::vector<Row> rows = {
        {"http://example.com/a b", LinkKind::web, "http://example.com/a%20b"},
        {"HTTPS://example.com", LinkKind::web, "HTTPS://example.com"},
        // GBK in the path goes out as percent-encoded UTF-8, as a browser sends it.
        {"http://example.com/" + text::gbk("新闻") + "?q=" + text::gbk("中"), LinkKind::web,
         "http://example.com/%E6%96%B0%E9%97%BB?q=%E4%B8%AD"},
        {" http://example.com/x\t", LinkKind::web, "http://example.com/x"},
        {"file:///etc/hosts", LinkKind::file, ""},
        {"/etc/hosts", LinkKind::file, ""},
        {"mailto:a@b.example", LinkKind::unchecked, ""},
        {"a@b.example", LinkKind::unchecked, ""},
        {"ftp://example.com/", LinkKind::unchecked, ""},
        {"example.com/page", LinkKind::unchecked, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(linkKind(r.address), r.kind) << r.address;
        if (r.kind == LinkKind::web) {
            EXPECT_EQ(requestUrl(r.address), r.url) << r.address;
        }
    }
}

}  // namespace
}  // namespace brivanta::net
