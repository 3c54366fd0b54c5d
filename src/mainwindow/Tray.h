// The notification-area icon's callback, decoded. The icon reports mouse
// actions to its window with the callback message; the mouse message that
// happened over the icon is the low word of lParam. Only a left
// double-click does anything: it brings the main window back.
#pragma once

#include <cstdint>
#include <optional>

namespace kestrelon {

// The callback message the icon is registered with (the mouse-move number,
// so the owning window sees it as a mouse move).
constexpr unsigned kTrayCallbackMessage = 0x200;
// WM_LBUTTONDBLCLK: the one mouse message over the icon that restores.
constexpr unsigned kTrayRestoreMessage = 0x203;
// The icon's tooltip: one blank before and one after the name.
inline constexpr wchar_t kTrayTip[] = L" Kestrelon ";

enum class TrayAction { None, RestoreMain };

// From the callback's lParam.
TrayAction DecodeTrayCallback(std::uint64_t lParam);

// From the horizontal coordinate of a mouse-move event in twips, which holds
// the mouse message times the screen's twips per pixel. Empty when the
// quotient does not round to a 32-bit integer.
std::optional<std::int32_t> MouseMessageFromTwips(double xTwips, double twipsPerPixel);
TrayAction TrayCallback(double xTwips, double twipsPerPixel);

}  // namespace kestrelon
