#include "core/addressbook/BirthdayDate.h"

#include <array>
#include <charconv>

#include "core/text/Encoding.h"

namespace brivanta {

namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

}  // namespace

bool isValidDateTime(const DateTime& when) {
    if (when.year < kFirstBirthdayYear || when.year > kLastBirthdayYear)
        return false;
    if (when.month < 1 || when.month > 12)
        return false;
    if (when.day < 1 || when.day > daysInMonth(when.year, when.month))
        return false;
    return when.hour >= 0 && when.hour <= 23 && when.minute >= 0 && when.minute <= 59 &&
           when.second >= 0 && when.second <= 59;
}

int dayOfWeek(int year, int month, int day) {
    // Sakamoto's method: months shifted so that the leap day ends the year.
    constexpr std::array<int, 12> kOffsets = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    int w = (year + year / 4 - year / 100 + year / 400 + kOffsets[static_cast<size_t>(month - 1)] +
             day) %
            7;
    return w < 0 ? w + 7 : w;
}

std::string birthdayName(const DateTime& when) {
    std::string out = text::gbk("生日：");
    if (!isValidDateTime(when))
        return out;
    out += kDayNames[static_cast<size_t>(dayOfWeek(when.year, when.month, when.day))];
    out += ',';
    out += kMonthNames[static_cast<size_t>(when.month - 1)];
    out += ' ';
    if (when.day < 10)
        out += '0';
    out += std::to_string(when.day);
    out += ", ";
    out += std::to_string(when.year);
    return out;
}

std::string birthdayDateText(const DateTime& when) {
    if (!isValidDateTime(when))
        return {};
    return std::to_string(when.year) + "年" + std::to_string(when.month) + "月" +
           std::to_string(when.day) + "日";
}

std::string birthdayLongText(const DateTime& when) {
    constexpr std::array<const char*, 7> kWeekdays = {"日", "一", "二", "三", "四", "五", "六"};
    if (!isValidDateTime(when))
        return {};
    return birthdayDateText(when) + " 星期" +
           kWeekdays[static_cast<size_t>(dayOfWeek(when.year, when.month, when.day))];
}

bool isAfterDay(const DateTime& when, const DateTime& today) {
    if (when.year != today.year)
        return when.year > today.year;
    if (when.month != today.month)
        return when.month > today.month;
    return when.day > today.day;
}

std::string birthdayAddress(const DateTime& when) {
    const std::array<int, 6> parts = {when.year, when.month,  when.day,
                                      when.hour, when.minute, when.second};
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += '.';
        out += std::to_string(parts[i]);
    }
    return out;
}

std::optional<DateTime> parseBirthdayAddress(std::string_view address) {
    std::array<int, 6> parts = {2000, 1, 1, 1, 1, 1};
    size_t field = 0;
    size_t start = 0;
    while (field < parts.size() && start <= address.size()) {
        size_t dot = address.find('.', start);
        std::string_view piece = address.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (!piece.empty()) {
            int value = 0;
            auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
            if (error != std::errc() || end != piece.data() + piece.size() || value < 0)
                return std::nullopt;
            parts[field] = value;
        }
        ++field;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    DateTime when{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    if (!isValidDateTime(when))
        return std::nullopt;
    return when;
}

}  // namespace brivanta
