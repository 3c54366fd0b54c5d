// Enumerator's process and thread members, over the Toolhelp lists and
// kernel32.
#include <windows.h>
#include <tlhelp32.h>

#include <iterator>

#include "services/Enumerator.h"
#include "services/EnumeratorHandles_win32.h"
#include "toolkit/Handles.h"

namespace kestrelon {

using namespace enumerator;

namespace {

// Every right a process object has on every system version (terminate included).
constexpr DWORD kProcessAllAccess = 0x1F0FFF;

// What the system's hung-thread test sees when user32 has no such export:
// a thread is hung when one of its windows has stopped taking messages.
BOOL CALLBACK AnyHungWindow(HWND hwnd, LPARAM found) {
    if (!IsHungAppWindow(hwnd)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

std::wstring Enumerator::ProcessName(Long ProcessID) const {
    // Id 0 is the system's idle pseudo-process, no program: a window that
    // does not exist reports it as its owner.
    if (ProcessID == 0) return L"";
    auto snapshot = Snapshot(TH32CS_SNAPPROCESS);
    if (!snapshot) return L"";
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (static_cast<Long>(entry.th32ProcessID) == ProcessID)
            return FixApi(std::wstring(entry.szExeFile, std::size(entry.szExeFile)));
    }
    return L"";
}

Long Enumerator::ThreadProcess(Long ThreadID) const {
    auto snapshot = Snapshot(TH32CS_SNAPTHREAD);
    if (!snapshot) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
        if (static_cast<Long>(entry.th32ThreadID) == ThreadID) return static_cast<Long>(entry.th32OwnerProcessID);
    }
    return 0;
}

bool Enumerator::ThreadHung(Long ThreadID) const {
    // Older systems export the test itself; newer ones (and Wine) only the
    // per-window form, which is asked for each of the thread's windows.
    using HungThreadTest = BOOL(WINAPI*)(DWORD);
    static const auto hungThread = reinterpret_cast<HungThreadTest>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "IsHungThread")));
    if (hungThread) return hungThread(static_cast<DWORD>(ThreadID)) != 0;
    bool hung = false;
    EnumThreadWindows(static_cast<DWORD>(ThreadID), AnyHungWindow, reinterpret_cast<LPARAM>(&hung));
    return hung;
}

bool Enumerator::KillProcess(Long ProcessID) const {
    toolkit::UniqueKernelHandle process(OpenProcess(kProcessAllAccess, FALSE, static_cast<DWORD>(ProcessID)));
    if (!process) return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) code = 0;
    // A running process reads "still active"; ended with that code it would
    // look alive to everyone who asks for its exit code afterwards.
    if (code == STILL_ACTIVE) code = 0;
    return TerminateProcess(process.get(), code) != 0;
}

}  // namespace kestrelon
