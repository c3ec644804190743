#include "gui/net/PeerListenService.h"

#include <QCoreApplication>

#include "gui/net/NetworkTaskRunner.h"

namespace brivanta {

PeerListenService::PeerListenService(QObject* parent)
    : QObject(parent), apply_([](BookmarkTree& tree, const net::PeerReceipt& receipt) {
          return net::applyReceipt(tree, receipt);
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
    listener_ = std::move(listener);
    stop_ = false;
    thread_ = std::thread([this] {
        // The listener closes each connection once its transfer is handed over here; queued,
        // so a sender in this same program (which waits for that close) cannot stall it.
        listener_->run(
            [this](net::PeerReceipt&& receipt) {
                QMetaObject::invokeMethod(
                    this, [this, r = std::move(receipt)]() mutable { deliver(std::move(r)); },
                    Qt::QueuedConnection);
            },
            0, &stop_);
    });
    return true;
}

void PeerListenService::stop() {
    if (!listener_)
        return;
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    listener_->close();
    listener_.reset();
    // What arrived before the stop still belongs to the tree it was meant for.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    applyPending();
    target_ = nullptr;
}

int PeerListenService::port() const {
    return listener_ ? listener_->port() : 0;
}

void PeerListenService::setApply(Apply apply) {
    apply_ = std::move(apply);
}

void PeerListenService::deliver(net::PeerReceipt receipt) {
    if (!target_ || receipt.records == 0)
        return;
    pending_.push_back(std::move(receipt));
    applyPending();
}

void PeerListenService::applyPending() {
    if (NetworkTaskRunner::instance().isRunning() || !target_)
        return;
    while (!pending_.empty()) {
        net::PeerReceipt receipt = std::move(pending_.front());
        pending_.pop_front();
        size_t added = apply_(*target_, receipt);
        emit received(static_cast<int>(added));
    }
}

}  // namespace brivanta
