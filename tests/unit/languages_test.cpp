#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mainwindow/Languages.h"

using namespace kestrelon;

namespace {

const std::wstring kApp = L"C:\\Users\\u\\AppData\\Roaming";
const std::wstring kExe = L"C:\\Kestrelon";

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
#endif

}  // namespace
