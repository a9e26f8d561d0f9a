#include "data/Conventions.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortDate, FormatsDayMonthFourDigitYear) {
    EXPECT_EQ(formatDate(QDate(2024, 2, 5)), "05/02/2024");
    EXPECT_EQ(formatDate(QDate(999, 12, 31)), "31/12/0999");
    EXPECT_EQ(formatDate(QDate()), "");
    EXPECT_EQ(formatDate(QDateTime(QDate(2024, 2, 5), QTime(23, 59, 58))), "05/02/2024");
    EXPECT_EQ(formatDateTime(QDateTime(QDate(2024, 2, 5), QTime(7, 8, 9))), "05/02/2024 07:08:09");
    EXPECT_EQ(formatDateTime(QDateTime()), "");
}

TEST(ShortDate, ParsesOnlyExactDayMonthYear) {
    EXPECT_EQ(parseDate("05/02/2024"), QDate(2024, 2, 5));
    EXPECT_EQ(parseDate(" 29/02/2024 "), QDate(2024, 2, 29));
    for (const char* bad : {"", "5/2/2024", "05/02/24", "2024-02-05", "05-02-2024", "05.02.2024",
                            "29/02/2023", "31/04/2024", "00/01/2024", "01/13/2024", "05/02/2024x",
                            "05/02/ 2024", "05/02/2024 10:00"})
        EXPECT_FALSE(parseDate(QString::fromUtf8(bad)).isValid()) << bad;
    // Thai digits are digits to Unicode, not to the date format.
    EXPECT_FALSE(parseDate(QStringLiteral("๐๕/๐๒/๒๕๖๗")).isValid());
}

TEST(ShortDate, ParsesDateWithOptionalTime) {
    EXPECT_EQ(parseDateTime("05/02/2024"), QDateTime(QDate(2024, 2, 5), QTime(0, 0)));
    EXPECT_EQ(parseDateTime("05/02/2024 13:45"), QDateTime(QDate(2024, 2, 5), QTime(13, 45)));
    EXPECT_EQ(parseDateTime("05/02/2024 13:45:07"), QDateTime(QDate(2024, 2, 5), QTime(13, 45, 7)));
    for (const char* bad : {"05/02/2024 24:00", "05/02/2024 1:45", "05/02/2024 13:60",
                            "05/02/2024  13:45", "31/02/2024 10:00", "05/02/2024 10:00:00.5"})
        EXPECT_FALSE(parseDateTime(QString::fromUtf8(bad)).isValid()) << bad;
}

TEST(YesNoColumn, OnlyExactlyCapitalYIsYes) {
    EXPECT_TRUE(isYes(QStringLiteral("Y")));
    EXPECT_TRUE(isYes(QVariant(QChar(u'Y'))));
    EXPECT_TRUE(isYes(QVariant(QByteArray("Y"))));
    for (const QVariant& no : {QVariant(), QVariant(QMetaType::fromType<QString>()),
                               QVariant(QString()), QVariant(QStringLiteral("")),
                               QVariant(QStringLiteral("y")), QVariant(QStringLiteral("Yes")),
                               QVariant(QStringLiteral("Y ")), QVariant(QStringLiteral(" Y")),
                               QVariant(QStringLiteral("N")), QVariant(1), QVariant(true)})
        EXPECT_FALSE(isYes(no)) << no.toString().toStdString();
    EXPECT_EQ(yesNo(true), "Y");
    EXPECT_EQ(yesNo(false), "N");
}

TEST(MessageText, LineBreakMarksBecomeOneLineBreak) {
    EXPECT_EQ(displayText(QStringLiteral("ยังไม่กำหนดแผนกสินค้า\n\rกรุณากำหนดแผนกสินค้าก่อน")),
              QStringLiteral("ยังไม่กำหนดแผนกสินค้า\nกรุณากำหนดแผนกสินค้าก่อน"));
    EXPECT_EQ(displayText("a\r\nb"), "a\nb");
    EXPECT_EQ(displayText("a\rb\nc"), "a\nb\nc");
    EXPECT_EQ(displayText("a\n\r\n\rb"), "a\n\nb");
    EXPECT_EQ(displayText("a\n\nb"), "a\n\nb");
    EXPECT_EQ(displayText("saved\n\r"), "saved\n");
    EXPECT_EQ(displayText("no break"), "no break");
}

}  // namespace
