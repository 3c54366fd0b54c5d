#include <gtest/gtest.h>

#include <map>

#include "mainwindow/Autostart.h"
#include "mainwindow/Settings.h"

namespace kestrelon {
namespace {

using Marks = MemoryOptionMarks;

const std::wstring kAppData = L"C:\\Users\\u\\AppData\\Roaming";
const std::wstring kSettings = kAppData + L"\\knsetting.ini";

// Runs the start-up reader over a file and returns the eight marks.
SettingValues ReadFile(const std::optional<std::string>& content) {
    MemoryFileStore files;
    if (content) files.files[kSettings] = *content;
    Marks marks;
    for (Option o : kSettingOrder) marks.on[o] = true;  // prove the reader decides every mark
    ReadSettings(marks, files, kAppData);
    return CollectSettings(marks);
}

TEST(SettingsReader, NoFileLeavesEveryMarkClearAtStart) {
    // The start-up sequence clears all eight before reading; the reader
    // itself only clears the six final choices when there is no file.
    MemoryFileStore files;
    Marks marks;
    marks.on[Option::Shut] = marks.on[Option::Quit] = true;
    ReadSettings(marks, files, kAppData);
    EXPECT_EQ(CollectSettings(marks), SettingValues{});
}

TEST(SettingsReader, SettingsAreReadWhateverTheirAttributesButHiddenOrSystemMarkersCountAsAbsent) {
    MemoryFileStore files;
    files.files[kSettings] = "1\r\n1\r\n";
    files.files[kAppData + L"\\knstartm.ini"] = "Yes\r\n";
    files.hiddenOrSystem = {kSettings, kAppData + L"\\knstartm.ini"};
    Marks marks;
    EXPECT_EQ(ReadSettings(marks, files, kAppData), SettingsRead::Read);
    EXPECT_TRUE(marks.Checked(Option::Autoload));
    EXPECT_FALSE(StartHidden(files, kAppData));
    files.hiddenOrSystem.clear();
    EXPECT_TRUE(StartHidden(files, kAppData));
    files.files.clear();
    EXPECT_EQ(ReadSettings(marks, files, kAppData), SettingsRead::Missing);
}

TEST(SettingsReader, ShortFileMissingLinesReadClear) {
    auto v = ReadFile("1\r\n0\r\n1\r\n");
    EXPECT_TRUE(v[0]);   // auto-load
    EXPECT_FALSE(v[1]);  // autostart
    EXPECT_EQ(v, (SettingValues{true, false, false, false, false, false, false, false}))
        << "line 3 is a final choice, cleared after reading";
}

TEST(SettingsReader, EightOnesKeepOnlyAutoloadAndAutostart) {
    auto v = ReadFile("1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n");
    EXPECT_EQ(v, (SettingValues{true, true, false, false, false, false, false, false}));
}

TEST(SettingsReader, OnlyTheTextOneSetsAMark) {
    for (const char* field : {"yes", "2", "-1", "", "01", "true", "1x"}) {
        EXPECT_FALSE(ParseSettings(std::string(field) + "\r\n1\r\n")[0]) << field;
        EXPECT_TRUE(ParseSettings(std::string(field) + "\r\n1\r\n")[1]) << field;
    }
}

TEST(SettingsParser, FieldsEndAtCommaOrAnyLineEnd) {
    EXPECT_EQ(ParseSettings("1,0,1\n1\r1"), (SettingValues{true, false, true, true, true, false, false, false}));
    // Blanks around a field do not count; a last line without CR LF still counts.
    EXPECT_EQ(ParseSettings(" 1 \r\n0\r\n1"), (SettingValues{true, false, true, false, false, false, false, false}));
}

TEST(SettingsParser, LinesPastTheEighthAreIgnored) {
    std::string text = "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n1\r\ngarbage";
    EXPECT_EQ(ParseSettings(text), (SettingValues{false, false, false, false, false, false, false, true}));
}

TEST(SettingsWriter, WritesTwentyFourBytesThroughTheAtomicStore) {
    MemoryFileStore files;
    Marks marks;
    marks.on[Option::Autoload] = marks.on[Option::Hibernet] = marks.on[Option::Quit] = true;
    marks.on[Option::Tray] = true;  // not a settings line
    ASSERT_TRUE(SaveSettings(marks, files, kAppData).ok);
    EXPECT_EQ(files.files.at(kSettings), "1\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n1\r\n");
    EXPECT_EQ(files.files.at(kSettings).size(), 24u);
    // Round trip through the parser.
    EXPECT_EQ(ParseSettings(files.files.at(kSettings)), CollectSettings(marks));

    files.failWrites = true;
    files.files[kSettings] = "old";
    EXPECT_FALSE(SaveSettings(marks, files, kAppData).ok);
    EXPECT_EQ(files.files.at(kSettings), "old") << "a failed write leaves the old file whole";
}

TEST(StartMode, MarkerPresenceOnlyAndMenuHandlers) {
    MemoryFileStore files;
    Marks marks;
    const std::wstring marker = kAppData + L"\\knstartm.ini";
    EXPECT_FALSE(StartHidden(files, kAppData));
    files.files[marker] = "";  // empty counts the same as "Yes"
    EXPECT_TRUE(StartHidden(files, kAppData));
    files.files.clear();

    ASSERT_TRUE(menuTray_Click(marks, files, kAppData).ok);
    EXPECT_EQ(files.files.at(marker), "Yes\r\n");
    EXPECT_TRUE(marks.Checked(Option::Tray));
    EXPECT_FALSE(marks.Checked(Option::Normal));

    ASSERT_TRUE(menuNormal_Click(marks, files, kAppData).ok);
    EXPECT_FALSE(files.Exists(marker));
    EXPECT_TRUE(marks.Checked(Option::Normal));
    EXPECT_FALSE(marks.Checked(Option::Tray));
    EXPECT_TRUE(menuNormal_Click(marks, files, kAppData).ok) << "deleting an absent marker is silent";

    files.failWrites = true;  // the marks change even when the marker cannot be written
    EXPECT_FALSE(menuTray_Click(marks, files, kAppData).ok);
    EXPECT_TRUE(marks.Checked(Option::Tray));
}

TEST(OptionToggles, AutoloadAndAutostartInvert) {
    Marks marks;
    menuAutoload_Click(marks);
    EXPECT_TRUE(marks.Checked(Option::Autoload));
    menuAutoload_Click(marks);
    EXPECT_FALSE(marks.Checked(Option::Autoload));
    EXPECT_TRUE(ToggleAutostartMark(marks));
    EXPECT_FALSE(ToggleAutostartMark(marks));
}

TEST(Paths, JoinAndSplit) {
    EXPECT_EQ(PathInFolder(L"C:\\data", L"knsetting.ini"), L"C:\\data\\knsetting.ini");
    EXPECT_EQ(PathInFolder(L"", L"knsetting.ini"), L"\\knsetting.ini") << "APPDATA not set";
    auto p = SplitExePath(L"C:\\Program Files\\Kestrelon\\kestrelon.exe");
    EXPECT_EQ(p.folder, L"C:\\Program Files\\Kestrelon");
    EXPECT_EQ(p.baseName, L"kestrelon");
    EXPECT_EQ(SplitExePath(L"Z:\\a.b\\my.tool.exe").baseName, L"my.tool");
}

TEST(AutostartTexts, QuotedOnlyWithABlank) {
    EXPECT_EQ(AutostartValueText(L"C:\\Apps", L"kestrelon"), L"C:\\Apps\\kestrelon.exe");
    EXPECT_EQ(AutostartValueText(L"C:\\Program Files\\K", L"kestrelon"), L"\"C:\\Program Files\\K\\kestrelon.exe\"");
    EXPECT_EQ(RegistryErrorText(5, RegistryStep::Opening), L"Error 5 opening key\r\n");
    EXPECT_EQ(RegistryErrorText(5, RegistryStep::Setting, L"Access is denied."),
              L"Error 5 setting key\r\nAccess is denied.");
    EXPECT_EQ(FailureText(13, L"Type mismatch"), L"13 Type mismatch");
}

}  // namespace
}  // namespace kestrelon
