// The window picker's rules against a table of made-up windows: which
// window each field describes, the handle box's key filter and reading.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>

#include "editor/Picker.h"

namespace kestrelon {
namespace {

struct FakeWindow {
    WindowHandle parent = 0;
    std::wstring className;
    std::int32_t pid = 0;
    std::wstring title;
};

// Windows by handle; unknown handles (0 included) behave as Windows does
// for a handle that is no window: 0 and empty texts.
class FakeInspector : public IWindowInspector {
public:
    std::map<WindowHandle, FakeWindow> windows;
    std::map<std::int32_t, std::wstring> processes;

    WindowHandle ParentWind(WindowHandle h) override { return Find(h).parent; }
    WindowHandle Progenitor(WindowHandle h) override {
        WindowHandle top = 0;
        for (; h != 0; h = ParentWind(h)) top = h;
        return top;
    }
    std::wstring ClassName(WindowHandle h) override { return Find(h).className; }
    std::int32_t WindProcess(WindowHandle h) override { return Find(h).pid; }
    std::wstring ProcessName(std::int32_t pid) override {
        auto it = processes.find(pid);
        return it == processes.end() ? L"" : it->second;
    }
    std::wstring WindowTitle(WindowHandle h) override { return Find(h).title; }

private:
    FakeWindow Find(WindowHandle h) {
        auto it = windows.find(h);
        return it == windows.end() ? FakeWindow{} : it->second;
    }
};

class PickerInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A top-level window of one program holding a child that another
        // program created (as a browser embeds a plug-in's window).
        inspect.processes = {{100, L"host.exe"}, {200, L"plugin.exe"}};
        inspect.windows[0x10010] = {0, L"HostFrame", 100, L"Host - Document"};
        inspect.windows[0x20020] = {0x10010, L"PluginPane", 200, L""};
        inspect.windows[0x30030] = {0x20020, L"Button", 200, L"OK"};
    }
    FakeInspector inspect;
};

TEST_F(PickerInfoTest, ATopLevelWindowIsItsOwnProgenitor) {
    const CursorWindowInfo info = ReadCursorWindowInfo(inspect, 0x10010);
    EXPECT_EQ(info.fields, (WindowFields{L"00010010", L"00000000", L"00010010", L"HostFrame", L"", L"HostFrame",
                                         L"host.exe"}));
    EXPECT_EQ(info.progenitor, 0x10010);
    EXPECT_EQ(info.id, L"100");
    EXPECT_EQ(info.title, L"Host - Document");
}

TEST_F(PickerInfoTest, OverAChildTheFieldsFollowTheChildButIdAndTitleComeFromTheTop) {
    const CursorWindowInfo info = ReadCursorWindowInfo(inspect, 0x30030);
    EXPECT_EQ(info.fields.hWnd, L"00030030");
    EXPECT_EQ(info.fields.parentHWnd, L"00020020");
    EXPECT_EQ(info.fields.progenitorHWnd, L"00010010");
    EXPECT_EQ(info.fields.className, L"Button");
    EXPECT_EQ(info.fields.parentClass, L"PluginPane");
    EXPECT_EQ(info.fields.progenitorClass, L"HostFrame");
    // The program name is the child's own process; id and title are the top's.
    EXPECT_EQ(info.fields.program, L"plugin.exe");
    EXPECT_EQ(info.processId, 100);
    EXPECT_EQ(info.id, L"100");
    EXPECT_EQ(info.title, L"Host - Document");
}

TEST_F(PickerInfoTest, OverNoWindowTheHandlesAreZerosAndTheNamesEmpty) {
    const CursorWindowInfo info = ReadCursorWindowInfo(inspect, 0);
    EXPECT_EQ(info.fields, (WindowFields{L"00000000", L"00000000", L"00000000", L"", L"", L"", L""}));
    EXPECT_EQ(info.id, L"0");
    EXPECT_EQ(info.title, L"");
}

TEST_F(PickerInfoTest, AWindowWhoseProcessHasEndedHasNoProgramName) {
    inspect.processes.erase(200);
    EXPECT_EQ(ReadWindowFields(inspect, 0x20020).program, L"");
}

TEST_F(PickerInfoTest, HandlesAboveTheSignBitAreWrittenUnsigned) {
    const WindowHandle high = static_cast<WindowHandle>(0xFFFF0102u);
    inspect.windows[high] = {0x10010, L"Edit", 100, L""};
    const WindowFields f = ReadWindowFields(inspect, high);
    EXPECT_EQ(f.hWnd, L"FFFF0102");
    EXPECT_EQ(f.parentHWnd, L"00010010");
}

TEST(PickerHandleBox, KeepsHexDigitsInEitherCaseTheFullStopAndBackspace) {
    for (int c : std::initializer_list<int>{'0', '5', '9', 'A', 'F', 'a', 'c', 'f', '.', 8}) EXPECT_EQ(HandleBoxKeyFilter(c), c) << c;
    for (int c : std::initializer_list<int>{'G', 'g', 'x', 'Z', '-', ' ', ',', '/', ':', '@', '`', 13, 27, 127, 0xE9})
        EXPECT_EQ(HandleBoxKeyFilter(c), 0) << c;
}

TEST(PickerHandleBox, ReadsHexUpToTheFirstOtherCharacter) {
    EXPECT_EQ(ReadHandleBox(L""), 0);
    EXPECT_EQ(ReadHandleBox(L"0"), 0);
    EXPECT_EQ(ReadHandleBox(L"1A2b"), 0x1A2B);
    EXPECT_EQ(ReadHandleBox(L"000100E4"), 0x100E4);
    EXPECT_EQ(ReadHandleBox(L"12.5"), 0x12);
    EXPECT_EQ(ReadHandleBox(L".5"), 0);
    EXPECT_EQ(ReadHandleBox(L"12G4"), 0x12);
    EXPECT_EQ(ReadHandleBox(L" 1 2\t3"), 0x123);  // blanks are skipped, as the runtime's reading does
}

TEST(PickerHandleBox, ReadsAllThirtyTwoBitsAndRefusesMore) {
    EXPECT_EQ(ReadHandleBox(L"FFFFFFFF"), -1);
    EXPECT_EQ(ReadHandleBox(L"80000000"), static_cast<WindowHandle>(0x80000000u));
    EXPECT_EQ(ReadHandleBox(L"0000000012345678"), 0x12345678);  // leading zeros are no extra bits
    EXPECT_EQ(ReadHandleBox(L"123456789"), 0);
}

}  // namespace
}  // namespace kestrelon
