// Telling the user that a file of theirs could not be written, once.
//
// The default task list is rewritten after every task that fires and the
// settings at every exit; a folder that has gone or turned read-only, or a
// full disk, would otherwise fail silently at every one of those moments, or
// nag at every tick. The first failure of a file is told, with the file's
// path and the system's reason; later failures of the same file are not,
// until a write of it has succeeded again.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "services/FileStore.h"

namespace kestrelon {

class WriteNotice {
public:
    // The text to show for this result, or empty when there is nothing new
    // to tell (a success, or a file whose failure has been told already).
    std::optional<std::wstring> Report(const std::wstring& path, const FileResult& result);

private:
    std::set<std::wstring> failing_;
};

// "Kestrelon could not save <path>", the reason, and that the tasks in the
// window are kept.
std::wstring WriteFailedMessage(const std::wstring& path, const std::wstring& reason);

}  // namespace kestrelon
