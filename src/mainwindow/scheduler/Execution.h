// Carrying out a due task: form1.CloseProgram and form1.RunProgram, the
// re-arming of a fired row by its Loop text, the idle-mouse watcher and the
// command-line rules of a run task.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Scheduler.h"

namespace kestrelon {

// The five repeat texts of one language: no repeat, every month, day, hour,
// minute (string table entries 77 to 81).
using RepeatTexts = std::array<std::wstring, 5>;

// What the two routines ask of the main window.
class IExecHost {
public:
    virtual ~IExecHost() = default;
    virtual ITaskTable& Tasks() = 0;
    virtual IFinalMarks& Marks() = 0;
    virtual ISystem& System() = 0;
    // The running-program list: full paths and process ids at the same index.
    virtual const std::vector<std::wstring>& RunningPaths() = 0;
    virtual const std::vector<std::wstring>& RunningIDs() = 0;
    // The repeat texts of the language in force, and those of every other
    // language file the program has.
    virtual RepeatTexts CurrentRepeatTexts() = 0;
    virtual std::vector<RepeatTexts> OtherRepeatTexts() = 0;
    virtual void SaveDefaultTasks() = 0;
    virtual void MonitorOff() = 0;
    // Saves the settings and the default task list before a forced log-off.
    virtual void SaveBeforeForcedLogoff() = 0;
    // The quit after a task (" - Q"): ends the program at once, the settings
    // and the default task list saved, without a question.
    virtual void QuitNow() = 0;
    virtual void WriteMailbox(const std::wstring& command) = 0;
    // Tells the user something with the notice that does not wait: nobody
    // may be there to answer while a task fires.
    virtual void TellUnattended(const std::wstring& text) = 0;
};

// Moves a fired row on by its Loop text, or removes it. The step of the Loop
// text is applied to the row's Close Time, and again to each result, until
// the new Close Time lies after `now`: a repeating task that was missed for
// several periods (the machine was off or asleep) fires once, not once per
// missed period. A row that cannot be moved on (unknown Loop text,
// unreadable Close Time, custom parts missing, out of range or adding no
// time) is removed like a one-shot row, so it never fires again and again.
// The new Close Time is written as form (c), which always reads back.
// Returns true when the row stays (re-armed).
bool RearmOrRemove(ITaskTable& tasks, int row, const RepeatTexts& current, const std::vector<RepeatTexts>& others,
                   const LocaleFormat& loc, const DateTime& now);

// After a change of the locale's date settings: every Close Time that the
// new settings read as another time, or not at all, while the old ones read
// it, is written again under the new settings (form (b) stays form (b),
// anything else becomes form (c)), so every row keeps its time. Returns the
// number of rows written.
int RewriteCloseTimes(ITaskTable& tasks, const LocaleFormat& before, const LocaleFormat& after);

// The custom repeat "D/H/M (Day/Hour/Min)" read into days, hours, minutes;
// empty when a part is missing or not a whole number in -32768..32767.
std::optional<std::array<int, 3>> ParseCustomRepeat(const std::wstring& loop);

// A process id as the ID field and the running-program list hold it.
std::optional<std::uint32_t> ParseProcessId(const std::wstring& text);

// How a run task's command line is handed to process creation. A command
// line that does not begin with a quote is split at its blanks (spaces and
// TABs); the longest leading part that names a program is the program,
// quoted in the command line: the part with ".exe" added when that file
// exists, as process creation looks first, else the part as written when
// that file is itself a program. Otherwise it goes unchanged.
struct ResolvedCommand {
    std::wstring application;  // empty: let the system find the program
    std::wstring commandLine;
};
ResolvedCommand ResolveCommandLine(const std::wstring& commandLine,
                                   const std::function<bool(const std::wstring&)>& fileExists,
                                   const std::function<bool(const std::wstring&)>& isProgram);

// form1.KillByExeName: terminates every process whose executable name equals
// `exeName`, ignoring case, each checked again as it is ended. The program's
// own process is never ended: returns true when it was among them.
bool KillByExeName(ISystem& sys, const std::wstring& exeName);

// What the user is told when a run task's command line could not be
// started: the command line and the system's reason.
std::wstring StartFailureMessage(const std::wstring& commandLine, const std::wstring& reason);

// Both tell the tick whether the firing emptied the list and which power
// action of the row's own it carried out.
// A close task that names this program's own process ends every other
// process it names, then ends the program the way a task's " - Q" does:
// the row removed or re-armed and the list saved first.
Firing CloseProgram(IExecHost& host, const std::wstring& name, std::int16_t row);
// A command line that cannot be started is told (TellUnattended), once per
// firing; the row is re-armed or removed all the same.
Firing RunProgram(IExecHost& host, const std::wstring& commandLine, std::int16_t row);

// The idle-mouse watcher's memory between ticks.
struct IdleWatcher {
    int cursorX = 0, cursorY = 0;
    int lastCursorX = 0, lastCursorY = 0;
    std::uint32_t lastIdleTime = 0;
};

// form1.timerMouse_Timer. Returns true when input was seen.
bool TimerMouseTick(IdleWatcher& state, ITaskTable& tasks, ISystem& sys, const std::function<void()>& enableTimerClose);

}  // namespace kestrelon
