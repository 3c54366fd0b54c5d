// kestrelon.exe carries every part, also those that nothing in the program
// calls: asked with its hidden --carried-parts switch, it lists each member
// with the place of its code in the image, and tries each part out once.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestPaths.h"

namespace kestrelon {
namespace {

// The inspector's members in its slot order, then the other parts' members.
const std::vector<std::string> kExpected = {
    "Enumerator.NewEnum(set)", "Enumerator.NewEnum(get)", "Enumerator.WindProcess", "Enumerator.WindThread",
    "Enumerator.ProcessName", "Enumerator.ParentWind", "Enumerator.DesktopWind", "Enumerator.Format8",
    "Enumerator.ReturnProcessEnum", "Enumerator.ReturnThreadEnum", "Enumerator.ReturnWindEnum",
    "Enumerator.IsValidWindow", "Enumerator.DestroyEnums", "Enumerator.EnumsReady", "Enumerator.EnumAll",
    "Enumerator.KillProcess", "Enumerator.NumOfWinds", "Enumerator.NumOfProcesses", "Enumerator.NumOfThreads",
    "Enumerator.FixApi", "Enumerator.ClassName", "Enumerator.GetWindText", "Enumerator.GetWindTextLength",
    "Enumerator.Progenitor", "Enumerator.IsEnabled", "Enumerator.IsVisible", "Enumerator.ThreadProcess",
    "Enumerator.ThreadHung", "Enumerator.MenuHandle", "Enumerator.SubMenu", "Enumerator.IsOnTop",
    "Enumerator.IsStyle", "Enumerator.StyleVal", "Enumerator.ExtStyleVal", "Enumerator.GetHandleInstance",
    "Enumerator.GetUserData", "Enumerator.GetWndProc", "Enumerator.GetControlID", "Enumerator.SetParent",
    "Enumerator.SetVisible", "Enumerator.SetOntop", "Enumerator.SetEnabled", "Enumerator.ForeGround",
    "Enumerator.ActiveWind", "Enumerator.FocusWind", "Enumerator.SetWindPos", "Enumerator.TerminateWind",
    "Enumerator.WindPos", "Enumerator.Flash", "Enumerator.SetWinSizePos", "Enumerator.GetRelWindow",
    "Enumerator.BringToTop", "Enumerator.SendToBottom", "Enumerator.GetDC", "Enumerator.RelDC",
    "Enumerator.SetWindText", "Enumerator.ForceRedraw", "Enumerator.GetBigIconH", "Enumerator.GetSmallIconH",
    "Enumerator.GetClassExtraBytes", "Enumerator.GetClassExtraWndBytes", "Enumerator.GetClasshBackgroundBrush",
    "Enumerator.GetClassHCursor", "Enumerator.GetClassHIcon", "Enumerator.GetClasshSmallIcon",
    "Enumerator.GetClassHModule", "Enumerator.GetClassMenuName", "Enumerator.GetClassStyle",
    "Enumerator.GetClassWndProc", "GetAllWindows", "EnumWindowsProc",
    "frmPop.SetHost", "frmPop.ChangeMsg", "frmPop.menuAdd_Click", "frmPop.menuRemove_Click",
    "frmPop.menuExit_Click", "frmPop.menuConverter_Click", "frmPop.menuSetting_Click", "frmPop.menuHelp_Click",
    "frmPop.menuExit1_Click", "frmPop.menuA_Click", "frmPop.menuAA_Click", "frmPop.menuBrowser_Click",
    "frmPop.open_Click",
    "MessagesCol.Add", "MessagesCol.Item", "MessagesCol.Count", "MessagesCol.Remove", "MessagesCol.NewEnum",
    "GetFileInfo", "GetVerString", "FileDirectory", "FileNameOnly",
};

// SizeOfImage from the program file's PE header: every code offset lies below it.
std::uint32_t ImageSize(const std::wstring& exe) {
    std::ifstream in{std::filesystem::path(exe), std::ios::binary};
    std::uint32_t peOffset = 0, size = 0;
    in.seekg(0x3c);
    in.read(reinterpret_cast<char*>(&peOffset), 4);
    // "PE\0\0", the 20-byte file header, then the optional header with
    // SizeOfImage at offset 56 in both the 32- and the 64-bit layout.
    in.seekg(peOffset + 4 + 20 + 56);
    in.read(reinterpret_cast<char*>(&size), 4);
    return in ? size : 0;
}

TEST(CarriedParts, TheProgramCarriesAndRunsEveryPart) {
    const std::wstring exe = testing::ExeDir() + L"kestrelon.exe";
    const std::wstring list = testing::TempDir() + L"carried-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    DeleteFileW(list.c_str());
    std::vector<PROCESS_INFORMATION> program{
        testing::StartHidden(exe, L"kestrelon.exe --carried-parts \"" + list + L"\"")};
    ASSERT_NE(program[0].hProcess, nullptr) << "kestrelon.exe must be built beside the test program";
    ASSERT_EQ(WaitForSingleObject(program[0].hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(program[0].hProcess, &code);
    testing::EndAll(program);

    std::ifstream in{std::filesystem::path(list)};
    std::vector<std::string> names, runs;
    const std::uint32_t imageSize = ImageSize(exe);
    ASSERT_GT(imageSize, 0u);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string name, value;
        std::getline(fields, name, '\t');
        std::getline(fields, value);
        if (name == "run") {
            runs.push_back(value);
            continue;
        }
        names.push_back(name);
        const unsigned long long offset = std::stoull(value, nullptr, 16);
        EXPECT_GT(offset, 0u) << name;
        EXPECT_LT(offset, imageSize) << name << " lies outside kestrelon.exe";
    }
    in.close();
    DeleteFileW(list.c_str());
    EXPECT_EQ(names, kExpected);
    EXPECT_EQ(runs, (std::vector<std::string>{"Enumerator\tok", "frmPop\tok", "MessagesCol\tok", "GetFileInfo\tok"}));
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace kestrelon
