#include <gtest/gtest.h>
#include <windows.h>

#include "TestPaths.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/FileStore_win32.h"

using namespace kestrelon;

namespace {

// A private folder under the user's temp folder, removed with its files.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"kfs_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (auto& name : Files()) DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> Files() const { return kestrelon::testing::FilesIn(path_); }

private:
    std::wstring path_;
};

TEST(Win32FileStore, WriteReplacesInOneStepAndLeavesNoTemporaryFile) {
    TempFolder dir;
    Win32FileStore store;
    const std::wstring path = dir / L"list.ktf";
    EXPECT_FALSE(store.Exists(path));
    EXPECT_FALSE(store.ReadAll(path).has_value());
    ASSERT_TRUE(store.WriteAtomic(path, "first\r\n").ok);
    ASSERT_TRUE(store.WriteAtomic(path, "second\r\n").ok);
    EXPECT_EQ(store.ReadAll(path), "second\r\n");
    ASSERT_TRUE(store.WriteAtomic(path, "").ok);
    EXPECT_EQ(store.ReadAll(path), "");
    EXPECT_EQ(dir.Files(), std::vector<std::wstring>{L"list.ktf"});
}

TEST(Win32FileStore, AFailureBeforeTheReplaceLeavesTheOldFileWhole) {
    using Step = Win32FileStore::Step;
    TempFolder dir;
    const std::wstring path = dir / L"default.ktf";
    Win32FileStore store;
    ASSERT_TRUE(store.WriteAtomic(path, "old row\r\n").ok);
    for (Step step : {Step::Create, Step::Write, Step::Flush, Step::Replace}) {
        store.failAt = [step](Step s) -> unsigned long { return s == step ? ERROR_DISK_FULL : 0; };
        FileResult r = store.WriteAtomic(path, std::string(100000, 'n'));
        EXPECT_FALSE(r.ok) << static_cast<int>(step);
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(store.ReadAll(path), "old row\r\n") << static_cast<int>(step);
        EXPECT_EQ(dir.Files(), std::vector<std::wstring>{L"default.ktf"}) << static_cast<int>(step);
    }
}

TEST(Win32FileStore, FailuresCarryTheSystemsReason) {
    TempFolder dir;
    Win32FileStore store;
    FileResult r = store.WriteAtomic(dir / L"no such folder\\x.ktf", "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_NE(r.error.find_first_not_of(L"0123456789 "), std::wstring::npos);
    EXPECT_EQ(SystemErrorText(0xDEADBEEF).substr(0, 6), L"Error ");
}

TEST(Win32FileStore, ExistsMeansAnOrdinaryFileAndRemoveToleratesAbsence) {
    TempFolder dir;
    Win32FileStore store;
    const std::wstring path = dir / L"a.ktf";
    EXPECT_FALSE(store.Exists(dir.path()));
    EXPECT_TRUE(store.Remove(path).ok);  // already absent
    EXPECT_TRUE(store.Remove(dir / L"missing\\a.ktf").ok);
    ASSERT_TRUE(store.WriteAtomic(path, "x").ok);
    EXPECT_TRUE(store.Exists(path));
    EXPECT_TRUE(store.Remove(path).ok);
    EXPECT_FALSE(store.Exists(path));
    EXPECT_FALSE(store.Remove(dir.path()).ok);  // a folder is not deleted as a file
}

TEST(AnsiCodec, SystemCodePageAtTheFileBoundary) {
    AnsiCodec codec;
    EXPECT_EQ(codec.Decode("a\tb\r\n"), L"a\tb\r\n");
    EXPECT_EQ(codec.Encode(L""), "");
    if (GetACP() == 1252) {
        EXPECT_EQ(codec.Encode(L"Caf\u00e9 \u20ac"), "Caf\xe9 \x80");
        EXPECT_EQ(codec.Decode("Caf\xe9 \x80"), L"Caf\u00e9 \u20ac");
        EXPECT_EQ(codec.Encode(L"\u4e2d"), "?");
    }
}

TEST(TaskFilesOnDisk, SaveAndLoadThroughTheRealStore) {
    TempFolder dir;
    Win32FileStore store;
    AnsiCodec codec;
    MemoryTaskTable table;
    table.Add({L"notepad.exe", L"C:\\windows\\notepad.exe", L"00000", L"2026/12/08 09:10:00", L"None",
               L"Close - After 00-00-10-00", L""});
    table.Add({L"Empty", L"None", L"None", L"2026/12/08 09:10:00", L"None", L"Close - Normal", L" - Q"});
    ASSERT_TRUE(SaveDefaultTasks(true, table, dir.path(), store, codec, LocaleFormat::EnglishUS()).ok);
    EXPECT_EQ(store.ReadAll(dir / L"default.ktf"),
              "notepad.exe\tC:\\windows\\notepad.exe\t00000\t2026/12/08 09:10:00\tNone\tClose - After 00-00-10-00\t\r\n"
              "Empty\tNone\tNone\t2026/12/08 09:10:00\tNone\tClose - Normal\t - Q\r\n");

    MemoryTaskTable loaded;
    auto r = ReloadDefaultTasks(true, loaded, 0, dir.path(), store, codec, DateTime{2026, 12, 8, 15, 0, 0},
                                LocaleFormat::EnglishUS());
    EXPECT_EQ(r.added, 2);
    EXPECT_EQ(*loaded.Field(1, fCloseTime), L"2026/12/08 15:10:00");
    EXPECT_EQ(loaded.rows[1].fields, table.rows[1].fields);

    table.Clear();
    ASSERT_TRUE(SaveDefaultTasks(true, table, dir.path(), store, codec, LocaleFormat::EnglishUS()).ok);
    EXPECT_FALSE(store.Exists(dir / L"default.ktf"));
}

}  // namespace
