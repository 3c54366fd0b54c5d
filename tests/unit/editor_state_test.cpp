#include <gtest/gtest.h>

#include "editor/EditorState.h"

using namespace kestrelon;

namespace {

TEST(EditorLists, ContentsAndEnds) {
    auto years = YearItems();
    ASSERT_EQ(years.size(), 982u);
    EXPECT_EQ(years.front(), L"2018");
    EXPECT_EQ(years.back(), L"2999");
    auto months = MonthItems();
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(months[0], L"1(Jan)");
    EXPECT_EQ(months[11], L"12(Dec)");
    EXPECT_EQ(DayItems().front(), L"01");
    EXPECT_EQ(DayItems().size(), 31u);
    EXPECT_EQ(HourItems().back(), L"23");
    EXPECT_EQ(MinuteItems().size(), 60u);
    auto countdown = CountdownItems();
    ASSERT_EQ(countdown.size(), 100u);
    EXPECT_EQ(countdown[0], L"00");
    EXPECT_EQ(countdown[7], L"07");
    EXPECT_EQ(countdown[99], L"99");
}

TEST(EditorLists, SpecificTimeStartsAtTheLoadMoment) {
    EXPECT_EQ(SpecificTimeAtLoad({2026, 12, 31, 23, 59, 41}), (SpecificTimeIndices{8, 11, 30, 23, 59, 0}));
    EXPECT_EQ(SpecificTimeAtLoad({2017, 1, 1, 0, 0, 0}).year, -1);
    EXPECT_EQ(SpecificTimeAtLoad({3000, 1, 1, 0, 0, 0}).year, -1);
    EXPECT_EQ(SpecificTimeAtLoad({2999, 1, 1, 0, 0, 0}).year, 981);
}

TEST(CountdownKeys, OnlyDigitsAndBackspacePass) {
    for (int c = 0; c < 256; ++c) {
        bool pass = (c >= '0' && c <= '9') || c == 8;
        EXPECT_EQ(CountdownKeyFilter(c), pass ? c : 0) << c;
    }
    EXPECT_EQ(CountdownKeyFilter(0x663), 0);  // an Arabic-Indic digit is no digit here
}

TEST(CustomLoop, OkMakesTheTextFromTheBoxesAsTyped) {
    EditorState s = InitialEditorState();
    s.loopIndex = kLoopCustomIndex;
    ApplyLoopChoice(s);
    ASSERT_TRUE(s.panelVisible);
    EXPECT_FALSE(ConfirmCustomLoop(s, L"00", L"00", L"01").has_value());
    EXPECT_FALSE(s.panelVisible);
    EXPECT_TRUE(s.loopLabelVisible);
    EXPECT_EQ(s.loopLabel, L"00/00/01 (Day/Hour/Min)");
    EXPECT_FALSE(ConfirmCustomLoop(s, L"1", L"2", L"30").has_value());
    EXPECT_EQ(s.loopLabel, L"1/2/30 (Day/Hour/Min)");
}

TEST(CustomLoop, AllZeroIntervalIsRefusedHoweverItIsWritten) {
    const PromptBox refusal{L"Loop interval value cannot be 0.", L"Value", 0};
    for (auto [d, h, m] : {std::tuple{L"00", L"00", L"00"}, {L"0", L"0", L"0"}, {L"000", L"", L"0"},
                           {L" 0", L"abc", L"00"}}) {
        EditorState s = InitialEditorState();
        s.loopIndex = kLoopCustomIndex;
        ApplyLoopChoice(s);
        EXPECT_EQ(ConfirmCustomLoop(s, d, h, m), refusal) << d << L"/" << h << L"/" << m;
        EXPECT_TRUE(s.panelVisible);  // the panel stays open, nothing else changes
        EXPECT_FALSE(s.loopLabelVisible);
        EXPECT_EQ(s.loopLabel, L"00/00/00 (Day/Hour/Min)");
    }
    EXPECT_FALSE(CustomLoopIsZero(L"0", L"0", L"1"));
}

TEST(LoopChoice, PanelStatesAndTheCloseBox) {
    EditorState s = InitialEditorState();
    EXPECT_FALSE(s.loopLabelVisible);
    s.loopIndex = kLoopCustomIndex;
    ApplyLoopChoice(s);
    EXPECT_TRUE(s.panelVisible);
    EXPECT_TRUE(s.panelMoved);
    ConfirmCustomLoop(s, L"00", L"01", L"00");
    s.loopIndex = kLoopCustomIndex;  // reopening keeps the confirmed text shown
    ApplyLoopChoice(s);
    EXPECT_TRUE(s.panelVisible);
    EXPECT_TRUE(s.loopLabelVisible);
    CloseLoopPanel(s);
    EXPECT_FALSE(s.panelVisible);
    EXPECT_FALSE(s.loopLabelVisible);
    EXPECT_EQ(s.loopIndex, 0);
    EXPECT_EQ(s.loopLabel, L"00/01/00 (Day/Hour/Min)");  // the last confirmed text stays
    s.loopIndex = kLoopCustomIndex;
    ApplyLoopChoice(s);
    ConfirmCustomLoop(s, L"00", L"01", L"00");
    s.loopIndex = 2;
    ApplyLoopChoice(s);
    EXPECT_FALSE(s.loopLabelVisible);
}

TEST(ActionType, SwitchingAlwaysEmptiesTheCommandLine) {
    EditorState s = InitialEditorState();
    EXPECT_EQ(s.cmdLabel, L"Selected EXE:");
    EXPECT_FALSE(s.cmdEnabled);
    s.autoType = 1;
    ApplyAutoType(s);
    EXPECT_TRUE(s.cmdEnabled);
    EXPECT_EQ(s.cmdLabel, L"Command Line:");
    s.cmd = L"C:\\Tools\\app.exe -x";
    s.autoType = 0;
    ApplyAutoType(s);
    EXPECT_EQ(s.cmd, L"");
    EXPECT_FALSE(s.cmdEnabled);
    ApplyChosenProgram(s, L"C:\\Apps\\tool.exe");
    s.autoType = 1;
    ApplyAutoType(s);
    EXPECT_EQ(s.cmd, L"");
}

TEST(EmptyTask, TickingLocksTheChoiceAndUntickingUnlocksIt) {
    EditorState s = InitialEditorState();
    s.autoType = 1;
    ApplyAutoType(s);
    s.cmd = L"notepad";
    s.programName = L"calc.exe", s.id = L"4242", s.windowTitle = L"Calculator";
    s.picIcon = PicIconContent::ProgramIcon;
    s.only = true;
    ApplyEmptyTask(s);
    EXPECT_EQ(s.autoType, 0);
    EXPECT_FALSE(s.autoTypeEnabled);
    EXPECT_FALSE(s.cmdEnabled);
    EXPECT_EQ(s.cmd, L"");
    EXPECT_FALSE(s.listEnabled || s.pickerEnabled);
    EXPECT_EQ(s.programName + s.id + s.windowTitle, L"");
    EXPECT_EQ(s.picIcon, PicIconContent::EmptyTaskPicture);

    ResetAfterAdd(s);  // what "Add" does afterwards
    EXPECT_FALSE(s.only);
    EXPECT_TRUE(s.autoTypeEnabled && s.listEnabled && s.pickerEnabled);
    EXPECT_FALSE(s.cmdEnabled);
    EXPECT_EQ(s.picIcon, PicIconContent::Nothing);
}

TEST(EmptyTask, AddWithoutTheBoxKeepsEveryInput) {
    EditorState s = InitialEditorState();
    s.autoType = 1;
    ApplyAutoType(s);
    s.cmd = L"C:\\Tools\\app.exe -x";
    EditorState before = s;
    ResetAfterAdd(s);
    EXPECT_EQ(s, before);
}

TEST(ChosenProgram, CloseTaskTakesTheFileRunTaskOnlyTheCommandLine) {
    EditorState s = InitialEditorState();
    ApplyChosenProgram(s, L"C:\\Apps\\tool.exe");
    EXPECT_EQ(s.cmd, L"C:\\Apps\\tool.exe");
    EXPECT_EQ(s.id, L"00000");
    EXPECT_EQ(s.programName, L"tool.exe");
    EXPECT_EQ(s.picIcon, PicIconContent::EmptyTaskPicture);

    EditorState r = InitialEditorState();
    r.autoType = 1;
    ApplyAutoType(r);
    r.cmd = L"C:\\old.exe -a";
    ApplyChosenProgram(r, L"C:\\Apps\\tool.exe");
    EXPECT_EQ(r.cmd, L"C:\\Apps\\tool.exe");  // replaces the whole command line
    EXPECT_EQ(r.id, L"");
    EXPECT_EQ(r.picIcon, PicIconContent::Nothing);
}

TEST(TimingMode, SpecificTimeUnticksTheIdleBoxAndIntervalKeepsItUnticked) {
    EditorState s = InitialEditorState();
    EXPECT_TRUE(s.timerMode && s.countdownEnabled && s.mouseEnabled);
    EXPECT_FALSE(s.dateBoxesEnabled);
    s.mouse = true;
    ApplySpecificTimeMode(s);
    EXPECT_FALSE(s.timerMode || s.mouse || s.mouseEnabled || s.countdownEnabled);
    EXPECT_TRUE(s.dateBoxesEnabled);
    ApplyIntervalMode(s);
    EXPECT_TRUE(s.timerMode && s.mouseEnabled && s.countdownEnabled);
    EXPECT_FALSE(s.mouse);
    EXPECT_FALSE(s.dateBoxesEnabled);
    s.mouse = true;
    ApplyIntervalMode(s);
    EXPECT_TRUE(s.mouse);
}

// Only the ended program as a chosen process is forgotten; another program,
// or a program chosen as a file (closed by its name at its time), stays.
TEST(ClosedNow, OnlyTheEndedProcessChoiceIsForgotten) {
    EditorState s = InitialEditorState();
    ApplyListClick(s, ListChoice{L"notepad.exe", L"C:\\Windows\\notepad.exe", L"296"});
    const EditorState listed = s;
    ForgetEndedProgram(s, L"calc.exe");
    EXPECT_EQ(s, listed);
    ForgetEndedProgram(s, L"notepad.exe");
    EXPECT_TRUE(s.programName.empty() && s.id.empty() && s.windowTitle.empty());
    EXPECT_EQ(s.picIcon, PicIconContent::Nothing);

    ApplyChosenProgram(s, L"C:\\Windows\\notepad.exe");
    const EditorState file = s;
    ForgetEndedProgram(s, L"notepad.exe");
    EXPECT_EQ(s, file);
}

}  // namespace
