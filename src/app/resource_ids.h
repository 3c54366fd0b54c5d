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

// The pictures of the command buttons, each an icon of 16, 24, 32 and 48
// pixels (res/buttons, drawn by scripts/make-pictures.sh).
#define IDI_CMD_ADD 301
#define IDI_CMD_DELETE 302
#define IDI_CMD_REMOVE_ALL 303
#define IDI_CMD_SAVE 304
#define IDI_CMD_LOAD 305
#define IDI_CMD_SETTING 306
#define IDI_CMD_HELP 307
#define IDI_CMD_EXIT 308
#define IDI_CMD_REFRESH 309
#define IDI_CMD_CLOSE_NOW 310
