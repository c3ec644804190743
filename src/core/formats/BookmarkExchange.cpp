#include "core/formats/BookmarkExchange.h"

#include <cerrno>

#include "core/formats/BrowserImport.h"
#include "core/formats/HtmlPage.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/ShortcutFolder.h"
#include "core/formats/TreeArchive.h"
#include "core/formats/XbelBookmarks.h"
#include "core/trees/EntriesAdded.h"

namespace brivanta {

ImportSummary importBookmarks(BookmarkTree& tree, ExchangeFormat format, const std::string& source,
                              ItemId parent, const MergeProgress& progress,
                              const ImportBudget& budget) {
    ImportSummary summary;
    if (parent != kNoItem && !tree.contains(parent))
        parent = kNoItem;
    BookmarkTree::BulkUpdate bulk(tree);
    if (format == ExchangeFormat::ArchiveFile) {
        // Another tree file is outside data like any other: it gets the same budget.
        const size_t before = tree.size();
        const int rowsBefore = tree.childCount(parent);
        summary.budget = budget;
        loadArchiveFile(tree, source, parent, &summary.error, nullptr, &summary.budget);
        if (summary.error)
            summary.failure = summary.error.readMessage();
        summary.added = tree.size() - before;
        // Appended whole below `parent`: what is new is the rows after the old ones.
        summary.roots = childrenFrom(tree, parent, rowsBefore);
        return summary;
    }
    TreeMerger merger(tree, parent, progress, budget);
    switch (format) {
        case ExchangeFormat::ShortcutFolder: {
            ShortcutImportResult result;
            summary.error = importShortcutFolder(source, merger, &result);
            summary.notes = result.notes();
            break;
        }
        case ExchangeFormat::HtmlPage:
            summary.error = importHtmlFile(source, merger);
            break;
        case ExchangeFormat::BookmarkFile:
            summary.error = importNetscapeFile(source, merger);
            break;
        case ExchangeFormat::FirefoxProfile:
            summary.failure = importFirefoxBookmarks(source, merger);
            break;
        case ExchangeFormat::ChromiumProfile:
            summary.failure = importChromiumBookmarks(source, merger);
            break;
        case ExchangeFormat::XbelFile:
            summary.failure = importXbelFile(source, merger);
            break;
        case ExchangeFormat::ArchiveFile:
            break;
    }
    if (summary.error)
        summary.failure = summary.error.readMessage();
    else if (!summary.failure.empty())
        summary.error = FileError{source, EIO};  // the message names the file
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
    if (!summary.notes.empty())
        text += "\n" + summary.notes;
    if (summary.full)
        text += "\n书签已满，其余条目没有导入。";
    if (std::string limits = importBudgetText(summary.budget); !limits.empty())
        text += "\n" + limits + "。";
    return text;
}

}  // namespace brivanta
