// Telling the user that a file of theirs could not be written, once.
//
// The default task list is rewritten after every task that fires and the
// settings at every exit; a folder that has gone or turned read-only, or a
// full disk, would otherwise fail silently at every one of those moments, or
// nag at every tick. The first failure of a file is told, with the file's
// path and the system's reason; later failures of the same file are not,
// until a write of it has succeeded again.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "services/FileStore.h"

namespace kestrelon {

// How the program is ending, which decides how a failed write is told: while
// it runs, by a notice that does not wait; when the user has just asked it to
// end (Exit, the close box), by a box that says the program ends and which
// file was not written; when nobody asked (a quit after a task or after all
// tasks, the end of the Windows session), by nothing that waits.
enum class Ending { None, AskedByUser, Unattended };

// What to tell of one failed write, and how.
struct Telling {
    bool box = false;  // a box that waits; otherwise a notice that does not wait
    std::wstring text;
};

class WriteNotice {
public:
    // The text to show for this result, or empty when there is nothing new
    // to tell (a success, or a file whose failure has been told already).
    std::optional<std::wstring> Report(const std::wstring& path, const FileResult& result);

    // What to tell of this result while the program is ending as `how`
    // says: while it runs, the notice of Report; at an end the user asked
    // for, a box for every file not written, whatever was told before; at
    // an end nobody asked for, nothing.
    std::optional<Telling> Tell(const std::wstring& path, const FileResult& result, Ending how);

private:
    std::set<std::wstring> failing_;
};

// "Kestrelon could not save <path>", the reason, and that the tasks in the
// window are kept.
std::wstring WriteFailedMessage(const std::wstring& path, const std::wstring& reason);

// The same news as the program ends: the file named was not written, and
// the program ends all the same.
std::wstring WriteFailedAtEndMessage(const std::wstring& path, const std::wstring& reason);

// The default task list is there but could not be read at start-up: it is
// left as it is for the whole run.
std::wstring DefaultListUnreadableMessage(const std::wstring& path);

// The settings file is there but could not be read at start-up, even after
// waiting a little: the options start off, the task list at `listPath` is
// not loaded, and until the next start neither file is written (nor the
// list deleted).
std::wstring SettingsUnreadableMessage(const std::wstring& settingsPath, const std::wstring& listPath);

// The question at Exit and the close box while the task list at `listPath`
// is left alone: it cannot hold the `count` tasks of this run. OK ends the
// program anyway; Cancel goes back to it, to keep them with "Save Tasks".
std::wstring ListLeftAloneQuestion(const std::wstring& listPath, int count);

// A notice's text cut to `maxChars` characters (an ellipsis of three dots
// marks the cut), for places that hold only so much, such as the
// notification-area balloon.
std::wstring FitNotice(const std::wstring& text, size_t maxChars);

}  // namespace kestrelon
