#pragma once
// Helpers shared by the runtime_*.cpp files: UTF-8, the datetime model, decimal digits and the
// error texts the conversions raise. Not part of the engine's interface.
#include <sqlite3.h>

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tsqlite/error.h"
#include "tsqlite/types.h"

namespace tsqlite::rt {

// ---- UTF-8 -----------------------------------------------------------------------------------

// Decodes one code point and advances p; malformed bytes come back as themselves (Latin-1) so
// that nothing is ever lost or loops forever.
inline char32_t nextChar(const char*& p, const char* end) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x80) {
        ++p;
        return c;
    }
    int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (n == 0 || end - p <= n) {
        ++p;
        return c;
    }
    char32_t cp = c & (0x3F >> n);
    for (int i = 1; i <= n; ++i) {
        unsigned char d = static_cast<unsigned char>(p[i]);
        if ((d & 0xC0) != 0x80) {
            ++p;
            return c;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    p += n + 1;
    return cp;
}

inline void appendChar(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Number of code points (continuation bytes are not counted).
inline int64_t charCount(std::string_view s) {
    int64_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

// Byte offset of the n-th code point (0-based); s.size() when s is shorter.
inline size_t charOffset(std::string_view s, int64_t n) {
    size_t i = 0;
    while (i < s.size() && n > 0) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        --n;
    }
    return i;
}

inline std::string_view rtrimBlanks(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

inline bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// The ICU side of collateCompare, without the ASCII shortcut (the two must agree).
int icuCompare(std::string_view a, std::string_view b);

// Text of ASCII characters only, as the bytes of the collation ranks of its characters, blanks at
// the end and ignorable characters left out: two such texts are equal under the collation exactly
// when their keys are equal. False (and no key) when the text has a non-ASCII character.
bool asciiCollationKey(std::string_view s, std::string& key);
// An ASCII text whose key is the given one, equal under the collation to every text of that key.
std::string textOfCollationKey(std::string_view key);

char32_t foldCase(char32_t c);  // simple case folding, for case-insensitive matching
char32_t toUpperChar(char32_t c);
char32_t toLowerChar(char32_t c);

// Windows code page 874 (Thai), the code page of the server's non-Unicode strings: CHAR(),
// ASCII() and varchar<->binary go through it. Unmapped bytes give 0; unmappable chars give -1.
char32_t cp874ToUnicode(unsigned char b);
int unicodeToCp874(char32_t c);

// ---- LIKE ------------------------------------------------------------------------------------

// A LIKE pattern compiled once (the SQLite function keeps it per statement).
struct LikePattern {
    enum Kind : uint8_t { Literal, One, Many, Set };
    struct Item {
        Kind kind;
        bool negate = false;
        char32_t c = 0;      // Literal: the case-folded character
        uint32_t first = 0;  // Set: range in `members`
        uint32_t count = 0;
    };
    std::vector<Item> items;
    std::vector<std::pair<char32_t, char32_t>>
        members;  // Set members as lo..hi (lo == hi: one char)
};

LikePattern compileLike(std::string_view pattern, char32_t escape);
bool matchLike(const LikePattern& p, std::string_view value);
// The first position (1-based, in characters) where PATINDEX's pattern matches, 0 if none.
int64_t patternIndex(std::string_view pattern, std::string_view value);

// Case-insensitive search under the collation: byte offset of `needle` in `hay` at or after
// byte `from`, npos when absent; *matchLen gets the matched length in bytes of `hay`.
size_t findNoCase(std::string_view hay, std::string_view needle, size_t from, size_t* matchLen);

// ---- datetime --------------------------------------------------------------------------------

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kMinDateTimeDay = -53690;  // 1753-01-01
constexpr int64_t kMaxDay = 2958463;         // 9999-12-31
constexpr int64_t kMinDateDay = -693595;     // 0001-01-01
constexpr int64_t kMaxSmallDay = 65378;      // 2079-06-06

// A point in time as days since 1900-01-01 plus milliseconds into the day.
struct DateTime {
    int64_t days = 0;
    int64_t ms = 0;
};

int64_t daysFromCivil(int64_t y, int m, int d);
void civilFromDays(int64_t days, int& y, int& m, int& d);
int daysInMonth(int y, int m);
// Sunday = 0 .. Saturday = 6.
inline int weekdayOf(int64_t days) {
    return static_cast<int>(((days + 1) % 7 + 7) % 7);
}

// Rounds milliseconds to datetime's 1/300 s ticks (.000/.003/.007), carrying into the day.
DateTime roundToTicks(DateTime dt);
// smalldatetime keeps whole minutes; 29.999 s and up round to the next minute.
DateTime roundToMinute(DateTime dt);

enum class ParseResult { Ok, Syntax, Range };
// Parses the string forms SQL Server accepts (us_english, mdy); style picks the day/month order
// of numeric dates (103 = dmy, 102/111 = ymd...). Range = it parsed, but no such date/time.
// datetime itself takes at most three fraction digits; date and time take seven.
ParseResult parseDateTime(std::string_view s, int style, DateTime& out, bool& hasDate,
                          int maxFractionDigits = 7);
// 'YYYY-MM-DD HH:MM:SS.mmm' / 'YYYY-MM-DD' without any checks beyond the shape.
bool parseCanonical(std::string_view s, DateTime& out);
// Writes 'YYYY-MM-DD HH:MM:SS.mmm' (23 chars) or 'YYYY-MM-DD' (10 chars); returns length.
int formatCanonical(const DateTime& dt, char* buf);
int formatDateOnly(const DateTime& dt, char* buf);
// CONVERT(varchar, dt, style) for a datetime-family type; throws 281 for a style it lacks.
std::string formatDateTimeStyle(const DateTime& dt, int style, BaseType type);

enum class DatePart {
    Invalid,
    Year,
    Quarter,
    Month,
    DayOfYear,
    Day,
    Week,
    Weekday,
    Hour,
    Minute,
    Second,
    Millisecond,
    Microsecond,
    Nanosecond,
    IsoWeek,
};
// Every name and abbreviation SQL Server accepts, case-insensitively.
DatePart parseDatePart(std::string_view name);
const char* datePartName(DatePart p);
int64_t datePartValue(DatePart p, const DateTime& dt);  // DATEPART, @@DATEFIRST 7
std::string dateNameText(DatePart p, const DateTime& dt);
// DATEADD on the day/ms model; false when the result leaves 0001..9999.
bool dateAdd(DatePart p, int64_t n, DateTime& dt);
// DATEDIFF: boundaries of the part crossed from a to b (may exceed int; callers check).
int64_t dateDiff(DatePart p, const DateTime& a, const DateTime& b);

// ---- decimal digits ----------------------------------------------------------------------------

// A finite number as decimal digits: value = 0.d1d2...dn * 10^point (so `point` digits stand
// before the decimal point). Built from the shortest representation that reads back as the same
// double, which is how a decimal stored as REAL is recovered.
struct Digits {
    char d[40];
    int n = 0;
    int point = 0;
    bool neg = false;
    bool isZero() const { return n == 0; }
};

Digits toDigits(double x);
Digits toDigits(int64_t x);
// The digits of a 128-bit integer (a scaled decimal in the wide form).
Digits toDigitsWide(__int128 x);
// Rounds half away from zero (or truncates) to `scale` places after the point (negative
// scale: left of the point).
void roundDigits(Digits& x, int scale, bool truncate = false);
// Number of digits before the point (at least 1).
int integerDigits(const Digits& x);
// Fixed notation with exactly `scale` decimals (no point when 0); commas every three digits
// when asked.
std::string fixedText(const Digits& x, int scale, bool commas = false);
double toDouble(const Digits& x);
// Rounds a double to `scale` decimals as a decimal number would be rounded.
double roundDouble(double x, int scale, bool truncate = false);

// float -> varchar with styles 0..3: 6, 8, 16 or 17 significant digits, exponents with three
// digits as SQL Server writes them (1.23457e+006).
std::string floatText(double x, int style);
// Shortest text that reads back as the same double (display of float columns).
std::string shortestText(double x);

// ISNUMERIC: convertible to int, money, decimal or float ("$", "-", "1e5" all count).
bool isNumericText(std::string_view s);
// STR(x, length, decimals).
std::string strText(double x, int length, int decimals);

// ---- errors ----------------------------------------------------------------------------------

// Name of a type as SQL Server's messages write it ("varchar", "int", "numeric").
std::string errorTypeName(const SqlType& t);
Error overflowError(const std::string& from, const std::string& to);  // 8115
Error truncationError();                                              // 8152

// ---- SQLite glue -------------------------------------------------------------------------------

// Reports an Error from a SQLite function so that the engine can decode it.
void reportError(sqlite3_context* ctx, const Error& e);
void registerConvertFunctions(sqlite3* db);
void registerDateFunctions(sqlite3* db);
void registerStringFunctions(sqlite3* db);
void registerDecimalFunctions(sqlite3* db);

inline std::string_view textArg(sqlite3_value* v) {
    const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    int n = sqlite3_value_bytes(v);
    return p ? std::string_view(p, static_cast<size_t>(n)) : std::string_view();
}

inline bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

inline void resultText(sqlite3_context* ctx, std::string_view s) {
    sqlite3_result_text64(ctx, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// A value as a function's result, in the form it is stored in.
void resultValue(sqlite3_context* ctx, const Value& v);

// Integer argument; REAL arguments are truncated as an int parameter would be.
inline int64_t intArg(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_FLOAT) return static_cast<int64_t>(sqlite3_value_double(v));
    return sqlite3_value_int64(v);
}

// Wraps a SQLite function body so that no exception crosses into SQLite.
template <void (*F)(sqlite3_context*, int, sqlite3_value**)>
void guarded(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    try {
        F(ctx, argc, argv);
    } catch (const Error& e) {
        reportError(ctx, e);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

}  // namespace tsqlite::rt
