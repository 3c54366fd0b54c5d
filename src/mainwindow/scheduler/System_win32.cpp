#include "mainwindow/scheduler/System_win32.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "mainwindow/scheduler/Processes_win32.h"
#include "toolkit/Handles.h"

namespace kestrelon {

namespace {

std::wstring LocaleText(const wchar_t* locale, LCTYPE type, const std::wstring& fallback) {
    wchar_t buf[128] = {};
    int n = GetLocaleInfoEx(locale, type, buf, 128);
    return n > 1 ? std::wstring(buf, static_cast<size_t>(n - 1)) : fallback;
}

// Calendars whose years are the Gregorian ones counted from another start.
// Other calendars (Hijri, Hebrew, Persian, the Japanese eras) have months
// and days of their own; dates are then written on the Gregorian calendar.
std::optional<int> YearOffsetOf(CALID calendar) {
    switch (calendar) {
        case CAL_GREGORIAN:
        case CAL_GREGORIAN_US:
        case CAL_GREGORIAN_ME_FRENCH:
        case CAL_GREGORIAN_ARABIC:
        case CAL_GREGORIAN_XLIT_ENGLISH:
        case CAL_GREGORIAN_XLIT_FRENCH: return 0;
        case CAL_TAIWAN: return -1911;
        case CAL_KOREA: return 2333;
        case CAL_THAI: return 543;
        default: return std::nullopt;
    }
}

// The calendar's two-digit-year window as the system sets it.
int TwoDigitYearMax(const wchar_t* locale, CALID calendar, int fallback) {
    DWORD value = 0;
    if (GetCalendarInfoEx(locale, calendar, nullptr, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, nullptr, 0, &value) &&
        value >= 99 && value <= 99999)
        return static_cast<int>(value);
    return fallback;
}

using UniqueKernelHandle = toolkit::UniqueKernelHandle;

}  // namespace

LocaleFormat ReadLocaleFormat(const wchar_t* locale) {
    LocaleFormat def;
    LocaleFormat f;
    f.dateSep = LocaleText(locale, LOCALE_SDATE, def.dateSep);
    f.timeSep = LocaleText(locale, LOCALE_STIME, def.timeSep);
    f.shortDate = LocaleText(locale, LOCALE_SSHORTDATE, def.shortDate);
    f.longTime = LocaleText(locale, LOCALE_STIMEFORMAT, def.longTime);
    // An empty AM/PM designator is a valid setting (24-hour locales).
    wchar_t buf[32] = {};
    f.am = GetLocaleInfoEx(locale, LOCALE_S1159, buf, 32) > 0 ? buf : def.am;
    buf[0] = 0;
    f.pm = GetLocaleInfoEx(locale, LOCALE_S2359, buf, 32) > 0 ? buf : def.pm;

    DWORD calendar = CAL_GREGORIAN;
    if (!GetLocaleInfoEx(locale, LOCALE_ICALENDARTYPE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&calendar),
                         sizeof calendar / sizeof(wchar_t)))
        calendar = CAL_GREGORIAN;
    std::optional<int> offset = YearOffsetOf(calendar);
    if (!offset) {
        offset = 0;
        calendar = CAL_GREGORIAN;
    }
    f.yearOffset = *offset;
    f.twoDigitYearMax = TwoDigitYearMax(locale, calendar, def.twoDigitYearMax + *offset);
    return f;
}

LocaleFormat ReadUserLocaleFormat() { return ReadLocaleFormat(LOCALE_NAME_USER_DEFAULT); }

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

EndResult Win32System::EndProcessOf(std::uint32_t pid, const std::wstring& exeName) {
    return win32::EndProcessOf(pid, exeName);
}
std::vector<ProcessEntry> Win32System::ProcessSnapshot() { return win32::ProcessSnapshot(); }
bool Win32System::StartProcess(const std::wstring& application, const std::wstring& commandLine) {
    if (win32::StartProcess(application, commandLine)) return true;
    lastStartError_ = GetLastError();
    return false;
}
std::wstring Win32System::StartFailureReason() {
    if (lastStartError_ == 0) return {};
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, lastStartError_, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring reason = n && text ? std::wstring(text, n) : std::wstring();
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.pop_back();
    if (reason.empty()) reason = L"error " + std::to_wstring(lastStartError_);
    return reason;
}
ProcessEntry Win32System::CurrentProcess() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path, n < MAX_PATH ? n : 0);
    return ProcessEntry{GetCurrentProcessId(), exe.substr(exe.rfind(L'\\') + 1)};
}
bool Win32System::FileExists(const std::wstring& path) { return win32::FileExists(path); }
bool Win32System::IsProgramFile(const std::wstring& path) { return win32::IsProgramFile(path); }
bool Win32System::GetCursorPos(int& x, int& y) { return win32::GetCursorPos(x, y); }
bool Win32System::GetLastInputTick(std::uint32_t& tick) { return win32::GetLastInputTick(tick); }
std::uint32_t Win32System::GetTickCount() { return win32::GetTickCount(); }

}  // namespace kestrelon
