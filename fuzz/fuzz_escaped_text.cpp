// Any stored bytes survive the dump escapes exactly and show no raw control byte; any text
// given to the reader of those escapes is read or refused without harm.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text/EscapedText.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string shown = text::escapedUtf8(input, true);
    for (char c : shown) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            std::abort();
    }
    std::string back;
    if (!text::unescapeUtf8(shown, back) || back != input)
        std::abort();
    text::unescapeUtf8(input, back);  // hand-written text: read or refused
    return 0;
}
