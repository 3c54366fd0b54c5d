#include "DateTime.h"

#include <cmath>
#include <cwctype>
#include <vector>

namespace kestrelon {

LocaleFormat LocaleFormat::EnglishUS() { return LocaleFormat{}; }

LocaleFormat LocaleFormat::German() {
    LocaleFormat f;
    f.dateSep = L".";
    f.timeSep = L":";
    f.shortDate = L"dd.MM.yyyy";
    f.longTime = L"HH:mm:ss";
    f.am = L"";
    f.pm = L"";
    return f;
}

LocaleFormat LocaleFormat::Iso() {
    LocaleFormat f;
    f.dateSep = L"-";
    f.timeSep = L":";
    f.shortDate = L"yyyy-MM-dd";
    f.longTime = L"HH:mm:ss";
    f.am = L"";
    f.pm = L"";
    return f;
}

namespace {

constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::int64_t ToSeconds(const DateTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::optional<DateTime> FromSeconds(std::int64_t s) {
    std::int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    std::int64_t rest = s - days * 86400;
    DateTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    if (t.year < kMinYear || t.year > kMaxYear) return std::nullopt;
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

// Largest span any addition may move: beyond it the result is out of range
// anyway, and the multiplication below must not overflow.
constexpr std::int64_t kMaxSpanSeconds = 400LL * 10000 * 86400;

std::optional<DateTime> AddSpan(const DateTime& t, std::int64_t n, std::int64_t unitSeconds) {
    if (!IsValidDate(t)) return std::nullopt;
    if (n > kMaxSpanSeconds / unitSeconds || n < -kMaxSpanSeconds / unitSeconds) return std::nullopt;
    return FromSeconds(ToSeconds(t) + n * unitSeconds);
}

std::wstring Pad(int v, int width) {
    std::wstring s = std::to_wstring(v < 0 ? -v : v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), L'0');
    return s;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    return true;
}

// The order in which a short-date picture names year, month and day.
enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(const std::wstring& picture) {
    size_t y = picture.find(L'y'), m = picture.find(L'M'), d = picture.find(L'd');
    if (y == std::wstring::npos || m == std::wstring::npos || d == std::wstring::npos) return DateOrder::MDY;
    if (y < m && y < d) return DateOrder::YMD;
    if (d < m) return DateOrder::DMY;
    return DateOrder::MDY;
}

struct Token {
    enum Kind { Number, Word, Sep, Blank } kind;
    std::wstring text;
};

// Letters, and any character outside ASCII (day-period designators such as
// those of East Asian locales).
bool IsWordChar(wchar_t c) { return c > 127 || std::iswalpha(c); }

std::vector<Token> Tokenize(const std::wstring& s) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        wchar_t c = s[i];
        size_t j = i + 1;
        Token::Kind k;
        if (c >= L'0' && c <= L'9') {
            k = Token::Number;
            while (j < s.size() && s[j] >= L'0' && s[j] <= L'9') ++j;
        } else if (IsWordChar(c)) {
            k = Token::Word;
            while (j < s.size() && (IsWordChar(s[j]) || s[j] == L'.')) ++j;
        } else if (std::iswspace(c)) {
            k = Token::Blank;
            while (j < s.size() && std::iswspace(s[j])) ++j;
        } else {
            k = Token::Sep;
        }
        out.push_back({k, s.substr(i, j - i)});
        i = j;
    }
    return out;
}

}  // namespace

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

bool IsValidDate(const DateTime& t) {
    return t.year >= kMinYear && t.year <= kMaxYear && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::wstring FormatYMDHMS(const DateTime& t, const LocaleFormat& loc) {
    return Pad(t.year, 4) + loc.dateSep + Pad(t.month, 2) + loc.dateSep + Pad(t.day, 2) + L" " + Pad(t.hour, 2) +
           loc.timeSep + Pad(t.minute, 2) + loc.timeSep + Pad(t.second, 2);
}

std::wstring FormatPicture(const DateTime& t, const std::wstring& pic, const LocaleFormat& loc) {
    std::wstring out;
    size_t i = 0;
    while (i < pic.size()) {
        wchar_t c = pic[i];
        if (c == L'\'') {  // quoted literal; '' is a quote
            size_t j = i + 1;
            while (j < pic.size()) {
                if (pic[j] == L'\'') {
                    if (j + 1 < pic.size() && pic[j + 1] == L'\'') {
                        out += L'\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                out += pic[j++];
            }
            i = j + 1;
            continue;
        }
        size_t n = 1;
        while (i + n < pic.size() && pic[i + n] == c) ++n;
        switch (c) {
            // Day and month names are written as numbers: every date text the
            // program writes must read back with its numeric parser.
            case L'd': out += Pad(t.day, n >= 2 ? 2 : 1); break;
            case L'M': out += Pad(t.month, n >= 2 ? 2 : 1); break;
            case L'y':
                out += n <= 2 ? Pad(t.year % 100, n == 1 ? 1 : 2) : Pad(t.year, 4);
                break;
            case L'g': break;  // era: none in the Gregorian calendar
            case L'h': out += Pad(t.hour % 12 == 0 ? 12 : t.hour % 12, n >= 2 ? 2 : 1); break;
            case L'H': out += Pad(t.hour, n >= 2 ? 2 : 1); break;
            case L'm': out += Pad(t.minute, n >= 2 ? 2 : 1); break;
            case L's': out += Pad(t.second, n >= 2 ? 2 : 1); break;
            case L't': {
                const std::wstring& d = t.hour < 12 ? loc.am : loc.pm;
                out += n == 1 ? d.substr(0, 1) : d;
                break;
            }
            default: out.append(n, c); break;
        }
        i += n;
    }
    // A picture like "h:mm:ss tt" with an empty designator leaves a blank.
    while (!out.empty() && out.back() == L' ') out.pop_back();
    return out;
}

std::wstring FormatGeneral(const DateTime& t, const LocaleFormat& loc) {
    std::wstring s = FormatPicture(t, loc.shortDate, loc);
    if (t.hour != 0 || t.minute != 0 || t.second != 0) s += L" " + FormatPicture(t, loc.longTime, loc);
    return s;
}

std::optional<DateTime> ParseDateTime(const std::wstring& text, const LocaleFormat& loc) {
    std::vector<Token> toks = Tokenize(text);
    std::vector<std::wstring> nums;
    std::vector<size_t> numPos;  // token index of each number
    int ampm = 0;                // 1 AM, 2 PM
    for (size_t i = 0; i < toks.size(); ++i) {
        const Token& tk = toks[i];
        if (tk.kind == Token::Number) {
            if (tk.text.size() > 4) return std::nullopt;
            nums.push_back(tk.text);
            numPos.push_back(i);
        } else if (tk.kind == Token::Word) {
            if (ampm) return std::nullopt;
            if ((!loc.am.empty() && EqualsNoCase(tk.text, loc.am)) || EqualsNoCase(tk.text, L"AM")) ampm = 1;
            else if ((!loc.pm.empty() && EqualsNoCase(tk.text, loc.pm)) || EqualsNoCase(tk.text, L"PM")) ampm = 2;
            else return std::nullopt;
        } else if (tk.kind == Token::Sep) {
            if (tk.text.size() != 1) return std::nullopt;
        }
    }
    if (nums.size() != 3 && (nums.size() < 4 || nums.size() > 6)) return std::nullopt;
    // Date parts are separated by one separator character each, and the time
    // is set off from the date by blank space.
    for (size_t k = 0; k + 1 < nums.size(); ++k) {
        size_t gap = numPos[k + 1] - numPos[k];
        bool dateToTime = k == 2;
        if (dateToTime) {
            bool blank = false;
            for (size_t j = numPos[k] + 1; j < numPos[k + 1]; ++j) blank |= toks[j].kind == Token::Blank;
            if (!blank) return std::nullopt;
        } else if (gap != 2 || toks[numPos[k] + 1].kind != Token::Sep) {
            return std::nullopt;
        }
    }
    int v[6] = {0, 0, 0, 0, 0, 0};
    for (size_t k = 0; k < nums.size(); ++k) v[k] = std::stoi(nums[k]);

    DateTime t;
    DateOrder order = nums[0].size() >= 3 ? DateOrder::YMD : OrderOf(loc.shortDate);
    int yearDigits;
    switch (order) {
        case DateOrder::YMD: t.year = v[0]; t.month = v[1]; t.day = v[2]; yearDigits = int(nums[0].size()); break;
        case DateOrder::DMY: t.day = v[0]; t.month = v[1]; t.year = v[2]; yearDigits = int(nums[2].size()); break;
        default: t.month = v[0]; t.day = v[1]; t.year = v[2]; yearDigits = int(nums[2].size()); break;
    }
    if (yearDigits <= 2) t.year += t.year < 30 ? 2000 : 1900;
    t.hour = v[3];
    t.minute = v[4];
    t.second = v[5];
    if (ampm) {
        if (nums.size() < 4 || t.hour < 1 || t.hour > 12) return std::nullopt;
        t.hour = t.hour % 12 + (ampm == 2 ? 12 : 0);
    }
    if (!IsValidDate(t)) return std::nullopt;
    return t;
}

std::int64_t DueNumber(const DateTime& t) {
    return ((((static_cast<std::int64_t>(t.year) * 100 + t.month) * 100 + t.day) * 100 + t.hour) * 100 + t.minute) *
               100 + t.second;
}

std::optional<DateTime> AddMonths(const DateTime& t, std::int64_t n) {
    if (!IsValidDate(t)) return std::nullopt;
    if (n > 120000 || n < -120000) return std::nullopt;
    std::int64_t m0 = static_cast<std::int64_t>(t.year) * 12 + (t.month - 1) + n;
    std::int64_t y = m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12);
    DateTime r = t;
    r.year = static_cast<int>(y);
    r.month = static_cast<int>(m0 - y * 12) + 1;
    if (r.year < kMinYear || r.year > kMaxYear) return std::nullopt;
    int dim = DaysInMonth(r.year, r.month);
    if (r.day > dim) r.day = dim;
    return r;
}

std::optional<DateTime> AddDays(const DateTime& t, std::int64_t n) { return AddSpan(t, n, 86400); }
std::optional<DateTime> AddHours(const DateTime& t, std::int64_t n) { return AddSpan(t, n, 3600); }
std::optional<DateTime> AddMinutes(const DateTime& t, std::int64_t n) { return AddSpan(t, n, 60); }
std::optional<DateTime> AddSeconds(const DateTime& t, std::int64_t n) { return AddSpan(t, n, 1); }

std::optional<std::int64_t> ParseNumber(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::iswspace(text[b])) ++b;
    while (e > b && std::iswspace(text[e - 1])) --e;
    if (b == e) return std::nullopt;
    std::wstring s = text.substr(b, e - b);
    size_t i = 0;
    if (s[0] == L'+' || s[0] == L'-') i = 1;
    bool digits = false, dot = false;
    for (size_t j = i; j < s.size(); ++j) {
        if (s[j] >= L'0' && s[j] <= L'9') digits = true;
        else if (s[j] == L'.' && !dot) dot = true;
        else return std::nullopt;
    }
    if (!digits) return std::nullopt;
    double d = std::wcstod(s.c_str(), nullptr);
    if (!std::isfinite(d) || std::fabs(d) > 9.0e15) return std::nullopt;
    // A fraction goes to the nearest whole number, an exact half to the even one.
    return static_cast<std::int64_t>(std::nearbyint(d));
}

DateTime AddCountdown(const DateTime& now, const std::wstring& countdown) {
    using Adder = std::optional<DateTime> (*)(const DateTime&, std::int64_t);
    static const Adder adders[4] = {AddDays, AddHours, AddMinutes, AddSeconds};
    DateTime t = now;
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        size_t dash = countdown.find(L'-', start);
        std::wstring piece = countdown.substr(start, dash == std::wstring::npos ? std::wstring::npos : dash - start);
        if (auto n = ParseNumber(piece))
            if (auto r = adders[part](t, *n)) t = *r;
        if (dash == std::wstring::npos) break;
        start = dash + 1;
    }
    return t;
}

}  // namespace kestrelon
