#include "Execution.h"

#include <cwctype>

#include "services/GetFile.h"

namespace kestrelon {

namespace {

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring Upper(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

enum class Repeat { None, Month, Day, Hour, Minute, Unknown };

Repeat MatchRepeat(const std::wstring& loop, const RepeatTexts& texts) {
    for (int k = 0; k < 5; ++k)
        if (!texts[k].empty() && loop == texts[k]) return static_cast<Repeat>(k);
    return Repeat::Unknown;
}

}  // namespace

std::optional<std::array<int, 3>> ParseCustomRepeat(const std::wstring& loop) {
    if (loop.empty() || loop.back() != L')') return std::nullopt;
    std::wstring rest = loop;
    for (size_t at; (at = rest.find(kCustomLoopSuffix)) != std::wstring::npos;) rest.erase(at, kCustomLoopSuffix.size());
    std::array<int, 3> parts{};
    size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        size_t slash = rest.find(L'/', start);
        if (k < 2 && slash == std::wstring::npos) return std::nullopt;
        std::wstring piece = rest.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
        auto n = ParseNumber(piece);
        if (!n || *n < -32768 || *n > 32767) return std::nullopt;
        parts[k] = static_cast<int>(*n);
        start = slash == std::wstring::npos ? rest.size() : slash + 1;
    }
    return parts;
}

namespace {

// The first due time after `now` in the row's own sequence: the step of its
// Loop text applied to the Close Time, then again to each result, until the
// result lies in the future. Only the missed firings are skipped; the times
// themselves are those that firing once per step would give, the month-end
// rule included. Empty when the step adds no time or leaves the calendar.
std::optional<DateTime> NextDueAfter(const DateTime& due, const DateTime& now, Repeat repeat,
                                     const std::wstring& loop) {
    const std::int64_t present = DueNumber(now);
    if (repeat == Repeat::Month) {
        std::optional<DateTime> next = AddMonths(due, 1);
        while (next && DueNumber(*next) <= present) next = AddMonths(*next, 1);
        return next;
    }
    // Days, hours and minutes are exact spans, so k steps are k times the span.
    std::int64_t span = 0;
    switch (repeat) {
        case Repeat::Day: span = 86400; break;
        case Repeat::Hour: span = 3600; break;
        case Repeat::Minute: span = 60; break;
        default:
            if (auto parts = ParseCustomRepeat(loop)) {
                // The three additions one after the other, each within the calendar.
                auto step = AddDays(due, (*parts)[0]);
                if (step) step = AddHours(*step, (*parts)[1]);
                if (step) step = AddMinutes(*step, (*parts)[2]);
                if (!step) return std::nullopt;
                span = SecondsBetween(due, *step);
            }
            break;
    }
    // An interval that adds no time would leave the row due for ever.
    if (span <= 0) return std::nullopt;
    const std::int64_t behind = SecondsBetween(due, now);
    const std::int64_t steps = behind < 0 ? 1 : behind / span + 1;
    return AddSeconds(due, steps * span);
}

}  // namespace

bool RearmOrRemove(ITaskTable& tasks, int row, const RepeatTexts& current, const std::vector<RepeatTexts>& others,
                   const LocaleFormat& loc, const DateTime& now) {
    const std::wstring loop = tasks.Field(row, fLoop).value_or(L"");
    Repeat repeat = MatchRepeat(loop, current);
    for (size_t k = 0; repeat == Repeat::Unknown && k < others.size(); ++k) repeat = MatchRepeat(loop, others[k]);

    std::optional<DateTime> next;
    if (repeat != Repeat::None) {
        if (auto due = ParseDateTime(tasks.Field(row, fCloseTime).value_or(L""), loc))
            next = NextDueAfter(*due, now, repeat, loop);
    }
    if (next && tasks.SetField(row, fCloseTime, FormatGeneral(*next, loc))) return true;
    tasks.RemoveRow(row);
    return false;
}

int RewriteCloseTimes(ITaskTable& tasks, const LocaleFormat& before, const LocaleFormat& after) {
    int written = 0;
    const int n = tasks.Count();
    for (int i = 1; i <= n; ++i) {
        const std::wstring text = tasks.Field(i, fCloseTime).value_or(L"");
        const auto due = ParseDateTime(text, before);
        if (!due || ParseDateTime(text, after) == due) continue;
        const std::wstring again =
            text == FormatYMDHMS(*due, before) ? FormatYMDHMS(*due, after) : FormatGeneral(*due, after);
        if (tasks.SetField(i, fCloseTime, again)) ++written;
    }
    return written;
}

std::optional<std::uint32_t> ParseProcessId(const std::wstring& text) {
    auto n = ParseNumber(text);
    if (!n || *n < 0 || *n > 0xFFFFFFFFLL) return std::nullopt;
    return static_cast<std::uint32_t>(*n);
}

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

ResolvedCommand ResolveCommandLine(const std::wstring& commandLine,
                                   const std::function<bool(const std::wstring&)>& fileExists,
                                   const std::function<bool(const std::wstring&)>& isProgram) {
    ResolvedCommand unchanged{L"", commandLine};
    size_t lead = 0;
    while (lead < commandLine.size() && IsBlank(commandLine[lead])) ++lead;
    if (lead == commandLine.size() || commandLine[lead] == L'"') return unchanged;
    // Candidate ends: every blank after the start, and the end of the text.
    std::vector<size_t> ends;
    for (size_t i = lead + 1; i < commandLine.size(); ++i)
        if (IsBlank(commandLine[i]) && !IsBlank(commandLine[i - 1])) ends.push_back(i);
    ends.push_back(commandLine.size());
    for (auto it = ends.rbegin(); it != ends.rend(); ++it) {
        const std::wstring program = commandLine.substr(lead, *it - lead);
        const std::wstring args = commandLine.substr(*it);
        const std::wstring quoted = L"\"" + program + L"\"" + args;
        // As process creation looks for it: with ".exe" first; the name as
        // written only when that file is itself a program.
        if (fileExists(program + L".exe")) return {program + L".exe", quoted};
        if (fileExists(program) && isProgram && isProgram(program)) return {program, quoted};
    }
    return unchanged;
}

bool KillByExeName(ISystem& sys, const std::wstring& exeName) {
    const std::uint32_t self = sys.CurrentProcess().pid;
    bool namesSelf = false;
    const std::wstring want = Lower(exeName);
    for (const ProcessEntry& p : sys.ProcessSnapshot()) {
        if (Lower(p.exeName) != want) continue;
        if (self != 0 && p.pid == self) namesSelf = true;
        else sys.EndProcessOf(p.pid, exeName);
    }
    return namesSelf;
}

std::wstring StartFailureMessage(const std::wstring& commandLine, const std::wstring& reason) {
    std::wstring text = L"Kestrelon could not start the command line \"" + commandLine + L"\"";
    return reason.empty() ? text + L"." : text + L": " + reason;
}

namespace {

// The row's power action; `stays` is what the re-arm said of the row.
Firing AfterTask(IExecHost& host, const std::wstring& after, bool stays) {
    const Firing done{!stays && host.Tasks().Count() == 0, AfterTaskAction(after)};
    PerformPowerAction(done.power, host.Marks(), host.System(), [&] { host.MonitorOff(); },
                       [&] { host.SaveBeforeForcedLogoff(); });
    return done;
}

}  // namespace

Firing CloseProgram(IExecHost& host, const std::wstring& name, std::int16_t row) {
    ITaskTable& tasks = host.Tasks();
    ISystem& sys = host.System();

    // 1. Every listed process of the program. The list may be older than
    // some of its processes: each id is ended only while it still runs that
    // program, and only a process really ended counts as found, so a program
    // restarted under a new id is still reached by the fallback below.
    // The program's own process is passed over wherever it is named; a
    // task that names it ends the program in order at the end instead.
    const ProcessEntry self = sys.CurrentProcess();
    auto isSelf = [&](std::uint32_t pid) { return self.pid != 0 && pid == self.pid; };
    bool namesSelf = false;
    bool found = false;
    const std::wstring wanted = Upper(name);
    const std::vector<std::wstring> paths = host.RunningPaths();
    const std::vector<std::wstring> ids = host.RunningIDs();
    for (size_t j = 0; j < paths.size(); ++j) {
        if (Upper(GetFileName(paths[j])) != wanted) continue;
        if (j < ids.size())
            if (auto pid = ParseProcessId(ids[j])) {
                if (isSelf(*pid)) namesSelf = true;
                else if (sys.EndProcessOf(*pid, name) == EndResult::Ended) found = true;
            }
    }

    // 2. The after-task text, held for the end.
    const std::wstring after = tasks.Field(row, fAfter).value_or(L"");

    // 3. The row's own process, but only while that id still belongs to the
    // program: after a restart the id may name any other process.
    bool opened = false;
    const std::wstring program = tasks.Field(row, fProgram).value_or(name);
    if (auto pid = ParseProcessId(tasks.Field(row, fID).value_or(L""))) {
        if (isSelf(*pid)) namesSelf = namesSelf || Upper(program) == Upper(self.exeName);
        else opened = sys.EndProcessOf(*pid, program) == EndResult::Ended;
    }

    // 4. Fallback by executable name.
    if (!found && !opened && KillByExeName(sys, program)) namesSelf = true;

    // 5.-8.
    const bool stays =
        RearmOrRemove(tasks, row, host.CurrentRepeatTexts(), host.OtherRepeatTexts(), sys.Locale(), sys.Now());
    host.SaveDefaultTasks();
    const Firing done = AfterTask(host, after, stays);
    if (AfterTaskQuits(after) || namesSelf) {
        host.QuitNow();
        return done;
    }
    // 9.
    host.WriteMailbox(L"refresh");
    return done;
}

Firing RunProgram(IExecHost& host, const std::wstring& commandLine, std::int16_t row) {
    ITaskTable& tasks = host.Tasks();
    ISystem& sys = host.System();

    const std::wstring after = tasks.Field(row, fAfter).value_or(L"");
    ResolvedCommand cmd = ResolveCommandLine(
        commandLine, [&](const std::wstring& p) { return sys.FileExists(p); },
        [&](const std::wstring& p) { return sys.IsProgramFile(p); });
    if (!sys.StartProcess(cmd.application, cmd.commandLine))
        host.TellUnattended(StartFailureMessage(commandLine, sys.StartFailureReason()));
    const bool stays =
        RearmOrRemove(tasks, row, host.CurrentRepeatTexts(), host.OtherRepeatTexts(), sys.Locale(), sys.Now());
    host.SaveDefaultTasks();
    const Firing done = AfterTask(host, after, stays);
    // Nobody may be there to answer a question: the quit after a run task
    // ends the program as the close task's does, with the list saved.
    if (AfterTaskQuits(after)) {
        host.QuitNow();
        return done;
    }
    host.WriteMailbox(L"refresh");
    return done;
}

bool TimerMouseTick(IdleWatcher& st, ITaskTable& tasks, ISystem& sys, const std::function<void()>& enableTimerClose) {
    int x, y;
    if (sys.GetCursorPos(x, y)) {
        st.cursorX = x;
        st.cursorY = y;
    }
    if (tasks.Count() > 0 && enableTimerClose) enableTimerClose();

    std::uint32_t lastInput = 0;
    const std::uint32_t idle = sys.GetLastInputTick(lastInput) ? static_cast<std::uint32_t>(sys.GetTickCount() - lastInput) : 0;

    const bool seen = st.cursorX != st.lastCursorX || st.cursorY != st.lastCursorY || idle < st.lastIdleTime;
    if (seen) {
        st.lastCursorX = st.cursorX;
        st.lastCursorY = st.cursorY;
        const DateTime now = sys.Now();
        const int n = tasks.Count();
        for (int i = 1; i <= n; ++i) {
            auto countdown = IdleCountdown(tasks.Field(i, fType).value_or(L""));
            if (countdown) tasks.SetField(i, fCloseTime, FormatYMDHMS(AddCountdown(now, *countdown), sys.Locale()));
        }
    }
    st.lastIdleTime = idle;
    return seen;
}

}  // namespace kestrelon
