#include "core/formats/ExportResult.h"

#include <cerrno>
#include <vector>

#include "core/formats/FileStreams.h"

namespace brivanta {

void ExportResult::fail(const FileError& error, size_t entries) {
    notWritten += entries;
    if (failures.size() < kNamedFailures)
        failures.push_back(error);
}

std::string ExportResult::text(const std::string& target) const {
    std::string text = "已把 " + std::to_string(written) + " 个条目导出到 “" + target + "”";
    if (notWritten == 0)
        return text;
    text += "；" + std::to_string(notWritten) + " 个条目没有导出：";
    for (const FileError& e : failures)
        text += "\n  " + e.writeMessage();
    if (failures.size() < notWritten && failures.size() == kNamedFailures)
        text += "\n  ……";
    return text;
}

size_t entriesToExport(const BookmarkTree& tree, ItemId start) {
    if (start == kNoItem)
        return tree.size();
    if (!tree.contains(start))
        return 0;
    size_t count = 1;
    std::vector<ItemId> pending{start};
    while (!pending.empty()) {
        ItemId at = pending.back();
        pending.pop_back();
        for (ItemId c = tree.firstChild(at); c != kNoItem; c = tree.nextSibling(c)) {
            ++count;
            pending.push_back(c);
        }
    }
    return count;
}

FileError exportWholeFile(const std::string& path, const std::function<bool(ByteSink&)>& write,
                          const std::function<size_t()>& written,
                          const std::function<size_t()>& setOutToWrite, ExportResult* result) {
    AtomicFileSink sink;
    FileError error = sink.open(path);
    if (!error) {
        bool complete = write(sink);
        // A failed sink is not committed over the old file; commit says why it failed.
        error = sink.commit();
        if (!error && !complete)
            error = FileError{path, EIO};
    }
    if (result) {
        if (error)
            result->fail(error, setOutToWrite());
        else
            result->written += written();
    }
    return error;
}

}  // namespace brivanta
