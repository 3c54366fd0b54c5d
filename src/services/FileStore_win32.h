// The user's files through the Win32 API, and the system's ANSI code page.
#pragma once

#include <functional>

#include "services/FileStore.h"

namespace kestrelon {

class Win32FileStore : public IFileStore {
public:
    std::optional<std::string> ReadAll(const std::wstring& path) override;
    // Removes what earlier, interrupted writes of `path` left behind, writes
    // "<path>.~<process>-<n>.tmp" in the same folder, flushes it to disk,
    // then moves it over `path` (replace existing, write through). On a
    // failure the temporary file is deleted and the old file is untouched.
    FileResult WriteAtomic(const std::wstring& path, const std::string& bytes) override;
    FileResult Remove(const std::wstring& path) override;
    // An ordinary file (not a folder) exists at `path`.
    bool Exists(const std::wstring& path) override;
    // Deletes "<path>.~<n>[-<n>].tmp" files in the folder of `path`.
    void RemoveLeftovers(const std::wstring& path) override;
    // As Exists, and the file is neither hidden nor a system file.
    bool MarkerExists(const std::wstring& path) override;

    // The steps of WriteAtomic. Tests set `failAt` to make a step fail as a
    // crash or a full disk would; it returns the Win32 error to report, or 0
    // to let the step run.
    enum class Step { Create, Write, Flush, Replace };
    std::function<unsigned long(Step)> failAt;
};

// The system's ANSI code page (CP_ACP).
class AnsiCodec : public IAnsiCodec {
public:
    std::wstring Decode(const std::string& bytes) const override;
    std::string Encode(const std::wstring& text) const override;
};

// The system's text for a Win32 error code, without the trailing line break;
// "Error <code>" when the system has none.
std::wstring SystemErrorText(unsigned long code);

}  // namespace kestrelon
