#include "DateTime.h"

#include <cmath>
#include <cwctype>
#include <memory>
#include <utility>
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

std::wstring Pad(std::int64_t v, int width) {
    std::wstring s = std::to_wstring(v < 0 ? -v : v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), L'0');
    return s;
}

// ---- Pictures ------------------------------------------------------------
//
// A picture is compiled once into elements: numbers, AM/PM designators and
// literal text. The same elements write a text and read it back.

enum class Part { Year, ShortYear, Month, Day, Hour12, Hour24, Minute, Second, AmPm, AmPmFirst, Literal };

struct Element {
    Element(Part p, int w = 0, std::wstring t = {}) : part(p), width(w), text(std::move(t)) {}
    Part part;
    int width;          // digits written: 1 (no leading zero), 2, or 4 for a year
    std::wstring text;  // a literal's text
};
using Picture = std::vector<Element>;

void AddLiteral(Picture& p, const std::wstring& text) {
    if (text.empty()) return;
    if (!p.empty() && p.back().part == Part::Literal) p.back().text += text;
    else p.push_back({Part::Literal, 0, text});
}

void Append(Picture& p, const Picture& more) {
    for (const Element& e : more) {
        if (e.part == Part::Literal) AddLiteral(p, e.text);
        else p.push_back(e);
    }
}

Picture Compile(const std::wstring& pic) {
    Picture out;
    size_t i = 0;
    while (i < pic.size()) {
        const wchar_t c = pic[i];
        if (c == L'\'') {  // quoted literal; '' is a quote
            std::wstring lit;
            size_t j = i + 1;
            while (j < pic.size()) {
                if (pic[j] == L'\'') {
                    if (j + 1 < pic.size() && pic[j + 1] == L'\'') {
                        lit += L'\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                lit += pic[j++];
            }
            AddLiteral(out, lit);
            i = j + 1;
            continue;
        }
        size_t n = 1;
        while (i + n < pic.size() && pic[i + n] == c) ++n;
        const int w = n >= 2 ? 2 : 1;
        switch (c) {
            case L'd':
                if (n <= 2) out.push_back({Part::Day, w});  // ddd, dddd: the weekday's name, left out
                break;
            case L'M': out.push_back({Part::Month, w}); break;  // MMM, MMMM: the month as a number
            case L'y': out.push_back(n <= 2 ? Element{Part::ShortYear, w} : Element{Part::Year, 4}); break;
            case L'g': break;  // the era
            case L'h': out.push_back({Part::Hour12, w}); break;
            case L'H': out.push_back({Part::Hour24, w}); break;
            case L'm': out.push_back({Part::Minute, w}); break;
            case L's': out.push_back({Part::Second, w}); break;
            case L't': out.push_back({n == 1 ? Part::AmPmFirst : Part::AmPm}); break;
            default: AddLiteral(out, std::wstring(n, c)); break;
        }
        i += n;
    }
    return out;
}

// The picture with every two-digit year written with four digits.
Picture WideYear(Picture p) {
    for (Element& e : p)
        if (e.part == Part::ShortYear) e = {Part::Year, 4};
    return p;
}

// The picture on the 24-hour clock, without designators.
Picture Clock24(const Picture& p) {
    Picture out;
    for (const Element& e : p) {
        if (e.part == Part::AmPm || e.part == Part::AmPmFirst) continue;
        if (e.part == Part::Hour12) out.push_back({Part::Hour24, e.width});
        else if (e.part == Part::Literal) AddLiteral(out, e.text);
        else out.push_back(e);
    }
    return out;
}

// "YYYY/MM/DD HH:MM:SS" with the given separators.
Picture FixedPicture(const std::wstring& dateSep, const std::wstring& timeSep) {
    Picture p{{Part::Year, 4}};
    AddLiteral(p, dateSep);
    p.push_back({Part::Month, 2});
    AddLiteral(p, dateSep);
    p.push_back({Part::Day, 2});
    AddLiteral(p, L" ");
    p.push_back({Part::Hour24, 2});
    AddLiteral(p, timeSep);
    p.push_back({Part::Minute, 2});
    AddLiteral(p, timeSep);
    p.push_back({Part::Second, 2});
    return p;
}

const Picture& EditorPicture() {
    static const Picture p = FixedPicture(L"/", L":");
    return p;
}

// How the year of a picture is numbered.
struct YearRule {
    int offset = 0;            // calendar year minus Gregorian year
    int twoDigitMax = 2049;    // window of two-digit years, calendar numbering
    bool fullYearOnly = false; // a four-digit year field takes no two-digit year
};

std::wstring Trim(std::wstring s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == L' ') ++b;
    while (e > b && s[e - 1] == L' ') --e;
    return s.substr(b, e - b);
}

std::wstring Write(const Picture& p, const DateTime& t, const LocaleFormat& loc, int yearOffset) {
    std::wstring out;
    const std::int64_t cy = static_cast<std::int64_t>(t.year) + yearOffset;
    for (const Element& e : p) {
        switch (e.part) {
            case Part::Year: out += Pad(cy, 4); break;
            case Part::ShortYear: out += Pad((cy % 100 + 100) % 100, e.width); break;
            case Part::Month: out += Pad(t.month, e.width); break;
            case Part::Day: out += Pad(t.day, e.width); break;
            case Part::Hour12: out += Pad(t.hour % 12 == 0 ? 12 : t.hour % 12, e.width); break;
            case Part::Hour24: out += Pad(t.hour, e.width); break;
            case Part::Minute: out += Pad(t.minute, e.width); break;
            case Part::Second: out += Pad(t.second, e.width); break;
            case Part::AmPm: out += t.hour < 12 ? loc.am : loc.pm; break;
            case Part::AmPmFirst: out += (t.hour < 12 ? loc.am : loc.pm).substr(0, 1); break;
            case Part::Literal: out += e.text; break;
        }
    }
    // An empty designator or era leaves blanks at the ends.
    return Trim(out);
}

// Characters a reader passes over anywhere: blanks, no-break and narrow
// spaces, and the marks that set the direction of right-to-left text.
bool Ignorable(wchar_t c) {
    switch (c) {
        case L' ': case L'\t': case 0x00A0: case 0x061C: case 0x2007: case 0x2009: case 0x200A: case 0x200B:
        case 0x200E: case 0x200F: case 0x202F: case 0x3000: case 0xFEFF:
            return true;
        default:
            return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    }
}

bool SameLetter(wchar_t a, wchar_t b) { return a == b || std::towupper(a) == std::towupper(b); }

// Follows one picture through a text.
class Reader {
public:
    Reader(const std::wstring& text, const LocaleFormat& loc) : s_(text), loc_(loc) {}

    std::optional<DateTime> Read(const Picture& p, const YearRule& rule) {
        pos_ = 0;
        int year = -1, yearDigits = 0, month = -1, day = -1, hour12 = -1, hour24 = -1, minute = -1, second = -1;
        int half = 0;  // 1 before noon, 2 after
        for (const Element& e : p) {
            bool ok = true;
            switch (e.part) {
                case Part::Year: ok = Number(4, year, &yearDigits); break;
                case Part::ShortYear: ok = Number(2, year, &yearDigits); break;
                case Part::Month: ok = Number(2, month); break;
                case Part::Day: ok = Number(2, day); break;
                case Part::Hour12: ok = Number(2, hour12); break;
                case Part::Hour24: ok = Number(2, hour24); break;
                case Part::Minute: ok = Number(2, minute); break;
                case Part::Second: ok = Number(2, second); break;
                case Part::AmPm:
                case Part::AmPmFirst:
                    ok = Designator(e.part == Part::AmPmFirst, half);
                    break;
                case Part::Literal: ok = Text(e.text); break;
            }
            if (!ok) return std::nullopt;
        }
        Skip();
        if (pos_ != s_.size() || year < 0 || month < 0 || day < 0) return std::nullopt;

        DateTime t;
        std::int64_t cy = year;
        if (yearDigits <= 2) {
            if (rule.fullYearOnly) return std::nullopt;
            cy = WindowTwoDigitYear(year, rule.twoDigitMax);
        }
        const std::int64_t gregorian = cy - rule.offset;
        if (gregorian < kMinYear || gregorian > kMaxYear) return std::nullopt;
        t.year = static_cast<int>(gregorian);
        t.month = month;
        t.day = day;
        if (hour12 >= 0) {
            if (hour12 < 1 || hour12 > 12) return std::nullopt;
            const int h = hour12 % 12 + (half == 2 ? 12 : 0);
            if (hour24 >= 0 && hour24 != h) return std::nullopt;
            hour24 = h;
        }
        t.hour = hour24 < 0 ? 0 : hour24;
        t.minute = minute < 0 ? 0 : minute;
        t.second = second < 0 ? 0 : second;
        if (!IsValidDate(t)) return std::nullopt;
        return t;
    }

private:
    void Skip() {
        while (pos_ < s_.size() && Ignorable(s_[pos_])) ++pos_;
    }

    // The whole digit group at the reading point; a field read twice must
    // give the same value both times.
    bool Number(int maxDigits, int& field, int* digitsOut = nullptr) {
        Skip();
        size_t b = pos_;
        while (pos_ < s_.size() && s_[pos_] >= L'0' && s_[pos_] <= L'9') ++pos_;
        const int digits = static_cast<int>(pos_ - b);
        if (digits == 0 || digits > maxDigits) return false;
        int v = 0;
        for (size_t i = b; i < pos_; ++i) v = v * 10 + (s_[i] - L'0');
        if (field >= 0 && field != v) return false;
        field = v;
        if (digitsOut) *digitsOut = digits;
        return true;
    }

    // Where `text` would end if it stands at the reading point; npos if not.
    size_t MatchEnd(const std::wstring& text) const {
        size_t p = pos_;
        for (wchar_t c : text) {
            if (Ignorable(c)) continue;
            while (p < s_.size() && Ignorable(s_[p])) ++p;
            if (p >= s_.size() || !SameLetter(s_[p], c)) return std::wstring::npos;
            ++p;
        }
        return p;
    }

    bool Text(const std::wstring& text) {
        const size_t end = MatchEnd(text);
        if (end == std::wstring::npos) return false;
        pos_ = end;
        return true;
    }

    // The locale's designators; the longer match wins, and a text that
    // matches both equally (designators that look alike) is not read.
    bool Designator(bool firstOnly, int& half) {
        const std::wstring am = firstOnly ? loc_.am.substr(0, 1) : loc_.am;
        const std::wstring pm = firstOnly ? loc_.pm.substr(0, 1) : loc_.pm;
        const size_t a = MatchEnd(am), p = MatchEnd(pm);
        int found;
        if (a != std::wstring::npos && (p == std::wstring::npos || a > p)) found = 1;
        else if (p != std::wstring::npos && (a == std::wstring::npos || p > a)) found = 2;
        else return false;
        if (half != 0 && half != found) return false;
        half = found;
        pos_ = found == 1 ? a : p;
        return true;
    }

    const std::wstring& s_;
    const LocaleFormat& loc_;
    size_t pos_ = 0;
};

// One locale's pictures, compiled once and kept while the settings stay.
struct LocalePictures {
    LocaleFormat key;
    Picture formB;
    // Short date and long time: as the locale gives them, with four-digit
    // years, and with four-digit years on the 24-hour clock.
    std::vector<std::pair<Picture, Picture>> general;
};

const LocalePictures& PicturesOf(const LocaleFormat& loc) {
    thread_local std::unique_ptr<LocalePictures> cache;
    if (!cache || !(cache->key == loc)) {
        auto p = std::make_unique<LocalePictures>();
        p->key = loc;
        p->formB = FixedPicture(loc.dateSep, loc.timeSep);
        const Picture date = Compile(loc.shortDate), time = Compile(loc.longTime);
        p->general.push_back({date, time});
        p->general.push_back({WideYear(date), time});
        p->general.push_back({WideYear(date), Clock24(time)});
        cache = std::move(p);
    }
    return *cache;
}

bool IsMidnight(const DateTime& t) { return t.hour == 0 && t.minute == 0 && t.second == 0; }

std::wstring WriteGeneral(const std::pair<Picture, Picture>& pics, const DateTime& t, const LocaleFormat& loc) {
    std::wstring s = Write(pics.first, t, loc, loc.yearOffset);
    if (!IsMidnight(t)) s += L" " + Write(pics.second, t, loc, loc.yearOffset);
    return s;
}

std::optional<DateTime> ReadAny(const std::wstring& text, const LocaleFormat& loc) {
    Reader r(text, loc);
    const YearRule fixed{0, 2049, true};
    if (auto t = r.Read(EditorPicture(), fixed)) return t;
    const LocalePictures& pics = PicturesOf(loc);
    if (auto t = r.Read(pics.formB, fixed)) return t;
    const YearRule calendar{loc.yearOffset, loc.twoDigitYearMax, false};
    for (const auto& [date, time] : pics.general) {
        Picture both = date;
        AddLiteral(both, L" ");
        Append(both, time);
        if (auto t = r.Read(both, calendar)) return t;
        if (auto t = r.Read(date, calendar)) return t;
    }
    return std::nullopt;
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

std::int64_t WindowTwoDigitYear(int twoDigits, std::int64_t twoDigitYearMax) {
    const std::int64_t base = twoDigitYearMax - ((twoDigitYearMax % 100) + 100) % 100;
    std::int64_t y = base + twoDigits;
    if (y > twoDigitYearMax) y -= 100;
    return y;
}

std::int64_t SecondsBetween(const DateTime& from, const DateTime& to) { return ToSeconds(to) - ToSeconds(from); }

std::wstring FormatEditorText(const DateTime& t) { return Write(EditorPicture(), t, LocaleFormat{}, 0); }

std::wstring FormatYMDHMS(const DateTime& t, const LocaleFormat& loc) {
    std::wstring s = Write(PicturesOf(loc).formB, t, loc, 0);
    if (ReadAny(s, loc) == t) return s;
    return FormatEditorText(t);
}

std::wstring FormatPicture(const DateTime& t, const std::wstring& pic, const LocaleFormat& loc) {
    return Write(Compile(pic), t, loc, loc.yearOffset);
}

std::wstring FormatGeneral(const DateTime& t, const LocaleFormat& loc) {
    std::wstring last;
    for (const auto& pics : PicturesOf(loc).general) {
        std::wstring s = WriteGeneral(pics, t, loc);
        if (s == last) continue;
        if (ReadAny(s, loc) == t) return s;
        last = std::move(s);
    }
    return FormatYMDHMS(t, loc);
}

std::optional<DateTime> ParseDateTime(const std::wstring& text, const LocaleFormat& loc) { return ReadAny(text, loc); }

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
