// Arithmetic on scaled decimals (see decimal.h). The translator calls these only where SQLite's
// own integer operators cannot do the work: a product or quotient that changes the scale, a
// rounding, and the range check of a sum that SQLite would silently turn into a REAL.
#include <sqlite3.h>

#include <cmath>

#include "tsqlite/decimal.h"
#include "tsqlite/runtime_internal.h"

namespace tsqlite {
namespace rt {

namespace {

// The result type travels as a small code: the precision of a decimal, 100 for money, 101 for
// smallmoney (dec::typeCode).
SqlType typeOfCode(int64_t code) {
    SqlType t;
    if (code == 100) {
        t.base = BaseType::Money;
        t.precision = 19;
        t.scale = 4;
    } else if (code == 101) {
        t.base = BaseType::SmallMoney;
        t.precision = 10;
        t.scale = 4;
    } else {
        t.base = BaseType::Decimal;
        t.precision = static_cast<int>(code);
    }
    return t;
}

void resultChecked(sqlite3_context* ctx, int64_t x, int64_t code) {
    SqlType t = typeOfCode(code);
    if (!dec::fits(x, t)) dec::throwOverflow(t);
    sqlite3_result_int64(ctx, x);
}

// The scaled integer of an argument. A REAL here is an integer sum or difference that left
// int64, which is an overflow of the result.
int64_t scaledArg(sqlite3_value* v, int64_t code) {
    if (sqlite3_value_type(v) == SQLITE_INTEGER) return sqlite3_value_int64(v);
    const double x = sqlite3_value_double(v);
    if (sqlite3_value_type(v) == SQLITE_FLOAT && std::fabs(x) < 9.2e18 && x == std::trunc(x))
        return static_cast<int64_t>(x);
    dec::throwOverflow(typeOfCode(code));
}

dec::Mode modeArg(sqlite3_value* v) {
    switch (sqlite3_value_int(v)) {
        case 1:
            return dec::Mode::Floor;
        case 2:
            return dec::Mode::Ceiling;
        case 3:
            return dec::Mode::Truncate;
        default:
            return dec::Mode::HalfAway;
    }
}

// tsq_dcheck(x, code): x (a sum or difference) when its type holds it; 8115 otherwise.
void fnCheck(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const int64_t code = sqlite3_value_int64(argv[1]);
    resultChecked(ctx, scaledArg(argv[0], code), code);
}

// tsq_drescale(x, k, code, mode): x * 10^k, rounding by mode when k < 0. A REAL x (an average
// of scaled values) is rounded to a whole number first.
void fnRescale(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const int k = sqlite3_value_int(argv[1]);
    const int64_t code = sqlite3_value_int64(argv[2]);
    const dec::Mode mode = modeArg(argv[3]);
    int64_t x = 0;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        x = sqlite3_value_int64(argv[0]);
    } else {
        const double d = sqlite3_value_double(argv[0]);
        if (!dec::fromDouble(d, 0, x)) dec::throwOverflow(typeOfCode(code));
    }
    int64_t r = 0;
    if (!dec::rescale(x, k, r, mode)) dec::throwOverflow(typeOfCode(code));
    resultChecked(ctx, r, code);
}

// tsq_dmul(a, b, drop, code): the exact product of two scaled values with `drop` places
// rounded off.
void fnMul(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const int drop = sqlite3_value_int(argv[2]);
    const int64_t code = sqlite3_value_int64(argv[3]);
    const __int128 p = static_cast<__int128>(scaledArg(argv[0], code)) * scaledArg(argv[1], code);
    int64_t r = 0;
    if (drop <= 0) {
        if (p > INT64_MAX || p < INT64_MIN) dec::throwOverflow(typeOfCode(code));
        r = static_cast<int64_t>(p);
    } else if (drop > 18 || !dec::divide128(p, dec::kPow10[drop], r)) {
        if (drop <= 18) dec::throwOverflow(typeOfCode(code));
        // A product of two int64 has at most 38 digits: at most a rounding unit survives.
        r = 0;
    }
    resultChecked(ctx, r, code);
}

// tsq_ddiv(a, b, k, code): a * 10^k / b, truncated as SQL Server truncates a quotient.
void fnDiv(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const int k = sqlite3_value_int(argv[2]);
    const int64_t code = sqlite3_value_int64(argv[3]);
    const int64_t b = scaledArg(argv[1], code);
    if (b == 0) throw errors::divideByZero();
    __int128 n = scaledArg(argv[0], code);
    __int128 d = b;
    for (int i = 0; i < k; ++i)
        if (__builtin_mul_overflow(n, 10, &n)) dec::throwOverflow(typeOfCode(code));
    for (int i = 0; i > k; --i) d *= 10;
    int64_t r = 0;
    if (!dec::divide128(n, d, r, dec::Mode::Truncate)) dec::throwOverflow(typeOfCode(code));
    resultChecked(ctx, r, code);
}

// tsq_dround(x, s, n, truncate, code): ROUND(x, n[, truncate]) of a value with s places.
void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(3, argv)) return sqlite3_result_null(ctx);
    const int64_t code = sqlite3_value_int64(argv[argc - 1]);
    const int64_t x = scaledArg(argv[0], code);
    const int s = sqlite3_value_int(argv[1]);
    const int64_t n = intArg(argv[2]);
    const bool truncate =
        argc == 5 && sqlite3_value_type(argv[3]) != SQLITE_NULL && intArg(argv[3]) != 0;
    if (n >= s) return sqlite3_result_int64(ctx, x);
    const int drop = static_cast<int>(std::min<int64_t>(s - n, 19));
    int64_t r = 0;
    if (drop > 18) {
        r = 0;
    } else {
        int64_t whole = 0;
        dec::rescale(x, -drop, whole, truncate ? dec::Mode::Truncate : dec::Mode::HalfAway);
        if (!dec::rescale(whole, drop, r)) dec::throwOverflow(typeOfCode(code));
    }
    resultChecked(ctx, r, code);
}

// tsq_dfromreal(x, s): a REAL decimal (as stored before decimals were scaled) at s places.
void fnFromReal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    int64_t x = 0;
    if (!dec::fromDouble(sqlite3_value_double(argv[0]), sqlite3_value_int(argv[1]), x))
        dec::throwOverflow(typeOfCode(18));
    sqlite3_result_int64(ctx, x);
}

template <void (*F)(sqlite3_context*)>
void guardedFinal(sqlite3_context* ctx) {
    try {
        F(ctx);
    } catch (const Error& e) {
        reportError(ctx, e);
    }
}

// tsq_dsum(x, code): SUM of scaled values on 128 bits, so that only a total outside its type
// is an overflow (SQLite's sum() would report "integer overflow" in its own words).
struct SumState {
    __int128 total;
    bool any;
};

void sumStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!s) return sqlite3_result_error_nomem(ctx);
    const int64_t code = sqlite3_value_int64(argv[1]);
    s->total += scaledArg(argv[0], code);
    s->any = true;
    // Far beyond any type: stop before 128 bits could wrap.
    if (s->total > static_cast<__int128>(INT64_MAX) * 4 ||
        s->total < static_cast<__int128>(INT64_MIN) * 4)
        dec::throwOverflow(typeOfCode(code));
}

void sumFinal(sqlite3_context* ctx) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->any) return sqlite3_result_null(ctx);
    // The code is not at hand here: the step kept the total within reach, the range is
    // checked against 64 bits and the type's own range by tsq_dcheck around the aggregate.
    if (s->total > INT64_MAX || s->total < INT64_MIN) return sqlite3_result_double(ctx, 1e19);
    sqlite3_result_int64(ctx, static_cast<int64_t>(s->total));
}

}  // namespace

void registerDecimalFunctions(sqlite3* db) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "tsq_dcheck", 2, det, nullptr, guarded<fnCheck>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_drescale", 4, det, nullptr, guarded<fnRescale>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dmul", 4, det, nullptr, guarded<fnMul>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_ddiv", 4, det, nullptr, guarded<fnDiv>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_dsum", 2, det, nullptr, nullptr, guarded<sumStep>,
                               guardedFinal<sumFinal>, nullptr);
    sqlite3_create_function_v2(db, "tsq_dfromreal", 2, det, nullptr, guarded<fnFromReal>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dround", 4, det, nullptr, guarded<fnRound>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dround", 5, det, nullptr, guarded<fnRound>, nullptr,
                               nullptr, nullptr);
}

}  // namespace rt
}  // namespace tsqlite
