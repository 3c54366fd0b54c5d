// Work that runs with nobody at the machine, with the real main window, its
// real timer and its real way of telling a failed write: firings one after the
// other while the default task list cannot be written, a firing's power action
// and quit, the quit after all tasks, and a start-up whose list could not be
// read. None of it may wait for an answer, and no way out may lose the list.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../unit/Fakes.h"
#include "Modal.h"
#include "TestPaths.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/frmS_win32.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

using testing::Env;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kAutoloadOn = "1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";

// The fake system with a clock that runs: the scheduler's "now" moves with
// real time from a fixed start, and every request is noted with the second
// it came at.
class RunningClock : public testing::FakeSystem {
public:
    DateTime Now() override { return *AddSeconds(start, static_cast<std::int64_t>(Elapsed())); }
    double Elapsed() const { return (GetTickCount64() - t0) / 1000.0; }
    bool StartProcess(const std::wstring& application, const std::wstring& commandLine) override {
        At(L"start " + commandLine);
        return FakeSystem::StartProcess(application, commandLine);
    }
    EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) override {
        const EndResult r = FakeSystem::EndProcessOf(pid, exeName);
        if (r == EndResult::Ended) At(L"terminate " + std::to_wstring(pid));
        return r;
    }
    void ExitWindowsEx(unsigned flags, unsigned reason) override {
        At(L"exitwindows " + std::to_wstring(flags));
        FakeSystem::ExitWindowsEx(flags, reason);
    }
    // The second (from the start) at which `what` was first asked; -1 if never.
    double When(const std::wstring& what) const {
        for (const auto& [text, at] : timeline)
            if (text == what) return at;
        return -1;
    }

    DateTime start{2026, 12, 9, 22, 0, 0};
    std::vector<std::pair<std::wstring, double>> timeline;
    // Runs at every request, as it is made.
    std::function<void(const std::wstring& what)> onRequest;

private:
    void At(const std::wstring& what) {
        timeline.emplace_back(what, Elapsed());
        if (onRequest) onRequest(what);
    }
    ULONGLONG t0 = GetTickCount64();
};

// Closes every message box of this process that stays up longer than the
// grace time, and counts them: with a box that waits, a test would otherwise
// hang instead of failing.
class BoxWatch {
public:
    explicit BoxWatch(DWORD graceMs) : grace_(graceMs), thread_([this] { Run(); }) {}
    ~BoxWatch() {
        stop_ = true;
        thread_.join();
    }
    int Closed() const { return closed_; }

private:
    static BOOL CALLBACK Look(HWND hwnd, LPARAM self) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && lstrcmpW(cls, L"#32770") == 0)
            reinterpret_cast<BoxWatch*>(self)->Seen(hwnd);
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            Sleep(100);
            EnumWindows(Look, reinterpret_cast<LPARAM>(this));
            for (auto it = since_.begin(); it != since_.end();) it = IsWindow(it->first) ? std::next(it) : since_.erase(it);
        }
    }
    // Each box is timed on its own: boxes stacked on one another are all closed.
    void Seen(HWND box) {
        const ULONGLONG now = GetTickCount64();
        auto [it, added] = since_.emplace(box, now);
        if (!added && it->second != 0 && now - it->second > grace_) {
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            ++closed_;
            it->second = 0;  // asked to close: not counted again
        }
    }
    DWORD grace_;
    std::atomic<bool> stop_{false};
    std::atomic<int> closed_{0};
    std::map<HWND, ULONGLONG> since_;
    std::thread thread_;
};

class Unattended : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        savedAppData = Env(L"APPDATA");
        appData = testing::TempDir() + L"kunatt_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(GetTickCount());
        CreateDirectoryW(appData.c_str(), nullptr);
        SetEnvironmentVariableW(L"APPDATA", appData.c_str());
        WriteBytes(appData + L"\\knsetting.ini", kAutoloadOn);
    }
    void TearDown() override {
        form.reset();
        for (const wchar_t* name : {L"default.ktf", L"knsetting.ini", L"knstartm.ini"}) {
            const std::wstring path = appData + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(appData.c_str());
        SetEnvironmentVariableW(L"APPDATA", savedAppData.c_str());
    }
    std::wstring List() const { return appData + L"\\default.ktf"; }
    std::wstring Settings() const { return appData + L"\\knsetting.ini"; }
    // Starts the main window while another program holds `path` (share mode 0).
    void StartWhileHeld(const std::wstring& path) {
        HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        Start();
        CloseHandle(lock);
    }
    // Ends the Windows session as the system does: both messages to the main window.
    void EndSession() {
        SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0);
        SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, 0);
    }
    static bool Shows(const testing::ModalWindow& m, const std::wstring& text) {
        for (const std::wstring& t : m.texts)
            if (t.find(text) != std::wstring::npos) return true;
        return false;
    }

    // A new main window over the same files, started as the program starts.
    // The real notice stays in place; only the end of the process is caught.
    void Start() {
        form.reset();
        form = std::make_unique<form1>(sys);
        form->endProcess = [this] { ++ended; };
        ASSERT_TRUE(form->Load());
    }
    void AddRow(const std::vector<std::wstring>& fields) {
        const int row = form->Tasks().AddRow(0);
        for (int k = 0; k < kFieldCount; ++k) form->Tasks().SetField(row, k + 1, fields[k]);
    }
    std::wstring DueIn(int seconds) { return FormatEditorText(*AddSeconds(sys.Now(), seconds)); }
    // Lets the program run, messages and timers included, until `done` or
    // `seconds` have passed.
    template <typename Done>
    void RunFor(double seconds, Done done) {
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
        while (GetTickCount64() < end && !done()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            toolkit::DoEvents();
        }
    }

    RunningClock sys;
    std::unique_ptr<form1> form;
    std::wstring savedAppData, appData;
    int ended = 0;
};

TEST_F(Unattended, FailedSavesAtNightDelayNothingAndAreToldOnceWithoutABox) {
    // A read-only list: every save after a firing fails.
    WriteBytes(List(), "");
    ASSERT_TRUE(SetFileAttributesW(List().c_str(), FILE_ATTRIBUTE_READONLY));
    Start();
    sys.processes = {{900, L"night.exe"}};
    AddRow({L"first.exe", L"first.exe", L"None", DueIn(2), L"None", L"Run - Normal", L""});
    AddRow({L"second.exe", L"second.exe", L"None", DueIn(5), L"None", L"Run - Normal", L""});
    AddRow({L"night.exe", L"C:\\night.exe", L"00000", DueIn(7), L"None", L"Close - Normal", L"Shutdown PC - Q"});
    form->SetTimerCloseEnabled(true);

    BoxWatch boxes(4000);
    RunFor(20, [&] { return ended > 0; });

    // Each firing came at its second (within the timer's half second and
    // the machine's noise), not after somebody answered a box.
    const double first = sys.When(L"start first.exe"), second = sys.When(L"start second.exe");
    const double night = sys.When(L"terminate 900"), shutdown = sys.When(L"exitwindows 1");
    std::wostringstream timeline;
    for (const auto& [what, at] : sys.timeline) timeline << what << L" at " << at << L" s; ";
    const std::wstring events = timeline.str();
    SCOPED_TRACE(std::string(events.begin(), events.end()));
    EXPECT_GE(first, 1.0);
    EXPECT_LT(first, 3.5);
    EXPECT_GE(second, 4.0);
    EXPECT_LT(second, 6.5);
    EXPECT_GE(night, 6.0);
    EXPECT_LT(night, 8.5);
    EXPECT_GE(shutdown, night);
    EXPECT_LT(shutdown, 8.5);
    EXPECT_EQ(ended, 1) << "the close task's quit ends the program";
    EXPECT_EQ(boxes.Closed(), 0) << "a box waited for an answer";

    // Told once, by the notice that does not wait, with the file's name.
    EXPECT_EQ(form->WriteNoticesShown(), 1);
    EXPECT_NE(LastTrayBalloon().find(List()), std::wstring::npos) << "balloon: " << LastTrayBalloon().size();
    EXPECT_EQ(ReadBytes(List()), "");
}

TEST_F(Unattended, QuitAfterAllTasksLeavesTheListAsTheUnloadDoes) {
    WriteBytes(List(),
               "old.exe\told.exe\tNone\t2026/12/09 21:00:00\tEvery Minute\tRun - Normal\t\r\n"
               "other.exe\tC:\\other.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n");
    Start();
    ASSERT_EQ(form->TaskCount(), 2);
    form->timerClose.SetEnabled(false);
    // "Remove All", then an empty task whose final choice is "Quit Kestrelon".
    form->cmdRemoveAll.Click();
    ASSERT_EQ(form->TaskCount(), 0);
    AddRow({kEmptyProgram, L"None", L"None", DueIn(1), L"None", L"Close - Normal", L""});
    form->menuQuit.SetChecked(true);
    form->SetTimerCloseEnabled(true);
    RunFor(10, [&] { return ended > 0; });
    ASSERT_EQ(ended, 1);
    EXPECT_EQ(ReadBytes(List()), "<none>") << "an empty list is no file";

    // The next start shows none of the removed rows, and fires none of them.
    Start();
    EXPECT_EQ(form->TaskCount(), 0);
    RunFor(2, [] { return false; });
    EXPECT_TRUE(sys.timeline.empty());
}

TEST_F(Unattended, AListThatCouldNotBeReadIsNeverReplacedOrDeleted) {
    const std::string list = "kept.exe\tC:\\kept.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n";
    WriteBytes(List(), list);
    {
        // Another program holds the file at start-up.
        HANDLE lock = CreateFileW(List().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        Start();
        CloseHandle(lock);
    }
    EXPECT_EQ(form->TaskCount(), 0);
    EXPECT_TRUE(form->DefaultListLeftAlone());
    EXPECT_EQ(form->WriteNoticesShown(), 1) << "the user is told that the list was left as it is";
    EXPECT_NE(LastTrayBalloon().find(List()), std::wstring::npos);

    // A firing, then the exit: the file stays as it was, byte for byte.
    AddRow({L"run.exe", L"run.exe", L"None", DueIn(1), L"None", L"Run - Normal", L""});
    form->SetTimerCloseEnabled(true);
    RunFor(10, [&] { return !sys.timeline.empty() && form->TaskCount() == 0; });
    ASSERT_EQ(sys.When(L"start run.exe") >= 0, true);
    EXPECT_EQ(ReadBytes(List()), list);
    form->cmdExit.Click();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadBytes(List()), list);
    EXPECT_EQ(form->WriteNoticesShown(), 1);
}

TEST_F(Unattended, ExitWithAFailedWriteSaysThatTheProgramEnds) {
    WriteBytes(List(), "");
    ASSERT_TRUE(SetFileAttributesW(List().c_str(), FILE_ATTRIBUTE_READONLY));
    Start();
    std::vector<std::wstring> boxes;
    form->showEndFailure = [&](const std::wstring& text) { boxes.push_back(text); };
    AddRow({L"a.exe", L"a.exe", L"None", L"2030/01/01 10:00:00", L"None", L"Run - Normal", L""});
    form->Unload(toolkit::UnloadMode::FormControlMenu);  // the close box
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(List()), std::wstring::npos);
    EXPECT_NE(boxes[0].find(L"now ends"), std::wstring::npos);
    EXPECT_EQ(boxes[0].find(L"goes on running"), std::wstring::npos);
    EXPECT_EQ(form->WriteNoticesShown(), 0);
}

TEST_F(Unattended, ASettingsFileHeldAtStartupLeavesBothFilesAsTheyWereWhenTheSessionEnds) {
    const std::string list = "kept.exe\tC:\\kept.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n";
    WriteBytes(List(), list);
    StartWhileHeld(Settings());  // longer than start-up tries it
    EXPECT_EQ(form->TaskCount(), 0) << "auto-load is not known: the list is not loaded";
    EXPECT_EQ(form->WriteNoticesShown(), 1);
    EXPECT_NE(LastTrayBalloon().find(Settings()), std::wstring::npos);

    AddRow({L"run.exe", L"run.exe", L"None", L"2030/01/01 11:00:00", L"None", L"Run - Normal", L""});
    EndSession();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadBytes(List()), list);
    EXPECT_EQ(ReadBytes(Settings()), kAutoloadOn);
    EXPECT_EQ(form->WriteNoticesShown(), 1);
}

TEST_F(Unattended, TasksAddedToAListLeftAloneAreNamedAtExitUntilLoadTasksReadsTheList) {
    const std::string list = "kept.exe\tC:\\kept.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n";
    WriteBytes(List(), list);
    StartWhileHeld(List());
    ASSERT_TRUE(form->DefaultListLeftAlone());
    form->timerMouse.SetEnabled(false);
    AddRow({L"added.exe", L"added.exe", L"None", L"2030/01/01 11:00:00", L"None", L"Run - Normal", L""});

    // Exit: the question names the file and the task; Cancel goes back.
    testing::ModalWindow question;
    ASSERT_TRUE(testing::WhileModal([&] { form->cmdExit.Click(); },
                                    [&](const testing::ModalWindow& m) {
                                        question = m;
                                        testing::AnswerDialog(m, IDCANCEL);
                                    }));
    EXPECT_TRUE(Shows(question, List()));
    EXPECT_TRUE(Shows(question, L"1 task "));
    EXPECT_EQ(ended, 0);

    // "Load Tasks" of default.ktf itself, now that nobody holds it.
    ASSERT_TRUE(testing::WhileModal([&] { form->cmdLoad.Click(); },
                                    [&](const testing::ModalWindow& m) {
                                        HWND box = GetDlgItem(m.window, 0x47c);
                                        HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
                                        if (!edit) edit = FindWindowExW(FindWindowExW(box, nullptr, nullptr, nullptr),
                                                                        nullptr, L"Edit", nullptr);
                                        SendMessageW(edit ? edit : box, WM_SETTEXT, 0,
                                                     reinterpret_cast<LPARAM>(List().c_str()));
                                        testing::AnswerDialog(m, IDOK);
                                    }));
    ASSERT_EQ(form->TaskCount(), 2);
    EXPECT_FALSE(form->DefaultListLeftAlone());

    // A firing's save now writes the list: the task added survives.
    AddRow({L"soon.exe", L"soon.exe", L"None", DueIn(1), L"None", L"Run - Normal", L""});
    form->SetTimerCloseEnabled(true);
    RunFor(10, [&] { return sys.When(L"start soon.exe") >= 0 && form->TaskCount() == 2; });
    const std::string written = ReadBytes(List());
    EXPECT_NE(written.find("added.exe\t"), std::string::npos) << written;
    EXPECT_NE(written.find("kept.exe\t"), std::string::npos) << written;
}

TEST_F(Unattended, ABoxACommandOpensDuringTheTickWaitsOutsideItAndLaterTasksRunOnTime) {
    Start();
    // "About" arrives while the first firing's tick rebuilds the running-program list.
    bool posted = false;
    form->rebuildYield = [&] {
        if (!std::exchange(posted, true)) PostMessageW(form->Handle(), WM_COMMAND, form->menuAbout.Id(), 0);
        toolkit::DoEvents();
    };
    bool aboutUp = false;
    sys.onRequest = [&](const std::wstring& what) {
        HWND about = FindWindowW(L"#32770", L"About");
        if (what == L"start second.exe") aboutUp = about && IsWindowVisible(about);
    };
    AddRow({L"first.exe", L"first.exe", L"None", DueIn(1), L"None", L"Run - Normal", L""});
    AddRow({L"second.exe", L"second.exe", L"None", DueIn(4), L"None", L"Run - Normal", L""});
    form->SetTimerCloseEnabled(true);
    const double added = sys.Elapsed();

    BoxWatch boxes(5000);  // nobody answers the box for five seconds
    RunFor(15, [&] { return sys.When(L"start second.exe") >= 0; });
    ASSERT_TRUE(posted);
    const double first = sys.When(L"start first.exe"), second = sys.When(L"start second.exe");
    EXPECT_GE(first, 0);
    EXPECT_GE(second, first + 2.0);
    EXPECT_LT(second, added + 5.0) << "the second task waited for the box";
    EXPECT_TRUE(aboutUp) << "the second task ran while the box was open";
    RunFor(8, [&] { return boxes.Closed() > 0; });
    EXPECT_EQ(boxes.Closed(), 1);
}

TEST_F(Unattended, NothingFiresOnceExitHasBegunNotEvenWhileItsFailureBoxIsUp) {
    WriteBytes(List(), "");
    ASSERT_TRUE(SetFileAttributesW(List().c_str(), FILE_ATTRIBUTE_READONLY));
    Start();
    AddRow({L"due.exe", L"due.exe", L"None", DueIn(2), L"None", L"Run - Normal", L""});
    form->SetTimerCloseEnabled(true);
    BoxWatch boxes(3000);  // the box that says the list was not written stays up three seconds
    // Exit's question is answered at once.
    ASSERT_TRUE(testing::WhileModal([&] { form->cmdExit.Click(); },
                                    [](const testing::ModalWindow& m) { testing::AnswerDialog(m, IDOK); }));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(boxes.Closed(), 1) << "one box, and no firing's box on top of it";
    EXPECT_TRUE(sys.timeline.empty()) << "a task fired after Exit had begun";
}

TEST_F(Unattended, AHiddenReadOnlySettingsFileIsReadAndItsListKeptAfterExit) {
    const std::string list = "kept.exe\tC:\\kept.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n";
    WriteBytes(List(), list);
    ASSERT_TRUE(SetFileAttributesW(Settings().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    Start();
    ASSERT_EQ(form->TaskCount(), 1);
    EXPECT_TRUE(form->menuAutoload.Checked());
    std::vector<std::wstring> boxes;
    form->showEndFailure = [&](const std::wstring& text) { boxes.push_back(text); };
    testing::WhileModal([&] { form->cmdExit.Click(); },
                        [](const testing::ModalWindow& m) { testing::AnswerDialog(m, IDOK); });
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadBytes(List()), list);
    EXPECT_EQ(ReadBytes(Settings()), kAutoloadOn);
    ASSERT_EQ(boxes.size(), 1u) << "the read-only settings file is named";
    EXPECT_NE(boxes[0].find(Settings()), std::wstring::npos);
}

}  // namespace
}  // namespace kestrelon
