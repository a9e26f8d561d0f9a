#pragma once
// Exact decimal values for numeric, decimal and money columns: the digits as the server gave
// them, so nothing is lost to binary floating point between the server and back.
#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringView>
#include <optional>

namespace db {

class Decimal {
public:
    Decimal();  // 0
    explicit Decimal(qint64 value);

    // "-12.50", "+3", ".5", "7." (blanks around allowed); nullopt for anything else.
    static std::optional<Decimal> parse(QStringView text);
    // The double rounded to `scale` places (half away from zero, as the server rounds).
    static Decimal fromDouble(double value, int scale);
    // units / 10^scale, exactly: fromUnits(1050, 2) is 10.50.
    static Decimal fromUnits(qint64 units, int scale);

    QString toString() const;  // "-0.50": a leading zero, `scale` places
    double toDouble() const;
    int scale() const { return scale_; }
    int precision() const { return static_cast<int>(digits_.size()); }
    bool isNegative() const { return negative_; }
    // All the digits as one integer, the point left out (-12.50 is -1250); nothing when that
    // does not fit 64 bits.
    std::optional<qint64> units() const;

    // To `scale` places, rounding half away from zero or padding with zeros.
    Decimal rounded(int scale) const;

    // Numeric equality: 12.5 == 12.50.
    bool operator==(const Decimal& other) const;
    bool operator!=(const Decimal& other) const { return !(*this == other); }

private:
    void normalize();

    bool negative_ = false;
    QByteArray digits_;  // integer and fraction digits, no point; at least scale_ + 1 of them
    int scale_ = 0;
};

}  // namespace db

Q_DECLARE_METATYPE(db::Decimal)
