#include "FileInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace kestrelon {

std::wstring FileDirectory(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FileNameOnly(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FileTypeText(std::int32_t fileType) {
    switch (fileType) {
        case 1: return L"Application";
        case 2: return L"DLL Library";
        case 3: return L"Driver";
        case 4: return L"Font";
        case 5: return L"VXD File";
        case 7: return L"Static Library";
        default: return L"Unknown";
    }
}

void SetAttributes(FileInfo& info, std::uint32_t attributes) {
    info.Attributes = static_cast<std::int32_t>(attributes);
    info.IsArchive = attributes & 0x20;
    info.IsCompressed = attributes & 0x800;
    info.IsDirectory = attributes & 0x10;
    info.IsHidden = attributes & 0x2;
    info.IsNormal = attributes & 0x80;
    info.IsReadOnly = attributes & 0x1;
    info.IsSystem = attributes & 0x4;
    info.IsTemporary = attributes & 0x100;
}

namespace {

std::int32_t SignedWord(std::uint32_t word) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(word)); }

}  // namespace

void SetFixedVersion(FileInfo& info, std::uint32_t productVersionMS, std::uint32_t fileVersionLS,
                     std::uint32_t fileType) {
    info.FileType = static_cast<std::int32_t>(fileType);
    info.FileTypeText = FileTypeText(info.FileType);
    info.Version1 = SignedWord(productVersionMS >> 16);
    info.Version2 = SignedWord(productVersionMS & 0xFFFF);
    info.Version3 = SignedWord(fileVersionLS & 0xFFFF);
    info.Version4 = SignedWord(fileVersionLS >> 16);
}

std::wstring TranslationKey(std::uint16_t language, std::uint16_t codePage) {
    wchar_t buf[16];
    std::swprintf(buf, 16, L"%04X%04X", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
    return buf;
}

std::wstring StringFileInfoPrefix(std::uint16_t language, std::uint16_t codePage) {
    return L"\\StringFileInfo\\" + TranslationKey(language, codePage) + L"\\";
}

const std::array<const wchar_t*, 8>& VersionTextNames() {
    static const std::array<const wchar_t*, 8> names = {L"CompanyName",    L"FileDescription",  L"FileVersion",
                                                        L"InternalName",   L"LegalCopyright",   L"OriginalFileName",
                                                        L"ProductName",    L"ProductVersion"};
    return names;
}

void SetVersionText(FileInfo& info, std::size_t k, const std::wstring& text) {
    std::wstring* fields[8] = {&info.CompanyName,    &info.FileDescription,  &info.FileVersion,
                               &info.InternalName,   &info.LegalCopyright,   &info.OriginalFileName,
                               &info.ProductName,    &info.ProductVersion};
    if (k < 8) *fields[k] = text;
}

std::wstring CutVersionText(const std::wstring& text) { return text.substr(0, std::min<size_t>(text.size(), 255)); }

ReportLocale ReportLocale::English() {
    ReportLocale loc;
    loc.dayNames = {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"};
    loc.monthNames = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                      L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    return loc;
}

namespace {

// 0 = Sunday.
int DayOfWeek(int y, int m, int d) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) y -= 1;
    return ((y + y / 4 - y / 100 + y / 400 + offsets[(m - 1) % 12] + d) % 7 + 7) % 7;
}

std::wstring TwoDigits(int n) {
    wchar_t buf[8];
    std::swprintf(buf, 8, L"%02d", n);
    return buf;
}

}  // namespace

std::wstring FormatReportDate(const DateTime& t, bool withTime, const ReportLocale& loc) {
    const int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
    std::wstring s = loc.dayNames[DayOfWeek(t.year, month, t.day)] + L", " + loc.monthNames[month - 1] + L" " +
                     TwoDigits(t.day) + L" " + std::to_wstring(t.year);
    if (!withTime) return s;
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return s + L" " + std::to_wstring(hour12) + L":" + TwoDigits(t.minute) + L":" + TwoDigits(t.second) + L" " +
           (t.hour < 12 ? loc.am : loc.pm);
}

std::wstring FormatGroupedNumber(double value, const std::wstring& thousandsSep) {
    const double rounded = std::floor(std::fabs(value) + 0.5);
    if (rounded < 1) return L"";
    std::wstring digits = std::to_wstring(static_cast<long long>(rounded));
    std::wstring out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += thousandsSep;
        out += digits[i];
    }
    return value < 0 ? L"-" + out : out;
}

std::wstring FormatFileSize(std::int64_t size, const std::wstring& thousandsSep) {
    return FormatGroupedNumber(static_cast<double>(size) / 1024.0, thousandsSep) + L" KB (" +
           FormatGroupedNumber(static_cast<double>(size), thousandsSep) + L" bytes)";
}

std::wstring FileInfoReport(const FileInfo& info, const ReportLocale& loc) {
    const std::wstring tab = L"\t";
    auto flag = [](bool b) { return std::wstring(b ? L"True" : L"False"); };
    std::vector<std::wstring> lines = {
        L"Path:",
        L"Filename:" + tab + tab + info.FileName,
        L"Directory:" + tab + tab + info.Directory,
        L"Full Path:" + tab + tab + info.FullPath,
        L"",
        L"Date:",
        L"Creation Date:" + tab + FormatReportDate(info.CreationDate, true, loc),
        L"Modify Date:" + tab + FormatReportDate(info.ModifyDate, true, loc),
        L"Access Date:" + tab + FormatReportDate(info.AccessDate, false, loc),
        L"",
        L"Attributes:",
        L"Archive:" + tab + tab + flag(info.IsArchive),
        L"Compressed:" + tab + flag(info.IsCompressed),
        L"Directory:" + tab + tab + flag(info.IsDirectory),
        L"Hidden:" + tab + tab + flag(info.IsHidden),
        L"Normal:" + tab + tab + flag(info.IsNormal),
        L"Read Only:" + tab + flag(info.IsReadOnly),
        L"System:" + tab + tab + flag(info.IsSystem),
        L"Temporary:" + tab + flag(info.IsTemporary),
        L"",
        L"String Info:",
        L"Company Name:" + tab + info.CompanyName,
        L"File Description:" + tab + info.FileDescription,
        L"File Version:" + tab + info.FileVersion,
        L"Internal Name:" + tab + info.InternalName,
        L"Original Filename:" + tab + info.OriginalFileName,
        L"Product Name:" + tab + info.ProductName,
        L"Product Version:" + tab + info.ProductVersion,
        L"Legal Copyright:" + tab + info.LegalCopyright,
        L"",
        L"Misc.:",
        L"File Size:" + tab + tab + FormatFileSize(info.FileSize, loc.thousandsSep),
    };
    if (info.FileType != 0) lines.push_back(L"File Type:" + tab + tab + info.FileTypeText);
    if (info.HasVersionData)
        lines.push_back(L"Version:" + tab + tab + std::to_wstring(info.Version1) + L"." +
                        std::to_wstring(info.Version2) + L"." + std::to_wstring(info.Version3));
    std::wstring report;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) report += L'\r';
        report += lines[i];
    }
    return report;
}

}  // namespace kestrelon
