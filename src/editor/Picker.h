// The window picker's rules: what the editor shows about a window, how the
// handle box filters keys and reads its text, and where the program's
// picture goes.
//
// The rules ask about windows through IWindowInspector, which the editor
// implements over Enumerator (a fresh one for every inspection) and tests
// implement with a table of made-up windows.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

// 32-bit window handles and process ids, as Enumerator gives them.
using WindowHandle = std::int32_t;

class IWindowInspector {
public:
    virtual ~IWindowInspector() = default;
    virtual WindowHandle ParentWind(WindowHandle h) = 0;
    virtual WindowHandle Progenitor(WindowHandle h) = 0;
    virtual std::wstring ClassName(WindowHandle h) = 0;
    // The id of the process that created the window; 0 for none.
    virtual std::int32_t WindProcess(WindowHandle h) = 0;
    // The executable file name of a running process; "" for none.
    virtual std::wstring ProcessName(std::int32_t processId) = 0;
    virtual std::wstring WindowTitle(WindowHandle h) = 0;
};

// The handle, class and program fields of one window: what a handle typed
// into the handle box shows, and part of what a drag shows.
struct WindowFields {
    std::wstring hWnd;             // txthWnd: the window's handle, 8 hex digits
    std::wstring parentHWnd;       // lblParhWnd(1): its parent's handle
    std::wstring progenitorHWnd;   // lblProghWnd(1): its top-level ancestor's handle
    std::wstring className;        // lblClass(1)
    std::wstring parentClass;      // lblParClass(1)
    std::wstring progenitorClass;  // lblProgClass(1)
    std::wstring program;          // lblProcess(1): the file name of the window's own process
    friend bool operator==(const WindowFields&, const WindowFields&) = default;
};

// Everything the editor shows about the window under the cursor: the fields
// above for the window itself, and the process id and title of its
// top-level ancestor (which owns the program's picture as well).
struct CursorWindowInfo {
    WindowFields fields;
    WindowHandle progenitor = 0;
    std::int32_t processId = 0;  // of the top-level ancestor
    std::wstring id;             // lblID: processId in decimal
    std::wstring title;          // lblWindow: the top-level ancestor's title
    friend bool operator==(const CursorWindowInfo&, const CursorWindowInfo&) = default;
};

WindowFields ReadWindowFields(IWindowInspector& inspect, WindowHandle h);
CursorWindowInfo ReadCursorWindowInfo(IWindowInspector& inspect, WindowHandle h);

// The handle box's key filter: digits, A to F in either case (kept as
// typed), the full stop (46) and Backspace (8) pass unchanged; any other
// character code becomes 0 (dropped).
int HandleBoxKeyFilter(int keyAscii);

// The handle typed into the handle box, read as a hexadecimal number: blanks
// are skipped, reading stops at the first character that is no hexadecimal
// digit, and an empty text (or one without leading digits) gives 0. A value
// of more than 32 bits is no handle and gives 0 as well.
WindowHandle ReadHandleBox(const std::wstring& text);

// The picture beside the program name: its left edge lies this far right
// of the end of lblProcess(1), in twips.
inline constexpr double kPickerIconGapTwips = 250;
// While dragging, the editor is cut to the top of lblPrograms plus this
// (twips); afterwards it grows to the bottom of cmdOK plus the second.
inline constexpr double kDragHeightBelowPrograms = 400;
inline constexpr double kFullHeightBelowAdd = 900;

// The help page of the picker.
inline const std::wstring kPickerHelpPage = L"https://www.kestrelon.example/tutorial.html#select";

}  // namespace kestrelon
