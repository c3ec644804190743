#include "gui/health/LinkCheckRun.h"

namespace brivanta {

LinkCheckRun::LinkCheckRun(std::vector<std::string> addresses, net::LinkCheckOptions options,
                           QObject* parent)
    : QObject(parent), addresses_(std::move(addresses)), options_(std::move(options)) {
    options_.cancel = &cancel_;
}

LinkCheckRun::~LinkCheckRun() {
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
}

void LinkCheckRun::start() {
    if (running_ || thread_.joinable())
        return;
    running_ = true;
    thread_ = std::thread([this] { work(); });
}

void LinkCheckRun::cancel() {
    cancel_ = true;
}

void LinkCheckRun::work() {
    size_t next = 0;
    net::LinkChecker checker(options_);
    std::string failure;
    const bool ran = checker.run(
        [&](net::LinkJob& job) {
            if (next == addresses_.size())
                return false;
            job.address = addresses_[next];
            job.tag = next++;
            return true;
        },
        [&](const net::LinkJob& job, const net::LinkOutcome& outcome) {
            // Queued to this object: dropped unread when the window has gone meanwhile.
            QMetaObject::invokeMethod(
                this, [this, address = job.address, outcome] { emit checked(address, outcome); },
                Qt::QueuedConnection);
        },
        failure);
    const bool cancelled = cancel_.load();
    QString why = ran ? QString() : QString::fromStdString(failure);
    QMetaObject::invokeMethod(
        this,
        [this, cancelled, why] {
            if (thread_.joinable())
                thread_.join();
            running_ = false;
            emit finished(cancelled, why);
        },
        Qt::QueuedConnection);
}

}  // namespace brivanta
