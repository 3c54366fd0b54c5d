#include "popupmenu/PopCommands.h"

namespace kestrelon {

std::optional<PopCommand> CommandOf(PopItem item) {
    switch (item) {
    case PopItem::menuAdd:
        return PopCommand::Add;
    case PopItem::menuRemove:
        return PopCommand::Remove;
    case PopItem::menuConverter:
        return PopCommand::Converter;
    case PopItem::menuSetting:
        return PopCommand::Setting;
    case PopItem::menuHelp:
        return PopCommand::Help;
    case PopItem::menuExit:
    case PopItem::menuExit1:
        return PopCommand::Exit;
    case PopItem::menuBrowser:
    case PopItem::menuA:
    case PopItem::open:
    case PopItem::menuAA:
        break;
    }
    return std::nullopt;
}

void PopCommands::ChangeMsg(const std::wstring& hostText) {
    const bool startsWithB = !hostText.empty() && hostText.front() == L'b';
    prefix_ = startsWithB ? L"a" : L"b";
}

std::wstring PopCommands::Command(const std::wstring& hostText, PopCommand command) {
    ChangeMsg(hostText);
    return prefix_ + static_cast<wchar_t>(command);
}

std::wstring PopAboutText() {
    return std::wstring(kOtherProduct) + L"\r\n\r\nMade by the Vidmarrow team.\r\nAll rights reserved.";
}

std::wstring BrowserPath(const std::wstring& programFolder) {
    if (programFolder.empty()) return kBrowserFileName;
    if (programFolder.back() == L'\\') return programFolder + kBrowserFileName;
    return programFolder + L"\\" + kBrowserFileName;
}

}  // namespace kestrelon
