// Twips (1/1440 inch) as the forms measure things, and the screen's pixels.
#pragma once

namespace kestrelon::toolkit {

// Pure conversions for a given dots-per-inch value.
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// The screen's logical dots per inch, read once.
int ScreenDpiX();
int ScreenDpiY();
// Twips per pixel of the screen (15 at 96 dots per inch).
double TwipsPerPixelX();
double TwipsPerPixelY();

int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

// A rectangle as a form's designer gives it: left, top, width, height in twips.
struct TwipsRect {
    double left = 0, top = 0, width = 0, height = 0;
};

}  // namespace kestrelon::toolkit
