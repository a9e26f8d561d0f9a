#include "printing/AmountInWords.h"

#include <limits>

#include "data/ConvertError.h"
#include "data/NumberFormat.h"
#include "data/QuantityText.h"

namespace {

const QString kThaiDigits[10] = {
    QString(),
    QStringLiteral("หนึ่ง"),
    QStringLiteral("สอง"),
    QStringLiteral("สาม"),
    QStringLiteral("สี่"),
    QStringLiteral("ห้า"),
    QStringLiteral("หก"),
    QStringLiteral("เจ็ด"),
    QStringLiteral("แปด"),
    QStringLiteral("เก้า"),
};
// Places of the six digits below a million, from the hundred-thousands down to the hundreds.
const QString kThaiPlaces[4] = {QStringLiteral("แสน"), QStringLiteral("หมื่น"), QStringLiteral("พัน"),
                                QStringLiteral("ร้อย")};
const QString kThaiTen = QStringLiteral("สิบ");
const QString kThaiTwenty = QStringLiteral("ยี่");
const QString kThaiOneAfterTens = QStringLiteral("เอ็ด");
const QString kThaiMillion = QStringLiteral("ล้าน");

// 1 to 20, then the tens; every word carries its own trailing blank.
const char* const kEnglishWords[21] = {
    "",          "ONE ",     "TWO ",     "THREE ",     "FOUR ",     "FIVE ",     "SIX ",
    "SEVEN ",    "EIGHT ",   "NINE ",    "TEN ",       "ELEVEN ",   "TWELVE ",   "THIRTEEN ",
    "FOURTEEN ", "FIFTEEN ", "SIXTEEN ", "SEVENTEEN ", "EIGHTEEN ", "NINETEEN ", "TWENTY ",
};
const char* const kEnglishTens[10] = {"",       "TEN ",   "TWENTY ",  "THIRTY ", "FOURTY ",
                                      "FIFTY ", "SIXTY ", "SEVENTY ", "EIGHTY ", "NINETY "};

QString englishWord(int n) {
    return QString::fromLatin1(kEnglishWords[n]);
}
QString englishTens(int n) {
    return QString::fromLatin1(kEnglishTens[n / 10]);
}

// Whole digits only, as a 32-bit integer.
std::int32_t readInt32(const QString& text) {
    qint64 value = 0;
    bool valid = true;
    for (const QChar c : text) {
        valid = valid && c >= u'0' && c <= u'9';
        if (!valid) break;
        value = value * 10 + (c.unicode() - u'0');
        valid = value <= std::numeric_limits<std::int32_t>::max();
    }
    if (!valid) throw ConvertError(QStringLiteral("'%1' is not a valid 32-bit integer").arg(text));
    return static_cast<std::int32_t>(value);
}

struct Amount {
    bool negative = false;
    std::int32_t integer = 0;
    std::int32_t fraction = 0;
};

// The amount in fixed-point notation, rounded to `decimals` on its 18 significant digits,
// cut into the integer part and the decimal digits read as one whole number (0.05 gives 5,
// 0.50 gives 50).
Amount splitAmount(double amount, int decimals) {
    if (decimals < 0 || decimals > 255)
        throw ConvertError(
            QStringLiteral("%1 decimals: a count of 0 to 255 is needed").arg(decimals));
    QString pattern = QStringLiteral("0");
    if (decimals > 0) pattern += u'.' + QString(decimals, u'0');
    QString text = trimBlanks(formatNumber(amount, pattern)).left(30);
    Amount parts;
    // A negative amount is read as its magnitude behind a word for the sign (see below);
    // reading "-12.50" as fifty satang would print a wrong amount.
    if (text.startsWith(u'-')) {
        parts.negative = true;
        text.remove(0, 1);
    }
    const qsizetype point = text.indexOf(u'.');
    // Without decimals there is no point and the whole figure is the integer part.
    const QString integerText = point < 0 ? text : text.left(point);
    const QString fractionText = point < 0 ? QString() : trimBlanks(text.mid(point + 1));
    parts.integer = readInt32(integerText.trimmed());
    parts.fraction = readInt32(fractionText);
    return parts;
}

const QString kThaiMinus = QStringLiteral("ลบ");
const QString kEnglishMinus = QStringLiteral("MINUS ");

}  // namespace

QString ThaiNumberText(std::int32_t n) {
    QString text;
    if (n <= 0) return text;
    const std::int32_t millions = n / 1000000;
    if (millions >= 1 && millions <= 9)
        text += kThaiDigits[millions] + kThaiMillion;
    else if (millions >= 10)
        text += ThaiNumberText(millions) + kThaiMillion;

    std::int32_t rest = n % 1000000;
    const int digits[6] = {rest / 100000,   rest / 10000 % 10, rest / 1000 % 10,
                           rest / 100 % 10, rest / 10 % 10,    rest % 10};
    for (int i = 0; i < 4; ++i)
        if (digits[i] != 0) text += kThaiDigits[digits[i]] + kThaiPlaces[i];

    const int tens = digits[4];
    if (tens == 1)
        text += kThaiTen;
    else if (tens == 2)
        text += kThaiTwenty + kThaiTen;
    else if (tens >= 3)
        text += kThaiDigits[tens] + kThaiTen;

    const int units = digits[5];
    if (units != 0) {
        if (text.endsWith(kThaiTen))
            text += units == 1 ? kThaiOneAfterTens : kThaiDigits[units];
        else
            text += kThaiDigits[units];
    }
    return text;
}

QString EnglishNumberText(std::int32_t n) {
    QString text;
    if (n <= 0) return text;
    const std::int32_t millions = n / 1000000;
    if (millions >= 1 && millions <= 9)
        text += englishWord(millions) + QStringLiteral(" MILLION ");
    else if (millions >= 10)
        text += EnglishNumberText(millions) + QStringLiteral(" MILLION ");

    const int thousands = n % 1000000 / 1000;
    if (thousands >= 1 && thousands <= 9)
        text += englishWord(thousands) + QStringLiteral(" THOUSAND ");
    else if (thousands >= 10 && thousands <= 90 && thousands % 10 == 0)
        text += englishTens(thousands) + QStringLiteral(" THOUSAND ");
    else if (thousands > 0)
        text += EnglishNumberText(thousands) + QStringLiteral(" THOUSAND ");

    const int hundreds = n % 1000 / 100;
    if (hundreds != 0) text += englishWord(hundreds) + QStringLiteral(" HUNDRED ");

    const int lastTwo = n % 100;
    if (lastTwo >= 1 && lastTwo <= 20) {
        text += englishWord(lastTwo);
    } else if (lastTwo >= 21) {
        text += englishTens(lastTwo);
        if (lastTwo % 10 != 0) text += englishWord(lastTwo % 10);
    }
    return text;
}

// Negative amounts are read as their magnitude after "ลบ" / "MINUS ", the usual words for a
// negative figure.

QString ThaiBahtText(double amount, int decimals) {
    if (amount == 0) return QString();
    const Amount a = splitAmount(amount, decimals);
    QString text = a.negative ? kThaiMinus : QString();
    text += ThaiNumberText(a.integer) + QStringLiteral("บาท");
    if (a.fraction >= 1)
        text += ThaiNumberText(a.fraction) + QStringLiteral("สตางค์");
    else
        text += QStringLiteral("ถ้วน");
    return text;
}

QString ThaiDecimalText(double amount, int decimals) {
    if (amount == 0) return QString();
    const Amount a = splitAmount(amount, decimals);
    QString text = a.negative ? kThaiMinus : QString();
    text += ThaiNumberText(a.integer);
    if (a.fraction >= 1) text += QStringLiteral("จุด") + ThaiNumberText(a.fraction);
    return text;
}

QString EnglishBahtText(double amount, int decimals) {
    if (amount == 0) return QString();
    const Amount a = splitAmount(amount, decimals);
    QString text = a.negative ? kEnglishMinus : QString();
    text += EnglishNumberText(a.integer) + QStringLiteral(" BAHT ");
    if (a.fraction >= 1)
        text += QStringLiteral(" AND ") + EnglishNumberText(a.fraction) + QStringLiteral(" SATANG");
    else
        text += QStringLiteral(" ONLY");
    return text;
}

QString EnglishDecimalText(double amount, int decimals) {
    if (amount == 0) return QString();
    const Amount a = splitAmount(amount, decimals);
    QString text = a.negative ? kEnglishMinus : QString();
    text += EnglishNumberText(a.integer) + u' ';
    if (a.fraction >= 1)
        text += QStringLiteral(" POINT ") + EnglishNumberText(a.fraction) + u' ';
    else
        text += QStringLiteral(" ONLY");
    return text;
}
