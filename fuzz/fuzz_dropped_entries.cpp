// Feeds arbitrary bytes to what dropped data becomes: a desktop link's target, the entry of a
// dropped path and of dropped text. Names and addresses stay within what was dropped, and the
// program key of a path is a part of it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/trees/EntryAddress.h"
#include "core/trees/TreeDrop.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string target = desktopLinkTarget(bytes);
    if (target.size() > bytes.size() || bytes.find(target) == std::string_view::npos)
        std::abort();
    NodeRecord path = entryForDroppedPath(bytes);
    if (path.address != bytes || path.name.size() > bytes.size() ||
        bytes.find(path.name) == std::string_view::npos || (!bytes.empty() && path.name.empty()))
        std::abort();
    NodeRecord text = entryForDroppedText(bytes);
    if (text.address.size() > bytes.size() || text.name.size() > text.address.size() ||
        text.address.find(text.name) == std::string::npos)
        std::abort();
    if (programIconKey(bytes).size() > bytes.size())
        std::abort();
    return 0;
}
