// Folders the Win32 tests work in: the test program's own (the helper
// programs are built beside it) and the system's temporary folder.
#pragma once

#include <windows.h>

#include <string>

namespace kestrelon::testing {

// The test program's folder, with a trailing backslash.
inline std::wstring ExeDir() {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path = buf;
    return path.substr(0, path.rfind(L'\\') + 1);
}

// The temporary folder, with a trailing backslash.
inline std::wstring TempDir() {
    wchar_t buf[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buf);
    return buf;
}

}  // namespace kestrelon::testing
