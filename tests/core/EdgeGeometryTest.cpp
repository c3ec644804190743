#include <gtest/gtest.h>

#include <optional>

#include "core/app/EdgeGeometry.h"

namespace brivanta {
namespace {

// A 1280 × 800 screen whose bottom panel leaves 770 rows.
constexpr LayoutRect kArea{0, 0, 1280, 770};
constexpr LayoutPoint kAway{640, 400};

struct SlideCase {
    const char* what;
    LayoutRect window;
    LayoutPoint cursor;
    bool autoHide;
    std::optional<int> left;
};

class SlideStep : public ::testing::TestWithParam<SlideCase> {};

TEST_P(SlideStep, MovesByOneTwentiethOrStays) {
    const SlideCase& c = GetParam();
    EXPECT_EQ(slideStep(c.window, c.cursor, kArea, c.autoHide), c.left) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, SlideStep,
    ::testing::Values(
        SlideCase{"left edge, cursor away", {0, 0, 240, 770}, kAway, true, -12},
        SlideCase{"left edge, cursor inside", {0, 0, 240, 770}, {100, 300}, true, std::nullopt},
        SlideCase{"left edge, cursor on the pixel past the right",
                  {0, 0, 240, 770},
                  {240, 5},
                  true,
                  std::nullopt},
        SlideCase{"left edge, cursor below the window", {0, 0, 240, 700}, {100, 701}, true, -12},
        SlideCase{"a whole step would hide the strip", {-228, 0, 12, 770}, kAway, true, -238},
        SlideCase{"last partial step", {-232, 0, 8, 770}, kAway, true, -238},
        SlideCase{"strip left: stays", {-238, 0, 2, 770}, kAway, true, std::nullopt},
        SlideCase{"right edge", {1040, 0, 1280, 770}, kAway, true, 1052},
        SlideCase{"overlapping the right edge", {1100, 0, 1340, 770}, kAway, true, 1112},
        SlideCase{"right edge, last step", {1270, 0, 1510, 770}, kAway, true, 1278},
        SlideCase{"right strip left: stays", {1278, 0, 1518, 770}, kAway, true, std::nullopt},
        SlideCase{"floating never slides", {300, 0, 540, 770}, kAway, true, std::nullopt},
        SlideCase{"narrower than 20 pixels", {0, 0, 19, 770}, kAway, true, std::nullopt},
        SlideCase{"20 pixels wide slides by one", {0, 0, 20, 770}, kAway, true, -1},
        SlideCase{"auto-hide off pulls back from the left", {-120, 0, 120, 770}, kAway, false, 0},
        SlideCase{
            "auto-hide off pulls back from the right", {1100, 0, 1340, 770}, kAway, false, 1040},
        SlideCase{
            "auto-hide off, on screen: stays", {0, 0, 240, 770}, kAway, false, std::nullopt}));

TEST(SlideStep, AFullSlideLeavesExactlyTheStripOnEitherEdge) {
    for (int width : {240, 241, 259, 60, 40, 21}) {
        for (bool right : {false, true}) {
            LayoutRect w =
                right ? LayoutRect{1280 - width, 0, 1280, 770} : LayoutRect{0, 0, width, 770};
            int ticks = 0;
            while (std::optional<int> left = slideStep(w, kAway, kArea, true)) {
                w.right = *left + width;
                w.left = *left;
                ASSERT_LE(++ticks, 25) << width;
            }
            int visible = right ? kArea.right - w.left : w.right - kArea.left;
            EXPECT_EQ(visible, kEdgeStrip) << width << (right ? " right" : " left");
            EXPECT_GE(ticks, kSlideSteps - 1) << width;
        }
    }
}

TEST(SlideStep, TheAreaCanStartPastTheScreenOrigin) {
    // A panel on the left: the available area starts at x = 48.
    LayoutRect area{48, 0, 1280, 800};
    EXPECT_EQ(slideStep({48, 0, 288, 800}, kAway, area, true), 36);
    EXPECT_EQ(slideStep({-190, 0, 50, 800}, kAway, area, true), std::nullopt);
    EXPECT_EQ(slideStep({0, 0, 240, 800}, kAway, area, false), 48);
}

struct RevealCase {
    const char* what;
    LayoutRect window;
    LayoutPoint cursor;
    std::optional<LayoutRect> back;
};

class RevealStep : public ::testing::TestWithParam<RevealCase> {};

TEST_P(RevealStep, JumpsBackFlushWithTheEdge) {
    const RevealCase& c = GetParam();
    EXPECT_EQ(revealStep(c.window, c.cursor, kArea), c.back) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, RevealStep,
    ::testing::Values(
        RevealCase{"left strip touched", {-238, 0, 2, 770}, {1, 300}, LayoutRect{0, 0, 240, 770}},
        RevealCase{
            "left strip, leftmost pixel", {-238, 0, 2, 770}, {0, 300}, LayoutRect{0, 0, 240, 770}},
        RevealCase{"cursor away from the strip", {-238, 0, 2, 770}, {3, 300}, std::nullopt},
        RevealCase{"right strip touched",
                   {1278, 0, 1518, 770},
                   {1279, 10},
                   LayoutRect{1040, 0, 1280, 770}},
        RevealCase{"the pixel left of the right strip",
                   {1278, 0, 1518, 770},
                   {1277, 10},
                   LayoutRect{1040, 0, 1280, 770}},
        RevealCase{"moved down and shortened: back to the top, full height",
                   {0, 100, 240, 400},
                   {10, 200},
                   LayoutRect{0, 0, 240, 770}},
        RevealCase{"already in place", {0, 0, 240, 770}, {10, 10}, std::nullopt},
        RevealCase{"floating window", {300, 100, 540, 400}, {400, 200}, std::nullopt},
        RevealCase{"cursor below the strip", {-238, 0, 2, 700}, {1, 702}, std::nullopt}));

}  // namespace
}  // namespace brivanta
