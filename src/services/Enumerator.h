// Enumerator: the inspector of the desktop's windows, processes and threads.
//
// Handles and ids are 32-bit signed values (`Long`), as Windows keeps window,
// menu, icon, cursor, brush and device-context handles meaningful in 32 bits
// on every platform; a handle read from one member can be handed to any other.
// Values that are addresses (a window procedure, a module or instance handle,
// user data, a class's menu name) are `LongPtr`: 32 bits in the 32-bit build,
// where that is the same type as Long, and pointer-sized in the 64-bit build,
// so that no address is cut.
//
// Lookups and operations hold no state between calls and never fail loudly:
// a bad handle or id gives 0, False or an empty text. Only the snapshot
// (EnumAll and the copy-out members) keeps lists between calls.
//
// The members are declared in the class's slot order and defined in groups,
// one source file each:
//   Enumerator.cpp                    construction, the stored lists, IsStyle (portable)
//   EnumeratorFormat.cpp              text helpers: Format8, FixApi (portable)
//   EnumeratorSnapshot_win32.cpp      EnumAll, the copy-out members, GetAllWindows,
//                                     EnumWindowsProc and Hourglass (EnumeratorSnapshot_win32.h)
//   EnumeratorLookups_win32.cpp       what a window is: process, thread, parents, class,
//                                     title, state, styles, window and class values, icons
//   EnumeratorProcesses_win32.cpp     process and thread lookups, KillProcess
//   EnumeratorOperations_win32.cpp    the one-call operations that change a window
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

class Enumerator {
public:
    using Long = std::int32_t;
    using LongPtr = std::intptr_t;

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

    // What the copy-out members do when a snapshot is already held: 1 takes
    // a new one on every call; any other value reuses it. 0 at creation.
    void NewEnum(Long EnumNew) { NewEnumMode = EnumNew; }
    Long NewEnum() const { return NewEnumMode; }

    // The id of the process that created the window; 0 for an invalid window.
    Long WindProcess(Long hWnd) const;
    // The id of the thread that created the window; 0 for an invalid window.
    Long WindThread(Long hWnd) const;
    // The executable file name (no folder) of the running process with this
    // id, from the system's process list; "" when no running process has it
    // (and for id 0, the system's idle pseudo-process).
    std::wstring ProcessName(Long ProcessID) const;
    // The window's parent (or the owner of an owned top-level window); 0 for none.
    Long ParentWind(Long hWnd) const;
    Long DesktopWind() const;
    // Exactly 8 upper-case hexadecimal digits, leading zeros included; a
    // negative value gives its 32-bit two's-complement digits.
    static std::wstring Format8(Long Value);

    // Copy-out: the caller's array becomes a copy of a stored list, slot 0
    // (which holds 0 and is no entry) included, entries at 1..n. A snapshot
    // is taken first when none is held, or on every call in mode 1.
    void ReturnProcessEnum(std::vector<Long>& Process);
    void ReturnThreadEnum(std::vector<Long>& Threads);  // the thread ids only
    void ReturnWindEnum(std::vector<Long>& Winds);

    bool IsValidWindow(Long hWnd) const;

    // Drops the snapshot: not ready, the three lists empty.
    void DestroyEnums();
    bool EnumsReady() const { return Ready; }
    // Takes the snapshot of every window, process id and thread (with the
    // busy cursor shown meanwhile).
    void EnumAll();

    // Ends the process with this id; true when it was terminated.
    bool KillProcess(Long ProcessID) const;

    // The numbers of entries in the stored lists.
    Long NumOfWinds() const { return Entries(WindList); }
    Long NumOfProcesses() const { return Entries(ProcList); }
    Long NumOfThreads() const { return Entries(ThreadList); }

    // The text before the first NUL character; the whole text when it has none.
    static std::wstring FixApi(const std::wstring& APIString);
    // The window's class name; "" for an invalid window.
    std::wstring ClassName(Long hWnd) const;
    // The window's title text and its length; "" and 0 for an invalid window.
    std::wstring GetWindText(Long hWnd) const;
    Long GetWindTextLength(Long hWnd) const;
    // The top of the window's parent chain: the last non-zero handle met while
    // climbing parents and owners; the window itself when it has none; 0 for 0.
    Long Progenitor(Long hWnd) const;

    bool IsEnabled(Long hWnd) const;
    bool IsVisible(Long hWnd) const;
    // The process that owns the thread; 0 when no running thread has that id.
    Long ThreadProcess(Long ThreadID) const;
    // True when the thread has stopped taking its window messages.
    bool ThreadHung(Long ThreadID) const;
    // The window's menu bar, and a menu's pop-up at 0-based `pos`; 0 for none.
    Long MenuHandle(Long hWnd) const;
    Long SubMenu(Long hMenu, Long pos) const;
    bool IsOnTop(Long hWnd) const;
    // Every bit of StyleCheck is set in StyleLong.
    static bool IsStyle(Long StyleLong, Long StyleCheck);

    // The window's own values; 0 for a handle that is no window.
    Long StyleVal(Long hWnd) const;
    Long ExtStyleVal(Long hWnd) const;
    LongPtr GetHandleInstance(Long hWnd) const;
    LongPtr GetUserData(Long hWnd) const;
    LongPtr GetWndProc(Long hWnd) const;
    Long GetControlID(Long hWnd) const;

    // One-call operations; a true result means the system call succeeded
    // (for SetVisible and SetEnabled, what the system returns: the window
    // was visible before, or was disabled before).
    bool SetParent(Long hWnd, Long NewParent) const;
    bool SetVisible(Long hWnd, bool Visible) const;
    bool SetOntop(Long hWnd, bool TopMost) const;
    bool SetEnabled(Long hWnd, bool Enabled) const;
    void ForeGround(Long hWnd) const;
    void ActiveWind(Long hWnd) const;
    void FocusWind(Long hWnd) const;
    // Show state by the codes WindPos returns: 0 normal, 1 maximized,
    // 2 minimized; any other code does nothing.
    void SetWindPos(Long hWnd, Long pos) const;
    // Asks the window to close (posts WM_CLOSE); does not wait.
    void TerminateWind(Long hWnd) const;
    Long WindPos(Long hWnd) const;
    Long Flash(Long hWnd, bool Flasher) const;
    void SetWinSizePos(Long hWnd, Long X, Long Y, Long Width, Long Height) const;
    // The window in relation RelType (GW_HWNDFIRST .. GW_ENABLEDPOPUP) to hWnd.
    Long GetRelWindow(Long hWnd, Long RelType) const;
    void BringToTop(Long hWnd) const;
    void SendToBottom(Long hWnd) const;
    // The device context of the whole window, frame included; hand it back with RelDC.
    Long GetDC(Long hWnd) const;
    void RelDC(Long hWnd, Long hdc) const;
    void SetWindText(Long hWnd, const std::wstring& Text) const;
    void ForceRedraw(Long hWnd) const;

    // The icons the window shows (WM_GETICON); 0 when it has set none.
    Long GetBigIconH(Long hWnd) const;
    Long GetSmallIconH(Long hWnd) const;
    // Values of the window's class.
    Long GetClassExtraBytes(Long hWnd) const;
    Long GetClassExtraWndBytes(Long hWnd) const;
    Long GetClasshBackgroundBrush(Long hWnd) const;
    Long GetClassHCursor(Long hWnd) const;
    Long GetClassHIcon(Long hWnd) const;
    Long GetClasshSmallIcon(Long hWnd) const;
    LongPtr GetClassHModule(Long hWnd) const;
    LongPtr GetClassMenuName(Long hWnd) const;
    Long GetClassStyle(Long hWnd) const;
    LongPtr GetClassWndProc(Long hWnd) const;

private:
    // Each list keeps a slot 0 that is no entry; entries are at 1..n.
    template <typename T>
    static Long Entries(const std::vector<T>& list) {
        return list.empty() ? 0 : static_cast<Long>(list.size() - 1);
    }
    // Takes a snapshot unless one is held and the mode reuses it.
    void EnsureSnapshot();

    std::vector<Long> WindList;
    std::vector<ThreadEntry> ThreadList;
    std::vector<Long> ProcList;
    bool Ready = false;
    Long NewEnumMode = 0;
};

}  // namespace kestrelon
