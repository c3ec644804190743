#include "core/sync/TreeSync.h"

#include "core/formats/FileStreams.h"

namespace brivanta::sync {

SyncResult syncSnapshot(const SyncTarget& /*target*/,
                        const std::vector<std::vector<NodeState>>& /*snapshot*/,
                        const std::string& /*statePath*/, const std::atomic<bool>* /*cancel*/,
                        const BeforeUploadHook& /*beforeUpload*/) {
    SyncResult result;
    result.error = "未实现";
    return result;
}

std::vector<std::vector<NodeState>> captureChildren(const BookmarkTree& tree, ItemId folder) {
    std::vector<std::vector<NodeState>> children;
    int count = tree.childCount(folder);
    children.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
        children.push_back(tree.captureSubtree(tree.child(folder, row)));
    return children;
}

std::unique_ptr<TreeCommand> makeSyncCommand(BookmarkTree& /*tree*/, ItemId /*folder*/,
                                             std::vector<std::vector<NodeState>> /*merged*/) {
    return nullptr;
}

bool commitSyncState(const std::string& statePath, const std::string& newState,
                     std::string* error) {
    AtomicFileSink sink;
    FileError opened = sink.open(statePath);
    if (!opened.failed() && !sink.write(newState.data(), newState.size())) {
        opened = FileError{statePath, sink.error()};
        sink.abandon();
    }
    if (!opened.failed())
        opened = sink.commit();
    if (opened.failed()) {
        if (error)
            *error = opened.writeMessage();
        return false;
    }
    return true;
}

std::string syncStatePath(const std::string& treeFile) {
    return treeFile + ".sync";
}

std::string syncBackupPath(const std::string& treeFile) {
    return treeFile + ".sync-backup";
}

std::string syncSummary(const SyncCounts& counts) {
    return "上传 " + std::to_string(counts.uploaded) + "，下载 " +
           std::to_string(counts.downloaded) + "，冲突 " + std::to_string(counts.conflicts);
}

}  // namespace brivanta::sync
