// librarysk.dll: our own stand-in for the skin library. It offers the two
// functions the program calls and changes nothing on screen: windows keep
// the system's ordinary look. Detaching twice, or without attaching, is
// harmless.
#include <windows.h>

namespace {
// Set between an attach and the next detach.
volatile LONG g_attached = 0;
}  // namespace

// Both texts are ANSI; the second one is accepted and not used. Returns 0
// when attached, 1 when no skin file was given.
extern "C" int WINAPI SkinH_AttachEx(const char* skinFile, const char* /*second*/) {
    if (!skinFile) return 1;
    InterlockedExchange(&g_attached, 1);
    return 0;
}

// Returns 0 whether or not a skin was attached.
extern "C" int WINAPI SkinH_Detach() {
    InterlockedExchange(&g_attached, 0);
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
