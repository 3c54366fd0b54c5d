// The task editor window "Add a Task": the user describes one task (which
// program or command line, when, how it repeats, what follows it) and adds
// it to the main window's task list.
//
// The window is thin: each handler reads what the controls hold, runs the
// matching rule of EditorState.h or BuildTask.h, and copies the resulting
// state back into the controls. Setting a control from code raises its
// event at once (the toolkit's rule); while the editor copies its state
// into the controls those nested events are ignored, because the rule has
// already done what they would do.
//
// Life cycle: Load() creates the window hidden (once, at the main window's
// start-up); ShowEditor() shows it for "Add a Task"; every close while it is
// shown only hides it and shows the main window again; Unload() at the
// program's exit really removes it when it is hidden.
//
// The main window uses, besides ShowEditor/Load/Unload:
//  - FileDialog(): the one shared open/save dialog, made by Load;
//  - UpdateLanTexts(): puts the interface strings into the editor's
//    controls (the editor part of the language switch).
// The editor is also where the main window's running-program rebuilds show
// their result (IRunningProgramsView): it registers itself when it loads.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "editor/BuildTask.h"
#include "editor/EditorState.h"
#include "editor/Picker.h"
#include "mainwindow/Languages.h"
#include "mainwindow/scheduler/ProcessProbe_win32.h"
#include "mainwindow/scheduler/RunningPrograms.h"
#include "services/CommonDlgsW.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"

namespace kestrelon {

class form1;

class frmMouseSelect : public toolkit::Form, public IRunningProgramsView {
public:
    explicit frmMouseSelect(form1& main);
    ~frmMouseSelect() override;

    // Load() (from Form) creates the window hidden and runs Form_Load once.
    // Shows the editor, not modally; centred on the screen the first time.
    void ShowEditor();
    // The program's exit: removes the editor when it is hidden; while it is
    // shown the request only hides it (and the exit goes on regardless).
    bool UnloadEditor() { return Unload(toolkit::UnloadMode::Code); }

    // The shared file dialog; null until the editor is loaded.
    CommonDlgsW* FileDialog() { return fileDialog_.get(); }

    // The interface strings of the editor's captions and list items.
    void UpdateLanTexts(const LanText& t);

    // How a message box is shown; tests replace it. Returns IDOK, IDCANCEL...
    std::function<int(const PromptBox&)> messageBox;

    // Scale factors the window was laid out with (screen twips per pixel / 15).
    double ScaleX() const { return fx_; }
    double ScaleY() const { return fy_; }

    // ---- controls: the task ----
    toolkit::CheckBox chkOnly;
    toolkit::Label Label11, Label10;
    toolkit::ComboBox cmbAutoType;
    toolkit::TextBox txtCmd;
    toolkit::Button cmdCmd;
    // ---- timing ----
    toolkit::Label Label1;
    toolkit::OptionButton optTimer, optTime;
    toolkit::ComboBox cmbTDay, cmbTHour, cmbTMin, cmbTSec;
    toolkit::Label Label2, Label3, Label4, Label5;
    toolkit::CheckBox chkMouse;
    toolkit::ComboBox cmbYear, cmbMonth, cmbDay, cmbHour, cmbMin, cmbSec;
    toolkit::Label Label7, Label6;
    // ---- repeat and after the task ----
    toolkit::Label Label9, lblLoop, Label8;
    toolkit::ComboBox cmbLoop, cmbAfter;
    toolkit::CheckBox chkQuit;
    toolkit::Button cmdOK, cmdCancel;
    toolkit::PictureBox imgEmptyIcon;
    // ---- the custom repeat panel and what it holds ----
    toolkit::PictureBox picLoop;
    toolkit::ComboBox cmbLoopDay, cmbLoopHour, cmbLoopMin;
    toolkit::Label Label15, Label14, Label13;
    toolkit::Button cmdLoopOK;
    toolkit::Label Label12;
    // ---- window picker and program list (filled by the picker and the list) ----
    toolkit::Label lblSelect, lblDrag, lblID, lblWindow, lblPrograms;
    toolkit::PictureBox imgSelect, imgBackUp, picIcon;
    std::array<toolkit::Label, 4> lblProcess;
    toolkit::ListView LV;
    // LV's pictures: image k - 1 is the picture of the row whose icon is k.
    toolkit::ImageList iconList;
    toolkit::Button cmdRefresh, cmdClose;
    toolkit::Timer TimerSelect;
    // Window information, right of the visible client area: element 0 of
    // each pair is the caption, element 1 the value. The window's own handle
    // goes into the handle box txthWnd, captioned by lblhWnd.
    toolkit::Label lblhWnd;
    std::array<toolkit::Label, 2> lblParhWnd, lblProghWnd, lblClass, lblParClass, lblProgClass;
    toolkit::TextBox txthWnd;

    // Handlers, public so that the main window and tests can run them as a
    // click would.
    void cmdCmd_Click();
    void cmdLoopOK_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void LV_Click();
    void LV_KeyPress(int& keyAscii);
    void cmdRefresh_Click();
    void cmdClose_Click();

    // ---- the window picker ----
    // A mouse button pressed on the cross-hair starts a drag; moves frame the
    // window under the cursor; the release ends the drag and keeps the
    // information of the window under the cursor. Coordinates are unused.
    void imgSelect_MouseDown(int x, int y);
    void imgSelect_MouseMove(int x, int y);
    void imgSelect_MouseUp(int x, int y);
    void TimerSelect_Timer() { ShowCursorWindInfo(); }
    void txthWnd_KeyPress(int& keyAscii);
    void txthWnd_Change() {}
    void lblDrag_Click();
    // Shows the information of the handle typed into txthWnd, then the
    // editor modally.
    void DoStuph();
    bool Dragging() const { return dragging_; }
    // The window an inverted frame is drawn on now; 0 for none.
    HWND FramedWindow() const { return frameShown_ ? lastFramed_ : nullptr; }

    // How a web page is opened (the help link); tests replace it.
    std::function<void(const std::wstring& url)> openUrl;
    // How DoStuph shows the editor modally; tests replace it.
    std::function<void()> showModal;

    // IRunningProgramsView: the rebuild of the running-program list.
    void BeginRebuild() override;
    void AddProgramIcon(const std::wstring& dosPath) override;
    void EndRebuild(const RunningProgramList& list, std::optional<std::size_t> reselect) override;
    std::wstring ProgramLabel() override { return lblProcess[1].Text(); }

protected:
    void Build() override;

private:
    void Form_Load();
    void Form_QueryUnload(bool& cancel, toolkit::UnloadMode mode);
    void Form_Unload(bool& cancel);
    void chkOnly_Click();
    void cmbAutoType_Click();
    void cmbAutoType_Change() { cmbAutoType_Click(); }
    void cmbLoop_Click();
    void Label12_Click();
    void optTime_Click();
    void optTimer_Click();
    static void CountdownKeyPress(int& keyAscii);

    void BuildTaskControls();
    void BuildTimingControls();
    void BuildRepeatControls();
    void BuildPickerControls();
    void ScaleEveryControl();
    // The seven controls a rebuild of the program list disables.
    void SetListControlsEnabled(bool on);

    // Reads what the user can change into state_, runs `rule`, writes back.
    void Run(const std::function<void(EditorState&)>& rule);
    void ReadControls();
    void WriteControls();
    EditorInputs Inputs() const;
    // Leaves the picker's dragging state (Add and Cancel).
    void LeavePicking();
    // The information fields as a press on the cross-hair finds them.
    void KeepFieldsBeforeDrag();
    // The editor lost the mouse during a drag (another window took it, the
    // editor was disabled, the system cancelled the mode): the drag ends as
    // Cancel ends one, the fields as they were before the press, the main
    // window shown again.
    void DragInterrupted();

    // The window picker's steps.
    void ShowCursorWindInfo();
    void ShowWindInfo(HWND h);
    void WriteWindowFields(const WindowFields& f);
    void ShowProgramPicture(std::int32_t processId);
    void PlacePicIcon();
    void HighlightCursorWind();
    void EraseHighlight();
    // Selects the row of the program lblProcess(1) names, or none.
    void SelectPickedProgram(bool focus = true);
    std::wstring DevicePathToDosPath(const std::wstring& path);
    void ShowModalLoop();
    int ShowMessage(const PromptBox& m);

    form1& main_;
    EditorState state_;
    std::unique_ptr<CommonDlgsW> fileDialog_;
    bool closing_ = false;   // Add or Cancel asked for the unload
    bool dragging_ = false;  // the cross-hair is being dragged
    bool frameShown_ = false;     // an inverted frame is drawn on lastFramed_
    HWND lastFramed_ = nullptr;   // the window the frame was last drawn on
    bool shownOnce_ = false;
    bool rebuilding_ = false;  // a rebuild of the program list is running
    int syncing_ = 0;        // > 0 while state_ is copied into the controls
    double fx_ = 1, fy_ = 1;
    HICON emptyIcon_ = nullptr, crossHair_ = nullptr;
    toolkit::ImageList stagedIcons_;  // the pictures of a rebuild still running
    win32::ProgramIconCache programIcons_;  // the running programs' icons, across rebuilds
    win32::ProgramIconBatch stagedPictures_;  // this rebuild's pictures, for stagedIcons_
    toolkit::UniqueIcon chosenIcon_;  // the list picture picIcon shows
    struct BeforeDrag {
        std::wstring cmd, program, caption, id, window;
        std::wstring hWnd, parentHWnd, progenitorHWnd, className, parentClass, progenitorClass;
        HICON shown = nullptr;  // what picIcon showed
        PicIconContent picIcon = PicIconContent::Nothing;
        toolkit::UniqueIcon picture;  // chosenIcon_ of then, kept alive
    } beforeDrag_;
};

}  // namespace kestrelon
