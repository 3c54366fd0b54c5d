// Turning the task editor's inputs into one task row.
//
// The editor window only gathers what its controls hold into EditorInputs,
// calls BuildTask, shows the refusal's message if there is one, and otherwise
// hands the built task to AddBuiltTask. Everything that decides what the row
// says lives here, so every combination of inputs can be tested without a
// window.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/EditorState.h"
#include "mainwindow/Languages.h"
#include "mainwindow/scheduler/DateTime.h"
#include "mainwindow/scheduler/Scheduler.h"
#include "mainwindow/scheduler/TaskTable.h"

namespace kestrelon {

// The Program and Path columns of the row selected in the editor's
// running-program list.
struct ListEntry {
    std::wstring program;
    std::wstring path;
};

// What the editor's controls hold when "Add" is pressed.
struct EditorInputs {
    int autoType = 0;        // cmbAutoType list index: 0 close task, anything else run task
    bool only = false;       // chkOnly: empty task
    std::wstring cmd;        // txtCmd: chosen executable (close) or command line (run)
    std::wstring id;         // lblID: process id, "00000" after the file chooser, or empty
    std::wstring program;    // lblProcess(1): the program the editor shows
    // The running-program list's row of the program the editor shows
    // (ShownProgramRow), if it has one.
    std::optional<ListEntry> selected;

    bool timerMode = true;   // optTimer set (interval); false = optTime (specific time)
    std::wstring year;       // cmbYear text ("" when it has no choice)
    int monthIndex = 0;      // cmbMonth list index, 0 = January
    std::wstring day, hour, minute, second;  // cmbDay, cmbHour, cmbMin, cmbSec texts

    std::wstring tDay = L"00", tHour = L"00", tMin = L"00", tSec = L"00";  // cmbTDay..cmbTSec
    bool mouse = false;      // chkMouse: count only while mouse and keyboard are idle

    int loopIndex = 0;       // cmbLoop list index; 5 = "Customize..."
    std::wstring loopText;   // cmbLoop's chosen item text
    std::wstring lblLoop = kInitialCustomLoopText;  // lblLoop caption

    int afterIndex = 0;      // cmbAfter list index 0..5
    bool quit = false;       // chkQuit
};

enum class Refusal {
    None,
    NoProgram,               // close task without a chosen program (strings 42/43)
    EmptyCommandLine,        // run task with an empty command line
    ZeroCountdownCancelled,  // the user answered Cancel to the zero-countdown question
    NoSuchDate,              // the specific time names a day the month does not have
    CountdownTooLarge,       // a countdown box reaches past the last date the program handles
    ProgramNotListed,        // the program the editor shows has no row in the running-program list
    PastTimeCancelled,       // the user answered Cancel to the question about a time already past
};

// Where the new row's image comes from.
enum class TaskPicture {
    EmptyIcon,  // imgEmptyIcon: close task chosen as a file
    PicIcon,    // picIcon: picked or listed program, or an empty task
    AppIcon,    // the main window's imgApp: run task
};

// The changes to the "After Finish All Tasks" marks, applied in this order.
struct MarkChanges {
    bool clearAll = false;            // "AllMenuFalse": all six marks off
    std::optional<FinalMark> action;  // then this power choice on
    bool quit = false;                // then the quit choice on
    friend bool operator==(const MarkChanges&, const MarkChanges&) = default;
};

struct BuiltTask {
    std::array<std::wstring, kFieldCount> fields;  // fields 1..7 at [0..6]
    TaskPicture picture = TaskPicture::PicIcon;
    MarkChanges marks;
};

struct BuildResult {
    Refusal refusal = Refusal::None;
    // The information box to show for a refusal; empty when the user has
    // already answered (Cancel to the zero-countdown question).
    std::optional<PromptBox> message;
    std::optional<BuiltTask> task;  // set exactly when refusal is None
};

// Asks the zero-countdown or the time-passed question; returns true for OK.
using AskOkCancel = std::function<bool(const PromptBox&)>;

// The checks, then the seven fields, the picture and the mark changes.
// `now` is the current local time, `loc` the locale that formats a
// countdown's due time, `lan` the interface strings (42 to 46 are used).
// `ask` is called only for a countdown whose four values are all zero and
// for a specific time that is not after `now` (the task would run at once).
// A close task picked with the cross-hair or from the list takes Program,
// Path and ID from the program the editor shows (`program`, its row
// `selected`, `id`); without that row it is refused.
BuildResult BuildTask(const EditorInputs& in, const DateTime& now, const LocaleFormat& loc, const LanText& lan,
                      const AskOkCancel& ask);

// The row of the program the editor shows: the selected row (index
// `selected`, -1 for none) when it names that program, else the first row
// that does, ignoring case; none for an empty name or no such row.
std::optional<ListEntry> ShownProgramRow(const std::vector<ListEntry>& rows, int selected,
                                         const std::wstring& program);

// Add on a task list that holds kMaxRows rows adds nothing: the box that
// says so; empty while there is room.
std::optional<PromptBox> FullListRefusal(int rowCount);

// The specific time as the editor joins it: year/MM/day hour:minute:second,
// with literal '/' and ':'.
std::wstring SpecificTimeText(const EditorInputs& in);
// The after-task action chosen by a cmbAfter index (None outside 1..5).
PowerAction AfterChoiceAction(int afterIndex);

// The images the three picture choices stand for.
struct TaskPictures {
    IconRef emptyIcon = 0;
    IconRef picIcon = 0;
    IconRef appIcon = 0;
};

// Appends the built task to the task list and applies its mark changes:
// the row with its image, fields 1 to 6, the marks, then field 7. A failing
// write is skipped and the rest still happens. "AllMenuFalse" goes through
// `writeMailbox` when one is given, else the marks are cleared directly.
// Returns the new row's index (0 when the row could not be added).
int AddBuiltTask(ITaskTable& tasks, IFinalMarks& marks, const BuiltTask& task, const TaskPictures& pictures,
                 const std::function<void(const std::wstring&)>& writeMailbox = {});

}  // namespace kestrelon
