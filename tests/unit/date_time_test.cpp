#include <gtest/gtest.h>

#include "mainwindow/scheduler/DateTime.h"

using namespace kestrelon;

namespace {

struct LocaleCase {
    const char* name;
    LocaleFormat loc;
    friend void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.name; }
};

LocaleFormat MonthFirst12h() { return LocaleFormat::EnglishUS(); }
LocaleFormat DayFirstDots() { return LocaleFormat::German(); }
LocaleFormat YearFirstSlash() {
    LocaleFormat f;
    f.dateSep = L"/";
    f.shortDate = L"yyyy/M/d";
    f.longTime = L"H:mm:ss";
    f.am = L"";
    f.pm = L"";
    return f;
}
LocaleFormat DayFirstTwoDigitYear() {
    LocaleFormat f;
    f.dateSep = L"-";
    f.timeSep = L".";
    f.shortDate = L"dd-MM-yy";
    f.longTime = L"HH.mm.ss";
    f.am = L"";
    f.pm = L"";
    return f;
}

class DateLocales : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(DateLocales, EveryWrittenFormReadsBack) {
    const LocaleFormat& loc = GetParam().loc;
    const DateTime samples[] = {
        {2026, 12, 8, 10, 30, 0}, {2027, 2, 28, 0, 0, 0}, {2026, 1, 1, 23, 59, 59},
        {2028, 2, 29, 12, 0, 1},  {2026, 7, 4, 0, 0, 30},
    };
    for (const DateTime& t : samples) {
        // (a) the editor's text with literal separators
        wchar_t a[32];
        swprintf(a, 32, L"%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
        EXPECT_EQ(ParseDateTime(a, loc), t) << a;
        // (b) and (c)
        std::wstring b = FormatYMDHMS(t, loc), c = FormatGeneral(t, loc);
        EXPECT_EQ(ParseDateTime(b, loc), t) << b;
        EXPECT_EQ(ParseDateTime(c, loc), t) << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, DateLocales,
                         ::testing::Values(LocaleCase{"MonthFirst12h", MonthFirst12h()},
                                           LocaleCase{"DayFirstDots", DayFirstDots()},
                                           LocaleCase{"YearFirstSlash", YearFirstSlash()},
                                           LocaleCase{"DayFirstTwoDigitYear", DayFirstTwoDigitYear()},
                                           LocaleCase{"Iso", LocaleFormat::Iso()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DateTimeText, FormsUseTheLocaleSeparatorsAndPictures) {
    DateTime t{2026, 12, 8, 10, 30, 0};
    EXPECT_EQ(FormatYMDHMS(t, LocaleFormat::EnglishUS()), L"2026/12/08 10:30:00");
    EXPECT_EQ(FormatYMDHMS(t, LocaleFormat::German()), L"2026.12.08 10:30:00");
    EXPECT_EQ(FormatGeneral(t, LocaleFormat::EnglishUS()), L"12/8/2026 10:30:00 AM");
    EXPECT_EQ(FormatGeneral({2026, 12, 8, 22, 5, 9}, LocaleFormat::EnglishUS()), L"12/8/2026 10:05:09 PM");
    EXPECT_EQ(FormatGeneral(t, LocaleFormat::German()), L"08.12.2026 10:30:00");
    // exactly midnight: the time is left out
    EXPECT_EQ(FormatGeneral({2027, 1, 31, 0, 0, 0}, LocaleFormat::EnglishUS()), L"1/31/2027");
    EXPECT_EQ(FormatGeneral({2027, 1, 31, 0, 0, 0}, LocaleFormat::German()), L"31.01.2027");
    EXPECT_EQ(DueNumber(t), 20261208103000);
}

TEST(DateTimeText, NonDatesAreRefused) {
    const LocaleFormat us = LocaleFormat::EnglishUS();
    for (const wchar_t* s : {L"", L"hello", L"2026/02/31 10:00:00", L"2026/13/01 10:00:00", L"2026/12/08 24:00:00",
                             L"2026/12/08 10:61:00", L"12/8/2026 13:00:00 PM", L"2026/12/08 10:30:00 xyz",
                             L"2026/12", L"20261208103000", L"2026/12/08T10:30:00", L"1/1/2026 0:00:00 AM",
                             L"2026/12/08 10:30:00:00:00"})
        EXPECT_FALSE(ParseDateTime(s, us).has_value()) << s;
    // 12 AM is midnight, 12 PM noon
    EXPECT_EQ(ParseDateTime(L"1/1/2026 12:00:00 AM", us)->hour, 0);
    EXPECT_EQ(ParseDateTime(L"1/1/2026 12:00:00 PM", us)->hour, 12);
    // A date without a time is midnight; two-digit years fall in 1950-2049.
    EXPECT_EQ(ParseDateTime(L"12/8/26", us), (DateTime{2026, 12, 8, 0, 0, 0}));
    EXPECT_EQ(ParseDateTime(L"12/8/45", us), (DateTime{2045, 12, 8, 0, 0, 0}));
    EXPECT_EQ(ParseDateTime(L"12/8/50", us), (DateTime{1950, 12, 8, 0, 0, 0}));
}

TEST(CalendarAddition, MonthEndAndRanges) {
    DateTime t{2026, 12, 31, 10, 0, 0};
    t = *AddMonths(t, 1);
    EXPECT_EQ(t, (DateTime{2027, 1, 31, 10, 0, 0}));
    t = *AddMonths(t, 1);
    EXPECT_EQ(t, (DateTime{2027, 2, 28, 10, 0, 0}));
    t = *AddMonths(t, 1);
    EXPECT_EQ(t, (DateTime{2027, 3, 28, 10, 0, 0}));
    EXPECT_EQ(*AddMonths({2028, 1, 31, 0, 0, 0}, 1), (DateTime{2028, 2, 29, 0, 0, 0}));
    EXPECT_EQ(*AddDays({2026, 12, 31, 23, 0, 0}, 1), (DateTime{2027, 1, 1, 23, 0, 0}));
    EXPECT_EQ(*AddHours({2026, 12, 31, 23, 0, 0}, 2), (DateTime{2027, 1, 1, 1, 0, 0}));
    EXPECT_EQ(*AddMinutes({2026, 3, 1, 0, 0, 0}, -1), (DateTime{2026, 2, 28, 23, 59, 0}));
    EXPECT_EQ(*AddSeconds({2026, 12, 8, 10, 29, 59}, 1), (DateTime{2026, 12, 8, 10, 30, 0}));
    EXPECT_FALSE(AddDays({9999, 12, 31, 0, 0, 0}, 1).has_value());
    EXPECT_FALSE(AddSeconds({2026, 1, 1, 0, 0, 0}, INT64_MAX).has_value());
    EXPECT_FALSE(AddMonths({2026, 1, 1, 0, 0, 0}, INT64_MIN).has_value());
}

TEST(CalendarAddition, Countdown) {
    const DateTime now{2026, 12, 8, 10, 30, 0};
    EXPECT_EQ(AddCountdown(now, L"00-00-05-30"), (DateTime{2026, 12, 8, 10, 35, 30}));
    EXPECT_EQ(AddCountdown(now, L"xx-01-00-00"), (DateTime{2026, 12, 8, 11, 30, 0}));
    EXPECT_EQ(AddCountdown(now, L"00-02"), (DateTime{2026, 12, 8, 12, 30, 0}));
    EXPECT_EQ(AddCountdown(now, L"01-00-00-00-07"), (DateTime{2026, 12, 9, 10, 30, 0}));
    EXPECT_EQ(AddCountdown(now, L"NoMouseMoving 00-00-10-00"), (DateTime{2026, 12, 8, 10, 40, 0}));
    EXPECT_EQ(AddCountdown(now, L""), now);
    EXPECT_EQ(AddCountdown(now, L"100-0-0-0"), (DateTime{2027, 3, 18, 10, 30, 0}));
    EXPECT_EQ(AddCountdown(now, L"99999999999-1"), (DateTime{2026, 12, 8, 11, 30, 0}));
}

TEST(Numbers, FieldNumbersRoundHalfToEven) {
    EXPECT_EQ(ParseNumber(L" 12 "), 12);
    EXPECT_EQ(ParseNumber(L"2.5"), 2);
    EXPECT_EQ(ParseNumber(L"3.5"), 4);
    EXPECT_EQ(ParseNumber(L"+7"), 7);
    EXPECT_FALSE(ParseNumber(L"").has_value());
    EXPECT_FALSE(ParseNumber(L"1 2").has_value());
    EXPECT_FALSE(ParseNumber(L"0x10").has_value());
    EXPECT_FALSE(ParseNumber(L".").has_value());
}

}  // namespace
