#include <memory>

#include "cli/CliCommands.h"
#include "cli/ExchangeFormatArg.h"
#include "cli/ProgressLine.h"
#include "cli/StandardOutputSink.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/Exchange.h"
#include "core/formats/HtmlPage.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/TreeArchive.h"
#include "core/formats/XbelBookmarks.h"
#include "core/text/Trim.h"

namespace brivanta::cli {

namespace {

const char* const kUsage =
    "用法: brivanta-cli export [-q] html|urldir|bvk|xbel TARGET FILE\n"
    "      brivanta-cli export [-q] netscape TARGET FILE";

struct ExportLine {
    std::string format;
    std::string target;
    std::string file;
    bool quiet = false;
};

std::string exportHelp() {
    return "把树文件 FILE 的全部条目导出到 TARGET：\n"
           "  html    一个 HTML 网页（已有的文件被替换）\n"
           "  urldir  一个收藏夹目录（必须已存在），每个文件夹一个子目录，每个链接一个 .url 文件\n"
           "  bvk     另一个树文件\n"
           "  xbel    XBEL 书签文件（UTF-8，KDE 和 Floccus 读写的格式）\n" +
           netscapeExportHelp() +
           "TARGET 为 - 时（html、bvk、xbel、netscape）写到标准输出，不打印结果。\n" + kQuietHelp +
           exitStatusHelp();
}

// html, bvk, xbel and netscape written to standard output.
int exportToStandardOutput(BookmarkTree& tree, const std::string& format) {
    StandardOutputSink out;
    if (format == "html") {
        writeHtmlPage(tree, out);
    } else if (format == "netscape") {
        const std::string page = writeNetscapeBookmarks(tree);
        out.write(page.data(), page.size());
    } else if (format == "xbel") {
        const std::string page = writeXbelBookmarks(tree);
        out.write(page.data(), page.size());
    } else {
        ArchiveWriter writer(out);
        SerializeTree(tree, writer);
        writer.flush();
    }
    return 0;  // a failed write is reported when standard output is closed
}

int runExport(const ExportLine& command) {
    require(command.format, "格式（html、urldir、bvk、xbel 或 netscape）");
    std::optional<ExchangeFormat> format = exchangeFormatNamed(command.format);
    if (!format && command.format != "netscape") {
        throw UsageError("未知格式 “" + command.format +
                         "”；可用 html、urldir、bvk、xbel 或 netscape");
    }
    require(command.target, "TARGET");
    require(command.file, "FILE");
    const std::string& target = command.target;
    // A blank name would make a file named by spaces that no one sees; a quoting slip in a
    // script, not a target.
    if (text::trim(target).empty())
        return fail("导出目标 “" + target + "” 是空白的：请给出文件或目录的路径");
    const std::string file = inputPath(command.file);
    if (isStandardStream(target)) {
        if (format == ExchangeFormat::ShortcutFolder)
            throw UsageError("urldir 是目录，不能写到标准输出");
        BookmarkTree tree;
        FileError error;
        if (!loadArchiveFile(tree, file, kNoItem, &error))
            return fail(error.readMessage());
        return exportToStandardOutput(tree, command.format);
    }
    ProgressLine progress(command.quiet);
    size_t written = 0;
    auto counted = [&](const std::string&) {
        progress.update("已写出 " + std::to_string(++written) + " 个条目");
    };
    const ArchiveProgress shown = progress.shown() ? ArchiveProgress(counted) : ArchiveProgress();
    if (!format)
        return runNetscapeExport(target, file, shown);

    BookmarkTree tree;
    FileError error;
    if (!loadArchiveFile(tree, file, kNoItem, &error))
        return fail(error.readMessage());
    ExchangeCheckResult check = checkExchangePath(*format, true, target);
    if (check.outcome == ExchangeCheck::MissingFolder)
        return fail("目录 “" + check.folder + "” 不存在");
    ExportResult result;
    exportExchange(tree, *format, check.path, kNoItem, shown, &result);
    progress.clear();
    if (result.notWritten > 0)
        return fail(result.text(check.path));
    std::printf("%s\n", result.text(check.path).c_str());
    return 0;
}

Runner defineExport(OptionLine& line) {
    auto parsed = std::make_shared<ExportLine>();
    addQuietOption(line, parsed->quiet);
    line.add_option("FORMAT", parsed->format);
    line.add_option("TARGET", parsed->target);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runExport(*parsed); };
}

}  // namespace

const Command kExportCommand = {"export",
                                "把树文件导出为 HTML 网页、收藏夹目录、树文件或浏览器书签文件",
                                kUsage, exportHelp, defineExport};

}  // namespace brivanta::cli
