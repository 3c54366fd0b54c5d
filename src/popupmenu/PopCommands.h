// The rules of the pop-up command menus: which command each item sends and
// the two-character command text written into the host's command field.
//
// A command text is a prefix, "a" or "b", followed by the command's one-digit
// code. The prefix is chosen against the text the host field holds now (a
// leading "b" gives "a", anything else "b"), so two commands in a row always
// change the field, even with the same code, as long as the host leaves the
// text in place; the host's change event therefore fires for every command.
#pragma once

#include <optional>
#include <string>

namespace kestrelon {

// The command codes.
enum class PopCommand : wchar_t {
    Add = L'0',
    Remove = L'1',
    Converter = L'2',
    Setting = L'3',
    Help = L'4',
    Exit = L'5',
};

// The items of the five pop-up menus, by their names.
enum class PopItem {
    menuAdd,
    menuRemove,
    menuExit,
    menuConverter,
    menuBrowser,
    menuSetting,
    menuHelp,
    menuA,
    open,
    menuAA,
    menuExit1,
};

// The command an item sends; none for the About items, the browser launcher
// and the visibility toggle, which act by themselves.
std::optional<PopCommand> CommandOf(PopItem item);

// The prefix state of one pop-up form.
class PopCommands {
public:
    // The prefix, "a" or "b"; empty until the first command.
    const std::wstring& Prefix() const { return prefix_; }

    // Chooses the next prefix from the host field's current text.
    void ChangeMsg(const std::wstring& hostText);

    // Chooses the next prefix and returns the text to write into the host
    // field for `command`.
    std::wstring Command(const std::wstring& hostText, PopCommand command);

private:
    std::wstring prefix_;
};

// The other product, named by the About box.
inline constexpr wchar_t kOtherProduct[] = L"Vidmarrow";
// The other product's browser program, which lies in the program's own folder.
inline constexpr wchar_t kBrowserFileName[] = L"VidmarrowBrowser.exe";

// The About box's text: the product, its maker and its rights line.
std::wstring PopAboutText();
// The browser program's full path in `programFolder` (with or without a
// trailing backslash).
std::wstring BrowserPath(const std::wstring& programFolder);

}  // namespace kestrelon
