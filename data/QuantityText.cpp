#include "data/QuantityText.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "data/ConvertError.h"
#include "data/NumberFormat.h"

namespace {

const QString kCountPattern = QStringLiteral("#,###.##;-#,###.##");
const QString kWholePattern = QStringLiteral("###,###,##0 ");
const QString kPlainPattern = QStringLiteral("###,###,##0.###### ");
const QString kRestPattern = QStringLiteral(" ######.###### ");
// Far more decimals than a double holds; a larger setting would only cost memory.
constexpr int kMaxOnhandDecimals = 255;

QString formatWhole(qint64 value, const QString& pattern) {
    return formatDecimal(QString::number(value), pattern);
}

// The quantity in whole larger units, truncated toward zero.
qint64 wholeUnits(double quantity, qint64 fraction) {
    const double whole = std::trunc(quantity / static_cast<double>(std::max<qint64>(fraction, 1)));
    // 2^63 as a double: anything from there on has no 64-bit value.
    if (!(std::fabs(whole) < 9223372036854775808.0))
        throw ConvertError(
            QStringLiteral("quantity %1 is too large to count in units").arg(quantity));
    return static_cast<qint64>(whole);
}

QString decimalPattern(int onhandDecimal) {
    if (onhandDecimal == 0) return QStringLiteral(" #,###,###.###### ");
    const int zeros = std::clamp(onhandDecimal, 0, kMaxOnhandDecimals);
    return QStringLiteral(" #,###,##0.") + QString(zeros, u'0') + u' ';
}

}  // namespace

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] <= u' ') ++begin;
    while (end > begin && text[end - 1] <= u' ') --end;
    return text.mid(begin, end - begin);
}

std::int32_t smallUnitsOf(double quantity, qint64 fraction) {
    const double n = std::trunc(quantity * static_cast<double>(fraction));
    if (!(n >= -2147483648.0 && n <= 2147483647.0))
        throw ConvertError(QStringLiteral("quantity %1 x %2 is not a valid 32-bit integer")
                               .arg(quantity)
                               .arg(fraction));
    return static_cast<std::int32_t>(n);
}

QString fracSmallByStockText(std::int32_t n, const StockUnitRow& stock, const QString& smallUnit) {
    qint64 e = stock.fraction;
    QString unitName = stock.unitName;
    if (n != 0 && e < 1) {
        // No stock unit to divide by: the quantity stays in smallest units.
        e = 1;
        unitName = smallUnit;
    }
    QString wholeText;
    QString fractionText;
    if (n == 0) {
        fractionText = QStringLiteral("0");
    } else {
        qint64 rest = n;
        const qint64 w = rest / e;
        if (w != 0) {
            wholeText = formatWhole(w, kCountPattern);
            rest -= w * e;
        }
        if (rest % e != 0) {
            if (static_cast<double>(e) / static_cast<double>(rest) == 2.0) {
                fractionText = QStringLiteral("1/2");
            } else {
                qint64 numerator = rest;
                qint64 denominator = e;
                // Lowest terms; a negative rest stays as it is.
                if (numerator >= 2) {
                    const qint64 divisor = std::gcd(numerator, denominator);
                    numerator /= divisor;
                    denominator /= divisor;
                }
                fractionText = formatWhole(numerator, kCountPattern) + u'/' +
                               formatWhole(denominator, kCountPattern);
            }
        }
    }
    return trimBlanks(trimBlanks(wholeText) + u';' +
                      trimBlanks(fractionText + QStringLiteral("  ") + unitName));
}

QString onhandQuantityText(const UnitFractionRow& unit, const QuantitySettings& settings,
                           double quantity) {
    QString sign;
    if (quantity < 0) {
        sign = QStringLiteral("- ");
        quantity = -quantity;
    }
    const QString pattern = decimalPattern(settings.onhandDecimal);
    if (!unit.found) return trimBlanks(formatNumber(quantity, pattern) + QStringLiteral("ERROR"));

    auto named = [&](const QString& name) { return settings.unitLeft + name + settings.unitRight; };
    QString text;
    if (unit.fraction == 1) {
        text = formatNumber(quantity, pattern) + named(unit.lUnit);
    } else {
        const qint64 whole = wholeUnits(quantity, unit.fraction);
        const double rest =
            quantity - static_cast<double>(whole) * static_cast<double>(unit.fraction);
        if (whole != 0) text = formatWhole(whole, kWholePattern) + named(unit.lUnit);
        if (rest != 0) text += formatNumber(std::fabs(rest), pattern) + named(unit.sUnit);
    }
    if (text.isEmpty()) text = QStringLiteral("0 ") + named(unit.lUnit);
    return trimBlanks(sign + text);
}

QString onhandQuantityLSUnitText(const UnitFractionRow& unit, int part, double quantity) {
    QString sign;
    if (quantity < 0) {
        sign = QStringLiteral("- ");
        quantity = -quantity;
    }
    if (!unit.found) return formatNumber(quantity, kPlainPattern) + QStringLiteral("ERROR");

    QString largeText;
    QString smallText;
    if (unit.fraction == 1) {
        smallText = formatNumber(quantity, kPlainPattern) + unit.lUnit;
    } else {
        const qint64 whole = wholeUnits(quantity, unit.fraction);
        const double rest =
            quantity - static_cast<double>(whole) * static_cast<double>(unit.fraction);
        if (whole != 0) largeText = formatWhole(whole, kWholePattern) + unit.lUnit;
        if (rest != 0) smallText = formatNumber(std::fabs(rest), kRestPattern) + unit.sUnit;
    }
    switch (part) {
        case 1:
            return sign + largeText;
        case 2:
            return sign + smallText;
        default:
            return formatNumber(quantity, kPlainPattern) + QStringLiteral("IDERROR");
    }
}
