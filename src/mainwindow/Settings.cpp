#include "mainwindow/Settings.h"

#include <string_view>

namespace kestrelon {

std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

ExePathParts SplitExePath(const std::wstring& exePath) {
    size_t slash = exePath.find_last_of(L"\\/");
    ExePathParts parts;
    std::wstring file;
    if (slash == std::wstring::npos) {
        file = exePath;
    } else {
        parts.folder = exePath.substr(0, slash);
        file = exePath.substr(slash + 1);
    }
    size_t dot = file.rfind(L'.');
    parts.baseName = dot == std::wstring::npos ? file : file.substr(0, dot);
    return parts;
}

std::string FormatSettings(const SettingValues& values) {
    std::string out;
    out.reserve(kSettingLines * 3);
    for (bool on : values) out += on ? "1\r\n" : "0\r\n";
    return out;
}

namespace {

// Reads one field from `pos`: the text up to the next comma or line end. A
// CR LF pair counts as one line end. Returns false when nothing is left.
bool NextField(std::string_view text, size_t& pos, std::string_view& field) {
    if (pos >= text.size()) return false;
    size_t end = text.find_first_of(",\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    field = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size()) {
        bool cr = text[pos] == '\r';
        ++pos;
        if (cr && pos < text.size() && text[pos] == '\n') ++pos;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

SettingValues ParseSettings(const std::string& text) {
    SettingValues values{};
    size_t pos = 0;
    for (int i = 0; i < kSettingLines; ++i) {
        std::string_view field;
        if (!NextField(text, pos, field)) break;  // missing lines stay clear
        values[i] = TrimBlanks(field) == "1";
    }
    return values;
}

SettingValues CollectSettings(const IOptionMarks& marks) {
    SettingValues values{};
    for (int i = 0; i < kSettingLines; ++i) values[i] = marks.Checked(kSettingOrder[i]);
    return values;
}

FileResult SaveSettings(const IOptionMarks& marks, IFileStore& files, const std::wstring& appData) {
    return files.WriteAtomic(PathInFolder(appData, kSettingsFileName), FormatSettings(CollectSettings(marks)));
}

SettingsRead ReadSettings(IOptionMarks& marks, IFileStore& files, const std::wstring& appData,
                          const std::function<void()>& wait, int tries) {
    const std::wstring path = PathInFolder(appData, kSettingsFileName);
    SettingsRead found = SettingsRead::Missing;
    for (int attempt = 1;; ++attempt) {
        if (!files.Exists(path)) {
            found = SettingsRead::Missing;  // gone meanwhile: defaults, as for no file
            break;
        }
        if (auto text = files.ReadAll(path)) {
            const SettingValues values = ParseSettings(*text);
            for (int i = 0; i < kSettingLines; ++i) marks.SetChecked(kSettingOrder[i], values[i]);
            found = SettingsRead::Read;
            break;
        }
        // There but not readable now: held by another program, most likely
        // for a moment.
        found = SettingsRead::Unreadable;
        if (attempt >= tries) break;
        if (wait) wait();
    }
    for (Option o : kFinalOptions) marks.SetChecked(o, false);
    return found;
}

bool StartHidden(IFileStore& files, const std::wstring& appData) {
    return files.MarkerExists(PathInFolder(appData, kStartModeFileName));
}

void ShowStartMode(IOptionMarks& marks, bool hidden) {
    marks.SetChecked(Option::Tray, hidden);
    marks.SetChecked(Option::Normal, !hidden);
}

void menuAutoload_Click(IOptionMarks& marks) {
    marks.SetChecked(Option::Autoload, !marks.Checked(Option::Autoload));
}

bool ToggleAutostartMark(IOptionMarks& marks) {
    bool on = !marks.Checked(Option::Autostart);
    marks.SetChecked(Option::Autostart, on);
    return on;
}

FileResult menuTray_Click(IOptionMarks& marks, IFileStore& files, const std::wstring& appData) {
    marks.SetChecked(Option::Normal, false);
    marks.SetChecked(Option::Tray, true);
    return files.WriteAtomic(PathInFolder(appData, kStartModeFileName), "Yes\r\n");
}

FileResult menuNormal_Click(IOptionMarks& marks, IFileStore& files, const std::wstring& appData) {
    marks.SetChecked(Option::Normal, true);
    marks.SetChecked(Option::Tray, false);
    return files.Remove(PathInFolder(appData, kStartModeFileName));
}

}  // namespace kestrelon
