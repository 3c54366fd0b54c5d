// frmS: the hidden window that owns the notification-area icon. The icon's
// mouse actions arrive at it as mouse moves whose lParam low word is the
// mouse message; a left double-click brings the main window back. When the
// taskbar is re-created (Explorer restarted) the icon is added again.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/Form.h"

namespace kestrelon {

// The window class, so another program can find the icon's window.
inline constexpr wchar_t kTrayWindowClass[] = L"KestrelonTrayWindow";

class frmS : public toolkit::Form {
public:
    frmS();
    ~frmS() override;

    // Start-up step: loads the window, which adds the icon and stays hidden.
    // `icon` is the program's icon; `mainWindow` is what a left
    // double-click on the icon restores.
    bool Start(HICON icon, HWND mainWindow);

    HICON Icon() const { return icon_; }
    HWND MainWindow() const { return mainWindow_; }

    void Form_Load();
    void Form_MouseMove(LPARAM lp);
    void Form_Resize();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HICON icon_ = nullptr;
    HWND mainWindow_ = nullptr;
    UINT taskbarCreated_ = 0;
};

// Fills the program-wide icon record for `frm` and adds the icon (tooltip
// " Kestrelon "); then hides `frm` and keeps it out of the taskbar.
void AddTrayIcon(frmS& frm);
// The icon's callback: restores and shows the main window for 0x203
// (a left double-click over the icon); ignores everything else.
void TrayCallback(frmS& frm, LPARAM lp);
// Removes the icon named by the record; does nothing when none was added.
void RemoveTrayIcon();
// Shows `text` under `title` in a balloon at the icon, without waiting for
// anything. False when there is no icon to show it at (none was added, or
// the notification area refused the balloon).
bool ShowTrayBalloon(const std::wstring& title, const std::wstring& text);
// The text of the last balloon the notification area took; empty before.
const std::wstring& LastTrayBalloon();
// Hides `frm` when it is minimised.
void HideWhenMinimized(toolkit::Form& frm);

}  // namespace kestrelon
