// Kestrelon: creates the main window and runs the message loop.
#include <windows.h>

#include "app/CarriedParts.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/System_win32.h"
#include "services/DllSearch_win32.h"
#include "toolkit/App.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything can load a library by name: System32 only, never a DLL
    // planted beside the program. The skin library is loaded by its full path.
    kestrelon::LoadLibrariesFromSystem32Only();
    // The tests' question which parts the program carries (see CarriedParts.h).
    if (auto file = kestrelon::CarriedPartsRequest(GetCommandLineW())) return kestrelon::WriteCarriedParts(*file);

    kestrelon::toolkit::InitControls();
    kestrelon::toolkit::SetAppTitle(L"Kestrelon");

    kestrelon::Win32System system;
    kestrelon::form1 main(system);
    main.SetEndsProgram(true);  // closing the main window ends the program
    // Loading runs the whole start-up, which shows the window unless the
    // program starts hidden in the notification area.
    if (!main.Load()) return 1;
    return kestrelon::toolkit::RunMessageLoop();
}
