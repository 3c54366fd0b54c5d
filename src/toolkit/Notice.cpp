// A notice that does not wait: a small window with a text and an OK button,
// shown without taking the focus. The caller goes on at once; the window
// closes itself when the user presses OK or closes it.
#include <algorithm>

#include "toolkit/App.h"

namespace kestrelon::toolkit {

namespace {

constexpr wchar_t kNoticeClass[] = L"KestrelonNotice";
constexpr int kMargin = 12;
constexpr int kTextWidth = 380;
constexpr int kButtonWidth = 88, kButtonHeight = 26;

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) DestroyWindow(hwnd);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool RegisterNoticeClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = NoticeProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kNoticeClass;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// The system's message font, made once and kept for every notice.
HFONT NoticeFont() {
    static const HFONT font = [] {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof m;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) return CreateFontIndirectW(&m.lfMessageFont);
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

}  // namespace

HWND ShowNotice(const std::wstring& text, const std::wstring& title) {
    if (!RegisterNoticeClass()) return nullptr;
    HFONT font = NoticeFont();

    RECT textRect{0, 0, kTextWidth, 0};
    if (HDC dc = GetDC(nullptr)) {
        HGDIOBJ old = SelectObject(dc, font);
        DrawTextW(dc, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    const int textW = std::max<int>(textRect.right, kButtonWidth), textH = std::max<int>(textRect.bottom, 16);
    RECT outer{0, 0, textW + 2 * kMargin, textH + kButtonHeight + 3 * kMargin};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    HWND hwnd = CreateWindowExW(exStyle, kNoticeClass, (title.empty() ? AppTitle() : title).c_str(), style,
                                work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2,
                                w, h, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return nullptr;
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kMargin,
                                 kMargin, textW, textH, hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND ok = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                              kMargin + textW - kButtonWidth, 2 * kMargin + textH, kButtonWidth, kButtonHeight, hwnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), GetModuleHandleW(nullptr), nullptr);
    for (HWND child : {label, ok})
        if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);  // whatever the user is doing keeps the keyboard
    return hwnd;
}

}  // namespace kestrelon::toolkit
