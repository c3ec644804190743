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

// Follows the length prefixes of an archive stream as its bytes arrive, without copying
// them: where each string and each record ends, and how far the string under way reaches.
class RecordScanner {
  public:
    explicit RecordScanner(int width) : width_(width) {}

    // Scans `size` more bytes. `onLength(end)` is told the stream offset where a string whose
    // length prefix was just read will end, `onRecord(end)` the offset after each complete
    // record; either stops the scan by returning false (and the scan returns false).
    template <typename OnLength, typename OnRecord>
    bool scan(const char* data, size_t size, OnLength&& onLength, OnRecord&& onRecord) {
        size_t i = 0;
        while (i < size) {
            if (remaining_ > 0) {
                const size_t n = static_cast<size_t>(std::min<std::uint64_t>(remaining_, size - i));
                i += n;
                position_ += n;
                remaining_ -= n;
                if (remaining_ == 0 && !endString(onRecord))
                    return false;
                continue;
            }
            prefix_[prefixSize_++] = static_cast<unsigned char>(data[i++]);
            ++position_;
            std::uint64_t length = 0;
            if (!decodePrefix(length))
                continue;
            remaining_ = wide_ ? length * 2 : length;
            wide_ = false;
            if (!onLength(position_ + remaining_))
                return false;
            if (remaining_ == 0 && !endString(onRecord))
                return false;
        }
        return true;
    }
    // Where the string under way ends (or the bytes scanned, between strings).
    std::uint64_t announced() const { return position_ + remaining_; }

  private:
    // True once the prefix bytes so far make a whole length (the forms ArchiveReader reads).
    bool decodePrefix(std::uint64_t& length) {
        const unsigned char* p = prefix_;
        if (p[0] < 0xFF) {
            length = p[0];
            prefixSize_ = 0;
            return true;
        }
        if (prefixSize_ < 3)
            return false;
        const std::uint32_t word = p[1] | (p[2] << 8);
        if (word < 0xFFFE) {
            length = word;
            prefixSize_ = 0;
            return true;
        }
        if (word == 0xFFFE) {  // a UTF-16 string: its own prefix follows
            wide_ = true;
            prefixSize_ = 0;
            return false;
        }
        if (prefixSize_ < 7)
            return false;
        length = static_cast<std::uint32_t>(p[3] | (p[4] << 8) | (p[5] << 16)) |
                 (static_cast<std::uint32_t>(p[6]) << 24);
        prefixSize_ = 0;
        return true;
    }
    template <typename OnRecord>
    bool endString(OnRecord&& onRecord) {
        if (++strings_ < width_)
            return true;
        strings_ = 0;
        return onRecord(position_);
    }

    int width_;
    int strings_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t remaining_ = 0;
    unsigned char prefix_[8] = {};
    int prefixSize_ = 0;
    bool wide_ = false;
};

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
    receipt.peer = connection.peerName();
    MemoryCharge charge(limits.shared);
    RecordScanner scanner(recordWidth);
    ReceivedBytes& bytes = receipt.archive;
    const NetTimeouts& timeouts = connection.timeouts();
    const auto start = Clock::now();
    std::uint64_t completeBytes = 0;
    std::uint64_t cost = 0;  // what the complete records will take in a tree
    NetStatus end = NetStatus::ok;

    // A string that cannot fit is refused as soon as its length is read, before its bytes
    // come: a prefix claiming 1 GiB costs nothing.
    auto onLength = [&](std::uint64_t stringEnd) {
        if (stringEnd > maxBytes ||
            cost + TransferLimits::entryCost(stringEnd - completeBytes) > limits.maxMemory) {
            end = NetStatus::tooLarge;
            return false;
        }
        return true;
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
        // Its bytes are taken already; the tree entry it becomes comes on top.
        if (!charge.add(recordCost)) {
            end = NetStatus::overBudget;
            return false;
        }
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
        if (bytes.size() >= maxBytes) {
            end = NetStatus::tooLarge;
            break;
        }
        size_t room = 0;
        char* into = bytes.room(static_cast<size_t>(std::min<std::uint64_t>(
                                    kSocketBuffer * 4, maxBytes - bytes.size())),
                                room, charge);
        if (!into) {
            end = NetStatus::overBudget;
            break;
        }
        size_t got = 0;
        const NetStatus s = connection.receive(into, room, got);
        if (s != NetStatus::ok) {
            end = s == NetStatus::timedOut ? NetStatus::timedOut
                                           : (s == NetStatus::closed ? NetStatus::closed : s);
            break;
        }
        bytes.commit(got);
        if (watch)
            watch->lastActivityMs = nowMs();
        scanner.scan(into, got, onLength, onRecord);
    }
    receipt.recordsSeen = receipt.records;
    if (PeerReceipt::refusedStatus(end)) {
        // Nothing of it is kept: the sender hears a reset, and a second try brings no
        // duplicates.
        receipt.status = end;
        receipt.records = 0;
        receipt.archive.clear();
        return receipt;  // the charge goes with `charge`
    }
    // The sender's close is the normal end, unless it came inside a record.
    receipt.status =
        end == NetStatus::closed && bytes.size() == completeBytes ? NetStatus::ok : end;
    bytes.truncate(completeBytes);
    receipt.treeCost = cost;
    receipt.charge = std::move(charge);
    return receipt;
}

size_t applyReceipt(BookmarkTree& tree, const PeerReceipt& receipt, ImportBudget* budget) {
    return addReceipt(tree, receipt, budget).count;
}

EntriesAdded addReceipt(BookmarkTree& tree, const PeerReceipt& receipt, ImportBudget* budget) {
    const int before = tree.childCount(kNoItem);
    EntriesAdded added;
    {
        BookmarkTree::BulkUpdate bulk(tree);
        ReceivedBytes::Source source(receipt.archive);
        ArchiveReader reader(source, kSocketBuffer);
        added.count = SerializeTree(tree, reader, kNoItem, {}, budget);
    }
    // The records go at the end of the top level, so the new rows there are the new subtrees.
    added.roots = childrenFrom(tree, kNoItem, before);
    return added;
}

int receiptDepth(const PeerReceipt& receipt, int limit) {
    // Only the first bytes of each label are looked at (its leading blanks, then "->" or the
    // bars); everything else is skipped, so a large transfer costs one pass over its blocks.
    enum class Head { blanks, dash, bars, done };
    const int width = std::max(receipt.recordWidth, 1);
    long long level = 0;
    long long deepest = 0;
    int strings = 0;  // complete strings of the record under way
    bool inString = false;
    std::uint64_t remaining = 0;
    unsigned char prefix[7] = {};
    int prefixSize = 0;
    Head head = Head::done;
    long long bars = 0;
    // The depth moves as SerializeTree moves it: one level down for "->", up one per bar, a
    // plain first record at the top, and never above the top.
    auto place = [&](Head how) {
        if (how == Head::dash)
            ++level;
        else if (how == Head::bars)
            level -= bars;
        else if (level == 0)
            level = 1;
        level = std::max(level, 1LL);
        deepest = std::max(deepest, level);
        head = Head::done;
    };
    auto endString = [&] {
        if (strings == 0 && head != Head::done)
            place(head == Head::bars ? Head::bars : Head::blanks);
        inString = false;
        if (++strings == width)
            strings = 0;
    };
    ReceivedBytes::Source source(receipt.archive);
    for (std::string_view block; !(block = source.next()).empty();) {
        const char* buffer = block.data();
        const size_t n = block.size();
        for (size_t i = 0; i < n;) {
            if (inString) {
                if (head == Head::done) {
                    const size_t skip =
                        static_cast<size_t>(std::min<std::uint64_t>(remaining, n - i));
                    i += skip;
                    remaining -= skip;
                } else {
                    const char c = buffer[i++];
                    --remaining;
                    if (head == Head::blanks && text::isSpace(c)) {
                        // still before the prefix
                    } else if (head == Head::blanks && (c == '-' || c == '|')) {
                        head = c == '-' ? Head::dash : Head::bars;
                        bars = c == '|' ? 1 : 0;
                    } else if (head == Head::bars && c == '|') {
                        ++bars;
                    } else if (head == Head::dash && c == '>') {
                        place(Head::dash);
                    } else {
                        place(head == Head::bars ? Head::bars : Head::blanks);
                    }
                }
                if (remaining == 0)
                    endString();
                if (deepest > limit)
                    return limit + 1;
                continue;
            }
            prefix[prefixSize++] = static_cast<unsigned char>(buffer[i++]);
            std::uint64_t length = 0;
            const unsigned word =
                prefixSize >= 3 ? static_cast<unsigned>(prefix[1] | (prefix[2] << 8)) : 0;
            if (prefix[0] < 0xFF) {
                length = prefix[0];
            } else if (prefixSize < 3 || (word == 0xFFFF && prefixSize < 7)) {
                continue;  // the rest of the length is still to come
            } else if (word < 0xFFFE) {
                length = word;
            } else if (word == 0xFFFE) {
                return limit + 1;
            } else {
                length =
                    static_cast<std::uint32_t>(prefix[3] | (prefix[4] << 8) | (prefix[5] << 16)) |
                    (static_cast<std::uint32_t>(prefix[6]) << 24);
            }
            prefixSize = 0;
            inString = true;
            remaining = length;
            if (strings == 0) {
                head = Head::blanks;
                bars = 0;
            }
            if (remaining == 0)
                endString();
            if (deepest > limit)
                return limit + 1;
        }
    }
    return static_cast<int>(deepest);
}

bool writeReceiptForAppend(const PeerReceipt& receipt, int lastDepth, ByteSink& out) {
    if (receipt.records == 0)
        return true;
    char head[3] = {};
    ReceivedBytes::Source peek(receipt.archive);
    if (peek.read(head, sizeof head) == 3 && head[0] == '\xFF' && head[1] == '\xFE' &&
        head[2] == '\xFF')
        return false;
    // The first label as the reader takes it: trimmed, then its depth prefix dropped.
    ReceivedBytes::Source first(receipt.archive);
    ArchiveReader reader(first, 512);
    std::string label;
    if (!reader.readString(label))
        return false;
    const std::uint64_t rest = reader.bytesRead();
    std::string_view name = text::trimLeft(label);
    if (name.starts_with("->")) {
        name.remove_prefix(2);
    } else {
        while (name.starts_with('|'))
            name.remove_prefix(1);
    }
    if (text::trimLeft(name).size() != name.size() || name.starts_with('|') ||
        name.starts_with("->"))
        return false;
    {
        ArchiveWriter writer(out, 512);
        writer.writeString(std::string(static_cast<size_t>(lastDepth), '|') + std::string(name));
        if (!writer.flush())
            return false;
    }
    ReceivedBytes::Source source(receipt.archive);
    std::vector<char> buffer(1 << 18);
    std::uint64_t skipped = 0;
    while (skipped < rest) {
        const size_t n = source.read(buffer.data(), static_cast<size_t>(std::min<std::uint64_t>(
                                                        rest - skipped, buffer.size())));
        if (n == 0)
            return false;
        skipped += n;
    }
    for (size_t n; (n = source.read(buffer.data(), buffer.size())) > 0;) {
        if (!out.write(buffer.data(), n))
            return false;
    }
    return true;
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
