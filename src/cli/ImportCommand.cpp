#include "cli/CliCommands.h"
#include "cli/ExchangeFormatArg.h"
#include "cli/SharedTreeFile.h"
#include "core/formats/BookmarkExchange.h"
#include "core/formats/TreeArchive.h"

namespace brivanta::cli {

int runImport(Args args) {
    static const char* const kUsage = "用法: brivanta-cli import html|urldir|bvk SOURCE FILE";
    // Browser bookmarks have commands of their own shape (a profile may be left out).
    if (!args.empty() && (args[0] == "netscape" || args[0] == "firefox" || args[0] == "chromium" ||
                          args[0] == "xbel"))
        return runBrowserImport(args);
    if (wantsHelp(args)) {
        std::printf(
            "%s\n"
            "把 SOURCE 的条目加到树文件 FILE 的顶层，然后保存 FILE（FILE 不存在时新建）：\n"
            "  html    导出的 HTML 网页\n"
            "  urldir  收藏夹目录：子目录成为文件夹，.url 文件成为链接\n"
            "  bvk     另一个树文件\n",
            kUsage);
        std::printf("\n");
        return runBrowserImport(args);
    }
    if (args.size() != 3)
        return fail(kUsage);
    std::optional<ExchangeFormat> format = exchangeFormatNamed(args[0]);
    if (!format)
        return fail("未知格式 “" + args[0] +
                    "”；可用 html、urldir、bvk、netscape、xbel、firefox 或 chromium");
    const std::string& source = args[1];
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
    ImportSummary summary = importBookmarks(tree, *format, check.path);
    // Nothing is saved after a failure: a page with nothing in it leaves FILE as it was.
    if (!summary.failure.empty())
        return fail(summary.failure);
    if (FileError e = saveArchiveFile(tree, file))
        return fail(e.writeMessage());
    return reportImport(summary, file);
}

}  // namespace brivanta::cli
