// Enumerator's window lookups: what a window is, read from user32 without
// changing it.
#include <windows.h>

#include "services/Enumerator.h"
#include "services/EnumeratorHandles_win32.h"

namespace kestrelon {

using namespace enumerator;

namespace {

constexpr int kClassNameRoom = 500;

}  // namespace

// ---- owner, parents, identity -------------------------------------------------------

Long Enumerator::WindProcess(Long hWnd) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(ToWindow(hWnd), &pid);
    return static_cast<Long>(pid);
}

Long Enumerator::WindThread(Long hWnd) const {
    return static_cast<Long>(GetWindowThreadProcessId(ToWindow(hWnd), nullptr));
}

Long Enumerator::ParentWind(Long hWnd) const { return ToLong(GetParent(ToWindow(hWnd))); }

Long Enumerator::DesktopWind() const { return ToLong(GetDesktopWindow()); }

bool Enumerator::IsValidWindow(Long hWnd) const { return IsWindow(ToWindow(hWnd)) != 0; }

Long Enumerator::Progenitor(Long hWnd) const {
    Long top = 0;
    // A chain of parents and owners ends; the bound only guards against a
    // window being re-parented into a loop while it is climbed.
    for (int steps = 0; hWnd != 0 && steps < 4096; ++steps) {
        top = hWnd;
        hWnd = ParentWind(hWnd);
    }
    return top;
}

Long Enumerator::GetRelWindow(Long hWnd, Long RelType) const {
    return ToLong(GetWindow(ToWindow(hWnd), static_cast<UINT>(RelType)));
}

// ---- texts ---------------------------------------------------------------------------

std::wstring Enumerator::ClassName(Long hWnd) const {
    std::wstring buffer(kClassNameRoom, L' ');
    const int n = GetClassNameW(ToWindow(hWnd), buffer.data(), kClassNameRoom);
    if (n <= 0) return L"";
    buffer.resize(static_cast<size_t>(n));
    return FixApi(buffer);
}

Long Enumerator::GetWindTextLength(Long hWnd) const {
    return static_cast<Long>(GetWindowTextLengthW(ToWindow(hWnd)));
}

std::wstring Enumerator::GetWindText(Long hWnd) const {
    const Long n = GetWindTextLength(hWnd);
    if (n <= 0) return L"";
    std::wstring buffer(static_cast<size_t>(n) + 1, L' ');
    const int got = GetWindowTextW(ToWindow(hWnd), buffer.data(), n + 1);
    buffer.resize(static_cast<size_t>(got > 0 ? got : 0));
    return FixApi(buffer);
}

// ---- state -----------------------------------------------------------------------------

bool Enumerator::IsEnabled(Long hWnd) const { return IsWindowEnabled(ToWindow(hWnd)) != 0; }

bool Enumerator::IsVisible(Long hWnd) const { return IsWindowVisible(ToWindow(hWnd)) != 0; }

bool Enumerator::IsOnTop(Long hWnd) const {
    return IsStyle(static_cast<Long>(GetWindowLongW(ToWindow(hWnd), GWL_EXSTYLE)), WS_EX_TOPMOST);
}

Long Enumerator::WindPos(Long hWnd) const {
    if (IsZoomed(ToWindow(hWnd))) return 1;
    if (IsIconic(ToWindow(hWnd))) return 2;
    return 0;
}

// ---- menus -----------------------------------------------------------------------------

Long Enumerator::MenuHandle(Long hWnd) const {
    // A child window's menu slot holds its control id, which is no menu.
    HMENU menu = GetMenu(ToWindow(hWnd));
    return IsMenu(menu) ? ToLong(menu) : 0;
}

Long Enumerator::SubMenu(Long hMenu, Long pos) const {
    HMENU menu = ToHandle<HMENU>(hMenu);
    return IsMenu(menu) ? ToLong(GetSubMenu(menu, pos)) : 0;
}

// ---- the window's own values: 0 for anything that is no window ---------------------------

namespace {
LONG_PTR WindowValue(const Enumerator& e, Long hWnd, int index) {
    return e.IsValidWindow(hWnd) ? GetWindowLongPtrW(ToWindow(hWnd), index) : 0;
}
}  // namespace

Long Enumerator::StyleVal(Long hWnd) const { return static_cast<Long>(WindowValue(*this, hWnd, GWL_STYLE)); }

Long Enumerator::ExtStyleVal(Long hWnd) const { return static_cast<Long>(WindowValue(*this, hWnd, GWL_EXSTYLE)); }

LongPtr Enumerator::GetHandleInstance(Long hWnd) const { return WindowValue(*this, hWnd, GWLP_HINSTANCE); }

LongPtr Enumerator::GetUserData(Long hWnd) const { return WindowValue(*this, hWnd, GWLP_USERDATA); }

LongPtr Enumerator::GetWndProc(Long hWnd) const { return WindowValue(*this, hWnd, GWLP_WNDPROC); }

Long Enumerator::GetControlID(Long hWnd) const { return static_cast<Long>(WindowValue(*this, hWnd, GWLP_ID)); }

// ---- icons and class values ----------------------------------------------------------------

Long Enumerator::GetBigIconH(Long hWnd) const {
    return ToLong(static_cast<LONG_PTR>(SendMessageW(ToWindow(hWnd), WM_GETICON, ICON_BIG, 0)));
}

Long Enumerator::GetSmallIconH(Long hWnd) const {
    return ToLong(static_cast<LONG_PTR>(SendMessageW(ToWindow(hWnd), WM_GETICON, ICON_SMALL, 0)));
}

namespace {
// Handle- and address-sized class values are read whole in the 64-bit build.
ULONG_PTR ClassValue(Long hWnd, int index) { return GetClassLongPtrW(ToWindow(hWnd), index); }
Long ClassNumber(Long hWnd, int index) { return static_cast<Long>(GetClassLongW(ToWindow(hWnd), index)); }
}  // namespace

Long Enumerator::GetClassExtraBytes(Long hWnd) const { return ClassNumber(hWnd, GCL_CBCLSEXTRA); }

Long Enumerator::GetClassExtraWndBytes(Long hWnd) const { return ClassNumber(hWnd, GCL_CBWNDEXTRA); }

Long Enumerator::GetClasshBackgroundBrush(Long hWnd) const {
    return ToLong(static_cast<LONG_PTR>(ClassValue(hWnd, GCLP_HBRBACKGROUND)));
}

Long Enumerator::GetClassHCursor(Long hWnd) const { return ToLong(static_cast<LONG_PTR>(ClassValue(hWnd, GCLP_HCURSOR))); }

Long Enumerator::GetClassHIcon(Long hWnd) const { return ToLong(static_cast<LONG_PTR>(ClassValue(hWnd, GCLP_HICON))); }

Long Enumerator::GetClasshSmallIcon(Long hWnd) const {
    return ToLong(static_cast<LONG_PTR>(ClassValue(hWnd, GCLP_HICONSM)));
}

LongPtr Enumerator::GetClassHModule(Long hWnd) const { return static_cast<LongPtr>(ClassValue(hWnd, GCLP_HMODULE)); }

LongPtr Enumerator::GetClassMenuName(Long hWnd) const { return static_cast<LongPtr>(ClassValue(hWnd, GCLP_MENUNAME)); }

Long Enumerator::GetClassStyle(Long hWnd) const { return ClassNumber(hWnd, GCL_STYLE); }

LongPtr Enumerator::GetClassWndProc(Long hWnd) const { return static_cast<LongPtr>(ClassValue(hWnd, GCLP_WNDPROC)); }

}  // namespace kestrelon
