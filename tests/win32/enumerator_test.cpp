// Enumerator on real windows and processes: the snapshot checked against a
// walk of the window tree made here without EnumWindows, the copy-out modes,
// ending a helper process, and the lookups and one-call operations on windows
// of a class this test registers itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TestPaths.h"
#include "services/Enumerator.h"
#include "services/EnumeratorSnapshot_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

using Long = Enumerator::Long;
using LongPtr = Enumerator::LongPtr;

Long L32(const void* h) { return static_cast<Long>(reinterpret_cast<std::intptr_t>(h)); }
LongPtr Ptr(const void* p) { return reinterpret_cast<LongPtr>(p); }

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// ---- windows of a class registered here ----------------------------------------------------

struct Seen {
    int closes = 0;
    int paints = 0;
};
Seen seen;

LRESULT CALLBACK TestWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        ++seen.closes;  // kept open: the test destroys it
        return 0;
    }
    if (msg == WM_PAINT) {
        ++seen.paints;
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

constexpr wchar_t kClass[] = L"EnumeratorTestWindow";
constexpr UINT kClassStyle = CS_DBLCLKS | CS_HREDRAW;
constexpr int kClassExtra = 8;
constexpr int kWindowExtra = 16;
constexpr WORD kMenuName = 77;
constexpr int kChildId = 1234;

// The class's values, kept to compare with what the inspector reads.
struct TestClass {
    TestClass() {
        icon = LoadIconW(nullptr, IDI_ASTERISK);
        smallIcon = LoadIconW(nullptr, IDI_WARNING);
        cursor = LoadCursorW(nullptr, IDC_CROSS);
        brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = kClassStyle;
        wc.lpfnWndProc = TestWindowProc;
        wc.cbClsExtra = kClassExtra;
        wc.cbWndExtra = kWindowExtra;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = icon;
        wc.hCursor = cursor;
        wc.hbrBackground = brush;
        wc.lpszMenuName = MAKEINTRESOURCEW(kMenuName);
        wc.lpszClassName = kClass;
        wc.hIconSm = smallIcon;
        RegisterClassExW(&wc);  // fails harmlessly when an earlier test registered it
    }
    HICON icon, smallIcon;
    HCURSOR cursor;
    HBRUSH brush;
};

// A hidden top-level window of the test class with a child and a
// grandchild, destroyed with it.
struct TestWindows {
    TestWindows() {
        static TestClass registered;
        cls = &registered;
        top = CreateWindowExW(0, kClass, L"enumerator test", WS_POPUP, 100, 100, 240, 160, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
        child = CreateWindowExW(0, L"BUTTON", L"child", WS_CHILD | WS_VISIBLE, 5, 5, 100, 60, top,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChildId)), nullptr, nullptr);
        grandchild = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 2, 2, 40, 20, child, nullptr, nullptr,
                                     nullptr);
        seen = {};
    }
    ~TestWindows() { DestroyWindow(top); }
    const TestClass* cls;
    HWND top, child, grandchild;
};

// ---- an enumeration made without EnumWindows ---------------------------------------------------

// Depth first, in the order the system keeps siblings: what EnumChildWindows gives.
void Descendants(HWND parent, std::vector<Long>& out) {
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        out.push_back(L32(h));
        Descendants(h, out);
    }
}

// Slot 0, the top-level windows in Z order, their descendants window by window, the desktop.
std::vector<Long> WalkedWindows() {
    std::vector<Long> top{0};
    for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) top.push_back(L32(h));
    std::vector<Long> all = top;
    for (size_t i = 1; i < top.size(); ++i) Descendants(reinterpret_cast<HWND>(static_cast<std::intptr_t>(top[i])), all);
    all.push_back(L32(GetDesktopWindow()));
    return all;
}

std::vector<Long> ToolhelpIds(DWORD what) {
    std::vector<Long> ids;
    HANDLE snap = CreateToolhelp32Snapshot(what, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    if (what == TH32CS_SNAPPROCESS) {
        PROCESSENTRY32W e{};
        e.dwSize = sizeof(e);
        for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e))
            ids.push_back(static_cast<Long>(e.th32ProcessID));
    } else {
        THREADENTRY32 e{};
        e.dwSize = sizeof(e);
        for (BOOL more = Thread32First(snap, &e); more; more = Thread32Next(snap, &e))
            ids.push_back(static_cast<Long>(e.th32ThreadID));
    }
    CloseHandle(snap);
    return ids;
}

bool Holds(const std::vector<Long>& list, Long value) {
    return std::find(list.begin() + 1, list.end(), value) != list.end();
}

// ---- the snapshot ----------------------------------------------------------------------------------

TEST(EnumeratorSnapshot, MatchesAWalkOfTheWindowTreeAndTheSystemsLists) {
    TestWindows w;
    ASSERT_TRUE(w.top && w.child && w.grandchild);
    Enumerator e;
    std::vector<Long> winds, walked, processes, threads, systemProcesses;
    // Windows and processes may come or go between the snapshot and the
    // independent walks (a helper of an earlier test still ending): take them
    // again until both agree (they do at once on a quiet desktop).
    int taken = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        ++taken;
        e.EnumAll();
        e.ReturnWindEnum(winds);
        e.ReturnProcessEnum(processes);
        walked = WalkedWindows();
        systemProcesses = ToolhelpIds(TH32CS_SNAPPROCESS);
        if (winds == walked && !processes.empty() &&
            std::vector<Long>(processes.begin() + 1, processes.end()) == systemProcesses)
            break;
        Sleep(100);
    }
    if (taken > 1) std::printf("RETRY: the snapshot was taken %d times before it agreed with the walks\n", taken);
    ASSERT_TRUE(e.EnumsReady());
    EXPECT_EQ(winds, walked);
    EXPECT_EQ(e.NumOfWinds(), static_cast<Long>(winds.size()) - 1);
    EXPECT_EQ(winds[0], 0);
    // The desktop once, last; the own windows in the order of the rule.
    const Long desktop = e.DesktopWind();
    EXPECT_EQ(desktop, L32(GetDesktopWindow()));
    EXPECT_EQ(std::count(winds.begin(), winds.end(), desktop), 1);
    EXPECT_EQ(winds.back(), desktop);
    const auto at = [&](HWND h) { return std::find(winds.begin(), winds.end(), L32(h)) - winds.begin(); };
    Long topLevel = 0;
    for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) ++topLevel;
    EXPECT_LE(at(w.top), topLevel);
    EXPECT_GT(at(w.child), topLevel);
    EXPECT_EQ(at(w.grandchild), at(w.child) + 1);

    e.ReturnThreadEnum(threads);
    ASSERT_FALSE(processes.empty());
    ASSERT_FALSE(threads.empty());
    EXPECT_EQ(processes[0], 0);
    EXPECT_EQ(threads[0], 0);
    EXPECT_EQ(e.NumOfProcesses(), static_cast<Long>(processes.size()) - 1);
    EXPECT_EQ(e.NumOfThreads(), static_cast<Long>(threads.size()) - 1);
    EXPECT_TRUE(Holds(processes, static_cast<Long>(GetCurrentProcessId())));
    EXPECT_TRUE(Holds(threads, static_cast<Long>(GetCurrentThreadId())));
    EXPECT_EQ(std::vector<Long>(processes.begin() + 1, processes.end()), systemProcesses);

    // The module routines on their own: the list is reset, then filled.
    std::vector<Long> again{5, 6, 7};
    GetAllWindows(again);
    EXPECT_EQ(again[0], 0);
    EXPECT_TRUE(Holds(again, L32(w.grandchild)));
    std::vector<Long> appended{0};
    EXPECT_TRUE(EnumWindowsProc(w.top, reinterpret_cast<LPARAM>(&appended)));
    EXPECT_EQ(appended, (std::vector<Long>{0, L32(w.top)}));

    e.DestroyEnums();
    EXPECT_FALSE(e.EnumsReady());
    EXPECT_EQ(e.NumOfWinds(), 0);
    EXPECT_EQ(e.NumOfProcesses(), 0);
    EXPECT_EQ(e.NumOfThreads(), 0);
}

TEST(EnumeratorSnapshot, ModeZeroKeepsTheFirstSnapshotModeOneTakesANewOne) {
    Enumerator e;
    EXPECT_EQ(e.NewEnum(), 0);
    std::vector<Long> first, second, third, procsBefore, procsAfter;
    e.ReturnWindEnum(first);  // no snapshot yet: takes one
    EXPECT_TRUE(e.EnumsReady());
    e.ReturnProcessEnum(procsBefore);

    TestWindows later;
    std::vector<PROCESS_INFORMATION> helpers{
        testing::StartHidden(testing::ExeDir() + L"khelper.exe", L"khelper.exe --seconds 60")};
    ASSERT_NE(helpers[0].hProcess, nullptr);
    const Long helperPid = static_cast<Long>(helpers[0].dwProcessId);

    e.ReturnWindEnum(second);
    e.ReturnProcessEnum(procsAfter);
    EXPECT_EQ(second, first);
    EXPECT_FALSE(Holds(second, L32(later.top)));
    EXPECT_FALSE(Holds(procsAfter, helperPid));

    e.NewEnum(2);  // any value but 1 reuses the snapshot
    e.ReturnWindEnum(second);
    EXPECT_FALSE(Holds(second, L32(later.top)));

    e.NewEnum(1);
    e.ReturnWindEnum(third);
    EXPECT_EQ(e.NumOfWinds(), static_cast<Long>(third.size()) - 1);
    e.ReturnProcessEnum(procsAfter);  // a snapshot of its own again
    EXPECT_TRUE(Holds(third, L32(later.top)));
    EXPECT_TRUE(Holds(procsAfter, helperPid));
    testing::EndAll(helpers);
}

TEST(EnumeratorSnapshot, TheBusyCursorShowsOnlyWhileASnapshotIsTaken) {
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    {
        Hourglass busy;
        EXPECT_EQ(toolkit::ScreenMousePointer(), wait);
    }
    EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);
    // Also when the work under it fails.
    try {
        Hourglass busy;
        throw std::runtime_error("failed snapshot");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);

    Enumerator e;
    e.EnumAll();
    EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);
}

// ---- processes and threads -------------------------------------------------------------------------

TEST(EnumeratorProcesses, KillProcessEndsTheHelperAndRefusesAnIdNoProcessHas) {
    std::vector<PROCESS_INFORMATION> helpers{
        testing::StartHidden(testing::ExeDir() + L"khelper.exe", L"khelper.exe --seconds 60")};
    ASSERT_NE(helpers[0].hProcess, nullptr);
    Enumerator e;
    const Long pid = static_cast<Long>(helpers[0].dwProcessId);
    EXPECT_EQ(e.ProcessName(pid), L"khelper.exe");
    EXPECT_EQ(e.ThreadProcess(static_cast<Long>(helpers[0].dwThreadId)), pid);

    EXPECT_TRUE(e.KillProcess(pid));
    EXPECT_EQ(WaitForSingleObject(helpers[0].hProcess, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(helpers[0].hProcess, &code));
    // An ended process never reports itself still running.
    EXPECT_NE(code, STILL_ACTIVE);
    testing::EndAll(helpers);

    EXPECT_FALSE(e.KillProcess(3));  // ids are multiples of 4: no process has 3
    EXPECT_FALSE(e.KillProcess(0x7FFFFFF0));
    EXPECT_EQ(e.ThreadProcess(3), 0);
    EXPECT_EQ(e.ThreadProcess(static_cast<Long>(GetCurrentThreadId())), static_cast<Long>(GetCurrentProcessId()));
    EXPECT_FALSE(e.ThreadHung(static_cast<Long>(GetCurrentThreadId())));
    EXPECT_FALSE(e.ThreadHung(3));
}

TEST(EnumeratorProcesses, AThreadThatStopsTakingItsMessagesIsHung) {
    // The system calls a thread hung after five seconds without fetching a
    // message while it is not waiting for one.
    std::atomic<DWORD> thread{0};
    std::atomic<bool> release{false};
    std::thread busy([&] {
        HWND h = CreateWindowExW(0, L"STATIC", L"busy", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        Pump();
        thread = GetCurrentThreadId();
        while (!release) Sleep(20);  // never looks at its queue
        DestroyWindow(h);
    });
    while (!thread) Sleep(10);
    Enumerator e;
    const Long id = static_cast<Long>(thread.load());
    EXPECT_FALSE(e.ThreadHung(id));
    bool hung = false;
    for (int i = 0; i < 80 && !hung; ++i) {
        Sleep(100);
        hung = e.ThreadHung(id);
    }
    EXPECT_TRUE(hung);
    release = true;
    busy.join();
}

// ---- lookups and operations on the test's own windows -------------------------------------------------

TEST(EnumeratorWindowOperations, ShowEnableTopmostAndParent) {
    TestWindows w;
    Enumerator e;
    const Long top = L32(w.top);
    EXPECT_TRUE(e.IsValidWindow(top));
    EXPECT_FALSE(e.IsVisible(top));
    // The results are the system's: ShowWindow tells whether it was visible
    // before, EnableWindow whether it was disabled before.
    EXPECT_FALSE(e.SetVisible(top, true));
    EXPECT_TRUE(e.IsVisible(top));
    EXPECT_TRUE(e.SetVisible(top, false));
    EXPECT_FALSE(e.IsVisible(top));
    e.SetVisible(top, true);

    EXPECT_TRUE(e.IsEnabled(top));
    EXPECT_FALSE(e.SetEnabled(top, false));
    EXPECT_FALSE(e.IsEnabled(top));
    EXPECT_TRUE(e.SetEnabled(top, true));
    EXPECT_TRUE(e.IsEnabled(top));

    EXPECT_FALSE(e.IsOnTop(top));
    EXPECT_TRUE(e.SetOntop(top, true));
    EXPECT_TRUE(e.IsOnTop(top));
    EXPECT_TRUE(Enumerator::IsStyle(e.ExtStyleVal(top), WS_EX_TOPMOST));
    EXPECT_TRUE(e.SetOntop(top, false));
    EXPECT_FALSE(e.IsOnTop(top));

    TestWindows other;
    const Long grandchild = L32(w.grandchild);
    EXPECT_TRUE(e.SetParent(grandchild, L32(other.top)));
    EXPECT_EQ(e.ParentWind(grandchild), L32(other.top));
    EXPECT_EQ(e.Progenitor(grandchild), L32(other.top));
    EXPECT_EQ(e.GetRelWindow(L32(other.top), GW_CHILD), grandchild);
    EXPECT_EQ(e.GetRelWindow(L32(w.child), GW_CHILD), 0);
    EXPECT_EQ(e.GetRelWindow(grandchild, GW_OWNER), 0);
    e.SetParent(grandchild, L32(w.child));
    EXPECT_EQ(e.GetRelWindow(L32(w.top), GW_CHILD), L32(w.child));
}

TEST(EnumeratorWindowOperations, PlacementSizeTextAndClose) {
    TestWindows w;
    Enumerator e;
    const Long top = L32(w.top);
    e.SetVisible(top, true);
    EXPECT_EQ(e.WindPos(top), 0);
    e.SetWindPos(top, 1);
    EXPECT_EQ(e.WindPos(top), 1);
    e.SetWindPos(top, 3);  // no such code: nothing changes
    EXPECT_EQ(e.WindPos(top), 1);
    e.SetWindPos(top, 0);
    EXPECT_EQ(e.WindPos(top), 0);
    e.SetWindPos(top, 2);
    EXPECT_EQ(e.WindPos(top), 2);
    e.SetWindPos(top, -1);
    EXPECT_EQ(e.WindPos(top), 2);
    // Shown normally again; from a minimized window that was maximized
    // before, the system would restore the maximized state.
    e.SetWindPos(top, 0);
    EXPECT_EQ(e.WindPos(top), 0);
    EXPECT_TRUE(e.IsVisible(top));

    e.SetWinSizePos(top, 30, 40, 210, 130);
    RECT r{};
    GetWindowRect(w.top, &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 210);
    EXPECT_EQ(r.bottom - r.top, 130);

    const std::wstring title = L"Fenster \u00e9t\u00e9 \u65e5\u672c";  // outside any one ANSI code page
    e.SetWindText(top, title);
    EXPECT_EQ(e.GetWindText(top), title);
    EXPECT_EQ(e.GetWindTextLength(top), static_cast<Long>(title.size()));

    Pump();
    const int paintsBefore = seen.paints;
    e.ForceRedraw(top);  // paints at once, before returning
    EXPECT_GT(seen.paints, paintsBefore);

    e.TerminateWind(top);
    EXPECT_EQ(seen.closes, 0);  // posted, not sent
    Pump();
    EXPECT_EQ(seen.closes, 1);
    EXPECT_TRUE(IsWindow(w.top));
}

TEST(EnumeratorWindowOperations, ZOrderActivationFocusAndDeviceContext) {
    TestWindows a, b;
    Enumerator e;
    e.SetVisible(L32(a.top), true);
    e.SetVisible(L32(b.top), true);
    const auto above = [](HWND x, HWND y) {  // x is nearer the top of the Z order than y
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
            if (h == x) return true;
            if (h == y) return false;
        }
        return false;
    };
    e.BringToTop(L32(a.top));
    EXPECT_TRUE(above(a.top, b.top));
    e.SendToBottom(L32(a.top));  // below every other window, not only b
    EXPECT_TRUE(above(b.top, a.top));
    EXPECT_EQ(e.GetRelWindow(L32(a.top), GW_HWNDLAST), L32(a.top));
    e.BringToTop(L32(a.top));
    EXPECT_TRUE(above(a.top, b.top));

    e.ForeGround(L32(b.top));
    Pump();
    EXPECT_EQ(GetForegroundWindow(), b.top);
    e.ActiveWind(L32(a.top));
    EXPECT_EQ(GetActiveWindow(), a.top);
    e.FocusWind(L32(a.grandchild));
    EXPECT_EQ(GetFocus(), a.grandchild);
    // FlashWindow answers whether the window was drawn active before the
    // call; each inversion of the caption flips that.
    const bool drawnActive = e.Flash(L32(b.top), true) != 0;
    EXPECT_EQ(e.Flash(L32(b.top), true) != 0, !drawnActive);

    const Long dc = e.GetDC(L32(a.top));
    ASSERT_NE(dc, 0);
    HDC hdc = reinterpret_cast<HDC>(static_cast<std::intptr_t>(dc));
    EXPECT_EQ(WindowFromDC(hdc), a.top);
    e.RelDC(L32(a.top), dc);
}

TEST(EnumeratorWindowLookups, StylesIdsMenusAndTheWindowsOwnValues) {
    TestWindows w;
    Enumerator e;
    const Long top = L32(w.top);
    EXPECT_TRUE(Enumerator::IsStyle(e.StyleVal(top), static_cast<Long>(WS_POPUP)));
    EXPECT_FALSE(Enumerator::IsStyle(e.StyleVal(top), WS_VISIBLE));
    EXPECT_TRUE(Enumerator::IsStyle(e.StyleVal(L32(w.child)), WS_CHILD | WS_VISIBLE));
    EXPECT_TRUE(Enumerator::IsStyle(0x13, 0x03));
    EXPECT_FALSE(Enumerator::IsStyle(0x13, 0x0C | 0x01));  // every bit must be set
    EXPECT_TRUE(Enumerator::IsStyle(0, 0));
    EXPECT_EQ(e.GetControlID(L32(w.child)), kChildId);
    EXPECT_EQ(e.WindThread(top), static_cast<Long>(GetCurrentThreadId()));
    EXPECT_EQ(e.WindProcess(L32(w.child)), static_cast<Long>(GetCurrentProcessId()));

    EXPECT_EQ(e.GetHandleInstance(top), Ptr(GetModuleHandleW(nullptr)));
    EXPECT_EQ(e.GetWndProc(top), Ptr(reinterpret_cast<void*>(TestWindowProc)));
    // In the 64-bit build a user-data value may use all 64 bits and comes back
    // whole; the 32-bit build has only 32 bits to keep.
    const LongPtr userData = sizeof(LongPtr) == 8 ? static_cast<LongPtr>(0x123456789ABCLL) : LongPtr{0x12345678};
    SetWindowLongPtrW(w.top, GWLP_USERDATA, userData);
    EXPECT_EQ(e.GetUserData(top), userData);

    // A menu bar and its pop-up; a child's menu slot holds its id, no menu.
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 1, L"item");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"menu");
    HWND framed = CreateWindowExW(0, kClass, L"framed", WS_OVERLAPPEDWINDOW, 0, 0, 200, 120, nullptr, bar, nullptr,
                                  nullptr);
    ASSERT_NE(framed, nullptr);
    EXPECT_EQ(e.MenuHandle(L32(framed)), L32(bar));
    EXPECT_EQ(e.SubMenu(L32(bar), 0), L32(popup));
    EXPECT_EQ(e.SubMenu(L32(bar), 5), 0);
    EXPECT_EQ(e.SubMenu(L32(w.top), 0), 0);  // a window is no menu
    EXPECT_EQ(e.MenuHandle(L32(w.child)), 0);
    EXPECT_EQ(e.MenuHandle(top), 0);
    DestroyWindow(framed);  // destroys its menu too
}

TEST(EnumeratorWindowLookups, ClassValuesAndIconsAreThoseTheTestSet) {
    TestWindows w;
    Enumerator e;
    const Long top = L32(w.top);
    EXPECT_EQ(e.GetClassExtraBytes(top), kClassExtra);
    EXPECT_EQ(e.GetClassExtraWndBytes(top), kWindowExtra);
    EXPECT_EQ(e.GetClasshBackgroundBrush(top), L32(w.cls->brush));
    EXPECT_EQ(e.GetClassHCursor(top), L32(w.cls->cursor));
    EXPECT_EQ(e.GetClassHIcon(top), L32(w.cls->icon));
    EXPECT_EQ(e.GetClasshSmallIcon(top), L32(w.cls->smallIcon));
    EXPECT_EQ(e.GetClassHModule(top), Ptr(GetModuleHandleW(nullptr)));
    EXPECT_EQ(e.GetClassMenuName(top), LongPtr{kMenuName});
    EXPECT_EQ(e.GetClassStyle(top), static_cast<Long>(kClassStyle));
    EXPECT_EQ(e.GetClassWndProc(top), Ptr(reinterpret_cast<void*>(TestWindowProc)));

    HICON big = LoadIconW(nullptr, IDI_HAND);
    HICON small = LoadIconW(nullptr, IDI_QUESTION);
    SendMessageW(w.top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(w.top, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    EXPECT_EQ(e.GetBigIconH(top), L32(big));
    EXPECT_EQ(e.GetSmallIconH(top), L32(small));
}

TEST(EnumeratorWindowLookups, AHandleThatIsNoWindowGivesZeroFromTheWindowValues) {
    Long gone;
    {
        TestWindows w;
        gone = L32(w.top);
    }
    Enumerator e;
    for (Long h : {Long{0}, gone}) {
        EXPECT_FALSE(e.IsValidWindow(h));
        EXPECT_EQ(e.StyleVal(h), 0);
        EXPECT_EQ(e.ExtStyleVal(h), 0);
        EXPECT_EQ(e.GetHandleInstance(h), 0);
        EXPECT_EQ(e.GetUserData(h), 0);
        EXPECT_EQ(e.GetWndProc(h), 0);
        EXPECT_EQ(e.GetControlID(h), 0);
        EXPECT_EQ(e.WindThread(h), 0);
        // The other members pass the handle on and report the system's 0.
        EXPECT_EQ(e.GetClassStyle(h), 0);
        EXPECT_EQ(e.MenuHandle(h), 0);
        EXPECT_EQ(e.WindPos(h), 0);
        EXPECT_FALSE(e.IsVisible(h));
        EXPECT_FALSE(e.IsOnTop(h));
    }
}

}  // namespace
}  // namespace kestrelon
