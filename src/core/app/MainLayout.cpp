#include "core/app/MainLayout.h"

#include <algorithm>

namespace brivanta {

MainLayout layoutMainWindow(const LayoutRect& client, int toolbarBand, int tabBand,
                            int searchHeight) {
    MainLayout layout;
    layout.toolbar = {client.left, client.top, client.right, client.top + kToolbarBand};
    int treeBottom = client.bottom - tabBand;
    layout.tree = {client.left, client.top + toolbarBand, client.right, treeBottom};
    // A window shorter than the two bands gets an empty tree, never a negative height.
    if (layout.tree.bottom < layout.tree.top)
        layout.tree.bottom = layout.tree.top;
    layout.tabs = {client.left - 1, treeBottom - 2, client.right + 5, treeBottom + tabBand};
    const int search = searchHeight < 0 ? 0 : std::min(searchHeight, layout.tree.height());
    layout.search = {layout.tree.left, layout.tree.top, layout.tree.right,
                     layout.tree.top + search};
    layout.tree.top += search;
    return layout;
}

LayoutRect mainWindowClient(const LayoutRect& available, const FrameMargins& frame, int width,
                            int minimumHeight) {
    int left = available.left + frame.left;
    int top = available.top + frame.top;
    int height = available.height() - frame.top - frame.bottom;
    if (height < minimumHeight)
        height = minimumHeight;
    return {left, top, left + width, top + height};
}

}  // namespace brivanta
