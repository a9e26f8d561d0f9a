#include "db/decimal.h"

#include <QVariant>
#include <cmath>
#include <mutex>

namespace db {

namespace {

// Lets QVariant::toDouble() and toString() read a Decimal, which is what grids, number
// formatting and plain arithmetic in the screens use.
void registerConversions() {
    static std::once_flag once;
    std::call_once(once, [] {
        QMetaType::registerConverter<Decimal, double>(&Decimal::toDouble);
        QMetaType::registerConverter<Decimal, QString>(&Decimal::toString);
        // Whole numbers round as QVariant rounds a double; a numeric column where an int was
        // expected must not read as 0.
        QMetaType::registerConverter<Decimal, qlonglong>(
            [](const Decimal& d) { return static_cast<qlonglong>(std::llround(d.toDouble())); });
        QMetaType::registerConverter<Decimal, int>(
            [](const Decimal& d) { return static_cast<int>(std::llround(d.toDouble())); });
        QMetaType::registerConverter<Decimal, bool>(
            [](const Decimal& d) { return d != Decimal(); });
    });
}

}  // namespace

Decimal::Decimal() : digits_("0") {
    registerConversions();
}

Decimal::Decimal(qint64 value) : Decimal() {
    negative_ = value < 0;
    // Through unsigned so that the smallest qint64 has a magnitude too.
    quint64 magnitude = negative_ ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    digits_ = QByteArray::number(magnitude);
    normalize();
}

std::optional<Decimal> Decimal::parse(QStringView text) {
    text = text.trimmed();
    Decimal d;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        d.negative_ = text[i] == u'-';
        ++i;
    }
    QByteArray intPart, fracPart;
    bool point = false;
    for (; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            (point ? fracPart : intPart).append(static_cast<char>(c));
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (intPart.isEmpty() && fracPart.isEmpty()) return std::nullopt;
    d.digits_ = intPart + fracPart;
    d.scale_ = static_cast<int>(fracPart.size());
    d.normalize();
    return d;
}

Decimal Decimal::fromUnits(qint64 units, int scale) {
    Decimal d(units);
    d.scale_ = qMax(0, scale);
    d.normalize();
    return d;
}

Decimal Decimal::fromDouble(double value, int scale) {
    // Qt prints the exact binary value rounded to the places asked for.
    auto d = parse(QString::number(value, 'f', scale));
    return d ? *d : Decimal();
}

void Decimal::normalize() {
    // Keep one integer digit at least, and no leading zeros before it.
    while (digits_.size() < scale_ + 1) digits_.prepend('0');
    qsizetype lead = 0;
    while (lead < digits_.size() - scale_ - 1 && digits_[lead] == '0') ++lead;
    digits_.remove(0, lead);
    bool zero = true;
    for (char c : digits_)
        if (c != '0') zero = false;
    if (zero) negative_ = false;
}

QString Decimal::toString() const {
    QString s;
    if (negative_) s += QLatin1Char('-');
    qsizetype intDigits = digits_.size() - scale_;
    s += QLatin1String(digits_.constData(), intDigits);
    if (scale_ > 0) {
        s += QLatin1Char('.');
        s += QLatin1String(digits_.constData() + intDigits, scale_);
    }
    return s;
}

std::optional<qint64> Decimal::units() const {
    // Through unsigned, so that the smallest qint64 fits too.
    const quint64 limit = negative_ ? quint64{1} << 63 : (quint64{1} << 63) - 1;
    quint64 magnitude = 0;
    for (char c : digits_) {
        const auto digit = static_cast<quint64>(c - '0');
        if (magnitude > (limit - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    return negative_ ? static_cast<qint64>(0 - magnitude) : static_cast<qint64>(magnitude);
}

double Decimal::toDouble() const {
    // Up to 15 digits the digits are an exact double and so is the power of ten: their
    // quotient is the correctly rounded value, the same the text would parse to.
    if (digits_.size() <= 15 && scale_ <= 22) {
        qint64 whole = 0;
        for (char c : digits_) whole = whole * 10 + (c - '0');
        static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        const double value = static_cast<double>(whole) / kPowers[scale_];
        return negative_ ? -value : value;
    }
    return toString().toDouble();
}

Decimal Decimal::rounded(int scale) const {
    if (scale < 0) scale = 0;
    Decimal r = *this;
    if (scale >= scale_) {
        r.digits_.append(QByteArray(scale - scale_, '0'));
        r.scale_ = scale;
        return r;
    }
    qsizetype keep = digits_.size() - (scale_ - scale);
    bool up = digits_[keep] >= '5';
    r.digits_ = digits_.left(keep);
    r.scale_ = scale;
    if (up) {
        qsizetype i = r.digits_.size() - 1;
        while (i >= 0 && r.digits_[i] == '9') r.digits_[i--] = '0';
        if (i < 0)
            r.digits_.prepend('1');
        else
            ++r.digits_[i];
    }
    r.normalize();
    return r;
}

bool Decimal::operator==(const Decimal& other) const {
    int scale = qMax(scale_, other.scale_);
    Decimal a = rounded(scale), b = other.rounded(scale);
    return a.negative_ == b.negative_ && a.digits_ == b.digits_;
}

}  // namespace db
