#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/net/NetTimeouts.h"
#include "core/net/ReceivedEntries.h"
#include "core/net/TcpListener.h"
#include "core/net/TransferLimits.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/EntriesAdded.h"
#include "core/trees/ImportBudget.h"

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

// The same with the archive bytes made beforehand (serializeForPeer), so the sending thread
// does not read the tree while it waits for the listener.
PeerSendResult sendArchiveToPeer(const std::string& archive, const std::string& host, int port,
                                 const NetTimeouts& timeouts = {}, const StepCallback& step = {});
std::string serializeForPeer(BookmarkTree& tree, ItemId branch);

// How many bytes of an archive stream its complete records of `recordWidth` strings take
// (what a reader keeps of it), and in `records` how many they are. A tree file can be sent
// as these bytes without being read into a tree: the listener reads them the same way.
std::uint64_t completeRecordBytes(std::string_view archive, int recordWidth, size_t& records);

// Uploads the whole tree to the server at host:port the same way: the raw archive stream,
// nothing before it, no reply expected but the close. A failed connect says "连接服务器...".
PeerSendResult uploadTree(BookmarkTree& tree, const std::string& host, int port,
                          const NetTimeouts& timeouts = {}, const StepCallback& step = {});

// Connects to the server at host:port and closes again, sending nothing: whether it can be
// reached.
PeerSendResult verifyServer(const std::string& host, int port, const NetTimeouts& timeouts = {},
                            const StepCallback& step = {});

// What one accepted connection brought: the entries of every complete record, built as they
// arrived, so the caller can add them to its tree on its own thread (applyReceipt) without
// reading anything again.
struct PeerReceipt {
    ReceivedEntries entries;
    size_t records = 0;
    // Complete records read before the transfer ended, kept or not (a refused transfer keeps
    // none).
    size_t recordsSeen = 0;
    int recordWidth = 2;
    std::string peer;                  // "address:port" of the sender
    NetStatus status = NetStatus::ok;  // ok: the sender closed after its last record
    // What the receipt holds of its listener's shared memory budget, until it is let go: the
    // entries' texts and list, and what they will take in a tree.
    MemoryCharge charge;
    // The part of the charge that stands for the entries the records become in a tree.
    std::uint64_t treeCost = 0;
    bool ended() const { return status == NetStatus::ok; }
    // Ended by the listener (a limit, the budget, a time-out, a stop): nothing of it is kept,
    // and the sender is told so by a reset. A transfer the sender ended early (closed inside
    // a record, or broken) keeps its complete records.
    bool refused() const { return refusedStatus(status); }
    static bool refusedStatus(NetStatus s);
};

// Adds the receipt's entries at the top level of `tree`, after what is there, and tells
// which it added. The tree should have the kind the receipt was read for.
EntriesAdded applyReceipt(BookmarkTree& tree, const PeerReceipt& receipt);

// What the entries of `tree` take by the estimate the listener charges received records with.
std::uint64_t estimatedTreeCost(const BookmarkTree& tree);

// Told of each finished connection; true when its records are now where they belong (saved,
// or in the tree), so the listener closes the connection normally: only that tells the
// sender its transfer arrived. False, or a refused receipt, is answered with a reset.
using ReceiptHandler = std::function<bool(PeerReceipt& receipt)>;

// Accepts peer connections and reads each as the archive stream of a tree of
// `targetTreeKind` (its record width), each connection on its own thread. A connection that
// the sender ends early keeps its complete records; one the listener ends (a time-out, a
// limit, the shared budget) is refused whole.
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

    // Waits up to `waitMs` (negative: without end) for one connection and reads it whole;
    // the connection is closed before this returns (reset when refused), so the sender
    // counts it as arrived before anything is saved: for tests and measurements only.
    // False when none came in time or accepting failed.
    bool receiveOne(PeerReceipt& receipt, int waitMs);
    // Receives connections until `count` of them (0: no limit) have been handed to
    // `onReceipt`, or `stop` turns true (checked at least every 200 ms while waiting, also
    // in the middle of a connection, which is then refused). Transfers are handed over one at
    // a time, in the order they were complete. Stop another thread's run() with `stop`, not
    // with close(); a handler may close() to refuse everything still waiting.
    void run(const ReceiptHandler& onReceipt, int count = 0,
             const std::atomic<bool>* stop = nullptr);

    void setMaxTransferSize(std::uint64_t bytes) { maxTransferSize_ = bytes; }
    // Entries and memory one connection may bring; beyond them it is refused.
    void setLimits(const TransferLimits& limits) { limits_ = limits; }
    // The memory the target tree and all connections being read (and receipts not yet let
    // go) may take together. A connection that would pass it is refused. Set it before run().
    void setSharedMemoryLimit(std::uint64_t bytes);
    std::uint64_t sharedMemoryInUse() const { return budget_->used(); }
    const MemoryBudget& sharedBudget() const { return *budget_; }
    // What the target tree takes now (estimatedTreeCost, or the file's size and its entries),
    // charged to the shared budget in place of what was charged for it before.
    void setTreeCost(std::uint64_t bytes) { treeCharge_.set(bytes); }
    // After `receipt` went into the target tree: its entries stay charged as the tree's.
    void keepInTree(PeerReceipt& receipt);
    std::uint64_t treeCost() const { return treeCharge_.bytes(); }
    // How long a connection must have received nothing before a newcomer that finds no room
    // may push it out.
    void setIdleEvictionMs(int ms) { idleEvictionMs_ = ms; }
    const std::string& statusText() const { return statusText_; }

    static constexpr std::uint64_t kDefaultMaxTransferSize = 1ull << 30;
    // Connections read at the same time, from all peers and from one address.
    static constexpr int kMaxConnections = 64;
    static constexpr int kMaxConnectionsPerAddress = 8;
    // Connections taken but waiting for room (beyond them, newcomers are reset at once).
    static constexpr size_t kMaxWaiting = 256;
    static constexpr int kDefaultIdleEvictionMs = 1000;
    // So that kMaxConnections hostile peers at once take about 1 GiB, not 64 times the limit
    // of one connection; the target tree counts against it too.
    static constexpr std::uint64_t kDefaultSharedMemory = 1ull << 30;

  private:
    int targetTreeKind_;
    NetTimeouts timeouts_;
    TcpListener listener_;
    std::uint64_t maxTransferSize_ = kDefaultMaxTransferSize;
    TransferLimits limits_;
    std::shared_ptr<MemoryBudget> budget_ = std::make_shared<MemoryBudget>(kDefaultSharedMemory);
    MemoryCharge treeCharge_{budget_};
    int idleEvictionMs_ = kDefaultIdleEvictionMs;
    std::string statusText_;
};

// How a listener watches one connection being read: when data last came, and whether a
// newcomer has pushed it out.
struct ConnectionWatch {
    std::atomic<std::int64_t> lastActivityMs{0};  // steady clock
    std::atomic<bool> evict{false};
};

// Reads one transfer from an accepted connection (what receiveOne does after accepting).
// When `stop` turns true the reading ends soon with status cancelled. The transfer ends
// with tooManyEntries, tooLarge or overBudget as soon as its records, or a string's length
// prefix, pass a limit, and with timedOut when the sender is too slow for the bytes it
// announced (NetTimeouts::peerMs). A refused transfer keeps nothing. With a shared budget in
// `limits`, the bytes as they arrive and every complete record's place in a tree are taken
// from it, into the receipt's charge.
PeerReceipt readPeerTransfer(TcpConnection& connection, int recordWidth,
                             std::uint64_t maxBytes = PeerListener::kDefaultMaxTransferSize,
                             const std::atomic<bool>* stop = nullptr,
                             const TransferLimits& limits = {}, ConnectionWatch* watch = nullptr);

}  // namespace brivanta::net
