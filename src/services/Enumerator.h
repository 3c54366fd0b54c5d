// Enumerator: the inspector of the desktop's windows and processes.
//
// Handles and ids are 32-bit signed values (`Long`), as Windows keeps window
// handles meaningful in 32 bits on every platform; a handle read from one
// member can be handed to any other. Lookups hold no state between calls and
// never fail loudly: a bad handle or id gives 0 or an empty text.
//
// The members are defined in groups, one source file each:
//   Enumerator.cpp            construction and the snapshot's stored lists (portable)
//   EnumeratorFormat.cpp      text helpers: Format8, FixApi (portable)
//   Enumerator_win32.cpp      window lookups and process names (Win32)
// The snapshot of all windows, processes and threads and the one-call window
// operations will join as further groups; the stored lists are already laid
// out for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

class Enumerator {
public:
    using Long = std::int32_t;

    // One thread of the snapshot.
    struct ThreadEntry {
        Long ThreadID = 0;
        Long OwnerPID = 0;  // the process that owns the thread
    };

    // A new instance holds no snapshot (DestroyEnums); so does a dropped one.
    Enumerator();
    ~Enumerator();
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;

    // ---- window lookups (Win32) ----
    // The id of the process that created the window; 0 for an invalid window.
    Long WindProcess(Long hWnd) const;
    // The id of the thread that created the window; 0 for an invalid window.
    Long WindThread(Long hWnd) const;
    // The window's parent (or the owner of an owned top-level window); 0 for none.
    Long ParentWind(Long hWnd) const;
    // The top of the window's parent chain: the last non-zero handle met while
    // climbing parents and owners; the window itself when it has none; 0 for 0.
    Long Progenitor(Long hWnd) const;
    // The window's class name; "" for an invalid window.
    std::wstring ClassName(Long hWnd) const;
    // The window's title text and its length; "" and 0 for an invalid window.
    std::wstring GetWindText(Long hWnd) const;
    Long GetWindTextLength(Long hWnd) const;

    // ---- processes (Win32) ----
    // The executable file name (no folder) of the running process with this
    // id, from the system's process list; "" when no running process has it
    // (and for id 0, the system's idle pseudo-process).
    std::wstring ProcessName(Long ProcessID) const;

    // ---- text helpers (portable) ----
    // Exactly 8 upper-case hexadecimal digits, leading zeros included; a
    // negative value gives its 32-bit two's-complement digits.
    static std::wstring Format8(Long Value);
    // The text before the first NUL character; the whole text when it has none.
    static std::wstring FixApi(const std::wstring& APIString);

    // ---- the stored snapshot (portable part) ----
    // Drops the snapshot: not ready, the three lists empty.
    void DestroyEnums();
    bool EnumsReady() const { return Ready; }
    // The numbers of entries in the stored lists.
    Long NumOfWinds() const { return Entries(WindList); }
    Long NumOfProcesses() const { return Entries(ProcList); }
    Long NumOfThreads() const { return Entries(ThreadList); }
    // What to do when a copy-out member finds a snapshot already held:
    // 1 takes a new one on every call; any other value reuses it.
    Long NewEnum() const { return NewEnumMode; }
    void SetNewEnum(Long EnumNew) { NewEnumMode = EnumNew; }

private:
    // Each list keeps a slot 0 that is no entry; entries are at 1..n.
    template <typename T>
    static Long Entries(const std::vector<T>& list) {
        return list.empty() ? 0 : static_cast<Long>(list.size() - 1);
    }

    std::vector<Long> WindList;
    std::vector<ThreadEntry> ThreadList;
    std::vector<Long> ProcList;
    bool Ready = false;
    Long NewEnumMode = 0;
};

}  // namespace kestrelon
