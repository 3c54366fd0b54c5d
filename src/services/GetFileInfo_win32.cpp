#include "services/GetFileInfo_win32.h"

#include <windows.h>

#include <cstring>
#include <exception>

namespace kestrelon::win32 {

namespace {

// version.dll is not one of the libraries the system always takes from its own folder, so the
// program does not import it: a copy planted beside the program would be loaded before the
// program's first line. It is loaded here, on first use, from the system folder only.
class VersionLibrary {
public:
    static const VersionLibrary& Get() {
        static const VersionLibrary library;
        return library;
    }
    DWORD InfoSize(const std::wstring& path) const {
        DWORD ignored = 0;
        return size_ ? size_(path.c_str(), &ignored) : 0;
    }
    bool Info(const std::wstring& path, DWORD n, void* data) const { return info_ && info_(path.c_str(), 0, n, data); }
    bool Query(const void* block, const wchar_t* key, void** value, UINT* length) const {
        return query_ && query_(block, key, value, length);
    }

private:
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

    VersionLibrary() {
        wchar_t folder[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        const std::wstring path = std::wstring(folder) + L"\\version.dll";
        HMODULE module = LoadLibraryW(path.c_str());  // kept for the program's lifetime
        if (!module) return;
        size_ = Function<SizeFn>(module, "GetFileVersionInfoSizeW");
        info_ = Function<InfoFn>(module, "GetFileVersionInfoW");
        query_ = Function<QueryFn>(module, "VerQueryValueW");
    }
    template <typename Fn>
    static Fn Function(HMODULE module, const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    SizeFn size_ = nullptr;
    InfoFn info_ = nullptr;
    QueryFn query_ = nullptr;
};

// A full path longer than the classic limit needs the "\\?\" form for the
// file-system calls; shorter and relative paths go as they are.
std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12) return path;
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

// The version resource of a file; empty when it has none.
std::vector<std::uint8_t> ReadVersionData(const std::wstring& path) {
    const DWORD n = VersionLibrary::Get().InfoSize(path);
    if (n < 1) return {};
    std::vector<std::uint8_t> data(n + 1);
    if (!VersionLibrary::Get().Info(path, n, data.data())) return {};
    return data;
}

DateTime LocalDateTime(const FILETIME& utc, const DateTime& keep) {
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return keep;
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::wstring LocaleText(LCTYPE what, const wchar_t* fallback) {
    wchar_t buf[128] = {};
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buf, 128) > 0 ? std::wstring(buf) : std::wstring(fallback);
}

}  // namespace

std::wstring GetVerString(const std::wstring& Key, const std::vector<std::uint8_t>& VerData) {
    if (VerData.empty()) return L"";
    void* value = nullptr;
    UINT length = 0;
    if (!VersionLibrary::Get().Query(VerData.data(), Key.c_str(), &value, &length) || !value) return L"";
    const wchar_t* text = static_cast<const wchar_t*>(value);
    size_t n = 0;
    while (n < length && text[n]) ++n;
    return CutVersionText(std::wstring(text, n));
}

bool GetFileInfo(const std::wstring& Path, FileInfo& Info, bool ShowBox) {
    try {
        // Every file-system call takes the path in a form that reaches any
        // path the system accepts, however long.
        const std::wstring fsPath = LongPathForm(Path);

        // 1. The fixed version data.
        VS_FIXEDFILEINFO fixed{};
        std::vector<std::uint8_t> version = ReadVersionData(fsPath);
        Info.HasVersionData = VersionLibrary::Get().InfoSize(fsPath) >= 1;
        if (!version.empty()) {
            void* p = nullptr;
            UINT length = 0;
            if (VersionLibrary::Get().Query(version.data(), L"\\", &p, &length) && p && length >= sizeof(fixed))
                std::memcpy(&fixed, p, sizeof(fixed));
        }

        // 2. The parts of the path.
        Info.FullPath = Path;
        Info.FileName = FileNameOnly(Path);
        Info.Directory = FileDirectory(Path);

        // 3. The times.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        const bool found = GetFileAttributesExW(fsPath.c_str(), GetFileExInfoStandard, &data);
        if (found) {
            Info.AccessDate = LocalDateTime(data.ftLastAccessTime, Info.AccessDate);
            Info.CreationDate = LocalDateTime(data.ftCreationTime, Info.CreationDate);
            Info.ModifyDate = LocalDateTime(data.ftLastWriteTime, Info.ModifyDate);
        }

        // 4. The file type.
        Info.FileType = static_cast<std::int32_t>(fixed.dwFileType);
        Info.FileTypeText = FileTypeText(Info.FileType);

        // 5. Attributes (all bits set for a file that is not there).
        SetAttributes(Info, found ? data.dwFileAttributes : INVALID_FILE_ATTRIBUTES);

        // 6. The size; a missing file ends the reading here.
        if (!found) return false;
        Info.FileSize = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;

        // 7. The version words.
        if (Info.HasVersionData)
            SetFixedVersion(Info, fixed.dwProductVersionMS, fixed.dwFileVersionLS, fixed.dwFileType);

        // 8. The version texts, under the first translation's key.
        if (!version.empty()) {
            void* p = nullptr;
            UINT length = 0;
            if (VersionLibrary::Get().Query(version.data(), L"\\VarFileInfo\\Translation", &p, &length) && p && length >= 4) {
                WORD pair[2];
                std::memcpy(pair, p, sizeof(pair));
                const std::wstring prefix = StringFileInfoPrefix(pair[0], pair[1]);
                const auto& names = VersionTextNames();
                for (size_t k = 0; k < names.size(); ++k)
                    SetVersionText(Info, k, GetVerString(prefix + names[k], version));
            }
        }

        // 9. The report.
        if (ShowBox)
            MessageBoxW(GetActiveWindow(), FileInfoReport(Info, UserReportLocale()).c_str(), L"Information",
                        MB_ICONINFORMATION);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

ReportLocale UserReportLocale() {
    ReportLocale loc = ReportLocale::English();
    // The system numbers the day names from Monday.
    for (int d = 0; d < 7; ++d)
        loc.dayNames[(d + 1) % 7] = LocaleText(LOCALE_SDAYNAME1 + d, loc.dayNames[(d + 1) % 7].c_str());
    for (int m = 0; m < 12; ++m)
        loc.monthNames[m] = LocaleText(LOCALE_SABBREVMONTHNAME1 + m, loc.monthNames[m].c_str());
    loc.am = LocaleText(LOCALE_S1159, L"AM");
    loc.pm = LocaleText(LOCALE_S2359, L"PM");
    loc.thousandsSep = LocaleText(LOCALE_STHOUSAND, L",");
    return loc;
}

}  // namespace kestrelon::win32
