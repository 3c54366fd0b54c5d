// Reads what Windows knows about one file into a FileInfo record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "services/FileInfo.h"

namespace kestrelon::win32 {

// Fills `Info` from the file at `Path` and, when `ShowBox` is set, shows the
// report in an information box titled "Information". Returns false when a
// step fails (a file that does not exist fails at its size); the fields
// written before that step keep their new values. A file without version
// resource or with unreadable times is no failure: those fields stay as they
// were.
bool GetFileInfo(const std::wstring& Path, FileInfo& Info, bool ShowBox);

// The text stored under `Key` (a version query path such as
// "\StringFileInfo\040904B0\CompanyName") in version data read by
// GetFileVersionInfo; empty when there is none. At most 255 characters.
std::wstring GetVerString(const std::wstring& Key, const std::vector<std::uint8_t>& VerData);

// The user's day and month names, AM/PM designators and thousands separator.
ReportLocale UserReportLocale();

}  // namespace kestrelon::win32
