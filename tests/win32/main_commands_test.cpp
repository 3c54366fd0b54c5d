// The main window's commands on the real window: the buttons, their menu
// twins and shortcuts, the web link and the quick-start picture, with a fake
// system (no power request reaches the machine), the shell stubbed and every
// modal window answered from inside its own loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../unit/Fakes.h"
#include "Modal.h"
#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/Languages.h"
#include "mainwindow/form1_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

using testing::AnswerDialog;
using testing::ModalWindow;
using testing::WhileModal;

class MainCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        form.endProcess = [this] { ++ended; };
        form.openUrl = [this](const std::wstring& url) { opened.push_back(url); };
        ASSERT_TRUE(form.Load());
        form.timerMouse.SetEnabled(false);
        ASSERT_TRUE(form.picDoor.Visible());  // a fresh start shows the quick-start picture
    }
    void TearDown() override { form.timerClose.SetEnabled(false); }

    void AddRows(std::initializer_list<const wchar_t*> programs) {
        for (const wchar_t* p : programs) {
            int row = form.Tasks().AddRow(0);
            form.Tasks().SetField(row, fProgram, p);
            form.Tasks().SetField(row, fCloseTime, L"2099/01/01 00:00:00");  // never due in a test
            form.Tasks().SetField(row, fType, L"Close - Normal");
        }
    }
    std::vector<std::wstring> Programs() {
        std::vector<std::wstring> p;
        for (int r = 1; r <= form.Tasks().Count(); ++r) p.push_back(form.Tasks().Field(r, fProgram).value_or(L""));
        return p;
    }
    void ClickMenu(const toolkit::MenuItem& item) { SendMessageW(form.Handle(), WM_COMMAND, item.Id(), 0); }
    // A shortcut typed into the window (Ctrl + key), through the message loop.
    void CtrlKey(WORD key) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        PostMessageW(form.LVClose.Handle(), WM_KEYDOWN, key, 1);
        toolkit::DoEvents();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    void ClickWebLink() {
        SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(form.lblWeb.Id(), STN_CLICKED),
                     reinterpret_cast<LPARAM>(form.lblWeb.Handle()));
    }
    void ClickPicture() {
        SendMessageW(form.picDoor.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        SendMessageW(form.picDoor.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    }
    // Lets the scheduler's timer tick for a while.
    void RunTimers(DWORD ms) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
            Sleep(20);
            toolkit::DoEvents();
        }
    }

    testing::FakeSystem sys;
    form1 form{sys};
    int ended = 0;
    std::vector<std::wstring> opened;
};

const wchar_t kTutorial[] = L"https://www.kestrelon.example/tutorial.html";

TEST_F(MainCommandsTest, DeleteOnAnEmptyListDoesNothingAndOtherwiseRemovesExactlyTheSelectedRow) {
    form.cmdDelete.Click();
    EXPECT_EQ(form.Tasks().Count(), 0);

    AddRows({L"one.exe", L"two.exe", L"three.exe", L"four.exe"});
    form.cmdDelete.Click();  // no row selected: nothing goes
    EXPECT_EQ(Programs(), (std::vector<std::wstring>{L"one.exe", L"two.exe", L"three.exe", L"four.exe"}));
    form.LVClose.Select(1);
    form.cmdDelete.Click();
    EXPECT_EQ(Programs(), (std::vector<std::wstring>{L"one.exe", L"three.exe", L"four.exe"}));
    // Ctrl+D is the same command.
    form.LVClose.Select(2);
    CtrlKey('D');
    EXPECT_EQ(Programs(), (std::vector<std::wstring>{L"one.exe", L"three.exe"}));
    EXPECT_EQ(ended, 0);
}

// "Remove All" (the button, or the menu's clear) handled while the tick's
// refresh before a firing lets messages run: the task does not run, no final
// action follows, and the timer stays on as after a removal between ticks.
TEST_F(MainCommandsTest, RemoveAllWhileATickRefreshesRunsNeitherTheTaskNorTheFinalAction) {
    ClickMenu(form.menuShut);
    for (WPARAM command : {MAKEWPARAM(form.cmdRemoveAll.Id(), BN_CLICKED), WPARAM(form.menuClear.Id())}) {
        AddRows({L"due.exe"});
        form.Tasks().SetField(1, fPath, L"C:\\nowhere\\due.exe");
        form.Tasks().SetField(1, fType, L"Run - Normal");
        form.Tasks().SetField(1, fCloseTime, L"2000/01/01 00:00:00");
        bool posted = false;
        form.rebuildYield = [&] {
            if (!posted) {
                posted = PostMessageW(form.Handle(), WM_COMMAND, command,
                                      command == WPARAM(form.menuClear.Id())
                                          ? 0
                                          : reinterpret_cast<LPARAM>(form.cmdRemoveAll.Handle()));
            }
            toolkit::DoEvents();
        };
        form.timerClose.SetEnabled(true);
        RunTimers(1200);
        form.rebuildYield = nullptr;
        EXPECT_TRUE(posted);
        EXPECT_EQ(form.Tasks().Count(), 0);
        EXPECT_EQ(sys.calls, std::vector<std::wstring>{}) << "the task ran or a power action was asked for";
        EXPECT_TRUE(form.timerClose.Enabled());
        EXPECT_TRUE(form.menuShut.Checked());
    }
    EXPECT_EQ(ended, 0);
}

TEST_F(MainCommandsTest, RemoveAllAndDeletingTheLastRowRunNoFinalAction) {
    ClickMenu(form.menuShut);
    ASSERT_TRUE(form.menuShut.Checked());
    AddRows({L"one.exe", L"two.exe"});
    form.timerClose.SetEnabled(true);
    form.cmdRemoveAll.Click();
    EXPECT_EQ(form.Tasks().Count(), 0);
    RunTimers(1200);  // two ticks of the scheduler and one of the idle watcher
    AddRows({L"last.exe"});
    form.LVClose.Select(0);
    form.cmdDelete.Click();
    EXPECT_EQ(form.Tasks().Count(), 0);
    RunTimers(1200);
    EXPECT_EQ(sys.calls, std::vector<std::wstring>{}) << "a power action was asked for";
    EXPECT_TRUE(form.menuShut.Checked());
    EXPECT_EQ(ended, 0);
}

// The menu a pop-up starts with: its owner is told before it shows
// (WM_INITMENUPOPUP), whether or not the pop-up then waits for the mouse.
LRESULT CALLBACK RecordPopup(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR popups) {
    if (msg == WM_INITMENUPOPUP && !HIWORD(lp))
        reinterpret_cast<std::vector<HMENU>*>(popups)->push_back(reinterpret_cast<HMENU>(wp));
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(MainCommandsTest, SettingPopsUpTheSettingMenuWithTheSixChoices) {
    std::vector<HMENU> popups;
    SetWindowSubclass(form.Handle(), RecordPopup, 1, reinterpret_cast<DWORD_PTR>(&popups));
    WhileModal([&] { form.cmdSetting.Click(); }, [&](const ModalWindow&) { EndMenu(); });
    RemoveWindowSubclass(form.Handle(), RecordPopup, 1);
    ASSERT_FALSE(popups.empty()) << "no pop-up menu";
    const std::vector<std::wstring> expected = {
        L"After Finish All Tasks", L"> Shutdown PC", L"> Reboot", L"> Log Off", L"> Hibernate",
        L"> Turn Off the Monitor / Screen", L"> Quit Kestrelon", L"Auto Start on Windows Booting", L"Start Mode",
        L"> Hide to Tray", L"> Normal", L"Auto Load the Task List", L"-", L"Hide the Window"};
    EXPECT_EQ(testing::MenuTexts(popups.front()), expected);
    EXPECT_FALSE(form.picDoor.Visible());
}

TEST_F(MainCommandsTest, HowToUseTheLinkAndCtrlHOpenTheTutorialPage) {
    form.cmdHelp.Click();
    ClickWebLink();
    CtrlKey('H');
    ClickMenu(form.menuHelp);
    EXPECT_EQ(opened, (std::vector<std::wstring>(4, kTutorial)));
}

TEST_F(MainCommandsTest, AboutShowsTheYearOfTodayAndLeavesThePicture) {
    sys.now = DateTime{2031, 3, 4, 5, 6, 7};
    ModalWindow seen;
    ASSERT_TRUE(WhileModal([&] { ClickMenu(form.menuAbout); },
                           [&](const ModalWindow& m) {
                               seen = m;
                               AnswerDialog(m, IDOK);
                           }));
    EXPECT_EQ(seen.title, L"About");
    const bool year = std::any_of(seen.texts.begin(), seen.texts.end(),
                                  [](const std::wstring& t) { return t.find(L"2031") != std::wstring::npos; });
    EXPECT_TRUE(year) << "the notice does not name 2031";
    EXPECT_TRUE(form.picDoor.Visible());
}

TEST_F(MainCommandsTest, HideTheWindowHidesItAndLeavesThePicture) {
    ASSERT_TRUE(form.Visible());
    ClickMenu(form.menuHide);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(form.picDoor.Visible());
    EXPECT_EQ(ended, 0);
    form.Show();
}

TEST_F(MainCommandsTest, EveryOtherCommandAndAClickOnThePictureHideThePicture) {
    auto cancelModal = [](const ModalWindow& m) {
        if (m.kind == L"#32768") EndMenu();
        else AnswerDialog(m, IDCANCEL);
    };
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Add a Task", [&] { form.cmdAdd.Click(); }},
        {"Delete", [&] { form.cmdDelete.Click(); }},
        {"Remove All", [&] { form.cmdRemoveAll.Click(); }},
        {"Save Tasks", [&] { WhileModal([&] { form.cmdSave.Click(); }, cancelModal); }},
        {"Load Tasks", [&] { WhileModal([&] { form.cmdLoad.Click(); }, cancelModal); }},
        {"Setting", [&] { WhileModal([&] { form.cmdSetting.Click(); }, cancelModal); }},
        {"How to Use", [&] { form.cmdHelp.Click(); }},
        {"Task/Add a Task", [&] { ClickMenu(form.menuAdd); }},
        {"Task/Delete the Selected", [&] { ClickMenu(form.menuDelete); }},
        {"Task/Clear the Task List", [&] { ClickMenu(form.menuClear); }},
        {"About/Help", [&] { ClickMenu(form.menuHelp); }},
        {"the web link", [&] { ClickWebLink(); }},
        {"a click on the picture", [&] { ClickPicture(); }},
    };
    for (const auto& [what, run] : commands) {
        form.SetPictureVisible(true);
        run();
        EXPECT_FALSE(form.picDoor.Visible()) << what;
        if (form.Editor() && form.Editor()->Visible()) form.Editor()->cmdCancel.Click();
    }
    // Exit hides it only when the program really ends: not after Cancel.
    AddRows({L"one.exe"});
    form.SetPictureVisible(true);
    ModalWindow question;
    ASSERT_TRUE(WhileModal([&] { form.cmdExit.Click(); },
                           [&](const ModalWindow& m) {
                               question = m;
                               AnswerDialog(m, IDCANCEL);
                           }));
    EXPECT_TRUE(form.picDoor.Visible());
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(question.title, lanText()[6]);
}

}  // namespace
}  // namespace kestrelon
