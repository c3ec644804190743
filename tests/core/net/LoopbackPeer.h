#pragma once

// Raw peers for listener tests: a connection from a chosen loopback address (all of
// 127.0.0.0/8 is this machine), archives made from records, and the listener's verdict.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/TcpConnection.h"

namespace brivanta::net::testing {

// Connects to 127.0.0.1:port from `source` (say "127.0.0.7"); closed on failure.
inline TcpConnection connectFrom(const std::string& source, int port,
                                 const NetTimeouts& timeouts = {5000, 5000}) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    if (fd >= 0 && (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
                    ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0)) {
        ::close(fd);
        fd = -1;
    }
    return TcpConnection(fd, timeouts);
}

// The archive of `count` top-level links named prefix + number, each address `addressBytes`
// long.
inline std::string linksArchive(const std::string& prefix, int count, size_t addressBytes = 8) {
    BookmarkTree tree(kCustomTree);
    for (int i = 0; i < count; ++i)
        tree.InsertNode({prefix + std::to_string(i), std::string(addressBytes, 'a'), ""});
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer, kNoItem);
    writer.flush();
    return bytes;
}

// Ends our side and reads the listener's answer: true for a normal close (the transfer was
// kept), false for a reset or nothing within the read time-out.
inline bool keptByListener(TcpConnection& c) {
    c.shutdownWrite();
    char b;
    size_t got = 0;
    for (;;) {
        const NetStatus s = c.receive(&b, 1, got);
        if (s == NetStatus::ok)
            continue;
        return s == NetStatus::closed && c.lastError() != ECONNRESET;
    }
}

// Top-level entries of `tree` whose name starts with `prefix`.
inline size_t countNamed(const BookmarkTree& tree, const std::string& prefix) {
    size_t n = 0;
    for (int i = 0; i < tree.childCount(kNoItem); ++i) {
        if (tree.LookupRecord(tree.child(kNoItem, i))->name.starts_with(prefix))
            ++n;
    }
    return n;
}

}  // namespace brivanta::net::testing
