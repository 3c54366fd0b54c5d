// The file information reader's report as the user sees it: the day names
// the system gives, and the report shown in its message box.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "TestPaths.h"
#include "services/FileInfo.h"
#include "services/GetFileInfo_win32.h"

namespace kestrelon {
namespace {

TEST(FileInfoReportWin32, DayNamesFollowTheSystemsWeekdays) {
    // The system numbers its day names from Monday, the report from Sunday.
    const ReportLocale loc = win32::UserReportLocale();
    for (WORD d = 0; d < 7; ++d) {
        SYSTEMTIME st{};
        st.wYear = 2024;
        st.wMonth = 3;
        st.wDay = static_cast<WORD>(3 + d);  // Sunday, 3 March 2024, and the six days after it
        st.wDayOfWeek = d;
        wchar_t name[80] = {};
        ASSERT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, L"dddd", name, 80), 0);
        EXPECT_EQ(loc.dayNames[d], name);
        const std::wstring text = FormatReportDate({2024, 3, 3 + d, 10, 0, 0}, false, loc);
        EXPECT_EQ(text.substr(0, text.find(L',')), name) << text;
    }
}

BOOL CALLBACK FindInformationProc(HWND h, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[32] = {}, title[64] = {};
    GetClassNameW(h, cls, 32);
    GetWindowTextW(h, title, 64);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(h) || std::wstring(cls) != L"#32770" ||
        std::wstring(title) != L"Information")
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = h;
    return FALSE;
}

// A message box of this process titled "Information", once it is shown.
HWND FindInformationBox() {
    HWND found = nullptr;
    EnumWindows(FindInformationProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(FileInfoReportWin32, ShowBoxShowsTheReportInAnInformationBox) {
    std::wstring shown;
    std::atomic<bool> sawIcon{false};
    std::thread user([&] {
        for (int i = 0; i < 400; ++i) {
            if (HWND box = FindInformationBox()) {
                Sleep(200);
                wchar_t text[8192] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 8192);  // the box's message text
                shown = text;
                for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                    if (SendMessageW(c, STM_GETICON, 0, 0)) sawIcon = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    });
    FileInfo info;
    const bool ok = win32::GetFileInfo(testing::ExeDir() + L"kestrelon.exe", info, true);
    user.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(shown, FileInfoReport(info, win32::UserReportLocale()));
    EXPECT_NE(shown.find(L"Filename:\t\tkestrelon.exe\r"), std::wstring::npos);
    EXPECT_TRUE(sawIcon);
}

}  // namespace
}  // namespace kestrelon
