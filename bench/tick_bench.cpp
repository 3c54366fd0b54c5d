// What one scheduler tick costs over a long list in which nothing is due yet
// (the worst case: every row is parsed, compared and yielded after).
#include <benchmark/benchmark.h>

#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/Scheduler.h"

using namespace kestrelon;

namespace {

class BenchSystem : public ISystem {
public:
    LocaleFormat loc = LocaleFormat::EnglishUS();
    DateTime Now() override { return {2026, 12, 8, 10, 30, 0}; }
    const LocaleFormat& Locale() override { return loc; }
    bool EnableShutdownPrivilege() override { return true; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
};

class NoMarks : public IFinalMarks {
public:
    bool Checked(FinalMark) const override { return false; }
    void SetChecked(FinalMark, bool) override {}
};

class BenchHost : public ITickHost {
public:
    MemoryTaskTable table;
    NoMarks marks;
    BenchSystem sys;
    ITaskTable& Tasks() override { return table; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys; }
    void DoEvents() override {}
    void WriteMailbox(const std::wstring&) override {}
    Firing CloseProgram(const std::wstring&, std::int16_t) override { return {}; }
    Firing RunProgram(const std::wstring&, std::int16_t) override { return {}; }
    void MonitorOff() override {}
    void SaveBeforeForcedLogoff() override {}
    void QuitNow() override {}
    void SetTimerCloseEnabled(bool) override {}
};

void BM_TickNothingDue(benchmark::State& state, bool generalForm) {
    BenchHost host;
    const int rows = static_cast<int>(state.range(0));
    for (int i = 0; i < rows; ++i)
        host.table.Add({L"notepad.exe", L"C:\\Windows\\notepad.exe", L"1234",
                        generalForm ? L"12/9/2026 10:30:00 AM" : L"2026/12/09 10:30:00", L"Every Day",
                        L"Close - Normal", L""});
    for (auto _ : state) TimerCloseTick(host);
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(BM_TickNothingDue, ymd_text, false)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TickNothingDue, general_text, true)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
