// Feeds arbitrary bytes to the filtered tree's structure: the first line holds queries
// separated by '|', typed one after another into one filter; every further line is an
// entry's name, nested one level per leading tab below the last entry one level up. After
// each query the rows, children and counts the filter gives a view must be those of the
// shown entries in tree order.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/trees/TreeFilter.h"

using namespace brivanta;

namespace {

void checkFolder(const BookmarkTree& tree, const TreeFilter& filter, ItemId parent) {
    std::vector<ItemId> shown;
    if (parent == kNoItem || filter.isShown(parent)) {
        for (ItemId c = tree.firstChild(parent); c != kNoItem; c = tree.nextSibling(c)) {
            if (filter.isShown(c))
                shown.push_back(c);
        }
    }
    if (filter.hasChildren(parent) != !shown.empty())
        std::abort();
    if (filter.childCount(parent) != static_cast<int>(shown.size()))
        std::abort();
    for (size_t r = 0; r < shown.size(); ++r) {
        if (filter.child(parent, static_cast<int>(r)) != shown[r] ||
            filter.row(shown[r]) != static_cast<int>(r))
            std::abort();
    }
    if (filter.child(parent, static_cast<int>(shown.size())) != kNoItem)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t end = input.find('\n');
    std::string_view queries = input.substr(0, end);
    std::string_view rest =
        end == std::string_view::npos ? std::string_view() : input.substr(end + 1);

    BookmarkTree tree;
    std::vector<ItemId> path;  // path[d]: the last entry at depth d
    while (!rest.empty() && tree.size() < 300) {
        size_t line = rest.find('\n');
        std::string_view name = rest.substr(0, line);
        rest = line == std::string_view::npos ? std::string_view() : rest.substr(line + 1);
        size_t depth = 0;
        while (depth < name.size() && name[depth] == '\t')
            ++depth;
        depth = std::min(depth, path.size());
        std::string text(name.substr(depth));
        path.resize(depth);
        path.push_back(tree.InsertNode({text, text, ""}, depth == 0 ? kNoItem : path.back()));
    }

    TreeFilter filter(tree);
    for (int typed = 0; typed < 8 && !queries.empty(); ++typed) {
        size_t bar = queries.find('|');
        filter.setQuery(queries.substr(0, std::min<size_t>(bar, 16)));
        queries = bar == std::string_view::npos ? std::string_view() : queries.substr(bar + 1);
        // Rows are asked before the folders are listed, as a view may ask them.
        for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
            if (filter.isShown(item) && filter.row(item) < 0)
                std::abort();
        }
        checkFolder(tree, filter, kNoItem);
        for (ItemId item = 1; item <= tree.nextItemData(); ++item)
            checkFolder(tree, filter, item);
    }
    return 0;
}
