// CommonDlgsW against the system's real dialogs. A second thread plays the
// user: it finds the dialog window of this process, types into the file-name
// box and presses OK or Cancel, while the test thread sits in the dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "../unit/Fakes.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/TaskTable.h"
#include "services/CommonDlgsW.h"
#include "services/FileStore_win32.h"
#include "toolkit/App.h"

using namespace kestrelon;

namespace {

constexpr int kFileNameBox = 0x47c;

bool HaveDisplay() {
    wchar_t value[256];
    return GetEnvironmentVariableW(L"DISPLAY", value, 256) > 0;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = {};
    SendMessageW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

// A visible dialog window (class #32770) of this process.
BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

HWND FindDialog() {
    HWND found = nullptr;
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The edit control in which the user types the file name.
HWND FileNameEdit(HWND dialog) {
    HWND box = GetDlgItem(dialog, kFileNameBox);
    if (!box) return nullptr;
    if (ClassOf(box) == L"Edit") return box;
    HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
    return edit ? edit : box;
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Plays the user on the next dialog that opens.
class User {
public:
    // `act` runs on the dialog once it is visible and idle.
    explicit User(std::function<void(HWND)> act) : thread_([this, act] { Run(act); }) {}
    ~User() { thread_.join(); }
    std::wstring initialName;  // what the file-name box showed when the dialog opened
    std::wstring unexpected;   // text of a message box that came up instead

private:
    void Run(const std::function<void(HWND)>& act) {
        using clock = std::chrono::steady_clock;
        auto deadline = clock::now() + std::chrono::seconds(30);
        HWND dialog = nullptr;
        while (!(dialog = FindDialog())) {
            if (clock::now() > deadline) {
                std::fprintf(stderr, "no dialog appeared within 30 s\n");
                std::fflush(stderr);
                ExitProcess(3);  // the test thread would wait forever
            }
            Sleep(50);
        }
        Sleep(300);  // let it finish filling its controls
        if (HWND edit = FileNameEdit(dialog)) initialName = TextOf(edit);
        act(dialog);
        // Close whatever else comes up (an error box), then the dialog.
        while (IsWindow(dialog)) {
            HWND other = FindDialog();
            if (other && other != dialog && !GetDlgItem(other, kFileNameBox)) {
                unexpected = TextOf(FindWindowExW(other, nullptr, L"Static", nullptr)) + L" / " + TextOf(other);
                Press(other, IDOK);
                Sleep(200);
                Press(dialog, IDCANCEL);
            }
            if (clock::now() > deadline) {
                std::fprintf(stderr, "the dialog did not close within 30 s\n");
                std::fflush(stderr);
                ExitProcess(3);
            }
            Sleep(50);
        }
    }
    std::thread thread_;
};

auto Cancel() {
    return [](HWND dialog) { Press(dialog, IDCANCEL); };
}
auto TypeAndOk(std::wstring text) {
    return [text](HWND dialog) {
        SendMessageW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        Press(dialog, IDOK);
    };
}

class TempFiles {
public:
    TempFiles() {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH, base);
        dir = std::wstring(base) + L"kdlg_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    ~TempFiles() {
        for (auto& f : made) DeleteFileW(f.c_str());
        RemoveDirectoryW(dir.c_str());
    }
    std::wstring Make(const std::wstring& name) {
        std::wstring path = dir + L"\\" + name;
        Win32FileStore().WriteAtomic(path, "x\r\n");
        made.push_back(path);
        return path;
    }
    std::wstring dir;
    std::vector<std::wstring> made;
};

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

TEST(CommonDlgsW, ColorWithSystemColorReference) {
    CommonDlgsW d;
    EXPECT_EQ(d.Color(), 0xC0C0C0u);
    d.Color(0x80000005u);
    EXPECT_EQ(d.Color(), static_cast<std::uint32_t>(GetSysColor(COLOR_WINDOW)));
    d.Color(0x123456u);
    EXPECT_EQ(d.Color(), 0x123456u);
}

TEST(CommonDlgsW, OpenCancelledChangesNoField) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    CommonDlgsW d;
    d.FileName = L"C:\\windows\\notepad.exe";
    d.FileTitle = L"earlier.ktf";
    d.Flags = 0x4;
    bool chosen = true;
    {
        User user(Cancel());
        chosen = d.ShowOpen(nullptr);
    }
    EXPECT_FALSE(chosen);
    EXPECT_EQ(d.FileName, L"C:\\windows\\notepad.exe");
    EXPECT_EQ(d.FileTitle, L"earlier.ktf");
    EXPECT_EQ(d.Flags, 0x4u);
}

TEST(CommonDlgsW, OpenAndSaveConfirmedThenTheNextDialogStartsThere) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    TempFiles files;
    const std::wstring existing = files.Make(L"tasks.ktf");
    CommonDlgsW d;
    d.Filter = L"Kestrelon Task File(*.ktf)|*.ktf";
    {
        User user(TypeAndOk(existing));
        ASSERT_TRUE(d.ShowOpen(nullptr)) << std::string(user.unexpected.begin(), user.unexpected.end());
    }
    EXPECT_TRUE(SamePath(d.FileName, existing)) << std::string(d.FileName.begin(), d.FileName.end());
    EXPECT_EQ(d.FileName.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(d.FileTitle, L"tasks.ktf");
    EXPECT_EQ(d.Title, d.FileTitle);

    const std::wstring fresh = files.dir + L"\\saved list.ktf";
    bool saved = false;
    std::wstring shown;
    {
        User user(TypeAndOk(fresh));
        saved = d.ShowSave(nullptr);
        shown = user.initialName;
    }
    ASSERT_TRUE(saved);
    EXPECT_NE(shown.find(L"tasks.ktf"), std::wstring::npos) << "the last path is the next initial name";
    EXPECT_TRUE(SamePath(d.FileName, fresh));
    EXPECT_EQ(d.FileTitle, L"saved list.ktf");
}

TEST(CommonDlgsW, TitleFilterIndexAndDefaultExtensionReachTheDialog) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    TempFiles files;
    CommonDlgsW d;
    d.DialogTitle = L"Choose a task list";
    d.DefaultExt = L"ktf";
    d.Filter = L"Text (*.txt)|*.txt|All files (*.*)|*.*";
    d.FilterIndex = 2;
    d.InitDir = files.dir;
    std::wstring caption, filter;
    bool saved = false;
    {
        User user([&](HWND dialog) {
            caption = TextOf(dialog);
            constexpr int kFilterBox = 0x470;
            HWND box = GetDlgItem(dialog, kFilterBox);
            const LRESULT at = SendMessageW(box, CB_GETCURSEL, 0, 0);
            wchar_t text[256] = {};
            if (at >= 0) SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
            filter = text;
            TypeAndOk(L"plain")(dialog);  // no extension typed
        });
        saved = d.ShowSave(nullptr);
    }
    ASSERT_TRUE(saved);
    EXPECT_EQ(caption, L"Choose a task list");
    EXPECT_EQ(filter, L"All files (*.*)");
    EXPECT_TRUE(SamePath(d.FileName, files.dir + L"\\plain.ktf")) << std::string(d.FileName.begin(), d.FileName.end());
    EXPECT_EQ(d.FileTitle, L"plain.ktf");
}

TEST(CommonDlgsW, LongFileNameAndInitDirDoNotOverrun) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    CommonDlgsW d;
    d.FileName = L"C:\\" + std::wstring(600, L'a') + L".ktf";
    d.InitDir = L"C:\\" + std::wstring(400, L'b');
    {
        User user(Cancel());
        EXPECT_FALSE(d.ShowOpen(nullptr));
    }
    EXPECT_EQ(d.FileName.size(), 607u);
}

TEST(CommonDlgsW, MultiSelectKeepsTheWholeBuffer) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    TempFiles files;
    files.Make(L"a.ktf");
    files.Make(L"b.ktf");
    CommonDlgsW d;
    d.Flags = kOfnAllowMultiSelect | OFN_EXPLORER;
    d.InitDir = files.dir;
    d.Title = L"before";
    {
        User user(TypeAndOk(L"\"a.ktf\" \"b.ktf\""));
        ASSERT_TRUE(d.ShowOpen(nullptr)) << std::string(user.unexpected.begin(), user.unexpected.end());
    }
    ASSERT_EQ(d.FileName.size(), 256u);
    const std::wstring folder(d.FileName.c_str());
    EXPECT_TRUE(SamePath(folder, files.dir)) << std::string(folder.begin(), folder.end());
    size_t second = folder.size() + 1;
    EXPECT_EQ(std::wstring(d.FileName.c_str() + second), L"a.ktf");
    EXPECT_EQ(std::wstring(d.FileName.c_str() + second + 6), L"b.ktf");
    EXPECT_EQ(d.FileTitle, L"");
    EXPECT_EQ(d.Title, L"before");
    EXPECT_TRUE(d.Flags & kOfnAllowMultiSelect);
}

TEST(CommonDlgsW, ColorDialogCancelledAndConfirmed) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    CommonDlgsW d;
    d.Color(0x336699u);
    {
        User user(Cancel());
        EXPECT_FALSE(d.ShowColor(nullptr));
    }
    EXPECT_EQ(d.Color(), 0x336699u);
    {
        User user([](HWND dialog) { Press(dialog, IDOK); });
        EXPECT_TRUE(d.ShowColor(nullptr));
    }
    EXPECT_EQ(d.Color(), 0x336699u);
}

// "Save Tasks" under a name typed without its extension writes name.ktf, and
// the next "Load Tasks" offers that file: OK (Enter) loads the saved rows. A
// typed name of no file still loads nothing and turns the scheduler on.
TEST(TaskListDialogs, LoadOffersTheFileThatSaveWrote) {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
    toolkit::InitControls();
    kestrelon::testing::FakeSystem sys;
    form1 form{sys};
    form.endProcess = [] {};
    ASSERT_TRUE(form.Load());
    form.timerMouse.SetEnabled(false);
    form.timerClose.SetEnabled(false);
    for (const wchar_t* program : {L"notepad.exe", L"calc.exe"}) {
        const int row = form.Tasks().AddRow(0);
        form.Tasks().SetField(row, fProgram, program);
        form.Tasks().SetField(row, fCloseTime, L"2099/01/01 00:00:00");  // never due in a test
        form.Tasks().SetField(row, fType, L"Close - Normal");
    }
    TempFiles files;
    const std::wstring typed = files.dir + L"\\Zadanie-\u017c\u00f3\u0142w";
    files.made.push_back(typed + L".ktf");
    {
        User user(TypeAndOk(typed));
        form.cmdSave.Click();
    }
    ASSERT_NE(GetFileAttributesW((typed + L".ktf").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing was saved";

    std::wstring offered, unexpected;
    {
        User user([](HWND dialog) { Press(dialog, IDOK); });
        form.cmdLoad.Click();
        offered = user.initialName;
        unexpected = user.unexpected;
    }
    EXPECT_NE(offered.find(L"Zadanie-\u017c\u00f3\u0142w.ktf"), std::wstring::npos)
        << "the dialog offered \"" << std::string(offered.begin(), offered.end()) << "\"";
    EXPECT_EQ(unexpected, L"");
    ASSERT_EQ(form.Tasks().Count(), 4) << "the saved rows were not loaded";
    EXPECT_EQ(form.Tasks().Field(3, fProgram).value_or(L""), L"notepad.exe");
    EXPECT_EQ(form.Tasks().Field(4, fProgram).value_or(L""), L"calc.exe");
    EXPECT_TRUE(form.timerClose.Enabled());

    form.timerClose.SetEnabled(false);
    {
        User user(TypeAndOk(typed));  // the name as typed: no such file
        form.cmdLoad.Click();
    }
    EXPECT_EQ(form.Tasks().Count(), 4);
    EXPECT_TRUE(form.timerClose.Enabled());
    form.timerClose.SetEnabled(false);
}

}  // namespace
