// khelper: a small program for the tests to start, find and end.
//
//   khelper.exe [--out FILE] [--seconds N] [--exit CODE] [--window TITLE] [anything else...]
//
// --out FILE     appends one line "<pid><TAB><argument text>" to FILE (UTF-8, LF), where the
//                argument text is the command line after the program name, exactly as received.
//                A Unix path (starting with '/') is taken as the Z: drive path of that file.
// --seconds N    ends by itself after N seconds (default: runs until it is ended from outside).
// --exit CODE    the exit code when it ends by itself or its window is closed (default 0).
// --window TITLE also shows a top-level window (class "KHelperWindow") with that title; closing
//                it ends the program.
// Other arguments are accepted and only recorded, so a test can tell its instances apart.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

// The command line after the program name (quoted or not), blanks after it skipped.
const wchar_t* argumentText(const wchar_t* p) {
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

std::wstring windowsPath(std::wstring path) {
    if (path.empty() || path[0] != L'/') return path;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return L"Z:" + path;
}

bool appendLine(const std::wstring& file, const std::wstring& line) {
    HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::wstring text = line + L"\n";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), bytes.data(), n, nullptr, nullptr);
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

LRESULT CALLBACK windowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring out, title;
    long seconds = -1;
    int exitCode = 0;
    bool withWindow = false;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--out") out = windowsPath(argv[++i]);
        else if (arg == L"--seconds") seconds = std::wcstol(argv[++i], nullptr, 10);
        else if (arg == L"--exit") exitCode = (int)std::wcstol(argv[++i], nullptr, 10);
        else if (arg == L"--window") { title = argv[++i]; withWindow = true; }
    }

    if (!out.empty() &&
        !appendLine(out, std::to_wstring(GetCurrentProcessId()) + L"\t" + argumentText(GetCommandLineW())))
        return 2;

    const ULONGLONG end = seconds < 0 ? ~0ULL : GetTickCount64() + (ULONGLONG)seconds * 1000;
    if (!withWindow) {
        while (GetTickCount64() < end) Sleep(50);
        return exitCode;
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KHelperWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"KHelperWindow", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 200,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 3;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return exitCode;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (GetTickCount64() >= end) return exitCode;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}
