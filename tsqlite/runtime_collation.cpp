// The server collation (case-insensitive, accent-sensitive, Thai ordered as Thai), case mapping,
// LIKE and the Thai code page.
#include <unicode/uchar.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <mutex>

#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"

namespace tsqlite {
namespace rt {

namespace {

struct Collator {
    UCollator* coll = nullptr;
    // Collation rank of each ASCII character (0 = ignorable), so that pure-ASCII strings can be
    // compared without ICU and still agree with it.
    uint8_t rank[128] = {};

    Collator() {
        UErrorCode st = U_ZERO_ERROR;
        coll = ucol_open("th", &st);
        if (U_FAILURE(st)) {
            st = U_ZERO_ERROR;
            coll = ucol_open("", &st);
        }
        ucol_setStrength(coll, UCOL_SECONDARY);
        // Punctuation and blanks count (the Thai tailoring shifts them away), and Latin sorts
        // before Thai as in the server's Windows collation.
        ucol_setAttribute(coll, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &st);
        int32_t none = UCOL_REORDER_CODE_NONE;
        ucol_setReorderCodes(coll, &none, 1, &st);
        buildRanks();
    }

    int icu(std::string_view a, std::string_view b) const {
        UErrorCode st = U_ZERO_ERROR;
        UCollationResult r = ucol_strcollUTF8(coll, a.data(), static_cast<int32_t>(a.size()),
                                              b.data(), static_cast<int32_t>(b.size()), &st);
        return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
    }

    void buildRanks() {
        // Insertion sort of the 127 characters by ICU, then dense ranks with ties shared.
        int order[128];
        int n = 0;
        for (int c = 1; c < 128; ++c) {
            char ch = static_cast<char>(c);
            if (icu(std::string_view(&ch, 1), std::string_view()) == 0) continue;  // ignorable
            int i = n++;
            order[i] = c;
            while (i > 0) {
                char x = static_cast<char>(order[i - 1]), y = static_cast<char>(order[i]);
                if (icu(std::string_view(&x, 1), std::string_view(&y, 1)) <= 0) break;
                std::swap(order[i - 1], order[i]);
                --i;
            }
        }
        uint8_t r = 0;
        for (int i = 0; i < n; ++i) {
            char x = static_cast<char>(order[i]);
            if (i == 0) {
                r = 1;
            } else {
                char p = static_cast<char>(order[i - 1]);
                if (icu(std::string_view(&p, 1), std::string_view(&x, 1)) != 0) ++r;
            }
            rank[order[i]] = r;
        }
    }
};

const Collator& collator() {
    static const Collator c;
    return c;
}

// Length of the longest common prefix of a and b made of ASCII bytes, eight bytes at a time.
size_t asciiPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        const uint64_t stop = (x ^ y) | (x & 0x8080808080808080ULL);
        if (stop != 0) {
            // The first byte that differs or is not ASCII ends the prefix.
            if constexpr (std::endian::native == std::endian::little)
                return i + static_cast<size_t>(std::countr_zero(stop)) / 8;
            break;
        }
    }
    while (i < n && a[i] == b[i] && static_cast<unsigned char>(a[i]) < 0x80) ++i;
    return i;
}

// ASCII fast path, from the end of a common ASCII prefix. Returns 2 when a non-ASCII byte is met
// before the result is known.
int asciiCompare(const uint8_t* rank, std::string_view a, std::string_view b, size_t i) {
    // Keys met in one index seek share long prefixes (document numbers, codes): the same ASCII
    // bytes on both sides rank the same, so the ranked walk starts where they part.
    size_t j = i;
    while (true) {
        while (i < a.size() && static_cast<unsigned char>(a[i]) < 0x80 &&
               rank[static_cast<unsigned char>(a[i])] == 0)
            ++i;
        while (j < b.size() && static_cast<unsigned char>(b[j]) < 0x80 &&
               rank[static_cast<unsigned char>(b[j])] == 0)
            ++j;
        bool ea = i == a.size(), eb = j == b.size();
        if (ea || eb) {
            if (ea && eb) return 0;
            // The longer side decides only if the rest of it is ASCII (an ignorable or combining
            // non-ASCII tail could still make the strings equal).
            std::string_view rest = ea ? b.substr(j) : a.substr(i);
            if (!isAscii(rest)) return 2;
            return ea ? -1 : 1;
        }
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
        if (x >= 0x80 || y >= 0x80) return 2;
        // A combining mark after this character could still merge with it; only decide on a
        // difference when both next bytes are ASCII too.
        if (rank[x] != rank[y]) {
            bool nextA = i + 1 >= a.size() || static_cast<unsigned char>(a[i + 1]) < 0x80;
            bool nextB = j + 1 >= b.size() || static_cast<unsigned char>(b[j + 1]) < 0x80;
            if (!nextA || !nextB) return 2;
            return rank[x] < rank[y] ? -1 : 1;
        }
        ++i, ++j;
    }
}

bool inSet(const LikePattern& p, const LikePattern::Item& it, char32_t c) {
    char32_t f = foldCase(c);
    for (uint32_t k = 0; k < it.count; ++k) {
        auto [lo, hi] = p.members[it.first + k];
        if (lo == hi) {
            if (foldCase(lo) == f) return true;
        } else if (c < 0x80 && lo < 0x80 && hi < 0x80) {
            const uint8_t* rank = collator().rank;
            if (rank[c] >= rank[lo] && rank[c] <= rank[hi] && rank[c] != 0) return true;
        } else {
            std::string sc, slo, shi;
            appendChar(sc, c);
            appendChar(slo, lo);
            appendChar(shi, hi);
            if (collateCompare(slo, sc) <= 0 && collateCompare(sc, shi) <= 0) return true;
        }
    }
    return false;
}

bool matchItem(const LikePattern& p, const LikePattern::Item& it, char32_t c) {
    switch (it.kind) {
        case LikePattern::Literal:
            if (c < 0x80 && it.c < 0x80) return (c >= 'A' && c <= 'Z' ? c + 32 : c) == it.c;
            return foldCase(c) == it.c;
        case LikePattern::One:
            return true;
        case LikePattern::Set:
            return inSet(p, it, c) != it.negate;
        case LikePattern::Many:
            break;
    }
    return false;
}

bool allBlanks(const char* p, const char* end) {
    for (; p < end; ++p)
        if (*p != ' ') return false;
    return true;
}

bool matchFrom(const LikePattern& p, const char* vp, const char* vend) {
    const size_t n = p.items.size();
    size_t pi = 0, starPi = SIZE_MAX;
    const char* starVp = nullptr;
    while (vp < vend) {
        if (pi < n && p.items[pi].kind == LikePattern::Many) {
            starPi = pi++;
            starVp = vp;
            continue;
        }
        if (pi < n) {
            const char* q = vp;
            char32_t c = nextChar(q, vend);
            if (matchItem(p, p.items[pi], c)) {
                ++pi;
                vp = q;
                continue;
            }
        }
        // Trailing blanks of the value are not significant.
        if (pi == n && allBlanks(vp, vend)) return true;
        if (starPi == SIZE_MAX) return false;
        pi = starPi + 1;
        nextChar(starVp, vend);
        vp = starVp;
    }
    while (pi < n && p.items[pi].kind == LikePattern::Many) ++pi;
    return pi == n;
}

}  // namespace

int icuCompare(std::string_view a, std::string_view b) {
    return collator().icu(rtrimBlanks(a), rtrimBlanks(b));
}

bool asciiCollationKey(std::string_view s, std::string& key) {
    static const uint8_t* const rank = collator().rank;
    s = rtrimBlanks(s);
    key.resize(s.size());
    char* out = key.data();
    size_t n = 0;
    for (unsigned char c : s) {
        if (c >= 0x80) {
            key.clear();
            return false;
        }
        out[n] = static_cast<char>(rank[c]);
        n += rank[c] != 0;
    }
    key.resize(n);
    return true;
}

std::string textOfCollationKey(std::string_view key) {
    static const std::array<char, 256> first = [] {
        std::array<char, 256> chars{};
        const uint8_t* rank = collator().rank;
        for (int c = 127; c > 0; --c)
            if (rank[c] != 0) chars[rank[c]] = static_cast<char>(c);
        return chars;
    }();
    std::string text(key.size(), ' ');
    for (size_t i = 0; i < key.size(); ++i) text[i] = first[static_cast<unsigned char>(key[i])];
    return text;
}

char32_t foldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

char32_t toUpperChar(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
}

char32_t toLowerChar(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

char32_t cp874ToUnicode(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xA1 && b <= 0xDA) return 0x0E01 + (b - 0xA1);
    if (b >= 0xDF && b <= 0xFB) return 0x0E3F + (b - 0xDF);
    switch (b) {
        case 0x80:
            return 0x20AC;
        case 0x85:
            return 0x2026;
        case 0x91:
            return 0x2018;
        case 0x92:
            return 0x2019;
        case 0x93:
            return 0x201C;
        case 0x94:
            return 0x201D;
        case 0x95:
            return 0x2022;
        case 0x96:
            return 0x2013;
        case 0x97:
            return 0x2014;
        case 0xA0:
            return 0x00A0;
        default:
            return 0;
    }
}

int unicodeToCp874(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    if (c >= 0x0E01 && c <= 0x0E3A) return static_cast<int>(0xA1 + (c - 0x0E01));
    if (c >= 0x0E3F && c <= 0x0E5B) return static_cast<int>(0xDF + (c - 0x0E3F));
    for (int b = 0x80; b < 0xA1; ++b)
        if (cp874ToUnicode(static_cast<unsigned char>(b)) == c) return b;
    return -1;
}

LikePattern compileLike(std::string_view pattern, char32_t escape) {
    LikePattern p;
    const char* s = pattern.data();
    const char* end = s + pattern.size();
    while (s < end) {
        char32_t c = nextChar(s, end);
        LikePattern::Item it{LikePattern::Literal};
        if (escape != 0 && c == escape) {
            it.c = s < end ? foldCase(nextChar(s, end)) : foldCase(c);
        } else if (c == '%') {
            if (!p.items.empty() && p.items.back().kind == LikePattern::Many) continue;
            it.kind = LikePattern::Many;
        } else if (c == '_') {
            it.kind = LikePattern::One;
        } else if (c == '[') {
            // Find the closing bracket; without one the bracket is an ordinary character.
            const char* q = s;
            std::vector<char32_t> chars;
            bool closed = false;
            while (q < end) {
                char32_t x = nextChar(q, end);
                if (x == ']' && !chars.empty()) {
                    closed = true;
                    break;
                }
                if (x == ']' && chars.empty()) {
                    closed = true;  // "[]" matches nothing
                    break;
                }
                chars.push_back(x);
            }
            if (!closed) {
                it.c = '[';
            } else {
                s = q;
                it.kind = LikePattern::Set;
                size_t k = 0;
                if (!chars.empty() && chars[0] == '^' && chars.size() > 1) {
                    it.negate = true;
                    k = 1;
                }
                it.first = static_cast<uint32_t>(p.members.size());
                for (; k < chars.size(); ++k) {
                    if (k + 2 < chars.size() && chars[k + 1] == '-') {
                        p.members.emplace_back(chars[k], chars[k + 2]);
                        k += 2;
                    } else {
                        p.members.emplace_back(chars[k], chars[k]);
                    }
                }
                it.count = static_cast<uint32_t>(p.members.size()) - it.first;
            }
        } else {
            it.c = foldCase(c);
        }
        p.items.push_back(it);
    }
    return p;
}

bool matchLike(const LikePattern& p, std::string_view value) {
    const char* b = value.data();
    return matchFrom(p, b, b + value.size());
}

int64_t patternIndex(std::string_view pattern, std::string_view value) {
    LikePattern p = compileLike(pattern, 0);
    if (p.items.empty()) return value.empty() ? 1 : 0;
    if (p.items.front().kind != LikePattern::Many) return matchLike(p, value) ? 1 : 0;
    LikePattern rest = p;
    rest.items.erase(rest.items.begin());
    if (rest.items.empty()) return value.empty() ? 0 : 1;
    const char* s = value.data();
    const char* end = s + value.size();
    for (int64_t pos = 1; s < end; ++pos) {
        if (matchFrom(rest, s, end)) return pos;
        nextChar(s, end);
    }
    return 0;
}

size_t findNoCase(std::string_view hay, std::string_view needle, size_t from, size_t* matchLen) {
    if (needle.empty()) return std::string_view::npos;
    if (isAscii(needle) && isAscii(hay)) {
        auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
            size_t k = 0;
            while (k < needle.size() && low(hay[i + k]) == low(needle[k])) ++k;
            if (k == needle.size()) {
                if (matchLen) *matchLen = needle.size();
                return i;
            }
        }
        return std::string_view::npos;
    }
    std::vector<char32_t> nd;
    for (const char *p = needle.data(), *e = p + needle.size(); p < e;)
        nd.push_back(foldCase(nextChar(p, e)));
    const char* hend = hay.data() + hay.size();
    for (const char* start = hay.data() + from; start < hend;) {
        const char* q = start;
        size_t k = 0;
        while (k < nd.size() && q < hend && foldCase(nextChar(q, hend)) == nd[k]) ++k;
        if (k == nd.size()) {
            if (matchLen) *matchLen = static_cast<size_t>(q - start);
            return static_cast<size_t>(start - hay.data());
        }
        nextChar(start, hend);
    }
    return std::string_view::npos;
}

}  // namespace rt

int collateCompare(std::string_view a, std::string_view b) {
    // An index seek over a column of few values (a branch code, a status letter) compares
    // equal keys most of the time.
    size_t common = rt::asciiPrefix(a, b);
    if (common == a.size() && common == b.size()) return 0;
    if (common < a.size() && common < b.size() && a[common] == b[common] && a == b) return 0;
    a = rt::rtrimBlanks(a);
    b = rt::rtrimBlanks(b);
    common = std::min({common, a.size(), b.size()});
    const rt::Collator& c = rt::collator();
    int r = rt::asciiCompare(c.rank, a, b, common);
    if (r != 2) return r;
    return c.icu(a, b);
}

bool likeMatch(std::string_view value, std::string_view pattern, char32_t escape) {
    return rt::matchLike(rt::compileLike(pattern, escape), value);
}

}  // namespace tsqlite
