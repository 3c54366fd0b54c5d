// Files of the user's data folder as the program's logic sees them: whole
// files read and written as bytes, replaced in one step. The program uses the
// Win32 store; tests use the in-memory one or the std::filesystem one.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

namespace kestrelon {

struct FileResult {
    bool ok = true;
    std::wstring error;  // the system's reason when !ok
    static FileResult Ok() { return {}; }
    static FileResult Fail(std::wstring why) { return {false, std::move(why)}; }
};

class IFileStore {
public:
    virtual ~IFileStore() = default;
    // The whole file; empty when it cannot be opened or read.
    virtual std::optional<std::string> ReadAll(const std::wstring& path) = 0;
    // Writes a temporary file beside `path`, flushes it to disk and then
    // replaces `path` with it in one step. The old file stays whole until the
    // new one is complete.
    virtual FileResult WriteAtomic(const std::wstring& path, const std::string& bytes) = 0;
    // Deletes the file; a file that is already absent is no failure.
    virtual FileResult Remove(const std::wstring& path) = 0;
    // An ordinary file exists at `path`.
    virtual bool Exists(const std::wstring& path) = 0;
    // Deletes the temporary files that an interrupted WriteAtomic of `path`
    // (a crash, a kill, a power cut) left beside it. They are never read as
    // the file itself. Every WriteAtomic does this first; start-up does it
    // for the files of the data folder.
    virtual void RemoveLeftovers(const std::wstring& path) = 0;
    // A flag file counts: a file that is not a folder and neither hidden nor
    // a system file exists at `path` (what a directory search for plain
    // files finds). The marker files are tested this way.
    virtual bool MarkerExists(const std::wstring& path) { return Exists(path); }
};

// A temporary file of WriteAtomic for the file named `target`: the target's
// name, ".~", a number (optionally "-" and a second number) and ".tmp", as in
// "default.ktf.~1234-5.tmp". Names only, compared without regard to case.
bool IsLeftoverOf(const std::wstring& fileName, const std::wstring& target);

// Files in memory, for tests. `failWrites` makes every write fail before the
// replace, as a crash between write and replace would.
class MemoryFileStore : public IFileStore {
public:
    std::map<std::wstring, std::string> files;
    // Files of `files` that carry the hidden or the system attribute.
    std::set<std::wstring> hiddenOrSystem;
    bool failWrites = false;
    bool failRemoves = false;

    std::optional<std::string> ReadAll(const std::wstring& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    FileResult WriteAtomic(const std::wstring& path, const std::string& bytes) override {
        if (failWrites) return FileResult::Fail(L"Access is denied.");
        files[path] = bytes;
        return FileResult::Ok();
    }
    FileResult Remove(const std::wstring& path) override {
        if (failRemoves) return FileResult::Fail(L"Access is denied.");
        files.erase(path);
        return FileResult::Ok();
    }
    bool Exists(const std::wstring& path) override { return files.count(path) != 0; }
    void RemoveLeftovers(const std::wstring& path) override;
    bool MarkerExists(const std::wstring& path) override { return Exists(path) && !hiddenOrSystem.count(path); }
};

// Real files through std::filesystem, for host tests and benchmarks. The
// temporary file is written and closed before the rename replaces the old
// file; unlike the Win32 store it does not force the data to the disk.
// Paths are taken as they are (no drive letters or backslashes are mapped).
class StdFileStore : public IFileStore {
public:
    std::optional<std::string> ReadAll(const std::wstring& path) override;
    FileResult WriteAtomic(const std::wstring& path, const std::string& bytes) override;
    FileResult Remove(const std::wstring& path) override;
    bool Exists(const std::wstring& path) override;
    void RemoveLeftovers(const std::wstring& path) override;
};

// Conversion between the program's UTF-16 texts and the system's ANSI code
// page used by the task-list, settings and language files.
class IAnsiCodec {
public:
    virtual ~IAnsiCodec() = default;
    virtual std::wstring Decode(const std::string& bytes) const = 0;
    virtual std::string Encode(const std::wstring& text) const = 0;
};

// Windows-1252, the code page of the systems the tests emulate.
class Cp1252Codec : public IAnsiCodec {
public:
    std::wstring Decode(const std::string& bytes) const override;
    std::string Encode(const std::wstring& text) const override;
};

}  // namespace kestrelon
