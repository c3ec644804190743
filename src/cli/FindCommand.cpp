#include <memory>

#include "cli/CliCommands.h"
#include "cli/TerminalText.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeFilter.h"

namespace brivanta::cli {

namespace {

struct FindLine {
    bool addressBook = false;
    std::string query;
    std::string file;
};

std::string findHelp() {
    return "在树文件 FILE（- 为标准输入）中查找名称或地址含有 QUERY 的条目，按树的顺序一行\n"
           "一个列出：所在文件夹路径和名称（以 / 分隔）、TAB、地址。字母不分大小写；中文名称\n"
           "也可用拼音或拼音首字母查找（\"xw\" 和 \"xinwen\" 都能找到“新闻”）。QUERY 按当前\n"
           "区域设置的编码读取（GBK 区域中为 GBK）。以 - 开头的 QUERY 写在 -- 之后。\n"
           "--address-book 按通讯录（每条记录三个字符串）读取。\n" +
           exitStatusHelp("没有找到，或失败");
}

int runFind(const FindLine& command) {
    require(command.query, "QUERY");
    require(command.file, "FILE");
    std::string query = text::fromUtf8(argumentText(command.query));
    BookmarkTree tree(command.addressBook ? kAddressBookTree : kCustomTree);
    FileError error;
    if (!loadArchiveFile(tree, inputPath(command.file), kNoItem, &error))
        return fail(error.readMessage());

    TreeFilter filter(tree);
    filter.setQuery(query);
    if (!filter.active())
        throw UsageError("查找的文字是空的");
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
    return hits.empty() ? kExitFailed : kExitOk;
}

Runner defineFind(OptionLine& line) {
    auto parsed = std::make_shared<FindLine>();
    line.add_flag("--address-book", parsed->addressBook);
    line.add_option("QUERY", parsed->query);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runFind(*parsed); };
}

}  // namespace

const Command kFindCommand = {"find", "按名称、地址或拼音首字母查找条目",
                              "用法: brivanta-cli find [--address-book] QUERY FILE", findHelp,
                              defineFind};

}  // namespace brivanta::cli
