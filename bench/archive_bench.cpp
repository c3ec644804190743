// SaveTree and LoadTree of a 1,000,000-entry custom tree, beside a plain read of the same
// file, and the memory the loaded tree takes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "TreeGenerator.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"

using namespace brivanta;

namespace {

constexpr int kEntries = 1000000;

const std::string& benchFile() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "brivanta-bench-1m.bvk").string();
        BookmarkTree tree;
        bench::generateTree(tree, kEntries, 6);
        saveArchiveFile(tree, p);
        return p;
    }();
    return path;
}

// Heap bytes in use: unlike the resident size, it does not keep what earlier runs freed.
double heapMegabytes() {
    struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / 1e6;
}

void BM_LoadTree(benchmark::State& state) {
    const std::string& path = benchFile();
    double rss = 0;
    for (auto _ : state) {
        double before = heapMegabytes();
        BookmarkTree tree;
        loadArchiveFile(tree, path);
        rss = heapMegabytes() - before;
        if (tree.size() != kEntries)
            state.SkipWithError("wrong entry count");
        state.PauseTiming();
        tree.DeleteNode();
        state.ResumeTiming();
    }
    state.counters["tree_MB"] = rss;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

void BM_SaveTree(benchmark::State& state) {
    BookmarkTree tree;
    loadArchiveFile(tree, benchFile());
    std::string out = benchFile() + ".out";
    for (auto _ : state) {
        if (saveArchiveFile(tree, out).failed())
            state.SkipWithError("save failed");
    }
    std::filesystem::remove(out);
}

void BM_PlainRead(benchmark::State& state) {
    const std::string& path = benchFile();
    std::string bytes;
    for (auto _ : state) {
        readWholeFile(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}

}  // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveTree)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
