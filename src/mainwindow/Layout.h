// Main window layout arithmetic, in twips: the start-up scaling by the
// screen's twips per pixel and the four rules that keep the task list, the
// Exit button and the web-link label attached to the window's right and
// bottom edges.
#pragma once

namespace kestrelon {

struct LayoutRect {
    double left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// The window's outer size at start-up, before scaling.
inline constexpr double kMainWindowWidth = 13920;
inline constexpr double kMainWindowHeight = 8430;
// Twips per pixel the window was designed for (96 dots per inch).
inline constexpr double kDesignTwipsPerPixel = 15;

struct ScaleFactors {
    double fx = 1, fy = 1;
};
// fx and fy from the screen's twips per pixel.
ScaleFactors ScaleForScreen(double twipsPerPixelX, double twipsPerPixelY);
LayoutRect ScaleRect(const LayoutRect& r, const ScaleFactors& f);

// The controls the resize rules move.
struct MainLayout {
    LayoutRect list;        // LVClose
    LayoutRect exitButton;  // cmdExit
    LayoutRect webLabel;    // lblWeb
};

// Applies the four rules, in order, for a window of the given outer size;
// k is the vertical factor (used for every margin). A width or height that
// would come out negative is refused and keeps its previous value; the next
// rules still run.
void ApplyResizeRules(double windowWidth, double windowHeight, double k, MainLayout& layout);

}  // namespace kestrelon
