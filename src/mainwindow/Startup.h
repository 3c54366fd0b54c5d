// The main window's start-up and shut-down sequences, written as fixed
// orders of calls on the window so that they can run against a fake.
//
// Every sequence here skips a failing step and goes on with the next: a call
// that throws is abandoned at its own boundary, and results that report
// failure are not examined. Nothing here is shown to the user.
#pragma once

#include <string>

#include "mainwindow/Settings.h"
#include "services/FileStore.h"
#include "services/WriteNotice.h"

namespace kestrelon {

// What this run may write of the settings file and the default task list.
// Nothing is written before start-up has read both: a way out taken earlier
// (the end of the session, a close, Exit) leaves them as they were. A file
// that was there but could not be read is not replaced for the whole run; an
// unreadable settings file also keeps the task list from being written or
// deleted, since nobody knows whether auto-load was on.
struct DataHold {
    bool started = false;             // start-up has read the settings and the list
    bool settingsUnreadable = false;  // knsetting.ini is there but could not be read
    bool listUnreadable = false;      // default.ktf is there but could not be read
    bool MaySaveSettings() const { return started && !settingsUnreadable; }
    bool MaySaveList() const { return started && !ListLeftAlone(); }
    // default.ktf does not follow the window in this run.
    bool ListLeftAlone() const { return settingsUnreadable || listUnreadable; }
};

// How often and how long start-up tries a settings file that is there but
// cannot be read (a backup or sync program holds such files for moments).
constexpr int kSettingsReadTries = 8;
constexpr unsigned kSettingsRetryMs = 250;

// What the sequences ask of the main window. In the program this is form1;
// each member is one step.
class IStartupHost {
public:
    virtual ~IStartupHost() = default;

    // Where things are.
    virtual IFileStore& Files() = 0;
    virtual IOptionMarks& Options() = 0;
    virtual std::wstring AppDataFolder() = 0;  // empty when APPDATA is not set
    virtual std::wstring ProgramFolder() = 0;
    virtual std::wstring ExeBaseName() = 0;
    virtual DataHold& Hold() = 0;

    // Start-up steps, in the order the sequence calls them.
    virtual bool AnotherInstanceRunning() = 0;
    // Ends the process. In the program it does not return.
    virtual void EndProcess() = 0;
    virtual void ResetIdleWatcher() = 0;  // lastCursorX/Y and lastIdleTime to 0
    virtual void AttachSkin(const std::wstring& skinFile) = 0;
    virtual void ShowTrayWindow() = 0;  // frmS: adds the icon and hides itself
    virtual void SetCaption(const std::wstring& title) = 0;
    virtual void LoadLanguage() = 0;
    virtual void LoadEditorHidden() = 0;
    virtual void ShowMain() = 0;
    virtual void HideMain() = 0;
    virtual void RefreshMain() = 0;
    virtual void DoEvents() = 0;
    virtual void SizeAndScale() = 0;
    virtual void SetPictureVisible(bool on) = 0;  // picDoor
    virtual void updateLan() = 0;
    // Appends the rows of the default task list at `path` to LVClose.
    virtual void LoadDefaultTasks(const std::wstring& path) = 0;
    virtual int TaskCount() = 0;
    virtual bool IsAutostartSet(const std::wstring& name) = 0;
    virtual void SetTimerCloseEnabled(bool on) = 0;
    // Waits without letting window messages run (between tries of a read).
    virtual void WaitMs(unsigned ms) = 0;
    // Tells the user by the notice that does not wait.
    virtual void TellNotice(const std::wstring& text) = 0;

    // Tells the user, once per file, that a write of `path` failed (see
    // WriteNotice); a success clears the file's failure. How it is told
    // follows the Ending set last.
    virtual void ReportWrite(const std::wstring& path, const FileResult& result) = 0;
    // The program starts to end, as `how` says: from here on no task fires
    // (the scheduler timer and the idle watcher stop).
    virtual void BeginEnding(Ending how) = 0;

    // Shut-down steps.
    // The Exit question (OK and Cancel); true for OK.
    virtual bool ConfirmExit() = 0;
    // A question with `text` whose answers are "end anyway" (true) and "go
    // back to the program" (false).
    virtual bool AskEndAnyway(const std::wstring& text) = 0;
    virtual void SaveDefaultTasks() = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual void DetachSkin() = 0;
    virtual void UnloadEditor() = 0;
    // Unloads the main window; in the program this runs Form_Unload.
    virtual void UnloadMain() = 0;
};

// Deletes the temporary files that interrupted saves left beside the files
// of the data folder (default task list, settings, start mode and language
// markers). Start-up runs it right after the single-instance test.
void RemoveLeftoverFiles(IFileStore& files, const std::wstring& appData);

// form1.Form_Load. Returns false when another instance is running: the
// process has then been asked to end and nothing else was done. A settings
// file that is there but cannot be read is tried again for a short while;
// if it still cannot be read, this run writes neither it nor the task list,
// and the user is told once. Start-up has finished when this returns: only
// from then on do the ways out save.
bool RunStartup(IStartupHost& host);

// form1.cmdExit_Click. Asks first while the task list has rows; returns
// false when the user cancelled (nothing changed). When default.ktf is left
// alone in this run, the question names it and how many tasks it cannot
// hold instead.
bool RunExit(IStartupHost& host);

// form1.Form_QueryUnload for the close box: true to go on. The user is
// there: while default.ktf is left alone and the list has tasks, they are
// asked whether to end anyway or go back (to keep them with "Save Tasks").
bool RunCloseBox(IStartupHost& host);

// "Load Tasks" has read the file at `path` whole. When that is the default
// task list (`listPath`) itself, the window now holds what it holds, and it
// is no longer left alone (unless the settings could not be read). Paths are
// compared without regard to case or to the kind of slash.
void NoteTaskFileRead(DataHold& hold, const std::wstring& path, const std::wstring& listPath);

// form1.Form_Unload: saves the options and the default task list, removes
// the icon, detaches the skin, unloads the editor and ends the process. The
// user asked for it (Exit, the close box): a failed write is told in a box
// that says the program ends.
void RunUnload(IStartupHost& host);

// The quit after a task (" - Q") and of "After Finish All Tasks": saves the
// options and the default task list (written, or deleted when the list is
// empty or auto-load is off, as the unload does), removes the icon, detaches
// the skin, unloads the editor and ends the process, without the main
// window's unload and without any question or box. The process ends
// whatever the earlier steps did, a missing skin library included.
void RunQuitNow(IStartupHost& host);

// The end of the Windows session (shut-down, restart or log-off, ours or
// another program's): the unload's saves, the icon removed, the skin
// detached, and the end of the process. Nothing is asked or shown.
//
// On every way out the saves follow DataHold: a way out taken before
// start-up has finished (the session ending right after log-on, say) leaves
// knsetting.ini and default.ktf exactly as they were.
void RunEndSession(IStartupHost& host);

// Before a forced log-off, which ends the program without the session's
// messages: the options and the default task list are saved as the end of
// the session would save them. The program goes on running.
void SaveBeforeForcedEnd(IStartupHost& host);

}  // namespace kestrelon
