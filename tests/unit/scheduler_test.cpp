#include <gtest/gtest.h>
#include <algorithm>

#include "Fakes.h"
#include "editor/BuildTask.h"

using namespace kestrelon;
using namespace kestrelon::testing;

namespace {

std::array<std::wstring, kFieldCount> Row(std::wstring program, std::wstring closeTime, std::wstring type,
                                          std::wstring path = L"C:\\apps\\x.exe", std::wstring after = L"") {
    return {program, path, L"1234", closeTime, L"None", type, after};
}

TEST(Due, SecondResolution) {
    const LocaleFormat us = LocaleFormat::EnglishUS();
    EXPECT_TRUE(IsDue(L"2026/12/08 10:30:00", {2026, 12, 8, 10, 30, 0}, us));
    EXPECT_FALSE(IsDue(L"2026/12/08 10:30:00", {2026, 12, 8, 10, 29, 59}, us));
    EXPECT_TRUE(IsDue(L"12/8/2026 10:30:00 AM", {2026, 12, 8, 10, 30, 0}, us));
    EXPECT_TRUE(IsDue(L"", {2026, 12, 8, 10, 29, 59}, us));
    EXPECT_TRUE(IsDue(L"not a date", {2000, 1, 1, 0, 0, 0}, us));
}

TEST(Tick, FiresFirstDueRowOnlyOncePerTick) {
    FakeHost h;
    h.table.Add(Row(L"later.exe", L"2026/12/08 11:00:00", L"Close - Normal"));
    h.table.Add(Row(L"a.exe", L"2026/12/08 10:30:00", L"Close - Normal"));
    h.table.Add(Row(L"b.exe", L"2026/12/08 10:30:00", L"Run - Normal", L"C:\\b.exe -x"));
    TimerCloseTick(h);
    EXPECT_EQ(h.log, (std::vector<std::wstring>{L"yield", L"mailbox refresh", L"close a.exe 2"}));
    // The routine did not move the row on, so the same row fires again; the
    // later due row waits behind it.
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"close a.exe 2");
    // Once the first is gone, the second fires on the next tick.
    h.table.RemoveRow(2);
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"run C:\\b.exe -x 2");
    EXPECT_TRUE(h.timerEnabled);
}

TEST(Tick, NothingDueOnlyYields) {
    FakeHost h;
    h.sys.now = {2026, 12, 8, 10, 29, 59};
    h.table.Add(Row(L"a.exe", L"2026/12/08 10:30:00", L"Close - Normal"));
    h.table.Add(Row(L"b.exe", L"2026/12/08 10:30:00", L"Close - Normal"));
    TimerCloseTick(h);
    EXPECT_EQ(h.log, (std::vector<std::wstring>{L"yield", L"yield"}));
    EXPECT_TRUE(h.timerEnabled);
}

TEST(Tick, KeptDatesFollowEditsOfTheCloseTimeAndLocaleChanges) {
    FakeHost h;
    h.sys.now = {2026, 12, 8, 10, 29, 59};
    h.table.Add(Row(L"a.exe", L"9.12.2026 10:00:00", L"Close - Normal"));  // not a US date: due
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"close a.exe 1");
    // Under German settings the same text is a date of tomorrow.
    h.sys.locale = LocaleFormat::German();
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log, (std::vector<std::wstring>{L"yield"}));
    // A new Close Time written into the row counts at once.
    h.table.SetField(1, fCloseTime, L"8.12.2026 10:00:00");
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"close a.exe 1");
}

// The kept date is read again when only the two-digit-year window changes: "12/9/26" is 2026 under
// the default window, and 1926 (long past) under a window that ends in 2025.
TEST(Tick, KeptDatesFollowAChangeOfTheTwoDigitYearWindow) {
    FakeHost h;
    h.sys.now = {2026, 12, 8, 10, 29, 59};
    h.sys.locale.shortDate = L"M/d/yy";
    h.table.Add(Row(L"a.exe", L"12/9/26 10:00:00 AM", L"Close - Normal"));
    TimerCloseTick(h);
    EXPECT_EQ(h.log, (std::vector<std::wstring>{L"yield"}));
    h.sys.locale.twoDigitYearMax = 2025;
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"close a.exe 1");
}

TEST(Tick, ClassificationByType) {
    FakeHost h;
    // Run type with Program "Empty" is a run task; a Type not beginning with
    // "Close" (even empty) is a run task.
    h.table.Add(Row(L"Empty", L"", L"Run - Normal", L"notepad.exe"));
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"run notepad.exe 1");
    h.table.Clear();
    h.table.Add(Row(L"x.exe", L"", L"", L"cmd.exe /c"));
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"run cmd.exe /c 1");
    // case matters: "close - Normal" is not a close task
    h.table.Clear();
    h.table.Add(Row(L"x.exe", L"", L"close - Normal", L"y.exe"));
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"run y.exe 1");
}

TEST(Tick, EmptyTaskIsRemovedWithoutItsOwnActionThenFinalAction) {
    FakeHost h;
    h.table.Add(Row(L"Empty", L"2026/12/08 10:00:00", L"Close - Normal", L"None", L"Reboot - Q"));
    h.marks.on[FinalMark::Screen] = true;
    TimerCloseTick(h);
    EXPECT_EQ(h.table.Count(), 0);
    EXPECT_EQ(h.log, (std::vector<std::wstring>{L"mailbox refresh", L"monitor off"}));
    EXPECT_TRUE(h.sys.calls.empty());  // the row's own "Reboot" is not acted on
    EXPECT_FALSE(h.timerEnabled);
    EXPECT_TRUE(h.marks.Checked(FinalMark::Screen));
}

TEST(Tick, EmptyTaskNotLastLeavesTimerOn) {
    FakeHost h;
    h.table.Add(Row(L"Empty", L"2026/12/08 10:00:00", L"Close - Normal"));
    h.table.Add(Row(L"x.exe", L"2027/01/01 00:00:00", L"Close - Normal"));
    TimerCloseTick(h);
    EXPECT_EQ(h.table.Count(), 1);
    EXPECT_TRUE(h.timerEnabled);
    EXPECT_EQ(h.Fired(), 0);
}

// Fires a tick that empties the list with the given marks.
FakeHost EmptyingTick(std::initializer_list<FinalMark> ticked) {
    FakeHost h;
    for (FinalMark m : ticked) h.marks.on[m] = true;
    h.table.Add(Row(L"Empty", L"2026/12/08 10:00:00", L"Close - Normal"));
    TimerCloseTick(h);
    return h;
}

TEST(FinalAction, OrderAndMarks) {
    {
        FakeHost h = EmptyingTick({FinalMark::Hibernet, FinalMark::Quit, FinalMark::Reboot});
        EXPECT_EQ(h.sys.calls, (std::vector<std::wstring>{L"privilege", L"hibernate 0,0"}));
        EXPECT_TRUE(h.quit);  // hibernate keeps the marks, so quit follows
        EXPECT_TRUE(h.marks.Checked(FinalMark::Hibernet));
    }
    {
        FakeHost h = EmptyingTick({FinalMark::Reboot, FinalMark::Quit});
        EXPECT_EQ(h.sys.calls, (std::vector<std::wstring>{L"privilege", L"exitwindows 2,0"}));
        EXPECT_FALSE(h.quit);
        EXPECT_FALSE(h.timerEnabled);
        EXPECT_TRUE(h.marks.Only({}));
        EXPECT_EQ(h.marks.cleared, (std::vector<FinalMark>{FinalMark::Shut, FinalMark::Logoff, FinalMark::Hibernet,
                                                            FinalMark::Screen, FinalMark::Reboot, FinalMark::Quit}));
    }
    {
        FakeHost h = EmptyingTick({FinalMark::Shut, FinalMark::Logoff});
        EXPECT_EQ(h.sys.calls, (std::vector<std::wstring>{L"privilege", L"exitwindows 1,0"}));
    }
    {
        FakeHost h = EmptyingTick({FinalMark::Logoff, FinalMark::Screen});
        EXPECT_EQ(h.sys.calls, (std::vector<std::wstring>{L"privilege", L"exitwindows 4,0"}));
        EXPECT_TRUE(h.marks.Only({}));
        // The forced log-off sends the program no message: its files are saved first.
        EXPECT_EQ(std::count(h.log.begin(), h.log.end(), L"save before logoff, after 0 calls"), 1);
    }
    {
        FakeHost h = EmptyingTick({FinalMark::Quit});
        EXPECT_TRUE(h.sys.calls.empty());
        EXPECT_TRUE(h.quit);
    }
    {
        FakeHost h = EmptyingTick({});
        EXPECT_TRUE(h.sys.calls.empty());
        EXPECT_FALSE(h.quit);
        EXPECT_FALSE(h.timerEnabled);
    }
}

// The main window with the program's own task routines: the tick fires
// through CloseProgram and RunProgram, which start and end processes of the
// fake system and ask it for the power actions.
class Window : public ITickHost, public IExecHost {
public:
    MemoryTaskTable table;
    FakeMarks marks;
    FakeSystem sys;
    std::vector<std::wstring> paths, ids;
    int monitorOffs = 0, quits = 0;
    bool timerEnabled = true;
    std::function<void()> onYield;    // messages that run at the scan's yield
    std::function<void()> onRefresh;  // messages that run inside a "refresh"

    ITaskTable& Tasks() override { return table; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys; }
    void DoEvents() override {
        if (onYield) onYield();
    }
    void WriteMailbox(const std::wstring& command) override {
        if (command == L"refresh" && onRefresh) onRefresh();
    }
    Firing CloseProgram(const std::wstring& name, std::int16_t row) override {
        return kestrelon::CloseProgram(static_cast<IExecHost&>(*this), name, row);
    }
    Firing RunProgram(const std::wstring& commandLine, std::int16_t row) override {
        return kestrelon::RunProgram(static_cast<IExecHost&>(*this), commandLine, row);
    }
    void MonitorOff() override { ++monitorOffs; }
    void SaveBeforeForcedLogoff() override {}
    void QuitNow() override { ++quits; }
    void SetTimerCloseEnabled(bool on) override { timerEnabled = on; }
    const std::vector<std::wstring>& RunningPaths() override { return paths; }
    const std::vector<std::wstring>& RunningIDs() override { return ids; }
    RepeatTexts CurrentRepeatTexts() override {
        return {L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    }
    std::vector<RepeatTexts> OtherRepeatTexts() override { return {}; }
    void SaveDefaultTasks() override {}
    void TellUnattended(const std::wstring&) override {}
};

// A run task as the editor's Add makes it: one second ahead, no repeat, the
// after-choice `afterIndex` (which Add also ticks as the final action).
void AddRunTask(Window& w, int afterIndex) {
    EditorInputs in;
    in.autoType = 1;
    in.cmd = L"C:\\apps\\tool.exe";
    in.tSec = L"01";
    in.loopText = L"None";
    in.afterIndex = afterIndex;
    BuildResult built = BuildTask(in, w.sys.now, w.sys.locale, LanText{}, {});
    ASSERT_TRUE(built.task);
    AddBuiltTask(w.table, w.marks, *built.task, {});
    w.sys.now = {2026, 12, 8, 10, 30, 1};
}

TEST(FinalAction, APowerActionRunsOncePerFiring) {
    {   // Hibernate: the task's own, and the final mark Add left is not asked for again.
        Window w;
        AddRunTask(w, 4);
        ASSERT_TRUE(w.marks.Only({FinalMark::Hibernet}));
        TimerCloseTick(w);
        EXPECT_EQ(w.sys.calls,
                  (std::vector<std::wstring>{L"start C:\\apps\\tool.exe", L"privilege", L"hibernate 0,0"}));
        EXPECT_EQ(w.table.Count(), 0);
        EXPECT_FALSE(w.timerEnabled);
    }
    {   // The monitor is turned off once.
        Window w;
        AddRunTask(w, 5);
        TimerCloseTick(w);
        EXPECT_EQ(w.monitorOffs, 1);
        EXPECT_FALSE(w.timerEnabled);
    }
    {   // The quit still follows a hibernate that is not asked for twice.
        Window w;
        AddRunTask(w, 4);
        w.marks.on[FinalMark::Quit] = true;
        TimerCloseTick(w);
        EXPECT_EQ(std::count(w.sys.calls.begin(), w.sys.calls.end(), L"hibernate 0,0"), 1);
        EXPECT_EQ(w.quits, 1);
    }
    {   // A final action of another kind follows the task's own: hibernate, then shut down.
        Window w;
        AddRunTask(w, 4);
        ClickFinalMark(w.marks, FinalMark::Shut);
        TimerCloseTick(w);
        EXPECT_EQ(w.sys.calls, (std::vector<std::wstring>{L"start C:\\apps\\tool.exe", L"privilege",
                                                          L"hibernate 0,0", L"privilege", L"exitwindows 1,0"}));
    }
    {   // "Reboot" clears the marks before its request: nothing follows it.
        Window w;
        AddRunTask(w, 2);
        ClickFinalMark(w.marks, FinalMark::Hibernet);
        TimerCloseTick(w);
        EXPECT_EQ(w.sys.calls,
                  (std::vector<std::wstring>{L"start C:\\apps\\tool.exe", L"privilege", L"exitwindows 2,0"}));
        EXPECT_TRUE(w.marks.Only({}));
    }
}

TEST(FinalAction, OnlyOnTheTransitionToEmpty) {
    {   // "Remove All" between ticks: the next tick finds nothing and keeps the timer on.
        FakeHost h;
        h.marks.on[FinalMark::Shut] = true;
        TimerCloseTick(h);
        EXPECT_TRUE(h.sys.calls.empty());
        EXPECT_TRUE(h.timerEnabled);
    }
    // The user's Remove All (or the menu's clear), or Delete of each row,
    // handled while the tick yields: the scan's yield after a row that is not
    // due, and the "refresh" before the due row fires. The removed task does
    // not run, and nothing of the final action follows.
    const std::function<void(MemoryTaskTable&)> removals[] = {
        [](MemoryTaskTable& t) { t.Clear(); },
        [](MemoryTaskTable& t) {
            while (t.Count() > 0) {
                t.selected = t.Count();
                t.RemoveRow(t.SelectedRow());
            }
        },
    };
    for (const auto& remove : removals) {
        for (bool inRefresh : {false, true}) {
            Window w;
            w.marks.on[FinalMark::Shut] = true;
            w.marks.on[FinalMark::Quit] = true;
            if (!inRefresh) w.table.Add(Row(L"later.exe", L"2030/01/01 00:00:00", L"Close - Normal"));
            w.table.Add(Row(L"tool.exe", L"2026/12/08 10:00:00", L"Run - Normal", L"C:\\apps\\tool.exe"));
            (inRefresh ? w.onRefresh : w.onYield) = [&] { remove(w.table); };
            TimerCloseTick(w);
            EXPECT_EQ(w.table.Count(), 0);
            EXPECT_TRUE(w.sys.calls.empty()) << inRefresh;  // no start, no power request
            EXPECT_EQ(w.quits, 0);
            EXPECT_TRUE(w.timerEnabled);
        }
    }
    {   // A repeating task that fired and stays, deleted in the routine's own refresh.
        Window w;
        w.marks.on[FinalMark::Shut] = true;
        w.table.Add({L"tool.exe", L"C:\\apps\\tool.exe", L"None", L"2026/12/08 10:00:00", L"Every Day",
                     L"Run - Normal", L""});
        int refreshes = 0;
        w.onRefresh = [&] {
            if (++refreshes == 2) w.table.Clear();
        };
        TimerCloseTick(w);
        EXPECT_EQ(w.sys.calls, (std::vector<std::wstring>{L"start C:\\apps\\tool.exe"}));
        EXPECT_TRUE(w.timerEnabled);
    }
}

TEST(Tick, ScanStopsAtTheNewCountWhenRowsVanishWhileYielding) {
    FakeHost h;
    h.table.Add(Row(L"a.exe", L"2030/01/01 00:00:00", L"Close - Normal"));
    h.table.Add(Row(L"b.exe", L"2030/01/01 00:00:00", L"Close - Normal"));
    h.table.Add(Row(L"c.exe", L"2026/12/08 10:00:00", L"Close - Normal"));
    int yields = 0;
    h.onDoEvents = [&] {
        if (++yields == 1) h.table.RemoveRow(3);  // the due row goes away mid-scan
    };
    TimerCloseTick(h);
    EXPECT_EQ(h.Fired(), 0);
    EXPECT_EQ(yields, 2);
}

TEST(Tick, RowAddedWhileYieldingIsNotScannedThisTick) {
    FakeHost h;
    h.table.Add(Row(L"a.exe", L"2030/01/01 00:00:00", L"Close - Normal"));
    h.onDoEvents = [&] {
        if (h.table.Count() == 1) h.table.Add(Row(L"new.exe", L"2026/01/01 00:00:00", L"Close - Normal"));
    };
    TimerCloseTick(h);
    EXPECT_EQ(h.Fired(), 0);
    h.onDoEvents = nullptr;
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"close new.exe 2");
}

TEST(Tick, RowDeletedDuringTheRefreshIsNotFiredInAnotherRowsPlace) {
    FakeHost h;
    h.table.Add(Row(L"first.exe", L"2026/12/08 10:00:00", L"Close - Normal"));
    h.table.Add(Row(L"second.exe", L"2030/01/01 00:00:00", L"Close - Normal"));
    // The running-program rebuild lets messages run; the user deletes row 1.
    h.onMailbox = [&] {
        if (h.table.Count() == 2) h.table.RemoveRow(1);
    };
    TimerCloseTick(h);
    EXPECT_EQ(h.Fired(), 0);
    EXPECT_EQ(h.table.Field(1, fProgram), L"second.exe");
    // A refresh that changes nothing lets the row fire.
    h.onMailbox = nullptr;
    h.table.Add(Row(L"third.exe", L"2026/12/08 10:00:00", L"Run - Normal", L"third.exe /x"));
    h.log.clear();
    TimerCloseTick(h);
    EXPECT_EQ(h.log.back(), L"run third.exe /x 2");
}

TEST(Marks, PowerChoicesStayExclusiveQuitIsIndependent) {
    FakeMarks m;
    ClickFinalMark(m, FinalMark::Shut);
    ClickFinalMark(m, FinalMark::Quit);
    EXPECT_TRUE(m.Only({FinalMark::Shut, FinalMark::Quit}));
    ClickFinalMark(m, FinalMark::Reboot);
    EXPECT_TRUE(m.Only({FinalMark::Reboot, FinalMark::Quit}));
    ClickFinalMark(m, FinalMark::Reboot);
    EXPECT_TRUE(m.Only({FinalMark::Quit}));
    for (FinalMark p : {FinalMark::Logoff, FinalMark::Hibernet, FinalMark::Screen}) {
        ClickFinalMark(m, p);
        EXPECT_TRUE(m.Only({p, FinalMark::Quit}));
    }
    ClickFinalMark(m, FinalMark::Quit);
    EXPECT_TRUE(m.Only({FinalMark::Screen}));
}

class RecordingTarget : public IMailboxTarget {
public:
    std::vector<std::wstring> calls;
    void ListRunningPrograms() override { calls.push_back(L"list"); }
    void ClearFinalActions() override { calls.push_back(L"clear"); }
};

TEST(Mailbox, CommandsAreWholeCaseSensitiveWords) {
    RecordingTarget t;
    EXPECT_FALSE(HandleMailbox(L"", t));
    EXPECT_TRUE(HandleMailbox(L"refresh", t));
    EXPECT_TRUE(HandleMailbox(L"AllMenuFalse", t));
    EXPECT_TRUE(HandleMailbox(L"Refresh", t));
    EXPECT_TRUE(HandleMailbox(L"refresh ", t));
    EXPECT_EQ(t.calls, (std::vector<std::wstring>{L"list", L"clear"}));
}

}  // namespace
