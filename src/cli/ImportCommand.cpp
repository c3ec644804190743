#include <memory>

#include "cli/CliCommands.h"
#include "cli/ExchangeFormatArg.h"
#include "cli/ProgressLine.h"
#include "cli/SharedTreeFile.h"
#include "core/formats/BookmarkExchange.h"
#include "core/formats/TreeArchive.h"

namespace brivanta::cli {

namespace {

const char* const kUsage =
    "用法: brivanta-cli import [-q] html|urldir|bvk SOURCE FILE\n"
    "      brivanta-cli import [-q] netscape|xbel SOURCE FILE\n"
    "      brivanta-cli import [-q] firefox [PROFILE_DIR] FILE\n"
    "      brivanta-cli import [-q] chromium [BOOKMARKS_FILE] FILE";

struct ImportLine {
    std::vector<std::string> args;  // the format, [SOURCE,] FILE
    bool quiet = false;
};

std::string importHelp() {
    return "把 SOURCE 的条目加到树文件 FILE 的顶层，然后保存 FILE（FILE 不存在时新建）：\n"
           "  html    导出的 HTML 网页\n"
           "  urldir  收藏夹目录：子目录成为文件夹，.url 文件成为链接\n"
           "  bvk     另一个树文件\n"
           "html、bvk、netscape 和 xbel 的 SOURCE 为 - 时从标准输入读取。\n" +
           browserImportHelp() + kQuietHelp +
           exitStatusHelp("失败，或达到导入的上限而没有全部导入");
}

int runImport(const ImportLine& command) {
    const std::vector<std::string>& args = command.args;
    require(args.empty() ? std::string() : args[0],
            "格式（html、urldir、bvk、netscape、xbel、firefox 或 chromium）");
    // Browser bookmarks have commands of their own shape (a profile may be left out).
    if (args[0] == "netscape" || args[0] == "firefox" || args[0] == "chromium" || args[0] == "xbel")
        return runBrowserImport(args, command.quiet);
    std::optional<ExchangeFormat> format = exchangeFormatNamed(args[0]);
    if (!format) {
        throw UsageError("未知格式 “" + args[0] +
                         "”；可用 html、urldir、bvk、netscape、xbel、firefox 或 chromium");
    }
    if (args.size() < 3)
        throw UsageError(args.size() < 2 ? "缺少 SOURCE" : "缺少 FILE");
    if (args.size() > 3)
        throw UsageError("多余的参数 " + args[3]);
    if (format == ExchangeFormat::ShortcutFolder && isStandardStream(args[1]))
        throw UsageError("urldir 是目录，不能从标准输入读取");
    const std::string source = inputPath(args[1]);
    const std::string& file = args[2];

    ExchangeCheckResult check = checkExchangePath(*format, false, source);
    if (check.outcome == ExchangeCheck::MissingFolder)
        return fail("目录 “" + check.folder + "” 不存在");
    if (check.outcome == ExchangeCheck::MissingFile)
        return fail("文件 “" + check.path + "” 不存在");

    // Adding to a file another writer may be changing: read it only once the lock is ours.
    FileLock lock;
    if (!lockTreeFile(lock, file))
        return 1;
    BookmarkTree tree;
    if (!loadWriteTarget(tree, file))
        return 1;
    ProgressLine progress(command.quiet);
    size_t read = 0;
    progress.update("正在读取 “" + source + "”", true);
    auto counted = [&](const std::string&) {
        progress.update("已读入 " + std::to_string(++read) + " 个条目");
    };
    ImportSummary summary =
        importBookmarks(tree, *format, check.path, kNoItem,
                        progress.shown() ? MergeProgress(counted) : MergeProgress());
    // Nothing is saved after a failure: a page with nothing in it leaves FILE as it was.
    if (!summary.failure.empty()) {
        progress.clear();
        return fail(summary.failure);
    }
    progress.update("正在保存 “" + file + "”", true);
    if (FileError saveError = saveArchiveFile(tree, file))
        return fail(saveError.writeMessage());
    progress.clear();
    return reportImport(summary, file);
}

Runner defineImport(OptionLine& line) {
    auto parsed = std::make_shared<ImportLine>();
    addQuietOption(line, parsed->quiet);
    line.add_option("ARGS", parsed->args);
    return [parsed] { return runImport(*parsed); };
}

}  // namespace

const Command kImportCommand = {"import", "把 HTML 网页、收藏夹目录、树文件或浏览器书签加到树文件",
                                kUsage, importHelp, defineImport};

}  // namespace brivanta::cli
