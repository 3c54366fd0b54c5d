// The main window's glue: the task table over the real list view, the menu
// marks, the command mailbox and the scheduler timer, with a fake system so
// no power request ever reaches the machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/Fakes.h"
#include "mainwindow/form1_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        // The test program must outlive the window's unload.
        form.endProcess = [this] { ++ended; };
        ASSERT_TRUE(form.Load());
    }
    HICON AppIcon() { return LoadIconW(nullptr, IDI_APPLICATION); }
    // The check mark of an item of the real menu bar, found by caption path.
    bool MenuChecked(const std::vector<std::wstring>& path) {
        HMENU menu = GetMenu(form.Handle());
        for (size_t level = 0; level < path.size(); ++level) {
            int n = GetMenuItemCount(menu);
            int found = -1;
            for (int i = 0; i < n && found < 0; ++i) {
                wchar_t buf[128] = {};
                GetMenuStringW(menu, i, buf, 128, MF_BYPOSITION);
                if (path[level] == buf) found = i;
            }
            EXPECT_GE(found, 0) << "no menu item " << std::string(path[level].begin(), path[level].end());
            if (found < 0) return false;
            if (level + 1 == path.size()) return GetMenuState(menu, found, MF_BYPOSITION) & MF_CHECKED;
            menu = GetSubMenu(menu, found);
        }
        return false;
    }
    void ClickMenu(const toolkit::MenuItem& item) { SendMessageW(form.Handle(), WM_COMMAND, item.Id(), 0); }

    testing::FakeSystem sys;
    form1 form{sys};
    int ended = 0;
};

TEST_F(Form1Test, TaskTableAddsRowsWithNewImagesAndRoundTripsFields) {
    ITaskTable& t = form.Tasks();
    ASSERT_EQ(t.AddRow(reinterpret_cast<IconRef>(AppIcon())), 1);
    ASSERT_EQ(t.AddRow(0), 2);  // no picture still takes an image
    EXPECT_EQ(form.taskIcon.Count(), 2);
    EXPECT_EQ(form.LVClose.ItemImage(1), 1);

    const std::wstring fields[kFieldCount] = {L"notepad.exe", L"C:\\windows\\notepad.exe", L"00000",
                                              L"2026/12/08 10:30:00", L"None", L"Close - Normal",
                                              L"Shutdown PC - Q"};
    for (int k = 1; k <= kFieldCount; ++k) ASSERT_TRUE(t.SetField(2, k, fields[k - 1]));
    for (int k = 1; k <= kFieldCount; ++k) EXPECT_EQ(t.Field(2, k), fields[k - 1]);
    EXPECT_EQ(t.Field(1, fProgram), L"");
    EXPECT_EQ(form.LVClose.ItemText(1, 0), L"");  // the icon column carries no text

    // Rows and fields that do not exist fail without touching anything.
    EXPECT_FALSE(t.Field(0, 1));
    EXPECT_FALSE(t.Field(3, 1));
    EXPECT_FALSE(t.Field(1, 0));
    EXPECT_FALSE(t.Field(1, 8));
    EXPECT_FALSE(t.SetField(3, 1, L"x"));
    EXPECT_FALSE(t.SetField(1, 8, L"x"));
    EXPECT_FALSE(t.RemoveRow(0));
    EXPECT_FALSE(t.RemoveRow(3));
    EXPECT_EQ(t.Count(), 2);

    // Long texts come back whole.
    std::wstring path(1000, L'p');
    ASSERT_TRUE(t.SetField(1, fPath, path));
    EXPECT_EQ(t.Field(1, fPath), path);
}

TEST_F(Form1Test, RemovingRowsKeepsEveryImage) {
    ITaskTable& t = form.Tasks();
    for (int i = 0; i < 3; ++i) t.SetField(t.AddRow(0), fProgram, L"p" + std::to_wstring(i + 1));
    ASSERT_TRUE(t.RemoveRow(1));
    EXPECT_EQ(t.Count(), 2);
    EXPECT_EQ(t.Field(1, fProgram), L"p2");  // later rows move up
    EXPECT_EQ(form.taskIcon.Count(), 3);

    t.Clear();
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(form.taskIcon.Count(), 3);
    // New rows after a clear are rows 1..3 using the last three images.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t.AddRow(0), i + 1);
    EXPECT_EQ(form.taskIcon.Count(), 6);
    EXPECT_EQ(form.LVClose.ItemImage(0), 3);
    EXPECT_EQ(form.LVClose.ItemImage(2), 5);
}

TEST_F(Form1Test, LoadedRowsShareOneStoredPictureAndTheListAnswersForTheRows) {
    ITaskTable& t = form.Tasks();
    t.AddRow(0);
    const int stored = ImageList_GetImageCount(form.taskIcon.Handle());
    const int images = form.taskIcon.Count();
    for (int i = 0; i < 3; ++i) t.SetField(t.AddRow(reinterpret_cast<IconRef>(AppIcon())), fProgram, L"r" + std::to_wstring(i));
    // Each row has an image of its own, the last three, drawn from one stored picture.
    EXPECT_EQ(form.taskIcon.Count(), images + 3);
    EXPECT_EQ(ImageList_GetImageCount(form.taskIcon.Handle()), stored + 1);
    EXPECT_EQ(form.LVClose.ItemImage(3), images + 2);
    EXPECT_EQ(form.taskIcon.Stored(images), form.taskIcon.Stored(images + 2));
    EXPECT_NE(form.taskIcon.Stored(0), form.taskIcon.Stored(images));
    // An icon that is not the shared picture is copied as before.
    t.AddRow(reinterpret_cast<IconRef>(LoadIconW(nullptr, IDI_WARNING)));
    EXPECT_EQ(ImageList_GetImageCount(form.taskIcon.Handle()), stored + 2);

    // The list view itself answers for its rows, as other programs ask it.
    EXPECT_EQ(SendMessageW(form.LVClose.Handle(), LVM_GETITEMCOUNT, 0, 0), 5);
    wchar_t text[16] = {};
    LVITEMW item{};
    item.iSubItem = fProgram;
    item.pszText = text;
    item.cchTextMax = 16;
    EXPECT_EQ(SendMessageW(form.LVClose.Handle(), LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&item)), 2);
    EXPECT_STREQ(text, L"r1");
    item.cchTextMax = 2;  // cut to the room given
    SendMessageW(form.LVClose.Handle(), LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, L"r");
    // A written field is what the list shows.
    t.SetField(3, fProgram, L"changed");
    EXPECT_EQ(form.LVClose.ItemText(2, fProgram), L"changed");

    // The selection moves up with its row when an earlier row goes.
    form.LVClose.Select(3);
    ASSERT_EQ(t.SelectedRow(), 4);
    ASSERT_TRUE(t.RemoveRow(1));
    EXPECT_EQ(t.SelectedRow(), 3);
    EXPECT_EQ(t.Field(3, fProgram), L"r2");
    EXPECT_EQ(form.LVClose.Count(), 4);
    ASSERT_TRUE(t.RemoveRow(3));  // the selected row itself
    EXPECT_EQ(t.SelectedRow(), 0);
    t.Clear();
    EXPECT_EQ(form.LVClose.Count(), 0);
}

TEST_F(Form1Test, MainWindowHasItsClassTitleSizeAndColumns) {
    EXPECT_EQ(FindWindowW(L"KestrelonMainWindow", L"Kestrelon"), form.Handle());
    RECT r{};
    GetWindowRect(form.Handle(), &r);
    // The window keeps its 96-dpi pixel size on any screen.
    EXPECT_EQ(r.right - r.left, 928);
    EXPECT_EQ(r.bottom - r.top, 562);

    const wchar_t* headers[] = {L"Icon", L"Program", L"Path", L"ID", L"Close Time", L"Loop", L"Type",
                                L"After the Task Finished"};
    const int widths[] = {1060, 3617, 10654, 2540, 6068, 2540, 2540, 2540};
    ASSERT_EQ(form.LVClose.ColumnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(form.LVClose.ColumnHeader(c), headers[c]);
        EXPECT_EQ(form.LVClose.ColumnWidth(c), toolkit::TwipsToPixelsX(widths[c]));
    }
    // Four menus; "Italiano" is not among the visible languages.
    HMENU bar = GetMenu(form.Handle());
    EXPECT_EQ(GetMenuItemCount(bar), 4);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 2)), 8);
    EXPECT_TRUE(MenuChecked({L"Languages", L"English"}));
    // Exit is right-aligned with the list.
    RECT list{}, exit{};
    GetWindowRect(form.LVClose.Handle(), &list);
    GetWindowRect(form.cmdExit.Handle(), &exit);
    EXPECT_NEAR(exit.right, list.right, 1);
}

TEST_F(Form1Test, ResizingTheWindowKeepsListExitAndLinkOnTheEdges) {
    auto rectOf = [](HWND h) {
        RECT r{};
        GetWindowRect(h, &r);
        return r;
    };
    RECT list0 = rectOf(form.LVClose.Handle()), exit0 = rectOf(form.cmdExit.Handle());
    RECT web0 = rectOf(form.lblWeb.Handle()), add0 = rectOf(form.cmdAdd.Handle());
    form.SetSize(form.Width() + toolkit::PixelsToTwipsX(100), form.Height() + toolkit::PixelsToTwipsY(40));
    RECT list1 = rectOf(form.LVClose.Handle()), exit1 = rectOf(form.cmdExit.Handle());
    RECT web1 = rectOf(form.lblWeb.Handle()), add1 = rectOf(form.cmdAdd.Handle());
    EXPECT_EQ(list1.right - list0.right, 100);
    EXPECT_EQ(list1.bottom - list0.bottom, 40);
    EXPECT_EQ(exit1.left - exit0.left, 100);
    EXPECT_EQ(web1.top - web0.top, 40);
    EXPECT_EQ(add1.left, add0.left);  // the other buttons stay
    EXPECT_EQ(list1.left, list0.left);
}

TEST_F(Form1Test, SelectedRowFollowsTheListSelection) {
    ITaskTable& t = form.Tasks();
    t.AddRow(0);
    t.AddRow(0);
    EXPECT_EQ(t.SelectedRow(), 0);
    form.LVClose.Select(1);
    EXPECT_EQ(t.SelectedRow(), 2);
}

TEST_F(Form1Test, MenuItemsChangeCaptionStateAndVisibilityInPlace) {
    HMENU languages = GetSubMenu(GetMenu(form.Handle()), 2);
    form.menuIt.SetVisible(true);
    ASSERT_EQ(GetMenuItemCount(languages), 9);
    wchar_t text[64] = {};
    GetMenuStringW(languages, 3, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Italiano");  // back in its own place
    form.menuIt.SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(languages), 8);

    form.menuAdd.SetCaption(L"Aufgabe");
    GetMenuStringW(GetMenu(form.Handle()), form.menuAdd.Id(), text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Aufgabe\tCtrl+A");
    form.menuAdd.SetEnabled(false);
    EXPECT_TRUE(GetMenuState(GetMenu(form.Handle()), form.menuAdd.Id(), MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(Form1Test, MailboxRunsItsHandlerBeforeTheWriteReturns) {
    ClickMenu(form.menuHibernet);
    ClickMenu(form.menuQuit);
    ASSERT_TRUE(form.menuHibernet.Checked());
    form.txtAction.SetText(L"AllMenuFalse");
    // No message has been pumped: the handler ran inside SetText.
    EXPECT_FALSE(MenuChecked({L"Setting", L"After Finish All Tasks", L"Hibernate"}));
    EXPECT_FALSE(MenuChecked({L"Setting", L"After Finish All Tasks", L"Quit Kestrelon"}));
    EXPECT_EQ(form.txtAction.Text(), L"");

    ClickMenu(form.menuShut);
    form.txtAction.SetText(L"allmenufalse");  // commands are case-sensitive
    EXPECT_TRUE(form.menuShut.Checked());
    EXPECT_EQ(form.txtAction.Text(), L"");
}

TEST_F(Form1Test, FinalChoicesToggleThroughMenuCommands) {
    const std::vector<std::wstring> shut{L"Setting", L"After Finish All Tasks", L"Shutdown PC"};
    const std::vector<std::wstring> reboot{L"Setting", L"After Finish All Tasks", L"Reboot"};
    const std::vector<std::wstring> quit{L"Setting", L"After Finish All Tasks", L"Quit Kestrelon"};
    ClickMenu(form.menuShut);
    ClickMenu(form.menuQuit);
    ClickMenu(form.menuReboot);
    EXPECT_FALSE(MenuChecked(shut));
    EXPECT_TRUE(MenuChecked(reboot));
    EXPECT_TRUE(MenuChecked(quit));
    ClickMenu(form.menuReboot);
    EXPECT_FALSE(MenuChecked(reboot));
    EXPECT_TRUE(MenuChecked(quit));
}

TEST_F(Form1Test, DoEventsHonoursTheMenuShortcuts) {
    int adds = 0, exits = 0;
    form.menuAdd.onClick = [&] { ++adds; };
    form.menuExit.onClick = [&] { ++exits; };
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(form.LVClose.Handle(), WM_KEYDOWN, 'A', 1);  // focus inside the window
    PostMessageW(form.Handle(), WM_KEYDOWN, 'Q', 1);
    toolkit::DoEvents();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(adds, 1);
    EXPECT_EQ(exits, 1);
    // The caption shows the shortcut.
    wchar_t caption[64] = {};
    GetMenuStringW(GetMenu(form.Handle()), form.menuAdd.Id(), caption, 64, MF_BYCOMMAND);
    EXPECT_STREQ(caption, L"Add a Task\tCtrl+A");
}

TEST_F(Form1Test, SchedulerTimerFiresADueEmptyTaskThenRunsTheFinalActionAndStops) {
    ClickMenu(form.menuHibernet);
    ITaskTable& t = form.Tasks();
    int row = t.AddRow(0);
    t.SetField(row, fProgram, L"Empty");
    t.SetField(row, fCloseTime, L"2026/12/08 10:30:00");
    t.SetField(row, fType, L"Close - Normal");
    EXPECT_FALSE(form.timerClose.Enabled());
    form.timerClose.SetEnabled(true);

    DWORD start = GetTickCount();
    while (t.Count() > 0 && GetTickCount() - start < 5000) {
        Sleep(20);
        toolkit::DoEvents();
    }
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(sys.calls, (std::vector<std::wstring>{L"privilege", L"hibernate 0,0"}));
    EXPECT_FALSE(form.timerClose.Enabled());
    EXPECT_TRUE(form.menuHibernet.Checked());  // hibernate keeps its mark
}

TEST_F(Form1Test, MouseTimerEnablesTheSchedulerWhileTheListHasRows) {
    form.Tasks().AddRow(0);
    form.Tasks().SetField(1, fCloseTime, L"2099/01/01 00:00:00");  // not due
    DWORD start = GetTickCount();
    while (!form.timerClose.Enabled() && GetTickCount() - start < 3000) {
        Sleep(20);
        toolkit::DoEvents();
    }
    EXPECT_TRUE(form.timerClose.Enabled());
    EXPECT_TRUE(sys.calls.empty());
}

// A change of the regional settings is announced to every top-level window:
// the settings are read again and the rows keep their times.
TEST_F(Form1Test, ChangeOfRegionalSettingsKeepsEveryRowItsTime) {
    sys.locale = LocaleFormat::German();
    sys.changedLocale = LocaleFormat::EnglishUS();
    ITaskTable& t = form.Tasks();
    ASSERT_EQ(t.AddRow(0), 1);
    ASSERT_TRUE(t.SetField(1, fCloseTime, L"09.12.2026 10:30:00"));

    SendMessageW(form.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Policy"));
    EXPECT_EQ(sys.locale, LocaleFormat::German()) << "another area of the settings";
    EXPECT_EQ(t.Field(1, fCloseTime), L"09.12.2026 10:30:00");

    SendMessageW(form.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
    EXPECT_EQ(sys.locale, LocaleFormat::EnglishUS());
    EXPECT_EQ(t.Field(1, fCloseTime), L"12/9/2026 10:30:00 AM");
}

}  // namespace
}  // namespace kestrelon
