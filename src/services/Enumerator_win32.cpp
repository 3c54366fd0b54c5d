// Enumerator's window lookups and process names, over user32 and the
// Toolhelp process list.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <iterator>

#include "services/Enumerator.h"
#include "toolkit/Handles.h"

namespace kestrelon {

namespace {

using Long = Enumerator::Long;

// Window handles keep their meaning in 32 bits; widening sign-extends, as
// the system does when it hands a 32-bit handle to a 64-bit program.
HWND ToWindow(Long h) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(h)); }
Long ToLong(HWND h) { return static_cast<Long>(reinterpret_cast<std::intptr_t>(h)); }

constexpr int kClassNameRoom = 500;

}  // namespace

// ---- window lookups ---------------------------------------------------------------

Long Enumerator::WindProcess(Long hWnd) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(ToWindow(hWnd), &pid);
    return static_cast<Long>(pid);
}

Long Enumerator::WindThread(Long hWnd) const {
    return static_cast<Long>(GetWindowThreadProcessId(ToWindow(hWnd), nullptr));
}

Long Enumerator::ParentWind(Long hWnd) const { return ToLong(GetParent(ToWindow(hWnd))); }

Long Enumerator::Progenitor(Long hWnd) const {
    Long top = 0;
    // A chain of parents and owners ends; the bound only guards against a
    // window being re-parented into a loop while it is climbed.
    for (int steps = 0; hWnd != 0 && steps < 4096; ++steps) {
        top = hWnd;
        hWnd = ParentWind(hWnd);
    }
    return top;
}

std::wstring Enumerator::ClassName(Long hWnd) const {
    std::wstring buffer(kClassNameRoom, L' ');
    const int n = GetClassNameW(ToWindow(hWnd), buffer.data(), kClassNameRoom);
    if (n <= 0) return L"";
    buffer.resize(static_cast<size_t>(n));
    return FixApi(buffer);
}

Long Enumerator::GetWindTextLength(Long hWnd) const {
    return static_cast<Long>(GetWindowTextLengthW(ToWindow(hWnd)));
}

std::wstring Enumerator::GetWindText(Long hWnd) const {
    const Long n = GetWindTextLength(hWnd);
    if (n <= 0) return L"";
    std::wstring buffer(static_cast<size_t>(n) + 1, L' ');
    const int got = GetWindowTextW(ToWindow(hWnd), buffer.data(), n + 1);
    buffer.resize(static_cast<size_t>(got > 0 ? got : 0));
    return FixApi(buffer);
}

// ---- processes --------------------------------------------------------------------

std::wstring Enumerator::ProcessName(Long ProcessID) const {
    // Id 0 is the system's idle pseudo-process, no program: a window that
    // does not exist reports it as its owner.
    if (ProcessID == 0) return L"";
    toolkit::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return L"";
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (static_cast<Long>(entry.th32ProcessID) == ProcessID)
            return FixApi(std::wstring(entry.szExeFile, std::size(entry.szExeFile)));
    }
    return L"";
}

}  // namespace kestrelon
