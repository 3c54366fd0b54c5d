// The window picker and Enumerator on real windows: a helper program shows a
// window of its own ("KHelperWindow"), the mouse cursor is put on it, and
// the editor's press, ticks and release on the cross-hair are run as the
// mouse would run them; the handle box's DoStuph reads the same window.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "../unit/Fakes.h"
#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/form1_win32.h"
#include "services/Enumerator.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

using Long = Enumerator::Long;

Long L32(HWND h) { return static_cast<Long>(reinterpret_cast<std::intptr_t>(h)); }

std::wstring ExeDir() {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path = buf;
    return path.substr(0, path.rfind(L'\\') + 1);
}

// khelper.exe --window TITLE: a visible top-level window of another process.
class HelperWindow {
public:
    explicit HelperWindow(const std::wstring& title) : title_(title) {
        std::wstring cmd = L"\"" + ExeDir() + L"khelper.exe\" --seconds 120 --window \"" + title + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) return;
        for (int i = 0; i < 200 && !window_; ++i) {
            HWND h = FindWindowW(L"KHelperWindow", title.c_str());
            if (h && IsWindowVisible(h)) window_ = h;
            else Sleep(25);
        }
    }
    ~HelperWindow() {
        if (!pi_.hProcess) return;
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    HWND Window() const { return window_; }
    DWORD Pid() const { return pi_.dwProcessId; }
    const std::wstring& Title() const { return title_; }
    // A point of its client area, with the window raised above the others.
    POINT Inside() const {
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RECT r{};
        GetClientRect(window_, &r);
        POINT p{r.right / 3, r.bottom / 2};
        ClientToScreen(window_, &p);
        return p;
    }

private:
    std::wstring title_;
    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
};

// Windows of this test program: a top-level window, a child, a grandchild
// and an owned pop-up.
class OwnWindows {
public:
    OwnWindows() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = L"PickerTestWindow";
        RegisterClassW(&wc);  // fails harmlessly when registered by an earlier test
        top = CreateWindowExW(0, L"PickerTestWindow", L"picker test top", WS_POPUP | WS_VISIBLE, 420, 560, 200, 120, nullptr,
                              nullptr, nullptr, nullptr);
        child = CreateWindowExW(0, L"BUTTON", L"child", WS_CHILD | WS_VISIBLE, 10, 10, 150, 80, top, nullptr,
                                nullptr, nullptr);
        grandchild = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 5, 5, 60, 20, child, nullptr, nullptr,
                                     nullptr);
        owned = CreateWindowExW(0, L"STATIC", L"owned", WS_POPUP, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    }
    ~OwnWindows() {
        DestroyWindow(owned);
        DestroyWindow(top);
    }
    HWND top, child, grandchild, owned;
};

TEST(EnumeratorWindows, DescribesAnotherProgramsWindow) {
    HelperWindow helper(L"Enumerator helper " + std::to_wstring(GetCurrentProcessId()));
    ASSERT_NE(helper.Window(), nullptr) << "khelper.exe must be built beside the test program";
    Enumerator e;
    const Long h = L32(helper.Window());
    EXPECT_EQ(e.ClassName(h), L"KHelperWindow");
    EXPECT_EQ(e.WindProcess(h), static_cast<Long>(helper.Pid()));
    EXPECT_NE(e.WindThread(h), 0);
    EXPECT_EQ(e.ParentWind(h), 0);
    EXPECT_EQ(e.Progenitor(h), h);  // a top-level window without owner is its own top
    EXPECT_EQ(e.GetWindText(h), helper.Title());
    EXPECT_EQ(e.GetWindTextLength(h), static_cast<Long>(helper.Title().size()));
    EXPECT_EQ(e.ProcessName(e.WindProcess(h)), L"khelper.exe");
}

TEST(EnumeratorWindows, ClimbsParentsAndOwnersToTheTop) {
    OwnWindows w;
    ASSERT_TRUE(w.top && w.child && w.grandchild && w.owned);
    Enumerator e;
    EXPECT_EQ(e.ParentWind(L32(w.grandchild)), L32(w.child));
    EXPECT_EQ(e.ParentWind(L32(w.child)), L32(w.top));
    EXPECT_EQ(e.Progenitor(L32(w.grandchild)), L32(w.top));
    EXPECT_EQ(e.Progenitor(L32(w.owned)), L32(w.top));  // the owner counts as a parent
    EXPECT_EQ(e.ClassName(L32(w.grandchild)), L"Edit");
    EXPECT_EQ(e.ClassName(L32(w.child)), L"Button");
    EXPECT_EQ(e.WindProcess(L32(w.grandchild)), static_cast<Long>(GetCurrentProcessId()));
    EXPECT_EQ(e.ProcessName(static_cast<Long>(GetCurrentProcessId())), L"win32_tests.exe");
    EXPECT_EQ(e.GetWindText(L32(w.grandchild)), L"");
}

TEST(EnumeratorWindows, ABadHandleOrIdGivesZeroAndEmptyTexts) {
    Enumerator e;
    OwnWindows w;
    const Long gone = L32(w.owned);
    DestroyWindow(w.owned);
    w.owned = nullptr;
    for (Long h : {Long{0}, gone}) {
        EXPECT_EQ(e.ParentWind(h), 0);
        EXPECT_EQ(e.WindProcess(h), 0);
        EXPECT_EQ(e.ClassName(h), L"");
        EXPECT_EQ(e.GetWindText(h), L"");
    }
    EXPECT_EQ(e.Progenitor(0), 0);
    EXPECT_EQ(e.ProcessName(0), L"");
    EXPECT_EQ(e.ProcessName(3), L"");  // ids are multiples of 4: no process has 3
}

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        main.endProcess = [] {};
        ASSERT_TRUE(main.Load());
        main.Tasks().Clear();
        main.timerClose.SetEnabled(false);
        main.timerMouse.SetEnabled(false);
        editor = main.Editor();
        ASSERT_NE(editor, nullptr);
        editor->messageBox = [](const PromptBox&) { return IDOK; };
        editor->openUrl = [this](const std::wstring& url) { opened.push_back(url); };
        editor->showModal = [this] { ++modalShows; };
        ASSERT_NE(helper.Window(), nullptr) << "khelper.exe must be built beside the test program";
    }
    void TearDown() override {
        // SetUp may have stopped before the editor was there.
        if (editor && editor->Dragging()) editor->imgSelect_MouseUp(0, 0);
        toolkit::ReleaseMouseCapture();
        main.timerClose.SetEnabled(false);
    }
    void CursorTo(POINT p) {
        SetCursorPos(p.x, p.y);
        toolkit::DoEvents();
    }
    // The handle text the editor writes for a window.
    static std::wstring Hex(HWND h) { return Enumerator::Format8(L32(h)); }

    testing::FakeSystem sys;
    form1 main{sys};
    frmMouseSelect* editor = nullptr;
    HelperWindow helper{L"Picker helper " + std::to_wstring(GetCurrentProcessId())};
    std::vector<std::wstring> opened;
    int modalShows = 0;
};

TEST_F(PickerTest, DoStuphShowsTheHandleTypedIntoTheBox) {
    // Typed in lower case, as the box's filter lets through.
    std::wstring typed = Hex(helper.Window());
    for (auto& c : typed) c = static_cast<wchar_t>(towlower(c));
    editor->txthWnd.SetText(typed);
    main.Show();
    editor->imgSelect.ClearPicture();

    editor->DoStuph();

    EXPECT_EQ(editor->txthWnd.Text(), Hex(helper.Window()));
    EXPECT_EQ(editor->lblClass[1].Text(), L"KHelperWindow");
    EXPECT_EQ(editor->lblProcess[1].Text(), L"khelper.exe");
    EXPECT_EQ(editor->lblParhWnd[1].Text(), L"00000000");
    EXPECT_EQ(editor->lblProghWnd[1].Text(), Hex(helper.Window()));
    EXPECT_EQ(editor->lblParClass[1].Text(), L"");
    EXPECT_EQ(editor->lblProgClass[1].Text(), L"KHelperWindow");
    EXPECT_EQ(editor->imgSelect.Icon(), editor->imgBackUp.Icon());
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(modalShows, 1);
}

TEST_F(PickerTest, DoStuphWithAnEmptyBoxDescribesNoWindow) {
    editor->lblProcess[1].SetText(L"before.exe");
    editor->txthWnd.SetText(L"");
    editor->DoStuph();
    EXPECT_EQ(editor->txthWnd.Text(), L"00000000");
    EXPECT_EQ(editor->lblClass[1].Text(), L"");
    EXPECT_EQ(editor->lblProcess[1].Text(), L"");
}

TEST_F(PickerTest, DragOntoTheHelperPicksItsProgramAndAddMakesACloseTask) {
    main.cmdAdd.Click();  // the editor, with the running-program list
    ASSERT_TRUE(editor->Visible());
    const double fullHeight = editor->Height();

    CursorTo(helper.Inside());
    ASSERT_EQ(WindowFromPoint(helper.Inside()), helper.Window()) << "the helper's window must be under the cursor";
    editor->imgSelect_MouseDown(0, 0);

    // Dragging: the cross-hair is the cursor, the box is empty, the mouse is
    // held, the first frame is drawn and the editor is cut short.
    EXPECT_TRUE(editor->Dragging());
    EXPECT_TRUE(editor->TimerSelect.Enabled());
    EXPECT_EQ(toolkit::ScreenMousePointer(), editor->imgBackUp.Icon());
    EXPECT_FALSE(editor->imgSelect.HasPicture());
    EXPECT_EQ(GetCapture(), editor->Handle());
    EXPECT_EQ(editor->FramedWindow(), helper.Window());
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(editor->lblProcess[2].Text(), L"Window Title:");
    EXPECT_FALSE(editor->cmdRefresh.Visible());
    EXPECT_FALSE(editor->cmdClose.Visible());
    EXPECT_NEAR(editor->Height(), editor->lblPrograms.Top() + 400, 15);
    EXPECT_LT(editor->Height(), fullHeight);

    editor->TimerSelect_Timer();  // a tick fills the information
    EXPECT_EQ(editor->lblProcess[1].Text(), L"khelper.exe");
    EXPECT_EQ(editor->lblID.Text(), std::to_wstring(helper.Pid()));
    EXPECT_EQ(editor->lblWindow.Text(), helper.Title());
    EXPECT_EQ(editor->lblClass[1].Text(), L"KHelperWindow");
    EXPECT_EQ(editor->txthWnd.Text(), Hex(helper.Window()));
    EXPECT_TRUE(editor->picIcon.HasPicture());
    EXPECT_GE(editor->picIcon.Left(), editor->lblProcess[1].Left() + editor->lblProcess[1].Width() + 250 - 1);

    editor->imgSelect_MouseUp(0, 0);

    EXPECT_FALSE(editor->Dragging());
    EXPECT_FALSE(editor->TimerSelect.Enabled());
    EXPECT_EQ(editor->FramedWindow(), nullptr);
    EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);
    EXPECT_EQ(editor->imgSelect.Icon(), editor->imgBackUp.Icon());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(editor->cmdRefresh.Visible());
    EXPECT_TRUE(editor->cmdClose.Visible());
    // Its height: to 900 twips below "Add" (within a pixel).
    EXPECT_NEAR(editor->Height(), editor->cmdOK.Top() + editor->cmdOK.Height() + 900, 15);
    EXPECT_FALSE(main.Visible());  // shown again only when the editor closes
    EXPECT_EQ(editor->lblProcess[1].Text(), L"khelper.exe");
    EXPECT_EQ(editor->lblID.Text(), std::to_wstring(helper.Pid()));
    // The rebuilt list has the picked program selected.
    const int row = editor->LV.SelectedIndex();
    ASSERT_GE(row, 0);
    EXPECT_EQ(lstrcmpiW(editor->LV.ItemText(row, 1).value_or(L"").c_str(), L"khelper.exe"), 0);

    editor->cmbTMin.SetListIndex(10);
    editor->cmdOK.Click();
    ASSERT_EQ(main.Tasks().Count(), 1);
    EXPECT_EQ(lstrcmpiW(main.Tasks().Field(1, 1).value_or(L"").c_str(), L"khelper.exe"), 0);
    EXPECT_EQ(main.Tasks().Field(1, 3), std::to_wstring(helper.Pid()));
    EXPECT_EQ(main.Tasks().Field(1, 6), L"Close - After 00-00-10-00");
}

TEST_F(PickerTest, MovingBetweenWindowsMovesTheFrameAndLeavesNoMarkBehind) {
    OwnWindows own;
    ASSERT_NE(own.top, nullptr);
    SetWindowPos(own.top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateWindow(own.top);
    toolkit::DoEvents();
    RECT r{};
    GetWindowRect(own.top, &r);
    const POINT corner{r.left + 1, r.top + 1};  // under the frame's inner half
    HDC screen = GetDC(nullptr);
    const COLORREF clean = GetPixel(screen, corner.x, corner.y);

    editor->ShowEditor();
    CursorTo(helper.Inside());
    editor->imgSelect_MouseDown(0, 0);
    EXPECT_EQ(editor->FramedWindow(), helper.Window());

    // Onto our own window: the old frame goes, a new one is drawn.
    CursorTo(POINT{r.right - 5, r.bottom - 5});  // inside the pop-up, beside its child
    editor->imgSelect_MouseMove(0, 0);
    EXPECT_EQ(editor->FramedWindow(), own.top);
    const COLORREF framed = GetPixel(screen, corner.x, corner.y);
    // Moving within the same window draws nothing new.
    CursorTo(POINT{r.right - 6, r.bottom - 6});
    editor->imgSelect_MouseMove(0, 0);
    EXPECT_EQ(GetPixel(screen, corner.x, corner.y), framed);

    CursorTo(helper.Inside());
    editor->imgSelect_MouseMove(0, 0);
    EXPECT_EQ(editor->FramedWindow(), helper.Window());
    const COLORREF restored = GetPixel(screen, corner.x, corner.y);
    editor->imgSelect_MouseUp(0, 0);
    ReleaseDC(nullptr, screen);

    if (clean != CLR_INVALID) {
        EXPECT_EQ(framed, (~clean) & 0xFFFFFF) << "the frame inverts the window's edge";
        EXPECT_EQ(restored, clean) << "the removed frame leaves the pixels as they were";
    }
    EXPECT_FALSE(main.Visible());
}

TEST_F(PickerTest, AnyButtonStartsADragAndItsReleaseEndsIt) {
    editor->ShowEditor();
    CursorTo(helper.Inside());
    SendMessageW(editor->imgSelect.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, 0);
    EXPECT_TRUE(editor->Dragging());
    SendMessageW(editor->imgSelect.Handle(), WM_RBUTTONUP, 0, 0);
    EXPECT_FALSE(editor->Dragging());
    EXPECT_EQ(editor->lblProcess[1].Text(), L"khelper.exe");
    // A release without a drag changes nothing.
    editor->lblProcess[1].SetText(L"kept.exe");
    SendMessageW(editor->imgSelect.Handle(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(editor->lblProcess[1].Text(), L"kept.exe");
}

TEST_F(PickerTest, HandleBoxDropsKeysThatAreNoHexDigits) {
    editor->txthWnd.SetText(L"");
    for (wchar_t c : std::wstring(L"1aG-F.z9 ")) SendMessageW(editor->txthWnd.Handle(), WM_CHAR, c, 1);
    EXPECT_EQ(editor->txthWnd.Text(), L"1aF.9");
    SendMessageW(editor->txthWnd.Handle(), WM_CHAR, 8, 1);  // Backspace goes through
    EXPECT_EQ(editor->txthWnd.Text(), L"1aF.");
}

TEST_F(PickerTest, WhatsThisOpensTheHelpPageAtTheSelectAnchor) {
    SendMessageW(editor->Handle(), WM_COMMAND, MAKEWPARAM(editor->lblDrag.Id(), STN_CLICKED),
                 reinterpret_cast<LPARAM>(editor->lblDrag.Handle()));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].substr(opened[0].find(L'#')), L"#select");
    EXPECT_NE(opened[0].find(L"/tutorial.html#select"), std::wstring::npos);
}

TEST_F(PickerTest, CancelDuringADragRemovesTheFrameAndLeavesTheDrag) {
    editor->ShowEditor();
    CursorTo(helper.Inside());
    editor->imgSelect_MouseDown(0, 0);
    ASSERT_NE(editor->FramedWindow(), nullptr);
    editor->cmdCancel.Click();
    EXPECT_FALSE(editor->Dragging());
    EXPECT_EQ(editor->FramedWindow(), nullptr);
    EXPECT_FALSE(editor->TimerSelect.Enabled());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(editor->txthWnd.Text(), L"0");
}

TEST_F(PickerTest, AltF4DuringADragLeavesThePickerAsCancelDoesThenHides) {
    editor->ShowEditor();
    CursorTo(helper.Inside());
    editor->imgSelect_MouseDown(0, 0);
    ASSERT_TRUE(editor->Dragging());
    const double shrunk = editor->Height();
    ASSERT_NE(editor->FramedWindow(), nullptr);
    ASSERT_EQ(toolkit::ScreenMousePointer() != nullptr, true);
    // Alt+F4 and the close box both arrive as the system's close command.
    SendMessageW(editor->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(editor->Visible());
    EXPECT_TRUE(main.Visible());
    EXPECT_FALSE(editor->Dragging());
    EXPECT_EQ(editor->FramedWindow(), nullptr);
    EXPECT_FALSE(editor->TimerSelect.Enabled());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);
    EXPECT_NE(editor->imgSelect.Icon(), nullptr);  // the cross-hair is back in its box
    EXPECT_EQ(editor->txthWnd.Text(), L"0");
    // Shown again, the editor is whole, as a release leaves it: full height, both list buttons.
    editor->ShowEditor();
    EXPECT_GT(editor->Height(), shrunk);
    EXPECT_NEAR(editor->Height(), editor->cmdOK.Top() + editor->cmdOK.Height() + kFullHeightBelowAdd,
                toolkit::PixelsToTwipsY(1));
    EXPECT_TRUE(editor->cmdRefresh.Visible());
    EXPECT_TRUE(editor->cmdClose.Visible());
    editor->cmdCancel.Click();
}

// A move of the mouse to `p` with the button held, as the system sends it:
// to the window that holds the mouse, or else to the window under the cursor.
void DragTo(POINT p) {
    SetCursorPos(p.x, p.y);
    HWND to = GetCapture();
    if (!to) to = WindowFromPoint(p);
    ASSERT_NE(to, nullptr);
    ScreenToClient(to, &p);
    SendMessageW(to, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

// The button's release goes where the system sends it: to the window that
// holds the mouse, or else to the window under the cursor.
void ReleaseButton() {
    POINT p{};
    GetCursorPos(&p);
    HWND to = GetCapture();
    if (!to) to = WindowFromPoint(p);
    ASSERT_NE(to, nullptr);
    ScreenToClient(to, &p);
    SendMessageW(to, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

// A window of this program to drag onto, whose pixels can be read.
class DragTarget {
public:
    DragTarget() {
        // Left of the editor and the main window, below the helper's window.
        SetWindowPos(own.top, HWND_TOPMOST, 20, 560, 140, 120, SWP_NOACTIVATE);
        GetWindowRect(own.top, &r);
        screen = GetDC(nullptr);
    }
    // Puts the window above the others (showing the editor raised that
    // above it on the screen) and notes its pixels.
    void Raise() {
        SetWindowPos(own.top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RedrawWindow(own.top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        toolkit::DoEvents();
        clean = Pixel();
    }
    ~DragTarget() { ReleaseDC(nullptr, screen); }
    POINT Inside() const { return POINT{r.right - 5, r.bottom - 5}; }  // beside its child
    // The pixel under the frame, once what was drawn has reached the screen
    // (Wine puts a window's drawing on the screen when messages run).
    COLORREF Pixel() const {
        toolkit::DoEvents();
        Sleep(100);
        toolkit::DoEvents();
        return GetPixel(screen, r.left + 1, r.top + 1);
    }
    ::testing::AssertionResult Framed() const {
        if (clean == CLR_INVALID || Pixel() == ((~clean) & 0xFFFFFF)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no frame on the target";
    }
    ::testing::AssertionResult Clean() const {
        if (clean == CLR_INVALID || Pixel() == clean) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the target's pixels are not as before the drag";
    }
    OwnWindows own;
    RECT r{};
    HDC screen = nullptr;
    COLORREF clean = CLR_INVALID;
};

// A task falls due during a drag: its rebuild of the program list disables
// the cross-hair's box. The drag goes on, its release ends it cleanly, and
// the next drag works.
TEST_F(PickerTest, AFiringDuringADragLeavesTheDragWhichEndsCleanlyAndTheNextWorks) {
    DragTarget target;
    main.cmdAdd.Click();
    ASSERT_TRUE(editor->Visible());
    target.Raise();
    SendMessageW(editor->imgSelect.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ASSERT_TRUE(editor->Dragging());
    DragTo(target.Inside());
    ASSERT_EQ(editor->FramedWindow(), target.own.top);
    EXPECT_TRUE(target.Framed());

    // An empty task, due: the tick removes it and has the list rebuilt.
    main.Tasks().AddRow(0);
    const std::wstring fields[] = {L"Empty", L"None", L"None", L"2020/01/15 10:00:00", L"None", L"Close - Normal", L""};
    for (int k = 1; k <= kFieldCount; ++k) main.Tasks().SetField(1, k, fields[k - 1]);
    main.timerClose.SetEnabled(true);
    PostMessageW(main.Handle(), WM_TIMER, main.timerClose.Id(), 0);
    toolkit::DoEvents();
    ASSERT_EQ(main.Tasks().Count(), 0) << "the task did not fire";
    EXPECT_TRUE(editor->Dragging());
    EXPECT_EQ(GetCapture(), editor->Handle());

    ReleaseButton();
    EXPECT_FALSE(editor->Dragging());
    EXPECT_EQ(editor->FramedWindow(), nullptr);
    EXPECT_TRUE(target.Clean());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);
    EXPECT_FALSE(editor->TimerSelect.Enabled());

    // The next drag takes the mouse and ends at its release.
    CursorTo(helper.Inside());
    SendMessageW(editor->imgSelect.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(editor->Dragging());
    EXPECT_EQ(GetCapture(), editor->Handle());
    editor->TimerSelect_Timer();
    ReleaseButton();
    EXPECT_FALSE(editor->Dragging());
    EXPECT_EQ(editor->lblProcess[1].Text(), L"khelper.exe");
    EXPECT_EQ(editor->lblID.Text(), std::to_wstring(helper.Pid()));
}

// Another window takes the mouse, the system cancels the mode, the editor is
// disabled: each time the drag ends with the information of before the
// press back, the window that took the mouse keeps it, the main window stays
// hidden as after a release, and a new drag works.
TEST_F(PickerTest, LosingTheMouseDuringADragEndsItWithTheFieldsOfBefore) {
    DragTarget target;
    main.cmdAdd.Click();
    ASSERT_TRUE(editor->Visible());
    target.Raise();
    editor->cmbAutoType.SetListIndex(0);
    // Each way of losing the mouse, with the window that holds it afterwards.
    const std::pair<std::function<void()>, HWND> losses[] = {
        {[&] { SetCapture(target.own.top); }, target.own.top},
        {[&] { SendMessageW(editor->Handle(), WM_CANCELMODE, 0, 0); }, nullptr},
        {[&] {
             EnableWindow(editor->Handle(), FALSE);
             EnableWindow(editor->Handle(), TRUE);
         },
         nullptr},
    };
    int way = 0;
    for (const auto& [lose, taker] : losses) {
        SCOPED_TRACE(way++);
        editor->txtCmd.SetText(L"C:\\before\\before.exe");
        editor->lblProcess[1].SetText(L"before.exe");
        editor->lblProcess[2].SetText(L"Path:");
        editor->lblID.SetText(L"00000");
        editor->lblWindow.SetText(L"before title");
        editor->txthWnd.SetText(L"0");
        editor->picIcon.SetIcon(editor->imgEmptyIcon.Icon());
        main.Show();

        CursorTo(helper.Inside());
        SendMessageW(editor->imgSelect.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        ASSERT_TRUE(editor->Dragging());
        DragTo(target.Inside());
        editor->TimerSelect_Timer();
        ASSERT_NE(editor->lblProcess[1].Text(), L"before.exe");
        ASSERT_TRUE(target.Framed());
        ASSERT_FALSE(main.Visible());

        lose();
        toolkit::DoEvents();
        // The window that took the mouse keeps it.
        EXPECT_EQ(GetCapture(), taker);
        ReleaseCapture();

        EXPECT_FALSE(editor->Dragging());
        EXPECT_EQ(editor->FramedWindow(), nullptr);
        EXPECT_TRUE(target.Clean());
        EXPECT_EQ(toolkit::ScreenMousePointer(), nullptr);
        EXPECT_EQ(editor->imgSelect.Icon(), editor->imgBackUp.Icon());
        EXPECT_FALSE(editor->TimerSelect.Enabled());
        EXPECT_NEAR(editor->Height(), editor->cmdOK.Top() + editor->cmdOK.Height() + kFullHeightBelowAdd,
                    toolkit::PixelsToTwipsY(1));
        EXPECT_TRUE(editor->cmdRefresh.Visible());
        EXPECT_TRUE(editor->cmdClose.Visible());
        EXPECT_FALSE(main.Visible());  // as after a release, while the editor is open
        EXPECT_TRUE(editor->Visible());
        EXPECT_EQ(editor->txtCmd.Text(), L"C:\\before\\before.exe");
        EXPECT_EQ(editor->lblProcess[1].Text(), L"before.exe");
        EXPECT_EQ(editor->lblProcess[2].Text(), L"Path:");
        EXPECT_EQ(editor->lblID.Text(), L"00000");
        EXPECT_EQ(editor->lblWindow.Text(), L"before title");
        EXPECT_EQ(editor->txthWnd.Text(), L"0");
        EXPECT_EQ(editor->picIcon.Icon(), editor->imgEmptyIcon.Icon());

        // A release now changes nothing; the next drag works.
        ReleaseButton();
        EXPECT_EQ(editor->lblProcess[1].Text(), L"before.exe");
        CursorTo(helper.Inside());
        SendMessageW(editor->imgSelect.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        EXPECT_TRUE(editor->Dragging());
        EXPECT_EQ(GetCapture(), editor->Handle());
        ReleaseButton();
        EXPECT_FALSE(editor->Dragging());
        EXPECT_EQ(editor->lblProcess[1].Text(), L"khelper.exe");
        EXPECT_TRUE(target.Clean());
    }
}

}  // namespace
}  // namespace kestrelon
