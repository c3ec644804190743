// Network benchmarks. The envelope and peer figures need nothing else; the POP3 figures
// need the local servers (scripts/mail-servers start) and compare the program's client with
// curl and with Python's poplib fetching the same mails in the same run.
//
//   scripts/mail-servers start
//   build-net/bench/network_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "core/formats/TreeArchive.h"
#include "core/net/CSMTP.h"
#include "core/net/PeerTransfer.h"
#include "core/net/Pop3Receiver.h"
#include "core/net/ReplyReader.h"
#include "core/net/TransferEnvelope.h"
#include "core/text/Encoding.h"

using namespace brivanta;

namespace {

// 1,000 folders of 999 links each: 1,000,000 entries.
BookmarkTree& millionTree() {
    static std::unique_ptr<BookmarkTree> tree = [] {
        auto t = std::make_unique<BookmarkTree>(kCustomTree);
        const std::string folderName = text::gbk("文件夹 ");
        const std::string linkName = text::gbk("链接 ");
        int n = 0;
        for (int f = 0; f < 1000; ++f) {
            ItemId folder = t->InsertNode({folderName + std::to_string(f), "", ""});
            for (int i = 0; i < 999; ++i, ++n) {
                t->InsertNode({linkName + std::to_string(n),
                               "http://www.example.com/page/" + std::to_string(n) + ".html", ""},
                              folder);
            }
        }
        return t;
    }();
    return *tree;
}

void BM_EnvelopeBuild1M(benchmark::State& state) {
    BookmarkTree& tree = millionTree();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string body = net::buildEnvelope(tree);
        bytes = body.size();
        benchmark::DoNotOptimize(body.data());
    }
    state.counters["entries"] = static_cast<double>(tree.size());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_EnvelopeBuild1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Reading: the body to its data lines, and the lines into a fresh tree.
void BM_EnvelopeRead1M(benchmark::State& state) {
    const std::string body = net::buildEnvelope(millionTree());
    size_t added = 0;
    for (auto _ : state) {
        auto target = std::make_unique<BookmarkTree>(kCustomTree);
        auto envelope = net::readEnvelope(body);
        added = net::loadEnvelope(*target, *envelope);
        state.PauseTiming();
        target.reset();
        envelope.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = static_cast<double>(added);
}
BENCHMARK(BM_EnvelopeRead1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// From the sender's connect to the receiver's saved file, over loopback, in one process: the
// listener's run() saves in its handler before it answers the sender.
void BM_PeerTransfer1M(benchmark::State& state) {
    BookmarkTree& tree = millionTree();
    const std::string path =
        (std::filesystem::temp_directory_path() / "brivanta-bench-peer.bvk").string();
    size_t added = 0;
    for (auto _ : state) {
        net::PeerListener listener(kCustomTree);
        if (!listener.open(0, "127.0.0.1")) {
            state.SkipWithError("cannot listen");
            return;
        }
        bool sent = false;
        std::thread sender(
            [&] { sent = net::sendToPeer(tree, kNoItem, "127.0.0.1", listener.port()).ok; });
        auto target = std::make_unique<BookmarkTree>(kCustomTree);
        bool ended = false, saved = false;
        listener.run(
            [&](net::PeerReceipt& receipt) {
                ended = receipt.ended();
                added = net::applyReceipt(*target, receipt).count;
                saved = !saveArchiveFile(*target, path).failed();
                return saved;
            },
            1);
        sender.join();
        // A transfer cut short would give a figure for less work.
        if (!sent || !ended || added != tree.size() || !saved) {
            state.SkipWithError("transfer incomplete or not saved");
            break;
        }
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    std::filesystem::remove(path);
    state.counters["entries"] = static_cast<double>(added);
}
BENCHMARK(BM_PeerTransfer1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int runCommand(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#ifdef BRIVANTA_CLI_PATH
// The 1,000,000-entry tree as a file, for the two-process figures.
const std::string& millionFile() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "brivanta-bench-1m.bvk").string();
        saveArchiveFile(millionTree(), p);
        return p;
    }();
    return path;
}

// Two processes of brivanta-cli: `listen --count 1` started and listening first, then
// `send-peer` of the file; timed from starting the sender to the listener's exit after it
// saved (fsync and rename). What the listener saved is compared with the file sent.
void BM_PeerTransfer1M_TwoProcesses(benchmark::State& state) {
    const std::string& sent = millionFile();
    const std::string received =
        (std::filesystem::temp_directory_path() / "brivanta-bench-recv.bvk").string();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(received);
        const std::string listen = std::string(BRIVANTA_CLI_PATH) +
                                   " listen --bind 127.0.0.1 --port 0 --count 1 " + received;
        FILE* listener = popen(listen.c_str(), "r");
        char line[256] = {};
        int port = 0;
        if (listener && std::fgets(line, sizeof line, listener)) {
            const char* digits = std::strpbrk(line, "0123456789");
            port = digits ? std::atoi(digits) : 0;
        }
        state.ResumeTiming();
        const int sendStatus = runCommand(std::string(BRIVANTA_CLI_PATH) + " send-peer 127.0.0.1:" +
                                          std::to_string(port) + " " + sent);
        const int listenStatus = listener ? pclose(listener) : -1;
        state.PauseTiming();
        const bool same = port > 0 && sendStatus == 0 && listenStatus == 0 &&
                          std::filesystem::file_size(received) == std::filesystem::file_size(sent);
        state.ResumeTiming();
        if (!same) {
            state.SkipWithError("transfer failed or not saved whole");
            break;
        }
    }
    std::filesystem::remove(received);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(sent)) / 1e6;
}
BENCHMARK(BM_PeerTransfer1M_TwoProcesses)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The yardstick: the same bytes read from the file, sent over one loopback connection,
// written to a new file and flushed to disk (fsync), by two threads of plain system calls.
void BM_PlainTcpCopyWithFsync(benchmark::State& state) {
    const std::string& sent = millionFile();
    const std::string received =
        (std::filesystem::temp_directory_path() / "brivanta-bench-copy.bvk").string();
    std::uint64_t copied = 0;
    for (auto _ : state) {
        net::TcpListener listener;
        if (listener.listen(0, "127.0.0.1") != net::NetStatus::ok) {
            state.SkipWithError("cannot listen");
            return;
        }
        std::thread sender([&] {
            net::TcpConnection c;
            if (c.connect("127.0.0.1", listener.port()) != net::NetStatus::ok)
                return;
            int fd = ::open(sent.c_str(), O_RDONLY | O_CLOEXEC);
            std::vector<char> buffer(1 << 16);
            for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
                if (c.sendAll(std::string_view(buffer.data(), static_cast<size_t>(n))) !=
                    net::NetStatus::ok)
                    break;
            }
            if (fd >= 0)
                ::close(fd);
        });
        net::TcpConnection in;
        copied = 0;
        if (listener.accept(in, 30000) == net::NetStatus::ok) {
            int out = ::open(received.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            std::vector<char> buffer(1 << 16);
            size_t got = 0;
            while (out >= 0 &&
                   in.receive(buffer.data(), buffer.size(), got) == net::NetStatus::ok) {
                if (::write(out, buffer.data(), got) != static_cast<ssize_t>(got))
                    break;
                copied += got;
            }
            if (out >= 0) {
                ::fsync(out);
                ::close(out);
            }
        }
        sender.join();
        if (copied != std::filesystem::file_size(sent)) {
            state.SkipWithError("copy incomplete");
            break;
        }
    }
    std::filesystem::remove(received);
    state.counters["MB"] = static_cast<double>(copied) / 1e6;
}
BENCHMARK(BM_PlainTcpCopyWithFsync)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
#endif

// ---- the local mail servers ----

struct Servers {
    bool ok = false;
    int smtp = 0, pop3 = 0, pop3s = 0;
    std::string password;
    std::string caFile;  // the test authority that signed the POP3S certificate
};

const Servers& servers() {
    static Servers s = [] {
        Servers found;
        std::map<std::string, std::string> env;
        const char* dir = std::getenv("BRIVANTA_MAIL_DIR");
        std::ifstream in(std::string(dir && *dir ? dir : "/tmp/brivanta-mail-servers") +
                         "/servers.env");
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            if (eq != std::string::npos)
                env[line.substr(0, eq)] = line.substr(eq + 1);
        }
        found.smtp = std::atoi(env["BRIVANTA_SMTP_PORT"].c_str());
        found.pop3 = std::atoi(env["BRIVANTA_POP3_PORT"].c_str());
        found.pop3s = std::atoi(env["BRIVANTA_POP3S_PORT"].c_str());
        if (!env["BRIVANTA_MAIL_CERT_DIR"].empty())
            found.caFile = env["BRIVANTA_MAIL_CERT_DIR"] + "/ca.pem";
        std::ifstream pw(env["BRIVANTA_MAIL_PASSWORD_FILE"]);
        std::getline(pw, found.password);
        found.ok = found.smtp > 0 && found.pop3 > 0 && !found.password.empty();
        return found;
    }();
    return s;
}

// STAT of `user` (count, size); DELE of everything when `clear`.
std::pair<int, long long> mailbox(const std::string& user, bool clear) {
    net::TcpConnection c;
    if (c.connect("127.0.0.1", servers().pop3) != net::NetStatus::ok)
        return {-1, 0};
    net::ReplyReader r(c);
    std::string line;
    auto command = [&](const std::string& t) {
        if (!t.empty())
            c.sendAll(t + "\r\n");
        return r.readLine(line) == net::NetStatus::ok && line.starts_with("+OK");
    };
    if (!command("") || !command("USER " + user) || !command("PASS " + servers().password) ||
        !command("STAT")) {
        return {-1, 0};
    }
    int count = 0;
    long long size = 0;
    std::sscanf(line.c_str(), "+OK %d %lld", &count, &size);
    if (clear) {
        for (int i = 1; i <= count; ++i)
            command("DELE " + std::to_string(i));
    }
    command("QUIT");
    return {count, size};
}

bool waitForCount(const std::string& user, int count) {
    for (int i = 0; i < 3000; ++i) {
        if (mailbox(user, false).first == count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Makes `user`'s box hold `count` envelope mails of `entries` entries each (kept between
// runs when it already does).
bool prepareMailbox(const std::string& user, int count, int entries) {
    if (!servers().ok)
        return false;
    BookmarkTree tree(kCustomTree);
    for (int i = 0; i < entries; ++i) {
        tree.InsertNode({text::gbk("链接 ") + std::to_string(i),
                         "http://www.example.com/page/" + std::to_string(i) + ".html", ""});
    }
    net::MailMessage message;
    message.subject = "<BRIVANTA>";
    message.addRecipient(user + "@localhost");
    message.body = net::buildEnvelope(tree);
    // The server adds its own header lines; the body decides the size.
    auto [have, size] = mailbox(user, false);
    const long long body = static_cast<long long>(message.body.size());
    if (have == count && size >= body * count && size <= (body + 2048) * count)
        return true;
    mailbox(user, true);
    // OpenSMTPD takes at most 100 mails a session.
    for (int sent = 0; sent < count;) {
        net::CSMTP smtp("127.0.0.1", servers().smtp, {15000, 120000});
        if (!smtp.connect())
            return false;
        for (int i = 0; i < 50 && sent < count; ++i, ++sent) {
            if (!smtp.sendMessage(message))
                return false;
        }
        smtp.disconnect();
    }
    return waitForCount(user, count);
}

// One 20 MB envelope mail (375,000 entries).
constexpr int kBigEntries = 375000;

void BM_Pop3Fetch20MB_Brivanta(benchmark::State& state) {
    if (!prepareMailbox("bench", 1, kBigEntries)) {
        state.SkipWithError("local mail servers not running (scripts/mail-servers start)");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        net::Pop3Receiver pop("127.0.0.1", servers().pop3, "bench", servers().password);
        net::MailMessage message;
        if (!pop.connect() || pop.messageCount() != 1 || !pop.retrieve(1, message)) {
            state.SkipWithError("fetch failed");
            break;
        }
        pop.disconnect();
        bytes = message.header.size() + message.body.size();
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_Pop3Fetch20MB_Brivanta)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_Pop3Fetch20MB_Curl(benchmark::State& state) {
    if (!prepareMailbox("bench", 1, kBigEntries)) {
        state.SkipWithError("local mail servers not running (scripts/mail-servers start)");
        return;
    }
    const std::string command = "curl -s -o /dev/null -u bench:" + servers().password +
                                " pop3://127.0.0.1:" + std::to_string(servers().pop3) + "/1";
    for (auto _ : state) {
        if (runCommand(command) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
}
BENCHMARK(BM_Pop3Fetch20MB_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The same fetch over TLS from the first byte (POP3S), certificate and host name checked,
// beside curl over the same.
void BM_Pop3sFetch20MB_Brivanta(benchmark::State& state) {
    if (!prepareMailbox("bench", 1, kBigEntries) || servers().pop3s <= 0) {
        state.SkipWithError(
            "local mail servers with POP3S not running (scripts/mail-servers start)");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        net::Pop3Receiver pop("localhost", servers().pop3s, "bench", servers().password);
        pop.setSecurity(net::SecurityMode::tls, {servers().caFile});
        net::MailMessage message;
        if (!pop.connect() || pop.messageCount() != 1 || !pop.retrieve(1, message)) {
            state.SkipWithError("fetch failed");
            break;
        }
        pop.disconnect();
        bytes = message.header.size() + message.body.size();
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_Pop3sFetch20MB_Brivanta)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_Pop3sFetch20MB_Curl(benchmark::State& state) {
    if (!prepareMailbox("bench", 1, kBigEntries) || servers().pop3s <= 0) {
        state.SkipWithError(
            "local mail servers with POP3S not running (scripts/mail-servers start)");
        return;
    }
    const std::string command = "curl -s -o /dev/null --cacert " + servers().caFile +
                                " -u bench:" + servers().password +
                                " pop3s://localhost:" + std::to_string(servers().pop3s) + "/1";
    for (auto _ : state) {
        if (runCommand(command) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
}
BENCHMARK(BM_Pop3sFetch20MB_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The same fetch with the envelope read into a tree, as the receive command does.
void BM_Pop3Receive20MBIntoTree_Brivanta(benchmark::State& state) {
    if (!prepareMailbox("bench", 1, kBigEntries)) {
        state.SkipWithError("local mail servers not running (scripts/mail-servers start)");
        return;
    }
    size_t added = 0;
    for (auto _ : state) {
        net::Pop3Receiver pop("127.0.0.1", servers().pop3, "bench", servers().password);
        net::MailMessage message;
        auto target = std::make_unique<BookmarkTree>(kCustomTree);
        if (!pop.connect() || !pop.retrieve(1, message)) {
            state.SkipWithError("fetch failed");
            break;
        }
        pop.disconnect();
        added = 0;
        if (auto e = net::readEnvelope(message.body))
            added = net::loadEnvelope(*target, *e);
        if (added != static_cast<size_t>(kBigEntries)) {
            state.SkipWithError("envelope incomplete");
            break;
        }
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = static_cast<double>(added);
}
BENCHMARK(BM_Pop3Receive20MBIntoTree_Brivanta)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// 1,000 small envelope mails (20 entries each) over one login.
void BM_Pop3Fetch1000Mails_Brivanta(benchmark::State& state) {
    if (!prepareMailbox("bench1k", 1000, 20)) {
        state.SkipWithError("local mail servers not running (scripts/mail-servers start)");
        return;
    }
    int envelopes = 0;
    for (auto _ : state) {
        net::Pop3Receiver pop("127.0.0.1", servers().pop3, "bench1k", servers().password);
        if (!pop.connect()) {
            state.SkipWithError("login failed");
            break;
        }
        int count = pop.messageCount();
        net::MailMessage message;
        envelopes = 0;
        for (int n = 1; n <= count; ++n) {
            if (pop.retrieve(n, message) && net::readEnvelope(message.body))
                ++envelopes;
        }
        pop.disconnect();
        if (envelopes != 1000) {
            state.SkipWithError("not every mail was fetched");
            break;
        }
    }
    state.counters["envelopes"] = envelopes;
}
BENCHMARK(BM_Pop3Fetch1000Mails_Brivanta)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

// Timed inside Python, from the connect to the QUIT, so the interpreter's start-up (a
// fifth of a second under pyenv) does not count against poplib.
void BM_Pop3Fetch1000Mails_PythonPoplib(benchmark::State& state) {
    if (!prepareMailbox("bench1k", 1000, 20)) {
        state.SkipWithError("local mail servers not running (scripts/mail-servers start)");
        return;
    }
    // The same work: log in, STAT, RETR every mail, join its lines into one body, QUIT.
    const std::string script =
        "import poplib,sys,time\n"
        "t=time.perf_counter()\n"
        "p=poplib.POP3('127.0.0.1'," +
        std::to_string(servers().pop3) +
        ")\n"
        "p.user('bench1k'); p.pass_(sys.argv[1])\n"
        "n=p.stat()[0]; e=0\n"
        "for i in range(1,n+1):\n"
        "    body=b'\\r\\n'.join(p.retr(i)[1])\n"
        "    e+=b'\\r\\n\\r\\n<BRIVANTA>\\r\\n' in body\n"
        "p.quit()\n"
        "print(time.perf_counter()-t if e==n else -1)\n";
    const std::string path =
        (std::filesystem::temp_directory_path() / "brivanta-bench-poplib.py").string();
    std::ofstream(path) << script;
    const std::string command = "python3 " + path + " " + servers().password;
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        double seconds = -1;
        if (!pipe || std::fscanf(pipe, "%lf", &seconds) != 1)
            seconds = -1;
        if (pipe)
            pclose(pipe);
        if (seconds < 0) {
            state.SkipWithError("poplib failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_Pop3Fetch1000Mails_PythonPoplib)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

void BM_Pop3Fetch1000Mails_Curl(benchmark::State& state) {
    if (!prepareMailbox("bench1k", 1000, 20)) {
        state.SkipWithError("local mail servers not running (scripts/mail-servers start)");
        return;
    }
    const std::string command = "curl -s -o /dev/null -u bench1k:" + servers().password +
                                " 'pop3://127.0.0.1:" + std::to_string(servers().pop3) +
                                "/[1-1000]'";
    for (auto _ : state) {
        if (runCommand(command) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
}
BENCHMARK(BM_Pop3Fetch1000Mails_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
