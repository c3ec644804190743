#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/formats/FileError.h"
#include "core/net/LinkOutcome.h"

namespace brivanta::net {

// The last result of every link checked, kept beside the tree file as "<tree file>.links",
// so a later check can ask again only what failed or is old. A text file, one link a line:
//
//   # brivanta link results 1
//   2026-12-09T19:02:34Z<TAB>not-found<TAB>404<TAB>address[<TAB>new address]
//
// the time of the check in UTC, the result word (linkResultName), the HTTP status (0 for
// none), and the addresses as escapedUtf8 writes them (GBK bytes round-trip exactly).
// Lines that do not read are skipped: the file only saves work, it never holds data a person
// made.
class LinkResultsFile {
  public:
    struct Entry {
        LinkResult result = LinkResult::failed;
        long code = 0;
        std::string newAddress;
        std::time_t checkedAt = 0;
    };

    static std::string pathFor(const std::string& treePath) { return treePath + ".links"; }

    // Reads `path`; a missing file is an empty list. `skipped` counts lines that did not read.
    FileError load(const std::string& path, std::size_t* skipped = nullptr);
    // Writes every result, sorted by address, through a temporary file.
    FileError save(const std::string& path) const;

    void record(const std::string& address, const LinkOutcome& outcome);
    const Entry* find(std::string_view address) const;
    // Forgets the results of addresses `keep` says no to (links gone from the tree).
    template <typename Keep>
    void retain(Keep keep) {
        std::erase_if(entries_, [&](const auto& each) { return !keep(each.first); });
    }
    std::size_t size() const { return entries_.size(); }

    // Whether a run limited to failures (`onlyFailed`) or to results older than `maxAge`
    // seconds (when > 0) asks about `address` again at `now`. A link never checked always is.
    bool needsCheck(std::string_view address, std::time_t now, bool onlyFailed,
                    long long maxAge) const;

  private:
    std::unordered_map<std::string, Entry> entries_;
};

// "2026-12-09T19:02:34Z" and back; false for text that is not such a time.
std::string utcTimeText(std::time_t t);
bool parseUtcTime(std::string_view text, std::time_t& t);

}  // namespace brivanta::net
