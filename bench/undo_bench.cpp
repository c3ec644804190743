// Undo and redo of deleting a folder of 100,000 entries (depth up to 6) from a tree of
// 300,000: the delete keeps the subtree, undo puts it back at its row, redo deletes again.
#include <benchmark/benchmark.h>

#include "TreeGenerator.h"
#include "core/trees/StructureCommands.h"

using namespace brivanta;

namespace {

constexpr int kFolderEntries = 100000;

struct Sample {
    BookmarkTree tree;
    ItemId folder = kNoItem;
    Sample() {
        bench::generateTree(tree, 100000, 6, 1);
        folder = tree.InsertNode({"folder", "", ""});
        tree.setExpanded(folder, true);
        bench::generateTree(tree, kFolderEntries - 1, 6, 2, folder);
        bench::generateTree(tree, 100000, 6, 3);
        // Put the folder in the middle of the top level, not at its end.
        std::vector<NodeState> nodes = tree.captureSubtree(folder);
        tree.DeleteNode(folder);
        folder = tree.insertSubtree(kNoItem, tree.childCount(kNoItem) / 2, nodes);
    }
};

Sample& sample() {
    static Sample* s = new Sample;
    return *s;
}

// The first delete: the subtree is taken in pre-order, then removed.
void BM_DeleteFolder(benchmark::State& state) {
    Sample& s = sample();
    for (auto _ : state) {
        DeleteCommand command(s.tree, s.folder);
        benchmark::DoNotOptimize(command.redo());
        state.PauseTiming();
        command.undo();
        s.folder = command.touched().front();
        state.ResumeTiming();
    }
    state.counters["entries"] = kFolderEntries;
}

void BM_UndoDeleteFolder(benchmark::State& state) {
    Sample& s = sample();
    DeleteCommand command(s.tree, s.folder);
    command.redo();
    for (auto _ : state) {
        benchmark::DoNotOptimize(command.undo());
        state.PauseTiming();
        command.redo();
        state.ResumeTiming();
    }
    command.undo();
    s.folder = command.touched().front();
    state.counters["entries"] = static_cast<double>(command.entryCount());
}

void BM_RedoDeleteFolder(benchmark::State& state) {
    Sample& s = sample();
    DeleteCommand command(s.tree, s.folder);
    command.redo();
    command.undo();
    for (auto _ : state) {
        benchmark::DoNotOptimize(command.redo());
        state.PauseTiming();
        command.undo();
        state.ResumeTiming();
    }
    s.folder = command.touched().front();
    state.counters["entries"] = static_cast<double>(command.entryCount());
}

}  // namespace

BENCHMARK(BM_DeleteFolder)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_UndoDeleteFolder)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RedoDeleteFolder)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
