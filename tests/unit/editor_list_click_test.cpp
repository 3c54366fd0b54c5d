// A click on the editor's running-program list: what becomes the choice.
#include <gtest/gtest.h>

#include "editor/EditorState.h"

using namespace kestrelon;

namespace {

TEST(ListClick, CloseTaskTakesTheRowAndForgetsAChosenFile) {
    EditorState s = InitialEditorState();
    ApplyChosenProgram(s, L"C:\\Tools\\old.exe");
    ASSERT_EQ(s.id, L"00000");

    ApplyListClick(s, ListChoice{L"qkep.exe", L"C:\\Temp\\qkep.exe", L"132"});
    EXPECT_EQ(s.cmd, L"");
    EXPECT_EQ(s.programName, L"qkep.exe");
    EXPECT_EQ(s.windowTitle, L"C:\\Temp\\qkep.exe");
    EXPECT_EQ(s.id, L"132");
    EXPECT_EQ(s.picIcon, PicIconContent::ProgramIcon);
}

TEST(ListClick, RunTaskKeepsItsCommandLine) {
    EditorState s = InitialEditorState();
    s.autoType = 1;
    ApplyAutoType(s);
    s.cmd = L"notepad.exe a.txt";
    ApplyListClick(s, ListChoice{L"qkep.exe", L"C:\\Temp\\qkep.exe", L"8"});
    EXPECT_EQ(s.cmd, L"notepad.exe a.txt");
    EXPECT_EQ(s.programName, L"qkep.exe");
}

TEST(ListClick, WithoutARowOnlyTheCommandLineChanges) {
    EditorState s = InitialEditorState();
    s.cmd = L"C:\\Tools\\old.exe";
    s.programName = L"old.exe";
    s.id = L"00000";
    s.windowTitle = L"C:\\Tools\\old.exe";
    s.picIcon = PicIconContent::EmptyTaskPicture;
    EditorState expected = s;
    expected.cmd.clear();
    ApplyListClick(s, std::nullopt);
    EXPECT_EQ(s, expected);

    // A row whose program is no longer listed keeps the old id.
    ApplyListClick(s, ListChoice{L"gone.exe", L"C:\\gone.exe", std::nullopt});
    EXPECT_EQ(s.id, L"00000");
    EXPECT_EQ(s.programName, L"gone.exe");
}

}  // namespace
