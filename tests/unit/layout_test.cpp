#include "mainwindow/Layout.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

// Design rectangles of the three controls the rules move.
MainLayout Design() {
    MainLayout l;
    l.list = {180, 1410, 13335, 5730};
    l.exitButton = {12210, 120, 1355, 915};
    l.webLabel = {210, 7260, 2055, 210};
    return l;
}

TEST(Layout, RulesAt96DpiGiveTheDesignedPlaces) {
    MainLayout l = Design();
    ApplyResizeRules(kMainWindowWidth, kMainWindowHeight, 1.0, l);
    EXPECT_DOUBLE_EQ(l.list.width, 13395);
    EXPECT_DOUBLE_EQ(l.exitButton.left, 12220);
    EXPECT_DOUBLE_EQ(l.webLabel.top, 7260);
    EXPECT_DOUBLE_EQ(l.list.height, 5650);
    // What the rules do not touch.
    EXPECT_DOUBLE_EQ(l.list.left, 180);
    EXPECT_DOUBLE_EQ(l.list.top, 1410);
    EXPECT_DOUBLE_EQ(l.exitButton.top, 120);
    EXPECT_DOUBLE_EQ(l.webLabel.left, 210);
}

TEST(Layout, GrowingTheWindowMovesEdgesByTheSameAmount) {
    MainLayout base = Design();
    ApplyResizeRules(kMainWindowWidth, kMainWindowHeight, 1.0, base);
    MainLayout grown = Design();
    ApplyResizeRules(kMainWindowWidth + 1500, kMainWindowHeight + 600, 1.0, grown);
    EXPECT_DOUBLE_EQ(grown.list.width - base.list.width, 1500);
    EXPECT_DOUBLE_EQ(grown.exitButton.left - base.exitButton.left, 1500);
    EXPECT_DOUBLE_EQ(grown.webLabel.top - base.webLabel.top, 600);
    EXPECT_DOUBLE_EQ(grown.list.height - base.list.height, 600);
}

TEST(Layout, At120DpiEverythingScalesByPointEightAndMarginsUseTheVerticalFactor) {
    ScaleFactors f = ScaleForScreen(12, 12);
    EXPECT_DOUBLE_EQ(f.fx, 0.8);
    EXPECT_DOUBLE_EQ(f.fy, 0.8);
    EXPECT_DOUBLE_EQ(kMainWindowWidth * f.fx, 11136);
    EXPECT_DOUBLE_EQ(kMainWindowHeight * f.fy, 6744);

    MainLayout l = Design();
    l.list = ScaleRect(l.list, f);
    l.exitButton = ScaleRect(l.exitButton, f);
    l.webLabel = ScaleRect(l.webLabel, f);
    ApplyResizeRules(11136, 6744, f.fy, l);
    // Every result is the 96-dpi result times 0.8: the same pixels.
    EXPECT_NEAR(l.list.width, 13395 * 0.8, 1e-9);
    EXPECT_NEAR(l.exitButton.left, 12220 * 0.8, 1e-9);
    EXPECT_NEAR(l.webLabel.top, 7260 * 0.8, 1e-9);
    EXPECT_NEAR(l.list.height, 5650 * 0.8, 1e-9);

    // Different horizontal and vertical factors: the list margin follows fy.
    MainLayout m = Design();
    ApplyResizeRules(10000, kMainWindowHeight, 2.0, m);
    EXPECT_DOUBLE_EQ(m.list.width, 10000 - 1050);
}

TEST(Layout, ATinyWindowKeepsRefusedValuesAndStillAppliesTheOtherRules) {
    MainLayout l = Design();
    ApplyResizeRules(kMainWindowWidth, kMainWindowHeight, 1.0, l);
    MainLayout before = l;

    ApplyResizeRules(300, 1000, 1.0, l);  // negative width and height
    EXPECT_DOUBLE_EQ(l.list.width, before.list.width);
    EXPECT_DOUBLE_EQ(l.list.height, before.list.height);
    EXPECT_DOUBLE_EQ(l.exitButton.left, before.exitButton.left);  // from the kept width
    EXPECT_DOUBLE_EQ(l.webLabel.top, 1000 - 210 - 960);          // a negative top is allowed

    // Restoring the window applies all four rules again.
    ApplyResizeRules(kMainWindowWidth, kMainWindowHeight, 1.0, l);
    EXPECT_EQ(l.list, before.list);
    EXPECT_EQ(l.webLabel, before.webLabel);
}

}  // namespace
}  // namespace kestrelon
