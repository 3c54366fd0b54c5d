// The task list at its limit in the real main window: 32,767 rows read from a
// task-list file into form1 (as the start-up reload does), one scheduler tick
// over them with nothing due and with only the last row due, the write of the
// default task list, the idle CPU of the running program with the full list,
// and the program's private bytes and GDI/USER object counts.
//
//   task_list_bench.exe [--rows N] [--ticks N] [--idle-seconds N]
//
// Each figure is printed beside its reference from the same run: the same work
// on the task table held in memory (no window), which is what the model costs.
// While the window works, a second thread sends it a message every 10 ms and
// records how long the window takes to answer.
//
// Needs a display (scripts/bench-wine.sh runs it inside the build's Xvfb).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "mainwindow/Settings.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/Scheduler.h"
#include "mainwindow/scheduler/System_win32.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/FileStore_win32.h"
#include "toolkit/App.h"

using namespace kestrelon;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Rows as users keep them, none due before 2090.
std::wstring MakeList(int rows) {
    std::wstring text;
    for (int i = 0; i < rows; ++i) {
        const std::wstring n = std::to_wstring(i);
        if (i % 2 == 0)
            text += L"notepad" + n + L".exe\tC:\\Windows\\notepad" + n + L".exe\t00000\t2090/12/31 23:59:00\tNone\t"
                    L"Close - Normal\t\r\n";
        else
            text += L"backup.exe /job " + n + L"\tC:\\Program Files\\Backup\\backup.exe /job " + n +
                    L"\tNone\t2090/06/01 02:00:00\tEvery Day\tRun - Normal\t\r\n";
    }
    return text;
}

// The real clock and locale; power requests never leave the program.
class BenchSystem : public Win32System {
public:
    bool EnableShutdownPrivilege() override { return true; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
};

// Sends the window a message every 10 ms from another thread and keeps the
// longest wait for its answer.
class Responsiveness {
public:
    explicit Responsiveness(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~Responsiveness() { Finish(); }
    // Stops watching; the longest wait, the one still pending included.
    double Finish() {
        stop_ = true;
        // The thread may be waiting for this thread's answer.
        while (!done_) {
            toolkit::DoEvents();
            Sleep(1);
        }
        if (thread_.joinable()) thread_.join();
        return worstUs_ / 1000.0;
    }

private:
    void Run() {
        while (!stop_) {
            const auto t0 = Clock::now();
            DWORD_PTR r = 0;
            SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &r);
            const long long us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
            worstUs_ = std::max(worstUs_.load(), us);
            Sleep(10);
        }
        done_ = true;
    }
    HWND window_;
    std::atomic<bool> stop_{false}, done_{false};
    std::atomic<long long> worstUs_{0};
    std::thread thread_;
};

double CpuMs() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto v = [](FILETIME f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return (v(k) + v(u)) / 10000.0;
}

// Committed private memory, summed over the address space (Wine reports no
// PrivateUsage).
double PrivateMB() {
    double bytes = 0;
    MEMORY_BASIC_INFORMATION mbi{};
    for (char* p = nullptr; VirtualQuery(p, &mbi, sizeof mbi) == sizeof mbi;
         p = static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) bytes += static_cast<double>(mbi.RegionSize);
        if (mbi.RegionSize == 0) break;
    }
    return bytes / 1048576.0;
}

void PrintResources(const char* when) {
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
    std::printf("  %-44s private %7.1f MB, working set %7.1f MB, GDI %lu, USER %lu\n", when,
                PrivateMB(), m.WorkingSetSize / 1048576.0,
                GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
}

// The tick's host over the table in memory: the model's own cost.
class NoMarks : public IFinalMarks {
public:
    bool Checked(FinalMark) const override { return false; }
    void SetChecked(FinalMark, bool) override {}
};
class ModelHost : public ITickHost {
public:
    explicit ModelHost(ISystem& s) : sys(s) {}
    MemoryTaskTable table;
    NoMarks marks;
    ISystem& sys;
    int fired = 0;
    ITaskTable& Tasks() override { return table; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys; }
    void DoEvents() override {}
    void WriteMailbox(const std::wstring&) override {}
    Firing CloseProgram(const std::wstring&, std::int16_t) override {
        ++fired;
        return {};
    }
    Firing RunProgram(const std::wstring&, std::int16_t) override {
        ++fired;
        return {};
    }
    void MonitorOff() override {}
    void SaveBeforeForcedLogoff() override {}
    void QuitNow() override {}
    void SetTimerCloseEnabled(bool) override {}
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Line(const char* what, double ms, double refMs, double worstWaitMs = -1) {
    std::printf("  %-44s %10.1f ms   reference %9.1f ms", what, ms, refMs);
    if (worstWaitMs >= 0) std::printf("   window answered within %.0f ms", worstWaitMs);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rows = kMaxRows, ticks = 3, idleSeconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"--rows") == 0) rows = std::clamp(_wtoi(argv[++i]), 1, kMaxRows);
        else if (std::wcscmp(argv[i], L"--ticks") == 0) ticks = std::max(1, _wtoi(argv[++i]));
        else if (std::wcscmp(argv[i], L"--idle-seconds") == 0) idleSeconds = std::max(0, _wtoi(argv[++i]));
    }
    toolkit::InitControls();
    BenchSystem sys;
    Win32FileStore files;
    AnsiCodec codec;

    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring path = std::wstring(tmp) + L"kestrelon_task_list_bench.ktf";
    const std::wstring text = MakeList(rows);
    if (!files.WriteAtomic(path, codec.Encode(text)).ok) {
        std::fwprintf(stderr, L"cannot write %ls\n", path.c_str());
        return 2;
    }

    form1 form{sys};
    form.endProcess = [] {};
    if (!form.Load()) {
        std::fprintf(stderr, "cannot create the main window (is DISPLAY set?)\n");
        return 2;
    }
    form.Show();
    toolkit::DoEvents();
    // What the tick's small steps cost here, each over 20,000 calls.
    {
        auto per = [](auto&& f) {
            const int n = 20000;
            auto t = Clock::now();
            for (int i = 0; i < n; ++i) f();
            return Ms(Clock::now() - t) * 1000.0 / n;
        };
        volatile long long sink = 0;
        std::printf("one call, microseconds: yield with nothing to do %.2f (DoEvents %.2f), the clock %.3f, "
                    "GetQueueStatus %.2f, QueryPerformanceCounter %.3f\n",
                    per([&] { static_cast<ITickHost&>(form).DoEvents(); }), per([] { toolkit::DoEvents(); }),
                    per([&] { sink = sink + sys.Now().second; }), per([&] { sink = sink + GetQueueStatus(QS_ALLINPUT); }),
                    per([&] {
                        LARGE_INTEGER q;
                        QueryPerformanceCounter(&q);
                        sink = sink + q.QuadPart;
                    }));
    }
    std::printf("the task list at %d rows in the main window under Wine (reference: the table in memory)\n", rows);
    PrintResources("empty list:");

    // --- load -----------------------------------------------------------------------------
    ModelHost model(sys);
    auto t0 = Clock::now();
    ReadTaskFile(path, model.table, 0, files, codec, sys.Now(), sys.Locale());
    const double loadRef = Ms(Clock::now() - t0);
    double loadMs = 0, loadWait = 0;
    {
        Responsiveness watch(form.Handle());
        t0 = Clock::now();
        form.LoadDefaultTasks(path);
        toolkit::DoEvents();  // and paint it
        loadMs = Ms(Clock::now() - t0);
        loadWait = watch.Finish();
    }
    Line("load: file -> list, painted", loadMs, loadRef, loadWait);
    if (form.Tasks().Count() != rows) std::printf("  !! the list holds %d rows\n", form.Tasks().Count());
    PrintResources("full list:");

    // --- tick, nothing due ----------------------------------------------------------------
    std::vector<double> tickRef, tickMs;
    for (int i = 0; i < std::max(ticks, 5); ++i) {
        t0 = Clock::now();
        TimerCloseTick(model);
        tickRef.push_back(Ms(Clock::now() - t0));
    }
    double tickWait = 0;
    {
        Responsiveness watch(form.Handle());
        for (int i = 0; i < ticks; ++i) {
            t0 = Clock::now();
            TimerCloseTick(form);
            tickMs.push_back(Ms(Clock::now() - t0));
        }
        tickWait = watch.Finish();
    }
    char label[96];
    std::snprintf(label, sizeof label, "tick, nothing due (median of %d)", ticks);
    Line(label, Median(tickMs), Median(tickRef), tickWait);

    // --- save -----------------------------------------------------------------------------
    const std::wstring refPath = std::wstring(tmp) + L"kestrelon_task_list_bench_ref.ktf";
    t0 = Clock::now();
    WriteTaskFile(refPath, model.table, files, codec, form.System().Locale());
    const double saveRef = Ms(Clock::now() - t0);
    DeleteFileW(refPath.c_str());
    form.Options().SetChecked(Option::Autoload, true);
    double saveMs = 0, saveWait = 0;
    {
        Responsiveness watch(form.Handle());
        t0 = Clock::now();
        form.SaveDefaultTasks();
        saveMs = Ms(Clock::now() - t0);
        saveWait = watch.Finish();
    }
    Line("save: the default task list", saveMs, saveRef, saveWait);

    // --- idle CPU with the full list --------------------------------------------------------
    if (idleSeconds > 0) {
        form.SetTimerCloseEnabled(true);
        const double c0 = CpuMs();
        t0 = Clock::now();
        const DWORD end = GetTickCount() + idleSeconds * 1000;
        while (GetTickCount() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, end - GetTickCount(), QS_ALLINPUT);
            toolkit::DoEvents();
        }
        const double wall = Ms(Clock::now() - t0);
        std::printf("  %-44s %10.1f %% of a core (this process; over %d s)\n", "CPU, full list, nothing due",
                    100.0 * (CpuMs() - c0) / wall, idleSeconds);
        std::fflush(stdout);
    }

    // --- the last row due -------------------------------------------------------------------
    // The due row closes a program that does not run: the tick reaches it,
    // rebuilds the running-program list and hands it to the close routine.
    model.table.SetField(model.table.Count(), fCloseTime, L"2000/01/01 00:00:00");
    model.table.SetField(model.table.Count(), fProgram, L"kestrelon-bench-none.exe");
    model.table.SetField(model.table.Count(), fType, L"Close - Normal");
    model.table.SetField(model.table.Count(), fAfter, L"");
    t0 = Clock::now();
    TimerCloseTick(model);
    const double dueRef = Ms(Clock::now() - t0);
    const int last = form.Tasks().Count();
    form.Tasks().SetField(last, fProgram, L"kestrelon-bench-none.exe");
    form.Tasks().SetField(last, fType, L"Close - Normal");
    form.Tasks().SetField(last, fAfter, L"");
    form.Tasks().SetField(last, fCloseTime, L"2000/01/01 00:00:00");
    double dueMs = 0, dueWait = 0;
    {
        Responsiveness watch(form.Handle());
        t0 = Clock::now();
        TimerCloseTick(form);
        dueMs = Ms(Clock::now() - t0);
        dueWait = watch.Finish();
    }
    Line("tick, last row due (scan, rebuild, close)", dueMs, dueRef, dueWait);
    PrintResources("at the end:");

    form.SetTimerCloseEnabled(false);
    form.Tasks().Clear();
    DeleteFileW(path.c_str());
    return 0;
}
