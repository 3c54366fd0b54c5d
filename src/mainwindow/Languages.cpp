#include "Languages.h"

#include <initializer_list>

#include "services/Utf8.h"

namespace kestrelon {

LanText& lanText() {
    static LanText table;
    return table;
}

const std::vector<LanguageInfo>& Languages() {
    static const std::vector<LanguageInfo> all = {
        {L"en", L"English"}, {L"fr", L"French"},  {L"de", L"Deutsch"},
        {L"it", L"Italiano"}, {L"pl", L"Polski"}, {L"cn", L"Chinese"},
        {L"se", L"Swedish"}, {L"pt-br", L"Portugues do Brasil"}, {L"nl", L"Dutch"},
    };
    return all;
}

const std::vector<std::wstring>& MarkerTestOrder() {
    static const std::vector<std::wstring> order = {L"fr", L"cn", L"de", L"se", L"it", L"pl", L"pt-br", L"nl"};
    return order;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

std::wstring LanguageFilePath(const std::wstring& exeDir, const std::wstring& code) {
    return JoinPath(exeDir, code + L".ini");
}

std::wstring MarkerPath(const std::wstring& appData, const std::wstring& code) {
    return JoinPath(appData, L"kn" + code + L".dat");
}

namespace {
// The first `limit` lines of `text` (see SplitLines); the rest is not looked at.
std::vector<std::wstring> FirstLines(const std::wstring& text, size_t limit) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size() && lines.size() < limit; ++i) {
        wchar_t c = text[i];
        if (c != L'\r' && c != L'\n') continue;
        lines.emplace_back(text, start, i - start);
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        start = i + 1;
    }
    if (lines.size() < limit && start < text.size()) lines.emplace_back(text, start);
    return lines;
}
}  // namespace

std::vector<std::wstring> SplitLines(const std::wstring& text) { return FirstLines(text, text.size() + 1); }

bool ReadLanguageFile(IFileStore& files, const IAnsiCodec& codec, const std::wstring& exeDir,
                      const std::wstring& code, LanText& table) {
    const std::wstring path = LanguageFilePath(exeDir, code);
    if (!files.Exists(path)) return false;
    auto bytes = files.ReadAll(path);
    if (!bytes) return true;  // exists but unreadable: the table keeps what it held
    // A file that starts with the UTF-8 mark is UTF-8 on every system, and
    // the mark is not part of its first line; any other file is in the
    // system's code page.
    const std::wstring text =
        StartsWithUtf8Bom(*bytes) ? DecodeUtf8(std::string_view(*bytes).substr(kUtf8Bom.size())) : codec.Decode(*bytes);
    std::vector<std::wstring> lines = FirstLines(text, table.size());
    for (size_t k = 0; k < lines.size() && k < table.size(); ++k) table[k] = lines[k];
    return true;
}

std::optional<std::wstring> FirstLanguageMarker(IFileStore& files, const std::wstring& appData) {
    for (const std::wstring& code : MarkerTestOrder())
        if (files.MarkerExists(MarkerPath(appData, code))) return code;  // hidden or system: absent
    return std::nullopt;
}

std::optional<std::wstring> ChooseStartupLanguage(IFileStore& files, const IAnsiCodec& codec,
                                                  const std::wstring& appData, const std::wstring& exeDir,
                                                  LanText& table) {
    const std::wstring code = FirstLanguageMarker(files, appData).value_or(L"en");
    if (!ReadLanguageFile(files, codec, exeDir, code, table)) return std::nullopt;
    return code;
}

const wchar_t kChineseTitle[] = L"\u51ef\u65af\u96c0\u4f26";

void DeleteLanguageMarkers(IFileStore& files, const std::wstring& appData) {
    for (const wchar_t* code : {L"fr", L"pl", L"en", L"pt-br", L"de", L"it", L"cn", L"nl", L"se"})
        (void)files.Remove(MarkerPath(appData, code));
}

bool SwitchLanguage(ILanguageMenuHost& host, IFileStore& files, const IAnsiCodec& codec,
                    const std::wstring& appData, const std::wstring& exeDir, const std::wstring& code,
                    LanText& table) {
    // The file is read and closed before updateLan lets other handlers run,
    // and the marker is written only after it returns.
    const bool read = ReadLanguageFile(files, codec, exeDir, code, table);
    host.UncheckLanguageMenus();
    host.DeleteLanguageMarkers();
    host.CheckLanguageMenu(code);
    host.updateLan();
    if (code == L"cn") host.SetCaption(kChineseTitle);
    // English is the default and has no marker.
    if (code != L"en") (void)files.WriteAtomic(MarkerPath(appData, code), codec.Encode(code + L"\r\n"));
    return read;
}

RepeatTexts RepeatTextsOf(const LanText& table) {
    return {table[77], table[78], table[79], table[80], table[81]};
}

std::vector<RepeatTexts> RepeatTextsOfOtherLanguages(IFileStore& files, const IAnsiCodec& codec,
                                                     const std::wstring& exeDir, const std::wstring& skipCode) {
    std::vector<RepeatTexts> out;
    for (const LanguageInfo& lang : Languages()) {
        if (lang.code == skipCode) continue;
        LanText t;
        if (ReadLanguageFile(files, codec, exeDir, lang.code, t)) out.push_back(RepeatTextsOf(t));
    }
    return out;
}

}  // namespace kestrelon
