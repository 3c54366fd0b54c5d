// Enumerator's portable part: the hexadecimal and NUL-cut texts, and the
// state of an instance that holds no snapshot.
#include <gtest/gtest.h>

#include <string>

#include "services/Enumerator.h"

namespace kestrelon {
namespace {

TEST(EnumeratorFormat8, GivesEightUpperCaseDigitsWithLeadingZeros) {
    EXPECT_EQ(Enumerator::Format8(0), L"00000000");
    EXPECT_EQ(Enumerator::Format8(255), L"000000FF");
    EXPECT_EQ(Enumerator::Format8(0x1A2B3C), L"001A2B3C");
    EXPECT_EQ(Enumerator::Format8(0x7FFFFFFF), L"7FFFFFFF");
}

TEST(EnumeratorFormat8, NegativeValuesGiveTheirTwosComplementDigits) {
    EXPECT_EQ(Enumerator::Format8(-1), L"FFFFFFFF");
    EXPECT_EQ(Enumerator::Format8(-2147483647 - 1), L"80000000");
    EXPECT_EQ(Enumerator::Format8(-256), L"FFFFFF00");
}

TEST(EnumeratorFixApi, CutsAtTheFirstNul) {
    using namespace std::string_literals;
    EXPECT_EQ(Enumerator::FixApi(L"notepad.exe"), L"notepad.exe");
    EXPECT_EQ(Enumerator::FixApi(L"notepad.exe\0    \0x"s), L"notepad.exe");
    EXPECT_EQ(Enumerator::FixApi(L"\0abc"s), L"");
    EXPECT_EQ(Enumerator::FixApi(L""), L"");
    // Blanks before the NUL are part of the text.
    EXPECT_EQ(Enumerator::FixApi(L"a b  \0"s), L"a b  ");
}

TEST(EnumeratorState, ANewInstanceHoldsNoSnapshot) {
    Enumerator e;
    EXPECT_FALSE(e.EnumsReady());
    EXPECT_EQ(e.NumOfWinds(), 0);
    EXPECT_EQ(e.NumOfProcesses(), 0);
    EXPECT_EQ(e.NumOfThreads(), 0);
    EXPECT_EQ(e.NewEnum(), 0);
    e.NewEnum(1);
    e.DestroyEnums();
    EXPECT_EQ(e.NewEnum(), 1);  // dropping the snapshot keeps the refresh mode
    EXPECT_EQ(e.NumOfWinds(), 0);
}

}  // namespace
}  // namespace kestrelon
