#include "tsqlite/decimal.h"

#include <cmath>

#include "tsqlite/runtime_internal.h"

namespace tsqlite::dec {

const int64_t kPow10[19] = {1LL,
                            10LL,
                            100LL,
                            1000LL,
                            10000LL,
                            100000LL,
                            1000000LL,
                            10000000LL,
                            100000000LL,
                            1000000000LL,
                            10000000000LL,
                            100000000000LL,
                            1000000000000LL,
                            10000000000000LL,
                            100000000000000LL,
                            1000000000000000LL,
                            10000000000000000LL,
                            100000000000000000LL,
                            1000000000000000000LL};

bool divide128(__int128 n, __int128 d, int64_t& out, Mode mode) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    __int128 q = n / d, r = n % d;
    if (r != 0) {
        switch (mode) {
            case Mode::HalfAway:
                if ((r < 0 ? -r : r) * 2 >= d) q += n < 0 ? -1 : 1;
                break;
            case Mode::Floor:
                if (r < 0) --q;
                break;
            case Mode::Ceiling:
                if (r > 0) ++q;
                break;
            case Mode::Truncate:
                break;
        }
    }
    if (q > INT64_MAX || q < INT64_MIN) return false;
    out = static_cast<int64_t>(q);
    return true;
}

bool rescale(int64_t x, int k, int64_t& out, Mode mode) {
    if (k == 0) {
        out = x;
        return true;
    }
    if (k > 0) {
        if (k > 18) {
            if (x != 0) return false;
            out = 0;
            return true;
        }
        __int128 r = static_cast<__int128>(x) * kPow10[k];
        if (r > INT64_MAX || r < INT64_MIN) return false;
        out = static_cast<int64_t>(r);
        return true;
    }
    if (-k > 18) {
        // Every digit goes: the result is 0 or, rounding outwards, one unit.
        int64_t unit = 0;
        if (mode == Mode::Floor && x < 0) unit = -1;
        if (mode == Mode::Ceiling && x > 0) unit = 1;
        out = unit;
        return true;
    }
    return divide128(x, kPow10[-k], out, mode);
}

bool fits(int64_t x, const SqlType& t) {
    switch (t.base) {
        case BaseType::Money:
            return true;
        case BaseType::SmallMoney:
            return x >= -2147483648LL && x <= 2147483647LL;
        default: {
            if (t.precision > 18) return true;
            const int p = t.precision > 0 ? t.precision : 18;
            return x > -kPow10[p] && x < kPow10[p];
        }
    }
}

const char* overflowName(const SqlType& t) {
    return t.base == BaseType::Money        ? "money"
           : t.base == BaseType::SmallMoney ? "smallmoney"
                                            : "numeric";
}

void throwOverflow(const SqlType& t) {
    throw rt::overflowError("expression", overflowName(t));
}

bool fromDouble(double x, int scale, int64_t& out) {
    if (!std::isfinite(x)) return false;
    // Through the decimal digits of the double, so 2.675 stored as REAL reads as 2.675.
    rt::Digits d = rt::toDigits(x);
    rt::roundDigits(d, scale);
    if (d.isZero()) {
        out = 0;
        return true;
    }
    if (d.point + scale > 19) return false;
    __int128 v = 0;
    for (int i = 0; i < d.point + scale; ++i) v = v * 10 + (i < d.n ? d.d[i] - '0' : 0);
    if (d.neg) v = -v;
    if (v > INT64_MAX || v < INT64_MIN) return false;
    out = static_cast<int64_t>(v);
    return true;
}

Value normalize(const Value& v, const SqlType& t) {
    if (v.kind != Value::Kind::Float) return v;
    int64_t x = 0;
    if (!fromDouble(v.f, scaleOf(t), x)) return v;
    return Value::integer(x);
}

Value plain(const Value& v, const SqlType& t) {
    if (!isScaled(t) || v.kind != Value::Kind::Int) return v;
    return Value::real(toDouble(v.i, scaleOf(t)));
}

std::string text(int64_t x, int scale) {
    const bool neg = x < 0;
    uint64_t u = neg ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
    std::string digits = std::to_string(u);
    if (static_cast<int>(digits.size()) <= scale)
        digits.insert(0, static_cast<size_t>(scale + 1) - digits.size(), '0');
    if (scale > 0) digits.insert(digits.size() - static_cast<size_t>(scale), 1, '.');
    return neg ? "-" + digits : digits;
}

}  // namespace tsqlite::dec
