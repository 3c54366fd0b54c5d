// The texts of "Auto Start on Windows Booting": the registry key and value,
// and the messages shown when the registry refuses.
#pragma once

#include <string>

namespace kestrelon {

// Under HKEY_CURRENT_USER.
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value's data: folder, "\", name and ".exe". A path with a blank in it
// is put in double quotes so that the system starts the whole path.
std::wstring AutostartValueText(const std::wstring& folder, const std::wstring& name);

enum class RegistryStep { Opening, Setting };

// "Error " + code + " opening key" (or " setting key") + a line break, then
// the system's description of the code when there is one.
std::wstring RegistryErrorText(long code, RegistryStep step, const std::wstring& description = {});

// Any other failure: its number, a blank and its description.
std::wstring FailureText(long code, const std::wstring& description);

}  // namespace kestrelon
