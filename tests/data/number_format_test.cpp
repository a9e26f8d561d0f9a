#include "data/NumberFormat.h"

#include <gtest/gtest.h>

#include <QVariant>

#include <cfloat>
#include <cmath>
#include <limits>

// Stands in for the database layer's exact decimal: a user type that converts to text.
struct ExactAmount {
    QString digits;
};
Q_DECLARE_METATYPE(ExactAmount)

namespace {

struct Case {
    double value;
    const char* pattern;
    const char* expected;
};

void expectAll(std::initializer_list<Case> cases) {
    for (const Case& c : cases)
        EXPECT_EQ(formatNumber(c.value, QString::fromUtf8(c.pattern)),
                  QString::fromUtf8(c.expected))
            << c.value << " in \"" << c.pattern << '"';
}

TEST(NumberFormat, ZeroAndHashPlaceholders) {
    expectAll({
        {0, "#", ""},
        {0, "0", "0"},
        {0, "#.##", ""},
        {0.5, "#.##", ".5"},
        {0.5, "#", "1"},
        {0.4, "#", ""},
        {0.5, "0.###", "0.5"},
        {2, "0.###", "2"},
        {1, "0.0#", "1.0"},
        {1.256, "0.0#", "1.26"},
        {5, "000", "005"},
        {5, "#0#", "05"},
        {12.5, "#", "13"},
    });
}

TEST(NumberFormat, ThousandsGrouping) {
    expectAll({
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {999999.999, "#,##0.00", "1,000,000.00"},
        {999.995, "#,##0.00", "1,000.00"},
        {1000, "#,##0", "1,000"},
        {12345, "###,###,##0 ", "12,345 "},
        {1234567, "0,0", "1,234,567"},
        {5, "000,000", "000,005"},
        {123456, "#,###.##", "123,456"},
    });
}

TEST(NumberFormat, NegativeValues) {
    expectAll({
        {-1234.5, "#,##0.00", "-1,234.50"},
        {-1234.5, "#,##0.00;(#,##0.00)", "(1,234.50)"},
        {-3, "#,###.##;-#,###.##", "-3"},
        {-1.26, "0.00;(0.0)", "(1.3)"},
        {-0.5, "#.##", "-.5"},
        {-5, "0;", "-5"},
        {-5, " #,###", " -5"},
    });
}

TEST(NumberFormat, ValuesThatRoundToZeroPrintAsZero) {
    expectAll({
        {-0.004, "0.00", "0.00"},
        {-0.004, "0.00;(0.00)", "0.00"},
        {-0.0, "0.00", "0.00"},
        {-0.4, "#", ""},
        {-0.005, "0.00", "-0.01"},
        {-1e-20, "#,##0.00", "0.00"},
    });
}

TEST(NumberFormat, ZeroSection) {
    expectAll({
        {0, "0.00;(0.00);-", "-"},
        {0.001, "0.00;(0.00);nil", "nil"},
        {-0.001, "0.00;(0.00);nil", "nil"},
        {-1, "0.00;;nil", "-1.00"},
        {0, "0;-0;a;b", "a;b"},
    });
}

TEST(NumberFormat, LiteralTextIsPrintedAsItStands) {
    expectAll({
        {1234.5, "฿ #,##0.00", "฿ 1,234.50"},
        {-1234.5, "฿ #,##0.00", "฿ -1,234.50"},
        {1234.5, "#,##0.00 บาท", "1,234.50 บาท"},
        {0.5, " ######.###### ", " .5 "},
        {0, " #,###,###.###### ", "  "},
        {42, "Qty: 0 pcs", "Qty: 42 pcs"},
        {12.5, ".00", "12.50"},
        {12, "abc", "abc12"},
        {3, "0.", "3"},
        {1.5, "0.0.0", "1.5.0"},
    });
}

TEST(NumberFormat, HalvesRoundAwayFromZeroOnEighteenDigits) {
    expectAll({
        {0.125, "0.00", "0.13"},
        {2.675, "0.00", "2.67"},  // held as 2.67499999999999982...
        {1.005, "0.00", "1.00"},  // 1.00499999999999989...
        {0.045, "0.00", "0.04"},
        {1.45, "0.0", "1.4"},
        {1000.005, "0.00", "1000.01"},  // 1000.00499999999999545..., 1000.005 at 18 digits
        {0.105, "0.00", "0.10"},        // 0.104999999999999996 at 18 digits (17 would round up)
        {2.0005, "0.000", "2.001"},
        {0.5, "0", "1"},
        {2.5, "0", "3"},
        {-0.125, "0.00", "-0.13"},
    });
}

TEST(NumberFormat, VeryLargeAndTinyValues) {
    expectAll({
        {1e20, "#,##0", "100,000,000,000,000,000,000"},
        {123456789012345678901234567890.0, "0", "123456789012345678000000000000"},
        {1e-20, "0.00", "0.00"},
        {1e-20, "0.####################", "0.00000000000000000001"},
        {5e-324, "0.00", "0.00"},
    });
    const QString max = formatNumber(DBL_MAX, QStringLiteral("0"));
    EXPECT_EQ(max.size(), 309);
    EXPECT_TRUE(max.startsWith(QLatin1String("179769313486231571000")));
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::quiet_NaN(), QStringLiteral("0")),
              QLatin1String("NAN"));
    EXPECT_EQ(formatNumber(-HUGE_VAL, QStringLiteral("0")), QLatin1String("-INF"));
}

TEST(NumberFormat, EmptyPatternPrintsTheValuePlainly) {
    expectAll({
        {1234.5, "", "1234.5"},
        {-0.0, "", "0"},
        {1.0 / 3, "", "0.333333333333333"},
        {1e20, "", "100000000000000000000"},
        {5, ";(0)", "5"},
        {-5, ";(0)", "(5)"},
        {0, ";(0)", "0"},
    });
}

TEST(NumberFormat, DecimalTextRoundsOnItsOwnDigits) {
    auto f = [](const char* text, const char* pattern) {
        return formatDecimal(QString::fromUtf8(text), QString::fromUtf8(pattern));
    };
    EXPECT_EQ(f("2.675", "0.00"), "2.68");
    EXPECT_EQ(f("1000.005", "0.00"), "1000.01");
    EXPECT_EQ(f("-1234.565", "#,##0.00"), "-1,234.57");
    EXPECT_EQ(f("12345678901234567890.125", "#,##0.00"), "12,345,678,901,234,567,890.13");
    EXPECT_EQ(f("+.5", "0.00"), "0.50");
    EXPECT_EQ(f("1e3", "#,##0"), "1,000");
    EXPECT_EQ(f("0012.3400", ""), "12.34");
    for (const char* bad : {"", "abc", "1,000", "1.2.3", "-", "1e", "12 5", "๑๒", "1e99999"})
        EXPECT_EQ(f(bad, "0"), "") << bad;
}

TEST(NumberFormat, ColumnValues) {
    EXPECT_EQ(formatValue(QVariant(), QStringLiteral("0")), "");
    EXPECT_EQ(formatValue(QVariant(QMetaType::fromType<double>()), QStringLiteral("0")), "");
    // A 64-bit whole number keeps all its digits; through a double it would not.
    EXPECT_EQ(formatValue(QVariant(qlonglong(1234567890123456789)), QStringLiteral("#,##0")),
              "1,234,567,890,123,456,789");
    EXPECT_EQ(formatValue(QVariant(5), QStringLiteral("000")), "005");
    EXPECT_EQ(formatValue(QVariant(2.675), QStringLiteral("0.00")), "2.67");
    EXPECT_EQ(formatValue(QVariant(QStringLiteral("2.675")), QStringLiteral("0.00")), "2.68");
    QMetaType::registerConverter<ExactAmount, QString>(
        [](const ExactAmount& a) { return a.digits; });
    EXPECT_EQ(formatValue(QVariant::fromValue(ExactAmount{QStringLiteral("-2.675")}),
                          QStringLiteral("#,##0.00")),
              "-2.68");
}

}  // namespace

namespace {

// The patterns of the quantity texts: blanks inside them are printed, "#" prints no digit
// for zero and no leading zero below 1.
TEST(NumberFormat, QuantityTextPatterns) {
    expectAll({
        {0, " #,###,###.###### ", "  "},
        {1234.5, " #,###,###.###### ", " 1,234.5 "},
        {0.5, " #,###,###.###### ", " .5 "},
        {0.1234567, " #,###,###.###### ", " .123457 "},
        {0, " #,###,##0.00 ", " 0.00 "},
        {1234567.5, " #,###,##0.00 ", " 1,234,567.50 "},
        {0, " #,###,##0. ", " 0 "},
        {1234, "#,###.##;-#,###.##", "1,234"},
        {-5, "#,###.##;-#,###.##", "-5"},
        {-1234, "#,###.##;-#,###.##", "-1,234"},
        {0, "#,###.##;-#,###.##", ""},
        {0.5, " ######.###### ", " .5 "},
        {1234567, " ######.###### ", " 1234567 "},
        {30, "###,###,##0.###### ", "30 "},
        {0, "###,###,##0 ", "0 "},
    });
}

}  // namespace
