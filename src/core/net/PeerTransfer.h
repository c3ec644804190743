#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/net/NetTimeouts.h"
#include "core/net/TcpListener.h"
#include "core/net/TransferLimits.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/EntriesAdded.h"

namespace brivanta::net {

// Told the caption of each step ("正在连接..."), for a busy window.
using StepCallback = std::function<void(const std::string& caption)>;

struct PeerSendResult {
    bool ok = false;
    NetStatus status = NetStatus::ok;
    // GBK message for a person; empty on success.
    std::string statusText;
};

// Sends `branch` and its subtree (the whole tree for kNoItem) to host:port as the raw
// archive stream over one connection, then ends its side and waits (within the read
// time-out) for the listener to close: only that is success.
PeerSendResult sendToPeer(BookmarkTree& tree, ItemId branch, const std::string& host, int port,
                          const NetTimeouts& timeouts = {}, const StepCallback& step = {});

// Uploads the whole tree to the server at host:port the same way: the raw archive stream,
// nothing before it, no reply expected but the close. A failed connect says "连接服务器...".
PeerSendResult uploadTree(BookmarkTree& tree, const std::string& host, int port,
                          const NetTimeouts& timeouts = {}, const StepCallback& step = {});

// Connects to the server at host:port and closes again, sending nothing: whether it can be
// reached.
PeerSendResult verifyServer(const std::string& host, int port, const NetTimeouts& timeouts = {},
                            const StepCallback& step = {});

// What one accepted connection brought: the archive bytes of every complete record, so the
// caller can add them to its tree on its own thread (applyReceipt).
struct PeerReceipt {
    std::string archive;  // exactly the bytes of the complete records, as they arrived
    size_t records = 0;
    int recordWidth = 2;
    std::string peer;                  // "address:port" of the sender
    NetStatus status = NetStatus::ok;  // ok: the sender closed after its last record
    // What the receipt holds of its listener's shared memory budget, until it is let go.
    MemoryCharge charge;
    bool ended() const { return status == NetStatus::ok; }
};

// Adds the receipt's records at the top level of `tree`, after what is there. The tree
// should have the kind the receipt was read for. Returns the number of records added.
size_t applyReceipt(BookmarkTree& tree, const PeerReceipt& receipt);
// The same, telling which entries it added.
EntriesAdded addReceipt(BookmarkTree& tree, const PeerReceipt& receipt);

// Accepts peer connections and reads each as the archive stream of a tree of
// `targetTreeKind` (its record width), each connection on its own thread. A connection that ends
// early, stalls past the read time-out or passes the size limit keeps its complete records.
class PeerListener {
  public:
    explicit PeerListener(int targetTreeKind, const NetTimeouts& timeouts = {});

    // Listens on `port` (0 picks one) on every local address, or on `bindAddress`.
    // False with statusText() set when the port cannot be taken.
    bool open(int port, const std::string& bindAddress = {});
    void close() { listener_.close(); }
    bool isOpen() const { return listener_.isOpen(); }
    int port() const { return listener_.port(); }
    int targetTreeKind() const { return targetTreeKind_; }

    // Waits up to `waitMs` (negative: without end) for one connection and reads it whole.
    // False when none came in time or accepting failed.
    bool receiveOne(PeerReceipt& receipt, int waitMs);
    // Receives connections until `count` of them (0: no limit) have been handed to
    // `onReceipt`, or `stop` turns true (checked at least every 200 ms while waiting, also
    // in the middle of a connection, whose complete records are then still handed over).
    // Stop another thread's run() with `stop`, not with close().
    void run(const std::function<void(PeerReceipt&&)>& onReceipt, int count = 0,
             const std::atomic<bool>* stop = nullptr);

    void setMaxTransferSize(std::uint64_t bytes) { maxTransferSize_ = bytes; }
    // Entries and memory one connection may bring; it ends there with its complete records.
    void setLimits(const TransferLimits& limits) { limits_ = limits; }
    // The memory all connections being read (and receipts not yet let go) may take
    // together. A connection that would pass it ends with overBudget and its complete
    // records. Set it before run().
    void setSharedMemoryLimit(std::uint64_t bytes);
    std::uint64_t sharedMemoryInUse() const { return budget_->used(); }
    const std::string& statusText() const { return statusText_; }

    static constexpr std::uint64_t kDefaultMaxTransferSize = 1ull << 30;
    // Connections read at the same time; more wait in the system's queue.
    static constexpr int kMaxConnections = 64;
    // So that kMaxConnections hostile peers at once take about 1 GiB, not 64 times the limit
    // of one connection.
    static constexpr std::uint64_t kDefaultSharedMemory = 1ull << 30;

  private:
    int targetTreeKind_;
    NetTimeouts timeouts_;
    TcpListener listener_;
    std::uint64_t maxTransferSize_ = kDefaultMaxTransferSize;
    TransferLimits limits_;
    std::shared_ptr<MemoryBudget> budget_ = std::make_shared<MemoryBudget>(kDefaultSharedMemory);
    std::string statusText_;
};

// Reads one transfer from an accepted connection (what receiveOne does after accepting).
// When `stop` turns true the reading ends soon with status cancelled. The transfer ends
// with tooManyEntries, tooLarge or overBudget as soon as its complete records reach a limit;
// those records are kept. With a shared budget in `limits`, every byte as it arrives and
// every complete record's place in a tree are taken from it, into the receipt's charge.
PeerReceipt readPeerTransfer(TcpConnection& connection, int recordWidth,
                             std::uint64_t maxBytes = PeerListener::kDefaultMaxTransferSize,
                             const std::atomic<bool>* stop = nullptr,
                             const TransferLimits& limits = {});

}  // namespace brivanta::net
