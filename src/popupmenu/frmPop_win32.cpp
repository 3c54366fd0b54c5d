#include "popupmenu/frmPop_win32.h"

#include <string>
#include <vector>

#include "mainwindow/AppPaths_win32.h"
#include "toolkit/App.h"
#include "toolkit/Handles.h"

namespace kestrelon {

namespace {

// Text crosses to the host window, which may belong to another program, in
// the system's ANSI code page.
std::wstring ReadWindowText(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return {};
    LRESULT n = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return {};
    std::string ansi(static_cast<size_t>(n) + 1, '\0');
    n = SendMessageA(hwnd, WM_GETTEXT, ansi.size(), reinterpret_cast<LPARAM>(ansi.data()));
    if (n <= 0) return {};
    ansi.resize(static_cast<size_t>(n));
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(wide > 0 ? wide : 0), L'\0');
    if (wide > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), text.data(), wide);
    return text;
}

void WriteWindowText(HWND hwnd, const std::wstring& text) {
    if (!hwnd || !IsWindow(hwnd)) return;
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return;
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), n, nullptr, nullptr);
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()));
}

void StartWithFocus(const std::wstring& path) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return;  // a missing or broken program is ignored
    toolkit::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    // Let the new program take the foreground when it shows its window.
    AllowSetForegroundWindow(pi.dwProcessId);
}

}  // namespace

frmPop::frmPop() {
    className_ = L"KestrelonPopForm";
    style_ = WS_POPUP | WS_CLIPCHILDREN;  // borderless, no caption, no icon
    showAbout = [this](const std::wstring& text) { toolkit::MsgBox(text, MB_OK, L"About", Handle()); };
    startProgram = StartWithFocus;
}

void frmPop::Build() {
    SetSize(90, 90);

    menuFile.CreateTop(*this, L"File");
    menuAdd.CreateCommand(menuFile, L"Add New(&A)");
    menuRemove.CreateCommand(menuFile, L"Remove(&R)");
    menuS.CreateSeparator(menuFile);
    menuExit.CreateCommand(menuFile, L"Exit(&E)");

    menuTools.CreateTop(*this, L"Tools");
    menuConverter.CreateCommand(menuTools, L"Converter(&C)");
    menuBrowser.CreateCommand(menuTools, std::wstring(kOtherProduct) + L" Browser(&B)");

    menuSettings.CreateTop(*this, L"Settings");
    menuSetting.CreateCommand(menuSettings, L"Setting(&S)");

    menuAbout.CreateTop(*this, L"About");
    menuHelp.CreateCommand(menuAbout, L"Help(&H)");
    menuSS.CreateSeparator(menuAbout);
    menuA.CreateCommand(menuAbout, L"About(&A)");

    menuMain.CreateTop(*this, L"Main");
    open.CreateCommand(menuMain, L"Open/Hide Main Window(&M)");
    menuSSS.CreateSeparator(menuMain);
    menuAA.CreateCommand(menuMain, L"About(&A)");
    menuExit1.CreateCommand(menuMain, L"Exit(&E)");

    // Used only as pop-ups: the window shows no menu bar.
    for (toolkit::MenuItem* top : {&menuFile, &menuTools, &menuSettings, &menuAbout, &menuMain})
        top->SetVisible(false);

    menuAdd.onClick = [this] { menuAdd_Click(); };
    menuRemove.onClick = [this] { menuRemove_Click(); };
    menuExit.onClick = [this] { menuExit_Click(); };
    menuConverter.onClick = [this] { menuConverter_Click(); };
    menuBrowser.onClick = [this] { menuBrowser_Click(); };
    menuSetting.onClick = [this] { menuSetting_Click(); };
    menuHelp.onClick = [this] { menuHelp_Click(); };
    menuA.onClick = [this] { menuA_Click(); };
    open.onClick = [this] { open_Click(); };
    menuAA.onClick = [this] { menuAA_Click(); };
    menuExit1.onClick = [this] { menuExit1_Click(); };
}

void frmPop::SetHost(HWND host, HWND menuMsg) {
    host_ = host;
    menuMsg_ = menuMsg;
}

std::wstring frmPop::HostText() const { return ReadWindowText(menuMsg_); }

void frmPop::ChangeMsg() { commands_.ChangeMsg(HostText()); }

void frmPop::Send(PopItem item) {
    auto command = CommandOf(item);
    if (!command) return;
    WriteWindowText(menuMsg_, commands_.Command(HostText(), *command));
}

void frmPop::menuAdd_Click() { Send(PopItem::menuAdd); }
void frmPop::menuRemove_Click() { Send(PopItem::menuRemove); }
void frmPop::menuExit_Click() { Send(PopItem::menuExit); }
void frmPop::menuConverter_Click() { Send(PopItem::menuConverter); }
void frmPop::menuSetting_Click() { Send(PopItem::menuSetting); }
void frmPop::menuHelp_Click() { Send(PopItem::menuHelp); }
void frmPop::menuExit1_Click() { Send(PopItem::menuExit1); }

void frmPop::ShowAboutBox() {
    if (showAbout) showAbout(PopAboutText());
}

void frmPop::menuA_Click() { ShowAboutBox(); }
void frmPop::menuAA_Click() { ShowAboutBox(); }

void frmPop::menuBrowser_Click() {
    if (startProgram) startProgram(BrowserPath(ProgramFolder()));
}

void frmPop::open_Click() {
    if (!host_ || !IsWindow(host_)) return;
    ShowWindow(host_, IsWindowVisible(host_) ? SW_HIDE : SW_SHOW);
}

}  // namespace kestrelon
