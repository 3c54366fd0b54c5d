// A DLL planted beside the program is not loaded once the entry point has
// restricted the search to System32; the skin library, loaded by its full
// path from the program's folder, still is.
#include <gtest/gtest.h>
#include <windows.h>

#include "TestPaths.h"

namespace kestrelon {
namespace {

DWORD RunSearch(const std::wstring& args) { return testing::RunToEnd(testing::ExeDir() + L"kdllsearch.exe", args, 30000); }

TEST(DllSearch, APlantedLibraryBesideTheProgramIsNotLoadedByName) {
    const std::wstring dir = testing::ExeDir();
    const std::wstring planted = dir + L"kplanted.dll";
    ASSERT_TRUE(CopyFileW((dir + L"librarysk.dll").c_str(), planted.c_str(), FALSE));
    // Without the restriction the program's folder is searched first: the plant works.
    EXPECT_EQ(RunSearch(L"kplanted.dll"), 0u);
    EXPECT_EQ(RunSearch(L"--restrict kplanted.dll"), 1u);
    // Full paths still load, the skin library's way; system libraries by name too.
    EXPECT_EQ(RunSearch(L"--restrict \"" + planted + L"\""), 0u);
    EXPECT_EQ(RunSearch(L"--restrict \"" + dir + L"librarysk.dll\""), 0u);
    EXPECT_EQ(RunSearch(L"--restrict version.dll"), 0u);
    DeleteFileW(planted.c_str());
}

}  // namespace
}  // namespace kestrelon
