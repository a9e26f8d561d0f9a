#include "data/Workstation.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

bool isDottedDecimal(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) return false;
    for (int i = 1; i <= 4; ++i)
        if (m.captured(i).toInt() > 255) return false;
    return true;
}

TEST(Workstation, NamesTheComputerAndItsUser) {
    const QString computer = LocalComputerName();
    EXPECT_FALSE(computer.isEmpty());
    EXPECT_EQ(computer, computer.trimmed());

    const QString login = LocalLoginName();
    EXPECT_FALSE(login.isEmpty());
    for (QChar c : login) EXPECT_FALSE(c >= u'a' && c <= u'z') << login.toStdString();
}

TEST(Workstation, AddressIsDottedDecimalOrEmpty) {
    const QString address = LocalIPAddress();
    EXPECT_TRUE(address.isEmpty() || isDottedDecimal(address)) << address.toStdString();

    const QString loopback = LastIPAddressOfHost("localhost");
    EXPECT_TRUE(loopback.startsWith("127.")) << loopback.toStdString();
    EXPECT_EQ(LastIPAddressOfHost("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(LastIPAddressOfHost(""), "");
    EXPECT_EQ(LastIPAddressOfHost("no such host"), "");
}

TEST(Workstation, YearOfDateIsTheCalendarYear) {
    EXPECT_EQ(YearOfDate(QDate(2024, 1, 1)), 2024);
    EXPECT_EQ(YearOfDate(QDate(2024, 12, 31)), 2024);
    EXPECT_EQ(YearOfDate(QDate(2025, 1, 1)), 2025);
    EXPECT_EQ(YearOfDate(QDate(1999, 2, 28)), 1999);
    EXPECT_EQ(YearOfDate(QDate()), 0);
}

}  // namespace
