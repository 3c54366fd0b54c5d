// form1.updateLan on the real windows, for German (de.ini beside the test
// program): every caption, menu text, column header and list item of the two
// windows' tables gets its entry of the table in force, the start-mode menu
// texts too, and the eight buttons are hidden while the texts change and shown
// again afterwards.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../unit/Fakes.h"
#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/Languages.h"
#include "mainwindow/form1_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

// What the eight buttons' visibility was when the first message posted before
// the switch ran: that is inside updateLan's first yield.
struct ButtonWatch {
    std::vector<const toolkit::Button*> buttons;
    std::vector<bool> visible;
};

LRESULT CALLBACK WatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        auto* watch = reinterpret_cast<ButtonWatch*>(lp);
        for (const toolkit::Button* b : watch->buttons) watch->visible.push_back(b->Visible());
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

class UpdateLanTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        main.endProcess = [] {};
        ASSERT_TRUE(main.Load());
        main.timerMouse.SetEnabled(false);
        editor = main.Editor();
        ASSERT_NE(editor, nullptr);
    }
    // Back to English: the marker must not reach the next test's start-up.
    void TearDown() override { ClickMenu(main.menuEn); }
    void ClickMenu(const toolkit::MenuItem& item) { SendMessageW(main.Handle(), WM_COMMAND, item.Id(), 0); }
    // A command item's text in the real menu bar, without its shortcut.
    std::wstring MenuText(const toolkit::MenuItem& item) {
        wchar_t buf[256] = {};
        GetMenuStringW(GetMenu(main.Handle()), item.Id(), buf, 256, MF_BYCOMMAND);
        std::wstring s = buf;
        return s.substr(0, s.find(L'\t'));
    }

    testing::FakeSystem sys;
    form1 main{sys};
    frmMouseSelect* editor = nullptr;
};

TEST_F(UpdateLanTest, GermanLandsInEveryCaptionOfBothTablesAndTheButtonsComeBack) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WatchProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KestrelonUpdateLanWatch";
    RegisterClassW(&wc);
    HWND watcher = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ButtonWatch watch{{&main.cmdAdd, &main.cmdDelete, &main.cmdRemoveAll, &main.cmdSetting, &main.cmdHelp,
                       &main.cmdExit, &main.cmdLoad, &main.cmdSave},
                      {}};
    PostMessageW(watcher, WM_APP, 0, reinterpret_cast<LPARAM>(&watch));
    ClickMenu(main.menuDe);
    DestroyWindow(watcher);

    const LanText& t = lanText();
    ASSERT_EQ(t[0], L"Aufgabe hinzuf\u00fcgen") << "de.ini was not read";
    ASSERT_TRUE(main.menuDe.Checked());
    EXPECT_EQ(watch.visible, std::vector<bool>(8, false)) << "the buttons were not hidden while the texts changed";
    for (const toolkit::Button* b : watch.buttons) EXPECT_TRUE(b->Visible()) << "a button stayed hidden";

    // Table A: the main window.
    const std::pair<const toolkit::Control*, int> controls[] = {
        {&main.cmdAdd, 0},    {&main.cmdDelete, 1}, {&main.cmdRemoveAll, 2}, {&main.cmdSetting, 3},
        {&main.cmdHelp, 4},   {&main.cmdExit, 6},   {&main.cmdSave, 69},     {&main.cmdLoad, 70}};
    for (const auto& [c, entry] : controls) EXPECT_EQ(c->Text(), t[entry]) << "entry " << entry;
    const std::pair<const toolkit::MenuItem*, int> commands[] = {
        {&main.menuAdd, 0},       {&main.menuDelete, 1},    {&main.menuClear, 2},     {&main.menuAbout, 9},
        {&main.menuHelp, 10},     {&main.menuShut, 11},     {&main.menuReboot, 12},   {&main.menuLogoff, 13},
        {&main.menuHibernet, 14}, {&main.menuScreen, 15},   {&main.menuQuit, 16},     {&main.menuExit, 6},
        {&main.menuAutostart, 58}, {&main.menuAutoload, 59}, {&main.menuHide, 60},
        {&main.menuTray, 87},     {&main.menuNormal, 88}};
    for (const auto& [m, entry] : commands) EXPECT_EQ(MenuText(*m), t[entry]) << "entry " << entry;
    const std::pair<const toolkit::MenuItem*, int> menus[] = {{&main.menuTask, 7},    {&main.menuSetting, 3},
                                                              {&main.menuAfter, 8},   {&main.menuA, 9},
                                                              {&main.menuLan, 48},    {&main.menuStartMode, 86}};
    for (const auto& [m, entry] : menus) EXPECT_EQ(m->Caption(), t[entry]) << "entry " << entry;
    HMENU bar = GetMenu(main.Handle());
    const int barEntries[] = {7, 3, 48, 9};
    for (int i = 0; i < 4; ++i) {
        wchar_t buf[128] = {};
        GetMenuStringW(bar, i, buf, 128, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(buf), t[barEntries[i]]) << "menu " << i << " of the bar";
    }
    for (int col = 0; col < 8; ++col) EXPECT_EQ(main.LVClose.ColumnHeader(col), t[61 + col]) << "column " << col;
    EXPECT_EQ(main.Caption(), L"Kestrelon");

    // Table B: the task editor.
    const std::pair<const toolkit::Control*, int> editorTexts[] = {
        {&editor->lblSelect, 17}, {&editor->lblDrag, 18},     {&editor->lblProcess[0], 19},
        {&editor->lblProcess[3], 20}, {&editor->lblProcess[2], 21}, {&editor->lblPrograms, 22},
        {&editor->chkOnly, 23},   {&editor->Label1, 24},      {&editor->optTimer, 25},
        {&editor->Label2, 26},    {&editor->Label3, 27},      {&editor->Label4, 28},
        {&editor->Label5, 29},    {&editor->optTime, 30},     {&editor->Label8, 31},
        {&editor->chkQuit, 16},   {&editor->cmdOK, 32},       {&editor->cmdCancel, 33},
        {&editor->Label13, 28},   {&editor->Label14, 27},     {&editor->Label15, 26},
        {&editor->cmdLoopOK, 35}, {&editor->Label11, 71},     {&editor->Label10, 72},
        {&editor->cmdCmd, 73},    {&editor->chkMouse, 74},    {&editor->Label9, 66}};
    for (const auto& [c, entry] : editorTexts) EXPECT_EQ(c->Text(), t[entry]) << "editor entry " << entry;
    const int after[] = {50, 11, 12, 13, 14, 15};
    ASSERT_EQ(editor->cmbAfter.ListCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(editor->cmbAfter.List(i), t[after[i]]) << "cmbAfter item " << i;
    ASSERT_EQ(editor->cmbAutoType.ListCount(), 2);
    EXPECT_EQ(editor->cmbAutoType.List(0), t[75]);
    EXPECT_EQ(editor->cmbAutoType.List(1), t[76]);
    ASSERT_EQ(editor->cmbLoop.ListCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(editor->cmbLoop.List(i), t[77 + i]) << "cmbLoop item " << i;
    for (int col = 0; col < 3; ++col) EXPECT_EQ(editor->LV.ColumnHeader(col), t[61 + col]) << "LV column " << col;
}

}  // namespace
}  // namespace kestrelon
