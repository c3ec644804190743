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
                         std::string* summary) {
    ImportBudget ownBudget;
    ImportBudget& limits = budget ? *budget : ownBudget;
    switch (format) {
        case ExchangeFormat::ShortcutFolder: {
            ShortcutImportResult result;
            FileError error = importShortcutFolder(tree, path, parent, progress, &result, &limits);
            if (summary && (result.skipped > 0 || result.full || result.capped))
                *summary = result.text();
            return error;
        }
        case ExchangeFormat::HtmlPage:
            return importHtmlPage(tree, path, parent, progress, nullptr, &limits);
        case ExchangeFormat::ArchiveFile: {
            // Another tree file is outside data like any other: it gets the same budget.
            FileError error;
            loadArchiveFile(tree, path, parent, &error, nullptr, &limits);
            return error;
        }
        case ExchangeFormat::BookmarkFile:
        case ExchangeFormat::FirefoxProfile:
        case ExchangeFormat::ChromiumProfile:
        case ExchangeFormat::XbelFile: {
            // The summary's message names the file; here only the failure itself is told.
            ImportSummary imported = importBookmarks(tree, format, path, parent, progress, limits);
            limits = imported.budget;
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
