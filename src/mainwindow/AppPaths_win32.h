// Where the program and the user's data live.
#pragma once

#include <string>

namespace kestrelon {

// The full path of the running executable.
std::wstring ExePath();
// The executable's folder, without a trailing backslash.
std::wstring ProgramFolder();
// The executable's file name without its extension ("kestrelon").
std::wstring ExeBaseName();
// The APPDATA environment variable; empty when it is not set.
std::wstring AppDataFolder();

}  // namespace kestrelon
