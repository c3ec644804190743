#include "gui/net/PeerListenService.h"

#include <QCoreApplication>
#include <chrono>

#include "gui/net/NetworkTaskRunner.h"

namespace brivanta {

PeerListenService::PeerListenService(QObject* parent)
    : QObject(parent), apply_([](BookmarkTree& tree, const net::PeerReceipt& receipt) {
          return net::applyReceipt(tree, receipt).count;
      }) {
    connect(&NetworkTaskRunner::instance(), &NetworkTaskRunner::idle, this,
            &PeerListenService::applyPending);
}

PeerListenService::~PeerListenService() {
    // The trees may already be going: whatever is still queued is dropped.
    pending_.clear();
    target_ = nullptr;
    stop();
}

bool PeerListenService::start(BookmarkTree& target, int port) {
    stop();
    auto listener = std::make_unique<net::PeerListener>(target.treeKind());
    if (!listener->open(port)) {
        statusText_ = listener->statusText();
        return false;
    }
    statusText_.clear();
    target_ = &target;
    // The tree counts against the listener's memory budget, with all it receives.
    listener->setTreeCost(net::estimatedTreeCost(target));
    listener_ = std::move(listener);
    stop_ = false;
    thread_ = std::thread([this] {
        listener_->run([this](net::PeerReceipt& receipt) { return handOver(receipt); }, 0, &stop_);
    });
    return true;
}

void PeerListenService::stop() {
    if (!listener_)
        return;
    // What arrived before the stop still goes into the tree it was meant for; what is still
    // on its way is refused.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    applyPending();
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    listener_->close();
    listener_.reset();
    pending_.clear();
    target_ = nullptr;
}

int PeerListenService::port() const {
    return listener_ ? listener_->port() : 0;
}

void PeerListenService::setApply(Apply apply) {
    apply_ = std::move(apply);
}

bool PeerListenService::handOver(net::PeerReceipt& receipt) {
    // On the listener's thread. Nothing to add: nothing to wait for.
    if (receipt.refused())
        return false;
    if (receipt.records == 0)
        return true;
    auto delivery = std::make_shared<Delivery>();
    delivery->receipt = &receipt;
    QMetaObject::invokeMethod(
        this, [this, delivery] { deliver(delivery); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(delivery->mutex);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(applyWaitMs_);
    while (delivery->state == Delivery::State::waiting) {
        if (stop_ || std::chrono::steady_clock::now() >= until) {
            delivery->state = Delivery::State::abandoned;
            delivery->receipt = nullptr;
            return false;
        }
        delivery->done.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (delivery->state != Delivery::State::applied)
        return false;
    listener_->keepInTree(receipt);
    return true;
}

void PeerListenService::deliver(const std::shared_ptr<Delivery>& delivery) {
    if (!target_)
        return;
    pending_.push_back(delivery);
    applyPending();
}

void PeerListenService::applyPending() {
    // While a network operation reads the trees, a transfer waits (and its sender with it).
    if (NetworkTaskRunner::instance().treesInUse() || !target_)
        return;
    while (!pending_.empty()) {
        std::shared_ptr<Delivery> delivery = std::move(pending_.front());
        pending_.pop_front();
        size_t added = 0;
        {
            std::lock_guard<std::mutex> guard(delivery->mutex);
            // Given up by the listener: the sender was told it failed.
            if (delivery->state != Delivery::State::waiting)
                continue;
            added = apply_(*target_, *delivery->receipt);
            delivery->state = Delivery::State::applied;
        }
        delivery->done.notify_all();
        emit received(static_cast<int>(added));
    }
}

}  // namespace brivanta
