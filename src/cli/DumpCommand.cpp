#include "cli/CliCommands.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"

namespace brivanta::cli {

int runDump(Args args) {
    if (wantsHelp(args)) {
        std::printf(
            "用法: brivanta-cli dump [--address-book] FILE\n"
            "按先序列出树文件 FILE 的每个条目，一行一个：每层缩进两个空格，名称、TAB、地址；\n"
            "--address-book 按通讯录（每条记录三个字符串）读取，并在末尾加 TAB 和标记。\n");
        return 0;
    }
    bool addressBook = takeFlag(args, "--address-book");
    if (args.size() != 1)
        return fail("用法: brivanta-cli dump [--address-book] FILE");
    BookmarkTree tree(addressBook ? kAddressBookTree : kCustomTree);
    FileError error;
    if (!loadArchiveFile(tree, args[0], kNoItem, &error))
        return fail(error.readMessage());

    OutputBuffer out;
    std::string line;
    // Pre-order without recursion: a hostile file may nest entries very deeply.
    ItemId item = tree.firstChild(kNoItem);
    int depth = 0;
    while (item != kNoItem) {
        const NodeRecord* record = tree.LookupRecord(item);
        line.assign(static_cast<size_t>(depth) * 2, ' ');
        line += text::toUtf8(tree.label(item));
        line += '\t';
        line += text::toUtf8(record->address);
        if (addressBook) {
            line += '\t';
            line += text::toUtf8(record->tag);
        }
        line += '\n';
        out.append(line);
        if (tree.hasChildren(item)) {
            item = tree.firstChild(item);
            ++depth;
            continue;
        }
        while (item != kNoItem && tree.nextSibling(item) == kNoItem) {
            item = tree.parent(item);
            --depth;
        }
        if (item != kNoItem)
            item = tree.nextSibling(item);
    }
    return 0;
}

}  // namespace brivanta::cli
