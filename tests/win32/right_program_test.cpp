// The right program, whatever runs meanwhile: a close task that falls due
// while the editor's list is being rebuilt, "Close the Selected Program Now"
// while a rebuild moves the selection, and a firing while the editor is
// hidden. Real helper processes under names of their own; the main window,
// its editor, timer and mailbox are the program's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/Processes_win32.h"
#include "mainwindow/scheduler/System_win32.h"
#include "services/GetFile.h"
#include "toolkit/App.h"

#include "TestPaths.h"

namespace kestrelon {
namespace {

using testing::EndAll;
using testing::ExeDir;
using testing::StartHidden;
using testing::TempDir;
using testing::WaitForLines;

// Real processes, except that one id answers the check before its end as
// another program would: the program listed under it has ended and the
// system gave its id to another one.
class ReusedIdSystem : public ISystem {
public:
    DateTime now{2026, 12, 8, 10, 30, 0};
    LocaleFormat locale = LocaleFormat::EnglishUS();
    std::uint32_t reusedId = 0;
    std::vector<std::uint32_t> ended;

    DateTime Now() override { return now; }
    const LocaleFormat& Locale() override { return locale; }
    bool EnableShutdownPrivilege() override { return false; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
    EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) override {
        if (pid != 0 && pid == reusedId) return EndResult::OtherProgram;
        const EndResult r = win32::EndProcessOf(pid, exeName);
        if (r == EndResult::Ended) ended.push_back(pid);
        return r;
    }
    // The close routine's fallback by executable name.
    int snapshots = 0;
    std::vector<ProcessEntry> ProcessSnapshot() override {
        ++snapshots;
        return win32::ProcessSnapshot();
    }
};

class RightProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        main.endProcess = [] {};
        main.showWriteFailure = [](const std::wstring&) {};
        ASSERT_TRUE(main.Load());
        main.Tasks().Clear();
        main.timerClose.SetEnabled(false);
        main.timerMouse.SetEnabled(false);
        // Messages run at every yield of a rebuild, so a posted tick runs in its first.
        main.rebuildYield = [] { toolkit::DoEvents(); };
        editor = main.Editor();
        ASSERT_NE(editor, nullptr);
        editor->messageBox = [this](const PromptBox& m) { return onQuestion ? onQuestion(m) : IDOK; };
        tag = std::to_wstring(GetCurrentProcessId());
        outFile = TempDir() + L"krp" + tag + L".txt";
        DeleteFileW(outFile.c_str());
    }
    void TearDown() override {
        main.timerClose.SetEnabled(false);
        EndAll(helpers);
        for (auto& p : copies) DeleteFileW(p.c_str());
        DeleteFileW(outFile.c_str());
    }

    // A copy of the helper under `name`, in the temporary folder.
    std::wstring Copy(const std::wstring& name) {
        const std::wstring path = TempDir() + name;
        EXPECT_TRUE(CopyFileW((ExeDir() + L"khelper.exe").c_str(), path.c_str(), FALSE))
            << "khelper.exe must be built beside the test program";
        copies.push_back(path);
        return path;
    }
    PROCESS_INFORMATION Start(const std::wstring& path, const std::wstring& more = L"") {
        std::wstring cmd = L"\"" + path + L"\" --seconds 120 --out \"" + outFile + L"\"" + more;
        PROCESS_INFORMATION pi = StartHidden(path, cmd);
        EXPECT_TRUE(pi.hProcess != nullptr);
        helpers.push_back(pi);
        EXPECT_TRUE(WaitForLines(outFile, helpers.size())) << "helper did not start";
        return pi;
    }
    static bool Running(const PROCESS_INFORMATION& p) { return WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT; }
    static bool EndedByUs(const PROCESS_INFORMATION& p) {
        if (WaitForSingleObject(p.hProcess, 5000) != WAIT_OBJECT_0) return false;
        DWORD code = 1;
        return GetExitCodeProcess(p.hProcess, &code) && code == 0;
    }
    int RowOf(const std::wstring& program) {
        for (int i = 0; i < editor->LV.Count(); ++i)
            if (editor->LV.ItemText(i, 1) == program) return i;
        return -1;
    }
    // A click on LV's row as the list reports it to its form.
    void ClickRow(int row) {
        editor->LV.Select(row);
        NMITEMACTIVATE click{};
        click.hdr.hwndFrom = editor->LV.Handle();
        click.hdr.idFrom = editor->LV.Id();
        click.hdr.code = NM_CLICK;
        click.iItem = row;
        SendMessageW(editor->Handle(), WM_NOTIFY, editor->LV.Id(), reinterpret_cast<LPARAM>(&click));
    }
    void AddDueRow(const std::vector<std::wstring>& fields) {
        const int row = main.Tasks().AddRow(0);
        ASSERT_GT(row, 0);
        for (int k = 1; k <= kFieldCount; ++k) main.Tasks().SetField(row, k, fields[k - 1]);
    }
    // The scheduler's timer message, to be run by the next yield.
    void PostTick() {
        main.timerClose.SetEnabled(true);
        PostMessageW(main.Handle(), WM_TIMER, main.timerClose.Id(), 0);
    }

    ReusedIdSystem sys;
    form1 main{sys};
    frmMouseSelect* editor = nullptr;
    std::function<int(const PromptBox&)> onQuestion;
    std::wstring tag, outFile;
    std::vector<std::wstring> copies;
    std::vector<PROCESS_INFORMATION> helpers;
};

// The editor was opened while the program ran as a1. Since then a1 has
// ended and its id went to another program (here: a1's process answers the
// name check as another program), and the program was started again as a2.
// A one-shot close task picked as a1 falls due while "Refresh The List"
// rebuilds: the other program survives, the restarted one ends.
TEST_F(RightProgramTest, CloseTaskFiredDuringTheEditorsRebuildEndsTheRightProcess) {
    const std::wstring program = L"krpA" + tag + L".exe";
    const std::wstring path = Copy(program);
    const PROCESS_INFORMATION a1 = Start(path);
    main.cmdAdd.Click();  // the editor and its list, with a1 in it
    ASSERT_TRUE(editor->Visible());
    ASSERT_GE(RowOf(program), 0);

    sys.reusedId = a1.dwProcessId;
    const PROCESS_INFORMATION a2 = Start(path);
    AddDueRow({program, path, std::to_wstring(a1.dwProcessId), L"2020/01/15 10:00:00", L"None", L"Close - Normal", L""});

    PostTick();
    editor->cmdRefresh.Click();

    EXPECT_EQ(main.Tasks().Count(), 0) << "the task did not fire during the rebuild";
    EXPECT_TRUE(Running(a1)) << "the program that took over the listed id was ended";
    EXPECT_TRUE(EndedByUs(a2)) << "the running program was not ended";
    EXPECT_EQ(sys.ended, std::vector<std::uint32_t>{a2.dwProcessId});
    // Ended from a list taken after the tick's "refresh", which knows a2,
    // not found again by the fallback over all processes.
    EXPECT_EQ(sys.snapshots, 0);
    // The list the editor shows afterwards is whole and current.
    EXPECT_TRUE(editor->LV.Enabled());
    EXPECT_EQ(main.txtAction.Text(), L"");
}

// P's row clicked, the selection moved to Q with the Down key, then "Close
// the Selected Program Now"; while the question is open a rebuild selects
// P again (the label still names P). OK ends Q, and only Q.
TEST_F(RightProgramTest, CloseNowEndsTheProgramSelectedWhenItWasPressed) {
    const std::wstring programP = L"krpP" + tag + L".exe", programQ = L"krpQ" + tag + L".exe";
    const PROCESS_INFORMATION p = Start(Copy(programP));
    const PROCESS_INFORMATION q = Start(Copy(programQ));
    main.cmdAdd.Click();
    ASSERT_TRUE(editor->Visible());
    const int rowP = RowOf(programP);
    ASSERT_GE(rowP, 0);
    ASSERT_EQ(RowOf(programQ), rowP + 1) << "the two rows must be neighbours";

    ClickRow(rowP);
    ASSERT_EQ(editor->lblProcess[1].Text(), programP);
    SetFocus(editor->LV.Handle());
    SendMessageW(editor->LV.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(editor->LV.Handle(), WM_KEYUP, VK_DOWN, 0);
    ASSERT_EQ(editor->LV.SelectedIndex(), rowP + 1);
    ASSERT_EQ(editor->lblProcess[1].Text(), programP);  // the keyboard chooses nothing

    int selectedAfterRebuild = -1;
    onQuestion = [&](const PromptBox&) {
        main.WriteMailbox(L"refresh");  // a firing's rebuild while the question is open
        selectedAfterRebuild = editor->LV.SelectedIndex();
        return IDOK;
    };
    editor->cmdClose.Click();

    EXPECT_EQ(selectedAfterRebuild, RowOf(programP)) << "the rebuild did not move the selection back";
    EXPECT_TRUE(EndedByUs(q));
    EXPECT_TRUE(Running(p));
    EXPECT_EQ(sys.ended, std::vector<std::uint32_t>{q.dwProcessId});
}

// A task fires while the editor is hidden and its label names a listed
// program: the rebuild selects that program's row, and the main window keeps
// the activation and the keyboard focus.
TEST_F(RightProgramTest, AFiringWithTheEditorHiddenLeavesTheFocusInTheMainWindow) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    editor->lblProcess[1].SetText(GetFileName(self));
    ASSERT_FALSE(editor->Visible());
    main.Show();
    SetForegroundWindow(main.Handle());
    SetActiveWindow(main.Handle());
    SetFocus(main.LVClose.Handle());
    toolkit::DoEvents();
    ASSERT_EQ(GetActiveWindow(), main.Handle());
    ASSERT_EQ(GetFocus(), main.LVClose.Handle());

    AddDueRow({L"Empty", L"None", L"None", L"2020/01/15 10:00:00", L"None", L"Close - Normal", L""});
    PostTick();
    toolkit::DoEvents();
    ASSERT_EQ(main.Tasks().Count(), 0) << "the task did not fire";

    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ(GetActiveWindow(), main.Handle());
    EXPECT_EQ(GetFocus(), main.LVClose.Handle());
    // The row is still selected for when the editor shows.
    const int row = editor->LV.SelectedIndex();
    ASSERT_GE(row, 0);
    EXPECT_EQ(lstrcmpiW(editor->LV.ItemText(row, 1).value_or(L"").c_str(), GetFileName(self).c_str()), 0);
}

// A real click of the left button on the text of LV's cell (row, column):
// the list view hit-tests it itself, as it does a user's click.
void ClickCellText(toolkit::ListView& lv, int row, int column) {
    RECT r{};
    r.top = column;
    r.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(lv.Handle(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&r)));
    POINT p{r.left + 6, (r.top + r.bottom) / 2};
    ClientToScreen(lv.Handle(), &p);
    ASSERT_EQ(WindowFromPoint(p), lv.Handle()) << "the list must be under the cursor";
    SetCursorPos(p.x, p.y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, in, sizeof(INPUT)), 2u);
    for (int i = 0; i < 30; ++i) {
        toolkit::DoEvents();
        Sleep(10);
    }
}

// A click on a program's name, or on its path, chooses that row: the labels
// name it, and Add's row is that program's.
TEST_F(RightProgramTest, AClickOnTheProgramOrPathTextChoosesThatRow) {
    const std::wstring programP = L"krpN" + tag + L".exe", programQ = L"krpO" + tag + L".exe";
    const std::wstring pathQ = Copy(programQ);
    const PROCESS_INFORMATION p = Start(Copy(programP));
    const PROCESS_INFORMATION q = Start(pathQ);
    main.cmdAdd.Click();
    ASSERT_TRUE(editor->Visible());
    SetForegroundWindow(editor->Handle());
    const int rowP = RowOf(programP), rowQ = RowOf(programQ);
    ASSERT_GE(rowP, 0);
    ASSERT_GE(rowQ, 0);

    ClickCellText(editor->LV, rowP, 1);  // the Program column
    EXPECT_EQ(editor->LV.SelectedIndex(), rowP);
    EXPECT_EQ(editor->lblProcess[1].Text(), programP);
    EXPECT_EQ(editor->lblID.Text(), std::to_wstring(p.dwProcessId));

    ClickCellText(editor->LV, rowQ, 2);  // the Path column
    EXPECT_EQ(editor->LV.SelectedIndex(), rowQ);
    EXPECT_EQ(editor->lblProcess[1].Text(), programQ);
    EXPECT_EQ(editor->lblID.Text(), std::to_wstring(q.dwProcessId));
    // The caption and its value belong together: the path of that row.
    EXPECT_EQ(editor->lblProcess[2].Text(), lanText()[49]);
    EXPECT_EQ(editor->lblWindow.Text(), editor->LV.ItemText(rowQ, 2).value_or(L"?"));

    editor->cmbTMin.SetListIndex(10);
    editor->cmdOK.Click();
    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(main.Tasks().Field(1, fProgram), programQ);
    EXPECT_EQ(lstrcmpiW(main.Tasks().Field(1, fPath).value_or(L"").c_str(), pathQ.c_str()), 0);
    EXPECT_EQ(main.Tasks().Field(1, fID), std::to_wstring(q.dwProcessId));
}

// X's row clicked, the cross-hair dragged over Y's window, a task fires
// during the drag (its rebuild selects Y's row), then the mouse is lost
// (WM_CANCELMODE, as when a message box opens) and the button released. The
// drag puts back X's labels and X's row together; Add's row is X's, and when
// it fires X ends and Y lives. Had the firing ended X, the labels name a
// program gone from the list: Add refuses and adds nothing.
TEST_F(RightProgramTest, AnInterruptedDragPutsBackTheRowWithTheLabels) {
    for (const bool firingEndsX : {false, true}) {
        SCOPED_TRACE(firingEndsX ? "the firing ends X" : "an empty task fires");
        const std::wstring suffix = firingEndsX ? L"b" : L"a";
        const std::wstring programX = L"krpX" + suffix + tag + L".exe", programY = L"krpY" + suffix + tag + L".exe";
        const std::wstring pathX = Copy(programX);
        const std::wstring title = L"Drag target " + suffix + tag;
        const PROCESS_INFORMATION x = Start(pathX);
        const PROCESS_INFORMATION y = Start(Copy(programY), L" --window \"" + title + L"\"");
        HWND yWindow = nullptr;
        for (int i = 0; i < 200 && !yWindow; ++i, Sleep(25)) yWindow = FindWindowW(L"KHelperWindow", title.c_str());
        ASSERT_NE(yWindow, nullptr);

        main.cmdAdd.Click();
        ASSERT_TRUE(editor->Visible());
        ASSERT_GE(RowOf(programY), 0);
        ClickRow(RowOf(programX));
        ASSERT_EQ(editor->lblProcess[1].Text(), programX);

        // The drag onto Y's window.
        SetWindowPos(yWindow, HWND_TOPMOST, 10, 10, 200, 150, SWP_NOACTIVATE);
        POINT inY{60, 60};
        ClientToScreen(yWindow, &inY);
        SendMessageW(editor->imgSelect.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        ASSERT_TRUE(editor->Dragging());
        SetCursorPos(inY.x, inY.y);
        editor->TimerSelect_Timer();
        ASSERT_EQ(editor->lblProcess[1].Text(), programY);

        // A task fires during the drag; its rebuild selects Y's row.
        if (firingEndsX)
            AddDueRow({programX, pathX, std::to_wstring(x.dwProcessId), L"2020/01/15 10:00:00", L"None",
                       L"Close - Normal", L""});
        else
            AddDueRow({L"Empty", L"None", L"None", L"2020/01/15 10:00:00", L"None", L"Close - Normal", L""});
        PostTick();
        toolkit::DoEvents();
        ASSERT_EQ(main.Tasks().Count(), 0) << "the task did not fire";
        ASSERT_EQ(editor->LV.SelectedIndex(), RowOf(programY));
        main.timerClose.SetEnabled(false);

        SendMessageW(editor->Handle(), WM_CANCELMODE, 0, 0);
        toolkit::DoEvents();
        ASSERT_FALSE(editor->Dragging());
        POINT at{};
        GetCursorPos(&at);
        SendMessageW(WindowFromPoint(at), WM_LBUTTONUP, 0, 0);  // the release, to the window under the cursor

        EXPECT_EQ(editor->lblProcess[1].Text(), programX);
        EXPECT_EQ(editor->lblID.Text(), std::to_wstring(x.dwProcessId));
        std::wstring added;
        onQuestion = [&](const PromptBox& m) {
            added = m.text;
            return IDOK;
        };
        editor->cmbTSec.SetListIndex(1);
        editor->cmdOK.Click();
        onQuestion = nullptr;
        if (firingEndsX) {
            EXPECT_TRUE(EndedByUs(x));
            EXPECT_EQ(editor->LV.SelectedIndex(), -1) << "a row of another program stays selected";
            EXPECT_EQ(main.Tasks().Count(), 0) << "a row was added for a program the list no longer has";
            EXPECT_NE(added.find(programX), std::wstring::npos) << "Add does not say why it refuses";
            EXPECT_TRUE(Running(y));
            editor->cmdCancel.Click();
        } else {
            EXPECT_EQ(editor->LV.SelectedIndex(), RowOf(programX));
            ASSERT_EQ(main.Tasks().Count(), 1);
            EXPECT_EQ(main.Tasks().Field(1, fProgram), programX);
            EXPECT_EQ(lstrcmpiW(main.Tasks().Field(1, fPath).value_or(L"").c_str(), pathX.c_str()), 0);
            EXPECT_EQ(main.Tasks().Field(1, fID), std::to_wstring(x.dwProcessId));
            // It fires: X ends, Y lives.
            sys.now = *AddSeconds(sys.now, 5);
            PostTick();
            toolkit::DoEvents();
            EXPECT_EQ(main.Tasks().Count(), 0);
            EXPECT_TRUE(EndedByUs(x));
            EXPECT_TRUE(Running(y));
            main.timerClose.SetEnabled(false);
        }
        EndAll(helpers);
        DeleteFileW(outFile.c_str());
    }
}

// The real system, whose power requests are only noted.
class NoPowerSystem : public Win32System {
public:
    void SetSystemPowerState(bool, bool) override { power.push_back(L"hibernate"); }
    void ExitWindowsEx(unsigned flags, unsigned) override { power.push_back(L"exitwindows " + std::to_wstring(flags)); }
    std::vector<std::wstring> power;
};

// A task list whose due close task names the program itself (here the test
// program, as kestrelon.exe would be named), loaded at start-up with
// auto-load on.
class OwnProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        savedAppData = testing::Env(L"APPDATA");
        appData = TempDir() + L"kself_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(GetTickCount());
        ASSERT_TRUE(CreateDirectoryW(appData.c_str(), nullptr));
        SetEnvironmentVariableW(L"APPDATA", appData.c_str());
        testing::WriteBytes(appData + L"\\knsetting.ini", "1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        selfPath = Narrow(self);
        selfName = Narrow(GetFileName(self));
    }
    void TearDown() override {
        for (const wchar_t* name : {L"default.ktf", L"knsetting.ini"}) DeleteFileW((appData + L"\\" + name).c_str());
        RemoveDirectoryW(appData.c_str());
        SetEnvironmentVariableW(L"APPDATA", savedAppData.c_str());
    }
    static std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }
    std::wstring List() const { return appData + L"\\default.ktf"; }
    // One run of the main window on these files; `during` runs once it is loaded.
    template <class During>
    void Run(During during) {
        auto f = std::make_unique<form1>(sys);
        ends = 0;
        listAtEnd.clear();
        f->endProcess = [&] {
            if (++ends == 1) listAtEnd = testing::ReadBytes(List());
        };
        f->showWriteFailure = [](const std::wstring&) {};
        ASSERT_TRUE(f->Load());
        f->timerClose.SetEnabled(false);  // ticked below
        f->timerMouse.SetEnabled(false);
        during(*f);
        ends = 100;  // the end of the run itself is not counted
        f->timerClose.SetEnabled(false);
        f->UnloadMain();
    }
    // Three ticks of the scheduler's timer.
    static void Ticks(form1& f) {
        f.timerClose.SetEnabled(true);
        for (int i = 0; i < 3; ++i) {
            PostMessageW(f.Handle(), WM_TIMER, f.timerClose.Id(), 0);
            toolkit::DoEvents();
        }
    }

    NoPowerSystem sys;
    std::wstring savedAppData, appData;
    std::string selfPath, selfName, listAtEnd;
    int ends = 0;
};

// The due task ends the program once, in order: its row gone from the list
// and from the file before the end; the next start keeps running. "Close
// the Selected Program Now" on the program's own row ends it in order too.
TEST_F(OwnProcessTest, ATaskOrCloseNowNamingTheProgramItselfEndsItOnceInOrder) {
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string later = "Empty\tNone\tNone\t2099/01/15 10:00:00\tNone\tClose - Normal\t\r\n";
    testing::WriteBytes(List(), selfName + "\t" + selfPath + "\t" + pid + "\t2020/01/15 10:00:00\tNone\tClose - Normal\t\r\n" +
                                    later);
    int endsInFirstRun = -1, endsInSecondRun = -1, endsAfterCloseNow = -1;
    Run([&](form1& f) {
        ASSERT_EQ(f.TaskCount(), 2);
        Ticks(f);
        endsInFirstRun = ends;
        EXPECT_EQ(f.TaskCount(), 1);
        EXPECT_EQ(f.Tasks().Field(1, fProgram), L"Empty");
    });
    EXPECT_EQ(endsInFirstRun, 1);
    EXPECT_EQ(listAtEnd.find(selfName), std::string::npos) << "the row was still in the list at the end";
    EXPECT_NE(listAtEnd.find("Empty"), std::string::npos);
    EXPECT_TRUE(sys.power.empty());

    Run([&](form1& f) {
        EXPECT_EQ(f.TaskCount(), 1);
        Ticks(f);
        endsInSecondRun = ends;

        f.cmdAdd.Click();
        frmMouseSelect* editor = f.Editor();
        ASSERT_NE(editor, nullptr);
        editor->messageBox = [](const PromptBox&) { return IDOK; };
        int row = -1;
        for (int i = 0; i < editor->LV.Count() && row < 0; ++i)
            if (lstrcmpiW(editor->LV.ItemText(i, 1).value_or(L"").c_str(), GetFileName(std::wstring(selfPath.begin(), selfPath.end())).c_str()) == 0) row = i;
        ASSERT_GE(row, 0) << "the program's own row";
        editor->LV.Select(row);
        editor->cmdClose.Click();
        endsAfterCloseNow = ends;
    });
    EXPECT_EQ(endsInSecondRun, 0) << "the next start ended itself";
    EXPECT_EQ(endsAfterCloseNow, 1);
    EXPECT_NE(listAtEnd.find("Empty"), std::string::npos) << "the list was not saved before the end";
}

}  // namespace
}  // namespace kestrelon
