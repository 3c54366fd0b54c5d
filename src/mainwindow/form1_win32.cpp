#include "mainwindow/form1_win32.h"

#include <vector>

#include <shellapi.h>

#include "editor/frmMouseSelect_win32.h"
#include "app/resource_ids.h"
#include "mainwindow/AppPaths_win32.h"
#include "mainwindow/Autostart_win32.h"
#include "mainwindow/Languages.h"
#include "mainwindow/Layout.h"
#include "mainwindow/scheduler/TaskFiles.h"
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
constexpr wchar_t kTutorialPage[] = L"https://www.kestrelon.example/tutorial.html";

// The full form of a path as the system resolves it; the path itself when
// it cannot.
std::wstring FullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 4] = {};
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, buffer, nullptr);
    return n > 0 && n < MAX_PATH * 4 ? std::wstring(buffer, n) : path;
}

std::wstring AboutText(int year) { return L"Kestrelon by the Kestrelon team, " + std::to_wstring(year); }
constexpr int kProgramIconId = 1;  // the program icon in the executable's resources

}  // namespace

namespace {

// Rebuilds while no editor shows the list keep only the hidden lists.
class NoRunningProgramsView : public IRunningProgramsView {
public:
    void BeginRebuild() override {}
    void AddProgramIcon(const std::wstring&) override {}
    void EndRebuild(const RunningProgramList&, std::optional<std::size_t>) override {}
    std::wstring ProgramLabel() override { return {}; }
};

}  // namespace

form1::form1(ISystem& sys)
    : system_(sys),
      tasks_(LVClose, taskIcon),
      marks_(*this),
      options_(*this),
      running_(probe_, [this] { rebuildYield ? rebuildYield() : toolkit::DoEventsSometimes(); }) {
    endProcess = [] { ExitProcess(0); };
    showWriteFailure = [](const std::wstring& text) {
        if (!ShowTrayBalloon(L"Kestrelon", text)) toolkit::ShowNotice(text);
    };
    showEndFailure = [this](const std::wstring& text) {
        toolkit::MsgBox(text, MB_OK | MB_ICONWARNING, {}, Handle());
    };
    askEndAnyway = [this](const std::wstring& text) {
        return toolkit::MsgBox(text, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2, {}, Handle()) == IDOK;
    };
    openUrl = [](const std::wstring& url) {
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);  // the result is not examined
    };
    className_ = L"KestrelonMainWindow";
    initialCaption_ = L"Kestrelon";
    style_ = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    classIcon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId));  // null: the default
    onLoad = [this] { Form_Load(); };
    onResize = [this] { Form_Resize(); };
    onQueryUnload = [this](bool& cancel, toolkit::UnloadMode mode) {
        if (mode == toolkit::UnloadMode::FormControlMenu) cancel = !RunCloseBox(*this);
    };
    onUnload = [this](bool&) { Form_Unload(); };
    onSettingChange = [this](const std::wstring& area) { Form_SettingChange(area); };
    onEndSession = [this] { Form_EndSession(); };
}

form1::~form1() { Destroy(); }

// ---- building the window ------------------------------------------------------

void form1::Build() {
    // Every control is made with its final font: at the design scale the
    // scaling pass after the load then has nothing left to do.
    SetFont(kFontFace, kFontPoints * ScaleForScreen(toolkit::TwipsPerPixelX(), toolkit::TwipsPerPixelY()).fx);
    BuildButtons();

    lblTask.Create(*this, L"Task List", {240, 1140, 1575, 225});
    lblWeb.Create(*this, kWebAddress, {210, 7260, 2055, 210});
    lblWeb.SetLinkStyle();  // as wide as the address in whatever font the screen gives
    lblWeb.onClick = [this] { lblWeb_Click(); };

    tasks_.CreateView(*this, {180, 1410, 13335, 5730});
    tasks_.SetSharedPicture(imgApp());
    // Created after the list so that it lies over it; shown by the start-up.
    picDoor.Create(*this, {90, 1110, 13575, 6120}, /*visible=*/false);
    picDoor.LoadBitmapResource(IDB_QUICK_START);
    picDoor.onClick = [this] { picDoor_Click(); };
    taskIcon.Create(16, 16);
    LVClose.SetImageList(taskIcon);
    // Column widths are design twips converted to pixels; they are not scaled.
    for (const ColumnDesign& c : kTaskColumns) LVClose.AddColumn(c.header, toolkit::TwipsToPixelsX(c.widthTwips));

    txtAction.Create(*this, L"", {0, 0, 1215, 285}, /*visible=*/false);
    txtAction.onChange = [this] { txtAction_Change(); };

    timerClose.Create(*this, 500, false);
    timerClose.SetAlignedToClock(true);  // a task due at a whole second fires just after it
    timerClose.onTimer = [this] { timerClose_Timer(); };
    // A command that arrives while the tick yields runs after it, so that no
    // box it opens holds the schedule.
    timerClose.SetHoldsCommands(true);
    // Calling tasks off opens no box: it takes effect at once, inside a tick
    // too, so that a task removed at its last moment does not run.
    cmdDelete.runsWhileHeld = cmdRemoveAll.runsWhileHeld = true;
    menuDelete.runsWhileHeld = menuClear.runsWhileHeld = true;
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
        int picture;
        void (form1::*handler)();
    };
    // "Load Tasks" ends where "Setting" begins (its design width of 1335
    // twips would lay it one pixel over its neighbour).
    const ButtonDesign buttons[] = {
        {cmdAdd, L"Add a Task", L"Add a new task", {120, 120, 1335, 915}, IDI_CMD_ADD, &form1::cmdAdd_Click},
        {cmdDelete, L"Delete", L"Delete selected task", {1450, 120, 1355, 915}, IDI_CMD_DELETE,
         &form1::cmdDelete_Click},
        {cmdRemoveAll, L"Remove All", L"Remove all tasks in the list", {2800, 120, 1355, 915}, IDI_CMD_REMOVE_ALL,
         &form1::cmdRemoveAll_Click},
        {cmdSave, L"Save Tasks", L"Save the task list to a file", {4150, 120, 1335, 915}, IDI_CMD_SAVE,
         &form1::cmdSave_Click},
        {cmdLoad, L"Load Tasks", L"Load the task list from a file", {5490, 120, 1320, 915}, IDI_CMD_LOAD,
         &form1::cmdLoad_Click},
        {cmdSetting, L"Setting", L"Set the action after finish all tasks", {6810, 120, 1355, 915}, IDI_CMD_SETTING,
         &form1::cmdSetting_Click},
        {cmdHelp, L"How to Use", L"Help", {8160, 120, 1355, 915}, IDI_CMD_HELP, &form1::cmdHelp_Click},
        {cmdExit, L"Exit", L"Quit the Kestrelon program", {12210, 120, 1355, 915}, IDI_CMD_EXIT,
         &form1::cmdExit_Click},
    };
    for (const ButtonDesign& s : buttons) {
        s.button.Create(*this, s.caption, s.design);
        s.button.SetPicture(s.picture);
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
    menuAutostart.onClick = [this] { menuAutostart_Click(); };
    menuAutoload.onClick = [this] { menuAutoload_Click(); };
    menuTray.onClick = [this] { menuTray_Click(); };
    menuNormal.onClick = [this] { menuNormal_Click(); };
    menuHelp.onClick = [this] { menuHelp_Click(); };
    menuAbout.onClick = [this] { menuAbout_Click(); };
    menuEn.onClick = [this] { menuEn_Click(); };
    menuFr.onClick = [this] { menuFr_Click(); };
    menuDe.onClick = [this] { menuDe_Click(); };
    menuIt.onClick = [this] { menuIt_Click(); };
    menuPolish.onClick = [this] { menuPolish_Click(); };
    menuCN.onClick = [this] { menuCN_Click(); };
    menuSE.onClick = [this] { menuSE_Click(); };
    menuPTBR.onClick = [this] { menuPTBR_Click(); };
    menuDutch.onClick = [this] { menuDutch_Click(); };

    AttachMenuBar();
}

// ---- load and layout -------------------------------------------------------------

void form1::Form_Load() { RunStartup(*this); }

void form1::SizeAndScale() {
    // Keep the pixel size and layout the window has at 96 dots per inch.
    ScaleFactors f = ScaleForScreen(toolkit::TwipsPerPixelX(), toolkit::TwipsPerPixelY());
    SetSize(kMainWindowWidth * f.fx, kMainWindowHeight * f.fy);
    toolkit::Control* controls[] = {&cmdAdd, &cmdDelete, &cmdRemoveAll, &cmdSave, &cmdLoad, &cmdSetting,
                                    &cmdHelp, &cmdExit, &lblTask, &lblWeb, &LVClose, &txtAction, &picDoor};
    for (toolkit::Control* c : controls) c->Move(ToTwips(ScaleRect(ToLayout(c->Bounds()), f)));
    picDoor.SetAutoSize(true);
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

// The user changed the regional settings: read them again, and write again
// every Close Time that would now read as another time, so each row keeps
// its time; the default task list follows.
void form1::Form_SettingChange(const std::wstring& area) {
    if (area != L"intl") return;
    const LocaleFormat before = system_.Locale();
    system_.RefreshLocale();
    if (RewriteCloseTimes(tasks_, before, system_.Locale()) > 0) SaveDefaultTasks();
}

void form1::timerClose_Timer() { TimerCloseTick(*this); }

void form1::timerMouse_Timer() {
    TimerMouseTick(idle, tasks_, system_, [this] { timerClose.SetEnabled(true); });
}

void form1::txtAction_Change() {
    if (HandleMailbox(txtAction.Text(), *this)) txtAction.SetText(L"");
}

void form1::ClearFinalActions() { kestrelon::ClearFinalActions(marks_); }

void form1::ListRunningPrograms() {
    NoRunningProgramsView none;
    running_.ListRunningPrograms(runningView_ ? *runningView_ : none);
}

// The tick yields after every row: most of those yields find nothing to do.
void form1::DoEvents() { toolkit::DoEventsSometimes(); }

bool form1::MessagesRanSinceAsked() {
    // Messages can also have run inside a command the tick itself wrote
    // (the mailbox's rebuild): that yields through the same function.
    const unsigned long long runs = toolkit::DoEventsSometimesRuns();
    const bool ran = runs != yieldsSeen_;
    yieldsSeen_ = runs;
    return ran;
}

void form1::WriteMailbox(const std::wstring& command) {
    struct Box : IMailboxBox {
        toolkit::TextBox& box;
        explicit Box(toolkit::TextBox& b) : box(b) {}
        std::wstring Text() const override { return box.Text(); }
        void SetText(const std::wstring& text) override { box.SetText(text); }
    } box{txtAction};
    WriteCommand(box, *this, command);
}

void form1::SetTimerCloseEnabled(bool on) { timerClose.SetEnabled(on); }

void form1::MonitorOff() { SendMessageW(Handle(), WM_SYSCOMMAND, SC_MONITORPOWER, 2); }

void form1::QuitNow() { RunQuitNow(*this); }

void form1::SaveBeforeForcedLogoff() { SaveBeforeForcedEnd(*this); }

Firing form1::CloseProgram(const std::wstring& name, std::int16_t row) {
    return kestrelon::CloseProgram(static_cast<IExecHost&>(*this), name, row);
}

Firing form1::RunProgram(const std::wstring& commandLine, std::int16_t row) {
    return kestrelon::RunProgram(static_cast<IExecHost&>(*this), commandLine, row);
}

RepeatTexts form1::CurrentRepeatTexts() { return RepeatTextsOf(lanText()); }

std::vector<RepeatTexts> form1::OtherRepeatTexts() {
    return RepeatTextsOfOtherLanguages(files_, codec_, ProgramFolder(), languageCode_);
}

void form1::SaveDefaultTasks() {
    // A list that could not be read at start-up is still the user's: this
    // run neither replaces nor deletes it; and nothing is written before
    // start-up has read it.
    if (!hold_.MaySaveList()) return;
    const std::wstring appData = AppDataFolder();
    FileResult r = kestrelon::SaveDefaultTasks(options_.Checked(Option::Autoload), tasks_, appData, files_, codec_,
                                               system_.Locale());
    ReportWrite(DefaultTaskPath(appData), r);
}

void form1::TellUnattended(const std::wstring& text) {
    if (showWriteFailure) showWriteFailure(text);
}

void form1::ReportWrite(const std::wstring& path, const FileResult& result) {
    const auto telling = writeNotice_.Tell(path, result, ending_);
    if (!telling) return;
    if (telling->box) {
        if (showEndFailure) showEndFailure(telling->text);
        return;
    }
    ++writeNoticesShown_;
    if (showWriteFailure) showWriteFailure(telling->text);
}

// ---- start-up and shut-down -----------------------------------------------------

std::wstring form1::AppDataFolder() { return kestrelon::AppDataFolder(); }
std::wstring form1::ProgramFolder() { return kestrelon::ProgramFolder(); }
std::wstring form1::ExeBaseName() { return kestrelon::ExeBaseName(); }

bool form1::AnotherInstanceRunning() {
    if (!instance_) instance_ = std::make_unique<SingleInstance>();
    return instance_->AnotherInstanceRunning();
}

void form1::EndProcess() {
    if (endProcess) endProcess();
}

void form1::ResetIdleWatcher() {
    idle.lastCursorX = idle.lastCursorY = 0;
    idle.lastIdleTime = 0;
}

void form1::AttachSkin(const std::wstring& skinFile) {
    if (!skin_.Loaded()) skin_.Load(SkinLoader::DefaultPath());
    skin_.SkinH_AttachEx(skinFile);
}

void form1::DetachSkin() { skin_.SkinH_Detach(); }

void form1::ShowTrayWindow() {
    tray_.Start(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId)), Handle());
}

void form1::RemoveTrayIcon() { kestrelon::RemoveTrayIcon(); }

void form1::LoadLanguage() {
    // The first marker found chooses the language, English otherwise.
    if (auto code = ChooseStartupLanguage(files_, codec_, AppDataFolder(), ProgramFolder(), lanText())) {
        languageCode_ = *code;
        UncheckLanguageMenus();
        LanguageMenu(*code).SetChecked(true);
        if (*code == L"cn") SetCaption(kChineseTitle);
    }
}

void form1::LoadEditorHidden() {
    if (!editor_) editor_ = std::make_unique<frmMouseSelect>(*this);
    editor_->Load();
}

CommonDlgsW& form1::FileDialog() {
    CommonDlgsW* shared = editor_ ? editor_->FileDialog() : nullptr;
    return shared ? *shared : spareDialog_;
}

void form1::UnloadEditor() {
    if (editor_) editor_->UnloadEditor();
}

void form1::RefreshMain() { InvalidateRect(Handle(), nullptr, TRUE); }

void form1::SetPictureVisible(bool on) {
    // Raised while still hidden: raising a shown picture this size makes
    // the window redraw what lies under it first.
    if (on) picDoor.BringToFront();
    picDoor.SetVisible(on);
}

void form1::picDoor_Click() { SetPictureVisible(false); }

void form1::LoadDefaultTasks(const std::wstring& path) {
    tasks_.BeginBulk();
    const TaskLoadResult r = ReadTaskFile(path, tasks_, imgApp(), files_, codec_, system_.Now(), system_.Locale());
    tasks_.EndBulk();
    if (r.opened) {
        // Lines that are no tasks were left out; nobody may be there to answer.
        const std::wstring report = LoadReport(path, r);
        if (!report.empty() && showWriteFailure) showWriteFailure(report);
        return;
    }
    // There but unreadable (locked by another program, access refused): it
    // is kept as it is until it has been read, and the user is told once.
    hold_.listUnreadable = true;
    TellNotice(DefaultListUnreadableMessage(path));
}

void form1::TellNotice(const std::wstring& text) {
    ++writeNoticesShown_;
    if (showWriteFailure) showWriteFailure(text);
}

void form1::WaitMs(unsigned ms) { Sleep(ms); }

void form1::BeginEnding(Ending how) {
    ending_ = how;
    if (how == Ending::None) return;
    // Once the program has begun to end nothing fires, and no firing's save
    // opens a box over the end's own.
    timerClose.SetEnabled(false);
    timerMouse.SetEnabled(false);
}

bool form1::IsAutostartSet(const std::wstring& name) { return kestrelon::IsAutostartSet(name); }

bool form1::ConfirmExit() {
    return toolkit::MsgBox(lanText()[47], MB_OKCANCEL, lanText()[6], Handle()) == IDOK;
}

bool form1::AskEndAnyway(const std::wstring& text) { return askEndAnyway ? askEndAnyway(text) : false; }

void form1::UnloadMain() { Unload(toolkit::UnloadMode::Code); }

void form1::Form_Unload() { RunUnload(*this); }

void form1::Form_EndSession() { RunEndSession(*this); }

void form1::cmdExit_Click() { RunExit(*this); }

void form1::menuAutoload_Click() { kestrelon::menuAutoload_Click(options_); }

void form1::menuAutostart_Click() {
    bool on = ToggleAutostartMark(options_);
    SetAutostart(ExeBaseName(), ProgramFolder(), on);
}

void form1::menuTray_Click() {
    const std::wstring appData = AppDataFolder();
    ReportWrite(PathInFolder(appData, kStartModeFileName), kestrelon::menuTray_Click(options_, files_, appData));
}

void form1::menuNormal_Click() {
    const std::wstring appData = AppDataFolder();
    ReportWrite(PathInFolder(appData, kStartModeFileName), kestrelon::menuNormal_Click(options_, files_, appData));
}

IconRef form1::imgApp() const {
    static HICON app = LoadIconW(nullptr, IDI_APPLICATION);
    return reinterpret_cast<IconRef>(app);
}

toolkit::MenuItem& form1::MenuOptions::Item(Option o) const {
    switch (o) {
    case Option::Autoload: return f_.menuAutoload;
    case Option::Autostart: return f_.menuAutostart;
    case Option::Shut: return f_.menuShut;
    case Option::Reboot: return f_.menuReboot;
    case Option::Logoff: return f_.menuLogoff;
    case Option::Hibernet: return f_.menuHibernet;
    case Option::Screen: return f_.menuScreen;
    case Option::Quit: return f_.menuQuit;
    case Option::Tray: return f_.menuTray;
    case Option::Normal: break;
    }
    return f_.menuNormal;
}

bool form1::MenuOptions::Checked(Option o) const { return Item(o).Checked(); }

void form1::MenuOptions::SetChecked(Option o, bool on) { Item(o).SetChecked(on); }

// ---- task-list files -----------------------------------------------------------

void form1::cmdSave_Click() {
    SetPictureVisible(false);
    FileDialog().Filter = kTaskFileFilter;
    if (!FileDialog().ShowSave(Handle())) return;
    const std::wstring path = WithTaskExtension(FileDialog().FileName);
    // The dialog keeps the name of the file really written, so that "Load
    // Tasks" offers that file next, not the name as it was typed.
    FileDialog().KeepChosenPath(path);
    FileResult r = WriteTaskFile(path, tasks_, files_, codec_, system_.Locale());
    if (!r.ok) toolkit::MsgBox(SaveTasksFailedMessage(path, r.error), MB_OK | MB_ICONERROR, {}, Handle());
}

void form1::cmdLoad_Click() {
    SetPictureVisible(false);
    FileDialog().Filter = kTaskFileFilter;
    if (!FileDialog().ShowOpen(Handle())) return;
    timerClose.SetEnabled(false);
    const std::wstring path = FileDialog().FileName;
    tasks_.BeginBulk();
    TaskLoadResult r = ReadTaskFile(path, tasks_, imgApp(), files_, codec_, system_.Now(), system_.Locale());
    tasks_.EndBulk();
    if (r.opened && r.leftOut == 0) NoteTaskFileRead(hold_, FullPath(path), FullPath(DefaultTaskPath(AppDataFolder())));
    if (const std::wstring report = LoadReport(path, r); !report.empty())
        toolkit::MsgBox(report, MB_OK | MB_ICONWARNING, {}, Handle());
    timerClose.SetEnabled(true);
}

// ---- interface strings ------------------------------------------------------------

void form1::updateLan() {
    const LanText& t = lanText();
    struct Caption {
        toolkit::Control* control;
        toolkit::MenuItem* menu;
        int entry;
    };
    const Caption captions[] = {
        {&cmdAdd, nullptr, 0},        {&cmdDelete, nullptr, 1},     {&cmdRemoveAll, nullptr, 2},
        {&cmdSetting, nullptr, 3},    {&cmdHelp, nullptr, 4},       {&cmdExit, nullptr, 6},
        {nullptr, &menuTask, 7},      {nullptr, &menuAdd, 0},       {nullptr, &menuDelete, 1},
        {nullptr, &menuClear, 2},     {nullptr, &menuSetting, 3},   {nullptr, &menuAfter, 8},
        {nullptr, &menuAbout, 9},     {nullptr, &menuHelp, 10},     {nullptr, &menuA, 9},
        {nullptr, &menuShut, 11},     {nullptr, &menuReboot, 12},   {nullptr, &menuLogoff, 13},
        {nullptr, &menuHibernet, 14}, {nullptr, &menuScreen, 15},   {nullptr, &menuQuit, 16},
        {nullptr, &menuExit, 6},      {nullptr, &menuLan, 48},      {nullptr, &menuAutostart, 58},
        {nullptr, &menuAutoload, 59}, {nullptr, &menuHide, 60},
    };
    for (const Caption& c : captions) {
        if (c.control) c.control->SetText(t[c.entry]);
        if (c.menu) c.menu->SetCaption(t[c.entry]);
    }
    for (int col = 0; col < 8; ++col) LVClose.SetColumnHeader(col, t[61 + col]);
    cmdSave.SetText(t[69]);
    cmdLoad.SetText(t[70]);

    toolkit::Button* buttons[] = {&cmdAdd, &cmdDelete, &cmdRemoveAll, &cmdSetting, &cmdHelp, &cmdExit, &cmdLoad, &cmdSave};
    for (auto* b : buttons) b->SetVisible(false);
    RefreshMain();
    for (int i = 0; i < 5; ++i) toolkit::DoEvents();
    SetCaption(menuCN.Checked() ? kChineseTitle : L"Kestrelon");
    for (int i = 0; i < 3; ++i) toolkit::DoEvents();
    if (editor_) editor_->UpdateLanTexts(t);
    menuStartMode.SetCaption(t[86]);
    menuTray.SetCaption(t[87]);
    menuNormal.SetCaption(t[88]);
    for (auto* b : buttons) b->SetVisible(true);
    toolkit::DoEvents();
    RefreshMain();
    toolkit::DoEvents();
}

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

void form1::DeleteLanguageMarkers() { kestrelon::DeleteLanguageMarkers(files_, AppDataFolder()); }

void form1::SwitchLanguageTo(const std::wstring& code) {
    // When the file is missing the table stays in the previous language.
    if (SwitchLanguage(*this, files_, codec_, AppDataFolder(), ProgramFolder(), code, lanText())) languageCode_ = code;
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

// ---- commands -------------------------------------------------------------------

void form1::cmdAdd_Click() {
    SetPictureVisible(false);
    if (editor_) {
        editor_->ShowEditor();
        // The editor answers the click at once; its list fills right after.
        if (editor_->Handle()) UpdateWindow(editor_->Handle());
    }
    ListRunningPrograms();
    toolkit::DoEvents();
}

void form1::cmdDelete_Click() {
    SetPictureVisible(false);
    if (tasks_.Count() == 0) return;
    if (int row = tasks_.SelectedRow(); row > 0) tasks_.RemoveRow(row);
}

void form1::cmdRemoveAll_Click() {
    SetPictureVisible(false);
    tasks_.Clear();
}

void form1::cmdSetting_Click() {
    SetPictureVisible(false);
    menuSetting.PopUp();
}

void form1::cmdHelp_Click() {
    SetPictureVisible(false);
    if (openUrl) openUrl(kTutorialPage);
}

void form1::lblWeb_Click() { cmdHelp_Click(); }

void form1::menuAbout_Click() {
    toolkit::MsgBox(AboutText(system_.Now().year), MB_OK, L"About", Handle());
}

void form1::menuHide_Click() { Hide(); }

}  // namespace kestrelon
