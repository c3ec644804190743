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

TEST(MainLayout, TheSearchLineTopsTheTreeAndTheToolbarKeepsItsBand) {
    MainLayout l = layoutMainWindow({0, 0, 240, 500}, kToolbarBand, kTabBand, 30);
    EXPECT_EQ(l.toolbar, (LayoutRect{0, 0, 240, 24}));
    EXPECT_EQ(l.search, (LayoutRect{0, 24, 240, 54}));
    EXPECT_EQ(l.tree, (LayoutRect{0, 54, 240, 477}));
    // Hidden, the toolbar keeps its place; a search line taller than the room gets the room.
    MainLayout small = layoutMainWindow({0, 0, 100, 60}, 0, kTabBand, 50);
    EXPECT_EQ(small.toolbar.height(), kToolbarBand);
    EXPECT_EQ(small.search, (LayoutRect{0, 0, 100, 37}));
    EXPECT_EQ(small.tree.height(), 0);
}

TEST(MainLayout, AWindowShorterThanTheBandsGetsAnEmptyTree) {
    MainLayout l = layoutMainWindow({0, 0, 100, 30}, kToolbarBand, kTabBand);
    EXPECT_EQ(l.tree.height(), 0);
    EXPECT_GE(l.tree.top, 24);
    EXPECT_EQ(l.tabs.height(), 25);
}

struct ClientCase {
    const char* what;
    LayoutRect available;
    FrameMargins frame;
    LayoutRect client;
};

class MainWindowClient : public testing::TestWithParam<ClientCase> {};

TEST_P(MainWindowClient, TheFrameStaysInsideTheAvailableArea) {
    const ClientCase& c = GetParam();
    LayoutRect client = mainWindowClient(c.available, c.frame, 240);
    EXPECT_EQ(client, c.client) << c.what;
    if (c.available.height() - c.frame.top - c.frame.bottom >= 200) {
        EXPECT_GE(client.left - c.frame.left, c.available.left) << c.what;
        EXPECT_GE(client.top - c.frame.top, c.available.top) << c.what;
        EXPECT_LE(client.bottom + c.frame.bottom, c.available.bottom) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, MainWindowClient,
    testing::Values(
        ClientCase{"no panel, no frame", {0, 0, 1280, 800}, {}, {0, 0, 240, 800}},
        ClientCase{"bottom panel of 30", {0, 0, 1280, 770}, {1, 24, 1, 1}, {1, 24, 241, 769}},
        ClientCase{"top and left panels", {48, 32, 1280, 800}, {2, 20, 2, 2}, {50, 52, 290, 798}},
        ClientCase{"tiny screen keeps a usable height",
                   {0, 0, 640, 150},
                   {1, 20, 1, 1},
                   {1, 20, 241, 220}}),
    [](const testing::TestParamInfo<ClientCase>& row) {
        return "case" + std::to_string(row.index);
    });

}  // namespace
}  // namespace brivanta
