#include "gui/app/SyncCommands.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>

#include "core/app/LoginSession.h"
#include "core/app/SyncPlaces.h"
#include "core/sync/TreeSync.h"
#include "core/text/Encoding.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/net/NetworkTaskRunner.h"
#include "gui/net/SyncPasswords.h"
#include "gui/options/OptionValues.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

namespace {

constexpr std::size_t kMostFoldersOffered = 5000;
// A sync that found the tree changed when it came back (a transfer that waited for it went
// in) runs once more, now with that change.
constexpr int kRuns = 2;

QString treeName(int treeKind) {
    return QString::fromUtf8(treeKind == kRecommendedTree ? "推荐" : "收藏");
}

QString folderName(const SyncSettings& settings) {
    QStringList parts;
    for (const std::string& label : settings.folder)
        parts << fromGbk(label);
    return treeName(settings.treeKind) + QStringLiteral(" / ") + parts.join(QStringLiteral(" / "));
}

// Whether the folder's children are `merged`, but for the images the tree picks itself.
bool holdsMerged(const BookmarkTree& tree, ItemId folder,
                 const std::vector<std::vector<NodeState>>& merged) {
    const std::vector<std::vector<NodeState>> now = sync::captureChildren(tree, folder);
    auto same = [](const NodeState& a, const NodeState& b) {
        return a.record == b.record && a.ownLabel == b.ownLabel && a.label == b.label &&
               a.depth == b.depth;
    };
    return std::equal(now.begin(), now.end(), merged.begin(), merged.end(),
                      [&](const auto& a, const auto& b) {
                          return std::equal(a.begin(), a.end(), b.begin(), b.end(), same);
                      });
}

}  // namespace

SyncCommands::SyncCommands(QWidget& window, CommandRegistry& commands, LoginSession& login,
                           Hooks hooks)
    : QObject(&window),
      window_(window),
      commands_(commands),
      login_(login),
      hooks_(std::move(hooks)),
      settings_(DesktopProfile::current().syncSettings(login.account().name)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        // Never in the middle of something the user is doing in a dialog, nor beside another
        // network operation: the next tick tries again.
        if (QApplication::activeModalWidget() || NetworkTaskRunner::instance().isRunning())
            return;
        syncNow(Trigger::timed);
    });
    restartTimer();
}

SyncCommands::~SyncCommands() = default;

void SyncCommands::registerCommands() {
    commands_.setHandler(ids::kSyncNow, [this] { syncNow(Trigger::byHand); });
    // The busy window and the boxes come after the menu has closed.
    commands_.setQueued(ids::kSyncNow, true);
}

std::string SyncCommands::statePath() const {
    const std::string tree =
        syncTreeFile(login_.storage(), login_.account().name, settings_.treeKind);
    return tree.empty() ? std::string() : sync::syncStatePath(tree);
}

void SyncCommands::restartTimer() {
    timer_.stop();
    if (settings_.configured() && settings_.intervalMinutes > 0)
        timer_.start(settings_.intervalMinutes * 60 * 1000);
}

void SyncCommands::fill(OptionValues& values) const {
    const std::string& user = login_.account().name;
    values.sync = settings_;
    values.syncPassword = syncpasswords::read(user, settings_);
    values.syncPasswordForRunOnly = !syncpasswords::lasting();
    values.customFolders = folderPaths(login_.customTree(), kMostFoldersOffered);
    values.recommendedFolders = folderPaths(login_.recommendedTree(), kMostFoldersOffered);
}

void SyncCommands::apply(const OptionValues& values) {
    const std::string& user = login_.account().name;
    const SyncSettings before = settings_;
    if (namesOtherTarget(before, values.sync)) {
        // The last sync's state is that of another file or folder. The sync would not take
        // it for a base (it names its file and folder), but it is of no use any more.
        const std::string old = statePath();
        if (!old.empty())
            std::remove(old.c_str());
    }
    if (before.user != values.sync.user || before.serverUrl != values.sync.serverUrl)
        syncpasswords::forget(user, before);
    settings_ = values.sync;
    if (!(before == settings_))
        DesktopProfile::current().setSyncSettings(user, settings_);
    // Each write asks the secret store over D-Bus: only a changed password is written.
    if (settings_.configured() && syncpasswords::read(user, settings_) != values.syncPassword)
        syncpasswords::write(user, settings_, values.syncPassword);
    restartTimer();
    commands_.refresh();
}

void SyncCommands::tell(Trigger trigger, const QString& text, bool important) {
    emit told(text);
    // A timed sync that went as it should says nothing.
    if (trigger == Trigger::timed && !important)
        return;
    const bool shown = hooks_.notify && hooks_.notify(QString::fromUtf8("同步"), text, false);
    // Asked for by hand, the outcome is seen even without a tray icon.
    if (!shown && trigger == Trigger::byHand && important)
        informBox(&window_, QString::fromUtf8("同步"), text);
}

bool SyncCommands::fail(Trigger trigger, const QString& text) {
    emit told(text);
    if (trigger == Trigger::byHand)
        warnBox(&window_, QString::fromUtf8("同步"), text);
    else if (hooks_.notify)
        hooks_.notify(QString::fromUtf8("同步失败"), text, true);
    return false;
}

bool SyncCommands::syncNow(Trigger trigger) {
    // A timer tick inside the busy window's loop does not start a second sync.
    if (running_ || !settings_.configured())
        return false;
    running_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{running_};

    const SyncSettings settings = settings_;
    const int kind = settings.treeKind;
    const std::string state = statePath();
    TreeUndo* history = hooks_.history(kind);
    if (state.empty() || !history)
        return fail(trigger, QString::fromUtf8("同步：用户 “%1” 的%2没有文件。")
                                 .arg(fromGbk(login_.account().name), treeName(kind)));
    BookmarkTree& tree = login_.tree(kind);

    sync::SyncTarget target;
    target.serverUrl = settings.serverUrl;
    target.fileName = settings.fileName;
    target.webdav.user = settings.user;
    target.webdav.password = syncpasswords::read(login_.account().name, settings);
    target.webdav.caFile = settings.caFile;
    std::vector<std::string> labels;
    labels.reserve(settings.folder.size());
    for (const std::string& label : settings.folder)
        labels.push_back(text::toUtf8(label));
    target.scope = joinFolderPath(labels);

    for (int run = 0; run < kRuns; ++run) {
        std::optional<ItemId> folder = findSyncFolder(tree, settings.folder);
        if (!folder)
            return fail(trigger, QString::fromUtf8(
                                     "要同步的文件夹 “%1” 已不存在；请在“设置”的“同步”页重新选择。")
                                     .arg(folderName(settings)));
        const std::vector<std::vector<NodeState>> snapshot = sync::captureChildren(tree, *folder);
        sync::SyncResult result;
        const bool ran = NetworkTaskRunner::instance().run(
            &window_, &commands_, QString::fromUtf8("正在同步..."), [&](const net::StepCallback&) {
                result = sync::syncSnapshot(target, snapshot, state);
            });
        if (!ran) {
            if (trigger == Trigger::timed)
                return false;  // the next tick tries again
            return fail(trigger, QString::fromUtf8("另一项网络操作尚未结束，请稍后再同步。"));
        }
        if (!result.ok)
            return fail(trigger, QString::fromStdString(result.error));

        // What waited for the sync (a neighbour's transfer) may have gone into the tree as the
        // busy window closed: the merge did not see it, so it is not replaced but synced too.
        folder = findSyncFolder(tree, settings.folder);
        if (!folder || sync::captureChildren(tree, *folder) != snapshot)
            continue;

        if (result.localChanged) {
            std::string error;
            if (!sync::backupBeforeSync(login_.treeFile(kind), &error))
                return fail(
                    trigger,
                    QString::fromUtf8("同步的结果没有放进%1：无法备份。").arg(treeName(kind)) +
                        QString::fromStdString(error));
            const std::vector<std::vector<NodeState>> merged = result.merged;
            const ItemId into = *folder;
            history->runMade(
                [&] { return sync::makeSyncCommand(tree, into, std::move(result.merged)); });
            // Committed without the server's entries in the tree, the state would make the
            // next sync take them for deleted here and delete them on the server.
            if (!holdsMerged(tree, into, merged))
                return fail(
                    trigger,
                    QString::fromUtf8("同步的结果无法放进%1，什么都没有改。").arg(treeName(kind)));
            const TreeSave saved = login_.save(kind);
            if (saved.failed())
                return fail(
                    trigger,
                    QString::fromUtf8("同步的结果已放进%1，但没有保存：").arg(treeName(kind)) +
                        QString::fromStdString(saved.message()));
        }
        std::string error;
        if (!sync::commitSyncState(state, result.newState, &error))
            return fail(trigger, QString::fromStdString(error));

        const QString summary = QString::fromStdString(sync::syncSummary(result.counts));
        if (result.counts.conflicts > 0) {
            tell(trigger,
                 QString::fromUtf8(
                     "同步完成：冲突 %1 处，两边的版本都已保留（本机的标为“（本机）”）。\n")
                         .arg(result.counts.conflicts) +
                     summary,
                 true);
        } else {
            tell(trigger, QString::fromUtf8("同步完成：") + summary, trigger == Trigger::byHand);
        }
        return true;
    }
    return fail(trigger,
                QString::fromUtf8("同步期间%1有了变动，请再同步一次。").arg(treeName(kind)));
}

}  // namespace brivanta
