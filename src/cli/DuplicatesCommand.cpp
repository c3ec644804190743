#include <memory>
#include <span>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "cli/TreeFileKind.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/DuplicateFinder.h"

namespace brivanta::cli {

namespace {

const char* const kUsage = "用法: brivanta-cli duplicates [--all] FILE...";

struct DuplicatesLine {
    bool all = false;
    std::vector<std::string> files;
};

std::string duplicatesHelp() {
    return "列出树文件中地址相同的条目，每组一行一个：组号、TAB、所在文件夹路径和名称\n"
           "（以 / 分隔）、TAB、地址；组与组之间空一行，组和组内条目都按树的顺序。\n"
           "比较地址时不分协议和主机名的大小写，去掉默认端口、#片段和跟踪参数（utm_*、\n"
           "fbclid、gclid、spm），空路径当作 “/”，http 和 https 算同一个地址；邮件地址不分\n"
           "大小写。以 .ads 结尾的文件按通讯录读取；FILE 为 - 时读标准输入。\n"
           "给出几个文件时每个文件单独查找，路径前加 “文件名:”；--all 把所有文件放在一起\n"
           "查找，找出不同文件之间的重复。\n" +
           exitStatusHelp("没有重复，或失败");
}

int runDuplicates(const DuplicatesLine& command) {
    const std::vector<std::string>& args = command.files;
    const bool together = command.all;
    if (args.empty())
        throw UsageError("缺少 FILE");
    std::vector<std::unique_ptr<BookmarkTree>> trees;
    for (const std::string& path : args) {
        auto tree = std::make_unique<BookmarkTree>(treeKindOfFile(path));
        FileError error;
        bool damaged = false;
        if (!loadArchiveFile(*tree, inputPath(path), kNoItem, &error, &damaged))
            return fail(error.readMessage());
        if (damaged)
            warnDamaged(path, tree->size());
        trees.push_back(std::move(tree));
    }

    OutputBuffer out;
    std::string line;
    size_t groupNumber = 0;
    auto print = [&](std::span<const BookmarkTree* const> searched, size_t firstFile) {
        for (const DuplicateGroup& group : findDuplicates(searched)) {
            if (groupNumber > 0)
                out.append("\n");
            ++groupNumber;
            for (const DuplicateEntry& e : group.entries) {
                size_t file = firstFile + static_cast<size_t>(e.tree);
                line = std::to_string(groupNumber);
                line += '\t';
                if (args.size() > 1)
                    line += args[file] + ":";
                line += text::toUtf8(e.path);
                line += '\t';
                line += text::toUtf8(trees[file]->LookupRecord(e.item)->address);
                line += '\n';
                out.append(line);
            }
            if (out.failed())
                return;
        }
    };
    std::vector<const BookmarkTree*> all;
    all.reserve(trees.size());
    for (const auto& tree : trees)
        all.push_back(tree.get());
    if (together) {
        print(all, 0);
    } else {
        for (size_t i = 0; i < all.size() && !out.failed(); ++i)
            print(std::span(all).subspan(i, 1), i);
    }
    out.flush();
    return groupNumber == 0 ? kExitFailed : kExitOk;
}

Runner defineDuplicates(OptionLine& line) {
    auto parsed = std::make_shared<DuplicatesLine>();
    line.add_flag("--all", parsed->all);
    line.add_option("FILE", parsed->files);
    return [parsed] { return runDuplicates(*parsed); };
}

}  // namespace

const Command kDuplicatesCommand = {"duplicates", "列出地址相同的条目", kUsage, duplicatesHelp,
                                    defineDuplicates};

}  // namespace brivanta::cli
