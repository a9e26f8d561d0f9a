// The sort of MemoryPick against Qt's case-insensitive comparison it stands for.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <random>
#include <vector>

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

}  // namespace
