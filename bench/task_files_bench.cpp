// Saving and loading a full task list (32,767 rows, the most the list holds):
// in memory, and through real files under /tmp. Half the rows are countdown
// rows, so loading also re-arms their Close Time.
#include <benchmark/benchmark.h>

#include <string>

#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"

using namespace kestrelon;

namespace {

const DateTime kNow{2026, 12, 8, 15, 0, 0};
const LocaleFormat kUS = LocaleFormat::EnglishUS();

MemoryTaskTable FullList() {
    MemoryTaskTable t;
    for (int i = 0; i < kMaxRows; ++i) {
        const std::wstring n = std::to_wstring(i);
        t.Add({L"program" + n + L".exe", L"C:\\Program Files\\Vendor " + n + L"\\program" + n + L".exe -flag \"x,y\"",
               L"00000", L"2026/12/08 09:10:00", L"Every Day",
               i % 2 ? L"Close - After 00-00-10-00" : L"Run - Normal", i % 3 ? L"" : L"Shutdown PC - Q"});
    }
    return t;
}

void BM_SaveInMemory(benchmark::State& state) {
    const MemoryTaskTable table = FullList();
    MemoryFileStore files;
    Cp1252Codec codec;
    for (auto _ : state) benchmark::DoNotOptimize(WriteTaskFile(L"t.ktf", table, files, codec, kUS));
    state.counters["bytes"] = static_cast<double>(files.files[L"t.ktf"].size());
    state.counters["rows/s"] = benchmark::Counter(kMaxRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SaveInMemory)->Unit(benchmark::kMillisecond);

void BM_LoadInMemory(benchmark::State& state) {
    MemoryFileStore files;
    Cp1252Codec codec;
    WriteTaskFile(L"t.ktf", FullList(), files, codec, kUS);
    for (auto _ : state) {
        MemoryTaskTable table;
        auto r = ReadTaskFile(L"t.ktf", table, 0, files, codec, kNow, kUS);
        benchmark::DoNotOptimize(r);
        if (r.added != kMaxRows) state.SkipWithError("not every row was loaded");
    }
    state.counters["rows/s"] = benchmark::Counter(kMaxRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LoadInMemory)->Unit(benchmark::kMillisecond);

const std::wstring kDiskPath = L"/tmp/kestrelon_task_files_bench.ktf";

void BM_SaveToDisk(benchmark::State& state) {
    const MemoryTaskTable table = FullList();
    StdFileStore files;
    Cp1252Codec codec;
    for (auto _ : state)
        if (!WriteTaskFile(kDiskPath, table, files, codec, kUS).ok) state.SkipWithError("write failed");
    state.counters["rows/s"] = benchmark::Counter(kMaxRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SaveToDisk)->Unit(benchmark::kMillisecond);

void BM_LoadFromDisk(benchmark::State& state) {
    StdFileStore files;
    Cp1252Codec codec;
    WriteTaskFile(kDiskPath, FullList(), files, codec, kUS);
    for (auto _ : state) {
        MemoryTaskTable table;
        auto r = ReadTaskFile(kDiskPath, table, 0, files, codec, kNow, kUS);
        if (r.added != kMaxRows) state.SkipWithError("not every row was loaded");
    }
    files.Remove(kDiskPath);
    state.counters["rows/s"] = benchmark::Counter(kMaxRows, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LoadFromDisk)->Unit(benchmark::kMillisecond);

}  // namespace
