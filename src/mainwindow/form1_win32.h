// The main window: the task list, the command buttons, the menu bar, the
// scheduler timer and the command mailbox. It owns its controls and wires
// their events to the scheduler's portable logic.
#pragma once

#include <cstdint>
#include <string>

#include <vector>

#include <functional>
#include <memory>

#include "mainwindow/Languages.h"
#include "mainwindow/Settings.h"
#include "mainwindow/SingleInstance_win32.h"
#include "mainwindow/SkinLoader_win32.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmS_win32.h"
#include "mainwindow/scheduler/Execution.h"
#include "mainwindow/scheduler/ProcessProbe_win32.h"
#include "mainwindow/scheduler/RunningPrograms.h"
#include "mainwindow/scheduler/LVTaskTable_win32.h"
#include "mainwindow/scheduler/Scheduler.h"
#include "services/CommonDlgsW.h"
#include "services/FileStore_win32.h"
#include "services/WriteNotice.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace kestrelon {

class frmMouseSelect;

class form1 : public toolkit::Form,
              public ITickHost,
              public IExecHost,
              public IStartupHost,
              public IMailboxTarget,
              public ILanguageMenuHost {
public:
    // `sys` answers the time and carries out power requests.
    explicit form1(ISystem& sys);
    ~form1() override;

    // Public operations.
    Firing CloseProgram(const std::wstring& name, std::int16_t row) override;
    Firing RunProgram(const std::wstring& commandLine, std::int16_t row) override;
    void updateLan() override;

    // How the process ends; tests replace it so the test program survives.
    std::function<void()> endProcess;
    // How a failed write of the user's files, or a command line that could
    // not be started, is told while the program runs: a notice that does not wait (a balloon at the notification-area icon,
    // or a small window when there is no icon), so that nothing the
    // scheduler does stops for it.
    std::function<void(const std::wstring& text)> showWriteFailure;
    // How a failed write is told when the user has just asked the program to
    // end (Exit, the close box): a message box, then the program ends.
    std::function<void(const std::wstring& text)> showEndFailure;
    // How many failed writes have been told through showWriteFailure.
    int WriteNoticesShown() const { return writeNoticesShown_; }
    // The default task list (or the settings) could not be read at start-up:
    // this run leaves the file as it is.
    bool DefaultListLeftAlone() const { return hold_.ListLeftAlone(); }
    // How the question at Exit and the close box is asked while the default
    // task list is left alone: true ends anyway. Tests replace it.
    std::function<bool(const std::wstring& text)> askEndAnyway;
    // How a web page is opened ("How to Use" and the web link); tests replace it.
    std::function<void(const std::wstring& url)> openUrl;
    // The yield of the running-program rebuild; empty: pending messages run
    // every few milliseconds. Tests let them run at every yield.
    std::function<void()> rebuildYield;

    // ITickHost
    ITaskTable& Tasks() override { return tasks_; }
    IFinalMarks& Marks() override { return marks_; }
    ISystem& System() override { return system_; }
    void DoEvents() override;
    bool MessagesRanSinceAsked() override;
    void WriteMailbox(const std::wstring& command) override;
    void MonitorOff() override;
    void SaveBeforeForcedLogoff() override;
    void QuitNow() override;
    void SetTimerCloseEnabled(bool on) override;

    // IExecHost
    const std::vector<std::wstring>& RunningPaths() override { return running_.Current().List1; }
    const std::vector<std::wstring>& RunningIDs() override { return running_.Current().lstID; }
    RepeatTexts CurrentRepeatTexts() override;
    std::vector<RepeatTexts> OtherRepeatTexts() override;
    void SaveDefaultTasks() override;
    // Told through showWriteFailure's notice, which does not wait.
    void TellUnattended(const std::wstring& text) override;
    // The "Exit" command (asks while tasks remain).
    void cmdExit_Click();

    // IStartupHost
    IFileStore& Files() override { return files_; }
    IOptionMarks& Options() override { return options_; }
    std::wstring AppDataFolder() override;
    std::wstring ProgramFolder() override;
    std::wstring ExeBaseName() override;
    DataHold& Hold() override { return hold_; }
    bool AnotherInstanceRunning() override;
    void EndProcess() override;
    void ResetIdleWatcher() override;
    void AttachSkin(const std::wstring& skinFile) override;
    void ShowTrayWindow() override;
    void SetCaption(const std::wstring& title) override { toolkit::Form::SetCaption(title); }
    void LoadLanguage() override;
    void LoadEditorHidden() override;
    void ShowMain() override { Show(); }
    void HideMain() override { Hide(); }
    void RefreshMain() override;
    void SizeAndScale() override;
    void SetPictureVisible(bool on) override;
    void LoadDefaultTasks(const std::wstring& path) override;
    int TaskCount() override { return tasks_.Count(); }
    bool IsAutostartSet(const std::wstring& name) override;
    void WaitMs(unsigned ms) override;
    void TellNotice(const std::wstring& text) override;
    bool ConfirmExit() override;
    bool AskEndAnyway(const std::wstring& text) override;
    void ReportWrite(const std::wstring& path, const FileResult& result) override;
    void BeginEnding(Ending how) override;
    void RemoveTrayIcon() override;
    void DetachSkin() override;
    void UnloadEditor() override;
    void UnloadMain() override;

    // IMailboxTarget
    void ListRunningPrograms() override;
    void ClearFinalActions() override;

    toolkit::Button cmdAdd, cmdDelete, cmdRemoveAll, cmdSave, cmdLoad, cmdSetting, cmdHelp, cmdExit;
    toolkit::Label lblTask, lblWeb;
    toolkit::PictureBox picDoor;  // the quick-start picture over the list
    toolkit::ListView LVClose;
    toolkit::ImageList taskIcon;
    toolkit::TextBox txtAction;
    toolkit::Timer timerClose, timerMouse;

    // The task editor, loaded hidden at start-up and kept until the end.
    frmMouseSelect* Editor() { return editor_.get(); }
    // The one shared file dialog of the task-list commands and the editor's
    // program chooser (created by the editor's Load); it keeps the last
    // chosen path between uses.
    CommonDlgsW& FileDialog();

    // The running-program list (List1, lstID, lstName and the editor's rows).
    const RunningProgramList& RunningList() const { return running_.Current(); }
    // Where a rebuild shows the programs: the task editor's list.
    void SetRunningProgramsView(IRunningProgramsView* view) { runningView_ = view; }

    // The idle watcher's memory (cursor position, last input).
    IdleWatcher idle;

    toolkit::MenuItem menuTask, menuAdd, menuDelete, menuClear, menuS5, menuExit;
    toolkit::MenuItem menuSetting, menuAfter, menuShut, menuReboot, menuLogoff, menuHibernet, menuScreen, menuQuit;
    toolkit::MenuItem menuAutostart, menuStartMode, menuTray, menuNormal, menuAutoload, menuS, menuHide;
    toolkit::MenuItem menuLan, menuEn, menuFr, menuDe, menuIt, menuPolish, menuCN, menuSE, menuPTBR, menuDutch;
    toolkit::MenuItem menuA, menuHelp, menuSS, menuAbout;

protected:
    void Build() override;

private:
    // The six "After Finish All Tasks" marks are the menu items' check marks.
    class MenuMarks : public IFinalMarks {
    public:
        explicit MenuMarks(form1& f) : f_(f) {}
        bool Checked(FinalMark m) const override;
        void SetChecked(FinalMark m, bool on) override;

    private:
        toolkit::MenuItem& Item(FinalMark m) const;
        form1& f_;
    };

    // The option menu items as the settings see them.
    class MenuOptions : public IOptionMarks {
    public:
        explicit MenuOptions(form1& f) : f_(f) {}
        bool Checked(Option o) const override;
        void SetChecked(Option o, bool on) override;

    private:
        toolkit::MenuItem& Item(Option o) const;
        form1& f_;
    };

    // The generic application picture of loaded rows.
    IconRef imgApp() const;

    toolkit::MenuItem& LanguageMenu(const std::wstring& code);
    // ILanguageMenuHost
    void UncheckLanguageMenus() override;
    void DeleteLanguageMarkers() override;
    void CheckLanguageMenu(const std::wstring& code) override { LanguageMenu(code).SetChecked(true); }

    // The language entries: each switches to its language now and for the next start.
    void SwitchLanguageTo(const std::wstring& code);
    void menuEn_Click() { SwitchLanguageTo(L"en"); }
    void menuFr_Click() { SwitchLanguageTo(L"fr"); }
    void menuDe_Click() { SwitchLanguageTo(L"de"); }
    void menuIt_Click() { SwitchLanguageTo(L"it"); }
    void menuPolish_Click() { SwitchLanguageTo(L"pl"); }
    void menuCN_Click() { SwitchLanguageTo(L"cn"); }
    void menuSE_Click() { SwitchLanguageTo(L"se"); }
    void menuPTBR_Click() { SwitchLanguageTo(L"pt-br"); }
    void menuDutch_Click() { SwitchLanguageTo(L"nl"); }

    void BuildButtons();
    void BuildMenus();

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Form_EndSession();
    void Form_SettingChange(const std::wstring& area);
    void menuAutostart_Click();
    void menuAutoload_Click();
    void menuTray_Click();
    void menuNormal_Click();

    void cmdAdd_Click();
    void cmdDelete_Click();
    void cmdRemoveAll_Click();
    void cmdSave_Click();
    void cmdLoad_Click();
    void cmdSetting_Click();
    void cmdHelp_Click();
    void lblWeb_Click();
    void picDoor_Click();

    void menuAdd_Click() { cmdAdd_Click(); }
    void menuDelete_Click() { cmdDelete_Click(); }
    void menuClear_Click() { cmdRemoveAll_Click(); }
    void menuExit_Click() { cmdExit_Click(); }
    void menuHelp_Click() { cmdHelp_Click(); }
    void menuShut_Click() { ClickFinalMark(marks_, FinalMark::Shut); }
    void menuReboot_Click() { ClickFinalMark(marks_, FinalMark::Reboot); }
    void menuLogoff_Click() { ClickFinalMark(marks_, FinalMark::Logoff); }
    void menuHibernet_Click() { ClickFinalMark(marks_, FinalMark::Hibernet); }
    void menuScreen_Click() { ClickFinalMark(marks_, FinalMark::Screen); }
    void menuQuit_Click() { ClickFinalMark(marks_, FinalMark::Quit); }
    void menuAbout_Click();
    void menuHide_Click();

    void timerClose_Timer();
    void timerMouse_Timer();
    void txtAction_Change();

    ISystem& system_;
    Win32FileStore files_;
    WriteNotice writeNotice_;
    int writeNoticesShown_ = 0;
    Ending ending_ = Ending::None;
    DataHold hold_;
    AnsiCodec codec_;
    std::wstring languageCode_ = L"en";  // the language whose table is in force
    LVTaskTable tasks_;
    MenuMarks marks_;
    MenuOptions options_;
    std::unique_ptr<SingleInstance> instance_;
    SkinLoader skin_;
    frmS tray_;
    std::unique_ptr<frmMouseSelect> editor_;
    CommonDlgsW spareDialog_;  // only while no editor is loaded
    win32::ProcessProbe probe_;
    RunningPrograms running_;
    IRunningProgramsView* runningView_ = nullptr;
    unsigned long long yieldsSeen_ = 0;
};

}  // namespace kestrelon
