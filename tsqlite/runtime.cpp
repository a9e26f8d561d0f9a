// Registration of the runtime on a SQLite connection, and the SQLite faces of CONVERT and the
// date functions. These run once per row on large scans, so the common cases avoid allocating.
#include "tsqlite/runtime.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "tsqlite/decimal.h"
#include "tsqlite/messages.h"
#include "tsqlite/runtime_internal.h"

namespace tsqlite {
namespace rt {

void reportError(sqlite3_context* ctx, const Error& e) {
    std::string text = encodeError(e);
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

void resultValue(sqlite3_context* ctx, const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return sqlite3_result_int64(ctx, v.i);
        case Value::Kind::Float:
            return sqlite3_result_double(ctx, v.f);
        case Value::Kind::Text:
            return resultText(ctx, v.s);
        case Value::Kind::Blob:
            return sqlite3_result_blob(ctx, v.s.data(), static_cast<int>(v.s.size()),
                                       SQLITE_TRANSIENT);
        case Value::Kind::Null:
            return sqlite3_result_null(ctx);
    }
}

namespace {

Value readValue(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return Value::integer(sqlite3_value_int64(v));
        case SQLITE_FLOAT:
            return Value::real(sqlite3_value_double(v));
        case SQLITE_TEXT:
            return Value::text(std::string(textArg(v)));
        case SQLITE_BLOB: {
            const char* p = static_cast<const char*>(sqlite3_value_blob(v));
            return Value::blob(
                std::string(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v))));
        }
        default:
            return Value::null();
    }
}

// A type name argument ('varchar(20)'), parsed once per thread. SQLite drops a function's
// auxiliary data whenever a statement is reset, so it would be parsed again for every row of
// a statement that runs once per row (a prepared INSERT); the names a program uses are few.
const SqlType& typeArg(sqlite3_context* ctx, sqlite3_value** argv, int i, SqlType& local) {
    (void)ctx;
    thread_local std::map<std::string, SqlType, std::less<>> known;
    std::string_view name = textArg(argv[i]);
    auto it = known.find(name);
    if (it != known.end()) return it->second;
    auto parsed = SqlType::parse(name);
    if (!parsed) throw raise(243, {std::string(name)});
    // Entries are never removed, so references stay valid; past the bound (dynamic SQL that
    // makes up types) a name is parsed each time.
    if (known.size() >= 4096) {
        local = *parsed;
        return local;
    }
    return known.emplace(std::string(name), *parsed).first->second;
}

bool isStringish(const SqlType& t) {
    return t.isString() || t.base == BaseType::Unknown;
}

// 10^n without a call to pow for every converted value.
double powerOfTen(int n) {
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                     1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19,
                                     1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26, 1e27, 1e28, 1e29,
                                     1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38};
    return n >= 0 && n <= 38 ? kPowers[n] : std::pow(10.0, n);
}

// The cases that dominate real workloads, answered straight from the SQLite value.
// Between integers, scaled decimals and float without leaving the integers; false for the
// general path (a REAL into a scaled type, a failure to report).
bool fastScaled(sqlite3_context* ctx, sqlite3_value* arg, const SqlType& src, const SqlType& dst) {
    if (sqlite3_value_type(arg) != SQLITE_INTEGER) return false;
    const int64_t x = sqlite3_value_int64(arg);
    const int from = dec::isScaled(src) ? dec::scaleOf(src) : 0;
    if (!dec::isScaled(src) && !src.isInteger()) return false;
    if (dst.base == BaseType::Float) {
        sqlite3_result_double(ctx, dec::toDouble(x, from));
        return true;
    }
    if (!dec::isScaled(dst)) return false;
    int64_t r = 0;
    if (!dec::rescale(x, dec::scaleOf(dst) - from, r) || !dec::fits(r, dst)) return false;
    sqlite3_result_int64(ctx, r);
    return true;
}

bool fastConvert(sqlite3_context* ctx, sqlite3_value* arg, const SqlType& src, const SqlType& dst,
                 int style) {
    const int type = sqlite3_value_type(arg);
    switch (dst.base) {
        case BaseType::TinyInt:
        case BaseType::SmallInt:
        case BaseType::Int:
        case BaseType::BigInt: {
            if (type != SQLITE_INTEGER || !(src.isInteger() || src.base == BaseType::Unknown))
                return false;
            int64_t v = sqlite3_value_int64(arg);
            bool ok = dst.base == BaseType::BigInt     ? true
                      : dst.base == BaseType::Int      ? v >= INT32_MIN && v <= INT32_MAX
                      : dst.base == BaseType::SmallInt ? v >= -32768 && v <= 32767
                                                       : v >= 0 && v <= 255;
            if (!ok) return false;
            sqlite3_result_int64(ctx, v);
            return true;
        }
        case BaseType::Bit:
            if (type != SQLITE_INTEGER || !(src.isNumeric() || src.base == BaseType::Unknown))
                return false;
            sqlite3_result_int(ctx, sqlite3_value_int64(arg) != 0);
            return true;
        case BaseType::Decimal:
        case BaseType::Money:
        case BaseType::Float: {
            if ((type != SQLITE_INTEGER && type != SQLITE_FLOAT) ||
                !(src.isNumeric() || src.base == BaseType::Unknown) || src.base == BaseType::Bit)
                return false;
            if (dec::isScaled(src) || dec::isScaled(dst)) return fastScaled(ctx, arg, src, dst);
            double x = sqlite3_value_double(arg);
            if (dst.base == BaseType::Float) {
                sqlite3_result_double(ctx, x);
                return true;
            }
            int scale = dst.base == BaseType::Money ? 4 : dst.scale;
            double limit = dst.base == BaseType::Money
                               ? 922337203685477.5808
                               : powerOfTen((dst.precision > 0 ? dst.precision : 18) - scale);
            double r = type == SQLITE_INTEGER ? x : roundDouble(x, scale);
            if (!(std::fabs(r) < limit) || std::fabs(x) > 9e15) return false;
            sqlite3_result_double(ctx, r);
            return true;
        }
        case BaseType::Char:
        case BaseType::VarChar:
        case BaseType::NChar:
        case BaseType::NVarChar: {
            if (type == SQLITE_TEXT && isStringish(src)) {
                if (dst.length < 0) {
                    sqlite3_result_value(ctx, arg);
                    return true;
                }
                std::string_view s = textArg(arg);
                int64_t n = charCount(s);
                if (n > dst.length) return false;
                if (!dst.isFixedLength() || n == dst.length) {
                    sqlite3_result_value(ctx, arg);
                    return true;
                }
                char buf[256];
                size_t total = s.size() + static_cast<size_t>(dst.length - n);
                if (total > sizeof buf) return false;
                std::memcpy(buf, s.data(), s.size());
                std::memset(buf + s.size(), ' ', total - s.size());
                sqlite3_result_text(ctx, buf, static_cast<int>(total), SQLITE_TRANSIENT);
                return true;
            }
            if (type == SQLITE_INTEGER && (src.isInteger() || src.base == BaseType::Unknown) &&
                src.base != BaseType::Bit && !dst.isFixedLength()) {
                char buf[24];
                auto res = std::to_chars(buf, buf + sizeof buf, sqlite3_value_int64(arg));
                int n = static_cast<int>(res.ptr - buf);
                if (dst.length >= 0 && n > dst.length) return false;
                sqlite3_result_text(ctx, buf, n, SQLITE_TRANSIENT);
                return true;
            }
            return false;
        }
        case BaseType::DateTime:
        case BaseType::Date: {
            if (type != SQLITE_TEXT ||
                !(src.isString() || src.base == BaseType::Unknown ||
                  src.base == BaseType::DateTime || src.base == BaseType::SmallDateTime ||
                  src.base == BaseType::Date))
                return false;
            DateTime dt;
            if (!parseCanonical(textArg(arg), dt)) return false;
            char buf[32];
            int n;
            if (dst.base == BaseType::Date) {
                n = formatDateOnly(dt, buf);
            } else {
                dt = roundToTicks(dt);
                if (dt.days < kMinDateTimeDay || dt.days > kMaxDay) return false;
                n = formatCanonical(dt, buf);
            }
            sqlite3_result_text(ctx, buf, n, SQLITE_TRANSIENT);
            return true;
        }
        default:
            return false;
    }
}

// tsq_convert(value, srcType, dstType, style, assign)
void fnConvert(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    SqlType srcLocal, dstLocal;
    const SqlType& src = typeArg(ctx, argv, 1, srcLocal);
    const SqlType& dst = typeArg(ctx, argv, 2, dstLocal);
    int style = argc > 3 && sqlite3_value_type(argv[3]) != SQLITE_NULL
                    ? static_cast<int>(sqlite3_value_int64(argv[3]))
                    : -1;
    bool assign = argc > 4 && sqlite3_value_int64(argv[4]) != 0;
    if (fastConvert(ctx, argv[0], src, dst, style)) return;
    resultValue(ctx, convertValue(readValue(argv[0]), src, dst, style, assign));
}

// tsq_try_convert(value, srcType, dstType, style): NULL where the value does not convert.
void fnTryConvert(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    SqlType srcLocal, dstLocal;
    const SqlType& src = typeArg(ctx, argv, 1, srcLocal);
    const SqlType& dst = typeArg(ctx, argv, 2, dstLocal);
    int style = argc > 3 && sqlite3_value_type(argv[3]) != SQLITE_NULL
                    ? static_cast<int>(sqlite3_value_int64(argv[3]))
                    : -1;
    if (fastConvert(ctx, argv[0], src, dst, style)) return;
    Value converted;
    try {
        converted = convertValue(readValue(argv[0]), src, dst, style, false);
    } catch (const Error& error) {
        if (error.number == 529) throw;
        return sqlite3_result_null(ctx);
    }
    resultValue(ctx, converted);
}

// tsq_nz(x): x, unless it is a zero divisor.
void fnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    bool zero = false;
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_INTEGER:
            zero = sqlite3_value_int64(argv[0]) == 0;
            break;
        case SQLITE_FLOAT:
            zero = sqlite3_value_double(argv[0]) == 0;
            break;
        case SQLITE_TEXT: {
            std::string_view s = textArg(argv[0]);
            zero = isNumericText(s) && sqlite3_value_double(argv[0]) == 0;
            break;
        }
        default:
            break;
    }
    if (zero) throw errors::divideByZero();
    sqlite3_result_value(ctx, argv[0]);
}

// tsq_fpdomain(x, kind): x itself, when it has a real square root (kind 0), logarithm (1) or
// can be a logarithm's base (2); otherwise SQL Server's 3623 rather than SQLite's NULL.
void fnFpDomain(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        double x = sqlite3_value_double(argv[0]);
        int kind = sqlite3_value_int(argv[1]);
        if (std::isnan(x) || x < 0 || (kind > 0 && x == 0) || (kind == 2 && x == 1))
            throw raise(3623);
    }
    sqlite3_result_value(ctx, argv[0]);
}

// tsq_log10(x): the C library's decimal logarithm, exact at powers of ten (SQLite's log10 of
// 1000 is 2.9999999999999996, SQL Server's is 3).
void fnLog10(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, std::log10(sqlite3_value_double(argv[0])));
}

// ---- dates -----------------------------------------------------------------------------------

// A datetime argument. dateOnly tells a 'YYYY-MM-DD' value (a date column) apart.
void dateArg(sqlite3_value* v, DateTime& dt, bool& dateOnly) {
    dateOnly = false;
    int type = sqlite3_value_type(v);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        double x = sqlite3_value_double(v);
        int64_t ms = std::llround(x * kMsPerDay);
        dt.days = ms / kMsPerDay - (ms % kMsPerDay < 0);
        dt.ms = ms - dt.days * kMsPerDay;
        return;
    }
    std::string_view s = textArg(v);
    if (parseCanonical(s, dt)) {
        dateOnly = s.size() == 10;
        return;
    }
    bool hasDate = false;
    if (parseDateTime(s, -1, dt, hasDate) != ParseResult::Ok) throw raise(241);
}

DatePart partArg(sqlite3_context* ctx, sqlite3_value** argv, const char* function) {
    if (auto* p = static_cast<DatePart*>(sqlite3_get_auxdata(ctx, 0))) return *p;
    std::string_view name = textArg(argv[0]);
    DatePart part = parseDatePart(name);
    if (part == DatePart::Invalid) throw raise(155, {name, function}).withSeverity(16);
    sqlite3_set_auxdata(ctx, 0, new DatePart(part),
                        [](void* p) { delete static_cast<DatePart*>(p); });
    return part;
}

bool isTimePart(DatePart p) {
    return p >= DatePart::Hour && p <= DatePart::Nanosecond;
}

// A date value ('YYYY-MM-DD' comes only from date columns) has no time parts to work with.
void checkDatePart(DatePart p, bool dateOnly, const char* function) {
    if (dateOnly && isTimePart(p)) throw raise(9810, {datePartName(p), function});
}

void resultDateTime(sqlite3_context* ctx, DateTime dt, bool dateOnly) {
    char buf[32];
    int n;
    if (dateOnly) {
        n = formatDateOnly(dt, buf);
    } else {
        dt = roundToTicks(dt);
        if (dt.days < kMinDateTimeDay || dt.days > kMaxDay) throw raise(517, {"datetime"});
        n = formatCanonical(dt, buf);
    }
    sqlite3_result_text(ctx, buf, n, SQLITE_TRANSIENT);
}

void fnDtAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    DateTime dt;
    bool dateOnly;
    dateArg(argv[0], dt, dateOnly);
    double days = sqlite3_value_double(argv[1]);
    if (!(std::fabs(days) < 1e7)) throw raise(517, {"datetime"});
    int64_t total = dt.ms + std::llround(days * kMsPerDay);
    int64_t carry = total / kMsPerDay - (total % kMsPerDay < 0);
    dt.days += carry;
    dt.ms = total - carry * kMsPerDay;
    resultDateTime(ctx, dt, false);
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, currentDateTime());
}

void fnDateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    DatePart part = partArg(ctx, argv, "dateadd");
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[1]);
    DateTime dt;
    bool dateOnly;
    dateArg(argv[2], dt, dateOnly);
    checkDatePart(part, dateOnly, "dateadd");
    if (!dateAdd(part, n, dt)) throw raise(517, {(dateOnly ? "date" : "datetime")});
    resultDateTime(ctx, dt, dateOnly);
}

void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    DatePart part = partArg(ctx, argv, "datediff");
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    DateTime a, b;
    bool dateOnly;
    dateArg(argv[1], a, dateOnly);
    dateArg(argv[2], b, dateOnly);
    int64_t d = dateDiff(part, a, b);
    if (d < INT32_MIN || d > INT32_MAX) throw raise(535);
    sqlite3_result_int64(ctx, d);
}

void fnDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    DatePart part = partArg(ctx, argv, "datepart");
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    DateTime dt;
    bool dateOnly;
    dateArg(argv[1], dt, dateOnly);
    checkDatePart(part, dateOnly, "datepart");
    sqlite3_result_int64(ctx, datePartValue(part, dt));
}

void fnDateName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    DatePart part = partArg(ctx, argv, "datename");
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    DateTime dt;
    bool dateOnly;
    dateArg(argv[1], dt, dateOnly);
    checkDatePart(part, dateOnly, "datename");
    resultText(ctx, dateNameText(part, dt));
}

// tsq_countd(x): COUNT(DISTINCT x), values equal under the server collation counted once.
// SQLite's own DISTINCT keeps the values in a temporary index: every value costs a search of it
// under the collation, and a grouped query opens one for every group and clears a page of it
// each time. Here text of ASCII characters is counted by its collation key and whole numbers by
// their value, in a short list while a group has few and in a hash set beyond; any other value
// (other text, fractions, binary) is kept and, with the rest, sorted at the end.
struct DistinctItem {
    int type = SQLITE_NULL;
    int64_t i = 0;
    double f = 0;
    std::string s;
};

int compareItems(const DistinctItem& a, const DistinctItem& b) {
    auto order = [](int t) { return t == SQLITE_INTEGER || t == SQLITE_FLOAT ? 0 : t; };
    const int ca = order(a.type), cb = order(b.type);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) {
        if (a.type == SQLITE_INTEGER && b.type == SQLITE_INTEGER)
            return a.i < b.i ? -1 : a.i > b.i ? 1 : 0;
        const double x = a.type == SQLITE_INTEGER ? static_cast<double>(a.i) : a.f;
        const double y = b.type == SQLITE_INTEGER ? static_cast<double>(b.i) : b.f;
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (ca == SQLITE_TEXT) return collateCompare(a.s, b.s);
    const int r = std::memcmp(a.s.data(), b.s.data(), std::min(a.s.size(), b.s.size()));
    if (r != 0) return r;
    return a.s.size() < b.s.size() ? -1 : a.s.size() > b.s.size() ? 1 : 0;
}

// Distinct values: searched one by one while few, hashed once there are more.
template <class T>
class SmallSet {
public:
    void insert(const T& v) {
        if (many_.empty()) {
            if (std::find(few_.begin(), few_.begin() + count_, v) != few_.begin() + count_) return;
            if (count_ < few_.size()) {
                few_[count_++] = v;
                return;
            }
            many_.reserve(4 * few_.size());
            for (T& f : few_) many_.insert(std::move(f));
        }
        many_.insert(v);
    }
    size_t size() const { return many_.empty() ? count_ : many_.size(); }
    template <class F>
    void forEach(F f) const {
        if (many_.empty())
            std::for_each(few_.begin(), few_.begin() + count_, f);
        else
            std::for_each(many_.begin(), many_.end(), f);
    }

private:
    std::array<T, 8> few_{};
    size_t count_ = 0;
    std::unordered_set<T> many_;
};

// Distinct byte strings, kept one after another in one buffer and found by their hash in an
// open-addressed table, in place while there are few: a key costs no allocation of its own.
class KeySet {
public:
    KeySet() { std::fill(std::begin(inPlace_), std::end(inPlace_), Slot{}); }
    KeySet(const KeySet&) = delete;
    KeySet& operator=(const KeySet&) = delete;

    void insert(std::string_view key) {
        const uint64_t h = std::hash<std::string_view>()(key);
        for (size_t i = h & (capacity_ - 1);; i = (i + 1) & (capacity_ - 1)) {
            Slot& slot = slots_[i];
            if (slot.size == kEmpty) {
                // Offsets and sizes are 32 bits: four gigabytes of distinct keys are refused
                // as memory SQLite would not have either.
                if (bytes_.size() + key.size() >= kEmpty) throw std::bad_alloc();
                slot = Slot{h, static_cast<uint32_t>(key.size()),
                            static_cast<uint32_t>(bytes_.size())};
                bytes_.append(key);
                if (++count_ * 2 > capacity_) grow();
                return;
            }
            if (slot.hash == h && slot.size == key.size() &&
                std::memcmp(bytes_.data() + slot.from, key.data(), key.size()) == 0)
                return;
        }
    }
    size_t size() const { return count_; }
    template <class F>
    void forEach(F f) const {
        for (size_t i = 0; i < capacity_; ++i)
            if (slots_[i].size != kEmpty)
                f(std::string_view(bytes_).substr(slots_[i].from, slots_[i].size));
    }

private:
    static constexpr uint32_t kEmpty = UINT32_MAX;
    struct Slot {
        uint64_t hash = 0;
        uint32_t size = kEmpty;
        uint32_t from = 0;  // in bytes_
    };
    void grow() {
        std::vector<Slot> larger(capacity_ * 2);
        const size_t mask = larger.size() - 1;
        for (size_t i = 0; i < capacity_; ++i) {
            const Slot& slot = slots_[i];
            if (slot.size == kEmpty) continue;
            size_t k = slot.hash & mask;
            while (larger[k].size != kEmpty) k = (k + 1) & mask;
            larger[k] = slot;
        }
        heap_ = std::move(larger);
        slots_ = heap_.data();
        capacity_ = heap_.size();
    }
    Slot inPlace_[16];
    std::vector<Slot> heap_;
    Slot* slots_ = inPlace_;
    size_t capacity_ = 16;
    size_t count_ = 0;
    std::string bytes_;
};

struct DistinctSet {
    KeySet text;  // collation keys of ASCII text
    SmallSet<int64_t> ints;
    std::vector<DistinctItem> other;
    std::string key;  // scratch, so that a key already met allocates nothing
};

// The aggregate context SQLite zeroes holds the set itself.
struct DistinctState {
    bool made;
    alignas(DistinctSet) unsigned char bytes[sizeof(DistinctSet)];
    DistinctSet& set() { return *std::launder(reinterpret_cast<DistinctSet*>(bytes)); }
};

void countDistinctStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return;
    auto* st = static_cast<DistinctState*>(sqlite3_aggregate_context(ctx, sizeof(DistinctState)));
    if (!st) return sqlite3_result_error_nomem(ctx);
    try {
        if (!st->made) {
            new (st->bytes) DistinctSet();
            st->made = true;
        }
        DistinctSet& set = st->set();
        if (type == SQLITE_INTEGER) return set.ints.insert(sqlite3_value_int64(argv[0]));
        if (type == SQLITE_FLOAT)
            return set.other.push_back(DistinctItem{type, 0, sqlite3_value_double(argv[0]), {}});
        const void* p = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(argv[0]))
                                            : sqlite3_value_blob(argv[0]);
        const std::string_view bytes(static_cast<const char*>(p),
                                     static_cast<size_t>(sqlite3_value_bytes(argv[0])));
        if (type == SQLITE_TEXT && asciiCollationKey(bytes, set.key))
            return set.text.insert(set.key);
        set.other.push_back(DistinctItem{type, 0, 0, std::string(bytes)});
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}

// Also runs when the statement stops half-way, so the values are always freed.
void countDistinctFinal(sqlite3_context* ctx) {
    auto* st = static_cast<DistinctState*>(sqlite3_aggregate_context(ctx, 0));
    if (!st || !st->made) return sqlite3_result_int64(ctx, 0);
    struct Unmake {
        DistinctState* st;
        ~Unmake() {
            st->set().~DistinctSet();
            st->made = false;
        }
    } unmake{st};
    DistinctSet* set = &st->set();
    if (set->other.empty())
        return sqlite3_result_int64(ctx, static_cast<int64_t>(set->text.size() + set->ints.size()));
    try {
        // Other text may equal ASCII text under the collation, and a fraction a whole number:
        // everything is compared with everything.
        std::vector<DistinctItem> items = std::move(set->other);
        set->text.forEach([&](std::string_view k) {
            items.push_back(DistinctItem{SQLITE_TEXT, 0, 0, textOfCollationKey(k)});
        });
        set->ints.forEach([&](int64_t i) {
            items.push_back(DistinctItem{SQLITE_INTEGER, i, 0, {}});
        });
        std::sort(items.begin(), items.end(), [](const DistinctItem& a, const DistinctItem& b) {
            return compareItems(a, b) < 0;
        });
        int64_t n = 1;
        for (size_t k = 1; k < items.size(); ++k)
            if (compareItems(items[k - 1], items[k]) != 0) ++n;
        sqlite3_result_int64(ctx, n);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}

// tsq_tmin(x) / tsq_tmax(x): MIN and MAX of text in a grouped query, by the server collation.
// SQLite's own copy a group's value into memory of their own and copy it once more for the
// result; with many small groups those allocations cost more than the grouping. The best value
// so far stays in the aggregate context, in place when it is short. Values that are not text
// order as SQLite orders them: numbers, then text, then binary.
struct TextExtreme {
    bool any;  // false until a value
    int type;
    int64_t i;
    double f;
    size_t size;
    char* heap;  // a value longer than the room in place
    size_t room;
    char inPlace[48];

    std::string_view bytes() const { return {heap ? heap : inPlace, size}; }
};

DistinctItem itemOf(const TextExtreme& e) {
    return DistinctItem{e.type, e.i, e.f, std::string(e.bytes())};
}

template <bool Max>
void textExtremeStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return;
    auto* e = static_cast<TextExtreme*>(sqlite3_aggregate_context(ctx, sizeof(TextExtreme)));
    if (!e) return sqlite3_result_error_nomem(ctx);
    DistinctItem x{type, 0, 0, {}};
    std::string_view bytes;
    if (type == SQLITE_INTEGER) {
        x.i = sqlite3_value_int64(argv[0]);
    } else if (type == SQLITE_FLOAT) {
        x.f = sqlite3_value_double(argv[0]);
    } else {
        const void* p = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(argv[0]))
                                            : sqlite3_value_blob(argv[0]);
        bytes = std::string_view(static_cast<const char*>(p),
                                 static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    }
    if (e->any) {
        int order;
        if (type == SQLITE_TEXT && e->type == SQLITE_TEXT) {
            order = collateCompare(bytes, e->bytes());
        } else {
            x.s.assign(bytes);
            order = compareItems(x, itemOf(*e));
        }
        if (Max ? order <= 0 : order >= 0) return;
    }
    e->any = true;
    e->type = type;
    e->i = x.i;
    e->f = x.f;
    e->size = bytes.size();
    char* to = e->inPlace;
    if (bytes.size() > sizeof e->inPlace) {
        if (bytes.size() > e->room) {
            char* grown = static_cast<char*>(std::realloc(e->heap, bytes.size()));
            if (!grown) return sqlite3_result_error_nomem(ctx);
            e->heap = grown;
            e->room = bytes.size();
        }
        to = e->heap;
    } else {
        std::free(e->heap);
        e->heap = nullptr;
        e->room = 0;
    }
    if (!bytes.empty()) std::memcpy(to, bytes.data(), bytes.size());
}

// Also runs when the statement stops half-way, so the value is always freed.
void textExtremeFinal(sqlite3_context* ctx) {
    auto* e = static_cast<TextExtreme*>(sqlite3_aggregate_context(ctx, 0));
    if (!e || !e->any) return sqlite3_result_null(ctx);
    const std::string_view b = e->bytes();
    switch (e->type) {
        case SQLITE_INTEGER:
            sqlite3_result_int64(ctx, e->i);
            break;
        case SQLITE_FLOAT:
            sqlite3_result_double(ctx, e->f);
            break;
        case SQLITE_TEXT:
            sqlite3_result_text64(ctx, b.data(), b.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        default:
            sqlite3_result_blob64(ctx, b.data(), b.size(), SQLITE_TRANSIENT);
            break;
    }
    std::free(e->heap);
    e->heap = nullptr;
}

int collationCallback(void*, int na, const void* a, int nb, const void* b) {
    return collateCompare(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                          std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

}  // namespace

void registerConvertFunctions(sqlite3* db) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "tsq_convert", 5, det, nullptr, guarded<fnConvert>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_convert", 4, det, nullptr, guarded<fnConvert>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_convert", 3, det, nullptr, guarded<fnConvert>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_try_convert", 4, det, nullptr, guarded<fnTryConvert>,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_nz", 1, det, nullptr, guarded<fnNz>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_fpdomain", 2, det, nullptr, guarded<fnFpDomain>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_log10", 1, det, nullptr, guarded<fnLog10>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_countd", 1, det, nullptr, nullptr, countDistinctStep,
                               countDistinctFinal, nullptr);
    sqlite3_create_function_v2(db, "tsq_tmin", 1, det, nullptr, nullptr, textExtremeStep<false>,
                               textExtremeFinal, nullptr);
    sqlite3_create_function_v2(db, "tsq_tmax", 1, det, nullptr, nullptr, textExtremeStep<true>,
                               textExtremeFinal, nullptr);
}

void registerDateFunctions(sqlite3* db) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "tsq_dtadd", 2, det, nullptr, guarded<fnDtAdd>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "tsq_getdate", 0, SQLITE_UTF8, nullptr, guarded<fnGetDate>,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_dateadd", 3, det, nullptr, guarded<fnDateAdd>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_datediff", 3, det, nullptr, guarded<fnDateDiff>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_datepart", 2, det, nullptr, guarded<fnDatePart>, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "tsq_datename", 2, det, nullptr, guarded<fnDateName>, nullptr,
                               nullptr, nullptr);
}

}  // namespace rt

void registerRuntime(sqlite3* db) {
    sqlite3_create_collation_v2(db, "TSQL", SQLITE_UTF8, nullptr, rt::collationCallback, nullptr);
    // SQLite's Bloom filter in front of automatic indexes hashes the bytes of a string, so two
    // strings equal under TSQL ('G1' and 'G1        ') can miss each other in a join. Turn
    // that one optimization off (the value is SQLITE_BloomFilter from sqliteInt.h).
    constexpr int kBloomFilter = 0x00080000;
    sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, db, kBloomFilter);
    rt::registerConvertFunctions(db);
    rt::registerDateFunctions(db);
    rt::registerStringFunctions(db);
    rt::registerDecimalFunctions(db);
}

}  // namespace tsqlite
