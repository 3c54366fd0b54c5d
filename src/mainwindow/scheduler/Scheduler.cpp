#include "Scheduler.h"

#include <array>
#include <optional>

namespace kestrelon {

void ClearFinalActions(IFinalMarks& marks) {
    for (FinalMark m : {FinalMark::Shut, FinalMark::Logoff, FinalMark::Hibernet, FinalMark::Screen, FinalMark::Reboot,
                        FinalMark::Quit})
        marks.SetChecked(m, false);
}

void ClickFinalMark(IFinalMarks& marks, FinalMark m) {
    if (m != FinalMark::Quit) {
        for (FinalMark other :
             {FinalMark::Shut, FinalMark::Reboot, FinalMark::Logoff, FinalMark::Hibernet, FinalMark::Screen})
            if (other != m) marks.SetChecked(other, false);
    }
    marks.SetChecked(m, !marks.Checked(m));
}

void PerformPowerAction(PowerAction action, IFinalMarks& marks, ISystem& sys,
                        const std::function<void()>& monitorOff,
                        const std::function<void()>& beforeForcedLogoff) {
    switch (action) {
        case PowerAction::Hibernate:
            sys.EnableShutdownPrivilege();
            sys.SetSystemPowerState(false, false);
            break;
        case PowerAction::Reboot:
            ClearFinalActions(marks);
            sys.EnableShutdownPrivilege();
            sys.ExitWindowsEx(kEwxReboot, 0);
            break;
        case PowerAction::Shutdown:
            ClearFinalActions(marks);
            sys.EnableShutdownPrivilege();
            sys.ExitWindowsEx(kEwxShutdown, 0);
            break;
        case PowerAction::Logoff:
            ClearFinalActions(marks);
            if (beforeForcedLogoff) beforeForcedLogoff();
            sys.EnableShutdownPrivilege();
            sys.ExitWindowsEx(kEwxLogoffForce, 0);
            break;
        case PowerAction::MonitorOff:
            if (monitorOff) monitorOff();
            break;
        case PowerAction::None: break;
    }
}

namespace {

// The due number of a Close Time as read with `loc`.
DueMemo ReadDue(const std::wstring& closeTime, const LocaleFormat& loc, std::uint64_t key) {
    auto due = ParseDateTime(closeTime, loc);
    return DueMemo{key, due.has_value(), due ? DueNumber(*due) : 0};
}

bool DueAt(const DueMemo& due, std::int64_t now) { return !due.readable || now >= due.number; }

// Distinguishes the date settings a memo was made with; never 0.
std::uint64_t LocaleKey(const LocaleFormat& loc) {
    std::uint64_t h = 1469598103934665603ull;
    for (const std::wstring* f : {&loc.dateSep, &loc.timeSep, &loc.shortDate, &loc.longTime, &loc.am, &loc.pm}) {
        for (wchar_t c : *f) h = (h ^ static_cast<std::uint64_t>(c)) * 1099511628211ull;
        h = (h ^ 0xFFFFu) * 1099511628211ull;
    }
    for (int n : {loc.yearOffset, loc.twoDigitYearMax})
        h = (h ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(n))) * 1099511628211ull;
    return h ? h : 1;
}

// Is row i due at `now`? The row's date is read once and kept in its memo
// until its Close Time or the locale changes.
bool RowIsDue(ITaskTable& tasks, int i, std::int64_t now, const LocaleFormat& loc, std::uint64_t key) {
    DueMemo* memo = tasks.Memo(i);
    if (memo && memo->key == key) return DueAt(*memo, now);
    const DueMemo due = ReadDue(tasks.Field(i, fCloseTime).value_or(L""), loc, key);
    if (memo) *memo = due;
    return DueAt(due, now);
}

}  // namespace

bool IsDue(const std::wstring& closeTime, const DateTime& now, const LocaleFormat& loc) {
    return DueAt(ReadDue(closeTime, loc, 0), DueNumber(now));
}

namespace {

// The "After Finish All Tasks" power action, by the first ticked mark.
PowerAction FinalPowerAction(const IFinalMarks& marks) {
    if (marks.Checked(FinalMark::Hibernet)) return PowerAction::Hibernate;
    if (marks.Checked(FinalMark::Reboot)) return PowerAction::Reboot;
    if (marks.Checked(FinalMark::Shut)) return PowerAction::Shutdown;
    if (marks.Checked(FinalMark::Logoff)) return PowerAction::Logoff;
    if (marks.Checked(FinalMark::Screen)) return PowerAction::MonitorOff;
    return PowerAction::None;
}

std::array<std::wstring, kFieldCount> RowFields(const ITaskTable& tasks, int row) {
    std::array<std::wstring, kFieldCount> f;
    for (int k = 1; k <= kFieldCount; ++k) f[k - 1] = tasks.Field(row, k).value_or(L"");
    return f;
}

// The "refresh" before a firing rebuilds the running-program list, which lets
// window messages run: the user may delete rows meanwhile. Fire only when the
// row at `i` is still the row that was found due, so another task's program
// is never closed in its place; otherwise the next tick looks again.
bool RefreshKeepsRow(ITickHost& host, int i, const std::array<std::wstring, kFieldCount>& due) {
    host.WriteMailbox(L"refresh");
    return i <= host.Tasks().Count() && RowFields(host.Tasks(), i) == due;
}

// Fires the first due row; returns when the scan is over, with what the
// firing did (empty when no row fired).
std::optional<Firing> Scan(ITickHost& host) {
    ITaskTable& tasks = host.Tasks();
    const int n = tasks.Count();
    DateTime lastNow{};
    std::int64_t nowNumber = 0;
    // The locale's key is worked out once a tick (again if the system hands
    // over other settings meanwhile).
    const LocaleFormat* keyed = &host.System().Locale();
    std::uint64_t key = LocaleKey(*keyed);
    host.MessagesRanSinceAsked();
    for (int i = 1; i <= n; ++i) {
        if (i > tasks.Count()) return std::nullopt;  // rows went away while we yielded
        if (i == 1 || host.MessagesRanSinceAsked()) {
            const DateTime now = host.System().Now();
            if (i == 1 || !(now == lastNow)) {
                lastNow = now;
                nowNumber = DueNumber(now);
            }
        }
        const LocaleFormat& loc = host.System().Locale();
        if (&loc != keyed) key = LocaleKey(*(keyed = &loc));
        if (!RowIsDue(tasks, i, nowNumber, loc, key)) {
            host.DoEvents();
            continue;
        }
        const auto fields = RowFields(tasks, i);
        const std::wstring& program = fields[fProgram - 1];
        const auto row = static_cast<std::int16_t>(i);
        if (IsCloseType(fields[fType - 1])) {
            if (program == kEmptyProgram) {
                const bool removed = tasks.RemoveRow(i);
                const Firing done{removed && tasks.Count() == 0, PowerAction::None};
                host.WriteMailbox(L"refresh");
                return done;
            }
            if (RefreshKeepsRow(host, i, fields)) return host.CloseProgram(program, row);
            return std::nullopt;
        }
        if (RefreshKeepsRow(host, i, fields)) return host.RunProgram(fields[fPath - 1], row);
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

void TimerCloseTick(ITickHost& host) {
    if (host.Tasks().Count() == 0) return;
    const std::optional<Firing> fired = Scan(host);
    if (host.Tasks().Count() > 0) return;
    // A list emptied by the user (Delete, Remove All) while the tick yielded
    // is left as a removal between ticks leaves it: no final action, and the
    // timer stays on.
    if (!fired || !fired->emptiedList) return;

    IFinalMarks& marks = host.Marks();
    // The row's own power action has just run; the same action is not asked
    // for again (a second hibernate would follow the resume at once).
    const PowerAction finalAction = FinalPowerAction(marks);
    if (finalAction != fired->power)
        PerformPowerAction(finalAction, marks, host.System(), [&] { host.MonitorOff(); },
                           [&] { host.SaveBeforeForcedLogoff(); });
    if (marks.Checked(FinalMark::Quit)) {
        host.QuitNow();
        return;
    }
    host.SetTimerCloseEnabled(false);
}

bool HandleMailbox(const std::wstring& text, IMailboxTarget& target) {
    if (text.empty()) return false;
    if (text == L"refresh") target.ListRunningPrograms();
    else if (text == L"AllMenuFalse") target.ClearFinalActions();
    return true;
}

void WriteCommand(IMailboxBox& box, IMailboxTarget& target, const std::wstring& command) {
    if (!command.empty() && box.Text() == command) {
        HandleMailbox(command, target);  // the box is emptied by the handler running below us
        return;
    }
    box.SetText(command);
}

}  // namespace kestrelon
