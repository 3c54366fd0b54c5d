#include <gtest/gtest.h>

#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskRow.h"

using namespace kestrelon;

namespace {

TEST(TaskType, PrefixesAreCaseSensitiveAndNest) {
    const std::wstring idle = L"Close - AfterNoMouseMoving 00-00-10-00";
    EXPECT_TRUE(IsCloseType(idle));
    EXPECT_EQ(LoadCountdown(idle), L"00-00-10-00");
    EXPECT_EQ(IdleCountdown(idle), L"00-00-10-00");
    EXPECT_EQ(LoadCountdown(L"Run - After 00-01-30-00"), L"00-01-30-00");
    EXPECT_EQ(IdleCountdown(L"Run - AfterNoMouseMoving 01-00-00-00"), L"01-00-00-00");
    EXPECT_FALSE(LoadCountdown(L"Close - Normal").has_value());
    EXPECT_FALSE(IdleCountdown(L"Close - After 00-00-10-00").has_value());
    EXPECT_FALSE(LoadCountdown(L"close - After 00-00-10-00").has_value());
    EXPECT_FALSE(IsCloseType(L""));
    EXPECT_FALSE(IsCloseType(L"Run - Normal"));
}

TEST(AfterTask, TwelveFormsRoundTrip) {
    for (PowerAction a : {PowerAction::None, PowerAction::Hibernate, PowerAction::Reboot, PowerAction::Shutdown,
                          PowerAction::Logoff, PowerAction::MonitorOff})
        for (bool q : {false, true}) {
            std::wstring text = AfterTaskText(a, q);
            EXPECT_EQ(AfterTaskAction(text), a) << text;
            EXPECT_EQ(AfterTaskQuits(text), q) << text;
        }
    EXPECT_EQ(AfterTaskText(PowerAction::Reboot, true), L"Reboot - Q");
    EXPECT_EQ(AfterTaskText(PowerAction::None, true), L" - Q");
    EXPECT_EQ(AfterTaskText(PowerAction::None, false), L"");
    EXPECT_EQ(AfterTaskAction(L"reboot"), PowerAction::None);
}

TEST(FileName, TextAfterLastBackslash) {
    EXPECT_EQ(GetFileName(L"C:\\Tools\\app.exe -x"), L"app.exe -x");
    EXPECT_EQ(GetFileName(L"notepad"), L"notepad");
    EXPECT_EQ(GetFileName(L"C:\\dir\\"), L"");
    EXPECT_EQ(GetFileName(L""), L"");
    // Only the backslash separates: forward slashes and the drive colon are text.
    EXPECT_EQ(GetFileName(L"c:/tools/x.exe"), L"c:/tools/x.exe");
    EXPECT_EQ(GetFileName(L"C:x.exe"), L"C:x.exe");
    // An argument with a backslash of its own is what is left.
    EXPECT_EQ(GetFileName(L"C:\\tools\\x.exe C:\\data\\file.txt"), L"file.txt");
}

TEST(Table, ImagesOnlyGrow) {
    MemoryTaskTable t;
    for (int i = 0; i < 3; ++i) t.AddRow(0);
    t.Clear();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t.AddRow(0), i + 1);
    EXPECT_EQ(t.images.size(), 6u);
    EXPECT_EQ(t.rows[0].image, 4);
    EXPECT_EQ(t.rows[2].image, 6);
    EXPECT_TRUE(t.RemoveRow(1));
    EXPECT_EQ(t.images.size(), 6u);
    EXPECT_EQ(t.rows[0].image, 5);
    EXPECT_FALSE(t.Field(3, 1).has_value());
    EXPECT_FALSE(t.SetField(1, 8, L"x"));
}

}  // namespace
