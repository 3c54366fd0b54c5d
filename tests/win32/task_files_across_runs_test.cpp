// The default task list across two runs of the real main window with the
// real file store and the system's code page: the program writes its list,
// ends, and starts again, in between the regional settings change. Names
// outside the code page come back unchanged, and a repeating task keeps its
// time under the new settings (each locale's settings are those the system
// reports for it).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "../unit/Fakes.h"
#include "TestPaths.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/System_win32.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/FileStore_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

using testing::Env;
using testing::ReadBytes;
using testing::WriteBytes;

std::string Utf8(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Printable text for a failure message: the UTF-8 bytes.
std::string Shown(const std::wstring& s) { return Utf8(s); }

const std::string kAutoloadOn = "1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";
const std::wstring kPolishCommand = L"C:\\\u017C\u00F3\u0142w\\helper.exe \u0105\u0119";  // C:\żółw\helper.exe ąę

class AcrossRuns : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        savedAppData = Env(L"APPDATA");
        appData = testing::TempDir() + L"kruns_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(GetTickCount());
        ASSERT_TRUE(CreateDirectoryW(appData.c_str(), nullptr));
        SetEnvironmentVariableW(L"APPDATA", appData.c_str());
        ASSERT_TRUE(store.WriteAtomic(appData + L"\\knsetting.ini", kAutoloadOn).ok);
    }
    void TearDown() override {
        for (const wchar_t* name : {L"default.ktf", L"knsetting.ini", L"saved.ktf"})
            DeleteFileW((appData + L"\\" + name).c_str());
        RemoveDirectoryW(appData.c_str());
        SetEnvironmentVariableW(L"APPDATA", savedAppData.c_str());
    }

    // One run of the program: started with `sys`, `during` is what happens
    // while it runs, then it ends the way the user's Exit ends it.
    template <class During>
    void Run(testing::FakeSystem& sys, During during) {
        auto form = std::make_unique<form1>(sys);
        form->endProcess = [] {};
        form->showWriteFailure = [this](const std::wstring& text) { told.push_back(text); };
        ASSERT_TRUE(form->Load());
        form->timerClose.SetEnabled(false);  // the test ticks by itself
        during(*form);
        form->UnloadMain();
    }
    std::string ListBytes() { return store.ReadAll(List()).value_or("<none>"); }
    // Field 4 of the first line of the default list.
    std::string CloseTimeInList() {
        const std::string bytes = ListBytes();
        size_t at = 0;
        for (int tab = 0; tab < 3 && at != std::string::npos; ++tab) at = bytes.find('\t', at + (tab ? 1 : 0));
        if (at == std::string::npos) return "<none>";
        return bytes.substr(at + 1, bytes.find('\t', at + 1) - at - 1);
    }
    std::wstring List() const { return appData + L"\\default.ktf"; }

    Win32FileStore store;
    std::wstring savedAppData, appData;
    std::vector<std::wstring> told;
};

TEST_F(AcrossRuns, APolishNameSurvivesASaveAndAReload) {
    AnsiCodec codec;
    // The system's codec alone maps these letters to others ("best fit"):
    // that is what a save must not do.
    if (GetACP() == 1252) {
        EXPECT_NE(codec.Decode(codec.Encode(kPolishCommand)), kPolishCommand);
    }

    testing::FakeSystem sys;
    sys.locale = ReadLocaleFormat(L"en-US");
    const std::wstring saved = appData + L"\\saved.ktf";
    Run(sys, [&](form1& f) {
        const int row = f.Tasks().AddRow(0);
        const std::wstring fields[kFieldCount] = {L"helper.exe \u0105\u0119", kPolishCommand, L"None",
                                                  L"2026/12/08 10:31:00", L"None", L"Run - Normal", L""};
        for (int k = 1; k <= kFieldCount; ++k) f.Tasks().SetField(row, k, fields[k - 1]);
        f.SaveDefaultTasks();  // as after a firing
        // "Save Tasks" writes through the same writer.
        ASSERT_TRUE(WriteTaskFile(saved, f.Tasks(), f.Files(), codec, sys.Locale()).ok);
    });
    const std::string bytes = ListBytes();
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find(Utf8(kPolishCommand)), std::string::npos);
    EXPECT_EQ(store.ReadAll(saved), bytes);
    EXPECT_TRUE(told.empty());

    // The next start reloads it; the task, due now, starts that very program.
    sys.now = {2026, 12, 8, 10, 32, 0};
    Run(sys, [&](form1& f) {
        ASSERT_EQ(f.TaskCount(), 1);
        EXPECT_EQ(f.Tasks().Field(1, fPath), kPolishCommand) << Shown(f.Tasks().Field(1, fPath).value_or(L""));
        EXPECT_EQ(f.Tasks().Field(1, fProgram), L"helper.exe \u0105\u0119");
        // "Load Tasks" reads the saved file the same way.
        ASSERT_EQ(ReadTaskFile(saved, f.Tasks(), 0, f.Files(), codec, sys.Now(), sys.Locale()).added, 1);
        EXPECT_EQ(f.Tasks().Field(2, fPath), kPolishCommand);
        f.Tasks().RemoveRow(2);
        TimerCloseTick(f);
        ASSERT_EQ(sys.started.size(), 1u);
        EXPECT_NE(sys.started[0].second.find(L"\u017C\u00F3\u0142w"), std::wstring::npos)
            << Shown(sys.started[0].second);
    });
}

TEST_F(AcrossRuns, AListTheCodePageHoldsIsStillWrittenInItByteForByte) {
    testing::FakeSystem sys;
    sys.locale = ReadLocaleFormat(L"en-US");
    // Letters of the code page beyond ASCII where it is Windows-1252.
    const bool western = GetACP() == 1252;
    const std::wstring path = western ? L"C:\\Caf\u00E9\\\u20AC.exe" : L"C:\\Cafe\\euro.exe";
    const std::string pathBytes = western ? "C:\\Caf\xE9\\\x80.exe" : "C:\\Cafe\\euro.exe";
    Run(sys, [&](form1& f) {
        const int row = f.Tasks().AddRow(0);
        const std::wstring fields[kFieldCount] = {L"x.exe", path, L"00000", L"2030/01/01 10:00:00",
                                                  L"None", L"Close - Normal", L" - Q"};
        for (int k = 1; k <= kFieldCount; ++k) f.Tasks().SetField(row, k, fields[k - 1]);
    });
    EXPECT_EQ(ListBytes(), "x.exe\t" + pathBytes + "\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t - Q\r\n");
    Run(sys, [&](form1& f) {
        ASSERT_EQ(f.TaskCount(), 1);
        EXPECT_EQ(f.Tasks().Field(1, fPath), path);
    });
}

// A daily run task, due a minute ago, fires at start-up under the first
// settings and is re-armed to the next day; the program ends; it starts again
// under the second settings a minute later. The task must keep its time.
TEST_F(AcrossRuns, AReArmedCloseTimeKeepsItsTimeAfterTheRegionalFormatChanged) {
    struct Change {
        const wchar_t *first, *second;
    };
    const Change changes[] = {{L"en-US", L"de-DE"}, {L"de-DE", L"en-US"},
                              {L"en-US", L"en-GB"},  // 12-hour -> 24-hour, month and day swap places
                              {L"ko-KR", L"fi-FI"},  // designator before the time -> dots in the time
                              {L"th-TH", L"en-US"}};  // Buddhist years -> Gregorian
    const DateTime next{2026, 12, 10, 16, 17, 37};
    for (const Change& c : changes) {
        const std::string what = Shown(c.first) + " -> " + Shown(c.second);
        DeleteFileW(List().c_str());
        ASSERT_TRUE(store.WriteAtomic(List(), "helper.exe\tC:\\helper.exe\tNone\t2026/12/09 16:17:37\t"
                                              "Every Day\tRun - Normal\t\r\n").ok);
        testing::FakeSystem sys;
        sys.locale = ReadLocaleFormat(c.first);
        sys.now = {2026, 12, 9, 16, 18, 37};
        std::wstring shownFirst;
        Run(sys, [&](form1& f) {
            ASSERT_EQ(f.TaskCount(), 1) << what;
            TimerCloseTick(f);
            ASSERT_EQ(sys.started.size(), 1u) << what;
            ASSERT_EQ(f.TaskCount(), 1) << what;
            shownFirst = f.Tasks().Field(1, fCloseTime).value_or(L"");
            EXPECT_EQ(ParseDateTime(shownFirst, sys.Locale()), next) << what;
        });
        const std::string file = CloseTimeInList();
        EXPECT_EQ(file, "2026/12/10 16:17:37") << what;

        sys.locale = ReadLocaleFormat(c.second);
        sys.now = {2026, 12, 9, 16, 19, 37};
        std::wstring shownSecond;
        Run(sys, [&](form1& f) {
            ASSERT_EQ(f.TaskCount(), 1) << what;
            shownSecond = f.Tasks().Field(1, fCloseTime).value_or(L"");
            EXPECT_EQ(ParseDateTime(shownSecond, sys.Locale()), next) << what << ": \"" << Shown(shownSecond) << "\"";
            TimerCloseTick(f);
            EXPECT_EQ(sys.started.size(), 1u) << what << ": fired a day early";
            EXPECT_EQ(f.TaskCount(), 1) << what;
            sys.now = {2026, 12, 10, 16, 17, 36};
            TimerCloseTick(f);
            EXPECT_EQ(sys.started.size(), 1u) << what << ": fired a second early";
            sys.now = next;
            TimerCloseTick(f);
            EXPECT_EQ(sys.started.size(), 2u) << what << ": did not fire at its time";
        });
        std::printf("%s: shown \"%s\", saved as \"%s\", shown after the change \"%s\"\n", what.c_str(),
                    Shown(shownFirst).c_str(), file.c_str(), Shown(shownSecond).c_str());
    }
    EXPECT_TRUE(told.empty());
}

}  // namespace
}  // namespace kestrelon
