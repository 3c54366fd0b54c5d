// Enumerator's snapshot of all windows, processes and threads, and the
// copy-out members that hand it to a caller.
#include "services/EnumeratorSnapshot_win32.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <new>

#include "services/EnumeratorHandles_win32.h"
#include "toolkit/App.h"
#include "toolkit/Handles.h"

namespace kestrelon {

using namespace enumerator;

// ---- the busy cursor ---------------------------------------------------------------------

Hourglass::Hourglass() { toolkit::SetScreenMousePointer(LoadCursorW(nullptr, IDC_WAIT)); }

Hourglass::~Hourglass() { toolkit::SetScreenMousePointer(nullptr); }

// ---- the window list -----------------------------------------------------------------------

BOOL CALLBACK EnumWindowsProc(HWND hWnd, LPARAM lParam) {
    auto* list = reinterpret_cast<std::vector<Long>*>(lParam);
    try {
        list->push_back(ToLong(hWnd));
    } catch (const std::bad_alloc&) {
        return FALSE;  // nothing may be thrown through user32: end the walk
    }
    return TRUE;
}

void GetAllWindows(std::vector<Long>& Winds) {
    Winds.assign(1, 0);
    std::vector<Long> descendants(1, 0);
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&Winds));
    const size_t topLevel = Winds.size() - 1;
    for (size_t i = 1; i <= topLevel; ++i)
        EnumChildWindows(ToWindow(Winds[i]), EnumWindowsProc, reinterpret_cast<LPARAM>(&descendants));
    Winds.insert(Winds.end(), descendants.begin() + 1, descendants.end());
    const Long desktop = ToLong(GetDesktopWindow());
    if (std::find(Winds.begin() + 1, Winds.end(), desktop) == Winds.end()) Winds.push_back(desktop);
}

// ---- the snapshot ------------------------------------------------------------------------------

void Enumerator::EnumAll() {
    Hourglass busy;
    DestroyEnums();

    WindList.assign(1, 0);
    GetAllWindows(WindList);

    ProcList.assign(1, 0);
    if (auto processes = Snapshot(TH32CS_SNAPPROCESS)) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(processes.get(), &entry); more;
             more = Process32NextW(processes.get(), &entry))
            ProcList.push_back(static_cast<Long>(entry.th32ProcessID));
    }

    ThreadList.assign(1, ThreadEntry{});
    if (auto threads = Snapshot(TH32CS_SNAPTHREAD)) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Thread32First(threads.get(), &entry); more; more = Thread32Next(threads.get(), &entry))
            ThreadList.push_back({static_cast<Long>(entry.th32ThreadID), static_cast<Long>(entry.th32OwnerProcessID)});
    }

    Ready = true;
}

void Enumerator::EnsureSnapshot() {
    if (!EnumsReady() || NewEnum() == 1) EnumAll();
}

void Enumerator::ReturnProcessEnum(std::vector<Long>& Process) {
    EnsureSnapshot();
    Process = ProcList;
}

void Enumerator::ReturnThreadEnum(std::vector<Long>& Threads) {
    EnsureSnapshot();
    Threads.resize(ThreadList.size());
    std::transform(ThreadList.begin(), ThreadList.end(), Threads.begin(),
                   [](const ThreadEntry& t) { return t.ThreadID; });
}

void Enumerator::ReturnWindEnum(std::vector<Long>& Winds) {
    EnsureSnapshot();
    Winds = WindList;
}

}  // namespace kestrelon
