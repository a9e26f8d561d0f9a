#pragma once
// Exact decimals on SQLite. Every decimal, numeric, money and smallmoney value is stored and
// computed as a scaled integer: 12.50 in a decimal(10,2) is the INTEGER 1250. A scaled value
// that fits in 64 bits is an INTEGER, so SQLite adds, compares, sorts, groups and indexes the
// usual amounts natively and exactly. Beyond 64 bits (up to SQL Server's 38 digits) the value
// is a 16-byte BLOB holding the 128-bit scaled integer (the "wide form"). Every value has one
// stored form, so `=`, GROUP BY and DISTINCT stay native; ordering of a type that may hold wide
// values (precision above 18) goes through tsq_dcmp / tsq_dkey, since SQLite sorts every
// INTEGER before every BLOB. Arithmetic that may leave 64 bits goes through the tsq_d*
// functions (runtime_decimal.cpp), which compute on 128 bits (256 for products and quotients).
//
// A value of a scaled type that arrives as a REAL (a database written before decimals were
// scaled, or an expression that left integer arithmetic) is the number itself, not scaled.
#include <cstdint>
#include <string>

struct sqlite3;

#include "tsqlite/types.h"

namespace tsqlite::dec {

// Whether values of the type are kept as scaled integers.
inline bool isScaled(const SqlType& t) {
    return t.base == BaseType::Money || t.base == BaseType::SmallMoney ||
           t.base == BaseType::Decimal;
}
// Whether values of the type may need the wide form (more than 18 digits).
inline bool mayBeWide(const SqlType& t) {
    return t.base == BaseType::Decimal && t.precision > 18;
}
inline int scaleOf(const SqlType& t) {
    return t.base == BaseType::Decimal ? t.scale : 4;
}

extern const int64_t kPow10[19];

// A scaled value of up to 38 digits.
using Wide = __int128;
// 10^0 .. 10^38.
extern const Wide kPow10Wide[39];

// The stored form of a scaled value: an INTEGER when it fits in 64 bits, the wide form beyond.
Value scaledValue(Wide x);
// The 16-byte wide form (big-endian, sign bit flipped, so that byte order is numeric order).
std::string wideBytes(Wide x);
Wide fromWideBytes(const unsigned char* p);
inline bool isWideForm(const Value& v) {
    return v.kind == Value::Kind::Blob && v.s.size() == 16;
}
// The scaled integer of a stored value (INTEGER or wide form); false for anything else.
bool scaledOf(const Value& v, Wide& out);

// How the runtime's decimal functions are told a result type: the precision of a decimal,
// 100 for money, 101 for smallmoney.
inline int typeCode(const SqlType& t) {
    return t.base == BaseType::Money        ? 100
           : t.base == BaseType::SmallMoney ? 101
                                            : (t.precision > 0 ? t.precision : 18);
}

// Rounding of a rescale that drops digits.
enum class Mode { HalfAway, Floor, Ceiling, Truncate };

// x * 10^k (k < 0 divides, rounding by mode). False when the result leaves int64.
bool rescale(int64_t x, int k, int64_t& out, Mode mode = Mode::HalfAway);
// n / d rounded by mode, on 128 bits (d != 0). False when the quotient leaves int64.
bool divide128(__int128 n, __int128 d, int64_t& out, Mode mode = Mode::HalfAway);

// Whether a scaled value is within its type: |x| < 10^p for decimal(p,s) up to 18 digits (64
// bits for wider ones), the 8-byte or 4-byte range for money and smallmoney.
bool fits(int64_t x, const SqlType& t);
// The same for any scaled value: |x| < 10^p for every decimal(p,s).
bool fitsWide(Wide x, const SqlType& t);
// x * 10^k on 128 bits (k < 0 divides, rounding by mode); false when it leaves 38 digits.
bool rescaleWide(Wide x, int k, Wide& out, Mode mode = Mode::HalfAway);
// a * b / 10^drop, rounded by mode, computed on 256 bits; false when it leaves 38 digits.
bool productWide(Wide a, Wide b, int drop, Wide& out, Mode mode = Mode::HalfAway);
// a * 10^k / b (b != 0), rounded by mode, computed on 256 bits; false beyond 38 digits.
bool quotientWide(Wide a, Wide b, int k, Wide& out, Mode mode = Mode::Truncate);
// SQL Server's name of the type in an overflow message: "numeric", "money", "smallmoney".
const char* overflowName(const SqlType& t);
// Msg 8115 for a result outside its type.
[[noreturn]] void throwOverflow(const SqlType& t);

// The scaled value of a REAL number, rounded half away from zero; false when out of int64.
bool fromDouble(double x, int scale, int64_t& out);
// The same up to 38 digits.
bool fromDoubleWide(double x, int scale, Wide& out);
inline double toDouble(int64_t x, int scale) {
    return static_cast<double>(x) / static_cast<double>(kPow10Wide[scale]);
}
// A value of type t as a plain number (a result set's value, for a caller that wants a double):
// scaled decimals (either form) as the number they stand for, anything else as Value::Kind
// says.
Value plain(const Value& v, const SqlType& t);

// "-12.50": exactly `scale` decimals.
std::string text(int64_t x, int scale);
std::string text(Wide x, int scale);

// A value of a scaled type as read from SQLite: an INTEGER or wide form as it is, a REAL
// (written before decimals were scaled) scaled now.
Value normalize(const Value& v, const SqlType& t);

// Brings the scaled columns of a database written with REAL decimals to the scaled form.
// False when the file cannot be changed (read-only): its values are then scaled as read.
bool upgradeStoredDecimals(sqlite3* db, const std::string& schema);

}  // namespace tsqlite::dec
