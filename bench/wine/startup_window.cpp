// Start-up time of kestrelon.exe under Wine next to a minimal Win32 window
// program, measured in the same run and started the same way.
//
//   startup_window.exe --window
//       The minimal program: registers a class, creates and shows one
//       top-level window ("KestrelonBenchWindow", "Startup Bench") and runs
//       a message loop until the window is closed. Nothing else.
//
//   startup_window.exe [--rounds N] [--program PATH]
//       The timer (what scripts/bench-wine.sh runs): N times each,
//       alternating, starts PATH (default: kestrelon.exe beside this
//       program) and this program with --window through CreateProcessW, and
//       measures from just before CreateProcessW to
//         visible:    the main window exists and is visible (polled every ms)
//         responsive: after that, its thread answers a sent WM_NULL
//       then closes it with WM_CLOSE and waits for the process to end. Each
//       start of kestrelon.exe gets a fresh, empty APPDATA folder. Prints the
//       median, minimum and maximum of each figure in milliseconds.
//
// scripts/bench-startup.sh runs this and also times both programs started
// from the Linux side (wine64, as a user's launcher would).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMinimalClass[] = L"KestrelonBenchWindow";
constexpr wchar_t kMinimalTitle[] = L"Startup Bench";

// --- the minimal program -----------------------------------------------------

LRESULT CALLBACK MinimalProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

int RunMinimalWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = MinimalProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kMinimalClass;
    if (!RegisterClassW(&wc)) return 1;
    HWND h = CreateWindowExW(0, kMinimalClass, kMinimalTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             640, 480, nullptr, nullptr, instance, nullptr);
    if (!h) return 1;
    ShowWindow(h, SW_SHOWNORMAL);
    UpdateWindow(h);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

// --- the timer ---------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring OwnPath() {
    wchar_t buf[MAX_PATH * 2] = L"";
    GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    return buf;
}

// A fresh, empty folder under the temporary folder; removed by RemoveFolder.
std::wstring NewTempFolder(int n) {
    wchar_t tmp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + L"kestrelon-startup-bench-" + std::to_wstring(GetCurrentProcessId()) +
                       L"-" + std::to_wstring(n);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void RemoveFolder(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name != L"." && name != L"..") DeleteFileW((dir + L"\\" + name).c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

struct Target {
    std::wstring label;
    std::wstring commandLine;
    const wchar_t* windowClass;
    const wchar_t* windowTitle;
    bool ownAppData;
    std::vector<double> visible, responsive;
};

HWND FindVisible(const Target& t) {
    HWND h = FindWindowW(t.windowClass, t.windowTitle);
    return h && IsWindowVisible(h) ? h : nullptr;
}

// One start; false when the window did not appear within 30 s.
bool TimeOnce(Target& t, int round) {
    std::wstring appdata;
    if (t.ownAppData) {
        appdata = NewTempFolder(round);
        SetEnvironmentVariableW(L"APPDATA", appdata.c_str());
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> cmd(t.commandLine.begin(), t.commandLine.end());
    cmd.push_back(L'\0');

    const Clock::time_point t0 = Clock::now();
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si,
                        &pi)) {
        std::fwprintf(stderr, L"cannot start %ls (error %lu)\n", t.commandLine.c_str(), GetLastError());
        return false;
    }
    HWND h = nullptr;
    while (!(h = FindVisible(t))) {
        if (MsSince(t0) > 30000) break;
        Sleep(1);
    }
    bool ok = h != nullptr;
    if (ok) {
        t.visible.push_back(MsSince(t0));
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored)) t.responsive.push_back(MsSince(t0));
        PostMessageW(h, WM_CLOSE, 0, 0);
    } else {
        std::fwprintf(stderr, L"%ls: no visible window within 30 s\n", t.label.c_str());
    }
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (t.ownAppData) RemoveFolder(appdata);
    return ok;
}

struct Summary {
    double median, min, max;
};

Summary Summarize(std::vector<double> v) {
    if (v.empty()) return {0, 0, 0};
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

int RunTimer(int rounds, std::wstring program) {
    const std::wstring self = OwnPath();
    if (program.empty()) program = FolderOf(self) + L"\\kestrelon.exe";
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fwprintf(stderr, L"no program %ls\n", program.c_str());
        return 1;
    }
    Target targets[] = {
        {L"kestrelon.exe", Quote(program), L"KestrelonMainWindow", L"Kestrelon", true, {}, {}},
        {L"minimal window", Quote(self) + L" --window", kMinimalClass, kMinimalTitle, false, {}, {}},
    };
    if (FindWindowW(targets[0].windowClass, nullptr)) {
        std::fwprintf(stderr, L"a Kestrelon window is already open; close it first\n");
        return 1;
    }
    // A start that fails (no display, a crash) would fail every round: stop at the first.
    int failed = 0;
    for (int r = 0; r < rounds && !failed; ++r)
        for (Target& t : targets)
            if (!TimeOnce(t, r)) {
                ++failed;
                break;
            }

    std::wprintf(L"start-up inside Wine (CreateProcessW -> window), %d rounds each, ms\n", rounds);
    std::wprintf(L"%-16ls %-11ls %9ls %9ls %9ls\n", L"program", L"figure", L"median", L"min", L"max");
    for (const Target& t : targets) {
        Summary v = Summarize(t.visible), r = Summarize(t.responsive);
        std::wprintf(L"%-16ls %-11ls %9.1f %9.1f %9.1f\n", t.label.c_str(), L"visible", v.median, v.min, v.max);
        std::wprintf(L"%-16ls %-11ls %9.1f %9.1f %9.1f\n", t.label.c_str(), L"responsive", r.median, r.min, r.max);
    }
    if (failed) std::wprintf(L"stopped: a start failed (is there a display?)\n");
    std::fflush(stdout);
    return failed ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 10;
    std::wstring program;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--window") return RunMinimalWindow();
        if (a == L"--rounds" && i + 1 < argc) rounds = std::max(1, _wtoi(argv[++i]));
        else if (a == L"--program" && i + 1 < argc) program = argv[++i];
        else {
            std::fwprintf(stderr, L"usage: startup_window.exe [--window] [--rounds N] [--program PATH]\n");
            return 2;
        }
    }
    return RunTimer(rounds, program);
}
