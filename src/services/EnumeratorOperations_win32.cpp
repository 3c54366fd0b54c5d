// Enumerator's one-call operations: each changes a window (or asks it to
// change) with one user32 call and hands back what that call returned.
#include <windows.h>

#include "services/Enumerator.h"
#include "services/EnumeratorHandles_win32.h"

namespace kestrelon {

using namespace enumerator;

bool Enumerator::SetParent(Long hWnd, Long NewParent) const {
    return ::SetParent(ToWindow(hWnd), ToWindow(NewParent)) != nullptr;
}

bool Enumerator::SetVisible(Long hWnd, bool Visible) const {
    return ShowWindow(ToWindow(hWnd), Visible ? SW_SHOWNA : SW_HIDE) != 0;
}

bool Enumerator::SetOntop(Long hWnd, bool TopMost) const {
    return SetWindowPos(ToWindow(hWnd), TopMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOSIZE | SWP_NOMOVE) != 0;
}

bool Enumerator::SetEnabled(Long hWnd, bool Enabled) const {
    return EnableWindow(ToWindow(hWnd), Enabled ? TRUE : FALSE) != 0;
}

void Enumerator::ForeGround(Long hWnd) const { SetForegroundWindow(ToWindow(hWnd)); }

void Enumerator::ActiveWind(Long hWnd) const { SetActiveWindow(ToWindow(hWnd)); }

void Enumerator::FocusWind(Long hWnd) const { SetFocus(ToWindow(hWnd)); }

void Enumerator::SetWindPos(Long hWnd, Long pos) const {
    switch (pos) {
        case 0: ShowWindow(ToWindow(hWnd), SW_SHOWNORMAL); break;
        case 1: ShowWindow(ToWindow(hWnd), SW_SHOWMAXIMIZED); break;
        case 2: ShowWindow(ToWindow(hWnd), SW_SHOWMINIMIZED); break;
        default: break;
    }
}

void Enumerator::TerminateWind(Long hWnd) const { PostMessageW(ToWindow(hWnd), WM_CLOSE, 0, 0); }

Long Enumerator::Flash(Long hWnd, bool Flasher) const {
    return static_cast<Long>(FlashWindow(ToWindow(hWnd), Flasher ? TRUE : FALSE));
}

void Enumerator::SetWinSizePos(Long hWnd, Long X, Long Y, Long Width, Long Height) const {
    MoveWindow(ToWindow(hWnd), X, Y, Width, Height, TRUE);
}

void Enumerator::BringToTop(Long hWnd) const { BringWindowToTop(ToWindow(hWnd)); }

void Enumerator::SendToBottom(Long hWnd) const {
    // Without SWP_NOACTIVATE the call activates the window, and activating
    // raises it to the top again: it would never reach the bottom.
    SetWindowPos(ToWindow(hWnd), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

Long Enumerator::GetDC(Long hWnd) const { return ToLong(GetWindowDC(ToWindow(hWnd))); }

void Enumerator::RelDC(Long hWnd, Long hdc) const { ReleaseDC(ToWindow(hWnd), ToHandle<HDC>(hdc)); }

void Enumerator::SetWindText(Long hWnd, const std::wstring& Text) const { SetWindowTextW(ToWindow(hWnd), Text.c_str()); }

void Enumerator::ForceRedraw(Long hWnd) const {
    InvalidateRect(ToWindow(hWnd), nullptr, TRUE);
    UpdateWindow(ToWindow(hWnd));
}

}  // namespace kestrelon
