#include "core/net/PeerTransfer.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"

namespace brivanta::net {

namespace {

constexpr size_t kSocketBuffer = 64 * 1024;

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

// Reads a connection up to a byte limit and keeps a copy of every byte it hands out, so
// the complete records can be kept as they arrived.
class RecordingSource : public ByteSource {
  public:
    RecordingSource(TcpConnection& c, std::string& copy, std::uint64_t limit,
                    const std::atomic<bool>* stop, MemoryCharge& charge)
        : connection_(c),
          copy_(copy),
          limit_(limit),
          stop_(stop),
          charge_(charge),
          start_(std::chrono::steady_clock::now()) {}
    size_t read(char* buffer, size_t size) override {
        if (status_ != NetStatus::ok)
            return 0;
        if (copy_.size() >= limit_) {
            status_ = NetStatus::tooLarge;
            return 0;
        }
        if (!waitForData())
            return 0;
        size = static_cast<size_t>(std::min<std::uint64_t>(size, limit_ - copy_.size()));
        size_t got = 0;
        status_ = connection_.receive(buffer, size, got);
        if (status_ != NetStatus::ok)
            return 0;
        if (!charge_.add(got)) {
            status_ = NetStatus::overBudget;
            return 0;
        }
        copy_.append(buffer, got);
        return got;
    }
    bool failed() const override {
        return status_ != NetStatus::ok && status_ != NetStatus::closed;
    }
    NetStatus status() const { return status_; }

  private:
    // Waits for input in short steps, so that a stop request ends the wait soon even while
    // the sender is silent. The read time-out applies to each wait, the transfer time-out to
    // the whole connection.
    bool waitForData() {
        using Clock = std::chrono::steady_clock;
        const NetTimeouts& t = connection_.timeouts();
        const auto now = Clock::now();
        auto deadline = Clock::time_point::max();
        if (t.readMs > 0)
            deadline = now + std::chrono::milliseconds(t.readMs);
        if (t.transferMs > 0)
            deadline = std::min(deadline, start_ + std::chrono::milliseconds(t.transferMs));
        for (;;) {
            auto left =
                deadline == Clock::time_point::max()
                    ? kStopCheckMs
                    : std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                          .count();
            if (left <= 0) {
                status_ = NetStatus::timedOut;
                return false;
            }
            int step = static_cast<int>(std::min<long long>(left, stop_ ? kStopCheckMs : left));
            if (connection_.waitForInput(step))
                return true;
            if (stop_ && stop_->load()) {
                status_ = NetStatus::cancelled;
                return false;
            }
        }
    }

    static constexpr int kStopCheckMs = 200;
    TcpConnection& connection_;
    std::string& copy_;
    std::uint64_t limit_;
    const std::atomic<bool>* stop_;
    MemoryCharge& charge_;
    std::chrono::steady_clock::time_point start_;
    NetStatus status_ = NetStatus::ok;
};

// ok when the other side closes within the read time-out; what it sends meanwhile (it should
// send nothing) is read and dropped, up to a bound.
NetStatus waitForPeerClose(TcpConnection& connection) {
    using Clock = std::chrono::steady_clock;
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

PeerSendResult sendArchive(BookmarkTree& tree, ItemId branch, const std::string& host, int port,
                           const NetTimeouts& timeouts, const StepCallback& step,
                           const SendTexts& texts) {
    PeerSendResult result;
    TcpConnection connection;
    if (!connectTo(connection, host, port, timeouts, step, texts, result))
        return result;
    if (step)
        step(text::gbk(texts.sending));
    ConnectionSink sink(connection);
    {
        ArchiveWriter writer(sink, kSocketBuffer);
        SerializeTree(tree, writer, branch);
        writer.flush();
    }
    result.status = sink.status();
    if (result.status != NetStatus::ok) {
        result.statusText = addressText("向主机（地址:", host, port, "）发送数据时失败！");
        return result;
    }
    // Sent is not arrived: end our side and wait for the listener to close the connection,
    // which it does once it has the whole transfer. A reset or no close in time is a failure.
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

}  // namespace

PeerSendResult sendToPeer(BookmarkTree& tree, ItemId branch, const std::string& host, int port,
                          const NetTimeouts& timeouts, const StepCallback& step) {
    return sendArchive(tree, branch, host, port, timeouts, step, kPeerTexts);
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

PeerReceipt readPeerTransfer(TcpConnection& connection, int recordWidth, std::uint64_t maxBytes,
                             const std::atomic<bool>* stop, const TransferLimits& limits) {
    PeerReceipt receipt;
    receipt.recordWidth = recordWidth;
    receipt.peer = connection.peerName();
    MemoryCharge charge(limits.shared);
    RecordingSource source(connection, receipt.archive, maxBytes, stop, charge);
    ArchiveReader reader(source, kSocketBuffer);
    std::string scratch;
    std::uint64_t completeBytes = 0;
    std::uint64_t cost = 0;  // what the complete records will take in a tree
    NetStatus limitReached = NetStatus::ok;
    for (;;) {
        int i = 0;
        while (i < recordWidth && reader.readString(scratch))
            ++i;
        if (i < recordWidth)
            break;
        // Checked as each record completes: the one that would pass a limit is not kept.
        std::uint64_t recordCost = TransferLimits::entryCost(reader.bytesRead() - completeBytes);
        if (receipt.records >= limits.maxEntries) {
            limitReached = NetStatus::tooManyEntries;
            break;
        }
        if (cost + recordCost > limits.maxMemory) {
            limitReached = NetStatus::tooLarge;
            break;
        }
        // Its bytes are taken already; the tree entry it becomes comes on top.
        if (!charge.add(recordCost)) {
            limitReached = NetStatus::overBudget;
            break;
        }
        cost += recordCost;
        ++receipt.records;
        completeBytes = reader.bytesRead();
    }
    // The sender's close is the normal end; anything else ended the transfer early.
    receipt.status = source.status() == NetStatus::closed ? NetStatus::ok : source.status();
    receipt.charge = std::move(charge);
    if (limitReached != NetStatus::ok) {
        receipt.status = limitReached;
        receipt.archive.resize(static_cast<size_t>(completeBytes));
        return receipt;
    }
    if (receipt.status == NetStatus::ok && reader.bytesRead() != completeBytes) {
        receipt.status = NetStatus::closed;  // closed in the middle of a record
    }
    // No shrink_to_fit: near the size limit its copy would double the memory at its peak.
    receipt.archive.resize(static_cast<size_t>(completeBytes));
    return receipt;
}

size_t applyReceipt(BookmarkTree& tree, const PeerReceipt& receipt) {
    return addReceipt(tree, receipt).count;
}

EntriesAdded addReceipt(BookmarkTree& tree, const PeerReceipt& receipt) {
    const int before = tree.childCount(kNoItem);
    EntriesAdded added;
    {
        BookmarkTree::BulkUpdate bulk(tree);
        MemorySource source(receipt.archive);
        ArchiveReader reader(source, kSocketBuffer);
        added.count = SerializeTree(tree, reader, kNoItem);
    }
    // The records go at the end of the top level, so the new rows there are the new subtrees.
    added.roots = childrenFrom(tree, kNoItem, before);
    return added;
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
    budget_ = std::make_shared<MemoryBudget>(bytes);
}

bool PeerListener::receiveOne(PeerReceipt& receipt, int waitMs) {
    TcpConnection connection;
    if (listener_.accept(connection, waitMs, timeouts_) != NetStatus::ok)
        return false;
    TransferLimits limits = limits_;
    limits.shared = budget_;
    receipt = readPeerTransfer(connection, recordWidth(targetTreeKind_), maxTransferSize_, nullptr,
                               limits);
    return true;
}

void PeerListener::run(const std::function<void(PeerReceipt&&)>& onReceipt, int count,
                       const std::atomic<bool>* stop) {
    // Each connection is read on its own thread, so a slow sender keeps nobody out; the
    // transfers are handed over here, one at a time, in the order they were complete. A
    // connection is closed only after its transfer was handed over: that close is what tells
    // the sender it arrived.
    struct Arrival {
        PeerReceipt receipt;
        TcpConnection connection;
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Arrival> arrived;
    std::vector<Worker> workers;
    std::atomic<bool> cancel{false};
    int accepted = 0;
    int handed = 0;
    int inFlight = 0;
    const int width = recordWidth(targetTreeKind_);
    TransferLimits limits = limits_;
    limits.shared = budget_;

    auto joinFinished = [&](bool all) {
        for (auto it = workers.begin(); it != workers.end();) {
            if (all || it->done->load()) {
                it->thread.join();
                it = workers.erase(it);
            } else {
                ++it;
            }
        }
    };
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!arrived.empty() && listener_.isOpen() && (count <= 0 || handed < count)) {
            Arrival a = std::move(arrived.front());
            arrived.pop_front();
            lock.unlock();
            ++handed;
            onReceipt(std::move(a.receipt));
            a.connection.close();
            lock.lock();
        }
        const bool busy = inFlight >= kMaxConnections || (count > 0 && accepted >= count);
        lock.unlock();
        joinFinished(false);
        if ((count > 0 && handed >= count) || !listener_.isOpen() || (stop && stop->load()))
            break;
        if (busy) {
            lock.lock();
            wake.wait_for(lock, std::chrono::milliseconds(200),
                          [&] { return !arrived.empty() || inFlight < kMaxConnections; });
            continue;
        }
        TcpConnection connection;
        NetStatus s = listener_.accept(connection, 50, timeouts_);
        if (s == NetStatus::timedOut)
            continue;
        if (s != NetStatus::ok) {
            // Accepting failed (out of descriptors, say): still listening; try again soon.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        ++accepted;
        {
            std::lock_guard<std::mutex> guard(mutex);
            ++inFlight;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread reader([&, done, c = std::move(connection)]() mutable {
            PeerReceipt receipt = readPeerTransfer(c, width, maxTransferSize_, &cancel, limits);
            {
                std::lock_guard<std::mutex> guard(mutex);
                arrived.push_back({std::move(receipt), std::move(c)});
                --inFlight;
            }
            wake.notify_all();
            done->store(true);
        });
        workers.push_back({std::move(reader), done});
    }
    // Asked to stop: the connections still being read end soon and are handed over with
    // their complete records. Closed by the caller: they are refused.
    const bool handOver = listener_.isOpen();
    cancel = true;
    joinFinished(true);
    for (Arrival& a : arrived) {
        if (handOver && (count <= 0 || handed < count)) {
            ++handed;
            onReceipt(std::move(a.receipt));
            a.connection.close();
        } else {
            refuse(a.connection);
        }
    }
}

}  // namespace brivanta::net
