// The file-information record's text side: path parts, the version-table
// key, attribute flags, version words and the report.
#include <gtest/gtest.h>

#include <string>

#include "services/FileInfo.h"

namespace kestrelon {
namespace {

TEST(FileInfoPath, DirectoryAndFileName) {
    EXPECT_EQ(FileDirectory(L"C:\\Tools\\app.exe"), L"C:\\Tools\\");
    EXPECT_EQ(FileNameOnly(L"C:\\Tools\\app.exe"), L"app.exe");
    EXPECT_EQ(FileDirectory(L"app.exe"), L"");
    EXPECT_EQ(FileNameOnly(L"app.exe"), L"app.exe");
    EXPECT_EQ(FileDirectory(L"C:\\Tools\\"), L"C:\\Tools\\");
    EXPECT_EQ(FileNameOnly(L"C:\\Tools\\"), L"");
    EXPECT_EQ(FileNameOnly(L"C:/Tools/app.exe"), L"C:/Tools/app.exe");  // only the backslash separates
}

TEST(FileInfoVersion, TranslationKeyAndPrefix) {
    EXPECT_EQ(TranslationKey(0x0409, 0x04B0), L"040904B0");
    EXPECT_EQ(StringFileInfoPrefix(0x0409, 0x04B0), L"\\StringFileInfo\\040904B0\\");
    EXPECT_EQ(TranslationKey(0x0407, 0x04E4), L"040704E4");
    EXPECT_EQ(TranslationKey(0, 0), L"00000000");
    EXPECT_EQ(TranslationKey(0xFFFF, 0xabcd), L"FFFFABCD");
}

TEST(FileInfoVersion, WordsAreSignedAndTakenFromTheirHalves) {
    FileInfo info;
    SetFixedVersion(info, 0x00020003, 0x00070005, 2);
    EXPECT_EQ(info.Version1, 2);
    EXPECT_EQ(info.Version2, 3);
    EXPECT_EQ(info.Version3, 5);
    EXPECT_EQ(info.Version4, 7);
    EXPECT_EQ(info.FileTypeText, L"DLL Library");
    SetFixedVersion(info, 0x80000001, 0xFFFF0000, 6);
    EXPECT_EQ(info.Version1, -32768);
    EXPECT_EQ(info.Version4, -1);
    EXPECT_EQ(info.FileTypeText, L"Unknown");

    info.CompanyName = L"old";
    SetVersionText(info, 0, L"Acme");
    SetVersionText(info, 7, L"2.0");
    EXPECT_EQ(info.CompanyName, L"Acme");
    EXPECT_EQ(info.ProductVersion, L"2.0");
    EXPECT_EQ(CutVersionText(std::wstring(300, L'x')).size(), 255u);
}

TEST(FileInfoAttributes, FlagsFollowTheBits) {
    FileInfo info;
    SetAttributes(info, 0x20 | 0x1);
    EXPECT_TRUE(info.IsArchive);
    EXPECT_TRUE(info.IsReadOnly);
    EXPECT_FALSE(info.IsHidden);
    EXPECT_FALSE(info.IsDirectory);
    // A missing file reports all bits set.
    SetAttributes(info, 0xFFFFFFFFu);
    EXPECT_EQ(info.Attributes, -1);
    EXPECT_TRUE(info.IsArchive && info.IsCompressed && info.IsDirectory && info.IsHidden && info.IsNormal &&
                info.IsReadOnly && info.IsSystem && info.IsTemporary);
}

TEST(FileInfoReport, SizesAndDates) {
    EXPECT_EQ(FormatFileSize(300, L","), L" KB (300 bytes)");
    EXPECT_EQ(FormatFileSize(512, L","), L"1 KB (512 bytes)");
    EXPECT_EQ(FormatFileSize(0, L","), L" KB ( bytes)");
    EXPECT_EQ(FormatFileSize(1536000, L","), L"1,500 KB (1,536,000 bytes)");
    EXPECT_EQ(FormatFileSize(1234567890, L"."), L"1.205.633 KB (1.234.567.890 bytes)");

    const ReportLocale en = ReportLocale::English();
    EXPECT_EQ(FormatReportDate({2024, 3, 5, 15, 7, 9}, true, en), L"Tuesday, Mar 05 2024 3:07:09 PM");
    EXPECT_EQ(FormatReportDate({2024, 3, 5, 0, 0, 0}, true, en), L"Tuesday, Mar 05 2024 12:00:00 AM");
    EXPECT_EQ(FormatReportDate({2000, 1, 1, 12, 30, 0}, true, en), L"Saturday, Jan 01 2000 12:30:00 PM");
    EXPECT_EQ(FormatReportDate({2026, 12, 31, 23, 59, 59}, false, en), L"Thursday, Dec 31 2026");
    EXPECT_EQ(FormatReportDate(DateTime{}, false, en), L"Saturday, Dec 30 1899");
}

FileInfo SampleFile() {
    FileInfo info;
    info.FullPath = L"C:\\data\\notes.txt";
    info.FileName = FileNameOnly(info.FullPath);
    info.Directory = FileDirectory(info.FullPath);
    info.FileTypeText = FileTypeText(0);
    info.FileSize = 300;
    SetAttributes(info, 0x20);
    info.CreationDate = {2024, 3, 5, 9, 15, 0};
    info.ModifyDate = {2024, 3, 6, 18, 1, 2};
    info.AccessDate = {2024, 3, 7, 8, 0, 0};
    return info;
}

TEST(FileInfoReport, FileWithoutVersionDataEndsWithTheSizeLine) {
    const std::wstring expected =
        L"Path:\r"
        L"Filename:\t\tnotes.txt\r"
        L"Directory:\t\tC:\\data\\\r"
        L"Full Path:\t\tC:\\data\\notes.txt\r"
        L"\r"
        L"Date:\r"
        L"Creation Date:\tTuesday, Mar 05 2024 9:15:00 AM\r"
        L"Modify Date:\tWednesday, Mar 06 2024 6:01:02 PM\r"
        L"Access Date:\tThursday, Mar 07 2024\r"
        L"\r"
        L"Attributes:\r"
        L"Archive:\t\tTrue\r"
        L"Compressed:\tFalse\r"
        L"Directory:\t\tFalse\r"
        L"Hidden:\t\tFalse\r"
        L"Normal:\t\tFalse\r"
        L"Read Only:\tFalse\r"
        L"System:\t\tFalse\r"
        L"Temporary:\tFalse\r"
        L"\r"
        L"String Info:\r"
        L"Company Name:\t\r"
        L"File Description:\t\r"
        L"File Version:\t\r"
        L"Internal Name:\t\r"
        L"Original Filename:\t\r"
        L"Product Name:\t\r"
        L"Product Version:\t\r"
        L"Legal Copyright:\t\r"
        L"\r"
        L"Misc.:\r"
        L"File Size:\t\t KB (300 bytes)";
    const std::wstring report = FileInfoReport(SampleFile(), ReportLocale::English());
    EXPECT_EQ(report, expected);
    EXPECT_EQ(report.find(L'\n'), std::wstring::npos);
}

TEST(FileInfoReport, VersionDataAddsTypeAndVersionLines) {
    FileInfo info = SampleFile();
    info.HasVersionData = true;
    SetFixedVersion(info, 0x00010002, 0x00040003, 1);
    info.CompanyName = L"Kestrelon";
    info.OriginalFileName = L"kestrelon.exe";
    const std::wstring report = FileInfoReport(info, ReportLocale::English());
    EXPECT_NE(report.find(L"\rCompany Name:\tKestrelon\r"), std::wstring::npos);
    EXPECT_NE(report.find(L"\rOriginal Filename:\tkestrelon.exe\r"), std::wstring::npos);
    const std::wstring tail = L"\rFile Size:\t\t KB (300 bytes)\rFile Type:\t\tApplication\rVersion:\t\t1.2.3";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);

    // Version data with file type 0: a version line but no type line.
    info.FileType = 0;
    const std::wstring noType = FileInfoReport(info, ReportLocale::English());
    EXPECT_EQ(noType.find(L"File Type:"), std::wstring::npos);
    EXPECT_NE(noType.find(L"\rVersion:\t\t1.2.3"), std::wstring::npos);
}

}  // namespace
}  // namespace kestrelon
