#include "mainwindow/Layout.h"

namespace kestrelon {

ScaleFactors ScaleForScreen(double twipsPerPixelX, double twipsPerPixelY) {
    return ScaleFactors{twipsPerPixelX / kDesignTwipsPerPixel, twipsPerPixelY / kDesignTwipsPerPixel};
}

LayoutRect ScaleRect(const LayoutRect& r, const ScaleFactors& f) {
    return LayoutRect{r.left * f.fx, r.top * f.fy, r.width * f.fx, r.height * f.fy};
}

void ApplyResizeRules(double windowWidth, double windowHeight, double k, MainLayout& l) {
    // 1. The list reaches to 525 twips from the window's right edge.
    double listWidth = windowWidth - 525 * k;
    if (listWidth >= 0) l.list.width = listWidth;
    // 2. Exit's right edge lines up with the list's.
    l.exitButton.left = l.list.left + l.list.width - l.exitButton.width;
    // 3. The web-link label sits 960 twips above the window's bottom edge.
    l.webLabel.top = windowHeight - l.webLabel.height - 960 * k;
    // 4. The list ends 200 twips above the label.
    double listHeight = l.webLabel.top - 200 * k - l.list.top;
    if (listHeight >= 0) l.list.height = listHeight;
}

}  // namespace kestrelon
