#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "core/app/BarClock.h"

namespace brivanta {
namespace {

struct ClockCase {
    int year, month, day, hour, minute, second;
    const char* time;
    const char* date;
};

class BarClockTest : public ::testing::TestWithParam<ClockCase> {};

// The clock reads in Chinese whatever the C library's locale: no "PM", no "Wed" or "Dec".
TEST_P(BarClockTest, ReadsInChinese) {
    const ClockCase& c = GetParam();
    std::tm t{};
    t.tm_year = c.year - 1900;
    t.tm_mon = c.month - 1;
    t.tm_mday = c.day;
    t.tm_hour = c.hour;
    t.tm_min = c.minute;
    t.tm_sec = c.second;
    t.tm_isdst = -1;
    std::mktime(&t);  // fills in the weekday
    EXPECT_EQ(barClockTime(t), c.time);
    EXPECT_EQ(barClockDate(t), c.date);
}

INSTANTIATE_TEST_SUITE_P(
    Days, BarClockTest,
    ::testing::Values(ClockCase{2026, 12, 9, 22, 49, 0, "22:49:00", "2026年12月9日 周三"},
                      ClockCase{2027, 1, 3, 0, 0, 5, "00:00:05", "2027年1月3日 周日"},
                      ClockCase{2024, 2, 29, 9, 5, 59, "09:05:59", "2024年2月29日 周四"},
                      ClockCase{2025, 6, 14, 12, 30, 0, "12:30:00", "2025年6月14日 周六"}));

}  // namespace
}  // namespace brivanta
