// The WebDAV client against a real server: rclone's, started on loopback with its own
// directory and user.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "LocalWebDavServer.h"
#include "TestCertificates.h"
#include "core/net/WebDavClient.h"
#include "core/net/WebDavLock.h"

namespace brivanta::integration {
namespace {

using net::LockState;
using net::WebDavClient;
using net::WebDavLock;
using net::WebDavOptions;
using net::WebDavReply;
using net::WebDavResult;
using testing::LocalWebDavServer;

class WebDavTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = new LocalWebDavServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (!server_->ok() && server_->problem().find("not installed") != std::string::npos)
            GTEST_SKIP() << server_->problem();
        ASSERT_TRUE(server_->ok()) << server_->problem();
    }
    static WebDavOptions options() {
        WebDavOptions o;
        o.user = LocalWebDavServer::kUser;
        o.password = LocalWebDavServer::kPassword;
        o.connectTimeoutMs = 5000;
        o.timeoutMs = 20000;
        return o;
    }
    static std::string onDisk(const std::string& name) {
        std::ifstream in(server_->share() + "/" + name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static LocalWebDavServer* server_;
};
LocalWebDavServer* WebDavTest::server_ = nullptr;

TEST_F(WebDavTest, AMissingFileIsMissingNotAFailure) {
    WebDavClient client(server_->url("/"), options());
    WebDavReply r = client.get("nothing-here.xbel");
    EXPECT_EQ(r.result, WebDavResult::missing) << r.error;
    EXPECT_EQ(r.status, 404);
    EXPECT_TRUE(r.body.empty());
}

TEST_F(WebDavTest, CreateReadAndReplaceOnlyWhatWasRead) {
    WebDavClient client(server_->url("/"), options());
    const std::string first = "<xbel version=\"1.0\"></xbel>\n";
    WebDavReply created = client.put("both.xbel", first, "");
    ASSERT_EQ(created.result, WebDavResult::ok) << created.error;

    WebDavReply read = client.get("both.xbel");
    ASSERT_EQ(read.result, WebDavResult::ok) << read.error;
    EXPECT_EQ(read.body, first);
    ASSERT_FALSE(read.etag.empty());
    if (!created.etag.empty()) {
        EXPECT_EQ(created.etag, read.etag);
    }

    // Creating again would overwrite what another client made.
    WebDavReply again = client.put("both.xbel", "other", "");
    EXPECT_EQ(again.result, WebDavResult::changedMeanwhile) << again.error;

    const std::string second = "<xbel version=\"1.0\"><bookmark href=\"a\"/></xbel>\n";
    WebDavReply replaced = client.put("both.xbel", second, read.etag);
    ASSERT_EQ(replaced.result, WebDavResult::ok) << replaced.error;

    // The ETag read before the replacement is stale now: the upload is refused and the
    // server keeps the newer file.
    WebDavReply stale = client.put("both.xbel", "lost update", read.etag);
    EXPECT_EQ(stale.result, WebDavResult::changedMeanwhile) << stale.error;
    EXPECT_NE(stale.error.find("127.0.0.1:" + std::to_string(server_->port())), std::string::npos)
        << stale.error;
    EXPECT_EQ(onDisk("both.xbel"), second);

    WebDavReply current = client.get("both.xbel");
    ASSERT_EQ(current.result, WebDavResult::ok) << current.error;
    EXPECT_EQ(current.body, second);
    EXPECT_EQ(client.remove("both.xbel", read.etag).result, WebDavResult::changedMeanwhile);
    EXPECT_EQ(client.remove("both.xbel", current.etag).result, WebDavResult::ok);
    EXPECT_EQ(client.get("both.xbel").result, WebDavResult::missing);
    EXPECT_EQ(client.remove("both.xbel").result, WebDavResult::missing);
}

struct RefusalCase {
    const char* what;
    const char* password;
    std::size_t maxBodyBytes;
    long status;           // 0: none (refused before the body was read)
    const char* saidPart;  // in the message besides the server's address
};

class WebDavRefusalTest : public WebDavTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(WebDavRefusalTest, FailsNamingTheServerAndWhatItSaid) {
    const RefusalCase& c = GetParam();
    {
        WebDavClient writer(server_->url("/"), options());
        std::string big(5000, 'x');
        WebDavReply now = writer.get("refusal.xbel");
        if (now.result == WebDavResult::missing) {
            ASSERT_EQ(writer.put("refusal.xbel", big, "").result, WebDavResult::ok);
        }
    }
    WebDavOptions o = options();
    o.password = c.password;
    o.maxBodyBytes = c.maxBodyBytes;
    WebDavClient client(server_->url("/"), o);
    WebDavReply r = client.get("refusal.xbel");
    EXPECT_EQ(r.result, WebDavResult::failed);
    if (c.status != 0) {
        EXPECT_EQ(r.status, c.status);
    }
    EXPECT_TRUE(r.body.empty());
    EXPECT_NE(r.error.find("127.0.0.1:" + std::to_string(server_->port())), std::string::npos)
        << r.error;
    EXPECT_NE(r.error.find(c.saidPart), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find(c.password), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebDavRefusalTest,
    ::testing::Values(RefusalCase{"WrongPassword", "not-the-password", 64u << 20, 401,
                                  "HTTP 401 Unauthorized，用户名或密码不被接受"},
                      RefusalCase{"BodyOverTheCap", LocalWebDavServer::kPassword, 4096, 0,
                                  "4096 字节的上限"}),
    [](const ::testing::TestParamInfo<RefusalCase>& row) { return row.param.what; });

struct LockCase {
    const char* what;
    int otherLockAgeMinutes;  // how old another client's lock is; -1: there is none
    LockState state;
};

class WebDavLockTest : public WebDavTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(WebDavLockTest, IsTakenHonouredOrTakenOverAndRemovedAfter) {
    const LockCase& c = GetParam();
    const std::string file = std::string(c.what) + ".xbel";
    const std::string lockPath = server_->share() + "/" + file + ".lock";
    WebDavClient other(server_->url("/"), options());
    WebDavLock theirs(other, file);
    std::string theirBody;
    if (c.otherLockAgeMinutes >= 0) {
        ASSERT_EQ(theirs.take(), LockState::taken) << theirs.error();
        // Made older on the server's disk: the server's Last-Modified follows.
        namespace fs = std::filesystem;
        fs::last_write_time(lockPath, fs::file_time_type::clock::now() -
                                          std::chrono::minutes(c.otherLockAgeMinutes));
        theirBody = onDisk(file + ".lock");
    }

    WebDavClient client(server_->url("/"), options());
    WebDavLock lock(client, file);
    EXPECT_EQ(lock.take(), c.state) << lock.error();
    if (c.state == LockState::held) {
        EXPECT_FALSE(lock.isHeld());
        EXPECT_NE(lock.error().find("127.0.0.1:" + std::to_string(server_->port())),
                  std::string::npos)
            << lock.error();
        EXPECT_NE(lock.error().find(file + ".lock"), std::string::npos) << lock.error();
        EXPECT_EQ(onDisk(file + ".lock"), theirBody);  // left as it was
        return;
    }
    ASSERT_TRUE(lock.isHeld());
    const std::string ours = onDisk(file + ".lock");
    EXPECT_NE(ours, theirBody);
    EXPECT_TRUE(lock.refresh()) << lock.error();
    EXPECT_TRUE(lock.release()) << lock.error();
    EXPECT_FALSE(std::filesystem::exists(lockPath));
    // The client whose lock was taken over learns it, and deletes nothing.
    if (c.otherLockAgeMinutes >= 0) {
        EXPECT_FALSE(theirs.refresh());
        EXPECT_FALSE(theirs.isHeld());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WebDavLockTest,
                         ::testing::Values(LockCase{"NoLock", -1, LockState::taken},
                                           LockCase{"FreshLock", 0, LockState::held},
                                           LockCase{"LockOf14Minutes", 14, LockState::held},
                                           LockCase{"StaleLock", 16, LockState::taken},
                                           LockCase{"LockOfAnHour", 60, LockState::taken}),
                         [](const ::testing::TestParamInfo<LockCase>& row) {
                             return row.param.what;
                         });

TEST_F(WebDavTest, ALockTakenOverIsNotDeletedByItsFormerHolder) {
    const std::string file = "taken-over.xbel";
    const std::string lockPath = server_->share() + "/" + file + ".lock";
    WebDavClient first(server_->url("/"), options());
    WebDavClient second(server_->url("/"), options());
    WebDavLock old(first, file);
    ASSERT_EQ(old.take(), LockState::taken) << old.error();
    namespace fs = std::filesystem;
    fs::last_write_time(lockPath, fs::file_time_type::clock::now() - std::chrono::minutes(30));
    {
        WebDavLock fresh(second, file);
        ASSERT_EQ(fresh.take(), LockState::taken) << fresh.error();
        const std::string body = onDisk(file + ".lock");
        EXPECT_FALSE(old.release());
        EXPECT_NE(old.error().find(file + ".lock"), std::string::npos) << old.error();
        EXPECT_EQ(onDisk(file + ".lock"), body);
        // A second taker is refused while the new lock is young.
        WebDavLock third(first, file);
        EXPECT_EQ(third.take(), LockState::held) << third.error();
    }
    // The holder's lock goes with it.
    EXPECT_FALSE(fs::exists(lockPath));
}

struct TlsCase {
    const char* what;
    const std::string net::testing::TestCertificates::*cert;
    const std::string net::testing::TestCertificates::*key;
    bool withCaFile;
    WebDavResult result;
    const char* saidPart;  // "" when it succeeds
};

class WebDavTlsTest : public ::testing::TestWithParam<TlsCase> {};

TEST_P(WebDavTlsTest, TrustsOnlyAVerifiedServer) {
    const TlsCase& c = GetParam();
    const auto& certs = net::testing::testCertificates();
    ASSERT_TRUE(certs.ok) << certs.problem;
    LocalWebDavServer server(certs.*c.cert, certs.*c.key);
    if (!server.ok() && server.problem().find("not installed") != std::string::npos)
        GTEST_SKIP() << server.problem();
    ASSERT_TRUE(server.ok()) << server.problem();
    WebDavOptions o;
    o.user = LocalWebDavServer::kUser;
    o.password = LocalWebDavServer::kPassword;
    o.timeoutMs = 20000;
    if (c.withCaFile)
        o.caFile = certs.caFile;
    WebDavClient client(server.url("/"), o);
    WebDavReply r = client.get("bookmarks.xbel");
    EXPECT_EQ(r.result, c.result) << r.error;
    if (c.result == WebDavResult::failed) {
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.error.find("https://127.0.0.1:" + std::to_string(server.port())),
                  std::string::npos)
            << r.error;
        EXPECT_NE(r.error.find(c.saidPart), std::string::npos) << r.error;
    }
}

using Certs = net::testing::TestCertificates;
INSTANTIATE_TEST_SUITE_P(
    Cases, WebDavTlsTest,
    ::testing::Values(TlsCase{"SignedByTheCaFile", &Certs::serverCert, &Certs::serverKey, true,
                              WebDavResult::missing, ""},
                      TlsCase{"UnknownAuthority", &Certs::serverCert, &Certs::serverKey, false,
                              WebDavResult::failed, "证书不被信任（SSL certificate problem"},
                      TlsCase{"OtherHostName", &Certs::otherCert, &Certs::otherKey, true,
                              WebDavResult::failed, "证书不被信任（SSL: no alternative"},
                      TlsCase{"SelfSigned", &Certs::selfCert, &Certs::selfKey, true,
                              WebDavResult::failed, "certificate"}),
    [](const ::testing::TestParamInfo<TlsCase>& row) { return row.param.what; });

}  // namespace
}  // namespace brivanta::integration
