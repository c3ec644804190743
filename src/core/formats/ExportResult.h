#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/formats/ByteStream.h"
#include "core/formats/FileError.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// What an export wrote: every entry it set out to write is either counted as written or
// counted as not written, with the files that failed named.
struct ExportResult {
    // How many failures are kept to be named; the rest are only counted.
    static constexpr size_t kNamedFailures = 20;

    size_t written = 0;
    size_t notWritten = 0;
    std::vector<FileError> failures;

    // `entries` entries were not written because of `error`.
    void fail(const FileError& error, size_t entries);
    // The first failure, or none.
    FileError firstFailure() const { return failures.empty() ? FileError{} : failures.front(); }
    // For people: how many entries went to `target`, and which could not be written.
    std::string text(const std::string& target) const;
};

// How many entries an export of `start` and its subtree (the whole tree for kNoItem) sets
// out to write.
size_t entriesToExport(const BookmarkTree& tree, ItemId start);

// Writes one export file: `write` fills the sink and returns false when it failed, and `path`
// is replaced only once the file is complete. `result` then counts `written()` entries as
// written, or `setOutToWrite()` as not written when the file could not be saved.
FileError exportWholeFile(const std::string& path, const std::function<bool(ByteSink&)>& write,
                          const std::function<size_t()>& written,
                          const std::function<size_t()>& setOutToWrite, ExportResult* result);

}  // namespace brivanta
