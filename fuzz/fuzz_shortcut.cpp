// Feeds arbitrary bytes to the reading of a shortcut file, and checks that any address without
// a CR survives being written as a shortcut and read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/formats/ShortcutFolder.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string address = shortcutAddress(shortcutText(bytes));
    if (address.size() > bytes.size())
        std::abort();
    if (bytes.find('\r') == std::string_view::npos &&
        shortcutAddress(shortcutText(internetShortcutText(bytes))) != bytes)
        std::abort();
    return 0;
}
