// The interface string table and the language files beside the program.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/scheduler/Execution.h"
#include "services/FileStore.h"

namespace kestrelon {

constexpr int kLanTextSize = 90;
using LanText = std::array<std::wstring, kLanTextSize>;

// The program-wide string table, filled at start-up and by the language
// commands; an entry no file has filled is empty.
LanText& lanText();

struct LanguageInfo {
    const wchar_t* code;     // "fr"; the file is code + ".ini", the marker "kn" + code + ".dat"
    const wchar_t* caption;  // the menu entry's fixed caption
};
// The nine languages in menu order: en, fr, de, it, pl, cn, se, pt-br, nl.
const std::vector<LanguageInfo>& Languages();
// The marker codes in the order start-up tests them.
const std::vector<std::wstring>& MarkerTestOrder();

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
std::wstring LanguageFilePath(const std::wstring& exeDir, const std::wstring& code);
std::wstring MarkerPath(const std::wstring& appData, const std::wstring& code);

// Splits a language file into lines: CR LF, a lone CR or a lone LF ends a
// line; a line end at the very end starts no further line.
std::vector<std::wstring> SplitLines(const std::wstring& text);

// Reads the language file of `code` into `table`: line k+1 into entry k, at
// most 90 lines; entries past the file's last line keep what they held. A
// file that begins with the UTF-8 byte-order mark is read as UTF-8 (the mark
// is not part of line 1); any other file in the system's code page (`codec`).
// Returns false (and changes nothing) when the file does not exist.
bool ReadLanguageFile(IFileStore& files, const IAnsiCodec& codec, const std::wstring& exeDir,
                      const std::wstring& code, LanText& table);

// The code of the first language marker found, in the start-up order.
std::optional<std::wstring> FirstLanguageMarker(IFileStore& files, const std::wstring& appData);

// The start-up language choice. Returns the code whose menu entry gets the
// check mark, or empty when nothing was read (the marker's file is missing).
std::optional<std::wstring> ChooseStartupLanguage(IFileStore& files, const IAnsiCodec& codec,
                                                  const std::wstring& appData, const std::wstring& exeDir,
                                                  LanText& table);

// What a language switch needs of the main window.
class ILanguageMenuHost {
public:
    virtual ~ILanguageMenuHost() = default;
    // Clears the check mark of all nine language entries.
    virtual void UncheckLanguageMenus() = 0;
    // Deletes the marker files of all nine codes.
    virtual void DeleteLanguageMarkers() = 0;
    // Puts the check mark on the entry of `code`.
    virtual void CheckLanguageMenu(const std::wstring& code) = 0;
    // Applies the table to both windows; lets window messages run.
    virtual void updateLan() = 0;
    virtual void SetCaption(const std::wstring& title) = 0;
};

// The title the main window carries while Chinese is checked.
extern const wchar_t kChineseTitle[];

// Deletes every language marker ("knen.dat" included) from `appData`; a
// marker that is absent or cannot be deleted is skipped.
void DeleteLanguageMarkers(IFileStore& files, const std::wstring& appData);

// The switch command of one language entry: reads the code's file into the
// table (when it exists), moves the check mark, removes every marker,
// re-applies the table and leaves the marker of the new language for the next
// start (none for English). A failing step is skipped and the rest still runs.
// Returns whether the table now holds the code's file.
bool SwitchLanguage(ILanguageMenuHost& host, IFileStore& files, const IAnsiCodec& codec,
                    const std::wstring& appData, const std::wstring& exeDir, const std::wstring& code,
                    LanText& table);

// Entries 77 to 81 of a table.
RepeatTexts RepeatTextsOf(const LanText& table);
// Entries 77 to 81 of every language file beside the program except `skipCode`.
std::vector<RepeatTexts> RepeatTextsOfOtherLanguages(IFileStore& files, const IAnsiCodec& codec,
                                                     const std::wstring& exeDir, const std::wstring& skipCode);

}  // namespace kestrelon
