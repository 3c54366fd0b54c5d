#include "EditorState.h"

#include "services/GetFile.h"

namespace kestrelon {

namespace {

std::wstring TwoDigits(int v) {
    std::wstring s = std::to_wstring(v);
    if (s.size() < 2) s.insert(s.begin(), L'0');
    return s;
}

// A value of the custom repeat boxes as the re-arm reads it; anything that
// is not a number adds nothing, so it counts as zero.
std::int64_t LoopValue(const std::wstring& text) { return ParseNumber(text).value_or(0); }

}  // namespace

std::vector<std::wstring> NumberItems(int first, int last) {
    std::vector<std::wstring> items;
    for (int v = first; v <= last; ++v) items.push_back(TwoDigits(v));
    return items;
}

std::vector<std::wstring> YearItems() { return NumberItems(kFirstYear, kLastYear); }

std::vector<std::wstring> MonthItems() {
    static const wchar_t* const names[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                           L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    std::vector<std::wstring> items;
    for (int m = 1; m <= 12; ++m) items.push_back(std::to_wstring(m) + L"(" + names[m - 1] + L")");
    return items;
}

std::vector<std::wstring> DayItems() { return NumberItems(1, 31); }
std::vector<std::wstring> HourItems() { return NumberItems(0, 23); }
std::vector<std::wstring> MinuteItems() { return NumberItems(0, 59); }
std::vector<std::wstring> CountdownItems() { return NumberItems(0, 99); }

std::vector<std::wstring> AutoTypeItems(const std::wstring& productName) {
    return {productName + L" Task - Close a program at a specific time",
            L"Auto Run Task - Run a Program at a specific time"};
}

std::vector<std::wstring> LoopItems() {
    return {L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute", L"Customize..."};
}

std::vector<std::wstring> AfterItems() {
    return {L"Do Nothing", L"Shut Down the PC", L"Reboot", L"Log Off", L"Hibernate", L"Turn Off the Monitor"};
}

SpecificTimeIndices SpecificTimeAtLoad(const DateTime& now) {
    SpecificTimeIndices i;
    i.year = now.year >= kFirstYear && now.year <= kLastYear ? now.year - kFirstYear : -1;
    i.month = now.month - 1;
    i.day = now.day - 1;
    i.hour = now.hour;
    i.minute = now.minute;
    i.second = 0;
    return i;
}

std::wstring CustomLoopText(const std::wstring& day, const std::wstring& hour, const std::wstring& minute) {
    return day + L"/" + hour + L"/" + minute + L" (Day/Hour/Min)";
}

bool CustomLoopIsZero(const std::wstring& day, const std::wstring& hour, const std::wstring& minute) {
    return LoopValue(day) == 0 && LoopValue(hour) == 0 && LoopValue(minute) == 0;
}

int CountdownKeyFilter(int keyAscii) {
    if ((keyAscii >= L'0' && keyAscii <= L'9') || keyAscii == 8) return keyAscii;
    return 0;
}

EditorState InitialEditorState() {
    EditorState s;
    ApplyLoopChoice(s);  // "None": custom text hidden
    ApplyAutoType(s);    // close task
    ApplyIntervalMode(s);
    return s;
}

void ApplyEmptyTask(EditorState& s) {
    if (s.only) {
        s.listEnabled = false;
        s.pickerEnabled = false;
        s.programName.clear();
        s.id.clear();
        s.windowTitle.clear();
        s.autoType = 0;
        ApplyAutoType(s);
        s.autoTypeEnabled = false;
        s.cmdEnabled = false;
        s.picIcon = PicIconContent::EmptyTaskPicture;
    } else {
        s.listEnabled = true;
        s.pickerEnabled = true;
        s.picIcon = PicIconContent::Nothing;
        s.autoType = 0;
        ApplyAutoType(s);
        s.autoTypeEnabled = true;
        s.cmdEnabled = false;
    }
}

void ApplyAutoType(EditorState& s) {
    const bool close = s.autoType == 0;
    s.cmdEnabled = !close;
    s.cmd.clear();
    s.cmdLabel = close ? kLabelSelectedExe : kLabelCommandLine;
}

void ApplyLoopChoice(EditorState& s) {
    if (s.loopIndex == kLoopCustomIndex) {
        s.panelVisible = true;
        s.panelMoved = true;
    } else {
        s.loopLabelVisible = false;
    }
}

void CloseLoopPanel(EditorState& s) {
    s.panelVisible = false;
    s.loopIndex = 0;
    ApplyLoopChoice(s);
    s.loopLabelVisible = false;
}

void ApplySpecificTimeMode(EditorState& s) {
    s.timerMode = false;
    s.dateBoxesEnabled = true;
    s.mouse = false;
    s.countdownEnabled = false;
    s.mouseEnabled = false;
}

void ApplyIntervalMode(EditorState& s) {
    s.timerMode = true;
    s.dateBoxesEnabled = false;
    s.countdownEnabled = true;
    s.mouseEnabled = true;
}

std::optional<PromptBox> ConfirmCustomLoop(EditorState& s, const std::wstring& day, const std::wstring& hour,
                                         const std::wstring& minute) {
    if (CustomLoopIsZero(day, hour, minute)) return PromptBox{kLoopZeroText, kLoopZeroTitle, kStyleOk};
    s.panelVisible = false;
    s.loopLabelVisible = true;
    s.loopLabel = CustomLoopText(day, hour, minute);
    return std::nullopt;
}

void ApplyChosenProgram(EditorState& s, const std::wstring& path) {
    if (path.empty()) return;
    s.cmd = path;
    if (s.autoType != 0) return;
    s.id = L"00000";
    s.picIcon = PicIconContent::EmptyTaskPicture;
    s.programName = GetFileName(path);
}

void ApplyListClick(EditorState& s, const std::optional<ListChoice>& row) {
    if (s.autoType == 0) s.cmd.clear();
    if (!row) return;
    s.programName = row->program;
    s.windowTitle = row->path;
    s.picIcon = PicIconContent::ProgramIcon;
    if (row->id) s.id = *row->id;
}

void ForgetEndedProgram(EditorState& s, const std::wstring& program) {
    if (s.programName != program || s.id.empty() || s.id == L"00000") return;  // "00000": chosen as a file
    s.programName.clear();
    s.windowTitle.clear();
    s.id.clear();
    s.picIcon = PicIconContent::Nothing;
}

void ResetAfterAdd(EditorState& s) {
    if (!s.only) return;
    s.only = false;
    ApplyEmptyTask(s);
}

}  // namespace kestrelon
