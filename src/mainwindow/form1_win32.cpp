#include "mainwindow/form1_win32.h"

#include <vector>

#include "mainwindow/AppPaths_win32.h"
#include "mainwindow/Languages.h"
#include "mainwindow/Layout.h"
#include "mainwindow/scheduler/TaskRow.h"
#include "toolkit/App.h"

namespace kestrelon {

namespace {

using toolkit::Ctrl;
using toolkit::TwipsRect;

LayoutRect ToLayout(const TwipsRect& r) { return LayoutRect{r.left, r.top, r.width, r.height}; }
TwipsRect ToTwips(const LayoutRect& r) { return TwipsRect{r.left, r.top, r.width, r.height}; }

constexpr double kFontPoints = 9;
constexpr wchar_t kFontFace[] = L"Verdana";
constexpr wchar_t kWebAddress[] = L"www.kestrelon.example";
constexpr int kProgramIconId = 1;  // the program icon in the executable's resources

}  // namespace

form1::form1(ISystem& sys) : system_(sys), tasks_(LVClose, taskIcon), marks_(*this) {
    className_ = L"KestrelonMainWindow";
    initialCaption_ = L"Kestrelon";
    style_ = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    classIcon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId));  // null: the default
    onLoad = [this] { Form_Load(); };
    onResize = [this] { Form_Resize(); };
}

form1::~form1() { Destroy(); }

// ---- building the window ------------------------------------------------------

void form1::Build() {
    BuildButtons();

    lblTask.Create(*this, L"Task List", {240, 1140, 1575, 225});
    lblWeb.Create(*this, kWebAddress, {210, 7260, 2055, 210});
    lblWeb.onClick = [this] { lblWeb_Click(); };

    LVClose.Create(*this, {180, 1410, 13335, 5730});
    taskIcon.Create(16, 16);
    LVClose.SetImageList(taskIcon);
    // Column widths are design twips converted to pixels; they are not scaled.
    for (const ColumnDesign& c : kTaskColumns) LVClose.AddColumn(c.header, toolkit::TwipsToPixelsX(c.widthTwips));

    txtAction.Create(*this, L"", {0, 0, 1215, 285}, /*visible=*/false);
    txtAction.onChange = [this] { txtAction_Change(); };

    timerClose.Create(*this, 500, false);
    timerClose.onTimer = [this] { timerClose_Timer(); };
    timerMouse.Create(*this, 1000, true);
    timerMouse.onTimer = [this] { timerMouse_Timer(); };

    BuildMenus();
}

void form1::BuildButtons() {
    struct ButtonDesign {
        toolkit::Button& button;
        const wchar_t* caption;
        const wchar_t* tooltip;
        TwipsRect design;
        void (form1::*handler)();
    };
    const ButtonDesign buttons[] = {
        {cmdAdd, L"Add a Task", L"Add a new task", {120, 120, 1335, 915}, &form1::cmdAdd_Click},
        {cmdDelete, L"Delete", L"Delete selected task", {1450, 120, 1355, 915}, &form1::cmdDelete_Click},
        {cmdRemoveAll, L"Remove All", L"Remove all tasks in the list", {2800, 120, 1355, 915},
         &form1::cmdRemoveAll_Click},
        {cmdSave, L"Save Tasks", L"Save the task list to a file", {4150, 120, 1335, 915}, &form1::cmdSave_Click},
        {cmdLoad, L"Load Tasks", L"Load the task list from a file", {5490, 120, 1335, 915}, &form1::cmdLoad_Click},
        {cmdSetting, L"Setting", L"Set the action after finish all tasks", {6810, 120, 1355, 915},
         &form1::cmdSetting_Click},
        {cmdHelp, L"How to Use", L"Help", {8160, 120, 1355, 915}, &form1::cmdHelp_Click},
        {cmdExit, L"Exit", L"Quit the Kestrelon program", {12210, 120, 1355, 915}, &form1::cmdExit_Click},
    };
    for (const ButtonDesign& s : buttons) {
        s.button.Create(*this, s.caption, s.design);
        s.button.SetToolTip(s.tooltip);
        s.button.onClick = [this, h = s.handler] { (this->*h)(); };
    }
}

void form1::BuildMenus() {
    menuTask.CreateTop(*this, L"Task");
    menuAdd.CreateCommand(menuTask, L"Add a Task", Ctrl(L'A'));
    menuDelete.CreateCommand(menuTask, L"Delete the Selected", Ctrl(L'D'));
    menuClear.CreateCommand(menuTask, L"Clear the Task List");
    menuS5.CreateSeparator(menuTask);
    menuExit.CreateCommand(menuTask, L"Exit", Ctrl(L'Q'));

    menuSetting.CreateTop(*this, L"Setting");
    menuAfter.CreatePopup(menuSetting, L"After Finish All Tasks");
    menuShut.CreateCommand(menuAfter, L"Shutdown PC");
    menuReboot.CreateCommand(menuAfter, L"Reboot");
    menuLogoff.CreateCommand(menuAfter, L"Log Off");
    menuHibernet.CreateCommand(menuAfter, L"Hibernet");
    menuScreen.CreateCommand(menuAfter, L"Turn Off the Monitor / Screen");
    menuQuit.CreateCommand(menuAfter, L"Quit Kestrelon");
    menuAutostart.CreateCommand(menuSetting, L"Auto Start on Windows Booting");
    menuStartMode.CreatePopup(menuSetting, L"Start Mode");
    menuTray.CreateCommand(menuStartMode, L"Hide to Tray");
    menuNormal.CreateCommand(menuStartMode, L"Normal");
    menuAutoload.CreateCommand(menuSetting, L"Auto Load the Task List");
    menuS.CreateSeparator(menuSetting);
    menuHide.CreateCommand(menuSetting, L"Hide the Window");

    menuLan.CreateTop(*this, L"Languages");
    menuEn.CreateCommand(menuLan, L"English");
    menuFr.CreateCommand(menuLan, L"French");
    menuDe.CreateCommand(menuLan, L"Deutsch");
    menuIt.CreateCommand(menuLan, L"Italiano");
    menuPolish.CreateCommand(menuLan, L"Polski");
    menuCN.CreateCommand(menuLan, L"Chinese");
    menuSE.CreateCommand(menuLan, L"Swedish");
    menuPTBR.CreateCommand(menuLan, L"Portugues do Brasil");
    menuDutch.CreateCommand(menuLan, L"Dutch");
    menuIt.SetVisible(false);  // Italian is chosen only by its marker file
    menuEn.SetChecked(true);

    menuA.CreateTop(*this, L"About");
    menuHelp.CreateCommand(menuA, L"Help", Ctrl(L'H'));
    menuSS.CreateSeparator(menuA);
    menuAbout.CreateCommand(menuA, L"About");

    menuAdd.onClick = [this] { menuAdd_Click(); };
    menuDelete.onClick = [this] { menuDelete_Click(); };
    menuClear.onClick = [this] { menuClear_Click(); };
    menuExit.onClick = [this] { menuExit_Click(); };
    menuShut.onClick = [this] { menuShut_Click(); };
    menuReboot.onClick = [this] { menuReboot_Click(); };
    menuLogoff.onClick = [this] { menuLogoff_Click(); };
    menuHibernet.onClick = [this] { menuHibernet_Click(); };
    menuScreen.onClick = [this] { menuScreen_Click(); };
    menuQuit.onClick = [this] { menuQuit_Click(); };
    menuHide.onClick = [this] { menuHide_Click(); };
    menuHelp.onClick = [this] { menuHelp_Click(); };
    menuAbout.onClick = [this] { menuAbout_Click(); };

    AttachMenuBar();
}

// ---- load and layout -------------------------------------------------------------

void form1::Form_Load() {
    // The interface language: the first marker found, English otherwise.
    if (auto code = ChooseStartupLanguage(files_, codec_, AppDataFolder(), ProgramFolder(), lanText())) {
        languageCode_ = *code;
        UncheckLanguageMenus();
        LanguageMenu(*code).SetChecked(true);
    }

    // Keep the pixel size and layout the window has at 96 dots per inch.
    ScaleFactors f = ScaleForScreen(toolkit::TwipsPerPixelX(), toolkit::TwipsPerPixelY());
    SetSize(kMainWindowWidth * f.fx, kMainWindowHeight * f.fy);
    toolkit::Control* controls[] = {&cmdAdd, &cmdDelete, &cmdRemoveAll, &cmdSave, &cmdLoad, &cmdSetting,
                                    &cmdHelp, &cmdExit, &lblTask, &lblWeb, &LVClose, &txtAction};
    for (toolkit::Control* c : controls) c->Move(ToTwips(ScaleRect(ToLayout(c->Bounds()), f)));
    SetFont(kFontFace, kFontPoints * f.fx);
    Form_Resize();
    CenterOnScreen();
}

void form1::Form_Resize() {
    MainLayout l{ToLayout(LVClose.Bounds()), ToLayout(cmdExit.Bounds()), ToLayout(lblWeb.Bounds())};
    double k = toolkit::TwipsPerPixelY() / kDesignTwipsPerPixel;
    ApplyResizeRules(Width(), Height(), k, l);
    LVClose.Move(ToTwips(l.list));
    cmdExit.Move(ToTwips(l.exitButton));
    lblWeb.Move(ToTwips(l.webLabel));
}

// ---- scheduler, final marks and mailbox -------------------------------------------

void form1::timerClose_Timer() { TimerCloseTick(*this); }

void form1::timerMouse_Timer() {
    TimerMouseTick(idle, tasks_, system_, [this] { timerClose.SetEnabled(true); });
}

void form1::txtAction_Change() {
    if (HandleMailbox(txtAction.Text(), *this)) txtAction.SetText(L"");
}

void form1::ClearFinalActions() { kestrelon::ClearFinalActions(marks_); }

void form1::ListRunningPrograms() {}

void form1::DoEvents() { toolkit::DoEvents(); }

void form1::WriteMailbox(const std::wstring& command) { txtAction.SetText(command); }

void form1::SetTimerCloseEnabled(bool on) { timerClose.SetEnabled(on); }

void form1::MonitorOff() { SendMessageW(Handle(), WM_SYSCOMMAND, SC_MONITORPOWER, 2); }

void form1::QuitNow() {
    Destroy();
    PostQuitMessage(0);
}

void form1::CloseProgram(const std::wstring& name, std::int16_t row) {
    kestrelon::CloseProgram(static_cast<IExecHost&>(*this), name, row);
}

void form1::RunProgram(const std::wstring& commandLine, std::int16_t row) {
    kestrelon::RunProgram(static_cast<IExecHost&>(*this), commandLine, row);
}

RepeatTexts form1::CurrentRepeatTexts() { return RepeatTextsOf(lanText()); }

std::vector<RepeatTexts> form1::OtherRepeatTexts() {
    return RepeatTextsOfOtherLanguages(files_, codec_, ProgramFolder(), languageCode_);
}

void form1::SaveDefaultTasks() {}

toolkit::MenuItem& form1::LanguageMenu(const std::wstring& code) {
    toolkit::MenuItem* items[] = {&menuEn, &menuFr, &menuDe, &menuIt, &menuPolish,
                                  &menuCN, &menuSE, &menuPTBR, &menuDutch};
    const auto& langs = Languages();
    for (size_t i = 0; i < langs.size(); ++i)
        if (code == langs[i].code) return *items[i];
    return menuEn;
}

void form1::UncheckLanguageMenus() {
    for (toolkit::MenuItem* m : {&menuEn, &menuFr, &menuDe, &menuIt, &menuPolish, &menuCN, &menuSE, &menuPTBR,
                                 &menuDutch})
        m->SetChecked(false);
}

toolkit::MenuItem& form1::MenuMarks::Item(FinalMark m) const {
    switch (m) {
    case FinalMark::Shut: return f_.menuShut;
    case FinalMark::Reboot: return f_.menuReboot;
    case FinalMark::Logoff: return f_.menuLogoff;
    case FinalMark::Hibernet: return f_.menuHibernet;
    case FinalMark::Screen: return f_.menuScreen;
    case FinalMark::Quit: break;
    }
    return f_.menuQuit;
}

bool form1::MenuMarks::Checked(FinalMark m) const { return Item(m).Checked(); }

void form1::MenuMarks::SetChecked(FinalMark m, bool on) { Item(m).SetChecked(on); }

// ---- commands that later work fills in --------------------------------------------

void form1::cmdAdd_Click() {}
void form1::cmdDelete_Click() {}
void form1::cmdRemoveAll_Click() {}
void form1::cmdSave_Click() {}
void form1::cmdLoad_Click() {}
void form1::cmdSetting_Click() {}
void form1::cmdHelp_Click() {}
void form1::cmdExit_Click() {}
void form1::lblWeb_Click() {}
void form1::menuAbout_Click() {}
void form1::menuHide_Click() {}

}  // namespace kestrelon
