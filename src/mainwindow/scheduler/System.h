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

// How an attempt to end a process went.
enum class EndResult {
    NotOpened,     // no such process (id 0, ended), or access refused
    OtherProgram,  // the id belongs to a process of another executable
    Ended,         // it was that program, and it was ended
};

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

    // Processes. EndProcessOf opens the process once, with the rights to
    // query it and to end it, reads the file name of its executable through
    // that handle and ends it (exit code 0) only when that name equals
    // `exeName`, ignoring case; an id that another program has been given
    // since it was listed is left alone.
    virtual EndResult EndProcessOf(std::uint32_t /*pid*/, const std::wstring& /*exeName*/) {
        return EndResult::NotOpened;
    }
    virtual std::vector<ProcessEntry> ProcessSnapshot() { return {}; }
    // Starts a new process with a normal, activated window. `application`
    // may be empty, in which case the system finds the program in the
    // command line (and on the search path).
    virtual bool StartProcess(const std::wstring& /*application*/, const std::wstring& /*commandLine*/) {
        return false;
    }
    // Why the last StartProcess failed, in the system's words; empty when
    // the system gives no reason.
    virtual std::wstring StartFailureReason() { return {}; }
    // This program's own process: its id (0 when unknown) and its
    // executable's file name. The task routines never end it.
    virtual ProcessEntry CurrentProcess() { return {}; }
    virtual bool FileExists(const std::wstring&) { return false; }
    // The file is a program the system can start (an executable image),
    // whatever its name ends with.
    virtual bool IsProgramFile(const std::wstring&) { return false; }

    // User input, for the idle watcher.
    virtual bool GetCursorPos(int& /*x*/, int& /*y*/) { return false; }
    // Tick count of the user's last keyboard or mouse input.
    virtual bool GetLastInputTick(std::uint32_t&) { return false; }
    virtual std::uint32_t GetTickCount() { return 0; }
};

}  // namespace kestrelon
