// HTML export and import of a 1,000,000-entry tree, and the import of a favorites folder of
// 100,000 shortcut files in 1,000 folders beside reading the same files with
// `find -exec cat {} +`.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "TreeGenerator.h"
#include "core/formats/HtmlPage.h"
#include "core/formats/ShortcutFolder.h"

using namespace brivanta;

namespace {

constexpr int kEntries = 1000000;
constexpr int kFolders = 1000;
constexpr int kLinksPerFolder = 100;

std::string tempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

BookmarkTree& bigTree() {
    static BookmarkTree tree;
    if (tree.empty())
        bench::generateTree(tree, kEntries, 6);
    return tree;
}

const std::string& pageFile() {
    static const std::string path = [] {
        std::string p = tempPath("brivanta-bench-1m.htm");
        exportHtmlPage(bigTree(), p);
        return p;
    }();
    return path;
}

// 1,000 folders of 100 links with GBK names and addresses of 20-80 bytes, as shortcut files.
const std::string& favoritesFolder() {
    static const std::string path = [] {
        std::string p = tempPath("brivanta-bench-favorites");
        std::filesystem::remove_all(p);
        std::filesystem::create_directory(p);
        BookmarkTree links;
        bench::generateTree(links, kFolders * kLinksPerFolder, 1, 7);
        BookmarkTree tree;
        ItemId link = links.firstChild(kNoItem);
        for (int f = 0; f < kFolders; ++f) {
            ItemId folder = tree.InsertNode({"folder" + std::to_string(f), "", ""});
            for (int i = 0; i < kLinksPerFolder; ++i, link = links.nextSibling(link)) {
                NodeRecord record = *links.LookupRecord(link);
                record.name += std::to_string(i);  // unique within the folder
                if (record.address.empty())
                    record.address = "http://www.example.com/" + std::to_string(i);
                tree.InsertNode(record, folder);
            }
        }
        exportShortcutFolder(tree, p);
        return p;
    }();
    return path;
}

double catSeconds() {
    std::string command = "find '" + favoritesFolder() + "' -type f -exec cat {} + > /dev/null";
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ExportHtml(benchmark::State& state) {
    BookmarkTree& tree = bigTree();
    std::string out = tempPath("brivanta-bench-out.htm");
    for (auto _ : state) {
        if (exportHtmlPage(tree, out).failed())
            state.SkipWithError("export failed");
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1e6;
    std::filesystem::remove(out);
}

void BM_ImportHtml(benchmark::State& state) {
    const std::string& path = pageFile();
    for (auto _ : state) {
        BookmarkTree tree;
        size_t added = 0;
        if (importHtmlPage(tree, path, kNoItem, {}, &added).failed() || added != kEntries)
            state.SkipWithError("wrong entry count");
        state.PauseTiming();
        tree.DeleteNode();
        state.ResumeTiming();
    }
}

void BM_FindExecCat(benchmark::State& state) {
    favoritesFolder();
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (catSeconds() == 0)
            state.SkipWithError("find -exec cat failed");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

void BM_ImportShortcutFolder(benchmark::State& state) {
    const std::string& path = favoritesFolder();
    std::vector<double> cat;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        BookmarkTree tree;
        ShortcutImportResult result;
        if (importShortcutFolder(tree, path, kNoItem, {}, &result).failed() ||
            result.added != kFolders * (kLinksPerFolder + 1))
            state.SkipWithError("wrong entry count");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // The same files read by cat right after, for the ratio.
        cat.push_back(catSeconds());
    }
    std::sort(cat.begin(), cat.end());
    state.counters["cat_ms"] = cat[cat.size() / 2] * 1e3;
}

}  // namespace

BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportHtml)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindExecCat)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_ImportShortcutFolder)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
