// The task editor window on the real window system, with the main window
// and a fake system: the controls are set as a user would set them, "Add"
// is pressed through its button, and the row, the marks and the windows'
// visibility are read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/frmMouseSelect_win32.h"
#include "../unit/Fakes.h"
#include "mainwindow/form1_win32.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/FileStore_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        main.endProcess = [] {};
        ASSERT_TRUE(main.Load());
        main.Tasks().Clear();
        main.timerClose.SetEnabled(false);
        main.timerMouse.SetEnabled(false);  // it would re-enable the scheduler on its own
        editor.messageBox = [this](const PromptBox& m) {
            messages.push_back(m);
            return answer;
        };
        ASSERT_TRUE(editor.Load());
        EXPECT_FALSE(editor.Visible());  // created hidden
        editor.ShowEditor();
        ASSERT_TRUE(editor.Visible());
    }
    void TearDown() override { main.timerClose.SetEnabled(false); }

    static void Click(const toolkit::Control& c) { SendMessageW(c.Handle(), BM_CLICK, 0, 0); }
    std::wstring Field(int row, int k) { return main.Tasks().Field(row, k).value_or(L"<none>"); }
    std::vector<std::wstring> Row(int row) {
        std::vector<std::wstring> f;
        for (int k = 1; k <= kFieldCount; ++k) f.push_back(Field(row, k));
        return f;
    }
    // The control's rectangle in the editor's client area, in pixels.
    RECT ClientRect(const toolkit::Control& c, HWND relativeTo) {
        RECT r{};
        GetWindowRect(c.Handle(), &r);
        MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    testing::FakeSystem sys;
    form1 main{sys};
    frmMouseSelect editor{main};
    std::vector<PromptBox> messages;
    int answer = IDOK;
};

TEST_F(EditorTest, LoadFillsTheListsAndStartsInIntervalModeAtTheTimeOfLoading) {
    EXPECT_EQ(editor.Caption(), L"Add a Task");
    ASSERT_EQ(editor.cmbYear.ListCount(), 982);
    EXPECT_EQ(editor.cmbYear.List(0), L"2018");
    EXPECT_EQ(editor.cmbYear.List(981), L"2999");
    ASSERT_EQ(editor.cmbMonth.ListCount(), 12);
    EXPECT_EQ(editor.cmbMonth.List(0), L"1(Jan)");
    EXPECT_EQ(editor.cmbMonth.List(11), L"12(Dec)");
    EXPECT_EQ(editor.cmbDay.ListCount(), 31);
    EXPECT_EQ(editor.cmbHour.ListCount(), 24);
    EXPECT_EQ(editor.cmbSec.ListCount(), 60);
    for (const toolkit::ComboBox* c : {&editor.cmbTDay, &editor.cmbTSec, &editor.cmbLoopDay, &editor.cmbLoopMin}) {
        ASSERT_EQ(c->ListCount(), 100);
        EXPECT_EQ(c->List(99), L"99");
    }
    EXPECT_EQ(editor.cmbLoop.ListCount(), 6);
    EXPECT_EQ(editor.cmbAfter.List(1), L"Shut Down the PC");
    EXPECT_EQ(editor.cmbAutoType.List(0), L"Kestrelon Task - Close a program at a specific time");

    // 2026/12/08 10:30:00, to the minute.
    EXPECT_EQ(editor.cmbYear.Text(), L"2026");
    EXPECT_EQ(editor.cmbMonth.ListIndex(), 11);
    EXPECT_EQ(editor.cmbDay.Text(), L"08");
    EXPECT_EQ(editor.cmbHour.Text(), L"10");
    EXPECT_EQ(editor.cmbMin.Text(), L"30");
    EXPECT_EQ(editor.cmbSec.Text(), L"00");
    EXPECT_EQ(editor.cmbLoopMin.Text(), L"01");

    EXPECT_TRUE(editor.optTimer.Value());
    EXPECT_FALSE(editor.cmbYear.Enabled());
    EXPECT_TRUE(editor.cmbTSec.Enabled());
    EXPECT_TRUE(editor.chkMouse.Enabled());
    EXPECT_EQ(editor.cmbAutoType.ListIndex(), 0);
    EXPECT_FALSE(editor.txtCmd.Enabled());
    EXPECT_EQ(editor.Label10.Text(), L"Selected EXE:");
    EXPECT_FALSE(editor.lblLoop.Visible());
    EXPECT_FALSE(editor.picLoop.Visible());
    EXPECT_EQ(editor.imgSelect.Icon(), editor.imgBackUp.Icon());
    ASSERT_NE(editor.FileDialog(), nullptr);
}

TEST_F(EditorTest, RunTaskWithACommandLineAndAThreeSecondCountdown) {
    editor.cmbAutoType.SetListIndex(1);
    EXPECT_TRUE(editor.txtCmd.Enabled());
    EXPECT_EQ(editor.Label10.Text(), L"Command Line:");
    editor.txtCmd.SetText(L"C:\\Tools\\app.exe -x");
    editor.cmbTSec.SetListIndex(3);
    main.Marks().SetChecked(FinalMark::Logoff, true);
    const int images = main.taskIcon.Count();

    Click(editor.cmdOK);

    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(Row(1), (std::vector<std::wstring>{L"app.exe -x", L"C:\\Tools\\app.exe -x", L"None",
                                                 L"2026/12/08 10:30:03", L"None", L"Run - After 00-00-00-03", L""}));
    EXPECT_EQ(main.taskIcon.Count(), images + 1);
    EXPECT_TRUE(main.Marks().Checked(FinalMark::Logoff));  // "Do Nothing" leaves the marks alone
    EXPECT_TRUE(main.timerClose.Enabled());
    EXPECT_FALSE(editor.Visible());
    EXPECT_TRUE(main.Visible());
    EXPECT_TRUE(messages.empty());
    // The inputs stay for the next task.
    EXPECT_EQ(editor.txtCmd.Text(), L"C:\\Tools\\app.exe -x");
    EXPECT_EQ(editor.cmbTSec.Text(), L"03");
}

TEST_F(EditorTest, EmptyTaskThatShutsDownClearsTheOtherMarksAndIsUntickedAfterAdd) {
    main.Marks().SetChecked(FinalMark::Quit, true);
    main.Marks().SetChecked(FinalMark::Hibernet, true);
    Click(editor.chkOnly);
    ASSERT_TRUE(editor.chkOnly.Value());
    EXPECT_FALSE(editor.cmbAutoType.Enabled());
    EXPECT_EQ(editor.picIcon.Icon(), editor.imgEmptyIcon.Icon());
    EXPECT_NE(editor.picIcon.Icon(), nullptr);
    editor.cmbTHour.SetListIndex(1);
    editor.cmbTMin.SetListIndex(30);
    editor.cmbAfter.SetListIndex(1);

    Click(editor.cmdOK);

    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(Row(1), (std::vector<std::wstring>{L"Empty", L"None", L"None", L"2026/12/08 12:00:00", L"None",
                                                 L"Close - After 00-01-30-00", L"Shutdown PC"}));
    EXPECT_TRUE(main.Marks().Checked(FinalMark::Shut));
    EXPECT_FALSE(main.Marks().Checked(FinalMark::Hibernet));
    EXPECT_FALSE(main.Marks().Checked(FinalMark::Quit));
    EXPECT_EQ(main.txtAction.Text(), L"");  // the mailbox ran and emptied itself
    // Only the empty-task box is reset; its handler unlocks the choice.
    EXPECT_FALSE(editor.chkOnly.Value());
    EXPECT_TRUE(editor.cmbAutoType.Enabled());
    EXPECT_EQ(editor.picIcon.Icon(), nullptr);
    EXPECT_EQ(editor.cmbAfter.ListIndex(), 1);
    EXPECT_TRUE(sys.calls.empty());
}

TEST_F(EditorTest, SpecificTimeRunTaskThatRebootsAndQuits) {
    Click(editor.optTime);
    EXPECT_TRUE(editor.cmbYear.Enabled());
    EXPECT_FALSE(editor.cmbTDay.Enabled());
    EXPECT_FALSE(editor.chkMouse.Enabled());
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    editor.cmbYear.SetText(L"2027");
    editor.cmbMonth.SetListIndex(1);
    editor.cmbDay.SetText(L"28");
    editor.cmbHour.SetText(L"07");
    editor.cmbMin.SetText(L"05");
    editor.cmbSec.SetText(L"09");
    editor.cmbAfter.SetListIndex(2);
    Click(editor.chkQuit);
    main.Marks().SetChecked(FinalMark::Screen, true);

    Click(editor.cmdOK);

    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(Row(1), (std::vector<std::wstring>{L"notepad", L"notepad", L"None", L"2027/02/28 07:05:09", L"None",
                                                 L"Run - Normal", L"Reboot - Q"}));
    const FinalMark all[] = {FinalMark::Shut, FinalMark::Reboot, FinalMark::Logoff,
                             FinalMark::Hibernet, FinalMark::Screen, FinalMark::Quit};
    std::vector<bool> marks;
    for (FinalMark m : all) marks.push_back(main.Marks().Checked(m));
    EXPECT_EQ(marks, (std::vector<bool>{false, true, false, false, false, true}));

    // Back to interval mode: the idle box is enabled again, still unticked.
    editor.ShowEditor();
    Click(editor.optTimer);
    EXPECT_TRUE(editor.chkMouse.Enabled());
    EXPECT_FALSE(editor.chkMouse.Value());
    EXPECT_FALSE(editor.cmbYear.Enabled());
}

TEST_F(EditorTest, RefusalsShowTheirMessageAndAddNothing) {
    // A close task without a program.
    Click(editor.cmdOK);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, lanText()[42]);
    EXPECT_EQ(messages[0].style, 64u);
    EXPECT_EQ(main.Tasks().Count(), 0);
    EXPECT_TRUE(editor.Visible());

    // A day the month does not have.
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    Click(editor.optTime);
    editor.cmbMonth.SetListIndex(1);
    editor.cmbDay.SetText(L"31");
    Click(editor.cmdOK);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].text.find(L"2026/02/31"), std::wstring::npos);
    EXPECT_EQ(main.Tasks().Count(), 0);

    // A zero countdown: Cancel adds nothing, OK adds a row due now.
    Click(editor.optTimer);
    answer = IDCANCEL;
    Click(editor.cmdOK);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2].style, 65u);
    EXPECT_EQ(messages[2].text, lanText()[44] + L"\r\n" + lanText()[45]);
    EXPECT_EQ(main.Tasks().Count(), 0);
    EXPECT_TRUE(editor.Visible());
    answer = IDOK;
    Click(editor.cmdOK);
    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(Field(1, fCloseTime), L"2026/12/08 10:30:00");
    EXPECT_FALSE(editor.Visible());
}

TEST_F(EditorTest, CustomRepeatPanelRefusesZeroAndGivesTheLoopText) {
    editor.cmbLoop.SetListIndex(5);
    ASSERT_TRUE(editor.picLoop.Visible());
    EXPECT_DOUBLE_EQ(editor.picLoop.Left(), 4560 * editor.ScaleX());
    EXPECT_DOUBLE_EQ(editor.picLoop.Top(), 7410 * editor.ScaleY());

    editor.cmbLoopMin.SetText(L"0");
    Click(editor.cmdLoopOK);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (PromptBox{L"Loop interval value cannot be 0.", L"Value", 0}));
    EXPECT_TRUE(editor.picLoop.Visible());

    editor.cmbLoopHour.SetListIndex(2);
    Click(editor.cmdLoopOK);
    EXPECT_FALSE(editor.picLoop.Visible());
    EXPECT_TRUE(editor.lblLoop.Visible());
    EXPECT_EQ(editor.lblLoop.Text(), L"00/02/0 (Day/Hour/Min)");

    Click(editor.chkOnly);
    editor.cmbTMin.SetListIndex(5);
    Click(editor.cmdOK);
    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(Field(1, fLoop), L"00/02/0 (Day/Hour/Min)");

    // The panel's "X" goes back to "None".
    editor.ShowEditor();
    editor.cmbLoop.SetListIndex(5);
    ASSERT_TRUE(editor.picLoop.Visible());
    SendMessageW(editor.picLoop.Handle(), WM_COMMAND, MAKEWPARAM(editor.Label12.Id(), STN_CLICKED),
                 reinterpret_cast<LPARAM>(editor.Label12.Handle()));
    EXPECT_FALSE(editor.picLoop.Visible());
    EXPECT_FALSE(editor.lblLoop.Visible());
    EXPECT_EQ(editor.cmbLoop.ListIndex(), 0);
}

TEST_F(EditorTest, CountdownBoxesTakeOnlyDigitsAndBackspace) {
    for (toolkit::ComboBox* box : {&editor.cmbTDay, &editor.cmbTHour, &editor.cmbTMin, &editor.cmbTSec}) {
        box->SetText(L"");
        HWND edit = box->TypingWindow();
        for (wchar_t c : std::wstring(L"1a-2 ")) SendMessageW(edit, WM_CHAR, c, 0);
        EXPECT_EQ(box->Text(), L"12");
        SendMessageW(edit, WM_CHAR, VK_BACK, 0);
        EXPECT_EQ(box->Text(), L"1");
    }
    // The custom repeat boxes are not filtered.
    editor.cmbLoopDay.SetText(L"");
    SendMessageW(editor.cmbLoopDay.TypingWindow(), WM_CHAR, L'a', 0);
    EXPECT_EQ(editor.cmbLoopDay.Text(), L"a");
}

TEST_F(EditorTest, SwitchingTheActionTypeEmptiesTheCommandLine) {
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    editor.cmbAutoType.SetListIndex(0);
    EXPECT_EQ(editor.txtCmd.Text(), L"");
    EXPECT_FALSE(editor.txtCmd.Enabled());
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    Click(editor.chkOnly);  // an empty task forces the close type
    EXPECT_EQ(editor.cmbAutoType.ListIndex(), 0);
    EXPECT_EQ(editor.txtCmd.Text(), L"");
}

TEST_F(EditorTest, CancelAndTheCloseBoxHideTheEditorAndKeepItsInputs) {
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad /a");
    editor.cmbAfter.SetListIndex(3);
    main.Hide();
    Click(editor.cmdCancel);
    EXPECT_FALSE(editor.Visible());
    EXPECT_TRUE(editor.Loaded());
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(main.Tasks().Count(), 0);
    EXPECT_EQ(editor.txthWnd.Text(), L"0");

    editor.ShowEditor();
    EXPECT_EQ(editor.txtCmd.Text(), L"notepad /a");
    EXPECT_EQ(editor.cmbAfter.ListIndex(), 3);

    main.Hide();
    SendMessageW(editor.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(editor.Visible());
    EXPECT_TRUE(editor.Loaded());
    EXPECT_TRUE(main.Visible());

    // The program's exit removes the hidden editor.
    EXPECT_TRUE(editor.UnloadEditor());
    EXPECT_FALSE(editor.Loaded());
}

TEST_F(EditorTest, ExitWhileTheEditorIsShownOnlyHidesIt) {
    EXPECT_FALSE(editor.UnloadEditor());
    EXPECT_TRUE(editor.Loaded());
    EXPECT_FALSE(editor.Visible());
}

TEST_F(EditorTest, EveryControlSitsAtItsDesignRectangleScaledByTheScreen) {
    const double fx = toolkit::TwipsPerPixelX() / 15, fy = toolkit::TwipsPerPixelY() / 15;
    EXPECT_DOUBLE_EQ(editor.ScaleX(), fx);
    RECT client{};
    GetClientRect(editor.Handle(), &client);
    EXPECT_EQ(client.right, toolkit::TwipsToPixelsX(11070 * fx));
    EXPECT_EQ(client.bottom, toolkit::TwipsToPixelsY(9255 * fy));
    EXPECT_EQ(client.right, 738);  // the same pixels at any screen setting
    EXPECT_EQ(client.bottom, 617);

    const std::pair<const toolkit::Control*, toolkit::TwipsRect> designs[] = {
        {&editor.chkOnly, {150, 5010, 10725, 285}},   {&editor.cmbAutoType, {1740, 5430, 9090, 330}},
        {&editor.txtCmd, {1740, 5910, 6690, 315}},    {&editor.cmdCmd, {8505, 5910, 2340, 315}},
        {&editor.optTimer, {210, 6780, 10695, 285}},  {&editor.cmbTHour, {1950, 7170, 975, 330}},
        {&editor.chkMouse, {8040, 7080, 2955, 495}},  {&editor.optTime, {210, 7590, 10695, 285}},
        {&editor.cmbMonth, {1170, 7950, 1935, 330}},  {&editor.cmbSec, {6540, 7950, 975, 330}},
        {&editor.Label9, {7620, 8010, 1380, 285}},    {&editor.cmbLoop, {9075, 7950, 1935, 330}},
        {&editor.lblLoop, {8100, 8400, 2775, 180}},   {&editor.cmbAfter, {180, 8730, 3435, 330}},
        {&editor.chkQuit, {3690, 8760, 4065, 285}},   {&editor.cmdOK, {8040, 8670, 1395, 435}},
        {&editor.cmdCancel, {9570, 8670, 1395, 435}}, {&editor.lblSelect, {90, 240, 3555, 645}},
        {&editor.imgSelect, {1200, 990, 540, 540}},   {&editor.picIcon, {9300, 180, 630, 630}},
        {&editor.cmdRefresh, {9720, 1500, 555, 555}}, {&editor.cmdClose, {10320, 1500, 555, 555}},
        {&editor.picLoop, {3240, 6390, 6345, 1185}},  {&editor.txthWnd, {11880, 6420, 2355, 285}},
        {&editor.lblProcess[0], {3690, 240, 1800, 210}}, {&editor.lblProcess[2], {3690, 870, 1800, 210}},
        {&editor.lblProcess[3], {3690, 570, 1785, 210}},
    };
    for (const auto& [control, d] : designs) {
        RECT r = ClientRect(*control, editor.Handle());
        SCOPED_TRACE(::testing::Message() << "control at design left " << d.left << ", top " << d.top);
        EXPECT_EQ(r.left, toolkit::TwipsToPixelsX(d.left * fx));
        EXPECT_EQ(r.top, toolkit::TwipsToPixelsY(d.top * fy));
        EXPECT_EQ(r.right - r.left, toolkit::TwipsToPixelsX(d.width * fx));
        EXPECT_EQ(r.bottom - r.top, toolkit::TwipsToPixelsY(d.height * fy));
        EXPECT_NEAR(r.left, d.left / 15, 1);  // the 96-dpi pixel layout
    }
    // The captions that reach left stand against what they name.
    for (const toolkit::Label* l : {&editor.lblProcess[0], &editor.lblProcess[2], &editor.lblProcess[3], &editor.Label9})
        EXPECT_EQ(GetWindowLongW(l->Handle(), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT) << "design left " << l->Left();
    // Inside the custom repeat panel, relative to it.
    RECT ok = ClientRect(editor.cmdLoopOK, editor.picLoop.Handle());
    EXPECT_EQ(ok.left, toolkit::TwipsToPixelsX(5160 * fx));
    EXPECT_EQ(ok.top, toolkit::TwipsToPixelsY(750 * fy));
}

TEST_F(EditorTest, LanguageTextsReplaceCaptionsAndListItemsInPlace) {
    LanText t;
    for (int i = 0; i < kLanTextSize; ++i) t[i] = L"s" + std::to_wstring(i);
    editor.cmbLoop.SetListIndex(2);
    editor.UpdateLanTexts(t);
    EXPECT_EQ(editor.chkOnly.Text(), L"s23");
    EXPECT_EQ(editor.cmdOK.Text(), L"s32");
    EXPECT_EQ(editor.Label13.Text(), L"s28");
    EXPECT_EQ(editor.cmbAfter.List(0), L"s50");
    EXPECT_EQ(editor.cmbAfter.List(5), L"s15");
    EXPECT_EQ(editor.cmbLoop.ListCount(), 6);
    EXPECT_EQ(editor.cmbLoop.ListIndex(), 2);
    EXPECT_EQ(editor.cmbLoop.Text(), L"s79");
    EXPECT_EQ(editor.LV.ColumnHeader(2), L"s63");
    EXPECT_EQ(editor.Caption(), L"Add a Task");  // the title is the same in every language

    // A task added now carries the repeat text of the language in force.
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    editor.cmbTSec.SetListIndex(1);
    Click(editor.cmdOK);
    EXPECT_EQ(Field(1, fLoop), L"s79");
}

// With 32,767 rows the list can take no more: Add says so and changes
// nothing, neither the list nor the marks nor the scheduler timer.
TEST_F(EditorTest, AddOnAFullListSaysSoAndChangesNothing) {
    {
        // Loaded from a file, as a full list comes about.
        MemoryTaskTable rows;
        for (int i = 0; i < kMaxRows; ++i)
            rows.Add({L"Empty", L"None", L"None", L"2030/01/01 10:00:00", L"None", L"Close - Normal", L""});
        Win32FileStore files;
        AnsiCodec codec;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring path = std::wstring(temp) + L"kfull" + std::to_wstring(GetCurrentProcessId()) + L".ktf";
        ASSERT_TRUE(WriteTaskFile(path, rows, files, codec, LocaleFormat::EnglishUS()).ok);
        main.LoadDefaultTasks(path);
        DeleteFileW(path.c_str());
    }
    ASSERT_EQ(main.Tasks().Count(), kMaxRows);
    main.menuQuit.SetChecked(true);
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    editor.cmbTMin.SetListIndex(10);
    editor.cmbAfter.SetListIndex(1);  // "Shut Down the PC" would clear the marks and tick its own

    Click(editor.cmdOK);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(L"32,767"), std::wstring::npos);
    EXPECT_NE(messages[0].text.find(L"full"), std::wstring::npos);
    EXPECT_EQ(messages[0].style, 64u);
    EXPECT_EQ(main.Tasks().Count(), kMaxRows);
    EXPECT_TRUE(editor.Visible());
    EXPECT_TRUE(main.menuQuit.Checked());
    EXPECT_FALSE(main.menuShut.Checked());
    EXPECT_FALSE(main.timerClose.Enabled());
    EXPECT_EQ(editor.txtCmd.Text(), L"notepad");  // the inputs stay

    // One row less, and the same Add goes through.
    main.Tasks().RemoveRow(1);
    Click(editor.cmdOK);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(main.Tasks().Count(), kMaxRows);
    EXPECT_EQ(Field(kMaxRows, fPath), L"notepad");
    EXPECT_TRUE(main.menuShut.Checked());
    EXPECT_TRUE(main.timerClose.Enabled());
}

// A countdown past the last date the program handles is refused with the
// box it is in, as a day the month does not have is; nothing is added.
TEST_F(EditorTest, ACountdownTooLargeToAddIsRefusedNamingItsBox) {
    editor.cmbAutoType.SetListIndex(1);
    editor.txtCmd.SetText(L"notepad");
    toolkit::ComboBox* boxes[] = {&editor.cmbTDay, &editor.cmbTHour, &editor.cmbTMin, &editor.cmbTSec};
    const wchar_t* huge[] = {L"9999999", L"99999999", L"9999999999", L"999999999999"};
    for (int k = 0; k < 4; ++k) {
        for (auto* b : boxes) b->SetText(L"00");
        boxes[k]->SetText(huge[k]);
        Click(editor.cmdOK);
        ASSERT_EQ(messages.size(), static_cast<size_t>(k + 1));
        EXPECT_NE(messages[k].text.find(huge[k]), std::wstring::npos);
        EXPECT_NE(messages[k].text.find(L"the " + lanText()[26 + k] + L" box"), std::wstring::npos)
            << std::string(messages[k].text.begin(), messages[k].text.end());
        EXPECT_EQ(main.Tasks().Count(), 0);
        EXPECT_TRUE(editor.Visible());
        EXPECT_FALSE(main.timerClose.Enabled());
    }
    // The largest countdown that fits is added.
    for (auto* b : boxes) b->SetText(L"00");
    editor.cmbTDay.SetText(L"2900000");
    Click(editor.cmdOK);
    EXPECT_EQ(messages.size(), 4u);
    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(Field(1, fCloseTime).substr(0, 2), L"99");
}

}  // namespace
}  // namespace kestrelon
