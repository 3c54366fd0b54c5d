// Fuzz target for the language-file reader with the program's 90-entry table:
// any bytes are a language file beside the program (UTF-8 when they begin with
// the byte-order mark, the ANSI code page otherwise). Checks: line k+1 lands in
// entry k for the first 90 lines, the entries past the file's last line keep
// what they held, no entry holds a line end, and the start-up choice reads the
// same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "mainwindow/Languages.h"
#include "services/Utf8.h"

using namespace kestrelon;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring exe = L"C:\\Kestrelon", app = L"C:\\Roaming";
    Cp1252Codec codec;
    MemoryFileStore files;
    files.files[exe + L"\\de.ini"] = bytes;

    LanText table;
    for (int k = 0; k < kLanTextSize; ++k) table[k] = L"was " + std::to_wstring(k);
    Check(ReadLanguageFile(files, codec, exe, L"de", table));
    const std::wstring text = StartsWithUtf8Bom(bytes) ? DecodeUtf8(std::string_view(bytes).substr(kUtf8Bom.size()))
                                                       : codec.Decode(bytes);
    const std::vector<std::wstring> lines = SplitLines(text);
    for (int k = 0; k < kLanTextSize; ++k) {
        if (static_cast<size_t>(k) < lines.size()) Check(table[k] == lines[k]);
        else Check(table[k] == L"was " + std::to_wstring(k));
        Check(table[k].find_first_of(L"\r\n") == std::wstring::npos);
    }
    RepeatTexts repeat = RepeatTextsOf(table);
    Check(repeat[0] == table[77] && repeat[4] == table[81]);

    // The German marker chooses the same file at start-up.
    files.files[app + L"\\knde.dat"] = "de\r\n";
    LanText fresh;
    auto code = ChooseStartupLanguage(files, codec, app, exe, fresh);
    Check(code && *code == L"de");
    for (int k = 0; k < kLanTextSize; ++k)
        Check(fresh[k] == (static_cast<size_t>(k) < lines.size() ? lines[k] : std::wstring()));
    return 0;
}
