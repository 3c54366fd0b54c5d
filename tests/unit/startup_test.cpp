#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/Startup.h"

namespace kestrelon {
namespace {

const std::wstring kAppData = L"C:\\data";
const std::wstring kSettings = L"C:\\data\\knsetting.ini";
const std::wstring kMarker = L"C:\\data\\knstartm.ini";
const std::wstring kDefault = L"C:\\data\\default.ktf";

// Files in memory, some of which cannot be read for a while, as when
// another program holds them: `locked[path]` reads of that path fail.
class LockingFileStore : public MemoryFileStore {
public:
    std::map<std::wstring, int> locked;
    int reads = 0;
    std::optional<std::string> ReadAll(const std::wstring& path) override {
        ++reads;
        auto it = locked.find(path);
        if (it != locked.end() && it->second > 0 && Exists(path)) {
            --it->second;
            return std::nullopt;
        }
        return MemoryFileStore::ReadAll(path);
    }
};

// The main window as the sequences see it. Every step lands in `log`.
class FakeWindow : public IStartupHost, public IOptionMarks {
public:
    LockingFileStore files;
    // A window whose start-up has run; a test of a way out taken during
    // start-up begins with `started` clear, as the program does.
    DataHold hold{true};
    std::map<Option, bool> marks;
    std::vector<std::wstring> log;
    bool otherInstance = false;
    bool autostartInRegistry = false;
    bool answerOk = true;
    bool skinMissing = false;  // attach and detach throw, as a missing library would
    int rows = 0;
    int rowsInDefaultFile = 0;
    bool mainVisible = false, pictureVisible = false, timerEnabled = false, ended = false;
    bool unloadRunsFormUnload = true;
    unsigned waited = 0;
    std::vector<std::wstring> notices, questions;

    IFileStore& Files() override { return files; }
    IOptionMarks& Options() override { return *this; }
    std::wstring AppDataFolder() override { return kAppData; }
    std::wstring ProgramFolder() override { return L"C:\\Program Files\\Kestrelon"; }
    std::wstring ExeBaseName() override { return L"kestrelon"; }
    DataHold& Hold() override { return hold; }

    bool Checked(Option o) const override {
        auto it = marks.find(o);
        return it != marks.end() && it->second;
    }
    void SetChecked(Option o, bool on) override { marks[o] = on; }

    bool AnotherInstanceRunning() override { return Note(L"instance?"), otherInstance; }
    void EndProcess() override { Note(L"end"), ended = true; }
    void ResetIdleWatcher() override { Note(L"idle reset"); }
    void AttachSkin(const std::wstring& f) override {
        Note(L"attach " + f);
        if (skinMissing) throw std::runtime_error("no skin library");
    }
    void ShowTrayWindow() override { Note(L"tray window"); }
    void SetCaption(const std::wstring& t) override { Note(L"caption " + t); }
    void LoadLanguage() override { Note(L"language"); }
    void LoadEditorHidden() override { Note(L"editor load"); }
    void ShowMain() override { Note(L"show"), mainVisible = true; }
    void HideMain() override { Note(L"hide"), mainVisible = false; }
    void RefreshMain() override { Note(L"refresh"); }
    void DoEvents() override {
        Note(L"doevents");
        if (auto run = std::exchange(onDoEvents, nullptr)) run();
    }
    // Runs once, at the next DoEvents (a message start-up lets run).
    std::function<void()> onDoEvents;
    void SizeAndScale() override { Note(L"size"); }
    void SetPictureVisible(bool on) override { Note(on ? L"picture on" : L"picture off"), pictureVisible = on; }
    void updateLan() override { Note(L"updateLan"); }
    void LoadDefaultTasks(const std::wstring& path) override {
        Note(L"load " + path);
        rows += rowsInDefaultFile;
    }
    int TaskCount() override { return rows; }
    bool IsAutostartSet(const std::wstring& name) override {
        Note(L"autostart? " + name);
        return autostartInRegistry;
    }
    void SetTimerCloseEnabled(bool on) override { Note(L"timer"), timerEnabled = on; }
    void WaitMs(unsigned ms) override { waited += ms; }
    void TellNotice(const std::wstring& text) override { notices.push_back(text); }
    bool ConfirmExit() override { return Note(L"ask"), answerOk; }
    bool AskEndAnyway(const std::wstring& text) override {
        Note(L"ask end anyway");
        questions.push_back(text);
        return answerOk;
    }
    void SaveDefaultTasks() override { Note(L"save tasks"); }
    void ReportWrite(const std::wstring& path, const FileResult& r) override {
        if (!r.ok) Note(L"failed " + path + L": " + r.error + (ending == Ending::None ? L"" : L" (ending)"));
    }
    Ending ending = Ending::None;
    void BeginEnding(Ending how) override {
        Note(how == Ending::AskedByUser ? L"ending asked" : L"ending unattended");
        ending = how;
    }
    void RemoveTrayIcon() override { Note(L"remove icon"); }
    void DetachSkin() override {
        Note(L"detach");
        if (skinMissing) throw std::runtime_error("no skin library");
    }
    void UnloadEditor() override { Note(L"editor unload"); }
    void UnloadMain() override {
        Note(L"unload main");
        if (unloadRunsFormUnload) RunUnload(*this);
    }

    bool Logged(const std::wstring& s) const { return std::find(log.begin(), log.end(), s) != log.end(); }
    bool Final(bool on) const {
        for (Option o : kFinalOptions)
            if (Checked(o) != on) return false;
        return true;
    }

private:
    void Note(const std::wstring& s) { log.push_back(s); }
};

std::string Lines(std::initializer_list<int> v) {
    std::string s;
    for (int x : v) s += std::to_string(x) + "\r\n";
    return s;
}

TEST(Startup, NormalStartRunsTheStepsInOrder) {
    FakeWindow w;
    ASSERT_TRUE(RunStartup(w));
    std::vector<std::wstring> expected = {
        L"instance?", L"idle reset", L"attach C:\\Program Files\\Kestrelon\\library.she", L"tray window",
        L"caption Kestrelon", L"language", L"editor load", L"size", L"show", L"doevents", L"doevents",
        L"picture on", L"updateLan", L"hide", L"refresh", L"show", L"autostart? kestrelon"};
    EXPECT_EQ(w.log, expected);
    EXPECT_TRUE(w.mainVisible);
    EXPECT_TRUE(w.pictureVisible);
    EXPECT_FALSE(w.timerEnabled);
    EXPECT_TRUE(w.Checked(Option::Normal));
    EXPECT_FALSE(w.Checked(Option::Tray));
    EXPECT_TRUE(w.files.files.empty()) << "start-up writes nothing";
}

TEST(Startup, AutoloadWithThreeRowsShowsThemAndStartsTheTimer) {
    FakeWindow w;
    w.files.files[kSettings] = Lines({1, 0, 1});
    w.files.files[kDefault] = "three rows";
    w.rowsInDefaultFile = 3;
    RunStartup(w);
    EXPECT_TRUE(w.Logged(L"load " + kDefault));
    EXPECT_EQ(w.rows, 3);
    EXPECT_FALSE(w.pictureVisible);
    EXPECT_TRUE(w.timerEnabled);
    EXPECT_TRUE(w.Checked(Option::Autoload));
    EXPECT_TRUE(w.Final(false));
}

TEST(Startup, AutoloadOffIgnoresTheDefaultList) {
    FakeWindow w;
    w.files.files[kSettings] = Lines({0, 1, 1, 1, 1, 1, 1, 1});
    w.files.files[kDefault] = "three rows";
    w.rowsInDefaultFile = 3;
    RunStartup(w);
    EXPECT_FALSE(w.Logged(L"load " + kDefault));
    EXPECT_EQ(w.rows, 0);
    EXPECT_TRUE(w.pictureVisible);
    EXPECT_FALSE(w.timerEnabled);
}

TEST(Startup, AutoloadWithEmptyOrMissingListKeepsThePicture) {
    FakeWindow w;
    w.files.files[kSettings] = Lines({1});
    RunStartup(w);  // no default.ktf
    EXPECT_FALSE(w.Logged(L"load " + kDefault));
    EXPECT_TRUE(w.pictureVisible);

    FakeWindow e;
    e.files.files[kSettings] = Lines({1});
    e.files.files[kDefault] = "";
    RunStartup(e);  // a list that yields no rows
    EXPECT_TRUE(e.Logged(L"load " + kDefault));
    EXPECT_TRUE(e.pictureVisible);
    EXPECT_FALSE(e.timerEnabled);
}

TEST(Startup, FinalChoicesAlwaysStartClearAndAutostartFollowsTheRegistry) {
    for (bool registry : {false, true}) {
        for (bool withFile : {false, true}) {
            FakeWindow w;
            for (Option o : kSettingOrder) w.marks[o] = true;  // design-time marks
            if (withFile) w.files.files[kSettings] = Lines({1, 1, 1, 1, 1, 1, 1, 1});
            w.autostartInRegistry = registry;
            RunStartup(w);
            EXPECT_TRUE(w.Final(false)) << registry << withFile;
            EXPECT_EQ(w.Checked(Option::Autostart), registry) << withFile;
            EXPECT_EQ(w.Checked(Option::Autoload), withFile) << registry;
        }
    }
}

TEST(Startup, MarkerStartsHiddenWithTrayMarked) {
    FakeWindow w;
    w.files.files[kMarker] = "";  // content is never read
    RunStartup(w);
    EXPECT_FALSE(w.Logged(L"show"));
    EXPECT_FALSE(w.mainVisible);
    EXPECT_TRUE(w.Checked(Option::Tray));
    EXPECT_FALSE(w.Checked(Option::Normal));
}

TEST(Startup, SecondInstanceEndsBeforeAnything) {
    FakeWindow w;
    w.otherInstance = true;
    w.files.files[kSettings] = Lines({1});
    EXPECT_FALSE(RunStartup(w));
    EXPECT_EQ(w.log, (std::vector<std::wstring>{L"instance?", L"end"}));
    EXPECT_EQ(w.files.files.size(), 1u);
}

TEST(Startup, ClearsWhatInterruptedSavesLeftButASecondInstanceTouchesNothing) {
    const std::map<std::wstring, std::string> before = {
        {kDefault, "row\r\n"},
        {kDefault + L".~120-3.tmp", ""},
        {kDefault + L".~96-1.tmp", "half a ro"},
        {kSettings + L".~96-2.tmp", "1\r\n0\r\n"},
        {L"C:\\data\\knde.dat.~8-1.tmp", "de"},
        {L"C:\\data\\other.ktf.~8-1.tmp", "not ours"},
        {L"C:\\data\\default.ktf.~x.tmp", "not our name"},
        {L"C:\\elsewhere\\default.ktf.~8-1.tmp", "another folder"},
    };
    FakeWindow second;
    second.otherInstance = true;
    second.files.files = before;
    RunStartup(second);
    EXPECT_EQ(second.files.files, before);

    FakeWindow w;
    w.files.files = before;
    RunStartup(w);
    std::vector<std::wstring> left;
    for (const auto& [name, bytes] : w.files.files) left.push_back(name);
    EXPECT_EQ(left, (std::vector<std::wstring>{L"C:\\data\\default.ktf", L"C:\\data\\default.ktf.~x.tmp",
                                               L"C:\\data\\other.ktf.~8-1.tmp",
                                               L"C:\\elsewhere\\default.ktf.~8-1.tmp"}));
}

TEST(Startup, MissingSkinLibraryChangesNothingElse) {
    FakeWindow with, without;
    without.skinMissing = true;
    RunStartup(with);
    RunStartup(without);
    EXPECT_EQ(with.log, without.log);
    EXPECT_TRUE(without.mainVisible);
}

TEST(Startup, AWayOutTakenBeforeStartupHasReadTheFilesLeavesThemAsTheyWere) {
    // The session ends, the window is closed or a quit runs while start-up
    // lets messages run: its option marks are still clear then.
    const std::map<std::wstring, std::string> before = {{kSettings, Lines({1, 0, 0, 0, 0, 0, 0, 1})},
                                                        {kDefault, "row\r\n"}};
    const std::function<void(FakeWindow&)> waysOut[] = {RunEndSession, RunUnload, RunQuitNow, SaveBeforeForcedEnd};
    for (const auto& wayOut : waysOut) {
        FakeWindow w;
        w.hold.started = false;
        w.files.files = before;
        w.onDoEvents = [&] { wayOut(w); };
        RunStartup(w);
        EXPECT_EQ(w.files.files, before);
        EXPECT_FALSE(w.Logged(L"save tasks"));
    }
    // Once start-up has finished, the same ways out save.
    FakeWindow w;
    w.hold.started = false;
    w.files.files = before;
    RunStartup(w);
    RunEndSession(w);
    EXPECT_TRUE(w.Logged(L"save tasks"));
    EXPECT_EQ(w.files.files.at(kSettings), Lines({1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Startup, ASettingsFileThatCannotBeReadIsTriedAgainAndNeverTakenForAllOptionsOff) {
    // Held by another program for a moment: read on a later try.
    FakeWindow brief;
    brief.files.files = {{kSettings, Lines({1})}, {kDefault, "row"}};
    brief.files.locked[kSettings] = 3;
    brief.rowsInDefaultFile = 1;
    RunStartup(brief);
    EXPECT_TRUE(brief.Checked(Option::Autoload));
    EXPECT_TRUE(brief.Logged(L"load " + kDefault));
    EXPECT_EQ(brief.waited, 3 * kSettingsRetryMs);
    EXPECT_TRUE(brief.notices.empty());

    // Held for longer: the list is not loaded, the user is told once, and no
    // way out writes the settings or writes or deletes the list.
    const std::map<std::wstring, std::string> before = {{kSettings, Lines({1})}, {kDefault, "row"}};
    const std::function<void(FakeWindow&)> waysOut[] = {RunEndSession, RunUnload, RunQuitNow, SaveBeforeForcedEnd};
    for (const auto& wayOut : waysOut) {
        FakeWindow w;
        w.files.files = before;
        w.files.locked[kSettings] = 1000;
        RunStartup(w);
        EXPECT_EQ(w.files.reads, kSettingsReadTries);
        EXPECT_FALSE(w.Logged(L"load " + kDefault));
        ASSERT_EQ(w.notices.size(), 1u);
        EXPECT_NE(w.notices[0].find(kSettings), std::wstring::npos);
        w.marks[Option::Autoload] = true;  // whatever the user ticks meanwhile
        w.rows = 1;
        wayOut(w);
        EXPECT_EQ(w.files.files, before);
        EXPECT_FALSE(w.Logged(L"save tasks"));
    }
}

TEST(Exit, TheCloseBoxAsksAboutAListLeftAloneUntilTheListIsReadAgain) {
    // (Exit's question is tested on the real window.)
    for (bool endAnyway : {false, true}) {
        FakeWindow c;
        c.hold.listUnreadable = true;
        c.rows = 1;
        c.answerOk = endAnyway;
        EXPECT_EQ(RunCloseBox(c), endAnyway);
        ASSERT_EQ(c.questions.size(), 1u);
        EXPECT_NE(c.questions[0].find(kDefault + L"\r\nas it was"), std::wstring::npos);
        EXPECT_NE(c.questions[0].find(L"the 1 task in"), std::wstring::npos);
    }
    FakeWindow empty;  // nothing to lose: no question
    empty.hold.listUnreadable = true;
    EXPECT_TRUE(RunCloseBox(empty));
    EXPECT_TRUE(empty.questions.empty());

    // "Load Tasks" of default.ktf itself ends the hold; another file does not.
    DataHold hold{true, false, true};
    NoteTaskFileRead(hold, L"C:\\data\\other.ktf", kDefault);
    EXPECT_FALSE(hold.MaySaveList());
    NoteTaskFileRead(hold, L"c:/DATA/Default.KTF", kDefault);
    EXPECT_TRUE(hold.MaySaveList());
    hold.settingsUnreadable = true;  // an unreadable settings file holds on
    NoteTaskFileRead(hold, kDefault, kDefault);
    EXPECT_FALSE(hold.MaySaveList());
}

TEST(Exit, WithTasksCancelChangesNothing) {
    FakeWindow w;
    w.rows = 2;
    w.pictureVisible = true;
    w.answerOk = false;
    EXPECT_FALSE(RunExit(w));
    EXPECT_EQ(w.log, (std::vector<std::wstring>{L"ask"}));
    EXPECT_TRUE(w.pictureVisible);
    EXPECT_FALSE(w.ended);
    EXPECT_TRUE(w.files.files.empty());
}

TEST(Exit, WithTasksOkSavesAndEnds) {
    FakeWindow w;
    w.rows = 2;
    w.marks[Option::Autoload] = true;
    w.marks[Option::Quit] = true;
    EXPECT_TRUE(RunExit(w));
    // The way out begins right after OK: nothing fires from there on.
    std::vector<std::wstring> expected = {L"ask",           L"ending asked", L"picture off",  L"detach",
                                          L"editor unload", L"unload main",  L"ending asked", L"save tasks",
                                          L"remove icon",   L"detach",       L"editor unload", L"end"};
    EXPECT_EQ(w.log, expected);
    EXPECT_EQ(w.files.files.at(kSettings), "1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n");
}

TEST(Exit, EmptyListEndsWithoutAQuestion) {
    FakeWindow w;
    EXPECT_TRUE(RunExit(w));
    EXPECT_FALSE(w.Logged(L"ask"));
    EXPECT_TRUE(w.ended);
}

TEST(Unload, NeverAsksAndEndsWhateverFails) {
    FakeWindow w;
    w.rows = 5;
    w.skinMissing = true;
    w.files.failWrites = true;
    RunUnload(w);
    EXPECT_FALSE(w.Logged(L"ask"));
    EXPECT_TRUE(w.Logged(L"remove icon"));
    EXPECT_TRUE(w.ended);
    // The settings that could not be written are named to the user before
    // the end, as news of the end.
    EXPECT_EQ(w.log.front(), L"ending asked");
    auto failed = std::find(w.log.begin(), w.log.end(), L"failed " + kSettings + L": Access is denied. (ending)");
    ASSERT_NE(failed, w.log.end());
    EXPECT_LT(failed - w.log.begin(), std::find(w.log.begin(), w.log.end(), L"end") - w.log.begin());
}

TEST(QuitNow, SavesSettingsAndListAndEndsEvenWithoutTheSkinLibrary) {
    for (bool missing : {false, true}) {
        FakeWindow w;
        w.rows = 1;
        w.skinMissing = missing;
        w.marks[Option::Autoload] = true;
        RunQuitNow(w);
        // The list is left as the unload leaves it, so removed rows never come back.
        EXPECT_EQ(w.log, (std::vector<std::wstring>{L"ending unattended", L"save tasks", L"remove icon", L"detach",
                                                     L"editor unload", L"end"}));
        EXPECT_EQ(w.files.files.at(kSettings).size(), 24u);
    }
    FakeWindow readOnly;  // an unwritable data folder does not keep the program running
    readOnly.files.failWrites = true;
    RunQuitNow(readOnly);
    EXPECT_TRUE(readOnly.ended);
}

TEST(EndSession, SavesEverythingAndEndsWithoutAQuestionOrABox) {
    FakeWindow w;
    w.rows = 3;
    w.marks[Option::Autoload] = true;
    w.files.failWrites = true;  // nothing may wait for an answer, even when a write fails
    RunEndSession(w);
    EXPECT_EQ(w.log, (std::vector<std::wstring>{L"ending unattended",
                                                 L"failed " + kSettings + L": Access is denied. (ending)",
                                                 L"save tasks", L"remove icon", L"detach", L"end"}));
    EXPECT_FALSE(w.Logged(L"ask"));

    FakeWindow ok;
    ok.marks[Option::Autoload] = true;
    RunEndSession(ok);
    EXPECT_EQ(ok.files.files.at(kSettings), "1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    EXPECT_TRUE(ok.ended);
}

TEST(SaveBeforeForcedEnd, SavesSettingsAndListAndGoesOn) {
    FakeWindow w;
    w.marks[Option::Autoload] = true;
    SaveBeforeForcedEnd(w);
    EXPECT_EQ(w.log, (std::vector<std::wstring>{L"save tasks"}));
    EXPECT_EQ(w.files.files.count(kSettings), 1u);
    EXPECT_FALSE(w.ended);
}

}  // namespace
}  // namespace kestrelon
