// Fuzz target for the date reader (ParseDateTime) under several locale
// descriptions. Checks: any text it reads is a valid date whose own form (b)
// and form (c) texts read back as the same moment; a moment built from the
// input and written in each of the three Close Time forms reads back as
// itself on the locale that wrote it. Locales marked `readsOwnTexts = false`
// are only checked for safety (their texts are not all readable yet).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "mainwindow/scheduler/DateTime.h"
#include "services/FileStore.h"

using namespace kestrelon;
using fuzz::Check;

namespace {

struct Locale {
    LocaleFormat format;
    bool readsOwnTexts;
};

LocaleFormat Make(const wchar_t* dateSep, const wchar_t* timeSep, const wchar_t* shortDate, const wchar_t* longTime,
                  const wchar_t* am, const wchar_t* pm) {
    LocaleFormat f;
    f.dateSep = dateSep;
    f.timeSep = timeSep;
    f.shortDate = shortDate;
    f.longTime = longTime;
    f.am = am;
    f.pm = pm;
    return f;
}

const Locale kLocales[] = {
    {LocaleFormat::EnglishUS(), true},
    {LocaleFormat::German(), true},
    {LocaleFormat::Iso(), true},
    {Make(L"/", L":", L"dd/MM/yyyy", L"HH:mm:ss", L"", L""), true},                            // en-GB
    {Make(L".", L":", L"yyyy. MM. dd.", L"H:mm:ss", L"de.", L"du."), false},                   // hu-HU
    {Make(L".", L":", L"d.MM.yyyy '\u0433'.", L"H:mm:ss '\u0447'.", L"", L""), false},         // bg-BG
    {Make(L".", L":", L"yyyy. M. d.", L"tt h:mm:ss", L"\uc624\uc804", L"\uc624\ud6c4"), false}, // ko-KR
    {Make(L"/", L":", L"d\u200f/M\u200f/yyyy", L"hh:mm:ss tt", L"\u0635", L"\u0645"), false},   // ar-SA
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring text = Cp1252Codec().Decode(bytes);

    // A moment from the first seven bytes, in the years the program handles.
    DateTime t;
    if (size >= 7) {
        t.year = 100 + ((data[0] << 8) | data[1]) % 9900;
        t.month = 1 + data[2] % 12;
        t.day = 1 + data[3] % DaysInMonth(t.year, t.month);
        t.hour = data[4] % 24;
        t.minute = data[5] % 60;
        t.second = data[6] % 60;
    }
    const std::wstring formA = FormatPicture(t, L"yyyy'/'MM'/'dd HH':'mm':'ss", LocaleFormat::EnglishUS());

    for (const Locale& l : kLocales) {
        const LocaleFormat& loc = l.format;
        if (auto read = ParseDateTime(text, loc)) {
            Check(IsValidDate(*read));
            if (l.readsOwnTexts) {
                Check(ParseDateTime(FormatYMDHMS(*read, loc), loc) == read);
                Check(ParseDateTime(FormatGeneral(*read, loc), loc) == read);
            }
        }
        if (size >= 7 && l.readsOwnTexts) {
            Check(ParseDateTime(formA, loc) == t);
            Check(ParseDateTime(FormatYMDHMS(t, loc), loc) == t);
            Check(ParseDateTime(FormatGeneral(t, loc), loc) == t);
        }
    }
    return 0;
}
