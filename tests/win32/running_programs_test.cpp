// The running-program list against real processes: helper programs started
// here are found, listed once, and closed by close now; the file-information
// reader on the built program and on a missing path.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mainwindow/scheduler/ProcessProbe_win32.h"
#include "toolkit/Controls.h"
#include "Pixels.h"
#include "mainwindow/scheduler/Processes_win32.h"
#include "mainwindow/scheduler/RunningPrograms.h"
#include "services/GetFile.h"
#include "services/GetFileInfo_win32.h"

#include "TestPaths.h"

namespace kestrelon {
namespace {

using testing::ExeDir;
using testing::ImagePixels;
using testing::TempDir;
using testing::EndAll;
using testing::StartHidden;
using testing::WaitForLines;

// Processes as close now sees them: real names, real termination.
class ProcessSystem : public ISystem {
public:
    LocaleFormat loc = LocaleFormat::EnglishUS();
    DateTime Now() override { return {}; }
    const LocaleFormat& Locale() override { return loc; }
    bool EnableShutdownPrivilege() override { return false; }
    void SetSystemPowerState(bool, bool) override {}
    void ExitWindowsEx(unsigned, unsigned) override {}
    EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) override {
        return win32::EndProcessOf(pid, exeName);
    }
};

class RecordingView : public IRunningProgramsView {
public:
    std::vector<RunningProgramRow> rows;
    int icons = 0;
    void BeginRebuild() override {
        rows.clear();
        icons = 0;
    }
    void AddProgramIcon(const std::wstring&) override { ++icons; }
    void EndRebuild(const RunningProgramList& list, std::optional<std::size_t>) override { rows = list.rows; }
    std::wstring ProgramLabel() override { return L""; }
};

// Copies of the helper program under names of their own, so no other
// test's helpers can be mistaken for them.
class RunningProgramsWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring tag = std::to_wstring(GetCurrentProcessId());
        program = L"krp" + tag + L".exe";
        otherProgram = L"krpother" + tag + L".exe";
        programPath = TempDir() + program;
        otherPath = TempDir() + otherProgram;
        outFile = TempDir() + L"krp" + tag + L".txt";
        ASSERT_TRUE(CopyFileW((ExeDir() + L"khelper.exe").c_str(), programPath.c_str(), FALSE))
            << "khelper.exe must be built beside the test program";
        ASSERT_TRUE(CopyFileW(programPath.c_str(), otherPath.c_str(), FALSE));
        DeleteFileW(outFile.c_str());
    }
    void TearDown() override {
        EndAll(started);
        DeleteFileW(programPath.c_str());
        DeleteFileW(otherPath.c_str());
        DeleteFileW(outFile.c_str());
    }

    PROCESS_INFORMATION& Start(const std::wstring& path) {
        std::wstring cmd = L"\"" + path + L"\" --seconds 120 --out \"" + outFile + L"\"";
        PROCESS_INFORMATION pi = StartHidden(path, cmd);
        EXPECT_TRUE(pi.hProcess != nullptr);
        started.push_back(pi);
        return started.back();
    }
    // The helpers write a line once they run; wait for all of them.
    void WaitUntilRunning(size_t count) {
        if (!WaitForLines(outFile, count)) FAIL() << "helpers did not start";
    }
    static bool Running(const PROCESS_INFORMATION& p) { return WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT; }

    std::wstring program, otherProgram, programPath, otherPath, outFile;
    std::vector<PROCESS_INFORMATION> started;
};

TEST_F(RunningProgramsWin32, ThreeInstancesAreListedOnceAndClosedTogether) {
    for (int i = 0; i < 3; ++i) Start(programPath);
    PROCESS_INFORMATION& other = Start(otherPath);
    WaitUntilRunning(4);

    win32::ProcessProbe probe;
    RunningPrograms list(probe, [] {});
    RecordingView view;
    ASSERT_TRUE(list.ListRunningPrograms(view));
    const RunningProgramList& snap = list.Current();

    std::vector<std::uint32_t> ids;
    for (auto& id : snap.lstID) ids.push_back(static_cast<std::uint32_t>(std::stoul(id)));
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_NE(std::find(ids.begin(), ids.end(), GetCurrentProcessId()), ids.end());

    std::vector<std::uint32_t> helperIds;
    for (size_t i = 0; i < snap.List1.size(); ++i)
        if (GetFileName(snap.List1[i]) == program) helperIds.push_back(ids[i]);
    std::vector<std::uint32_t> expected;
    for (int i = 0; i < 3; ++i) expected.push_back(started[i].dwProcessId);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(helperIds, expected);

    int rows = 0;
    for (auto& row : view.rows) {
        if (row.program != program) continue;
        ++rows;
        EXPECT_EQ(row.path.size() > 2 && row.path[1] == L':', true) << "drive-letter path expected";
    }
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(view.icons, static_cast<int>(view.rows.size()));
    // Each path is the text the first module's file name gives.
    for (int i = 0; i < 3; ++i) {
        wchar_t module[MAX_PATH] = {};
        ASSERT_GT(GetModuleFileNameExW(started[i].hProcess, nullptr, module, MAX_PATH), 0u);
        auto at = std::find(ids.begin(), ids.end(), started[i].dwProcessId) - ids.begin();
        ASSERT_LT(static_cast<size_t>(at), snap.List1.size());
        EXPECT_EQ(snap.List1[at], module);
    }
    EXPECT_EQ(LowestIdOf(snap, program), std::to_wstring(expected[0]));

    // One more stale entry: the id recorded for the program now belongs to
    // a different program. Close now must leave that one alone.
    RunningProgramList stale = snap;
    stale.List1.push_back(programPath);
    stale.lstID.push_back(std::to_wstring(other.dwProcessId));

    ProcessSystem sys;
    EXPECT_EQ(CloseProgramNow(stale, program, sys), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitForSingleObject(started[i].hProcess, 5000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(started[i].hProcess, &code);
        EXPECT_EQ(code, 0u);
    }
    EXPECT_TRUE(Running(other));

    // The next rebuild no longer lists them.
    list.ListRunningPrograms(view);
    for (auto& path : list.Current().List1) EXPECT_NE(GetFileName(path), program);
}

TEST(ProcessProbeWin32, DrivesAndIcons) {
    win32::ProcessProbe probe;
    const DosDeviceTable devices = probe.DosDevices();
    ASSERT_FALSE(devices.empty());
    // The image name in device form of this very program maps back to its path.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    auto probed = probe.Probe(GetCurrentProcessId());
    ASSERT_TRUE(probed.opened);
    ASSERT_TRUE(probed.path.has_value());
    EXPECT_EQ(lstrcmpiW(probed.path->c_str(), self), 0);
    EXPECT_EQ(probe.Probe(0xFFFFFFF0u).opened, false);

    HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
    HICON fallback = LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_EQ(win32::AddProgramIcon(images, ExeDir() + L"kestrelon.exe", fallback), 0);
    HICON first = win32::PreviewIcon().Get();
    EXPECT_NE(first, nullptr);
    // No icon in a file that is not a program: the fallback picture is used.
    EXPECT_EQ(win32::AddProgramIcon(images, ExeDir() + L"no such file.exe", fallback), 1);
    EXPECT_EQ(win32::PreviewIcon().Get(), nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 2);
    ImageList_Destroy(images);
}

TEST(ProcessProbeWin32, IconsAreKeptAcrossRebuildsUntilTheFileChangesOrItsProgramIsGone) {
    const std::wstring copy = TempDir() + L"kicon" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    ASSERT_TRUE(CopyFileW((ExeDir() + L"kestrelon.exe").c_str(), copy.c_str(), FALSE));
    win32::ProgramIconCache cache;
    HICON first = cache.Get(copy);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, win32::PreviewIcon().Get());  // a copy of its own
    HICON preview = win32::PreviewIcon().Get();
    EXPECT_EQ(cache.Get(copy), first);
    EXPECT_EQ(win32::PreviewIcon().Get(), preview);  // nothing extracted again
    EXPECT_EQ(cache.Get(ExeDir() + L"no such file.exe"), nullptr);
    EXPECT_EQ(cache.Size(), 2u);

    // Another write time: the icon is read again.
    HANDLE file = CreateFileW(copy.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME old{};
    old.dwHighDateTime = 0x01D00000;
    SetFileTime(file, nullptr, nullptr, &old);
    CloseHandle(file);
    cache.DropUnused();  // both were asked for: both stay
    EXPECT_EQ(cache.Size(), 2u);
    HICON again = cache.Get(copy);
    EXPECT_NE(again, nullptr);
    EXPECT_NE(win32::PreviewIcon().Get(), preview);
    // A rebuild that no longer lists the missing file drops it.
    cache.DropUnused();
    EXPECT_EQ(cache.Size(), 1u);
    cache.DropUnused();
    EXPECT_EQ(cache.Size(), 0u);
    DeleteFileW(copy.c_str());
}

TEST(ProcessProbeWin32, AKeptIconGoesIntoAListAsTheSamePictureWhateverTheListsSize) {
    const std::wstring exe = ExeDir() + L"kestrelon.exe";
    HICON fallback = LoadIconW(nullptr, IDI_APPLICATION);
    HIMAGELIST drawn = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
    ASSERT_EQ(win32::AddProgramIcon(drawn, exe, fallback), 0);
    win32::ProgramIconCache cache;
    win32::ProgramIconBatch batch;
    toolkit::ImageList kept;
    ASSERT_TRUE(kept.Create(32, 32));
    // The first time and from the kept pictures after: one image each time.
    batch.Take(cache, exe, fallback);
    batch.AppendTo(kept);
    EXPECT_EQ(kept.Count(), 1);
    batch.Take(cache, exe, fallback);
    batch.AppendTo(kept);
    EXPECT_EQ(kept.Count(), 2);
    const std::vector<DWORD> reference = ImagePixels(drawn, 0);
    EXPECT_EQ(ImagePixels(kept.Handle(), 0), reference);
    EXPECT_EQ(ImagePixels(kept.Handle(), 1), reference);
    EXPECT_NE(reference, ImagePixels(kept.Handle(), 5));  // (nothing there: the comparison can fail)

    // A list of another size gets the icon drawn to its size, still one image.
    toolkit::ImageList small;
    ASSERT_TRUE(small.Create(16, 16));
    batch.Take(cache, exe, fallback);
    batch.AppendTo(small);
    EXPECT_EQ(small.Count(), 1);
    // A file without an icon takes the fallback picture's place.
    batch.Take(cache, ExeDir() + L"no such file.exe", fallback);
    batch.AppendTo(kept);
    EXPECT_EQ(kept.Count(), 3);
    // No list: nothing is added, and the pictures taken are forgotten.
    toolkit::ImageList none;
    batch.Take(cache, exe, fallback);
    batch.AppendTo(none);
    EXPECT_EQ(batch.Size(), 0u);
    ImageList_Destroy(drawn);
}

TEST(ProcessProbeWin32, OneRebuildsPicturesGoInTogetherAsTheSameImagesAtTheSameIndices) {
    const std::wstring exe = ExeDir() + L"kestrelon.exe", helper = ExeDir() + L"khelper.exe",
                       missing = ExeDir() + L"no such file.exe";
    HICON fallback = LoadIconW(nullptr, IDI_APPLICATION);
    const std::wstring order[] = {exe, missing, helper, exe};
    HIMAGELIST drawn = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
    for (const std::wstring& path : order) win32::AddProgramIcon(drawn, path, fallback);

    win32::ProgramIconCache cache;
    win32::ProgramIconBatch batch;
    toolkit::ImageList together;
    ASSERT_TRUE(together.Create(32, 32));
    for (const std::wstring& path : order) batch.Take(cache, path, fallback);
    EXPECT_EQ(together.Count(), 0);  // nothing before the end
    batch.AppendTo(together);
    ASSERT_EQ(together.Count(), 4);
    EXPECT_EQ(batch.Size(), 0u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ImagePixels(together.Handle(), i), ImagePixels(drawn, i)) << "image " << i;

    // Without a fallback a file without an icon still takes its place.
    toolkit::ImageList gaps;
    ASSERT_TRUE(gaps.Create(32, 32));
    batch.Take(cache, missing, nullptr);
    batch.Take(cache, exe, fallback);
    batch.AppendTo(gaps);
    ASSERT_EQ(gaps.Count(), 2);
    EXPECT_EQ(ImagePixels(gaps.Handle(), 1), ImagePixels(drawn, 0));
    ImageList_Destroy(drawn);
}

TEST(GetFileInfoWin32, ReadsTheProgramsVersionResource) {
    FileInfo info;
    const std::wstring exe = ExeDir() + L"kestrelon.exe";
    ASSERT_TRUE(win32::GetFileInfo(exe, info, false));
    EXPECT_EQ(info.FullPath, exe);
    EXPECT_EQ(info.FileName, L"kestrelon.exe");
    EXPECT_EQ(info.Directory, ExeDir());
    EXPECT_TRUE(info.HasVersionData);
    EXPECT_EQ(info.FileType, 1);
    EXPECT_EQ(info.FileTypeText, L"Application");
    EXPECT_EQ(info.Version1, 1);
    EXPECT_EQ(info.CompanyName, L"Kestrelon");
    EXPECT_EQ(info.OriginalFileName, L"kestrelon.exe");
    EXPECT_EQ(info.ProductVersion, L"1.0.0.0");
    EXPECT_GT(info.FileSize, 1000);
    EXPECT_FALSE(info.IsDirectory);
    EXPECT_GE(info.ModifyDate.year, 2020);
    const std::wstring report = FileInfoReport(info, win32::UserReportLocale());
    EXPECT_NE(report.find(L"\rVersion:\t\t1.0.0"), std::wstring::npos);
}

TEST(GetFileInfoWin32, MissingPathFailsAfterTheAttributes) {
    FileInfo info;
    info.CompanyName = L"kept";
    const std::wstring missing = ExeDir() + L"not here\\nothing.exe";
    EXPECT_FALSE(win32::GetFileInfo(missing, info, false));
    EXPECT_EQ(info.FullPath, missing);
    EXPECT_EQ(info.Attributes, -1);
    EXPECT_TRUE(info.IsHidden);
    EXPECT_EQ(info.CompanyName, L"kept");
}

TEST(GetFileInfoWin32, ReadsTimesOfAPathLongerThanTheClassicLimit) {
    // A folder chain well past 260 characters, made with the long-path form.
    std::wstring dir = TempDir() + L"krplong" + std::to_wstring(GetCurrentProcessId());
    std::vector<std::wstring> made;
    for (bool first = true; dir.size() < 300; first = false) {
        if (!first) dir += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + dir).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        made.push_back(dir);
    }
    const std::wstring file = dir + L"\\long.txt";
    HANDLE h = CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, std::string(300, 'x').data(), 300, &written, nullptr);
    CloseHandle(h);

    FileInfo info;
    EXPECT_TRUE(win32::GetFileInfo(file, info, false));
    EXPECT_EQ(info.FileSize, 300);
    EXPECT_GE(info.ModifyDate.year, 2020);
    EXPECT_FALSE(info.HasVersionData);
    const std::wstring report = FileInfoReport(info, ReportLocale::English());
    EXPECT_EQ(report.substr(report.rfind(L'\r') + 1), L"File Size:\t\t KB (300 bytes)");

    // The version resource is read through the same long form as the times.
    const std::wstring program = dir + L"\\kestrelon.exe";
    ASSERT_TRUE(CopyFileW((ExeDir() + L"kestrelon.exe").c_str(), (L"\\\\?\\" + program).c_str(), FALSE));
    FileInfo versioned;
    EXPECT_TRUE(win32::GetFileInfo(program, versioned, false));
    EXPECT_TRUE(versioned.HasVersionData);
    EXPECT_EQ(versioned.FileType, 1);
    EXPECT_EQ(versioned.Version1, 1);
    EXPECT_EQ(versioned.CompanyName, L"Kestrelon");
    EXPECT_EQ(versioned.OriginalFileName, L"kestrelon.exe");

    DeleteFileW((L"\\\\?\\" + program).c_str());
    DeleteFileW((L"\\\\?\\" + file).c_str());
    for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
}

}  // namespace
}  // namespace kestrelon
