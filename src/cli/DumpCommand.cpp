#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/TreeArchive.h"
#include "core/text/EscapedText.h"
#include "core/trees/TreeWalk.h"

namespace brivanta::cli {

namespace {

// Lines this deep are indented; deeper ones state their depth (as deep as an import may go).
constexpr int kIndentedDepth = ImportBudget::kMaxDepth;

struct DumpLine {
    bool addressBook = false;
    std::string file;
};

std::string dumpHelp() {
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "按先序列出树文件 FILE（- 为标准输入）的每个条目，一行一个：每层缩进两个空格，名称、\n"
        "TAB、地址；--address-book 按通讯录（每条记录三个字符串）读取，并在末尾加 TAB 和标记。\n"
        "TAB、回车、换行和反斜杠写作 \\t、\\r、\\n、\\\\，其它控制字符和不成字的字节写作\n"
        "\\xNN，所以 build 能把输出还原成同样的字节。深于 %d 层的条目不缩进，行首写\n"
        "\\<N>（N 是缩进的层数），并在标准错误上说明。\n",
        kIndentedDepth);
    return text + exitStatusHelp();
}

int runDump(const DumpLine& command) {
    require(command.file, "FILE");
    const bool addressBook = command.addressBook;
    const std::string path = inputPath(command.file);
    BookmarkTree tree(addressBook ? kAddressBookTree : kCustomTree);
    FileError error;
    bool damaged = false;
    if (!loadArchiveFile(tree, path, kNoItem, &error, &damaged))
        return fail(error.readMessage());
    if (damaged)
        warnDamaged(path, tree.size());

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

Runner defineDump(OptionLine& line) {
    auto parsed = std::make_shared<DumpLine>();
    line.add_flag("--address-book", parsed->addressBook);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runDump(*parsed); };
}

}  // namespace

const Command kDumpCommand = {"dump", "以缩进文本列出树文件的全部条目",
                              "用法: brivanta-cli dump [--address-book] FILE", dumpHelp,
                              defineDump};

}  // namespace brivanta::cli
