// Calls into the skin library librarysk.dll beside the executable:
// SkinH_AttachEx once at start-up, SkinH_Detach on every way out. The
// library is optional: when it or one of its functions is missing, a call
// does nothing and reports false, and the program looks like any other
// window. What the library returns is never examined.
#pragma once

#include <windows.h>

#include <string>

namespace kestrelon {

inline constexpr wchar_t kSkinLibraryName[] = L"librarysk.dll";

class SkinLoader {
public:
    SkinLoader() = default;
    // Loads the library at `path`; a missing library is no failure.
    explicit SkinLoader(const std::wstring& path) { Load(path); }
    ~SkinLoader();
    SkinLoader(const SkinLoader&) = delete;
    SkinLoader& operator=(const SkinLoader&) = delete;

    // librarysk.dll in the executable's folder.
    static std::wstring DefaultPath();

    bool Load(const std::wstring& path);
    bool Loaded() const { return module_ != nullptr; }
    bool HasAttach() const { return attach_ != nullptr; }
    bool HasDetach() const { return detach_ != nullptr; }

    // SkinH_AttachEx(skin file, second text), both passed as ANSI text. False
    // when the library or the function is missing.
    bool SkinH_AttachEx(const std::wstring& skinFile, const std::wstring& second = {});
    // SkinH_Detach(). Safe to call again, and when nothing was attached.
    bool SkinH_Detach();

    // The library's functions, as it exports them (stdcall in the 32-bit build).
    using AttachExFn = int(WINAPI*)(const char*, const char*);
    using DetachFn = int(WINAPI*)();

private:

    HMODULE module_ = nullptr;
    AttachExFn attach_ = nullptr;
    DetachFn detach_ = nullptr;
};

}  // namespace kestrelon
