// Import and export of a 100,000-entry browser bookmark file (100 folders of 1,000 links),
// beside buku (a Python bookmark manager from Debian) importing and exporting the same file
// in the same run. buku runs with its own data directory in a temporary directory and, where
// the system allows it, without network.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>

#include "core/formats/NetscapeBookmarks.h"
#include "core/trees/TreeMerger.h"

using namespace brivanta;
namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 100;
constexpr int kLinksPerFolder = 1000;
constexpr size_t kEntries = kFolders * (kLinksPerFolder + 1);

// Names of 2-15 GB2312 characters, addresses of 30-80 bytes, every address different (buku
// keeps one record per address).
void generate(BookmarkTree& tree) {
    std::mt19937 rng(7);
    auto name = [&] {
        std::string s;
        int chars = std::uniform_int_distribution<int>(2, 15)(rng);
        for (int c = 0; c < chars; ++c) {
            s.push_back(static_cast<char>(0xB0 + rng() % 0x48));
            s.push_back(static_cast<char>(0xA1 + rng() % 0x5E));
        }
        return s;
    };
    for (int f = 0; f < kFolders; ++f) {
        ItemId folder = tree.InsertNode({name(), "", ""});
        for (int i = 0; i < kLinksPerFolder; ++i) {
            std::string address =
                "https://www.example.com/" + std::to_string(f) + "/" + std::to_string(i) + "/";
            size_t length = std::uniform_int_distribution<size_t>(30, 80)(rng);
            while (address.size() < length)
                address.push_back(static_cast<char>('a' + rng() % 26));
            tree.InsertNode({name(), address, ""}, folder);
        }
    }
}

const fs::path& workDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "brivanta-bench-bookmarks";
        fs::remove_all(d);
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

BookmarkTree& sourceTree() {
    static BookmarkTree* tree = [] {
        auto* t = new BookmarkTree;
        generate(*t);
        return t;
    }();
    return *tree;
}

const std::string& benchFile() {
    static const std::string path = [] {
        std::string p = (workDir() / "bookmarks-100k.html").string();
        exportNetscapeFile(sourceTree(), p);
        return p;
    }();
    return path;
}

// Processor seconds all finished child processes used: buku's own time, apart from the load
// of the machine.
double childCpuSeconds() {
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool haveBuku() {
    return std::system("command -v buku >/dev/null 2>&1") == 0;
}

// Runs buku with its data in `data`; true when it exits with 0.
bool runBuku(const fs::path& data, const std::string& args) {
    static const bool isolated = std::system("unshare -rn true >/dev/null 2>&1") == 0;
    std::string command = "env HOME='" + data.string() + "' XDG_DATA_HOME='" + data.string() + "'" +
                          (isolated ? " unshare -rn" : "") + " buku --nostdin --tacit " + args +
                          " >/dev/null 2>&1 </dev/null";
    return std::system(command.c_str()) == 0;
}

long long bukuCount(const fs::path& data) {
    sqlite3* db = nullptr;
    long long count = -1;
    if (sqlite3_open_v2((data / "buku/bookmarks.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM bookmarks", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            count = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

void BM_NetscapeImport(benchmark::State& state) {
    const std::string& path = benchFile();
    for (auto _ : state) {
        BookmarkTree tree;
        TreeMerger merger(tree);
        importNetscapeFile(path, merger);
        if (tree.size() != kEntries)
            state.SkipWithError("wrong entry count");
        state.PauseTiming();
        tree.DeleteNode();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
}

void BM_NetscapeExport(benchmark::State& state) {
    BookmarkTree& tree = sourceTree();
    std::string out = (workDir() / "export.html").string();
    for (auto _ : state) {
        if (exportNetscapeFile(tree, out).failed())
            state.SkipWithError("export failed");
    }
}

void BM_BukuImport(benchmark::State& state) {
    if (!haveBuku()) {
        state.SkipWithError("buku is not installed");
        return;
    }
    const std::string& path = benchFile();
    fs::path data = workDir() / "buku-data";
    double cpuBefore = childCpuSeconds();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(data);
        fs::create_directories(data);
        state.ResumeTiming();
        if (!runBuku(data, "-i '" + path + "'"))
            state.SkipWithError("buku -i failed");
    }
    state.counters["buku_cpu_s"] =
        (childCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
    if (bukuCount(data) != kFolders * kLinksPerFolder)
        state.SkipWithError("buku did not import every link");
}

void BM_BukuExport(benchmark::State& state) {
    fs::path data = workDir() / "buku-data";
    if (!haveBuku() || bukuCount(data) <= 0) {
        state.SkipWithError("buku is not installed or its import did not run");
        return;
    }
    fs::path out = workDir() / "buku-export.html";
    double cpuBefore = childCpuSeconds();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(out);  // buku asks before it overwrites
        state.ResumeTiming();
        if (!runBuku(data, "-e '" + out.string() + "'"))
            state.SkipWithError("buku -e failed");
    }
    state.counters["buku_cpu_s"] =
        (childCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_NetscapeImport)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_NetscapeExport)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BukuImport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BukuExport)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
