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
    // One whole TLS record from the client (its ClientHello, say), however it is split;
    // less only when the client closes or stays silent for the read time-out.
    std::string receiveTlsRecord();
    // Every byte the client sends until it closes (or stays silent for the read time-out).
    std::string receiveUntilClosed();
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

// `bytes` completed to one whole TLS record (five bytes of header, then as many as it
// announces) from `c`: each read waits for data up to `c`'s read time-out, so a late sender
// is waited for rather than taken for one that has finished.
std::string receiveTlsRecord(TcpConnection& c, std::string bytes = {});

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
