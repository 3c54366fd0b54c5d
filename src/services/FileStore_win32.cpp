#include "services/FileStore_win32.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>

namespace kestrelon {

namespace {

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    bool Valid() const { return h != INVALID_HANDLE_VALUE; }
    bool Close() {
        if (!Valid()) return true;
        bool ok = CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
};

FileResult Failure(DWORD code) { return FileResult::Fail(SystemErrorText(code)); }

bool IsReadOnlyFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    if (text.empty()) text = L"Error " + std::to_wstring(code);
    return text;
}

std::optional<std::string> Win32FileStore::ReadAll(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size) || size.QuadPart < 0 || size.QuadPart > INT_MAX) return std::nullopt;
    std::string bytes;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            return std::nullopt;
        if (got == 0) break;  // the file shrank while being read
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

FileResult Win32FileStore::WriteAtomic(const std::wstring& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::wstring temp =
        path + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
    auto injected = [&](Step step) -> DWORD { return failAt ? static_cast<DWORD>(failAt(step)) : 0; };
    auto discard = [&](DWORD code) {
        DeleteFileW(temp.c_str());
        return Failure(code);
    };

    RemoveLeftovers(path);
    if (DWORD code = injected(Step::Create)) return Failure(code);
    FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return Failure(GetLastError());

    if (DWORD code = injected(Step::Write)) {
        file.Close();
        return discard(code);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(file.h, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            DWORD code = GetLastError();
            file.Close();
            return discard(code ? code : ERROR_WRITE_FAULT);
        }
        done += wrote;
    }

    DWORD flushFailure = injected(Step::Flush);
    if (!flushFailure && !FlushFileBuffers(file.h)) flushFailure = GetLastError();
    if (flushFailure) {
        file.Close();
        return discard(flushFailure);
    }
    if (!file.Close()) return discard(GetLastError());

    if (DWORD code = injected(Step::Replace)) return discard(code);
    // A file the user made read-only is not replaced (Windows refuses it; Wine
    // would replace it).
    if (IsReadOnlyFile(path)) return discard(ERROR_ACCESS_DENIED);
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return discard(GetLastError());
    return FileResult::Ok();
}

FileResult Win32FileStore::Remove(const std::wstring& path) {
    if (IsReadOnlyFile(path)) return Failure(ERROR_ACCESS_DENIED);
    if (DeleteFileW(path.c_str())) return FileResult::Ok();
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FileResult::Ok();
    return Failure(code);
}

void Win32FileStore::RemoveLeftovers(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (name.empty()) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L".~*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> leftovers;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsLeftoverOf(found.cFileName, name))
            leftovers.push_back(folder + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& file : leftovers) DeleteFileW(file.c_str());
}

bool Win32FileStore::Exists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileStore::MarkerExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

std::wstring AnsiCodec::Decode(const std::string& bytes) const {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::string AnsiCodec::Encode(const std::wstring& text) const {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

}  // namespace kestrelon
