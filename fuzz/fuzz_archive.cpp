// Feeds arbitrary bytes to the tree archive reader (both record widths), then checks that
// what was read survives a save and a load unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Trim.h"

using namespace brivanta;

namespace {

std::string saved(BookmarkTree& tree) {
    std::string out;
    StringSink sink(out);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer);
    writer.flush();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int kind = (data[0] & 1) ? kAddressBookTree : kCustomTree;
    BookmarkTree tree(kind);
    MemorySource source(reinterpret_cast<const char*>(data) + 1, size - 1);
    ArchiveReader reader(source);
    size_t added = SerializeTree(tree, reader);
    if (added != tree.size())
        std::abort();

    // Names that begin with a depth marker or white space are read back differently by
    // design; every other tree must survive a save and a load byte for byte.
    for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
        RecordText label = tree.label(item);
        if (label.starts_with("->") || label.starts_with('|') ||
            (!label.empty() && text::isSpace(label[0]))) {
            return 0;
        }
    }
    std::string first = saved(tree);
    BookmarkTree again(kind);
    MemorySource source2(first);
    ArchiveReader reader2(source2);
    SerializeTree(again, reader2);
    if (saved(again) != first)
        std::abort();
    return 0;
}
