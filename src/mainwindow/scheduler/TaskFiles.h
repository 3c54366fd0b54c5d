// Task-list files: the task list written as text, one row per line, and read
// back by appending rows.
//
// The format: plain text in the system's ANSI code page; each line is the
// row's seven fields joined by single TABs (six TABs, none before the first
// field or after the seventh), and every line, the last one included, ends
// with CR LF. No header, no quoting. An empty list is an empty file.
// A list that the code page cannot hold exactly is written as UTF-8 with the
// byte-order mark; files with a UTF-8 or UTF-16 mark are read in that encoding
// (services/TextFile.h).
//
// Writing: a TAB, CR or LF inside a field would shift the fields after it (or
// split the row) when read back, so the writer puts a blank in its place.
// Close Times are shown in the locale's texts, which the next start may not
// read if the regional settings change in between; so every Close Time that
// reads under the settings of the writing moment is written as "YYYY/MM/DD
// HH:MM:SS" with literal '/' and ':', which reads the same under every
// locale. A Close Time that does not read is written as it stands.
// The file is replaced in one step through IFileStore::WriteAtomic, so a crash
// or a power action right after a task fired never leaves half a file.
//
// Reading: the text is cut into lines at CR LF, and also at a lone CR or a
// lone LF (files edited with other tools keep one row per line; our own writer
// never puts either inside a field). A line terminator at the very end of the
// file does not begin a further line, and a last line without one is read
// like any other. Byte-order marks at the start of a line (a file may carry
// more than one, files joined together carry them at the joins) are never
// part of the first field. Each line is split
// at every TAB, part k goes into field k, missing parts leave their fields
// empty and parts after the seventh are dropped. Only task rows are added: a
// line whose Type does not begin with "Close - " or "Run - " (every Type the
// program writes does) is left out and counted, so that nothing is ever
// started from a file that is not a task list; a blank line is passed over.
// Countdown rows ("Close - After ..." / "Run - After ..." and the idle-mouse
// types, which get their whole countdown) start their countdown again from
// the moment of loading. Nothing else is checked.
//
// The list holds at most kMaxRows rows; loading stops adding there and says
// how many task lines were left out.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "mainwindow/scheduler/DateTime.h"
#include "mainwindow/scheduler/TaskTable.h"
#include "services/FileStore.h"

namespace kestrelon {

// What the open and save dialogs offer for task-list files.
inline const std::wstring kTaskFileFilter = L"Kestrelon Task File(*.ktf)|*.ktf";
inline const std::wstring kTaskFileExtension = L".ktf";
inline const std::wstring kDefaultTaskFileName = L"default.ktf";

using TaskFields = std::array<std::wstring, kFieldCount>;

// --- The line format -------------------------------------------------------

// One line without its CR LF; TAB, CR and LF inside a field become blanks.
std::wstring FormatTaskLine(const TaskFields& fields);
// The whole list as text: every row's line followed by CR LF, each Close Time
// as CloseTimeForFile writes it. A field that cannot be read (a row that
// vanished) is written empty.
std::wstring FormatTaskList(const ITaskTable& table, const LocaleFormat& locale);
// A Close Time as a file holds it: the editor's form "YYYY/MM/DD HH:MM:SS"
// when the text reads under `locale` (the settings the scheduler reads it
// with), the text itself when it does not.
std::wstring CloseTimeForFile(const std::wstring& text, const LocaleFormat& locale);

// Cuts text into lines as described above.
std::vector<std::wstring_view> SplitTaskLines(std::wstring_view text);
// Splits one line at every TAB into the seven fields.
TaskFields SplitTaskLine(std::wstring_view line);

// --- Reading into the list -------------------------------------------------

struct TaskLoadResult {
    bool opened = true;  // false: the file could not be opened or read
    int added = 0;       // rows appended to the list
    int leftOut = 0;     // task lines not added because the list was full
    int notTasks = 0;    // lines left out because they are not task rows
};

// Appends one row per line of `text`, each with a new image `icon`.
// Countdown rows get `now` plus their countdown, written with the locale's
// separators ("YYYY/MM/DD HH:MM:SS").
TaskLoadResult ReadTaskText(std::wstring_view text, ITaskTable& table, IconRef icon, const DateTime& now,
                            const LocaleFormat& locale);

// Reads the file at `path` into the list (as ReadTaskText). A file that
// cannot be opened adds no row.
TaskLoadResult ReadTaskFile(const std::wstring& path, ITaskTable& table, IconRef icon, IFileStore& files,
                            const IAnsiCodec& codec, const DateTime& now, const LocaleFormat& locale);

// --- Writing the list ------------------------------------------------------

// Writes the whole list to `path`, replacing the file in one step; `locale`
// is the settings the program reads Close Times with.
FileResult WriteTaskFile(const std::wstring& path, const ITaskTable& table, IFileStore& files,
                         const IAnsiCodec& codec, const LocaleFormat& locale);

// The name "Save Tasks" writes to: the chosen path, with ".ktf" appended
// unless its last four characters already are ".ktf" in any case.
std::wstring WithTaskExtension(const std::wstring& path);

// --- The default task list -------------------------------------------------

// The APPDATA folder, a backslash and "default.ktf".
std::wstring DefaultTaskPath(const std::wstring& appData);

// Keeps the default task list in step with the list: written when auto-load
// is on and the list has rows, deleted otherwise (an absent file is fine).
// The caller goes on whatever happens; the result is for logging and tests.
FileResult SaveDefaultTasks(bool autoload, const ITaskTable& table, const std::wstring& appData,
                            IFileStore& files, const IAnsiCodec& codec, const LocaleFormat& locale);

// The start-up reload: reads the default task list when auto-load is on and
// the file exists; otherwise does nothing (the result then has opened=false).
TaskLoadResult ReloadDefaultTasks(bool autoload, ITaskTable& table, IconRef icon, const std::wstring& appData,
                                  IFileStore& files, const IAnsiCodec& codec, const DateTime& now,
                                  const LocaleFormat& locale);

// --- Messages --------------------------------------------------------------

// Shown when "Save Tasks" could not write its file: names the file and gives
// the system's reason.
std::wstring SaveTasksFailedMessage(const std::wstring& path, const std::wstring& reason);
// Shown when a file held more rows than the list can take.
std::wstring RowsLeftOutMessage(const std::wstring& path, int leftOut);
// What the user is told after reading `path`: the lines that were not task
// rows and the rows the full list could not take; empty when all was loaded.
std::wstring LoadReport(const std::wstring& path, const TaskLoadResult& result);

}  // namespace kestrelon
