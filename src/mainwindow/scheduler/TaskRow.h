// The text forms of a task row's fields and the rules that read them back.
#pragma once

#include <optional>
#include <string>

#include "services/GetFile.h"

namespace kestrelon {

inline const std::wstring kEmptyProgram = L"Empty";
inline const std::wstring kNone = L"None";
inline const std::wstring kFileChosenID = L"00000";
inline const std::wstring kQuitSuffix = L" - Q";
inline const std::wstring kCustomLoopSuffix = L" (Day/Hour/Min)";

inline const std::wstring kCloseNormal = L"Close - Normal";
inline const std::wstring kCloseAfter = L"Close - After ";
inline const std::wstring kCloseIdle = L"Close - AfterNoMouseMoving ";
inline const std::wstring kRunNormal = L"Run - Normal";
inline const std::wstring kRunAfter = L"Run - After ";
inline const std::wstring kRunIdle = L"Run - AfterNoMouseMoving ";

// The after-task actions, by their fixed English texts.
enum class PowerAction { None, Hibernate, Reboot, Shutdown, Logoff, MonitorOff };
inline const std::wstring kAfterShutdown = L"Shutdown PC";
inline const std::wstring kAfterReboot = L"Reboot";
inline const std::wstring kAfterLogoff = L"Log Off";
inline const std::wstring kAfterHibernate = L"Hibernate";
inline const std::wstring kAfterMonitor = L"Turn Off the Monitor";

// Column headers of the task list at design time, and their widths in twips.
struct ColumnDesign {
    const wchar_t* header;
    int widthTwips;
};
inline constexpr ColumnDesign kTaskColumns[8] = {
    {L"Icon", 1060},  {L"Program", 3617}, {L"Path", 10654}, {L"ID", 2540},
    {L"Close Time", 6068}, {L"Loop", 2540}, {L"Type", 2540}, {L"After the Task Finished", 2540},
};

bool StartsWith(const std::wstring& s, const std::wstring& prefix);

// Type begins with "Close": a close task; anything else is a run task.
bool IsCloseType(const std::wstring& type);
// Countdown rows re-armed on load ("Close - After " / "Run - After " types,
// and the idle types): the countdown text, else empty.
std::optional<std::wstring> LoadCountdown(const std::wstring& type);
// Idle-mouse rows: the countdown text after the idle prefix, else empty.
std::optional<std::wstring> IdleCountdown(const std::wstring& type);

// The power action an after-task text asks for (leading characters,
// case-sensitive, in the order hibernate, reboot, shut down, log off, monitor).
PowerAction AfterTaskAction(const std::wstring& after);
// The quit request: the last character is "Q".
bool AfterTaskQuits(const std::wstring& after);
// Builds the after-task text: the action's text (if any), then " - Q" if quit.
std::wstring AfterTaskText(PowerAction action, bool quit);

}  // namespace kestrelon
