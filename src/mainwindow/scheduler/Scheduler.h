// The scheduler tick, the "After Finish All Tasks" choices and the command
// mailbox of the main window, written against small interfaces so that the
// window only wires them up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "System.h"
#include "TaskRow.h"
#include "TaskTable.h"

namespace kestrelon {

// The six "After Finish All Tasks" menu items.
enum class FinalMark { Shut, Reboot, Logoff, Hibernet, Screen, Quit };

class IFinalMarks {
public:
    virtual ~IFinalMarks() = default;
    virtual bool Checked(FinalMark m) const = 0;
    virtual void SetChecked(FinalMark m, bool on) = 0;
};

// Turns all six marks off: Shut, Logoff, Hibernet, Screen, Reboot, Quit.
void ClearFinalActions(IFinalMarks& marks);
// The menu handlers: a power choice turns the other four power choices off and
// toggles itself; Quit only toggles itself.
void ClickFinalMark(IFinalMarks& marks, FinalMark m);

// What a firing did, as the task routines tell the tick.
struct Firing {
    // The firing removed its row, and the list was then empty.
    bool emptiedList = false;
    // The power action of the row's own that it carried out.
    PowerAction power = PowerAction::None;
};

// What the tick asks of the main window.
class ITickHost {
public:
    virtual ~ITickHost() = default;
    virtual ITaskTable& Tasks() = 0;
    virtual IFinalMarks& Marks() = 0;
    virtual ISystem& System() = 0;
    // Lets pending window messages run; rows may change meanwhile.
    virtual void DoEvents() = 0;
    // Have window messages run since the last call (or since the tick began)?
    // Until they have, the tick may go on with the time it last read: only
    // its own few microseconds of work have passed. The default reads the
    // clock before every row.
    virtual bool MessagesRanSinceAsked() { return true; }
    // Writes into the command mailbox; the handler runs before this returns.
    virtual void WriteMailbox(const std::wstring& command) = 0;
    virtual Firing CloseProgram(const std::wstring& name, std::int16_t row) = 0;
    virtual Firing RunProgram(const std::wstring& commandLine, std::int16_t row) = 0;
    virtual void MonitorOff() = 0;
    // A forced log-off ends the program without the session's messages: the
    // settings and the default task list are saved before it is requested.
    virtual void SaveBeforeForcedLogoff() = 0;
    // Ends the program at once: settings and default task list saved, tray
    // icon removed, skin detached, editor unloaded, process ended. Nothing is
    // asked. Does not return in the program.
    virtual void QuitNow() = 0;
    virtual void SetTimerCloseEnabled(bool on) = 0;
};

// One power action with its privilege and, for reboot, shut down and log off,
// the clearing of the six marks first. `beforeForcedLogoff` runs right before
// the forced log-off is requested (the other actions reach the program's
// end-of-session handling through the system's messages).
void PerformPowerAction(PowerAction action, IFinalMarks& marks, ISystem& sys,
                        const std::function<void()>& monitorOff,
                        const std::function<void()>& beforeForcedLogoff = {});

// Is the row's Close Time due at `now`? An unreadable Close Time is due.
bool IsDue(const std::wstring& closeTime, const DateTime& now, const LocaleFormat& loc);

// form1.timerClose_Timer. The final action follows only a firing of this
// tick that emptied the list (rows the user removed while the tick yielded
// count as removed between ticks), and it never asks again for the power
// action the fired row has just carried out.
void TimerCloseTick(ITickHost& host);

// form1.txtAction_Change: runs a command word. Returns true when the text
// must be emptied (any non-empty text).
class IMailboxTarget {
public:
    virtual ~IMailboxTarget() = default;
    virtual void ListRunningPrograms() = 0;
    virtual void ClearFinalActions() = 0;
};
bool HandleMailbox(const std::wstring& text, IMailboxTarget& target);

// The mailbox's text box: a write of another text runs the box's change
// handler (txtAction_Change) before it returns; a write of the text the box
// already holds changes nothing and runs no handler, as with any text box.
class IMailboxBox {
public:
    virtual ~IMailboxBox() = default;
    virtual std::wstring Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
};

// Writes a command into the mailbox; its handler has run when this returns.
// The box holds a command only while that command's handler runs, and that
// handler may yield: a "refresh" can be written again from inside the
// rebuild an earlier "refresh" started (by a tick that falls due meanwhile).
// The box would drop that write, so it goes to the handler directly: the
// writer gets a running-program list taken after its write (the newer
// rebuild replaces the one it interrupted).
void WriteCommand(IMailboxBox& box, IMailboxTarget& target, const std::wstring& command);

}  // namespace kestrelon
