#include <gtest/gtest.h>

#include "mainwindow/Tray.h"

namespace kestrelon {
namespace {

TEST(TrayCallback, OnlyLeftDoubleClickRestores) {
    EXPECT_EQ(DecodeTrayCallback(0x203), TrayAction::RestoreMain);
    // Mouse move, left down/up, right down/up/double, middle down/up/double.
    for (unsigned m : {0x200u, 0x201u, 0x202u, 0x204u, 0x205u, 0x206u, 0x207u, 0x208u, 0x209u, 0x0u})
        EXPECT_EQ(DecodeTrayCallback(m), TrayAction::None) << std::hex << m;
    // Only the low word carries the mouse message.
    EXPECT_EQ(DecodeTrayCallback(0x12340203), TrayAction::RestoreMain);
    EXPECT_EQ(DecodeTrayCallback(0x02030000), TrayAction::None);
}

TEST(TrayCallback, FromTwipsAtAnyScale) {
    for (double tpp : {15.0, 12.0, 10.0, 7.5}) {
        EXPECT_EQ(TrayCallback(0x203 * tpp, tpp), TrayAction::RestoreMain) << tpp;
        EXPECT_EQ(TrayCallback(0x205 * tpp, tpp), TrayAction::None) << tpp;
        EXPECT_EQ(TrayCallback(0x203 * tpp + tpp / 3, tpp), TrayAction::RestoreMain) << "rounds to nearest";
    }
    EXPECT_FALSE(MouseMessageFromTwips(1e12, 15).has_value()) << "outside 32 bits: ignored";
    EXPECT_EQ(TrayCallback(1e12, 15), TrayAction::None);
    EXPECT_EQ(TrayCallback(0x203 * 15.0, 0), TrayAction::None);
}

}  // namespace
}  // namespace kestrelon
