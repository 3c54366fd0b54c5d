#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "mainwindow/Tray.h"
#include "mainwindow/frmS_win32.h"
#include "toolkit/Form.h"

namespace kestrelon {
namespace {

class PlainWindow : public toolkit::Form {
public:
    PlainWindow() { className_ = L"KestrelonTrayTestMain"; }
};

// Asks the notification area whether frmS's icon (uID 1) is there: a modify
// only succeeds for an icon that exists.
bool IconPresent(HWND owner) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = owner;
    nid.uID = 1;
    nid.uFlags = NIF_TIP;
    lstrcpynW(nid.szTip, kTrayTip, 64);
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

TEST(TrayWindow, StaysHiddenAndOnlyDoubleClickRestoresTheMainWindow) {
    PlainWindow main;
    ASSERT_TRUE(main.Load());
    frmS tray;
    ASSERT_TRUE(tray.Start(nullptr, main.Handle()));
    EXPECT_FALSE(tray.Visible());
    EXPECT_NE(FindWindowW(kTrayWindowClass, nullptr), nullptr) << "another program can find it";

    for (LPARAM m : {0x200, 0x201, 0x202, 0x204, 0x205, 0x207}) {
        SendMessageW(tray.Handle(), kTrayCallbackMessage, 0, m);
        EXPECT_FALSE(main.Visible()) << m;
    }
    SendMessageW(tray.Handle(), kTrayCallbackMessage, 0, 0x203);
    EXPECT_TRUE(main.Visible());

    ShowWindow(main.Handle(), SW_MINIMIZE);
    SendMessageW(tray.Handle(), kTrayCallbackMessage, 0, 0x203);
    EXPECT_FALSE(IsIconic(main.Handle())) << "a minimised window comes back in normal state";
    RemoveTrayIcon();
}

TEST(TrayWindow, IconComesBackWhenTheTaskbarIsRecreated) {
    frmS tray;
    ASSERT_TRUE(tray.Start(nullptr, nullptr));
    if (!IconPresent(tray.Handle())) GTEST_SKIP() << "no notification area on this display";

    // Explorer restarting loses every icon; then it announces the new taskbar.
    NOTIFYICONDATAW gone{};
    gone.cbSize = NOTIFYICONDATAW_V1_SIZE;
    gone.hWnd = tray.Handle();
    gone.uID = 1;
    Shell_NotifyIconW(NIM_DELETE, &gone);
    ASSERT_FALSE(IconPresent(tray.Handle()));
    SendMessageW(tray.Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(IconPresent(tray.Handle()));

    // Once removed on the way out, a late announcement does not bring it back.
    RemoveTrayIcon();
    EXPECT_FALSE(IconPresent(tray.Handle()));
    SendMessageW(tray.Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_FALSE(IconPresent(tray.Handle()));
}

}  // namespace
}  // namespace kestrelon
