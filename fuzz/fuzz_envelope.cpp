// Mail bodies as envelopes: reading, loading into a tree of each kind, and the header and
// recipient parsing a received mail goes through.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/net/MailMessage.h"
#include "core/net/TransferEnvelope.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (auto envelope = net::readEnvelope(input)) {
        BookmarkTree tree(envelope->treeKind);
        net::loadEnvelope(tree, *envelope);
        // What was loaded goes out again as an envelope of the same kind.
        net::readEnvelope(net::buildEnvelope(tree));
    }
    net::MailMessage message;
    message.header = std::string(input);
    message.parseHeader();
    message.addRecipients(input);
    std::string unstuffed = net::dotUnstuffed(input);
    if (net::dotUnstuffed(net::dotStuffed(unstuffed)) != unstuffed)
        __builtin_trap();
    return 0;
}
