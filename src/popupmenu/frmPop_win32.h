// A window holding five invisible menus used as pop-up command menus. Their
// command items send two-character command texts to a host window by writing
// into the host's command field; the About items show an About box naming the
// other product, one item starts that product's browser program and one shows
// or hides the host window.
//
// Whoever shows the menus loads the form, names the host with SetHost and pops
// a menu up, e.g. `pop.menuMain.PopUp()`.
#pragma once

#include <functional>
#include <string>

#include "popupmenu/PopCommands.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace kestrelon {

class frmPop : public toolkit::Form {
public:
    frmPop();

    // The host window and its command field `menuMsg` (an edit control).
    // Either may be null or belong to another process; commands to a missing
    // field are dropped.
    void SetHost(HWND host, HWND menuMsg);

    // Computes the next command prefix from the host field's text.
    void ChangeMsg();
    const std::wstring& Prefix() const { return commands_.Prefix(); }

    // Command handlers.
    void menuAdd_Click();
    void menuRemove_Click();
    void menuExit_Click();
    void menuConverter_Click();
    void menuSetting_Click();
    void menuHelp_Click();
    void menuExit1_Click();
    // The About box, the browser launcher and the host's visibility toggle.
    void menuA_Click();
    void menuAA_Click();
    void menuBrowser_Click();
    void open_Click();

    // How the About box is shown and how a program is started; tests replace
    // them. The default launcher starts the file with a normal, focused window
    // and ignores a failure.
    std::function<void(const std::wstring& text)> showAbout;
    std::function<void(const std::wstring& path)> startProgram;

    toolkit::MenuItem menuFile, menuAdd, menuRemove, menuS, menuExit;
    toolkit::MenuItem menuTools, menuConverter, menuBrowser;
    toolkit::MenuItem menuSettings, menuSetting;
    toolkit::MenuItem menuAbout, menuHelp, menuSS, menuA;
    toolkit::MenuItem menuMain, open, menuSSS, menuAA, menuExit1;

protected:
    void Build() override;

private:
    void Send(PopItem item);
    void ShowAboutBox();
    std::wstring HostText() const;

    HWND host_ = nullptr;
    HWND menuMsg_ = nullptr;
    PopCommands commands_;
};

}  // namespace kestrelon
