// wine-launch.exe: starts one Windows program with APPDATA taken from KESTRELON_APPDATA.
//
// Wine sets APPDATA itself (from the prefix's user profile) when a process is started from
// the Unix side, so an APPDATA variable exported by a shell script never reaches the program.
// Inside Wine, though, a child process inherits its parent's environment block as it is.
// scripts/wine-emulator.sh therefore runs
//     wine64 wine-launch.exe <program> <arguments...>
// with KESTRELON_APPDATA=Z:\... in the environment; this launcher copies it into APPDATA,
// starts the rest of its own command line unchanged, waits, and returns the program's exit code.
#include <windows.h>

#include <cwchar>

namespace {

// The part of a command line after the first (program) token, using the rules of
// CommandLineToArgvW for the program name: quoted up to the next quote, otherwise up to blank.
const wchar_t* afterProgramName(const wchar_t* p)
{
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

void complain(const wchar_t* what)
{
    std::fwprintf(stderr, L"wine-launch: %ls failed (error %lu)\n", what, GetLastError());
}

} // namespace

int wmain()
{
    wchar_t appdata[32768];
    DWORD n = GetEnvironmentVariableW(L"KESTRELON_APPDATA", appdata, 32768);
    if (n > 0 && n < 32768) {
        SetEnvironmentVariableW(L"APPDATA", appdata);
        SetEnvironmentVariableW(L"KESTRELON_APPDATA", nullptr);
    }

    const wchar_t* rest = afterProgramName(GetCommandLineW());
    if (!*rest) {
        std::fwprintf(stderr, L"usage: wine-launch.exe program [arguments...]\n");
        return 2;
    }
    // CreateProcessW may write into the command line buffer.
    size_t len = std::wcslen(rest);
    wchar_t* cmd = new wchar_t[len + 1];
    std::wmemcpy(cmd, rest, len + 1);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessW(nullptr, cmd, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    delete[] cmd;
    if (!ok) {
        complain(L"CreateProcess");
        return 126;
    }
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    if (!GetExitCodeProcess(pi.hProcess, &code)) complain(L"GetExitCodeProcess");
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
