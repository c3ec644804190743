#include <gtest/gtest.h>

#include "core/app/MainLayout.h"

namespace brivanta {
namespace {

TEST(MainLayout, TreeBetweenTheBandsAndTabsJustBelowIt) {
    MainLayout l = layoutMainWindow({0, 0, 240, 500}, kToolbarBand, kTabBand);
    EXPECT_EQ(kToolbarBand, 24);
    EXPECT_EQ(kTabBand, 23);
    EXPECT_EQ(l.tree, (LayoutRect{0, 24, 240, 477}));
    EXPECT_EQ(l.tree.height(), 500 - 24 - 23);
    // One pixel past the left edge, five past the right, overlapping the tree by two.
    EXPECT_EQ(l.tabs, (LayoutRect{-1, 475, 245, 500}));
    EXPECT_EQ(l.tabs.width(), 240 + 6);
    EXPECT_EQ(l.tabs.height(), 23 + 2);
}

TEST(MainLayout, FollowsTheBandsAndTheClientOrigin) {
    // Without the toolbar the tree starts at the top of the client area.
    MainLayout off = layoutMainWindow({0, 0, 200, 300}, 0, kTabBand);
    EXPECT_EQ(off.tree, (LayoutRect{0, 0, 200, 277}));
    MainLayout moved = layoutMainWindow({10, 20, 110, 220}, kToolbarBand, kTabBand);
    EXPECT_EQ(moved.tree, (LayoutRect{10, 44, 110, 197}));
    EXPECT_EQ(moved.tabs, (LayoutRect{9, 195, 115, 220}));
}

TEST(MainLayout, AWindowShorterThanTheBandsGetsAnEmptyTree) {
    MainLayout l = layoutMainWindow({0, 0, 100, 30}, kToolbarBand, kTabBand);
    EXPECT_EQ(l.tree.height(), 0);
    EXPECT_GE(l.tree.top, 24);
    EXPECT_EQ(l.tabs.height(), 25);
}

}  // namespace
}  // namespace brivanta
