#include "mainwindow/scheduler/Processes_win32.h"

#include <windows.h>
#include <tlhelp32.h>

#include <memory>

#include "services/GetFile.h"
#include "toolkit/Handles.h"

namespace kestrelon::win32 {

namespace {

using Handle = toolkit::UniqueKernelHandle;

// All process rights in the form older systems accept.
constexpr DWORD kAllProcessAccess = 0x1F0FFF;

}  // namespace

bool TerminateProcessById(std::uint32_t pid) {
    if (pid == 0) return false;
    Handle process(OpenProcess(kAllProcessAccess, FALSE, pid));
    if (!process) return false;
    ::TerminateProcess(process.get(), 0);
    return true;
}

namespace {

// The file name of the executable of an open process.
std::optional<std::wstring> ExeNameOf(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size)) return std::nullopt;
    path.resize(size);
    return GetFileName(path);
}

}  // namespace

EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) {
    // Never this program itself, whatever the name says.
    if (pid == 0 || pid == GetCurrentProcessId()) return EndResult::NotOpened;
    // The name is checked and the process ended through one handle: the id
    // cannot pass to another process in between.
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
    if (!process) return EndResult::NotOpened;
    const auto exe = ExeNameOf(process.get());
    if (!exe || CompareStringOrdinal(exe->c_str(), -1, exeName.c_str(), -1, TRUE) != CSTR_EQUAL)
        return EndResult::OtherProgram;
    return ::TerminateProcess(process.get(), 0) ? EndResult::Ended : EndResult::NotOpened;
}

std::optional<std::wstring> ProcessExeName(std::uint32_t pid) {
    if (pid == 0) return std::nullopt;
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return std::nullopt;
    return ExeNameOf(process.get());
}

std::vector<ProcessEntry> ProcessSnapshot() {
    std::vector<ProcessEntry> out;
    Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap || snap.get() == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(snap.get(), &entry); ok; ok = Process32NextW(snap.get(), &entry)) {
        entry.szExeFile[MAX_PATH - 1] = 0;
        out.push_back({entry.th32ProcessID, entry.szExeFile});
    }
    return out;
}

bool StartProcess(const std::wstring& application, const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;  // CreateProcessW may write into it
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool FileExists(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsProgramFile(const std::wstring& path) {
    DWORD kind = 0;
    return FileExists(path) && GetBinaryTypeW(path.c_str(), &kind);
}

bool GetCursorPos(int& x, int& y) {
    POINT p{};
    if (!::GetCursorPos(&p)) return false;
    x = p.x;
    y = p.y;
    return true;
}

bool GetLastInputTick(std::uint32_t& tick) {
    LASTINPUTINFO info{};
    info.cbSize = sizeof(info);
    if (!GetLastInputInfo(&info)) return false;
    tick = info.dwTime;
    return true;
}

std::uint32_t GetTickCount() { return ::GetTickCount(); }

}  // namespace kestrelon::win32
