#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/TreeArchive.h"
#include "core/text/EscapedText.h"
#include "core/trees/TreeWalk.h"

namespace brivanta::cli {

namespace {

// Lines this deep are indented; deeper ones state their depth (as deep as an import may go).
constexpr int kIndentedDepth = ImportBudget::kMaxDepth;

}  // namespace

int runDump(Args args) {
    if (wantsHelp(args)) {
        std::printf(
            "用法: brivanta-cli dump [--address-book] FILE\n"
            "按先序列出树文件 FILE 的每个条目，一行一个：每层缩进两个空格，名称、TAB、地址；\n"
            "--address-book 按通讯录（每条记录三个字符串）读取，并在末尾加 TAB 和标记。\n"
            "TAB、回车、换行和反斜杠写作 \\t、\\r、\\n、\\\\，其它控制字符和不成字的字节写作\n"
            "\\xNN，所以 build 能把输出还原成同样的字节。深于 %d 层的条目不缩进，行首写\n"
            "\\<N>（N 是缩进的层数），并在标准错误上说明。\n",
            kIndentedDepth);
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
    size_t deep = 0;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        RecordRef record = tree.LookupRecord(item);
        if (depth < kIndentedDepth) {
            line.assign(static_cast<size_t>(depth) * 2, ' ');
        } else {
            // Indenting every line of a long chain would print the square of its length.
            line = "\\<" + std::to_string(depth) + ">";
            ++deep;
        }
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
    if (deep > 0) {
        std::fprintf(stderr,
                     "brivanta-cli: 注意：%zu 个条目深于 %d 层，它们的行不缩进，以 \\<缩进层数> "
                     "开头\n",
                     deep, kIndentedDepth);
    }
    return 0;
}

}  // namespace brivanta::cli
