// The user's options as the program keeps them: check marks of the main
// window's menu items, eight of which are saved in the settings file
// "knsetting.ini", and the start mode, which is the presence of the marker
// file "knstartm.ini". Both files lie in the user's data folder.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>

#include "services/FileStore.h"

namespace kestrelon {

// The option marks. The first eight are the lines of the settings file, in
// file order; Tray and Normal are the two start-mode items.
enum class Option {
    Autoload,   // "Auto Load the Task List"
    Autostart,  // "Auto Start on Windows Booting"
    Shut,       // the six "After Finish All Tasks" choices
    Reboot,
    Logoff,
    Hibernet,
    Screen,
    Quit,
    Tray,    // start mode "Hide to Tray"
    Normal,  // start mode "Normal"
};
constexpr int kSettingLines = 8;
// The eight saved options in file order.
constexpr std::array<Option, kSettingLines> kSettingOrder = {
    Option::Autoload, Option::Autostart, Option::Shut,     Option::Reboot,
    Option::Logoff,   Option::Hibernet,  Option::Screen,   Option::Quit};
// The six "After Finish All Tasks" choices.
constexpr std::array<Option, 6> kFinalOptions = {Option::Shut,     Option::Reboot, Option::Logoff,
                                                 Option::Hibernet, Option::Screen, Option::Quit};

// The check marks of the option menu items.
class IOptionMarks {
public:
    virtual ~IOptionMarks() = default;
    virtual bool Checked(Option o) const = 0;
    virtual void SetChecked(Option o, bool on) = 0;
};

// Marks held in memory, for tests and tools: absent means clear.
class MemoryOptionMarks : public IOptionMarks {
public:
    std::map<Option, bool> on;
    bool Checked(Option o) const override {
        auto it = on.find(o);
        return it != on.end() && it->second;
    }
    void SetChecked(Option o, bool v) override { on[o] = v; }
};

inline constexpr wchar_t kSettingsFileName[] = L"knsetting.ini";
inline constexpr wchar_t kStartModeFileName[] = L"knstartm.ini";
inline constexpr wchar_t kDefaultTasksFileName[] = L"default.ktf";
inline constexpr wchar_t kSkinFileName[] = L"library.she";

// A file in a folder: the folder, a backslash and the name. An empty folder
// (APPDATA not set) gives "\" and the name.
std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name);

// The folder and the base name (file name without its extension) of the
// program's own path, e.g. "C:\Apps\kestrelon.exe" -> "C:\Apps", "kestrelon".
struct ExePathParts {
    std::wstring folder;
    std::wstring baseName;
};
ExePathParts SplitExePath(const std::wstring& exePath);

// The eight saved marks in file order.
using SettingValues = std::array<bool, kSettingLines>;

// "1" or "0" and CR LF for each of the eight lines: always 24 bytes.
std::string FormatSettings(const SettingValues& values);
// Reads eight fields; a comma or a line end ends a field, blanks around a
// field are ignored, only "1" sets a mark, a field past the end of the text
// reads as clear, and everything after the eighth field is ignored.
SettingValues ParseSettings(const std::string& text);

// The marks in file order, read from / written to the option menu.
SettingValues CollectSettings(const IOptionMarks& marks);

// form1.SaveSettings: writes the eight marks to knsetting.ini in `appData`,
// through a temporary file that replaces the old one in one step.
FileResult SaveSettings(const IOptionMarks& marks, IFileStore& files, const std::wstring& appData);

// What the start-up settings step found.
enum class SettingsRead { Read, Missing, Unreadable };

// The start-up settings step: reads knsetting.ini whatever its attributes
// (hidden, system, read-only), sets the eight marks from it, then clears the
// six "After Finish All Tasks" choices again. Only auto-load carries over;
// autostart is taken from the registry by a later step. Only a missing file
// means defaults. A file that is there but cannot be read is tried `tries`
// times in all, `wait` running between two tries; when it still cannot be
// read the marks are left as they are (the start-up has cleared them) and
// the result says so: it must not be taken for "every option off".
SettingsRead ReadSettings(IOptionMarks& marks, IFileStore& files, const std::wstring& appData,
                          const std::function<void()>& wait = {}, int tries = 1);

// Start mode: the marker's presence means "Hide to Tray"; its content is
// never read.
bool StartHidden(IFileStore& files, const std::wstring& appData);
// Sets the two start-mode marks: exactly one of them is checked.
void ShowStartMode(IOptionMarks& marks, bool hidden);

// form1.menuAutoload_Click: inverts the mark; the file learns it at the next save.
void menuAutoload_Click(IOptionMarks& marks);
// form1.menuAutostart_Click, its first half: inverts the mark and returns the
// new value, which the caller hands to SetAutostart.
bool ToggleAutostartMark(IOptionMarks& marks);
// form1.menuTray_Click: marks "Hide to Tray" and writes the marker ("Yes" CR LF).
FileResult menuTray_Click(IOptionMarks& marks, IFileStore& files, const std::wstring& appData);
// form1.menuNormal_Click: marks "Normal" and deletes the marker (silent when absent).
FileResult menuNormal_Click(IOptionMarks& marks, IFileStore& files, const std::wstring& appData);

}  // namespace kestrelon
