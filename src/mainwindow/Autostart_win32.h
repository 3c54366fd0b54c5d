// "Auto Start on Windows Booting": the value named after the executable's
// base name under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
// The registry is reached through a small interface so that tests can use a
// registry that refuses.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "mainwindow/Autostart.h"

namespace kestrelon {

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Each call returns the system's result code (ERROR_SUCCESS on success).
    virtual LONG OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY& key) = 0;
    // Opens the key, creating it when missing (non-volatile, default security).
    virtual LONG CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY& key) = 0;
    // Asks whether the value exists; its type and data are not read.
    virtual LONG QueryValue(HKEY key, const std::wstring& name) = 0;
    // Stores a REG_SZ value; the stored size counts the terminating NUL.
    virtual LONG SetString(HKEY key, const std::wstring& name, const std::wstring& data) = 0;
    virtual LONG DeleteValue(HKEY key, const std::wstring& name) = 0;
    virtual void CloseKey(HKEY key) = 0;
};

// The real registry.
class Win32Registry : public IRegistry {
public:
    LONG OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY& key) override;
    LONG CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY& key) override;
    LONG QueryValue(HKEY key, const std::wstring& name) override;
    LONG SetString(HKEY key, const std::wstring& name, const std::wstring& data) override;
    LONG DeleteValue(HKEY key, const std::wstring& name) override;
    void CloseKey(HKEY key) override;
};
IRegistry& SystemRegistry();

// Where SetAutostart reports a failure. The program shows a message box
// (OK button, application title).
using MessageSink = std::function<void(const std::wstring& text)>;
void ShowMessage(const std::wstring& text);

// The system's description of a result code, without its line break.
std::wstring SystemErrorText(LONG code);

// form1.IsAutostartSet: a value named `name` exists under the Run key.
// Reports nothing; any failure answers false.
bool IsAutostartSet(const std::wstring& name, IRegistry& reg = SystemRegistry());

// form1.SetAutostart: writes (`enable`) or deletes the value `name` holding
// folder\name.exe (quoted when it contains a blank). A refused open or write
// is reported through `report`; deleting a value that is not there is
// silent. Returns true when the registry did what was asked.
bool SetAutostart(const std::wstring& name, const std::wstring& folder, bool enable,
                  IRegistry& reg = SystemRegistry(), const MessageSink& report = ShowMessage);

}  // namespace kestrelon
