#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/net/PeerTransfer.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// The program's listening port: transfers from other copies are read on a thread of their
// own and added to the target tree on the GUI thread. Nothing is saved here, but a sender
// hears that its transfer arrived only once it is in the tree: a transfer the GUI thread
// could not take within kApplyWaitMs (or that came as listening stopped) is refused, and
// then never added later.
class PeerListenService : public QObject {
    Q_OBJECT
  public:
    // Adds one received transfer to the target tree; returns the entries added.
    using Apply = std::function<size_t(BookmarkTree& target, const net::PeerReceipt& receipt)>;

    explicit PeerListenService(QObject* parent = nullptr);
    ~PeerListenService() override;

    // Listens on `port` (0 picks one) on every local address, reading into `target`, which
    // stays the target until listening stops. False, with statusText() saying which port,
    // when the port cannot be taken.
    bool start(BookmarkTree& target, int port);
    void stop();
    bool isListening() const { return listener_ != nullptr; }
    int port() const;
    BookmarkTree* targetTree() const { return target_; }
    const std::string& statusText() const { return statusText_; }

    // Where a received transfer meets the tree (net::applyReceipt unless replaced), so a
    // caller can wrap it (to make it undoable, say).
    void setApply(Apply apply);

    // How long a received transfer may wait for the GUI thread; a sender waits 30 s for the
    // verdict.
    static constexpr int kApplyWaitMs = 10000;
    void setApplyWaitMs(int ms) { applyWaitMs_ = ms; }

  signals:
    // On the GUI thread, after a transfer was added to the target tree.
    void received(int entries);

  private:
    // One received transfer on its way from the listener's thread to the tree.
    struct Delivery {
        enum class State { waiting, applied, abandoned };
        std::mutex mutex;
        std::condition_variable done;
        State state = State::waiting;
        net::PeerReceipt* receipt = nullptr;  // the listener's, valid while waiting
    };
    bool handOver(net::PeerReceipt& receipt);
    void deliver(const std::shared_ptr<Delivery>& delivery);
    void applyPending();

    std::unique_ptr<net::PeerListener> listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    BookmarkTree* target_ = nullptr;
    Apply apply_;
    // Transfers that came while a network operation read the trees; added when it ends.
    std::deque<std::shared_ptr<Delivery>> pending_;
    std::string statusText_;
    int applyWaitMs_ = kApplyWaitMs;
};

}  // namespace brivanta
