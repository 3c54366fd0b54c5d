#include "RunningPrograms.h"

#include <algorithm>
#include <cwctype>

#include "mainwindow/scheduler/Execution.h"
#include "services/GetFile.h"

namespace kestrelon {

namespace {

wchar_t Fold(wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); }

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return Fold(x) == Fold(y);
           });
}

bool LessIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return Fold(x) < Fold(y); });
}

}  // namespace

const std::wstring& UnknownProcessPath() {
    static const std::wstring text = [] {
        std::wstring s = L"<Unknown>";
        s.resize(1024, L' ');
        return s;
    }();
    return text;
}

std::wstring DevicePathToDosPath(const std::wstring& path, const DosDeviceTable& devices) {
    for (const DosDevice& d : devices) {
        // An empty device name would be a prefix of everything.
        if (d.device.empty() || d.device.size() > path.size()) continue;
        if (EqualsIgnoringCase(path.substr(0, d.device.size()), d.device))
            return d.drive + path.substr(d.device.size());
    }
    return path;
}

RunningPrograms::RunningPrograms(IProcessProbe& probe, std::function<void()> doEvents)
    : probe_(probe), doEvents_(std::move(doEvents)) {}

bool RunningPrograms::ListRunningPrograms(IRunningProgramsView& view) {
    const std::uint64_t generation = ++generation_;
    ++running_;
    struct Leave {
        int& n;
        ~Leave() { --n; }
    } leave{running_};
    // After every yield: has a newer rebuild started meanwhile? Then its lists
    // stand and this one must not touch anything any more.
    auto yieldAndCheck = [&] {
        if (doEvents_) doEvents_();
        return generation == generation_;
    };

    RunningProgramList next;
    view.BeginRebuild();
    if (!yieldAndCheck()) return false;

    // The candidates are the system's own process list, probed in
    // increasing id order.
    if (auto ids = probe_.ProcessIds()) {
        std::sort(ids->begin(), ids->end());
        ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
        for (std::uint32_t pid : *ids) {
            ProcessProbeResult found = probe_.Probe(pid);
            if (found.opened) {
                next.List1.push_back(found.path ? *found.path : UnknownProcessPath());
                next.lstID.push_back(std::to_wstring(pid));
            }
            if (!yieldAndCheck()) return false;
        }
    }

    // One row per exact file name, taken from the program's lowest id.
    const DosDeviceTable devices = probe_.DosDevices();
    for (const std::wstring& entry : next.List1) {
        std::wstring name = GetFileName(entry);
        if (std::find(next.lstName.begin(), next.lstName.end(), name) != next.lstName.end()) continue;
        next.lstName.push_back(name);
        if (next.lstName.size() > 1 && !yieldAndCheck()) return false;
        std::wstring dosPath = DevicePathToDosPath(entry, devices);
        view.AddProgramIcon(dosPath);
        next.rows.push_back({std::move(name), std::move(dosPath), static_cast<int>(next.lstName.size())});
    }
    std::stable_sort(next.rows.begin(), next.rows.end(),
                     [](const RunningProgramRow& a, const RunningProgramRow& b) {
                         return LessIgnoringCase(a.program, b.program);
                     });

    current_ = std::move(next);
    view.EndRebuild(current_, ReselectRow(current_.rows, view.ProgramLabel()));
    return true;
}

std::optional<std::size_t> ReselectRow(const std::vector<RunningProgramRow>& rows, const std::wstring& label) {
    if (label.empty()) return std::nullopt;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (EqualsIgnoringCase(rows[i].program, label)) return i;
    return std::nullopt;
}

std::optional<std::size_t> TypeAheadRow(const std::vector<RunningProgramRow>& rows, wchar_t typed) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!rows[i].program.empty() && Fold(rows[i].program[0]) == Fold(typed)) return i;
    return std::nullopt;
}

std::optional<std::wstring> LowestIdOf(const RunningProgramList& list, const std::wstring& program) {
    for (std::size_t i = 0; i < list.List1.size() && i < list.lstID.size(); ++i)
        if (GetFileName(list.List1[i]) == program) return list.lstID[i];
    return std::nullopt;
}

int CloseProgramNow(const RunningProgramList& list, const std::wstring& program, ISystem& sys, bool* namesSelf) {
    const std::uint32_t self = sys.CurrentProcess().pid;
    if (namesSelf) *namesSelf = false;
    int terminated = 0;
    for (std::size_t i = 0; i < list.List1.size() && i < list.lstID.size(); ++i) {
        if (GetFileName(list.List1[i]) != program) continue;
        auto pid = ParseProcessId(list.lstID[i]);
        if (!pid || *pid == 0) continue;
        if (*pid == self) {
            if (namesSelf) *namesSelf = true;
            continue;
        }
        // The id may have been given to another program since the rebuild.
        if (sys.EndProcessOf(*pid, program) == EndResult::Ended) ++terminated;
    }
    return terminated;
}

}  // namespace kestrelon
