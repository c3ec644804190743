#pragma once

#include <algorithm>
#include <cstdint>

namespace brivanta::net {

// How long a connection may wait. Tests shorten them; zero or less waits without end.
struct NetTimeouts {
    int connectMs = 15000;
    int readMs = 30000;  // every read, and every write that cannot go ahead
    // A whole incoming peer transfer. The read time-out alone would let a sender that
    // trickles a byte now and then hold the listener for ever.
    // The same bounds every mail sent or received and every reply, so a server that trickles
    // a byte a second cannot hold a command either.
    int transferMs = 10 * 60 * 1000;

    // A whole mail of `bytes`: the read time-out, and a second more for every 16 KiB (a
    // slow line still gets its mail through), at most the transfer time-out. Zero or less:
    // no end.
    long long mailMs(std::uint64_t bytes) const {
        if (readMs <= 0 || transferMs <= 0)
            return 0;
        long long grown = readMs + static_cast<long long>(bytes / 16);
        return std::max<long long>(readMs, std::min<long long>(grown, transferMs));
    }

    // A whole incoming peer transfer that has announced `bytes` so far (what arrived, and the
    // rest of the string under way): a grace of 5 s (the read time-out when shorter), and a
    // second more for every 16 KiB, at most the transfer time-out. A sender that trickles a
    // byte now and then is cut off after the grace, not after ten minutes. Zero: no end.
    long long peerMs(std::uint64_t bytes) const {
        if (transferMs <= 0)
            return 0;
        const long long grace = readMs > 0 ? std::min(readMs, kPeerGraceMs) : kPeerGraceMs;
        const std::uint64_t grown = static_cast<std::uint64_t>(grace) + bytes / 16;
        return static_cast<long long>(std::min<std::uint64_t>(grown, std::uint64_t(transferMs)));
    }
    static constexpr int kPeerGraceMs = 5000;
};

// How an operation on a connection ended.
enum class NetStatus {
    ok,
    closed,          // the other side closed the connection
    timedOut,        // nothing arrived (or could be sent) within the time-out
    resolveFailed,   // the host name is not known
    refused,         // no connection could be made
    noSocket,        // no socket could be created (out of descriptors, say)
    tooLarge,        // the other side sent more than we accept
    tooManyEntries,  // the other side sent more entries than a transfer may bring
    overBudget,      // the transfers read at the same time together passed their memory limit
    cancelled,       // our side asked to stop
    tlsFailed,       // TLS could not be set up or broke (TcpConnection::tlsFailure says why)
    error,           // any other socket error
};

const char* describe(NetStatus status);

}  // namespace brivanta::net
