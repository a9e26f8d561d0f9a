// CAST / CONVERT: every conversion between the stored forms of the server's types, with the
// rounding, truncation and error rules of SQL Server.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tsqlite/decimal.h"
#include "tsqlite/messages.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"

namespace tsqlite {
namespace rt {

namespace {

const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double pow10(int n) {
    if (n >= 0 && n <= 22) return kPow10[n];
    return std::pow(10.0, n);
}

void stripTrailingZeros(Digits& x) {
    while (x.n > 0 && x.d[x.n - 1] == '0') --x.n;
    if (x.n == 0) x.point = 0;
}

}  // namespace

Digits toDigits(double x) {
    Digits r;
    if (!std::isfinite(x) || x == 0) return r;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const char* p = buf;
    if (*p == '-') {
        r.neg = true;
        ++p;
    }
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p != '.' && r.n < 39) r.d[r.n++] = *p;
    int exp = 0;
    if (p < res.ptr) std::from_chars(p[1] == '+' ? p + 2 : p + 1, res.ptr, exp);
    r.point = exp + 1;
    stripTrailingZeros(r);
    return r;
}

Digits toDigits(int64_t x) {
    Digits r;
    if (x == 0) return r;
    uint64_t u = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
    r.neg = x < 0;
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, u);
    r.n = static_cast<int>(res.ptr - buf);
    std::memcpy(r.d, buf, r.n);
    r.point = r.n;
    stripTrailingZeros(r);
    return r;
}

Digits toDigitsWide(__int128 x) {
    if (x >= INT64_MIN && x <= INT64_MAX) return toDigits(static_cast<int64_t>(x));
    Digits r;
    r.neg = x < 0;
    unsigned __int128 u =
        r.neg ? 0 - static_cast<unsigned __int128>(x) : static_cast<unsigned __int128>(x);
    char buf[40];
    int n = 0;
    for (; u != 0; u /= 10) buf[n++] = static_cast<char>('0' + static_cast<int>(u % 10));
    for (int i = 0; i < n; ++i) r.d[i] = buf[n - 1 - i];
    r.n = n;
    r.point = n;
    stripTrailingZeros(r);
    return r;
}

void roundDigits(Digits& x, int scale, bool truncate) {
    int keep = x.point + scale;
    if (keep >= x.n) return;
    if (keep < 0) {
        x.n = 0;
        x.point = 0;
        return;
    }
    bool up = !truncate && x.d[keep] >= '5';
    x.n = keep;
    if (up) {
        int i = x.n - 1;
        while (i >= 0 && x.d[i] == '9') --i;
        if (i < 0) {
            x.d[0] = '1';
            x.n = 1;
            x.point += 1;
        } else {
            x.d[i]++;
            x.n = i + 1;
        }
    }
    stripTrailingZeros(x);
}

int integerDigits(const Digits& x) {
    return x.isZero() ? 0 : std::max(x.point, 0);
}

std::string fixedText(const Digits& x, int scale, bool commas) {
    std::string out;
    if (x.neg && !x.isZero()) out.push_back('-');
    if (x.point <= 0 || x.isZero()) {
        out.push_back('0');
    } else {
        for (int k = 0; k < x.point; ++k) {
            if (commas && k > 0 && (x.point - k) % 3 == 0) out.push_back(',');
            out.push_back(k < x.n ? x.d[k] : '0');
        }
    }
    if (scale > 0) {
        out.push_back('.');
        for (int k = 0; k < scale; ++k) {
            int idx = x.point + k;
            out.push_back(idx >= 0 && idx < x.n ? x.d[idx] : '0');
        }
    }
    return out;
}

double toDouble(const Digits& x) {
    if (x.isZero()) return 0;
    char buf[64];
    int len = 0;
    if (x.neg) buf[len++] = '-';
    buf[len++] = '.';
    std::memcpy(buf + len, x.d, x.n);
    len += x.n;
    len += std::snprintf(buf + len, sizeof buf - len, "e%d", x.point);
    double r = 0;
    std::from_chars(buf + (x.neg ? 1 : 0), buf + len, r);
    return x.neg ? -r : r;
}

double roundDouble(double x, int scale, bool truncate) {
    if (!std::isfinite(x) || x == 0) return x;
    if (scale >= 0 && scale <= 15) {
        // Fast path: exact unless the value sits next to a rounding boundary, where the
        // decimal digits decide.
        const double p = kPow10[scale];
        const double y = x * p;
        if (std::fabs(y) < 1e9) {
            const double t = std::trunc(y);
            const double frac = std::fabs(y - t);
            // Truncation is only in doubt just below a whole number, rounding just around .5.
            if (truncate) {
                if (frac < 1 - 1e-6) return t == 0 ? 0.0 : t / p;
            } else if (std::fabs(frac - 0.5) > 1e-6) {
                double r = frac > 0.5 ? t + (y > 0 ? 1 : -1) : t;
                return r == 0 ? 0.0 : r / p;
            }
        }
    }
    Digits d = toDigits(x);
    roundDigits(d, scale, truncate);
    return toDouble(d);
}

std::string floatText(double x, int style) {
    if (x == 0) x = 0;  // no "-0"
    char buf[64];
    switch (style) {
        case 1:
            std::snprintf(buf, sizeof buf, "%.7e", x);
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "%.15e", x);
            break;
        case 3:
            std::snprintf(buf, sizeof buf, "%.16e", x);
            break;
        default:
            std::snprintf(buf, sizeof buf, "%.6g", x);
            break;
    }
    // Three exponent digits, as the server's C runtime writes them.
    std::string s = buf;
    size_t e = s.find('e');
    if (e != std::string::npos && e + 2 < s.size()) {
        std::string digits = s.substr(e + 2);
        while (digits.size() < 3) digits.insert(0, "0");
        s = s.substr(0, e + 2) + digits;
    }
    return s;
}

std::string shortestText(double x) {
    if (x == 0) return "0";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

std::string errorTypeName(const SqlType& t) {
    switch (t.base) {
        case BaseType::Decimal:
            return "numeric";
        case BaseType::Char:
        case BaseType::VarChar:
        case BaseType::Text:
        case BaseType::Unknown:
            return "varchar";
        case BaseType::NChar:
        case BaseType::NVarChar:
        case BaseType::NText:
            return "nvarchar";
        default: {
            SqlType plain;
            plain.base = t.base;
            std::string s = plain.toString();
            size_t paren = s.find('(');
            return paren == std::string::npos ? s : s.substr(0, paren);
        }
    }
}

Error overflowError(const std::string& from, const std::string& to) {
    // SQL Server's state tells the target apart: 2 for int, 8 for numeric.
    return raise(8115, {from, to})
        .withState(to == "int" || to == "smallint" || to == "tinyint" || to == "bigint" ? 2 : 8);
}

Error truncationError() {
    return raise(8152);
}

namespace {

// ---- reading sources -------------------------------------------------------------------------

// Only blanks surround a number; a tab or a line break makes the string not a number.
std::string_view trimSpace(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// [sign] digits [. digits], at least one digit; no exponent.
bool parseDecimalText(std::string_view s, Digits& out) {
    out = Digits();
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out.neg = s[i++] == '-';
    size_t intStart = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    std::string_view ip = s.substr(intStart, i - intStart);
    std::string_view fp;
    if (i < s.size() && s[i] == '.') {
        size_t f = ++i;
        while (i < s.size() && isDigit(s[i])) ++i;
        fp = s.substr(f, i - f);
    }
    if (i != s.size() || (ip.empty() && fp.empty())) return false;
    while (!ip.empty() && ip.front() == '0') ip.remove_prefix(1);
    out.point = static_cast<int>(ip.size());
    auto push = [&](char c) {
        if (out.n < 39) out.d[out.n++] = c;
    };
    for (char c : ip) push(c);
    if (ip.empty()) {
        while (!fp.empty() && fp.front() == '0') {
            fp.remove_prefix(1);
            --out.point;
        }
    }
    if (out.point > 39) {
        // Far too large for any decimal: keep the magnitude, drop the digits.
        out.n = 1;
        out.d[0] = '1';
        return true;
    }
    for (char c : fp) push(c);
    stripTrailingZeros(out);
    return true;
}

// Money accepts a currency sign, thousands separators and a sign on either side of the sign.
bool parseMoneyText(std::string_view s, Digits& out) {
    std::string clean;
    bool neg = false, sawSign = false, sawCurrency = false;
    size_t i = 0;
    auto currencyAt = [&](size_t k) -> size_t {
        static const char* const kSigns[] = {"$", "\xC2\xA3", "\xE2\x82\xAC", "\xC2\xA5",
                                             "\xE0\xB8\xBF"};  // $ £ € ¥ ฿
        for (const char* c : kSigns) {
            size_t n = std::strlen(c);
            if (s.compare(k, n, c) == 0) return n;
        }
        return 0;
    };
    while (i < s.size()) {
        if ((s[i] == '+' || s[i] == '-') && !sawSign && clean.empty()) {
            sawSign = true;
            neg = s[i] == '-';
            ++i;
        } else if (size_t n = currencyAt(i); n && !sawCurrency && clean.empty()) {
            sawCurrency = true;
            i += n;
        } else if (s[i] == ' ' && clean.empty()) {
            ++i;
        } else {
            break;
        }
    }
    bool sawPoint = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (isDigit(c))
            clean.push_back(c);
        else if (c == ',' && !sawPoint)
            continue;
        else if (c == '.' && !sawPoint) {
            sawPoint = true;
            clean.push_back(c);
        } else {
            return false;
        }
    }
    if (clean.empty() || clean == ".") {
        out = Digits();  // "", "$", "-" and "." all read as zero
        return true;
    }
    if (!parseDecimalText(clean, out)) return false;
    out.neg = neg;
    return true;
}

// [sign] digits [. digits] [e [sign] digits]; empty reads as 0.
bool parseFloatText(std::string_view s, double& out) {
    if (s.empty()) {
        out = 0;
        return true;
    }
    bool neg = false;
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') neg = s[i++] == '-';
    std::string_view body = s.substr(i);
    size_t k = 0;
    bool digits = false;
    while (k < body.size() && isDigit(body[k])) ++k, digits = true;
    if (k < body.size() && body[k] == '.') {
        ++k;
        while (k < body.size() && isDigit(body[k])) ++k, digits = true;
    }
    if (!digits) return false;
    if (k < body.size() && (body[k] == 'e' || body[k] == 'E')) {
        ++k;
        if (k < body.size() && (body[k] == '+' || body[k] == '-')) ++k;
        if (k == body.size() || !isDigit(body[k])) return false;
        while (k < body.size() && isDigit(body[k])) ++k;
    }
    if (k != body.size()) return false;
    double v = 0;
    auto res = std::from_chars(body.data(), body.data() + body.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as 0; overflow is not a float.
        size_t e = body.find_first_of("eE");
        if (e == std::string_view::npos || e + 1 >= body.size() || body[e + 1] != '-') return false;
        v = 0;
    }
    out = neg ? -v : v;
    return true;
}

enum class IntParse { Ok, Syntax, Overflow };

IntParse parseIntText(std::string_view s, int64_t lo, int64_t hi, int64_t& out) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == s.size()) {
        out = 0;  // "", "+" and "-" all read as 0
        return IntParse::Ok;
    }
    // Accumulate negatively so that the minimum fits.
    int64_t v = 0;
    bool overflow = false;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i])) return IntParse::Syntax;
        int dgt = s[i] - '0';
        if (v < (INT64_MIN + dgt) / 10)
            overflow = true;
        else
            v = v * 10 - dgt;
    }
    if (overflow) return IntParse::Overflow;
    if (!neg) {
        if (v == INT64_MIN) return IntParse::Overflow;
        v = -v;
    }
    if (v < lo || v > hi) return IntParse::Overflow;
    out = v;
    return IntParse::Ok;
}

struct IntRange {
    int64_t lo, hi;
};

IntRange intRange(BaseType b) {
    switch (b) {
        case BaseType::Bit:
            return {INT64_MIN, INT64_MAX};
        case BaseType::TinyInt:
            return {0, 255};
        case BaseType::SmallInt:
            return {-32768, 32767};
        case BaseType::Int:
            return {INT32_MIN, INT32_MAX};
        default:
            return {INT64_MIN, INT64_MAX};
    }
}

// The type a value has when the caller does not know it.
SqlType inferType(const Value& v) {
    SqlType t;
    switch (v.kind) {
        case Value::Kind::Int:
            t.base = v.i >= INT32_MIN && v.i <= INT32_MAX ? BaseType::Int : BaseType::BigInt;
            break;
        case Value::Kind::Float:
            t.base = BaseType::Float;
            break;
        case Value::Kind::Text:
            t.base = BaseType::VarChar;
            t.length = -1;
            break;
        case Value::Kind::Blob:
            t.base = BaseType::VarBinary;
            t.length = -1;
            break;
        case Value::Kind::Null:
            break;
    }
    return t;
}

double numberOf(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return static_cast<double>(v.i);
        case Value::Kind::Float:
            return v.f;
        case Value::Kind::Text: {
            double d = 0;
            parseFloatText(trimSpace(v.s), d);
            return d;
        }
        default:
            return 0;
    }
}

// Exact digits of a number: a scaled decimal by its integer, anything else as it reads.
Digits digitsOf(const Value& v, const SqlType& src) {
    dec::Wide w = 0;
    if (dec::isScaled(src) && dec::scaledOf(v, w)) {
        Digits d = toDigitsWide(w);
        if (!d.isZero()) d.point -= dec::scaleOf(src);
        return d;
    }
    if (v.kind == Value::Kind::Int) {
        Digits d = toDigits(v.i);
        if (dec::isScaled(src) && !d.isZero()) d.point -= dec::scaleOf(src);
        return d;
    }
    return toDigits(numberOf(v));
}

// The text of a value that is stored as something else than the type says (SQLite may hand us
// a number for a string column and the like).
std::string textOf(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return std::to_string(v.i);
        case Value::Kind::Float:
            return shortestText(v.f);
        default:
            return v.s;
    }
}

bool readDateTime(const Value& v, const SqlType& src, DateTime& dt) {
    if (v.kind == Value::Kind::Text) {
        bool hasDate = false;
        if (parseCanonical(v.s, dt)) return true;
        if (parseDateTime(v.s, -1, dt, hasDate) != ParseResult::Ok) return false;
        if (src.base == BaseType::Time) dt.days = 0;
        return true;
    }
    // A number where a datetime was expected: days since 1900-01-01.
    double x = numberOf(v);
    int64_t ms = std::llround(x * kMsPerDay);
    dt.days = ms / kMsPerDay - (ms % kMsPerDay < 0);
    dt.ms = ms - dt.days * kMsPerDay;
    return true;
}

Error notAllowed(const SqlType& from, const SqlType& to) {
    return raise(529, {errorTypeName(from), errorTypeName(to)});
}

// ---- targets ---------------------------------------------------------------------------------

Value toInteger(const Value& v, const SqlType& src, const SqlType& dst) {
    const IntRange r = intRange(dst.base);
    const std::string dstName = errorTypeName(dst);
    auto finish = [&](int64_t x) {
        if (dst.base == BaseType::Bit) return Value::integer(x != 0);
        return Value::integer(x);
    };
    auto checked = [&](int64_t x) {
        if (dst.base != BaseType::Bit && (x < r.lo || x > r.hi)) {
            if (src.isInteger() &&
                (dst.base == BaseType::TinyInt || dst.base == BaseType::SmallInt))
                throw raise(220, {dstName, std::to_string(x)});
            throw overflowError("expression", dstName);
        }
        return finish(x);
    };
    auto fromDouble = [&](double x, bool round) {
        double t = round ? roundDouble(x, 0) : std::trunc(x);
        if (dst.base == BaseType::Bit) return Value::integer(x != 0);
        if (!(t >= static_cast<double>(r.lo) && t <= static_cast<double>(r.hi)) ||
            std::fabs(t) >= 9.2233720368547758e18) {
            if (src.base == BaseType::Float || src.base == BaseType::Real) {
                char buf[400];
                std::snprintf(buf, sizeof buf, "%f", x);
                throw raise(232, {dstName, buf});
            }
            throw overflowError("expression", dstName);
        }
        return Value::integer(static_cast<int64_t>(t));
    };

    if (src.isString() || (src.base == BaseType::UniqueIdentifier)) {
        if (src.base == BaseType::UniqueIdentifier) throw notAllowed(src, dst);
        std::string text = textOf(v);
        std::string_view t = trimSpace(text);
        if (dst.base == BaseType::Bit) {
            auto eq = [&](const char* w) {
                if (t.size() != std::strlen(w)) return false;
                for (size_t i = 0; i < t.size(); ++i)
                    if (std::tolower(static_cast<unsigned char>(t[i])) != w[i]) return false;
                return true;
            };
            if (eq("true")) return Value::integer(1);
            if (eq("false")) return Value::integer(0);
        }
        int64_t x = 0;
        IntParse p = parseIntText(t, r.lo, r.hi, x);
        if (p == IntParse::Syntax) throw raise(245, {errorTypeName(src), text, dstName});
        if (p == IntParse::Overflow) {
            if (dst.base == BaseType::Int) throw raise(248, {errorTypeName(src), text});
            if (dst.base == BaseType::SmallInt || dst.base == BaseType::TinyInt)
                throw raise(244, {errorTypeName(src), text,
                                  (dst.base == BaseType::SmallInt ? "INT2" : "INT1")});
            if (dst.base == BaseType::Bit) return Value::integer(1);
            throw overflowError("expression", dstName);
        }
        return finish(x);
    }
    if (src.isInteger()) {
        if (v.kind == Value::Kind::Int) return checked(v.i);
        return fromDouble(numberOf(v), false);
    }
    switch (src.base) {
        case BaseType::Decimal:
            return fromDouble(numberOf(v), false);
        case BaseType::Money:
        case BaseType::SmallMoney:
            return fromDouble(numberOf(v), true);
        case BaseType::Float:
        case BaseType::Real:
            if (v.kind == Value::Kind::Int) return checked(v.i);
            return fromDouble(numberOf(v), false);
        case BaseType::DateTime:
        case BaseType::SmallDateTime: {
            DateTime dt;
            if (!readDateTime(v, src, dt)) throw raise(241);
            // Noon and later round up to the next day.
            return checked(dt.days + (dt.ms >= kMsPerDay / 2 ? 1 : 0));
        }
        case BaseType::Binary:
        case BaseType::VarBinary:
        case BaseType::Image: {
            int size = dst.base == BaseType::BigInt     ? 8
                       : dst.base == BaseType::Int      ? 4
                       : dst.base == BaseType::SmallInt ? 2
                                                        : 1;
            const std::string& b = v.s;
            uint64_t u = 0;
            size_t start = b.size() > static_cast<size_t>(size) ? b.size() - size : 0;
            for (size_t i = start; i < b.size(); ++i)
                u = (u << 8) | static_cast<unsigned char>(b[i]);
            int64_t x;
            if (size == 8)
                x = static_cast<int64_t>(u);
            else if (size == 4)
                x = static_cast<int32_t>(u);
            else if (size == 2)
                x = static_cast<int16_t>(u);
            else
                x = static_cast<uint8_t>(u);
            return finish(x);
        }
        default:
            throw notAllowed(src, dst);
    }
}

// Digits already rounded to `scale` places as a scaled integer; false beyond 38 digits.
bool digitsToWide(const Digits& d, int scale, dec::Wide& out) {
    if (d.isZero()) {
        out = 0;
        return true;
    }
    const int n = d.point + scale;
    if (n > 38) return false;
    dec::Wide x = 0;
    for (int i = 0; i < n; ++i) x = x * 10 + (i < d.n && i >= 0 ? d.d[i] - '0' : 0);
    out = d.neg ? -x : x;
    return true;
}

// The same, false beyond int64.
bool digitsToScaled(const Digits& d, int scale, int64_t& out) {
    dec::Wide x = 0;
    if (!digitsToWide(d, scale, x) || x > INT64_MAX || x < INT64_MIN) return false;
    out = static_cast<int64_t>(x);
    return true;
}

// A decimal result in its stored form: an INTEGER, or the wide form beyond 64 bits.
Value decimalOf(const Digits& d, const SqlType& dst) {
    if (!dec::isScaled(dst)) return Value::real(toDouble(d));
    dec::Wide x = 0;
    if (!digitsToWide(d, dec::scaleOf(dst), x)) dec::throwOverflow(dst);
    return dec::scaledValue(x);
}

Value toDecimal(const Value& v, const SqlType& src, const SqlType& dst) {
    const int p = dst.precision > 0 ? dst.precision : 18;
    const int s = dst.scale;
    const std::string from = errorTypeName(src);
    auto fits = [&](const Digits& d) { return integerDigits(d) <= p - s; };

    if (src.isString()) {
        std::string text = textOf(v);
        Digits d;
        if (!parseDecimalText(trimSpace(text), d))
            throw raise(8114, {errorTypeName(src), "numeric"});
        roundDigits(d, s);
        if (!fits(d)) throw overflowError(errorTypeName(src), "numeric");
        return decimalOf(d, dst);
    }
    if ((src.isInteger() || dec::isScaled(src)) &&
        (v.kind == Value::Kind::Int || (dec::isScaled(src) && dec::isWideForm(v)))) {
        Digits d = src.base == BaseType::Bit ? toDigits(int64_t{v.i != 0}) : digitsOf(v, src);
        roundDigits(d, s);
        if (!fits(d)) throw overflowError(from, "numeric");
        return decimalOf(d, dst);
    }
    double x;
    if (src.isDateTime()) {
        if (src.base == BaseType::Date || src.base == BaseType::Time) throw notAllowed(src, dst);
        DateTime dt;
        if (!readDateTime(v, src, dt)) throw raise(241);
        x = static_cast<double>(dt.days) + static_cast<double>(dt.ms) / kMsPerDay;
    } else if (src.isNumeric() || src.base == BaseType::Unknown) {
        x = numberOf(v);
    } else {
        throw notAllowed(src, dst);
    }
    if (dec::isScaled(dst)) {
        Digits d = toDigits(x);
        roundDigits(d, s);
        if (!fits(d)) throw overflowError(from, "numeric");
        return decimalOf(d, dst);
    }
    double r = roundDouble(x, s);
    if (std::fabs(r) >= pow10(p - s)) throw overflowError(from, "numeric");
    return Value::real(r);
}

Value toMoney(const Value& v, const SqlType& src, const SqlType& dst) {
    const bool small = dst.base == BaseType::SmallMoney;
    if (src.isString()) {
        std::string text = textOf(v);
        Digits d;
        if (!parseMoneyText(trimSpace(text), d)) {
            if (small) throw raise(293);
            throw raise(235);
        }
        roundDigits(d, 4);
        int64_t units = 0;
        if (!digitsToScaled(d, 4, units) || !dec::fits(units, dst)) {
            if (small) throw raise(294);
            throw raise(236);
        }
        return Value::integer(units);
    }
    if ((src.isInteger() || dec::isScaled(src)) &&
        (v.kind == Value::Kind::Int || (dec::isScaled(src) && dec::isWideForm(v)))) {
        Digits d = src.base == BaseType::Bit ? toDigits(int64_t{v.i != 0}) : digitsOf(v, src);
        roundDigits(d, 4);
        int64_t units = 0;
        if (!digitsToScaled(d, 4, units) || !dec::fits(units, dst))
            throw overflowError("expression", small ? "smallmoney" : "money");
        return Value::integer(units);
    }
    double x;
    if (src.isDateTime()) {
        if (src.base == BaseType::Date || src.base == BaseType::Time) throw notAllowed(src, dst);
        DateTime dt;
        if (!readDateTime(v, src, dt)) throw raise(241);
        x = static_cast<double>(dt.days) + static_cast<double>(dt.ms) / kMsPerDay;
    } else if (src.isNumeric() || src.base == BaseType::Unknown) {
        x = numberOf(v);
        if (src.base == BaseType::Bit) x = x != 0;
    } else {
        throw notAllowed(src, dst);
    }
    int64_t units = 0;
    if (!dec::fromDouble(x, 4, units) || !dec::fits(units, dst))
        throw overflowError("expression", small ? "smallmoney" : "money");
    return Value::integer(units);
}

Value toFloat(const Value& v, const SqlType& src, const SqlType& dst) {
    double x;
    if (src.isString()) {
        std::string text = textOf(v);
        if (!parseFloatText(trimSpace(text), x))
            throw raise(8114, {errorTypeName(src), errorTypeName(dst)});
    } else if (src.isDateTime()) {
        if (src.base == BaseType::Date || src.base == BaseType::Time) throw notAllowed(src, dst);
        DateTime dt;
        if (!readDateTime(v, src, dt)) throw raise(241);
        x = static_cast<double>(dt.days) + static_cast<double>(dt.ms) / kMsPerDay;
    } else if (src.isNumeric() || src.base == BaseType::Unknown) {
        x = numberOf(v);
        if (src.base == BaseType::Bit) x = x != 0;
    } else {
        throw notAllowed(src, dst);
    }
    if (dst.base == BaseType::Real) {
        if (std::fabs(x) > 3.40282346638528859811704183484516925440e+38)
            throw overflowError("expression", "real");
        x = static_cast<float>(x);
    }
    return Value::real(x);
}

std::string hexText(std::string_view bytes, bool prefix) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = prefix ? "0x" : "";
    for (unsigned char c : bytes) {
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
    }
    return out;
}

// Bytes of a string as the server stores it: code page 874 for varchar, UTF-16LE for nvarchar.
std::string stringBytes(std::string_view s, bool unicode) {
    std::string out;
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        char32_t c = nextChar(p, end);
        if (unicode) {
            auto put16 = [&](uint32_t u) {
                out.push_back(static_cast<char>(u & 0xFF));
                out.push_back(static_cast<char>(u >> 8));
            };
            if (c >= 0x10000) {
                put16(0xD800 + ((c - 0x10000) >> 10));
                put16(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                put16(c);
            }
        } else {
            int b = unicodeToCp874(c);
            out.push_back(static_cast<char>(b < 0 ? '?' : b));
        }
    }
    return out;
}

std::string bytesToString(std::string_view b, bool unicode) {
    std::string out;
    if (unicode) {
        for (size_t i = 0; i + 1 < b.size(); i += 2) {
            char32_t u =
                static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8);
            if (u >= 0xD800 && u < 0xDC00 && i + 3 < b.size()) {
                char32_t lo = static_cast<unsigned char>(b[i + 2]) |
                              (static_cast<unsigned char>(b[i + 3]) << 8);
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
            appendChar(out, u);
        }
    } else {
        for (unsigned char c : b) {
            char32_t u = cp874ToUnicode(c);
            appendChar(out, u ? u : c);
        }
    }
    return out;
}

Value toString(const Value& v, const SqlType& src, const SqlType& dst, int style, bool assign) {
    const bool unicode = dst.isUnicode();
    const int64_t len = dst.length < 0 || dst.base == BaseType::Text || dst.base == BaseType::NText
                            ? -1
                            : std::max(dst.length, 1);
    std::string text;
    enum { Plain, IntLike, Overflows, MoneyLike } onShort = Plain;
    switch (src.base) {
        case BaseType::Bit:
            text = numberOf(v) != 0 ? "1" : "0";
            onShort = IntLike;
            break;
        case BaseType::TinyInt:
        case BaseType::SmallInt:
        case BaseType::Int:
            text = v.kind == Value::Kind::Int ? std::to_string(v.i)
                                              : std::to_string(static_cast<int64_t>(numberOf(v)));
            onShort = IntLike;
            break;
        case BaseType::BigInt:
            text = v.kind == Value::Kind::Int ? std::to_string(v.i)
                                              : std::to_string(static_cast<int64_t>(numberOf(v)));
            onShort = Overflows;
            break;
        case BaseType::Decimal: {
            Digits d = digitsOf(v, src);
            roundDigits(d, src.scale);
            text = fixedText(d, src.scale);
            onShort = Overflows;
            break;
        }
        case BaseType::Money:
        case BaseType::SmallMoney: {
            Digits d = digitsOf(v, src);
            int places = style == 2 || style == 126 ? 4 : 2;
            roundDigits(d, places);
            text = fixedText(d, places, style == 1);
            onShort = MoneyLike;
            break;
        }
        case BaseType::Float:
        case BaseType::Real: {
            double x = numberOf(v);
            if (src.base == BaseType::Real && (style < 1 || style > 3)) x = static_cast<float>(x);
            text = floatText(x, style >= 0 && style <= 3 ? style : 0);
            onShort = Overflows;
            break;
        }
        case BaseType::DateTime:
        case BaseType::SmallDateTime:
        case BaseType::Date:
        case BaseType::Time: {
            DateTime dt;
            if (!readDateTime(v, src, dt)) throw raise(241);
            text = formatDateTimeStyle(dt, style, src.base);
            break;
        }
        case BaseType::Binary:
        case BaseType::VarBinary:
        case BaseType::Image:
            if (style == 1 || style == 2)
                text = hexText(v.s, style == 1);
            else
                text = bytesToString(v.s, unicode);
            break;
        case BaseType::Unknown:
        default:
            text = textOf(v);
            break;
    }

    if (len >= 0) {
        int64_t chars = charCount(text);
        if (chars > len) {
            const std::string dstName = errorTypeName(dst);
            switch (onShort) {
                case IntLike:
                    if (unicode) throw overflowError("expression", dstName);
                    text = "*";
                    break;
                case Overflows:
                    throw overflowError(
                        src.base == BaseType::BigInt ? "expression" : errorTypeName(src), dstName);
                case MoneyLike:
                    if (src.base == BaseType::SmallMoney) throw raise(292, {dstName});
                    throw raise(234, {dstName});
                case Plain: {
                    size_t cut = charOffset(text, len);
                    if (assign && rtrimBlanks(std::string_view(text).substr(cut)).size() > 0)
                        throw truncationError();
                    text.resize(cut);
                    break;
                }
            }
            chars = charCount(text);
        }
        if (dst.isFixedLength() && chars < len) text.append(static_cast<size_t>(len - chars), ' ');
    }
    return Value::text(std::move(text));
}

Value toDateTimeFamily(const Value& v, const SqlType& src, const SqlType& dst, int style) {
    const BaseType b = dst.base;
    const char* dstName = b == BaseType::DateTime        ? "datetime"
                          : b == BaseType::SmallDateTime ? "smalldatetime"
                          : b == BaseType::Date          ? "date"
                                                         : "time";
    DateTime dt;
    if (src.isString()) {
        std::string text = textOf(v);
        bool hasDate = false;
        const bool legacy = b == BaseType::DateTime || b == BaseType::SmallDateTime;
        ParseResult r = parseDateTime(text, style, dt, hasDate, legacy ? 3 : 7);
        if (r == ParseResult::Syntax ||
            (r == ParseResult::Range && (b == BaseType::Date || b == BaseType::Time))) {
            if (b == BaseType::SmallDateTime) throw raise(295);
            throw raise(241);
        }
        if (r == ParseResult::Range) throw raise(242, {errorTypeName(src), dstName});
    } else if (src.isDateTime()) {
        if (!readDateTime(v, src, dt)) throw raise(241);
        if (src.base == BaseType::Time && b == BaseType::Date) throw notAllowed(src, dst);
        if (src.base == BaseType::Date && b == BaseType::Time) throw notAllowed(src, dst);
    } else if (src.isNumeric() || src.base == BaseType::Unknown) {
        if (b == BaseType::Date || b == BaseType::Time) throw notAllowed(src, dst);
        if (v.kind == Value::Kind::Int) {
            dt.days = v.i;
            dt.ms = 0;
        } else {
            double x = numberOf(v);
            if (!(std::fabs(x) < 1e7)) throw overflowError("expression", dstName);
            readDateTime(Value::real(x), src, dt);
        }
        bool ok = b == BaseType::SmallDateTime ? dt.days >= 0 && dt.days <= kMaxSmallDay
                                               : dt.days >= kMinDateTimeDay && dt.days <= kMaxDay;
        if (!ok) throw overflowError("expression", dstName);
    } else {
        throw notAllowed(src, dst);
    }

    char buf[40];
    switch (b) {
        case BaseType::DateTime: {
            dt = roundToTicks(dt);
            if (dt.days < kMinDateTimeDay || dt.days > kMaxDay)
                throw raise(242, {errorTypeName(src), "datetime"}).withState(1);
            return Value::text(std::string(buf, formatCanonical(dt, buf)));
        }
        case BaseType::SmallDateTime: {
            dt = roundToMinute(dt);
            if (dt.days < 0 || dt.days > kMaxSmallDay)
                throw raise(242, {errorTypeName(src), "smalldatetime"});
            return Value::text(std::string(buf, formatCanonical(dt, buf)));
        }
        case BaseType::Date:
            return Value::text(std::string(buf, formatDateOnly(dt, buf)));
        default: {
            int64_t ms = dt.ms;
            std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d0000",
                          static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                          static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
            return Value::text(buf);
        }
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Value toBinaryType(const Value& v, const SqlType& src, const SqlType& dst, int style, bool assign) {
    std::string bytes;
    bool integral = false;
    if (src.isString() || (src.base == BaseType::Unknown && v.kind == Value::Kind::Text)) {
        std::string text = textOf(v);
        if (style == 1 || style == 2) {
            std::string_view h = text;
            bool ok = true;
            if (style == 1) {
                ok = h.size() >= 2 && h[0] == '0' && (h[1] == 'x' || h[1] == 'X');
                if (ok) h.remove_prefix(2);
            }
            ok = ok && h.size() % 2 == 0;
            for (size_t i = 0; ok && i < h.size(); i += 2) {
                int hi = hexDigit(h[i]), lo = hexDigit(h[i + 1]);
                if (hi < 0 || lo < 0)
                    ok = false;
                else
                    bytes.push_back(static_cast<char>(hi * 16 + lo));
            }
            if (!ok) throw raise(8114, {errorTypeName(src), errorTypeName(dst)});
        } else {
            bytes = stringBytes(text, src.isUnicode());
        }
    } else if (src.isBinary() || v.kind == Value::Kind::Blob) {
        bytes = v.s;
    } else if (src.isInteger() || (src.base == BaseType::Unknown && v.kind == Value::Kind::Int)) {
        int size = src.base == BaseType::BigInt                                            ? 8
                   : src.base == BaseType::SmallInt                                        ? 2
                   : src.base == BaseType::TinyInt || src.base == BaseType::Bit            ? 1
                   : src.base == BaseType::Unknown && (v.i < INT32_MIN || v.i > INT32_MAX) ? 8
                                                                                           : 4;
        uint64_t u = static_cast<uint64_t>(
            v.kind == Value::Kind::Int ? v.i : static_cast<int64_t>(numberOf(v)));
        for (int i = size - 1; i >= 0; --i)
            bytes.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
        integral = true;
    } else {
        throw notAllowed(src, dst);
    }
    if (dst.length >= 0 && dst.base != BaseType::Image) {
        size_t len = static_cast<size_t>(std::max(dst.length, 1));
        if (bytes.size() > len) {
            if (integral) {
                bytes = bytes.substr(bytes.size() - len);  // numbers keep their low-order bytes
            } else {
                if (assign) throw truncationError();
                bytes.resize(len);
            }
        } else if (dst.base == BaseType::Binary && bytes.size() < len) {
            if (integral)
                bytes.insert(0, len - bytes.size(), '\0');
            else
                bytes.append(len - bytes.size(), '\0');
        }
    }
    return Value::blob(std::move(bytes));
}

Value toGuid(const Value& v, const SqlType& src, const SqlType& dst) {
    if (src.isBinary() || v.kind == Value::Kind::Blob) {
        const std::string& b = v.s;
        if (b.size() < 16) throw notAllowed(src, dst);
        static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        std::string hex;
        for (int i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10) hex.push_back('-');
            hex += hexText(std::string_view(&b[kOrder[i]], 1), false);
        }
        return Value::text(hex);
    }
    if (!src.isString() && src.base != BaseType::UniqueIdentifier && src.base != BaseType::Unknown)
        throw notAllowed(src, dst);
    std::string text = textOf(v);
    std::string_view s = trimSpace(text);
    if (!s.empty() && s.front() == '{' && s.size() >= 38 && s[37] == '}') s = s.substr(1, 36);
    bool ok = s.size() >= 36;
    std::string out;
    for (size_t i = 0; ok && i < 36; ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash) {
            ok = s[i] == '-';
            out.push_back('-');
        } else {
            ok = hexDigit(s[i]) >= 0;
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(s[i]))));
        }
    }
    if (!ok) throw raise(8169);
    return Value::text(out);
}

}  // namespace

bool isNumericText(std::string_view s) {
    s = trimSpace(s);
    if (s.empty()) return false;
    Digits d;
    if (parseMoneyText(s, d)) return true;
    double x;
    if (parseFloatText(s, x)) return true;
    // The 'd' exponent of old float syntax is accepted too.
    size_t e = s.find_first_of("dD");
    if (e != std::string_view::npos) {
        std::string t(s);
        t[e] = 'e';
        return parseFloatText(t, x);
    }
    return false;
}

}  // namespace rt

Value convertValue(const Value& v, const SqlType& from, const SqlType& to, int style, bool assign) {
    using namespace rt;
    if (v.isNull()) return Value::null();
    SqlType src = from.base == BaseType::Unknown ? inferType(v) : from;
    // A scaled decimal goes on exactly to decimals, money and text; other targets read it as
    // the number it stands for.
    dec::Wide scaled = 0;
    if (dec::isScaled(src) && dec::scaledOf(v, scaled)) {
        const bool exact = to.base == BaseType::Decimal || to.base == BaseType::Money ||
                           to.base == BaseType::SmallMoney || to.isString() ||
                           to.base == BaseType::Unknown;
        if (!exact) {
            if (to.isInteger() && to.base != BaseType::Bit) {
                // decimal to integer truncates, money rounds.
                dec::Wide whole = 0;
                dec::rescaleWide(
                    scaled, -dec::scaleOf(src), whole,
                    src.base == BaseType::Decimal ? dec::Mode::Truncate : dec::Mode::HalfAway);
                if (to.base == BaseType::BigInt && whole >= INT64_MIN && whole <= INT64_MAX)
                    return Value::integer(static_cast<int64_t>(whole));
                // Exact as a double: anything beyond 2^53 overflows int anyway.
                return toInteger(Value::real(static_cast<double>(whole)), src, to);
            }
            return convertValue(
                Value::real(static_cast<double>(scaled) /
                            static_cast<double>(dec::kPow10Wide[dec::scaleOf(src)])),
                src, to, style, assign);
        }
    }
    // A decimal whose stored form is an integer is still a decimal; a number in a string type
    // (SQLite affinity aside) is read as its text.
    switch (to.base) {
        case BaseType::Unknown:
            return v;
        case BaseType::Bit:
        case BaseType::TinyInt:
        case BaseType::SmallInt:
        case BaseType::Int:
        case BaseType::BigInt:
            return toInteger(v, src, to);
        case BaseType::Decimal:
            return toDecimal(v, src, to);
        case BaseType::Money:
        case BaseType::SmallMoney:
            return toMoney(v, src, to);
        case BaseType::Float:
        case BaseType::Real:
            return toFloat(v, src, to);
        case BaseType::Char:
        case BaseType::VarChar:
        case BaseType::NChar:
        case BaseType::NVarChar:
        case BaseType::Text:
        case BaseType::NText:
            return toString(v, src, to, style, assign);
        case BaseType::DateTime:
        case BaseType::SmallDateTime:
        case BaseType::Date:
        case BaseType::Time:
            return toDateTimeFamily(v, src, to, style);
        case BaseType::Binary:
        case BaseType::VarBinary:
        case BaseType::Image:
            return toBinaryType(v, src, to, style, assign);
        case BaseType::UniqueIdentifier:
            return toGuid(v, src, to);
    }
    return v;
}

}  // namespace tsqlite
