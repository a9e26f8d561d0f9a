// Arithmetic on scaled decimals (see decimal.h). The translator calls these only where SQLite's
// own integer operators cannot do the work: a product or quotient that changes the scale, a
// rounding, the range check of a sum that SQLite would silently turn into a REAL, and any
// arithmetic, ordering or MIN/MAX of a type whose values may take the wide form.
#include <sqlite3.h>
#include <algorithm>

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

using dec::Wide;

// A result in its stored form: an INTEGER when it fits in 64 bits, the wide form beyond.
void resultScaled(sqlite3_context* ctx, Wide x) {
    if (x >= INT64_MIN && x <= INT64_MAX) return sqlite3_result_int64(ctx, static_cast<int64_t>(x));
    const std::string b = dec::wideBytes(x);
    sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

void resultChecked(sqlite3_context* ctx, Wide x, int64_t code) {
    SqlType t = typeOfCode(code);
    if (!dec::fitsWide(x, t)) dec::throwOverflow(t);
    resultScaled(ctx, x);
}

// The scaled integer of an argument, in either stored form. A REAL here is an integer sum or
// difference that left int64, which is an overflow of the result.
Wide scaledArg(sqlite3_value* v, int64_t code) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return sqlite3_value_int64(v);
        case SQLITE_BLOB:
            if (sqlite3_value_bytes(v) == 16)
                return dec::fromWideBytes(static_cast<const unsigned char*>(sqlite3_value_blob(v)));
            break;
        case SQLITE_FLOAT: {
            const double x = sqlite3_value_double(v);
            if (std::fabs(x) < 9.2e18 && x == std::trunc(x)) return static_cast<int64_t>(x);
            break;
        }
        default:
            break;
    }
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

// tsq_dadd(a, b, code) and tsq_dsub(a, b, code): a sum or difference of a type that may hold
// values beyond 64 bits, where SQLite's own operators cannot take the wide form.
template <bool Subtract>
void fnAddSub(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const int64_t code = sqlite3_value_int64(argv[2]);
    const Wide a = scaledArg(argv[0], code), b = scaledArg(argv[1], code);
    Wide r = 0;
    if (Subtract ? __builtin_sub_overflow(a, b, &r) : __builtin_add_overflow(a, b, &r))
        dec::throwOverflow(typeOfCode(code));
    resultChecked(ctx, r, code);
}

// tsq_drescale(x, k, code, mode): x * 10^k, rounding by mode when k < 0. A REAL x (an average
// of scaled values) is rounded to a whole number first.
void fnRescale(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const int k = sqlite3_value_int(argv[1]);
    const int64_t code = sqlite3_value_int64(argv[2]);
    const dec::Mode mode = modeArg(argv[3]);
    Wide x = 0;
    if (sqlite3_value_type(argv[0]) == SQLITE_FLOAT) {
        if (!dec::fromDoubleWide(sqlite3_value_double(argv[0]), 0, x))
            dec::throwOverflow(typeOfCode(code));
    } else {
        x = scaledArg(argv[0], code);
    }
    Wide r = 0;
    if (!dec::rescaleWide(x, k, r, mode)) dec::throwOverflow(typeOfCode(code));
    resultChecked(ctx, r, code);
}

// tsq_dmul(a, b, drop, code): the exact product of two scaled values with `drop` places
// rounded off.
void fnMul(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const int drop = sqlite3_value_int(argv[2]);
    const int64_t code = sqlite3_value_int64(argv[3]);
    Wide r = 0;
    if (!dec::productWide(scaledArg(argv[0], code), scaledArg(argv[1], code), drop, r))
        dec::throwOverflow(typeOfCode(code));
    resultChecked(ctx, r, code);
}

// tsq_ddiv(a, b, k, code): a * 10^k / b, truncated as SQL Server truncates a quotient.
void fnDiv(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const int k = sqlite3_value_int(argv[2]);
    const int64_t code = sqlite3_value_int64(argv[3]);
    const Wide b = scaledArg(argv[1], code);
    if (b == 0) throw errors::divideByZero();
    Wide r = 0;
    if (!dec::quotientWide(scaledArg(argv[0], code), b, k, r, dec::Mode::Truncate))
        dec::throwOverflow(typeOfCode(code));
    resultChecked(ctx, r, code);
}

// tsq_dmod(a, b): the remainder of two values at the same scale, signed as the dividend.
void fnMod(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const Wide b = scaledArg(argv[1], 38);
    if (b == 0) throw errors::divideByZero();
    resultScaled(ctx, scaledArg(argv[0], 38) % b);
}

// tsq_dround(x, s, n, truncate, code): ROUND(x, n[, truncate]) of a value with s places.
void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(3, argv)) return sqlite3_result_null(ctx);
    const int64_t code = sqlite3_value_int64(argv[argc - 1]);
    const Wide x = scaledArg(argv[0], code);
    const int s = sqlite3_value_int(argv[1]);
    const int64_t n = intArg(argv[2]);
    const bool truncate =
        argc == 5 && sqlite3_value_type(argv[3]) != SQLITE_NULL && intArg(argv[3]) != 0;
    if (n >= s) return resultScaled(ctx, x);
    const int drop = static_cast<int>(std::min<int64_t>(s - n, 39));
    Wide r = 0;
    if (drop <= 38) {
        Wide whole = 0;
        dec::rescaleWide(x, -drop, whole, truncate ? dec::Mode::Truncate : dec::Mode::HalfAway);
        if (!dec::rescaleWide(whole, drop, r)) dec::throwOverflow(typeOfCode(code));
    }
    resultChecked(ctx, r, code);
}

// tsq_dfromreal(x, s): a REAL decimal (as stored before decimals were scaled) at s places.
void fnFromReal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    Wide x = 0;
    if (!dec::fromDoubleWide(sqlite3_value_double(argv[0]), sqlite3_value_int(argv[1]), x))
        dec::throwOverflow(typeOfCode(38));
    resultScaled(ctx, x);
}

// tsq_dcmp(a, b): -1, 0 or 1, for ordering values of a type that may hold the wide form
// (SQLite orders every INTEGER before every BLOB).
void fnCompare(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    const Wide a = scaledArg(argv[0], 38), b = scaledArg(argv[1], 38);
    sqlite3_result_int(ctx, a < b ? -1 : a > b ? 1 : 0);
}

// tsq_dkey(x): a sort key of a scaled value in either form (the 16-byte wide form for every
// value, whose byte order is numeric order).
void fnKey(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const std::string b = dec::wideBytes(scaledArg(argv[0], 38));
    sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

// tsq_dseg(x, run): a bound of an ordering comparison within one run of a wide column's stored
// values (0: negative wide values, 1: INTEGERs, 2: positive wide values). x itself when it lies
// in that run; otherwise a limit never stored that lets the comparison take the whole run or
// none of it: x'80' for the wide runs, x'' (after every INTEGER) or -Inf (before them) for the
// INTEGERs.
void fnSegment(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const Wide x = scaledArg(argv[0], 38);
    const int own = x < INT64_MIN ? 0 : x > INT64_MAX ? 2 : 1;
    const int run = sqlite3_value_int(argv[1]);
    if (run == own) return resultScaled(ctx, x);
    static const unsigned char kMiddle = 0x80;
    if (run != 1) return sqlite3_result_blob(ctx, &kMiddle, 1, SQLITE_STATIC);
    if (own == 0) return sqlite3_result_double(ctx, -HUGE_VAL);
    sqlite3_result_zeroblob(ctx, 0);
}

// tsq_dreal(x, s): the number a scaled value with s places stands for, as a REAL.
void fnReal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const int s = std::clamp(sqlite3_value_int(argv[1]), 0, 38);
    sqlite3_result_double(
        ctx, static_cast<double>(scaledArg(argv[0], 38)) / static_cast<double>(dec::kPow10Wide[s]));
}

// tsq_dabs(x): ABS of a value that may be in the wide form.
void fnAbs(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const Wide x = scaledArg(argv[0], 38);
    resultScaled(ctx, x < 0 ? -x : x);
}

template <void (*F)(sqlite3_context*)>
void guardedFinal(sqlite3_context* ctx) {
    try {
        F(ctx);
    } catch (const Error& e) {
        reportError(ctx, e);
    }
}

// tsq_dsum(x[, code]): SUM of scaled values on 128 bits, so that only a total outside its type
// is an overflow (SQLite's sum() would report "integer overflow" in its own words, and cannot
// add the wide form). The one-argument form serves SUM(DISTINCT x); tsq_dcheck around the
// aggregate checks the total against its type.
struct SumState {
    Wide total;
    bool any;
    bool overflow;
};

void sumStep(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!s) return sqlite3_result_error_nomem(ctx);
    const int64_t code = argc > 1 ? sqlite3_value_int64(argv[1]) : 38;
    s->any = true;
    if (__builtin_add_overflow(s->total, scaledArg(argv[0], code), &s->total)) {
        if (argc > 1) dec::throwOverflow(typeOfCode(code));
        s->overflow = true;
    }
}

void sumFinal(sqlite3_context* ctx) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->any) return sqlite3_result_null(ctx);
    // Only decimals reach 128 bits: money totals are far below.
    if (s->overflow) dec::throwOverflow(typeOfCode(38));
    resultScaled(ctx, s->total);
}

// tsq_dmin(x) / tsq_dmax(x): MIN and MAX of a type that may hold the wide form.
struct ExtremeState {
    Wide value;
    bool any;
};

template <bool Max>
void extremeStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    auto* s = static_cast<ExtremeState*>(sqlite3_aggregate_context(ctx, sizeof(ExtremeState)));
    if (!s) return sqlite3_result_error_nomem(ctx);
    const Wide x = scaledArg(argv[0], 38);
    if (!s->any || (Max ? x > s->value : x < s->value)) s->value = x;
    s->any = true;
}

void extremeFinal(sqlite3_context* ctx) {
    auto* s = static_cast<ExtremeState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->any) return sqlite3_result_null(ctx);
    resultScaled(ctx, s->value);
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
    sqlite3_create_function_v2(db, "tsq_dsum", 1, det, nullptr, nullptr, guarded<sumStep>,
                               guardedFinal<sumFinal>, nullptr);
    sqlite3_create_function_v2(db, "tsq_dmin", 1, det, nullptr, nullptr,
                               guarded<extremeStep<false>>, guardedFinal<extremeFinal>, nullptr);
    sqlite3_create_function_v2(db, "tsq_dmax", 1, det, nullptr, nullptr, guarded<extremeStep<true>>,
                               guardedFinal<extremeFinal>, nullptr);
    sqlite3_create_function_v2(db, "tsq_dadd", 3, det, nullptr, guarded<fnAddSub<false>>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dsub", 3, det, nullptr, guarded<fnAddSub<true>>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dcmp", 2, det, nullptr, guarded<fnCompare>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dmod", 2, det, nullptr, guarded<fnMod>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_dreal", 2, det, nullptr, guarded<fnReal>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_dabs", 1, det, nullptr, guarded<fnAbs>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_dseg", 2, det, nullptr, guarded<fnSegment>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dkey", 1, det, nullptr, guarded<fnKey>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_dfromreal", 2, det, nullptr, guarded<fnFromReal>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dround", 4, det, nullptr, guarded<fnRound>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dround", 5, det, nullptr, guarded<fnRound>, nullptr,
                               nullptr, nullptr);
}

}  // namespace rt
}  // namespace tsqlite
