// The picture box: a window class of the toolkit's own that draws one icon
// or bitmap, reports mouse presses and moves, and passes the notifications
// of the controls it holds on to its form.
#include <windowsx.h>

#include <exception>

#include "toolkit/Controls.h"
#include "toolkit/Form.h"

namespace kestrelon::toolkit {

namespace {
bool RegisterPictureClass() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(inst, PictureBox::ClassName(), &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window once the object is attached
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = PictureBox::ClassName();
    return RegisterClassExW(&wc) != 0;
}
}  // namespace

bool PictureBox::Create(Parent parent, const TwipsRect& design, bool visible, bool border) {
    if (!RegisterPictureClass()) return false;
    if (!CreateChild(parent, ClassName(), L"", (visible ? WS_VISIBLE : 0) | WS_CLIPSIBLINGS,
                     border ? WS_EX_CLIENTEDGE : 0, design))
        return false;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PictureBox::WndProc));
    return true;
}

LRESULT CALLBACK PictureBox::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->OnMessage(msg, wp, lp);
    } catch (const std::exception& e) {
        OutputDebugStringA(e.what());
    } catch (...) {
        OutputDebugStringA("kestrelon: exception stopped at a picture box\n");
    }
    return 0;
}

LRESULT PictureBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        // The controls inside belong to the form; it handles their notifications.
        if (form_ && form_->Handle()) return SendMessageW(form_->Handle(), msg, wp, lp);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (msg == WM_LBUTTONDOWN) pressed_ = true;
        if (onMouseDown) onMouseDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_MOUSEMOVE:
        if (onMouseMove) onMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (onMouseUp) onMouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_LBUTTONUP: {
        const bool wasPressed = pressed_;
        pressed_ = false;
        if (onMouseUp) onMouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        if (wasPressed && onClick) onClick();
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void PictureBox::Paint(HDC dc) {
    if (icon_) {
        DrawIconEx(dc, 0, 0, icon_, 0, 0, 0, nullptr, DI_NORMAL);
    } else if (bitmap_) {
        SIZE s = PictureSize();
        HDC mem = CreateCompatibleDC(dc);
        if (!mem) return;
        HGDIOBJ old = SelectObject(mem, bitmap_.get());
        BitBlt(dc, 0, 0, s.cx, s.cy, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
}

SIZE PictureBox::PictureSize() const {
    SIZE s{0, 0};
    if (icon_) {
        ICONINFO info{};
        if (GetIconInfo(icon_, &info)) {
            BITMAP bm{};
            HBITMAP source = info.hbmColor ? info.hbmColor : info.hbmMask;
            if (GetObjectW(source, sizeof(bm), &bm)) {
                s.cx = bm.bmWidth;
                s.cy = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;  // a mask-only icon is two masks tall
            }
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
    } else if (bitmap_) {
        BITMAP bm{};
        if (GetObjectW(bitmap_.get(), sizeof(bm), &bm)) {
            s.cx = bm.bmWidth;
            s.cy = bm.bmHeight;
        }
    }
    return s;
}

void PictureBox::FitPicture() {
    if (!autoSize_ || !hwnd_ || !HasPicture()) return;
    SIZE s = PictureSize();
    // The border, if any, is added around the picture.
    RECT outer{}, inner{};
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &inner);
    const int frameX = (outer.right - outer.left) - inner.right;
    const int frameY = (outer.bottom - outer.top) - inner.bottom;
    bounds_.width = PixelsToTwipsX(s.cx + frameX);
    bounds_.height = PixelsToTwipsY(s.cy + frameY);
    ApplyBounds();
}

void PictureBox::SetIcon(HICON icon) {
    bitmap_.reset();
    icon_ = icon;
    FitPicture();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void PictureBox::SetBitmap(HBITMAP bitmap) {
    icon_ = nullptr;
    bitmap_.reset(bitmap);
    FitPicture();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool PictureBox::LoadBitmapResource(int id) {
    auto* bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return false;
    SetBitmap(bitmap);
    return true;
}

void PictureBox::ClearPicture() {
    icon_ = nullptr;
    bitmap_.reset();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void PictureBox::SetAutoSize(bool on) {
    autoSize_ = on;
    FitPicture();
}

}  // namespace kestrelon::toolkit
