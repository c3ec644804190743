// Servers that keep every single wait short but never finish: a byte now and then. Each
// reply line and each mail has a whole deadline, so the clients give up in bounded time.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ScriptedServer.h"
#include "core/net/CSMTP.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;
using Clock = std::chrono::steady_clock;

// Read time-out 300 ms, a whole mail at most 900 ms.
constexpr NetTimeouts kImpatient{5000, 300, 900};

// Sends `pattern` a byte every 50 ms, over and over, until `stop`.
void trickle(ScriptedPeer& p, const std::string& pattern, const std::atomic<bool>& stop) {
    for (size_t i = 0; !stop; ++i) {
        p.send(pattern.substr(i % pattern.size(), 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

struct TrickleCase {
    const char* what;
    bool pop3;
    // What the server says before it starts to trickle, and what it trickles.
    std::string before;
    std::string trickled;
};

class TricklingServer : public ::testing::TestWithParam<TrickleCase> {};

TEST_P(TricklingServer, IsGivenUpWithinTheDeadline) {
    const TrickleCase& c = GetParam();
    std::atomic<bool> stop{false};
    ScriptedServer server([&](ScriptedPeer& p) {
        // The client's commands are answered from the script; the reads keep it in step.
        std::string before = c.before;
        for (size_t at = before.find('|'); at != std::string::npos; at = before.find('|')) {
            p.send(before.substr(0, at));
            p.readLine();
            before.erase(0, at + 1);
        }
        p.send(before);
        trickle(p, c.trickled, stop);
    });
    const auto start = Clock::now();
    bool ok = true;
    std::string status;
    if (c.pop3) {
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kImpatient);
        ok = pop.connect();
        if (ok) {
            MailMessage m;
            ok = pop.retrieve(1, m);
        }
        status = pop.statusText();
    } else {
        CSMTP smtp("127.0.0.1", server.port(), kImpatient);
        ok = smtp.connect();
        status = smtp.statusText();
    }
    const auto took = Clock::now() - start;
    stop = true;
    server.join();
    EXPECT_FALSE(ok);
    EXPECT_NE(status, Pop3Receiver::successText());
    EXPECT_LT(took, std::chrono::milliseconds(2500)) << status;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TricklingServer,
    ::testing::Values(TrickleCase{"smtp_greeting", false, "", "220 welcome to a very slow server "},
                      // Every line of a multi-line reply comes in time, the reply never ends.
                      TrickleCase{"smtp_endless_reply", false, "", "220-a\r\n"},
                      TrickleCase{"pop3_greeting", true, "", "+OK slow "},
                      TrickleCase{"pop3_mail", true,
                                  "+OK\r\n|+OK\r\n|+OK in\r\n|+OK mail follows\r\n",
                                  "Subject: x\r\n\r\nline\r\n"}),
    [](const auto& row) { return std::string(row.param.what); });

TEST(TricklingServer, AMailThatKeepsComingFastIsStillCutAtItsCeiling) {
    // Fast enough that the deadline keeps growing with the size: the ceiling still ends it.
    std::atomic<bool> stop{false};
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK\r\n");
        p.readLine();
        p.send("+OK\r\n");
        p.readLine();
        p.send("+OK\r\n");
        p.readLine();
        p.send("+OK\r\nSubject: x\r\n\r\n");
        std::string line(4000, 'x');
        line += "\r\n";
        while (!stop) {
            p.send(line);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kImpatient);
    ASSERT_TRUE(pop.connect());
    const auto start = Clock::now();
    MailMessage m;
    EXPECT_FALSE(pop.retrieve(1, m));
    const auto took = Clock::now() - start;
    stop = true;
    server.join();
    EXPECT_GE(took, std::chrono::milliseconds(800));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
}

TEST(NetTimeouts, AMailDeadlineGrowsWithItsSizeBetweenFloorAndCeiling) {
    NetTimeouts t;  // 30 s a read, 10 minutes a whole transfer
    EXPECT_EQ(t.mailMs(0), 30000);
    EXPECT_EQ(t.mailMs(16 * 1000 * 100), 30000 + 100000);
    EXPECT_EQ(t.mailMs(1ull << 40), 600000);
    t.readMs = 0;
    EXPECT_EQ(t.mailMs(100), 0);  // no time-outs at all
}

}  // namespace
}  // namespace brivanta::net
