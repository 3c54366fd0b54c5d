// How Enumerator's 32-bit handle values map to the system's handles, and
// the Toolhelp snapshots its members walk.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

#include "services/Enumerator.h"
#include "toolkit/Handles.h"

namespace kestrelon::enumerator {

using Long = Enumerator::Long;
using LongPtr = Enumerator::LongPtr;

// Handles keep their meaning in 32 bits; widening sign-extends, as the
// system does when it hands a 32-bit handle to a 64-bit program.
template <typename H = HWND>
H ToHandle(Long h) {
    return reinterpret_cast<H>(static_cast<std::intptr_t>(h));
}
inline HWND ToWindow(Long h) { return ToHandle<HWND>(h); }

template <typename H>
Long ToLong(H h) {
    return static_cast<Long>(reinterpret_cast<std::intptr_t>(h));
}
// A value of a handle-sized slot (window or class long) as a handle value.
inline Long ToLong(LONG_PTR v) { return static_cast<Long>(v); }

// A Toolhelp snapshot (TH32CS_SNAPPROCESS or TH32CS_SNAPTHREAD); empty when
// the system refuses one.
inline toolkit::UniqueKernelHandle Snapshot(DWORD what) {
    HANDLE h = CreateToolhelp32Snapshot(what, 0);
    return toolkit::UniqueKernelHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

}  // namespace kestrelon::enumerator
