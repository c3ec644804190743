#include <gtest/gtest.h>

#include "core/app/BarPlacement.h"

namespace brivanta {
namespace {

// The bar as it measures with the desktop's usual font: 290 × 45 toolkit pixels, wanted 525
// pixels right of the area's left edge. Areas are in toolkit pixels: a 1024×768 screen with
// a panel of 30 at a scale of 2 leaves 512×369.
constexpr BarWish kBar{525, 5, 290, 45};
constexpr int kWindow = 242;
constexpr int kLeast = 162;

struct PlaceCase {
    const char* what;
    LayoutRect available;
    int window;
    DesktopPlaces expected;
};

class PlaceBarBesideWindow : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceBarBesideWindow, NeitherCoversTheOther) {
    const PlaceCase& c = GetParam();
    const DesktopPlaces places = placeBarBesideWindow(c.available, kBar, c.window, kLeast);
    EXPECT_EQ(places.bar, c.expected.bar) << c.what;
    EXPECT_EQ(places.window, c.expected.window) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, PlaceBarBesideWindow,
    testing::Values(
        PlaceCase{"1280x800", {0, 0, 1280, 770}, kWindow, {{525, 5, 815, 50}, {0, 0, 242, 770}}},
        PlaceCase{"1024x768", {0, 0, 1024, 738}, kWindow, {{525, 5, 815, 50}, {0, 0, 242, 738}}},
        PlaceCase{"1280x800 at scale 2: the bar moves left",
                  {0, 0, 640, 385},
                  kWindow,
                  {{350, 5, 640, 50}, {0, 0, 242, 385}}},
        PlaceCase{"1024x768 at scale 2: the window gives way",
                  {0, 0, 512, 369},
                  kWindow,
                  {{222, 5, 512, 50}, {0, 0, 222, 369}}},
        PlaceCase{"a wide window: the bar stands beside it",
                  {0, 0, 1280, 770},
                  600,
                  {{600, 5, 890, 50}, {0, 0, 600, 770}}},
        PlaceCase{"1024x768 at scale 2.5: the window starts below the bar",
                  {0, 0, 409, 295},
                  kWindow,
                  {{119, 5, 409, 50}, {0, 50, 242, 295}}},
        PlaceCase{"panels at the top and left",
                  {48, 32, 560, 401},
                  kWindow,
                  {{270, 37, 560, 82}, {48, 32, 270, 401}}},
        PlaceCase{"narrower than the bar",
                  {10, 0, 200, 300},
                  kWindow,
                  {{10, 5, 300, 50}, {10, 50, 200, 300}}}),
    [](const testing::TestParamInfo<PlaceCase>& row) {
        return "case" + std::to_string(row.index);
    });

}  // namespace
}  // namespace brivanta
