#include <gtest/gtest.h>

#include "ScriptedServer.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;

constexpr NetTimeouts kQuick{5000, 5000};
constexpr NetTimeouts kImpatient{5000, 300};

// Greets and accepts the login, then plays `rest`.
ScriptedServer::Script loggedIn(std::function<void(ScriptedPeer&)> rest) {
    return [rest](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        p.readLine();
        p.send("+OK\r\n");
        p.readLine();
        p.send("+OK logged in\r\n");
        rest(p);
    };
}

TEST(Pop3Dialogue, RefusedLoginsCloseAndFetchNothing) {
    std::string afterUser;
    {
        ScriptedServer server([&](ScriptedPeer& p) {
            p.send("+OK ready\r\n");
            p.readLine();
            p.send("-ERR no such user\r\n");
            afterUser = p.readLine();  // "" : the client closed instead of sending PASS
        });
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
        EXPECT_FALSE(pop.connect());
        EXPECT_FALSE(pop.isConnected());
        server.join();
        EXPECT_EQ(pop.statusText(), text::gbk("用户名错！"));
        EXPECT_EQ(afterUser, "");
    }
    {
        std::string user, pass;
        ScriptedServer server([&](ScriptedPeer& p) {
            p.send("+OK ready\r\n");
            user = p.readLine();
            p.send("+OK\r\n");
            pass = p.readLine();
            p.send("-ERR [AUTH] Authentication failed.\r\n");
            p.waitForClose();
        });
        Pop3Receiver pop("127.0.0.1", server.port(), "", "", kQuick);
        pop.setCredentials("alice", "secret");
        EXPECT_FALSE(pop.connect());
        server.join();
        EXPECT_EQ(pop.statusText(), text::gbk("用户名/密码错！"));
        EXPECT_EQ(user, "USER alice\r\n");
        EXPECT_EQ(pass, "PASS secret\r\n");
    }
}

TEST(Pop3Dialogue, CountsMails) {
    ScriptedServer server(loggedIn([](ScriptedPeer& p) {
        p.readLine();
        p.sendInPieces("+OK 12 3456\r\n", 3);
        p.readLine();
        p.send("+OK no number here\r\n");
        p.readLine();
        p.send("-ERR busy\r\n");
        p.readLine();
        p.send("+OK bye\r\n");
    }));
    Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
    ASSERT_TRUE(pop.connect());
    EXPECT_EQ(pop.messageCount(), 12);
    EXPECT_EQ(pop.messageCount(), -1);
    EXPECT_EQ(pop.statusText(), text::gbk("接收完毕！"));
    EXPECT_EQ(pop.messageCount(), -1);
    EXPECT_EQ(pop.statusText(), "STATus couldn't be retrieved");
    EXPECT_TRUE(pop.disconnect());
}

TEST(Pop3Dialogue, RetrievesMailsInPiecesAndUnstuffsThem) {
    const std::string mail1 =
        "Received: by test\r\nFrom: a@x\r\nTo: <b@x>\r\nDate: now\r\nSubject: <BRIVANTA>\r\n\r\n"
        "<BRIVANTA>\r\n<CUSTOM>\r\n..\r\n..net\r\nx.\r\n";
    std::vector<std::string> commands;
    ScriptedServer server(loggedIn([&](ScriptedPeer& p) {
        commands.push_back(p.readLine());
        // The status line and the first part together; the terminator cut in the middle.
        std::string whole = "+OK 100 octets\r\n" + mail1 + ".\r\n";
        p.sendInPieces(whole, 7);
        commands.push_back(p.readLine());
        p.send("-ERR no such message\r\n");
        commands.push_back(p.readLine());
        // An empty mail right after its status line, with the QUIT reply joined to it.
        p.send("+OK 0 octets\r\n.\r\n+OK bye\r\n");
        commands.push_back(p.readLine());
    }));
    Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
    ASSERT_TRUE(pop.connect());
    MailMessage m;
    ASSERT_TRUE(pop.retrieve(1, m));
    EXPECT_EQ(m.body, "<BRIVANTA>\r\n<CUSTOM>\r\n.\r\n.net\r\nx.\r\n");
    EXPECT_EQ(m.subject, "<BRIVANTA>");
    EXPECT_EQ(m.from, "a@x");
    EXPECT_FALSE(pop.retrieve(2, m));
    EXPECT_TRUE(pop.retrieve(3, m));
    EXPECT_EQ(m.body, "");
    EXPECT_EQ(m.header, "");
    EXPECT_TRUE(pop.disconnect());
    server.join();
    EXPECT_EQ(pop.statusText(), "RETRieve failed");
    EXPECT_EQ(commands,
              (std::vector<std::string>{"RETR 1\r\n", "RETR 2\r\n", "RETR 3\r\n", "QUIT\r\n"}));
}

TEST(Pop3Dialogue, MailsWithoutHeaderOrWithoutBody) {
    ScriptedServer server(loggedIn([](ScriptedPeer& p) {
        p.readLine();
        p.send("+OK\r\nSubject: x\r\nFrom: y\r\n.\r\n");
        p.readLine();
        p.send("+OK\r\n\r\n<BRIVANTA>\r\n<CUSTOM>\r\n.\r\n");
        p.readLine();
        p.send("+OK bye\r\n");
    }));
    Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
    ASSERT_TRUE(pop.connect());
    MailMessage m;
    ASSERT_TRUE(pop.retrieve(1, m));
    EXPECT_EQ(m.header, "Subject: x\r\nFrom: y");  // no empty line: all of it is header
    EXPECT_EQ(m.body, "");
    ASSERT_TRUE(pop.retrieve(2, m));
    EXPECT_EQ(m.header, "");  // starts with the empty line: all of it is body
    EXPECT_EQ(m.body, "<BRIVANTA>\r\n<CUSTOM>\r\n");
    EXPECT_TRUE(pop.disconnect());
}

TEST(Pop3Dialogue, AMailPastTheLimitIsSkippedAndTheNextOneStillComes) {
    // Mails stay on the server: a mail that broke the dialogue would hide every later one
    // on every receive.
    std::vector<std::string> commands;
    ScriptedServer server(loggedIn([&](ScriptedPeer& p) {
        commands.push_back(p.readLine());
        std::string big = "+OK\r\nSubject: big\r\n\r\n";
        std::string line(999, 'x');
        line += "\r\n";
        for (int i = 0; i < 300; ++i)
            big += line;
        p.sendInPieces(big + ".\r\n", 50000);
        commands.push_back(p.readLine());
        // Just past the limit, all in one piece with its terminator.
        p.send("+OK\r\n" + std::string(100001, 'y') + "\r\n.\r\n");
        commands.push_back(p.readLine());
        p.send(
            "+OK\r\nFrom: a\r\nTo: b\r\nDate: d\r\nSubject: "
            "small\r\n\r\n<BRIVANTA>\r\n<CUSTOM>\r\nA\r\na\r\n.\r\n");
        commands.push_back(p.readLine());
        p.send("+OK bye\r\n");
    }));
    Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
    pop.setMaxMailSize(100000);
    ASSERT_TRUE(pop.connect());
    MailMessage m;
    EXPECT_FALSE(pop.retrieve(1, m));
    EXPECT_EQ(pop.statusText(), "RETRieve failed");
    EXPECT_TRUE(pop.isUsable());
    EXPECT_FALSE(pop.retrieve(2, m));
    EXPECT_TRUE(pop.isUsable());
    ASSERT_TRUE(pop.retrieve(3, m));
    EXPECT_EQ(m.subject, "small");
    EXPECT_EQ(m.body, "<BRIVANTA>\r\n<CUSTOM>\r\nA\r\na\r\n");
    EXPECT_TRUE(pop.disconnect());
    server.join();
    EXPECT_EQ(commands,
              (std::vector<std::string>{"RETR 1\r\n", "RETR 2\r\n", "RETR 3\r\n", "QUIT\r\n"}));
}

TEST(Pop3Dialogue, AMailCutShortFailsWithoutWaitingForEver) {
    {
        // The server closes before the final "\r\n.\r\n".
        ScriptedServer server(loggedIn([](ScriptedPeer& p) {
            p.readLine();
            p.send("+OK\r\nSubject: x\r\n\r\nbody\r\n.");
        }));
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
        ASSERT_TRUE(pop.connect());
        MailMessage m;
        EXPECT_FALSE(pop.retrieve(1, m));
        EXPECT_EQ(pop.statusText(), text::gbk("SOCKET错误！"));
        EXPECT_FALSE(pop.isUsable());
        EXPECT_FALSE(pop.retrieve(2, m));
        EXPECT_FALSE(pop.disconnect());
    }
    {
        // The server stalls in the middle of a mail.
        ScriptedServer server(loggedIn([](ScriptedPeer& p) {
            p.readLine();
            p.send("+OK\r\nSubject: x\r\n\r\nbody\r\n");
            p.waitForClose();
        }));
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kImpatient);
        ASSERT_TRUE(pop.connect());
        MailMessage m;
        EXPECT_FALSE(pop.retrieve(1, m));
        EXPECT_EQ(pop.statusText(), text::gbk("SOCKET错误！"));
    }
    {
        // A server that says nothing at all.
        ScriptedServer server([](ScriptedPeer& p) { p.waitForClose(); });
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kImpatient);
        EXPECT_FALSE(pop.connect());
        EXPECT_EQ(pop.statusText(), text::gbk("SOCKET错误！"));
    }
    {
        // A mail larger than the limit ends the dialogue instead of growing without end.
        ScriptedServer server(loggedIn([](ScriptedPeer& p) {
            p.readLine();
            p.send("+OK\r\nSubject: x\r\n\r\n");
            std::string line(1000, 'x');
            line += "\r\n";
            for (int i = 0; i < 2000; ++i)
                p.send(line);
            p.waitForClose();
        }));
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
        pop.setMaxMailSize(100000);
        ASSERT_TRUE(pop.connect());
        MailMessage m;
        EXPECT_FALSE(pop.retrieve(1, m));
        EXPECT_EQ(pop.statusText(), "RETRieve failed");
        EXPECT_FALSE(pop.isUsable());
    }
}

}  // namespace
}  // namespace brivanta::net
