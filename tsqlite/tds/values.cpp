#include "tsqlite/tds/values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tsqlite/decimal.h"
#include "tsqlite/error.h"
#include "tsqlite/messages.h"
#include "tsqlite/session.h"

namespace tsqlite::tds {

// LCID 0x041E with the ignore-case, ignore-kana and ignore-width flags; sort id 0 (a Windows
// collation), from which clients take code page 874.
const char kCollation[5] = {'\x1E', '\x04', '\xD0', '\x00', '\x00'};

namespace {

using B = BaseType;
using u128 = unsigned __int128;

enum Token : uint8_t {
    kNull = 0x1F,
    kInt1 = 0x30,
    kBit = 0x32,
    kInt2 = 0x34,
    kInt4 = 0x38,
    kDateTim4 = 0x3A,
    kFlt4 = 0x3B,
    kMoney = 0x3C,
    kDateTime = 0x3D,
    kFlt8 = 0x3E,
    kMoney4 = 0x7A,
    kInt8 = 0x7F,
    kGuid = 0x24,
    kIntN = 0x26,
    kDateN = 0x28,
    kTimeN = 0x29,
    kDateTime2N = 0x2A,
    kDateTimeOffsetN = 0x2B,
    kBitN = 0x68,
    kDecimalN = 0x6A,
    kNumericN = 0x6C,
    kFltN = 0x6D,
    kMoneyN = 0x6E,
    kDateTimN = 0x6F,
    kImage = 0x22,
    kText = 0x23,
    kNText = 0x63,
    kBigVarBin = 0xA5,
    kBigVarChar = 0xA7,
    kBigBinary = 0xAD,
    kBigChar = 0xAF,
    kNVarChar = 0xE7,
    kNChar = 0xEF,
};

constexpr uint64_t kPlpNull = ~uint64_t(0);
constexpr uint16_t kMaxLen = 0xFFFF;  // the "max" forms, sent as partially length-prefixed data

int decimalBytes(int precision) {
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

int precisionOf(const SqlType& t) {
    return t.precision > 0 && t.precision <= 38 ? t.precision : 18;
}

int scaleOf(const SqlType& t) {
    return t.scale >= 0 && t.scale <= precisionOf(t) ? t.scale : 0;
}

// Declared lengths in bytes as the wire limits them (8000 for the non-max forms).
uint16_t byteLength(const SqlType& t, int perChar) {
    long n = t.length > 0 ? static_cast<long>(t.length) * perChar : 8000;
    return static_cast<uint16_t>(std::min(n, 8000L));
}

int64_t toInt64(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return v.i;
        case Value::Kind::Float:
            if (!(std::fabs(v.f) < 9.2e18)) return 0;
            return std::llround(v.f);
        case Value::Kind::Text:
            return std::strtoll(v.s.c_str(), nullptr, 10);
        default:
            return 0;
    }
}

double toDouble(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return static_cast<double>(v.i);
        case Value::Kind::Float:
            return v.f;
        case Value::Kind::Text:
            return std::strtod(v.s.c_str(), nullptr);
        default:
            return 0;
    }
}

Error overflow(const SqlType& type) {
    return Error(
        8115,
        "Arithmetic overflow error converting expression to data type " + type.toString() + ".", 16,
        1);
}

// The value as a scaled integer with its sign, through the engine's own text of it (which
// rounds as the column's scale says).
bool scaled(const Value& v, const SqlType& type, u128& magnitude, bool& negative) {
    std::string text = displayText(v, type);
    magnitude = 0;
    negative = false;
    int digits = 0;
    for (char c : text) {
        if (c == '-') negative = true;
        if (c >= '0' && c <= '9') {
            if (digits > 0 || c != '0') ++digits;
            magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        }
    }
    // More than 38 digits cannot travel as a decimal (nor would SQL Server hold them).
    if (digits > 38) throw overflow(type);
    return digits > 0;
}

struct DateParts {
    int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    long nanos = 0;
};

// "YYYY-MM-DD[ HH:MM:SS[.fffffff]]", "HH:MM:SS[.fff]": the engine's texts of dates and times.
DateParts parseDate(const std::string& s) {
    DateParts p;
    size_t i = 0;
    auto number = [&](size_t maxDigits) {
        int n = 0;
        size_t k = 0;
        while (i < s.size() && k < maxDigits && s[i] >= '0' && s[i] <= '9') {
            n = n * 10 + (s[i++] - '0');
            ++k;
        }
        return n;
    };
    if (s.size() >= 10 && s[4] == '-') {
        p.year = number(4);
        ++i;
        p.month = number(2);
        ++i;
        p.day = number(2);
        if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) ++i;
    }
    if (i + 5 <= s.size() && s[i + 2] == ':') {
        p.hour = number(2);
        ++i;
        p.minute = number(2);
        if (i < s.size() && s[i] == ':') {
            ++i;
            p.second = number(2);
        }
        if (i < s.size() && s[i] == '.') {
            ++i;
            long scale = 100000000;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                p.nanos += (s[i++] - '0') * scale;
                scale /= 10;
            }
        }
    }
    return p;
}

// Days since 1970-01-01 of a date, and back (proleptic Gregorian).
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr long kDays1900 = -25567;   // 1900-01-01 from 1970-01-01
constexpr long kDays0001 = -719162;  // 0001-01-01 from 1970-01-01

std::string dateTimeText(long unixDays, long long nanosOfDay, bool withTime) {
    int y, m, d;
    civilFromDays(unixDays, y, m, d);
    char buf[40];
    if (!withTime) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
        return buf;
    }
    long long ms = (nanosOfDay + 500000) / 1000000;
    if (ms >= 86400000) ms = 86399999;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02lld:%02lld:%02lld.%03lld", y, m, d,
                  ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return buf;
}

bool isMax(const SqlType& t) {
    return t.length == -1 &&
           (t.base == B::VarChar || t.base == B::NVarChar || t.base == B::VarBinary);
}

void writePlp(Writer& w, std::string_view data) {
    w.u64(data.size());
    if (!data.empty()) {
        w.u32(static_cast<uint32_t>(data.size()));
        w.bytes(data);
    }
    w.u32(0);
}

std::string readPlp(Reader& r, bool& null) {
    uint64_t total = r.u64();
    null = total == kPlpNull;
    std::string out;
    if (null) return out;
    for (;;) {
        uint32_t chunk = r.u32();
        if (chunk == 0) break;
        out.append(r.bytes(chunk));  // bounded by the message
    }
    return out;
}

int64_t readSigned(Reader& r, size_t n) {
    uint64_t v = 0;
    auto b = r.bytes(n);
    for (size_t i = n; i-- > 0;) v = v << 8 | static_cast<uint8_t>(b[i]);
    if (n < 8 && (v >> (n * 8 - 1) & 1)) v |= ~uint64_t(0) << (n * 8);
    return static_cast<int64_t>(v);
}

uint64_t readUnsigned(Reader& r, size_t n) {
    uint64_t v = 0;
    auto b = r.bytes(n);
    for (size_t i = n; i-- > 0;) v = v << 8 | static_cast<uint8_t>(b[i]);
    return v;
}

std::string guidText(std::string_view b) {
    char buf[40];
    auto u = [&](size_t i) { return static_cast<unsigned>(static_cast<uint8_t>(b[i])); };
    std::snprintf(buf, sizeof buf,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", u(3),
                  u(2), u(1), u(0), u(5), u(4), u(7), u(6), u(8), u(9), u(10), u(11), u(12), u(13),
                  u(14), u(15));
    return buf;
}

std::string guidBytes(const std::string& text) {
    std::string hex;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
    std::string raw(16, '\0');
    if (hex.size() != 32) return raw;
    for (size_t i = 0; i < 16; ++i)
        raw[i] = static_cast<char>(std::strtoul(hex.substr(i * 2, 2).c_str(), nullptr, 16));
    // The first three groups are little-endian on the wire.
    std::string out = raw;
    out[0] = raw[3], out[1] = raw[2], out[2] = raw[1], out[3] = raw[0];
    out[4] = raw[5], out[5] = raw[4], out[6] = raw[7], out[7] = raw[6];
    return out;
}

}  // namespace

bool hasTableName(const SqlType& t) {
    return t.base == B::Text || t.base == B::NText || t.base == B::Image;
}

bool isNullOnWire(const Value& v) {
    return v.isNull();
}

void writeTypeInfo(Writer& w, const SqlType& t) {
    switch (t.base) {
        case B::Bit:
            w.u8(kBitN), w.u8(1);
            return;
        case B::TinyInt:
            w.u8(kIntN), w.u8(1);
            return;
        case B::SmallInt:
            w.u8(kIntN), w.u8(2);
            return;
        case B::BigInt:
            w.u8(kIntN), w.u8(8);
            return;
        case B::Decimal:
            w.u8(kDecimalN);
            w.u8(static_cast<uint8_t>(decimalBytes(precisionOf(t))));
            w.u8(static_cast<uint8_t>(precisionOf(t)));
            w.u8(static_cast<uint8_t>(scaleOf(t)));
            return;
        case B::Money:
            w.u8(kMoneyN), w.u8(8);
            return;
        case B::SmallMoney:
            w.u8(kMoneyN), w.u8(4);
            return;
        case B::Float:
            w.u8(kFltN), w.u8(8);
            return;
        case B::Real:
            w.u8(kFltN), w.u8(4);
            return;
        case B::Char:
            w.u8(kBigChar), w.u16(byteLength(t, 1)), w.bytes({kCollation, 5});
            return;
        case B::VarChar:
            w.u8(kBigVarChar), w.u16(isMax(t) ? kMaxLen : byteLength(t, 1));
            w.bytes({kCollation, 5});
            return;
        case B::NChar:
            w.u8(kNChar), w.u16(byteLength(t, 2)), w.bytes({kCollation, 5});
            return;
        case B::NVarChar:
            w.u8(kNVarChar), w.u16(isMax(t) ? kMaxLen : byteLength(t, 2));
            w.bytes({kCollation, 5});
            return;
        case B::Text:
            w.u8(kText), w.u32(0x7FFFFFFF), w.bytes({kCollation, 5});
            return;
        case B::NText:
            w.u8(kNText), w.u32(0x7FFFFFFE), w.bytes({kCollation, 5});
            return;
        case B::Image:
            w.u8(kImage), w.u32(0x7FFFFFFF);
            return;
        case B::DateTime:
            w.u8(kDateTimN), w.u8(8);
            return;
        case B::SmallDateTime:
            w.u8(kDateTimN), w.u8(4);
            return;
        case B::Date:
            w.u8(kDateN);
            return;
        case B::Time:
            w.u8(kTimeN), w.u8(7);
            return;
        case B::Binary:
            w.u8(kBigBinary), w.u16(byteLength(t, 1));
            return;
        case B::VarBinary:
            w.u8(kBigVarBin), w.u16(isMax(t) ? kMaxLen : byteLength(t, 1));
            return;
        case B::UniqueIdentifier:
            w.u8(kGuid), w.u8(16);
            return;
        case B::Int:
        case B::Unknown:  // an untyped NULL is an int, as SQL Server types SELECT NULL
            w.u8(kIntN), w.u8(4);
            return;
    }
}

void writeValue(Writer& w, const SqlType& t, const Value& v) {
    const bool null = v.isNull();
    switch (t.base) {
        case B::Bit:
        case B::TinyInt:
        case B::SmallInt:
        case B::Int:
        case B::BigInt:
        case B::Unknown: {
            if (null) return w.u8(0);
            int n = t.base == B::Bit || t.base == B::TinyInt ? 1
                    : t.base == B::SmallInt                  ? 2
                    : t.base == B::BigInt                    ? 8
                                                             : 4;
            int64_t x = toInt64(v);
            if (t.base == B::Bit) x = x != 0;
            w.u8(static_cast<uint8_t>(n));
            for (int i = 0; i < n; ++i)
                w.u8(static_cast<uint8_t>(static_cast<uint64_t>(x) >> (8 * i)));
            return;
        }
        case B::Decimal: {
            if (null) return w.u8(0);
            SqlType shown = t;
            shown.precision = precisionOf(t);
            shown.scale = scaleOf(t);
            u128 mag;
            bool negative;
            scaled(v, shown, mag, negative);
            int n = decimalBytes(shown.precision);
            w.u8(static_cast<uint8_t>(n));
            w.u8(negative ? 0 : 1);
            for (int i = 0; i < n - 1; ++i) w.u8(static_cast<uint8_t>(mag >> (8 * i)));
            return;
        }
        case B::Money:
        case B::SmallMoney: {
            if (null) return w.u8(0);
            u128 mag;
            bool negative;
            scaled(v, sqlType(B::Money), mag, negative);
            const u128 limit = t.base == B::SmallMoney ? u128(2147483647) : u128(INT64_MAX);
            if (mag > limit + (negative ? 1 : 0)) throw overflow(t);
            int64_t units =
                negative ? static_cast<int64_t>(u128(0) - mag) : static_cast<int64_t>(mag);
            if (t.base == B::SmallMoney) {
                w.u8(4);
                w.u32(static_cast<uint32_t>(static_cast<int32_t>(units)));
            } else {
                w.u8(8);
                w.u32(static_cast<uint32_t>(static_cast<uint64_t>(units) >> 32));
                w.u32(static_cast<uint32_t>(units));
            }
            return;
        }
        case B::Float: {
            if (null) return w.u8(0);
            double d = toDouble(v);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            w.u8(8), w.u64(bits);
            return;
        }
        case B::Real: {
            if (null) return w.u8(0);
            float f = static_cast<float>(toDouble(v));
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            w.u8(4), w.u32(bits);
            return;
        }
        case B::Char:
        case B::VarChar:
        case B::NChar:
        case B::NVarChar:
        case B::Binary:
        case B::VarBinary: {
            std::string data;
            if (!null) {
                if (t.base == B::Binary || t.base == B::VarBinary)
                    data = v.kind == Value::Kind::Blob || v.kind == Value::Kind::Text
                               ? v.s
                               : displayText(v, t);
                else if (t.isUnicode())
                    data = utf8ToUtf16(v.kind == Value::Kind::Text ? v.s : displayText(v, t));
                else
                    data = utf8ToCp874(v.kind == Value::Kind::Text ? v.s : displayText(v, t));
            }
            if (isMax(t)) {
                if (null) return w.u64(kPlpNull);
                return writePlp(w, data);
            }
            if (null) return w.u16(0xFFFF);
            // A value never outgrows its column on SQL Server; should one here, it is cut at
            // the column's length rather than break the stream.
            size_t limit = byteLength(t, t.isUnicode() ? 2 : 1);
            if (data.size() > limit) data.resize(limit);
            w.u16(static_cast<uint16_t>(data.size()));
            w.bytes(data);
            return;
        }
        case B::Text:
        case B::NText:
        case B::Image: {
            if (null) return w.u8(0);
            std::string data = t.base == B::Image  ? v.s
                               : t.base == B::Text ? utf8ToCp874(v.s)
                                                   : utf8ToUtf16(v.s);
            w.u8(16);
            w.bytes(std::string(16, '\0'));  // text pointer
            w.bytes(std::string(8, '\0'));   // timestamp
            w.u32(static_cast<uint32_t>(data.size()));
            w.bytes(data);
            return;
        }
        case B::DateTime:
        case B::SmallDateTime: {
            if (null) return w.u8(0);
            DateParts p = parseDate(v.s);
            long days = daysFromCivil(p.year, p.month, p.day) - kDays1900;
            long long ms = (p.hour * 3600LL + p.minute * 60 + p.second) * 1000 + p.nanos / 1000000;
            if (t.base == B::SmallDateTime) {
                w.u8(4);
                w.u16(static_cast<uint16_t>(days));
                w.u16(static_cast<uint16_t>(p.hour * 60 + p.minute));
            } else {
                w.u8(8);
                w.u32(static_cast<uint32_t>(static_cast<int32_t>(days)));
                w.u32(static_cast<uint32_t>((ms * 300 + 500) / 1000));
            }
            return;
        }
        case B::Date: {
            if (null) return w.u8(0);
            DateParts p = parseDate(v.s);
            long days = daysFromCivil(p.year, p.month, p.day) - kDays0001;
            w.u8(3);
            for (int i = 0; i < 3; ++i) w.u8(static_cast<uint8_t>(days >> (8 * i)));
            return;
        }
        case B::Time: {
            if (null) return w.u8(0);
            DateParts p = parseDate(v.s);
            uint64_t ticks =
                (p.hour * 3600ULL + p.minute * 60 + p.second) * 10000000ULL + p.nanos / 100;
            w.u8(5);
            for (int i = 0; i < 5; ++i) w.u8(static_cast<uint8_t>(ticks >> (8 * i)));
            return;
        }
        case B::UniqueIdentifier: {
            if (null) return w.u8(0);
            w.u8(16);
            w.bytes(v.kind == Value::Kind::Blob && v.s.size() == 16 ? v.s : guidBytes(v.s));
            return;
        }
    }
}

std::string declaration(const SqlType& t) {
    if (t.base == B::Unknown) return "int";
    return t.toString();
}

RpcParam readParam(Reader& r) {
    RpcParam p;
    p.name = r.bVarchar();
    uint8_t status = r.u8();
    p.output = status & 0x01;
    const uint8_t token = r.u8();
    auto fixedInt = [&](B base, size_t n) {
        p.type = sqlType(base);
        p.value = Value::integer(readSigned(r, n));
    };
    auto real = [&](size_t n) {
        p.type = sqlType(n == 4 ? B::Real : B::Float);
        if (n == 4) {
            uint32_t bits = static_cast<uint32_t>(readUnsigned(r, 4));
            float f;
            std::memcpy(&f, &bits, 4);
            p.value = Value::real(f);
        } else {
            uint64_t bits = readUnsigned(r, 8);
            double d;
            std::memcpy(&d, &bits, 8);
            p.value = Value::real(d);
        }
    };
    auto money = [&](size_t n) {
        p.type = sqlType(n == 4 ? B::SmallMoney : B::Money);
        int64_t units;
        if (n == 4) {
            units = readSigned(r, 4);
        } else {
            uint64_t hi = readUnsigned(r, 4);
            uint64_t lo = readUnsigned(r, 4);
            units = static_cast<int64_t>(hi << 32 | lo);
        }
        // Ten-thousandths, as the engine keeps money: every digit arrives.
        p.value = Value::integer(units);
    };
    auto dateTime = [&](size_t n) {
        p.type = sqlType(n == 4 ? B::SmallDateTime : B::DateTime);
        if (n == 4) {
            long days = static_cast<long>(readUnsigned(r, 2));
            long long minutes = static_cast<long long>(readUnsigned(r, 2));
            p.value = Value::text(dateTimeText(days + kDays1900, minutes * 60'000'000'000LL, true));
        } else {
            long days = static_cast<long>(readSigned(r, 4));
            long long ticks = static_cast<long long>(readUnsigned(r, 4));
            p.value = Value::text(
                dateTimeText(days + kDays1900, (ticks * 1000 + 150) / 300 * 1'000'000LL, true));
        }
    };
    switch (token) {
        case kNull:
            p.type = sqlType(B::Int);
            return p;
        case kInt1:
            p.type = sqlType(B::TinyInt);
            p.value = Value::integer(static_cast<int64_t>(readUnsigned(r, 1)));
            return p;
        case kBit:
            p.type = sqlType(B::Bit);
            p.value = Value::integer(r.u8() != 0);
            return p;
        case kInt2:
            fixedInt(B::SmallInt, 2);
            return p;
        case kInt4:
            fixedInt(B::Int, 4);
            return p;
        case kInt8:
            fixedInt(B::BigInt, 8);
            return p;
        case kFlt4:
            real(4);
            return p;
        case kFlt8:
            real(8);
            return p;
        case kMoney4:
            money(4);
            return p;
        case kMoney:
            money(8);
            return p;
        case kDateTim4:
            dateTime(4);
            return p;
        case kDateTime:
            dateTime(8);
            return p;
        case kIntN:
        case kBitN:
        case kFltN:
        case kMoneyN:
        case kDateTimN:
        case kGuid: {
            uint8_t max = r.u8();
            uint8_t len = r.u8();
            if (len > max || (len != 0 && token != kGuid && len > 8))
                throw ProtocolError("parameter length beyond its type");
            if (token == kIntN) {
                B base = max == 1   ? B::TinyInt
                         : max == 2 ? B::SmallInt
                         : max == 8 ? B::BigInt
                                    : B::Int;
                p.type = sqlType(base);
                if (len) {
                    if (len != 1 && len != 2 && len != 4 && len != 8)
                        throw ProtocolError("bad integer length");
                    p.value = Value::integer(len == 1 ? static_cast<int64_t>(readUnsigned(r, 1))
                                                      : readSigned(r, len));
                }
            } else if (token == kBitN) {
                p.type = sqlType(B::Bit);
                if (len) p.value = Value::integer(readUnsigned(r, len) != 0);
            } else if (token == kFltN) {
                if (len) {
                    if (len != 4 && len != 8) throw ProtocolError("bad float length");
                    real(len);
                } else {
                    p.type = sqlType(max == 4 ? B::Real : B::Float);
                }
            } else if (token == kMoneyN) {
                if (len) {
                    if (len != 4 && len != 8) throw ProtocolError("bad money length");
                    money(len);
                } else {
                    p.type = sqlType(max == 4 ? B::SmallMoney : B::Money);
                }
            } else if (token == kDateTimN) {
                if (len) {
                    if (len != 4 && len != 8) throw ProtocolError("bad datetime length");
                    dateTime(len);
                } else {
                    p.type = sqlType(max == 4 ? B::SmallDateTime : B::DateTime);
                }
            } else {
                p.type = sqlType(B::UniqueIdentifier);
                if (len) {
                    if (len != 16) throw ProtocolError("bad uniqueidentifier length");
                    p.value = Value::text(guidText(r.bytes(16)));
                }
            }
            return p;
        }
        case kDecimalN:
        case kNumericN: {
            r.u8();  // the largest length
            int precision = r.u8();
            int scale = r.u8();
            if (precision < 1 || precision > 38 || scale > precision)
                throw ProtocolError("bad decimal precision or scale");
            p.type = sqlType(B::Decimal, 0, precision, scale);
            uint8_t len = r.u8();
            if (len == 0) return p;
            if (len < 2 || len > 17) throw ProtocolError("bad decimal length");
            bool negative = r.u8() == 0;
            u128 mag = 0;
            auto b = r.bytes(len - 1u);
            for (size_t i = b.size(); i-- > 0;) mag = mag << 8 | static_cast<uint8_t>(b[i]);
            // The engine keeps a decimal as its scaled integer: every digit goes in, and the
            // declared type reads it at its scale.
            if (mag >= static_cast<u128>(dec::kPow10Wide[38])) throw overflow(p.type);
            const dec::Wide units = static_cast<dec::Wide>(mag);
            p.value = dec::scaledValue(negative ? -units : units);
            return p;
        }
        case kDateN: {
            p.type = sqlType(B::Date);
            uint8_t len = r.u8();
            if (len == 0) return p;
            if (len != 3) throw ProtocolError("bad date length");
            long days = static_cast<long>(readUnsigned(r, 3));
            p.value = Value::text(dateTimeText(days + kDays0001, 0, false));
            return p;
        }
        case kTimeN:
        case kDateTime2N:
        case kDateTimeOffsetN: {
            int scale = r.u8();
            if (scale > 7) throw ProtocolError("bad time scale");
            uint8_t len = r.u8();
            size_t timeBytes = scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
            size_t want =
                timeBytes + (token == kTimeN ? 0 : 3) + (token == kDateTimeOffsetN ? 2 : 0);
            // datetime2 and datetimeoffset go into the engine's datetime (it has no other).
            p.type = sqlType(token == kTimeN ? B::Time : B::DateTime);
            if (len == 0) return p;
            if (len != want) throw ProtocolError("bad time length");
            uint64_t units = readUnsigned(r, timeBytes);
            for (int i = scale; i < 7; ++i) units *= 10;
            long long nanos = static_cast<long long>(units) * 100;
            if (token == kTimeN) {
                long long ms = nanos / 1000000;
                char buf[32];
                std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%07lld", ms / 3600000,
                              ms / 60000 % 60, ms / 1000 % 60, nanos / 100 % 10000000);
                p.value = Value::text(buf);
                return p;
            }
            long days = static_cast<long>(readUnsigned(r, 3));
            if (token == kDateTimeOffsetN) r.u16();  // the offset: the time is already UTC
            p.value = Value::text(dateTimeText(days + kDays0001, nanos, true));
            return p;
        }
        case kBigVarChar:
        case kBigChar:
        case kNVarChar:
        case kNChar:
        case kBigVarBin:
        case kBigBinary: {
            uint16_t max = r.u16();
            const bool chars = token == kBigVarChar || token == kBigChar;
            const bool unicode = token == kNVarChar || token == kNChar;
            if (chars || unicode) r.skip(5);  // collation
            B base = token == kBigVarChar  ? B::VarChar
                     : token == kBigChar   ? B::Char
                     : token == kNVarChar  ? B::NVarChar
                     : token == kNChar     ? B::NChar
                     : token == kBigVarBin ? B::VarBinary
                                           : B::Binary;
            int length = max == kMaxLen ? -1 : unicode ? max / 2 : max;
            if (length == 0) length = 1;
            p.type = sqlType(base, length);
            std::string data;
            bool null;
            if (max == kMaxLen) {
                data = readPlp(r, null);
            } else {
                uint16_t len = r.u16();
                null = len == 0xFFFF;
                if (!null) data = std::string(r.bytes(len));
            }
            if (null) return p;
            p.value = unicode ? Value::text(utf16ToUtf8(data))
                      : chars ? Value::text(cp874ToUtf8(data))
                              : Value::blob(std::move(data));
            return p;
        }
        case kText:
        case kNText:
        case kImage: {
            r.u32();  // the largest length
            if (token != kImage) r.skip(5);
            p.type = sqlType(token == kText ? B::Text : token == kNText ? B::NText : B::Image);
            uint32_t len = r.u32();
            if (len == 0xFFFFFFFF) return p;
            std::string data(r.bytes(len));
            p.value = token == kNText  ? Value::text(utf16ToUtf8(data))
                      : token == kText ? Value::text(cp874ToUtf8(data))
                                       : Value::blob(std::move(data));
            return p;
        }
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%02X", token);
            throw raise(8009, {p.name, buf});
        }
    }
}

}  // namespace tsqlite::tds
