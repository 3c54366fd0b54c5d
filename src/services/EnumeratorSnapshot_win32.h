// The pieces of Enumerator's snapshot that stand beside the class: the
// window-list builder with its enumeration callback, and the busy cursor
// shown while a snapshot is taken.
#pragma once

#include <windows.h>

#include <vector>

#include "services/Enumerator.h"

namespace kestrelon {

// Fills `Winds` with every window of the desktop: slot 0 holds 0 and is no
// entry; then the top-level windows in Z order, then the descendants of the
// first top-level window, of the second, and so on; then the desktop window,
// unless the top-level windows already held it. Called by Enumerator::EnumAll.
void GetAllWindows(std::vector<Enumerator::Long>& Winds);

// The callback given to EnumWindows and EnumChildWindows: appends the window
// to the std::vector<Enumerator::Long> whose address is `lParam`, and goes on.
BOOL CALLBACK EnumWindowsProc(HWND hWnd, LPARAM lParam);

// Shows the busy cursor over the program for as long as it exists; the
// default pointer again afterwards.
class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

}  // namespace kestrelon
