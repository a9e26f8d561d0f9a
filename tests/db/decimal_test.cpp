// Exact decimals: what the drivers hand over, and the rounding to a column's scale.
#include <gtest/gtest.h>

#include <QVariant>

#include "db/decimal.h"
#include "printers.h"

using db::Decimal;

TEST(Decimal, ParsesDriverTexts) {
    EXPECT_EQ(Decimal::parse(u".50")->toString(), "0.50");  // SQL Server's drivers drop the 0
    EXPECT_EQ(Decimal::parse(u"-.5")->toString(), "-0.5");
    EXPECT_EQ(Decimal::parse(u" +0012.340 ")->toString(), "12.340");
    EXPECT_EQ(Decimal::parse(u"7.")->toString(), "7");
    EXPECT_EQ(Decimal::parse(u"-0.00")->toString(), "0.00");
    EXPECT_EQ(Decimal::parse(u"922337203685477.5807")->toString(), "922337203685477.5807");
    for (const char16_t* bad : {u"", u"-", u".", u"1e3", u"1.2.3", u"12a", u"1 2"})
        EXPECT_FALSE(Decimal::parse(bad)) << QString::fromUtf16(bad).toStdString();
    EXPECT_EQ(Decimal(qint64(-42)).toString(), "-42");
    EXPECT_EQ(Decimal(std::numeric_limits<qint64>::min()).toString(), "-9223372036854775808");
}

TEST(Decimal, UnitsAreTheDigitsAsOneIntegerWhileTheyFit64Bits) {
    EXPECT_EQ(Decimal::parse(u"-12.50")->units(), -1250);
    EXPECT_EQ(Decimal::parse(u"0.005")->units(), 5);
    EXPECT_EQ(Decimal::parse(u"922337203685477.5807")->units(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(Decimal(std::numeric_limits<qint64>::min()).units(),
              std::numeric_limits<qint64>::min());
    EXPECT_FALSE(Decimal::parse(u"922337203685477.5808")->units());
    EXPECT_FALSE(Decimal::parse(u"-9223372036854775809")->units());
    EXPECT_FALSE(Decimal::parse(u"12345678901234567890.12")->units());
}

TEST(Decimal, RoundsHalfAwayFromZero) {
    EXPECT_EQ(Decimal::parse(u"2.345")->rounded(2).toString(), "2.35");
    EXPECT_EQ(Decimal::parse(u"-2.345")->rounded(2).toString(), "-2.35");
    EXPECT_EQ(Decimal::parse(u"9.995")->rounded(2).toString(), "10.00");
    EXPECT_EQ(Decimal::parse(u"-0.004")->rounded(2).toString(), "0.00");
    EXPECT_EQ(Decimal::parse(u"1.5")->rounded(3).toString(), "1.500");
    EXPECT_EQ(Decimal::parse(u"0.5")->rounded(0).toString(), "1");
    EXPECT_EQ(Decimal::fromDouble(0.125, 2).toString(), "0.13");
    EXPECT_EQ(Decimal::fromDouble(1234567890123.45, 2).toString(), "1234567890123.45");
}

TEST(Decimal, ComparesByValueAndConvertsInVariants) {
    EXPECT_EQ(*Decimal::parse(u"12.5"), *Decimal::parse(u"12.50"));
    EXPECT_NE(*Decimal::parse(u"12.5"), *Decimal::parse(u"-12.5"));
    QVariant v = QVariant::fromValue(*Decimal::parse(u"1234.50"));
    EXPECT_EQ(v.toString(), "1234.50");
    EXPECT_DOUBLE_EQ(v.toDouble(), 1234.5);
    EXPECT_EQ(v, QVariant::fromValue(*Decimal::parse(u"1234.5")));
}

TEST(DecimalValues, ReadAsWholeNumbersAndFlags) {
    const QVariant five = QVariant::fromValue(*Decimal::parse(u"5.00"));
    EXPECT_EQ(five.toInt(), 5);
    EXPECT_EQ(five.toLongLong(), 5);
    EXPECT_TRUE(five.toBool());
    EXPECT_EQ(QVariant::fromValue(*Decimal::parse(u"-2.5")).toInt(), -3);
    EXPECT_FALSE(QVariant::fromValue(*Decimal::parse(u"0.00")).toBool());
}
