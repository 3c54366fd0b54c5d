// The toolkit's choice controls and picture box against the real window
// system: events raised synchronously by code, the groups of option buttons,
// the key filter of combo boxes, and controls held by a picture box.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/App.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"

namespace kestrelon::toolkit {
namespace {

class ControlsForm : public Form {
public:
    ControlsForm() { className_ = L"KestrelonToolkitControlsForm"; }
    CheckBox check;
    OptionButton optA, optB, optInPanel;
    ComboBox list, typing;
    PictureBox panel, picture;
    Button panelButton;
    Label panelLabel;

protected:
    void Build() override {
        check.Create(*this, L"Tick", {0, 0, 1500, 285});
        optA.Create(*this, L"A", {0, 300, 1500, 285});
        list.Create(*this, {0, 600, 1500, 330});
        optB.Create(*this, L"B", {0, 1000, 1500, 285});
        typing.Create(*this, {1600, 600, 975, 330}, ComboBox::Kind::DropDown);
        panel.Create(*this, {0, 1400, 3000, 1200}, /*visible=*/true, /*border=*/true);
        optInPanel.Create(panel, L"C", {60, 60, 1200, 285});
        panelButton.Create(panel, L"OK", {60, 400, 1000, 315});
        panelLabel.Create(panel, L"X", {1500, 60, 285, 165});
        picture.Create(*this, {3200, 0, 600, 600}, /*visible=*/false);
    }
};

class ToolkitControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitControls();
        ASSERT_TRUE(form.Load());
    }
    ControlsForm form;
};

TEST_F(ToolkitControlsTest, CheckBoxRaisesClickWhenItsTickChangesByCodeOrByTheUser) {
    std::vector<bool> seen;
    form.check.onClick = [&] { seen.push_back(form.check.Value()); };
    form.check.SetValue(true);
    form.check.SetValue(true);  // no change, no event
    ASSERT_EQ(seen, std::vector<bool>{true});
    SendMessageW(form.check.Handle(), BM_CLICK, 0, 0);  // as a user's click
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    EXPECT_FALSE(form.check.Value());
}

TEST_F(ToolkitControlsTest, OptionButtonsOfOneParentFormAGroupAndRaiseClickWhenChosen) {
    int clicksA = 0, clicksB = 0, clicksPanel = 0;
    form.optA.onClick = [&] { ++clicksA; };
    form.optB.onClick = [&] { ++clicksB; };
    form.optInPanel.onClick = [&] { ++clicksPanel; };

    form.optInPanel.SetValue(true);
    form.optA.SetValue(true);
    EXPECT_TRUE(form.optA.Value());
    EXPECT_TRUE(form.optInPanel.Value());  // another parent, another group
    form.optA.SetValue(true);              // already chosen: no event
    EXPECT_EQ(clicksA, 1);

    // A user's click on B, although other controls lie between the two.
    SendMessageW(form.optB.Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.optB.Value());
    EXPECT_FALSE(form.optA.Value());
    EXPECT_EQ(clicksB, 1);
    EXPECT_EQ(clicksPanel, 1);
    EXPECT_TRUE(form.optInPanel.Value());
}

TEST_F(ToolkitControlsTest, ComboListIndexRaisesClickEveryTimeAndItemsAreReplacedInPlace) {
    form.list.SetItems({L"None", L"Every Day", L"Customize..."});
    std::vector<int> seen;
    form.list.onClick = [&] { seen.push_back(form.list.ListIndex()); };
    form.list.SetListIndex(2);
    form.list.SetListIndex(2);   // the same index still runs the handler
    form.list.SetListIndex(7);   // no such item: refused, no event
    EXPECT_EQ(seen, (std::vector<int>{2, 2}));
    EXPECT_EQ(form.list.Text(), L"Customize...");

    ASSERT_TRUE(form.list.SetList(2, L"Anpassen..."));
    EXPECT_EQ(form.list.ListCount(), 3);
    EXPECT_EQ(form.list.ListIndex(), 2);
    EXPECT_EQ(form.list.Text(), L"Anpassen...");
    EXPECT_EQ(form.list.List(1), L"Every Day");
    EXPECT_FALSE(form.list.SetList(3, L"x"));

    form.list.SetText(L"Every Day");  // a drop-down list chooses the item with that text
    EXPECT_EQ(form.list.ListIndex(), 1);
    EXPECT_EQ(seen.size(), 3u);

    // A choice made from outside, as a driver or the user's selection does.
    SendMessageW(form.list.Handle(), CB_SETCURSEL, 0, 0);
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(form.list.Id(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(form.list.Handle()));
    EXPECT_EQ(seen.back(), 0);
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(ToolkitControlsTest, TypingComboRaisesChangeOnceForTextSetByCode) {
    form.typing.SetItems({L"00", L"01", L"02"});
    int changes = 0;
    form.typing.onChange = [&] { ++changes; };
    form.typing.SetText(L"5");
    form.typing.SetText(L"5");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form.typing.Text(), L"5");
    EXPECT_EQ(form.typing.ListIndex(), -1);
    form.typing.SetListIndex(2);
    EXPECT_EQ(form.typing.Text(), L"02");
    EXPECT_EQ(changes, 1);  // a chosen item is a click, not a change
}

TEST_F(ToolkitControlsTest, KeyFilterDropsOrReplacesTypedCharactersBeforeTheyArrive) {
    std::vector<int> keys;
    form.typing.onKeyPress = [&](int& key) {
        keys.push_back(key);
        if (key == 'x') key = 0;         // dropped
        else if (key == 'o') key = '0';  // replaced
    };
    HWND edit = form.typing.TypingWindow();
    ASSERT_NE(edit, form.typing.Handle());  // the edit part of a box with typing
    SendMessageW(form.typing.Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    for (wchar_t c : std::wstring(L"1xo2")) SendMessageW(edit, WM_CHAR, c, 0);
    EXPECT_EQ(form.typing.Text(), L"102");
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(form.typing.Text(), L"10");
    EXPECT_EQ(keys, (std::vector<int>{'1', 'x', 'o', '2', VK_BACK}));
}

LRESULT CALLBACK CountingSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR counter) {
    if (msg == WM_CHAR) ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(ToolkitControlsTest, AControlsWindowWorksUnderAnotherSubclassAndOutlivesItsControl) {
    auto box = std::make_unique<ComboBox>();
    ASSERT_TRUE(box->Create(form, {3000, 600, 975, 330}, ComboBox::Kind::DropDown));
    box->onKeyPress = [](int& key) {
        if (key == 'x') key = 0;
    };
    HWND combo = box->Handle();
    HWND edit = box->TypingWindow();
    // Someone else routes the typing window too, after the control did.
    int seen = 0;
    ASSERT_TRUE(SetWindowSubclass(edit, CountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&seen)));
    for (wchar_t c : std::wstring(L"axb")) SendMessageW(edit, WM_CHAR, c, 0);
    EXPECT_EQ(GetWindowTextLengthW(edit), 2);  // "x" still dropped below the other routing
    EXPECT_EQ(seen, 3);

    // The control ends first; its windows keep answering, unfiltered now.
    box.reset();
    SendMessageW(edit, WM_CHAR, L'x', 0);
    EXPECT_EQ(GetWindowTextLengthW(edit), 3);
    EXPECT_EQ(seen, 4);
    ASSERT_TRUE(RemoveWindowSubclass(edit, CountingSubclass, 1));
    EXPECT_TRUE(DestroyWindow(combo));
    EXPECT_FALSE(IsWindow(edit));

    // The usual order: the window goes before its control.
    ComboBox second;
    ASSERT_TRUE(second.Create(form, {3000, 600, 975, 330}, ComboBox::Kind::DropDown));
    second.onKeyPress = [](int& key) {
        if (key == 'x') key = 0;
    };
    SendMessageW(second.TypingWindow(), WM_CHAR, L'x', 0);
    EXPECT_EQ(GetWindowTextLengthW(second.TypingWindow()), 0);
    EXPECT_TRUE(DestroyWindow(second.Handle()));
}

TEST_F(ToolkitControlsTest, TheSameFontAgainLeavesEveryControlAsItIs) {
    form.SetFont(L"Verdana", 9);
    const auto font = [&](const Control& c) { return SendMessageW(c.Handle(), WM_GETFONT, 0, 0); };
    const LRESULT first = font(form.check);
    ASSERT_NE(first, 0);
    EXPECT_EQ(font(form.list), first);
    EXPECT_EQ(font(form.panelButton), first);  // inside the picture box as well
    form.SetFont(L"Verdana", 9);
    EXPECT_EQ(font(form.check), first);
    form.SetFont(L"Verdana", 12);
    EXPECT_NE(font(form.check), first);
    EXPECT_EQ(font(form.list), font(form.check));
    // A control made afterwards starts with the form's font.
    Label late;
    ASSERT_TRUE(late.Create(form, L"late", {0, 3000, 1500, 285}));
    EXPECT_EQ(font(late), font(form.check));
}

TEST_F(ToolkitControlsTest, AClosedComboFollowsItsDesignHeightDownAsWellAsUp) {
    // Taller, then back: the field height the system reads back need not be
    // the one set, so a fit that trusts it ends a few pixels off.
    ASSERT_TRUE(form.list.Move({0, 600, 1500, 450}));
    RECT r{};
    GetWindowRect(form.list.Handle(), &r);
    EXPECT_EQ(r.bottom - r.top, TwipsToPixelsY(450));
    ASSERT_TRUE(form.list.Move({0, 600, 1500, 330}));
    GetWindowRect(form.list.Handle(), &r);
    EXPECT_EQ(r.bottom - r.top, TwipsToPixelsY(330));
}

TEST_F(ToolkitControlsTest, ASelfSizingLabelKeepsTheWidthOfItsTextWhereverItIsMoved) {
    Label label;
    ASSERT_TRUE(label.Create(form, L"www.kestrelon.example", {0, 3000, 300, 285}));
    label.SetAutoSize(true);
    const double fitted = label.Width();
    EXPECT_GT(fitted, 300);
    // A scaling pass hands it a smaller rectangle: it moves, and keeps its width.
    ASSERT_TRUE(label.Move({100, 3100, fitted * 0.8, 228}));
    EXPECT_DOUBLE_EQ(label.Left(), 100);
    EXPECT_DOUBLE_EQ(label.Width(), fitted);
    RECT r{};
    GetWindowRect(label.Handle(), &r);
    EXPECT_EQ(r.right - r.left, TwipsToPixelsX(fitted));
}

TEST_F(ToolkitControlsTest, ClosedComboTakesItsDesignSizeAndDropsItsList) {
    // The closed box's height comes from its design height, give or take
    // what the font needs (Wine keeps the system font's field height).
    RECT r{};
    GetWindowRect(form.list.Handle(), &r);
    EXPECT_NEAR(r.bottom - r.top, TwipsToPixelsY(330), 2);
    EXPECT_EQ(r.right - r.left, TwipsToPixelsX(1500));
    ASSERT_TRUE(form.list.Move({100, 700, 1935, 330}));
    GetWindowRect(form.list.Handle(), &r);
    EXPECT_NEAR(r.bottom - r.top, TwipsToPixelsY(330), 2);
    EXPECT_EQ(r.right - r.left, TwipsToPixelsX(1935));
    EXPECT_DOUBLE_EQ(form.list.Height(), 330);

    form.list.SetItems({L"a", L"b", L"c"});
    SendMessageW(form.list.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(form.list.Handle(), &info));
    RECT dropped{};
    GetWindowRect(info.hwndList, &dropped);
    EXPECT_GT(dropped.bottom - dropped.top, 3 * 10);  // the open list shows its items
    SendMessageW(form.list.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(ToolkitControlsTest, ControlsInsideAPictureBoxReachTheirHandlersAndSitRelativeToIt) {
    int clicks = 0, labelClicks = 0;
    form.panelButton.onClick = [&] { ++clicks; };
    form.panelLabel.onClick = [&] { ++labelClicks; };
    EXPECT_EQ(GetParent(form.panelButton.Handle()), form.panel.Handle());
    SendMessageW(form.panelButton.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    SendMessageW(form.panel.Handle(), WM_COMMAND, MAKEWPARAM(form.panelLabel.Id(), STN_CLICKED),
                 reinterpret_cast<LPARAM>(form.panelLabel.Handle()));
    EXPECT_EQ(labelClicks, 1);

    RECT panel{}, button{};
    GetWindowRect(form.panel.Handle(), &panel);
    GetWindowRect(form.panelButton.Handle(), &button);
    POINT origin{0, 0};
    ClientToScreen(form.panel.Handle(), &origin);
    EXPECT_EQ(button.left - origin.x, TwipsToPixelsX(60));
    EXPECT_EQ(button.top - origin.y, TwipsToPixelsY(400));

    form.panel.SetVisible(false);  // hiding the box hides what it holds
    EXPECT_FALSE(IsWindowVisible(form.panelButton.Handle()));
}

TEST_F(ToolkitControlsTest, PictureBoxShowsAnIconAndCanTakeItsSize) {
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_FALSE(form.picture.HasPicture());
    form.picture.SetIcon(icon);
    EXPECT_EQ(form.picture.Icon(), icon);
    SIZE s = form.picture.PictureSize();
    EXPECT_GT(s.cx, 0);
    EXPECT_EQ(s.cx, s.cy);
    EXPECT_DOUBLE_EQ(form.picture.Width(), 600);  // not sized to the picture unless asked
    form.picture.SetAutoSize(true);
    RECT r{};
    GetClientRect(form.picture.Handle(), &r);
    EXPECT_EQ(r.right, s.cx);
    EXPECT_EQ(r.bottom, s.cy);
    EXPECT_FALSE(form.picture.Visible());
    form.picture.SetVisible(true);
    EXPECT_TRUE(form.picture.Visible());
    form.picture.ClearPicture();
    EXPECT_FALSE(form.picture.HasPicture());

    int clicks = 0;
    form.picture.onClick = [&] { ++clicks; };
    SendMessageW(form.picture.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(form.picture.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolkitControlsTest, ScreenPointerOverridesTheControlsOwnPointerUntilCleared) {
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), cross = LoadCursorW(nullptr, IDC_CROSS);
    form.panelLabel.SetMousePointer(hand);
    auto pointerOver = [](HWND h) {
        SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(pointerOver(form.panelLabel.Handle()), hand);
    SetScreenMousePointer(cross);
    EXPECT_EQ(pointerOver(form.panelLabel.Handle()), cross);
    EXPECT_EQ(pointerOver(form.check.Handle()), cross);
    SetScreenMousePointer(nullptr);
    EXPECT_EQ(pointerOver(form.panelLabel.Handle()), hand);
}

TEST_F(ToolkitControlsTest, ClientSizeIsSetInTwips) {
    form.SetClientSize(11070, 9255);
    RECT r{};
    GetClientRect(form.Handle(), &r);
    EXPECT_EQ(r.right, TwipsToPixelsX(11070));
    EXPECT_EQ(r.bottom, TwipsToPixelsY(9255));
}

}  // namespace
}  // namespace kestrelon::toolkit
