#include "ScriptedServer.h"

#include <algorithm>
#include <chrono>

namespace brivanta::net::testing {

void ScriptedPeer::sendInPieces(std::string_view bytes, size_t size) {
    while (!bytes.empty()) {
        size_t n = std::min(size, bytes.size());
        connection_.sendAll(bytes.substr(0, n));
        bytes.remove_prefix(n);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string ScriptedPeer::readLine() {
    std::string line;
    if (reader_.readLine(line, 1 << 30) != NetStatus::ok)
        return {};
    return line;
}

std::string ScriptedPeer::readUntil(std::string_view end) {
    std::string text, line;
    while (!text.ends_with(end)) {
        if (reader_.readLine(line, 1 << 30) != NetStatus::ok)
            break;
        text += line;
    }
    return text;
}

std::string receiveUntilQuiet(TcpConnection& c, int quietMs) {
    std::string bytes;
    char buffer[16 * 1024];
    while (c.waitForInput(quietMs)) {
        size_t got = 0;
        if (c.receive(buffer, sizeof buffer, got) != NetStatus::ok)
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

std::string ScriptedPeer::receiveSome(int quietMs) {
    return reader_.takeBuffered() + receiveUntilQuiet(connection_, quietMs);
}

namespace {

// Reads from `c` into `bytes` until it holds `size` bytes; false when `c` closed or stayed
// silent for its read time-out first.
bool receiveUpTo(TcpConnection& c, std::string& bytes, size_t size) {
    char buffer[16 * 1024];
    while (bytes.size() < size) {
        size_t got = 0;
        if (c.receive(buffer, std::min(sizeof buffer, size - bytes.size()), got) != NetStatus::ok)
            return false;
        bytes.append(buffer, got);
    }
    return true;
}

}  // namespace

std::string receiveTlsRecord(TcpConnection& c, std::string bytes) {
    constexpr size_t kHeader = 5;  // type, version (2), length (2)
    if (!receiveUpTo(c, bytes, kHeader))
        return bytes;
    const size_t length = static_cast<size_t>(static_cast<unsigned char>(bytes[3])) << 8 |
                          static_cast<unsigned char>(bytes[4]);
    receiveUpTo(c, bytes, kHeader + length);
    return bytes;
}

std::string ScriptedPeer::receiveTlsRecord() {
    return testing::receiveTlsRecord(connection_, reader_.takeBuffered());
}

std::string ScriptedPeer::receiveUntilClosed() {
    std::string bytes = reader_.takeBuffered();
    char buffer[16 * 1024];
    size_t got = 0;
    while (connection_.receive(buffer, sizeof buffer, got) == NetStatus::ok)
        bytes.append(buffer, got);
    return bytes;
}

bool ScriptedPeer::startTls(const std::string& certificate, const std::string& key,
                            int maxVersion) {
    reader_.clear();
    return connection_.acceptTls(certificate, key, maxVersion) == NetStatus::ok;
}

void ScriptedPeer::waitForClose() {
    char buffer[4096];
    size_t got = 0;
    while (connection_.receive(buffer, sizeof buffer, got) == NetStatus::ok) {
    }
}

ScriptedServer::ScriptedServer(Script script) {
    listener_.listen(0, "127.0.0.1");
    port_ = listener_.port();
    thread_ = std::thread([this, script = std::move(script)] {
        TcpConnection connection;
        NetTimeouts timeouts;
        timeouts.readMs = 5000;
        if (listener_.accept(connection, 10000, timeouts) != NetStatus::ok)
            return;
        ScriptedPeer peer(connection);
        script(peer);
    });
}

ScriptedServer::~ScriptedServer() {
    join();
}

void ScriptedServer::join() {
    if (thread_.joinable())
        thread_.join();
}

ScriptedServer::Script keptMailbox(std::vector<std::string> bodies) {
    return [bodies = std::move(bodies)](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("STAT")) {
                p.send("+OK " + std::to_string(bodies.size()) + " 100\r\n");
            } else if (line.starts_with("RETR ")) {
                size_t n = std::stoul(line.substr(5)) - 1;
                p.send("+OK\r\nSubject: <BRIVANTA>\r\n\r\n" + bodies.at(n) + ".\r\n");
            } else if (line.starts_with("QUIT")) {
                p.send("+OK bye\r\n");
                return;
            } else {
                p.send("+OK\r\n");
            }
        }
    };
}

}  // namespace brivanta::net::testing
