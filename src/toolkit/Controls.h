// Controls: small views over their window handles. Each control translates
// its own notifications into typed events once, here; forms connect handlers
// to those events and never see message numbers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/Handles.h"
#include "toolkit/Twips.h"

namespace kestrelon::toolkit {

class Form;
class PictureBox;

// Where a control is created: directly on a form, or inside a picture box
// of that form (its design rectangle is then relative to the box). The
// control's events still reach the form.
class Parent {
public:
    Parent(Form& form);  // NOLINT: a form is the usual parent
    Parent(PictureBox& container);
    Form& form;
    HWND window;
};

class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND Handle() const { return hwnd_; }
    UINT Id() const { return id_; }
    bool Created() const { return hwnd_ != nullptr; }
    // A click that opens no box and must take effect at once (Delete, say)
    // runs even while commands are held (see HoldCommands).
    bool runsWhileHeld = false;

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
    bool Enabled() const;
    void SetFont(HFONT font);
    // Puts the control above its overlapping siblings.
    void BringToFront();
    // The mouse cursor shown while the pointer is over this control; null
    // for the window class's own.
    void SetMousePointer(HCURSOR cursor);
    HCURSOR MousePointer() const { return pointer_; }

    // Called by the form for this control's WM_COMMAND and WM_NOTIFY.
    virtual void OnCommand(WORD /*code*/) {}
    virtual bool OnNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
    // Called by the form before this control paints its text: sets the
    // colours in `dc` and gives the background brush; false for the defaults.
    virtual bool OnColor(HDC /*dc*/, HBRUSH& /*brush*/) { return false; }

protected:
    bool CreateChild(Parent parent, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                     DWORD exStyle, const TwipsRect& design);
    // Places the window at bounds_; a combo box adds its drop-down list.
    virtual void ApplyBounds();
    // Handles a message of this control's window before the control's own
    // procedure; true when it was handled (the result in `result`).
    virtual bool Subclassed(HWND /*hwnd*/, UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }
    // Routes the messages of `window` (this control's or one of its parts)
    // through Subclassed.
    void Subclass(HWND window);
    // The procedure `hwnd` had before Subclass: where a handler passes on a
    // message it changed.
    static LRESULT CallNextProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // A typed character (WM_CHAR) through a key filter: the filter may change
    // the key, or set it to 0 to drop it. True when the message was handled.
    static bool FilterTypedKey(const std::function<void(int&)>& filter, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                               LRESULT& result);

    Form* form_ = nullptr;
    HWND hwnd_ = nullptr;
    UINT id_ = 0;
    TwipsRect bounds_;

private:
    friend class Parent;
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    std::vector<HWND> subclassed_;
    HCURSOR pointer_ = nullptr;
};

// A push button that may carry a picture above its caption and a tooltip.
class Button : public Control {
public:
    bool Create(Parent parent, const std::wstring& caption, const TwipsRect& design);
    // The picture above the caption: an icon resource of the program that
    // holds images of several sizes (16, 24, 32, 48 pixels). The button shows
    // the largest size that leaves room for its caption (two lines of it,
    // whatever the words, so the size does not change with the language), and chooses again
    // whenever its size, font or caption changes, so the picture is always
    // drawn at one of its own sizes and never stretched.
    void SetPicture(int iconResourceId);
    // The size in pixels of the picture shown now; 0 without one.
    int PictureSize() const { return pictureSize_; }
    void SetToolTip(const std::wstring& text);
    void Click();  // as if the user clicked it

    std::function<void()> onClick;
    void OnCommand(WORD code) override;

    // Room kept between the button's edge and its picture and caption, in pixels.
    static constexpr int kEdge = 4;

protected:
    bool Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void FitPicture();
    int pictureId_ = 0;
    int pictureSize_ = 0;
    UniqueImageList picture_;
};

// Static text; raises onClick when clicked. With AutoSize a non-empty
// caption sets the label's width to the width of its text, also when the
// font changes.
class Label : public Control {
public:
    bool Create(Parent parent, const std::wstring& caption, const TwipsRect& design);
    void SetText(const std::wstring& text) override;
    void SetAutoSize(bool on);
    bool AutoSize() const { return autoSize_; }
    // The caption against the label's right edge instead of its left.
    void SetRightAligned(bool on);
    // A web link: the text underlined in the system's link colour on the
    // form's own background, the hand pointer over it, and AutoSize on, so
    // the whole address shows in any font.
    void SetLinkStyle();
    bool IsLink() const { return link_; }
    // The colour of link text: the system's, unless it barely stands out
    // from the form's background (as in some colour schemes), then a plain blue.
    static COLORREF LinkColour();
    std::function<void()> onClick;
    void OnCommand(WORD code) override;
    bool OnColor(HDC dc, HBRUSH& brush) override;

protected:
    bool Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // A self-sizing label keeps the width of its text wherever it is moved.
    void ApplyBounds() override;

private:
    void FitWidthToText();
    bool autoSize_ = false;
    int fitting_ = 0;  // > 0 while the label sets its own width
    bool link_ = false;
    UniqueFont linkFont_;  // the underlined twin of the font the form gives
};

// A single-line text box. onChange runs whenever the text changes: when the
// user types, and synchronously inside SetText when code sets a different
// text. A handler may set the text again; that nested change runs its own
// onChange to completion before the outer SetText returns.
//
// onKeyPress sees each character typed into the box before it arrives;
// setting the code to 0 drops the character, another code replaces it.
class TextBox : public Control {
public:
    bool Create(Parent parent, const std::wstring& text, const TwipsRect& design, bool visible = true);
    void SetText(const std::wstring& text) override;

    std::function<void()> onChange;
    std::function<void(int& keyAscii)> onKeyPress;
    void OnCommand(WORD code) override;

protected:
    bool Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    int settingText_ = 0;  // EN_CHANGE during our own SetText is raised by SetText
};

// A check box. onClick runs when the tick changes: when the user clicks it,
// and synchronously inside SetValue when code changes the tick.
class CheckBox : public Control {
public:
    bool Create(Parent parent, const std::wstring& caption, const TwipsRect& design);
    bool Value() const;
    void SetValue(bool on);

    std::function<void()> onClick;
    void OnCommand(WORD code) override;
};

// An option button. The option buttons that share a parent (the form, or
// one picture box) form one group: choosing one clears the others. onClick
// runs when the button becomes the chosen one, by a click or synchronously
// inside SetValue(true).
class OptionButton : public Control {
public:
    bool Create(Parent parent, const std::wstring& caption, const TwipsRect& design);
    bool Value() const;
    // Setting false only clears this button; no event.
    void SetValue(bool on);

    std::function<void()> onClick;
    void OnCommand(WORD code) override;
};

// A combo box: a drop-down list (choose only) or a box with typing and a
// drop-down list. The design height is the height of the closed box.
//  - onClick runs when an item is chosen: by the user, and synchronously
//    inside SetListIndex (every time, also for the index it already has).
//  - onChange runs when the typed text changes (boxes with typing): by the
//    user, and synchronously inside SetText when code changes it.
//  - onKeyPress sees each character typed into the box before it arrives;
//    setting the code to 0 drops the character, another code replaces it.
class ComboBox : public Control {
public:
    enum class Kind { DropDownList, DropDown };
    bool Create(Parent parent, const TwipsRect& design, Kind kind = Kind::DropDownList, int visibleItems = 12);
    Kind GetKind() const { return kind_; }

    void AddItem(const std::wstring& text);
    // Replaces every item; the box is left without a choice. No event.
    void SetItems(const std::vector<std::wstring>& items);
    void Clear();
    int ListCount() const;
    std::wstring List(int index) const;
    // Replaces one item's text in place; the choice stays on the same index.
    bool SetList(int index, const std::wstring& text);

    int ListIndex() const;
    void SetListIndex(int index);
    // Boxes with typing: the typed text. Drop-down lists: chooses the item
    // with exactly this text (through SetListIndex) when there is one.
    void SetText(const std::wstring& text) override;

    // The window that receives typed characters (the edit part of a box with
    // typing, else the box itself); for tests and drivers.
    HWND TypingWindow() const;

    std::function<void()> onClick;
    std::function<void()> onChange;
    std::function<void(int& keyAscii)> onKeyPress;
    void OnCommand(WORD code) override;

protected:
    void ApplyBounds() override;
    bool Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void FitClosedHeight();
    Kind kind_ = Kind::DropDownList;
    int visibleItems_ = 12;
    // What the box was last laid out for: its pixel rectangle and font. The
    // same again changes nothing, and costs a resize of the box and its list.
    RECT applied_{};
    HFONT appliedFont_ = nullptr;
    int settingText_ = 0;
};

// A picture box: shows an icon (not owned: the caller keeps it alive) or a
// bitmap (owned), at its top-left corner. It may hold other controls; their
// events go to the form like those of any control. With AutoSize it takes
// the size of its picture.
class PictureBox : public Control {
public:
    bool Create(Parent parent, const TwipsRect& design, bool visible = true, bool border = false);

    void SetIcon(HICON icon);
    HICON Icon() const { return icon_; }
    // Takes ownership of the bitmap.
    void SetBitmap(HBITMAP bitmap);
    // A bitmap resource of the running program; false when it is missing.
    bool LoadBitmapResource(int id);
    HBITMAP Bitmap() const { return static_cast<HBITMAP>(bitmap_.get()); }
    void ClearPicture();
    bool HasPicture() const { return icon_ || bitmap_; }
    // The picture's size in pixels (0, 0 without one).
    SIZE PictureSize() const;

    void SetAutoSize(bool on);
    bool AutoSize() const { return autoSize_; }

    // onClick: the left button pressed and released on the box.
    std::function<void()> onClick;
    // Any mouse button pressed, pointer moved, any button released; client
    // pixels. While the box holds the mouse capture, moves and releases
    // anywhere on the screen arrive here.
    std::function<void(int x, int y)> onMouseDown, onMouseMove, onMouseUp;

    static const wchar_t* ClassName() { return L"KestrelonPictureBox"; }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc);
    void FitPicture();
    HICON icon_ = nullptr;
    UniqueGdi bitmap_;
    bool autoSize_ = false;
    bool pressed_ = false;
};

// An image list that only owns its images; views share it.
//
// Images added with AddShared are images of their own (each has its index,
// counted by Count) whose picture is stored once for every image added from
// the same icon: a list of many rows with one picture keeps one bitmap.
// Views draw image i from the stored picture Stored(i).
// An icon's own colour and mask bitmaps (as GetIconInfo gives them). An icon
// of a list's size goes into the list as these far more cheaply than as the
// icon, which ImageList_AddIcon draws anew every time.
struct IconBitmaps {
    UniqueGdi color, mask;
    SIZE size{};  // the colour bitmap's; none for a monochrome icon
    static IconBitmaps Of(HICON icon);
    // Can go into a list of cx by cy pixels as exactly one image, unstretched.
    bool FitList(int cx, int cy) const { return color && mask && size.cx == cx && size.cy == cy; }
};

// Appends `icon` to `list`, as its bitmaps where they fit, else drawn.
int AddIconToList(HIMAGELIST list, HICON icon);

class ImageList {
public:
    bool Create(int cx = 16, int cy = 16);
    HIMAGELIST Handle() const { return list_.get(); }
    // Appends a copy of the icon (an empty image for a null icon); returns
    // its 0-based index, or -1 on failure.
    int Add(HICON icon);
    // As Add, for an icon that lives as long as the list (a shared system
    // icon, a resource) or null: the picture is stored the first time only.
    int AddShared(HICON icon);
    // Appends n images at once from a strip: `color` (32 bits a pixel) and
    // its `mask` hold the n pictures side by side, each of the list's size.
    // The first new image's index, -1 (and nothing added) on failure.
    int AddStrip(HBITMAP color, HBITMAP mask, int n);
    int Count() const;
    // The stored picture behind image `image`, -1 when there is none.
    int Stored(int image) const;

private:
    int Store(HICON icon);
    UniqueImageList list_;
    int cx_ = 16, cy_ = 16;
    // Once a picture is shared, image i is stored at stored_[i].
    bool mapped_ = false;
    std::vector<int> stored_;
    std::vector<std::pair<HICON, int>> shared_;  // icon -> its stored picture
};

// A report-style list view. Items and columns are 0-based here; sub-item 0
// is the item's own text.
//
// A list made with CreateVirtual holds no rows of its own: the caller keeps
// them and tells the list how many there are (SetItemCount); the list asks
// the source for a row's texts and image when it paints them and when it is
// asked for them, by this program or another (LVM_GETITEMTEXT). Selection,
// focus and scrolling stay with the list.
class ListView : public Control {
public:
    struct Source {
        // The text of a cell; null for an empty one. Must stay valid until
        // the rows change.
        std::function<const std::wstring*(int item, int subItem)> text;
        // The item's image in the list's image list, -1 for none.
        std::function<int(int item)> image;
    };
    bool Create(Parent parent, const TwipsRect& design);
    bool CreateVirtual(Parent parent, const TwipsRect& design, Source source);
    bool IsVirtual() const { return static_cast<bool>(source_.text); }
    // Virtual lists: the number of rows. Rows added at the end or removed
    // from the end keep the selection and the scroll position.
    void SetItemCount(int count);
    // Virtual lists: rows whose texts changed are painted again.
    void RedrawItems(int first, int last);
    // Column width in pixels.
    // Off while many rows are added at once; on again repaints the list.
    void SetRedraw(bool on);
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
    // No item selected.
    void ClearSelection();
    // A click anywhere on a row, in any column, selects the row.
    void SetFullRowSelect(bool on);
    void EnsureVisible(int item);
    // Gives the list the keyboard focus; nothing while its window is hidden.
    void Focus();

    std::function<void()> onSelectionChanged;
    // A click on the list (NM_CLICK).
    std::function<void()> onClick;
    // Each character typed while the list has the focus, before the list
    // sees it; setting the code to 0 drops the character.
    std::function<void(int& keyAscii)> onKeyPress;
    bool OnNotify(NMHDR* hdr, LRESULT& result) override;

protected:
    bool Subclassed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool CreateWith(Parent parent, const TwipsRect& design, DWORD extraStyle);
    void GetDispInfo(LVITEMW& item) const;
    Source source_;
    const ImageList* images_ = nullptr;
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
    // Ticks on the clock's multiples of the interval (for 500 ms: every
    // whole and half second, a few milliseconds after), whatever the moment
    // the timer was started or how long the previous tick took.
    void SetAlignedToClock(bool on);
    // Milliseconds from a moment `phaseMs` past a multiple of `intervalMs` to
    // just after the next multiple.
    static UINT DelayToNextMultiple(UINT phaseMs, UINT intervalMs);
    // Commands that arrive while the handler runs (while it yields) are held
    // and run after it has returned (see HoldCommands): a box one opens then
    // waits in the message loop, where this timer goes on ticking.
    void SetHoldsCommands(bool on) { holdsCommands_ = on; }

    std::function<void()> onTimer;
    void Fire();  // called by the form on WM_TIMER

private:
    void Arm();
    Form* form_ = nullptr;
    UINT_PTR id_ = 0;
    UINT interval_ = 0;
    bool enabled_ = false;
    bool running_ = false;
    bool aligned_ = false;
    bool holdsCommands_ = false;
};

}  // namespace kestrelon::toolkit
