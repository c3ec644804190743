// Keeping a collection healthy: addresses kept twice among 1,000,000 entries, and 10,000
// links checked against lighttpd on loopback (Debian's lighttpd, started here on a free
// port). The link check spreads its links over several loopback addresses (127.0.0.1,
// 127.0.0.2, ...) because it opens at most two connections to one host.
#include <benchmark/benchmark.h>

#include <ctime>

#include "LocalWebServer.h"
#include "TreeGenerator.h"
#include "core/net/LinkChecker.h"
#include "core/trees/DuplicateFinder.h"

using namespace brivanta;

namespace {

double processMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The generated tree of 1,000,000 entries, where every 20th link is another spelling of a
// link before it (host in capitals, https, a tracking parameter, a fragment).
BookmarkTree& duplicateTree() {
    static BookmarkTree* tree = [] {
        auto* t = new BookmarkTree;
        bench::generateTree(*t, 1000000, 6);
        std::vector<std::string> earlier;
        size_t links = 0;
        for (ItemId item = 1; item <= t->nextItemData(); ++item) {
            NodeRecord record = *t->LookupRecord(item);
            if (record.address.empty())
                continue;
            if (++links % 20 == 0 && !earlier.empty()) {
                const std::string& base = earlier[links % earlier.size()];
                record.address = "HTTPS://WWW.EXAMPLE.COM:443" +
                                 base.substr(std::min<size_t>(22, base.size())) +
                                 (links % 40 ? "?utm_source=feed" : "#part");
                t->SetRecord(item, record);
            } else if (links % 7 == 0) {
                earlier.push_back(record.address);
            }
        }
        return t;
    }();
    return *tree;
}

void findDuplicatesInAMillion(benchmark::State& state) {
    BookmarkTree& tree = duplicateTree();
    std::vector<const BookmarkTree*> trees{&tree};
    size_t groups = 0;
    double cpu = 0;
    for (auto _ : state) {
        double before = processMilliseconds();
        groups = findDuplicates(trees).size();
        cpu += processMilliseconds() - before;
    }
    state.counters["groups"] = static_cast<double>(groups);
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(findDuplicatesInAMillion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// 10,000 distinct pages, 32 connections; the argument is how many loopback addresses the
// links are spread over, and the pause between requests to one host in milliseconds.
void checkTenThousandLinks(benchmark::State& state) {
    const int hosts = static_cast<int>(state.range(0));
    std::vector<std::string> extra;
    for (int h = 2; h <= hosts; ++h)
        extra.push_back("127.0.0." + std::to_string(h));
    testing::LocalWebServer server(extra);
    if (!server.ok()) {
        state.SkipWithError(server.problem().c_str());
        return;
    }
    net::LinkCheckOptions options;
    options.connections = 32;
    options.hostPauseMs = static_cast<int>(state.range(1));
    size_t working = 0, checked = 0;
    size_t handles = 0;
    for (auto _ : state) {
        int next = 0;
        working = checked = 0;
        net::LinkChecker checker(options);
        std::string failure;
        checker.run(
            [&](net::LinkJob& job) {
                if (next == 10000)
                    return false;
                job.address = server.url("/page/" + std::to_string(next),
                                         "127.0.0." + std::to_string(1 + next % hosts));
                ++next;
                return true;
            },
            [&](const net::LinkJob&, const net::LinkOutcome& o) {
                ++checked;
                working += o.result == net::LinkResult::working ? 1 : 0;
            },
            failure);
        handles = checker.stats().handles;
    }
    if (working != 10000)
        state.SkipWithError("not every link worked");
    state.counters["checked"] = static_cast<double>(checked);
    state.counters["handles"] = static_cast<double>(handles);
}
BENCHMARK(checkTenThousandLinks)
    ->Args({16, 0})
    ->Args({128, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
