#include "gui/platform/TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace brivanta {

namespace {

// The handler may only write to a descriptor; the event loop reads the other end.
int gWriteEnd = -1;
int gReadEnd = -1;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(number);
    if (gWriteEnd >= 0)
        (void)!::write(gWriteEnd, &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int ends[2];
    if (gWriteEnd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    gWriteEnd = ends[0];
    gReadEnd = ends[1];
    notifier_ = new QSocketNotifier(gReadEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (int number : kSignals)
        std::signal(number, SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
    ::close(gWriteEnd);
    ::close(gReadEnd);
    gWriteEnd = gReadEnd = -1;
}

void TerminationSignals::onReadable() {
    unsigned char byte = 0;
    while (::read(gReadEnd, &byte, 1) == 1)
        emit terminationRequested(byte);
}

}  // namespace brivanta
