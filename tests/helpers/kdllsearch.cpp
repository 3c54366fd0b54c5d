// kdllsearch: loads a library the way the program would, for the DLL search test.
//
//   kdllsearch.exe [--restrict] NAME
//
// --restrict   first makes library loads by name search System32 only, as the
//              program's entry point does.
// Exit code: 0 when NAME (a bare name or a full path) was loaded, 1 when not,
// 2 for a bad command line, 3 when the restriction could not be set.
#include <windows.h>

#include <string>

#include "services/DllSearch_win32.h"

int wmain(int argc, wchar_t** argv) {
    bool restrict = false;
    std::wstring name;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--restrict") restrict = true;
        else name = arg;
    }
    if (name.empty()) return 2;
    if (restrict && !kestrelon::LoadLibrariesFromSystem32Only()) return 3;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return LoadLibraryW(name.c_str()) ? 0 : 1;
}
