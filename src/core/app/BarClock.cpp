#include "core/app/BarClock.h"

#include <cstdio>

namespace brivanta {

std::string barClockTime(const std::tm& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string barClockDate(const std::tm& t) {
    static const char* const kWeekdays[] = {"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
    const char* weekday = t.tm_wday >= 0 && t.tm_wday < 7 ? kWeekdays[t.tm_wday] : "";
    return std::to_string(t.tm_year + 1900) + "年" + std::to_string(t.tm_mon + 1) + "月" +
           std::to_string(t.tm_mday) + "日 " + weekday;
}

}  // namespace brivanta
