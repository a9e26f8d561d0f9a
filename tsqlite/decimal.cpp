#include "tsqlite/decimal.h"

#include <algorithm>
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

namespace {
constexpr Wide p10(int n) {
    Wide r = 1;
    while (n-- > 0) r *= 10;
    return r;
}
}  // namespace

const Wide kPow10Wide[39] = {p10(0),  p10(1),  p10(2),  p10(3),  p10(4),  p10(5),  p10(6),  p10(7),
                             p10(8),  p10(9),  p10(10), p10(11), p10(12), p10(13), p10(14), p10(15),
                             p10(16), p10(17), p10(18), p10(19), p10(20), p10(21), p10(22), p10(23),
                             p10(24), p10(25), p10(26), p10(27), p10(28), p10(29), p10(30), p10(31),
                             p10(32), p10(33), p10(34), p10(35), p10(36), p10(37), p10(38)};

namespace {

using U128 = unsigned __int128;

// An unsigned 256-bit number, enough for the product of two 38-digit values or a 38-digit
// value times 10^38: the intermediate of a wide product or quotient.
struct U256 {
    uint64_t w[4] = {0, 0, 0, 0};  // least significant first

    static U256 of(U128 x) {
        U256 r;
        r.w[0] = static_cast<uint64_t>(x);
        r.w[1] = static_cast<uint64_t>(x >> 64);
        return r;
    }
    bool isZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
    int compare(const U256& o) const {
        for (int i = 3; i >= 0; --i)
            if (w[i] != o.w[i]) return w[i] < o.w[i] ? -1 : 1;
        return 0;
    }
    // False on overflow.
    bool mul(const U256& o) {
        uint64_t r[8] = {};
        for (int i = 0; i < 4; ++i) {
            U128 carry = 0;
            for (int j = 0; j < 4; ++j) {
                U128 t = static_cast<U128>(w[i]) * o.w[j] + r[i + j] + carry;
                r[i + j] = static_cast<uint64_t>(t);
                carry = t >> 64;
            }
            r[i + 4] = static_cast<uint64_t>(carry);
        }
        for (int i = 4; i < 8; ++i)
            if (r[i]) return false;
        for (int i = 0; i < 4; ++i) w[i] = r[i];
        return true;
    }
    void sub(const U256& o) {
        uint64_t borrow = 0;
        for (int i = 0; i < 4; ++i) {
            const U128 t = static_cast<U128>(w[i]) - o.w[i] - borrow;
            w[i] = static_cast<uint64_t>(t);
            borrow = (t >> 64) ? 1 : 0;
        }
    }
    void shiftLeft1() {
        for (int i = 3; i > 0; --i) w[i] = (w[i] << 1) | (w[i - 1] >> 63);
        w[0] <<= 1;
    }
    bool bit(int i) const { return (w[i / 64] >> (i % 64)) & 1; }
    void setBit(int i) { w[i / 64] |= uint64_t{1} << (i % 64); }
    // The value when it fits in 127 bits.
    bool toWide(Wide& out) const {
        if (w[2] || w[3] || (w[1] >> 63)) return false;
        out = static_cast<Wide>((static_cast<U128>(w[1]) << 64) | w[0]);
        return true;
    }
};

// False when 10^k leaves 256 bits.
bool pow10U256(int k, U256& out) {
    out = U256::of(1);
    const U256 ten = U256::of(10);
    for (int i = 0; i < k; ++i)
        if (!out.mul(ten)) return false;
    return true;
}

// n / d (d != 0) by shift and subtract, both below 2^255.
void divMod(const U256& n, const U256& d, U256& q, U256& r) {
    q = U256{};
    r = U256{};
    for (int i = 255; i >= 0; --i) {
        r.shiftLeft1();
        if (n.bit(i)) r.w[0] |= 1;
        if (r.compare(d) >= 0) {
            r.sub(d);
            q.setBit(i);
        }
    }
}

U128 magnitude(Wide x) {
    return x < 0 ? static_cast<U128>(0) - static_cast<U128>(x) : static_cast<U128>(x);
}

// Whether a quotient goes one unit further from zero: `inexact` when there is a remainder,
// `half` when it is at least half the divisor.
bool roundsUpFlags(bool inexact, bool half, bool neg, Mode mode) {
    if (!inexact) return false;
    switch (mode) {
        case Mode::HalfAway:
            return half;
        case Mode::Floor:
            return neg;
        case Mode::Ceiling:
            return !neg;
        case Mode::Truncate:
            break;
    }
    return false;
}

bool signedResult(U128 q, bool neg, Wide& out) {
    if (q >= static_cast<U128>(kPow10Wide[38])) return false;
    const Wide v = static_cast<Wide>(q);
    out = neg ? -v : v;
    return true;
}

// n / d rounded by mode with the sign `neg`; false when the quotient leaves 38 digits.
bool roundedQuotient(U128 n, U128 d, bool neg, Mode mode, Wide& out) {
    // Native 64-bit division where both fit: nearly every amount.
    U128 q, r;
    if ((n >> 64) == 0 && (d >> 64) == 0) {
        const uint64_t n64 = static_cast<uint64_t>(n), d64 = static_cast<uint64_t>(d);
        q = n64 / d64;
        r = n64 % d64;
    } else {
        q = n / d;
        r = n % d;
    }
    // r < d <= 2^127 here, so 2r does not wrap.
    if (roundsUpFlags(r != 0, r >= d - r, neg, mode)) ++q;
    return signedResult(q, neg, out);
}

bool roundedQuotient(const U256& n, const U256& d, bool neg, Mode mode, Wide& out) {
    if (!n.w[2] && !n.w[3] && !d.w[2] && !d.w[3] && !(d.w[1] >> 63))
        return roundedQuotient((static_cast<U128>(n.w[1]) << 64) | n.w[0],
                               (static_cast<U128>(d.w[1]) << 64) | d.w[0], neg, mode, out);
    U256 q, r;
    divMod(n, d, q, r);
    U256 twice = r;
    twice.shiftLeft1();
    if (roundsUpFlags(!r.isZero(), twice.compare(d) >= 0, neg, mode))
        // q + 1: q is far below 2^256 here.
        for (int i = 0; i < 4 && ++q.w[i] == 0; ++i) {
        }
    Wide v = 0;
    if (!q.toWide(v)) return false;
    return signedResult(static_cast<U128>(v), neg, out);
}

}  // namespace

bool productWide(Wide a, Wide b, int drop, Wide& out, Mode mode) {
    const bool neg = (a < 0) != (b < 0);
    U128 p = 0;
    if (drop >= 0 && drop <= 38 && !__builtin_mul_overflow(magnitude(a), magnitude(b), &p))
        return roundedQuotient(p, static_cast<U128>(kPow10Wide[drop]), neg, mode, out);
    U256 n = U256::of(magnitude(a));
    if (!n.mul(U256::of(magnitude(b)))) return false;
    U256 d;
    if (drop < 0) {
        if (!pow10U256(-drop, d) || !n.mul(d)) return false;
        d = U256::of(1);
    } else if (!pow10U256(drop, d)) {
        // Every digit goes.
        out = 0;
        return true;
    }
    return roundedQuotient(n, d, (a < 0) != (b < 0), mode, out);
}

bool quotientWide(Wide a, Wide b, int k, Wide& out, Mode mode) {
    const bool neg = (a < 0) != (b < 0);
    U128 n128 = 0, d128 = 0;
    if (k >= 0 && k <= 38 &&
        !__builtin_mul_overflow(magnitude(a), static_cast<U128>(kPow10Wide[k]), &n128))
        return roundedQuotient(n128, magnitude(b), neg, mode, out);
    if (k < 0 && k >= -38 &&
        !__builtin_mul_overflow(magnitude(b), static_cast<U128>(kPow10Wide[-k]), &d128) &&
        !(d128 >> 127))
        return roundedQuotient(magnitude(a), d128, neg, mode, out);
    U256 n = U256::of(magnitude(a)), d = U256::of(magnitude(b)), p;
    if (k >= 0) {
        // A numerator beyond 256 bits over a 38-digit divisor leaves 38 digits anyway.
        if (!pow10U256(k, p) || !n.mul(p)) return false;
    } else if (!pow10U256(-k, p) || !d.mul(p)) {
        out = 0;
        return true;
    }
    return roundedQuotient(n, d, (a < 0) != (b < 0), mode, out);
}

bool rescaleWide(Wide x, int k, Wide& out, Mode mode) {
    if (k == 0) {
        out = x;
        return true;
    }
    if (k > 0) {
        if (k > 38) {
            out = 0;
            return x == 0;
        }
        if (__builtin_mul_overflow(x, kPow10Wide[k], &out)) return false;
        return out > -kPow10Wide[38] && out < kPow10Wide[38];
    }
    return quotientWide(x, 1, k, out, mode);
}

Value scaledValue(Wide x) {
    if (x >= INT64_MIN && x <= INT64_MAX) return Value::integer(static_cast<int64_t>(x));
    return Value::blob(wideBytes(x));
}

std::string wideBytes(Wide x) {
    U128 u = static_cast<U128>(x) ^ (static_cast<U128>(1) << 127);
    std::string b(16, '\0');
    for (int i = 15; i >= 0; --i) {
        b[static_cast<size_t>(i)] = static_cast<char>(static_cast<unsigned char>(u & 0xff));
        u >>= 8;
    }
    return b;
}

Wide fromWideBytes(const unsigned char* p) {
    U128 u = 0;
    for (int i = 0; i < 16; ++i) u = (u << 8) | p[i];
    return static_cast<Wide>(u ^ (static_cast<U128>(1) << 127));
}

bool scaledOf(const Value& v, Wide& out) {
    if (v.kind == Value::Kind::Int) {
        out = v.i;
        return true;
    }
    if (!isWideForm(v)) return false;
    out = fromWideBytes(reinterpret_cast<const unsigned char*>(v.s.data()));
    return true;
}

bool fitsWide(Wide x, const SqlType& t) {
    if (t.base != BaseType::Decimal) {
        if (x < INT64_MIN || x > INT64_MAX) return false;
        return fits(static_cast<int64_t>(x), t);
    }
    const int p = t.precision > 0 ? std::min(t.precision, 38) : 18;
    return x > -kPow10Wide[p] && x < kPow10Wide[p];
}

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
            if (t.precision > 18) return fitsWide(x, t);
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
    Wide w = 0;
    if (!fromDoubleWide(x, scale, w) || w > INT64_MAX || w < INT64_MIN) return false;
    out = static_cast<int64_t>(w);
    return true;
}

bool fromDoubleWide(double x, int scale, Wide& out) {
    if (!std::isfinite(x)) return false;
    // Through the decimal digits of the double, so 2.675 stored as REAL reads as 2.675.
    rt::Digits d = rt::toDigits(x);
    rt::roundDigits(d, scale);
    if (d.isZero()) {
        out = 0;
        return true;
    }
    if (d.point + scale > 38) return false;
    Wide v = 0;
    for (int i = 0; i < d.point + scale; ++i) v = v * 10 + (i < d.n && i >= 0 ? d.d[i] - '0' : 0);
    out = d.neg ? -v : v;
    return true;
}

Value normalize(const Value& v, const SqlType& t) {
    if (v.kind != Value::Kind::Float) return v;
    Wide x = 0;
    if (!fromDoubleWide(v.f, scaleOf(t), x)) return v;
    return scaledValue(x);
}

Value plain(const Value& v, const SqlType& t) {
    Wide x = 0;
    if (!isScaled(t) || !scaledOf(v, x)) return v;
    return Value::real(static_cast<double>(x) / static_cast<double>(kPow10Wide[scaleOf(t)]));
}

std::string text(Wide x, int scale) {
    U128 u = magnitude(x);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
        u /= 10;
    } while (u != 0);
    if (static_cast<int>(digits.size()) <= scale)
        digits.insert(0, static_cast<size_t>(scale + 1) - digits.size(), '0');
    if (scale > 0) digits.insert(digits.size() - static_cast<size_t>(scale), 1, '.');
    return x < 0 ? "-" + digits : digits;
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
