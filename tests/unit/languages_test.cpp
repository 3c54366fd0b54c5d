#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "mainwindow/Languages.h"
#include "services/Utf8.h"

using namespace kestrelon;

namespace {

const std::wstring kApp = L"C:\\Users\\u\\AppData\\Roaming";
const std::wstring kExe = L"C:\\Kestrelon";

std::string Narrow(const wchar_t* ascii) { return std::string(ascii, ascii + std::wcslen(ascii)); }

std::string Lines(int n, const std::string& prefix) {
    std::string s;
    for (int i = 0; i < n; ++i) s += prefix + std::to_string(i) + "\r\n";
    return s;
}

TEST(LanguageFile, LinesFillEntriesAndOnlyNinetyCount) {
    MemoryFileStore fs;
    Cp1252Codec codec;
    fs.files[kExe + L"\\de.ini"] = Lines(95, "de");
    fs.files[kExe + L"\\nl.ini"] = Lines(10, "nl");
    LanText t;
    EXPECT_TRUE(ReadLanguageFile(fs, codec, kExe, L"de", t));
    EXPECT_EQ(t[0], L"de0");
    EXPECT_EQ(t[89], L"de89");
    // a shorter file replaces only its own lines
    EXPECT_TRUE(ReadLanguageFile(fs, codec, kExe, L"nl", t));
    EXPECT_EQ(t[9], L"nl9");
    EXPECT_EQ(t[10], L"de10");
    // a missing file changes nothing
    EXPECT_FALSE(ReadLanguageFile(fs, codec, kExe, L"fr", t));
    EXPECT_EQ(t[0], L"nl0");
}

TEST(LanguageFile, LineEndsBlanksAndEmptyLines) {
    EXPECT_EQ(SplitLines(L"a\r\n\r\n b \rc\nd"), (std::vector<std::wstring>{L"a", L"", L" b ", L"c", L"d"}));
    EXPECT_EQ(SplitLines(L"a\r\n"), (std::vector<std::wstring>{L"a"}));
    EXPECT_TRUE(SplitLines(L"").empty());
    MemoryFileStore fs;
    fs.files[kExe + L"\\fr.ini"] = "Ajouter\r\n\xc9t\xe9\r\n";
    LanText t;
    ReadLanguageFile(fs, Cp1252Codec(), kExe, L"fr", t);
    EXPECT_EQ(t[1], L"\u00c9t\u00e9");
}

TEST(LanguageFile, BinaryHugeAndOneLineFilesFillTheTableAndNothingMore) {
    MemoryFileStore fs;
    Cp1252Codec codec;
    LanText t;
    // Any bytes: the table keeps its 90 entries, none with a line end in it.
    std::string binary;
    for (int i = 0; i < 65536; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    fs.files[kExe + L"\\pl.ini"] = binary;
    EXPECT_TRUE(ReadLanguageFile(fs, codec, kExe, L"pl", t));
    for (const auto& entry : t) EXPECT_EQ(entry.find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_NE(t[0].find(L'\0'), std::wstring::npos);  // a NUL is kept; a caption shows the text before it

    // One line of ten million characters: entry 0 is that line, the rest keep what they held.
    t.fill(L"old");
    fs.files[kExe + L"\\se.ini"] = std::string(10'000'000, 'x');
    EXPECT_TRUE(ReadLanguageFile(fs, codec, kExe, L"se", t));
    EXPECT_EQ(t[0].size(), 10'000'000u);
    EXPECT_EQ(t[1], L"old");

    // A million lines: the first ninety count.
    fs.files[kExe + L"\\it.ini"] = Lines(1'000'000, "it");
    EXPECT_TRUE(ReadLanguageFile(fs, codec, kExe, L"it", t));
    EXPECT_EQ(t[0], L"it0");
    EXPECT_EQ(t[89], L"it89");

    // An empty file replaces nothing.
    fs.files[kExe + L"\\nl.ini"] = "";
    EXPECT_TRUE(ReadLanguageFile(fs, codec, kExe, L"nl", t));
    EXPECT_EQ(t[89], L"it89");
}

TEST(LanguageFile, Utf8MarkReadsUtf8AndIsNotPartOfLineOne) {
    MemoryFileStore fs;
    Cp1252Codec ansi;  // an English system: Chinese and Polish bytes mean nothing in it
    fs.files[kExe + L"\\cn.ini"] = "\xEF\xBB\xBF\xE6\xB7\xBB\xE5\x8A\xA0\r\n\xE9\x80\x80\xE5\x87\xBA\r\n";
    fs.files[kExe + L"\\pl.ini"] = "\xEF\xBB\xBFUsu\xC5\x84\r\nZako\xC5\x84" "cz\r\n";
    LanText t;
    ASSERT_TRUE(ReadLanguageFile(fs, ansi, kExe, L"cn", t));
    EXPECT_EQ(t[0], L"\u6dfb\u52a0");  // no mark in front
    EXPECT_EQ(t[1], L"\u9000\u51fa");
    ASSERT_TRUE(ReadLanguageFile(fs, ansi, kExe, L"pl", t));
    EXPECT_EQ(t[0], L"Usu\u0144");
    EXPECT_EQ(t[1], L"Zako\u0144cz");
    // Without the mark the same bytes are the system's code page, as before.
    fs.files[kExe + L"\\pl.ini"] = "Usu\xC5\x84\r\n";
    ASSERT_TRUE(ReadLanguageFile(fs, ansi, kExe, L"pl", t));
    EXPECT_EQ(t[0], L"Usu\u00c5\u201e");
    // A mark alone is an empty file: nothing changes.
    fs.files[kExe + L"\\pl.ini"] = "\xEF\xBB\xBF";
    ASSERT_TRUE(ReadLanguageFile(fs, ansi, kExe, L"pl", t));
    EXPECT_EQ(t[0], L"Usu\u00c5\u201e");
}

TEST(Utf8, BadSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(DecodeUtf8("a\xC3\xA9" "b"), L"a\u00e9b");
    EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80").size(), sizeof(wchar_t) == 2 ? 2u : 1u);  // past U+FFFF
    EXPECT_EQ(DecodeUtf8("\xC3"), L"\ufffd");                // cut short at the end
    EXPECT_EQ(DecodeUtf8("\xC3x"), L"\ufffdx");              // a lead without its continuation
    EXPECT_EQ(DecodeUtf8("\x80"), L"\ufffd");                // a continuation without its lead
    EXPECT_EQ(DecodeUtf8("\xC0\xAF"), L"\ufffd\ufffd");      // overlong "/"
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), L"\ufffd\ufffd\ufffd");  // a surrogate
    EXPECT_TRUE(StartsWithUtf8Bom("\xEF\xBB\xBFx"));
    EXPECT_FALSE(StartsWithUtf8Bom("\xEF\xBB"));
}

TEST(StartupLanguage, HiddenOrSystemMarkerCountsAsAbsent) {
    MemoryFileStore fs;
    Cp1252Codec codec;
    fs.files[kExe + L"\\fr.ini"] = Lines(90, "fr");
    fs.files[kExe + L"\\de.ini"] = Lines(90, "de");
    fs.files[kApp + L"\\knfr.dat"] = "fr\r\n";
    fs.files[kApp + L"\\knde.dat"] = "de\r\n";
    fs.hiddenOrSystem.insert(kApp + L"\\knfr.dat");
    LanText t;
    EXPECT_EQ(ChooseStartupLanguage(fs, codec, kApp, kExe, t), L"de");  // French is tested first
    fs.hiddenOrSystem.insert(kApp + L"\\knde.dat");
    EXPECT_EQ(FirstLanguageMarker(fs, kApp), std::nullopt);
}

TEST(StartupLanguage, MarkerOrderAndMissingFiles) {
    MemoryFileStore fs;
    Cp1252Codec codec;
    fs.files[kExe + L"\\en.ini"] = Lines(90, "en");
    fs.files[kExe + L"\\se.ini"] = Lines(90, "se");
    fs.files[kExe + L"\\it.ini"] = Lines(90, "it");
    {
        LanText t;
        EXPECT_EQ(ChooseStartupLanguage(fs, codec, kApp, kExe, t), L"en");
        EXPECT_EQ(t[5], L"en5");
    }
    // Swedish is tested before Italian; the Italian marker stays.
    fs.files[kApp + L"\\knit.dat"] = "it\r\n";
    fs.files[kApp + L"\\knse.dat"] = "se\r\n";
    {
        LanText t;
        EXPECT_EQ(ChooseStartupLanguage(fs, codec, kApp, kExe, t), L"se");
        EXPECT_EQ(t[5], L"se5");
        EXPECT_TRUE(fs.Exists(kApp + L"\\knit.dat"));
    }
    // A marker whose file is missing: nothing read, English not tried.
    fs.files[kApp + L"\\knde.dat"] = "de\r\n";
    {
        LanText t;
        EXPECT_FALSE(ChooseStartupLanguage(fs, codec, kApp, kExe, t).has_value());
        EXPECT_EQ(t[5], L"");
    }
}

TEST(StartupLanguage, RepeatTextsOfOtherLanguages) {
    MemoryFileStore fs;
    Cp1252Codec codec;
    std::string de = Lines(77, "x") + "Keine\r\nJeden Monat\r\nJeden Tag\r\nJede Stunde\r\nJede Minute\r\n";
    fs.files[kExe + L"\\de.ini"] = de;
    fs.files[kExe + L"\\en.ini"] = Lines(90, "en");
    auto others = RepeatTextsOfOtherLanguages(fs, codec, kExe, L"en");
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0][2], L"Jeden Tag");
}

// The main window as a switch sees it: check marks, title, and what the
// application-data folder and the table held while updateLan ran.
class FakeLanguageMenus : public ILanguageMenuHost {
public:
    explicit FakeLanguageMenus(MemoryFileStore& fs, const LanText& table) : fs_(fs), table_(table) {}

    std::set<std::wstring> checked{L"en"};
    std::wstring title = L"Kestrelon";
    std::vector<std::wstring> steps;
    std::vector<std::wstring> markersDuringUpdate;
    std::wstring entry0DuringUpdate;

    void UncheckLanguageMenus() override {
        checked.clear();
        steps.push_back(L"uncheck");
    }
    void DeleteLanguageMarkers() override {
        kestrelon::DeleteLanguageMarkers(fs_, kApp);
        steps.push_back(L"delete");
    }
    void CheckLanguageMenu(const std::wstring& code) override {
        checked.insert(code);
        steps.push_back(L"check " + code);
    }
    void updateLan() override {
        title = checked.count(L"cn") ? kChineseTitle : L"Kestrelon";
        markersDuringUpdate = Markers(fs_);
        entry0DuringUpdate = table_[0];
        steps.push_back(L"updateLan");
    }
    void SetCaption(const std::wstring& t) override {
        title = t;
        steps.push_back(L"title " + t);
    }

    // The marker files present, by name.
    static std::vector<std::wstring> Markers(const MemoryFileStore& fs) {
        std::vector<std::wstring> names;
        const std::wstring prefix = kApp + L"\\kn";
        for (const auto& [path, bytes] : fs.files)
            if (path.rfind(prefix, 0) == 0 && path.size() > 4 && path.substr(path.size() - 4) == L".dat")
                names.push_back(path.substr(kApp.size() + 1));
        return names;
    }

private:
    MemoryFileStore& fs_;
    const LanText& table_;
};

class LanguageSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        for (const LanguageInfo& l : Languages())
            fs.files[kExe + L"\\" + l.code + L".ini"] = Lines(90, Narrow(l.code));
    }
    bool Switch(const std::wstring& code) { return SwitchLanguage(menus, fs, codec, kApp, kExe, code, table); }
    std::optional<std::wstring> NextStart() {
        LanText fresh;
        return ChooseStartupLanguage(fs, codec, kApp, kExe, fresh);
    }

    MemoryFileStore fs;
    Cp1252Codec codec;
    LanText table;
    FakeLanguageMenus menus{fs, table};
};

TEST_F(LanguageSwitch, StepsRunInOrderAndTheMarkerComesAfterTheTexts) {
    fs.files[kApp + L"\\knfr.dat"] = "fr\r\n";
    EXPECT_TRUE(Switch(L"de"));
    EXPECT_EQ(menus.steps, (std::vector<std::wstring>{L"uncheck", L"delete", L"check de", L"updateLan"}));
    // updateLan already sees the new table, and no marker at all: the old one
    // is gone and the new one is written only after it returns.
    EXPECT_EQ(menus.entry0DuringUpdate, L"de0");
    EXPECT_TRUE(menus.markersDuringUpdate.empty());
    EXPECT_EQ(FakeLanguageMenus::Markers(fs), (std::vector<std::wstring>{L"knde.dat"}));
    EXPECT_EQ(fs.files[kApp + L"\\knde.dat"], "de\r\n");
    EXPECT_EQ(NextStart(), L"de");
}

TEST_F(LanguageSwitch, ShorterFileKeepsThePreviousLanguageInTheRest) {
    fs.files[kExe + L"\\nl.ini"] = Lines(10, "nl");
    Switch(L"de");
    EXPECT_TRUE(Switch(L"nl"));
    EXPECT_EQ(table[0], L"nl0");
    EXPECT_EQ(table[9], L"nl9");
    EXPECT_EQ(table[10], L"de10");
    EXPECT_EQ(table[89], L"de89");
}

TEST_F(LanguageSwitch, SwedishToDutchLeavesOneMarkAndOneMarker) {
    // Stray markers of every kind, knen.dat included, all go.
    for (const wchar_t* code : {L"se", L"it", L"en", L"pt-br", L"cn"})
        fs.files[MarkerPath(kApp, code)] = "x\r\n";
    Switch(L"se");
    EXPECT_EQ(FakeLanguageMenus::Markers(fs), (std::vector<std::wstring>{L"knse.dat"}));
    Switch(L"nl");
    EXPECT_EQ(menus.checked, (std::set<std::wstring>{L"nl"}));
    EXPECT_EQ(FakeLanguageMenus::Markers(fs), (std::vector<std::wstring>{L"knnl.dat"}));
    EXPECT_EQ(NextStart(), L"nl");
}

TEST_F(LanguageSwitch, EnglishLeavesNoMarkerAndChineseTitleComesAndGoes) {
    fs.files[kApp + L"\\knen.dat"] = "en\r\n";
    Switch(L"cn");
    EXPECT_EQ(menus.steps.back(), std::wstring(L"title ") + kChineseTitle);  // after updateLan
    EXPECT_EQ(menus.title, kChineseTitle);
    EXPECT_EQ(fs.files[kApp + L"\\kncn.dat"], "cn\r\n");
    Switch(L"fr");
    EXPECT_EQ(menus.title, L"Kestrelon");
    menus.steps.clear();
    Switch(L"en");
    EXPECT_EQ(menus.steps, (std::vector<std::wstring>{L"uncheck", L"delete", L"check en", L"updateLan"}));
    EXPECT_TRUE(FakeLanguageMenus::Markers(fs).empty());
    EXPECT_EQ(menus.checked, (std::set<std::wstring>{L"en"}));
    EXPECT_EQ(table[3], L"en3");
    EXPECT_EQ(NextStart(), L"en");
}

TEST_F(LanguageSwitch, MissingFileKeepsTheTableButMarkAndMarkerFollow) {
    Switch(L"se");
    fs.files.erase(kExe + L"\\pl.ini");
    EXPECT_FALSE(Switch(L"pl"));
    EXPECT_EQ(table[0], L"se0");
    EXPECT_EQ(menus.checked, (std::set<std::wstring>{L"pl"}));
    EXPECT_EQ(FakeLanguageMenus::Markers(fs), (std::vector<std::wstring>{L"knpl.dat"}));
    EXPECT_EQ(menus.steps.back(), L"updateLan");
    // The next start finds the marker without its file: nothing is read.
    EXPECT_FALSE(NextStart().has_value());
}

TEST_F(LanguageSwitch, UnwritableMarkerStillCompletesTheSwitch) {
    Switch(L"de");
    fs.failWrites = true;
    EXPECT_TRUE(Switch(L"fr"));
    EXPECT_EQ(table[0], L"fr0");
    EXPECT_EQ(menus.checked, (std::set<std::wstring>{L"fr"}));
    EXPECT_EQ(menus.steps.back(), L"updateLan");
    EXPECT_TRUE(FakeLanguageMenus::Markers(fs).empty());
    EXPECT_EQ(NextStart(), L"en");
}

TEST_F(LanguageSwitch, UndeletableMarkersDoNotStopTheSwitch) {
    fs.files[kApp + L"\\knde.dat"] = "de\r\n";
    fs.failRemoves = true;
    EXPECT_TRUE(Switch(L"nl"));
    EXPECT_EQ(menus.checked, (std::set<std::wstring>{L"nl"}));
    EXPECT_EQ(fs.files[kApp + L"\\knnl.dat"], "nl\r\n");
}

#ifdef KESTRELON_RES_DIR
TEST(EnglishFile, HasNinetyLinesWithTheirRoles) {
    std::ifstream in(std::string(KESTRELON_RES_DIR) + "/lang/en.ini", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string bytes = ss.str();
    size_t crlf = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) crlf += bytes[i] == '\r' && bytes[i + 1] == '\n';
    EXPECT_EQ(crlf, 90u);
    LanText t;
    MemoryFileStore fs;
    fs.files[L"d\\en.ini"] = bytes;
    ASSERT_TRUE(ReadLanguageFile(fs, Cp1252Codec(), L"d", L"en", t));
    EXPECT_EQ(RepeatTextsOf(t), (RepeatTexts{L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"}));
    EXPECT_EQ(t[82], L"Customize...");
    for (int k : {0, 6, 8, 16, 32, 33, 40, 41, 42, 43, 44, 45, 46, 47, 49, 61, 68, 69, 70, 86, 87, 88})
        EXPECT_FALSE(t[k].empty()) << k;
    EXPECT_EQ(t[61], L"Icon");
    EXPECT_EQ(t[68], L"After the Task Finished");
}
// Every language file beside the program: 90 lines, each ended by CR LF; a
// line is empty exactly where the English one is; the repeat names 77-81 are
// filled and tell each other apart; the close-task type names the product.
TEST(LanguageFiles, AllHaveTheEnglishShape) {
    auto linesOf = [](const std::filesystem::path& p, size_t& loneEnds) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        const std::string bytes = ss.str();
        std::vector<std::string> lines;
        std::string cur;
        loneEnds = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                lines.push_back(cur);
                cur.clear();
                ++i;
            } else if (bytes[i] == '\r' || bytes[i] == '\n') {
                ++loneEnds;
            } else {
                cur += bytes[i];
            }
        }
        if (!cur.empty()) ++loneEnds;  // text after the last line end
        return lines;
    };
    const std::filesystem::path dir = std::filesystem::path(KESTRELON_RES_DIR) / "lang";
    size_t lone = 0;
    const std::vector<std::string> en = linesOf(dir / "en.ini", lone);
    ASSERT_EQ(en.size(), 90u);
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".ini") continue;
        const std::string name = entry.path().filename().string();
        seen.insert(name);
        const std::vector<std::string> lines = linesOf(entry.path(), lone);
        ASSERT_EQ(lines.size(), 90u) << name;
        EXPECT_EQ(lone, 0u) << name;
        for (size_t k = 0; k < 90; ++k) EXPECT_EQ(lines[k].empty(), en[k].empty()) << name << " entry " << k;
        EXPECT_EQ(lines[75].rfind("Kestrelon", 0), 0u) << name;
        // The two task types of the editor's list name their task the same way ("type: what" or "type - what").
        auto separator = [](const std::string& s) { return s.find(": ") != std::string::npos ? ": " : " - "; };
        EXPECT_EQ(separator(lines[75]), separator(lines[76])) << name << " entries 75 and 76";
        std::set<std::string> repeats(lines.begin() + 77, lines.begin() + 82);
        EXPECT_EQ(repeats.size(), 5u) << name;
        EXPECT_EQ(repeats.count(""), 0u) << name;
    }
    for (const LanguageInfo& l : Languages())
        EXPECT_EQ(seen.count(Narrow(l.code) + ".ini"), 1u) << "no file for a language";
}
#endif

}  // namespace
