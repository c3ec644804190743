#include "core/formats/Exchange.h"

#include <cerrno>

#include "core/formats/BookmarkExchange.h"
#include "core/formats/HtmlPage.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/ShortcutFolder.h"
#include "core/formats/XbelBookmarks.h"

namespace brivanta {

FileError importExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId parent, const ArchiveProgress& progress, ImportBudget* budget,
                         std::string* summary, EntriesAdded* added) {
    ImportSummary imported =
        importBookmarks(tree, format, path, parent, progress, budget ? *budget : ImportBudget());
    if (budget)
        *budget = imported.budget;
    if (summary)
        *summary = importSummaryText(imported);
    if (added) {
        added->roots = std::move(imported.roots);
        added->count = imported.added;
    }
    return imported.error;
}

FileError exportExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId start, const ArchiveProgress& progress, ExportResult* result) {
    switch (format) {
        case ExchangeFormat::ShortcutFolder:
            return exportShortcutFolder(tree, path, start, progress, result);
        case ExchangeFormat::HtmlPage:
            return exportHtmlPage(tree, path, start, progress, result);
        case ExchangeFormat::ArchiveFile: {
            FileError error = saveArchiveFile(tree, path, start);
            if (result) {
                size_t entries = entriesToExport(tree, start);
                if (error)
                    result->fail(error, entries);
                else
                    result->written += entries;
            }
            return error;
        }
        case ExchangeFormat::BookmarkFile:
            return exportNetscapeFile(tree, path, start, progress, result);
        case ExchangeFormat::XbelFile:
            return exportXbelFile(tree, path, start, progress, result);
        case ExchangeFormat::FirefoxProfile:
        case ExchangeFormat::ChromiumProfile:
            // A browser's own store is never written.
            return FileError{path, ENOTSUP};
    }
    return {};
}

}  // namespace brivanta
