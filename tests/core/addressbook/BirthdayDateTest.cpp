#include <gtest/gtest.h>

#include "core/addressbook/BirthdayDate.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

struct KnownDate {
    DateTime when;
    const char* name;  // UTF-8
    const char* address;
};

class BirthdayText : public ::testing::TestWithParam<KnownDate> {};

TEST_P(BirthdayText, NameHasEnglishWordsAndTwoDigitDayAddressHasNoLeadingZeros) {
    const KnownDate& k = GetParam();
    EXPECT_EQ(text::toUtf8(birthdayName(k.when)), k.name);
    EXPECT_EQ(birthdayAddress(k.when), k.address);
    // What is written reads back as the same moment.
    EXPECT_EQ(parseBirthdayAddress(birthdayAddress(k.when)), k.when);
}

INSTANTIATE_TEST_SUITE_P(
    KnownDates, BirthdayText,
    ::testing::Values(
        KnownDate{{2000, 1, 1, 12, 30, 15}, "生日：Saturday,January 01, 2000", "2000.1.1.12.30.15"},
        KnownDate{{2024, 2, 29, 0, 0, 0}, "生日：Thursday,February 29, 2024", "2024.2.29.0.0.0"},
        KnownDate{
            {1999, 12, 31, 23, 59, 59}, "生日：Friday,December 31, 1999", "1999.12.31.23.59.59"},
        KnownDate{{1900, 3, 1, 8, 5, 9}, "生日：Thursday,March 01, 1900", "1900.3.1.8.5.9"},
        KnownDate{{100, 3, 1, 1, 1, 1}, "生日：Monday,March 01, 100", "100.3.1.1.1.1"},
        KnownDate{
            {9999, 12, 31, 10, 20, 30}, "生日：Friday,December 31, 9999", "9999.12.31.10.20.30"}));

struct StoredBirthday {
    const char* address;
    std::optional<DateTime> expected;
};

class ReadingABirthday : public ::testing::TestWithParam<StoredBirthday> {};

TEST_P(ReadingABirthday, MissingNumbersDefaultAndImpossibleDatesGiveNone) {
    EXPECT_EQ(parseBirthdayAddress(GetParam().address), GetParam().expected)
        << "address \"" << GetParam().address << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    StoredForms, ReadingABirthday,
    ::testing::Values(
        StoredBirthday{"2000.1.1.12.30.15", DateTime{2000, 1, 1, 12, 30, 15}},
        StoredBirthday{"1985.6", DateTime{1985, 6, 1, 1, 1, 1}},
        StoredBirthday{"", DateTime{2000, 1, 1, 1, 1, 1}},
        StoredBirthday{"2000..3", DateTime{2000, 1, 3, 1, 1, 1}},
        StoredBirthday{"2001.2.3.4.5.6.7.junk", DateTime{2001, 2, 3, 4, 5, 6}},
        StoredBirthday{"2004.2.29", DateTime{2004, 2, 29, 1, 1, 1}},
        StoredBirthday{"2001.2.29", std::nullopt}, StoredBirthday{"1900.2.29", std::nullopt},
        StoredBirthday{"2000.13.1", std::nullopt}, StoredBirthday{"2000.4.31", std::nullopt},
        StoredBirthday{"2000.1.0", std::nullopt}, StoredBirthday{"2000.1.1.24", std::nullopt},
        StoredBirthday{"2000.1.1.1.60", std::nullopt},
        StoredBirthday{"2000.1.1.1.1.60", std::nullopt}, StoredBirthday{"99.1.1", std::nullopt},
        StoredBirthday{"10000.1.1", std::nullopt}, StoredBirthday{"-1.1.1", std::nullopt},
        StoredBirthday{"abc", std::nullopt}, StoredBirthday{" 2000.1.1", std::nullopt},
        StoredBirthday{"2000.1x.1", std::nullopt},
        StoredBirthday{"99999999999999999999.1.1", std::nullopt}));

TEST(BirthdayDate, EveryDayOfFourHundredYearsRoundTripsAndWeekdaysFollowEachOther) {
    int expectedDay = dayOfWeek(1800, 1, 1);
    int days = 0;
    for (int year = 1800; year < 2200; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                DateTime when{year, month, day, 23, 59, 0};
                if (!isValidDateTime(when))
                    continue;
                ++days;
                ASSERT_EQ(dayOfWeek(year, month, day), expectedDay) << year << "-" << month;
                expectedDay = (expectedDay + 1) % 7;
                ASSERT_EQ(parseBirthdayAddress(birthdayAddress(when)), when);
            }
        }
    }
    EXPECT_EQ(days, 146097);  // the Gregorian cycle: 400 years of 365.2425 days
}

}  // namespace
}  // namespace brivanta

namespace brivanta {
namespace {

TEST(BirthdayChineseText, DateWholeWithWeekdayInTheLongForm) {
    struct Row {
        DateTime when;
        const char* date;
        const char* longText;
    };
    for (const Row& r : {Row{{1990, 5, 3, 8, 0, 0}, "1990年5月3日", "1990年5月3日 星期四"},
                         Row{{2000, 1, 1, 0, 0, 0}, "2000年1月1日", "2000年1月1日 星期六"},
                         Row{{2024, 12, 29, 23, 59, 59}, "2024年12月29日", "2024年12月29日 星期日"},
                         Row{{2023, 2, 29, 0, 0, 0}, "", ""}}) {
        EXPECT_EQ(birthdayDateText(r.when), r.date);
        EXPECT_EQ(birthdayLongText(r.when), r.longText);
    }
}

TEST(BirthdayChineseText, OnlyALaterDayIsAfterToday) {
    const DateTime today{2026, 12, 9, 10, 0, 0};
    EXPECT_FALSE(isAfterDay({2026, 12, 9, 23, 59, 59}, today));  // later the same day
    EXPECT_FALSE(isAfterDay({2026, 11, 30, 0, 0, 0}, today));
    EXPECT_FALSE(isAfterDay({1990, 12, 31, 0, 0, 0}, today));
    EXPECT_TRUE(isAfterDay({2026, 12, 10, 0, 0, 0}, today));
    EXPECT_TRUE(isAfterDay({2027, 1, 1, 0, 0, 0}, today));
    EXPECT_TRUE(isAfterDay({2026, 12, 1, 0, 0, 0}, {2026, 11, 30, 0, 0, 0}));
}

}  // namespace
}  // namespace brivanta
