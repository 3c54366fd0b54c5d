// The date layer under the settings of locales that defeat simple readers:
// separators of several characters and blanks, literal text quoted or not,
// designators on either side of the time and of any length, direction marks,
// a calendar that counts years from another start, two-digit years. Each
// row gives the settings as the system reports them and the text the
// program writes for one instant.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fakes.h"
#include "mainwindow/scheduler/DateTime.h"

using namespace kestrelon;
using kestrelon::testing::Settings;

namespace {

struct Pattern {
    const char* name;
    LocaleFormat loc;
    DateTime sample;
    std::wstring general;  // form (c) of the sample
};

const DateTime kMorning{2026, 12, 9, 8, 45, 18};
const DateTime kEvening{2026, 12, 9, 20, 5, 7};

const std::vector<Pattern>& HardPatterns() {
    static const std::vector<Pattern> table = {
        {"hu_HU", Settings(L"yyyy. MM. dd.", L"H:mm:ss", L". ", L":", L"de.", L"du."), kMorning,
         L"2026. 12. 09. 8:45:18"},
        {"cs_CZ", Settings(L"d. M. yyyy", L"H:mm:ss", L". ", L":", L"dop.", L"odp."), kMorning, L"9. 12. 2026 8:45:18"},
        {"hr_HR", Settings(L"dd. MM. yyyy.", L"HH:mm:ss", L". ", L":", L"AM", L"PM"), kMorning,
         L"09. 12. 2026. 08:45:18"},
        {"bg_BG", Settings(L"d.MM.yyyy\u202F'\u0433'.", L"H:mm:ss '\u0447'.", L".", L":", L"am", L"pm"), kMorning,
         L"9.12.2026\u202F\u0433. 8:45:18 \u0447."},
        {"sq_AL", Settings(L"d.M.yyyy", L"h:mm:ss tt", L".", L":", L"p.d.", L"m.d."), kEvening,
         L"9.12.2026 8:05:07 m.d."},
        {"ko_KR", Settings(L"yyyy. M. d.", L"tt h:mm:ss", L". ", L":", L"\uC624\uC804", L"\uC624\uD6C4"), kEvening,
         L"2026. 12. 9. \uC624\uD6C4 8:05:07"},
        {"es_ES_12h", Settings(L"d/M/yyyy", L"h:mm:ss tt", L"/", L":", L"a.\u202Fm.", L"p.\u202Fm."), kMorning,
         L"9/12/2026 8:45:18 a.\u202Fm."},
        {"ar_SA", Settings(L"d\u200F/M\u200F/yyyy", L"h:mm:ss tt", L"\u200F/", L":", L"\u0635", L"\u0645"), kEvening,
         L"9\u200F/12\u200F/2026 8:05:07 \u0645"},
        {"th_TH", Settings(L"d/M/yyyy", L"H:mm:ss", L"/", L":", L"AM", L"PM", 543, 2592), kMorning,
         L"9/12/2569 8:45:18"},
        {"zh_TW", Settings(L"yyyy/M/d", L"tth:mm:ss", L"/", L":", L"\u4E0A\u5348", L"\u4E0B\u5348"), kEvening,
         L"2026/12/9 \u4E0B\u53488:05:07"},
        {"zh_SG", Settings(L"yyyy\u5E74M\u6708d\u65E5", L"tth:mm:ss", L"\u5E74", L":", L"\u4E0A\u5348", L"\u4E0B\u5348"),
         kMorning, L"2026\u5E7412\u67089\u65E5 \u4E0A\u53488:45:18"},
        {"fr_CA", Settings(L"yyyy-MM-dd", L"HH 'h' mm 'min' ss 's'", L"-", L" 'h' "), kMorning,
         L"2026-12-09 08 h 45 min 18 s"},
        {"oc_FR", Settings(L"dd/MM/yyyy", L"H'h'mm:ss", L"/", L"'h'"), kMorning, L"09/12/2026 8h45:18"},
        {"nds_DE", Settings(L"d.M.yyyy", L"'Klock' H.mm:ss", L".", L"."), kMorning, L"9.12.2026 Klock 8.45:18"},
        {"ee_GH", Settings(L"M/d/yyyy", L"tt 'ga' h:mm:ss", L"/", L":", L"\u014Bdi", L"\u0263etr\u0254"), kEvening,
         L"12/9/2026 \u0263etr\u0254 ga 8:05:07"},
        {"nqo_GN", Settings(L"yyyy / dd / MM", L"HH:mm:ss", L" / ", L":"), {2026, 12, 25, 8, 45, 18},
         L"2026 / 25 / 12 08:45:18"},
        // Year, day, month: a day up to 12 would read as form (b) the other
        // way round, so that date is written as form (b).
        {"ky_KG", Settings(L"yyyy-dd-MM", L"HH:mm:ss", L"-", L":"), kMorning, L"2026-12-09 08:45:18"},
        {"ky_KG_late_day", Settings(L"yyyy-dd-MM", L"HH:mm:ss", L"-", L":"), {2026, 12, 25, 8, 45, 18},
         L"2026-25-12 08:45:18"},
        {"two_digit_year", Settings(L"dd/MM/yy", L"HH:mm:ss", L"/", L":"), kMorning, L"09/12/26 08:45:18"},
        {"two_digit_year_outside", Settings(L"dd/MM/yy", L"HH:mm:ss", L"/", L":"), {2050, 1, 2, 3, 4, 5},
         L"02/01/2050 03:04:05"},
        {"one_digit_year_parts", Settings(L"d.M.yy", L"H:m:s", L".", L":"), {2005, 3, 4, 5, 6, 7}, L"4.3.05 5:6:7"},
        // A 12-hour time whose designators are empty cannot tell morning
        // from evening: the 24-hour clock is written.
        {"twelve_hours_no_designators", Settings(L"M/d/yyyy", L"h:mm:ss tt", L"/", L":"), kEvening,
         L"12/9/2026 20:05:07"},
        // A long time without seconds would lose them: form (b) is written.
        {"no_seconds", Settings(L"M/d/yyyy", L"h:mm tt", L"/", L":", L"AM", L"PM"), kEvening, L"2026/12/09 20:05:07"},
        {"weekday_and_era", Settings(L"dddd, d MMMM yyyy gg", L"HH:mm:ss", L"/", L":"), kMorning,
         L", 9 12 2026 08:45:18"},
        {"empty_separators", Settings(L"yyyyMMdd", L"HHmmss", L"", L""), kMorning, L"2026/12/09 08:45:18"},
    };
    return table;
}

class HardPattern : public ::testing::TestWithParam<Pattern> {};

// Instants over the whole range: one- and two-digit days and months, month
// ends, midnight, noon and the last second of the day, every year.
std::vector<DateTime> Sweep() {
    std::vector<DateTime> out;
    for (int y = 1900; y <= 2999; ++y) {
        const int m = y % 12 + 1;
        out.push_back({y, m, y % 28 + 1, 0, 0, 0});
        out.push_back({y, m, DaysInMonth(y, m), 12, 0, 0});
        out.push_back({y, (y + 5) % 12 + 1, 9, 23, 59, 59});
        out.push_back({y, 1, 1, y % 24, y % 60, (y * 7) % 60});
    }
    return out;
}

TEST_P(HardPattern, WritesTheLocaleTextAndReadsEveryFormBack) {
    const Pattern& p = GetParam();
    EXPECT_EQ(FormatGeneral(p.sample, p.loc), p.general);
    EXPECT_EQ(ParseDateTime(p.general, p.loc), p.sample);

    static const std::vector<DateTime> instants = Sweep();
    int failures = 0;
    for (const DateTime& t : instants) {
        const std::wstring forms[] = {FormatEditorText(t), FormatYMDHMS(t, p.loc), FormatGeneral(t, p.loc)};
        for (const std::wstring& text : forms) {
            if (ParseDateTime(text, p.loc) == t) continue;
            if (++failures <= 5) ADD_FAILURE() << "not read back: " << ::testing::PrintToString(text);
        }
    }
    EXPECT_EQ(failures, 0);
}

INSTANTIATE_TEST_SUITE_P(Locales, HardPattern, ::testing::ValuesIn(HardPatterns()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TwoDigitYears, WindowEdges) {
    EXPECT_EQ(WindowTwoDigitYear(0, 2049), 2000);
    EXPECT_EQ(WindowTwoDigitYear(49, 2049), 2049);
    EXPECT_EQ(WindowTwoDigitYear(50, 2049), 1950);
    EXPECT_EQ(WindowTwoDigitYear(99, 2049), 1999);
    EXPECT_EQ(WindowTwoDigitYear(29, 2029), 2029);
    EXPECT_EQ(WindowTwoDigitYear(30, 2029), 1930);
    EXPECT_EQ(WindowTwoDigitYear(0, 2099), 2000);
    EXPECT_EQ(WindowTwoDigitYear(0, 2100), 2100);
    EXPECT_EQ(WindowTwoDigitYear(1, 2100), 2001);
    EXPECT_EQ(WindowTwoDigitYear(92, 2592), 2592);  // Thai calendar
    EXPECT_EQ(WindowTwoDigitYear(93, 2592), 2493);
}

TEST(TwoDigitYears, ReadWithTheSystemWindowAndWrittenInFullOutsideIt) {
    LocaleFormat loc = Settings(L"dd/MM/yy", L"HH:mm:ss", L"/", L":");
    EXPECT_EQ(ParseDateTime(L"31/12/49 23:59:59", loc), (DateTime{2049, 12, 31, 23, 59, 59}));
    EXPECT_EQ(ParseDateTime(L"01/01/50", loc), (DateTime{1950, 1, 1, 0, 0, 0}));
    EXPECT_EQ(FormatGeneral({2049, 12, 31, 23, 59, 59}, loc), L"31/12/49 23:59:59");
    EXPECT_EQ(FormatGeneral({1950, 1, 1, 0, 0, 0}, loc), L"01/01/50");
    EXPECT_EQ(FormatGeneral({1949, 12, 31, 0, 0, 0}, loc), L"31/12/1949");
    EXPECT_EQ(FormatGeneral({2050, 1, 1, 0, 0, 0}, loc), L"01/01/2050");

    loc.twoDigitYearMax = 2029;  // a window set by the user
    EXPECT_EQ(ParseDateTime(L"01/01/30", loc), (DateTime{1930, 1, 1, 0, 0, 0}));
    EXPECT_EQ(FormatGeneral({2029, 6, 1, 0, 0, 0}, loc), L"01/06/29");
    EXPECT_EQ(FormatGeneral({2030, 6, 1, 0, 0, 0}, loc), L"01/06/2030");

    // The Thai calendar's window is in its own years.
    const LocaleFormat thai = Settings(L"d/M/yy", L"H:mm:ss", L"/", L":", L"", L"", 543, 2592);
    EXPECT_EQ(ParseDateTime(L"1/1/92", thai), (DateTime{2049, 1, 1, 0, 0, 0}));
    EXPECT_EQ(ParseDateTime(L"1/1/93", thai), (DateTime{1950, 1, 1, 0, 0, 0}));
    EXPECT_EQ(FormatGeneral({2050, 1, 1, 0, 0, 0}, thai), L"1/1/2593");
}

TEST(ReaderStrictness, LiteralsAndDesignatorsMustBeThere) {
    const LocaleFormat bg = HardPatterns()[3].loc;
    EXPECT_EQ(ParseDateTime(L"9.12.2026 \u0433. 8:45:18 \u0447.", bg), kMorning) << "any blank in place of another";
    EXPECT_FALSE(ParseDateTime(L"9.12.2026 8:45:18", bg).has_value()) << "literal text missing";
    EXPECT_FALSE(ParseDateTime(L"9.12.2026 \u0433. 8:45:18 \u0447. x", bg).has_value());
    const LocaleFormat sq = HardPatterns()[4].loc;
    EXPECT_EQ(ParseDateTime(L"9.12.2026 8:05:07 P.D.", sq), (DateTime{2026, 12, 9, 8, 5, 7})) << "case of letters";
    // Without its designator the time is the 24-hour one the writer falls back to.
    EXPECT_EQ(ParseDateTime(L"9.12.2026 20:05:07", sq), kEvening);
    EXPECT_FALSE(ParseDateTime(L"9.12.2026 8:05:07 x.y.", sq).has_value());
    EXPECT_FALSE(ParseDateTime(L"9.12.2026 13:05:07 m.d.", sq).has_value());
    // Digit groups are read whole.
    EXPECT_FALSE(ParseDateTime(L"2026/12/081 10:30:00", LocaleFormat::EnglishUS()).has_value());
    EXPECT_FALSE(ParseDateTime(L"26/12/08 10:30:00", LocaleFormat::Iso()).has_value());
}

// Whatever the settings say, every text the program writes reads back: the
// writer falls back step by step down to form (a), which every reader takes.
TEST(OddSettings, WhatIsWrittenAlwaysReadsBack) {
    const LocaleFormat odd[] = {
        Settings(L"d/M", L"H:mm", L"/", L":"),                           // no year, no seconds
        Settings(L"yyyy", L"tt", L"", L"", L"X", L"X"),                   // no month or day; designators alike
        Settings(L"d1M1yy", L"h1mm1ss", L"1", L"1", L"a", L"p"),         // digits as separators
        Settings(L"M/d/yy", L"h:mm:ss tt", L"/", L":", L"AM", L"PM", 2147483647, -2147483647 - 1),
        Settings(L"'", L"''", L"'", L"'", L"", L""),                      // quotes only
        Settings(L"d.M.yyyy", L"h:mm:ss t", L".", L":", L"午前", L"午後"),  // same first letter
    };
    for (const LocaleFormat& loc : odd) {
        for (int y = 100; y <= 9999; y += 97) {
            const DateTime samples[] = {{y, 1, 1, 0, 0, 0}, {y, 12, 31, 12, 0, 0}, {y, 7, 9, 23, 59, 59}};
            for (const DateTime& t : samples) {
                for (const std::wstring& text : {FormatYMDHMS(t, loc), FormatGeneral(t, loc)})
                    ASSERT_EQ(ParseDateTime(text, loc), t) << ::testing::PrintToString(text);
            }
        }
    }
}

}  // namespace
