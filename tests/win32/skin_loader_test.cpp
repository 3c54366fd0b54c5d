#include <gtest/gtest.h>

#include <windows.h>

#include "mainwindow/AppPaths_win32.h"
#include "mainwindow/Settings.h"
#include "mainwindow/SkinLoader_win32.h"

namespace kestrelon {
namespace {

// The stand-in library is built beside the test program, as beside kestrelon.exe.
TEST(SkinLoader, WithTheLibraryAttachAndDetachTwice) {
    SkinLoader skin(SkinLoader::DefaultPath());
    ASSERT_TRUE(skin.Loaded()) << "librarysk.dll missing beside the test program";
    EXPECT_TRUE(skin.HasAttach());
    EXPECT_TRUE(skin.HasDetach());
    EXPECT_TRUE(skin.SkinH_AttachEx(PathInFolder(ProgramFolder(), kSkinFileName), L""));
    EXPECT_TRUE(skin.SkinH_Detach());
    EXPECT_TRUE(skin.SkinH_Detach()) << "the Exit path detaches twice";
    // Detaching with nothing attached, and attaching to a missing skin file.
    SkinLoader fresh(SkinLoader::DefaultPath());
    EXPECT_TRUE(fresh.SkinH_Detach());
    EXPECT_TRUE(fresh.SkinH_AttachEx(L"Z:\\no\\such\\library.she"));
    EXPECT_TRUE(fresh.SkinH_Detach());
}

TEST(SkinLoader, WithoutTheLibraryEveryCallIsAQuietNo) {
    SkinLoader skin(PathInFolder(ProgramFolder(), L"no-such-librarysk.dll"));
    EXPECT_FALSE(skin.Loaded());
    EXPECT_FALSE(skin.SkinH_AttachEx(L"C:\\library.she"));
    EXPECT_FALSE(skin.SkinH_Detach());
    EXPECT_FALSE(skin.SkinH_Detach());

    SkinLoader never;  // never loaded at all
    EXPECT_FALSE(never.SkinH_Detach());
}

TEST(SkinLoader, LibraryWithoutTheFunctions) {
    SkinLoader skin(L"version.dll");  // a real library that exports neither
    ASSERT_TRUE(skin.Loaded());
    EXPECT_FALSE(skin.HasAttach());
    EXPECT_FALSE(skin.SkinH_AttachEx(L"C:\\library.she"));
    EXPECT_FALSE(skin.SkinH_Detach());
}

}  // namespace
}  // namespace kestrelon
