// Feeds arbitrary bytes, in pieces of a size the input chooses, to the entries a listener
// builds from a transfer, and checks them against the tree archive reader: the same tree,
// and written back the same bytes as a save of that tree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/TreeArchive.h"
#include "core/net/ReceivedEntries.h"

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
    const size_t piece = (data[0] >> 1) + 1;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    BookmarkTree byReader(kind);
    MemorySource source(bytes);
    ArchiveReader reader(source);
    SerializeTree(byReader, reader);

    const net::ReceivedEntries entries = net::readEntries(bytes, recordWidth(kind), piece);
    BookmarkTree built(kind);
    if (entries.appendTo(built).count != entries.size() || built.size() != byReader.size())
        std::abort();
    for (ItemId item = 1; item <= byReader.nextItemData(); ++item) {
        if (built.parent(item) != byReader.parent(item) ||
            NodeRecord(*built.LookupRecord(item)) != NodeRecord(*byReader.LookupRecord(item)))
            std::abort();
    }
    std::string written;
    {
        StringSink sink(written);
        ArchiveWriter writer(sink);
        entries.write(writer, 0);
        writer.flush();
    }
    if (written != saved(byReader))
        std::abort();
    return 0;
}
