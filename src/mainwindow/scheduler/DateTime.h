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
// picture letters: d dd M MM yy yyyy for dates, h hh H HH m mm s ss t tt for
// times, text in single quotes is literal, anything else is copied as is.
struct LocaleFormat {
    std::wstring dateSep = L"/";
    std::wstring timeSep = L":";
    std::wstring shortDate = L"M/d/yyyy";
    std::wstring longTime = L"h:mm:ss tt";
    std::wstring am = L"AM";
    std::wstring pm = L"PM";

    static LocaleFormat EnglishUS();
    static LocaleFormat German();   // d.M.yyyy, HH:mm:ss
    static LocaleFormat Iso();      // yyyy-MM-dd, HH:mm:ss
};

bool IsValidDate(const DateTime& t);
int DaysInMonth(int year, int month);

// Form (b): "YYYY/MM/DD HH:MM:SS" with the locale's separators.
std::wstring FormatYMDHMS(const DateTime& t, const LocaleFormat& loc);
// Form (c): the general date-time text.
std::wstring FormatGeneral(const DateTime& t, const LocaleFormat& loc);
// Formats with a Windows date or time picture.
std::wstring FormatPicture(const DateTime& t, const std::wstring& picture, const LocaleFormat& loc);

// Reads any of the forms (a), (b), (c) back. Empty when the text is no date.
std::optional<DateTime> ParseDateTime(const std::wstring& text, const LocaleFormat& loc);

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
