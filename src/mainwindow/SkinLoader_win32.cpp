#include "mainwindow/SkinLoader_win32.h"

#include "mainwindow/AppPaths_win32.h"
#include "mainwindow/Settings.h"

namespace kestrelon {

namespace {

// The system's ANSI code page form of a text.
std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

template <typename Fn>
Fn Function(HMODULE module, const char* name) {
    // Function pointers of any type round-trip through FARPROC.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

SkinLoader::~SkinLoader() {
    if (module_) FreeLibrary(module_);
}

std::wstring SkinLoader::DefaultPath() { return PathInFolder(ProgramFolder(), kSkinLibraryName); }

bool SkinLoader::Load(const std::wstring& path) {
    if (module_) return true;
    // No "cannot find the library" box from the system when it is missing.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = LoadLibraryW(path.c_str());
    SetErrorMode(oldMode);
    if (!module_) return false;
    attach_ = Function<AttachExFn>(module_, "SkinH_AttachEx");
    detach_ = Function<DetachFn>(module_, "SkinH_Detach");
    return true;
}

bool SkinLoader::SkinH_AttachEx(const std::wstring& skinFile, const std::wstring& second) {
    if (!attach_) return false;
    std::string file = ToAnsi(skinFile), extra = ToAnsi(second);
    (void)attach_(file.c_str(), extra.c_str());
    return true;
}

bool SkinLoader::SkinH_Detach() {
    if (!detach_) return false;
    (void)detach_();
    return true;
}

}  // namespace kestrelon
