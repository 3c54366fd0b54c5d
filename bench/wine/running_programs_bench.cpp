// What a rebuild of the running-program list costs with 5 and with 50 extra
// processes of one program, next to the floor (one bare process enumeration
// plus one open per listed process, no lists filled) measured in the same
// run, and the old way of probing every id from 12 to 1,048,572 (once).
// "scan only" is the floor plus the path query of each process (the
// module-list read that dominates a rebuild under Wine).
//
//   running_programs_bench.exe [--helper PATH] [--rounds N]
//
// PATH defaults to khelper.exe beside this program. Runs under Wine through
// scripts/bench-wine.sh.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "mainwindow/scheduler/ProcessProbe_win32.h"
#include "mainwindow/scheduler/RunningPrograms.h"
#include "toolkit/App.h"

using namespace kestrelon;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Lets pending messages run, as the program's yield does.
void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The editor's side with a real icon list, the editor's icon cache and its
// pictures taken in one go, so the figure includes the pictures (icons are
// extracted only for programs not seen before).
class IconListView : public IRunningProgramsView {
public:
    void BeginRebuild() override {
        staged_ = toolkit::ImageList{};
        staged_.Create(32, 32);
        pictures_.Clear();
        begun_ = Clock::now();
        listing_ = {};
    }
    void AddProgramIcon(const std::wstring& dosPath) override {
        if (listing_ == Clock::time_point{}) listing_ = Clock::now();
        pictures_.Take(icons_, dosPath, LoadIconW(nullptr, IDI_APPLICATION));
    }
    void EndRebuild(const RunningProgramList& list, std::optional<std::size_t>) override {
        const auto ending = Clock::now();
        pictures_.AppendTo(staged_);
        std::swap(shown_, staged_);
        staged_ = toolkit::ImageList{};
        icons_.DropUnused();
        rows = list.rows.size();
        if (listing_ == Clock::time_point{}) listing_ = ending;
        scanMs.push_back(Ms(listing_ - begun_));
        listMs.push_back(Ms(ending - listing_));
        endMs.push_back(Ms(Clock::now() - ending));
    }
    std::wstring ProgramLabel() override { return L"explorer.exe"; }
    size_t rows = 0;
    // Each rebuild's parts: the scan with its yields, the listing of the
    // rows, and the end (the pictures into the new list).
    std::vector<double> scanMs, listMs, endMs;
    void ClearParts() { scanMs.clear(), listMs.clear(), endMs.clear(); }

private:
    Clock::time_point begun_, listing_;
    toolkit::ImageList staged_, shown_;
    win32::ProgramIconCache icons_;
    win32::ProgramIconBatch pictures_;
};

// The floor: the process list and one open per listed process.
size_t Floor() {
    std::vector<DWORD> ids(1024);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return 0;
    size_t opened = 0;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (h) {
            ++opened;
            CloseHandle(h);
        }
    }
    return opened;
}

// The scan alone: the process list, and open plus path query per process.
size_t Scan(win32::ProcessProbe& probe) {
    size_t opened = 0;
    if (auto ids = probe.ProcessIds())
        for (std::uint32_t id : *ids) opened += probe.Probe(id).opened;
    return opened;
}

// The old scan: every id from 12 to 1,048,572 in steps of 4, with a yield after each.
size_t OldProbe() {
    size_t opened = 0;
    for (DWORD id = 12; id <= 0xFFFFF; id += 4) {
        HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        if (h) {
            ++opened;
            CloseHandle(h);
        }
        DoEvents();
    }
    return opened;
}

struct Helpers {
    std::vector<PROCESS_INFORMATION> running;
    ~Helpers() { Stop(); }
    bool Start(const std::wstring& exe, int n) {
        for (int i = 0; i < n; ++i) {
            std::wstring cmd = L"\"" + exe + L"\" --seconds 600";
            // Detached: Wine would otherwise give every console helper a console host process.
            STARTUPINFOW si{};
            si.cb = sizeof(si);
            PROCESS_INFORMATION pi{};
            if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                                &si, &pi))
                return false;
            running.push_back(pi);
        }
        Sleep(500);  // let them finish loading, so their modules can be listed
        return true;
    }
    void Stop() {
        for (auto& p : running) {
            TerminateProcess(p.hProcess, 0);
            WaitForSingleObject(p.hProcess, 5000);
            CloseHandle(p.hProcess);
            CloseHandle(p.hThread);
        }
        running.clear();
    }
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
std::pair<double, double> MedianAndMin(int rounds, F&& f) {
    std::vector<double> t;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        f();
        t.push_back(Ms(Clock::now() - start));
    }
    std::sort(t.begin(), t.end());
    return {t[t.size() / 2], t.front()};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring helper = self;
    helper = helper.substr(0, helper.rfind(L'\\') + 1) + L"khelper.exe";
    int rounds = 15;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"--helper") == 0) helper = argv[++i];
        else if (std::wcscmp(argv[i], L"--rounds") == 0) rounds = std::max(1, _wtoi(argv[++i]));
    }
    if (GetFileAttributesW(helper.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fwprintf(stderr, L"helper program not found: %ls\n", helper.c_str());
        return 2;
    }
    InitCommonControls();

    win32::ProcessProbe probe;
    // The program's own yield: it lets messages run at most every few milliseconds.
    RunningPrograms list(probe, [] { toolkit::DoEventsSometimes(); });
    IconListView view;

    std::printf("running-program list under Wine, median (min) of %d rounds\n", rounds);
    std::printf("%-9s %9s %6s %20s %20s %20s\n", "helpers", "processes", "rows", "rebuild ms", "floor ms",
                "scan only ms");
    for (int n : {5, 50}) {
        Helpers helpers;
        if (!helpers.Start(helper, n)) {
            std::fprintf(stderr, "cannot start the helper program\n");
            return 2;
        }
        list.ListRunningPrograms(view);  // warm-up
        view.ClearParts();
        auto rebuild = MedianAndMin(rounds, [&] { list.ListRunningPrograms(view); });
        const double scanPart = Median(view.scanMs), listPart = Median(view.listMs), endPart = Median(view.endMs);
        size_t opened = 0;
        auto floor = MedianAndMin(rounds, [&] { opened = Floor(); });
        auto scan = MedianAndMin(rounds, [&] { opened = Scan(probe); });
        std::printf("%-9d %9zu %6zu %12.2f (%5.2f) %12.2f (%5.2f) %12.2f (%5.2f)\n", n, list.Current().List1.size(),
                    view.rows, rebuild.first, rebuild.second, floor.first, floor.second, scan.first, scan.second);
        std::printf("          the rebuild's parts, median ms: scan with its yields %.2f, rows %.2f, end with the pictures %.2f\n",
                    scanPart, listPart, endPart);
        std::fflush(stdout);
        (void)opened;
    }

    auto start = Clock::now();
    size_t found = OldProbe();
    std::printf("old probe of ids 12..1048572 step 4 (262141 opens and yields, once): %.0f ms, %zu opened\n",
                Ms(Clock::now() - start), found);
    return 0;
}
