#include "TaskRow.h"

namespace kestrelon {

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool IsCloseType(const std::wstring& type) { return StartsWith(type, L"Close"); }

std::optional<std::wstring> LoadCountdown(const std::wstring& type) {
    // Idle rows count as countdown rows too; they get their whole countdown,
    // days included, until the idle watcher sees input.
    if (auto idle = IdleCountdown(type)) return idle;
    if (StartsWith(type, kCloseAfter)) return type.substr(kCloseAfter.size());
    if (StartsWith(type, kRunAfter)) return type.substr(kRunAfter.size());
    return std::nullopt;
}

std::optional<std::wstring> IdleCountdown(const std::wstring& type) {
    if (StartsWith(type, kCloseIdle)) return type.substr(kCloseIdle.size());
    if (StartsWith(type, kRunIdle)) return type.substr(kRunIdle.size());
    return std::nullopt;
}

PowerAction AfterTaskAction(const std::wstring& after) {
    if (StartsWith(after, kAfterHibernate)) return PowerAction::Hibernate;
    if (StartsWith(after, kAfterReboot)) return PowerAction::Reboot;
    if (StartsWith(after, kAfterShutdown)) return PowerAction::Shutdown;
    if (StartsWith(after, kAfterLogoff)) return PowerAction::Logoff;
    if (StartsWith(after, kAfterMonitor)) return PowerAction::MonitorOff;
    return PowerAction::None;
}

bool AfterTaskQuits(const std::wstring& after) { return !after.empty() && after.back() == L'Q'; }

std::wstring AfterTaskText(PowerAction action, bool quit) {
    std::wstring text = quit ? kQuitSuffix : std::wstring();
    switch (action) {
        case PowerAction::Hibernate: return kAfterHibernate + text;
        case PowerAction::Reboot: return kAfterReboot + text;
        case PowerAction::Shutdown: return kAfterShutdown + text;
        case PowerAction::Logoff: return kAfterLogoff + text;
        case PowerAction::MonitorOff: return kAfterMonitor + text;
        case PowerAction::None: break;
    }
    return text;
}

}  // namespace kestrelon
