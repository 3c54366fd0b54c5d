// What Windows knows about one file, as a record and as a report text: the
// parts of its path, its times, size and attributes, and its version
// resource. The Win32 reader (GetFileInfo_win32.h) fills the record from the
// file; everything that is text or arithmetic lives here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mainwindow/scheduler/DateTime.h"

namespace kestrelon {

struct FileInfo {
    std::wstring FileName;      // FileNameOnly of the path
    std::wstring Directory;     // FileDirectory of the path, with its trailing backslash
    std::wstring FullPath;      // the path exactly as given
    std::wstring FileTypeText;  // FileTypeText(FileType)
    // Version words, each a 16-bit value taken as signed.
    std::int32_t Version1 = 0;  // high word of the product version's most significant half
    std::int32_t Version2 = 0;  // low word of the product version's most significant half
    std::int32_t Version3 = 0;  // low word of the file version's least significant half
    std::int32_t Version4 = 0;  // high word of the file version's least significant half
    std::int64_t FileSize = 0;
    std::int32_t Attributes = 0;  // as the system reports them; -1 for a missing file
    std::int32_t FileType = 0;    // the fixed version data's file type; 0 without version data
    bool IsArchive = false;
    bool IsCompressed = false;
    bool IsDirectory = false;
    bool IsHidden = false;
    bool IsNormal = false;
    bool IsReadOnly = false;
    bool IsSystem = false;
    bool IsTemporary = false;
    DateTime CreationDate;  // local times
    DateTime ModifyDate;
    DateTime AccessDate;
    std::wstring CompanyName;
    std::wstring FileDescription;
    std::wstring FileVersion;
    std::wstring InternalName;
    std::wstring LegalCopyright;
    std::wstring OriginalFileName;
    std::wstring ProductName;
    std::wstring ProductVersion;
    // The file has a version resource (its version-information size is at least 1).
    bool HasVersionData = false;
};

// The characters of the path up to and including its last backslash; empty
// when there is none.
std::wstring FileDirectory(const std::wstring& path);
// The characters after the last backslash; the whole path when there is none.
std::wstring FileNameOnly(const std::wstring& path);

// "Application", "DLL Library", "Driver", "Font", "VXD File", "Static Library"
// for the file types 1 to 5 and 7; "Unknown" for anything else.
std::wstring FileTypeText(std::int32_t fileType);

// The attribute value and the eight flags taken from its bits.
void SetAttributes(FileInfo& info, std::uint32_t attributes);
// The file type, its text and the four version words, from the fixed
// version data (all zero when the file has none).
void SetFixedVersion(FileInfo& info, std::uint32_t productVersionMS, std::uint32_t fileVersionLS,
                     std::uint32_t fileType);

// The string-table key of a translation: language and code page as eight
// upper-case hex digits ("040904B0").
std::wstring TranslationKey(std::uint16_t language, std::uint16_t codePage);
// "\StringFileInfo\<key>\": the query prefix of the version texts.
std::wstring StringFileInfoPrefix(std::uint16_t language, std::uint16_t codePage);
// The eight version-text names in the order they are read.
const std::array<const wchar_t*, 8>& VersionTextNames();
// Stores version text `k` (the index into VersionTextNames) in the record.
void SetVersionText(FileInfo& info, std::size_t k, const std::wstring& text);
// A version text as the reader keeps it: at most its first 255 characters.
std::wstring CutVersionText(const std::wstring& text);

// The locale's words and separators used by the report.
struct ReportLocale {
    std::array<std::wstring, 7> dayNames;     // Sunday first
    std::array<std::wstring, 12> monthNames;  // abbreviated, January first
    std::wstring am = L"AM";
    std::wstring pm = L"PM";
    std::wstring thousandsSep = L",";
    static ReportLocale English();
};

// "dddd, mmm dd yyyy H:MM:SS AMPM" (12-hour clock without leading zero), or
// without the time.
std::wstring FormatReportDate(const DateTime& t, bool withTime, const ReportLocale& loc);
// A whole number rounded to the nearest unit (halves away from zero), with
// the thousands separator; no digits at all for a value below one half.
std::wstring FormatGroupedNumber(double value, const std::wstring& thousandsSep);
// "<kilobytes> KB (<bytes> bytes)".
std::wstring FormatFileSize(std::int64_t size, const std::wstring& thousandsSep);

// The report shown by the reader: lines separated by a lone carriage return,
// TABs between caption and value.
std::wstring FileInfoReport(const FileInfo& info, const ReportLocale& loc);

}  // namespace kestrelon
