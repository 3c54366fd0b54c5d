// Program-wide services of the toolkit: the message loop, DoEvents and
// message boxes.
#pragma once

#include <windows.h>

#include <string>

namespace kestrelon::toolkit {

// Registers the common controls the toolkit uses.
bool InitControls();

// The application title used by message boxes without a title of their own.
void SetAppTitle(const std::wstring& title);
const std::wstring& AppTitle();

// Runs the message loop until WM_QUIT; returns its exit code. Accelerators
// and dialog keys of the form under each message are honoured.
int RunMessageLoop();

// Lets every pending window message run (timer messages included), then
// returns. A WM_QUIT met here is posted again for the outer loop.
void DoEvents();

// The yield of a long loop (a scan over every row, over every process): as
// DoEvents, but when messages were let run less than `everyMs` ago it only
// returns, so a loop that yields after each small step costs what its steps
// cost. Messages wait at most about `everyMs` of work.
void DoEventsSometimes(unsigned everyMs = 4);
// How many times DoEventsSometimes has let messages run (and, at most every
// `everyMs`, looked at the clock): a loop that sees this unchanged knows that
// nothing else ran and only its own work took time.
unsigned long long DoEventsSometimesRuns();

// Commands held back: while a hold is on (holds nest), a command that
// arrives at a form (a click on a button or a menu item, a shortcut, the
// close box) is kept instead of run; when the last hold ends, the kept
// commands are posted again in the order they came, so they run from the
// message loop, after the work that held them.
void HoldCommands();
void ReleaseCommands();
// Keeps the message when a hold is on; false (run it now) otherwise.
bool KeepCommandWhileHeld(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// A mouse pointer shown over every window of the program while it is set;
// null gives each window its own pointer back.
void SetScreenMousePointer(HCURSOR cursor);
HCURSOR ScreenMousePointer();
// Ends a mouse capture held by any window of this thread.
void ReleaseMouseCapture();

// A message box owned by `owner` (may be null); the title defaults to the
// application title. Returns the button chosen (IDOK, IDCANCEL, ...).
int MsgBox(const std::wstring& text, UINT flags = MB_OK, const std::wstring& title = {}, HWND owner = nullptr);

// A notice that does not wait: a small window with `text` and an OK button,
// shown over the other windows without taking the keyboard. Returns at once
// with the window (null when it could not be made); it closes itself.
HWND ShowNotice(const std::wstring& text, const std::wstring& title = {});

}  // namespace kestrelon::toolkit
