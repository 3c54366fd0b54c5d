#include "toolkit/Twips.h"

#include <windows.h>

#include <cmath>

namespace kestrelon::toolkit {

namespace {
constexpr double kTwipsPerInch = 1440.0;

int ReadScreenDpi(int index) {
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, index) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}
}  // namespace

int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) { return pixels * kTwipsPerInch / dpi; }

int ScreenDpiX() {
    static const int dpi = ReadScreenDpi(LOGPIXELSX);
    return dpi;
}
int ScreenDpiY() {
    static const int dpi = ReadScreenDpi(LOGPIXELSY);
    return dpi;
}
double TwipsPerPixelX() { return kTwipsPerInch / ScreenDpiX(); }
double TwipsPerPixelY() { return kTwipsPerInch / ScreenDpiY(); }
int TwipsToPixelsX(double twips) { return TwipsToPixels(twips, ScreenDpiX()); }
int TwipsToPixelsY(double twips) { return TwipsToPixels(twips, ScreenDpiY()); }
double PixelsToTwipsX(int pixels) { return PixelsToTwips(pixels, ScreenDpiX()); }
double PixelsToTwipsY(int pixels) { return PixelsToTwips(pixels, ScreenDpiY()); }

}  // namespace kestrelon::toolkit
