#include "mainwindow/Tray.h"

#include <cmath>

namespace kestrelon {

TrayAction DecodeTrayCallback(std::uint64_t lParam) {
    return (lParam & 0xFFFF) == kTrayRestoreMessage ? TrayAction::RestoreMain : TrayAction::None;
}

std::optional<std::int32_t> MouseMessageFromTwips(double xTwips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0)) return std::nullopt;
    double q = std::nearbyint(xTwips / twipsPerPixel);  // halves to even, like the system's rounding
    if (!std::isfinite(q) || q < -2147483648.0 || q > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(q);
}

TrayAction TrayCallback(double xTwips, double twipsPerPixel) {
    auto msg = MouseMessageFromTwips(xTwips, twipsPerPixel);
    return msg && *msg == static_cast<std::int32_t>(kTrayRestoreMessage) ? TrayAction::RestoreMain
                                                                          : TrayAction::None;
}

}  // namespace kestrelon
