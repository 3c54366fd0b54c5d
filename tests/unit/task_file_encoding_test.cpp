// Task-list files in any encoding: a byte-order mark names the encoding and is
// never part of a field; a file without one is in the code page. A save never
// changes a character: a list the code page holds exactly is written in it,
// any other list as UTF-8 with the mark.
#include <gtest/gtest.h>

#include <string>

#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/TextFile.h"
#include "services/Utf8.h"

using namespace kestrelon;

namespace {

const DateTime kNow{2026, 12, 8, 15, 0, 0};
const LocaleFormat kUS = LocaleFormat::EnglishUS();

// A run task for a program whose folder and arguments are Polish.
const std::wstring kPolishCommand = L"C:\\\u017C\u00F3\u0142w\\helper.exe \u0105\u0119";  // C:\żółw\helper.exe ąę

TaskFields Row(const std::wstring& program, const std::wstring& path) {
    return {program, path, L"None", L"2030/01/01 10:00:00", L"None", L"Run - Normal", L""};
}

struct Files {
    MemoryFileStore store;
    Cp1252Codec codec;

    MemoryTaskTable Load(const std::string& bytes) {
        store.files[L"x.ktf"] = bytes;
        MemoryTaskTable table;
        EXPECT_TRUE(ReadTaskFile(L"x.ktf", table, 1, store, codec, kNow, kUS).opened);
        return table;
    }
    std::string Save(const MemoryTaskTable& table) {
        EXPECT_TRUE(WriteTaskFile(L"out.ktf", table, store, codec, kUS).ok);
        return store.files.at(L"out.ktf");
    }
};

// The same two lines in each encoding.
const std::wstring kText = L"program.exe\tC:\\p\\program.exe\t00000\t2030/01/01 10:00:00\tNone\tClose - Normal\t\r\n"
                           L"helper.exe \u0105\u0119\t" + kPolishCommand + L"\tNone\t2030/01/01 10:00:00\tNone\t"
                           L"Run - Normal\t\r\n";

std::string Utf16(const std::wstring& text, bool bigEndian) {
    std::string out;
    for (wchar_t w : text) {
        const char hi = static_cast<char>((w >> 8) & 0xFF), lo = static_cast<char>(w & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

void ExpectTwoRows(const MemoryTaskTable& t, const char* what) {
    ASSERT_EQ(t.Count(), 2) << what;
    EXPECT_EQ(t.Field(1, fProgram), L"program.exe") << what << ": the mark is not part of the first field";
    EXPECT_EQ(t.Field(1, fType), L"Close - Normal") << what;
    EXPECT_EQ(t.Field(2, fProgram), L"helper.exe \u0105\u0119") << what;
    EXPECT_EQ(t.Field(2, fPath), kPolishCommand) << what;
    EXPECT_EQ(t.Field(2, fType), L"Run - Normal") << what;
}

TEST(TaskFileEncoding, AMarkNamesTheEncodingAndIsNoPartOfAField) {
    Files f;
    ExpectTwoRows(f.Load(std::string(kUtf8Bom) + EncodeUtf8(kText)), "UTF-8");
    ExpectTwoRows(f.Load(std::string(kUtf16LeBom) + Utf16(kText, false)), "UTF-16 LE");
    ExpectTwoRows(f.Load(std::string(kUtf16BeBom) + Utf16(kText, true)), "UTF-16 BE");

    // Without a mark the bytes are in the code page, as before: the UTF-8
    // bytes of a character are two Windows-1252 characters.
    MemoryTaskTable ansi = f.Load("caf\xE9.exe\tC:\\\xC5\xBC\\a.exe\tNone\t\tNone\tRun - Normal\t\r\n");
    ASSERT_EQ(ansi.Count(), 1);
    EXPECT_EQ(ansi.Field(1, fProgram), L"caf\u00E9.exe");
    EXPECT_EQ(ansi.Field(1, fPath), L"C:\\\u00C5\u00BC\\a.exe");

    // A mark alone is an empty list; a mark is only a mark at the start.
    EXPECT_EQ(f.Load(std::string(kUtf8Bom)).Count(), 0);
    EXPECT_EQ(f.Load(std::string(kUtf16LeBom)).Count(), 0);
    MemoryTaskTable inside = f.Load("a.exe\t\xEF\xBB\xBF\t\t\t\tRun - Normal\t\r\n");
    EXPECT_EQ(inside.Field(1, fPath), L"\u00EF\u00BB\u00BF");
}

TEST(TaskFileEncoding, BrokenUnicodeBytesGiveReplacementCharactersNotLostRows) {
    Files f;
    // UTF-16 with a lone surrogate and an odd last byte; UTF-8 with a stray byte.
    std::string le =
        std::string(kUtf16LeBom) + Utf16(L"a\tb\t\t\t\tRun - Normal\r\nc\t\t\t\t\tRun - Normal\t", false);
    le.insert(2 + 2, "\x00\xD8", 2);  // a high surrogate after "a", not followed by a low one
    le += "x";
    MemoryTaskTable t = f.Load(le);
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.Field(1, fProgram), L"a\uFFFD");
    EXPECT_EQ(t.Field(1, fPath), L"b");
    EXPECT_EQ(t.Field(2, fAfter), L"\uFFFD");
    MemoryTaskTable u = f.Load(std::string(kUtf8Bom) + "a\x80" "b\tc\t\t\t\tRun - Normal\t\r\n");
    EXPECT_EQ(u.Field(1, fProgram), L"a\uFFFDb");
    EXPECT_EQ(u.Field(1, fPath), L"c");
}

// A stray byte after the last line end of a UTF-16 file, and an empty last
// line, add no row; no number of marks is part of the first field.
TEST(TaskFileEncoding, AStrayLastByteOrMoreThanOneMarkMakesNoRowAndNoPartOfAField) {
    Files f;
    for (bool bigEndian : {false, true}) {
        const std::string utf16 = std::string(bigEndian ? kUtf16BeBom : kUtf16LeBom) + Utf16(kText, bigEndian);
        ExpectTwoRows(f.Load(utf16 + "x"), "UTF-16, stray byte");
        ExpectTwoRows(f.Load(utf16 + Utf16(L"\r\n", bigEndian) + "x"), "UTF-16, empty last line, stray byte");
        ExpectTwoRows(f.Load(std::string(bigEndian ? kUtf16BeBom : kUtf16LeBom) + Utf16(L"\uFEFF" + kText, bigEndian)),
                      "UTF-16, two marks");
    }
    ExpectTwoRows(f.Load(std::string(kUtf8Bom) + std::string(kUtf8Bom) + EncodeUtf8(kText)), "UTF-8, two marks");
    ExpectTwoRows(f.Load(std::string(kUtf8Bom) + std::string(kUtf8Bom) + std::string(kUtf8Bom) + EncodeUtf8(kText)),
                  "UTF-8, three marks");
    ExpectTwoRows(f.Load(std::string(kUtf8Bom) + EncodeUtf8(kText) + "\r\n"), "UTF-8, empty last line");
    // The stray byte is nothing; the file's rows are all there.
    EXPECT_EQ(DecodeTextFile(std::string(kUtf16LeBom) + Utf16(L"a\r\n", false) + "x", f.codec), L"a\r\n");
    EXPECT_EQ(DecodeTextFile(std::string(kUtf16LeBom) + "x", f.codec), L"");
}

TEST(TaskFileEncoding, CharactersOutsideTheCodePageAreSavedAsUtf8AndReadBackUnchanged) {
    Files f;
    MemoryTaskTable table;
    table.Add(Row(L"helper.exe \u0105\u0119", kPolishCommand));
    table.Add(Row(L"\u4E2D\u6587.exe", L"D:\\\u4E2D\u6587.exe \U0001F600"));  // beyond U+FFFF too
    const std::string bytes = f.Save(table);
    ASSERT_EQ(bytes.substr(0, 3), kUtf8Bom);
    EXPECT_NE(bytes.find(EncodeUtf8(kPolishCommand)), std::string::npos);
    EXPECT_EQ(bytes.find('?'), std::string::npos) << "no character was replaced";

    MemoryTaskTable back = f.Load(bytes);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.rows[0].fields, table.rows[0].fields);
    EXPECT_EQ(back.rows[1].fields, table.rows[1].fields);
    // Saved again, the file is the same to the byte.
    EXPECT_EQ(f.Save(back), bytes);
}

TEST(TaskFileEncoding, AListTheCodePageHoldsIsWrittenInItByteForByte) {
    Files f;
    MemoryTaskTable table;
    table.Add(Row(L"caf\u00E9.exe", L"C:\\Caf\u00E9\\\u20AC.exe"));
    const std::string bytes = f.Save(table);
    EXPECT_EQ(bytes, "caf\xE9.exe\tC:\\Caf\xE9\\\x80.exe\tNone\t2030/01/01 10:00:00\tNone\tRun - Normal\t\r\n");
    EXPECT_EQ(f.Load(bytes).rows[0].fields, table.rows[0].fields);

    // A list read from a UTF-8 file whose every character the code page
    // holds goes back to the code page; one that it does not hold stays UTF-8.
    EXPECT_EQ(f.Save(f.Load(std::string(kUtf8Bom) + EncodeUtf8(L"caf\u00E9.exe\tC:\\Caf\u00E9\\\u20AC.exe\tNone\t"
                                                                  L"2030/01/01 10:00:00\tNone\tRun - Normal\t\r\n"))),
              bytes);
    EXPECT_EQ(f.Save(f.Load(std::string(kUtf16BeBom) + Utf16(kText, true))),
              std::string(kUtf8Bom) + EncodeUtf8(kText));
}

TEST(TaskFileEncoding, AFirstFieldThatWouldLookLikeAMarkIsWrittenAsUtf8) {
    // In Windows-1252 "ï»¿", "ÿþ" and "þÿ" are the bytes of the three marks:
    // written in the code page, the next read would take them for a mark.
    for (const std::wstring& program : {std::wstring(L"\u00EF\u00BB\u00BFa.exe"), std::wstring(L"\u00FF\u00FEb.exe"),
                                        std::wstring(L"\u00FE\u00FFc.exe")}) {
        Files f;
        MemoryTaskTable table;
        table.Add(Row(program, L"None"));
        const std::string bytes = f.Save(table);
        EXPECT_EQ(bytes.substr(0, 3), kUtf8Bom);
        EXPECT_EQ(f.Load(bytes).Field(1, fProgram), program);
    }
}

TEST(TextFile, Utf8AndUtf16Conversions) {
    EXPECT_EQ(EncodeUtf8(L"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(L"\u017C\u00F3\u0142w \U0001F600")), L"\u017C\u00F3\u0142w \U0001F600");
    EXPECT_EQ(DecodeUtf16(std::string("\x3D\xD8\x00\xDE", 4), false), L"\U0001F600");
    EXPECT_EQ(DecodeUtf16(std::string("\xD8\x3D\xDE\x00", 4), true), L"\U0001F600");
    EXPECT_EQ(DecodeUtf16(std::string("\x00\xDE", 2), false), L"\uFFFD");  // a low surrogate alone
    Cp1252Codec codec;
    EXPECT_EQ(EncodeTextFile(L"", codec), "");
    EXPECT_EQ(DecodeTextFile("", codec), L"");
    EXPECT_EQ(EncodeTextFile(L"?", codec), "?");  // a question mark is a character of its own
}

}  // namespace
