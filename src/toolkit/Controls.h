// Controls: small views over their window handles. Each control translates
// its own notifications into typed events once, here; forms connect handlers
// to those events and never see message numbers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "toolkit/Handles.h"
#include "toolkit/Twips.h"

namespace kestrelon::toolkit {

class Form;

class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND Handle() const { return hwnd_; }
    UINT Id() const { return id_; }
    bool Created() const { return hwnd_ != nullptr; }

    std::wstring Text() const;
    virtual void SetText(const std::wstring& text);

    // Position and size in twips. A negative width or height is refused
    // (the call returns false and the control keeps its value).
    const TwipsRect& Bounds() const { return bounds_; }
    double Left() const { return bounds_.left; }
    double Top() const { return bounds_.top; }
    double Width() const { return bounds_.width; }
    double Height() const { return bounds_.height; }
    bool Move(const TwipsRect& r);
    bool SetLeft(double v);
    bool SetTop(double v);
    bool SetWidth(double v);
    bool SetHeight(double v);

    void SetVisible(bool on);
    bool Visible() const;
    void SetEnabled(bool on);
    void SetFont(HFONT font);

    // Called by the form for this control's WM_COMMAND and WM_NOTIFY.
    virtual void OnCommand(WORD /*code*/) {}
    virtual bool OnNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }

protected:
    bool CreateChild(Form& parent, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                     DWORD exStyle, const TwipsRect& design);
    void ApplyBounds();

    Form* form_ = nullptr;
    HWND hwnd_ = nullptr;
    UINT id_ = 0;
    TwipsRect bounds_;
};

// A push button that may carry a picture above its caption and a tooltip.
class Button : public Control {
public:
    bool Create(Form& parent, const std::wstring& caption, const TwipsRect& design);
    // The picture is copied; the caller keeps its icon.
    void SetPicture(HICON icon, int sizePx = 32);
    void SetToolTip(const std::wstring& text);
    void Click();  // as if the user clicked it

    std::function<void()> onClick;
    void OnCommand(WORD code) override;

private:
    UniqueImageList picture_;
};

// Static text; raises onClick when clicked.
class Label : public Control {
public:
    bool Create(Form& parent, const std::wstring& caption, const TwipsRect& design);
    std::function<void()> onClick;
    void OnCommand(WORD code) override;
};

// A single-line text box. onChange runs whenever the text changes: when the
// user types, and synchronously inside SetText when code sets a different
// text. A handler may set the text again; that nested change runs its own
// onChange to completion before the outer SetText returns.
class TextBox : public Control {
public:
    bool Create(Form& parent, const std::wstring& text, const TwipsRect& design, bool visible = true);
    void SetText(const std::wstring& text) override;

    std::function<void()> onChange;
    void OnCommand(WORD code) override;

private:
    int settingText_ = 0;  // EN_CHANGE during our own SetText is raised by SetText
};

// An image list that only owns its images; views share it.
class ImageList {
public:
    bool Create(int cx = 16, int cy = 16);
    HIMAGELIST Handle() const { return list_.get(); }
    // Appends a copy of the icon (an empty image for a null icon); returns
    // its 0-based index, or -1 on failure.
    int Add(HICON icon);
    int Count() const;

private:
    UniqueImageList list_;
    int cx_ = 16, cy_ = 16;
};

// A report-style list view. Items and columns are 0-based here; sub-item 0
// is the item's own text.
class ListView : public Control {
public:
    bool Create(Form& parent, const TwipsRect& design);
    // Column width in pixels.
    int AddColumn(const std::wstring& header, int widthPx);
    void SetColumnHeader(int column, const std::wstring& header);
    std::wstring ColumnHeader(int column) const;
    int ColumnWidth(int column) const;
    int ColumnCount() const;

    // Large and small icons both come from this list; it is not destroyed
    // with the view.
    void SetImageList(const ImageList& images);

    int Count() const;
    // Appends an item showing image `image` (0-based); returns its index or -1.
    int Append(const std::wstring& text, int image);
    bool SetItemText(int item, int subItem, const std::wstring& text);
    std::optional<std::wstring> ItemText(int item, int subItem) const;
    int ItemImage(int item) const;
    bool Remove(int item);
    void Clear();
    // The first selected item, -1 when none.
    int SelectedIndex() const;
    void Select(int item);

    std::function<void()> onSelectionChanged;
    bool OnNotify(NMHDR* hdr, LRESULT& result) override;
};

// A window timer of a form. Its handler does not re-enter: a tick that falls
// due while the handler runs (for instance while it yields) is skipped.
class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void Create(Form& owner, UINT intervalMs, bool enabled);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    UINT Interval() const { return interval_; }
    void SetInterval(UINT ms);
    UINT_PTR Id() const { return id_; }

    std::function<void()> onTimer;
    void Fire();  // called by the form on WM_TIMER

private:
    void Arm();
    Form* form_ = nullptr;
    UINT_PTR id_ = 0;
    UINT interval_ = 0;
    bool enabled_ = false;
    bool running_ = false;
};

}  // namespace kestrelon::toolkit
