#include "core/text/LabelCut.h"

namespace brivanta::text {

size_t gbkCharLength(std::string_view s) {
    if (s.empty())
        return 0;
    auto lead = static_cast<unsigned char>(s[0]);
    size_t length = 1;
    if (lead >= 0x81 && lead <= 0xFE && s.size() >= 2) {
        auto second = static_cast<unsigned char>(s[1]);
        // GB18030 four-byte form: lead, digit, lead, digit.
        length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
    }
    return length < s.size() ? length : s.size();
}

std::string cutLabel(std::string_view label, size_t limit) {
    if (label.size() <= limit)
        return std::string(label);
    size_t end = 0;
    while (end < label.size()) {
        size_t next = end + gbkCharLength(label.substr(end));
        if (next > limit)
            break;
        end = next;
    }
    std::string cut(label.substr(0, end));
    cut += "...";
    return cut;
}

}  // namespace brivanta::text
