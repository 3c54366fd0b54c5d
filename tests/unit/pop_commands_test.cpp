#include <gtest/gtest.h>

#include "popupmenu/PopCommands.h"

using namespace kestrelon;

namespace {

TEST(PopCommands, PrefixAlternatesAgainstTheHostText) {
    PopCommands pop;
    EXPECT_EQ(pop.Prefix(), L"");
    EXPECT_EQ(pop.Command(L"", PopCommand::Setting), L"b3");
    EXPECT_EQ(pop.Command(L"x5", PopCommand::Exit), L"b5");
    EXPECT_EQ(pop.Command(L"b0", PopCommand::Add), L"a0");
    EXPECT_EQ(pop.Prefix(), L"a");
    // Only a lower-case "b" counts, and only the first character.
    EXPECT_EQ(pop.Command(L"B0", PopCommand::Add), L"b0");
    EXPECT_EQ(pop.Command(L"ab", PopCommand::Add), L"b0");
    EXPECT_EQ(pop.Command(L"b", PopCommand::Help), L"a4");
}

TEST(PopCommands, RepeatedCommandAlwaysChangesTheText) {
    PopCommands pop;
    std::wstring host;
    for (int i = 0; i < 4; ++i) {
        std::wstring next = pop.Command(host, PopCommand::Setting);
        EXPECT_NE(next, host);
        host = next;
    }
    EXPECT_EQ(host, L"a3");
}

TEST(PopCommands, ItemsAndTheirCodes) {
    EXPECT_EQ(CommandOf(PopItem::menuExit), PopCommand::Exit);
    EXPECT_EQ(CommandOf(PopItem::menuExit1), PopCommand::Exit);
    EXPECT_EQ(static_cast<wchar_t>(PopCommand::Exit), L'5');
    for (PopItem direct : {PopItem::menuA, PopItem::menuAA, PopItem::menuBrowser, PopItem::open})
        EXPECT_FALSE(CommandOf(direct).has_value());
}

TEST(PopCommands, BrowserLiesInTheProgramFolder) {
    EXPECT_EQ(BrowserPath(L"C:\\Apps\\Kestrelon"), std::wstring(L"C:\\Apps\\Kestrelon\\") + kBrowserFileName);
    EXPECT_EQ(BrowserPath(L"D:\\"), std::wstring(L"D:\\") + kBrowserFileName);
    EXPECT_NE(PopAboutText().find(kOtherProduct), std::wstring::npos);
}

}  // namespace
