#include "services/DllSearch_win32.h"

#include <windows.h>

namespace kestrelon {

bool LoadLibrariesFromSystem32Only() {
    // Looked up, not imported: the program must still start where it is missing.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                      : nullptr;
    if (set && set(kSearchSystem32)) return true;
    SetDllDirectoryW(L"");
    return false;
}

}  // namespace kestrelon
