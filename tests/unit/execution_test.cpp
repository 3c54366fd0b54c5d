#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "Fakes.h"
#include "mainwindow/scheduler/RunningPrograms.h"

using namespace kestrelon;
using namespace kestrelon::testing;

namespace {

using Events = std::vector<std::wstring>;

int AddCloseRow(FakeExecHost& h, std::wstring program, std::wstring id, std::wstring loop = L"None",
                std::wstring after = L"", std::wstring closeTime = L"2026/12/08 10:30:00") {
    return h.table.Add({program, L"C:\\apps\\" + program, id, closeTime, loop, L"Close - Normal", after});
}

TEST(CloseRoutine, EveryListedInstanceThenOwnIdThenRearmSaveRefresh) {
    FakeExecHost h;
    h.sys.processes = {{100, L"app.exe"}, {104, L"app.exe"}, {108, L"APP.EXE"}, {200, L"app.exe"}, {300, L"other.exe"}};
    h.paths = {L"C:\\apps\\app.exe", L"C:\\apps\\other.exe", L"C:\\apps\\app.exe", L"C:\\x\\APP.EXE"};
    h.ids = {L"100", L"300", L"104", L"108"};
    int row = AddCloseRow(h, L"app.exe", L"200", L"Every Day");
    CloseProgram(h, L"app.exe", static_cast<std::int16_t>(row));
    EXPECT_EQ(h.Events(), (Events{L"terminate 100", L"terminate 104", L"terminate 108", L"terminate 200",
                                  L"save rows=1", L"mailbox refresh"}));
    EXPECT_EQ(h.table.Field(1, fCloseTime), L"12/9/2026 10:30:00 AM");
    EXPECT_EQ(h.sys.processes.count(300), 1u);
}

TEST(CloseRoutine, NameMatchIgnoresCase) {
    FakeExecHost h;
    h.sys.processes = {{40, L"notepad.exe"}};
    h.paths = {L"C:\\Windows\\notepad.exe"};
    h.ids = {L"40"};
    AddCloseRow(h, L"NOTEPAD.EXE", L"00000");
    CloseProgram(h, L"NOTEPAD.EXE", 1);
    EXPECT_EQ(h.sys.terminated, (std::vector<std::uint32_t>{40}));
}

TEST(CloseRoutine, FileChosenProgramMissingFromListFallsBackToSnapshot) {
    FakeExecHost h;
    h.sys.processes = {{40, L"Tool.exe"}, {44, L"tool.EXE"}, {48, L"else.exe"}};
    AddCloseRow(h, L"tool.exe", L"00000", L"None", L"Hibernate");
    CloseProgram(h, L"tool.exe", 1);
    EXPECT_EQ(h.Events(), (Events{L"terminate 40", L"terminate 44", L"save rows=0", L"privilege", L"hibernate 0,0",
                                  L"mailbox refresh"}));
}

TEST(CloseRoutine, NotRunningAtAllStillRearmsSavesActsAndRefreshes) {
    FakeExecHost h;
    AddCloseRow(h, L"gone.exe", L"00000", L"Every Hour", L"Turn Off the Monitor");
    CloseProgram(h, L"gone.exe", 1);
    EXPECT_EQ(h.Events(), (Events{L"save rows=1", L"monitor off", L"mailbox refresh"}));
    EXPECT_EQ(h.table.Field(1, fCloseTime), L"12/8/2026 11:30:00 AM");
}

TEST(CloseRoutine, StaleIdOfAnotherProgramIsLeftAlone) {
    // After a restart the stored id belongs to an unrelated process.
    FakeExecHost h;
    h.sys.processes = {{500, L"bank.exe"}, {620, L"app.exe"}};
    AddCloseRow(h, L"app.exe", L"500");
    CloseProgram(h, L"app.exe", 1);
    EXPECT_EQ(h.sys.processes.count(500), 1u);
    // the program itself is still found by its name
    EXPECT_EQ(h.sys.terminated, (std::vector<std::uint32_t>{620}));
}

TEST(CloseRoutine, IdThatIsNoNumberTerminatesNothingByIdAndGoesOn) {
    FakeExecHost h;
    h.sys.processes = {{12, L"app.exe"}};
    AddCloseRow(h, L"app.exe", L"12abc", L"None", L" - Q");
    CloseProgram(h, L"app.exe", 1);
    EXPECT_EQ(h.Events(), (Events{L"terminate 12", L"save rows=0", L"quit"}));
}

TEST(CloseRoutine, RebootQuitClearsMarksRebootsThenQuitsWithoutRefresh) {
    FakeExecHost h;
    h.marks.on = {{FinalMark::Screen, true}, {FinalMark::Quit, true}};
    AddCloseRow(h, L"a.exe", L"None", L"None", L"Reboot - Q");
    CloseProgram(h, L"a.exe", 1);
    EXPECT_EQ(h.Events(), (Events{L"save rows=0", L"privilege", L"exitwindows 2,0", L"quit"}));
    EXPECT_TRUE(h.marks.Only({}));
}

TEST(CloseRoutine, HibernateQuitKeepsMarks) {
    FakeExecHost h;
    h.marks.on = {{FinalMark::Shut, true}};
    AddCloseRow(h, L"a.exe", L"None", L"None", L"Hibernate - Q");
    CloseProgram(h, L"a.exe", 1);
    EXPECT_EQ(h.Events(), (Events{L"save rows=0", L"privilege", L"hibernate 0,0", L"quit"}));
    EXPECT_TRUE(h.marks.Only({FinalMark::Shut}));
}

TEST(CloseRoutine, PowerActionsByAfterText) {
    struct Case {
        const wchar_t* after;
        Events tail;
    } cases[] = {
        {L"Reboot", {L"privilege", L"exitwindows 2,0", L"mailbox refresh"}},
        {L"Shutdown PC", {L"privilege", L"exitwindows 1,0", L"mailbox refresh"}},
        // A forced log-off ends the program without the session's messages:
        // the settings and the list are saved first.
        {L"Log Off", {L"save settings and rows=0", L"privilege", L"exitwindows 4,0", L"mailbox refresh"}},
        {L" - Q", {L"quit"}},
        {L"", {L"mailbox refresh"}},
    };
    for (const Case& c : cases) {
        FakeExecHost h;
        AddCloseRow(h, L"a.exe", L"None", L"None", c.after);
        CloseProgram(h, L"a.exe", 1);
        Events want{L"save rows=0"};
        want.insert(want.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(h.Events(), want) << c.after;
    }
}

TEST(Rearm, MonthlyKeepsTheDayOrTakesTheMonthEnd) {
    MemoryTaskTable t;
    const LocaleFormat us = LocaleFormat::EnglishUS();
    const DateTime now{2026, 12, 31, 10, 0, 0};
    RepeatTexts en{L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    t.Add({L"a", L"", L"", L"2026/12/31 10:00:00", L"Every Month", L"Close - Normal", L""});
    const wchar_t* expected[] = {L"1/31/2027 10:00:00 AM", L"2/28/2027 10:00:00 AM", L"3/28/2027 10:00:00 AM"};
    for (const wchar_t* want : expected) {
        EXPECT_TRUE(RearmOrRemove(t, 1, en, {}, us, now));
        EXPECT_EQ(t.Field(1, fCloseTime), want);
    }
}

// A repeating task missed for several periods fires once; its new Close
// Time is the first time of its own sequence that lies in the future.
TEST(Rearm, OverdueTaskStepsOnFromItsOwnCloseTimeUntilTheFuture) {
    const LocaleFormat us = LocaleFormat::EnglishUS();
    RepeatTexts en{L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    struct Case {
        const wchar_t* loop;
        const wchar_t* closeTime;
        DateTime now;
        const wchar_t* next;
    } cases[] = {
        // Monthly from a 31st: 11/30, 12/30, 1/30, 2/28, then the 28th stays.
        {L"Every Month", L"2026/10/31 10:00:00", {2027, 3, 1, 9, 0, 0}, L"3/28/2027 10:00:00 AM"},
        // Across a month end, the month-end time itself is not in the future.
        {L"Every Month", L"2026/12/31 10:00:00", {2027, 1, 31, 10, 0, 0}, L"2/28/2027 10:00:00 AM"},
        {L"Every Month", L"2028/01/31 08:00:00", {2028, 2, 1, 0, 0, 0}, L"2/29/2028 8:00:00 AM"},
        // Three days and one hour behind: the time 23 hours ahead.
        {L"Every Day", L"2026/12/05 09:30:00", {2026, 12, 8, 10, 30, 0}, L"12/9/2026 9:30:00 AM"},
        // A week behind.
        {L"Every Hour", L"2026/12/01 10:00:00", {2026, 12, 8, 10, 30, 0}, L"12/8/2026 11:00:00 AM"},
        // On the hour exactly: that time is due now, so the next one.
        {L"Every Hour", L"2026/12/08 09:00:00", {2026, 12, 8, 10, 0, 0}, L"12/8/2026 11:00:00 AM"},
        // A night asleep.
        {L"Every Minute", L"2026/12/07 23:00:00", {2026, 12, 8, 7, 0, 30}, L"12/8/2026 7:01:00 AM"},
        // Steps of 26 h 30 min from 12/1 00:00: the 7th lies past 12/8 00:00.
        {L"01/02/30 (Day/Hour/Min)", L"2026/12/01 00:00:00", {2026, 12, 8, 0, 0, 0}, L"12/8/2026 5:30:00 PM"},
        {L"01/-22/00 (Day/Hour/Min)", L"2026/12/08 07:00:00", {2026, 12, 8, 10, 0, 0}, L"12/8/2026 11:00:00 AM"},
        // Not behind at all: one step, as always.
        {L"Every Day", L"2026/12/08 10:30:00", {2026, 12, 8, 10, 30, 0}, L"12/9/2026 10:30:00 AM"},
        // Decades behind, minute by minute.
        {L"Every Minute", L"1990/01/01 00:00:00", {2026, 12, 8, 10, 30, 15}, L"12/8/2026 10:31:00 AM"},
    };
    for (const Case& c : cases) {
        MemoryTaskTable t;
        t.Add({L"a", L"", L"", c.closeTime, c.loop, L"Close - Normal", L""});
        EXPECT_TRUE(RearmOrRemove(t, 1, en, {}, us, c.now)) << c.loop << " " << c.closeTime;
        EXPECT_EQ(t.Field(1, fCloseTime), c.next) << c.loop << " " << c.closeTime;
    }
}

TEST(Rearm, OverdueRunTaskStartsOnce) {
    FakeExecHost h;
    h.sys.now = {2026, 12, 8, 10, 30, 0};
    // An hourly backup left a week, and a task every minute left a night.
    h.table.Add({L"backup.exe", L"backup.exe", L"None", L"2026/12/01 10:00:00", L"Every Hour", L"Run - Normal", L""});
    h.table.Add({L"sync.exe", L"sync.exe", L"None", L"2026/12/07 22:30:00", L"Every Minute", L"Run - Normal", L""});
    for (int row = 1; row <= 2; ++row) {
        int fired = 0;
        while (IsDue(*h.table.Field(row, fCloseTime), h.sys.now, h.sys.locale) && fired < 1000) {
            RunProgram(h, *h.table.Field(row, fPath), static_cast<std::int16_t>(row));
            ++fired;
        }
        EXPECT_EQ(fired, 1) << row;
    }
    EXPECT_EQ(h.table.Field(1, fCloseTime), L"12/8/2026 11:00:00 AM");
    EXPECT_EQ(h.table.Field(2, fCloseTime), L"12/8/2026 10:31:00 AM");
}

TEST(Rearm, DailyTaskDaysBehindFiresOnceThenWaits23Hours) {
    FakeExecHost h;
    h.sys.now = {2026, 12, 8, 10, 30, 0};
    AddCloseRow(h, L"a.exe", L"None", L"Every Day", L"", L"2026/12/05 09:30:00");
    int fired = 0;
    // Fire as the scheduler would, while the row is due.
    while (IsDue(*h.table.Field(1, fCloseTime), h.sys.now, h.sys.locale) && fired < 10) {
        CloseProgram(h, L"a.exe", 1);
        ++fired;
    }
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(h.table.Field(1, fCloseTime), L"12/9/2026 9:30:00 AM");
}

TEST(Rearm, CustomRepeatAndItsFaults) {
    const LocaleFormat us = LocaleFormat::EnglishUS();
    RepeatTexts en{L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    auto rearm = [&](const std::wstring& loop, const std::wstring& closeTime = L"2026/12/08 10:00:00") {
        MemoryTaskTable t;
        t.Add({L"a", L"", L"", closeTime, loop, L"Close - Normal", L""});
        bool stays = RearmOrRemove(t, 1, en, {}, us, DateTime{2026, 12, 8, 10, 0, 0});
        return stays ? *t.Field(1, fCloseTime) : std::wstring(L"<removed>");
    };
    EXPECT_EQ(rearm(L"01/02/30 (Day/Hour/Min)"), L"12/9/2026 12:30:00 PM");
    EXPECT_EQ(rearm(L"0/0/1.5 (Day/Hour/Min)"), L"12/8/2026 10:02:00 AM");  // half to even
    // Rows that cannot be moved on are removed instead of firing every tick.
    EXPECT_EQ(rearm(L"00/00/00 (Day/Hour/Min)"), L"<removed>");
    EXPECT_EQ(rearm(L"0/0/0 (Day/Hour/Min)"), L"<removed>");
    EXPECT_EQ(rearm(L"01/02 (Day/Hour/Min)"), L"<removed>");
    EXPECT_EQ(rearm(L"40000/0/0 (Day/Hour/Min)"), L"<removed>");
    EXPECT_EQ(rearm(L"a/b/c (Day/Hour/Min)"), L"<removed>");
    EXPECT_EQ(rearm(L"-1/0/0 (Day/Hour/Min)"), L"<removed>");
    EXPECT_EQ(rearm(L"Jeden Tag"), L"<removed>");
    EXPECT_EQ(rearm(L"Every Day", L"not a date"), L"<removed>");
    EXPECT_EQ(rearm(L"None"), L"<removed>");
    // the custom form is recognised in any language, the named ones are not
    EXPECT_EQ(rearm(L"every day"), L"<removed>");
}

TEST(Rearm, LoopTextOfAnotherLanguageStillRepeats) {
    const LocaleFormat us = LocaleFormat::EnglishUS();
    RepeatTexts fr{L"Aucun", L"Chaque mois", L"Chaque jour", L"Chaque heure", L"Chaque minute"};
    RepeatTexts de{L"Keine", L"Jeden Monat", L"Jeden Tag", L"Jede Stunde", L"Jede Minute"};
    MemoryTaskTable t;
    t.Add({L"a", L"", L"", L"2026/12/08 10:00:00", L"Jede Stunde", L"Close - Normal", L""});
    t.Add({L"b", L"", L"", L"2026/12/08 10:00:00", L"Keine", L"Close - Normal", L""});
    const DateTime now{2026, 12, 8, 10, 0, 0};
    EXPECT_TRUE(RearmOrRemove(t, 1, fr, {fr, de}, us, now));
    EXPECT_EQ(t.Field(1, fCloseTime), L"12/8/2026 11:00:00 AM");
    EXPECT_FALSE(RearmOrRemove(t, 2, fr, {de}, us, now));
    EXPECT_EQ(t.Count(), 1);
}

TEST(LocaleChange, RowsKeepTheirTimesUnderTheNewSettings) {
    LocaleFormat britain = LocaleFormat::German();
    britain.shortDate = L"dd/MM/yyyy";
    britain.dateSep = L"/";
    const LocaleFormat us = LocaleFormat::EnglishUS();
    MemoryTaskTable t;
    const wchar_t* before[] = {
        L"2026/12/09 10:30:00",  // form (a): read the same everywhere
        L"2026.12.09 10:30:00",  // form (b) under German settings
        L"09.12.2026 10:30:00",  // form (c) under German settings
        L"not a date",
    };
    for (const wchar_t* text : before) t.Add({L"a", L"", L"", text, L"Every Day", L"Close - Normal", L""});
    EXPECT_EQ(RewriteCloseTimes(t, LocaleFormat::German(), us), 2);
    EXPECT_EQ(t.Field(1, fCloseTime), L"2026/12/09 10:30:00");
    EXPECT_EQ(t.Field(2, fCloseTime), L"2026/12/09 10:30:00");
    EXPECT_EQ(t.Field(3, fCloseTime), L"12/9/2026 10:30:00 AM");
    EXPECT_EQ(t.Field(4, fCloseTime), L"not a date");

    // A text the new settings read as another day is written again too.
    MemoryTaskTable d;
    d.Add({L"a", L"", L"", L"09/12/2026 10:30:00", L"Every Day", L"Close - Normal", L""});
    d.Add({L"a", L"", L"", L"25/12/2026 10:30:00", L"Every Day", L"Close - Normal", L""});
    EXPECT_EQ(RewriteCloseTimes(d, britain, us), 2);
    EXPECT_EQ(d.Field(1, fCloseTime), L"12/9/2026 10:30:00 AM");
    EXPECT_EQ(d.Field(2, fCloseTime), L"12/25/2026 10:30:00 AM");
    EXPECT_EQ(RewriteCloseTimes(d, us, us), 0);
}

TEST(RunRoutine, StartsRearmsSavesActsRefreshes) {
    FakeExecHost h;
    h.table.Add({L"app.exe -x", L"C:\\Tools\\app.exe -x", L"None", L"2026/12/08 10:30:00", L"None", L"Run - Normal",
                 L"Log Off"});
    RunProgram(h, L"C:\\Tools\\app.exe -x", 1);
    EXPECT_EQ(h.Events(),
              (Events{L"start C:\\Tools\\app.exe -x", L"save rows=0", L"save settings and rows=0", L"privilege",
                      L"exitwindows 4,0", L"mailbox refresh"}));
}

TEST(RunRoutine, QuitAsksNothingAndEndsWithTheRearmedRowSaved) {
    FakeExecHost h;
    h.table.Add({L"x", L"x.exe", L"None", L"2026/12/08 10:30:00", L"Every Day", L"Run - Normal", L"Reboot - Q"});
    RunProgram(h, L"x.exe", 1);
    // Nobody may be at the machine: no question, the quit as after a close task.
    EXPECT_EQ(h.Events(), (Events{L"start x.exe", L"save rows=1", L"privilege", L"exitwindows 2,0", L"quit"}));
    EXPECT_EQ(h.table.Field(1, fCloseTime), L"12/9/2026 10:30:00 AM");
}

// A command line that cannot be started is told once, with the system's
// reason, by the notice that does not wait; the row then goes on as after a
// start (re-armed, or removed when it does not repeat).
TEST(RunRoutine, AFailedStartIsToldOnceAndTheRowGoesOn) {
    FakeExecHost h;
    h.sys.startFailure = L"The system cannot find the file specified.";
    h.table.Add({L"takiego.exe", L"C:\\nie\\ma\\takiego.exe", L"None", L"2026/12/08 10:30:00", L"Every Day",
                 L"Run - Normal", L""});
    h.table.Add({L"x", L"x.exe", L"None", L"2026/12/08 10:30:00", L"None", L"Run - Normal", L""});
    RunProgram(h, L"C:\\nie\\ma\\takiego.exe", 1);
    RunProgram(h, L"x.exe", 2);
    const std::wstring told = L"told Kestrelon could not start the command line \"C:\\nie\\ma\\takiego.exe\": "
                              L"The system cannot find the file specified.";
    EXPECT_EQ(h.Events(), (Events{L"start C:\\nie\\ma\\takiego.exe", told, L"save rows=2", L"mailbox refresh",
                                  L"start x.exe", L"told Kestrelon could not start the command line \"x.exe\": "
                                                  L"The system cannot find the file specified.",
                                  L"save rows=1", L"mailbox refresh"}));
    EXPECT_EQ(h.table.Field(1, fCloseTime), L"12/9/2026 10:30:00 AM");
    EXPECT_EQ(StartFailureMessage(L"a.exe", L""), L"Kestrelon could not start the command line \"a.exe\".");
}

// Kestrelon's own process is never ended from inside, by the listed entries,
// the row's ID or the fallback by name; another process of the same name is.
// A task that names it ends the program in order: the row removed (or
// re-armed) and saved first, then the quit. Close now does the same.
TEST(CloseRoutine, ItsOwnProcessIsSkippedAndTheProgramQuitsInOrder) {
    auto host = [] {
        auto h = std::make_unique<FakeExecHost>();
        h->sys.self = {52, L"kestrelon.exe"};
        h->sys.processes = {{52, L"kestrelon.exe"}, {60, L"Kestrelon.exe"}, {70, L"other.exe"}};
        return h;
    };
    {  // listed, with its own id in the row
        auto h = host();
        h->paths = {L"C:\\k\\kestrelon.exe", L"D:\\copy\\Kestrelon.exe"};
        h->ids = {L"52", L"60"};
        AddCloseRow(*h, L"kestrelon.exe", L"52");
        CloseProgram(*h, L"kestrelon.exe", 1);
        EXPECT_EQ(h->Events(), (Events{L"terminate 60", L"save rows=0", L"quit"}));
    }
    {  // chosen as a file, not listed: the fallback by name
        auto h = host();
        AddCloseRow(*h, L"KESTRELON.EXE", L"00000", L"Every Day", L"Hibernate");
        CloseProgram(*h, L"KESTRELON.EXE", 1);
        EXPECT_EQ(h->Events(), (Events{L"terminate 60", L"save rows=1", L"privilege", L"hibernate 0,0", L"quit"}));
    }
    {  // its id in a row of another program: neither ended nor a quit
        auto h = host();
        AddCloseRow(*h, L"other.exe", L"52");
        CloseProgram(*h, L"other.exe", 1);
        EXPECT_EQ(h->Events(), (Events{L"terminate 70", L"save rows=0", L"mailbox refresh"}));
    }
    {  // close now on its row
        auto h = host();
        RunningProgramList list;
        list.List1 = {L"C:\\k\\kestrelon.exe", L"C:\\k\\kestrelon.exe", L"C:\\o\\other.exe"};
        list.lstID = {L"52", L"60", L"70"};
        h->sys.processes[60] = L"kestrelon.exe";
        bool namesSelf = false;
        EXPECT_EQ(CloseProgramNow(list, L"kestrelon.exe", h->sys, &namesSelf), 1);
        EXPECT_TRUE(namesSelf);
        EXPECT_EQ(h->sys.terminated, (std::vector<std::uint32_t>{60}));
        EXPECT_EQ(CloseProgramNow(list, L"other.exe", h->sys, &namesSelf), 1);
        EXPECT_FALSE(namesSelf);
    }
}

// A file list for the command-line rules: `programs` are executable images.
struct Files {
    std::vector<std::wstring> files, programs;
    std::function<bool(const std::wstring&)> Exists() const {
        return [this](const std::wstring& p) { return std::find(files.begin(), files.end(), p) != files.end(); };
    }
    std::function<bool(const std::wstring&)> IsProgram() const {
        return [this](const std::wstring& p) {
            return std::find(programs.begin(), programs.end(), p) != programs.end();
        };
    }
};

TEST(CommandLine, UnquotedPathsWithBlanksAreResolved) {
    Files f{{L"C:\\Program Files\\App\\app.exe", L"C:\\Program", L"D:\\tools\\run"}, {L"C:\\Program Files\\App\\app.exe"}};
    auto r = ResolveCommandLine(L"C:\\Program Files\\App\\app.exe -x \"a b\"", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(r.commandLine, L"\"C:\\Program Files\\App\\app.exe\" -x \"a b\"");
    r = ResolveCommandLine(L"C:\\Program Files\\App\\app -x", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(r.commandLine, L"\"C:\\Program Files\\App\\app\" -x");
    // a program is taken as given or with ".exe" added, never with it taken off
    r = ResolveCommandLine(L"D:\\tools\\run.exe", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"");
    r = ResolveCommandLine(L"\"C:\\Program Files\\App\\app.exe\" -x", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"");
    EXPECT_EQ(r.commandLine, L"\"C:\\Program Files\\App\\app.exe\" -x");
    r = ResolveCommandLine(L"notepad C:\\a.txt", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"");
    EXPECT_EQ(r.commandLine, L"notepad C:\\a.txt");
}

// "run" and "run.exe" side by side: process creation would start run.exe,
// and "run" (a data file, or even a program) must not win over it.
TEST(CommandLine, NameWithExeBesideTheBareNameIsTakenFirst) {
    Files f{{L"D:\\tools\\run", L"D:\\tools\\run.exe"}, {L"D:\\tools\\run.exe"}};
    auto r = ResolveCommandLine(L"D:\\tools\\run -x", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"D:\\tools\\run.exe");
    EXPECT_EQ(r.commandLine, L"\"D:\\tools\\run\" -x");
    f.programs.push_back(L"D:\\tools\\run");
    EXPECT_EQ(ResolveCommandLine(L"D:\\tools\\run -x", f.Exists(), f.IsProgram()).application, L"D:\\tools\\run.exe");

    // The bare name alone is taken only when that file is a program.
    Files bare{{L"D:\\tools\\tool"}, {}};
    r = ResolveCommandLine(L"D:\\tools\\tool -x", bare.Exists(), bare.IsProgram());
    EXPECT_EQ(r.application, L"");
    EXPECT_EQ(r.commandLine, L"D:\\tools\\tool -x");
    bare.programs.push_back(L"D:\\tools\\tool");
    r = ResolveCommandLine(L"D:\\tools\\tool -x", bare.Exists(), bare.IsProgram());
    EXPECT_EQ(r.application, L"D:\\tools\\tool");
    EXPECT_EQ(r.commandLine, L"\"D:\\tools\\tool\" -x");

    // A longer name that is a data file does not hide the program before it.
    Files data{{L"C:\\My Tools\\app.exe", L"C:\\My Tools\\app notes"}, {L"C:\\My Tools\\app.exe"}};
    r = ResolveCommandLine(L"C:\\My Tools\\app notes", data.Exists(), data.IsProgram());
    EXPECT_EQ(r.application, L"C:\\My Tools\\app.exe");
    EXPECT_EQ(r.commandLine, L"\"C:\\My Tools\\app\" notes");
}

TEST(CommandLine, TabSeparatesTheProgramFromItsArguments) {
    Files f{{L"C:\\Program Files\\App\\app.exe"}, {L"C:\\Program Files\\App\\app.exe"}};
    auto r = ResolveCommandLine(L"C:\\Program Files\\App\\app.exe\t-x", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(r.commandLine, L"\"C:\\Program Files\\App\\app.exe\"\t-x");
    r = ResolveCommandLine(L"\tC:\\Program Files\\App\\app\t \t-y", f.Exists(), f.IsProgram());
    EXPECT_EQ(r.application, L"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(r.commandLine, L"\"C:\\Program Files\\App\\app\"\t \t-y");
}

// The run routine asks the system which files are programs.
TEST(RunRoutine, StartsTheExeBesideAFileOfTheBareName) {
    FakeExecHost h;
    h.sys.existingFiles = {L"D:\\tools\\run", L"D:\\tools\\run.exe"};
    h.sys.programFiles = {L"D:\\tools\\run.exe"};
    h.table.Add({L"run -x", L"D:\\tools\\run -x", L"None", L"2026/12/08 10:30:00", L"None", L"Run - Normal", L""});
    RunProgram(h, L"D:\\tools\\run -x", 1);
    ASSERT_EQ(h.sys.started.size(), 1u);
    EXPECT_EQ(h.sys.started[0].first, L"D:\\tools\\run.exe");
    EXPECT_EQ(h.sys.started[0].second, L"\"D:\\tools\\run\" -x");
}

TEST(IdleWatcher, InputPushesIdleRowsBackAndStillnessLetsThemFallDue) {
    FakeSystem sys;
    MemoryTaskTable t;
    t.Add({L"a", L"", L"", L"old", L"None", L"Close - AfterNoMouseMoving 00-00-01-00", L""});
    t.Add({L"b", L"", L"", L"old", L"None", L"Run - AfterNoMouseMoving 00-00-00-30", L""});
    t.Add({L"c", L"", L"", L"keep", L"None", L"Close - After 00-00-01-00", L""});
    IdleWatcher st;
    int enabled = 0;
    auto enable = [&] { ++enabled; };
    sys.cursorX = 10;
    sys.tickCount = 5000;
    sys.lastInputTick = 4000;
    // first tick after start: the cursor is not at (0, 0), so input is seen
    EXPECT_TRUE(TimerMouseTick(st, t, sys, enable));
    EXPECT_EQ(t.Field(1, fCloseTime), L"2026/12/08 10:31:00");
    EXPECT_EQ(t.Field(2, fCloseTime), L"2026/12/08 10:30:30");
    EXPECT_EQ(t.Field(3, fCloseTime), L"keep");
    // nothing happens for two ticks: the idle time grows, no input is seen
    for (int k = 1; k <= 2; ++k) {
        sys.tickCount += 1000;
        sys.now = *AddSeconds(sys.now, 1);
        EXPECT_FALSE(TimerMouseTick(st, t, sys, enable));
    }
    EXPECT_EQ(t.Field(1, fCloseTime), L"2026/12/08 10:31:00");
    // a key press: the cursor stays, the idle time drops
    sys.tickCount += 1000;
    sys.lastInputTick = sys.tickCount - 100;
    sys.now = *AddSeconds(sys.now, 1);
    EXPECT_TRUE(TimerMouseTick(st, t, sys, enable));
    EXPECT_EQ(t.Field(1, fCloseTime), L"2026/12/08 10:31:03");
    EXPECT_EQ(enabled, 4);
}

TEST(IdleWatcher, TickCountWrapAndFailingCallAndEmptyList) {
    FakeSystem sys;
    MemoryTaskTable t;
    IdleWatcher st;
    st.lastIdleTime = 3000;
    // 49.7 days: the tick count wrapped past zero since the last input
    sys.lastInputTick = 0xFFFFF000u;
    sys.tickCount = 0x00000400u;  // idle = 0x1400 = 5120 ms
    int enabled = 0;
    EXPECT_FALSE(TimerMouseTick(st, t, sys, [&] { ++enabled; }));
    EXPECT_EQ(st.lastIdleTime, 5120u);
    EXPECT_EQ(enabled, 0);  // empty list: the scheduler timer is left alone
    // the call fails: idle time 0, which is below the last one
    sys.lastInputWorks = false;
    EXPECT_TRUE(TimerMouseTick(st, t, sys, [&] { ++enabled; }));
    EXPECT_EQ(st.lastIdleTime, 0u);
}

}  // namespace
