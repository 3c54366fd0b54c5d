// What the scheduler needs of the operating system. The program passes the
// Win32 implementation; tests pass a fake that records what was asked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DateTime.h"

namespace kestrelon {

// ExitWindowsEx flags used by the power actions.
constexpr unsigned kEwxLogoffForce = 4;  // EWX_FORCE alone: log off without asking
constexpr unsigned kEwxShutdown = 1;
constexpr unsigned kEwxReboot = 2;

// One entry of the system's process snapshot.
struct ProcessEntry {
    std::uint32_t pid = 0;
    std::wstring exeName;  // the executable's file name
};

class ISystem {
public:
    virtual ~ISystem() = default;

    // The local date and time, and the locale's date settings.
    virtual DateTime Now() = 0;
    virtual const LocaleFormat& Locale() = 0;
    // Reads the locale's date settings again (the user changed them).
    virtual void RefreshLocale() {}

    // Power requests. Results are not examined by the callers.
    virtual bool EnableShutdownPrivilege() = 0;
    virtual void SetSystemPowerState(bool suspend, bool force) = 0;
    virtual void ExitWindowsEx(unsigned flags, unsigned reason) = 0;

    // Processes. TerminateProcessById opens the process with all rights,
    // terminates it with exit code 0 and closes the handle; it returns false
    // when the process cannot be opened (id 0, gone, access refused).
    virtual bool TerminateProcessById(std::uint32_t) { return false; }
    // The executable file name of a running process; empty when unknown.
    virtual std::optional<std::wstring> ProcessExeName(std::uint32_t) { return std::nullopt; }
    virtual std::vector<ProcessEntry> ProcessSnapshot() { return {}; }
    // Starts a new process with a normal, activated window. `application`
    // may be empty, in which case the system finds the program in the
    // command line (and on the search path).
    virtual bool StartProcess(const std::wstring& /*application*/, const std::wstring& /*commandLine*/) {
        return false;
    }
    virtual bool FileExists(const std::wstring&) { return false; }

    // User input, for the idle watcher.
    virtual bool GetCursorPos(int& /*x*/, int& /*y*/) { return false; }
    // Tick count of the user's last keyboard or mouse input.
    virtual bool GetLastInputTick(std::uint32_t&) { return false; }
    virtual std::uint32_t GetTickCount() { return 0; }
};

}  // namespace kestrelon
