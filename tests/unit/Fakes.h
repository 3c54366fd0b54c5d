// Test doubles for the scheduler: a system that records what was asked and a
// main window that records what the tick did.
#pragma once

#include <cwctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/scheduler/Execution.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/Scheduler.h"

namespace kestrelon::testing {

class FakeSystem : public ISystem {
public:
    DateTime now{2026, 12, 8, 10, 30, 0};
    LocaleFormat locale = LocaleFormat::EnglishUS();
    std::vector<std::wstring> calls;

    // The settings a change of the regional settings brings, if any.
    std::optional<LocaleFormat> changedLocale;

    DateTime Now() override { return now; }
    const LocaleFormat& Locale() override { return locale; }
    void RefreshLocale() override {
        if (changedLocale) locale = *changedLocale;
    }
    bool EnableShutdownPrivilege() override {
        calls.push_back(L"privilege");
        return true;
    }
    void SetSystemPowerState(bool suspend, bool force) override {
        calls.push_back(L"hibernate " + std::to_wstring(suspend) + L"," + std::to_wstring(force));
    }
    void ExitWindowsEx(unsigned flags, unsigned reason) override {
        calls.push_back(L"exitwindows " + std::to_wstring(flags) + L"," + std::to_wstring(reason));
    }

    // Running processes by id, with their executable names.
    std::map<std::uint32_t, std::wstring> processes;
    std::vector<std::uint32_t> terminated;
    std::vector<std::wstring> existingFiles;
    std::vector<std::pair<std::wstring, std::wstring>> started;  // application, command line

    // The executable names that the check before an end asked about, by id.
    std::vector<std::uint32_t> nameChecked;
    EndResult EndProcessOf(std::uint32_t pid, const std::wstring& exeName) override {
        auto it = processes.find(pid);
        if (pid == 0 || it == processes.end()) return EndResult::NotOpened;
        nameChecked.push_back(pid);
        if (Lower(it->second) != Lower(exeName)) return EndResult::OtherProgram;
        terminated.push_back(pid);
        calls.push_back(L"terminate " + std::to_wstring(pid));
        processes.erase(it);
        return EndResult::Ended;
    }
    static std::wstring Lower(std::wstring s) {
        for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
        return s;
    }
    std::vector<ProcessEntry> ProcessSnapshot() override {
        std::vector<ProcessEntry> out;
        for (auto& [pid, name] : processes) out.push_back({pid, name});
        return out;
    }
    // A start fails, with this reason, while startFailure is set.
    std::optional<std::wstring> startFailure;
    bool StartProcess(const std::wstring& app, const std::wstring& cmd) override {
        started.emplace_back(app, cmd);
        calls.push_back(L"start " + cmd);
        return !startFailure;
    }
    std::wstring StartFailureReason() override { return startFailure.value_or(L""); }
    // This program's own process; id 0: none.
    ProcessEntry self;
    ProcessEntry CurrentProcess() override { return self; }
    bool FileExists(const std::wstring& path) override {
        for (auto& f : existingFiles)
            if (f == path) return true;
        return false;
    }
    // Files among existingFiles that are programs (executable images).
    std::vector<std::wstring> programFiles;
    bool IsProgramFile(const std::wstring& path) override {
        for (auto& f : programFiles)
            if (f == path) return FileExists(path);
        return false;
    }

    int cursorX = 0, cursorY = 0;
    std::uint32_t tickCount = 0, lastInputTick = 0;
    bool lastInputWorks = true;
    bool GetCursorPos(int& x, int& y) override {
        x = cursorX;
        y = cursorY;
        return true;
    }
    bool GetLastInputTick(std::uint32_t& t) override {
        t = lastInputTick;
        return lastInputWorks;
    }
    std::uint32_t GetTickCount() override { return tickCount; }
};

class FakeMarks : public IFinalMarks {
public:
    std::map<FinalMark, bool> on;
    std::vector<FinalMark> cleared;  // marks set off, in order
    bool Checked(FinalMark m) const override {
        auto it = on.find(m);
        return it != on.end() && it->second;
    }
    void SetChecked(FinalMark m, bool v) override {
        if (!v) cleared.push_back(m);
        on[m] = v;
    }
    bool Only(std::initializer_list<FinalMark> ticked) const {
        for (FinalMark m : {FinalMark::Shut, FinalMark::Reboot, FinalMark::Logoff, FinalMark::Hibernet,
                            FinalMark::Screen, FinalMark::Quit}) {
            bool want = false;
            for (FinalMark t : ticked) want |= t == m;
            if (Checked(m) != want) return false;
        }
        return true;
    }
};

// The main window as the tick sees it. Every event lands in `log`.
class FakeHost : public ITickHost {
public:
    MemoryTaskTable table;
    FakeMarks marks;
    FakeSystem sys;
    std::vector<std::wstring> log;
    bool timerEnabled = true;
    bool quit = false;
    std::function<void()> onDoEvents;

    ITaskTable& Tasks() override { return table; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys; }
    void DoEvents() override {
        log.push_back(L"yield");
        if (onDoEvents) onDoEvents();
    }
    std::function<void()> onMailbox;
    void WriteMailbox(const std::wstring& c) override {
        log.push_back(L"mailbox " + c);
        if (onMailbox) onMailbox();
    }
    Firing CloseProgram(const std::wstring& name, std::int16_t row) override {
        log.push_back(L"close " + name + L" " + std::to_wstring(row));
        return {};
    }
    Firing RunProgram(const std::wstring& cmd, std::int16_t row) override {
        log.push_back(L"run " + cmd + L" " + std::to_wstring(row));
        return {};
    }
    void MonitorOff() override { log.push_back(L"monitor off"); }
    // Notes how many system calls came before it.
    void SaveBeforeForcedLogoff() override {
        log.push_back(L"save before logoff, after " + std::to_wstring(sys.calls.size()) + L" calls");
    }
    void QuitNow() override {
        log.push_back(L"quit");
        quit = true;
    }
    void SetTimerCloseEnabled(bool on) override { timerEnabled = on; }

    int Fired() const {
        int n = 0;
        for (auto& l : log) n += l.rfind(L"close ", 0) == 0 || l.rfind(L"run ", 0) == 0;
        return n;
    }
};

// The main window as the task routines see it.
class FakeExecHost : public IExecHost {
public:
    MemoryTaskTable table;
    FakeMarks marks;
    FakeSystem sys;
    std::vector<std::wstring> paths, ids;
    RepeatTexts current{L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    std::vector<RepeatTexts> others;
    std::vector<std::wstring> log;  // saves, quits, mailbox, with sys.calls interleaved

    ITaskTable& Tasks() override { return table; }
    IFinalMarks& Marks() override { return marks; }
    ISystem& System() override { return sys; }
    const std::vector<std::wstring>& RunningPaths() override { return paths; }
    const std::vector<std::wstring>& RunningIDs() override { return ids; }
    RepeatTexts CurrentRepeatTexts() override { return current; }
    std::vector<RepeatTexts> OtherRepeatTexts() override { return others; }
    void SaveDefaultTasks() override { Note(L"save rows=" + std::to_wstring(table.Count())); }
    void MonitorOff() override { Note(L"monitor off"); }
    void SaveBeforeForcedLogoff() override { Note(L"save settings and rows=" + std::to_wstring(table.Count())); }
    void QuitNow() override { Note(L"quit"); }
    void WriteMailbox(const std::wstring& c) override { Note(L"mailbox " + c); }
    void TellUnattended(const std::wstring& text) override { Note(L"told " + text); }

    // One ordered record of everything: system calls are folded in as they happen.
    std::vector<std::wstring> Events() {
        Flush();
        return log;
    }

private:
    size_t seenCalls = 0;
    void Flush() {
        while (seenCalls < sys.calls.size()) log.push_back(sys.calls[seenCalls++]);
    }
    void Note(const std::wstring& s) {
        Flush();
        log.push_back(s);
    }
};

// Date settings as a system reports them for one locale.
inline LocaleFormat Settings(std::wstring shortDate, std::wstring longTime, std::wstring dateSep,
                             std::wstring timeSep, std::wstring am = L"", std::wstring pm = L"", int yearOffset = 0,
                             int twoDigitYearMax = 2049) {
    LocaleFormat f;
    f.shortDate = std::move(shortDate);
    f.longTime = std::move(longTime);
    f.dateSep = std::move(dateSep);
    f.timeSep = std::move(timeSep);
    f.am = std::move(am);
    f.pm = std::move(pm);
    f.yearOffset = yearOffset;
    f.twoDigitYearMax = twoDigitYearMax;
    return f;
}

}  // namespace kestrelon::testing
