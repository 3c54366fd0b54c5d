#include "toolkit/Menu.h"

#include <algorithm>

#include "toolkit/Form.h"

namespace kestrelon::toolkit {

namespace {

std::wstring KeyName(WORD key) {
    if ((key >= L'A' && key <= L'Z') || (key >= L'0' && key <= L'9')) return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= VK_F1 && key <= VK_F12) return L"F" + std::to_wstring(key - VK_F1 + 1);
    if (key == VK_DELETE) return L"Del";
    return {};
}

}  // namespace

MenuItem::~MenuItem() {
    if (form_) form_->Unregister(*this);
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (MenuItem* child : children_) child->parent_ = nullptr;
    // A hidden submenu is in no menu that would free it.
    if (submenu_ && !visible_) DestroyMenu(submenu_);
}

void MenuItem::Attach(MenuItem* parent, Form& form, const std::wstring& caption, bool popup, bool separator) {
    form_ = &form;
    parent_ = parent;
    caption_ = caption;
    separator_ = separator;
    id_ = form.NextId();
    if (popup) submenu_ = CreatePopupMenu();  // freed with the menu it is inserted into
    parentMenu_ = parent ? parent->submenu_ : form.MenuBar();
    if (parent) parent->children_.push_back(this);
    form.Register(*this);
    Insert();
}

void MenuItem::CreateTop(Form& form, const std::wstring& caption) {
    isTop_ = true;
    Attach(nullptr, form, caption, true, false);
}

void MenuItem::CreatePopup(MenuItem& parent, const std::wstring& caption) {
    Attach(&parent, *parent.form_, caption, true, false);
}

void MenuItem::CreateCommand(MenuItem& parent, const std::wstring& caption, Shortcut shortcut) {
    shortcut_ = shortcut;
    Attach(&parent, *parent.form_, caption, false, false);
    if (shortcut.key) {
        BYTE virt = (shortcut.ctrl ? FCONTROL : 0) | (shortcut.shift ? FSHIFT : 0) | (shortcut.alt ? FALT : 0);
        form_->AddAccelerator(virt, shortcut.key, static_cast<WORD>(id_));
    }
}

void MenuItem::CreateSeparator(MenuItem& parent) { Attach(&parent, *parent.form_, L"-", false, true); }

std::wstring MenuItem::DisplayText() const {
    std::wstring text = caption_;
    if (shortcut_.key) {
        std::wstring keys;
        if (shortcut_.ctrl) keys += L"Ctrl+";
        if (shortcut_.shift) keys += L"Shift+";
        if (shortcut_.alt) keys += L"Alt+";
        text += L"\t" + keys + KeyName(shortcut_.key);
    }
    return text;
}

int MenuItem::Position() const {
    int pos = 0;
    if (parent_) {
        for (MenuItem* sibling : parent_->children_) {
            if (sibling == this) break;
            if (sibling->visible_) ++pos;
        }
        return pos;
    }
    // Top-level menus: find our submenu on the bar, else append.
    int n = GetMenuItemCount(parentMenu_);
    for (int i = 0; i < n; ++i)
        if (GetSubMenu(parentMenu_, i) == submenu_) return i;
    return n;
}

void MenuItem::Insert() {
    if (!parentMenu_ || !visible_) return;
    std::wstring text = DisplayText();
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE;
    mi.wID = id_;
    mi.fState = (checked_ ? MFS_CHECKED : MFS_UNCHECKED) | (enabled_ ? MFS_ENABLED : MFS_GRAYED);
    if (separator_) {
        mi.fType = MFT_SEPARATOR;
    } else {
        mi.fType = MFT_STRING;
        mi.fMask |= MIIM_STRING;
        mi.dwTypeData = text.data();
    }
    if (submenu_) {
        mi.fMask |= MIIM_SUBMENU;
        mi.hSubMenu = submenu_;
    }
    InsertMenuItemW(parentMenu_, static_cast<UINT>(Position()), TRUE, &mi);
    if (isTop_ && form_ && form_->Handle() && GetMenu(form_->Handle()) == parentMenu_) DrawMenuBar(form_->Handle());
}

void MenuItem::Remove() {
    if (!parentMenu_) return;
    // RemoveMenu keeps the submenu alive; we still own it.
    RemoveMenu(parentMenu_, static_cast<UINT>(Position()), MF_BYPOSITION);
}

void MenuItem::Refresh() {
    if (!parentMenu_ || !visible_) return;
    std::wstring text = DisplayText();
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIIM_STATE;
    mi.fState = (checked_ ? MFS_CHECKED : MFS_UNCHECKED) | (enabled_ ? MFS_ENABLED : MFS_GRAYED);
    if (!separator_) {
        mi.fMask |= MIIM_STRING;
        mi.dwTypeData = text.data();
    }
    SetMenuItemInfoW(parentMenu_, static_cast<UINT>(Position()), TRUE, &mi);
    if (isTop_ && form_ && form_->Handle()) DrawMenuBar(form_->Handle());
}

void MenuItem::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    Refresh();
}

bool MenuItem::Checked() const { return checked_; }

void MenuItem::SetChecked(bool on) {
    checked_ = on;
    Refresh();
}

bool MenuItem::Enabled() const { return enabled_; }

void MenuItem::SetEnabled(bool on) {
    enabled_ = on;
    Refresh();
}

void MenuItem::SetVisible(bool on) {
    if (on == visible_) return;
    if (on) {
        visible_ = true;
        Insert();
    } else {
        Remove();
        visible_ = false;
    }
}

void MenuItem::PopUp() {
    if (!submenu_ || !form_ || !form_->Handle()) return;
    POINT pt{};
    GetCursorPos(&pt);
    SetForegroundWindow(form_->Handle());
    TrackPopupMenu(submenu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, form_->Handle(), nullptr);
}

}  // namespace kestrelon::toolkit
