// Feeds arbitrary bytes to the search: the first line is the query, every further line an
// entry's name (a leading tab nests it one level below the entry before). Checks that a
// longer query never finds what its beginning did not (which the narrowing search relies
// on), and that narrowing finds exactly what a search of the whole tree finds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/trees/PinyinMatcher.h"
#include "core/trees/TreeFilter.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t end = input.find('\n');
    std::string_view query = input.substr(0, end);
    std::string_view rest =
        end == std::string_view::npos ? std::string_view() : input.substr(end + 1);

    BookmarkTree tree;
    ItemId previous = kNoItem;
    while (!rest.empty() && tree.size() < 200) {
        size_t line = rest.find('\n');
        std::string_view name = rest.substr(0, line);
        rest = line == std::string_view::npos ? std::string_view() : rest.substr(line + 1);
        bool nested = !name.empty() && name[0] == '\t';
        std::string text(nested ? name.substr(1) : name);
        ItemId parent = nested && previous != kNoItem ? previous : kNoItem;
        previous = tree.InsertNode({text, text, ""}, parent);
    }

    if (query.size() > 12)
        query = query.substr(0, 12);  // each prefix is searched: keep the runs quick
    TreeFilter narrowed(tree);
    for (size_t length = 1; length <= query.size(); ++length) {
        std::string_view typed = query.substr(0, length);
        PinyinMatcher shorter(query.substr(0, length - 1));
        PinyinMatcher longer(typed);
        for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
            RecordText name = tree.label(item);
            if (longer.narrows(shorter) && longer.matches(name) && !shorter.matches(name))
                std::abort();
            if (longer.narrows(shorter) && longer.contains(name) && !shorter.contains(name))
                std::abort();
        }
        narrowed.setQuery(typed);
        TreeFilter full(tree);
        full.setQuery(typed);
        if (narrowed.hits() != full.hits() || narrowed.hitsInTreeOrder() != full.hitsInTreeOrder())
            std::abort();
    }
    return 0;
}
