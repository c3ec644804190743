// How long a receive takes against a POP3 server that claims 2^31 mails and answers every
// RETR with a tiny mail: it ends at the mails-per-connection limit. The server is played on
// 127.0.0.1 in a thread, answering as fast as it can, so the figure is the client's cost of
// one round trip per mail, times the limit.
//
//   build/bench/mail_count_bench

#include <benchmark/benchmark.h>

#include <thread>

#include "core/net/MailboxTransfer.h"
#include "core/net/ReplyReader.h"
#include "core/net/TcpListener.h"

using namespace brivanta;

namespace {

// Serves one connection: every RETR gets a mail of one short body line.
void claimTwoBillionMails(net::TcpListener& listener) {
    net::TcpConnection connection;
    if (listener.accept(connection, 10000) != net::NetStatus::ok)
        return;
    net::ReplyReader reader(connection);
    connection.sendAll("+OK ready\r\n");
    for (std::string line; reader.readLine(line) == net::NetStatus::ok;) {
        if (line.starts_with("STAT")) {
            connection.sendAll("+OK 2147483648 0\r\n");
        } else if (line.starts_with("RETR")) {
            connection.sendAll("+OK\r\n\r\nx\r\n.\r\n");
        } else if (line.starts_with("QUIT")) {
            connection.sendAll("+OK bye\r\n");
            return;
        } else {
            connection.sendAll("+OK\r\n");
        }
    }
}

void BM_ReceiveFromABoxClaimingTwoBillionMails(benchmark::State& state) {
    int fetched = 0;
    for (auto _ : state) {
        net::TcpListener listener;
        if (listener.listen(0, "127.0.0.1") != net::NetStatus::ok) {
            state.SkipWithError("cannot listen on 127.0.0.1");
            break;
        }
        std::thread server([&] { claimTwoBillionMails(listener); });
        fetched = 0;
        net::MailResult result = net::receiveEnvelopes(
            "127.0.0.1", listener.port(), "u", "p", net::kAllSections, [](net::Envelope&&) {}, {},
            [&](const std::string&) { ++fetched; });
        server.join();
        if (result.statusText != net::mailLimitText(0x7fffffff, net::kMaxMailsPerConnection)) {
            state.SkipWithError("the receive did not end at the mail limit");
            break;
        }
    }
    // Captions: connect, list, one per mail, disconnect.
    state.counters["mails"] = fetched - 3;
}
BENCHMARK(BM_ReceiveFromABoxClaimingTwoBillionMails)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
