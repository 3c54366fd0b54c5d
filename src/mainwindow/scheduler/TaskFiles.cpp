#include "TaskFiles.h"

#include "mainwindow/scheduler/TaskRow.h"
#include "services/TextFile.h"

namespace kestrelon {

namespace {

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool BreaksLine(wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }

void AppendField(std::wstring& out, const std::wstring& field) {
    size_t start = out.size();
    out += field;
    for (size_t i = start; i < out.size(); ++i)
        if (BreaksLine(out[i])) out[i] = L' ';
}

void AppendLine(std::wstring& out, const TaskFields& fields) {
    for (int k = 0; k < kFieldCount; ++k) {
        if (k) out += L'\t';
        AppendField(out, fields[k]);
    }
}

}  // namespace

std::wstring FormatTaskLine(const TaskFields& fields) {
    std::wstring line;
    AppendLine(line, fields);
    return line;
}

std::wstring CloseTimeForFile(const std::wstring& text, const LocaleFormat& locale) {
    if (auto due = ParseDateTime(text, locale)) return FormatEditorText(*due);
    return text;
}

std::wstring FormatTaskList(const ITaskTable& table, const LocaleFormat& locale) {
    std::wstring out;
    const int count = table.Count();
    out.reserve(static_cast<size_t>(count) * 128);
    TaskFields fields;
    for (int row = 1; row <= count; ++row) {
        for (int k = 0; k < kFieldCount; ++k) {
            auto text = table.Field(row, k + 1);
            fields[k] = text ? std::move(*text) : std::wstring();
        }
        fields[fCloseTime - 1] = CloseTimeForFile(fields[fCloseTime - 1], locale);
        AppendLine(out, fields);
        out += L"\r\n";
    }
    return out;
}

std::vector<std::wstring_view> SplitTaskLines(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    size_t start = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = text[i];
        if (c != L'\r' && c != L'\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (c == L'\r' && i + 1 < n && text[i + 1] == L'\n') ++i;  // CR LF is one line end
        start = i + 1;
    }
    if (start < n) lines.push_back(text.substr(start));  // last line without its line end
    return lines;
}

TaskFields SplitTaskLine(std::wstring_view line) {
    TaskFields fields;
    size_t start = 0;
    for (int k = 0; k < kFieldCount; ++k) {
        size_t tab = line.find(L'\t', start);
        fields[k] = std::wstring(line.substr(start, tab == std::wstring_view::npos ? std::wstring_view::npos : tab - start));
        if (tab == std::wstring_view::npos) break;  // the remaining fields stay empty
        start = tab + 1;
    }
    return fields;
}

namespace {

// Every Type the program writes is one of its six forms, all of which begin
// so; any other line is not a task row.
bool IsTaskRowType(const std::wstring& type) {
    static const std::wstring close = L"Close - ", run = L"Run - ";
    return StartsWith(type, close) || StartsWith(type, run);
}

}  // namespace

TaskLoadResult ReadTaskText(std::wstring_view text, ITaskTable& table, IconRef icon, const DateTime& now,
                            const LocaleFormat& locale) {
    TaskLoadResult result;
    bool full = false;
    for (std::wstring_view line : SplitTaskLines(text)) {
        // However many marks a file begins with (or files joined together
        // carry at their joins), none is part of a Program.
        while (!line.empty() && line.front() == L'\xFEFF') line.remove_prefix(1);
        if (line.empty()) continue;
        TaskFields fields = SplitTaskLine(line);
        if (!IsTaskRowType(fields[fType - 1])) {
            ++result.notTasks;
            continue;
        }
        // Once the list is full (or refuses a row), the task lines after are counted only.
        const int row = full || table.Count() >= kMaxRows ? 0 : table.AddRow(icon);
        if (row <= 0) {
            full = true;
            ++result.leftOut;
            continue;
        }
        ++result.added;
        for (int k = 0; k < kFieldCount; ++k)
            if (!fields[k].empty()) table.SetField(row, k + 1, fields[k]);
        // Countdown rows count down again from now. Idle-mouse rows get
        // their whole countdown; the idle watcher pushes them on from there.
        if (auto countdown = LoadCountdown(fields[fType - 1]))
            table.SetField(row, fCloseTime, FormatYMDHMS(AddCountdown(now, *countdown), locale));
    }
    return result;
}

TaskLoadResult ReadTaskFile(const std::wstring& path, ITaskTable& table, IconRef icon, IFileStore& files,
                            const IAnsiCodec& codec, const DateTime& now, const LocaleFormat& locale) {
    auto bytes = files.ReadAll(path);
    if (!bytes) {
        TaskLoadResult none;
        none.opened = false;
        return none;
    }
    return ReadTaskText(DecodeTextFile(*bytes, codec), table, icon, now, locale);
}

FileResult WriteTaskFile(const std::wstring& path, const ITaskTable& table, IFileStore& files,
                         const IAnsiCodec& codec, const LocaleFormat& locale) {
    return files.WriteAtomic(path, EncodeTextFile(FormatTaskList(table, locale), codec));
}

std::wstring WithTaskExtension(const std::wstring& path) {
    if (path.size() >= kTaskFileExtension.size()) {
        bool same = true;
        const size_t at = path.size() - kTaskFileExtension.size();
        for (size_t i = 0; i < kTaskFileExtension.size(); ++i)
            same &= AsciiLower(path[at + i]) == kTaskFileExtension[i];
        if (same) return path;
    }
    return path + kTaskFileExtension;
}

std::wstring DefaultTaskPath(const std::wstring& appData) { return appData + L"\\" + kDefaultTaskFileName; }

FileResult SaveDefaultTasks(bool autoload, const ITaskTable& table, const std::wstring& appData,
                            IFileStore& files, const IAnsiCodec& codec, const LocaleFormat& locale) {
    const std::wstring path = DefaultTaskPath(appData);
    if (autoload && table.Count() > 0) return WriteTaskFile(path, table, files, codec, locale);
    return files.Remove(path);
}

TaskLoadResult ReloadDefaultTasks(bool autoload, ITaskTable& table, IconRef icon, const std::wstring& appData,
                                  IFileStore& files, const IAnsiCodec& codec, const DateTime& now,
                                  const LocaleFormat& locale) {
    const std::wstring path = DefaultTaskPath(appData);
    if (!autoload || !files.Exists(path)) {
        TaskLoadResult none;
        none.opened = false;
        return none;
    }
    return ReadTaskFile(path, table, icon, files, codec, now, locale);
}

std::wstring SaveTasksFailedMessage(const std::wstring& path, const std::wstring& reason) {
    std::wstring text = L"The task list could not be saved to\r\n" + path;
    if (!reason.empty()) text += L"\r\n\r\n" + reason;
    return text;
}

std::wstring RowsLeftOutMessage(const std::wstring& path, int leftOut) {
    return L"The task list can hold at most " + std::to_wstring(kMaxRows) + L" tasks.\r\n" +
           std::to_wstring(leftOut) + (leftOut == 1 ? L" task of\r\n" : L" tasks of\r\n") + path +
           (leftOut == 1 ? L"\r\nwas not loaded." : L"\r\nwere not loaded.");
}

std::wstring LoadReport(const std::wstring& path, const TaskLoadResult& result) {
    std::wstring text;
    if (result.notTasks > 0)
        text = std::to_wstring(result.notTasks) + (result.notTasks == 1 ? L" line of\r\n" : L" lines of\r\n") + path +
               (result.notTasks == 1 ? L"\r\nis not a task and was not loaded."
                                     : L"\r\nare not tasks and were not loaded.");
    if (result.leftOut > 0) text += (text.empty() ? L"" : L"\r\n\r\n") + RowsLeftOutMessage(path, result.leftOut);
    return text;
}

}  // namespace kestrelon
