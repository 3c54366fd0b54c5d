// Processes, command lines and user input, for real.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/scheduler/System.h"

namespace kestrelon::win32 {

// Opens the process with all rights, terminates it with exit code 0 and
// closes the handle. False when the process cannot be opened.
bool TerminateProcessById(std::uint32_t pid);
// Opens the process once with the rights to query and to terminate it,
// reads its executable's file name through that handle and terminates it
// with exit code 0 only when that name equals `exeName` (ignoring case).
EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName);
// The file name of the process's executable, from its full image path.
std::optional<std::wstring> ProcessExeName(std::uint32_t pid);
// All processes with their executable names (Toolhelp snapshot).
std::vector<ProcessEntry> ProcessSnapshot();
// Starts a process with a normal, activated window; the process is not
// waited for and its handles are closed at once.
bool StartProcess(const std::wstring& application, const std::wstring& commandLine);
// An ordinary file (not a folder) exists at `path`.
bool FileExists(const std::wstring& path);
// `path` names an executable image the system can start.
bool IsProgramFile(const std::wstring& path);

bool GetCursorPos(int& x, int& y);
bool GetLastInputTick(std::uint32_t& tick);
std::uint32_t GetTickCount();

}  // namespace kestrelon::win32
