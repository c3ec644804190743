#include "cli/CliCommands.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeFilter.h"

namespace brivanta::cli {

int runFind(Args args) {
    if (wantsHelp(args)) {
        std::printf(
            "用法: brivanta-cli find [--address-book] QUERY FILE\n"
            "在树文件 FILE 中查找名称或地址含有 QUERY 的条目，按树的顺序一行一个列出：\n"
            "所在文件夹路径和名称（以 / 分隔）、TAB、地址。字母不分大小写；中文名称也可用\n"
            "拼音或拼音首字母查找（\"xw\" 和 \"xinwen\" 都能找到“新闻”）。\n"
            "--address-book 按通讯录（每条记录三个字符串）读取。没有找到时退出状态为 1。\n");
        return 0;
    }
    bool addressBook = takeFlag(args, "--address-book");
    if (args.size() != 2)
        return fail("用法: brivanta-cli find [--address-book] QUERY FILE");
    std::string query = text::fromUtf8(args[0]);
    BookmarkTree tree(addressBook ? kAddressBookTree : kCustomTree);
    FileError error;
    if (!loadArchiveFile(tree, args[1], kNoItem, &error))
        return fail(error.readMessage());

    TreeFilter filter(tree);
    filter.setQuery(query);
    if (!filter.active())
        return fail("查找的文字是空的");
    OutputBuffer out;
    std::string line;
    std::vector<ItemId> hits = filter.hitsInTreeOrder();
    for (ItemId item : hits) {
        line = text::toUtf8(filter.pathOf(item));
        line += '\t';
        line += text::toUtf8(tree.LookupRecord(item)->address);
        line += '\n';
        out.append(line);
    }
    return hits.empty() ? 1 : 0;
}

}  // namespace brivanta::cli
