#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/TreeArchive.h"
#include "core/text/EscapedText.h"
#include "core/trees/TreeWalk.h"

namespace brivanta::cli {

int runDump(Args args) {
    if (wantsHelp(args)) {
        std::printf(
            "用法: brivanta-cli dump [--address-book] FILE\n"
            "按先序列出树文件 FILE 的每个条目，一行一个：每层缩进两个空格，名称、TAB、地址；\n"
            "--address-book 按通讯录（每条记录三个字符串）读取，并在末尾加 TAB 和标记。\n"
            "TAB、回车、换行和反斜杠写作 \\t、\\r、\\n、\\\\，其它控制字符和不成字的字节写作\n"
            "\\xNN，所以 build 能把输出还原成同样的字节。\n");
        return 0;
    }
    bool addressBook = takeFlag(args, "--address-book");
    if (args.size() != 1)
        return fail("用法: brivanta-cli dump [--address-book] FILE");
    BookmarkTree tree(addressBook ? kAddressBookTree : kCustomTree);
    FileError error;
    bool damaged = false;
    if (!loadArchiveFile(tree, args[0], kNoItem, &error, &damaged))
        return fail(error.readMessage());
    if (damaged)
        warnDamaged(args[0], tree.size());

    OutputBuffer out;
    std::string line;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        RecordRef record = tree.LookupRecord(item);
        line.assign(static_cast<size_t>(depth) * 2, ' ');
        line += text::escapedUtf8(tree.label(item), true);
        line += '\t';
        line += text::escapedUtf8(record->address);
        if (addressBook) {
            line += '\t';
            line += text::escapedUtf8(record->tag);
        }
        line += '\n';
        out.append(line);
        return !out.failed();  // a full disk: stop at once, main() reports it
    });
    out.flush();
    return 0;
}

}  // namespace brivanta::cli
