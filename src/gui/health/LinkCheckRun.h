#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/net/LinkChecker.h"

namespace brivanta {

// One link check on a thread of its own, so the window keeps repainting and its 取消 is heard.
// Results come back on the thread that started the run, one signal per link. The addresses
// are copied in: the tree may change while the check runs.
class LinkCheckRun : public QObject {
    Q_OBJECT
  public:
    LinkCheckRun(std::vector<std::string> addresses, net::LinkCheckOptions options,
                 QObject* parent = nullptr);
    // Cancels a run still going and waits for its thread.
    ~LinkCheckRun() override;

    void start();
    // Asks the check to stop; finished(true) follows within a fraction of a second.
    void cancel();
    bool isRunning() const { return running_; }
    size_t total() const { return addresses_.size(); }

  signals:
    void checked(const std::string& address, const brivanta::net::LinkOutcome& outcome);
    // The check ended: all done, cancelled, or not started (`failure` says why, UTF-8).
    void finished(bool cancelled, const QString& failure);

  private:
    void work();

    std::vector<std::string> addresses_;
    net::LinkCheckOptions options_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    std::thread thread_;
};

}  // namespace brivanta
