// Soak: the real main window and task editor through thousands of operations,
// with the process's resources printed every 500 operations, so that a leak
// shows as a figure that keeps growing after the warm-up.
//
//   soak.exe [--rebuilds N] [--firings N] [--rows N] [--helpers N] [--every N]
//
// Defaults: 10,000 running-program rebuilds with 20 helper processes coming
// and going (one replaced before every rebuild), 2,000 task firings (a run
// task and a close task re-armed every minute of simulated time; the run task
// starts a helper that ends at once, the close task ends a helper started for
// it) and 2,000 rows added through the editor's "Add" and deleted again.
// Power actions never reach the system. Figures: private bytes, handle count,
// GDI and USER objects (GetGuiResources), and the images of taskIcon, which
// grows by one per row added by design and is reported apart.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <deque>
#include <string>

#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/System_win32.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "mainwindow/scheduler/TaskRow.h"
#include "toolkit/App.h"

using namespace kestrelon;

namespace {

// The real processes, a simulated clock and no power actions.
class SoakSystem : public Win32System {
public:
    DateTime now{2026, 12, 8, 10, 0, 0};
    DateTime Now() override { return now; }
    bool EnableShutdownPrivilege() override { return true; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
};

std::wstring ProgramFolder() {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path = buf;
    return path.substr(0, path.rfind(L'\\') + 1);
}

PROCESS_INFORMATION Start(const std::wstring& exe, const std::wstring& args) {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    // Detached: Wine would otherwise give every console helper a console host process.
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si,
                        &pi))
        pi = {};
    return pi;
}

void End(PROCESS_INFORMATION& p) {
    if (!p.hProcess) return;
    TerminateProcess(p.hProcess, 0);
    WaitForSingleObject(p.hProcess, 5000);
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
    p = {};
}

struct Figures {
    double privateKB = 0;
    unsigned long handles = 0, gdi = 0, user = 0, icons = 0;
};

// Committed private memory, from a walk of the address space (Wine reports
// no PrivateUsage).
double PrivateKB() {
    double bytes = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (char* p = nullptr; VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi);) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) bytes += static_cast<double>(mbi.RegionSize);
        char* next = static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= p) break;
        p = next;
    }
    return bytes / 1024;
}

// Wine reports no handle or GUI object counts (0). There the tables are
// probed instead: kernel handles by value, GDI objects by table index (Wine
// takes a handle without its upper word as any generation of that entry),
// USER objects as this process's windows and icons in the user handle table.
Figures ProbeTables() {
    Figures f;
    for (ULONG_PTR h = 4; h < 0x20000; h += 4) {
        DWORD flags = 0;
        f.handles += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) != FALSE;
    }
    for (ULONG_PTR i = 1; i < 0x10000; ++i) f.gdi += GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
    const DWORD self = GetCurrentProcessId();
    for (ULONG_PTR h = 0x20; h < 0x10000; h += 2) {
        HWND w = reinterpret_cast<HWND>(h);
        if (IsWindow(w)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            f.user += pid == self;
            continue;
        }
        ICONINFO info{};
        if (GetIconInfo(reinterpret_cast<HICON>(h), &info)) {
            ++f.icons;
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
    }
    f.user += f.icons;
    return f;
}

Figures Measure() {
    Figures f;
    f.privateKB = PrivateKB();
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    f.handles = handles;
    f.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    f.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (!f.handles && !f.gdi && !f.user) {
        Figures probed = ProbeTables();
        f.handles = probed.handles;
        f.gdi = probed.gdi;
        f.user = probed.user;
        f.icons = probed.icons;
    }
    return f;
}

DWORD startTick = GetTickCount();

void Report(const char* phase, long op, form1& main) {
    Figures f = Measure();
    std::printf("%-9s %7ld %12.0f %8lu %6lu %6lu %6lu %9d %5d %7.1f\n", phase, op, f.privateKB, f.handles, f.gdi,
                f.user, f.icons, main.taskIcon.Count(), main.TaskCount(), (GetTickCount() - startTick) / 1000.0);
    std::fflush(stdout);
}

void SetRow(ITaskTable& t, int row, const TaskFields& f) {
    for (int k = 0; k < kFieldCount; ++k) t.SetField(row, k + 1, f[k]);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    long rebuilds = 10000, firings = 2000, rows = 2000, every = 500;
    int helperCount = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::wstring a = argv[i];
        const long v = std::wcstol(argv[i + 1], nullptr, 10);
        if (a == L"--rebuilds") rebuilds = v, ++i;
        else if (a == L"--firings") firings = v, ++i;
        else if (a == L"--rows") rows = v, ++i;
        else if (a == L"--helpers") helperCount = static_cast<int>(v), ++i;
        else if (a == L"--every") every = v > 0 ? v : 500, ++i;
    }
    const std::wstring dir = ProgramFolder();
    const std::wstring helper = dir + L"khelper.exe";
    // The close tasks' victims carry a name of their own, so they never match the helpers.
    const std::wstring victim = dir + L"ksoakvictim.exe";
    if (!CopyFileW(helper.c_str(), victim.c_str(), FALSE) && GetFileAttributesW(victim.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fwprintf(stderr, L"cannot make %ls from %ls\n", victim.c_str(), helper.c_str());
        return 1;
    }

    toolkit::InitControls();
    SoakSystem sys;
    form1 main(sys);
    main.endProcess = [] {};
    main.showWriteFailure = [](const std::wstring& text) { std::fwprintf(stderr, L"write failed: %ls\n", text.c_str()); };
    if (!main.Load()) return 1;
    main.Options().SetChecked(Option::Autoload, true);  // every firing writes the default list
    main.timerClose.SetEnabled(false);                  // the soak ticks by itself
    main.timerMouse.SetEnabled(false);
    frmMouseSelect& editor = *main.Editor();
    editor.messageBox = [](const PromptBox&) { return IDOK; };
    toolkit::DoEvents();

    std::printf("%-9s %7s %12s %8s %6s %6s %6s %9s %5s %7s\n", "phase", "op", "private KB", "handles", "GDI", "USER",
                "icons", "taskIcon", "rows", "s");

    // --- rebuilds with helpers coming and going ---
    std::deque<PROCESS_INFORMATION> helpers;
    for (int i = 0; i < helperCount; ++i) helpers.push_back(Start(helper, L"--seconds 3600"));
    Sleep(500);
    Report("rebuild", 0, main);
    for (long op = 1; op <= rebuilds; ++op) {
        End(helpers.front());
        helpers.pop_front();
        helpers.push_back(Start(helper, L"--seconds 3600"));
        main.WriteMailbox(L"refresh");
        toolkit::DoEvents();
        if (op % every == 0) Report("rebuild", op, main);
    }
    for (auto& p : helpers) End(p);
    helpers.clear();

    // --- firings: a run task and a close task, both every minute ---
    ITaskTable& tasks = main.Tasks();
    const std::wstring due = FormatYMDHMS(sys.now, sys.Locale());
    SetRow(tasks, tasks.AddRow(0),
           {L"khelper.exe", L"\"" + helper + L"\" --seconds 0", kNone, due, L"Every Minute", kRunNormal, L""});
    SetRow(tasks, tasks.AddRow(0),
           {L"ksoakvictim.exe", victim, kFileChosenID, due, L"Every Minute", kCloseNormal, L""});
    PROCESS_INFORMATION target = Start(victim, L"--seconds 3600");
    Sleep(200);
    Report("firing", 0, main);
    long fired = 0;
    for (long op = 1; op <= firings; ++op) {
        if (op % 2 == 1) {  // both rows due: the tick fires the first, the next tick the other
            if (auto next = AddSeconds(sys.now, 61)) sys.now = *next;
            if (WaitForSingleObject(target.hProcess, 0) != WAIT_TIMEOUT) {
                CloseHandle(target.hProcess);
                CloseHandle(target.hThread);
                target = Start(victim, L"--seconds 3600");
                main.WriteMailbox(L"refresh");  // the close task finds its victim in the list
            }
        }
        const std::wstring before = tasks.Field(1, fCloseTime).value_or(L"") + tasks.Field(2, fCloseTime).value_or(L"");
        TimerCloseTick(main);
        toolkit::DoEvents();
        fired += before != tasks.Field(1, fCloseTime).value_or(L"") + tasks.Field(2, fCloseTime).value_or(L"");
        if (op % every == 0) Report("firing", op, main);
    }
    End(target);
    std::printf("firing: %ld of %ld ticks fired a task\n", fired, firings);
    tasks.Clear();

    // --- rows through the editor's "Add", then deleted ---
    Report("rows", 0, main);
    for (long op = 1; op <= rows; ++op) {
        editor.ShowEditor();
        editor.chkOnly.SetValue(true);
        editor.optTimer.SetValue(true);
        editor.cmbTMin.SetListIndex(5);
        editor.cmdOK_Click();
        if (tasks.Count() > 0) tasks.RemoveRow(tasks.Count());
        toolkit::DoEvents();
        if (op % every == 0) Report("rows", op, main);
    }
    main.Options().SetChecked(Option::Autoload, false);
    main.SaveDefaultTasks();
    DeleteFileW(victim.c_str());
    return 0;
}
