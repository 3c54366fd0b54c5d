// What loading a full task list costs in the real list view: 32,767 rows (the
// most the scheduler can count) read from a task-list file into a report-style
// list view with the main window's eight columns, each row with its own image
// appended to the image list, as "Load Tasks" does. Measured with the window
// hidden and shown, and as the raw text reading into the view without the file.
//
//   list_view_rows_bench.exe [--rounds N] [--rows N] [--shown]
//
// --shown adds the case with the window on screen, which repaints the list at
// every change and takes several times longer (about 25 ms a row here).
//
// Needs a display (Wine creates no window without one): scripts/bench-wine.sh
// runs it inside the build's Xvfb when the test run's display file is there,
// or start one with scripts/xvfb-fixture.sh first.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "mainwindow/scheduler/LVTaskTable_win32.h"
#include "mainwindow/scheduler/System_win32.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "mainwindow/scheduler/TaskRow.h"
#include "services/FileStore_win32.h"
#include "toolkit/App.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Twips.h"

using namespace kestrelon;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A window with the task list as the main window builds it.
class ListForm : public toolkit::Form {
public:
    ListForm() { className_ = L"KestrelonListBench"; }
    toolkit::ListView LVClose;
    toolkit::ImageList taskIcon;

protected:
    void Build() override {
        LVClose.Create(*this, {180, 1410, 13335, 5730});
        taskIcon.Create(16, 16);
        LVClose.SetImageList(taskIcon);
        for (const ColumnDesign& c : kTaskColumns) LVClose.AddColumn(c.header, toolkit::TwipsToPixelsX(c.widthTwips));
    }
};

// A task list as users keep them: mostly tasks at a time, some countdowns
// (re-armed on load), some run tasks with arguments.
std::wstring MakeList(int rows) {
    std::wstring text;
    for (int i = 0; i < rows; ++i) {
        const std::wstring n = std::to_wstring(i);
        switch (i % 3) {
        case 0:
            text += L"notepad" + n + L".exe\tC:\\Windows\\notepad" + n + L".exe\t00000\t2090/12/31 23:59:00\tNone\t"
                    L"Close - Normal\t\r\n";
            break;
        case 1:
            text += L"backup.exe /job " + n + L"\tC:\\Program Files\\Backup\\backup.exe /job " + n +
                    L"\tNone\t2090/06/01 02:00:00\tEvery Day\tRun - Normal\tShutdown PC - Q\r\n";
            break;
        default:
            text += L"game" + n + L".exe\tD:\\Games\\game" + n + L".exe\t1234\t2000/01/01 00:00:00\tNone\t"
                    L"Close - After 00-02-00-00\t\r\n";
            break;
        }
    }
    return text;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

struct Figures {
    std::vector<double> ms;
    void Add(double v) { ms.push_back(v); }
    double Median() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double Min() { return *std::min_element(ms.begin(), ms.end()); }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 3;
    int rows = kMaxRows;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"--rounds") == 0) rounds = std::max(1, _wtoi(argv[++i]));
        else if (std::wcscmp(argv[i], L"--rows") == 0) rows = std::clamp(_wtoi(argv[++i]), 1, kMaxRows);
    }
    bool withShown = false;
    for (int i = 1; i < argc; ++i) withShown = withShown || std::wcscmp(argv[i], L"--shown") == 0;

    toolkit::InitControls();
    Win32System sys;
    Win32FileStore files;
    AnsiCodec codec;

    const std::wstring text = MakeList(rows);
    const std::wstring path = TempFile(L"kestrelon_list_view_bench.ktf");
    if (!files.WriteAtomic(path, codec.Encode(text)).ok) {
        std::fwprintf(stderr, L"cannot write %ls\n", path.c_str());
        return 2;
    }

    std::printf("adding %d rows to the task list view under Wine, median (min) of %d rounds\n", rows, rounds);
    struct Case {
        const char* what;
        bool shown;
        bool fromFile;
    };
    const Case cases[] = {
        {"Load Tasks: file -> list view, window hidden", false, true},
        {"Load Tasks: file -> list view, window shown", true, true},
        {"text -> list view (no file), window hidden", false, false},
    };
    int status = 0;
    for (const Case& c : cases) {
        if (c.shown && !withShown) continue;
        Figures figures;
        for (int r = 0; r < rounds; ++r) {
            // A fresh window each round: the image list only ever grows.
            ListForm form;
            if (!form.Load()) {
                std::fprintf(stderr, "cannot create a window (is DISPLAY set?)\n");
                return 2;
            }
            if (c.shown) form.Show();
            toolkit::DoEvents();
            LVTaskTable table(form.LVClose, form.taskIcon);
            const IconRef icon = reinterpret_cast<IconRef>(LoadIconW(nullptr, IDI_APPLICATION));

            // As "Load Tasks" and the start-up reload do: no repaint while adding.
            const auto start = Clock::now();
            form.LVClose.SetRedraw(false);
            TaskLoadResult result = c.fromFile ? ReadTaskFile(path, table, icon, files, codec, sys.Now(), sys.Locale())
                                               : ReadTaskText(text, table, icon, sys.Now(), sys.Locale());
            form.LVClose.SetRedraw(true);
            if (c.shown) toolkit::DoEvents();  // let it paint
            figures.Add(Ms(Clock::now() - start));

            if (result.added != rows || table.Count() != rows || form.taskIcon.Count() != rows) {
                std::fprintf(stderr, "%s: %d rows added, %d listed, %d images\n", c.what, result.added, table.Count(),
                             form.taskIcon.Count());
                status = 1;
            }
            form.Destroy();
        }
        const double median = figures.Median();
        std::printf("  %-46s %9.0f ms (%6.0f)  %6.1f us/row\n", c.what, median, figures.Min(),
                    median * 1000.0 / rows);
        std::fflush(stdout);
    }

    // Where the time goes: the images alone, and the rows alone (all on one image).
    {
        ListForm form;
        form.Load();
        HICON app = LoadIconW(nullptr, IDI_APPLICATION);
        auto start = Clock::now();
        for (int i = 0; i < rows; ++i) form.taskIcon.Add(app);
        const double images = Ms(Clock::now() - start);
        const TaskFields fields = SplitTaskLine(SplitTaskLines(text).front());
        start = Clock::now();
        for (int i = 0; i < rows; ++i) {
            const int item = form.LVClose.Append(L"", 0);
            for (int k = 1; k <= kFieldCount; ++k) form.LVClose.SetItemText(item, k, fields[k - 1]);
        }
        const double items = Ms(Clock::now() - start);
        std::printf("  %-46s %9.0f ms          %6.1f us/row\n", "of which: images alone (hidden)", images,
                    images * 1000.0 / rows);
        // For comparison: the same icon loaded at 16x16 once, into an image list that grows by 1024.
        HIMAGELIST raw = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1024, 1024);
        HICON small = static_cast<HICON>(LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 16, 16, LR_SHARED));
        start = Clock::now();
        for (int i = 0; i < rows; ++i) ImageList_AddIcon(raw, small);
        const double rawImages = Ms(Clock::now() - start);
        ImageList_Destroy(raw);
        std::printf("  %-46s %9.0f ms          %6.1f us/row\n", "(compare: 16x16 icon, grow 1024)", rawImages,
                    rawImages * 1000.0 / rows);
        std::printf("  %-46s %9.0f ms          %6.1f us/row\n", "of which: rows and texts alone (hidden)", items,
                    items * 1000.0 / rows);
        form.Destroy();
    }

    // One row more than the list can count is left out, and said so.
    if (rows == kMaxRows) {
        ListForm form;
        form.Load();
        LVTaskTable table(form.LVClose, form.taskIcon);
        TaskLoadResult result = ReadTaskText(text + L"extra.exe\t\t\t\t\t\t\r\n", table, 0, sys.Now(), sys.Locale());
        std::printf("  %d + 1 lines: %d added, %d left out\n", kMaxRows, result.added, result.leftOut);
        if (result.leftOut != 1) status = 1;
        form.Destroy();
    }
    DeleteFileW(path.c_str());
    return status;
}
