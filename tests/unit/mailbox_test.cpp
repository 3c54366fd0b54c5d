// The command mailbox with the rebuild it starts: a tick that falls due
// while a rebuild started through the mailbox yields writes "refresh" into a
// box that still holds "refresh". The box here drops a write of the text it
// holds, as the real text box does, and the rebuild, the tick and the close
// routine are the program's own; only the processes are made up.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "Fakes.h"
#include "mainwindow/scheduler/RunningPrograms.h"

namespace kestrelon {
namespace {

using testing::FakeMarks;
using testing::FakeSystem;

// The processes of the fake system, as the rebuild probes them.
class SystemProbe : public IProcessProbe {
public:
    explicit SystemProbe(FakeSystem& sys) : sys_(sys) {}
    std::optional<std::vector<std::uint32_t>> ProcessIds() override {
        std::vector<std::uint32_t> ids;
        for (auto& [pid, name] : sys_.processes) ids.push_back(pid);
        return ids;
    }
    ProcessProbeResult Probe(std::uint32_t pid) override {
        auto it = sys_.processes.find(pid);
        if (it == sys_.processes.end()) return {};
        return {true, L"C:\\apps\\" + it->second};
    }
    DosDeviceTable DosDevices() override { return {}; }

private:
    FakeSystem& sys_;
};

class NoView : public IRunningProgramsView {
public:
    void BeginRebuild() override {}
    void AddProgramIcon(const std::wstring&) override {}
    void EndRebuild(const RunningProgramList&, std::optional<std::size_t>) override {}
    std::wstring ProgramLabel() override { return {}; }
};

// The main window: its mailbox box, its running-program list, the tick and
// the close routine wired as the program wires them.
class MainWindow : public ITickHost, public IExecHost, public IMailboxTarget {
public:
    MemoryTaskTable table;
    FakeMarks marks;
    FakeSystem sys;
    SystemProbe probe{sys};
    NoView view;
    // Runs at every yield of a rebuild; the timer's rule: no tick inside a tick.
    std::function<void()> onYield;
    RunningPrograms running{probe, [this] {
                                ++yields;
                                if (onYield) onYield();
                            }};
    int yields = 0, rebuildsStarted = 0, ticks = 0;
    bool inTick = false;
    // The ids of the list the close routine worked from.
    std::vector<std::wstring> idsUsed;

    // A text box: a change runs the handler before the write returns; a
    // write of the text it holds does nothing.
    class Box : public IMailboxBox {
    public:
        explicit Box(MainWindow& w) : w_(w) {}
        std::wstring Text() const override { return text_; }
        void SetText(const std::wstring& t) override {
            if (t == text_) return;
            text_ = t;
            if (HandleMailbox(text_, w_)) SetText(L"");
        }

    private:
        MainWindow& w_;
        std::wstring text_;
    } box{*this};

    void Tick() {
        if (inTick) return;
        inTick = true;
        ++ticks;
        TimerCloseTick(*this);
        inTick = false;
    }

    ITaskTable& Tasks() override { return table; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys; }
    void DoEvents() override {}
    void WriteMailbox(const std::wstring& command) override { WriteCommand(box, *this, command); }
    Firing CloseProgram(const std::wstring& name, std::int16_t row) override {
        idsUsed = running.Current().lstID;
        return kestrelon::CloseProgram(static_cast<IExecHost&>(*this), name, row);
    }
    Firing RunProgram(const std::wstring& commandLine, std::int16_t row) override {
        return kestrelon::RunProgram(static_cast<IExecHost&>(*this), commandLine, row);
    }
    void MonitorOff() override {}
    void SaveBeforeForcedLogoff() override {}
    void QuitNow() override {}
    void TellUnattended(const std::wstring&) override {}
    void SetTimerCloseEnabled(bool) override {}

    const std::vector<std::wstring>& RunningPaths() override { return running.Current().List1; }
    const std::vector<std::wstring>& RunningIDs() override { return running.Current().lstID; }
    RepeatTexts CurrentRepeatTexts() override {
        return {L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    }
    std::vector<RepeatTexts> OtherRepeatTexts() override { return {}; }
    void SaveDefaultTasks() override {}

    void ListRunningPrograms() override {
        ++rebuildsStarted;
        running.ListRunningPrograms(view);
    }
    void ClearFinalActions() override { kestrelon::ClearFinalActions(marks); }
};

class MailboxTest : public ::testing::Test {
protected:
    // The editor was opened with notepad.exe running as 1234; the list then
    // stayed as it was while notepad ended and was started again as 1300.
    void SetUp() override {
        w.sys.processes = {{1234, L"notepad.exe"}, {40, L"explorer.exe"}};
        w.WriteMailbox(L"refresh");
        ASSERT_EQ(w.running.Current().lstID, (std::vector<std::wstring>{L"40", L"1234"}));
        w.sys.processes = {{40, L"explorer.exe"}, {1300, L"notepad.exe"}};
        // A one-shot close task of notepad, picked when it was 1234, due now.
        w.table.Add({L"notepad.exe", L"C:\\apps\\notepad.exe", L"1234", L"2026/12/08 10:30:00", L"None",
                     L"Close - Normal", L""});
        // The task falls due during the first yield of the next rebuild.
        w.onYield = [this] {
            if (w.table.Count() > 0) w.Tick();
        };
    }
    // The editor's "Refresh The List".
    void Refresh() { w.WriteMailbox(L"refresh"); }

    MainWindow w;
};

TEST_F(MailboxTest, TickInsideARebuildWorksFromAListTakenAfterItsOwnRefresh) {
    const int before = w.rebuildsStarted;
    Refresh();
    ASSERT_EQ(w.ticks, 1);
    // The tick's "refresh" started a rebuild of its own, which the close
    // routine then read: it knows 1300 and no longer 1234.
    EXPECT_EQ(w.rebuildsStarted - before, 3);  // the editor's, the tick's, the close routine's
    EXPECT_EQ(w.idsUsed, (std::vector<std::wstring>{L"40", L"1300"}));
    EXPECT_EQ(w.sys.terminated, (std::vector<std::uint32_t>{1300}));
    EXPECT_EQ(w.table.Count(), 0);
    // The editor's write returns with a whole list taken after it as well.
    EXPECT_EQ(w.running.Current().lstID, (std::vector<std::wstring>{L"40"}));
    EXPECT_EQ(w.box.Text(), L"");
}

TEST_F(MailboxTest, AnIdReusedByAnotherProgramIsNeverEnded) {
    // notepad's old id now belongs to another program, which a stale list
    // would still call notepad.exe.
    w.sys.processes = {{40, L"explorer.exe"}, {1234, L"bank.exe"}, {1300, L"notepad.exe"}};
    Refresh();
    ASSERT_EQ(w.ticks, 1);
    EXPECT_EQ(w.sys.processes.count(1234), 1u);
    EXPECT_EQ(w.sys.terminated, (std::vector<std::uint32_t>{1300}));
    EXPECT_EQ(w.table.Count(), 0);
}

TEST_F(MailboxTest, ARestartedProgramIsEndedEvenFromAStaleList) {
    // Should the close routine ever work from the old list: 1234 is gone,
    // which counts as nothing found, and notepad under its new id is ended
    // by its name.
    kestrelon::CloseProgram(static_cast<IExecHost&>(w), L"notepad.exe", 1);
    EXPECT_EQ(w.sys.terminated, (std::vector<std::uint32_t>{1300}));
    EXPECT_EQ(w.table.Count(), 0);
}

TEST(Mailbox, ACommandWrittenWhileTheBoxHoldsItStillRunsOnce) {
    MainWindow w;
    int nested = 0;
    w.onYield = [&] {
        // Every write inside a running rebuild: both run, neither is dropped.
        if (nested++ == 0) {
            w.marks.on[FinalMark::Quit] = true;
            w.WriteMailbox(L"refresh");
            w.WriteMailbox(L"AllMenuFalse");
            w.WriteMailbox(L"refresh");
        }
    };
    w.sys.processes = {{8, L"a.exe"}};
    w.WriteMailbox(L"refresh");
    EXPECT_EQ(w.rebuildsStarted, 3);
    EXPECT_FALSE(w.marks.Checked(FinalMark::Quit));
    EXPECT_EQ(w.box.Text(), L"");
    EXPECT_EQ(w.running.Current().lstID, (std::vector<std::wstring>{L"8"}));
    // Outside any rebuild a write runs its command once.
    w.onYield = nullptr;
    w.WriteMailbox(L"refresh");
    EXPECT_EQ(w.rebuildsStarted, 4);
}

}  // namespace
}  // namespace kestrelon
