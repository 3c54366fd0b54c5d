// The task editor's program list against real processes: three copies of
// the helper program run under a name of their own, the main window's
// rebuild fills the editor, and a click, type-ahead, refresh and "close now"
// are driven through the editor's controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/Processes_win32.h"
#include "services/GetFile.h"
#include "toolkit/App.h"

#include "Modal.h"
#include "TestPaths.h"

namespace kestrelon {
namespace {

using testing::ExeDir;
using testing::TempDir;
using testing::EndAll;
using testing::StartHidden;
using testing::WaitForLines;

// Real processes, except that one id can be made to look as if another
// program had been given it since the list was built.
class ProgramsSystem : public ISystem {
public:
    DateTime now{2026, 12, 8, 10, 30, 0};
    LocaleFormat locale = LocaleFormat::EnglishUS();
    std::uint32_t reusedId = 0;
    std::vector<std::uint32_t> nameAsked, terminated;

    DateTime Now() override { return now; }
    const LocaleFormat& Locale() override { return locale; }
    bool EnableShutdownPrivilege() override { return false; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
    // The name check of the end: the reused id answers as another program.
    EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) override {
        nameAsked.push_back(pid);
        if (pid == reusedId) return EndResult::OtherProgram;
        const EndResult r = win32::EndProcessOf(pid, exeName);
        if (r == EndResult::Ended) terminated.push_back(pid);
        return r;
    }
};

class EditorProgramsTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        main.endProcess = [] {};
        ASSERT_TRUE(main.Load());
        main.Tasks().Clear();
        main.timerClose.SetEnabled(false);
        main.timerMouse.SetEnabled(false);
        editor = main.Editor();
        ASSERT_NE(editor, nullptr);
        editor->messageBox = [this](const PromptBox& m) {
            messages.push_back(m);
            return answer;
        };

        // A name of this run's own, with an initial no other program here has.
        const std::wstring tag = std::to_wstring(GetCurrentProcessId());
        program = L"qkep" + tag + L".exe";
        programPath = TempDir() + program;
        outFile = TempDir() + L"qkep" + tag + L".txt";
        DeleteFileW(outFile.c_str());
        ASSERT_TRUE(CopyFileW((ExeDir() + L"khelper.exe").c_str(), programPath.c_str(), FALSE))
            << "khelper.exe must be built beside the test program";
        for (int i = 0; i < 3; ++i) Start();
        WaitUntilRunning(3);
        for (auto& p : helpers) ids.push_back(p.dwProcessId);
        std::sort(ids.begin(), ids.end());

        main.cmdAdd.Click();  // shows the editor and rebuilds the list
        ASSERT_TRUE(editor->Visible());
    }
    void TearDown() override {
        main.timerClose.SetEnabled(false);
        EndAll(helpers);
        DeleteFileW(programPath.c_str());
        DeleteFileW(outFile.c_str());
    }

    void Start() {
        std::wstring cmd = L"\"" + programPath + L"\" --seconds 120 --out \"" + outFile + L"\"";
        PROCESS_INFORMATION pi = StartHidden(programPath, cmd);
        ASSERT_TRUE(pi.hProcess != nullptr);
        helpers.push_back(pi);
    }
    // Each helper writes a line once it runs.
    void WaitUntilRunning(size_t count) {
        if (!WaitForLines(outFile, count)) FAIL() << "helpers did not start";
    }
    bool Running(std::uint32_t pid) {
        for (auto& p : helpers)
            if (p.dwProcessId == pid) return WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT;
        return false;
    }
    bool EndedWithCodeZero(std::uint32_t pid) {
        for (auto& p : helpers) {
            if (p.dwProcessId != pid) continue;
            if (WaitForSingleObject(p.hProcess, 5000) != WAIT_OBJECT_0) return false;
            DWORD code = 1;
            return GetExitCodeProcess(p.hProcess, &code) && code == 0;
        }
        return false;
    }

    // LV's rows whose Program text is `name`.
    std::vector<int> RowsOf(const std::wstring& name) {
        std::vector<int> rows;
        for (int i = 0; i < editor->LV.Count(); ++i)
            if (editor->LV.ItemText(i, 1) == name) rows.push_back(i);
        return rows;
    }
    int HelperRow() {
        auto rows = RowsOf(program);
        return rows.size() == 1 ? rows[0] : -1;
    }
    size_t List1EntriesOf(const std::wstring& name) {
        const auto& list1 = main.RunningList().List1;
        return static_cast<size_t>(
            std::count_if(list1.begin(), list1.end(), [&](const std::wstring& p) { return GetFileName(p) == name; }));
    }
    // A click on LV as the list reports it to its form.
    void ClickList() {
        NMITEMACTIVATE click{};
        click.hdr.hwndFrom = editor->LV.Handle();
        click.hdr.idFrom = editor->LV.Id();
        click.hdr.code = NM_CLICK;
        click.iItem = editor->LV.SelectedIndex();
        SendMessageW(editor->Handle(), WM_NOTIFY, editor->LV.Id(), reinterpret_cast<LPARAM>(&click));
    }
    void Type(wchar_t c) { SendMessageW(editor->LV.Handle(), WM_CHAR, c, 1); }

    ProgramsSystem sys;
    form1 main{sys};
    frmMouseSelect* editor = nullptr;
    std::vector<PromptBox> messages;
    int answer = IDOK;
    std::wstring program, programPath, outFile;
    std::vector<PROCESS_INFORMATION> helpers;
    std::vector<std::uint32_t> ids;  // the helpers' ids, lowest first
};

TEST_F(EditorProgramsTest, ThreeInstancesGiveThreeHiddenEntriesAndOneRowWithItsOwnPicture) {
    EXPECT_EQ(List1EntriesOf(program), 3u);
    const int row = HelperRow();
    ASSERT_GE(row, 0);
    const std::wstring path = editor->LV.ItemText(row, 2).value_or(L"");
    EXPECT_EQ(lstrcmpiW(path.c_str(), programPath.c_str()), 0);
    EXPECT_EQ(editor->LV.ItemText(row, 0), L"");

    // Every row shows the picture added for it, also after a second rebuild,
    // and the list holds exactly one picture per row.
    for (int rebuild = 0; rebuild < 2; ++rebuild) {
        const RunningProgramList& list = main.RunningList();
        ASSERT_EQ(editor->LV.Count(), static_cast<int>(list.rows.size()));
        EXPECT_EQ(editor->iconList.Count(), editor->LV.Count());
        for (int i = 0; i < editor->LV.Count(); ++i) {
            EXPECT_EQ(editor->LV.ItemText(i, 1), list.rows[i].program);
            EXPECT_EQ(editor->LV.ItemImage(i), list.rows[i].icon - 1);
        }
        editor->cmdRefresh.Click();
    }
}

TEST_F(EditorProgramsTest, RebuildDisablesTheSevenControlsAndEnablesThemAgainEvenForAnEmptyTask) {
    const toolkit::Control* seven[] = {&editor->LV,      &editor->cmdCancel, &editor->cmdOK,  &editor->cmdRefresh,
                                       &editor->cmdClose, &editor->imgSelect, &editor->chkOnly};
    editor->BeginRebuild();
    for (auto* c : seven) EXPECT_FALSE(c->Enabled());
    EXPECT_EQ(editor->LV.Count(), 0);

    editor->chkOnly.SetValue(true);  // the empty task locks LV and the picker
    EXPECT_FALSE(editor->LV.Enabled());
    main.WriteMailbox(L"refresh");
    for (auto* c : seven) EXPECT_TRUE(c->Enabled());
    EXPECT_EQ(main.txtAction.Text(), L"");
    editor->chkOnly.SetValue(false);
}

TEST_F(EditorProgramsTest, HandlersThatReapplyTheEnabledStateKeepTheListOffDuringARebuild) {
    auto listAndPickerOff = [&](const char* after) {
        EXPECT_FALSE(editor->LV.Enabled()) << after;
        EXPECT_FALSE(editor->imgSelect.Enabled()) << after;
    };
    editor->BeginRebuild();
    listAndPickerOff("the rebuild's start");
    editor->cmbLoop.SetListIndex(1);  // Loop
    listAndPickerOff("Loop");
    editor->optTime.SetValue(true);
    listAndPickerOff("the specific-time option");
    editor->optTimer.SetValue(true);
    listAndPickerOff("the interval option");
    editor->cmbLoop.SetListIndex(5);  // the custom panel
    editor->cmdLoopOK.Click();
    listAndPickerOff("the custom panel's OK");
    editor->cmbLoop.SetListIndex(5);
    if (editor->Label12.onClick) editor->Label12.onClick();
    listAndPickerOff("the custom panel's X");
    editor->cmbAutoType.SetListIndex(1);
    listAndPickerOff("the action type");

    main.WriteMailbox(L"refresh");  // a whole rebuild ends with both on again
    EXPECT_TRUE(editor->LV.Enabled());
    EXPECT_TRUE(editor->imgSelect.Enabled());
    editor->cmbLoop.SetListIndex(2);
    EXPECT_TRUE(editor->LV.Enabled());
    editor->cmbAutoType.SetListIndex(0);
}

TEST_F(EditorProgramsTest, ClickMakesTheProgramTheChoiceWithItsLowestIdAndAddTakesIt) {
    const int row = HelperRow();
    ASSERT_GE(row, 0);
    editor->txtCmd.SetText(L"C:\\chosen\\before.exe");
    editor->LV.Select(row);
    ClickList();

    EXPECT_EQ(editor->lblProcess[1].Text(), program);
    EXPECT_EQ(editor->lblID.Text(), std::to_wstring(ids[0]));
    EXPECT_EQ(editor->lblWindow.Text(), editor->LV.ItemText(row, 2));
    EXPECT_TRUE(editor->lblWindow.Visible());
    EXPECT_EQ(editor->lblProcess[2].Text(), lanText()[49]);
    EXPECT_EQ(editor->txtCmd.Text(), L"");  // a close task forgets the chosen file
    ASSERT_NE(editor->picIcon.Icon(), nullptr);
    EXPECT_DOUBLE_EQ(editor->picIcon.Left(), editor->lblProcess[1].Left() + editor->lblProcess[1].Width() + 250);
    EXPECT_GT(editor->lblProcess[1].Width(), 60 * editor->ScaleX());  // wide enough for the name

    // A rebuild selects the chosen program's row again.
    editor->cmdRefresh.Click();
    EXPECT_EQ(editor->LV.SelectedIndex(), HelperRow());

    // Add: a close task of the selected row, with the lowest id.
    editor->cmbTMin.SetListIndex(5);
    editor->cmdOK.Click();
    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(main.Tasks().Field(1, fProgram), program);
    EXPECT_EQ(main.Tasks().Field(1, fPath), editor->LV.ItemText(HelperRow(), 2));
    EXPECT_EQ(main.Tasks().Field(1, fID), std::to_wstring(ids[0]));
}

TEST_F(EditorProgramsTest, TypeAheadSelectsByInitialInEitherCaseWithoutChoosing) {
    const int row = HelperRow();
    ASSERT_GE(row, 0);
    const int other = row == 0 ? 1 : 0;
    ASSERT_LT(other, editor->LV.Count());
    editor->LV.Select(other);
    ClickList();
    const std::wstring chosen = editor->lblProcess[1].Text();
    const std::wstring chosenId = editor->lblID.Text();

    Type(L'q');
    EXPECT_EQ(editor->LV.SelectedIndex(), row);
    editor->LV.Select(other);
    Type(L'Q');
    EXPECT_EQ(editor->LV.SelectedIndex(), row);
    // The choice stays what the last click made it.
    EXPECT_EQ(editor->lblProcess[1].Text(), chosen);
    EXPECT_EQ(editor->lblID.Text(), chosenId);

    // A letter that begins no program leaves the selection alone.
    Type(L'#');
    EXPECT_EQ(editor->LV.SelectedIndex(), row);
}

TEST_F(EditorProgramsTest, CloseNowAfterCancelLeavesEverythingAsItWas) {
    editor->LV.Select(HelperRow());
    const HIMAGELIST before = editor->iconList.Handle();
    answer = IDCANCEL;
    editor->cmdClose.Click();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (PromptBox{lanText()[40], lanText()[41], MB_OKCANCEL}));
    EXPECT_TRUE(sys.terminated.empty());
    for (auto id : ids) EXPECT_TRUE(Running(id));
    EXPECT_EQ(editor->iconList.Handle(), before);  // not rebuilt
    EXPECT_EQ(editor->LV.SelectedIndex(), HelperRow());
}

TEST_F(EditorProgramsTest, CloseNowAfterOkTerminatesEveryInstanceAndRebuilds) {
    editor->LV.Select(HelperRow());
    const HIMAGELIST before = editor->iconList.Handle();
    answer = IDOK;
    editor->cmdClose.Click();

    EXPECT_EQ(messages.size(), 1u);
    std::vector<std::uint32_t> terminated = sys.terminated;
    std::sort(terminated.begin(), terminated.end());
    EXPECT_EQ(terminated, ids);
    for (auto id : ids) EXPECT_TRUE(EndedWithCodeZero(id));
    EXPECT_NE(editor->iconList.Handle(), before);  // rebuilt

    editor->cmdRefresh.Click();
    EXPECT_EQ(List1EntriesOf(program), 0u);
    EXPECT_TRUE(RowsOf(program).empty());
}

TEST_F(EditorProgramsTest, CloseNowSparesAnIdNowHeldByAnotherProgram) {
    sys.reusedId = ids[1];
    editor->LV.Select(HelperRow());
    answer = IDOK;
    editor->cmdClose.Click();

    // Every recorded id was checked, the reused one was left alone.
    for (auto id : ids) EXPECT_NE(std::find(sys.nameAsked.begin(), sys.nameAsked.end(), id), sys.nameAsked.end());
    EXPECT_EQ(std::find(sys.terminated.begin(), sys.terminated.end(), ids[1]), sys.terminated.end());
    EXPECT_TRUE(EndedWithCodeZero(ids[0]));
    EXPECT_TRUE(EndedWithCodeZero(ids[2]));
    EXPECT_TRUE(Running(ids[1]));
}

TEST_F(EditorProgramsTest, CloseNowWithNoSelectedRowTerminatesNothingButRebuilds) {
    for (int i = 0; i < editor->LV.Count(); ++i) {
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED;
        SendMessageW(editor->LV.Handle(), LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&none));
    }
    ASSERT_EQ(editor->LV.SelectedIndex(), -1);
    const HIMAGELIST before = editor->iconList.Handle();
    answer = IDOK;
    editor->cmdClose.Click();
    EXPECT_TRUE(sys.terminated.empty());
    EXPECT_NE(editor->iconList.Handle(), before);
    for (auto id : ids) EXPECT_TRUE(Running(id));
}

TEST_F(EditorProgramsTest, CloseNowForgetsTheEndedProgramSoAddAsksForOne) {
    editor->LV.Select(HelperRow());
    ClickList();
    ASSERT_EQ(editor->lblID.Text(), std::to_wstring(ids[0]));
    answer = IDOK;
    editor->cmdClose.Click();
    for (auto id : ids) EXPECT_TRUE(EndedWithCodeZero(id));
    EXPECT_EQ(editor->lblProcess[1].Text(), L"");
    EXPECT_EQ(editor->lblID.Text(), L"");
    EXPECT_EQ(editor->lblWindow.Text(), L"");
    EXPECT_EQ(editor->picIcon.Icon(), nullptr);

    // Add: no program is chosen, as before any choice; no row.
    editor->cmbTMin.SetListIndex(5);
    editor->cmdOK.Click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], (PromptBox{lanText()[42], lanText()[43], 64}));
    EXPECT_EQ(main.Tasks().Count(), 0);
    EXPECT_TRUE(editor->Visible());
}

TEST_F(EditorProgramsTest, AddATaskWhileTheCloseNowQuestionIsOpenBringsTheQuestionForward) {
    editor->LV.Select(HelperRow());
    editor->messageBox = [this](const PromptBox& m) {
        return toolkit::MsgBox(m.text, m.style, m.title, editor->Handle());
    };
    HWND question = nullptr, front = nullptr;
    bool questionAboveEditor = false;
    const bool seen = testing::WhileModal([&] { editor->cmdClose.Click(); },
                                          [&](const testing::ModalWindow& m) {
                                              question = m.window;
                                              main.cmdAdd.Click();  // "Add a Task" of the main window
                                              front = GetForegroundWindow();
                                              for (HWND h = GetWindow(question, GW_HWNDNEXT); h;
                                                   h = GetWindow(h, GW_HWNDNEXT))
                                                  questionAboveEditor |= h == editor->Handle();
                                              testing::AnswerDialog(m, IDCANCEL);
                                          });
    ASSERT_TRUE(seen);
    EXPECT_EQ(front, question);
    EXPECT_TRUE(questionAboveEditor);
    for (auto id : ids) EXPECT_TRUE(Running(id));
}

}  // namespace
}  // namespace kestrelon
