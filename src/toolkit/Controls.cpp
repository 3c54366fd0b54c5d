#include "toolkit/Controls.h"

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "toolkit/App.h"
#include "toolkit/Form.h"

namespace kestrelon::toolkit {

// ---- Parent -----------------------------------------------------------------

Parent::Parent(Form& f) : form(f), window(f.Handle()) {}
Parent::Parent(PictureBox& container) : form(*container.form_), window(container.Handle()) {}

// ---- Control ----------------------------------------------------------------

// A window routed through a control: the procedure it had before, and the
// control (null once the control is gone and the window is not).
//
// The chain is kept here rather than with SetWindowSubclass: that one looks
// its data up as a window property on every message, which costs a server
// round trip under Wine, and a combo box gets a message per list item.
namespace {
struct Routed {
    WNDPROC next = nullptr;
    Control* control = nullptr;
};
std::unordered_map<HWND, Routed>& RoutedWindows() {
    static std::unordered_map<HWND, Routed> windows;
    return windows;
}
}  // namespace

Control::~Control() {
    auto& routed = RoutedWindows();
    for (HWND h : subclassed_) {
        auto it = routed.find(h);
        if (it == routed.end()) continue;
        // Undone only while nobody routed the window further; otherwise its
        // messages pass straight through until it is destroyed.
        if (IsWindow(h) && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC)) == &Control::SubclassProc) {
            SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.next));
            routed.erase(it);
        } else {
            it->second.control = nullptr;
        }
    }
    if (form_) form_->Unregister(*this);
}

bool Control::CreateChild(Parent parent, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                          DWORD exStyle, const TwipsRect& design) {
    if (hwnd_ || !parent.window) return false;
    Form& form = parent.form;
    form_ = &form;
    id_ = form.NextId();
    bounds_ = design;
    // Siblings clip each other: a control laid over another (the quick-start
    // picture over the task list) is drawn whole, and no control paints
    // into a neighbour it touches.
    hwnd_ = CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style,
                            TwipsToPixelsX(design.left),
                            TwipsToPixelsY(design.top), TwipsToPixelsX(design.width), TwipsToPixelsY(design.height),
                            parent.window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id_)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return false;
    if (form.Font()) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form.Font()), FALSE);
    form.Register(*this);
    return true;
}

void Control::Subclass(HWND window) {
    if (!window || std::find(subclassed_.begin(), subclassed_.end(), window) != subclassed_.end()) return;
    auto& routed = RoutedWindows();
    auto it = routed.find(window);
    if (it != routed.end()) {
        // A window left behind by a control that is gone: this one takes it.
        if (it->second.control) return;
        it->second.control = this;
        subclassed_.push_back(window);
        return;
    }
    auto next = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
    if (!next) return;
    routed[window] = Routed{next, this};
    subclassed_.push_back(window);
}

LRESULT Control::CallNextProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& routed = RoutedWindows();
    auto it = routed.find(hwnd);
    if (it == routed.end()) return DefWindowProcW(hwnd, msg, wp, lp);
    return CallWindowProcW(it->second.next, hwnd, msg, wp, lp);
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& routed = RoutedWindows();
    auto it = routed.find(hwnd);
    if (it == routed.end()) return DefWindowProcW(hwnd, msg, wp, lp);
    // Copies: a handler may route other windows and move the table's entries.
    const WNDPROC next = it->second.next;
    Control* control = it->second.control;
    if (control) {
        try {
            // A screen-wide pointer wins: the form above shows it.
            if (msg == WM_SETCURSOR && control->pointer_ && !ScreenMousePointer() &&
                reinterpret_cast<HWND>(wp) == hwnd) {
                SetCursor(control->pointer_);
                return TRUE;
            }
            LRESULT result = 0;
            if (control->Subclassed(hwnd, msg, wp, lp, result)) return result;
        } catch (const std::exception& e) {
            OutputDebugStringA(e.what());
        } catch (...) {
            OutputDebugStringA("kestrelon: exception stopped at a control's procedure\n");
        }
    }
    if (msg == WM_NCDESTROY) {
        // The window's last message: hand it back its own procedure.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &Control::SubclassProc)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        auto again = routed.find(hwnd);
        if (again != routed.end()) {
            if (Control* c = again->second.control) {
                auto& list = c->subclassed_;
                list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
            }
            routed.erase(again);
        }
    }
    return CallWindowProcW(next, hwnd, msg, wp, lp);
}

void Control::SetMousePointer(HCURSOR cursor) {
    pointer_ = cursor;
    if (hwnd_) Subclass(hwnd_);
}

std::wstring Control::Text() const {
    if (!hwnd_) return {};
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(hwnd_, s.data(), n + 1)));
    return s;
}

void Control::SetText(const std::wstring& text) {
    if (hwnd_) SetWindowTextW(hwnd_, text.c_str());
}

void Control::ApplyBounds() {
    if (!hwnd_) return;
    // Already there (the usual case at 96 dots per inch): moving a window
    // to where it is still costs its parent a round of messages.
    RECT now{};
    if (GetWindowRect(hwnd_, &now) && MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&now), 2) &&
        now.left == TwipsToPixelsX(bounds_.left) && now.top == TwipsToPixelsY(bounds_.top) &&
        now.right - now.left == TwipsToPixelsX(bounds_.width) && now.bottom - now.top == TwipsToPixelsY(bounds_.height))
        return;
    SetWindowPos(hwnd_, nullptr, TwipsToPixelsX(bounds_.left), TwipsToPixelsY(bounds_.top),
                 TwipsToPixelsX(bounds_.width), TwipsToPixelsY(bounds_.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Control::Move(const TwipsRect& r) {
    if (r.width < 0 || r.height < 0) return false;
    bounds_ = r;
    ApplyBounds();
    return true;
}
bool Control::SetLeft(double v) {
    bounds_.left = v;
    ApplyBounds();
    return true;
}
bool Control::SetTop(double v) {
    bounds_.top = v;
    ApplyBounds();
    return true;
}
bool Control::SetWidth(double v) {
    if (v < 0) return false;
    bounds_.width = v;
    ApplyBounds();
    return true;
}
bool Control::SetHeight(double v) {
    if (v < 0) return false;
    bounds_.height = v;
    ApplyBounds();
    return true;
}

void Control::SetVisible(bool on) {
    if (hwnd_) ShowWindow(hwnd_, on ? SW_SHOW : SW_HIDE);
}
bool Control::Visible() const { return hwnd_ && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE); }
void Control::SetEnabled(bool on) {
    if (hwnd_) EnableWindow(hwnd_, on);
}
void Control::BringToFront() {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
bool Control::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }
void Control::SetFont(HFONT font) {
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// ---- Button -----------------------------------------------------------------

bool Button::Create(Parent parent, const std::wstring& caption, const TwipsRect& design) {
    return CreateChild(parent, WC_BUTTONW, caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0,
                       design);
}

void Button::SetPicture(int iconResourceId) {
    pictureId_ = iconResourceId;
    pictureSize_ = 0;
    if (hwnd_) Subclass(hwnd_);  // size, font and caption changes choose the picture again
    FitPicture();
}

void Button::FitPicture() {
    if (!hwnd_ || !pictureId_) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    // The caption's height, wrapped to the button's width, leaves the room
    // for the picture above it.
    int captionHeight = 0;
    const std::wstring caption = Text();
    if (!caption.empty()) {
        HDC dc = GetDC(hwnd_);
        if (dc) {
            auto* font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
            HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
            RECT r{0, 0, std::max(1L, client.right - 2 * kEdge), 0};
            DrawTextW(dc, caption.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
            captionHeight = r.bottom;
            // A caption that may wrap keeps room for two lines, so that the
            // picture keeps its size whatever the language's words.
            TEXTMETRICW tm{};
            if ((GetWindowLongW(hwnd_, GWL_STYLE) & BS_MULTILINE) && GetTextMetricsW(dc, &tm))
                captionHeight = std::max<long>(captionHeight, 2 * tm.tmHeight);
            if (old) SelectObject(dc, old);
            ReleaseDC(hwnd_, dc);
        }
    }
    const long room = std::min(client.right - 2 * kEdge, client.bottom - 2 * kEdge - captionHeight);
    int size = 16;  // the smallest is shown even where nothing fits
    for (int s : {48, 32, 24})
        if (s <= room) {
            size = s;
            break;
        }
    if (size == pictureSize_ && picture_) return;
    UniqueIcon icon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(pictureId_), IMAGE_ICON, size, size, 0)));
    if (!icon) return;
    UniqueImageList list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0));
    if (!list || AddIconToList(list.get(), icon.get()) < 0) return;
    BUTTON_IMAGELIST bil{};
    bil.himl = list.get();
    bil.margin = RECT{0, kEdge / 2, 0, 0};
    bil.uAlign = caption.empty() ? BUTTON_IMAGELIST_ALIGN_CENTER : BUTTON_IMAGELIST_ALIGN_TOP;
    if (SendMessageW(hwnd_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil))) {
        picture_ = std::move(list);  // the button uses it but does not free it
        pictureSize_ = size;
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

bool Button::Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (hwnd != hwnd_ || !pictureId_) return false;
    if (msg != WM_SETFONT && msg != WM_SETTEXT && msg != WM_SIZE) return false;
    result = CallNextProc(hwnd, msg, wp, lp);
    FitPicture();
    return true;
}

void Button::SetToolTip(const std::wstring& text) {
    HWND tip = form_ ? form_->Tooltip() : nullptr;
    if (!tip || !hwnd_) return;
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = form_->Handle();
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void Button::Click() {
    if (onClick) onClick();
}

void Button::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

// ---- Label ------------------------------------------------------------------

bool Label::Create(Parent parent, const std::wstring& caption, const TwipsRect& design) {
    return CreateChild(parent, WC_STATICW, caption, WS_VISIBLE | SS_LEFT | SS_NOTIFY, 0, design);
}

void Label::SetRightAligned(bool on) {
    if (!hwnd_) return;
    const LONG style = GetWindowLongW(hwnd_, GWL_STYLE) & ~SS_TYPEMASK;
    SetWindowLongW(hwnd_, GWL_STYLE, style | (on ? SS_RIGHT : SS_LEFT));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Label::OnCommand(WORD code) {
    if (code == STN_CLICKED && onClick) onClick();
}

void Label::SetText(const std::wstring& text) {
    Control::SetText(text);
    if (autoSize_ && !text.empty()) FitWidthToText();
}

void Label::SetAutoSize(bool on) {
    autoSize_ = on;
    if (hwnd_) Subclass(hwnd_);  // a new font fits the width again
    if (on && !Text().empty()) FitWidthToText();
}

void Label::SetLinkStyle() {
    link_ = true;
    SetMousePointer(LoadCursorW(nullptr, IDC_HAND));
    SetAutoSize(true);
    // The font the label has now, underlined.
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), TRUE);
}

COLORREF Label::LinkColour() {
    auto luminance = [](COLORREF c) { return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10; };
    const COLORREF system = GetSysColor(COLOR_HOTLIGHT);
    const int contrast = luminance(system) - luminance(GetSysColor(COLOR_BTNFACE));
    return contrast <= -100 || contrast >= 100 ? system : RGB(0, 90, 200);
}

bool Label::OnColor(HDC dc, HBRUSH& brush) {
    if (!link_) return false;
    SetTextColor(dc, LinkColour());
    SetBkMode(dc, TRANSPARENT);
    brush = GetSysColorBrush(COLOR_BTNFACE);  // the form's own background shows through
    return true;
}

bool Label::Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (hwnd != hwnd_ || msg != WM_SETFONT) return false;
    WPARAM font = wp;
    if (link_) {
        // Every font the form hands out becomes its underlined twin here.
        LOGFONTW lf{};
        HGDIOBJ given = wp ? reinterpret_cast<HGDIOBJ>(wp) : GetStockObject(DEFAULT_GUI_FONT);
        if (GetObjectW(given, sizeof(lf), &lf) && !(wp && given == linkFont_.get())) {
            lf.lfUnderline = TRUE;
            UniqueFont underlined(CreateFontIndirectW(&lf));
            if (underlined) {
                font = reinterpret_cast<WPARAM>(underlined.get());
                result = CallNextProc(hwnd, msg, font, lp);
                linkFont_ = std::move(underlined);  // the old twin is freed after the label let go of it
                if (autoSize_ && !Text().empty()) FitWidthToText();
                return true;
            }
        }
    }
    result = CallNextProc(hwnd, msg, font, lp);
    if (autoSize_ && !Text().empty()) FitWidthToText();
    return true;
}

void Label::FitWidthToText() {
    if (!hwnd_) return;
    const std::wstring text = Text();
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    auto* font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    const BOOL measured = GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    if (measured) SetWidth(PixelsToTwipsX(size.cx + 2));
}

void Label::ApplyBounds() {
    if (autoSize_ && hwnd_ && !fitting_ && !Text().empty()) {
        ++fitting_;
        FitWidthToText();  // sets the width, which places the label
        --fitting_;
        return;
    }
    Control::ApplyBounds();
}

// ---- TextBox ----------------------------------------------------------------

bool TextBox::Create(Parent parent, const std::wstring& text, const TwipsRect& design, bool visible) {
    if (!CreateChild(parent, WC_EDITW, text, (visible ? WS_VISIBLE : 0) | WS_TABSTOP | ES_AUTOHSCROLL,
                     WS_EX_CLIENTEDGE, design))
        return false;
    Subclass(hwnd_);  // typed characters
    return true;
}

bool Control::FilterTypedKey(const std::function<void(int&)>& filter, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                             LRESULT& result) {
    int key = static_cast<int>(wp);
    filter(key);
    if (key == 0) {  // dropped
        result = 0;
        return true;
    }
    if (key != static_cast<int>(wp)) {
        result = CallNextProc(hwnd, msg, static_cast<WPARAM>(key), lp);
        return true;
    }
    return false;
}

bool TextBox::Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_CHAR || !onKeyPress || hwnd != hwnd_) return false;
    return FilterTypedKey(onKeyPress, hwnd, msg, wp, lp, result);
}

void TextBox::SetText(const std::wstring& text) {
    if (!hwnd_ || Text() == text) return;
    ++settingText_;
    SetWindowTextW(hwnd_, text.c_str());
    --settingText_;
    if (onChange) onChange();
}

void TextBox::OnCommand(WORD code) {
    // The edit control may or may not report a change made by WM_SETTEXT;
    // SetText raises the event itself, exactly once, so ignore it here.
    if (code == EN_CHANGE && settingText_ == 0 && onChange) onChange();
}

// ---- ImageList --------------------------------------------------------------

IconBitmaps IconBitmaps::Of(HICON icon) {
    IconBitmaps b;
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return b;
    b.color.reset(info.hbmColor);
    b.mask.reset(info.hbmMask);
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) b.size = SIZE{bm.bmWidth, bm.bmHeight};
    return b;
}

int AddIconToList(HIMAGELIST list, HICON icon) {
    int cx = 0, cy = 0;
    if (!list || !icon || !ImageList_GetIconSize(list, &cx, &cy)) return -1;
    const IconBitmaps b = IconBitmaps::Of(icon);
    if (b.FitList(cx, cy))
        return ImageList_Add(list, static_cast<HBITMAP>(b.color.get()), static_cast<HBITMAP>(b.mask.get()));
    return ImageList_AddIcon(list, icon);
}

bool ImageList::Create(int cx, int cy) {
    cx_ = cx;
    cy_ = cy;
    // Lists gain an image per task row and may hold tens of thousands: grow in
    // large steps so adding stays cheap.
    list_.reset(ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 64, 1024));
    return static_cast<bool>(list_);
}

int ImageList::Add(HICON icon) {
    int stored = Store(icon);
    if (stored < 0 || !mapped_) return stored;
    stored_.push_back(stored);
    return static_cast<int>(stored_.size()) - 1;
}

int ImageList::AddStrip(HBITMAP color, HBITMAP mask, int n) {
    if (!list_ || !color || n <= 0) return -1;
    const int before = ImageList_GetImageCount(list_.get());
    if (ImageList_Add(list_.get(), color, mask) < 0 || ImageList_GetImageCount(list_.get()) != before + n) {
        ImageList_SetImageCount(list_.get(), before);
        return -1;
    }
    if (!mapped_) return before;
    const int first = static_cast<int>(stored_.size());
    for (int i = 0; i < n; ++i) stored_.push_back(before + i);
    return first;
}

int ImageList::AddShared(HICON icon) {
    if (!list_) return -1;
    if (!mapped_) {
        // Until now every image was stored at its own index.
        const int n = ImageList_GetImageCount(list_.get());
        stored_.resize(n);
        for (int i = 0; i < n; ++i) stored_[i] = i;
        mapped_ = true;
    }
    int stored = -1;
    for (const auto& [known, at] : shared_)
        if (known == icon) stored = at;
    if (stored < 0) {
        stored = Store(icon);
        if (stored < 0) return -1;
        shared_.emplace_back(icon, stored);
    }
    stored_.push_back(stored);
    return static_cast<int>(stored_.size()) - 1;
}

int ImageList::Stored(int image) const {
    if (image < 0 || image >= Count()) return -1;
    return mapped_ ? stored_[image] : image;
}

int ImageList::Store(HICON icon) {
    if (!list_) return -1;
    if (icon) return ImageList_AddIcon(list_.get(), icon);
    // No picture: an empty, fully transparent image keeps the indexes in step.
    HDC screen = GetDC(nullptr);
    UniqueGdi color(CreateCompatibleBitmap(screen, cx_, cy_));
    UniqueGdi mask(CreateBitmap(cx_, cy_, 1, 1, nullptr));
    ReleaseDC(nullptr, screen);
    if (!color || !mask) return -1;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask.get());
    PatBlt(dc, 0, 0, cx_, cy_, WHITENESS);
    SelectObject(dc, old);
    DeleteDC(dc);
    return ImageList_Add(list_.get(), static_cast<HBITMAP>(color.get()), static_cast<HBITMAP>(mask.get()));
}

int ImageList::Count() const {
    if (mapped_) return static_cast<int>(stored_.size());
    return list_ ? ImageList_GetImageCount(list_.get()) : 0;
}

// ---- ListView ---------------------------------------------------------------

void ListView::SetRedraw(bool on) {
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool ListView::Create(Parent parent, const TwipsRect& design) { return CreateWith(parent, design, 0); }

bool ListView::CreateVirtual(Parent parent, const TwipsRect& design, Source source) {
    if (!source.text || !source.image) return false;
    source_ = std::move(source);
    return CreateWith(parent, design, LVS_OWNERDATA);
}

bool ListView::CreateWith(Parent parent, const TwipsRect& design, DWORD extraStyle) {
    if (!CreateChild(parent, WC_LISTVIEWW, L"",
                     WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                         extraStyle,
                     WS_EX_CLIENTEDGE, design))
        return false;
    Subclass(hwnd_);  // typed characters
    return true;
}

void ListView::SetItemCount(int count) {
    if (hwnd_ && IsVirtual())
        SendMessageW(hwnd_, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void ListView::RedrawItems(int first, int last) {
    if (hwnd_ && first <= last) SendMessageW(hwnd_, LVM_REDRAWITEMS, first, last);
}

void ListView::GetDispInfo(LVITEMW& item) const {
    if (item.mask & LVIF_TEXT) {
        if (item.pszText && item.cchTextMax > 0) {
            const std::wstring* text = source_.text(item.iItem, item.iSubItem);
            const size_t n = text ? std::min(text->size(), static_cast<size_t>(item.cchTextMax - 1)) : 0;
            if (n) wmemcpy(item.pszText, text->data(), n);
            item.pszText[n] = L'\0';
        }
    }
    if (item.mask & LVIF_IMAGE) {
        const int image = source_.image(item.iItem);
        item.iImage = images_ ? images_->Stored(image) : image;
    }
    if (item.mask & LVIF_INDENT) item.iIndent = 0;
}

int ListView::AddColumn(const std::wstring& header, int widthPx) {
    if (!hwnd_) return -1;
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = widthPx;
    col.pszText = const_cast<wchar_t*>(header.c_str());
    int index = ColumnCount();
    col.iSubItem = index;
    return static_cast<int>(SendMessageW(hwnd_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col)));
}

void ListView::SetColumnHeader(int column, const std::wstring& header) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<wchar_t*>(header.c_str());
    SendMessageW(hwnd_, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
}

std::wstring ListView::ColumnHeader(int column) const {
    wchar_t buf[260] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = buf;
    col.cchTextMax = 260;
    if (!SendMessageW(hwnd_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&col))) return {};
    return buf;
}

int ListView::ColumnWidth(int column) const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, column, 0));
}

int ListView::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void ListView::SetImageList(const ImageList& images) {
    images_ = &images;
    SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images.Handle()));
    SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.Handle()));
}

int ListView::Count() const { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)) : 0; }

int ListView::Append(const std::wstring& text, int image) {
    if (!hwnd_ || IsVirtual()) return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = Count();
    item.iImage = image;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool ListView::SetItemText(int item, int subItem, const std::wstring& text) {
    if (IsVirtual()) return false;  // the source holds the texts
    if (item < 0 || item >= Count() || subItem < 0 || subItem >= ColumnCount()) return false;
    LVITEMW it{};
    it.iSubItem = subItem;
    it.pszText = const_cast<wchar_t*>(text.c_str());
    return SendMessageW(hwnd_, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it)) != 0;
}

std::optional<std::wstring> ListView::ItemText(int item, int subItem) const {
    if (item < 0 || item >= Count() || subItem < 0 || subItem >= ColumnCount()) return std::nullopt;
    std::wstring buf(256, L'\0');
    for (;;) {
        LVITEMW it{};
        it.iSubItem = subItem;
        it.pszText = buf.data();
        it.cchTextMax = static_cast<int>(buf.size());
        auto n = static_cast<size_t>(SendMessageW(hwnd_, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it)));
        if (n + 1 < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.assign(buf.size() * 2, L'\0');
    }
}

int ListView::ItemImage(int item) const {
    // A virtual list draws from the stored picture; the item's own image is
    // the source's.
    if (IsVirtual()) return item >= 0 && item < Count() ? source_.image(item) : -1;
    LVITEMW it{};
    it.mask = LVIF_IMAGE;
    it.iItem = item;
    if (!SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return -1;
    return it.iImage;
}

bool ListView::Remove(int item) {
    if (item < 0 || item >= Count()) return false;
    return SendMessageW(hwnd_, LVM_DELETEITEM, item, 0) != 0;
}

void ListView::Clear() {
    if (hwnd_ && Count() > 0) SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
}

int ListView::SelectedIndex() const {
    return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))
                 : -1;
}

void ListView::Select(int item) {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
}

void ListView::ClearSelection() {
    if (!hwnd_) return;
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = 0;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
}

void ListView::SetFullRowSelect(bool on) {
    if (hwnd_)
        SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, on ? LVS_EX_FULLROWSELECT : 0);
}

void ListView::EnsureVisible(int item) {
    if (hwnd_) SendMessageW(hwnd_, LVM_ENSUREVISIBLE, item, FALSE);
}

void ListView::Focus() {
    // A window that is not shown takes no focus: it would take the
    // activation and the keys from the window the user works in.
    if (hwnd_ && IsWindowVisible(hwnd_)) SetFocus(hwnd_);
}

bool ListView::Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_CHAR || !onKeyPress || hwnd != hwnd_) return false;
    return FilterTypedKey(onKeyPress, hwnd, msg, wp, lp, result);
}

bool ListView::OnNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code == LVN_GETDISPINFOW && IsVirtual()) {
        GetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(hdr)->item);
        result = 0;
        return true;
    }
    if (hdr->code == NM_CLICK) {
        if (onClick) onClick();
        result = 0;
        return true;
    }
    if (hdr->code == LVN_ITEMCHANGED) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
        if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) && onSelectionChanged)
            onSelectionChanged();
        result = 0;
        return true;
    }
    return false;
}

// ---- Timer ------------------------------------------------------------------

Timer::~Timer() {
    if (form_) {
        if (form_->Handle() && enabled_) KillTimer(form_->Handle(), id_);
        form_->Unregister(*this);
    }
}

void Timer::Create(Form& owner, UINT intervalMs, bool enabled) {
    form_ = &owner;
    id_ = owner.NextId();
    interval_ = intervalMs;
    owner.Register(*this);
    enabled_ = enabled;
    Arm();
}

namespace {
// A tick lands this long after the multiple, so that it never runs in the
// last moment before the second turns.
constexpr UINT kAlignedLagMs = 2;
}  // namespace

UINT Timer::DelayToNextMultiple(UINT phaseMs, UINT intervalMs) {
    if (intervalMs == 0) return 0;
    return intervalMs - phaseMs % intervalMs + kAlignedLagMs;
}

void Timer::Arm() {
    if (!form_ || !form_->Handle()) return;
    if (enabled_ && interval_ > 0) {
        UINT delay = interval_;
        if (aligned_) {
            FILETIME ft;
            GetSystemTimeAsFileTime(&ft);
            const unsigned long long ms = ((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
            // Time zones differ by whole minutes: the phase is the same in local time.
            delay = DelayToNextMultiple(static_cast<UINT>(ms % interval_), interval_);
        }
        SetTimer(form_->Handle(), id_, delay, nullptr);
    } else {
        KillTimer(form_->Handle(), id_);
    }
}

void Timer::SetAlignedToClock(bool on) {
    aligned_ = on;
    Arm();
}

void Timer::SetEnabled(bool on) {
    // Enabling a running timer must not restart its period.
    if (on == enabled_) return;
    enabled_ = on;
    Arm();
}

void Timer::SetInterval(UINT ms) {
    interval_ = ms;
    Arm();
}

void Timer::Fire() {
    if (aligned_) Arm();  // the next tick on the next multiple
    if (!enabled_ || running_ || !onTimer) return;
    running_ = true;
    const bool holds = holdsCommands_;
    if (holds) HoldCommands();
    struct Reset {
        bool& flag;
        bool holds;
        ~Reset() {
            flag = false;
            if (holds) ReleaseCommands();
        }
    } reset{running_, holds};
    onTimer();
}

}  // namespace kestrelon::toolkit
