#include <gtest/gtest.h>
#include <algorithm>

#include "Fakes.h"

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

TEST(FinalAction, OnlyOnTheTransitionToEmpty) {
    FakeHost h;
    h.marks.on[FinalMark::Shut] = true;
    // "Remove All" between ticks: the next tick finds nothing and keeps the timer on.
    TimerCloseTick(h);
    EXPECT_TRUE(h.sys.calls.empty());
    EXPECT_TRUE(h.timerEnabled);
    // A non-empty list whose rows are removed while the tick yields does run it.
    h.table.Add(Row(L"a.exe", L"2030/01/01 00:00:00", L"Close - Normal"));
    h.onDoEvents = [&] { h.table.Clear(); };
    TimerCloseTick(h);
    EXPECT_EQ(h.sys.calls, (std::vector<std::wstring>{L"privilege", L"exitwindows 1,0"}));
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
