#include "mainwindow/frmS_win32.h"

#include <shellapi.h>

#include "mainwindow/Tray.h"
#include "services/WriteNotice.h"

namespace kestrelon {

namespace {

// The one icon record: filled by AddTrayIcon, reused by the re-add and by
// RemoveTrayIcon.
NOTIFYICONDATAW TrayIconData{};
bool trayRecordFilled = false;
// The icon should be there: added and not yet removed.
bool trayIconWanted = false;
// The notification area took the icon the last time it was added.
bool trayIconShown = false;
std::wstring lastBalloon;

bool AddIconFromRecord() { return trayIconShown = Shell_NotifyIconW(NIM_ADD, &TrayIconData) != FALSE; }

}  // namespace

frmS::frmS() {
    className_ = kTrayWindowClass;
    initialCaption_ = L"";
    style_ = WS_POPUP;           // no border, no caption
    exStyle_ = WS_EX_TOOLWINDOW;  // no taskbar button
    onLoad = [this] { Form_Load(); };
    onResize = [this] { Form_Resize(); };
}

frmS::~frmS() { Destroy(); }

bool frmS::Start(HICON icon, HWND mainWindow) {
    icon_ = icon;
    mainWindow_ = mainWindow;
    return Load();
}

void frmS::Form_Load() {
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // A program running elevated would otherwise not hear the message.
    if (taskbarCreated_) ChangeWindowMessageFilterEx(Handle(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
    AddTrayIcon(*this);
    Hide();
    SetSize(1, 1);
}

void frmS::Form_MouseMove(LPARAM lp) { TrayCallback(*this, lp); }

void frmS::Form_Resize() { HideWhenMinimized(*this); }

LRESULT frmS::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTrayCallbackMessage) {
        Form_MouseMove(lp);
        return 0;
    }
    if (taskbarCreated_ && msg == taskbarCreated_) {
        // Explorer restarted: the old icon is gone with its taskbar.
        if (trayIconWanted) AddIconFromRecord();
        return 0;
    }
    return Form::HandleMessage(msg, wp, lp);
}

void AddTrayIcon(frmS& frm) {
    TrayIconData = NOTIFYICONDATAW{};
    TrayIconData.cbSize = NOTIFYICONDATAW_V1_SIZE;
    TrayIconData.hWnd = frm.Handle();
    TrayIconData.uID = 1;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = kTrayCallbackMessage;
    TrayIconData.hIcon = frm.Icon() ? frm.Icon() : LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(TrayIconData.szTip, kTrayTip, 64);
    trayRecordFilled = trayIconWanted = true;
    AddIconFromRecord();  // a missing icon is not reported

    frm.Hide();
    if (HWND h = frm.Handle()) {
        LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
        SetWindowLongPtrW(h, GWL_EXSTYLE, (ex | WS_EX_TOOLWINDOW) & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW));
    }
}

void TrayCallback(frmS& frm, LPARAM lp) {
    if (DecodeTrayCallback(static_cast<std::uint64_t>(lp)) != TrayAction::RestoreMain) return;
    HWND main = frm.MainWindow();
    if (!main) return;
    ShowWindow(main, SW_SHOWNORMAL);  // normal state, shown, visible; restores a minimised window
    SetForegroundWindow(main);
}

void RemoveTrayIcon() {
    if (!trayRecordFilled) return;
    trayIconWanted = trayIconShown = false;
    Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
}

bool ShowTrayBalloon(const std::wstring& title, const std::wstring& text) {
    if (!trayRecordFilled || !trayIconWanted || !trayIconShown) return false;
    NOTIFYICONDATAW balloon = TrayIconData;
    balloon.cbSize = NOTIFYICONDATAW_V2_SIZE;  // the first size that knows balloons
    balloon.uFlags = NIF_INFO;
    const std::size_t infoChars = sizeof balloon.szInfo / sizeof balloon.szInfo[0];
    const std::size_t titleChars = sizeof balloon.szInfoTitle / sizeof balloon.szInfoTitle[0];
    lstrcpynW(balloon.szInfo, FitNotice(text, infoChars - 1).c_str(), static_cast<int>(infoChars));
    lstrcpynW(balloon.szInfoTitle, FitNotice(title, titleChars - 1).c_str(), static_cast<int>(titleChars));
    balloon.dwInfoFlags = NIIF_WARNING;
    balloon.uTimeout = 30000;  // older systems: how long it stays; newer ones decide themselves
    if (!Shell_NotifyIconW(NIM_MODIFY, &balloon)) return false;
    lastBalloon = text;
    return true;
}

const std::wstring& LastTrayBalloon() { return lastBalloon; }

void HideWhenMinimized(toolkit::Form& frm) {
    if (frm.Minimized()) frm.Hide();
}

}  // namespace kestrelon
