// The window toolkit against the real window system.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "toolkit/App.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"

namespace kestrelon::toolkit {
namespace {

constexpr UINT kPing = WM_APP + 7;

class TestForm : public Form {
public:
    TestForm() { className_ = L"KestrelonToolkitTestForm"; }
    int pings = 0;
    TextBox box;
    Button button;
    Timer timer;

protected:
    void Build() override {
        box.Create(*this, L"", {0, 0, 1500, 300}, /*visible=*/false);
        button.Create(*this, L"Go", {0, 400, 1500, 400});
        timer.Create(*this, 10, false);
    }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kPing) {
            ++pings;
            return 0;
        }
        return Form::HandleMessage(msg, wp, lp);
    }
};

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitControls();
        ASSERT_TRUE(form.Load());
    }
    // Waits until `done` holds, letting messages run; false on timeout.
    template <typename F>
    bool PumpUntil(F done, DWORD ms = 3000) {
        DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > ms) return false;
            Sleep(5);
            DoEvents();
        }
        return true;
    }
    TestForm form;
};

TEST(Twips, ConvertWithTheGivenDotsPerInch) {
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(13920, 96), 928);
    EXPECT_EQ(TwipsToPixels(13920 * 0.8, 120), 928);  // scaled design keeps its pixels
    EXPECT_EQ(TwipsToPixels(1060, 120), 88);          // unscaled widths grow with the screen
    EXPECT_DOUBLE_EQ(PixelsToTwips(928, 96), 13920);
    EXPECT_DOUBLE_EQ(TwipsPerPixelX() * ScreenDpiX(), 1440);
}

TEST_F(ToolkitTest, TextBoxChangeRunsBeforeSetTextReturnsOncePerChange) {
    std::vector<std::wstring> seen;
    form.box.onChange = [&] { seen.push_back(form.box.Text()); };
    form.box.SetText(L"refresh");
    ASSERT_EQ(seen, std::vector<std::wstring>{L"refresh"});  // exactly once, although the edit may notify too
    form.box.SetText(L"refresh");                             // no change, no event
    EXPECT_EQ(seen.size(), 1u);
    DoEvents();  // nothing queued behind the write either
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ToolkitTest, TextBoxHandlerThatEmptiesTheBoxRunsNestedThenSeesItEmpty) {
    std::vector<std::wstring> seen;
    form.box.onChange = [&] {
        seen.push_back(form.box.Text());
        if (!form.box.Text().empty()) form.box.SetText(L"");
    };
    form.box.SetText(L"AllMenuFalse");
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"AllMenuFalse", L""}));
    EXPECT_EQ(form.box.Text(), L"");
}

TEST_F(ToolkitTest, TextBoxReportsEditsThatDoNotComeFromSetText) {
    int changes = 0;
    form.box.onChange = [&] { ++changes; };
    SendMessageW(form.box.Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"typed"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form.box.Text(), L"typed");
}

TEST_F(ToolkitTest, DoEventsRunsPostedMessagesAndDueTimers) {
    PostMessageW(form.Handle(), kPing, 0, 0);
    PostMessageW(form.Handle(), kPing, 0, 0);
    EXPECT_EQ(form.pings, 0);
    DoEvents();
    EXPECT_EQ(form.pings, 2);

    int ticks = 0;
    form.timer.onTimer = [&] { ++ticks; };
    form.timer.SetEnabled(true);
    Sleep(60);
    DoEvents();
    EXPECT_GE(ticks, 1);
    form.timer.SetEnabled(false);
    int after = ticks;
    Sleep(60);
    DoEvents();
    EXPECT_EQ(ticks, after);
}

TEST(TimerAlignment, NextTickJustAfterTheNextMultipleOfTheInterval) {
    EXPECT_EQ(Timer::DelayToNextMultiple(0, 500), 502u);
    EXPECT_EQ(Timer::DelayToNextMultiple(3, 500), 499u);
    EXPECT_EQ(Timer::DelayToNextMultiple(499, 500), 3u);  // a tick a moment early: the next comes at once
    EXPECT_EQ(Timer::DelayToNextMultiple(1250, 500), 252u);
}

TEST_F(ToolkitTest, TimerHandlerDoesNotReenterWhileItYields) {
    int depth = 0, maxDepth = 0, ticks = 0;
    form.timer.onTimer = [&] {
        ++ticks;
        maxDepth = std::max(maxDepth, ++depth);
        if (ticks == 1) {
            Sleep(40);  // the next tick falls due meanwhile
            DoEvents();
        }
        --depth;
    };
    form.timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    EXPECT_EQ(maxDepth, 1);
}

TEST_F(ToolkitTest, AnExceptionInAHandlerStopsAtTheWindowProcedure) {
    int clicks = 0;
    form.button.onClick = [&] {
        ++clicks;
        throw std::runtime_error("handler failed");
    };
    SendMessageW(form.button.Handle(), BM_CLICK, 0, 0);
    SendMessageW(form.button.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(ToolkitTest, ClosingAFormAsksItsHandlersAndEndsTheLoopWhenItEndsTheProgram) {
    int asked = 0;
    form.SetEndsProgram(true);
    form.onQueryUnload = [&](bool& cancel, UnloadMode mode) {
        ++asked;
        EXPECT_EQ(mode, UnloadMode::FormControlMenu);
        cancel = asked == 1;  // refuse the first close only
    };
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form.Handle()));
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    HWND hwnd = form.Handle();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(form.Loaded());
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // leave no quit behind
}

TEST_F(ToolkitTest, ControlsRefuseNegativeSizesAndKeepTwipsBounds) {
    EXPECT_FALSE(form.button.SetWidth(-15));
    EXPECT_DOUBLE_EQ(form.button.Width(), 1500);
    ASSERT_TRUE(form.button.Move({150, 300, 1500, 450}));
    RECT r{};
    GetWindowRect(form.button.Handle(), &r);
    EXPECT_EQ(r.right - r.left, TwipsToPixelsX(1500));
    EXPECT_EQ(r.bottom - r.top, TwipsToPixelsY(450));
}

}  // namespace
}  // namespace kestrelon::toolkit
