// The two windows as the screen shows them, at whatever dots per inch the
// test's Wine prefix is set to (the end-to-end script "dpi" runs these tests
// again at 120 and 144): no two shown controls overlap except where the design
// lays one over another, every caption, list-column header and item of a
// drop-down list fits its control in the font it really got, in each of the
// nine languages as the language commands load them,
// every command button shows its picture at one of its own sizes, and the web
// link is a link. A command button is judged by what it draws itself: beside
// its picture it may wrap its caption differently from a plain measure.
//
// KESTRELON_TEST_DPI, when set, is the dots per inch the run must see.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "../unit/Fakes.h"
#include "editor/frmMouseSelect_win32.h"
#include "mainwindow/Languages.h"
#include "mainwindow/form1_win32.h"
#include "toolkit/App.h"
#include "Pixels.h"
#include "resource_ids.h"

namespace kestrelon {
namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::string ClassOf(HWND h) {
    wchar_t buf[64] = {};
    GetClassNameW(h, buf, 64);
    return Narrow(buf);
}

std::wstring TextOf(HWND h) {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
    return s;
}

std::string Describe(HWND h) { return ClassOf(h) + " \"" + Narrow(TextOf(h)) + "\""; }

RECT ScreenRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

// The extent of `text` in the control's own font: wrapped at `width` when
// `wrap`, else on one line.
SIZE TextExtent(HWND control, const std::wstring& text, int width, bool wrap) {
    HDC dc = GetDC(control);
    auto* font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT r{0, 0, wrap ? width : 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    if (old) SelectObject(dc, old);
    ReleaseDC(control, dc);
    return SIZE{r.right, r.bottom};
}

// Each shown control of `form` that lies in its client area, and the
// controls shown inside each shown picture box.
std::vector<HWND> ShownControls(HWND form) {
    RECT client{};
    GetClientRect(form, &client);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<HWND> shown;
    for (HWND h = GetWindow(form, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        RECT r = ScreenRect(h), both{};
        if (!IsWindowVisible(h) || !IntersectRect(&both, &r, &client)) continue;
        shown.push_back(h);
        if (ClassOf(h) == "KestrelonPictureBox")
            for (HWND inner = GetWindow(h, GW_CHILD); inner; inner = GetWindow(inner, GW_HWNDNEXT))
                if (IsWindowVisible(inner)) shown.push_back(inner);
    }
    return shown;
}

// Pairs of shown controls that overlap, but for those laid over the others
// by design (`overlays`, with everything inside them).
std::vector<std::string> Overlaps(HWND form, const std::vector<HWND>& overlays) {
    auto designedOverlay = [&](HWND h) {
        for (HWND o : overlays)
            if (h == o || IsChild(o, h)) return true;
        return false;
    };
    const std::vector<HWND> shown = ShownControls(form);
    std::vector<std::string> found;
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j) {
            if (designedOverlay(shown[i]) != designedOverlay(shown[j])) continue;
            if (IsChild(shown[i], shown[j]) || IsChild(shown[j], shown[i])) continue;
            RECT a = ScreenRect(shown[i]), b = ScreenRect(shown[j]), both{};
            if (IntersectRect(&both, &a, &b)) found.push_back(Describe(shown[i]) + " and " + Describe(shown[j]));
        }
    return found;
}

// The pixels of the caption's colour that `button` draws away from its frame,
// as WM_PRINTCLIENT paints it.
long CaptionPixels(HWND button) {
    RECT c{};
    GetClientRect(button, &c);
    if (c.right <= 0 || c.bottom <= 0) return 0;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), c.right, -c.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bm = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bm);
    SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    const DWORD pixel = (GetRValue(ink) << 16) | (GetGValue(ink) << 8) | GetBValue(ink);
    constexpr int kFrame = 4;  // frame, default-button rectangle and focus rectangle
    long n = 0;
    const auto* px = static_cast<const DWORD*>(bits);
    for (int y = kFrame; y < c.bottom - kFrame; ++y)
        for (int x = kFrame; x < c.right - kFrame; ++x)
            if ((px[y * c.right + x] & 0xFFFFFF) == pixel) ++n;
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
    return n;
}

// Whether the push button `h` draws its whole caption: it is printed as it
// stands and beside a twin of the same width, style, font, picture and
// caption but with room to spare below, laid out by the button class itself.
// A caption the button wraps into more lines than it has room for, or lays
// over its frame, leaves fewer of its pixels than the twin shows.
bool ButtonDrawsItsWholeCaption(HWND h, std::string& detail) {
    RECT c{};
    GetClientRect(h, &c);
    const LONG style = GetWindowLongW(h, GWL_STYLE);
    HWND twin = CreateWindowExW(0, WC_BUTTONW, TextOf(h).c_str(), (style & ~WS_TABSTOP) | WS_VISIBLE, -4000, -4000,
                                c.right, 4 * c.bottom + 100, GetParent(h), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!twin) {
        detail = "no twin";
        return false;
    }
    SendMessageW(twin, WM_SETFONT, SendMessageW(h, WM_GETFONT, 0, 0), FALSE);
    BUTTON_IMAGELIST bil{};
    if (SendMessageW(h, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)) && bil.himl)
        SendMessageW(twin, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));  // shared, not freed by the twin
    const long drawn = CaptionPixels(h), whole = CaptionPixels(twin);
    DestroyWindow(twin);
    detail = std::to_string(drawn) + " of " + std::to_string(whole) + " caption pixels";
    return drawn >= whole;
}

// The column headers of the shown list views and the items of the shown
// drop-down lists that do not fit. A header draws its text between margins of
// three edges on each side, cut with "..." where it is wider; a drop-down
// list's items are measured in the list as it really drops, inside its
// border and its scroll bar, beside a pixel each side.
std::vector<std::string> HeadersAndListItemsThatDoNotFit(HWND form) {
    std::vector<std::string> bad;
    for (HWND h : ShownControls(form)) {
        const std::string cls = ClassOf(h);
        if (cls == "SysListView32") {
            const auto header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
            const int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
            const int margins = 2 * 3 * GetSystemMetrics(SM_CXEDGE);
            for (int i = 0; i < count; ++i) {
                wchar_t text[260] = {};
                HDITEMW item{};
                item.mask = HDI_TEXT | HDI_WIDTH;
                item.pszText = text;
                item.cchTextMax = 260;
                if (!SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)) || !text[0]) continue;
                const SIZE s = TextExtent(header, text, 0, false);
                if (s.cx > item.cxy - margins)
                    bad.push_back(Describe(h) + " column " + std::to_string(i + 1) + " header \"" + Narrow(text) +
                                  "\": " + std::to_string(s.cx) + " in " + std::to_string(item.cxy - margins));
            }
        } else if (cls == "ComboBox") {
            const int count = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
            if (count <= 0) continue;
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            if (!GetComboBoxInfo(h, &info) || !info.hwndList) continue;
            SendMessageW(h, CB_SHOWDROPDOWN, TRUE, 0);
            RECT list{};
            GetClientRect(info.hwndList, &list);
            SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
            const int room = list.right - 2;
            for (int i = 0; i < count; ++i) {
                const auto length = SendMessageW(h, CB_GETLBTEXTLEN, i, 0);
                if (length <= 0) continue;
                std::wstring text(static_cast<size_t>(length) + 1, L'\0');
                text.resize(static_cast<size_t>(SendMessageW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
                const SIZE s = TextExtent(h, text, 0, false);
                if (s.cx > room)
                    bad.push_back(Describe(h) + " item " + std::to_string(i) + " \"" + Narrow(text) + "\": " +
                                  std::to_string(s.cx) + " in " + std::to_string(room));
            }
        }
    }
    return bad;
}

// Controls whose caption does not fit in the font they were given.
std::vector<std::string> CaptionsThatDoNotFit(HWND form, const toolkit::Form& owner) {
    std::vector<std::string> bad;
    for (HWND h : ShownControls(form)) {
        const std::wstring text = TextOf(h);
        if (text.empty()) continue;
        RECT c{};
        GetClientRect(h, &c);
        const std::string cls = ClassOf(h);
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        if (cls == "Static") {
            const SIZE s = TextExtent(h, text, c.right, !(style & SS_CENTERIMAGE));
            if (s.cx > c.right || s.cy > c.bottom)
                bad.push_back(Describe(h) + ": " + std::to_string(s.cx) + "x" + std::to_string(s.cy) + " in " +
                              std::to_string(c.right) + "x" + std::to_string(c.bottom));
        } else if (cls == "Button") {
            const LONG type = style & BS_TYPEMASK;
            if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
                int picture = 0;
                for (toolkit::Control* control : owner.Controls())
                    if (control->Handle() == h)
                        if (auto* b = dynamic_cast<toolkit::Button*>(control)) picture = b->PictureSize();
                // A picture keeps the button's own margins; a caption alone needs only the frame.
                const int edge = picture ? toolkit::Button::kEdge : 2;
                const SIZE s = TextExtent(h, text, c.right - 2 * edge, true);
                std::string drawn;
                if (s.cx > c.right - 2 * edge || s.cy + picture + 2 * edge > c.bottom)
                    bad.push_back(Describe(h) + ": caption " + std::to_string(s.cx) + "x" + std::to_string(s.cy) +
                                  " and picture " + std::to_string(picture) + " in " + std::to_string(c.right) +
                                  "x" + std::to_string(c.bottom));
                else if (!ButtonDrawsItsWholeCaption(h, drawn))
                    bad.push_back(Describe(h) + ": the button draws " + drawn);
            } else {  // a check box or an option button: the box, a gap, the caption
                const int box = GetSystemMetrics(SM_CXMENUCHECK) + 4;
                const SIZE s = TextExtent(h, text, c.right - box, (style & BS_MULTILINE) != 0);
                if (s.cx > c.right - box || s.cy > c.bottom)
                    bad.push_back(Describe(h) + ": " + std::to_string(s.cx) + "x" + std::to_string(s.cy) + " in " +
                                  std::to_string(c.right - box) + "x" + std::to_string(c.bottom));
            }
        } else if (cls == "ComboBox") {
            const int room = c.right - GetSystemMetrics(SM_CXVSCROLL) - 4;
            const SIZE s = TextExtent(h, text, 0, false);
            if (s.cx > room) bad.push_back(Describe(h) + ": " + std::to_string(s.cx) + " in " + std::to_string(room));
        }
    }
    for (const std::string& b : HeadersAndListItemsThatDoNotFit(form)) bad.push_back(b);
    return bad;
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit::InitControls();
        if (const char* dpi = std::getenv("KESTRELON_TEST_DPI")) {
            ASSERT_EQ(toolkit::ScreenDpiY(), std::atoi(dpi)) << "the prefix's LogPixels did not take";
        }
        main.endProcess = [] {};
        ASSERT_TRUE(main.Load());  // the whole start-up: sized, scaled, the quick-start picture shown
        main.timerClose.SetEnabled(false);
        main.timerMouse.SetEnabled(false);
        editor = main.Editor();
        ASSERT_NE(editor, nullptr);
        toolkit::DoEvents();
    }
    void TearDown() override {
        if (editor && editor->Visible()) editor->cmdCancel.Click();
    }

    testing::FakeSystem sys;
    form1 main{sys};
    frmMouseSelect* editor = nullptr;
};

TEST_F(LayoutTest, MainWindowControlsDoNotOverlapAndTheirCaptionsFit) {
    ASSERT_TRUE(main.picDoor.Visible());
    EXPECT_EQ(Overlaps(main.Handle(), {main.picDoor.Handle()}), std::vector<std::string>{});
    EXPECT_EQ(CaptionsThatDoNotFit(main.Handle(), main), std::vector<std::string>{});
    // The quick-start picture lies over the list, the header and the "Task List" label.
    const HWND top = GetWindow(main.Handle(), GW_CHILD);
    EXPECT_EQ(top, main.picDoor.Handle()) << "the picture is not above its siblings";
    for (HWND h : {main.LVClose.Handle(), main.lblTask.Handle()})
        EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_CLIPSIBLINGS) << Describe(h) << " would paint over the picture";
}

TEST_F(LayoutTest, EditorControlsDoNotOverlapAndTheirCaptionsFitWithAndWithoutTheRepeatPanel) {
    editor->ShowEditor();
    toolkit::DoEvents();
    EXPECT_EQ(Overlaps(editor->Handle(), {}), std::vector<std::string>{});
    EXPECT_EQ(CaptionsThatDoNotFit(editor->Handle(), *editor), std::vector<std::string>{});
    editor->cmbLoop.SetListIndex(kLoopCustomIndex);  // the custom repeat panel opens over the timing boxes
    ASSERT_TRUE(editor->picLoop.Visible());
    // The chosen program's picture stands beside its name, over the empty
    // right part of the id label's box.
    EXPECT_EQ(Overlaps(editor->Handle(), {editor->picLoop.Handle(), editor->picIcon.Handle()}),
              std::vector<std::string>{});
    EXPECT_EQ(CaptionsThatDoNotFit(editor->Handle(), *editor), std::vector<std::string>{});
    if (editor->Label12.onClick) editor->Label12.onClick();
}

TEST_F(LayoutTest, EveryCommandButtonShowsItsPictureAtOneOfItsOwnSizes) {
    const toolkit::Button* buttons[] = {&main.cmdAdd,  &main.cmdDelete,  &main.cmdRemoveAll,   &main.cmdSave,
                                        &main.cmdLoad, &main.cmdSetting, &main.cmdHelp,        &main.cmdExit,
                                        &editor->cmdRefresh, &editor->cmdClose};
    for (const toolkit::Button* b : buttons) {
        SCOPED_TRACE(Describe(b->Handle()));
        const int size = b->PictureSize();
        EXPECT_TRUE(size == 16 || size == 24 || size == 32 || size == 48) << size;
        BUTTON_IMAGELIST bil{};
        ASSERT_TRUE(SendMessageW(b->Handle(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)));
        ASSERT_NE(bil.himl, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(bil.himl), 1);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(bil.himl, &cx, &cy);
        EXPECT_EQ(cx, size);
        EXPECT_EQ(cy, size);
        // The picture fits the button beside its edges.
        RECT c{};
        GetClientRect(b->Handle(), &c);
        EXPECT_LE(size + 2 * toolkit::Button::kEdge, c.bottom);
    }
    // The pictures are the icons themselves, as drawing each into its list gives them.
    for (const auto& [b, id] : {std::pair{&main.cmdAdd, IDI_CMD_ADD}, std::pair{&editor->cmdClose, IDI_CMD_CLOSE_NOW}}) {
        const int size = b->PictureSize();
        BUTTON_IMAGELIST bil{};
        ASSERT_TRUE(SendMessageW(b->Handle(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)));
        HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        HIMAGELIST drawn = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
        ASSERT_EQ(ImageList_AddIcon(drawn, icon), 0);
        EXPECT_EQ(testing::ImagePixels(bil.himl, 0), testing::ImagePixels(drawn, 0)) << Describe(b->Handle());
        ImageList_Destroy(drawn);
        DestroyIcon(icon);
    }
    // One row, one size: the main window's pictures match.
    for (const toolkit::Button* b : buttons) {
        if (b == &editor->cmdRefresh) break;
        EXPECT_EQ(b->PictureSize(), main.cmdAdd.PictureSize()) << Describe(b->Handle());
    }
    // The tooltips stay.
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = editor->Handle();
    ti.uId = reinterpret_cast<UINT_PTR>(editor->cmdClose.Handle());
    wchar_t tip[80] = {};
    ti.lpszText = tip;
    SendMessageW(editor->Tooltip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(tip, L"Close the Selected Program Now");
}

TEST_F(LayoutTest, WebLinkIsUnderlinedInTheLinkColourWithTheHandAndShowsTheWholeAddress) {
    const HWND link = main.lblWeb.Handle();
    EXPECT_EQ(TextOf(link), L"www.kestrelon.example");
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(link, WM_GETFONT, 0, 0)), sizeof(lf), &lf));
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_EQ(main.lblWeb.MousePointer(), LoadCursorW(nullptr, IDC_HAND));
    // The colours the window gives it when it paints.
    HDC dc = GetDC(link);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(main.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link)));
    EXPECT_EQ(GetTextColor(dc), toolkit::Label::LinkColour());
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(brush, GetSysColorBrush(COLOR_BTNFACE));
    ReleaseDC(link, dc);
    RECT c{};
    GetClientRect(link, &c);
    EXPECT_LE(TextExtent(link, TextOf(link), 0, false).cx, c.right);
    // The link stays whole after a switch of fonts.
    main.SetFont(L"Verdana", 12);
    GetClientRect(link, &c);
    EXPECT_LE(TextExtent(link, TextOf(link), 0, false).cx, c.right);
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(link, WM_GETFONT, 0, 0)), sizeof(lf), &lf));
    EXPECT_TRUE(lf.lfUnderline);
}

TEST_F(LayoutTest, MainWindowIsCentredAtItsNinetySixDpiPixelSize) {
    RECT r = ScreenRect(main.Handle()), work{};
    EXPECT_EQ(r.right - r.left, 928);
    EXPECT_EQ(r.bottom - r.top, 562);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

// ---- the nine languages -------------------------------------------------------------------

struct Language {
    const char* name;  // the test's name
    const wchar_t* code;
    toolkit::MenuItem form1::*entry;  // its switch command
};

std::ostream& operator<<(std::ostream& os, const Language& l) { return os << l.name; }

// Each language in force as its command of the "Languages" menu loads it
// (Italian's entry is hidden but answers its command like the others).
class LanguageLayoutTest : public LayoutTest, public ::testing::WithParamInterface<Language> {
protected:
    void SetUp() override {
        LayoutTest::SetUp();
        if (HasFatalFailure()) return;
        const toolkit::MenuItem& entry = main.*GetParam().entry;
        SendMessageW(main.Handle(), WM_COMMAND, entry.Id(), 0);
        ASSERT_TRUE(entry.Checked());
        const LanText& t = lanText();
        ASSERT_FALSE(t[0].empty());
        if (std::wstring(GetParam().code) != L"en") {
            ASSERT_NE(t[0], L"Add a Task") << "the language file was not read";
        }
        ASSERT_EQ(main.cmdAdd.Text(), t[0]);
    }
    void TearDown() override {
        LayoutTest::TearDown();
        SendMessageW(main.Handle(), WM_COMMAND, main.menuEn.Id(), 0);  // no marker for the next test
    }
};

TEST_P(LanguageLayoutTest, MainWindowCaptionsFitAndNoControlsOverlap) {
    EXPECT_EQ(Overlaps(main.Handle(), {main.picDoor.Handle()}), std::vector<std::string>{});
    EXPECT_EQ(CaptionsThatDoNotFit(main.Handle(), main), std::vector<std::string>{});
}

TEST_P(LanguageLayoutTest, EditorCaptionsFitAndNoControlsOverlapInEveryStateOfItsTexts) {
    editor->ShowEditor();
    toolkit::DoEvents();
    EXPECT_EQ(Overlaps(editor->Handle(), {}), std::vector<std::string>{});
    EXPECT_EQ(CaptionsThatDoNotFit(editor->Handle(), *editor), std::vector<std::string>{});
    // The two action types give the command box's label texts of their own.
    for (int type : {1, 0}) {
        editor->cmbAutoType.SetListIndex(type);
        EXPECT_EQ(CaptionsThatDoNotFit(editor->Handle(), *editor), std::vector<std::string>{}) << "type " << type;
    }
    // A click on a row of the program list turns "Window Title:" into the path's caption.
    const int row = editor->LV.Append(L"", -1);
    editor->LV.SetItemText(row, 1, L"notepad.exe");
    editor->LV.SetItemText(row, 2, L"C:\\Windows\\notepad.exe");
    editor->LV.Select(row);
    editor->LV_Click();
    ASSERT_EQ(editor->lblProcess[2].Text(), lanText()[49]);
    EXPECT_EQ(CaptionsThatDoNotFit(editor->Handle(), *editor), std::vector<std::string>{});
    editor->cmbLoop.SetListIndex(kLoopCustomIndex);  // the custom repeat panel
    ASSERT_TRUE(editor->picLoop.Visible());
    // The chosen program's picture stands beside its name, over the empty
    // right part of the id label's box.
    EXPECT_EQ(Overlaps(editor->Handle(), {editor->picLoop.Handle(), editor->picIcon.Handle()}),
              std::vector<std::string>{});
    EXPECT_EQ(CaptionsThatDoNotFit(editor->Handle(), *editor), std::vector<std::string>{});
    if (editor->Label12.onClick) editor->Label12.onClick();
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageLayoutTest,
                         ::testing::Values(Language{"en", L"en", &form1::menuEn}, Language{"fr", L"fr", &form1::menuFr},
                                           Language{"de", L"de", &form1::menuDe}, Language{"it", L"it", &form1::menuIt},
                                           Language{"pl", L"pl", &form1::menuPolish},
                                           Language{"cn", L"cn", &form1::menuCN}, Language{"se", L"se", &form1::menuSE},
                                           Language{"pt_br", L"pt-br", &form1::menuPTBR},
                                           Language{"nl", L"nl", &form1::menuDutch}),
                         [](const ::testing::TestParamInfo<Language>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrelon
