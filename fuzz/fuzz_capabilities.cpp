// The readers of what a server says it offers: the EHLO reply (SMTP) and the CAPA list
// (POP3). The first byte picks the reader.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/net/ServerCapabilities.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256 * 1024)
        return 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        net::Pop3Capabilities caps = net::parseCapaReply(text);
        (void)caps;
        return 0;
    }
    net::SmtpCapabilities caps = net::parseEhloReply(text);
    if (caps.authMechanisms.size() > 64)
        std::abort();
    for (const std::string& mechanism : caps.authMechanisms) {
        for (char c : mechanism) {
            if (c >= 'a' && c <= 'z')
                std::abort();  // kept upper case, so that lookups need no case rules
        }
    }
    return 0;
}
