#include "mainwindow/AppPaths_win32.h"

#include <windows.h>

#include "mainwindow/Settings.h"

namespace kestrelon {

std::wstring ExePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
}

std::wstring ProgramFolder() { return SplitExePath(ExePath()).folder; }

std::wstring ExeBaseName() { return SplitExePath(ExePath()).baseName; }

std::wstring AppDataFolder() {
    DWORD n = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(L"APPDATA", value.data(), n);
    value.resize(n);
    return value;
}

}  // namespace kestrelon
