#include "core/trees/TreeDrop.h"

#include "core/text/Trim.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {

namespace {

constexpr bool isLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Stored text is GBK: the second byte of a double-byte character may be "\\" (0x5C), so a
// scan for a separator steps over such characters whole.
std::size_t charLength(std::string_view s, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

bool mayDropOn(const BookmarkTree& tree, ItemId dragged, ItemId target) {
    if (!tree.contains(dragged))
        return false;
    if (target == kNoItem)
        return true;
    return tree.contains(target) && !tree.isWithin(target, dragged);
}

bool acceptsExternalDrops(int treeKind) {
    return treeKind == kCustomTree || treeKind == kRecommendedTree;
}

ItemId moveByDrag(BookmarkTree& tree, ItemId dragged, ItemId target, PasteResult* result) {
    if (result)
        *result = PasteResult::Nothing;
    if (!mayDropOn(tree, dragged, target))
        return kNoItem;
    ItemId savedSource = tree.pasteSource();
    std::string savedMode = tree.clipMode();
    bool markBelow = savedSource != kNoItem && savedSource != dragged &&
                     tree.contains(savedSource) && tree.isWithin(savedSource, dragged);
    tree.setPasteSource(dragged);
    tree.setClipMode(kClipCut);
    ItemId moved = kNoItem;
    PasteResult outcome = pasteMarked(tree, target, &moved);
    if (result)
        *result = outcome;
    if (moved == kNoItem) {
        tree.setPasteSource(savedSource);
        tree.setClipMode(savedMode);
        return kNoItem;
    }
    if (target != kNoItem)
        tree.setExpanded(target, true);
    if (savedSource != dragged) {
        tree.setPasteSource(savedSource);
        tree.setClipMode(savedMode);
    }
    if (markBelow) {
        tree.setPasteSource(kNoItem);
        tree.setClipMode({});
    }
    return moved;
}

int insertDropped(BookmarkTree& tree, const std::vector<NodeRecord>& entries, ItemId target) {
    if (target != kNoItem && !tree.contains(target))
        target = kNoItem;
    int added = 0;
    for (const NodeRecord& entry : entries) {
        if (tree.InsertNode(entry, target) == kNoItem)
            break;
        ++added;
    }
    if (added > 0 && target != kNoItem)
        tree.setExpanded(target, true);
    return added;
}

NodeRecord entryForDroppedPath(std::string_view path) {
    // The last component, ignoring separators at the end ("/home/me/photos/").
    std::size_t end = path.size();
    while (end > 0 && isSeparator(path[end - 1]))
        --end;
    std::string_view trimmed = path.substr(0, end);
    std::size_t start = 0;
    for (std::size_t i = 0; i < trimmed.size(); i += charLength(trimmed, i)) {
        if (isSeparator(trimmed[i]))
            start = i + 1;
    }
    std::string_view component = trimmed.substr(start);
    std::string_view name = component.substr(0, component.find('.'));
    if (name.empty())
        name = component;
    if (name.empty())
        name = path;
    return {std::string(name), std::string(path), {}};
}

NodeRecord entryForDroppedText(std::string_view text) {
    std::string_view address = text::trim(text);
    std::string_view name = address;
    std::size_t slashes = address.find("//");
    if (slashes != std::string_view::npos && slashes + 2 < address.size())
        name = address.substr(slashes + 2);
    return {std::string(name), std::string(address), {}};
}

std::string desktopLinkTarget(std::string_view desktopFile) {
    bool inEntry = false;
    bool isLink = false;
    std::string url;
    while (!desktopFile.empty()) {
        std::size_t newline = desktopFile.find('\n');
        std::string_view line = text::trim(desktopFile.substr(0, newline));
        desktopFile = newline == std::string_view::npos ? std::string_view()
                                                        : desktopFile.substr(newline + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string_view key = text::trim(line.substr(0, eq));
        std::string_view value = text::trim(line.substr(eq + 1));
        if (key == "Type")
            isLink = value == "Link";
        else if (key == "URL")
            url = std::string(value);
    }
    return isLink ? url : std::string();
}

EdgeScroll edgeScrollFor(int x, int y, int left, int top, int right, int bottom, int margin) {
    EdgeScroll scroll;
    if (y >= bottom - margin)
        scroll.dy = 1;
    else if (y <= top + margin)
        scroll.dy = -1;
    if (x <= left + margin)
        scroll.dx = -1;
    else if (x >= right - margin)
        scroll.dx = 1;
    return scroll;
}

}  // namespace brivanta
