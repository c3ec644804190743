#include "core/sync/TreeSync.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

#include "core/formats/FileStreams.h"
#include "core/net/WebDavLock.h"
#include "core/sync/SnapshotMerge.h"
#include "core/sync/SyncCommand.h"
#include "core/sync/ThreeWayMerge.h"
#include "core/sync/XbelSyncModel.h"
#include "core/text/Encoding.h"

namespace brivanta::sync {

namespace {

// Which file of which server a state belongs to: a state of another is no base.
std::string stateNote(const SyncTarget& target) {
    std::string base = target.serverUrl;
    if (base.empty() || base.back() != '/')
        base += '/';
    std::string note = base + target.fileName;
    if (!target.scope.empty())
        note += "\n" + target.scope;
    return note;
}

// The last synced model, when the state file is ours for this target and readable. A missing,
// damaged or foreign state makes the sync a first one (a union, which loses nothing).
std::optional<SyncModel> readState(const std::string& path, const SyncTarget& target) {
    std::string bytes;
    if (readWholeFile(path, bytes).failed())
        return std::nullopt;
    XbelModelRead read = readXbelModel(bytes);
    if (!read.failure.empty() || read.note != stateNote(target))
        return std::nullopt;
    return std::move(read.model);
}

bool usableFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string serverFileText(const net::WebDavClient& client, const std::string& name) {
    return "服务器 " + client.server() + " 上的 “" + name + "”";
}

}  // namespace

SyncResult syncSnapshot(const SyncTarget& target,
                        const std::vector<std::vector<NodeState>>& snapshot,
                        const std::string& statePath, const std::atomic<bool>* cancel,
                        const BeforeUploadHook& beforeUpload) {
    SyncResult result;
    net::WebDavClient client(target.serverUrl, target.webdav);
    auto cancelled = [&] {
        if (cancel && cancel->load()) {
            result.error = "同步已取消，服务器 " + client.server() + " 上的文件没有改动";
            return true;
        }
        return false;
    };
    if (!usableFileName(target.fileName)) {
        result.error = "同步文件名 “" + target.fileName + "” 不可用";
        return result;
    }
    const std::optional<SyncModel> state = readState(statePath, target);

    net::WebDavLock lock(client, target.fileName);
    switch (lock.take()) {
        case net::LockState::taken:
            break;
        case net::LockState::held:
            result.error = "另一个客户端正在同步，请稍后再试：" + lock.error();
            return result;
        case net::LockState::failed:
            result.error = "无法锁定同步文件：" + lock.error();
            return result;
    }
    auto lockedAt = std::chrono::steady_clock::now();

    const int attempts = std::max(1, target.maxAttempts);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (cancelled())
            return result;
        net::WebDavReply got = client.get(target.fileName);
        if (got.result == net::WebDavResult::failed) {
            result.error = "无法读取同步文件：" + got.error;
            return result;
        }
        const bool missing = got.result == net::WebDavResult::missing;
        XbelModelRead remote;
        if (!missing) {
            remote = readXbelModel(got.body);
            if (!remote.failure.empty()) {
                result.error = serverFileText(client, target.fileName) +
                               " 不是可用的 XBEL 书签文件（" + remote.failure + "），没有覆盖它";
                return result;
            }
        }
        // A server file that is gone (or a state of another server) gives no base: then the
        // sync is a union, so nothing is deleted on the word of a missing file.
        const SyncModel* base = state && !missing ? &*state : nullptr;
        SnapshotMerge merge = mergeSnapshot(snapshot, base, remote.model);
        const SyncModel& merged = merge.outcome.merged;

        // A file we could not read back ourselves is not written.
        if (merged.depth() > kMaxSyncDepth) {
            result.error = "书签的文件夹嵌套超过 " + std::to_string(kMaxSyncDepth) +
                           " 层，不能同步到" + serverFileText(client, target.fileName);
            return result;
        }
        if (beforeUpload)
            beforeUpload(attempt);
        if (std::chrono::steady_clock::now() - lockedAt >
            std::chrono::seconds(target.lockRefreshSeconds)) {
            if (!lock.refresh()) {
                result.error = "同步锁已失效：" + (lock.error().empty()
                                                       ? serverFileText(client, lock.lockName()) +
                                                             " 已被另一个客户端接管"
                                                       : lock.error());
                return result;
            }
            lockedAt = std::chrono::steady_clock::now();
        }
        if (cancelled())
            return result;

        if (!missing && got.etag.empty() && merge.remoteChanged) {
            // Without an ETag the upload cannot be made on the condition that nobody wrote
            // meanwhile; an unconditional one could overwrite another client's sync.
            result.error = serverFileText(client, target.fileName) +
                           " 没有 ETag，不能确保上传时它没有被别人改动，没有上传";
            return result;
        }
        if (missing || merge.remoteChanged) {
            net::WebDavReply put =
                client.put(target.fileName, writeXbelModel(merged), missing ? "" : got.etag);
            if (put.result == net::WebDavResult::changedMeanwhile)
                continue;  // someone wrote meanwhile: read their file and merge again
            if (put.result != net::WebDavResult::ok) {
                result.error = "无法上传同步文件：" + put.error;
                return result;
            }
        }
        result.ok = true;
        const MergeCounts& counts = merge.outcome.counts;
        result.counts = {counts.toRemote, counts.toLocal, counts.conflicts};
        result.localChanged = merge.localChanged;
        if (merge.localChanged)
            result.merged = std::move(merge.children);
        else
            result.merged = snapshot;
        result.newState = writeXbelModel(merged, stateNote(target));
        lock.release();
        return result;
    }
    result.error = serverFileText(client, target.fileName) + " 在同步期间被反复改动（" +
                   std::to_string(attempts) + " 次），请稍后再试";
    return result;
}

std::vector<std::vector<NodeState>> captureChildren(const BookmarkTree& tree, ItemId folder) {
    std::vector<std::vector<NodeState>> children;
    const int count = tree.childCount(folder);
    children.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int row = 0; row < count; ++row)
        children.push_back(tree.captureSubtree(tree.child(folder, row)));
    return children;
}

std::unique_ptr<TreeCommand> makeSyncCommand(BookmarkTree& tree, ItemId folder,
                                             std::vector<std::vector<NodeState>> merged,
                                             bool* refused) {
    if (refused)
        *refused = false;
    if (folder != kNoItem && !tree.contains(folder)) {
        if (refused)
            *refused = true;
        return nullptr;
    }
    // Images of entries new to the tree or with a new address, as the tree would choose them.
    NodeIconChooser* chooser = tree.iconChooser();
    for (auto& list : merged) {
        for (NodeState& s : list) {
            if (s.image >= 0)
                continue;
            int image = -1;
            std::string_view address = s.record.address;
            while (!address.empty() && (address.front() == ' ' || address.front() == '\t'))
                address.remove_prefix(1);
            if (chooser && !address.empty())
                image = chooser->imageForAddress(address);
            if (image < 0 || image > INT16_MAX)
                image = kClosedFolderImage;
            s.image = s.selectedImage = static_cast<std::int16_t>(image);
        }
    }
    if (merged == captureChildren(tree, folder))
        return nullptr;
    auto command = std::make_unique<SyncCommand>(tree, pathOf(tree, folder), std::move(merged));
    if (!command->redo()) {
        if (refused)
            *refused = true;
        return nullptr;
    }
    return command;
}

bool commitSyncState(const std::string& statePath, const std::string& newState,
                     std::string* error) {
    AtomicFileSink sink;
    FileError failure = sink.open(statePath);
    if (!failure.failed() && !sink.write(newState.data(), newState.size())) {
        failure = FileError{statePath, sink.error() ? sink.error() : EIO};
        sink.abandon();
    }
    if (!failure.failed())
        failure = sink.commit();
    if (failure.failed()) {
        if (error)
            *error = failure.writeMessage();
        return false;
    }
    return true;
}

std::string syncStatePath(const std::string& treeFile) {
    return treeFile + ".sync.xbel";
}

std::string syncBackupPath(const std::string& treeFile) {
    return treeFile + ".before-sync";
}

bool backupBeforeSync(const std::string& treeFile, std::string* error) {
    std::string bytes;
    FileError read = readWholeFile(treeFile, bytes);
    if (read.failed()) {
        if (read.errorNumber == ENOENT)
            return true;
        if (error)
            *error = read.readMessage();
        return false;
    }
    return commitSyncState(syncBackupPath(treeFile), bytes, error);
}

std::string syncSummary(const SyncCounts& counts) {
    return "上传 " + std::to_string(counts.uploaded) + "，下载 " +
           std::to_string(counts.downloaded) + "，冲突 " + std::to_string(counts.conflicts);
}

}  // namespace brivanta::sync
