// Two-way sync of 100,000 entries (1,000 folders of 99 links) with 100 changes on each side:
// the merge alone (server file parsed, snapshot matched, merged, written), and the whole sync
// against rclone's WebDAV server on loopback (lock, read, merge, conditional upload, unlock).
// Target: 2 s for the whole.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "LocalWebDavServer.h"
#include "core/sync/SnapshotMerge.h"
#include "core/sync/TreeSync.h"
#include "core/sync/XbelSyncModel.h"

using namespace brivanta;
using namespace brivanta::sync;

namespace {

constexpr int kFolders = 1000;
constexpr int kLinksPerFolder = 99;
constexpr int kChanges = 100;

// The last synced state: every entry with its id.
SyncModel baseModel() {
    SyncModel m;
    SyncId id = 0;
    for (int f = 0; f < kFolders; ++f) {
        const SyncId folder = ++id;
        m.entries.push_back({folder, kSyncRoot, true, "folder " + std::to_string(f), ""});
        for (int l = 0; l < kLinksPerFolder; ++l) {
            const std::string n = std::to_string(f) + "-" + std::to_string(l);
            m.entries.push_back({++id, folder, false, "link " + n, "https://example.com/" + n});
        }
    }
    m.highestId = id;
    return m;
}

// The server's file: 100 links added by another client.
SyncModel remoteModel(const SyncModel& base) {
    SyncModel m = base;
    for (int i = 0; i < kChanges; ++i) {
        const SyncId folder = base.entries[static_cast<size_t>(i) * 100].id;
        m.entries.insert(
            m.entries.begin() + static_cast<long>(i) * 101 + 1,
            {base.highestId + 1 + static_cast<SyncId>(i), folder, false,
             "remote " + std::to_string(i), "https://remote.example/" + std::to_string(i)});
    }
    m.highestId += kChanges;
    return m;
}

// The tree: the state with 100 links renamed here.
std::vector<std::vector<NodeState>> snapshot(const SyncModel& base) {
    std::vector<std::vector<NodeState>> children;
    for (size_t i = 0; i < base.entries.size(); ++i) {
        const SyncEntry& e = base.entries[i];
        if (e.parent == kSyncRoot)
            children.emplace_back();
        NodeState s;
        s.record.name = e.title;
        s.record.address = e.url;
        if (!e.folder && i % 1000 == 5)
            s.record.name += " renamed";
        s.depth = e.parent == kSyncRoot ? 0 : 1;
        children.back().push_back(std::move(s));
    }
    return children;
}

void BM_MergeOnly(benchmark::State& state) {
    const SyncModel base = baseModel();
    const std::string remoteBytes = writeXbelModel(remoteModel(base));
    const auto tree = snapshot(base);
    for (auto _ : state) {
        XbelModelRead remote = readXbelModel(remoteBytes);
        SnapshotMerge merge = mergeSnapshot(tree, &base, remote.model);
        std::string upload = writeXbelModel(merge.outcome.merged);
        benchmark::DoNotOptimize(upload.data());
        if (merge.outcome.counts.toRemote != kChanges || merge.outcome.counts.toLocal != kChanges)
            state.SkipWithError("wrong counts");
    }
    state.counters["bytes"] = static_cast<double>(remoteBytes.size());
}
BENCHMARK(BM_MergeOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WholeSyncAgainstRclone(benchmark::State& state) {
    testing::LocalWebDavServer server;
    if (!server.ok()) {
        state.SkipWithError(server.problem().c_str());
        return;
    }
    const SyncModel base = baseModel();
    const std::string remoteBytes = writeXbelModel(remoteModel(base));
    const auto tree = snapshot(base);
    const std::string statePath =
        (std::filesystem::temp_directory_path() / "brivanta-bench-sync.state").string();
    SyncTarget target;
    target.serverUrl = server.url("/");
    target.webdav.user = testing::LocalWebDavServer::kUser;
    target.webdav.password = testing::LocalWebDavServer::kPassword;
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(server.share() + "/bookmarks.xbel", std::ios::binary) << remoteBytes;
        std::string error;
        commitSyncState(statePath, writeXbelModel(base, server.url("/") + "bookmarks.xbel"),
                        &error);
        state.ResumeTiming();
        SyncResult r = syncSnapshot(target, tree, statePath);
        if (!r.ok || r.counts.uploaded != kChanges || r.counts.downloaded != kChanges)
            state.SkipWithError(r.ok ? "wrong counts" : r.error.c_str());
    }
    std::filesystem::remove(statePath);
}
BENCHMARK(BM_WholeSyncAgainstRclone)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
