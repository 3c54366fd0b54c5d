// Date and time texts of the task list.
//
// Close Time fields are display texts in one of three forms:
//   (a) the editor's "YYYY/MM/DD HH:MM:SS" with literal '/' and ':';
//   (b) the same layout with the locale's date and time separators;
//   (c) the locale's general date-time text (short date, a blank, the long time;
//       the time is left out at exactly midnight).
// The locale is injected so the same code runs natively under any settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrelon {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// What the system's locale says about dates. Patterns use the Windows
// picture letters: d dd M MM y yy yyyy for dates, h hh H HH m mm s ss t tt for
// times, text in single quotes is literal, anything else is copied as is.
struct LocaleFormat {
    std::wstring dateSep = L"/";
    std::wstring timeSep = L":";
    std::wstring shortDate = L"M/d/yyyy";
    std::wstring longTime = L"h:mm:ss tt";
    std::wstring am = L"AM";
    std::wstring pm = L"PM";
    // The calendar's numbering of years: the year written is the Gregorian
    // year plus this offset (543 in the Thai calendar, 0 in the Gregorian).
    int yearOffset = 0;
    // A two-digit year is read into the hundred years that end with this
    // year, in the calendar's numbering.
    int twoDigitYearMax = 2049;

    friend bool operator==(const LocaleFormat&, const LocaleFormat&) = default;

    static LocaleFormat EnglishUS();
    static LocaleFormat German();   // d.M.yyyy, HH:mm:ss
    static LocaleFormat Iso();      // yyyy-MM-dd, HH:mm:ss
};

bool IsValidDate(const DateTime& t);
int DaysInMonth(int year, int month);

// Form (a): the editor's text, "YYYY/MM/DD HH:MM:SS" with literal '/' and ':'.
std::wstring FormatEditorText(const DateTime& t);
// Form (b): "YYYY/MM/DD HH:MM:SS" with the locale's separators. Where those
// separators would make the text unreadable (an empty date separator, say),
// form (a) is written instead.
std::wstring FormatYMDHMS(const DateTime& t, const LocaleFormat& loc);
// Form (c): the general date-time text: the short date, a blank and the long
// time, the time left out at exactly midnight. Where the locale's own text
// would read back as another time (a two-digit year outside the window, a
// 12-hour time without usable designators, a date that form (b) reads the
// other way round), the year is written with four digits, then the time on
// the 24-hour clock, and as a last resort form (b) is written.
std::wstring FormatGeneral(const DateTime& t, const LocaleFormat& loc);
// Formats with a Windows date or time picture. Day and month names are
// written as numbers and weekday names and eras are left out, so that the
// text reads back with the numeric reader.
std::wstring FormatPicture(const DateTime& t, const std::wstring& picture, const LocaleFormat& loc);

// Reads a Close Time back: form (a), form (b) with the locale's separators,
// or form (c) by the locale's short date and long time (also with a
// four-digit year and on the 24-hour clock, as FormatGeneral may write it).
// The pictures are followed in their order: digit groups and the locale's
// AM/PM designators are read where the picture has them, its literal text
// must be there; blanks, no-break spaces and direction marks are passed over
// anywhere, letters compare without regard to case. Empty when the text is
// no date, or names a time that does not exist.
std::optional<DateTime> ParseDateTime(const std::wstring& text, const LocaleFormat& loc);

// A two-digit year (0 to 99) placed in the hundred years that end with
// `twoDigitYearMax`.
std::int64_t WindowTwoDigitYear(int twoDigits, std::int64_t twoDigitYearMax);

// Seconds from `from` to `to`.
std::int64_t SecondsBetween(const DateTime& from, const DateTime& to);

// "YYYYMMDDHHMMSS" taken as a number.
std::int64_t DueNumber(const DateTime& t);

// Calendar additions on the local date-time. Empty when the result leaves
// the years 100 to 9999. Adding months keeps the day, or takes the last day
// of a shorter month.
std::optional<DateTime> AddMonths(const DateTime& t, std::int64_t n);
std::optional<DateTime> AddDays(const DateTime& t, std::int64_t n);
std::optional<DateTime> AddHours(const DateTime& t, std::int64_t n);
std::optional<DateTime> AddMinutes(const DateTime& t, std::int64_t n);
std::optional<DateTime> AddSeconds(const DateTime& t, std::int64_t n);

// A number as the task fields hold it: blanks around it allowed, a fraction
// rounded to the nearest whole number (an exact half to the even one).
std::optional<std::int64_t> ParseNumber(const std::wstring& text);

// Now plus a countdown "D-H-M-S": parts added as days, hours, minutes,
// seconds in that order; a missing or non-numeric part adds nothing, parts
// after the fourth are ignored.
DateTime AddCountdown(const DateTime& now, const std::wstring& countdown);

}  // namespace kestrelon
