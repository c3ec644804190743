// Feeds arbitrary bytes to the XBEL reader, then checks that what it read survives our own
// export and a second import unchanged, and that the merge counted every entry.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/formats/XbelBookmarks.h"
#include "core/trees/TreeMerger.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    BookmarkTree tree;
    TreeMerger merger(tree);
    XbelRead read = parseXbelBookmarks(file, merger);
    if (merger.added() != tree.size())
        std::abort();
    // A refused file adds nothing.
    if (!read.failure.empty() && tree.size() != 0)
        std::abort();

    std::string first = writeXbelBookmarks(tree);
    BookmarkTree again;
    TreeMerger merger2(again);
    XbelRead second = parseXbelBookmarks(first, merger2);
    // Our own file is always read, brings back every entry, none of them skipped, byte for
    // byte.
    if (!second.failure.empty() || merger2.skipped() != 0 || again.size() != tree.size())
        std::abort();
    if (writeXbelBookmarks(again) != first)
        std::abort();
    return 0;
}
