// Answering the modal windows a command opens (a message box, a file dialog,
// a pop-up menu) from inside their own message loop, as a user would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrelon::testing {

// What a modal window of this thread shows: its kind ("#32770" for a dialog,
// "#32768" for a pop-up menu), its handle, its title and its texts (for a
// menu: the item captions, a submenu's items after "> ").
struct ModalWindow {
    std::wstring kind;
    HWND window = nullptr;
    std::wstring title;
    std::vector<std::wstring> texts;
};

namespace detail {

inline std::function<bool(const ModalWindow&)>& PendingAnswer() {
    static std::function<bool(const ModalWindow&)> answer;
    return answer;
}

inline std::wstring WindowTextOf(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

inline void MenuTexts(HMENU menu, const std::wstring& prefix, std::vector<std::wstring>& out) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t buf[128] = {};
        GetMenuStringW(menu, i, buf, 128, MF_BYPOSITION);
        out.push_back(prefix + (buf[0] ? buf : L"-"));
        if (HMENU sub = GetSubMenu(menu, i)) MenuTexts(sub, prefix + L"> ", out);
    }
}

inline BOOL CALLBACK FindModal(HWND h, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    const std::wstring kind = cls;
    if (!IsWindowVisible(h) || (kind != L"#32770" && kind != L"#32768")) return TRUE;
    auto& m = *reinterpret_cast<ModalWindow*>(found);
    m.kind = kind;
    m.window = h;
    m.title = WindowTextOf(h);
    if (kind == L"#32768") {
        constexpr UINT kGetMenu = 0x01E1;  // MN_GETHMENU
        if (auto* menu = reinterpret_cast<HMENU>(SendMessageW(h, kGetMenu, 0, 0))) MenuTexts(menu, L"", m.texts);
    } else {
        for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c)) m.texts.push_back(WindowTextOf(c));
    }
    return FALSE;
}

inline void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
    ModalWindow m;
    EnumThreadWindows(GetCurrentThreadId(), FindModal, reinterpret_cast<LPARAM>(&m));
    if (!m.window || !PendingAnswer()) return;
    KillTimer(nullptr, id);
    auto answer = std::move(PendingAnswer());
    PendingAnswer() = nullptr;
    answer(m);
}

}  // namespace detail

// Runs `action`; the first modal window it opens is handed to `answer`, which
// must close it (AnswerDialog, EndMenu). Returns whether one was seen.
inline bool WhileModal(const std::function<void()>& action, std::function<void(const ModalWindow&)> answer) {
    bool seen = false;
    detail::PendingAnswer() = [&](const ModalWindow& m) {
        seen = true;
        answer(m);
        return true;
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, detail::Poll);
    action();
    KillTimer(nullptr, timer);
    detail::PendingAnswer() = nullptr;
    return seen;
}

// The items of a menu as ModalWindow::texts gives them.
inline std::vector<std::wstring> MenuTexts(HMENU menu) {
    std::vector<std::wstring> texts;
    detail::MenuTexts(menu, L"", texts);
    return texts;
}

// Presses a dialog's button by its id (IDOK, IDCANCEL).
inline void AnswerDialog(const ModalWindow& m, int id) { PostMessageW(m.window, WM_COMMAND, id, 0); }

}  // namespace kestrelon::testing
