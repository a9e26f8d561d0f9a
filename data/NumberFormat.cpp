#include "data/NumberFormat.h"

#include <QList>
#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace {

// Amounts are rounded on the value as the old extended-precision arithmetic saw it: 18
// significant digits.
constexpr int kSignificantDigits = 18;
constexpr int kGeneralDigits = 15;
// Decimal text with a larger exponent is not a number anyone shows.
constexpr int kMaxExponent = 1000;

// A number as decimal digits: 0.d1d2d3... x 10^exponent. No digits means zero.
struct Decimal {
    bool negative = false;
    std::string digits;  // no leading or trailing zeros
    int exponent = 0;
};

void normalize(Decimal& d) {
    const size_t first = d.digits.find_first_not_of('0');
    if (first == std::string::npos) {
        d = Decimal{};
        return;
    }
    d.digits.erase(0, first);
    d.exponent -= static_cast<int>(first);
    d.digits.erase(d.digits.find_last_not_of('0') + 1);
}

Decimal fromDouble(double value) {
    Decimal d;
    d.negative = std::signbit(value);
    // "d.ddddddddddddddddde+xx": exact binary value correctly rounded to 18 digits.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
    const size_t e = text.find('e');
    for (char c : text.substr(0, e))
        if (c != '.') d.digits += c;
    std::string_view exponent = text.substr(e + 1);
    const bool negativeExponent = exponent.front() == '-';
    exponent.remove_prefix(1);  // to_chars always writes the exponent's sign
    int exp10 = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), exp10);
    d.exponent = (negativeExponent ? -exp10 : exp10) + 1;
    normalize(d);
    return d;
}

std::optional<Decimal> fromText(const QString& text) {
    const QString t = text.trimmed();
    Decimal d;
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) d.negative = t[i++] == u'-';
    int integerDigits = 0;
    bool anyDigit = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9') {
            d.digits += static_cast<char>(c.unicode());
            anyDigit = true;
            if (!point) ++integerDigits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return std::nullopt;
    int exp10 = 0;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negativeExponent = t[i++] == u'-';
        const qsizetype start = i;
        for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
            exp10 = exp10 * 10 + (t[i].unicode() - u'0');
            if (exp10 > kMaxExponent) return std::nullopt;
        }
        if (i == start) return std::nullopt;
        if (negativeExponent) exp10 = -exp10;
    }
    if (i != t.size()) return std::nullopt;
    d.exponent = integerDigits + exp10;
    normalize(d);
    if (std::abs(d.exponent) > kMaxExponent) return std::nullopt;
    return d;
}

// The magnitude rounded to a fixed number of decimals, halves away from zero.
struct Fixed {
    std::string integer;   // no leading zeros; empty for a zero integer part
    std::string fraction;  // exactly the requested number of digits
    bool isZero() const {
        return integer.empty() && fraction.find_first_not_of('0') == std::string::npos;
    }
};

Fixed roundTo(const Decimal& d, int decimals) {
    const int integerPlaces = std::max(d.exponent, 0);
    const int length = integerPlaces + decimals;
    // Digit at position idx of the fixed-point text; idx == length is the rounding digit.
    auto digitAt = [&](int idx) {
        const int i = d.exponent - integerPlaces + idx;
        return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)]
                                                               : '0';
    };
    std::string text(static_cast<size_t>(length), '0');
    for (int idx = 0; idx < length; ++idx) text[static_cast<size_t>(idx)] = digitAt(idx);
    if (digitAt(length) >= '5') {
        int idx = length - 1;
        for (; idx >= 0 && text[static_cast<size_t>(idx)] == '9'; --idx)
            text[static_cast<size_t>(idx)] = '0';
        if (idx >= 0)
            ++text[static_cast<size_t>(idx)];
        else
            text.insert(text.begin(), '1');
    }
    Fixed f;
    const size_t split = text.size() - static_cast<size_t>(decimals);
    f.fraction = text.substr(split);
    f.integer = text.substr(0, split);
    f.integer.erase(0, std::min(f.integer.find_first_not_of('0'), f.integer.size()));
    return f;
}

QString general(const Decimal& value) {
    Decimal d = value;
    if (static_cast<int>(d.digits.size()) > kGeneralDigits) {
        // Round to the first 15 significant digits; a carry may add a place in front.
        const Fixed f = roundTo(Decimal{false, d.digits, kGeneralDigits}, 0);
        d.exponent += static_cast<int>(f.integer.size()) - kGeneralDigits;
        d.digits = f.integer;
        normalize(d);
    }
    if (d.digits.empty()) return QStringLiteral("0");
    const Fixed f = roundTo(d, std::max(0, static_cast<int>(d.digits.size()) - d.exponent));
    QString out = d.negative ? QStringLiteral("-") : QString();
    out += f.integer.empty() ? QStringLiteral("0") : QString::fromLatin1(f.integer);
    if (!f.fraction.empty()) out += u'.' + QString::fromLatin1(f.fraction);
    return out;
}

struct Section {
    QStringView text;
    qsizetype point = -1;  // position of the decimal point in text
    int integerPlaceholders = 0;
    int minIntegerDigits = 0;  // placeholders from the first "0" before the point onwards
    int maxDecimals = 0;
    int minDecimals = 0;  // up to the last "0" after the point
    bool grouping = false;
};

Section parseSection(QStringView text) {
    Section s;
    s.text = text;
    bool zeroSeen = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool integerPart = s.point < 0;
        if (c == u'.' && integerPart) {
            s.point = i;
        } else if (c == u'0' || c == u'#') {
            if (integerPart) {
                ++s.integerPlaceholders;
                zeroSeen = zeroSeen || c == u'0';
                if (zeroSeen) ++s.minIntegerDigits;
            } else {
                ++s.maxDecimals;
                if (c == u'0') s.minDecimals = s.maxDecimals;
            }
        } else if (c == u',' && integerPart) {
            s.grouping = true;
        }
    }
    return s;
}

QString render(const Section& s, const Fixed& f, bool minus) {
    const int integerLength = std::max(static_cast<int>(f.integer.size()), s.minIntegerDigits);
    const std::string integer =
        std::string(static_cast<size_t>(integerLength) - f.integer.size(), '0') + f.integer;
    int decimals = s.maxDecimals;
    while (decimals > s.minDecimals && f.fraction[static_cast<size_t>(decimals) - 1] == '0')
        --decimals;

    QString out;
    bool signPending = minus;
    auto sign = [&] {
        if (signPending) out += u'-';
        signPending = false;
    };
    // The digit of the given place (0 = units), if the number has one there.
    auto digit = [&](int place) {
        if (place >= integerLength) return;
        sign();
        out += QLatin1Char(integer[static_cast<size_t>(integerLength - 1 - place)]);
        if (s.grouping && place > 0 && place % 3 == 0) out += u',';
    };
    auto digitsFrom = [&](int place) {
        for (int p = integerLength - 1; p >= place; --p) digit(p);
    };

    int integerIndex = 0;
    int fractionIndex = 0;
    for (qsizetype i = 0; i < s.text.size(); ++i) {
        const QChar c = s.text[i];
        if (i == s.point) {
            if (s.integerPlaceholders == 0) digitsFrom(0);
            if (decimals > 0) {
                sign();
                out += u'.';
            }
        } else if (c == u'0' || c == u'#') {
            if (s.point < 0 || i < s.point) {
                const int place = s.integerPlaceholders - 1 - integerIndex++;
                if (integerIndex == 1) digitsFrom(place + 1);  // digits the pattern has no room for
                digit(place);
            } else if (fractionIndex < decimals) {
                out += QLatin1Char(f.fraction[static_cast<size_t>(fractionIndex++)]);
            }
        } else if (c != u',') {
            out += c;
        }
    }
    // A pattern without placeholders or point still shows the number, at its end.
    if (s.integerPlaceholders == 0 && s.point < 0) digitsFrom(0);
    return out;
}

QString format(const Decimal& value, const QString& pattern) {
    QList<QStringView> parts = QStringView(pattern).split(u';');
    if (parts.size() > 3) {
        // A third ";" belongs to the zero section's text.
        const qsizetype start = parts[2].data() - pattern.constData();
        parts = {parts[0], parts[1], QStringView(pattern).mid(start)};
    }
    // A section is parsed only when it is used; an empty one prints the value plainly.
    auto sectionAt = [&](qsizetype i) {
        return i < parts.size() && !parts[i].isEmpty() ? std::optional(parseSection(parts[i]))
                                                       : std::nullopt;
    };
    std::optional<Section> section = sectionAt(value.negative ? 1 : 0);
    const bool minus = value.negative && !section;
    if (!section) section = sectionAt(0);
    if (!section) return general(value);

    const Fixed fixed = roundTo(value, section->maxDecimals);
    if (!fixed.isZero()) return render(*section, fixed, minus);
    section = sectionAt(2);
    if (!section) section = sectionAt(0);
    return section ? render(*section, roundTo(Decimal{}, section->maxDecimals), false)
                   : general(Decimal{});
}

}  // namespace

QString formatNumber(double value, const QString& pattern) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    return format(fromDouble(value), pattern);
}

QString formatDecimal(const QString& decimalText, const QString& pattern) {
    const std::optional<Decimal> d = fromText(decimalText);
    return d ? format(*d, pattern) : QString();
}

QString formatValue(const QVariant& value, const QString& pattern) {
    if (value.isNull()) return QString();
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::Long:
            return formatDecimal(QString::number(value.toLongLong()), pattern);
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar:
        case QMetaType::ULong:
            return formatDecimal(QString::number(value.toULongLong()), pattern);
        case QMetaType::QString:
        case QMetaType::QByteArray:
            return formatDecimal(value.toString(), pattern);
        default:
            // An exact decimal type of the database layer hands over its digits as text.
            if (value.typeId() >= QMetaType::User && value.canConvert<QString>())
                return formatDecimal(value.toString(), pattern);
            return formatNumber(value.toDouble(), pattern);
    }
}
