#include "mainwindow/Autostart.h"

namespace kestrelon {

std::wstring AutostartValueText(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder + L"\\" + name + L".exe";
    if (path.find(L' ') != std::wstring::npos) return L"\"" + path + L"\"";
    return path;
}

std::wstring RegistryErrorText(long code, RegistryStep step, const std::wstring& description) {
    std::wstring text = L"Error " + std::to_wstring(code);
    text += step == RegistryStep::Opening ? L" opening key" : L" setting key";
    text += L"\r\n";
    text += description;
    return text;
}

std::wstring FailureText(long code, const std::wstring& description) {
    return std::to_wstring(code) + L" " + description;
}

}  // namespace kestrelon
