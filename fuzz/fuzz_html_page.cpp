// Feeds arbitrary bytes to the HTML page import, then checks that what was read survives an
// export and a second import unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/formats/HtmlPage.h"
#include "core/text/Trim.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BookmarkTree tree;
    std::string_view page(reinterpret_cast<const char*>(data), size);
    size_t added = importHtmlText(tree, page);
    if (added != tree.size())
        std::abort();
    // Names that begin with a depth marker or white space are read back differently by
    // design, as in the archive.
    for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
        RecordText label = tree.label(item);
        if (label.starts_with("->") || label.starts_with('|') ||
            (!label.empty() && text::isSpace(label[0])))
            return 0;
    }
    std::string first = htmlPageText(tree);
    BookmarkTree again;
    importHtmlText(again, first);
    if (htmlPageText(again) != first)
        std::abort();
    return 0;
}
