// Feeds arbitrary bytes to the matcher: the first line is the query, the rest one text.
// The quick paths (characters passed over by a table, text skipped many bytes at a time)
// must answer what the character-by-character reference answers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "../tests/core/ReferenceMatcher.h"
#include "core/trees/PinyinMatcher.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t end = input.find('\n');
    if (end == std::string_view::npos)
        return 0;
    // The reference is slow: keep each run short.
    std::string_view query = input.substr(0, std::min<size_t>(end, 16));
    std::string_view text = input.substr(end + 1, 512);
    PinyinMatcher matcher(query);
    if (matcher.matches(text) != testing::referenceMatches(matcher.query(), text))
        std::abort();
    if (matcher.contains(text) != testing::referenceContains(matcher.query(), text))
        std::abort();
    return 0;
}
