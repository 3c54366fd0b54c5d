// Owners for the Win32 handles the windows use: each frees its handle once,
// when it goes out of scope or is reset.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace kestrelon::toolkit {

template <typename H, auto Free, H Null = H{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != Null; }
    H release() { return std::exchange(h_, Null); }
    void reset(H h = Null) {
        H old = std::exchange(h_, h);
        if (old != Null) Free(old);
    }

private:
    H h_ = Null;
};

namespace detail {
inline void FreeIcon(HICON h) { DestroyIcon(h); }
inline void FreeMenu(HMENU h) { DestroyMenu(h); }
inline void FreeGdi(HGDIOBJ h) { DeleteObject(h); }
inline void FreeFont(HFONT h) { DeleteObject(h); }
inline void FreeImageList(HIMAGELIST h) { ImageList_Destroy(h); }
inline void FreeAccel(HACCEL h) { DestroyAcceleratorTable(h); }
inline void FreeWindow(HWND h) { DestroyWindow(h); }
inline void FreeKernel(HANDLE h) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}
}  // namespace detail

using UniqueIcon = UniqueHandle<HICON, detail::FreeIcon>;
using UniqueMenu = UniqueHandle<HMENU, detail::FreeMenu>;
using UniqueGdi = UniqueHandle<HGDIOBJ, detail::FreeGdi>;
using UniqueFont = UniqueHandle<HFONT, detail::FreeFont>;
using UniqueImageList = UniqueHandle<HIMAGELIST, detail::FreeImageList>;
using UniqueAccel = UniqueHandle<HACCEL, detail::FreeAccel>;
using UniqueWindow = UniqueHandle<HWND, detail::FreeWindow>;
// Processes, tokens, snapshots: anything CloseHandle frees.
using UniqueKernelHandle = UniqueHandle<HANDLE, detail::FreeKernel>;

}  // namespace kestrelon::toolkit
