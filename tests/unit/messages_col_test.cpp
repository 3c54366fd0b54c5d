#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/MessagesCol.h"

using namespace kestrelon;

namespace {

using Kind = MessagesColError::Kind;

template <typename F>
Kind FailureOf(F f) {
    try {
        f();
    } catch (const MessagesColError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no MessagesColError thrown";
    return Kind::NoSuchItem;
}

std::vector<std::wstring> Names(const MessagesCol& col) {
    std::vector<std::wstring> names;
    for (const Message& m : col) names.push_back(m.Name);
    return names;
}

TEST(MessagesCol, AddFillsTheRecordAndKeepsOrder) {
    MessagesCol col;
    EXPECT_EQ(col.Count(), 0);
    auto first = col.Add(L"WM_PAINT", 15, L"paint the window");
    col.Add(L"WM_CLOSE", 16, L"close");
    col.Add(L"WM_QUIT", 18, L"");
    EXPECT_EQ(first->Name, L"WM_PAINT");
    EXPECT_EQ(first->Value, 15);
    EXPECT_EQ(first->Desc, L"paint the window");
    EXPECT_EQ(col.Count(), 3);
    EXPECT_EQ(&col.Item(1), first.get());
    EXPECT_EQ(col[3].Value, 18);
    EXPECT_EQ(Names(col), (std::vector<std::wstring>{L"WM_PAINT", L"WM_CLOSE", L"WM_QUIT"}));
}

TEST(MessagesCol, KeysIgnoreCase) {
    MessagesCol col;
    col.Add(L"Timer", 275, L"a");
    EXPECT_EQ(FailureOf([&] { col.Add(L"TIMER", 1, L"b"); }), Kind::DuplicateKey);
    EXPECT_EQ(FailureOf([&] { col.Add(L"timer", 1, L"b"); }), Kind::DuplicateKey);
    // The failed adds left the collection as it was.
    ASSERT_EQ(col.Count(), 1);
    EXPECT_EQ(col.Item(1).Desc, L"a");
    EXPECT_EQ(col.Item(L"tImEr").Value, 275);
    // Beyond ASCII too.
    col.Add(L"\u00c9t\u00e9 \u0394\u0416", 1, L"");
    EXPECT_EQ(col.Item(L"\u00e9T\u00c9 \u03b4\u0436").Value, 1);
    EXPECT_EQ(FailureOf([&] { col.Add(L"\u00c9T\u00c9 \u03b4\u0436", 2, L""); }), Kind::DuplicateKey);
    // Similar but different keys are different.
    col.Add(L"Timer2", 2, L"");
    col.Add(L"Timer ", 3, L"");
    EXPECT_EQ(col.Count(), 4);
}

TEST(MessagesCol, RemoveShiftsLaterPositions) {
    MessagesCol col;
    col.Add(L"a", 1, L"");
    col.Add(L"b", 2, L"");
    col.Add(L"c", 3, L"");
    col.Remove(1);
    EXPECT_EQ(col.Item(1).Name, L"b");
    EXPECT_EQ(col.Count(), 2);
    col.Remove(L"C");
    EXPECT_EQ(Names(col), std::vector<std::wstring>{L"b"});
    // A removed key can be added again, and goes to the end.
    col.Add(L"a", 10, L"");
    EXPECT_EQ(Names(col), (std::vector<std::wstring>{L"b", L"a"}));
}

TEST(MessagesCol, MissingPositionsAndKeysFailWithoutChange) {
    MessagesCol col;
    EXPECT_EQ(FailureOf([&] { col.Item(1); }), Kind::NoSuchItem);
    col.Add(L"one", 1, L"");
    col.Add(L"two", 2, L"");
    for (int position : {0, -1, 3}) {
        EXPECT_EQ(FailureOf([&] { col.Item(position); }), Kind::NoSuchItem) << position;
        EXPECT_EQ(FailureOf([&] { col.Remove(position); }), Kind::NoSuchItem) << position;
    }
    EXPECT_EQ(FailureOf([&] { col.Item(L"three"); }), Kind::NoSuchItem);
    EXPECT_EQ(FailureOf([&] { col.Remove(L"three"); }), Kind::NoSuchItem);
    // A digit text is a key, not a position.
    EXPECT_EQ(FailureOf([&] { col.Item(L"1"); }), Kind::NoSuchItem);
    EXPECT_EQ(Names(col), (std::vector<std::wstring>{L"one", L"two"}));
}

TEST(MessagesCol, KeyIsFixedAtAddAndMessagesOutliveRemoval) {
    MessagesCol col;
    auto held = col.Add(L"old", 7, L"kept");
    held->Name = L"new";
    EXPECT_EQ(col.Item(L"OLD").Name, L"new");
    EXPECT_EQ(FailureOf([&] { col.Item(L"new"); }), Kind::NoSuchItem);
    col.Remove(L"old");
    EXPECT_EQ(held->Desc, L"kept");
}

TEST(MessagesCol, EnumerationSnapshotAllowsRemovingInTheLoop) {
    MessagesCol col;
    for (int i = 1; i <= 5; ++i) col.Add(L"k" + std::to_wstring(i), i, L"");
    std::vector<int> seen;
    for (const auto& m : col.NewEnum()) {
        seen.push_back(m->Value);
        if (m->Value % 2 == 1) col.Remove(m->Name);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Names(col), (std::vector<std::wstring>{L"k2", L"k4"}));
}

}  // namespace
