#include "core/formats/Exchange.h"

#include <cerrno>

#include "core/formats/BookmarkExchange.h"
#include "core/formats/HtmlPage.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/ShortcutFolder.h"

namespace brivanta {

FileError importExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId parent, const ArchiveProgress& progress, ImportBudget* budget,
                         std::string* summary, EntriesAdded* added) {
    ImportBudget ownBudget;
    ImportBudget& limits = budget ? *budget : ownBudget;
    if (parent != kNoItem && !tree.contains(parent))
        parent = kNoItem;
    // Every format but the merged browser bookmarks appends below `parent`.
    const int rowsBefore = tree.childCount(parent);
    const size_t sizeBefore = tree.size();
    auto tell = [&](FileError error) {
        if (added) {
            added->roots = childrenFrom(tree, parent, rowsBefore);
            added->count = tree.size() - sizeBefore;
        }
        return error;
    };
    switch (format) {
        case ExchangeFormat::ShortcutFolder: {
            ShortcutImportResult result;
            FileError error = importShortcutFolder(tree, path, parent, progress, &result, &limits);
            if (summary && (result.skipped > 0 || result.full || result.capped))
                *summary = result.text();
            return tell(error);
        }
        case ExchangeFormat::HtmlPage:
            return tell(importHtmlPage(tree, path, parent, progress, nullptr, &limits));
        case ExchangeFormat::ArchiveFile: {
            // Another tree file is outside data like any other: it gets the same budget.
            FileError error;
            loadArchiveFile(tree, path, parent, &error, nullptr, &limits);
            return tell(error);
        }
        case ExchangeFormat::BookmarkFile:
        case ExchangeFormat::FirefoxProfile:
        case ExchangeFormat::ChromiumProfile: {
            // The summary's message names the file; here only the failure itself is told.
            ImportSummary imported = importBookmarks(tree, format, path, parent, progress, limits);
            limits = imported.budget;
            if (added) {
                added->roots = std::move(imported.roots);
                added->count = imported.added;
            }
            return imported.failure.empty() ? FileError{} : FileError{path, EIO};
        }
    }
    return {};
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
        case ExchangeFormat::FirefoxProfile:
        case ExchangeFormat::ChromiumProfile:
            // A browser's own store is never written.
            return FileError{path, ENOTSUP};
    }
    return {};
}

}  // namespace brivanta
