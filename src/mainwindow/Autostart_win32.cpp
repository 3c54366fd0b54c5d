#include "mainwindow/Autostart_win32.h"

#include <exception>
#include <new>

#include "toolkit/App.h"

namespace kestrelon {

LONG Win32Registry::OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY& key) {
    return RegOpenKeyExW(root, subKey.c_str(), 0, access, &key);
}

LONG Win32Registry::CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY& key) {
    return RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                           nullptr);
}

LONG Win32Registry::QueryValue(HKEY key, const std::wstring& name) {
    return RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
}

LONG Win32Registry::SetString(HKEY key, const std::wstring& name, const std::wstring& data) {
    auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

LONG Win32Registry::DeleteValue(HKEY key, const std::wstring& name) { return RegDeleteValueW(key, name.c_str()); }

void Win32Registry::CloseKey(HKEY key) { RegCloseKey(key); }

IRegistry& SystemRegistry() {
    static Win32Registry registry;
    return registry;
}

void ShowMessage(const std::wstring& text) { toolkit::MsgBox(text, MB_OK); }

std::wstring SystemErrorText(LONG code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

namespace {

// Closes the key when the operation is over, however it ends.
class KeyCloser {
public:
    KeyCloser(IRegistry& reg, HKEY key) : reg_(reg), key_(key) {}
    ~KeyCloser() { reg_.CloseKey(key_); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

private:
    IRegistry& reg_;
    HKEY key_;
};

}  // namespace

bool IsAutostartSet(const std::wstring& name, IRegistry& reg) {
    try {
        HKEY key = nullptr;
        if (reg.OpenKey(HKEY_CURRENT_USER, kRunKey, KEY_READ, key) != ERROR_SUCCESS) return false;
        KeyCloser closer(reg, key);
        return reg.QueryValue(key, name) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

bool SetAutostart(const std::wstring& name, const std::wstring& folder, bool enable, IRegistry& reg,
                  const MessageSink& report) {
    try {
        HKEY key = nullptr;
        LONG rc = reg.CreateKey(HKEY_CURRENT_USER, kRunKey, KEY_WRITE, key);
        if (rc != ERROR_SUCCESS) {
            report(RegistryErrorText(rc, RegistryStep::Opening, SystemErrorText(rc)));
            return false;
        }
        KeyCloser closer(reg, key);
        if (enable) {
            rc = reg.SetString(key, name, AutostartValueText(folder, name));
            if (rc != ERROR_SUCCESS) {
                report(RegistryErrorText(rc, RegistryStep::Setting, SystemErrorText(rc)));
                return false;
            }
        } else {
            (void)reg.DeleteValue(key, name);  // an absent value is no failure
        }
        return true;
    } catch (const std::bad_alloc&) {
        report(FailureText(ERROR_OUTOFMEMORY, SystemErrorText(ERROR_OUTOFMEMORY)));
    } catch (const std::exception& e) {
        std::string what = e.what();
        report(FailureText(ERROR_GEN_FAILURE, std::wstring(what.begin(), what.end())));
    } catch (...) {
        report(FailureText(ERROR_GEN_FAILURE, SystemErrorText(ERROR_GEN_FAILURE)));
    }
    return false;
}

}  // namespace kestrelon
