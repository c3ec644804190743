#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "cli/ProgressLine.h"
#include "cli/SharedTreeFile.h"
#include "core/formats/BookmarkExchange.h"
#include "core/formats/BrowserImport.h"
#include "core/formats/BrowserProfiles.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/TreeArchive.h"
#include "core/formats/XbelBookmarks.h"

namespace brivanta::cli {

namespace {

// Finds the default profile as the import dialog does; prints which one it took.
bool defaultSource(const std::string& kind, std::string& source) {
    BrowserProfiles profiles = BrowserProfiles::forCurrentUser();
    BrowserProfile profile =
        kind == "firefox" ? profiles.defaultFirefox() : profiles.defaultChromium();
    if (profile.path.empty()) {
        if (kind == "firefox") {
            fail("找不到 Firefox 配置文件（" + profiles.firefoxRoot() +
                 "/profiles.ini 不存在或没有配置文件）；请给出 PROFILE_DIR");
        } else {
            fail(
                "找不到 Chromium、Chrome、Edge 或 Brave 的书签文件（在 ~/.config 下）；"
                "请给出 BOOKMARKS_FILE");
        }
        return false;
    }
    std::printf("使用 %s 配置文件 “%s”\n", profile.browser.c_str(), profile.path.c_str());
    source = profile.path;
    return true;
}

}  // namespace

std::string browserImportHelp() {
    return "  netscape 浏览器导出的书签文件 SOURCE（Netscape 书签格式，任何浏览器都能导出）。\n"
           "  xbel     XBEL 书签文件 SOURCE（KDE 的书签编辑器和 Floccus 写的格式）。\n"
           "  firefox  Firefox 配置文件目录（或其中的 places.sqlite）；不给时用默认配置文件\n"
           "           （~/.mozilla/firefox/profiles.ini）。书签菜单、书签工具栏和其他书签各成\n"
           "           一个顶层文件夹。Firefox 正在运行时也能导入。\n"
           "  chromium Chromium、Chrome、Edge 或 Brave 的 Bookmarks 文件（或配置文件目录）；\n"
           "           不给时用找到的第一个浏览器的 Default/Bookmarks。书签栏、其他书签和\n"
           "           移动设备书签各成一个顶层文件夹。\n"
           "同一文件夹里已有相同地址的链接不再加入，同名文件夹合并；所以重复导入不会产生\n"
           "重复条目。最后打印新增和跳过的条目数。\n";
}

int runBrowserImport(const std::vector<std::string>& args, bool quiet) {
    const std::string& kind = args[0];
    std::string source;
    const bool browser = kind == "firefox" || kind == "chromium";
    const bool file = kind == "netscape" || kind == "xbel";
    if ((file || browser) && args.size() == 3) {
        source = file ? inputPath(args[1]) : args[1];
    } else if (browser && args.size() == 2) {
        if (!defaultSource(kind, source))
            return 1;
    } else if (args.size() > 3) {
        throw UsageError("多余的参数 " + args[3]);
    } else {
        throw UsageError(args.size() < 2 && !browser ? "缺少 SOURCE" : "缺少 FILE");
    }
    const std::string& path = args.back();

    FileLock lock;
    if (!lockTreeFile(lock, path))
        return 1;
    BookmarkTree tree;
    if (!loadWriteTarget(tree, path))
        return 1;
    size_t added = 0;
    size_t skipped = 0;
    bool full = false;
    ImportBudget limits;
    ProgressLine progress(quiet);
    size_t read = 0;
    {
        BookmarkTree::BulkUpdate bulk(tree);
        TreeMerger merger(tree, kNoItem, [&](const std::string&) {
            progress.update("已读入 " + std::to_string(++read) + " 个条目");
        });
        std::string problem;
        if (kind == "netscape") {
            if (FileError e = importNetscapeFile(source, merger))
                problem = e.readMessage();
        } else if (kind == "xbel") {
            problem = importXbelFile(source, merger);
        } else if (kind == "firefox") {
            problem = importFirefoxBookmarks(source, merger);
        } else {
            problem = importChromiumBookmarks(source, merger);
        }
        if (!problem.empty())
            return fail(problem);
        added = merger.added();
        skipped = merger.skipped();
        full = merger.full();
        limits = merger.budget();
    }
    progress.update("正在保存 “" + path + "”", true);
    if (FileError e = saveArchiveFile(tree, path))
        return fail(e.writeMessage());
    progress.clear();
    ImportSummary summary;
    summary.added = added;
    summary.skipped = skipped;
    summary.full = full;
    summary.budget = limits;
    return reportImport(summary, path);
}

int reportImport(const ImportSummary& summary, const std::string& file) {
    // The same words for every kind of import, as the desktop's import says them.
    std::printf("新增 %zu 个条目，跳过 %zu 个（已经存在或没有地址）\n", summary.added,
                summary.skipped);
    if (!summary.notes.empty())
        std::printf("%s\n", summary.notes.c_str());
    if (std::string text = importBudgetText(summary.budget); !text.empty())
        std::fprintf(stderr, "brivanta-cli: %s\n", text.c_str());
    if (summary.full)
        return fail("树文件 “" + file + "” 已满，其余条目没有导入");
    return summary.budget.stopped() ? 1 : 0;
}

}  // namespace brivanta::cli
