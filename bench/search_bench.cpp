// The search line over a 1,000,000-entry custom tree: one keystroke is one setQuery. A key
// that extends the query searches only the previous hits; any other change (the first key,
// a deleted character, a pasted query) searches the whole tree. The search shares a large
// tree out among the processor's threads, so the times are wall-clock times.
#include <benchmark/benchmark.h>

#include <ctime>

#include "TreeGenerator.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeFilter.h"

using namespace brivanta;

namespace {

constexpr int kEntries = 1000000;

// Processor time of all the process's threads, in milliseconds: unlike the wall clock, it
// hardly moves when other programs share the machine.
double processMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

BookmarkTree& benchTree() {
    static BookmarkTree* tree = [] {
        auto* t = new BookmarkTree;
        bench::generateTree(*t, kEntries, 6);
        return t;
    }();
    return *tree;
}

// Typing "xinwen" (新闻 by full pinyin) and "xwzx" (by initials) key by key; the argument is
// the number of keys typed so far, and only the last key is timed.
void typeKeys(benchmark::State& state, const char* typed) {
    BookmarkTree& tree = benchTree();
    auto keys = static_cast<size_t>(state.range(0));
    std::string before(typed, keys - 1);
    std::string after(typed, keys);
    size_t hits = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TreeFilter filter(tree);
        for (size_t k = 1; k < keys; ++k)
            filter.setQuery(std::string(typed, k));
        state.ResumeTiming();
        double start = processMilliseconds();
        filter.setQuery(after);
        cpu += processMilliseconds() - start;
        hits = filter.hitCount();
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
    state.SetLabel(before + "|" + after);
}

void BM_TypeFullPinyin(benchmark::State& state) {
    typeKeys(state, "xinwen");
}

void BM_TypeInitials(benchmark::State& state) {
    typeKeys(state, "xwzx");
}

// The whole tree searched at once, as after a deleted character or a pasted query: the
// slowest keystroke there is. The queries range from one letter to text found nowhere.
void BM_WholeTree(benchmark::State& state, const std::string& query) {
    BookmarkTree& tree = benchTree();
    size_t hits = 0;
    double cpu = 0;
    for (auto _ : state) {
        TreeFilter filter(tree);
        double start = processMilliseconds();
        filter.setQuery(query);
        cpu += processMilliseconds() - start;
        hits = filter.hitCount();
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
}

// Showing the result in tree order (the command-line output and the first match).
void BM_HitsInTreeOrder(benchmark::State& state) {
    TreeFilter filter(benchTree());
    filter.setQuery("xw");
    size_t n = 0;
    for (auto _ : state) {
        n = filter.hitsInTreeOrder().size();
        benchmark::DoNotOptimize(n);
    }
    state.counters["hits"] = static_cast<double>(n);
}

}  // namespace

BENCHMARK(BM_TypeFullPinyin)
    ->DenseRange(1, 6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_TypeInitials)
    ->DenseRange(1, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeTree, letter, std::string("x"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeTree, initials, std::string("xw"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeTree, chinese, text::gbk("新闻"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeTree, address, std::string("example.com/abc"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeTree, nowhere, std::string("qqqqqq"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_HitsInTreeOrder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
