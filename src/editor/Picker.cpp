#include "editor/Picker.h"

#include <cstdint>

#include "services/Enumerator.h"

namespace kestrelon {

WindowFields ReadWindowFields(IWindowInspector& inspect, WindowHandle h) {
    const WindowHandle parent = inspect.ParentWind(h);
    const WindowHandle top = inspect.Progenitor(h);
    WindowFields f;
    f.hWnd = Enumerator::Format8(h);
    f.parentHWnd = Enumerator::Format8(parent);
    f.progenitorHWnd = Enumerator::Format8(top);
    f.className = inspect.ClassName(h);
    f.parentClass = inspect.ClassName(parent);
    f.progenitorClass = inspect.ClassName(top);
    f.program = inspect.ProcessName(inspect.WindProcess(h));
    return f;
}

CursorWindowInfo ReadCursorWindowInfo(IWindowInspector& inspect, WindowHandle h) {
    CursorWindowInfo info;
    info.fields = ReadWindowFields(inspect, h);
    info.progenitor = inspect.Progenitor(h);
    info.processId = inspect.WindProcess(info.progenitor);
    info.id = std::to_wstring(info.processId);
    info.title = inspect.WindowTitle(info.progenitor);
    return info;
}

int HandleBoxKeyFilter(int keyAscii) {
    const bool digit = keyAscii >= '0' && keyAscii <= '9';
    const bool hexLetter = (keyAscii >= 'A' && keyAscii <= 'F') || (keyAscii >= 'a' && keyAscii <= 'f');
    if (digit || hexLetter || keyAscii == '.' || keyAscii == 8) return keyAscii;
    return 0;
}

WindowHandle ReadHandleBox(const std::wstring& text) {
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\r') continue;
        int digit;
        if (c >= L'0' && c <= L'9') digit = c - L'0';
        else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
        else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
        else break;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) return 0;
    }
    return static_cast<WindowHandle>(static_cast<std::uint32_t>(value));
}

}  // namespace kestrelon
