// Folders the Win32 tests work in: the test program's own (the helper
// programs are built beside it) and the system's temporary folder.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// Starts a helper program without a window. The caller ends it.
inline PROCESS_INFORMATION StartHidden(const std::wstring& path, std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        pi = {};
    return pi;
}

// Runs a helper program without a window to its end; its exit code, or 999
// when it could not be started and 998 when it did not end in time.
inline DWORD RunToEnd(const std::wstring& path, const std::wstring& arguments, DWORD timeoutMs = 60000) {
    PROCESS_INFORMATION pi = StartHidden(path, L"\"" + path + L"\" " + arguments);
    if (!pi.hProcess) return 999;
    DWORD code = 998;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

// The names of the ordinary files in a folder.
inline std::vector<std::wstring> FilesIn(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

// Ends the helpers a test started and frees their handles.
template <typename Processes>
void EndAll(Processes& processes) {
    for (auto& p : processes) {
        if (!p.hProcess) continue;
        TerminateProcess(p.hProcess, 1);
        WaitForSingleObject(p.hProcess, 5000);
        CloseHandle(p.hProcess);
        CloseHandle(p.hThread);
    }
    processes.clear();
}

// The helpers write one line to their --out file once they run: waits up to
// ten seconds until `count` lines are there.
inline bool WaitForLines(const std::wstring& file, size_t count) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream in{std::filesystem::path(file)};
        size_t lines = 0;
        for (std::string line; std::getline(in, line);) ++lines;
        if (lines >= count) return true;
        Sleep(50);
    }
    return false;
}

// An environment variable of this process; empty when it is not set.
inline std::wstring Env(const wchar_t* name) {
    wchar_t buf[32768];
    DWORD n = GetEnvironmentVariableW(name, buf, 32768);
    return n && n < 32768 ? std::wstring(buf, n) : std::wstring();
}

// A whole file written as it is, without the program's own store.
inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out{std::filesystem::path(path), std::ios::binary | std::ios::trunc};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A whole file as it is on the disk, or "<none>" when it cannot be read.
inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in{std::filesystem::path(path), std::ios::binary};
    if (!in) return "<none>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kestrelon::testing
