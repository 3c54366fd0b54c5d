// Close Times in task files survive a change of the regional settings while
// the program is stopped: what the program writes reads back to the same
// second under any other settings, and a repeating task never fires early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fakes.h"
#include "mainwindow/scheduler/TaskFiles.h"

using namespace kestrelon;
using kestrelon::testing::Settings;

namespace {

// Settings as the system reports them for these locales.
const LocaleFormat kUS = LocaleFormat::EnglishUS();
const LocaleFormat kGerman = Settings(L"dd.MM.yyyy", L"HH:mm:ss", L".", L":", L"", L"");
const LocaleFormat kBritain = Settings(L"dd/MM/yyyy", L"HH:mm:ss", L"/", L":", L"AM", L"PM");
const LocaleFormat kThai = Settings(L"d/M/yyyy", L"H:mm:ss", L"/", L":", L"AM", L"PM", 543, 2592);
const LocaleFormat kKorea = Settings(L"yyyy-MM-dd", L"tt h:mm:ss", L"-", L":", L"\uC624\uC804", L"\uC624\uD6C4");
const LocaleFormat kHungary = Settings(L"yyyy. MM. dd.", L"H:mm:ss", L". ", L":", L"de.", L"du.");
const LocaleFormat kArabic = Settings(L"d\u200F/M\u200F/yyyy", L"h:mm:ss tt", L"\u200F/", L":", L"\u0635", L"\u0645");
const LocaleFormat kFinland = Settings(L"d.M.yyyy", L"H.mm.ss", L".", L".", L"ap.", L"ip.");

const std::vector<std::pair<const char*, LocaleFormat>>& Locales() {
    static const std::vector<std::pair<const char*, LocaleFormat>> all = {
        {"en-US", kUS},       {"de-DE", kGerman},  {"en-GB", kBritain}, {"th-TH", kThai},
        {"ko-KR", kKorea},    {"hu-HU", kHungary}, {"ar-SA", kArabic},  {"fi-FI", kFinland},
    };
    return all;
}

const RepeatTexts kEnglish{L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};

std::string Line(const std::wstring& closeTime) {
    return "helper.exe\tC:\\helper.exe\tNone\t" + std::string(closeTime.begin(), closeTime.end()) +
           "\tEvery Day\tRun - Normal\t\r\n";
}

TEST(CloseTimeInFile, TextsThatReadAreWrittenInTheFormEveryLocaleReads) {
    struct Case {
        const char* what;
        LocaleFormat loc;
        std::wstring shown, written;
    };
    const Case cases[] = {
        {"en-US general text", kUS, L"12/10/2026 4:17:37 PM", L"2026/12/10 16:17:37"},
        {"en-US general text at midnight", kUS, L"12/10/2026", L"2026/12/10 00:00:00"},
        {"de-DE general text", kGerman, L"10.12.2026 16:17:37", L"2026/12/10 16:17:37"},
        {"de-DE separators", kGerman, L"2026.12.10 16:17:37", L"2026/12/10 16:17:37"},
        {"the editor's text", kGerman, L"2026/12/10 16:17:37", L"2026/12/10 16:17:37"},
        {"th-TH general text, Buddhist year", kThai, L"10/12/2569 16:17:37", L"2026/12/10 16:17:37"},
        {"fi-FI dots in the time", kFinland, L"10.12.2026 16.17.37", L"2026/12/10 16:17:37"},
        // A text these settings cannot read is kept as it stands: an older
        // version's text, a hand-edited field, an empty one.
        {"en-US text under de-DE", kGerman, L"12/10/2026 4:17:37 PM", L"12/10/2026 4:17:37 PM"},
        {"no date", kUS, L"tomorrow", L"tomorrow"},
        {"empty", kUS, L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CloseTimeForFile(c.shown, c.loc), c.written) << c.what;
        MemoryTaskTable table;
        table.Add({L"helper.exe", L"C:\\helper.exe", L"None", c.shown, L"Every Day", L"Run - Normal", L""});
        EXPECT_EQ(FormatTaskList(table, c.loc), L"helper.exe\tC:\\helper.exe\tNone\t" + c.written +
                                                     L"\tEvery Day\tRun - Normal\t\r\n")
            << c.what;
    }
}

// Every Close Time the program writes under one locale (the editor's text,
// the locale's separators, the general text of a re-armed task) reads back
// to the same second under every other, after it went through a file.
TEST(CloseTimeInFile, ReadsBackToTheSecondUnderEveryOtherLocale) {
    const DateTime samples[] = {{2026, 12, 10, 16, 17, 37}, {2026, 1, 2, 0, 0, 0},    {2027, 2, 3, 12, 0, 1},
                                {2049, 12, 31, 23, 59, 59}, {2050, 1, 1, 0, 0, 59},   {1999, 11, 12, 9, 8, 7},
                                {2100, 2, 28, 11, 59, 59}};
    int pairs = 0, before = 0;
    for (const auto& [writer, w] : Locales()) {
        for (const DateTime& t : samples) {
            for (const std::wstring& shown : {FormatEditorText(t), FormatYMDHMS(t, w), FormatGeneral(t, w)}) {
                ASSERT_EQ(ParseDateTime(shown, w), t) << writer;
                const std::wstring stored = CloseTimeForFile(shown, w);
                for (const auto& [reader, r] : Locales()) {
                    ++pairs;
                    EXPECT_EQ(ParseDateTime(stored, r), t) << writer << " -> " << reader << ": \""
                                                           << ::testing::PrintToString(stored) << "\"";
                    before += ParseDateTime(shown, r) == t;  // what the displayed text alone would give
                }
            }
        }
    }
    std::printf("%d texts read back under another locale; %d of them would have read as displayed\n", pairs, before);
    EXPECT_LT(before, pairs);
}

// The fault as a user meets it: a daily run task fires under en-US and is
// re-armed to the next day; the program is stopped, the regional format set
// to German, and started again. The task must wait for its day.
TEST(CloseTimeInFile, ADailyTaskReArmedUnderOneLocaleDoesNotFireEarlyUnderAnother) {
    struct Pair {
        const char* what;
        LocaleFormat first, second;
    };
    const Pair pairs[] = {{"en-US -> de-DE", kUS, kGerman},
                          {"de-DE -> en-US", kGerman, kUS},
                          {"en-US -> en-GB (12-hour -> 24-hour, day and month swap)", kUS, kBritain},
                          {"ko-KR -> th-TH", kKorea, kThai}};
    for (const Pair& p : pairs) {
        MemoryFileStore store;
        Cp1252Codec codec;
        const DateTime fired{2026, 12, 9, 16, 18, 37};
        MemoryTaskTable first;
        first.Add({L"helper.exe", L"C:\\helper.exe", L"None", L"2026/12/09 16:17:37", L"Every Day", L"Run - Normal", L""});
        ASSERT_TRUE(RearmOrRemove(first, 1, kEnglish, {}, p.first, fired)) << p.what;
        ASSERT_TRUE(SaveDefaultTasks(true, first, L"A", store, codec, p.first).ok);

        kestrelon::testing::FakeHost second;
        second.sys.locale = p.second;
        second.sys.now = {2026, 12, 9, 16, 19, 0};
        ASSERT_EQ(ReloadDefaultTasks(true, second.table, 1, L"A", store, codec, second.sys.now, p.second).added, 1);
        EXPECT_EQ(ParseDateTime(*second.table.Field(1, fCloseTime), p.second), (DateTime{2026, 12, 10, 16, 17, 37}))
            << p.what;
        TimerCloseTick(second);
        EXPECT_EQ(second.Fired(), 0) << p.what << ": fired a day early";
        EXPECT_EQ(second.table.Count(), 1) << p.what;
        // At its time it fires.
        second.sys.now = {2026, 12, 10, 16, 17, 37};
        TimerCloseTick(second);
        EXPECT_EQ(second.Fired(), 1) << p.what;
    }
}

// A file an older version wrote under en-US, read under German settings:
// the text does not read, and the rule for such a Close Time stays (it is
// due at once). A save under German settings keeps the text as it is.
TEST(CloseTimeInFile, AnOlderUnreadableTextKeepsTheRuleForSuchTexts) {
    MemoryFileStore store;
    Cp1252Codec codec;
    store.files[L"A\\default.ktf"] = Line(L"12/10/2026 4:17:37 PM");
    kestrelon::testing::FakeHost host;
    host.sys.locale = kGerman;
    ASSERT_EQ(ReloadDefaultTasks(true, host.table, 1, L"A", store, codec, host.sys.now, kGerman).added, 1);
    ASSERT_TRUE(SaveDefaultTasks(true, host.table, L"A", store, codec, kGerman).ok);
    EXPECT_EQ(store.files[L"A\\default.ktf"], Line(L"12/10/2026 4:17:37 PM"));
    TimerCloseTick(host);
    EXPECT_EQ(host.Fired(), 1);
}

}  // namespace
