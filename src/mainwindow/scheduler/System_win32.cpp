#include "mainwindow/scheduler/System_win32.h"

#include <windows.h>

#include <memory>

#include "mainwindow/scheduler/Processes_win32.h"
#include "toolkit/Handles.h"

namespace kestrelon {

namespace {

std::wstring LocaleText(LCTYPE type, const std::wstring& fallback) {
    wchar_t buf[128] = {};
    int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf, 128);
    return n > 1 ? std::wstring(buf, static_cast<size_t>(n - 1)) : fallback;
}

using UniqueKernelHandle = toolkit::UniqueKernelHandle;

}  // namespace

LocaleFormat ReadUserLocaleFormat() {
    LocaleFormat def;
    LocaleFormat f;
    f.dateSep = LocaleText(LOCALE_SDATE, def.dateSep);
    f.timeSep = LocaleText(LOCALE_STIME, def.timeSep);
    f.shortDate = LocaleText(LOCALE_SSHORTDATE, def.shortDate);
    f.longTime = LocaleText(LOCALE_STIMEFORMAT, def.longTime);
    // An empty AM/PM designator is a valid setting (24-hour locales).
    wchar_t buf[32] = {};
    f.am = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_S1159, buf, 32) > 0 ? buf : def.am;
    buf[0] = 0;
    f.pm = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_S2359, buf, 32) > 0 ? buf : def.pm;
    return f;
}

Win32System::Win32System() : locale_(ReadUserLocaleFormat()) {}

void Win32System::RefreshLocale() { locale_ = ReadUserLocaleFormat(); }

DateTime Win32System::Now() {
    // The tick asks for the time before every row: the local date is worked
    // out once a second, from the same reading of the clock.
    FILETIME utc;
    GetSystemTimeAsFileTime(&utc);
    const unsigned long long second =
        ((static_cast<unsigned long long>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime) / 10000000ull;
    if (second == nowSecond_) return now_;
    SYSTEMTIME st{}, local{};
    if (!FileTimeToSystemTime(&utc, &st) || !SystemTimeToTzSpecificLocalTime(nullptr, &st, &local)) {
        GetLocalTime(&local);
        return DateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    }
    nowSecond_ = second;
    now_ = DateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    return now_;
}

bool Win32System::EnableShutdownPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
    UniqueKernelHandle token(raw);
    TOKEN_PRIVILEGES tp{};
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &tp.Privileges[0].Luid)) return false;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!AdjustTokenPrivileges(raw, FALSE, &tp, 0, nullptr, nullptr)) return false;
    return GetLastError() == ERROR_SUCCESS;
}

void Win32System::SetSystemPowerState(bool suspend, bool force) {
    ::SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE);
}

void Win32System::ExitWindowsEx(unsigned flags, unsigned reason) { ::ExitWindowsEx(flags, reason); }

bool Win32System::TerminateProcessById(std::uint32_t pid) { return win32::TerminateProcessById(pid); }
std::optional<std::wstring> Win32System::ProcessExeName(std::uint32_t pid) { return win32::ProcessExeName(pid); }
std::vector<ProcessEntry> Win32System::ProcessSnapshot() { return win32::ProcessSnapshot(); }
bool Win32System::StartProcess(const std::wstring& application, const std::wstring& commandLine) {
    return win32::StartProcess(application, commandLine);
}
bool Win32System::FileExists(const std::wstring& path) { return win32::FileExists(path); }
bool Win32System::GetCursorPos(int& x, int& y) { return win32::GetCursorPos(x, y); }
bool Win32System::GetLastInputTick(std::uint32_t& tick) { return win32::GetLastInputTick(tick); }
std::uint32_t Win32System::GetTickCount() { return win32::GetTickCount(); }

}  // namespace kestrelon
