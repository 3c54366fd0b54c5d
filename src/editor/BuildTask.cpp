#include "BuildTask.h"

#include <cwctype>
#include <utility>

#include "mainwindow/scheduler/TaskRow.h"
#include "services/GetFile.h"

namespace kestrelon {

namespace {

constexpr int kStrNoProgram = 42, kStrNoProgramTitle = 43;
constexpr int kStrZeroLine1 = 44, kStrZeroLine2 = 45, kStrZeroTitle = 46;
// The countdown boxes' English captions: the too-large countdown message is English throughout, as
// the other fixed messages are, whatever the interface language.
const wchar_t* const kCountdownUnits[] = {L"Day(s)", L"Hour(s)", L"Minute(s)", L"Second(s)"};

const std::wstring kEmptyCommandText = L"The command line cannot be empty.";
const std::wstring kEmptyCommandTitle = L"Empty";

std::wstring AtLeastTwoDigits(int v) {
    std::wstring s = std::to_wstring(v);
    if (s.size() < 2) s.insert(s.begin(), L'0');
    return s;
}

// A countdown box as a whole number: empty or not a number reads as 0.
std::int64_t CountdownValue(const std::wstring& text) { return ParseNumber(text).value_or(0); }

// A specific-time part as picked from the lists: plain decimal digits.
std::optional<int> Digits(const std::wstring& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        v = v * 10 + (c - L'0');
    }
    return v;
}

// The specific time as a date-time, when it names a moment that exists.
std::optional<DateTime> SpecificTime(const EditorInputs& in) {
    auto y = Digits(in.year), d = Digits(in.day), h = Digits(in.hour), mi = Digits(in.minute),
         s = Digits(in.second);
    if (!y || !d || !h || !mi || !s) return std::nullopt;
    DateTime t{*y, in.monthIndex + 1, *d, *h, *mi, *s};
    if (!IsValidDate(t)) return std::nullopt;
    return t;
}

bool SpecificTimeExists(const EditorInputs& in) { return SpecificTime(in).has_value(); }

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring Countdown(const EditorInputs& in) {
    return in.tDay + L"-" + in.tHour + L"-" + in.tMin + L"-" + in.tSec;
}

// Now plus the four countdown boxes, each added on its own (so a stray '-'
// in one box cannot shift the others); a box that is not a number adds
// nothing. `failedBox` is the first box (0 days .. 3 seconds) whose value
// would leave the dates the program handles, or is too large to read.
struct CountdownSum {
    DateTime due;
    std::optional<int> failedBox;
};

bool AllDigits(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == L' ') ++b;
    while (e > b && text[e - 1] == L' ') --e;
    if (b == e) return false;
    for (size_t i = b; i < e; ++i)
        if (text[i] < L'0' || text[i] > L'9') return false;
    return true;
}

CountdownSum AddCountdownBoxes(const EditorInputs& in, const DateTime& now) {
    using Adder = std::optional<DateTime> (*)(const DateTime&, std::int64_t);
    const std::pair<const std::wstring*, Adder> parts[] = {
        {&in.tDay, AddDays}, {&in.tHour, AddHours}, {&in.tMin, AddMinutes}, {&in.tSec, AddSeconds}};
    CountdownSum sum{now, std::nullopt};
    for (int k = 0; k < 4; ++k) {
        const auto n = ParseNumber(*parts[k].first);
        if (!n) {
            if (AllDigits(*parts[k].first)) return {now, k};  // digits too many to read as a number
            continue;
        }
        const auto r = parts[k].second(sum.due, *n);
        if (!r) return {now, k};
        sum.due = *r;
    }
    return sum;
}


std::wstring TypeText(const EditorInputs& in, bool close) {
    if (in.mouse) return (close ? kCloseIdle : kRunIdle) + Countdown(in);
    if (in.timerMode) return (close ? kCloseAfter : kRunAfter) + Countdown(in);
    return close ? kCloseNormal : kRunNormal;
}

std::optional<FinalMark> AfterChoiceMark(int afterIndex) {
    switch (afterIndex) {
        case 1: return FinalMark::Shut;
        case 2: return FinalMark::Reboot;
        case 3: return FinalMark::Logoff;
        case 4: return FinalMark::Hibernet;
        case 5: return FinalMark::Screen;
        default: return std::nullopt;
    }
}

BuildResult Refuse(Refusal why, std::optional<PromptBox> message) {
    BuildResult r;
    r.refusal = why;
    r.message = std::move(message);
    return r;
}

}  // namespace

std::wstring SpecificTimeText(const EditorInputs& in) {
    return in.year + L"/" + AtLeastTwoDigits(in.monthIndex + 1) + L"/" + in.day + L" " + in.hour + L":" +
           in.minute + L":" + in.second;
}

PowerAction AfterChoiceAction(int afterIndex) {
    switch (afterIndex) {
        case 1: return PowerAction::Shutdown;
        case 2: return PowerAction::Reboot;
        case 3: return PowerAction::Logoff;
        case 4: return PowerAction::Hibernate;
        case 5: return PowerAction::MonitorOff;
        default: return PowerAction::None;
    }
}

BuildResult BuildTask(const EditorInputs& in, const DateTime& now, const LocaleFormat& loc, const LanText& lan,
                      const AskOkCancel& ask) {
    const bool close = in.autoType == 0;

    // The checks, in order; the first that fails refuses the task.
    if (close && in.id.empty() && !in.only)
        return Refuse(Refusal::NoProgram, PromptBox{lan[kStrNoProgram], lan[kStrNoProgramTitle], kStyleInfo});
    if (!close && in.cmd.empty())
        return Refuse(Refusal::EmptyCommandLine, PromptBox{kEmptyCommandText, kEmptyCommandTitle, kStyleInfo});
    // A picked program must still be in the list: its row gives the Path.
    if (close && !in.only && in.cmd.empty() && !in.selected) {
        if (in.program.empty())
            return Refuse(Refusal::NoProgram, PromptBox{lan[kStrNoProgram], lan[kStrNoProgramTitle], kStyleInfo});
        return Refuse(Refusal::ProgramNotListed,
                      PromptBox{L"The program " + in.program +
                                    L" is no longer in the list of running programs. Please choose the program again.",
                                L"", kStyleInfo});
    }
    // A day the month does not have could not be read back as a date and
    // would make the task due at once.
    if (!in.timerMode && !SpecificTimeExists(in)) {
        std::wstring date = in.year + L"/" + AtLeastTwoDigits(in.monthIndex + 1) + L"/" + in.day;
        return Refuse(Refusal::NoSuchDate,
                      PromptBox{L"The date " + date + L" does not exist. Please choose another day.", L"", kStyleInfo});
    }
    // A time already past makes the task run at once: asked as a zero countdown is.
    if (!in.timerMode && DueNumber(*SpecificTime(in)) <= DueNumber(now)) {
        PromptBox question{L"The time " + SpecificTimeText(in) +
                               L" has already passed: the task will run at once.\r\nAdd it anyway?",
                           L"", kStyleInfoOkCancel};
        if (!ask || !ask(question)) return Refuse(Refusal::PastTimeCancelled, std::nullopt);
    }

    // A countdown that reaches past the last date the program handles could
    // not be written as a due time and would make the task due at once.
    const CountdownSum countdown = AddCountdownBoxes(in, now);
    if (in.timerMode || in.mouse) {
        if (auto box = countdown.failedBox) {
            const std::wstring* texts[] = {&in.tDay, &in.tHour, &in.tMin, &in.tSec};
            const std::wstring unit = kCountdownUnits[*box];
            return Refuse(Refusal::CountdownTooLarge,
                          PromptBox{L"The countdown of " + *texts[*box] + L" " + unit +
                                        L" goes past the last date Kestrelon handles (9999/12/31). Please enter a "
                                        L"smaller number in the " + unit + L" box.",
                                    L"", kStyleInfo});
        }
    }
    if (in.timerMode && CountdownValue(in.tDay) == 0 && CountdownValue(in.tHour) == 0 &&
        CountdownValue(in.tMin) == 0 && CountdownValue(in.tSec) == 0) {
        PromptBox question{lan[kStrZeroLine1] + L"\r\n" + lan[kStrZeroLine2], lan[kStrZeroTitle], kStyleInfoOkCancel};
        if (!ask || !ask(question)) return Refuse(Refusal::ZeroCountdownCancelled, std::nullopt);
    }

    BuiltTask t;
    auto& f = t.fields;

    if (!close) t.picture = TaskPicture::AppIcon;
    else if (!in.cmd.empty()) t.picture = TaskPicture::EmptyIcon;
    else t.picture = TaskPicture::PicIcon;

    if (close && in.only) {
        f[fProgram - 1] = kEmptyProgram;
        f[fPath - 1] = kNone;
        f[fID - 1] = kNone;
    } else if (close && !in.cmd.empty()) {
        f[fProgram - 1] = GetFileName(in.cmd);
        f[fPath - 1] = in.cmd;
        f[fID - 1] = in.id;
    } else if (close) {
        if (in.selected) {
            f[fProgram - 1] = in.selected->program;
            f[fPath - 1] = in.selected->path;
        }
        f[fID - 1] = in.id;
    } else {
        f[fProgram - 1] = GetFileName(in.cmd);
        f[fPath - 1] = in.cmd;
        f[fID - 1] = kNone;
    }

    f[fCloseTime - 1] = in.timerMode ? FormatYMDHMS(countdown.due, loc) : SpecificTimeText(in);
    f[fLoop - 1] = in.loopIndex == kLoopCustomIndex ? in.lblLoop : in.loopText;
    f[fType - 1] = TypeText(in, close);
    f[fAfter - 1] = AfterTaskText(AfterChoiceAction(in.afterIndex), in.quit);

    if (auto mark = AfterChoiceMark(in.afterIndex)) {
        t.marks.clearAll = true;
        t.marks.action = mark;
    }
    t.marks.quit = in.quit;

    BuildResult r;
    r.task = std::move(t);
    return r;
}

int AddBuiltTask(ITaskTable& tasks, IFinalMarks& marks, const BuiltTask& task, const TaskPictures& pictures,
                 const std::function<void(const std::wstring&)>& writeMailbox) {
    IconRef icon = task.picture == TaskPicture::EmptyIcon ? pictures.emptyIcon
                   : task.picture == TaskPicture::AppIcon ? pictures.appIcon
                                                          : pictures.picIcon;
    // The new row is the last one; when it could not be added the field
    // writes fail on their own and the marks are still applied.
    const int row = tasks.AddRow(icon) != 0 ? tasks.Count() : 0;
    for (int k = fProgram; k <= fType; ++k) tasks.SetField(row, k, task.fields[k - 1]);

    if (task.marks.clearAll) {
        if (writeMailbox) writeMailbox(L"AllMenuFalse");
        else ClearFinalActions(marks);
    }
    if (task.marks.action) marks.SetChecked(*task.marks.action, true);
    if (task.marks.quit) marks.SetChecked(FinalMark::Quit, true);

    tasks.SetField(row, fAfter, task.fields[fAfter - 1]);
    return row;
}

std::optional<ListEntry> ShownProgramRow(const std::vector<ListEntry>& rows, int selected,
                                         const std::wstring& program) {
    if (program.empty()) return std::nullopt;
    auto names = [&](const ListEntry& row) { return Lower(row.program) == Lower(program); };
    if (selected >= 0 && static_cast<size_t>(selected) < rows.size() && names(rows[selected])) return rows[selected];
    for (const ListEntry& row : rows)
        if (names(row)) return row;
    return std::nullopt;
}

std::optional<PromptBox> FullListRefusal(int rowCount) {
    if (rowCount < kMaxRows) return std::nullopt;
    return PromptBox{L"The task list is full: it holds 32,767 tasks, the most it can hold. Please delete a task "
                     L"before adding another.",
                     L"", kStyleInfo};
}

}  // namespace kestrelon
