// Marker files with the hidden or the system attribute count as absent: in
// the Win32 store, and at the main window's start-up, which then starts
// shown and in English. The settings file is read whatever its attributes.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../unit/Fakes.h"
#include "mainwindow/Languages.h"
#include "mainwindow/form1_win32.h"
#include "services/FileStore_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

// A folder of its own that is APPDATA while the object lives.
class PrivateAppData {
public:
    PrivateAppData() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"kmarkers_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
        wchar_t old[MAX_PATH + 1] = {};
        if (GetEnvironmentVariableW(L"APPDATA", old, MAX_PATH)) old_ = old;
        SetEnvironmentVariableW(L"APPDATA", path_.c_str());
    }
    ~PrivateAppData() {
        SetEnvironmentVariableW(L"APPDATA", old_.empty() ? nullptr : old_.c_str());
        for (const std::wstring& f : files_) {
            SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(f.c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    // Writes `name` with `text` and gives it `attributes`.
    std::wstring Write(const std::wstring& name, const std::string& text, DWORD attributes) {
        const std::wstring path = path_ + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::ofstream(std::filesystem::path(path), std::ios::binary) << text;
        SetFileAttributesW(path.c_str(), attributes);
        files_.push_back(path);
        return path;
    }

private:
    std::wstring path_, old_;
    std::vector<std::wstring> files_;
};

TEST(MarkerFiles, HiddenOrSystemFilesAreNoMarkersButStillFiles) {
    PrivateAppData dir;
    Win32FileStore store;
    const std::wstring plain = dir.Write(L"knfr.dat", "fr\r\n", FILE_ATTRIBUTE_NORMAL);
    const std::wstring archive = dir.Write(L"knde.dat", "de\r\n", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    const std::wstring hidden = dir.Write(L"knstartm.ini", "Yes\r\n", FILE_ATTRIBUTE_HIDDEN);
    const std::wstring system = dir.Write(L"knsetting.ini", "1\r\n", FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(store.MarkerExists(plain));
    EXPECT_TRUE(store.MarkerExists(archive));  // read-only or archived is still an ordinary file
    EXPECT_FALSE(store.MarkerExists(hidden));
    EXPECT_FALSE(store.MarkerExists(system));
    EXPECT_TRUE(store.Exists(hidden));  // other files are read whatever their attributes
    EXPECT_FALSE(store.MarkerExists(plain + L".missing"));
}

TEST(MarkerFiles, StartUpIgnoresHiddenAndSystemMarkersButReadsHiddenSettings) {
    toolkit::InitControls();
    PrivateAppData dir;
    dir.Write(L"knstartm.ini", "Yes\r\n", FILE_ATTRIBUTE_HIDDEN);          // would start hidden
    dir.Write(L"knde.dat", "de\r\n", FILE_ATTRIBUTE_SYSTEM);               // would start in German
    dir.Write(L"knsetting.ini", "1\r\n0\r\n", FILE_ATTRIBUTE_HIDDEN);      // auto-load, read all the same
    testing::FakeSystem sys;
    form1 form{sys};
    form.endProcess = [] {};
    ASSERT_TRUE(form.Load());
    form.timerMouse.SetEnabled(false);
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(form.menuNormal.Checked());
    EXPECT_FALSE(form.menuTray.Checked());
    EXPECT_TRUE(form.menuEn.Checked());
    EXPECT_FALSE(form.menuDe.Checked());
    EXPECT_EQ(lanText()[7], L"Task");
    EXPECT_TRUE(form.menuAutoload.Checked());
}

}  // namespace
}  // namespace kestrelon
