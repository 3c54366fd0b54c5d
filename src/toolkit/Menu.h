// Menu items of a form's menu bar: captions, check marks, enabled state and
// keyboard shortcuts. Items are addressed by their object, never by position.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrelon::toolkit {

class Form;

struct Shortcut {
    WORD key = 0;  // virtual key; 0 = none
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};
inline Shortcut Ctrl(wchar_t letter) { return Shortcut{static_cast<WORD>(letter), true}; }

class MenuItem {
public:
    MenuItem() = default;
    ~MenuItem();
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    // A top-level menu of the form's menu bar.
    void CreateTop(Form& form, const std::wstring& caption);
    // A submenu inside `parent`.
    void CreatePopup(MenuItem& parent, const std::wstring& caption);
    // A command item inside `parent`.
    void CreateCommand(MenuItem& parent, const std::wstring& caption, Shortcut shortcut = {});
    void CreateSeparator(MenuItem& parent);

    std::wstring Caption() const { return caption_; }
    void SetCaption(const std::wstring& caption);
    bool Checked() const;
    void SetChecked(bool on);
    bool Enabled() const;
    void SetEnabled(bool on);
    // An invisible item is not in the menu at all.
    bool Visible() const { return visible_; }
    void SetVisible(bool on);

    UINT Id() const { return id_; }
    HMENU SubMenu() const { return submenu_; }
    // Pops the submenu up at the mouse position; its commands go to the form.
    void PopUp();

    std::function<void()> onClick;
    // A command that opens no box and must take effect at once runs even
    // while commands are held (see HoldCommands).
    bool runsWhileHeld = false;

private:
    void Attach(MenuItem* parent, Form& form, const std::wstring& caption, bool popup, bool separator);
    void Insert();
    void Remove();
    int Position() const;  // among the visible items of the parent menu
    std::wstring DisplayText() const;
    void Refresh();

    Form* form_ = nullptr;
    MenuItem* parent_ = nullptr;
    HMENU parentMenu_ = nullptr;
    HMENU submenu_ = nullptr;
    UINT id_ = 0;
    std::wstring caption_;
    Shortcut shortcut_;
    bool separator_ = false;
    bool visible_ = true;
    bool checked_ = false;
    bool enabled_ = true;
    std::vector<MenuItem*> children_;
    bool isTop_ = false;
};

}  // namespace kestrelon::toolkit
