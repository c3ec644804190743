#include "cli/CliCommands.h"
#include "cli/ExchangeFormatArg.h"
#include "core/formats/Exchange.h"

namespace brivanta::cli {

int runExport(Args args) {
    static const char* const kUsage = "用法: brivanta-cli export html|urldir|bvk|xbel TARGET FILE";
    if (!args.empty() && args[0] == "netscape")
        return runNetscapeExport(args);
    if (wantsHelp(args)) {
        std::printf(
            "%s\n"
            "把树文件 FILE 的全部条目导出到 TARGET：\n"
            "  html    一个 HTML 网页（已有的文件被替换）\n"
            "  urldir  一个收藏夹目录（必须已存在），每个文件夹一个子目录，每个链接一个 .url 文件\n"
            "  bvk     另一个树文件\n"
            "  xbel    XBEL 书签文件（UTF-8，KDE 和 Floccus 读写的格式）\n",
            kUsage);
        std::printf("\n");
        return runNetscapeExport(args);
    }
    if (args.size() != 3)
        return fail(kUsage);
    std::optional<ExchangeFormat> format = exchangeFormatNamed(args[0]);
    if (!format)
        return fail("未知格式 “" + args[0] + "”；可用 html、urldir、bvk、xbel 或 netscape");
    const std::string& target = args[1];
    const std::string& file = args[2];

    BookmarkTree tree;
    FileError error;
    if (!loadArchiveFile(tree, file, kNoItem, &error))
        return fail(error.readMessage());
    ExchangeCheckResult check = checkExchangePath(*format, true, target);
    if (check.outcome == ExchangeCheck::MissingFolder)
        return fail("目录 “" + check.folder + "” 不存在");
    ExportResult result;
    exportExchange(tree, *format, check.path, kNoItem, {}, &result);
    if (result.notWritten > 0)
        return fail(result.text(check.path));
    std::printf("%s\n", result.text(check.path).c_str());
    return 0;
}

}  // namespace brivanta::cli
