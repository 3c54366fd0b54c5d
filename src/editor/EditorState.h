// The task editor's lists, its custom repeat text, the countdown boxes' key
// filter, and the rules that keep its controls consistent with each other.
//
// The rules work on EditorState, a plain record of what the controls show;
// the window runs a rule from the control's handler and then copies the
// state back into its controls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mainwindow/scheduler/DateTime.h"

namespace kestrelon {

// A message box the editor shows: text, title (empty = the application
// title) and the MessageBox style flags (64 = OK with the information icon,
// 65 = OK and Cancel with it, 0 = OK alone).
struct PromptBox {
    std::wstring text;
    std::wstring title;
    unsigned style = 0;
    friend bool operator==(const PromptBox&, const PromptBox&) = default;
};
inline constexpr unsigned kStyleOk = 0;
inline constexpr unsigned kStyleInfo = 64;
inline constexpr unsigned kStyleInfoOkCancel = 65;

// ---- Lists ---------------------------------------------------------------

inline constexpr int kFirstYear = 2018;
inline constexpr int kLastYear = 2999;

// Whole numbers from `first` to `last`, each written with at least two digits.
std::vector<std::wstring> NumberItems(int first, int last);
std::vector<std::wstring> YearItems();       // cmbYear: "2018" .. "2999"
std::vector<std::wstring> MonthItems();      // cmbMonth: "1(Jan)" .. "12(Dec)"
std::vector<std::wstring> DayItems();        // cmbDay: "01" .. "31"
std::vector<std::wstring> HourItems();       // cmbHour: "00" .. "23"
std::vector<std::wstring> MinuteItems();     // cmbMin and cmbSec: "00" .. "59"
std::vector<std::wstring> CountdownItems();  // countdown and custom repeat boxes: "00" .. "99"

// The design-time English items of the three fixed lists (the language
// table replaces them in place at run time).
std::vector<std::wstring> AutoTypeItems(const std::wstring& productName);
std::vector<std::wstring> LoopItems();   // "None" .. "Customize..."
std::vector<std::wstring> AfterItems();  // "Do Nothing" .. "Turn Off the Monitor"

inline constexpr int kLoopCustomIndex = 5;

// The list indices the specific-time boxes get when the editor loads.
// year is -1 when the current year is outside the year list.
struct SpecificTimeIndices {
    int year = -1, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend bool operator==(const SpecificTimeIndices&, const SpecificTimeIndices&) = default;
};
SpecificTimeIndices SpecificTimeAtLoad(const DateTime& now);

// ---- Custom repeat ------------------------------------------------------

inline const std::wstring kInitialCustomLoopText = L"00/00/00 (Day/Hour/Min)";
inline const std::wstring kLoopZeroText = L"Loop interval value cannot be 0.";
inline const std::wstring kLoopZeroTitle = L"Value";

// day/hour/min followed by " (Day/Hour/Min)", each text as typed.
std::wstring CustomLoopText(const std::wstring& day, const std::wstring& hour, const std::wstring& minute);
// True when all three values read as zero: "00", "0", "000" alike, and a
// box that is empty or holds no number counts as zero. Such a repeat would
// add no time each time the task fires.
bool CustomLoopIsZero(const std::wstring& day, const std::wstring& hour, const std::wstring& minute);

// ---- Countdown boxes -----------------------------------------------------

// The character code typed into a countdown box, as it is let through:
// digits and Backspace (8) pass unchanged, anything else becomes 0 (dropped).
int CountdownKeyFilter(int keyAscii);

// ---- Control state -------------------------------------------------------

// What picIcon shows.
enum class PicIconContent { Nothing, EmptyTaskPicture, ProgramIcon };

inline const std::wstring kLabelSelectedExe = L"Selected EXE:";
inline const std::wstring kLabelCommandLine = L"Command Line:";

// Where the custom repeat panel opens, in twips at design scale.
inline constexpr int kLoopPanelLeft = 4560;
inline constexpr int kLoopPanelTop = 7410;

struct EditorState {
    // Program choice.
    bool only = false;                 // chkOnly ticked
    int autoType = 0;                  // cmbAutoType index
    bool autoTypeEnabled = true;
    std::wstring cmd;                  // txtCmd
    bool cmdEnabled = false;
    std::wstring cmdLabel = L"Command line:";  // Label10
    bool listEnabled = true;           // LV
    bool pickerEnabled = true;         // imgSelect
    std::wstring programName;          // lblProcess(1)
    std::wstring id;                   // lblID
    std::wstring windowTitle;          // lblWindow
    PicIconContent picIcon = PicIconContent::Nothing;

    // Timing.
    bool timerMode = true;             // optTimer set
    bool dateBoxesEnabled = false;     // cmbYear .. cmbSec
    bool countdownEnabled = true;      // cmbTDay .. cmbTSec
    bool mouse = false;                // chkMouse ticked
    bool mouseEnabled = true;

    // Repeat.
    int loopIndex = 0;                 // cmbLoop index
    bool panelVisible = false;         // picLoop
    bool panelMoved = false;           // picLoop placed at kLoopPanelLeft/Top
    bool loopLabelVisible = false;     // lblLoop
    std::wstring loopLabel = kInitialCustomLoopText;  // lblLoop caption

    friend bool operator==(const EditorState&, const EditorState&) = default;
};

// The state the Load handler leaves: close task, interval mode, repeat
// "None" with the custom text hidden.
EditorState InitialEditorState();

// The handlers' rules. Each one is what the handler does after the control
// already shows its new value (s.only, s.autoType, s.loopIndex).
void ApplyEmptyTask(EditorState& s);   // chkOnly changed
void ApplyAutoType(EditorState& s);    // cmbAutoType chosen: empties the command line
void ApplyLoopChoice(EditorState& s);  // cmbLoop chosen
void CloseLoopPanel(EditorState& s);   // the panel's "X": back to "None"
void ApplySpecificTimeMode(EditorState& s);  // optTime chosen
void ApplyIntervalMode(EditorState& s);      // optTimer chosen
// The panel's OK: refuses an all-zero interval (the message to show; the
// panel stays open), else hides the panel and shows the new custom text.
std::optional<PromptBox> ConfirmCustomLoop(EditorState& s, const std::wstring& day, const std::wstring& hour,
                                         const std::wstring& minute);
// A file chosen with "Select a Program": a close task takes it as its
// program (process id "00000", the empty-task picture, its file name shown);
// a run task takes the path as its command line, nothing else.
void ApplyChosenProgram(EditorState& s, const std::wstring& path);
// A row of the running-program list, as a click makes it the choice.
struct ListChoice {
    std::wstring program;            // the row's Program text
    std::wstring path;               // the row's Path text
    std::optional<std::wstring> id;  // the program's lowest process id, if listed
};
// A click on the running-program list: a close task forgets a chosen file's
// path; the clicked row (if there is one) becomes the program, shown with
// its path and its lowest process id (an unknown id keeps the old one).
void ApplyListClick(EditorState& s, const std::optional<ListChoice>& row);
// After "Close the Selected Program Now" ended `program`: when the editor
// shows that program as a running process it chose (from the list or with
// the picker), its name, path, id and picture are cleared, so that Add asks
// for a program as before any choice. A program chosen as a file stays.
void ForgetEndedProgram(EditorState& s, const std::wstring& program);
// After a task was added: the empty-task box is unticked (its rule runs only
// when it was ticked). Every other input keeps its value.
void ResetAfterAdd(EditorState& s);

}  // namespace kestrelon
