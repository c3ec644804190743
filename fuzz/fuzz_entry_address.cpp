// Feeds arbitrary bytes to the address rules and checks that the icon key and the opening
// decision agree and that keys stay within the address.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/trees/EntryAddress.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view address(reinterpret_cast<const char*>(data), size);
    std::string key = iconKeyForAddress(address);
    if (opensAsMail(address) && key != "mailto")
        std::abort();
    if (key != "mailto" && key != ".htm" && key.size() > address.size())
        std::abort();
    std::string extension = addressExtension(address, false);
    if (extension != ".htm" && (extension.empty() || extension[0] != '.' || extension.size() > 8))
        std::abort();
    return 0;
}
