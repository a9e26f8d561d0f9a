#pragma once
// Exact decimals on SQLite. A decimal of up to 18 digits, a wider one with at most 4 places
// (amounts, quantities and their sums), money and smallmoney are stored and computed as scaled
// integers: 12.50 in a decimal(10,2) is the INTEGER 1250. SQLite then adds, compares, sorts,
// groups and indexes them natively and exactly. A wide decimal's value must then fit in 64 bits
// once scaled (19 digits); beyond, it is an arithmetic overflow. Decimals with more places and
// more than 18 digits (quotients) stay REAL.
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
           (t.base == BaseType::Decimal && (t.precision <= 18 || t.scale <= 4));
}
inline int scaleOf(const SqlType& t) {
    return t.base == BaseType::Decimal ? t.scale : 4;
}

extern const int64_t kPow10[19];

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
// SQL Server's name of the type in an overflow message: "numeric", "money", "smallmoney".
const char* overflowName(const SqlType& t);
// Msg 8115 for a result outside its type.
[[noreturn]] void throwOverflow(const SqlType& t);

// The scaled value of a REAL number, rounded half away from zero; false when out of int64.
bool fromDouble(double x, int scale, int64_t& out);
inline double toDouble(int64_t x, int scale) {
    return static_cast<double>(x) / static_cast<double>(kPow10[scale]);
}
// A value of type t as a plain number (a result set's value, for a caller that wants a double):
// scaled decimals as the number they stand for, anything else as Value::Kind says.
Value plain(const Value& v, const SqlType& t);

// "-12.50": exactly `scale` decimals.
std::string text(int64_t x, int scale);

// A value of a scaled type as read from SQLite: an INTEGER as it is, a REAL (written before
// decimals were scaled) scaled now.
Value normalize(const Value& v, const SqlType& t);

// Brings the scaled columns of a database written with REAL decimals to the scaled form.
// False when the file cannot be changed (read-only): its values are then scaled as read.
bool upgradeStoredDecimals(sqlite3* db, const std::string& schema);

}  // namespace tsqlite::dec
