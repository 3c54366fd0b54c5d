// The file-name part of a path.
#pragma once

#include <string>

namespace kestrelon {

// The text after the last backslash; the whole text when there is none, and
// the empty text when the path ends in a backslash. Only '\' separates.
std::wstring GetFileName(const std::wstring& path);

}  // namespace kestrelon
