#include "gui/resources/MenuTables.h"

#include <QHash>

#include "gui/resources/CommandIds.h"

namespace brivanta {

namespace {

MenuTableItem item(int id, const char* text) {
    return {id, QString::fromUtf8(text), {}};
}

MenuTableItem submenu(const char* text, std::vector<MenuTableItem> children) {
    return {0, QString::fromUtf8(text), std::move(children)};
}

MenuTableItem separator() {
    return {};
}

MenuTableItem sendToMenu() {
    return submenu("发送到(&S)", {item(ids::kSendToMailbox, "我的邮箱"),
                                  item(ids::kSendToNeighbour, "我的邻居")});
}

MenuTableItem receiveMenu() {
    return submenu("接收(&R)", {item(ids::kReceiveFromMailbox, "从邮箱接收")});
}

MenuTableItem viewMenu() {
    return submenu(
        "查看(&V)",
        {item(ids::kAutoHide, "自动隐藏"), item(ids::kShowToolbar, "显示工具条"),
         item(ids::kShowTrayIcon, "任务栏图标"), item(ids::kShowMenuIcons, "显示菜单图标")});
}

std::vector<MenuTableItem> editItems() {
    return {item(ids::kEdit, "编辑(&E)..."), item(ids::kCut, "剪切(&T)"),
            item(ids::kCopy, "复制(&C)"),    item(ids::kPaste, "粘贴(&P)"),
            item(ids::kDelete, "删除(&D)"),  separator(),
            item(ids::kUndo, "撤销"),        item(ids::kRedo, "重做")};
}

// Menu 137: the custom and recommended trees; popup 1 when the tree is empty.
std::vector<MenuTablePopup> nodeMenu() {
    auto popup = [](bool withTransfer) {
        std::vector<MenuTableItem> items{item(ids::kNewEntry, "新建(&N)...")};
        for (MenuTableItem& edit : editItems())
            items.push_back(std::move(edit));
        items.push_back(separator());
        if (withTransfer)
            items.push_back(sendToMenu());
        items.push_back(receiveMenu());
        items.push_back(separator());
        items.push_back(item(ids::kImport, "导入(&I)..."));
        if (withTransfer)
            items.push_back(item(ids::kExport, "导出(&O)..."));
        items.push_back(separator());
        items.push_back(item(ids::kFindDuplicates, "查找重复..."));
        items.push_back(item(ids::kCheckLinks, "检查链接..."));
        items.push_back(separator());
        items.push_back(viewMenu());
        items.push_back(separator());
        items.push_back(item(ids::kExit, "退出(&X)"));
        return items;
    };
    return {{QString::fromUtf8("节点菜单0"), popup(true)},
            {QString::fromUtf8("节点菜单1"), popup(false)}};
}

// Menu 227: the address book. Popup 1 for a contact (no 新建), 2 for an empty book (no 发送到).
std::vector<MenuTablePopup> addressBookMenu() {
    auto popup = [](bool withNew, bool withSend) {
        std::vector<MenuTableItem> items;
        if (withNew) {
            items.push_back(submenu("新建(&N)", {item(ids::kNewContact, "联系人(&C)..."),
                                                 item(ids::kNewEntry, "文件夹(&F)...")}));
        }
        for (MenuTableItem& edit : editItems())
            items.push_back(std::move(edit));
        items.push_back(separator());
        if (withSend)
            items.push_back(sendToMenu());
        items.push_back(receiveMenu());
        items.push_back(separator());
        items.push_back(item(ids::kFindDuplicates, "查找重复..."));
        items.push_back(separator());
        items.push_back(viewMenu());
        return items;
    };
    return {{QString::fromUtf8("通讯录菜单0"), popup(true, true)},
            {QString::fromUtf8("通讯录菜单1"), popup(false, true)},
            {QString::fromUtf8("通讯录菜单2"), popup(true, false)}};
}

QHash<int, std::vector<MenuTablePopup>> buildTables() {
    QHash<int, std::vector<MenuTablePopup>> tables;
    tables.insert(ids::kNodeMenu, nodeMenu());
    tables.insert(ids::kAddressBookMenu, addressBookMenu());
    tables.insert(ids::kSendMenu, {{QString::fromUtf8("发送"),
                                    {item(ids::kSendToMailbox, "发送到邮箱..."),
                                     item(ids::kSendToNeighbour, "发送给邻居...")}}});
    tables.insert(
        ids::kReceiveMenu,
        {{QString::fromUtf8("接收0"),
          {item(ids::kReceiveFromMailbox, "从邮箱接收..."), item(ids::kListen, "监听本机端口")}},
         {QString::fromUtf8("接收1"),
          {item(ids::kUpdateRecommended, "更新推荐收藏..."),
           item(ids::kReceiveFromMailbox, "从邮箱接收..."), item(ids::kListen, "监听本机端口")}}});
    tables.insert(ids::kHelpMenu,
                  {{QString::fromUtf8("帮助"),
                    {item(ids::kHelp, "帮助(&H)"), item(ids::kTipOfTheDay, "每日一帖(&P)..."),
                     separator(), item(ids::kAbout, "关于(&B)")}}});
    tables.insert(
        ids::kTrayMenu,
        {{QString::fromUtf8("任务栏图标菜单"),
          {item(ids::kSettings, "设置(&N)..."), item(ids::kSyncNow, "立即同步"), separator(),
           item(ids::kFindDuplicates, "查找重复..."), item(ids::kCheckLinks, "检查链接..."),
           separator(), item(ids::kHelp, "帮助(&H)"), item(ids::kTipOfTheDay, "每日一帖(&P)..."),
           item(ids::kAbout, "关于(&B)"), separator(), item(ids::kAutoHide, "自动隐藏"),
           separator(), item(ids::kExit, "退出(&X)")}}});
    tables.insert(ids::kExchangeTypeMenu,
                  {{QString(),
                    {item(ids::kShortcutFolderFormat, "Internet Explore收藏夹"),
                     item(ids::kArchiveFileFormat, "Brivanta格式文件"),
                     item(ids::kHtmlFileFormat, "HTML文件")}}});
    return tables;
}

void collect(const std::vector<MenuTableItem>& items, std::vector<int>& out) {
    for (const MenuTableItem& entry : items) {
        if (entry.isSubmenu())
            collect(entry.children, out);
        else if (entry.id != 0)
            out.push_back(entry.id);
    }
}

}  // namespace

const std::vector<MenuTablePopup>& menuTable(int menuId) {
    static const QHash<int, std::vector<MenuTablePopup>> tables = buildTables();
    static const std::vector<MenuTablePopup> none;
    auto it = tables.constFind(menuId);
    return it == tables.constEnd() ? none : *it;
}

std::vector<int> menuCommands(const MenuTablePopup& popup) {
    std::vector<int> out;
    collect(popup.items, out);
    return out;
}

}  // namespace brivanta
