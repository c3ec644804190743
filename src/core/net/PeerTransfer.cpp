#include "core/net/PeerTransfer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/RecordScanner.h"
#include "core/text/Encoding.h"
#include "core/text/Trim.h"
#include "core/trees/TreeWalk.h"

namespace brivanta::net {

namespace {

constexpr size_t kSocketBuffer = 64 * 1024;
// How often a wait looks whether it was asked to stop.
constexpr int kStopCheckMs = 200;

class ConnectionSink : public ByteSink {
  public:
    explicit ConnectionSink(TcpConnection& c) : connection_(c) {}
    bool write(const char* data, size_t size) override {
        if (status_ != NetStatus::ok)
            return false;
        status_ = connection_.sendAll(std::string_view(data, size));
        return status_ == NetStatus::ok;
    }
    NetStatus status() const { return status_; }

  private:
    TcpConnection& connection_;
    NetStatus status_ = NetStatus::ok;
};

using Clock = std::chrono::steady_clock;

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

// ok when the other side closes within the read time-out; what it sends meanwhile (it should
// send nothing) is read and dropped, up to a bound.
NetStatus waitForPeerClose(TcpConnection& connection) {
    const int readMs = connection.timeouts().readMs;
    const auto deadline = Clock::now() + std::chrono::milliseconds(readMs);
    char buffer[4096];
    size_t dropped = 0;
    for (;;) {
        if (readMs > 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0 || !connection.waitForInput(static_cast<int>(left)))
                return NetStatus::timedOut;
        }
        size_t got = 0;
        NetStatus s = connection.receive(buffer, sizeof buffer, got);
        if (s == NetStatus::closed)
            return connection.lastError() == ECONNRESET ? NetStatus::error : NetStatus::ok;
        if (s != NetStatus::ok)
            return s;
        dropped += got;
        if (dropped > 64 * 1024)
            return NetStatus::tooLarge;
    }
}

// The sender's address without its port (an IPv4 address also when it came over IPv6), by
// which connections from one peer are counted.
std::string peerAddress(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (ss.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&ss)->sin_addr, text, sizeof text);
    } else if (ss.ss_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<sockaddr_in6*>(&ss)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&a))
            inet_ntop(AF_INET, a.s6_addr + 12, text, sizeof text);
        else
            inet_ntop(AF_INET6, &a, text, sizeof text);
    }
    return text;
}

// Closes with a reset, so that a sender whose transfer was not taken does not count it as
// arrived.
void refuse(TcpConnection& connection) {
    if (connection.isOpen()) {
        linger reset{1, 0};
        ::setsockopt(connection.fd(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    connection.close();
}

}  // namespace

namespace {

// What a send says at each step and when it fails; a send to a peer and an upload to the
// server differ only in these.
struct SendTexts {
    const char* sending;        // caption while the archive goes out
    const char* connectFailed;  // "...（地址:" + host + " 端口:" + port + the rest
    const char* connectFailedEnd;
};

constexpr SendTexts kPeerTexts = {
    "正在发送数据...", "连接主机（地址:", "）时失败！\r\n\r\n请确认对方是否已启动监听！"};
constexpr SendTexts kServerTexts = {"正在上传数据...", "连接服务器（地址:", "）时失败！"};

std::string addressText(const char* before, const std::string& host, int port, const char* after) {
    return text::gbk(before) + host + text::gbk(" 端口:") + std::to_string(port) + text::gbk(after);
}

// Creates the socket and connects, with the captions of both steps. False with the result
// filled in when either fails.
bool connectTo(TcpConnection& connection, const std::string& host, int port,
               const NetTimeouts& timeouts, const StepCallback& step, const SendTexts& texts,
               PeerSendResult& result) {
    if (step)
        step(text::gbk("正在创建SOCKET..."));
    connection.setTimeouts(timeouts);
    if (step)
        step(text::gbk("正在连接") + host);
    result.status = connection.connect(host, port);
    if (result.status == NetStatus::noSocket) {
        result.statusText = text::gbk("创建SOCKET失败!");
        return false;
    }
    if (result.status != NetStatus::ok) {
        result.statusText = addressText(texts.connectFailed, host, port, texts.connectFailedEnd);
        return false;
    }
    return true;
}

// Sends what `write` writes over a new connection, then waits for the listener's verdict.
PeerSendResult sendWith(const std::function<NetStatus(TcpConnection&)>& write,
                        const std::string& host, int port, const NetTimeouts& timeouts,
                        const StepCallback& step, const SendTexts& texts) {
    PeerSendResult result;
    TcpConnection connection;
    if (!connectTo(connection, host, port, timeouts, step, texts, result))
        return result;
    if (step)
        step(text::gbk(texts.sending));
    result.status = write(connection);
    if (result.status != NetStatus::ok) {
        result.statusText = addressText("向主机（地址:", host, port, "）发送数据时失败！");
        return result;
    }
    // Sent is not arrived: end our side and wait for the listener to close the connection,
    // which it does once the transfer is saved. A reset or no close in time is a failure.
    connection.shutdownWrite();
    result.status = waitForPeerClose(connection);
    if (result.status != NetStatus::ok) {
        result.statusText = addressText("主机（地址:", host, port, "）没有确认收到数据！");
        return result;
    }
    connection.close();
    result.ok = true;
    return result;
}

PeerSendResult sendArchive(BookmarkTree& tree, ItemId branch, const std::string& host, int port,
                           const NetTimeouts& timeouts, const StepCallback& step,
                           const SendTexts& texts) {
    return sendWith(
        [&](TcpConnection& connection) {
            ConnectionSink sink(connection);
            ArchiveWriter writer(sink, kSocketBuffer);
            SerializeTree(tree, writer, branch);
            writer.flush();
            return sink.status();
        },
        host, port, timeouts, step, texts);
}

}  // namespace

PeerSendResult sendToPeer(BookmarkTree& tree, ItemId branch, const std::string& host, int port,
                          const NetTimeouts& timeouts, const StepCallback& step) {
    return sendArchive(tree, branch, host, port, timeouts, step, kPeerTexts);
}

PeerSendResult sendArchiveToPeer(const std::string& archive, const std::string& host, int port,
                                 const NetTimeouts& timeouts, const StepCallback& step) {
    return sendWith([&](TcpConnection& connection) { return connection.sendAll(archive); }, host,
                    port, timeouts, step, kPeerTexts);
}

std::string serializeForPeer(BookmarkTree& tree, ItemId branch) {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink, kSocketBuffer);
    SerializeTree(tree, writer, branch);
    writer.flush();
    return bytes;
}

std::uint64_t completeRecordBytes(std::string_view archive, int recordWidth, size_t& records) {
    RecordScanner scanner(recordWidth);
    std::uint64_t complete = 0;
    records = 0;
    scanner.scan(
        archive.data(), archive.size(), [](std::uint64_t) { return true; },
        [&](std::uint64_t end) {
            complete = end;
            ++records;
            return true;
        });
    return complete;
}

PeerSendResult uploadTree(BookmarkTree& tree, const std::string& host, int port,
                          const NetTimeouts& timeouts, const StepCallback& step) {
    if (step)
        step(text::gbk("正在准备数据..."));
    return sendArchive(tree, kNoItem, host, port, timeouts, step, kServerTexts);
}

PeerSendResult verifyServer(const std::string& host, int port, const NetTimeouts& timeouts,
                            const StepCallback& step) {
    PeerSendResult result;
    TcpConnection connection;
    if (!connectTo(connection, host, port, timeouts, step, kServerTexts, result))
        return result;
    if (step)
        step(text::gbk("正在验证用户名与密码"));
    connection.close();
    result.ok = true;
    return result;
}

bool PeerReceipt::refusedStatus(NetStatus s) {
    return s == NetStatus::timedOut || s == NetStatus::tooLarge || s == NetStatus::tooManyEntries ||
           s == NetStatus::overBudget || s == NetStatus::cancelled;
}

PeerReceipt readPeerTransfer(TcpConnection& connection, int recordWidth, std::uint64_t maxBytes,
                             const std::atomic<bool>* stop, const TransferLimits& limits,
                             ConnectionWatch* watch) {
    PeerReceipt receipt;
    receipt.recordWidth = recordWidth;
    receipt.entries = ReceivedEntries(recordWidth);
    receipt.peer = connection.peerName();
    MemoryCharge charge(limits.shared);
    RecordScanner scanner(recordWidth);
    ReceivedEntries& entries = receipt.entries;
    const NetTimeouts& timeouts = connection.timeouts();
    const auto start = Clock::now();
    std::uint64_t received = 0;
    std::uint64_t completeBytes = 0;
    std::uint64_t cost = 0;  // what the complete records will take in a tree
    NetStatus end = NetStatus::ok;
    // Where the bytes arrive before they become entries; paid for once data comes.
    std::unique_ptr<char[]> buffer;
    constexpr size_t kBufferSize = kSocketBuffer;

    // A string that cannot fit is refused as soon as its length is read, before its bytes
    // come: a prefix claiming 1 GiB costs nothing.
    auto onLength = [&](std::uint64_t stringEnd) {
        if (stringEnd > maxBytes ||
            cost + TransferLimits::entryCost(stringEnd - completeBytes) > limits.maxMemory) {
            end = NetStatus::tooLarge;
            return false;
        }
        entries.beginString(scanner.stringWide());
        return true;
    };
    auto onBytes = [&](const char* data, size_t size) {
        if (entries.addBytes(data, size, charge))
            return true;
        end = NetStatus::overBudget;
        return false;
    };
    auto onString = [&] {
        if (entries.endString(charge))
            return true;
        end = NetStatus::overBudget;
        return false;
    };
    // Checked as each record completes: the one that would pass a limit ends the transfer.
    auto onRecord = [&](std::uint64_t recordEnd) {
        const std::uint64_t recordCost = TransferLimits::entryCost(recordEnd - completeBytes);
        if (receipt.records >= limits.maxEntries) {
            end = NetStatus::tooManyEntries;
            return false;
        }
        if (cost + recordCost > limits.maxMemory) {
            end = NetStatus::tooLarge;
            return false;
        }
        // Its text is paid for already; its place in the list and the tree entry it becomes
        // come on top.
        if (!charge.add(recordCost + ReceivedEntries::kSlotBytes)) {
            end = NetStatus::overBudget;
            return false;
        }
        entries.endRecord();
        cost += recordCost;
        ++receipt.records;
        completeBytes = recordEnd;
        return true;
    };
    auto interrupted = [&] {
        if (stop && stop->load()) {
            end = NetStatus::cancelled;
            return true;
        }
        if (watch && watch->evict.load()) {
            end = NetStatus::timedOut;
            return true;
        }
        return false;
    };
    // Waits for input in short steps, so that a stop or an eviction ends the wait soon even
    // while the sender is silent. The read time-out bounds each wait, the time the announced
    // bytes allow the whole transfer.
    auto waitForData = [&] {
        const auto now = Clock::now();
        auto deadline = Clock::time_point::max();
        if (timeouts.readMs > 0)
            deadline = now + std::chrono::milliseconds(timeouts.readMs);
        if (const long long whole = timeouts.peerMs(scanner.announced()); whole > 0)
            deadline = std::min(deadline, start + std::chrono::milliseconds(whole));
        for (;;) {
            if (interrupted())
                return false;
            long long left = kStopCheckMs;
            if (deadline != Clock::time_point::max()) {
                left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                        .count();
            }
            if (left <= 0) {
                end = NetStatus::timedOut;
                return false;
            }
            if (connection.waitForInput(static_cast<int>(std::min<long long>(left, kStopCheckMs))))
                return true;
        }
    };

    while (end == NetStatus::ok) {
        if (!waitForData())
            break;
        if (received >= maxBytes) {
            end = NetStatus::tooLarge;
            break;
        }
        if (!buffer) {
            if (!charge.add(kBufferSize)) {
                end = NetStatus::overBudget;
                break;
            }
            buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
        }
        const size_t room =
            static_cast<size_t>(std::min<std::uint64_t>(kBufferSize, maxBytes - received));
        size_t got = 0;
        const NetStatus s = connection.receive(buffer.get(), room, got);
        if (s != NetStatus::ok) {
            end = s == NetStatus::timedOut ? NetStatus::timedOut
                                           : (s == NetStatus::closed ? NetStatus::closed : s);
            break;
        }
        received += got;
        if (watch)
            watch->lastActivityMs = nowMs();
        // The records become entries here, once: nothing reads these bytes again.
        scanner.scan(buffer.get(), got, onLength, onRecord, onBytes, onString);
    }
    if (buffer) {
        buffer.reset();
        charge.set(charge.bytes() - kBufferSize);
    }
    receipt.recordsSeen = receipt.records;
    if (PeerReceipt::refusedStatus(end)) {
        // Nothing of it is kept: the sender hears a reset, and a second try brings no
        // duplicates.
        receipt.status = end;
        receipt.records = 0;
        receipt.entries.clear();
        return receipt;  // the charge goes with `charge`
    }
    // The sender's close is the normal end, unless it came inside a record.
    receipt.status = end == NetStatus::closed && received == completeBytes ? NetStatus::ok : end;
    entries.dropUnfinished(charge);
    receipt.treeCost = cost;
    receipt.charge = std::move(charge);
    return receipt;
}

EntriesAdded applyReceipt(BookmarkTree& tree, const PeerReceipt& receipt) {
    return receipt.entries.appendTo(tree);
}

std::uint64_t estimatedTreeCost(const BookmarkTree& tree) {
    std::uint64_t cost = 0;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int) {
        RecordRef record = tree.LookupRecord(item);
        cost += TransferLimits::entryCost(tree.label(item).size() + record->address.size() +
                                          record->tag.size());
    });
    return cost;
}

PeerListener::PeerListener(int targetTreeKind, const NetTimeouts& timeouts)
    : targetTreeKind_(targetTreeKind), timeouts_(timeouts) {}

bool PeerListener::open(int port, const std::string& bindAddress) {
    statusText_.clear();
    if (listener_.listen(port, bindAddress, SOMAXCONN) == NetStatus::ok)
        return true;
    statusText_ = text::gbk("创建端口失败！\r\n\r\n请确认端口") + std::to_string(port) +
                  text::gbk("是否已被其它程序占用,\r\n你可以修改端口号来重新监听");
    return false;
}

void PeerListener::setSharedMemoryLimit(std::uint64_t bytes) {
    const std::uint64_t tree = treeCharge_.bytes();
    treeCharge_.clear();
    budget_ = std::make_shared<MemoryBudget>(bytes);
    treeCharge_ = MemoryCharge(budget_);
    treeCharge_.set(tree);
}

void PeerListener::keepInTree(PeerReceipt& receipt) {
    receipt.charge.moveTo(treeCharge_, receipt.treeCost);
    receipt.treeCost = 0;
}

bool PeerListener::receiveOne(PeerReceipt& receipt, int waitMs) {
    TcpConnection connection;
    if (listener_.accept(connection, waitMs, timeouts_) != NetStatus::ok)
        return false;
    TransferLimits limits = limits_;
    limits.shared = budget_;
    receipt = readPeerTransfer(connection, recordWidth(targetTreeKind_), maxTransferSize_, nullptr,
                               limits);
    if (receipt.refused())
        refuse(connection);
    return true;
}

void PeerListener::run(const ReceiptHandler& onReceipt, int count, const std::atomic<bool>* stop) {
    // Each connection is read on its own thread, so a slow sender keeps nobody out; the
    // transfers are handed over here, one at a time, in the order they were complete. A
    // connection is closed only after its handler said its records are safe: that close is
    // what tells the sender it arrived.
    struct Arrival {
        PeerReceipt receipt;
        TcpConnection connection;
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<ConnectionWatch> watch;
        std::string address;
        std::shared_ptr<std::atomic<bool>> done;
    };
    struct Waiting {
        TcpConnection connection;
        std::string address;
        // The connection pushed out to make room for this one; asked again once it is gone
        // and the room went to another.
        std::weak_ptr<ConnectionWatch> evicted;
    };
    std::mutex mutex;
    std::deque<Arrival> arrived;
    std::vector<Worker> workers;
    std::deque<Waiting> waiting;
    std::map<std::string, int> perAddress;
    std::atomic<bool> cancel{false};
    int accepted = 0;
    int handed = 0;
    const int width = recordWidth(targetTreeKind_);
    TransferLimits limits = limits_;
    limits.shared = budget_;

    auto handOver = [&](Arrival& a) {
        ++handed;
        const bool taken = onReceipt(a.receipt) && !a.receipt.refused();
        if (taken)
            a.connection.close();
        else
            refuse(a.connection);
    };
    auto joinFinished = [&](bool all) {
        for (auto it = workers.begin(); it != workers.end();) {
            if (all || it->done->load()) {
                it->thread.join();
                if (--perAddress[it->address] == 0)
                    perAddress.erase(it->address);
                it = workers.erase(it);
            } else {
                ++it;
            }
        }
    };
    // The connection that has gone longest without data, if that is longer than the idle
    // limit: it makes room for a newcomer. `address` empty: from any peer.
    auto evictIdlest = [&](const std::string& address) -> std::weak_ptr<ConnectionWatch> {
        const std::int64_t now = nowMs();
        Worker* idlest = nullptr;
        for (Worker& w : workers) {
            if (w.done->load() || w.watch->evict.load() ||
                (!address.empty() && w.address != address))
                continue;
            const std::int64_t idle = now - w.watch->lastActivityMs.load();
            if (idle >= idleEvictionMs_ &&
                (!idlest || w.watch->lastActivityMs.load() < idlest->watch->lastActivityMs.load()))
                idlest = &w;
        }
        if (!idlest)
            return {};
        idlest->watch->evict = true;
        return idlest->watch;
    };
    auto startReading = [&](Waiting& w) {
        auto watch = std::make_shared<ConnectionWatch>();
        watch->lastActivityMs = nowMs();
        auto done = std::make_shared<std::atomic<bool>>(false);
        ++perAddress[w.address];
        std::thread reader([&, watch, done, c = std::move(w.connection)]() mutable {
            PeerReceipt receipt =
                readPeerTransfer(c, width, maxTransferSize_, &cancel, limits, watch.get());
            {
                std::lock_guard<std::mutex> guard(mutex);
                arrived.push_back({std::move(receipt), std::move(c)});
            }
            done->store(true);
        });
        workers.push_back({std::move(reader), watch, w.address, done});
    };
    // Starts the waiting connections there is room for, in the order they came; one that
    // finds no room may push out an idle connection (of its own address when that is full).
    auto startWaiting = [&] {
        for (auto it = waiting.begin(); it != waiting.end();) {
            const bool addressFull = perAddress[it->address] >= kMaxConnectionsPerAddress;
            const bool full = static_cast<int>(workers.size()) >= kMaxConnections;
            if (!addressFull && !full) {
                startReading(*it);
                it = waiting.erase(it);
                continue;
            }
            if (it->evicted.expired())
                it->evicted = evictIdlest(addressFull ? it->address : std::string());
            ++it;
        }
    };

    for (;;) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!arrived.empty() && listener_.isOpen() && (count <= 0 || handed < count)) {
            Arrival a = std::move(arrived.front());
            arrived.pop_front();
            lock.unlock();
            handOver(a);
            lock.lock();
        }
        lock.unlock();
        joinFinished(false);
        if ((count > 0 && handed >= count) || !listener_.isOpen() || (stop && stop->load()))
            break;
        startWaiting();
        // Short waits while connections are read, so a finished one is handed over soon.
        const int waitMs = workers.empty() ? 50 : 5;
        if ((count > 0 && accepted >= count) || waiting.size() >= kMaxWaiting) {
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
            continue;
        }
        TcpConnection connection;
        NetStatus s = listener_.accept(connection, waitMs, timeouts_);
        if (s == NetStatus::timedOut)
            continue;
        if (s != NetStatus::ok) {
            // Accepting failed (out of descriptors, say): still listening; try again soon.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        ++accepted;
        std::string address = peerAddress(connection.fd());
        waiting.push_back({std::move(connection), std::move(address), {}});
    }
    // Asked to stop, or closed by the caller: the connections still being read end soon;
    // what was complete before is still handed over while the listener is open, everything
    // else is refused.
    const bool handOverRest = listener_.isOpen();
    cancel = true;
    joinFinished(true);
    for (Arrival& a : arrived) {
        if (handOverRest && (count <= 0 || handed < count))
            handOver(a);
        else
            refuse(a.connection);
    }
    for (Waiting& w : waiting)
        refuse(w.connection);
}

}  // namespace brivanta::net
