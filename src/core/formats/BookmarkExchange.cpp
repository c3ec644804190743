#include "core/formats/BookmarkExchange.h"

#include "core/formats/BrowserImport.h"
#include "core/formats/NetscapeBookmarks.h"

namespace brivanta {

ImportSummary importBookmarks(BookmarkTree& tree, ExchangeFormat format, const std::string& source,
                              ItemId parent, const MergeProgress& progress,
                              const ImportBudget& budget) {
    ImportSummary summary;
    if (parent != kNoItem && !tree.contains(parent))
        parent = kNoItem;
    TreeMerger merger(tree, parent, progress, budget);
    switch (format) {
        case ExchangeFormat::BookmarkFile:
            if (FileError error = importNetscapeFile(source, merger))
                summary.failure = error.readMessage();
            break;
        case ExchangeFormat::FirefoxProfile:
            summary.failure = importFirefoxBookmarks(source, merger);
            break;
        case ExchangeFormat::ChromiumProfile:
            summary.failure = importChromiumBookmarks(source, merger);
            break;
        case ExchangeFormat::ShortcutFolder:
        case ExchangeFormat::HtmlPage:
        case ExchangeFormat::ArchiveFile:
            summary.failure = "这种格式不是浏览器书签";
            break;
    }
    summary.added = merger.added();
    summary.roots = merger.roots();
    summary.skipped = merger.skipped();
    summary.full = merger.full();
    summary.budget = merger.budget();
    return summary;
}

std::string importSummaryText(const ImportSummary& summary) {
    std::string text;
    if (!summary.failure.empty())
        text = summary.failure + "\n";
    text += "新增 " + std::to_string(summary.added) + " 个条目，跳过 " +
            std::to_string(summary.skipped) + " 个（已经存在或没有地址）。";
    if (summary.full)
        text += "\n书签已满，其余条目没有导入。";
    if (std::string limits = importBudgetText(summary.budget); !limits.empty())
        text += "\n" + limits + "。";
    return text;
}

}  // namespace brivanta
