// The dialog calls of CommonDlgsW. The records are filled for each call from
// the fields; the buffers they point into live for the call.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>

#include "services/CommonDlgsW.h"

namespace kestrelon {

namespace {
std::uint32_t SysColor(int index) { return static_cast<std::uint32_t>(GetSysColor(index)); }
}  // namespace

void CommonDlgsW::Color(std::uint32_t RHS) { color_ = ResolveColorReference(RHS, &SysColor); }

bool CommonDlgsW::ShowColor(void* hWnd) {
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i) custom[i] = customColors[i];
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = static_cast<HWND>(hWnd);
    cc.rgbResult = color_;
    cc.lpCustColors = custom;
    cc.Flags = kChooseColorFlags;
    const bool chosen = ChooseColorW(&cc) != 0;
    // The dialog may have edited the custom colours either way.
    for (int i = 0; i < 16; ++i) customColors[i] = custom[i];
    if (chosen) color_ = cc.rgbResult;
    return chosen;
}

bool CommonDlgsW::ShowOpen(void* winHwnd) { return ShowFileDialog(winHwnd, false); }

bool CommonDlgsW::ShowSave(void* hWnd) { return ShowFileDialog(hWnd, true); }

bool CommonDlgsW::ShowFileDialog(void* owner, bool save) {
    DialogBuffers b = FillBuffers();
    OPENFILENAMEW ofn{};
    // The classic record, without the reserved members added later.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.hwndOwner = static_cast<HWND>(owner);
    ofn.lpstrFilter = b.filter.c_str();
    ofn.lpstrCustomFilter = nullptr;
    ofn.nFilterIndex = static_cast<DWORD>(std::max<std::int32_t>(FilterIndex, 0));
    ofn.lpstrFile = b.file.data();
    ofn.nMaxFile = b.maxFile;
    ofn.lpstrFileTitle = b.fileTitle.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(b.fileTitle.size());
    ofn.lpstrInitialDir = b.initDir.data();
    ofn.lpstrTitle = b.title.empty() ? nullptr : b.title.c_str();
    ofn.Flags = Flags;
    ofn.lpstrDefExt = b.defaultExt.empty() ? nullptr : b.defaultExt.c_str();
    ofn.lpTemplateName = nullptr;
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return false;
    ReadOpenFileName(b, ofn.Flags);
    return true;
}

}  // namespace kestrelon
