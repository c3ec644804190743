#pragma once

// A one-connection server on 127.0.0.1 that plays a script in its own thread, for exact
// dialogues with the clients: what it sends, how it cuts or joins its replies, when it
// stays silent or closes.

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/net/ReplyReader.h"
#include "core/net/TcpListener.h"

namespace brivanta::net::testing {

class ScriptedPeer {
  public:
    explicit ScriptedPeer(TcpConnection& c) : connection_(c), reader_(c) {}
    void send(std::string_view bytes) { connection_.sendAll(bytes); }
    // Sends `bytes` in pieces of `size` bytes, each its own write with a pause between.
    void sendInPieces(std::string_view bytes, size_t size);
    // One line from the client with its CR LF ("" when the client closed or went silent).
    std::string readLine();
    // Everything up to and including `end`.
    std::string readUntil(std::string_view end);
    // The raw bytes that arrive until nothing more comes for `quietMs`.
    std::string receiveSome(int quietMs);
    // Waits until the client closes (or 5 s pass).
    void waitForClose();
    void close() { connection_.close(); }
    // Plays the server's side of TLS from here on; false when the handshake failed.
    bool startTls(const std::string& certificate, const std::string& key, int maxVersion = 0);
    bool isEncrypted() const { return connection_.isEncrypted(); }
    const std::string& tlsFailure() const { return connection_.tlsFailure(); }

  private:
    TcpConnection& connection_;
    ReplyReader reader_;
};

// The raw bytes that arrive on `c` until nothing more comes for `quietMs`.
std::string receiveUntilQuiet(TcpConnection& c, int quietMs);

class ScriptedServer {
  public:
    using Script = std::function<void(ScriptedPeer&)>;
    explicit ScriptedServer(Script script);
    ~ScriptedServer();
    int port() const { return port_; }
    // Waits for the script to finish.
    void join();

  private:
    TcpListener listener_;
    int port_ = 0;
    std::thread thread_;
};

// A POP3 mailbox of `bodies`, each one mail with the subject "<BRIVANTA>"; the mails stay,
// nothing is deleted.
ScriptedServer::Script keptMailbox(std::vector<std::string> bodies);

}  // namespace brivanta::net::testing
