// How close to its second a task fires: the real main window, running its own
// message loop, holds run tasks due at successive whole seconds; each starts
// a copy of the helper program. The figure is the time from the due second to
// the creation of the started process (its creation time as the system
// records it), beside the cost of starting the same program directly.
//
//   firing_bench.exe [--firings N] [--helper PATH]     (default 20, khelper.exe beside this program)
//
// Needs a display (scripts/bench-wine.sh runs it inside the build's Xvfb).
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/System_win32.h"
#include "toolkit/App.h"

using namespace kestrelon;

namespace {

// The real clock and process start; power requests never leave the program.
class BenchSystem : public Win32System {
public:
    bool EnableShutdownPrivilege() override { return true; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
};

unsigned long long FileTimeMs(FILETIME f) {
    return ((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000;
}
unsigned long long NowMs() {
    FILETIME f;
    GetSystemTimeAsFileTime(&f);
    return FileTimeMs(f);
}

// Creation times (UTC ms) of the running processes with this file name.
std::vector<std::pair<DWORD, unsigned long long>> Started(const std::wstring& exe) {
    std::vector<std::pair<DWORD, unsigned long long>> found;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        if (lstrcmpiW(e.szExeFile, exe.c_str()) != 0) continue;
        if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID)) {
            FILETIME c, x, k, u;
            if (GetProcessTimes(p, &c, &x, &k, &u)) found.emplace_back(e.th32ProcessID, FileTimeMs(c));
            CloseHandle(p);
        }
    }
    CloseHandle(snap);
    return found;
}

void EndAll(const std::wstring& exe) {
    for (auto& [pid, t] : Started(exe))
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
            TerminateProcess(p, 0);
            CloseHandle(p);
        }
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * (v.size() - 1) + 0.5))];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int firings = 20;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.resize(dir.find_last_of(L'\\') + 1);
    std::wstring helper = dir + L"khelper.exe";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"--firings") == 0) firings = std::clamp(_wtoi(argv[++i]), 1, 200);
        else if (std::wcscmp(argv[i], L"--helper") == 0) helper = argv[++i];
    }
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring exe = L"kfire" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring copy = std::wstring(tmp) + exe;
    if (!CopyFileW(helper.c_str(), copy.c_str(), FALSE)) {
        std::fwprintf(stderr, L"cannot copy %ls\n", helper.c_str());
        return 2;
    }
    const std::wstring command = L"\"" + copy + L"\" --seconds 60";

    toolkit::InitControls();
    BenchSystem sys;
    // Reference: starting the program directly.
    std::vector<double> direct;
    for (int i = 0; i < 5; ++i) {
        const unsigned long long t0 = NowMs();
        sys.StartProcess(L"", command);
        Sleep(50);
        auto s = Started(exe);
        unsigned long long latest = 0;
        for (auto& [pid, t] : s) latest = std::max(latest, t);
        if (latest) direct.push_back(static_cast<double>(latest) - static_cast<double>(t0));
        EndAll(exe);
    }

    form1 form{sys};
    form.endProcess = [] {};
    if (!form.Load()) {
        std::fprintf(stderr, "cannot create the main window (is DISPLAY set?)\n");
        return 2;
    }
    toolkit::DoEvents();

    // Rows due at the whole seconds from two seconds on, one a second.
    const unsigned long long first = (NowMs() / 1000 + 2) * 1000;
    ITaskTable& t = form.Tasks();
    for (int i = 0; i < firings; ++i) {
        FILETIME utc, local;
        const unsigned long long ticks = (first + 1000ull * i) * 10000;
        utc.dwLowDateTime = static_cast<DWORD>(ticks);
        utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        FileTimeToLocalFileTime(&utc, &local);
        SYSTEMTIME st;
        FileTimeToSystemTime(&local, &st);
        const DateTime due{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
        const int row = t.AddRow(0);
        const std::wstring fields[kFieldCount] = {exe, command, L"None", FormatYMDHMS(due, sys.Locale()), L"None",
                                                  L"Run - Normal", L""};
        for (int k = 1; k <= kFieldCount; ++k) t.SetField(row, k, fields[k - 1]);
    }
    form.SetTimerCloseEnabled(true);

    const DWORD deadline = GetTickCount() + (firings + 5) * 1000;
    while (t.Count() > 0 && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        toolkit::DoEvents();
    }
    Sleep(200);
    std::vector<unsigned long long> created;
    for (auto& [pid, c] : Started(exe)) created.push_back(c);
    std::sort(created.begin(), created.end());
    EndAll(exe);
    form.SetTimerCloseEnabled(false);

    std::vector<double> late;
    for (size_t i = 0; i < created.size() && i < static_cast<size_t>(firings); ++i)
        late.push_back(static_cast<double>(created[i]) - static_cast<double>(first + 1000ull * i));
    std::printf("a run task due at a whole second -> its process created, %zu of %d firings, ms:\n", late.size(),
                firings);
    std::printf("  median %6.1f   95th percentile %6.1f   max %6.1f   min %6.1f   reference: the program started "
                "directly %6.1f\n",
                Percentile(late, 0.5), Percentile(late, 0.95), Percentile(late, 1.0), Percentile(late, 0.0),
                Percentile(direct, 0.5));
    DeleteFileW(copy.c_str());
    return late.size() == static_cast<size_t>(firings) ? 0 : 1;
}
