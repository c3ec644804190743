#include "gui/resources/CommandRegistry.h"

#include <QAction>
#include <algorithm>

#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/resources/StringTable.h"

namespace brivanta {

namespace {

struct CommandEntry {
    int id;
    const char* text;
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
    connect(action, &QAction::triggered, this, [this, id] {
        if (isQueued(id))
            QMetaObject::invokeMethod(
                this, [this, id] { trigger(id); }, Qt::QueuedConnection);
        else
            trigger(id);
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
        handlers_.insert(id, handler);
    else
        handlers_.remove(id);
    updateEnabled(id);
}

bool CommandRegistry::trigger(int id) {
    auto it = handlers_.constFind(id);
    if (it == handlers_.constEnd() || !isAvailable(id) || suspended_)
        return false;
    emit triggered(id);
    // A copy: the handler may replace itself (or the registry's table) while it runs.
    Handler handler = *it;
    handler();
    return true;
}

void CommandRegistry::setQueued(int id, bool queued) {
    if (queued)
        queued_.insert(id, true);
    else
        queued_.remove(id);
}

void CommandRegistry::setAvailable(int id, bool available) {
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
