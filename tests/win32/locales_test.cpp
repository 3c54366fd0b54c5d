// Every Close Time the program writes reads back to the same second under
// every locale the system has. Each locale's settings are read by the same
// code as at start-up; the texts are made by the program's own formatter.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mainwindow/scheduler/DateTime.h"
#include "mainwindow/scheduler/System_win32.h"

namespace kestrelon {
namespace {

BOOL CALLBACK AddLocale(LPWSTR name, DWORD, LPARAM list) {
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(name);
    return TRUE;
}

std::string Printable(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char buf[12];
            std::snprintf(buf, sizeof buf, "<%04X>", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

std::vector<DateTime> Samples() {
    std::vector<DateTime> out;
    const int years[] = {1900, 1999, 2026, 2029, 2030, 2049, 2050, 2999};
    const int days[][2] = {{1, 1}, {2, 9}, {12, 25}, {10, 31}, {2, 28}};
    const int times[][3] = {{0, 0, 0}, {12, 0, 0}, {23, 59, 59}, {8, 5, 9}, {13, 45, 30}, {0, 0, 1}};
    for (int y : years)
        for (const auto& md : days)
            for (const auto& hms : times) out.push_back({y, md[0], md[1], hms[0], hms[1], hms[2]});
    return out;
}

std::wstring FormA(const DateTime& t) {
    wchar_t a[40];
    swprintf(a, 40, L"%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return a;
}

TEST(EveryLocale, CloseTimesOfAllThreeFormsReadBack) {
    std::vector<std::wstring> locales;
    ASSERT_TRUE(EnumSystemLocalesEx(AddLocale, LOCALE_ALL, reinterpret_cast<LPARAM>(&locales), nullptr));
    ASSERT_FALSE(locales.empty());

    const std::vector<DateTime> samples = Samples();
    std::vector<std::wstring> failed;
    long texts = 0;
    for (const std::wstring& name : locales) {
        const LocaleFormat loc = ReadLocaleFormat(name.c_str());
        std::string first;
        for (const DateTime& t : samples) {
            const std::wstring forms[] = {FormA(t), FormatYMDHMS(t, loc), FormatGeneral(t, loc)};
            for (const std::wstring& text : forms) {
                ++texts;
                const auto back = ParseDateTime(text, loc);
                if (back == t || !first.empty()) continue;
                char when[40];
                std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                              t.minute, t.second);
                first = std::string(when) + " written \"" + Printable(text) + "\"" +
                        (back ? " read as another time" : " not read");
            }
        }
        if (!first.empty()) {
            failed.push_back(name);
            ADD_FAILURE() << "locale \"" << Printable(name) << "\" (short date \"" << Printable(loc.shortDate)
                          << "\", time \"" << Printable(loc.longTime) << "\"): " << first;
        }
    }
    std::string names;
    for (const std::wstring& n : failed) {
        names += ' ';
        names += Printable(n);
    }
    std::printf("checked %zu locales (%ld texts); %zu failed:%s\n", locales.size(), texts, failed.size(),
                names.c_str());
    EXPECT_TRUE(failed.empty());
}

}  // namespace
}  // namespace kestrelon
