#include "toolkit/App.h"

#include <commctrl.h>

#include <vector>

#include "toolkit/Form.h"

namespace kestrelon::toolkit {

namespace {
std::wstring& TitleStore() {
    static std::wstring title = L"Kestrelon";
    return title;
}

void Dispatch(MSG& msg) {
    if (Form::PreTranslate(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}
}  // namespace

bool InitControls() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES |
                                              ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
}

namespace {
HCURSOR& ScreenPointerStore() {
    static HCURSOR pointer = nullptr;
    return pointer;
}
}  // namespace

void SetScreenMousePointer(HCURSOR cursor) {
    ScreenPointerStore() = cursor;
    POINT p{};
    // Show the change at once rather than at the next mouse move.
    if (GetCursorPos(&p)) SetCursor(cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW));
}
HCURSOR ScreenMousePointer() { return ScreenPointerStore(); }

void ReleaseMouseCapture() {
    if (GetCapture()) ReleaseCapture();
}

void SetAppTitle(const std::wstring& title) { TitleStore() = title; }
const std::wstring& AppTitle() { return TitleStore(); }

int RunMessageLoop() {
    MSG msg{};
    for (;;) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0) return static_cast<int>(msg.wParam);
        if (r == -1) return -1;
        Dispatch(msg);
    }
}

void DoEvents() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

namespace {
unsigned long long sometimesRuns = 0;
}  // namespace

void DoEventsSometimes(unsigned everyMs) {
    // Even reading the clock costs more than a loop's small step: look at it
    // on every 16th call only.
    static unsigned calls = 0;
    if (++calls % 16 != 1) return;
    static LARGE_INTEGER frequency{}, last{};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (last.QuadPart && now.QuadPart - last.QuadPart < frequency.QuadPart * everyMs / 1000) return;
    ++sometimesRuns;
    DoEvents();
    QueryPerformanceCounter(&last);
}

unsigned long long DoEventsSometimesRuns() { return sometimesRuns; }

namespace {
struct KeptCommand {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
int commandHolds = 0;
std::vector<KeptCommand>& KeptCommands() {
    static std::vector<KeptCommand> kept;
    return kept;
}
}  // namespace

void HoldCommands() { ++commandHolds; }

void ReleaseCommands() {
    if (commandHolds > 0 && --commandHolds > 0) return;
    std::vector<KeptCommand> kept;
    kept.swap(KeptCommands());
    for (const KeptCommand& c : kept) PostMessageW(c.hwnd, c.msg, c.wp, c.lp);  // a window gone meanwhile drops it
}

bool KeepCommandWhileHeld(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (commandHolds == 0) return false;
    KeptCommands().push_back({hwnd, msg, wp, lp});
    return true;
}

int MsgBox(const std::wstring& text, UINT flags, const std::wstring& title, HWND owner) {
    return MessageBoxW(owner, text.c_str(), (title.empty() ? AppTitle() : title).c_str(), flags);
}

}  // namespace kestrelon::toolkit
