// Carrying out tasks against real processes: close tasks end helper programs
// by executable name (every instance) and by process id, a row whose id now
// belongs to another program leaves that program alone, and a run task starts
// a program whose path contains blanks from an unquoted command line.
//
// Power requests never reach the machine: the system used here is the real
// one with its power calls replaced by a record.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mainwindow/scheduler/Execution.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/Processes_win32.h"
#include "mainwindow/scheduler/System_win32.h"

#include "TestPaths.h"

namespace kestrelon {
namespace {

using testing::ExeDir;
using testing::TempDir;
using testing::EndAll;
using testing::StartHidden;
using testing::WaitForLines;

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

// The real system; shut down, reboot, log-off and hibernate are only noted.
class NoPowerSystem : public Win32System {
public:
    void SetSystemPowerState(bool suspend, bool force) override {
        power.push_back(L"SetSystemPowerState " + std::to_wstring(suspend) + L" " + std::to_wstring(force));
    }
    void ExitWindowsEx(unsigned flags, unsigned reason) override {
        power.push_back(L"ExitWindowsEx " + std::to_wstring(flags) + L" " + std::to_wstring(reason));
    }
    std::vector<std::wstring> power;
};

class Marks : public IFinalMarks {
public:
    bool Checked(FinalMark m) const override { return on[static_cast<int>(m)]; }
    void SetChecked(FinalMark m, bool value) override { on[static_cast<int>(m)] = value; }
    bool on[6] = {};
};

// The main window's side of the two routines, with the real system.
class Host : public IExecHost {
public:
    explicit Host(NoPowerSystem& sys) : sys_(sys) {}
    ITaskTable& Tasks() override { return tasks; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys_; }
    const std::vector<std::wstring>& RunningPaths() override { return paths; }
    const std::vector<std::wstring>& RunningIDs() override { return ids; }
    RepeatTexts CurrentRepeatTexts() override {
        return {L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    }
    std::vector<RepeatTexts> OtherRepeatTexts() override { return {}; }
    void SaveDefaultTasks() override { ++saves; }
    void MonitorOff() override { ++monitorOffs; }
    void SaveBeforeForcedLogoff() override { ++savesBeforeLogoff; }
    void QuitNow() override { ++quits; }
    void WriteMailbox(const std::wstring& command) override { mailbox.push_back(command); }
    void TellUnattended(const std::wstring& text) override { told.push_back(text); }

    MemoryTaskTable tasks;
    kestrelon::Marks marks;
    std::vector<std::wstring> paths, ids, mailbox, told;
    int saves = 0, monitorOffs = 0, quits = 0, savesBeforeLogoff = 0;

private:
    NoPowerSystem& sys_;
};

// Copies of the helper program under names of their own, in a folder of
// this test run, so that nothing else running can match them.
class ExecutionWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring tag = std::to_wstring(GetCurrentProcessId());
        dir = TempDir() + L"kexec" + tag + L"\\";
        CreateDirectoryW(dir.c_str(), nullptr);
        programA = L"kexa" + tag + L".exe";
        programB = L"kexb" + tag + L".exe";
        pathA = dir + programA;
        pathB = dir + programB;
        outFile = dir + L"out.txt";
        ASSERT_TRUE(CopyFileW((ExeDir() + L"khelper.exe").c_str(), pathA.c_str(), FALSE))
            << "khelper.exe must be built beside the test program";
        ASSERT_TRUE(CopyFileW(pathA.c_str(), pathB.c_str(), FALSE));
        DeleteFileW(outFile.c_str());
    }

    void TearDown() override {
        EndAll(started);
        // Programs a run task started: known only by the ids they wrote.
        for (const auto& [pid, args] : OutLines()) {
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                TerminateProcess(h, 1);
                WaitForSingleObject(h, 5000);
                CloseHandle(h);
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(dir), ignored);
    }

    PROCESS_INFORMATION& Start(const std::wstring& path) {
        std::wstring cmd = L"\"" + path + L"\" --seconds 120 --exit 7 --out \"" + outFile + L"\"";
        PROCESS_INFORMATION pi = StartHidden(path, cmd);
        EXPECT_TRUE(pi.hProcess != nullptr);
        started.push_back(pi);
        return started.back();
    }

    // The lines the helpers wrote: process id and the arguments they got.
    std::vector<std::pair<DWORD, std::wstring>> OutLines() const {
        std::vector<std::pair<DWORD, std::wstring>> lines;
        std::ifstream in{std::filesystem::path(outFile)};
        for (std::string line; std::getline(in, line);) {
            const size_t tab = line.find('\t');
            if (tab == std::string::npos) continue;
            lines.emplace_back(static_cast<DWORD>(std::stoul(line.substr(0, tab))), FromUtf8(line.substr(tab + 1)));
        }
        return lines;
    }

    // Waits until `count` helpers have written their line.
    bool WaitForLines(size_t count) const {
        for (int i = 0; i < 300; ++i) {
            if (OutLines().size() >= count) return true;
            Sleep(50);
        }
        return false;
    }

    static bool Running(const PROCESS_INFORMATION& p) { return WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT; }
    // Ended within a few seconds, by a termination with exit code 0 (the
    // helpers would end with 7 by themselves, and the clean-up uses 1).
    static ::testing::AssertionResult TerminatedByUs(const PROCESS_INFORMATION& p) {
        if (WaitForSingleObject(p.hProcess, 5000) != WAIT_OBJECT_0)
            return ::testing::AssertionFailure() << "process " << p.dwProcessId << " is still running";
        DWORD code = 99;
        GetExitCodeProcess(p.hProcess, &code);
        if (code != 0) return ::testing::AssertionFailure() << "process " << p.dwProcessId << " ended with " << code;
        return ::testing::AssertionSuccess();
    }

    // A close task of program A at a time long past.
    void AddCloseRow(Host& host, const std::wstring& id, const std::wstring& loop, const std::wstring& after) {
        host.tasks.Add({programA, pathA, id, L"2020/01/15 10:00:00", loop, L"Close - Normal", after});
    }

    std::wstring dir, programA, programB, pathA, pathB, outFile;
    std::deque<PROCESS_INFORMATION> started;  // references stay valid as it grows
};

TEST_F(ExecutionWin32, KillByExeNameEndsEveryInstanceOfThatProgramOnly) {
    for (int i = 0; i < 3; ++i) Start(pathA);
    Start(pathB);
    ASSERT_TRUE(WaitForLines(4)) << "helpers did not start";

    NoPowerSystem sys;
    std::wstring upper = programA;
    CharUpperW(upper.data());
    KillByExeName(sys, upper);  // the name comparison ignores case

    for (int i = 0; i < 3; ++i) EXPECT_TRUE(TerminatedByUs(started[i]));
    EXPECT_TRUE(Running(started[3]));
    EXPECT_TRUE(sys.power.empty());
}

TEST_F(ExecutionWin32, EndingByIdEndsThatProcessAloneAndOnlyWhileItRunsTheNamedProgram) {
    PROCESS_INFORMATION& first = Start(pathA);
    PROCESS_INFORMATION& second = Start(pathA);
    PROCESS_INFORMATION& other = Start(pathB);
    ASSERT_TRUE(WaitForLines(3));

    NoPowerSystem sys;
    EXPECT_EQ(win32::ProcessExeName(first.dwProcessId), programA);
    // The name is compared ignoring case, as file names are.
    std::wstring upper = programA;
    for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_EQ(sys.EndProcessOf(first.dwProcessId, upper), EndResult::Ended);
    EXPECT_TRUE(TerminatedByUs(first));
    EXPECT_TRUE(Running(second));
    // An id that runs another program is left alone.
    EXPECT_EQ(sys.EndProcessOf(other.dwProcessId, programA), EndResult::OtherProgram);
    EXPECT_TRUE(Running(other));

    // Id 0 and an id that belongs to no process cannot be opened.
    EXPECT_EQ(sys.EndProcessOf(0, programA), EndResult::NotOpened);
    EXPECT_FALSE(win32::ProcessExeName(0).has_value());
    EXPECT_EQ(sys.EndProcessOf(0xFFFFFFF0u, programA), EndResult::NotOpened);
    EXPECT_TRUE(Running(second));
}

// A file named as the command line's program, without ".exe", beside the
// program itself: the run task starts the program, as process creation
// would look for it first.
TEST_F(ExecutionWin32, RunTaskStartsNameExeBesideADataFileOfTheBareName) {
    const std::wstring bare = dir + L"kexrun";
    ASSERT_TRUE(CopyFileW(pathA.c_str(), (bare + L".exe").c_str(), FALSE));
    { std::ofstream data{std::filesystem::path(bare)}; data << "not a program"; }
    NoPowerSystem sys;
    EXPECT_TRUE(sys.IsProgramFile(bare + L".exe"));
    EXPECT_FALSE(sys.IsProgramFile(bare));
    EXPECT_FALSE(sys.IsProgramFile(dir + L"none.exe"));

    Host host(sys);
    const std::wstring command = bare + L" --seconds 120 --out \"" + outFile + L"\"\ttabbed";
    host.tasks.Add({L"kexrun", command, L"None", L"2020/01/15 10:00:00", L"None", L"Run - Normal", L""});
    RunProgram(host, command, 1);
    ASSERT_TRUE(WaitForLines(1)) << "the program was not started";
    const auto lines = OutLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].second.find(L"tabbed"), std::wstring::npos);
    EXPECT_EQ(host.tasks.Count(), 0);
}

// The listed instance and the row's own process end; a third instance that
// is neither listed nor the row's own stays, since no fallback is needed.
TEST_F(ExecutionWin32, CloseTaskEndsTheListedInstancesAndItsOwnProcess) {
    PROCESS_INFORMATION& listed = Start(pathA);
    PROCESS_INFORMATION& own = Start(pathA);
    PROCESS_INFORMATION& unlisted = Start(pathA);
    PROCESS_INFORMATION& other = Start(pathB);
    ASSERT_TRUE(WaitForLines(4));

    NoPowerSystem sys;
    Host host(sys);
    // Program B is listed too; its name does not match the row.
    host.paths = {pathB, pathA};
    host.ids = {std::to_wstring(other.dwProcessId), std::to_wstring(listed.dwProcessId)};
    AddCloseRow(host, std::to_wstring(own.dwProcessId), L"None", L"");

    CloseProgram(host, programA, 1);

    EXPECT_TRUE(TerminatedByUs(listed));
    EXPECT_TRUE(TerminatedByUs(own));
    EXPECT_TRUE(Running(unlisted));
    EXPECT_TRUE(Running(other));
    EXPECT_EQ(host.tasks.Count(), 0);  // one-shot row removed
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.mailbox, std::vector<std::wstring>{L"refresh"});
    EXPECT_TRUE(sys.power.empty());
    EXPECT_EQ(host.quits, 0);
}

// After a restart the row's id may name any process. Here it names program B
// while the row is program A, which is not in the running-program list: B
// must survive, and every instance of A ends through the name fallback.
TEST_F(ExecutionWin32, StaleIdOfAnotherProgramIsLeftAloneAndTheNamedProgramEnds) {
    PROCESS_INFORMATION& a1 = Start(pathA);
    PROCESS_INFORMATION& a2 = Start(pathA);
    PROCESS_INFORMATION& b = Start(pathB);
    ASSERT_TRUE(WaitForLines(3));

    NoPowerSystem sys;
    Host host(sys);
    host.marks.on[static_cast<int>(FinalMark::Shut)] = true;
    AddCloseRow(host, std::to_wstring(b.dwProcessId), L"Every Day", L"Reboot - Q");

    CloseProgram(host, programA, 1);

    EXPECT_TRUE(Running(b));
    EXPECT_TRUE(TerminatedByUs(a1));
    EXPECT_TRUE(TerminatedByUs(a2));
    // The daily row, years behind, moves on by whole days from its own Close
    // Time to the first such time in the future.
    ASSERT_EQ(host.tasks.Count(), 1);
    const auto next = ParseDateTime(host.tasks.Field(1, fCloseTime).value_or(L""), sys.Locale());
    ASSERT_TRUE(next.has_value());
    const std::int64_t ahead = SecondsBetween(sys.Now(), *next);
    EXPECT_GT(ahead, 0);
    EXPECT_LE(ahead, 86400);
    EXPECT_EQ(SecondsBetween({2020, 1, 15, 10, 0, 0}, *next) % 86400, 0);
    // The reboot was asked of the system (recorded, not performed), after
    // the marks were cleared; then the quit.
    EXPECT_EQ(sys.power, std::vector<std::wstring>{L"ExitWindowsEx 2 0"});
    EXPECT_FALSE(host.marks.on[static_cast<int>(FinalMark::Shut)]);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.quits, 1);
}

// "C:\...\Kestrelon Test Dir\prog.exe --out ..." handed to process creation
// as it stands starts "C:\...\Kestrelon.exe" when that exists (checked under
// Wine: the decoy then receives "Test Dir\prog.exe --out ..." as arguments). A decoy of
// that name is placed there: the run task must start the program in the
// folder with blanks, which must receive its arguments.
TEST_F(ExecutionWin32, RunTaskStartsProgramWithBlanksInItsPathFromAnUnquotedCommandLine) {
    const std::wstring blankDir = dir + L"Kestrelon Test Dir\\";
    ASSERT_TRUE(CreateDirectoryW(blankDir.c_str(), nullptr));
    const std::wstring program = L"kexrun" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CopyFileW(pathA.c_str(), (blankDir + program + L".exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(pathA.c_str(), (dir + L"Kestrelon.exe").c_str(), FALSE));

    NoPowerSystem sys;
    Host host(sys);
    const std::wstring args1 = L"--out " + outFile + L" --seconds 60 first second";
    const std::wstring args2 = L"--out " + outFile + L" --seconds 60 third";
    // With ".exe" written out, and without it.
    const std::wstring withExe = blankDir + program + L".exe " + args1;
    const std::wstring withoutExe = blankDir + program + L" " + args2;
    host.tasks.Add({program + L".exe " + args1, withExe, L"None", L"2020/01/15 10:00:00", L"None", L"Run - Normal", L""});
    host.tasks.Add({program + L" " + args2, withoutExe, L"None", L"2020/01/15 10:00:00", L"None", L"Run - Normal", L""});

    RunProgram(host, withExe, 1);
    ASSERT_TRUE(WaitForLines(1)) << "the program was not started";
    RunProgram(host, withoutExe, 1);
    ASSERT_TRUE(WaitForLines(2)) << "the program without \".exe\" was not started";

    auto lines = OutLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].second, args1);
    EXPECT_EQ(lines[1].second, args2);
    for (const auto& [pid, args] : lines) {
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        ASSERT_NE(h, nullptr) << "process " << pid << " is gone";
        EXPECT_TRUE(QueryFullProcessImageNameW(h, 0, image, &size));
        CloseHandle(h);
        EXPECT_EQ(lstrcmpiW(image, (blankDir + program + L".exe").c_str()), 0) << "started: " << image;
    }

    EXPECT_EQ(host.tasks.Count(), 0);
    EXPECT_EQ(host.saves, 2);
    EXPECT_EQ(host.quits, 0);
    EXPECT_EQ(host.mailbox, (std::vector<std::wstring>{L"refresh", L"refresh"}));
    EXPECT_TRUE(sys.power.empty());
}

// Asked before every power request; must come back whatever the account may do.
// A command line that names no program is told once, with the system's
// reason; the row is removed as after a start.
TEST_F(ExecutionWin32, RunTaskThatCannotStartIsToldWithTheSystemsReason) {
    NoPowerSystem sys;
    Host host(sys);
    const std::wstring missing = dir + L"nie\\ma\\takiego.exe";
    host.tasks.Add({L"takiego.exe", missing, L"None", L"2026/12/08 10:30:00", L"None", L"Run - Normal", L""});
    RunProgram(host, missing, 1);
    ASSERT_EQ(host.told.size(), 1u);
    const std::wstring start = L"Kestrelon could not start the command line \"" + missing + L"\": ";
    EXPECT_EQ(host.told[0].substr(0, start.size()), start);
    EXPECT_GT(host.told[0].size(), start.size()) << "the system's reason is missing";
    EXPECT_EQ(host.tasks.Count(), 0);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.mailbox, std::vector<std::wstring>{L"refresh"});
}

TEST(ExecutionWin32Privilege, EnableShutdownPrivilegeReturnsNormally) {
    Win32System sys;
    const bool first = sys.EnableShutdownPrivilege();
    const bool again = sys.EnableShutdownPrivilege();
    EXPECT_EQ(first, again);

    // When it reports success, the privilege is enabled in the process token.
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    LUID shutdown{};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown));
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buf(size);
    ASSERT_TRUE(GetTokenInformation(token, TokenPrivileges, buf.data(), size, &size));
    CloseHandle(token);
    auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buf.data());
    bool enabled = false;
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& l = privileges->Privileges[i].Luid;
        if (l.LowPart == shutdown.LowPart && l.HighPart == shutdown.HighPart)
            enabled = (privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    if (first) {
        EXPECT_TRUE(enabled);
    }
}

}  // namespace
}  // namespace kestrelon
