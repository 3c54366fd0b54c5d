#include "editor/frmMouseSelect_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/resource_ids.h"
#include "mainwindow/Layout.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/ProcessProbe_win32.h"
#include "services/Enumerator.h"
#include "toolkit/App.h"

namespace kestrelon {

namespace {

using toolkit::ComboBox;
using toolkit::TwipsRect;

constexpr double kClientWidth = 11070;  // design client area, twips
constexpr double kClientHeight = 9255;
constexpr double kFontPoints = 9;
constexpr wchar_t kFontFace[] = L"Verdana";
constexpr wchar_t kCaption[] = L"Add a Task";
constexpr wchar_t kExeFilter[] = L"*.exe, *.EXE|*.exe";
constexpr wchar_t kProductName[] = L"Kestrelon";
constexpr wchar_t kRefresh[] = L"refresh";  // the mailbox command that rebuilds the program list
constexpr int kListIconSize = 32;

// The running-program list's columns: design widths in twips, not scaled.
constexpr struct {
    const wchar_t* header;
    double widthTwips;
} kListColumns[] = {{L"Icon", 1060}, {L"Program", 3617}, {L"Path", 18063}};

// A 32 by 32 icon of the program's resources; the fallback when the
// program carries none (as in the test programs).
HICON ResourceIcon(int id, HICON fallback) {
    auto* icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, LR_SHARED));
    return icon ? icon : fallback;
}

// The generic application picture the main window gives run tasks.
IconRef AppPicture() {
    static HICON app = LoadIconW(nullptr, IDI_APPLICATION);
    return reinterpret_cast<IconRef>(app);
}

LayoutRect ToLayout(const TwipsRect& r) { return LayoutRect{r.left, r.top, r.width, r.height}; }
TwipsRect ToTwips(const LayoutRect& r) { return TwipsRect{r.left, r.top, r.width, r.height}; }

void SetEnabledAll(std::initializer_list<toolkit::Control*> controls, bool on) {
    for (toolkit::Control* c : controls) c->SetEnabled(on);
}

}  // namespace

frmMouseSelect::frmMouseSelect(form1& main) : main_(main) {
    className_ = L"KestrelonEditorWindow";
    initialCaption_ = kCaption;
    // A fixed dialog border: no resizing, no minimise or maximise box.
    style_ = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    exStyle_ = WS_EX_DLGMODALFRAME;
    isDialog_ = true;
    emptyIcon_ = ResourceIcon(IDI_EMPTY_TASK, LoadIconW(nullptr, IDI_INFORMATION));
    crossHair_ = ResourceIcon(IDI_CROSS_HAIR, LoadCursorW(nullptr, IDC_CROSS));
    classIcon_ = ResourceIcon(IDI_EDITOR, LoadIconW(nullptr, IDI_APPLICATION));
    messageBox = [this](const PromptBox& m) { return toolkit::MsgBox(m.text, m.style, m.title, Handle()); };
    openUrl = [](const std::wstring& url) {
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    showModal = [this] { ShowModalLoop(); };
    onLoad = [this] { Form_Load(); };
    onQueryUnload = [this](bool& cancel, toolkit::UnloadMode mode) { Form_QueryUnload(cancel, mode); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
}

frmMouseSelect::~frmMouseSelect() {
    main_.SetRunningProgramsView(nullptr);
    Destroy();
}

// ---- building the window ------------------------------------------------------

void frmMouseSelect::Build() {
    // Every control is made with its final font: at the design scale the
    // scaling pass after the load then has nothing left to do.
    SetFont(kFontFace, kFontPoints * ScaleForScreen(toolkit::TwipsPerPixelX(), toolkit::TwipsPerPixelY()).fx);
    BuildPickerControls();
    BuildTaskControls();
    BuildTimingControls();
    BuildRepeatControls();
}

void frmMouseSelect::BuildPickerControls() {
    lblSelect.Create(*this, L"Drag this Cursor onto a running Program Window to Select:", {90, 240, 3555, 645});
    imgSelect.Create(*this, {1200, 990, 540, 540});
    imgBackUp.Create(*this, {10980, 2010, 480, 480}, /*visible=*/false);
    imgBackUp.SetIcon(crossHair_);
    // One text line high, below the cross-hair rather than over its lower edge.
    lblDrag.Create(*this, L"What's This?", {60, 1545, 2805, 225});
    // The three captions of the picked window reach left to the instruction
    // beside them, so that longer words fit, and stand against their values.
    lblProcess[0].Create(*this, L"Program Name:", {3690, 240, 1800, 210});
    lblProcess[1].Create(*this, L"", {5610, 240, 60, 210});
    lblProcess[1].SetAutoSize(true);
    lblProcess[2].Create(*this, L"Window Title:", {3690, 870, 1800, 210});
    lblProcess[3].Create(*this, L"Process ID:", {3690, 570, 1785, 210});
    for (int i : {0, 2, 3}) lblProcess[i].SetRightAligned(true);
    lblID.Create(*this, L"", {5580, 570, 2265, 255});
    lblWindow.Create(*this, L"", {5610, 870, 5280, 600});
    picIcon.Create(*this, {9300, 180, 630, 630});
    lblPrograms.Create(*this, L"Or Choose a Program from the List:", {120, 1830, 9435, 225});
    LV.Create(*this, {120, 2100, 10755, 2835});
    LV.SetFullRowSelect(true);  // a click on the Program or Path text chooses the row
    for (const auto& c : kListColumns) LV.AddColumn(c.header, toolkit::TwipsToPixelsX(c.widthTwips));
    iconList.Create(kListIconSize, kListIconSize);
    LV.SetImageList(iconList);
    LV.onClick = [this] { LV_Click(); };
    LV.onKeyPress = [this](int& key) { LV_KeyPress(key); };
    cmdRefresh.Create(*this, L"", {9720, 1500, 555, 555});
    cmdRefresh.SetPicture(IDI_CMD_REFRESH);
    cmdRefresh.SetToolTip(L"Refresh The List");
    cmdRefresh.onClick = [this] { cmdRefresh_Click(); };
    cmdClose.Create(*this, L"", {10320, 1500, 555, 555});
    cmdClose.SetPicture(IDI_CMD_CLOSE_NOW);
    cmdClose.SetToolTip(L"Close the Selected Program Now");
    cmdClose.onClick = [this] { cmdClose_Click(); };
    TimerSelect.Create(*this, 50, false);
    TimerSelect.onTimer = [this] { TimerSelect_Timer(); };
    imgSelect.onMouseDown = [this](int x, int y) { imgSelect_MouseDown(x, y); };
    imgSelect.onMouseMove = [this](int x, int y) { imgSelect_MouseMove(x, y); };
    imgSelect.onMouseUp = [this](int x, int y) { imgSelect_MouseUp(x, y); };
    // During a drag the editor window holds the mouse.
    onCaptureMouseMove = [this](int x, int y) { imgSelect_MouseMove(x, y); };
    onCaptureMouseUp = [this](int x, int y) { imgSelect_MouseUp(x, y); };
    onCaptureLost = [this] { DragInterrupted(); };
    lblDrag.onClick = [this] { lblDrag_Click(); };
    lblDrag.SetMousePointer(LoadCursorW(nullptr, IDC_HAND));

    // The window information lies right of the visible client area: a
    // caption and a value per row.
    lblhWnd.Create(*this, L"hWnd:", {11340, 240, 1500, 255});
    const std::pair<std::array<toolkit::Label, 2>*, const wchar_t*> rows[] = {
        {&lblParhWnd, L"Parent hWnd:"}, {&lblProghWnd, L"Progenitor hWnd:"}, {&lblClass, L"Class:"},
        {&lblParClass, L"Parent Class:"}, {&lblProgClass, L"Progenitor Class:"}};
    double top = 540;
    for (const auto& [pair, caption] : rows) {
        (*pair)[0].Create(*this, caption, {11340, top, 1500, 255});
        (*pair)[1].Create(*this, L"", {12900, top, 2355, 255});
        top += 300;
    }
    txthWnd.Create(*this, L"0", {11880, 6420, 2355, 285});
    txthWnd.onKeyPress = [this](int& key) { txthWnd_KeyPress(key); };
    txthWnd.onChange = [this] { txthWnd_Change(); };
}

void frmMouseSelect::BuildTaskControls() {
    chkOnly.Create(*this, L"Empty Task (For Shutdown/Reboot etc. without closing any program)", {150, 5010, 10725, 285});
    chkOnly.onClick = [this] { chkOnly_Click(); };
    Label11.Create(*this, L"Auto Type:", {150, 5490, 1515, 255});
    cmbAutoType.Create(*this, {1740, 5430, 9090, 330});
    cmbAutoType.onClick = [this] { cmbAutoType_Click(); };
    cmbAutoType.onChange = [this] { cmbAutoType_Change(); };
    Label10.Create(*this, L"Command line:", {150, 6000, 1515, 225});  // one text line high
    // The button takes from the box the room its caption needs on one line.
    txtCmd.Create(*this, L"", {1740, 5910, 6690, 315});
    txtCmd.SetEnabled(false);
    cmdCmd.Create(*this, L"Select a Program", {8505, 5910, 2340, 315});
    cmdCmd.onClick = [this] { cmdCmd_Click(); };
    imgEmptyIcon.Create(*this, {10170, 6240, 540, 540}, /*visible=*/false);
    imgEmptyIcon.SetIcon(emptyIcon_);
}

void frmMouseSelect::BuildTimingControls() {
    Label1.Create(*this, L"Time Schedule Setting:", {180, 6420, 10740, 210});
    optTimer.Create(*this, L"Interval (Close After Day/Hour/Minute/Second)", {210, 6780, 10695, 285});
    optTimer.onClick = [this] { optTimer_Click(); };

    ComboBox* countdown[] = {&cmbTDay, &cmbTHour, &cmbTMin, &cmbTSec};
    toolkit::Label* units[] = {&Label2, &Label3, &Label4, &Label5};
    const wchar_t* unitTexts[] = {L"Day(s)", L"Hour(s)", L"Minute(s)", L"Second(s)"};
    // Each unit label reaches to just before the next box (or the idle box), never over it.
    const double boxLeft[] = {180, 1950, 3780, 5850}, unitLeft[] = {1230, 2970, 4800, 6900};
    const double unitWidth[] = {690, 780, 1020, 1110};
    for (int i = 0; i < 4; ++i) {
        countdown[i]->Create(*this, {boxLeft[i], 7170, 975, 330}, ComboBox::Kind::DropDown);
        countdown[i]->onKeyPress = [](int& key) { CountdownKeyPress(key); };
        units[i]->Create(*this, unitTexts[i], {unitLeft[i], 7230, unitWidth[i], 255});
    }
    chkMouse.Create(*this, L"After No Mouse/Key Actions", {8040, 7080, 2955, 495});

    optTime.Create(*this, L"Specific Time (Close at Year/Month/Day Hour:Minute:Second)", {210, 7590, 10695, 285});
    optTime.onClick = [this] { optTime_Click(); };
    cmbYear.Create(*this, {180, 7950, 975, 330});
    cmbMonth.Create(*this, {1170, 7950, 1935, 330});
    cmbDay.Create(*this, {3120, 7950, 975, 330});
    cmbHour.Create(*this, {4320, 7950, 975, 330});
    cmbMin.Create(*this, {5430, 7950, 975, 330});
    cmbSec.Create(*this, {6540, 7950, 975, 330});
    Label7.Create(*this, L":", {5340, 8010, 90, 255});
    Label6.Create(*this, L":", {6420, 8010, 90, 255});
}

void frmMouseSelect::BuildRepeatControls() {
    // The custom repeat panel first, so that it is above what it covers.
    picLoop.Create(*this, {3240, 6390, 6345, 1185}, /*visible=*/false, /*border=*/true);
    ComboBox* loopBoxes[] = {&cmbLoopDay, &cmbLoopHour, &cmbLoopMin};
    toolkit::Label* loopUnits[] = {&Label15, &Label14, &Label13};
    const wchar_t* unitTexts[] = {L"Day(s)", L"Hour(s)", L"Minute(s)"};
    const double boxLeft[] = {240, 2010, 3840}, unitLeft[] = {1290, 3030, 4860}, unitWidth[] = {690, 780, 1020};
    for (int i = 0; i < 3; ++i) {
        loopBoxes[i]->Create(picLoop, {boxLeft[i], 330, 975, 330}, ComboBox::Kind::DropDown);
        loopUnits[i]->Create(picLoop, unitTexts[i], {unitLeft[i], 390, unitWidth[i], 255});
    }
    cmdLoopOK.Create(picLoop, L"OK", {5160, 750, 1035, 315});
    cmdLoopOK.onClick = [this] { cmdLoopOK_Click(); };
    Label12.Create(picLoop, L"X", {6030, 60, 285, 225});  // one text line high
    Label12.SetMousePointer(LoadCursorW(nullptr, IDC_HAND));
    Label12.onClick = [this] { Label12_Click(); };

    // The label reaches left over the free space after the time boxes and
    // stands against its list; the list reaches to the window's right margin,
    // so that its longest choice shows whole beside a wide drop-down arrow.
    Label9.Create(*this, L"Loop:", {7620, 8010, 1380, 285});
    Label9.SetRightAligned(true);
    cmbLoop.Create(*this, {9075, 7950, 1935, 330});
    cmbLoop.onClick = [this] { cmbLoop_Click(); };
    lblLoop.Create(*this, kInitialCustomLoopText, {8100, 8400, 2775, 180});
    Label8.Create(*this, L"After the Task Finished:", {210, 8400, 7680, 210});
    cmbAfter.Create(*this, {180, 8730, 3435, 330});
    chkQuit.Create(*this, L"Quit Kestrelon", {3690, 8760, 4065, 285});
    cmdOK.Create(*this, L"Add", {8040, 8670, 1395, 435});
    cmdOK.onClick = [this] { cmdOK_Click(); };
    cmdCancel.Create(*this, L"Cancel", {9570, 8670, 1395, 435});
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
}

// ---- load, show, unload -----------------------------------------------------------

void frmMouseSelect::Form_Load() {
    ++syncing_;  // the lists are filled and set without running handlers
    cmbYear.SetItems(YearItems());
    cmbMonth.SetItems(MonthItems());
    cmbDay.SetItems(DayItems());
    cmbHour.SetItems(HourItems());
    cmbMin.SetItems(MinuteItems());
    cmbSec.SetItems(MinuteItems());
    for (ComboBox* c : {&cmbTDay, &cmbTHour, &cmbTMin, &cmbTSec, &cmbLoopDay, &cmbLoopHour, &cmbLoopMin})
        c->SetItems(CountdownItems());
    cmbAutoType.SetItems(AutoTypeItems(kProductName));
    cmbLoop.SetItems(LoopItems());
    cmbAfter.SetItems(AfterItems());

    cmbLoopDay.SetListIndex(0);
    cmbLoopHour.SetListIndex(0);
    cmbLoopMin.SetListIndex(1);  // the custom interval starts at one minute

    // The specific time starts at the moment of loading, to the minute.
    const SpecificTimeIndices at = SpecificTimeAtLoad(main_.System().Now());
    cmbYear.SetListIndex(at.year);
    cmbMonth.SetListIndex(at.month);
    cmbDay.SetListIndex(at.day);
    cmbHour.SetListIndex(at.hour);
    cmbMin.SetListIndex(at.minute);
    cmbSec.SetListIndex(at.second);
    for (ComboBox* c : {&cmbTDay, &cmbTHour, &cmbTMin, &cmbTSec}) c->SetListIndex(0);
    cmbAfter.SetListIndex(0);
    --syncing_;

    fileDialog_ = std::make_unique<CommonDlgsW>();

    // Keep the pixel size and layout the window has at 96 dots per inch.
    const ScaleFactors f = ScaleForScreen(toolkit::TwipsPerPixelX(), toolkit::TwipsPerPixelY());
    fx_ = f.fx;
    fy_ = f.fy;
    SetClientSize(kClientWidth * fx_, kClientHeight * fy_);

    state_ = InitialEditorState();  // close task, interval mode, repeat "None"
    WriteControls();
    ScaleEveryControl();
    imgSelect.SetIcon(imgBackUp.Icon());
    main_.SetRunningProgramsView(this);  // rebuilds now fill LV
}

void frmMouseSelect::ScaleEveryControl() {
    SetFont(kFontFace, kFontPoints * fx_);
    const ScaleFactors f{fx_, fy_};
    // Positions of the panel's controls are relative to the panel, and
    // scale the same way.
    for (toolkit::Control* c : Controls()) c->Move(ToTwips(ScaleRect(ToLayout(c->Bounds()), f)));
}

namespace {

struct QuestionSearch {
    HWND owner, found;
};

BOOL CALLBACK FindQuestion(HWND h, LPARAM p) {
    auto& s = *reinterpret_cast<QuestionSearch*>(p);
    if (h == s.owner || GetWindow(h, GW_OWNER) != s.owner || !IsWindowVisible(h) || !IsWindowEnabled(h)) return TRUE;
    s.found = h;
    return FALSE;
}

// The box the editor is asking from while it is disabled: a shown window of
// this thread that the editor owns and that takes input; null when none.
HWND OpenQuestionOf(HWND editor) {
    if (!editor || IsWindowEnabled(editor)) return nullptr;
    QuestionSearch search{editor, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindQuestion, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void frmMouseSelect::ShowEditor() {
    if (!Load()) return;
    if (!shownOnce_) {
        CenterOnScreen();
        shownOnce_ = true;
    }
    Show();
    // A question the editor has open stays in front of it.
    const HWND question = OpenQuestionOf(Handle());
    SetForegroundWindow(question ? question : Handle());
}

void frmMouseSelect::Form_QueryUnload(bool&, toolkit::UnloadMode mode) {
    // Only Add and Cancel ask for the unload from the program's own code.
    if (mode != toolkit::UnloadMode::Code) closing_ = false;
}

void frmMouseSelect::Form_Unload(bool& cancel) {
    if (!Visible()) {  // hidden: the program's exit really removes it
        main_.SetRunningProgramsView(nullptr);
        return;
    }
    if (!closing_ && dragging_) {
        // Closed by its close box or Alt+F4 in the middle of a drag: leave the
        // picker as Cancel does, so no capture, timer, pointer or frame stays.
        LeavePicking();
        txthWnd.SetText(L"0");
    }
    Hide();
    cancel = true;
    dragging_ = false;
    closing_ = false;
    main_.Show();
}

// ---- state and controls ----------------------------------------------------------

void frmMouseSelect::ReadControls() {
    state_.only = chkOnly.Value();
    state_.autoType = cmbAutoType.ListIndex();
    state_.cmd = txtCmd.Text();
    state_.programName = lblProcess[1].Text();
    state_.id = lblID.Text();
    state_.windowTitle = lblWindow.Text();
    state_.timerMode = optTimer.Value();
    state_.mouse = chkMouse.Value();
    state_.loopIndex = cmbLoop.ListIndex();
    state_.loopLabel = lblLoop.Text();
}

void frmMouseSelect::WriteControls() {
    ++syncing_;
    struct Done {
        int& n;
        ~Done() { --n; }
    } done{syncing_};
    const EditorState& s = state_;

    chkOnly.SetValue(s.only);
    if (cmbAutoType.ListIndex() != s.autoType) cmbAutoType.SetListIndex(s.autoType);
    cmbAutoType.SetEnabled(s.autoTypeEnabled);
    txtCmd.SetText(s.cmd);
    txtCmd.SetEnabled(s.cmdEnabled);
    Label10.SetText(s.cmdLabel);
    // A rebuild of the program list keeps both off until it ends.
    LV.SetEnabled(s.listEnabled && !rebuilding_);
    imgSelect.SetEnabled(s.pickerEnabled && !rebuilding_);
    lblProcess[1].SetText(s.programName);
    lblID.SetText(s.id);
    lblWindow.SetText(s.windowTitle);
    switch (s.picIcon) {
    case PicIconContent::Nothing: picIcon.ClearPicture(); break;
    case PicIconContent::EmptyTaskPicture: picIcon.SetIcon(imgEmptyIcon.Icon()); break;
    case PicIconContent::ProgramIcon: break;  // the picker and the list draw it
    }

    if (s.timerMode) optTimer.SetValue(true);
    else optTime.SetValue(true);
    SetEnabledAll({&cmbYear, &cmbMonth, &cmbDay, &cmbHour, &cmbMin, &cmbSec}, s.dateBoxesEnabled);
    SetEnabledAll({&cmbTDay, &cmbTHour, &cmbTMin, &cmbTSec}, s.countdownEnabled);
    chkMouse.SetValue(s.mouse);
    chkMouse.SetEnabled(s.mouseEnabled);

    if (cmbLoop.ListIndex() != s.loopIndex) cmbLoop.SetListIndex(s.loopIndex);
    if (s.panelMoved) {
        picLoop.SetLeft(kLoopPanelLeft * fx_);
        picLoop.SetTop(kLoopPanelTop * fy_);
    }
    if (s.panelVisible) picLoop.BringToFront();
    picLoop.SetVisible(s.panelVisible);
    lblLoop.SetText(s.loopLabel);
    lblLoop.SetVisible(s.loopLabelVisible);
}

void frmMouseSelect::Run(const std::function<void(EditorState&)>& rule) {
    if (syncing_) return;  // a change made while copying the state in
    ReadControls();
    rule(state_);
    WriteControls();
}

EditorInputs frmMouseSelect::Inputs() const {
    EditorInputs in;
    in.autoType = cmbAutoType.ListIndex();
    in.only = chkOnly.Value();
    in.cmd = txtCmd.Text();
    in.id = lblID.Text();
    in.program = lblProcess[1].Text();
    // The row of the program the labels show, preferably the selected one.
    std::vector<ListEntry> rows(static_cast<size_t>(std::max(LV.Count(), 0)));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = ListEntry{LV.ItemText(static_cast<int>(i), 1).value_or(L""),
                            LV.ItemText(static_cast<int>(i), 2).value_or(L"")};
    in.selected = ShownProgramRow(rows, LV.SelectedIndex(), in.program);

    in.timerMode = optTimer.Value();
    in.year = cmbYear.Text();
    in.monthIndex = cmbMonth.ListIndex();
    in.day = cmbDay.Text();
    in.hour = cmbHour.Text();
    in.minute = cmbMin.Text();
    in.second = cmbSec.Text();
    in.tDay = cmbTDay.Text();
    in.tHour = cmbTHour.Text();
    in.tMin = cmbTMin.Text();
    in.tSec = cmbTSec.Text();
    in.mouse = chkMouse.Value();

    in.loopIndex = cmbLoop.ListIndex();
    in.loopText = cmbLoop.List(in.loopIndex);
    in.lblLoop = lblLoop.Text();
    in.afterIndex = cmbAfter.ListIndex();
    in.quit = chkQuit.Value();
    return in;
}

int frmMouseSelect::ShowMessage(const PromptBox& m) { return messageBox ? messageBox(m) : IDOK; }

// ---- handlers ---------------------------------------------------------------------

void frmMouseSelect::chkOnly_Click() { Run(ApplyEmptyTask); }
void frmMouseSelect::cmbAutoType_Click() { Run(ApplyAutoType); }
void frmMouseSelect::cmbLoop_Click() { Run(ApplyLoopChoice); }
void frmMouseSelect::Label12_Click() { Run(CloseLoopPanel); }
void frmMouseSelect::optTime_Click() { Run(ApplySpecificTimeMode); }
void frmMouseSelect::optTimer_Click() { Run(ApplyIntervalMode); }

void frmMouseSelect::CountdownKeyPress(int& keyAscii) { keyAscii = CountdownKeyFilter(keyAscii); }

void frmMouseSelect::LeavePicking() {
    const bool wasDragging = dragging_;
    EraseHighlight();  // no frame may stay on another program's window
    lastFramed_ = nullptr;
    toolkit::SetScreenMousePointer(nullptr);
    imgSelect.SetIcon(imgBackUp.Icon());
    ReleaseMouse();
    dragging_ = false;
    TimerSelect.SetEnabled(false);
    // The picture shown before the press stays alive while picIcon may show it.
    if (!chosenIcon_) chosenIcon_ = std::move(beforeDrag_.picture);
    beforeDrag_ = {};
    if (wasDragging) {  // the editor as the release leaves it: full height, both list buttons
        cmdRefresh.SetVisible(true);
        cmdClose.SetVisible(true);
        SetSize(Width(), cmdOK.Top() + cmdOK.Height() + kFullHeightBelowAdd);
    }
}

void frmMouseSelect::KeepFieldsBeforeDrag() {
    BeforeDrag& b = beforeDrag_;
    b.cmd = txtCmd.Text();
    b.program = lblProcess[1].Text();
    b.caption = lblProcess[2].Text();
    b.id = lblID.Text();
    b.window = lblWindow.Text();
    b.hWnd = txthWnd.Text();
    b.parentHWnd = lblParhWnd[1].Text();
    b.progenitorHWnd = lblProghWnd[1].Text();
    b.className = lblClass[1].Text();
    b.parentClass = lblParClass[1].Text();
    b.progenitorClass = lblProgClass[1].Text();
    b.shown = picIcon.Icon();
    b.picIcon = state_.picIcon;
    // picIcon goes on showing this picture until the first inspection.
    b.picture = std::move(chosenIcon_);
}

void frmMouseSelect::DragInterrupted() {
    if (!dragging_) return;
    // The drag ends as Cancel ends one, with the information of before the
    // press: nothing under the cursor was chosen.
    BeforeDrag b = std::move(beforeDrag_);
    beforeDrag_ = {};
    LeavePicking();
    txtCmd.SetText(b.cmd);
    lblProcess[2].SetText(b.caption);
    WriteWindowFields(WindowFields{b.hWnd, b.parentHWnd, b.progenitorHWnd, b.className, b.parentClass,
                                   b.progenitorClass, b.program});
    lblID.SetText(b.id);
    lblWindow.SetText(b.window);
    if (b.shown) picIcon.SetIcon(b.shown);
    else picIcon.ClearPicture();
    chosenIcon_ = std::move(b.picture);
    state_.picIcon = b.picIcon;
    PlacePicIcon();
    SelectPickedProgram(/*focus=*/false);  // the list's selection goes back with the labels
    // As after a release, the main window stays hidden while the editor is open.
    if (!Visible()) main_.Show();
}

void frmMouseSelect::cmdCancel_Click() {
    LeavePicking();
    txthWnd.SetText(L"0");
    closing_ = true;
    Unload(toolkit::UnloadMode::Code);  // hides the editor and shows the main window
}

void frmMouseSelect::cmdCmd_Click() {
    if (!fileDialog_) return;
    fileDialog_->Filter = kExeFilter;
    if (!fileDialog_->ShowOpen(Handle()) || fileDialog_->FileName.empty()) return;
    const std::wstring path = fileDialog_->FileName;
    Run([&path](EditorState& s) { ApplyChosenProgram(s, path); });
}

void frmMouseSelect::cmdLoopOK_Click() {
    if (syncing_) return;
    ReadControls();
    if (auto refused = ConfirmCustomLoop(state_, cmbLoopDay.Text(), cmbLoopHour.Text(), cmbLoopMin.Text())) {
        ShowMessage(*refused);  // the panel stays open
        return;
    }
    WriteControls();
}

void frmMouseSelect::cmdOK_Click() {
    if (syncing_) return;
    if (auto full = FullListRefusal(main_.Tasks().Count())) {
        ShowMessage(*full);
        return;  // nothing added, no mark and no timer changed; the editor stays
    }
    ReadControls();
    ISystem& sys = main_.System();
    const BuildResult r = BuildTask(Inputs(), sys.Now(), sys.Locale(), lanText(),
                                    [this](const PromptBox& q) { return ShowMessage(q) == IDOK; });
    if (!r.task) {
        if (r.message) ShowMessage(*r.message);
        return;  // nothing added; the editor keeps its inputs
    }

    LeavePicking();
    closing_ = true;
    main_.Show();

    TaskPictures pictures;
    pictures.emptyIcon = reinterpret_cast<IconRef>(imgEmptyIcon.Icon());
    pictures.picIcon = reinterpret_cast<IconRef>(picIcon.Icon());
    pictures.appIcon = AppPicture();
    AddBuiltTask(main_.Tasks(), main_.Marks(), *r.task, pictures,
                 [this](const std::wstring& command) { main_.WriteMailbox(command); });

    main_.timerClose.SetEnabled(true);
    Run(ResetAfterAdd);
    Unload(toolkit::UnloadMode::Code);  // hides the editor
}

// ---- the running-program list ---------------------------------------------------

void frmMouseSelect::SetListControlsEnabled(bool on) {
    SetEnabledAll({&LV, &cmdCancel, &cmdOK, &cmdRefresh, &cmdClose, &imgSelect, &chkOnly}, on);
}

void frmMouseSelect::BeginRebuild() {
    LV.Clear();
    // A rebuild cut short by a newer one leaves pictures behind: start afresh.
    stagedIcons_ = toolkit::ImageList{};
    stagedIcons_.Create(kListIconSize, kListIconSize);
    stagedPictures_.Clear();
    rebuilding_ = true;
    SetListControlsEnabled(false);
}

void frmMouseSelect::AddProgramIcon(const std::wstring& dosPath) {
    // Every row gets its image (an empty one where there is no picture); they
    // go into the staged list together when the rebuild ends.
    stagedPictures_.Take(programIcons_, dosPath, reinterpret_cast<HICON>(AppPicture()));
}

void frmMouseSelect::EndRebuild(const RunningProgramList& list, std::optional<std::size_t> reselect) {
    stagedPictures_.AppendTo(stagedIcons_);
    // The new pictures go in before the old list is freed: LV shares it.
    LV.Clear();
    std::swap(iconList, stagedIcons_);
    LV.SetImageList(iconList);
    stagedIcons_ = toolkit::ImageList{};

    LV.SetRedraw(false);
    for (const RunningProgramRow& row : list.rows) {
        const int item = LV.Append(L"", row.icon - 1);
        LV.SetItemText(item, 1, row.program);
        LV.SetItemText(item, 2, row.path);
    }
    LV.SetRedraw(true);
    programIcons_.DropUnused();  // programs that have ended
    rebuilding_ = false;
    SetListControlsEnabled(true);
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
    if (reselect) {
        const int item = static_cast<int>(*reselect);
        LV.Focus();
        LV.Select(item);
        LV.EnsureVisible(item);
    }
}

void frmMouseSelect::LV_Click() {
    if (syncing_) return;
    std::optional<ListChoice> choice;
    const int row = LV.SelectedIndex();
    if (row >= 0) {
        choice = ListChoice{LV.ItemText(row, 1).value_or(L""), LV.ItemText(row, 2).value_or(L""), std::nullopt};
        choice->id = LowestIdOf(main_.RunningList(), choice->program);
    }
    lblWindow.SetVisible(true);
    Run([&choice](EditorState& s) { ApplyListClick(s, choice); });
    if (!choice) return;  // the labels keep their program, caption and value together
    lblProcess[2].SetText(lanText()[49]);

    // The row's own picture from the list, kept while picIcon shows it.
    toolkit::UniqueIcon picture(ImageList_GetIcon(iconList.Handle(), LV.ItemImage(row), ILD_NORMAL));
    picIcon.SetIcon(picture ? picture.get() : reinterpret_cast<HICON>(AppPicture()));
    chosenIcon_ = std::move(picture);
    PlacePicIcon();
}

void frmMouseSelect::LV_KeyPress(int& keyAscii) {
    std::vector<RunningProgramRow> rows(static_cast<size_t>(std::max(LV.Count(), 0)));
    for (size_t i = 0; i < rows.size(); ++i) rows[i].program = LV.ItemText(static_cast<int>(i), 1).value_or(L"");
    // Only selects: the program choice stays until a click.
    if (auto row = TypeAheadRow(rows, static_cast<wchar_t>(keyAscii))) {
        LV.Select(static_cast<int>(*row));
        LV.EnsureVisible(static_cast<int>(*row));
    }
}

void frmMouseSelect::cmdRefresh_Click() { main_.WriteMailbox(kRefresh); }

void frmMouseSelect::cmdClose_Click() {
    // The program selected now is the one asked about: while the question is
    // open a firing may rebuild the list and select another row.
    const int row = LV.SelectedIndex();
    const std::optional<std::wstring> program = row >= 0 ? LV.ItemText(row, 1) : std::nullopt;
    const LanText& t = lanText();
    if (ShowMessage(PromptBox{t[40], t[41], MB_OKCANCEL}) != IDOK) return;
    if (program) {
        // The newest list: a rebuild meanwhile has the ids of now.
        const RunningProgramList snapshot = main_.RunningList();
        bool namesSelf = false;
        CloseProgramNow(snapshot, *program, main_.System(), &namesSelf);
        if (namesSelf) {  // Kestrelon itself: it ends in order, its lists saved
            main_.QuitNow();
            return;
        }
        // The ended program is no longer the editor's choice.
        Run([&program](EditorState& s) { ForgetEndedProgram(s, *program); });
    }
    main_.WriteMailbox(kRefresh);
}

// ---- the window picker ------------------------------------------------------------

namespace {

HWND ToWindow(WindowHandle h) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(h)); }
WindowHandle ToHandle(HWND h) { return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(h)); }

// The picker's questions, answered by a fresh Enumerator for each inspection.
class EnumeratorInspector : public IWindowInspector {
public:
    WindowHandle ParentWind(WindowHandle h) override { return e_.ParentWind(h); }
    WindowHandle Progenitor(WindowHandle h) override { return e_.Progenitor(h); }
    std::wstring ClassName(WindowHandle h) override { return e_.ClassName(h); }
    std::int32_t WindProcess(WindowHandle h) override { return e_.WindProcess(h); }
    std::wstring ProcessName(std::int32_t pid) override { return e_.ProcessName(pid); }
    std::wstring WindowTitle(WindowHandle h) override { return e_.GetWindText(h); }

private:
    Enumerator e_;
};

// The window under the mouse cursor; null over no window.
HWND WindowUnderCursor() {
    POINT p{};
    if (!GetCursorPos(&p)) return nullptr;
    return WindowFromPoint(p);
}

// Inverts a 6-pixel pen's outline along the edge of the whole window w,
// frame and caption included; the half of the pen outside the window is
// clipped away. Nothing is saved: drawing the same frame again on the
// unchanged window inverts the same pixels back.
void DrawInvertedFrame(HWND w) {
    RECT r{};
    if (!w || !GetWindowRect(w, &r)) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    toolkit::UniqueGdi region(CreateRectRgn(0, 0, width, height));
    toolkit::UniqueGdi pen(CreatePen(PS_SOLID, 6, RGB(0, 0, 0)));
    HDC dc = GetWindowDC(w);
    if (!dc) return;
    if (region) SelectObject(dc, region.get());  // becomes the clipping region
    HGDIOBJ oldPen = pen ? SelectObject(dc, pen.get()) : nullptr;
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int oldRop = SetROP2(dc, R2_NOT);  // every touched pixel inverted, whatever the pen's colour
    Rectangle(dc, 0, 0, width, height);
    if (oldRop) SetROP2(dc, oldRop);
    if (oldBrush) SelectObject(dc, oldBrush);
    if (oldPen) SelectObject(dc, oldPen);
    ReleaseDC(w, dc);
}  // the pen and the region are deleted once the device context has let go of them

}  // namespace

void frmMouseSelect::imgSelect_MouseDown(int x, int y) {
    if (dragging_) return;  // a second button pressed during a drag changes nothing
    KeepFieldsBeforeDrag();
    if (cmbAutoType.ListIndex() == 0) txtCmd.SetText(L"");
    // The cross-hair becomes the mouse cursor and seems to leave its box.
    toolkit::SetScreenMousePointer(imgSelect.Icon() ? imgSelect.Icon() : imgBackUp.Icon());
    imgSelect.ClearPicture();
    // Paint the empty box now, so that the frame drawn on it next is not
    // painted over later (its removal would then leave a mark).
    UpdateWindow(imgSelect.Handle());
    dragging_ = true;
    // Moves and the release anywhere on the screen come back to the editor.
    // The editor window holds the mouse rather than the cross-hair's box: a
    // rebuild of the program list during the drag disables the box, which
    // would end its hold.
    CaptureMouse();
    imgSelect_MouseMove(x, y);  // the first frame at once
    TimerSelect.SetEnabled(true);
    main_.Hide();
    lblProcess[2].SetText(L"Window Title:");
    cmdRefresh.SetVisible(false);
    cmdClose.SetVisible(false);
    SetSize(Width(), lblPrograms.Top() + kDragHeightBelowPrograms);  // cuts off the program list
}

void frmMouseSelect::imgSelect_MouseMove(int, int) {
    if (dragging_) HighlightCursorWind();
}

void frmMouseSelect::imgSelect_MouseUp(int, int) {
    if (!dragging_) return;
    EraseHighlight();
    toolkit::SetScreenMousePointer(nullptr);
    imgSelect.SetIcon(imgBackUp.Icon());
    ReleaseMouse();
    dragging_ = false;
    lastFramed_ = nullptr;
    TimerSelect.SetEnabled(false);
    ShowCursorWindInfo();  // the window under the cursor at the release
    beforeDrag_ = {};
    SelectPickedProgram();
    PlacePicIcon();
    cmdRefresh.SetVisible(true);
    cmdClose.SetVisible(true);
    SetSize(Width(), cmdOK.Top() + cmdOK.Height() + kFullHeightBelowAdd);
    cmdRefresh_Click();  // the rebuilt list selects the picked program again
}

void frmMouseSelect::ShowCursorWindInfo() {
    EnumeratorInspector inspect;
    const CursorWindowInfo info = ReadCursorWindowInfo(inspect, ToHandle(WindowUnderCursor()));
    WriteWindowFields(info.fields);
    lblID.SetText(info.id);
    lblWindow.SetText(info.title);
    ShowProgramPicture(info.processId);
    PlacePicIcon();
}

void frmMouseSelect::ShowWindInfo(HWND h) {
    EnumeratorInspector inspect;
    WriteWindowFields(ReadWindowFields(inspect, ToHandle(h)));
}

void frmMouseSelect::WriteWindowFields(const WindowFields& f) {
    txthWnd.SetText(f.hWnd);
    lblParhWnd[1].SetText(f.parentHWnd);
    lblProghWnd[1].SetText(f.progenitorHWnd);
    lblClass[1].SetText(f.className);
    lblParClass[1].SetText(f.parentClass);
    lblProgClass[1].SetText(f.progenitorClass);
    lblProcess[1].SetText(f.program);
}

void frmMouseSelect::ShowProgramPicture(std::int32_t processId) {
    // The executable's path, read as the running-program list reads it.
    std::wstring path = UnknownProcessPath();
    const ProcessProbeResult found = win32::ProcessProbe{}.Probe(static_cast<std::uint32_t>(processId));
    if (found.opened && found.path) path = *found.path;

    // picIcon keeps its own copy: the preview icon is replaced by the next
    // extraction, here or in the program list.
    HICON extracted = win32::PreviewIcon().Extract(DevicePathToDosPath(path));
    toolkit::UniqueIcon picture(extracted ? CopyIcon(extracted) : nullptr);
    picIcon.SetIcon(picture ? picture.get() : reinterpret_cast<HICON>(AppPicture()));
    chosenIcon_ = std::move(picture);
    state_.picIcon = PicIconContent::ProgramIcon;  // kept when the editor's rules run next
}

void frmMouseSelect::PlacePicIcon() {
    picIcon.SetLeft(lblProcess[1].Left() + lblProcess[1].Width() + kPickerIconGapTwips);
}

void frmMouseSelect::HighlightCursorWind() {
    HWND h = WindowUnderCursor();
    if (h == lastFramed_) return;  // still the same window: the frame stays
    if (frameShown_) EraseHighlight();
    frameShown_ = true;
    lastFramed_ = h;
    DrawInvertedFrame(h);
}

void frmMouseSelect::EraseHighlight() {
    if (!frameShown_) return;
    frameShown_ = false;
    if (lastFramed_) DrawInvertedFrame(lastFramed_);
}

void frmMouseSelect::SelectPickedProgram(bool focus) {
    std::vector<RunningProgramRow> rows(static_cast<size_t>(std::max(LV.Count(), 0)));
    for (size_t i = 0; i < rows.size(); ++i) rows[i].program = LV.ItemText(static_cast<int>(i), 1).value_or(L"");
    const auto row = ReselectRow(rows, lblProcess[1].Text());
    if (!row) {
        LV.ClearSelection();  // no row of another program stays selected
        return;
    }
    const int item = static_cast<int>(*row);
    LV.Select(item);
    if (focus) LV.Focus();
    LV.EnsureVisible(item);
}

std::wstring frmMouseSelect::DevicePathToDosPath(const std::wstring& path) {
    return kestrelon::DevicePathToDosPath(path, win32::ProcessProbe{}.DosDevices());
}

void frmMouseSelect::txthWnd_KeyPress(int& keyAscii) { keyAscii = HandleBoxKeyFilter(keyAscii); }

void frmMouseSelect::lblDrag_Click() {
    if (openUrl) openUrl(kPickerHelpPage);
}

void frmMouseSelect::DoStuph() {
    if (!Load()) return;
    main_.Hide();
    imgSelect.SetIcon(imgBackUp.Icon());
    ShowWindInfo(ToWindow(ReadHandleBox(txthWnd.Text())));
    if (showModal) showModal();
}

void frmMouseSelect::ShowModalLoop() {
    // The main window takes no input while the editor is shown this way.
    HWND owner = main_.Handle();
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowEditor();
    MSG quit{};
    while (Visible() && !PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
        toolkit::DoEvents();
        if (Visible()) WaitMessage();
    }
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
}

// ---- interface strings ------------------------------------------------------------

void frmMouseSelect::UpdateLanTexts(const LanText& t) {
    ++syncing_;  // replacing list items keeps each list's choice; no handler runs
    struct Done {
        int& n;
        ~Done() { --n; }
    } done{syncing_};
    const std::pair<toolkit::Control*, int> captions[] = {
        {&lblSelect, 17}, {&lblDrag, 18},    {&lblProcess[0], 19}, {&lblProcess[3], 20}, {&lblProcess[2], 21},
        {&lblPrograms, 22}, {&chkOnly, 23},  {&Label1, 24},        {&optTimer, 25},      {&Label2, 26},
        {&Label3, 27},    {&Label4, 28},     {&Label5, 29},        {&optTime, 30},       {&Label8, 31},
        {&chkQuit, 16},   {&cmdOK, 32},      {&cmdCancel, 33},
    };
    for (const auto& [control, entry] : captions) control->SetText(t[entry]);
    const int afterEntries[] = {50, 11, 12, 13, 14, 15};
    for (int i = 0; i < 6; ++i) cmbAfter.SetList(i, t[afterEntries[i]]);
    Label13.SetText(t[28]);
    Label14.SetText(t[27]);
    Label15.SetText(t[26]);
    cmdLoopOK.SetText(t[35]);
    cmbAutoType.SetList(0, t[75]);
    cmbAutoType.SetList(1, t[76]);
    for (int i = 0; i < 6; ++i) cmbLoop.SetList(i, t[77 + i]);
    Label11.SetText(t[71]);
    Label10.SetText(t[72]);
    state_.cmdLabel = t[72];  // until the action type is chosen again
    cmdCmd.SetText(t[73]);
    chkMouse.SetText(t[74]);
    Label9.SetText(t[66]);
    for (int col = 0; col < 3; ++col) LV.SetColumnHeader(col, t[61 + col]);
}

}  // namespace kestrelon
