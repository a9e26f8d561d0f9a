// The sort of MemoryPick against Qt's case-insensitive comparison it stands for.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "db/decimal.h"
#include "picking/PickRules.h"

namespace {

using pick_rules::MemoryRow;

std::vector<qlonglong> idsOf(const std::vector<MemoryRow>& rows) {
    std::vector<qlonglong> ids;
    for (const MemoryRow& row : rows) ids.push_back(row.id);
    return ids;
}

// What the sort must give: a stable sort by QString::compare ignoring case.
std::vector<qlonglong> expectedOrder(std::vector<MemoryRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const MemoryRow& a, const MemoryRow& b) {
        return QString::compare(a.sortGroup, b.sortGroup, Qt::CaseInsensitive) < 0;
    });
    return idsOf(rows);
}

TEST(PickRules, SortIgnoresLetterCaseAndKeepsTheOrderOfEqualKeys) {
    std::vector<MemoryRow> rows = {
        {1, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("b-2")},
        {2, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("A-1")},
        {3, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("B-2")},
        {4, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("a-1")},
        // "_" lies between "Z" and "a": folded to lower case it sorts before letters.
        {5, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("A_")},
        {6, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("AB")},
        {7, QStringLiteral("G"), QStringLiteral("P"), QStringLiteral("A")},
        {8, QStringLiteral("G"), QStringLiteral("P"), QString()},
    };
    pick_rules::sortMemory(rows);
    EXPECT_EQ(idsOf(rows), (std::vector<qlonglong>{8, 7, 2, 4, 5, 6, 1, 3}));
}

TEST(PickRules, SortOfMixedTextMatchesQtsComparison) {
    // ASCII keys (the usual branch, location and product codes) next to Thai, accented and
    // other non-ASCII keys, with many equal keys: the order and the stability must be Qt's.
    const QStringList pieces = {
        QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("Z"),
        QStringLiteral("_"), QStringLiteral("-"), QStringLiteral("0"), QStringLiteral("9"),
        QStringLiteral("["), QStringLiteral("ก"), QStringLiteral("ข"), QStringLiteral("é"),
        QStringLiteral("É"), QStringLiteral("ß"), QStringLiteral(" "), QStringLiteral("~")};
    std::mt19937 random(20241125);
    for (int round = 0; round < 20; ++round) {
        std::vector<MemoryRow> rows;
        for (int i = 0; i < 300; ++i) {
            QString key;
            const int length = static_cast<int>(random() % 4);
            for (int k = 0; k < length; ++k)
                key += pieces[static_cast<qsizetype>(random() % pieces.size())];
            rows.push_back({i, QStringLiteral("G"), QStringLiteral("P"), key});
        }
        const std::vector<qlonglong> expected = expectedOrder(rows);
        pick_rules::sortMemory(rows);
        EXPECT_EQ(idsOf(rows), expected) << "round " << round;
    }
}

// The stock figures arrive as decimals from the load, as numbers from elsewhere: both become
// the same whole number, rounded half away from zero, and a figure beyond 64 bits keeps its
// sign.
TEST(PickRules, StockFiguresBecomeTheSameWholeNumberWhateverTheirType) {
    auto decimal = [](const char* text) {
        return QVariant::fromValue(*db::Decimal::parse(QString::fromLatin1(text)));
    };
    const struct {
        const char* text;
        long long whole;
    } cases[] = {{"0.4999", 0},
                 {"0.5", 1},
                 {"-0.5", -1},
                 {"-0.4", 0},
                 {"12.50", 13},
                 {"0", 0},
                 {"-3", -3},
                 {"1234567.5000", 1234568},
                 {"99999999999999999999999999.5", std::numeric_limits<long long>::max()},
                 {"-99999999999999999999999999", std::numeric_limits<long long>::min()}};
    for (const auto& c : cases) {
        EXPECT_EQ(pick_rules::wholeStock(decimal(c.text)), c.whole) << c.text;
        EXPECT_EQ(pick_rules::wholeStock(QVariant(QString::fromLatin1(c.text).toDouble())), c.whole)
            << c.text;
    }
    EXPECT_EQ(pick_rules::wholeStock(QVariant()), 0);
    // The rule sees the rounded figure: 0.4 at the location is nothing there.
    EXPECT_EQ(pick_rules::lineStatus(decimal("0.4"), decimal("5"), QStringLiteral("N")), u"O");
    EXPECT_EQ(pick_rules::lineStatus(decimal("0.5"), decimal("0.4"), QStringLiteral("N")), u"B");
    EXPECT_EQ(pick_rules::lineStatus(decimal("0.5"), decimal("0.5"), QStringLiteral("N")), u"P");
    EXPECT_EQ(pick_rules::lineStatus(decimal("-2"), decimal("0"), QStringLiteral("Y")), u"P");
    EXPECT_EQ(pick_rules::lineStatus(decimal("-2"), decimal("0"), QStringLiteral("X")), u"B");
}

}  // namespace
