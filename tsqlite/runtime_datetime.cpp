// Date and time: the days + milliseconds model, string parsing and CONVERT styles, and the
// DATEADD / DATEDIFF / DATEPART / DATENAME arithmetic.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "tsqlite/messages.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"

namespace tsqlite {
namespace rt {

namespace {

const char* const kMonthAbbr[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthName[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};
const char* const kDayName[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool isLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int twoDigitYear(int64_t y) {
    return static_cast<int>(y < 50 ? 2000 + y : 1900 + y);
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// 1..12 for a month name or its three-letter abbreviation, 0 otherwise.
int monthFromName(std::string_view w) {
    for (int i = 0; i < 12; ++i) {
        if (equalsNoCase(w, kMonthName[i])) return i + 1;
        if (equalsNoCase(w, kMonthAbbr[i])) return i + 1;
    }
    if (equalsNoCase(w, "sept")) return 9;
    return 0;
}

struct Tok {
    char kind = ' ';  // 'n' number, 'a' word, or the separator character itself
    int64_t val = 0;
    int digits = 0;
    std::string_view text;
};

Tok sepTok(char c) {
    Tok t;
    t.kind = c;
    return t;
}

constexpr int kMaxToks = 40;

int lex(std::string_view s, Tok* toks) {
    int n = 0;
    size_t i = 0;
    while (i < s.size()) {
        if (n >= kMaxToks) return -1;
        char c = s[i];
        if (c >= '0' && c <= '9') {
            size_t j = i;
            int64_t v = 0;
            while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
                if (j - i < 12) v = v * 10 + (s[j] - '0');
                ++j;
            }
            toks[n++] = Tok{'n', v, static_cast<int>(j - i), s.substr(i, j - i)};
            i = j;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            size_t j = i;
            while (j < s.size() && ((s[j] >= 'a' && s[j] <= 'z') || (s[j] >= 'A' && s[j] <= 'Z')))
                ++j;
            toks[n++] = Tok{'a', 0, 0, s.substr(i, j - i)};
            i = j;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
                ++i;
            if (n > 0 && toks[n - 1].kind != ' ') toks[n++] = sepTok(' ');
        } else if (c == '/' || c == '-' || c == '.' || c == ':' || c == ',') {
            toks[n++] = sepTok(c);
            ++i;
        } else {
            return -1;
        }
    }
    while (n > 0 && toks[n - 1].kind == ' ') --n;
    return n;
}

enum class Order { MDY, DMY, YMD };

Order orderForStyle(int style) {
    switch (style) {
        case 3:
        case 103:
        case 4:
        case 104:
        case 5:
        case 105:
        case 6:
        case 106:
        case 13:
        case 113:
        case 130:
        case 131:
            return Order::DMY;
        case 2:
        case 102:
        case 11:
        case 111:
        case 12:
        case 112:
        case 20:
        case 120:
        case 21:
        case 121:
        case 23:
        case 25:
        case 126:
        case 127:
            return Order::YMD;
        default:
            return Order::MDY;
    }
}

bool isSep(char k) {
    return k != 'n' && k != 'a';
}

// Date portion of a string (tokens without the time). Fills y/m/d.
ParseResult parseDateTokens(const Tok* t, int n, Order order, int64_t& y, int& m, int& d) {
    // Drop separators at either end (the blank or comma between date and time).
    while (n > 0 && isSep(t[0].kind)) ++t, --n;
    while (n > 0 && isSep(t[n - 1].kind)) --n;
    if (n == 0) {
        y = 1900, m = 1, d = 1;
        return ParseResult::Ok;
    }
    int nums[3], count = 0, monthTok = -1, wordCount = 0;
    for (int i = 0; i < n; ++i) {
        if (t[i].kind == 'n') {
            if (count == 3) return ParseResult::Syntax;
            nums[count++] = i;
        } else if (t[i].kind == 'a') {
            ++wordCount;
            monthTok = i;
        }
    }
    if (wordCount > 1) return ParseResult::Syntax;
    if (wordCount == 1) {
        int month = monthFromName(t[monthTok].text);
        if (month == 0) return ParseResult::Syntax;
        m = month;
        if (count == 1) {
            // "Apr 1996" / "1996 April": the first of the month.
            if (t[nums[0]].digits != 4) return ParseResult::Syntax;
            y = t[nums[0]].val;
            d = 1;
        } else if (count == 2) {
            const Tok& a = t[nums[0]];
            const Tok& b = t[nums[1]];
            if (a.digits == 4) {  // 1996 APR 15
                y = a.val;
                d = static_cast<int>(b.val);
                if (b.digits > 2) return ParseResult::Syntax;
            } else {  // Apr 15 1996, 15 Apr 1996, Apr 15, 96
                if (a.digits > 2 || (b.digits != 4 && b.digits > 2)) return ParseResult::Syntax;
                d = static_cast<int>(a.val);
                y = b.digits <= 2 ? twoDigitYear(b.val) : b.val;
            }
        } else {
            return ParseResult::Syntax;
        }
    } else if (count == 1) {
        const Tok& a = t[nums[0]];
        if (n != 1) return ParseResult::Syntax;
        if (a.digits == 8) {
            y = a.val / 10000, m = static_cast<int>(a.val / 100 % 100),
            d = static_cast<int>(a.val % 100);
        } else if (a.digits == 6) {
            y = twoDigitYear(a.val / 10000), m = static_cast<int>(a.val / 100 % 100);
            d = static_cast<int>(a.val % 100);
        } else if (a.digits == 4) {
            y = a.val, m = 1, d = 1;
        } else {
            return ParseResult::Syntax;
        }
    } else if (count == 3 && n == 5) {
        char s1 = t[1].kind, s2 = t[3].kind;
        if (s1 != s2 || (s1 != '/' && s1 != '-' && s1 != '.')) return ParseResult::Syntax;
        const Tok& a = t[0];
        const Tok& b = t[2];
        const Tok& c = t[4];
        if (a.digits > 4 || b.digits > 2 || c.digits > 4) return ParseResult::Syntax;
        auto year = [](const Tok& x) { return x.digits <= 2 ? twoDigitYear(x.val) : x.val; };
        if (a.digits == 4 || (order == Order::YMD && c.digits <= 2)) {
            y = year(a), m = static_cast<int>(b.val), d = static_cast<int>(c.val);
            if (c.digits > 2) return ParseResult::Syntax;
        } else if (order == Order::DMY) {
            d = static_cast<int>(a.val), m = static_cast<int>(b.val), y = year(c);
        } else {
            m = static_cast<int>(a.val), d = static_cast<int>(b.val), y = year(c);
        }
        if (a.digits == 3 || c.digits == 3) return ParseResult::Syntax;
    } else {
        return ParseResult::Syntax;
    }
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(static_cast<int>(y), m))
        return ParseResult::Range;
    return ParseResult::Ok;
}

}  // namespace

int daysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && isLeap(y)) return 29;
    return kDays[(m - 1) % 12];
}

int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25567;  // epoch moved from 1970-01-01 to 1900-01-01
}

void civilFromDays(int64_t days, int& y, int& m, int& d) {
    int64_t z = days - 25567 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

DateTime roundToTicks(DateTime dt) {
    // 1/300 s ticks, half up: .995-.998 -> .997, .999 -> next second.
    int64_t ticks = (dt.ms * 3 + 5) / 10;
    int64_t ms = (ticks * 10 + 1) / 3;
    dt.days += floorDiv(ms, kMsPerDay);
    dt.ms = ms - floorDiv(ms, kMsPerDay) * kMsPerDay;
    return dt;
}

DateTime roundToMinute(DateTime dt) {
    int64_t minutes = (dt.ms + 30001) / 60000;  // 29.999 s and up round up
    int64_t ms = minutes * 60000;
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++dt.days;
    }
    dt.ms = ms;
    return dt;
}

bool parseCanonical(std::string_view s, DateTime& out) {
    auto dig = [&](size_t i) { return static_cast<unsigned>(s[i] - '0') <= 9; };
    auto num = [&](size_t i, size_t n) {
        int v = 0;
        for (size_t k = 0; k < n; ++k) v = v * 10 + (s[i + k] - '0');
        return v;
    };
    if (s.size() != 10 && s.size() != 19 && s.size() != 23) return false;
    if (!(dig(0) && dig(1) && dig(2) && dig(3) && s[4] == '-' && dig(5) && dig(6) && s[7] == '-' &&
          dig(8) && dig(9)))
        return false;
    int y = num(0, 4), m = num(5, 2), d = num(8, 2);
    if (m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m) || y < 1) return false;
    out.days = daysFromCivil(y, m, d);
    out.ms = 0;
    if (s.size() == 10) return true;
    if (!((s[10] == ' ' || s[10] == 'T') && dig(11) && dig(12) && s[13] == ':' && dig(14) &&
          dig(15) && s[16] == ':' && dig(17) && dig(18)))
        return false;
    int hh = num(11, 2), mi = num(14, 2), ss = num(17, 2), ms = 0;
    if (s.size() == 23) {
        if (s[19] != '.' || !dig(20) || !dig(21) || !dig(22)) return false;
        ms = num(20, 3);
    }
    if (hh > 23 || mi > 59 || ss > 59) return false;
    out.ms = ((hh * 60 + mi) * 60 + ss) * 1000LL + ms;
    return true;
}

int formatCanonical(const DateTime& dt, char* buf) {
    int y, m, d;
    civilFromDays(dt.days, y, m, d);
    int64_t ms = dt.ms;
    int hh = static_cast<int>(ms / 3600000), mi = static_cast<int>(ms / 60000 % 60);
    int ss = static_cast<int>(ms / 1000 % 60), mmm = static_cast<int>(ms % 1000);
    auto put = [&](int pos, int v, int n) {
        for (int k = n - 1; k >= 0; --k, v /= 10) buf[pos + k] = static_cast<char>('0' + v % 10);
    };
    put(0, y, 4);
    buf[4] = '-';
    put(5, m, 2);
    buf[7] = '-';
    put(8, d, 2);
    buf[10] = ' ';
    put(11, hh, 2);
    buf[13] = ':';
    put(14, mi, 2);
    buf[16] = ':';
    put(17, ss, 2);
    buf[19] = '.';
    put(20, mmm, 3);
    buf[23] = '\0';
    return 23;
}

int formatDateOnly(const DateTime& dt, char* buf) {
    formatCanonical(dt, buf);
    buf[10] = '\0';
    return 10;
}

ParseResult parseDateTime(std::string_view s, int style, DateTime& out, bool& hasDate,
                          int maxFractionDigits) {
    if (parseCanonical(s, out)) {
        hasDate = true;
        return ParseResult::Ok;
    }
    Tok toks[kMaxToks];
    int n = lex(s, toks);
    if (n < 0) return ParseResult::Syntax;
    // ISO 8601: "2024-02-14T10:30:00Z".
    for (int i = 0; i < n; ++i) {
        if (toks[i].kind == 'a' && equalsNoCase(toks[i].text, "t") && i > 0 && i + 1 < n &&
            toks[i - 1].kind == 'n' && toks[i + 1].kind == 'n')
            toks[i] = sepTok(' ');
    }
    if (n > 0 && toks[n - 1].kind == 'a' && equalsNoCase(toks[n - 1].text, "z")) --n;

    // Find the time: the number before the first ':', or a number followed by AM/PM.
    int tStart = -1, tEnd = -1;
    int64_t hh = 0, mi = 0, ss = 0, ms = 0;
    int ampm = 0;  // 1 = AM, 2 = PM
    auto ampmAt = [&](int i) {
        if (i >= n || toks[i].kind != 'a') return 0;
        if (equalsNoCase(toks[i].text, "am")) return 1;
        if (equalsNoCase(toks[i].text, "pm")) return 2;
        return 0;
    };
    for (int i = 1; i < n; ++i) {
        if (toks[i].kind == ':' && toks[i - 1].kind == 'n') {
            tStart = i - 1;
            break;
        }
    }
    if (tStart >= 0) {
        int i = tStart;
        int64_t parts[3] = {0, 0, 0};
        int np = 0;
        parts[np++] = toks[i].val;
        if (toks[i].digits > 2) return ParseResult::Syntax;
        ++i;
        while (np < 3 && i + 1 < n && toks[i].kind == ':' && toks[i + 1].kind == 'n') {
            if (toks[i + 1].digits > 2) return ParseResult::Syntax;
            parts[np++] = toks[i + 1].val;
            i += 2;
        }
        if (np < 2) return ParseResult::Syntax;
        hh = parts[0], mi = parts[1], ss = parts[2];
        if (np == 3 && i + 1 < n && (toks[i].kind == '.' || toks[i].kind == ':') &&
            toks[i + 1].kind == 'n') {
            const Tok& f = toks[i + 1];
            if (toks[i].kind == ':') {
                if (f.digits > 3) return ParseResult::Syntax;
                ms = f.val;
            } else {
                if (f.digits > maxFractionDigits) return ParseResult::Syntax;
                // A decimal fraction of a second; digits past the millisecond are dropped.
                int64_t v = 0;
                for (int k = 0; k < 3; ++k) v = v * 10 + (k < f.digits ? f.text[k] - '0' : 0);
                ms = v;
            }
            i += 2;
        } else if (np == 3 && i < n && toks[i].kind == '.' &&
                   (i + 1 == n || toks[i + 1].kind != 'n')) {
            ++i;  // "10:30:00." is accepted
        }
        int j = i < n && toks[i].kind == ' ' ? i + 1 : i;
        if ((ampm = ampmAt(j)) != 0) i = j + 1;
        tEnd = i;
    } else {
        for (int i = 0; i < n; ++i) {
            int a = ampmAt(i);
            if (!a) continue;
            int k = i > 0 && toks[i - 1].kind == ' ' ? i - 1 : i;
            if (k > 0 && toks[k - 1].kind == 'n' && toks[k - 1].digits <= 2) {
                tStart = k - 1;
                tEnd = i + 1;
                hh = toks[k - 1].val;
                ampm = a;
            }
            break;
        }
    }
    if (ampm) {
        if (hh > 12) return ParseResult::Syntax;
        if (ampm == 1 && hh == 12) hh = 0;
        if (ampm == 2 && hh < 12) hh += 12;
    }
    if (hh > 23 || mi > 59 || ss > 59 || ms > 999) return ParseResult::Syntax;

    // Whatever is left around the time is the date.
    Tok dateToks[kMaxToks];
    int dn = 0;
    for (int i = 0; i < n; ++i) {
        if (tStart >= 0 && i >= tStart && i < tEnd) continue;
        dateToks[dn++] = toks[i];
    }
    int64_t y;
    int m, d;
    hasDate = false;
    for (int i = 0; i < dn; ++i)
        if (!isSep(dateToks[i].kind)) hasDate = true;
    ParseResult r = parseDateTokens(dateToks, dn, orderForStyle(style), y, m, d);
    if (r != ParseResult::Ok) return r;
    out.days = daysFromCivil(y, m, d);
    out.ms = ((hh * 60 + mi) * 60 + ss) * 1000 + ms;
    return ParseResult::Ok;
}

std::string formatDateTimeStyle(const DateTime& dt, int style, BaseType type) {
    int y, m, d;
    civilFromDays(dt.days, y, m, d);
    int hh = static_cast<int>(dt.ms / 3600000), mi = static_cast<int>(dt.ms / 60000 % 60);
    int ss = static_cast<int>(dt.ms / 1000 % 60), mmm = static_cast<int>(dt.ms % 1000);
    int h12 = hh % 12 == 0 ? 12 : hh % 12;
    const char* ap = hh < 12 ? "AM" : "PM";
    const char* mon = kMonthAbbr[m - 1];
    int yy = y % 100;
    char buf[64];
    if (style < 0) {
        if (type == BaseType::Date)
            style = 23;
        else if (type == BaseType::Time)
            style = -2;
        else
            style = 0;
    }
    switch (style) {
        case -2:  // time's own default: hh:mi:ss.nnnnnnn
            snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d0000", hh, mi, ss, mmm);
            break;
        case 0:
        case 100:
            if (type == BaseType::Date)
                snprintf(buf, sizeof buf, "%s %2d %04d", mon, d, y);
            else if (type == BaseType::Time)
                snprintf(buf, sizeof buf, "%2d:%02d%s", h12, mi, ap);
            else
                snprintf(buf, sizeof buf, "%s %2d %04d %2d:%02d%s", mon, d, y, h12, mi, ap);
            break;
        case 1:
            snprintf(buf, sizeof buf, "%02d/%02d/%02d", m, d, yy);
            break;
        case 101:
            snprintf(buf, sizeof buf, "%02d/%02d/%04d", m, d, y);
            break;
        case 2:
            snprintf(buf, sizeof buf, "%02d.%02d.%02d", yy, m, d);
            break;
        case 102:
            snprintf(buf, sizeof buf, "%04d.%02d.%02d", y, m, d);
            break;
        case 3:
            snprintf(buf, sizeof buf, "%02d/%02d/%02d", d, m, yy);
            break;
        case 103:
            snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
            break;
        case 4:
            snprintf(buf, sizeof buf, "%02d.%02d.%02d", d, m, yy);
            break;
        case 104:
            snprintf(buf, sizeof buf, "%02d.%02d.%04d", d, m, y);
            break;
        case 5:
            snprintf(buf, sizeof buf, "%02d-%02d-%02d", d, m, yy);
            break;
        case 105:
            snprintf(buf, sizeof buf, "%02d-%02d-%04d", d, m, y);
            break;
        case 6:
            snprintf(buf, sizeof buf, "%02d %s %02d", d, mon, yy);
            break;
        case 106:
            snprintf(buf, sizeof buf, "%02d %s %04d", d, mon, y);
            break;
        case 7:
            snprintf(buf, sizeof buf, "%s %02d, %02d", mon, d, yy);
            break;
        case 107:
            snprintf(buf, sizeof buf, "%s %02d, %04d", mon, d, y);
            break;
        case 8:
        case 24:
        case 108:
            snprintf(buf, sizeof buf, "%02d:%02d:%02d", hh, mi, ss);
            break;
        case 9:
        case 109:
            snprintf(buf, sizeof buf, "%s %2d %04d %2d:%02d:%02d:%03d%s", mon, d, y, h12, mi, ss,
                     mmm, ap);
            break;
        case 10:
            snprintf(buf, sizeof buf, "%02d-%02d-%02d", m, d, yy);
            break;
        case 110:
            snprintf(buf, sizeof buf, "%02d-%02d-%04d", m, d, y);
            break;
        case 11:
            snprintf(buf, sizeof buf, "%02d/%02d/%02d", yy, m, d);
            break;
        case 111:
            snprintf(buf, sizeof buf, "%04d/%02d/%02d", y, m, d);
            break;
        case 12:
            snprintf(buf, sizeof buf, "%02d%02d%02d", yy, m, d);
            break;
        case 112:
            snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
            break;
        case 13:
        case 113:
            snprintf(buf, sizeof buf, "%02d %s %04d %02d:%02d:%02d:%03d", d, mon, y, hh, mi, ss,
                     mmm);
            break;
        case 14:
        case 114:
            snprintf(buf, sizeof buf, "%02d:%02d:%02d:%03d", hh, mi, ss, mmm);
            break;
        case 20:
        case 120:
            snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mi, ss);
            break;
        case 21:
        case 25:
        case 121:
            if (type == BaseType::Date)
                snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
            else
                snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, m, d, hh, mi, ss,
                         mmm);
            break;
        case 22:
            snprintf(buf, sizeof buf, "%02d/%02d/%02d %2d:%02d:%02d %s", m, d, yy, h12, mi, ss, ap);
            break;
        case 23:
            snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
            break;
        case 126:
        case 127:
            if (type == BaseType::Date)
                snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
            else if (mmm == 0)
                snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", y, m, d, hh, mi, ss);
            else
                snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", y, m, d, hh, mi, ss,
                         mmm);
            break;
        default: {
            const char* from = type == BaseType::Date            ? "date"
                               : type == BaseType::SmallDateTime ? "smalldatetime"
                               : type == BaseType::Time          ? "time"
                                                                 : "datetime";
            throw raise(281, {std::to_string(style), from});
        }
    }
    return buf;
}

// ---- date parts ----------------------------------------------------------------------------

DatePart parseDatePart(std::string_view name) {
    struct Entry {
        const char* name;
        DatePart part;
    };
    static const Entry kNames[] = {
        {"year", DatePart::Year},       {"yy", DatePart::Year},
        {"yyyy", DatePart::Year},       {"quarter", DatePart::Quarter},
        {"qq", DatePart::Quarter},      {"q", DatePart::Quarter},
        {"month", DatePart::Month},     {"mm", DatePart::Month},
        {"m", DatePart::Month},         {"dayofyear", DatePart::DayOfYear},
        {"dy", DatePart::DayOfYear},    {"y", DatePart::DayOfYear},
        {"day", DatePart::Day},         {"dd", DatePart::Day},
        {"d", DatePart::Day},           {"week", DatePart::Week},
        {"wk", DatePart::Week},         {"ww", DatePart::Week},
        {"weekday", DatePart::Weekday}, {"dw", DatePart::Weekday},
        {"w", DatePart::Weekday},       {"hour", DatePart::Hour},
        {"hh", DatePart::Hour},         {"minute", DatePart::Minute},
        {"mi", DatePart::Minute},       {"n", DatePart::Minute},
        {"second", DatePart::Second},   {"ss", DatePart::Second},
        {"s", DatePart::Second},        {"millisecond", DatePart::Millisecond},
        {"ms", DatePart::Millisecond},  {"microsecond", DatePart::Microsecond},
        {"mcs", DatePart::Microsecond}, {"nanosecond", DatePart::Nanosecond},
        {"ns", DatePart::Nanosecond},   {"iso_week", DatePart::IsoWeek},
        {"isowk", DatePart::IsoWeek},   {"isoww", DatePart::IsoWeek},
    };
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    for (const Entry& e : kNames)
        if (equalsNoCase(name, e.name)) return e.part;
    return DatePart::Invalid;
}

const char* datePartName(DatePart p) {
    switch (p) {
        case DatePart::Year:
            return "year";
        case DatePart::Quarter:
            return "quarter";
        case DatePart::Month:
            return "month";
        case DatePart::DayOfYear:
            return "dayofyear";
        case DatePart::Day:
            return "day";
        case DatePart::Week:
            return "week";
        case DatePart::Weekday:
            return "weekday";
        case DatePart::Hour:
            return "hour";
        case DatePart::Minute:
            return "minute";
        case DatePart::Second:
            return "second";
        case DatePart::Millisecond:
            return "millisecond";
        case DatePart::Microsecond:
            return "microsecond";
        case DatePart::Nanosecond:
            return "nanosecond";
        case DatePart::IsoWeek:
            return "iso_week";
        case DatePart::Invalid:
            break;
    }
    return "";
}

namespace {

int isoWeek(int64_t days) {
    // The ISO week belongs to the year of its Thursday.
    int wd = (weekdayOf(days) + 6) % 7;  // Monday = 0
    int64_t thursday = days - wd + 3;
    int y, m, d;
    civilFromDays(thursday, y, m, d);
    return static_cast<int>((thursday - daysFromCivil(y, 1, 1)) / 7 + 1);
}

}  // namespace

int64_t datePartValue(DatePart p, const DateTime& dt) {
    int y, m, d;
    civilFromDays(dt.days, y, m, d);
    switch (p) {
        case DatePart::Year:
            return y;
        case DatePart::Quarter:
            return (m - 1) / 3 + 1;
        case DatePart::Month:
            return m;
        case DatePart::DayOfYear:
            return dt.days - daysFromCivil(y, 1, 1) + 1;
        case DatePart::Day:
            return d;
        case DatePart::Week: {
            // Week 1 holds January 1st; weeks start on Sunday (@@DATEFIRST 7).
            int64_t jan1 = daysFromCivil(y, 1, 1);
            return (dt.days - jan1 + weekdayOf(jan1)) / 7 + 1;
        }
        case DatePart::Weekday:
            return weekdayOf(dt.days) + 1;
        case DatePart::Hour:
            return dt.ms / 3600000;
        case DatePart::Minute:
            return dt.ms / 60000 % 60;
        case DatePart::Second:
            return dt.ms / 1000 % 60;
        case DatePart::Millisecond:
            return dt.ms % 1000;
        case DatePart::Microsecond:
            return dt.ms % 1000 * 1000;
        case DatePart::Nanosecond:
            return dt.ms % 1000 * 1000000;
        case DatePart::IsoWeek:
            return isoWeek(dt.days);
        case DatePart::Invalid:
            break;
    }
    return 0;
}

std::string dateNameText(DatePart p, const DateTime& dt) {
    if (p == DatePart::Month) {
        int y, m, d;
        civilFromDays(dt.days, y, m, d);
        return kMonthName[m - 1];
    }
    if (p == DatePart::Weekday) return kDayName[weekdayOf(dt.days)];
    return std::to_string(datePartValue(p, dt));
}

bool dateAdd(DatePart p, int64_t n, DateTime& dt) {
    // Keep the arithmetic far from int64 limits: anything this large leaves 9999 anyway.
    if (n > 4000000000000LL || n < -4000000000000LL) return false;
    auto addMonths = [&](int64_t months) {
        int y, m, d;
        civilFromDays(dt.days, y, m, d);
        int64_t total = static_cast<int64_t>(y) * 12 + (m - 1) + months;
        int64_t ny = floorDiv(total, 12);
        int nm = static_cast<int>(total - ny * 12) + 1;
        if (ny < 1 || ny > 9999) return false;
        int nd = std::min(d, daysInMonth(static_cast<int>(ny), nm));
        dt.days = daysFromCivil(ny, nm, nd);
        return true;
    };
    auto addMs = [&](int64_t ms) {
        int64_t total = dt.ms + ms;
        dt.days += floorDiv(total, kMsPerDay);
        dt.ms = total - floorDiv(total, kMsPerDay) * kMsPerDay;
    };
    switch (p) {
        case DatePart::Year:
            if (n > 10000 || n < -10000 || !addMonths(n * 12)) return false;
            break;
        case DatePart::Quarter:
            if (n > 40000 || n < -40000 || !addMonths(n * 3)) return false;
            break;
        case DatePart::Month:
            if (n > 120000 || n < -120000 || !addMonths(n)) return false;
            break;
        case DatePart::DayOfYear:
        case DatePart::Day:
        case DatePart::Weekday:
            dt.days += n;
            break;
        case DatePart::Week:
        case DatePart::IsoWeek:
            dt.days += n * 7;
            break;
        case DatePart::Hour:
            addMs(n * 3600000);
            break;
        case DatePart::Minute:
            addMs(n * 60000);
            break;
        case DatePart::Second:
            addMs(n * 1000);
            break;
        case DatePart::Millisecond:
            addMs(n);
            break;
        case DatePart::Microsecond:
            addMs(n / 1000);
            break;
        case DatePart::Nanosecond:
            addMs(n / 1000000);
            break;
        case DatePart::Invalid:
            return false;
    }
    return dt.days >= kMinDateDay && dt.days <= kMaxDay;
}

int64_t dateDiff(DatePart p, const DateTime& a, const DateTime& b) {
    int ya, ma, da, yb, mb, db;
    civilFromDays(a.days, ya, ma, da);
    civilFromDays(b.days, yb, mb, db);
    switch (p) {
        case DatePart::Year:
            return yb - ya;
        case DatePart::Quarter:
            return (yb * 4 + (mb - 1) / 3) - (ya * 4 + (ma - 1) / 3);
        case DatePart::Month:
            return (yb * 12 + mb) - (ya * 12 + ma);
        case DatePart::DayOfYear:
        case DatePart::Day:
        case DatePart::Weekday:
            return b.days - a.days;
        case DatePart::Week:
            // Sunday boundaries whatever @@DATEFIRST says.
            return floorDiv(b.days + 1, 7) - floorDiv(a.days + 1, 7);
        case DatePart::IsoWeek:
            return floorDiv(b.days, 7) - floorDiv(a.days, 7);
        case DatePart::Hour:
            return (b.days * 24 + b.ms / 3600000) - (a.days * 24 + a.ms / 3600000);
        case DatePart::Minute:
            return (b.days * 1440 + b.ms / 60000) - (a.days * 1440 + a.ms / 60000);
        case DatePart::Second:
            return (b.days * 86400 + b.ms / 1000) - (a.days * 86400 + a.ms / 1000);
        case DatePart::Millisecond:
            return (b.days * kMsPerDay + b.ms) - (a.days * kMsPerDay + a.ms);
        case DatePart::Microsecond:
            return ((b.days - a.days) * kMsPerDay + (b.ms - a.ms)) * 1000;
        case DatePart::Nanosecond:
            return ((b.days - a.days) * kMsPerDay + (b.ms - a.ms)) * 1000000;
        case DatePart::Invalid:
            break;
    }
    return 0;
}

}  // namespace rt

std::string currentDateTime() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t secs = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    rt::DateTime dt;
    dt.days = rt::daysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    dt.ms = ((tm.tm_hour * 60 + tm.tm_min) * 60 + tm.tm_sec) * 1000LL + ms;
    dt = rt::roundToTicks(dt);
    char buf[32];
    int n = rt::formatCanonical(dt, buf);
    return std::string(buf, n);
}

}  // namespace tsqlite
