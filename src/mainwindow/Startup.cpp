#include "mainwindow/Startup.h"

#include <utility>

#include "mainwindow/Languages.h"

namespace kestrelon {

namespace {

// One step under the skip-and-continue policy: a step that throws is
// abandoned and the caller goes on with the next.
template <typename F>
void Step(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
    }
}

// A test that is part of a step; a test that throws answers `otherwise`.
template <typename F>
bool Test(F&& f, bool otherwise) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        return otherwise;
    }
}

// form1.SaveSettings, and a word to the user when it could not be written.
// Nothing is written before start-up has read the file, nor over a file it
// could not read.
void SaveSettingsAndReport(IStartupHost& host) {
    if (!host.Hold().MaySaveSettings()) return;
    const std::wstring appData = host.AppDataFolder();
    FileResult r = SaveSettings(host.Options(), host.Files(), appData);
    host.ReportWrite(PathInFolder(appData, kSettingsFileName), r);
}

// form1.SaveDefaultTasks on the ways out, under the same rule.
void SaveListOnTheWayOut(IStartupHost& host) {
    if (host.Hold().MaySaveList()) host.SaveDefaultTasks();
}

// The user is there (Exit, the close box): while default.ktf is left alone
// and the window has tasks it cannot hold, ask. Returns whether a question
// was due; `endAnyway` is its answer (a question that cannot be asked counts
// as "go back").
bool AskAboutTheLeftAloneList(IStartupHost& host, bool& endAnyway) {
    const DataHold& hold = host.Hold();
    if (!hold.started || !hold.ListLeftAlone()) return false;
    int rows = 0;
    Step([&] { rows = host.TaskCount(); });
    if (rows <= 0) return false;
    const std::wstring list = PathInFolder(host.AppDataFolder(), kDefaultTasksFileName);
    endAnyway = Test([&] { return host.AskEndAnyway(ListLeftAloneQuestion(list, rows)); }, false);
    return true;
}

wchar_t FoldForPath(wchar_t c) {
    if (c == L'/') return L'\\';
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

}  // namespace

void RemoveLeftoverFiles(IFileStore& files, const std::wstring& appData) {
    for (const wchar_t* name : {kDefaultTasksFileName, kSettingsFileName, kStartModeFileName})
        files.RemoveLeftovers(PathInFolder(appData, name));
    for (const LanguageInfo& lang : Languages()) files.RemoveLeftovers(MarkerPath(appData, lang.code));
}

bool RunStartup(IStartupHost& host) {
    // 1. A second instance ends before touching anything.
    if (Test([&] { return host.AnotherInstanceRunning(); }, false)) {
        Step([&] { host.EndProcess(); });
        return false;
    }
    // Saves that a crash or a kill cut short left temporary files behind.
    Step([&] { RemoveLeftoverFiles(host.Files(), host.AppDataFolder()); });
    // 2. The idle watcher starts from zero.
    Step([&] { host.ResetIdleWatcher(); });
    // 3. The skin, before any window is shown.
    Step([&] { host.AttachSkin(PathInFolder(host.ProgramFolder(), kSkinFileName)); });
    // 4. The hidden window that owns the notification-area icon.
    Step([&] { host.ShowTrayWindow(); });
    // 5.-7. Title, interface language, the task editor loaded but hidden.
    Step([&] { host.SetCaption(L"Kestrelon"); });
    Step([&] { host.LoadLanguage(); });
    Step([&] { host.LoadEditorHidden(); });
    // 10. (before the window is first shown, so that it never appears at
    // its default size) Size and scale, first layout, centred.
    Step([&] { host.SizeAndScale(); });
    // 8. In "Normal" mode the window appears now.
    bool hidden = Test([&] { return StartHidden(host.Files(), host.AppDataFolder()); }, false);
    if (!hidden) Step([&] { host.ShowMain(); });
    // 9. Let pending messages run, then clear the eight saved options.
    Step([&] { host.DoEvents(); });
    Step([&] {
        IOptionMarks& marks = host.Options();
        for (Option o : {Option::Shut, Option::Reboot, Option::Logoff, Option::Hibernet, Option::Screen,
                         Option::Quit, Option::Autostart, Option::Autoload})
            Step([&] { marks.SetChecked(o, false); });
    });
    // 11.-13. Messages, the quick-start picture, the strings.
    Step([&] { host.DoEvents(); });
    Step([&] { host.SetPictureVisible(true); });
    Step([&] { host.updateLan(); });
    // 14. Start mode.
    Step([&] { host.HideMain(); });
    Step([&] {
        hidden = StartHidden(host.Files(), host.AppDataFolder());
        if (hidden) {
            Step([&] { host.HideMain(); });
        } else {
            Step([&] { host.RefreshMain(); });
            Step([&] { host.ShowMain(); });
        }
        ShowStartMode(host.Options(), hidden);
    });
    // 15. The settings file; the six final choices end up clear. One that is
    // there but cannot be read is never taken for "every option off".
    Step([&] {
        const std::wstring appData = host.AppDataFolder();
        const SettingsRead found = ReadSettings(host.Options(), host.Files(), appData,
                                                [&] { host.WaitMs(kSettingsRetryMs); }, kSettingsReadTries);
        if (found != SettingsRead::Unreadable) return;
        host.Hold().settingsUnreadable = true;
        Step([&] {
            host.TellNotice(SettingsUnreadableMessage(PathInFolder(appData, kSettingsFileName),
                                                      PathInFolder(appData, kDefaultTasksFileName)));
        });
    });
    // 16.-17. Auto-load of the default task list.
    Step([&] {
        if (host.Hold().settingsUnreadable || !host.Options().Checked(Option::Autoload)) return;
        std::wstring path = PathInFolder(host.AppDataFolder(), kDefaultTasksFileName);
        if (!host.Files().Exists(path)) return;
        Step([&] { host.LoadDefaultTasks(path); });
        Step([&] {
            if (host.TaskCount() > 0) host.SetPictureVisible(false);
        });
    });
    // 18. Autostart follows the registry.
    Step([&] { host.Options().SetChecked(Option::Autostart, host.IsAutostartSet(host.ExeBaseName())); });
    // 19. The scheduler runs when there is something to schedule.
    Step([&] {
        if (host.TaskCount() > 0) host.SetTimerCloseEnabled(true);
    });
    // From here on the ways out save.
    host.Hold().started = true;
    return true;
}

bool RunExit(IStartupHost& host) {
    // A question that cannot be asked counts as Cancel: nothing ends unasked.
    bool endAnyway = false;
    if (AskAboutTheLeftAloneList(host, endAnyway)) {
        if (!endAnyway) return false;
    } else {
        bool hasTasks = Test([&] { return host.TaskCount() > 0; }, true);
        if (hasTasks && !Test([&] { return host.ConfirmExit(); }, false)) return false;
    }
    // The way out begins: nothing fires from here on.
    Step([&] { host.BeginEnding(Ending::AskedByUser); });
    Step([&] { host.SetPictureVisible(false); });
    Step([&] { host.DetachSkin(); });
    Step([&] { host.UnloadEditor(); });
    Step([&] { host.UnloadMain(); });
    return true;
}

bool RunCloseBox(IStartupHost& host) {
    bool endAnyway = true;
    AskAboutTheLeftAloneList(host, endAnyway);
    return endAnyway;
}

void NoteTaskFileRead(DataHold& hold, const std::wstring& path, const std::wstring& listPath) {
    if (path.size() != listPath.size()) return;
    for (size_t i = 0; i < path.size(); ++i)
        if (FoldForPath(path[i]) != FoldForPath(listPath[i])) return;
    hold.listUnreadable = false;
}

void RunUnload(IStartupHost& host) {
    Step([&] { host.BeginEnding(Ending::AskedByUser); });
    Step([&] { SaveSettingsAndReport(host); });
    Step([&] { SaveListOnTheWayOut(host); });
    Step([&] { host.RemoveTrayIcon(); });
    Step([&] { host.DetachSkin(); });
    Step([&] { host.UnloadEditor(); });
    // The main window is already being unloaded: that is where this runs.
    Step([&] { host.EndProcess(); });
}

void RunQuitNow(IStartupHost& host) {
    Step([&] { host.BeginEnding(Ending::Unattended); });
    Step([&] { SaveSettingsAndReport(host); });
    Step([&] { SaveListOnTheWayOut(host); });
    Step([&] { host.RemoveTrayIcon(); });
    Step([&] { host.DetachSkin(); });
    Step([&] { host.UnloadEditor(); });
    Step([&] { host.EndProcess(); });
}

void RunEndSession(IStartupHost& host) {
    Step([&] { host.BeginEnding(Ending::Unattended); });
    Step([&] { SaveSettingsAndReport(host); });
    Step([&] { SaveListOnTheWayOut(host); });
    Step([&] { host.RemoveTrayIcon(); });
    Step([&] { host.DetachSkin(); });
    Step([&] { host.EndProcess(); });
}

void SaveBeforeForcedEnd(IStartupHost& host) {
    Step([&] { SaveSettingsAndReport(host); });
    Step([&] { SaveListOnTheWayOut(host); });
}

}  // namespace kestrelon
