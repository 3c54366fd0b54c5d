// The pop-up command form against the real window system, with a host window
// of the test's own. No external program is started: the launcher is replaced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "popupmenu/frmPop_win32.h"
#include "toolkit/App.h"

namespace kestrelon {
namespace {

constexpr int kFieldId = 42;

// A plain window with an edit control; it records the field's text at every
// change notification, which is how a host learns of a command.
class Host {
public:
    Host() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Host::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KestrelonPopTestHost";
        RegisterClassExW(&wc);  // fails harmlessly when already registered
        window = CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 wc.hInstance, this);
        field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFieldId)), wc.hInstance, nullptr);
    }
    ~Host() {
        if (window) DestroyWindow(window);
    }
    std::wstring Text() const {
        wchar_t buf[64]{};
        GetWindowTextW(field, buf, 64);
        return buf;
    }

    HWND window = nullptr;
    HWND field = nullptr;
    std::vector<std::wstring> received;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == WM_COMMAND && LOWORD(wp) == kFieldId && HIWORD(wp) == EN_CHANGE)
            self->received.push_back(self->Text());
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
};

class FrmPopTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        ASSERT_NE(host.field, nullptr);
        pop.showAbout = [this](const std::wstring& text) { abouts.push_back(text); };
        pop.startProgram = [this](const std::wstring& path) { started.push_back(path); };
        ASSERT_TRUE(pop.Load());
        pop.SetHost(host.window, host.field);
    }

    // Chooses the item with `caption` in `menu` as a user would: the form
    // receives the item's command.
    void Choose(toolkit::MenuItem& menu, const std::wstring& caption) {
        HMENU popup = menu.SubMenu();
        ASSERT_NE(popup, nullptr);
        for (int i = 0, n = GetMenuItemCount(popup); i < n; ++i) {
            wchar_t text[128]{};
            GetMenuStringW(popup, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            if (caption == text) {
                SendMessageW(pop.Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(popup, i), 0), 0);
                return;
            }
        }
        FAIL() << "no item " << std::string(caption.begin(), caption.end());
    }

    Host host;
    frmPop pop;
    std::vector<std::wstring> abouts;
    std::vector<std::wstring> started;
};

TEST_F(FrmPopTest, EveryCommandItemWritesItsCodeIntoTheHostField) {
    Choose(pop.menuFile, L"Add New(&A)");
    Choose(pop.menuFile, L"Remove(&R)");
    Choose(pop.menuFile, L"Exit(&E)");
    Choose(pop.menuTools, L"Converter(&C)");
    Choose(pop.menuSettings, L"Setting(&S)");
    Choose(pop.menuAbout, L"Help(&H)");
    Choose(pop.menuMain, L"Exit(&E)");
    // Each write reached the host before the next command, and the prefix
    // alternated so that every one was a change.
    EXPECT_EQ(host.received, (std::vector<std::wstring>{L"b0", L"a1", L"b5", L"a2", L"b3", L"a4", L"b5"}));
    // The prefix follows what the host left in its field.
    SetWindowTextW(host.field, L"x5");
    Choose(pop.menuSettings, L"Setting(&S)");
    EXPECT_EQ(host.Text(), L"b3");
    EXPECT_TRUE(abouts.empty());
    EXPECT_TRUE(started.empty());
}

TEST_F(FrmPopTest, DirectItemsActWithoutCommands) {
    Choose(pop.menuAbout, L"About(&A)");
    Choose(pop.menuMain, L"About(&A)");
    ASSERT_EQ(abouts.size(), 2u);
    EXPECT_NE(abouts[0].find(kOtherProduct), std::wstring::npos);

    Choose(pop.menuTools, std::wstring(kOtherProduct) + L" Browser(&B)");
    ASSERT_EQ(started.size(), 1u);
    wchar_t exe[MAX_PATH]{};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L'\\'));
    EXPECT_EQ(started[0], folder + L"\\" + kBrowserFileName);

    ShowWindow(host.window, SW_SHOW);
    Choose(pop.menuMain, L"Open/Hide Main Window(&M)");
    EXPECT_FALSE(IsWindowVisible(host.window));
    Choose(pop.menuMain, L"Open/Hide Main Window(&M)");
    EXPECT_TRUE(IsWindowVisible(host.window));
    EXPECT_TRUE(host.received.empty());
}

TEST_F(FrmPopTest, BorderlessWithoutAMenuBarAndFiveFilledPopups) {
    LONG_PTR style = GetWindowLongPtrW(pop.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
    EXPECT_EQ(GetMenu(pop.Handle()), nullptr);
    EXPECT_FALSE(pop.Visible());
    EXPECT_EQ(GetMenuItemCount(pop.menuFile.SubMenu()), 4);
    EXPECT_EQ(GetMenuItemCount(pop.menuTools.SubMenu()), 2);
    EXPECT_EQ(GetMenuItemCount(pop.menuSettings.SubMenu()), 1);
    EXPECT_EQ(GetMenuItemCount(pop.menuAbout.SubMenu()), 3);
    EXPECT_EQ(GetMenuItemCount(pop.menuMain.SubMenu()), 4);
    EXPECT_EQ(GetMenuState(pop.menuMain.SubMenu(), 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
}

TEST_F(FrmPopTest, WithoutAHostEverythingIsIgnored) {
    pop.SetHost(nullptr, nullptr);
    Choose(pop.menuFile, L"Add New(&A)");
    Choose(pop.menuMain, L"Open/Hide Main Window(&M)");
    EXPECT_EQ(pop.Prefix(), L"b");
    EXPECT_TRUE(host.received.empty());
    // A host that has gone away is ignored as well.
    HWND field = host.field;
    DestroyWindow(host.window);
    host.window = nullptr;
    pop.SetHost(nullptr, field);
    Choose(pop.menuFile, L"Remove(&R)");
}

TEST(FrmPopLauncher, MissingBrowserIsIgnored) {
    frmPop pop;
    wchar_t exe[MAX_PATH]{};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path.resize(path.find_last_of(L'\\') + 1);
    path += kBrowserFileName;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "a browser program is present";
    ASSERT_TRUE(pop.Load());
    pop.menuBrowser_Click();  // the real launcher: the file is missing, nothing starts
}

}  // namespace
}  // namespace kestrelon
