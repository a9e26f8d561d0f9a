// String and numeric scalar functions (LEFT, SUBSTRING, CHARINDEX, STR, ROUND, LIKE ...) as
// SQLite functions. Every length and position is in characters, never UTF-8 bytes.
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "tsqlite/messages.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"

namespace tsqlite {
namespace rt {

std::string strText(double x, int length, int decimals) {
    decimals = std::clamp(decimals, 0, 16);
    Digits d = toDigits(x);
    int dec = decimals;
    while (true) {
        Digits r = d;
        roundDigits(r, dec);
        std::string s = fixedText(r, dec);
        if (static_cast<int>(s.size()) <= length)
            return std::string(static_cast<size_t>(length) - s.size(), ' ') + s;
        // Too long: give up decimals before giving up.
        int intLen = static_cast<int>(dec > 0 ? s.find('.') : s.size());
        if (dec == 0 || intLen > length) return std::string(static_cast<size_t>(length), '*');
        dec = std::max(0, std::min(dec - 1, length - intLen - 1));
    }
}

namespace {

// LEFT/RIGHT/SUBSTRING work on bytes for binary values.
bool isBlob(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_BLOB;
}

void resultSlice(sqlite3_context* ctx, sqlite3_value* v, int64_t startChar, int64_t count) {
    if (isBlob(v)) {
        const char* p = static_cast<const char*>(sqlite3_value_blob(v));
        int64_t n = sqlite3_value_bytes(v);
        int64_t s = std::clamp<int64_t>(startChar, 0, n);
        int64_t c = std::clamp<int64_t>(count, 0, n - s);
        sqlite3_result_blob(ctx, p ? p + s : "", static_cast<int>(c), SQLITE_TRANSIENT);
        return;
    }
    std::string_view s = textArg(v);
    size_t b = charOffset(s, startChar);
    std::string_view rest = s.substr(b);
    resultText(ctx, rest.substr(0, charOffset(rest, count)));
}

void fnLeft(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[1]);
    // A negative length found while running (not folded from constants) is reported as 537.
    if (n < 0) throw raise(537);
    resultSlice(ctx, argv[0], 0, n);
}

void fnRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[1]);
    if (n < 0) throw raise(536);
    int64_t total = isBlob(argv[0]) ? sqlite3_value_bytes(argv[0]) : charCount(textArg(argv[0]));
    resultSlice(ctx, argv[0], std::max<int64_t>(0, total - n), n);
}

void fnSubstring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t start = intArg(argv[1]);
    int64_t len = argc > 2 ? intArg(argv[2]) : INT32_MAX;
    if (len < 0) throw raise(537);
    // Positions before 1 still use up the length: SUBSTRING('abc', 0, 2) = 'a'.
    int64_t end = start + len;
    int64_t from = std::max<int64_t>(start, 1);
    resultSlice(ctx, argv[0], from - 1, std::max<int64_t>(0, end - from));
}

void fnLtrim(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    resultText(ctx, s.substr(i));
}

void fnRtrim(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    resultText(ctx, rtrimBlanks(textArg(argv[0])));
}

template <bool Upper>
void fnCase(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    std::string out;
    out.reserve(s.size());
    if (isAscii(s)) {
        for (char c : s) {
            if (Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            if (!Upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            out.push_back(c);
        }
    } else {
        for (const char *p = s.data(), *e = p + s.size(); p < e;) {
            char32_t c = nextChar(p, e);
            appendChar(out, Upper ? toUpperChar(c) : toLowerChar(c));
        }
    }
    resultText(ctx, out);
}

void fnLen(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    if (isBlob(argv[0])) return sqlite3_result_int64(ctx, sqlite3_value_bytes(argv[0]));
    sqlite3_result_int64(ctx, charCount(rtrimBlanks(textArg(argv[0]))));
}

void fnDataLength(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            return sqlite3_result_null(ctx);
        case SQLITE_INTEGER: {
            int64_t v = sqlite3_value_int64(argv[0]);
            return sqlite3_result_int(ctx, v >= INT32_MIN && v <= INT32_MAX ? 4 : 8);
        }
        case SQLITE_FLOAT:
            return sqlite3_result_int(ctx, 8);
        case SQLITE_BLOB:
            return sqlite3_result_int64(ctx, sqlite3_value_bytes(argv[0]));
        default:
            sqlite3_result_int64(ctx, charCount(textArg(argv[0])));
    }
}

void fnReplace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    std::string find(textArg(argv[1]));
    std::string_view repl = textArg(argv[2]);
    if (find.empty()) return resultText(ctx, s);
    std::string out;
    size_t pos = 0, len = 0;
    while (true) {
        size_t at = findNoCase(s, find, pos, &len);
        if (at == std::string_view::npos) break;
        out.append(s.substr(pos, at - pos));
        out.append(repl);
        pos = at + len;
    }
    out.append(s.substr(pos));
    resultText(ctx, out);
}

void fnCharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    std::string find(textArg(argv[0]));
    std::string_view s = textArg(argv[1]);
    int64_t start = argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL ? intArg(argv[2]) : 1;
    if (start < 1) start = 1;
    size_t from = charOffset(s, start - 1);
    size_t at = findNoCase(s, find, from, nullptr);
    if (at == std::string_view::npos) return sqlite3_result_int(ctx, 0);
    sqlite3_result_int64(ctx, charCount(s.substr(0, at)) + 1);
}

void fnStr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    double x = sqlite3_value_double(argv[0]);
    int64_t length = argc > 1 ? intArg(argv[1]) : 10;
    int64_t dec = argc > 2 ? intArg(argv[2]) : 0;
    if (length <= 0 || length > 8000 || dec < 0) return sqlite3_result_null(ctx);
    resultText(ctx,
               strText(x, static_cast<int>(length), static_cast<int>(std::min<int64_t>(dec, 16))));
}

void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[1]);
    bool truncate = argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL && intArg(argv[2]) != 0;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        int64_t x = sqlite3_value_int64(argv[0]);
        if (n >= 0) return sqlite3_result_int64(ctx, x);
        if (n < -18) return sqlite3_result_int64(ctx, 0);
        int64_t p = 1;
        for (int64_t k = 0; k < -n; ++k) p *= 10;
        int64_t q = x / p, r = x % p;
        if (!truncate && (r >= 0 ? r : -r) * 2 >= p) q += x < 0 ? -1 : 1;
        return sqlite3_result_int64(ctx, q * p);
    }
    double x = sqlite3_value_double(argv[0]);
    if (n > 330) return sqlite3_result_double(ctx, x);
    if (n < -330) return sqlite3_result_double(ctx, 0.0);
    sqlite3_result_double(ctx, roundDouble(x, static_cast<int>(n), truncate));
}

void fnSpace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[0]);
    if (n < 0) return sqlite3_result_null(ctx);
    n = std::min<int64_t>(n, 8000);
    std::string s(static_cast<size_t>(n), ' ');
    resultText(ctx, s);
}

// The most bytes one value holds in the engine's storage (SQLite's length limit).
constexpr double kMaxValueBytes = 1e9;

// tsq_replicate(text, count, limit): limit is the most characters a non-max result holds, -1 for
// a max type, which fails as SQL Server does when it would outgrow what a value can hold.
void fnReplicate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[1]);
    if (n < 0) return sqlite3_result_null(ctx);
    const int64_t limit = argc > 2 ? sqlite3_value_int64(argv[2]) : -1;
    std::string_view s = textArg(argv[0]);
    if (s.empty() || n == 0) return resultText(ctx, "");
    if (limit >= 0) {
        // Whole copies that fit, then the part of one more that still does.
        const int64_t chars = charCount(s);
        const int64_t whole = std::min<int64_t>(n, limit / chars);
        std::string out;
        out.reserve(s.size() * static_cast<size_t>(whole) + s.size());
        for (int64_t i = 0; i < whole; ++i) out.append(s);
        if (whole < n) out.append(s.substr(0, charOffset(s, limit - whole * chars)));
        return resultText(ctx, out);
    }
    if (static_cast<double>(s.size()) * static_cast<double>(n) > kMaxValueBytes) throw raise(7119);
    std::string out;
    out.reserve(s.size() * static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) out.append(s);
    resultText(ctx, out);
}

void fnIsNumeric(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            return sqlite3_result_int(ctx, 0);
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_result_int(ctx, 1);
        default:
            sqlite3_result_int(ctx, isNumericText(textArg(argv[0])) ? 1 : 0);
    }
}

void fnReverse(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    std::string out(s.size(), '\0');
    size_t w = s.size();
    for (size_t i = 0; i < s.size();) {
        size_t j = i + 1;
        while (j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80) ++j;
        w -= j - i;
        std::memcpy(&out[w], s.data() + i, j - i);
        i = j;
    }
    resultText(ctx, out);
}

void fnStuff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < 3; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    int64_t start = intArg(argv[1]), len = intArg(argv[2]);
    int64_t chars = charCount(s);
    if (start < 1 || start > chars || len < 0) return sqlite3_result_null(ctx);
    std::string_view ins = textArg(argv[3]);
    size_t a = charOffset(s, start - 1);
    size_t b = a + charOffset(s.substr(a), len);
    std::string out;
    out.reserve(s.size() + ins.size());
    out.append(s.substr(0, a)).append(ins).append(s.substr(b));
    resultText(ctx, out);
}

void fnPatIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, patternIndex(textArg(argv[0]), textArg(argv[1])));
}

void fnChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n = intArg(argv[0]);
    if (n < 0 || n > 255) return sqlite3_result_null(ctx);
    char32_t c = cp874ToUnicode(static_cast<unsigned char>(n));
    std::string out;
    appendChar(out, n >= 0x80 && c == 0 ? U'?' : c);
    resultText(ctx, out);
}

void fnAscii(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    if (s.empty()) return sqlite3_result_null(ctx);
    const char* p = s.data();
    int b = unicodeToCp874(nextChar(p, p + s.size()));
    sqlite3_result_int(ctx, b < 0 ? '?' : b);
}

void fnNewId(sqlite3_context* ctx, int, sqlite3_value**) {
    thread_local std::mt19937_64 gen{std::random_device{}()};
    uint64_t hi = gen(), lo = gen();
    hi = (hi & ~0xF000ULL) | 0x4000ULL;                         // version 4
    lo = (lo & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;  // RFC 4122 variant
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(hi >> 32),
                  static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                  static_cast<unsigned>(lo >> 48),
                  static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
    resultText(ctx, buf);
}

struct CachedLike {
    LikePattern pattern;
    char32_t escape;
};

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    char32_t escape = 0;
    if (argc > 2) {
        std::string_view e = textArg(argv[2]);
        const char* p = e.data();
        if (charCount(e) != 1) throw raise(506, {std::string(e)});
        escape = nextChar(p, p + e.size());
    }
    auto* cached = static_cast<CachedLike*>(sqlite3_get_auxdata(ctx, 1));
    CachedLike local;
    if (!cached || cached->escape != escape) {
        local.pattern = compileLike(textArg(argv[1]), escape);
        local.escape = escape;
        sqlite3_set_auxdata(ctx, 1, new CachedLike(local),
                            [](void* p) { delete static_cast<CachedLike*>(p); });
        cached = &local;
    }
    sqlite3_result_int(ctx, matchLike(cached->pattern, textArg(argv[0])) ? 1 : 0);
}

}  // namespace

void registerStringFunctions(sqlite3* db) {
    struct Fn {
        const char* name;
        int nArg;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    };
    const Fn fns[] = {
        {"tsq_left", 2, guarded<fnLeft>, true},
        {"tsq_right", 2, guarded<fnRight>, true},
        {"tsq_substring", 3, guarded<fnSubstring>, true},
        {"tsq_substring", 2, guarded<fnSubstring>, true},
        {"tsq_ltrim", 1, guarded<fnLtrim>, true},
        {"tsq_rtrim", 1, guarded<fnRtrim>, true},
        {"tsq_upper", 1, guarded<fnCase<true>>, true},
        {"tsq_lower", 1, guarded<fnCase<false>>, true},
        {"tsq_len", 1, guarded<fnLen>, true},
        {"tsq_datalength", 1, guarded<fnDataLength>, true},
        {"tsq_replace", 3, guarded<fnReplace>, true},
        {"tsq_charindex", 2, guarded<fnCharIndex>, true},
        {"tsq_charindex", 3, guarded<fnCharIndex>, true},
        {"tsq_str", 1, guarded<fnStr>, true},
        {"tsq_str", 2, guarded<fnStr>, true},
        {"tsq_str", 3, guarded<fnStr>, true},
        {"tsq_round", 2, guarded<fnRound>, true},
        {"tsq_round", 3, guarded<fnRound>, true},
        {"tsq_space", 1, guarded<fnSpace>, true},
        {"tsq_replicate", 2, guarded<fnReplicate>, true},
        {"tsq_replicate", 3, guarded<fnReplicate>, true},
        {"tsq_isnumeric", 1, guarded<fnIsNumeric>, true},
        {"tsq_reverse", 1, guarded<fnReverse>, true},
        {"tsq_stuff", 4, guarded<fnStuff>, true},
        {"tsq_patindex", 2, guarded<fnPatIndex>, true},
        {"tsq_char", 1, guarded<fnChar>, true},
        {"tsq_ascii", 1, guarded<fnAscii>, true},
        {"tsq_newid", 0, guarded<fnNewId>, false},
        {"tsq_like", 2, guarded<fnLike>, true},
        {"tsq_like", 3, guarded<fnLike>, true},
    };
    for (const Fn& f : fns) {
        int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, f.name, f.nArg, flags, nullptr, f.fn, nullptr, nullptr,
                                   nullptr);
    }
}

}  // namespace rt
}  // namespace tsqlite
