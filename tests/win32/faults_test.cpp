// Folder and disk faults with the real main window and the real file store:
// the program starts, keeps the old files and the tasks in the window, tells
// the user once where a write failed, and never ends by itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/Fakes.h"
#include "TestPaths.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

using testing::Env;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kOldList =
    "notepad.exe\tC:\\windows\\notepad.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n";
const std::string kAutoloadOn = "1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        savedAppData = Env(L"APPDATA");
        appData = testing::TempDir() + L"kfault_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(GetTickCount());
        form.endProcess = [this] { ++ended; };
        form.showWriteFailure = [this](const std::wstring& text) { told.push_back(text); };
    }
    void TearDown() override {
        for (const wchar_t* name : {L"default.ktf", L"knsetting.ini", L"knstartm.ini"}) {
            const std::wstring path = appData + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(appData.c_str());
        SetEnvironmentVariableW(L"APPDATA", savedAppData.c_str());
    }
    // APPDATA names our folder; with `create` it exists and holds a list of one
    // row with auto-load on.
    void UseAppData(bool create) {
        SetEnvironmentVariableW(L"APPDATA", appData.c_str());
        if (!create) return;
        CreateDirectoryW(appData.c_str(), nullptr);
        WriteBytes(List(), kOldList);
        WriteBytes(appData + L"\\knsetting.ini", kAutoloadOn);
    }
    std::wstring List() const { return appData + L"\\default.ktf"; }
    void AddRows(int n) {
        for (int i = 0; i < n; ++i) {
            int row = form.Tasks().AddRow(0);
            form.Tasks().SetField(row, fProgram, L"p" + std::to_wstring(i) + L".exe");
            form.Tasks().SetField(row, fType, L"Close - Normal");
        }
    }
    // The rows of the default list on disk (its CR LF count).
    int ListGenerationRows() const {
        const std::string bytes = ReadBytes(List());
        int rows = 0;
        for (size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
        return rows;
    }
    Win32FileStore& Store() { return dynamic_cast<Win32FileStore&>(form.Files()); }

    testing::FakeSystem sys;
    form1 form{sys};
    std::wstring savedAppData, appData;
    std::vector<std::wstring> told;
    int ended = 0;
};

TEST_F(Faults, MissingAppDataFolderStartsEmptyAndTellsOnceThatTheListCannotBeSaved) {
    UseAppData(false);
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(form.TaskCount(), 0);
    EXPECT_TRUE(told.empty()) << "start-up itself writes nothing";
    form.Options().SetChecked(Option::Autoload, true);
    AddRows(3);
    for (int firing = 0; firing < 20; ++firing) form.SaveDefaultTasks();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(List()), std::wstring::npos);
    EXPECT_EQ(form.TaskCount(), 3);
    // The folder comes back: the list is saved, and a later failure is told anew.
    CreateDirectoryW(appData.c_str(), nullptr);
    form.SaveDefaultTasks();
    EXPECT_EQ(ListGenerationRows(), 3);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(ended, 0);
}

TEST_F(Faults, ReadOnlyAppDataFolderKeepsTheOldListAndTellsOnce) {
    // A read-only folder refuses new files with "access denied". Windows ignores
    // the read-only attribute of a folder, and this test runs as a user whom
    // Unix permissions do not stop, so the refusal is made at the store's seam.
    UseAppData(true);
    ASSERT_TRUE(form.Load());
    ASSERT_EQ(form.TaskCount(), 1);  // the old list was reloaded
    Store().failAt = [](Win32FileStore::Step s) -> unsigned long {
        return s == Win32FileStore::Step::Create ? ERROR_ACCESS_DENIED : 0;
    };
    AddRows(2);
    for (int firing = 0; firing < 10; ++firing) form.SaveDefaultTasks();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(List()), std::wstring::npos);
    EXPECT_NE(told[0].find(SystemErrorText(ERROR_ACCESS_DENIED)), std::wstring::npos);
    EXPECT_EQ(ReadBytes(List()), kOldList);
    EXPECT_EQ(form.TaskCount(), 3);
    EXPECT_EQ(ended, 0);
}

TEST_F(Faults, ReadOnlyDefaultListIsLeftAloneAndTheFailureToldOnce) {
    UseAppData(true);
    ASSERT_TRUE(SetFileAttributesW(List().c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(form.Load());
    ASSERT_EQ(form.TaskCount(), 1);
    AddRows(2);
    for (int firing = 0; firing < 10; ++firing) form.SaveDefaultTasks();
    // The user's read-only list is not replaced behind their back.
    EXPECT_EQ(ReadBytes(List()), kOldList);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(List()), std::wstring::npos);
    // With auto-load off the file would be deleted: that is refused too, and
    // the failure has been told already.
    form.Options().SetChecked(Option::Autoload, false);
    form.SaveDefaultTasks();
    EXPECT_EQ(ReadBytes(List()), kOldList);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(form.TaskCount(), 3);
    // No temporary file stays beside it.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((List() + L".~*").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_EQ(ended, 0);
}

TEST_F(Faults, DiskFullDuringASaveKeepsTheOldListAndTellsOnceUntilASaveSucceeds) {
    UseAppData(true);
    ASSERT_TRUE(form.Load());
    bool full = true;
    Store().failAt = [&full](Win32FileStore::Step s) -> unsigned long {
        return full && s == Win32FileStore::Step::Write ? ERROR_DISK_FULL : 0;
    };
    AddRows(50);
    for (int firing = 0; firing < 10; ++firing) form.SaveDefaultTasks();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(SystemErrorText(ERROR_DISK_FULL)), std::wstring::npos);
    EXPECT_EQ(ReadBytes(List()), kOldList);

    full = false;
    form.SaveDefaultTasks();
    EXPECT_EQ(ListGenerationRows(), 51);
    full = true;
    form.SaveDefaultTasks();
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(ListGenerationRows(), 51);
    // The settings at the exit go through the same notice.
    const std::wstring settings = appData + L"\\knsetting.ini";
    for (int exits = 0; exits < 2; ++exits) form.ReportWrite(settings, SaveSettings(form.Options(), form.Files(), appData));
    ASSERT_EQ(told.size(), 3u);
    EXPECT_NE(told[2].find(settings), std::wstring::npos);
    EXPECT_EQ(ReadBytes(settings), kAutoloadOn);
    EXPECT_EQ(form.TaskCount(), 51);
    EXPECT_EQ(ended, 0);
}

// A default list with lines that are no tasks: only the task row is listed,
// and the user is told by the notice that does not wait how many were left out.
TEST_F(Faults, LinesThatAreNoTasksAreLeftOutAtStartUpAndToldWithoutWaiting) {
    UseAppData(true);
    WriteBytes(List(), "names.exe\r\naaa.exe\tZ:\\tmp\\aaa.exe\r\n" + kOldList);
    ASSERT_TRUE(form.Load());
    ASSERT_EQ(form.TaskCount(), 1);
    EXPECT_EQ(form.Tasks().Field(1, fType), L"Close - Normal");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(L"2 lines of\r\n" + List()), std::wstring::npos);
    EXPECT_TRUE(sys.started.empty());
    EXPECT_EQ(ended, 0);
}

TEST_F(Faults, LinesOfAMillionCharactersLoadAndSaveWhole) {
    UseAppData(true);
    const std::wstring path(1000000, L'p');
    std::string bytes;
    for (int i = 0; i < 3; ++i)
        bytes += "long.exe\t" + std::string(path.begin(), path.end()) + "\t00000\t2030/01/01 10:00:00\tNone\t"
                 "Close - Normal\t\r\n";
    WriteBytes(List(), bytes);
    ASSERT_TRUE(form.Load());
    ASSERT_EQ(form.TaskCount(), 3);
    EXPECT_EQ(form.Tasks().Field(3, fPath), path);
    form.SaveDefaultTasks();
    EXPECT_EQ(ReadBytes(List()), bytes);
    EXPECT_TRUE(told.empty());
}

}  // namespace
}  // namespace kestrelon
