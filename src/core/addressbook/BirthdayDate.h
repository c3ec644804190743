#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brivanta {

// A contact's birthday as the address book keeps it: a date and a time of day (the time is
// what the date picker held when the contact was saved).
struct DateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const DateTime&) const = default;
};

// The years a birthday may have, those the date picker can show.
inline constexpr int kFirstBirthdayYear = 100;
inline constexpr int kLastBirthdayYear = 9999;

// True for a date that exists (29 February only in leap years) and a time of day within
// 00:00:00-23:59:59, in the years above.
bool isValidDateTime(const DateTime& when);

// 0 Sunday ... 6 Saturday, in the Gregorian calendar (also before it was adopted).
int dayOfWeek(int year, int month, int day);

// The label of a birthday entry (GBK): "生日：" and the date with English names whatever the
// desktop's language, "Saturday,January 01, 2000".
std::string birthdayName(const DateTime& when);
// The date as a person reads it in Chinese (UTF-8), whatever the desktop's language:
// "1990年5月3日", and with the day of the week, "1990年5月3日 星期四". Empty for a date
// that does not exist.
std::string birthdayDateText(const DateTime& when);
std::string birthdayLongText(const DateTime& when);
// Whether `when` falls on a later day than `today` (times of day do not count).
bool isAfterDay(const DateTime& when, const DateTime& today);
// The stored form: year, month, day, hour, minute, second joined by dots, no leading zeros.
std::string birthdayAddress(const DateTime& when);
// Reads the stored form back. Up to six numbers are read (more are ignored); a missing or
// empty one is 2000 for the year and 1 for the others. Anything that is not a number or
// gives an impossible date yields no birthday.
std::optional<DateTime> parseBirthdayAddress(std::string_view address);

}  // namespace brivanta
