#include "core/formats/Exchange.h"

#include "core/formats/HtmlPage.h"
#include "core/formats/ShortcutFolder.h"

namespace brivanta {

FileError importExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId parent, const ArchiveProgress& progress) {
    switch (format) {
        case ExchangeFormat::ShortcutFolder:
            return importShortcutFolder(tree, path, parent, progress);
        case ExchangeFormat::HtmlPage:
            return importHtmlPage(tree, path, parent, progress);
        case ExchangeFormat::ArchiveFile: {
            FileError error;
            loadArchiveFile(tree, path, parent, &error);
            return error;
        }
    }
    return {};
}

FileError exportExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId start, const ArchiveProgress& progress) {
    switch (format) {
        case ExchangeFormat::ShortcutFolder:
            return exportShortcutFolder(tree, path, start, progress);
        case ExchangeFormat::HtmlPage:
            return exportHtmlPage(tree, path, start, progress);
        case ExchangeFormat::ArchiveFile:
            return saveArchiveFile(tree, path, start);
    }
    return {};
}

}  // namespace brivanta
