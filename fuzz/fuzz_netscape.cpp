// Feeds arbitrary bytes to the bookmark-file reader, then checks that what it read survives
// our own export and a second import unchanged, and that the merge counted every entry.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/formats/NetscapeBookmarks.h"
#include "core/trees/TreeMerger.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view page(reinterpret_cast<const char*>(data), size);
    BookmarkTree tree;
    TreeMerger merger(tree);
    parseNetscapeBookmarks(page, merger);
    if (merger.added() != tree.size())
        std::abort();

    std::string first = writeNetscapeBookmarks(tree);
    BookmarkTree again;
    TreeMerger merger2(again);
    parseNetscapeBookmarks(first, merger2);
    // Our own file brings back every entry, none of them skipped, byte for byte.
    if (merger2.skipped() != 0 || again.size() != tree.size())
        std::abort();
    if (writeNetscapeBookmarks(again) != first)
        std::abort();
    return 0;
}
