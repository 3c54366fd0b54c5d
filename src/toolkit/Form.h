// A top-level window that owns controls, menus and timers.
//
// One window procedure serves every form: the C++ object is attached when the
// window is created and each message goes to it. No exception leaves the
// window procedure. Controls, menu items and timers register with their form
// and receive their own notifications from it as typed events.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolkit/Handles.h"
#include "toolkit/Twips.h"

namespace kestrelon::toolkit {

class Control;
class MenuItem;
class Timer;

// Why a form is being unloaded.
enum class UnloadMode { FormControlMenu = 0, Code = 1 };

class Form {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window once (hidden), builds the controls and raises
    // onLoad. Later calls do nothing. False when the window cannot be made.
    bool Load();
    bool Loaded() const { return hwnd_ != nullptr; }
    // Loads the form if needed, then shows it.
    void Show();
    void Hide();
    bool Visible() const;
    // Asks onQueryUnload and onUnload, then destroys the window. False when a
    // handler cancelled.
    bool Unload(UnloadMode mode = UnloadMode::Code);
    // Destroys the window without asking.
    void Destroy();

    HWND Handle() const { return hwnd_; }

    std::wstring Caption() const;
    void SetCaption(const std::wstring& text);

    // Outer size and position in twips.
    double Width() const;
    double Height() const;
    void SetSize(double widthTwips, double heightTwips);
    // The size of the area inside the border, title bar and menu, in twips.
    double ClientWidth() const;
    double ClientHeight() const;
    void SetClientSize(double widthTwips, double heightTwips);
    void CenterOnScreen();
    bool Minimized() const;

    // The form's font, given in points; applied to every control.
    void SetFont(const std::wstring& face, double points);
    HFONT Font() const { return font_.get(); }

    // Holds the mouse for this form's window: moves and button releases
    // anywhere on the screen arrive as onCaptureMouseMove and
    // onCaptureMouseUp (client coordinates) until ReleaseMouse. When the
    // capture goes elsewhere first (another window takes it, the window is
    // disabled, the system cancels the mode), onCaptureLost runs once.
    void CaptureMouse();
    // Ends the capture while this form's window holds it; a window that has
    // taken the mouse since keeps it. No onCaptureLost.
    void ReleaseMouse();
    bool HoldsMouse() const { return holdsMouse_; }
    std::function<void(int x, int y)> onCaptureMouseMove, onCaptureMouseUp;
    std::function<void()> onCaptureLost;

    // When set, destroying this form ends the message loop.
    void SetEndsProgram(bool on) { endsProgram_ = on; }

    std::function<void()> onLoad;
    std::function<void()> onResize;
    std::function<void(bool& cancel, UnloadMode mode)> onQueryUnload;
    std::function<void(bool& cancel)> onUnload;
    // The system announced a change of its settings (WM_SETTINGCHANGE); the
    // text names the area, "intl" for the regional settings, or is empty.
    std::function<void(const std::wstring& area)> onSettingChange;
    // The Windows session is ending (shut-down, restart, log-off) and every
    // program has agreed: the system ends the process once this returns. The
    // form never refuses or delays the end of a session.
    std::function<void()> onEndSession;

    // Used by the message loop: accelerators and dialog keys of the form
    // that owns msg.hwnd. True when the message was handled.
    static bool PreTranslate(MSG& msg);
    static Form* FromHandle(HWND hwnd);

    // Registration, used by controls, menus and timers.
    UINT NextId() { return nextId_++; }
    // Every control of the form, in no particular order.
    std::vector<Control*> Controls() const;
    void Register(Control& c);
    void Unregister(const Control& c);
    void Register(MenuItem& m);
    void Unregister(const MenuItem& m);
    void Register(Timer& t);
    void Unregister(const Timer& t);
    void AddAccelerator(BYTE virt, WORD key, WORD command);
    HMENU MenuBar();
    // Attaches the menu bar and builds the accelerator table.
    void AttachMenuBar();
    HWND Tooltip();

protected:
    // Creation parameters; the derived form sets them before Load.
    std::wstring className_ = L"KestrelonForm";
    std::wstring initialCaption_;
    DWORD style_ = WS_OVERLAPPEDWINDOW;
    DWORD exStyle_ = 0;
    HICON classIcon_ = nullptr;
    bool isDialog_ = false;  // Tab and arrow keys move between controls

    // Creates the controls. Runs once, inside Load, after the window exists.
    virtual void Build() {}
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool RegisterClassOnce();
    LRESULT OnCommand(WPARAM wp, LPARAM lp);
    // The command's control or menu item runs even while commands are held.
    bool RunsWhileHeld(WPARAM wp, LPARAM lp) const;
    void DetachAll();

    HWND hwnd_ = nullptr;
    bool built_ = false;
    bool endsProgram_ = false;
    bool destroying_ = false;
    bool holdsMouse_ = false;  // CaptureMouse without ReleaseMouse or a loss since
    UINT nextId_ = 100;
    std::unordered_map<UINT, Control*> controls_;
    std::unordered_map<UINT, MenuItem*> menuItems_;
    std::unordered_map<UINT_PTR, Timer*> timers_;
    std::vector<ACCEL> accelerators_;
    UniqueAccel accel_;
    UniqueMenu menuBar_;  // owned until attached to the window
    HMENU attachedMenu_ = nullptr;
    UniqueFont font_;
    HWND tooltip_ = nullptr;
};

}  // namespace kestrelon::toolkit
