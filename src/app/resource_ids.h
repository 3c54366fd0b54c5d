// Resource ids of kestrelon.exe, shared by the resource script and the code.
// Plain #defines: the resource compiler reads this file too.
#pragma once

// The program icon (Explorer, the taskbar, the main window's class).
#define IDI_KESTRELON 1

// The task editor: its 32 by 32 window icon, the picture of empty tasks and
// of programs chosen as a file, and the cross-hair of the window picker.
#define IDI_EDITOR 101
#define IDI_EMPTY_TASK 102
#define IDI_CROSS_HAIR 103

// The main window's quick-start picture (905 by 408 pixels).
#define IDB_QUICK_START 201
