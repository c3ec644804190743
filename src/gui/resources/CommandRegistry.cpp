#include "gui/resources/CommandRegistry.h"

#include <QAction>
#include <QKeySequence>
#include <algorithm>

#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandMap.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/resources/StringTable.h"

namespace brivanta {

namespace {

struct CommandEntry {
    int id;
    const char* text;
};

struct CommandKeys {
    int id;
    QKeySequence::StandardKey key;
};

// The keys of the commands, the desktop's own for each; shown in every menu beside the text.
constexpr CommandKeys kCommandKeys[] = {
    {ids::kDelete, QKeySequence::Delete}, {ids::kCut, QKeySequence::Cut},
    {ids::kCopy, QKeySequence::Copy},     {ids::kPaste, QKeySequence::Paste},
    {ids::kUndo, QKeySequence::Undo},     {ids::kRedo, QKeySequence::Redo},
    {ids::kSearch, QKeySequence::Find},
};

// The menu texts of the window's and the trees' commands.
constexpr CommandEntry kCommandTexts[] = {
    {ids::kDelete, "删除(&D)"},
    {ids::kNewEntry, "新建(&N)..."},
    {ids::kEdit, "编辑(&E)..."},
    {ids::kCut, "剪切(&T)"},
    {ids::kCopy, "复制(&C)"},
    {ids::kPaste, "粘贴(&P)"},
    {ids::kExit, "退出(&X)"},
    {ids::kAbout, "关于(&B)"},
    {ids::kImport, "导入(&I)..."},
    {ids::kExport, "导出(&O)..."},
    {ids::kSettings, "设置(&N)..."},
    {ids::kSave, "存盘"},
    {ids::kShowToolbar, "显示工具条"},
    {ids::kShowMenuIcons, "显示菜单图标"},
    {ids::kListen, "监听本机端口"},
    {ids::kSendToMailbox, "发送到邮箱..."},
    {ids::kReceiveFromMailbox, "从邮箱接收..."},
    {ids::kUpload, "上传"},
    {ids::kUpdateRecommended, "更新推荐收藏..."},
    {ids::kSendToNeighbour, "发送给邻居..."},
    {ids::kShortcutFolderFormat, "Internet Explore收藏夹"},
    {ids::kHtmlFileFormat, "HTML文件"},
    {ids::kArchiveFileFormat, "Brivanta格式文件"},
    {ids::kShowTrayIcon, "任务栏图标"},
    {ids::kAutoHide, "自动隐藏"},
    {ids::kNewContact, "联系人(&C)..."},
    {ids::kTipOfTheDay, "每日一帖(&P)..."},
    {ids::kUndo, "撤销"},
    {ids::kRedo, "重做"},
    {ids::kRename, "重命名"},
    {ids::kSearch, "查找"},
    {ids::kFindDuplicates, "查找重复..."},
    {ids::kCheckLinks, "检查链接..."},
    {ids::kSyncNow, "立即同步"},
    {ids::kHelp, "帮助(&H)"},
};

}  // namespace

QString commandText(int id) {
    for (const CommandEntry& entry : kCommandTexts) {
        if (entry.id == id)
            return QString::fromUtf8(entry.text);
    }
    return {};
}

CommandRegistry::CommandRegistry(QObject* parent) : QObject(parent) {}

CommandRegistry::~CommandRegistry() = default;

QAction* CommandRegistry::action(int id) {
    if (QAction* existing = actions_.value(id))
        return existing;
    auto* action = new QAction(commandIcon(id), commandText(id), this);
    action->setObjectName(QString::number(id));
    QString tip = resourceString(id);
    if (!tip.isEmpty())
        action->setToolTip(tip);
    action->setIconVisibleInMenu(false);  // icon menus draw their own icon column
    for (const CommandKeys& keys : kCommandKeys) {
        if (keys.id == id)
            action->setShortcuts(keys.key);
    }
    if (id == ids::kRename)
        action->setShortcut(QKeySequence(Qt::Key_F2));
    connect(action, &QAction::triggered, this, [this, id] {
        // The target is taken now: a queued command still acts on the tree whose menu it was
        // chosen from.
        const int on = target();
        if (isQueued(id))
            QMetaObject::invokeMethod(
                this, [this, id, on] { trigger(id, on); }, Qt::QueuedConnection);
        else
            trigger(id, on);
    });
    actions_.insert(id, action);
    updateEnabled(id);
    return action;
}

QList<int> CommandRegistry::ids() const {
    QList<int> list = actions_.keys();
    std::sort(list.begin(), list.end());
    return list;
}

void CommandRegistry::setHandler(int id, const Handler& handler) {
    if (handler)
        setTreeHandler(id, [handler](int) { handler(); });
    else
        setTreeHandler(id, {});
}

void CommandRegistry::setTreeHandler(int id, const TreeHandler& handler) {
    if (handler)
        handlers_.insert(id, handler);
    else
        handlers_.remove(id);
    updateEnabled(id);
}

bool CommandRegistry::trigger(int id) {
    return trigger(id, target());
}

bool CommandRegistry::trigger(int id, int target) {
    auto it = handlers_.constFind(id);
    if (it == handlers_.constEnd() || suspended_)
        return false;
    // A command given for another tree than the shown one is judged by that tree.
    if (source_ && target != this->target()) {
        std::optional<Command> command = commandOf(id);
        if (command && !commandState(*command, context(target)).enabled)
            return false;
    } else if (!isAvailable(id)) {
        return false;
    }
    emit triggered(id);
    // A copy: the handler may replace itself (or the registry's table) while it runs.
    TreeHandler handler = *it;
    handler(target);
    return true;
}

void CommandRegistry::pushTarget(QObject* owner, int target) {
    targets_.append({owner, target});
    connect(owner, &QObject::destroyed, this, [this, owner] { releaseTarget(owner); });
    refresh();
}

void CommandRegistry::releaseTarget(QObject* owner) {
    targets_.removeIf([owner](const TargetOverride& o) { return !o.owner || o.owner == owner; });
    refresh();
}

int CommandRegistry::target() const {
    for (auto it = targets_.crbegin(); it != targets_.crend(); ++it) {
        if (it->owner)
            return it->target;
    }
    return defaultTarget_ ? defaultTarget_() : 0;
}

CommandContext CommandRegistry::context(int target) const {
    return source_ ? source_(target) : CommandContext{};
}

void CommandRegistry::refresh() {
    if (source_)
        applyContext(context(target()));
}

void CommandRegistry::applyContext(const CommandContext& context) {
    const CommandStates states = commandStates(context);
    for (std::size_t i = 0; i < states.size(); ++i) {
        const CommandState& state = states[i];
        const int id = commandId(static_cast<Command>(i));
        setAvailable(id, state.enabled);
        if (state.checkable)
            setChecked(id, state.checked);
        QAction* a = actions_.value(id);
        if (!a)
            continue;
        a->setVisible(state.visible);
        QString text = commandText(id);
        if (!state.detail.empty())
            text += u' ' + QString::fromStdString(state.detail);
        a->setText(text);
    }
}

void CommandRegistry::setQueued(int id, bool queued) {
    if (queued)
        queued_.insert(id, true);
    else
        queued_.remove(id);
}

void CommandRegistry::setAvailable(int id, bool available) {
    if (available == isAvailable(id))
        return;
    if (available)
        unavailable_.remove(id);
    else
        unavailable_.insert(id, true);
    updateEnabled(id);
}

void CommandRegistry::setChecked(int id, bool checked) {
    QAction* a = action(id);
    a->setCheckable(true);
    a->setChecked(checked);
}

bool CommandRegistry::isChecked(int id) const {
    QAction* a = actions_.value(id);
    return a && a->isChecked();
}

void CommandRegistry::setSuspended(bool suspended) {
    suspended_ = suspended;
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it)
        updateEnabled(it.key());
}

void CommandRegistry::updateEnabled(int id) {
    if (QAction* a = actions_.value(id))
        a->setEnabled(hasHandler(id) && isAvailable(id) && !suspended_);
}

}  // namespace brivanta
