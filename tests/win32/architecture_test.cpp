// Faults that only one of the two architectures can show. The shipped program is 32-bit: there
// the skin library's functions must be called with the convention they were built with, and the
// program must still see and end the 64-bit programs beside it (WoW64). The 64-bit build runs the
// same tests against 32-bit programs.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mainwindow/SkinLoader_win32.h"
#include "mainwindow/scheduler/ProcessProbe_win32.h"
#include "mainwindow/scheduler/Processes_win32.h"

#include "TestPaths.h"

namespace kestrelon {
namespace {

using testing::ExeDir;
using testing::TempDir;

// Calls the library's attach function `calls` times through the loader's pointer type and gives
// how far the stack pointer moved. A 32-bit stdcall function removes its own arguments; called
// through a pointer of another convention, the stack drifts by the arguments' size on every call
// (or the test crashes). 64-bit Windows has one calling convention, so there it is always 0.
__attribute__((noinline)) std::intptr_t StackDriftOverCalls(SkinLoader::AttachExFn attach, int calls) {
    std::uintptr_t before = 0, after = 0;
#if defined(__i386__)
    asm volatile("movl %%esp, %0" : "=r"(before));
#endif
    for (int i = 0; i < calls; ++i) (void)attach("library.she", "");
#if defined(__i386__)
    asm volatile("movl %%esp, %0" : "=r"(after));
#endif
    return static_cast<std::intptr_t>(after - before);
}

TEST(Architecture, SkinLibraryIsFoundByPlainNamesAndCalledWithItsOwnConvention) {
    // A 32-bit library exports decorated names (SkinH_AttachEx@8) unless it is linked to drop
    // them; the program looks the functions up by their plain names.
    HMODULE library = LoadLibraryW(SkinLoader::DefaultPath().c_str());
    ASSERT_TRUE(library) << "librarysk.dll missing beside the test program";
    auto attach = reinterpret_cast<SkinLoader::AttachExFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "SkinH_AttachEx")));
    auto detach = reinterpret_cast<SkinLoader::DetachFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "SkinH_Detach")));
    ASSERT_TRUE(attach);
    ASSERT_TRUE(detach);

    EXPECT_EQ(StackDriftOverCalls(attach, 256), 0);
    EXPECT_EQ(attach("library.she", ""), 0) << "attached";
    EXPECT_EQ(attach(nullptr, nullptr), 1) << "the arguments arrive where the library reads them";
    EXPECT_EQ(detach(), 0);
    FreeLibrary(library);
}

// The test helper as built by the other architecture's build folder (build/windows-x64 beside
// build/windows-x86), or "" when that build is not there.
std::wstring OtherArchitectureHelper() {
#if defined(_WIN64)
    const wchar_t* other = L"windows-x86";
#else
    const wchar_t* other = L"windows-x64";
#endif
    const std::filesystem::path here(ExeDir());
    const std::filesystem::path helper = here.parent_path().parent_path() / other / L"khelper.exe";
    return std::filesystem::exists(helper) ? helper.wstring() : std::wstring();
}

// A close task picked from a program of the other architecture: its executable name (which
// guards termination by id), its path for the running-program list, and its termination.
TEST(Architecture, ProgramOfTheOtherArchitectureIsNamedListedAndEnded) {
    const std::wstring helper = OtherArchitectureHelper();
    if (helper.empty()) GTEST_SKIP() << "SKIPPED: the other architecture's build folder is not there";
    const std::wstring name = L"karch" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring path = TempDir() + name;
    ASSERT_TRUE(CopyFileW(helper.c_str(), path.c_str(), FALSE));

    std::wstring cmd = L"\"" + path + L"\" --seconds 60 --exit 7";
    PROCESS_INFORMATION pi = testing::StartHidden(path, cmd);
    if (!pi.hProcess) {
        // Only where the machine's kernel refuses 32-bit code (under Wine the runner tells that
        // from the kernel's own answer, in KESTRELON_NO_32BIT_CODE) is there nothing to test; a
        // start that fails for any other reason is a fault.
        const DWORD error = GetLastError();
        DeleteFileW(path.c_str());
#if defined(_WIN64)
        const char* refused = std::getenv("KESTRELON_NO_32BIT_CODE");
        if (refused && *refused)
            GTEST_SKIP() << "SKIPPED: the 32-bit helper did not start (error " << error << "): " << refused;
#endif
        FAIL() << "the other architecture's helper did not start (error " << error << ")";
    }
    // Running once its main thread waits: the helper idles straight away.
    WaitForInputIdle(pi.hProcess, 5000);
    Sleep(200);

    EXPECT_EQ(win32::ProcessExeName(pi.dwProcessId), name);
    win32::ProcessProbe probe;
    const ProcessProbeResult probed = probe.Probe(pi.dwProcessId);
    EXPECT_TRUE(probed.opened);
    ASSERT_TRUE(probed.path.has_value());
    EXPECT_TRUE(probed.path->size() >= name.size() &&
                _wcsicmp(probed.path->c_str() + probed.path->size() - name.size(), name.c_str()) == 0)
        << "path " << std::string(probed.path->begin(), probed.path->end());

    EXPECT_TRUE(win32::TerminateProcessById(pi.dwProcessId));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u) << "ended by the termination, not by itself";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace kestrelon
