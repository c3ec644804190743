// XBEL export and import of a 1,000,000-entry tree (the generated tree of the other format
// benchmarks, whose top level holds 780,000 entries), each against a target of 1.5 s; beside
// them the import of the same tree as a Netscape bookmark file, which goes through the same
// merge, and the XBEL import of 1,000 folders of 1,000 links, where no folder is that large.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "TreeGenerator.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/XbelBookmarks.h"

using namespace brivanta;

namespace {

constexpr int kEntries = 1000000;

std::string tempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

BookmarkTree& bigTree() {
    static BookmarkTree tree;
    if (tree.empty())
        bench::generateTree(tree, kEntries, 6);
    return tree;
}

const std::string& xbelFile() {
    static const std::string path = [] {
        std::string p = tempPath("brivanta-bench-1m.xbel");
        exportXbelFile(bigTree(), p);
        return p;
    }();
    return path;
}

const std::string& netscapeFile() {
    static const std::string path = [] {
        std::string p = tempPath("brivanta-bench-1m.html");
        exportNetscapeFile(bigTree(), p);
        return p;
    }();
    return path;
}

// 1,000 folders of 999 links each, with the generated names and addresses.
const std::string& foldersFile() {
    static const std::string path = [] {
        BookmarkTree links;
        bench::generateTree(links, kEntries, 1, 7);
        BookmarkTree tree;
        ItemId folder = kNoItem;
        int index = 0;
        for (ItemId link = links.firstChild(kNoItem); link != kNoItem;
             link = links.nextSibling(link), ++index) {
            if (index % 1000 == 0) {
                folder = tree.InsertNode({"folder" + std::to_string(index / 1000), "", ""});
                continue;
            }
            NodeRecord record = *links.LookupRecord(link);
            // Unique within the folder, so every link is added.
            record.address =
                "http://www.example.com/" + std::to_string(index) + "/" + record.address;
            tree.InsertNode(record, folder);
        }
        std::string p = tempPath("brivanta-bench-1m-folders.xbel");
        exportXbelFile(tree, p);
        return p;
    }();
    return path;
}

void BM_ExportXbel(benchmark::State& state) {
    BookmarkTree& tree = bigTree();
    std::string out = tempPath("brivanta-bench-out.xbel");
    for (auto _ : state) {
        if (exportXbelFile(tree, out).failed())
            state.SkipWithError("export failed");
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1e6;
    std::filesystem::remove(out);
}

void BM_ImportXbel(benchmark::State& state) {
    const std::string& path = xbelFile();
    size_t entries = 0;
    for (auto _ : state) {
        BookmarkTree tree;
        {
            BookmarkTree::BulkUpdate bulk(tree);
            TreeMerger merger(tree);
            if (!importXbelFile(path, merger).empty())
                state.SkipWithError("import failed");
        }
        entries = tree.size();
        state.PauseTiming();
        tree.DeleteNode();
        state.ResumeTiming();
    }
    // The generated tree repeats an address in a folder now and then; the merge keeps one.
    state.counters["entries"] = static_cast<double>(entries);
}

void BM_ImportXbelFolders(benchmark::State& state) {
    const std::string& path = foldersFile();
    for (auto _ : state) {
        BookmarkTree tree;
        {
            BookmarkTree::BulkUpdate bulk(tree);
            TreeMerger merger(tree);
            if (!importXbelFile(path, merger).empty() || tree.size() != kEntries)
                state.SkipWithError("wrong entry count");
        }
        state.PauseTiming();
        tree.DeleteNode();
        state.ResumeTiming();
    }
}

void BM_ImportNetscapeSameTree(benchmark::State& state) {
    const std::string& path = netscapeFile();
    for (auto _ : state) {
        BookmarkTree tree;
        {
            BookmarkTree::BulkUpdate bulk(tree);
            TreeMerger merger(tree);
            if (importNetscapeFile(path, merger).failed())
                state.SkipWithError("import failed");
        }
        state.PauseTiming();
        tree.DeleteNode();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_ExportXbel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportXbel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportXbelFolders)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportNetscapeSameTree)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
