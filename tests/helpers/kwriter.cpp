// kwriter: saves the program's files over and over with the program's own
// file-store code, so that a test can kill it at any moment of a save.
//
//   kwriter.exe --dir DIR [--rows N] [--from G] [--log FILE] [--once] [--startup]
//
// Every round g (from G+1 on) writes, in this order and each through the same
// calls the program makes:
//   DIR\default.ktf     the default task list: N rows of generation g
//   DIR\knsetting.ini   the eight options: the bits of g
//   DIR\saved.ktf       a list saved with "Save Tasks": N rows of generation g
// Row r of generation g ends with the After field "g<g> r<r>", so a reader can
// tell a whole list of one generation from a mixed or cut one.
// --log FILE   appends "B <file> <g>" before and "E <file> <g>" after each save,
//              and "R" once before the first save (plain writes, no flush: a
//              killed process loses none of them).
// --once       one round, then exits.
// --startup    only the start-up step that clears leftovers of interrupted
//              saves in DIR (no save), then exits.
// A Unix path (starting with '/') is taken as the Z: drive path.
#include <windows.h>

#include <cwchar>
#include <string>

#include "mainwindow/Settings.h"
#include "mainwindow/Startup.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/FileStore_win32.h"

using namespace kestrelon;

namespace {

std::wstring WindowsPath(std::wstring path) {
    if (path.empty() || path[0] != L'/') return path;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return L"Z:" + path;
}

class Log {
public:
    explicit Log(const std::wstring& path) {
        if (!path.empty())
            h_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~Log() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    void Line(const std::string& text) {
        if (h_ == INVALID_HANDLE_VALUE) return;
        const std::string line = text + "\n";
        DWORD wrote = 0;
        WriteFile(h_, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// The eight options from the bits of a number, in file order.
void SetBits(MemoryOptionMarks& marks, unsigned bits) {
    for (int i = 0; i < kSettingLines; ++i) marks.SetChecked(kSettingOrder[i], (bits >> i) & 1);
}

void FillGeneration(MemoryTaskTable& table, long g, int rows) {
    table.Clear();
    const std::wstring gen = std::to_wstring(g);
    for (int r = 1; r <= rows; ++r)
        table.Add({L"prog" + gen + L".exe", L"C:\\Program Files\\Kestrelon soak\\prog" + gen + L".exe", L"00000",
                   L"2026/12/08 10:30:00", L"None", L"Close - Normal", L"g" + gen + L" r" + std::to_wstring(r)});
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dir, logPath;
    int rows = 2000;
    long from = 0;
    bool once = false, startupOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--dir" && hasValue) dir = WindowsPath(argv[++i]);
        else if (arg == L"--log" && hasValue) logPath = WindowsPath(argv[++i]);
        else if (arg == L"--rows" && hasValue) rows = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else if (arg == L"--from" && hasValue) from = std::wcstol(argv[++i], nullptr, 10);
        else if (arg == L"--once") once = true;
        else if (arg == L"--startup") startupOnly = true;
    }
    if (dir.empty()) return 2;

    Win32FileStore files;
    if (startupOnly) {
        RemoveLeftoverFiles(files, dir);
        return 0;
    }
    AnsiCodec codec;
    Log log(logPath);
    MemoryTaskTable table;
    MemoryOptionMarks marks;
    const std::wstring saved = PathInFolder(dir, L"saved.ktf");
    log.Line("R");
    for (long g = from + 1;; ++g) {
        const std::string gen = std::to_string(g);
        FillGeneration(table, g, rows);
        SetBits(marks, static_cast<unsigned>(g) & 0xFF);

        log.Line("B default " + gen);
        if (!SaveDefaultTasks(true, table, dir, files, codec, LocaleFormat::EnglishUS()).ok) return 3;
        log.Line("E default " + gen);
        log.Line("B settings " + gen);
        if (!SaveSettings(marks, files, dir).ok) return 3;
        log.Line("E settings " + gen);
        log.Line("B saved " + gen);
        if (!WriteTaskFile(saved, table, files, codec, LocaleFormat::EnglishUS()).ok) return 3;
        log.Line("E saved " + gen);
        if (once) return 0;
    }
}
