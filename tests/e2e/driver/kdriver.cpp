// kdriver: drives a Win32 program from a second process, for the end-to-end tests.
//
// One action per invocation. Results go to stdout (UTF-8, one item per line), diagnostics to
// stderr. Exit codes: 0 success, 1 bad usage, 2 not found / the action failed, 3 timed out.
//
// Windows are named by "<class> <title>"; "-" stands for "any". Unix paths (starting with '/')
// given for files and folders are turned into drive paths, so a test script can pass its own.
//
// Reading a list view of another process needs the LVITEM/LVCOLUMN structure and the text buffer
// in the target's memory (Wine does not marshal these messages), so the driver allocates them
// there with VirtualAllocEx and copies in and out with Write/ReadProcessMemory.

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0, kUsage = 1, kFailed = 2, kTimeout = 3;

// ---------------------------------------------------------------------------------------------
// Small owners and output helpers

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle() { if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    void reset(HANDLE h) {
        if (*this) CloseHandle(h_);
        h_ = h;
    }
    explicit operator bool() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE h_;
};

void writeUtf8(HANDLE out, const std::wstring& text) {
    if (text.empty()) return;
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), bytes.data(), n, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

void outLine(const std::wstring& line) { writeUtf8(GetStdHandle(STD_OUTPUT_HANDLE), line + L"\n"); }
int fail(int code, const std::wstring& message) {
    writeUtf8(GetStdHandle(STD_ERROR_HANDLE), L"kdriver: " + message + L"\n");
    return code;
}

std::optional<long long> parseNumber(const std::wstring& s) {
    if (s.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    long long v = std::wcstoll(s.c_str(), &end, 0);  // accepts 123 and 0x7b
    if (!end || *end != L'\0') return std::nullopt;
    return v;
}

// "&Reboot\tCtrl+R" -> "Reboot"; "&&" stands for a literal '&'.
std::wstring plainCaption(const std::wstring& caption) {
    std::wstring out;
    for (size_t i = 0; i < caption.size(); ++i) {
        wchar_t c = caption[i];
        if (c == L'\t') break;
        if (c == L'&') {
            if (i + 1 < caption.size() && caption[i + 1] == L'&') { out += L'&'; ++i; }
            continue;
        }
        out += c;
    }
    while (!out.empty() && out.back() == L' ') out.pop_back();
    return out;
}

std::wstring windowText(HWND h) {
    wchar_t buf[1024] = L"";
    // WM_GETTEXT is marshalled across processes; a timeout keeps a hung target from hanging us.
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, 1024, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &len)) return L"";
    return std::wstring(buf, std::min<size_t>(len, 1023));
}

std::wstring className(HWND h) {
    wchar_t buf[256] = L"";
    GetClassNameW(h, buf, 256);
    return buf;
}

std::wstring hex(const void* p) {
    wchar_t buf[32];
    swprintf(buf, 32, L"0x%llx", (unsigned long long)(ULONG_PTR)p);
    return buf;
}

// Unix path -> drive path (Wine maps the Unix root to Z:). Anything else is returned unchanged.
std::wstring toWindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    using DosName = WCHAR* (CDECL*)(LPCSTR);
    auto conv = reinterpret_cast<DosName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (conv) {
        int n = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string unixPath(n, '\0');
        WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unixPath.data(), n, nullptr, nullptr);
        if (WCHAR* dos = conv(unixPath.c_str())) {
            std::wstring result = dos;
            HeapFree(GetProcessHeap(), 0, dos);
            return result;
        }
    }
    std::wstring result = L"Z:" + path;
    std::replace(result.begin(), result.end(), L'/', L'\\');
    return result;
}

// ---------------------------------------------------------------------------------------------
// Finding windows

const wchar_t* orNull(const std::wstring& s) { return s == L"-" ? nullptr : s.c_str(); }

HWND findTop(const std::wstring& cls, const std::wstring& title) {
    return FindWindowW(orNull(cls), orNull(title));
}

// Waits for a visible top-level window; returns nullptr on timeout.
HWND waitVisible(const std::wstring& cls, const std::wstring& title, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND h = findTop(cls, title);
        if (h && IsWindowVisible(h)) return h;
        if (GetTickCount64() >= end) return nullptr;
        Sleep(25);
    }
}

BOOL CALLBACK collectWindow(HWND h, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

// Every descendant of parent, in the order EnumChildWindows gives (depth first, Z order).
std::vector<HWND> descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND firstChildOfClass(HWND parent, const wchar_t* cls) {
    for (HWND h : descendants(parent))
        if (_wcsicmp(className(h).c_str(), cls) == 0) return h;
    return nullptr;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> all;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

DWORD processOf(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

// The visible dialog-class (#32770) window of the same process as main, other than main itself.
HWND findDialogOf(HWND main) {
    const DWORD pid = processOf(main);
    for (HWND h : topLevelWindows()) {
        if (h == main || !IsWindowVisible(h) || processOf(h) != pid) continue;
        if (className(h) == L"#32770") return h;
    }
    return nullptr;
}

// Lets the target's thread run whatever was posted before: a sent message is answered only when
// the thread is back in its message loop (or in a modal loop). Two rounds, because a message that
// is sent is handled ahead of one that was posted just before it.
void syncWith(HWND h) {
    DWORD_PTR ignored = 0;
    for (int round = 0; round < 2; ++round) {
        SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
        Sleep(20);
    }
}

// ---------------------------------------------------------------------------------------------
// Memory in the target process

class RemoteBlock {
public:
    RemoteBlock(HWND owner, size_t size) : size_(size) {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                   PROCESS_QUERY_INFORMATION, FALSE, processOf(owner));
        if (process_)
            base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                                      PAGE_READWRITE));
    }
    ~RemoteBlock() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return base_ != nullptr; }
    char* at(size_t offset) const { return base_ + offset; }
    bool write(size_t offset, const void* data, size_t n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && WriteProcessMemory(process_, base_ + offset, data, n, &done) && done == n;
    }
    bool read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, base_ + offset, data, n, &done) && done == n;
    }
    std::wstring readText(size_t offset, size_t maxChars) const {
        std::vector<wchar_t> buf(maxChars + 1, L'\0');
        if (!read(offset, buf.data(), maxChars * sizeof(wchar_t))) return L"";
        buf[maxChars] = L'\0';
        return buf.data();
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    size_t size_;
};

constexpr size_t kTextChars = 1024;
constexpr size_t kTextOffset = 512;  // the structure first, the text buffer after it
constexpr size_t kBlockSize = kTextOffset + kTextChars * sizeof(wchar_t);

struct Column { std::wstring text; int width; };

std::optional<std::vector<Column>> listViewColumns(HWND lv) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(lv, LVM_GETHEADER, 0, 0));
    const int count = header ? (int)SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : -1;
    if (count < 0) return std::nullopt;
    RemoteBlock block(lv, kBlockSize);
    if (!block.ok()) return std::nullopt;
    std::vector<Column> columns;
    for (int i = 0; i < count; ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = reinterpret_cast<LPWSTR>(block.at(kTextOffset));
        col.cchTextMax = (int)kTextChars;
        const wchar_t empty = L'\0';
        if (!block.write(0, &col, sizeof col) || !block.write(kTextOffset, &empty, sizeof empty)) return std::nullopt;
        if (!SendMessageW(lv, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(block.at(0)))) return std::nullopt;
        LVCOLUMNW back{};
        if (!block.read(0, &back, sizeof back)) return std::nullopt;
        columns.push_back({block.readText(kTextOffset, kTextChars), back.cx});
    }
    return columns;
}

std::optional<std::wstring> listViewText(HWND lv, int row, int subItem) {
    RemoteBlock block(lv, kBlockSize);
    if (!block.ok()) return std::nullopt;
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = reinterpret_cast<LPWSTR>(block.at(kTextOffset));
    item.cchTextMax = (int)kTextChars;
    const wchar_t empty = L'\0';
    if (!block.write(0, &item, sizeof item) || !block.write(kTextOffset, &empty, sizeof empty)) return std::nullopt;
    SendMessageW(lv, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(block.at(0)));
    return block.readText(kTextOffset, kTextChars);
}

// ---------------------------------------------------------------------------------------------
// Menus
//
// On Windows the menu functions accept another process's menu handles. Wine refuses them (its
// menus live in the owning process), so there the driver makes the same calls inside the target:
// a small x64 stub, copied into the target, loads up to six arguments from a block and calls a
// user32 function; CreateRemoteThread runs it with the block's address.

class MenuReader {
public:
    explicit MenuReader(HWND window) : window_(window) {}
    ~MenuReader() {
        if (remote_) VirtualFreeEx(process_.get(), remote_, 0, MEM_RELEASE);
    }
    MenuReader(const MenuReader&) = delete;
    MenuReader& operator=(const MenuReader&) = delete;

    // The window's menu bar, or nullptr (with the reason) when its items cannot be read.
    HMENU bar(std::wstring& error) {
        HMENU menu = GetMenu(window_);
        if (!menu) { error = L"the window has no menu bar"; return nullptr; }
        if (GetMenuItemCount(menu) >= 0) return menu;  // readable from here
        return openRemote(error) ? menu : nullptr;
    }

    int count(HMENU m) {
        return remote_ ? (int)call(Fn::Count, {(ULONG_PTR)m}) : GetMenuItemCount(m);
    }
    HMENU subMenu(HMENU m, int pos) {
        return remote_ ? (HMENU)callPointer(Fn::SubMenu, {(ULONG_PTR)m, (ULONG_PTR)pos}) : GetSubMenu(m, pos);
    }
    UINT id(HMENU m, int pos) {
        return remote_ ? (UINT)call(Fn::ItemId, {(ULONG_PTR)m, (ULONG_PTR)pos}) : GetMenuItemID(m, pos);
    }
    UINT state(HMENU m, int pos) {
        return remote_ ? (UINT)call(Fn::State, {(ULONG_PTR)m, (ULONG_PTR)pos, MF_BYPOSITION})
                       : GetMenuState(m, pos, MF_BYPOSITION);
    }
    // The caption without '&' markers and accelerator text.
    std::wstring caption(HMENU m, int pos) {
        wchar_t buf[kTextChars + 1] = L"";
        if (!remote_) {
            GetMenuStringW(m, pos, buf, kTextChars, MF_BYPOSITION);
        } else {
            const wchar_t empty = L'\0';
            write(kTextOffset, &empty, sizeof empty);
            call(Fn::Text, {(ULONG_PTR)m, (ULONG_PTR)pos, (ULONG_PTR)(remote_ + kTextOffset), kTextChars,
                            MF_BYPOSITION});
            read(kTextOffset, buf, kTextChars * sizeof(wchar_t));
            buf[kTextChars] = L'\0';
        }
        return plainCaption(buf);
    }

private:
    enum class Fn { Count, SubMenu, ItemId, State, Text, N };
    static constexpr const char* kNames[] = {"GetMenuItemCount", "GetSubMenu", "GetMenuItemID", "GetMenuState",
                                             "GetMenuStringW"};
    static constexpr size_t kTextChars = 511;
    static constexpr size_t kBlockOffset = 64;   // function, six arguments, result
    static constexpr size_t kTextOffset = 128;
    static constexpr size_t kSize = kTextOffset + (kTextChars + 1) * sizeof(wchar_t);

    // Runs fn in the target; the result as the callee left it in rax (eax), or nothing when the call
    // could not be made.
    std::optional<ULONG_PTR> callRemote(Fn fn, std::initializer_list<ULONG_PTR> args) {
        ULONG_PTR block[8] = {(ULONG_PTR)functions_[(int)fn]};
        size_t i = 1;
        for (ULONG_PTR arg : args) block[i++] = arg;
        if (!write(kBlockOffset, block, sizeof block)) return std::nullopt;
        Handle thread(CreateRemoteThread(process_.get(), nullptr, 0,
                                         reinterpret_cast<LPTHREAD_START_ROUTINE>(remote_),
                                         remote_ + kBlockOffset, 0, nullptr));
        if (!thread || WaitForSingleObject(thread.get(), 5000) != WAIT_OBJECT_0) return std::nullopt;
        ULONG_PTR result = 0;
        if (!read(kBlockOffset + 7 * sizeof(ULONG_PTR), &result, sizeof result)) return std::nullopt;
        return result;
    }
    ULONG_PTR callPointer(Fn fn, std::initializer_list<ULONG_PTR> args) { return callRemote(fn, args).value_or(0); }
    // For the functions that return a 32-bit value; -1 when the call could not be made.
    int call(Fn fn, std::initializer_list<ULONG_PTR> args) {
        auto result = callRemote(fn, args);
        return result ? (int)(UINT)*result : -1;
    }

    bool write(size_t offset, const void* data, size_t n) {
        SIZE_T done = 0;
        return WriteProcessMemory(process_.get(), remote_ + offset, data, n, &done) && done == n;
    }
    bool read(size_t offset, void* data, size_t n) {
        SIZE_T done = 0;
        return ReadProcessMemory(process_.get(), remote_ + offset, data, n, &done) && done == n;
    }

    // Where a module is loaded in the target; its functions sit at the same offsets as here.
    static BYTE* remoteModuleBase(DWORD pid, const wchar_t* module) {
        Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
        if (!snap) return nullptr;
        MODULEENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Module32FirstW(snap.get(), &entry); more; more = Module32NextW(snap.get(), &entry))
            if (_wcsicmp(entry.szModule, module) == 0) return entry.modBaseAddr;
        return nullptr;
    }

    // The block holds pointer-sized slots: the function, six arguments, the result.
    bool openRemote(std::wstring& error) {
#ifdef _WIN64
        static const BYTE stub[] = {
            0x53,                          // push rbx
            0x48, 0x83, 0xEC, 0x40,        // sub  rsp, 0x40         (shadow space, arguments 5-6)
            0x48, 0x89, 0xCB,              // mov  rbx, rcx          (the block)
            0x48, 0x8B, 0x43, 0x28,        // mov  rax, [rbx+0x28]
            0x48, 0x89, 0x44, 0x24, 0x20,  // mov  [rsp+0x20], rax   (argument 5)
            0x48, 0x8B, 0x43, 0x30,        // mov  rax, [rbx+0x30]
            0x48, 0x89, 0x44, 0x24, 0x28,  // mov  [rsp+0x28], rax   (argument 6)
            0x48, 0x8B, 0x4B, 0x08,        // mov  rcx, [rbx+0x08]   (arguments 1-4)
            0x48, 0x8B, 0x53, 0x10,        // mov  rdx, [rbx+0x10]
            0x4C, 0x8B, 0x43, 0x18,        // mov  r8,  [rbx+0x18]
            0x4C, 0x8B, 0x4B, 0x20,        // mov  r9,  [rbx+0x20]
            0xFF, 0x13,                    // call [rbx]
            0x48, 0x89, 0x43, 0x38,        // mov  [rbx+0x38], rax   (result)
            0x31, 0xC0,                    // xor  eax, eax
            0x48, 0x83, 0xC4, 0x40,        // add  rsp, 0x40
            0x5B,                          // pop  rbx
            0xC3,                          // ret
        };
#else
        // A thread start routine (stdcall, one argument: the block). esi keeps the stack
        // pointer, so callees that take fewer than six arguments leave it balanced.
        static const BYTE stub[] = {
            0x53,                          // push ebx
            0x56,                          // push esi
            0x8B, 0x5C, 0x24, 0x0C,        // mov  ebx, [esp+0x0c]   (the block)
            0x89, 0xE6,                    // mov  esi, esp
            0xFF, 0x73, 0x18,              // push [ebx+0x18]        (argument 6)
            0xFF, 0x73, 0x14,              // push [ebx+0x14]
            0xFF, 0x73, 0x10,              // push [ebx+0x10]
            0xFF, 0x73, 0x0C,              // push [ebx+0x0c]
            0xFF, 0x73, 0x08,              // push [ebx+0x08]
            0xFF, 0x73, 0x04,              // push [ebx+0x04]        (argument 1)
            0xFF, 0x13,                    // call [ebx]
            0x89, 0xF4,                    // mov  esp, esi
            0x89, 0x43, 0x1C,              // mov  [ebx+0x1c], eax   (result)
            0x31, 0xC0,                    // xor  eax, eax
            0x5E,                          // pop  esi
            0x5B,                          // pop  ebx
            0xC2, 0x04, 0x00,              // ret  4
        };
#endif
        static_assert(sizeof stub <= kBlockOffset);
        const DWORD pid = processOf(window_);
        process_.reset(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                       PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        HMODULE local = GetModuleHandleW(L"user32.dll");
        BYTE* base = remoteModuleBase(pid, L"user32.dll");
        if (!process_ || !local || !base) { error = L"cannot reach user32 in the target"; return false; }
        for (int i = 0; i < (int)Fn::N; ++i) {
            auto f = reinterpret_cast<BYTE*>(reinterpret_cast<void*>(GetProcAddress(local, kNames[i])));
            if (!f) { error = L"no menu function in user32"; return false; }
            functions_[i] = base + (f - reinterpret_cast<BYTE*>(local));
        }
        remote_ = static_cast<BYTE*>(VirtualAllocEx(process_.get(), nullptr, kSize, MEM_COMMIT | MEM_RESERVE,
                                                    PAGE_EXECUTE_READWRITE));
        if (!remote_) { error = L"cannot allocate memory in the target"; return false; }
        if (!write(0, stub, sizeof stub)) { error = L"cannot write into the target"; return false; }
        FlushInstructionCache(process_.get(), remote_, sizeof stub);
        return true;
    }

    HWND window_;
    Handle process_;
    BYTE* remote_ = nullptr;
    BYTE* functions_[(int)Fn::N] = {};
};

std::vector<std::wstring> splitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find(L'/', start);
        parts.push_back(path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start));
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    return parts;
}

struct MenuItem { HMENU menu; int pos; };

// Finds "Setting/After Finish All Tasks/Reboot" in the window's menu bar. A caption that itself
// contains '/' (such as "Turn Off the Monitor / Screen") matches several parts joined again.
std::optional<MenuItem> findMenuItem(MenuReader& reader, HMENU bar, const std::wstring& path,
                                     std::wstring& error) {
    const std::vector<std::wstring> parts = splitPath(path);
    HMENU menu = bar;
    size_t next = 0;
    while (next < parts.size()) {
        const int count = reader.count(menu);
        if (count < 0) { error = L"cannot read the menu"; return std::nullopt; }
        std::optional<MenuItem> found;
        size_t used = 0;
        for (int pos = 0; pos < count && !found; ++pos) {
            const std::wstring caption = reader.caption(menu, pos);
            std::wstring joined;
            for (size_t k = next; k < parts.size(); ++k) {
                joined += (k == next ? L"" : L"/") + parts[k];
                if (caption == joined) { found = MenuItem{menu, pos}; used = k - next + 1; break; }
            }
        }
        if (!found) { error = L"no menu item \"" + parts[next] + L"\" in \"" + path + L"\""; return std::nullopt; }
        next += used;
        if (next == parts.size()) return found;
        menu = reader.subMenu(found->menu, found->pos);
        if (!menu) { error = L"\"" + parts[next - 1] + L"\" has no submenu"; return std::nullopt; }
    }
    error = L"empty menu path";
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Starting processes

// Quotes one argument so that the usual command-line parser gives it back unchanged.
std::wstring quoteArg(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < arg.size() && arg[i] == L'\\') { ++i; ++backslashes; }
        if (i == arg.size()) { out.append(backslashes * 2, L'\\'); break; }
        if (arg[i] == L'"') { out.append(backslashes * 2 + 1, L'\\'); out += L'"'; }
        else { out.append(backslashes, L'\\'); out += arg[i]; }
    }
    return out + L"\"";
}

std::wstring envName(const std::wstring& entry) {
    size_t eq = entry.find(L'=', 1);  // entries such as "=C:=C:\" start with '='
    return entry.substr(0, eq);
}

// The driver's own environment with the given variables replaced, sorted by name as
// CreateProcess expects, double-NUL terminated.
std::vector<wchar_t> environmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
            std::wstring entry = p;
            bool replaced = false;
            for (const auto& [name, value] : overrides)
                if (_wcsicmp(envName(entry).c_str(), name.c_str()) == 0) replaced = true;
            if (!replaced) entries.push_back(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : overrides) entries.push_back(name + L"=" + value);
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(envName(a).c_str(), envName(b).c_str()) < 0;
    });
    std::vector<wchar_t> out;
    for (const auto& e : entries) { out.insert(out.end(), e.begin(), e.end()); out.push_back(L'\0'); }
    out.push_back(L'\0');
    return out;
}

bool writeTextFile(const std::wstring& path, const std::wstring& text) {
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    writeUtf8(file.get(), text);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Commands

using Args = std::vector<std::wstring>;

int cmdStart(const Args& a) {
    std::wstring exe, appdata, pidfile, cwd;
    std::vector<std::wstring> programArgs;
    bool options = true;
    for (size_t i = 0; i < a.size(); ++i) {
        const std::wstring& s = a[i];
        if (options && s == L"--") { options = false; continue; }
        if (options && (s == L"--appdata" || s == L"--pidfile" || s == L"--cwd")) {
            if (i + 1 >= a.size()) return fail(kUsage, s + L" needs a value");
            std::wstring& target = s == L"--appdata" ? appdata : s == L"--pidfile" ? pidfile : cwd;
            target = toWindowsPath(a[++i]);
            continue;
        }
        if (exe.empty()) exe = toWindowsPath(s);
        else programArgs.push_back(s);
    }
    if (exe.empty()) return fail(kUsage, L"start: no program given");

    std::wstring commandLine = quoteArg(exe);
    for (const auto& arg : programArgs) commandLine += L" " + quoteArg(arg);

    std::vector<std::pair<std::wstring, std::wstring>> overrides;
    if (!appdata.empty()) {
        CreateDirectoryW(appdata.c_str(), nullptr);  // fine if it exists already
        overrides.push_back({L"APPDATA", appdata});
    }
    std::vector<wchar_t> env = environmentWith(overrides);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(L'\0');
    // Detached: the child must not share the driver's console, whose output is the test
    // runner's pipe; a child holding that pipe open would keep the test from ending.
    // Wine now and then refuses a start on a busy machine with ERROR_INTERNAL_ERROR, before
    // anything of the program has run: that start is tried again, and said so.
    DWORD error = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                           CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, env.data(),
                           cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
            error = 0;
            break;
        }
        error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR) break;
        fwprintf(stderr, L"RETRY: kdriver: the start of %ls failed with error %lu; trying again\n", exe.c_str(),
                 static_cast<unsigned long>(error));
        Sleep(500);
    }
    if (error) return fail(kFailed, L"cannot start " + exe + L" (error " + std::to_wstring(error) + L")");
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const std::wstring pid = std::to_wstring(pi.dwProcessId);
    if (!pidfile.empty() && !writeTextFile(pidfile, pid + L"\n"))
        return fail(kFailed, L"cannot write " + pidfile);
    outLine(pid);
    return kOk;
}

// The first top-level window of <cls> that belongs to process `pid`, shown or not.
HWND windowOfProcess(const std::wstring& cls, DWORD pid) {
    for (HWND h : topLevelWindows())
        if (processOf(h) == pid && className(h) == cls) return h;
    return nullptr;
}

// end-session <messages|wineboot> <first|ms> <class> [--appdata DIR] <exe>
// Starts the program and ends the Windows session at a moment of its start-up: "first", the
// first moment its window of <class> exists (shown or not), or a number of milliseconds after the
// launch. "messages" sends WM_QUERYENDSESSION and WM_ENDSESSION to that window, as the system
// does; "wineboot" runs Wine's own `wineboot --end-session`, which sends them to every window.
// Prints the program's pid, then when the session was ended (ms after the launch).
int cmdEndSession(const Args& a) {
    const std::wstring how = a[0], when = a[1], cls = a[2];
    const bool first = when == L"first";
    const auto delay = first ? std::optional<long long>(0) : parseNumber(when);
    if ((how != L"messages" && how != L"wineboot") || !delay || a.size() < 4)
        return fail(kUsage, L"end-session <messages|wineboot> <first|ms> <class> [--appdata DIR] <exe>");
    std::wstring exe, appdata;
    for (size_t i = 3; i < a.size(); ++i) {
        if (a[i] == L"--appdata" && i + 1 < a.size()) appdata = toWindowsPath(a[++i]);
        else exe = toWindowsPath(a[i]);
    }
    std::vector<std::pair<std::wstring, std::wstring>> overrides;
    if (!appdata.empty()) overrides.push_back({L"APPDATA", appdata});
    std::vector<wchar_t> env = environmentWith(overrides);
    std::wstring commandLine = quoteArg(exe);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, env.data(), nullptr, &si, &pi))
        return fail(kFailed, L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")");
    const ULONGLONG launched = GetTickCount64();
    Handle process(pi.hProcess);
    CloseHandle(pi.hThread);
    outLine(std::to_wstring(pi.dwProcessId));

    HWND window = nullptr;
    if (first) {
        while (!(window = windowOfProcess(cls, pi.dwProcessId))) {
            if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return fail(kFailed, L"the program ended first");
            if (GetTickCount64() - launched > 30000) return fail(kTimeout, L"no window of " + cls);
            Sleep(1);
        }
    } else {
        Sleep(static_cast<DWORD>(*delay));
    }
    const ULONGLONG at = GetTickCount64() - launched;
    if (how == L"messages") {
        while (!window && !(window = windowOfProcess(cls, pi.dwProcessId))) {
            if (GetTickCount64() - launched > 30000) return fail(kTimeout, L"no window of " + cls);
            Sleep(1);
        }
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 30000, &answer);
        SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 30000, &answer);
    } else {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring wineboot = std::wstring(system) + L"\\wineboot.exe";
        std::wstring line = quoteArg(wineboot) + L" --end-session";
        STARTUPINFOW bootSi{};
        bootSi.cb = sizeof bootSi;
        PROCESS_INFORMATION boot{};
        if (!CreateProcessW(wineboot.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                            &bootSi, &boot))
            return fail(kFailed, L"cannot start " + wineboot + L" (error " + std::to_wstring(GetLastError()) + L")");
        WaitForSingleObject(boot.hProcess, 60000);
        CloseHandle(boot.hProcess);
        CloseHandle(boot.hThread);
    }
    outLine(L"ended the session " + std::to_wstring(at) + L" ms after the launch" +
            (window ? L", the window existing" : L""));
    return kOk;
}

// Opens the process for waiting; prints its exit code once it ends.
int waitProcess(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return fail(kTimeout, L"the process is still running");
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    outLine(std::to_wstring(code));
    return kOk;
}

int cmdWaitExit(const Args& a) {
    auto pid = parseNumber(a[0]);
    auto timeout = parseNumber(a[1]);
    if (!pid || !timeout) return fail(kUsage, L"wait-exit <pid> <timeout_ms>");
    Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, (DWORD)*pid));
    if (!process) return fail(kFailed, L"no process " + a[0]);
    return waitProcess(process.get(), (DWORD)*timeout);
}

int cmdAlive(const Args& a) {
    auto pid = parseNumber(a[0]);
    if (!pid) return fail(kUsage, L"alive <pid>");
    Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, (DWORD)*pid));
    outLine(process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT ? L"1" : L"0");
    return kOk;
}

int cmdKill(const Args& a) {
    auto pid = parseNumber(a[0]);
    if (!pid) return fail(kUsage, L"kill <pid>");
    Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, (DWORD)*pid));
    if (!process) return fail(kFailed, L"no process " + a[0]);
    if (!TerminateProcess(process.get(), 1)) return fail(kFailed, L"cannot terminate " + a[0]);
    WaitForSingleObject(process.get(), 5000);
    return kOk;
}

int cmdWaitVisible(const Args& a) {
    auto timeout = parseNumber(a[2]);
    if (!timeout) return fail(kUsage, L"wait-visible <class> <title> <timeout_ms>");
    HWND h = waitVisible(a[0], a[1], (DWORD)*timeout);
    if (!h) return fail(kTimeout, L"no visible window " + a[0] + L" \"" + a[1] + L"\"");
    outLine(std::to_wstring(processOf(h)));
    return kOk;
}

int cmdIsVisible(const Args& a) {
    HWND h = findTop(a[0], a[1]);
    outLine(h && IsWindowVisible(h) ? L"1" : L"0");
    return kOk;
}

// The commands below act on an existing window, named by its first two arguments.
HWND requireWindow(const Args& a) { return findTop(a[0], a[1]); }
int noWindow(const Args& a) { return fail(kFailed, L"no window " + a[0] + L" \"" + a[1] + L"\""); }

HWND requireListView(HWND h) {
    HWND lv = firstChildOfClass(h, WC_LISTVIEWW);
    if (!lv) fail(kFailed, L"the window has no list view");
    return lv;
}

int cmdHeaders(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    const bool widths = a.size() > 2 && a[2] == L"--widths";
    HWND lv = requireListView(h);
    if (!lv) return kFailed;
    auto columns = listViewColumns(lv);
    if (!columns) return fail(kFailed, L"cannot read the list view's columns");
    for (const auto& c : *columns) outLine(widths ? c.text + L"\t" + std::to_wstring(c.width) : c.text);
    return kOk;
}

int cmdLvCount(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND lv = requireListView(h);
    if (!lv) return kFailed;
    outLine(std::to_wstring(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0)));
    return kOk;
}

int cmdLvText(const Args& a) {
    auto row = parseNumber(a[2]);
    auto col = parseNumber(a[3]);
    if (!row || !col || *row < 1 || *col < 1) return fail(kUsage, L"lv-text <class> <title> <row> <col> (both from 1)");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND lv = requireListView(h);
    if (!lv) return kFailed;
    if (*row > SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0)) return fail(kFailed, L"no row " + a[2]);
    auto text = listViewText(lv, (int)*row - 1, (int)*col - 1);
    if (!text) return fail(kFailed, L"cannot read the list view");
    outLine(*text);
    return kOk;
}

// The menu item at path, read through reader; reports why when there is none.
std::optional<MenuItem> menuItemAt(MenuReader& reader, const std::wstring& path) {
    std::wstring error;
    HMENU bar = reader.bar(error);
    std::optional<MenuItem> item = bar ? findMenuItem(reader, bar, path, error) : std::nullopt;
    if (!item) fail(kFailed, error);
    return item;
}

int cmdMenuClick(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    MenuReader reader(h);
    auto item = menuItemAt(reader, a[2]);
    if (!item) return kFailed;
    if (reader.subMenu(item->menu, item->pos)) return fail(kFailed, L"\"" + a[2] + L"\" opens a submenu");
    const UINT id = reader.id(item->menu, item->pos);
    if (id == (UINT)-1) return fail(kFailed, L"cannot read the command id of \"" + a[2] + L"\"");
    // Posted, so that a command that opens a modal dialog does not block the driver.
    if (!PostMessageW(h, WM_COMMAND, MAKEWPARAM(id, 0), 0)) return fail(kFailed, L"cannot post the command");
    syncWith(h);
    outLine(std::to_wstring(id));
    return kOk;
}

int cmdMenuChecked(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    MenuReader reader(h);
    auto item = menuItemAt(reader, a[2]);
    if (!item) return kFailed;
    const UINT state = reader.state(item->menu, item->pos);
    if (state == (UINT)-1) return fail(kFailed, L"cannot read the state of \"" + a[2] + L"\"");
    outLine(state & MF_CHECKED ? L"1" : L"0");
    return kOk;
}

// Lists a menu's items (the menu bar when no path is given): caption, then the command id (">"
// for a submenu, "-" for a separator), checked, grayed.
int cmdMenuItems(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    MenuReader reader(h);
    std::wstring error;
    HMENU menu = reader.bar(error);
    if (!menu) return fail(kFailed, error);
    if (a.size() > 2 && !a[2].empty()) {
        auto item = findMenuItem(reader, menu, a[2], error);
        if (!item) return fail(kFailed, error);
        menu = reader.subMenu(item->menu, item->pos);
        if (!menu) return fail(kFailed, L"\"" + a[2] + L"\" has no submenu");
    }
    const int count = reader.count(menu);
    if (count < 0) return fail(kFailed, L"cannot read the menu");
    for (int pos = 0; pos < count; ++pos) {
        const UINT state = reader.state(menu, pos);
        const bool popup = reader.subMenu(menu, pos) != nullptr;
        const std::wstring kind = popup ? L">" : (state & MF_SEPARATOR) ? L"-" : std::to_wstring(reader.id(menu, pos));
        outLine(reader.caption(menu, pos) + L"\t" + kind + L"\t" + (state & MF_CHECKED ? L"1" : L"0") + L"\t" +
                (state & (MF_GRAYED | MF_DISABLED) ? L"1" : L"0"));
    }
    return kOk;
}

// A button among the window's descendants whose caption, without '&', is the given one.
HWND findButton(HWND parent, const std::wstring& caption) {
    for (HWND h : descendants(parent))
        if (_wcsicmp(className(h).c_str(), L"Button") == 0 && plainCaption(windowText(h)) == caption) return h;
    return nullptr;
}

int cmdClickButton(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND button = findButton(h, a[2]);
    if (!button) return fail(kFailed, L"no button \"" + a[2] + L"\"");
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return fail(kFailed, L"cannot post the click");
    syncWith(h);
    return kOk;
}

// Waits until the window's list view holds at least `rows` rows; prints the milliseconds waited.
int cmdWaitRows(const Args& a) {
    auto rows = parseNumber(a[2]);
    auto timeout = parseNumber(a[3]);
    if (!rows || !timeout) return fail(kUsage, L"wait-rows <class> <title> <rows> <timeout_ms>");
    const ULONGLONG start = GetTickCount64(), end = start + *timeout;
    for (;;) {
        HWND h = requireWindow(a);
        HWND lv = h ? firstChildOfClass(h, WC_LISTVIEWW) : nullptr;
        DWORD_PTR count = 0;
        if (lv && SendMessageTimeoutW(lv, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 1000, &count) && (long long)count >= *rows) {
            outLine(std::to_wstring(GetTickCount64() - start));
            return kOk;
        }
        if (GetTickCount64() >= end) return fail(kTimeout, L"the list did not reach " + a[2] + L" rows");
        Sleep(10);
    }
}

// Clicks a button of one window and times, from the click, until a second window is visible and
// until its list view is filled and steady (the same count for 150 ms, which is not counted).
// Prints "visible <ms>", "filled <ms> <rows>" and, as the reference, "floor <ms> <processes>": one
// process enumeration plus one open per process, here.
int cmdTimeClick(const Args& a) {
    auto timeout = parseNumber(a[5]);
    if (!timeout) return fail(kUsage, L"time-click <class> <title> <caption> <class2> <title2> <timeout_ms>");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND button = findButton(h, a[2]);
    if (!button) return fail(kFailed, L"no button \"" + a[2] + L"\"");
    LARGE_INTEGER f, t0, t;
    QueryPerformanceFrequency(&f);
    auto ms = [&](const LARGE_INTEGER& from) {
        QueryPerformanceCounter(&t);
        return (t.QuadPart - from.QuadPart) * 1000.0 / f.QuadPart;
    };
    QueryPerformanceCounter(&t0);
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return fail(kFailed, L"cannot post the click");
    double visible = -1, filled = -1, changedAt = 0;
    long long lastCount = -1;
    for (;;) {
        const double now = ms(t0);
        HWND second = findTop(a[3], a[4]);
        if (second && IsWindowVisible(second) && visible < 0) visible = now;
        HWND lv = second ? firstChildOfClass(second, WC_LISTVIEWW) : nullptr;
        DWORD_PTR count = 0;
        if (lv && visible >= 0 && IsWindowEnabled(lv) &&
            SendMessageTimeoutW(lv, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 1000, &count)) {
            if ((long long)count != lastCount) {
                lastCount = (long long)count;
                changedAt = ms(t0);
            } else if (count > 0 && ms(t0) - changedAt >= 150) {
                filled = changedAt;
                break;
            }
        }
        if (now > *timeout) return fail(kTimeout, L"the list did not settle");
        Sleep(1);
    }
    outLine(L"visible " + std::to_wstring(visible));
    outLine(L"filled " + std::to_wstring(filled) + L" " + std::to_wstring(lastCount));
    LARGE_INTEGER r0;
    QueryPerformanceCounter(&r0);
    std::vector<DWORD> ids(4096);
    DWORD bytes = 0;
    EnumProcesses(ids.data(), (DWORD)(ids.size() * sizeof(DWORD)), &bytes);
    int opened = 0;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i)
        if (HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i])) {
            ++opened;
            CloseHandle(p);
        }
    outLine(L"floor " + std::to_wstring(ms(r0)) + L" " + std::to_wstring(opened));
    return kOk;
}

// Waits for the program's dialog (a #32770 window of the same process) to be visible.
HWND waitDialog(HWND main, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND d = findDialogOf(main)) return d;
        if (GetTickCount64() >= end) return nullptr;
        Sleep(25);
    }
}

int cmdDialogText(const Args& a) {
    auto timeout = a.size() > 2 ? parseNumber(a[2]) : std::optional<long long>(5000);
    if (!timeout) return fail(kUsage, L"dialog-text <class> <title> [timeout_ms]");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND dialog = waitDialog(h, (DWORD)*timeout);
    if (!dialog) return fail(kTimeout, L"no dialog");
    outLine(windowText(dialog));
    for (HWND c : descendants(dialog))
        if (_wcsicmp(className(c).c_str(), L"Static") == 0 && !windowText(c).empty()) outLine(windowText(c));
    return kOk;
}

// Answers the program's dialog with a button given by caption ("Yes", "&OK") or by id (1 = OK,
// 2 = Cancel, 6 = Yes, 7 = No), then waits until the dialog is gone.
int cmdDialogAnswer(const Args& a) {
    auto timeout = a.size() > 3 ? parseNumber(a[3]) : std::optional<long long>(5000);
    if (!timeout) return fail(kUsage, L"dialog-answer <class> <title> <button caption or id> [timeout_ms]");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND dialog = waitDialog(h, (DWORD)*timeout);
    if (!dialog) return fail(kTimeout, L"no dialog");
    HWND button = nullptr;
    if (auto id = parseNumber(a[2])) button = GetDlgItem(dialog, (int)*id);
    if (!button) button = findButton(dialog, plainCaption(a[2]));
    if (!button) return fail(kFailed, L"the dialog has no button \"" + a[2] + L"\"");
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return fail(kFailed, L"cannot post the click");
    const ULONGLONG end = GetTickCount64() + (DWORD)*timeout;
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (GetTickCount64() >= end) return fail(kTimeout, L"the dialog is still open");
        Sleep(25);
    }
    return kOk;
}

int cmdClose(const Args& a) {
    auto timeout = parseNumber(a[2]);
    if (!timeout) return fail(kUsage, L"close <class> <title> <timeout_ms>");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processOf(h)));
    if (!process) return fail(kFailed, L"cannot open the window's process");
    if (!PostMessageW(h, WM_CLOSE, 0, 0)) return fail(kFailed, L"cannot post WM_CLOSE");
    return waitProcess(process.get(), (DWORD)*timeout);
}

// One line per top-level window: handle, pid, visible, class, title. For diagnostics.
int cmdWindows(const Args&) {
    for (HWND h : topLevelWindows())
        outLine(hex(h) + L"\t" + std::to_wstring(processOf(h)) + L"\t" + (IsWindowVisible(h) ? L"1" : L"0") +
                L"\t" + className(h) + L"\t" + windowText(h));
    return kOk;
}

// One line per descendant control: handle, id, visible, class, text. For diagnostics.
int cmdChildren(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    for (HWND c : descendants(h))
        outLine(hex(c) + L"\t" + std::to_wstring(GetDlgCtrlID(c)) + L"\t" + (IsWindowVisible(c) ? L"1" : L"0") +
                L"\t" + className(c) + L"\t" + windowText(c));
    return kOk;
}

// Posts one message to a top-level window, as another program (or the shell, for a
// notification-area icon) would. Numbers may be decimal or 0x-hex.
int cmdPost(const Args& a) {
    auto msg = parseNumber(a[2]);
    auto wp = parseNumber(a[3]);
    auto lp = parseNumber(a[4]);
    if (!msg || !wp || !lp) return fail(kUsage, L"post <class> <title> <msg> <wparam> <lparam>");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    if (!PostMessageW(h, (UINT)*msg, (WPARAM)*wp, (LPARAM)*lp))
        return fail(kFailed, L"cannot post the message (error " + std::to_wstring(GetLastError()) + L")");
    syncWith(h);
    return kOk;
}

// ---------------------------------------------------------------------------------------------
// The system's open and save dialogs

// The file-name box of an open or save dialog: the edit inside control 0x47c (a combo box of the
// Explorer-style dialog; Wine makes it a ComboBoxEx32 whose combo box holds the edit), or the
// edit 0x480 of the older style.
HWND fileNameEdit(HWND dialog) {
    if (HWND box = GetDlgItem(dialog, 0x47c)) {
        if (_wcsicmp(className(box).c_str(), L"Edit") == 0) return box;
        if (HWND edit = firstChildOfClass(box, L"Edit")) return edit;
    }
    return GetDlgItem(dialog, 0x480);
}

// The program's visible open or save dialog (a #32770 window with a file-name box).
HWND findFileDialogOf(HWND main) {
    const DWORD pid = processOf(main);
    for (HWND h : topLevelWindows())
        if (h != main && IsWindowVisible(h) && processOf(h) == pid && className(h) == L"#32770" && fileNameEdit(h))
            return h;
    return nullptr;
}

// Types a path into the program's open or save dialog and confirms it with OK, as a user would;
// then waits until the dialog has closed. When the dialog answers with a message box instead
// (a file that does not exist, say), its text is reported, the box and the dialog are cancelled,
// and the command fails.
int cmdFileDialog(const Args& a) {
    auto timeout = a.size() > 3 ? parseNumber(a[3]) : std::optional<long long>(10000);
    if (!timeout) return fail(kUsage, L"file-dialog <class> <title> <path> [timeout_ms]");
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    const ULONGLONG end = GetTickCount64() + (DWORD)*timeout;
    HWND dialog = nullptr;
    while (!(dialog = findFileDialogOf(h))) {
        if (GetTickCount64() >= end) return fail(kTimeout, L"no open or save dialog");
        Sleep(25);
    }
    // The dialog fills its controls after it shows; let it get back to its message loop first.
    syncWith(dialog);
    const std::wstring path = toWindowsPath(a[2]);
    HWND edit = fileNameEdit(dialog);
    for (;;) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 2000,
                            &ignored);
        syncWith(dialog);
        if (windowText(edit) == path) break;
        if (GetTickCount64() >= end) return fail(kTimeout, L"the file-name box does not take the path");
    }
    if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK))))
        return fail(kFailed, L"cannot press OK");
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        // Any other dialog of the program now is the file dialog's complaint.
        for (HWND other : topLevelWindows()) {
            if (other == dialog || other == h || !IsWindowVisible(other) || processOf(other) != processOf(h) ||
                className(other) != L"#32770")
                continue;
            std::wstring text;
            for (HWND c : descendants(other))
                if (_wcsicmp(className(c).c_str(), L"Static") == 0 && !windowText(c).empty()) text += windowText(c);
            PostMessageW(other, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            PostMessageW(other, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            Sleep(200);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return fail(kFailed, L"the dialog answered: " + text);
        }
        if (GetTickCount64() >= end) return fail(kTimeout, L"the dialog is still open");
        Sleep(25);
    }
    syncWith(h);
    outLine(path);
    return kOk;
}

// ---------------------------------------------------------------------------------------------
// Setting a form's boxes as a user would, and reading its layout

// The visible edit or combo box on the same row as the visible label `label` (its text without
// '&'), nearest to it sideways: how a user finds "the box after Second(s)". A label asked for
// with a ':' also finds a caption shown without one ("Loop:" finds "Loop", the box after it).
HWND boxNearLabel(HWND top, const std::wstring& label) {
    HWND found = nullptr;
    for (HWND h : descendants(top)) {
        if (_wcsicmp(className(h).c_str(), L"Static") != 0 || !IsWindowVisible(h)) continue;
        const std::wstring caption = plainCaption(windowText(h));
        if (caption == label || (!label.empty() && label.back() == L':' && caption + L":" == label)) {
            found = h;
            break;
        }
    }
    if (!found) return nullptr;
    RECT lr{};
    GetWindowRect(found, &lr);
    const LONG middle = (lr.top + lr.bottom) / 2;
    // A caption ending in ':' names the box after it ("Auto Type:"); any other names the box
    // before it, as a unit follows its number ("10 Minute(s)"). Failing that, the nearest box.
    const bool boxAfter = !label.empty() && label.back() == L':';
    HWND best = nullptr, bestOnItsSide = nullptr;
    LONG bestDistance = LONG_MAX, bestSideDistance = LONG_MAX;
    for (HWND h : descendants(top)) {
        const std::wstring cls = className(h);
        const bool combo = _wcsicmp(cls.c_str(), L"ComboBox") == 0;
        const bool edit = _wcsicmp(cls.c_str(), L"Edit") == 0 &&
                          _wcsicmp(className(GetParent(h)).c_str(), L"ComboBox") != 0;  // not a combo's own edit
        if ((!combo && !edit) || !IsWindowVisible(h)) continue;
        RECT r{};
        GetWindowRect(h, &r);
        if (middle < r.top || middle > r.bottom) continue;
        const LONG distance = r.left >= lr.right ? r.left - lr.right : r.right <= lr.left ? lr.left - r.right : 0;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = h;
        }
        const bool onItsSide = boxAfter ? r.left >= lr.left : r.right <= lr.right;
        if (onItsSide && distance < bestSideDistance) {
            bestSideDistance = distance;
            bestOnItsSide = h;
        }
    }
    return bestOnItsSide ? bestOnItsSide : best;
}

// Tells a box's parent that the user changed it (the parent's WM_COMMAND notification).
void notifyParent(HWND box, WORD code) {
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), code), (LPARAM)box);
}

// set-near: an edit gets the text (WM_SETTEXT; the edit reports the change itself); a combo box
// chooses the item with exactly that text (CB_SETCURSEL + CBN_SELCHANGE), or, when it has none
// and takes typing, gets it typed in (WM_SETTEXT + CBN_EDITCHANGE). Prints the box's text after.
int cmdSetNear(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    HWND box = boxNearLabel(h, a[2]);
    if (!box) return fail(kFailed, L"no box beside the label \"" + a[2] + L"\"");
    const std::wstring& value = a[3];
    if (_wcsicmp(className(box).c_str(), L"Edit") == 0) {
        SendMessageW(box, WM_SETTEXT, 0, (LPARAM)value.c_str());
    } else {
        const LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)value.c_str());
        if (index != CB_ERR) {
            SendMessageW(box, CB_SETCURSEL, (WPARAM)index, 0);
            notifyParent(box, CBN_SELCHANGE);
        } else if ((GetWindowLongW(box, GWL_STYLE) & 3) == CBS_DROPDOWN) {
            SendMessageW(box, WM_SETTEXT, 0, (LPARAM)value.c_str());
            notifyParent(box, CBN_EDITCHANGE);
        } else {
            return fail(kFailed, L"the list beside \"" + a[2] + L"\" has no item \"" + value + L"\"");
        }
    }
    syncWith(h);
    outLine(windowText(box));
    return kOk;
}

// layout: the window's screen rectangle and client size, then one line per visible control
// (a combo box counted whole): class, text, left, top, width, height in client pixels.
int cmdLayout(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    RECT w{}, c{};
    GetWindowRect(h, &w);
    GetClientRect(h, &c);
    outLine(L"window\t" + std::to_wstring(w.left) + L" " + std::to_wstring(w.top) + L" " +
            std::to_wstring(w.right - w.left) + L" " + std::to_wstring(w.bottom - w.top));
    outLine(L"client\t" + std::to_wstring(c.right) + L" " + std::to_wstring(c.bottom));
    for (HWND child : descendants(h)) {
        if (!IsWindowVisible(child)) continue;
        // A combo box's own edit is part of the box (its size follows the system's arrow width).
        if (_wcsicmp(className(GetParent(child)).c_str(), L"ComboBox") == 0) continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
        outLine(className(child) + L"\t" + windowText(child) + L"\t" + std::to_wstring(r.left) + L" " +
                std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) + L" " +
                std::to_wstring(r.bottom - r.top));
    }
    return kOk;
}

// raise: puts the window above every other window (for a screenshot), without keeping it there.
int cmdRaise(const Args& a) {
    HWND h = requireWindow(a);
    if (!h) return noWindow(a);
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (!SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, flags) || !SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, flags))
        return fail(kFailed, L"cannot raise the window");
    syncWith(h);
    return kOk;
}

struct Command {
    const wchar_t* name;
    size_t minArgs;
    const wchar_t* usage;
    int (*run)(const Args&);
};

const Command kCommands[] = {
    {L"set-near", 4, L"set-near <class> <title> <label> <value>  (the box beside a label: type or choose)  -> text",
     cmdSetNear},
    {L"raise", 2, L"raise <class> <title>  (above every other window, for a screenshot)", cmdRaise},
    {L"layout", 2, L"layout <class> <title>  -> window and client size, then visible controls' rectangles", cmdLayout},
    {L"start", 1, L"start [--appdata DIR] [--pidfile FILE] [--cwd DIR] <exe> [--] [args...]  -> pid", cmdStart},
    {L"wait-exit", 2, L"wait-exit <pid> <timeout_ms>  -> exit code", cmdWaitExit},
    {L"alive", 1, L"alive <pid>  -> 1/0", cmdAlive},
    {L"kill", 1, L"kill <pid>  (TerminateProcess)", cmdKill},
    {L"wait-visible", 3, L"wait-visible <class> <title> <timeout_ms>  -> pid", cmdWaitVisible},
    {L"is-visible", 2, L"is-visible <class> <title>  -> 1/0", cmdIsVisible},
    {L"headers", 2, L"headers <class> <title> [--widths]  -> one header per line", cmdHeaders},
    {L"lv-count", 2, L"lv-count <class> <title>  -> rows", cmdLvCount},
    {L"wait-rows", 4, L"wait-rows <class> <title> <rows> <timeout_ms>  -> ms waited", cmdWaitRows},
    {L"time-click", 6,
     L"time-click <class> <title> <caption> <class2> <title2> <timeout_ms>  -> visible/filled/floor ms", cmdTimeClick},
    {L"lv-text", 4, L"lv-text <class> <title> <row> <col>  (from 1; col 1 is the first column)", cmdLvText},
    {L"menu-click", 3, L"menu-click <class> <title> <Menu/Sub/Item>  -> command id", cmdMenuClick},
    {L"menu-checked", 3, L"menu-checked <class> <title> <Menu/Sub/Item>  -> 1/0", cmdMenuChecked},
    {L"menu-items", 2, L"menu-items <class> <title> [Menu/Sub]  -> caption, id, checked, grayed", cmdMenuItems},
    {L"click-button", 3, L"click-button <class> <title> <caption>", cmdClickButton},
    {L"dialog-text", 2, L"dialog-text <class> <title> [timeout_ms]  -> title, then texts", cmdDialogText},
    {L"dialog-answer", 3, L"dialog-answer <class> <title> <button caption or id> [timeout_ms]", cmdDialogAnswer},
    {L"close", 3, L"close <class> <title> <timeout_ms>  -> exit code", cmdClose},
    {L"windows", 0, L"windows  -> top-level windows", cmdWindows},
    {L"children", 2, L"children <class> <title>  -> child windows", cmdChildren},
    {L"post", 5, L"post <class> <title> <msg> <wparam> <lparam>  (PostMessage)", cmdPost},
    {L"end-session", 4,
     L"end-session <messages|wineboot> <first|ms> <class> [--appdata DIR] <exe>  (during its start-up)  -> pid, when",
     cmdEndSession},
    {L"file-dialog", 3, L"file-dialog <class> <title> <path> [timeout_ms]  (type the path, press OK)  -> path",
     cmdFileDialog},
};

int usage() {
    std::wstring text = L"usage: kdriver <command> [args]   (\"-\" for any class or title)\n";
    for (const auto& c : kCommands) text += L"  " + std::wstring(c.usage) + L"\n";
    writeUtf8(GetStdHandle(STD_ERROR_HANDLE), text);
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    const std::wstring name = argv[1];
    Args args(argv + 2, argv + argc);
    for (const auto& c : kCommands) {
        if (name != c.name) continue;
        if (args.size() < c.minArgs) return fail(kUsage, std::wstring(L"usage: ") + c.usage);
        return c.run(args);
    }
    return usage();
}
