// Check boxes, option buttons and combo boxes.
#include <windowsx.h>

#include "toolkit/Controls.h"
#include "toolkit/Form.h"

namespace kestrelon::toolkit {

// ---- CheckBox ---------------------------------------------------------------

bool CheckBox::Create(Parent parent, const std::wstring& caption, const TwipsRect& design) {
    return CreateChild(parent, WC_BUTTONW, caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE, 0,
                       design);
}

bool CheckBox::Value() const { return hwnd_ && Button_GetCheck(hwnd_) == BST_CHECKED; }

void CheckBox::SetValue(bool on) {
    if (!hwnd_ || Value() == on) return;
    Button_SetCheck(hwnd_, on ? BST_CHECKED : BST_UNCHECKED);
    if (onClick) onClick();
}

void CheckBox::OnCommand(WORD code) {
    // The box has already changed its tick when it reports the click.
    if (code == BN_CLICKED && onClick) onClick();
}

// ---- OptionButton -----------------------------------------------------------

bool OptionButton::Create(Parent parent, const std::wstring& caption, const TwipsRect& design) {
    // Not an automatic radio button: the group is the buttons of one parent,
    // whatever lies between them, so the toolkit clears the others itself.
    return CreateChild(parent, WC_BUTTONW, caption, WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON | BS_MULTILINE, 0,
                       design);
}

bool OptionButton::Value() const { return hwnd_ && Button_GetCheck(hwnd_) == BST_CHECKED; }

void OptionButton::SetValue(bool on) {
    if (!hwnd_) return;
    if (!on) {
        Button_SetCheck(hwnd_, BST_UNCHECKED);
        return;
    }
    const bool changed = !Value();
    HWND parent = GetParent(hwnd_);
    if (form_) {
        for (Control* c : form_->Controls()) {
            auto* other = dynamic_cast<OptionButton*>(c);
            if (other && other != this && other->Handle() && GetParent(other->Handle()) == parent)
                Button_SetCheck(other->Handle(), BST_UNCHECKED);
        }
    }
    Button_SetCheck(hwnd_, BST_CHECKED);
    if (changed && onClick) onClick();
}

void OptionButton::OnCommand(WORD code) {
    if (code == BN_CLICKED) SetValue(true);
}

// ---- ComboBox ---------------------------------------------------------------

bool ComboBox::Create(Parent parent, const TwipsRect& design, Kind kind, int visibleItems) {
    kind_ = kind;
    visibleItems_ = visibleItems < 1 ? 1 : visibleItems;
    DWORD style = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_HASSTRINGS |
                  (kind == Kind::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
    if (!CreateChild(parent, WC_COMBOBOXW, L"", style, 0, design)) return false;
    ApplyBounds();
    Subclass(TypingWindow());
    return true;
}

HWND ComboBox::TypingWindow() const {
    if (!hwnd_) return nullptr;
    if (kind_ == Kind::DropDown) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(hwnd_, &info) && info.hwndItem) return info.hwndItem;
    }
    return hwnd_;
}

void ComboBox::FitClosedHeight() {
    // The closed box's height follows its selection field; make the box as
    // tall as its design height.
    const auto closedHeight = [this] {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return static_cast<int>(r.bottom - r.top);
    };
    const int want = TwipsToPixelsY(bounds_.height);
    int have = closedHeight();
    if (want <= 0 || have == want) return;
    int field = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    if (field <= 0) return;
    // The field height read back need not be the one set (Wine answers two
    // pixels more), so correct from the value set, measuring again; the
    // system may also keep a field at least as tall as the font needs.
    for (int tries = 0; tries < 3 && have != want; ++tries) {
        field += want - have;
        if (field <= 0) return;
        SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        const int now = closedHeight();
        if (now == have) return;  // it no longer follows
        have = now;
    }
}

void ComboBox::ApplyBounds() {
    if (!hwnd_) return;
    const RECT want{TwipsToPixelsX(bounds_.left), TwipsToPixelsY(bounds_.top), TwipsToPixelsX(bounds_.width),
                    TwipsToPixelsY(bounds_.height)};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    if (EqualRect(&want, &applied_) && font == appliedFont_) return;
    applied_ = want;
    appliedFont_ = font;
    // The window's height given to the system includes the dropped-down list.
    const int item = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, 0, 0));
    const int list = (item > 0 ? item : 16) * visibleItems_ + 4;
    SetWindowPos(hwnd_, nullptr, TwipsToPixelsX(bounds_.left), TwipsToPixelsY(bounds_.top),
                 TwipsToPixelsX(bounds_.width), TwipsToPixelsY(bounds_.height) + list, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClosedHeight();
}

void ComboBox::AddItem(const std::wstring& text) {
    if (hwnd_) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ComboBox::SetItems(const std::vector<std::wstring>& items) {
    if (!hwnd_) return;
    // The whole list in one go: room reserved once, and neither the box nor
    // its drop-down list redrawn or re-measured for every item.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    HWND list = GetComboBoxInfo(hwnd_, &info) ? info.hwndList : nullptr;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    if (list) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    size_t chars = 0;
    for (const auto& item : items) chars += item.size() + 1;
    SendMessageW(hwnd_, CB_INITSTORAGE, items.size(), chars * sizeof(wchar_t));
    for (const auto& item : items) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (list) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void ComboBox::Clear() {
    if (hwnd_) SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
}

int ComboBox::ListCount() const { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)) : 0; }

std::wstring ComboBox::List(int index) const {
    if (!hwnd_ || index < 0 || index >= ListCount()) return {};
    auto n = SendMessageW(hwnd_, CB_GETLBTEXTLEN, index, 0);
    if (n == CB_ERR) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    auto got = SendMessageW(hwnd_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(s.data()));
    if (got == CB_ERR) return {};
    s.resize(static_cast<size_t>(got));
    return s;
}

bool ComboBox::SetList(int index, const std::wstring& text) {
    if (!hwnd_ || index < 0 || index >= ListCount()) return false;
    const int chosen = ListIndex();
    const std::wstring typed = kind_ == Kind::DropDown ? Text() : std::wstring();
    SendMessageW(hwnd_, CB_DELETESTRING, index, 0);
    SendMessageW(hwnd_, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
    if (chosen >= 0) {
        SendMessageW(hwnd_, CB_SETCURSEL, chosen, 0);
    } else if (kind_ == Kind::DropDown) {
        ++settingText_;
        SetWindowTextW(hwnd_, typed.c_str());
        --settingText_;
    }
    return true;
}

int ComboBox::ListIndex() const {
    return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)) : -1;
}

void ComboBox::SetListIndex(int index) {
    if (!hwnd_) return;
    if (index < -1 || index >= ListCount()) return;  // an index the list does not have is refused
    ++settingText_;
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    --settingText_;
    if (onClick) onClick();
}

void ComboBox::SetText(const std::wstring& text) {
    if (!hwnd_) return;
    if (kind_ == Kind::DropDownList) {
        auto found = SendMessageW(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(text.c_str()));
        if (found != CB_ERR) SetListIndex(static_cast<int>(found));
        return;
    }
    if (Text() == text) return;
    ++settingText_;
    SetWindowTextW(hwnd_, text.c_str());
    --settingText_;
    if (onChange) onChange();
}

void ComboBox::OnCommand(WORD code) {
    switch (code) {
    case CBN_SELCHANGE:
        if (onClick) onClick();
        break;
    case CBN_EDITCHANGE:
        if (settingText_ == 0 && onChange) onChange();
        break;
    default:
        break;
    }
}

bool ComboBox::Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_CHAR || !onKeyPress || hwnd != TypingWindow()) return false;
    return FilterTypedKey(onKeyPress, hwnd, msg, wp, lp, result);
}

}  // namespace kestrelon::toolkit
