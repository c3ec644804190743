#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iostream>
#include <memory>

#include "cli/CliCommands.h"
#include "cli/SharedTreeFile.h"
#include "cli/StandardOutputSink.h"
#include "cli/TerminalText.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileLock.h"
#include "core/formats/TargetTreeFile.h"
#include "core/formats/TreeArchive.h"
#include "core/text/EscapedText.h"

namespace brivanta::cli {

namespace {

struct BuildLine {
    bool addressBook = false;
    std::string file;
};

std::string buildHelp() {
    return "从标准输入读取 dump 的缩进文本（每层两个空格；名称 TAB 地址 [TAB 标记]），\n"
           "写成树文件 FILE；FILE 为 - 时写到标准输出。某行比上一行深了不止一层时报错并给出\n"
           "行号。转义与 dump 相同：\\t、\\r、\\n、\\\\ 和 \\xNN；以 \\<N> 开头的行深 N 层。\n" +
           exitStatusHelp();
}

int runBuild(const BuildLine& command) {
    require(command.file, "FILE");
    const bool addressBook = command.addressBook;
    const std::string& file = command.file;
    BookmarkTree tree(addressBook ? kAddressBookTree : kCustomTree);

    // The last entry at each depth; the parent of a line at depth d is path[d - 1].
    std::vector<ItemId> path;
    std::string line;
    size_t lineNumber = 0;
    while (std::getline(std::cin, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // Text typed or dumped in a GBK locale is GBK.
        line = argumentText(line);
        if (line.empty())
            continue;
        size_t spaces = line.find_first_not_of(' ');
        if (spaces == std::string::npos)
            spaces = line.size();
        if (spaces % 2 != 0) {
            return fail("标准输入第 " + std::to_string(lineNumber) +
                        " 行：缩进不是两个空格的整数倍");
        }
        size_t depth = spaces / 2;
        // dump writes the depth of a very deep line as "\<N>" instead of 2N spaces.
        if (spaces == 0 && line.starts_with("\\<")) {
            size_t close = line.find('>');
            size_t stated = 0;
            auto [end, ec] = std::from_chars(line.data() + 2,
                                             line.data() + std::min(close, line.size()), stated);
            if (close == std::string::npos || ec != std::errc() || end != line.data() + close)
                return fail("标准输入第 " + std::to_string(lineNumber) + " 行：\\< 后不是层数和 >");
            depth = stated;
            spaces = close + 1;
        }
        if (depth > path.size()) {
            return fail("标准输入第 " + std::to_string(lineNumber) + " 行：比上一行深了不止一层");
        }
        std::string_view rest = std::string_view(line).substr(spaces);
        NodeRecord record;
        size_t tab = rest.find('\t');
        bool ok = text::unescapeUtf8(rest.substr(0, tab), record.name);
        if (tab != std::string_view::npos) {
            rest.remove_prefix(tab + 1);
            size_t tab2 = rest.find('\t');
            ok = ok && text::unescapeUtf8(rest.substr(0, tab2), record.address);
            if (tab2 != std::string_view::npos && addressBook)
                ok = ok && text::unescapeUtf8(rest.substr(tab2 + 1), record.tag);
        }
        if (!ok) {
            return fail("标准输入第 " + std::to_string(lineNumber) +
                        " 行：反斜杠后不是 t、r、n、\\ 或 xNN");
        }
        path.resize(depth);
        ItemId item = tree.InsertNode(record, depth == 0 ? kNoItem : path[depth - 1]);
        path.push_back(item);
    }
    if (std::cin.bad())
        return fail("无法读取标准输入");
    if (isStandardStream(file)) {
        StandardOutputSink out;
        ArchiveWriter writer(out);
        SerializeTree(tree, writer);
        writer.flush();  // a failed write is reported when standard output is closed
        return 0;
    }
    // Replacing the file while a listener adds to it: one after the other, never both.
    FileLock lock;
    if (!lockTreeFile(lock, file))
        return 1;
    // The file is replaced whatever it held; a damaged one is still kept as it was, since
    // its unread rest may be what someone wants back.
    TargetTreeLoad old = keepDamagedTarget(tree.treeKind(), file);
    if (old.damaged) {
        if (!old.mayWrite())
            return fail(old.notice(file));
        std::fprintf(stderr, "brivanta-cli: 警告：%s\n", old.notice(file).c_str());
    }
    if (FileError e = saveArchiveFile(tree, file))
        return fail(e.writeMessage());
    return 0;
}

Runner defineBuild(OptionLine& line) {
    auto parsed = std::make_shared<BuildLine>();
    line.add_flag("--address-book", parsed->addressBook);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runBuild(*parsed); };
}

}  // namespace

const Command kBuildCommand = {"build", "从缩进文本生成树文件",
                               "用法: brivanta-cli build [--address-book] FILE < TEXT", buildHelp,
                               defineBuild};

}  // namespace brivanta::cli
