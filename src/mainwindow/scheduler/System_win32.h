// The scheduler's view of the operating system, for real. Tests use a fake.
#pragma once

#include "mainwindow/scheduler/System.h"

namespace kestrelon {

class Win32System : public ISystem {
public:
    Win32System();
    DateTime Now() override;
    const LocaleFormat& Locale() override { return locale_; }
    bool EnableShutdownPrivilege() override;
    void SetSystemPowerState(bool suspend, bool force) override;
    void ExitWindowsEx(unsigned flags, unsigned reason) override;

    EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) override;
    std::vector<ProcessEntry> ProcessSnapshot() override;
    bool StartProcess(const std::wstring& application, const std::wstring& commandLine) override;
    std::wstring StartFailureReason() override;
    ProcessEntry CurrentProcess() override;
    bool FileExists(const std::wstring& path) override;
    bool IsProgramFile(const std::wstring& path) override;
    bool GetCursorPos(int& x, int& y) override;
    bool GetLastInputTick(std::uint32_t& tick) override;
    std::uint32_t GetTickCount() override;

    // Reads the user's date and time settings again.
    void RefreshLocale() override;

private:
    unsigned long long nowSecond_ = 0;
    unsigned long lastStartError_ = 0;  // the system's error code of the last failed start  // the second now_ was read in
    DateTime now_;
    LocaleFormat locale_;
};

// The date and time settings of a locale (a name such as L"hu-HU") as the
// date layer wants them, and those of the user, read at start-up and again
// when the system announces a change of the regional settings.
LocaleFormat ReadLocaleFormat(const wchar_t* locale);
LocaleFormat ReadUserLocaleFormat();

}  // namespace kestrelon
