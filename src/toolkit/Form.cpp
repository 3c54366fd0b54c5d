#include "toolkit/Form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include "toolkit/App.h"
#include "toolkit/Controls.h"
#include "toolkit/Menu.h"

namespace kestrelon::toolkit {

namespace {

void ReportEscapedException(const char* what) {
    OutputDebugStringA("kestrelon: exception stopped at the window procedure: ");
    OutputDebugStringA(what ? what : "unknown");
    OutputDebugStringA("\n");
}

BOOL CALLBACK ApplyFontToChild(HWND child, LPARAM font) {
    // A control that has the font already is left alone: a new font makes a
    // control measure itself again (a combo box resizes its list as well).
    if (SendMessageW(child, WM_GETFONT, 0, 0) == font) return TRUE;
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), IsWindowVisible(child));
    return TRUE;
}

bool SameFont(HFONT a, const LOGFONTW& b) {
    LOGFONTW la{};
    return a && GetObjectW(a, sizeof la, &la) == sizeof la && la.lfHeight == b.lfHeight &&
           la.lfCharSet == b.lfCharSet && la.lfQuality == b.lfQuality && la.lfWeight == b.lfWeight &&
           la.lfUnderline == b.lfUnderline && la.lfItalic == b.lfItalic && lstrcmpiW(la.lfFaceName, b.lfFaceName) == 0;
}

}  // namespace

Form::Form() = default;

Form::~Form() { Destroy(); }

bool Form::RegisterClassOnce() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(inst, className_.c_str(), &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form::Thunk;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className_.c_str();
    wc.hIcon = classIcon_ ? classIcon_ : LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = wc.hIcon;
    return RegisterClassExW(&wc) != 0;
}

bool Form::Load() {
    if (hwnd_) return true;
    if (!RegisterClassOnce()) return false;
    HWND hwnd = CreateWindowExW(exStyle_, className_.c_str(), initialCaption_.c_str(), style_, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
    if (!hwnd) return false;
    Build();
    if (font_) EnumChildWindows(hwnd_, ApplyFontToChild, reinterpret_cast<LPARAM>(font_.get()));
    built_ = true;
    if (onLoad) onLoad();
    return hwnd_ != nullptr;
}

void Form::Show() {
    if (!Load()) return;
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void Form::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

bool Form::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

bool Form::Unload(UnloadMode mode) {
    if (!hwnd_) return true;
    bool cancel = false;
    if (onQueryUnload) onQueryUnload(cancel, mode);
    if (cancel) return false;
    if (onUnload) onUnload(cancel);
    if (cancel) return false;
    Destroy();
    return true;
}

void Form::Destroy() {
    if (hwnd_ && !destroying_) {
        destroying_ = true;
        DestroyWindow(hwnd_);
    }
}

std::wstring Form::Caption() const {
    if (!hwnd_) return initialCaption_;
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(hwnd_, s.data(), n + 1)));
    return s;
}

void Form::SetCaption(const std::wstring& text) {
    initialCaption_ = text;
    if (hwnd_) SetWindowTextW(hwnd_, text.c_str());
}

double Form::Width() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return PixelsToTwipsX(r.right - r.left);
}

double Form::Height() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return PixelsToTwipsY(r.bottom - r.top);
}

void Form::SetSize(double widthTwips, double heightTwips) {
    if (!hwnd_ || widthTwips < 0 || heightTwips < 0) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, TwipsToPixelsX(widthTwips), TwipsToPixelsY(heightTwips),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

double Form::ClientWidth() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return PixelsToTwipsX(r.right);
}

double Form::ClientHeight() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return PixelsToTwipsY(r.bottom);
}

void Form::SetClientSize(double widthTwips, double heightTwips) {
    if (!hwnd_ || widthTwips < 0 || heightTwips < 0) return;
    RECT r{0, 0, TwipsToPixelsX(widthTwips), TwipsToPixelsY(heightTwips)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    AdjustWindowRectEx(&r, style, GetMenu(hwnd_) != nullptr, exStyle);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::CenterOnScreen() {
    if (!hwnd_) return;
    RECT r{}, work{};
    GetWindowRect(hwnd_, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = work.left + std::max(0L, ((work.right - work.left) - w) / 2);
    int y = work.top + std::max(0L, ((work.bottom - work.top) - h) / 2);
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::Minimized() const { return hwnd_ && IsIconic(hwnd_); }

void Form::SetFont(const std::wstring& face, double points) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(points * ScreenDpiY() / 72.0));
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    if (SameFont(font_.get(), lf)) return;  // every control has it already
    UniqueFont f(CreateFontIndirectW(&lf));
    if (!f) return;
    if (hwnd_) EnumChildWindows(hwnd_, ApplyFontToChild, reinterpret_cast<LPARAM>(f.get()));
    font_ = std::move(f);  // the old font is freed after the controls let go of it
}

std::vector<Control*> Form::Controls() const {
    std::vector<Control*> all;
    all.reserve(controls_.size());
    for (const auto& [id, c] : controls_) all.push_back(c);
    return all;
}

void Form::Register(Control& c) { controls_[c.Id()] = &c; }
void Form::Unregister(const Control& c) {
    auto it = controls_.find(c.Id());
    if (it != controls_.end() && it->second == &c) controls_.erase(it);
}
void Form::Register(MenuItem& m) { menuItems_[m.Id()] = &m; }
void Form::Unregister(const MenuItem& m) {
    auto it = menuItems_.find(m.Id());
    if (it != menuItems_.end() && it->second == &m) menuItems_.erase(it);
}
void Form::Register(Timer& t) { timers_[t.Id()] = &t; }
void Form::Unregister(const Timer& t) {
    auto it = timers_.find(t.Id());
    if (it != timers_.end() && it->second == &t) timers_.erase(it);
}

void Form::AddAccelerator(BYTE virt, WORD key, WORD command) {
    accelerators_.push_back(ACCEL{static_cast<BYTE>(virt | FVIRTKEY), key, command});
    if (attachedMenu_) {
        accel_.reset(CreateAcceleratorTableW(accelerators_.data(), static_cast<int>(accelerators_.size())));
    }
}

HMENU Form::MenuBar() {
    if (attachedMenu_) return attachedMenu_;
    if (!menuBar_) menuBar_.reset(CreateMenu());
    return menuBar_.get();
}

void Form::AttachMenuBar() {
    if (!hwnd_ || attachedMenu_ || !menuBar_) return;
    if (SetMenu(hwnd_, menuBar_.get())) attachedMenu_ = menuBar_.release();  // the window frees it now
    if (!accelerators_.empty()) {
        accel_.reset(CreateAcceleratorTableW(accelerators_.data(), static_cast<int>(accelerators_.size())));
    }
}

HWND Form::Tooltip() {
    if (!tooltip_ && hwnd_) {
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    return tooltip_;
}

Form* Form::FromHandle(HWND hwnd) {
    if (!hwnd || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &Form::Thunk) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Form::PreTranslate(MSG& msg) {
    if (!msg.hwnd) return false;
    Form* form = FromHandle(GetAncestor(msg.hwnd, GA_ROOT));
    if (!form || !form->hwnd_) return false;
    if (form->accel_ && TranslateAcceleratorW(form->hwnd_, form->accel_.get(), &msg)) return true;
    if (form->isDialog_ && IsDialogMessageW(form->hwnd_, &msg)) return true;
    return false;
}

LRESULT CALLBACK Form::Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (const std::exception& e) {
        ReportEscapedException(e.what());
    } catch (...) {
        ReportEscapedException(nullptr);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->DetachAll();
    }
    return result;
}

void Form::DetachAll() {
    bool ends = endsProgram_;
    hwnd_ = nullptr;
    tooltip_ = nullptr;
    attachedMenu_ = nullptr;
    accel_.reset();
    destroying_ = false;
    built_ = false;
    if (ends) PostQuitMessage(0);
}

bool Form::RunsWhileHeld(WPARAM wp, LPARAM lp) const {
    const WORD id = LOWORD(wp);
    if (lp == 0) {
        auto it = menuItems_.find(id);
        return it != menuItems_.end() && it->second->runsWhileHeld;
    }
    auto it = controls_.find(id);
    return it != controls_.end() && it->second->Handle() == reinterpret_cast<HWND>(lp) && it->second->runsWhileHeld;
}

LRESULT Form::OnCommand(WPARAM wp, LPARAM lp) {
    WORD id = LOWORD(wp), code = HIWORD(wp);
    if (lp == 0) {  // a menu item or an accelerator
        auto it = menuItems_.find(id);
        if (it != menuItems_.end() && it->second->onClick) it->second->onClick();
        return 0;
    }
    auto it = controls_.find(id);
    if (it != controls_.end() && it->second->Handle() == reinterpret_cast<HWND>(lp)) it->second->OnCommand(code);
    return 0;
}

void Form::CaptureMouse() {
    if (!hwnd_) return;
    holdsMouse_ = true;
    SetCapture(hwnd_);
    if (GetCapture() != hwnd_) holdsMouse_ = false;
}

void Form::ReleaseMouse() {
    holdsMouse_ = false;  // first: the release below is no loss
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (holdsMouse_ && onCaptureMouseMove) onCaptureMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (holdsMouse_ && onCaptureMouseUp) onCaptureMouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        break;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (holdsMouse_ && (msg == WM_CANCELMODE || reinterpret_cast<HWND>(lp) != hwnd_)) {
            holdsMouse_ = false;
            if (GetCapture() == hwnd_) ReleaseCapture();
            if (onCaptureLost) onCaptureLost();
        }
        break;
    case WM_COMMAND:
        // A click or a menu command while commands are held runs later; the
        // other notifications (a text changed by code, say) run now.
        if ((lp == 0 || HIWORD(wp) == BN_CLICKED) && !RunsWhileHeld(wp, lp) && KeepCommandWhileHeld(hwnd_, msg, wp, lp))
            return 0;
        return OnCommand(wp, lp);
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        auto it = controls_.find(static_cast<UINT>(hdr->idFrom));
        LRESULT result = 0;
        if (it != controls_.end() && it->second->Handle() == hdr->hwndFrom && it->second->OnNotify(hdr, result))
            return result;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // A control may choose its own colours (the web link does).
        const auto child = reinterpret_cast<HWND>(lp);
        auto it = controls_.find(static_cast<UINT>(GetDlgCtrlID(child)));
        HBRUSH brush = nullptr;
        if (it != controls_.end() && it->second->Handle() == child &&
            it->second->OnColor(reinterpret_cast<HDC>(wp), brush))
            return reinterpret_cast<LRESULT>(brush);
        break;
    }
    case WM_TIMER: {
        auto it = timers_.find(wp);
        if (it != timers_.end()) {
            it->second->Fire();
            return 0;
        }
        break;
    }
    case WM_SIZE:
        if (built_ && onResize) onResize();
        return 0;
    case WM_SETCURSOR:
        // The controls ask their parents first, so this covers the whole form.
        if (HCURSOR pointer = ScreenMousePointer()) {
            SetCursor(pointer);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        if (KeepCommandWhileHeld(hwnd_, msg, wp, lp)) return 0;
        Unload(UnloadMode::FormControlMenu);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wp && onEndSession) onEndSession();
        return 0;
    case WM_SETTINGCHANGE:
        if (built_ && onSettingChange) {
            const auto* area = reinterpret_cast<const wchar_t*>(lp);
            onSettingChange(area ? std::wstring(area) : std::wstring());
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace kestrelon::toolkit
