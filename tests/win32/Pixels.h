// The pixels of an image list's picture, for tests that compare pictures
// made in two ways.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace kestrelon::testing {

// Image `index` of `images` drawn onto white, row by row from the top.
inline std::vector<DWORD> ImagePixels(HIMAGELIST images, int index) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bm = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bm);
    RECT all{0, 0, cx, cy};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
    GdiFlush();
    std::vector<DWORD> px(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + cx * cy);
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
    return px;
}

}  // namespace kestrelon::testing
