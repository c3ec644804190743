#include <unistd.h>

#include <cerrno>
#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "cli/ProgressLine.h"
#include "cli/SharedTreeFile.h"
#include "core/formats/FileLock.h"
#include "core/formats/TreeArchive.h"
#include "core/sync/TreeSync.h"
#include "core/text/SystemErrorText.h"

namespace brivanta::cli {

namespace {

struct SyncLine {
    std::string webdav, file = "bookmarks.xbel", user, passwordFile, caFile, timeout;
    bool allowRedirects = false;
    bool quiet = false;
    std::vector<std::string> args;
};

std::string syncHelp() {
    return std::string(
               "让树文件 TREE 与 WebDAV 服务器上的 XBEL 书签文件（默认 bookmarks.xbel，与\n"
               "Floccus 的格式相同）双向同步：两边自上次同步以来的增加、删除、移动、改名和\n"
               "地址改动都带到对方；两边都改了的条目两份都留下（服务器的在原处，本机的在旁边，\n"
               "标题后加“（本机）”）。同步前锁定服务器上的 NAME.lock，改动树之前把 TREE 备份为\n"
               "TREE.before-sync；上次同步的状态保存在 TREE.sync.xbel。服务器上的文件损坏或不是\n"
               "XBEL 时什么都不改。成功时打印“上传 N，下载 M，冲突 K”。密码取自文件 F 的第一行。\n"
               "--ca-file F    额外信任的 PEM 证书\n"
               "--allow-redirects  跟随服务器的重定向（默认视为错误）\n"
               "--timeout S    每个请求最多 S 秒（默认 60）\n") +
           kQuietHelp + exitStatusHelp("同步失败（原因写在标准错误上，点明服务器或文件）");
}

int runSync(const SyncLine& command) {
    require(command.webdav, "--webdav URL");
    require(command.user, "--user USER");
    if (command.args.empty())
        throw UsageError("缺少参数 TREE");
    if (command.args.size() > 1)
        throw UsageError("多余的参数 " + command.args[1]);
    if (command.file.empty() || command.file == "." || command.file == ".." ||
        command.file.find('/') != std::string::npos)
        throw UsageError("--file 须是一个文件名（不含 /）：“" + command.file + "”");
    const std::string& treeFile = command.args[0];

    sync::SyncTarget target;
    target.serverUrl = command.webdav;
    target.fileName = command.file;
    target.webdav.user = command.user;
    target.webdav.caFile = command.caFile;
    target.webdav.followRedirects = command.allowRedirects;
    if (!command.timeout.empty()) {
        net::NetTimeouts timeouts;
        applyTimeout(command.timeout, timeouts);
        target.webdav.timeoutMs = timeouts.readMs;
        target.webdav.connectTimeoutMs = timeouts.connectMs;
    }
    if (!readPasswordFile(command.passwordFile, target.webdav.password))
        return 1;
    if (!command.caFile.empty() && ::access(command.caFile.c_str(), R_OK) != 0)
        return fail("不能读取证书文件 “" + command.caFile + "”：" + text::systemErrorText(errno));

    // No other writer may change TREE between the snapshot and the save.
    FileLock lock;
    if (!lockTreeFile(lock, treeFile))
        return 1;
    BookmarkTree tree;
    bool damaged = false;
    if (!loadWriteTarget(tree, treeFile, &damaged))
        return 1;
    if (damaged)
        return fail("树文件 “" + treeFile + "” 已损坏，修复后再同步");

    ProgressLine progress(command.quiet);
    progress.update("正在与 " + command.webdav + " 同步", true);
    const std::string statePath = sync::syncStatePath(treeFile);
    sync::SyncResult result =
        sync::syncSnapshot(target, sync::captureChildren(tree, kNoItem), statePath);
    progress.clear();
    if (!result.ok)
        return fail(result.error);

    std::string error;
    if (result.localChanged) {
        if (!sync::backupBeforeSync(treeFile, &error))
            return fail(error + "（服务器上的文件已同步；树文件没有改动，下次同步会补上）");
        bool refused = false;
        if (sync::makeSyncCommand(tree, kNoItem, std::move(result.merged), &refused)) {
            if (FileError e = saveArchiveFile(tree, treeFile))
                return fail(e.writeMessage() + "（服务器上的文件已同步，下次同步会补上）");
        } else if (refused) {
            return fail("树文件 “" + treeFile +
                        "” 容纳不下同步来的条目，没有改动（服务器上的文件已同步）");
        }
    }
    if (!sync::commitSyncState(statePath, result.newState, &error))
        return fail(error);
    std::printf("%s\n", sync::syncSummary(result.counts).c_str());
    return 0;
}

Runner defineSync(OptionLine& line) {
    auto parsed = std::make_shared<SyncLine>();
    line.add_option("--webdav", parsed->webdav);
    line.add_option("--file", parsed->file);
    line.add_option("--user", parsed->user);
    line.add_option("--password-file", parsed->passwordFile);
    line.add_option("--ca-file", parsed->caFile);
    line.add_flag("--allow-redirects", parsed->allowRedirects);
    addTimeoutOption(line, parsed->timeout);
    addQuietOption(line, parsed->quiet);
    line.add_option("ARGS", parsed->args);
    return [parsed] { return runSync(*parsed); };
}

}  // namespace

const Command kSyncCommand = {
    "sync", "经 WebDAV 与 XBEL 书签文件双向同步",
    "用法: brivanta-cli sync --webdav URL [--file NAME] --user USER --password-file F "
    "[--ca-file F] [--allow-redirects] [--timeout S] [-q] TREE",
    syncHelp, defineSync};

}  // namespace brivanta::cli
