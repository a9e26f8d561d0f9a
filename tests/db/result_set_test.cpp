// Rows held in a result set: every value comes back where it was put, however many rows
// there are and however the values repeat, and copies keep their own rows when either grows.
#include <gtest/gtest.h>

#include <QDateTime>
#include <algorithm>
#include <stdexcept>

#include "db/result_set.h"

using namespace db;

namespace {

QList<Column> twoColumns() {
    return {{QStringLiteral("Code"), FieldType::String, 10, 0, 0},
            {QStringLiteral("Qty"), FieldType::Integer, 0, 10, 0}};
}

// Rows of a code that repeats every 7 rows and a number of their own, the codes added once.
void fill(ResultSet& rs, int from, int to) {
    for (int i = from; i < to; ++i) {
        const quint32 code = rs.addValue(0, QStringLiteral("P%1").arg(i % 7));
        const quint32 qty = rs.addValue(1, qlonglong(i));
        quint32* row = rs.appendRow();
        row[0] = code;
        row[1] = qty;
    }
}

void expectRows(const ResultSet& rs, int count) {
    ASSERT_EQ(rs.rowCount(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(rs.value(i, 0).toString(), QStringLiteral("P%1").arg(i % 7)) << "row " << i;
        ASSERT_EQ(rs.value(i, 1).toLongLong(), i) << "row " << i;
    }
}

}  // namespace

TEST(ResultSetTest, RowsReferToTheValuesOfTheirColumns) {
    ResultSet rs(twoColumns(), {});
    fill(rs, 0, 100000);
    expectRows(rs, 100000);

    // One value shared by many rows, and rows of NULLs.
    ResultSet shared(twoColumns(), {});
    const quint32 code = shared.addValue(0, QStringLiteral("ข้าว"));
    EXPECT_EQ(shared.addValue(1, QVariant()), 0u);
    for (int i = 0; i < 50; ++i) shared.appendRow()[0] = i % 2 ? code : 0;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(shared.value(i, 0).isNull(), i % 2 == 0) << i;
        if (i % 2) {
            EXPECT_EQ(shared.value(i, 0).toString(), QStringLiteral("ข้าว"));
        }
        EXPECT_TRUE(shared.value(i, 1).isNull());
    }
}

TEST(ResultSetTest, ACopyKeepsItsRowsWhenTheOtherGrows) {
    ResultSet original(twoColumns(), {});
    fill(original, 0, 20);
    ResultSet copy = original;
    fill(original, 20, 60);
    original.appendRow(QVariantList{QStringLiteral("only in the original")});
    expectRows(copy, 20);
    ASSERT_EQ(original.rowCount(), 61);
    EXPECT_EQ(original.value(59, 1).toLongLong(), 59);
    EXPECT_EQ(original.value(60, 0).toString(), QStringLiteral("only in the original"));

    // And the other way round: the copy grows, the original stays.
    ResultSet second = copy;
    second.appendRow(QVariantList{QStringLiteral("second"), qlonglong(-1)});
    expectRows(copy, 20);
    EXPECT_EQ(second.value(20, 1).toLongLong(), -1);
    EXPECT_EQ(original.value(20, 0).toString(), QStringLiteral("P6"));
    EXPECT_EQ(original.value(20, 1).toLongLong(), 20);
}

TEST(ResultSetTest, RowsGivenAsListsAndCellsOutsideTheSet) {
    const QDateTime made(QDate(2024, 2, 29), QTime(23, 59, 59, 997));
    ResultSet rs(twoColumns(), {{QStringLiteral("A"), qlonglong(1)}, {QStringLiteral("B")}});
    rs.appendRow(QVariantList{QStringLiteral("C"), made, QStringLiteral("beyond the columns")});
    ASSERT_EQ(rs.rowCount(), 3);
    // A short row ends in NULLs.
    EXPECT_TRUE(rs.value(1, 1).isNull());
    EXPECT_EQ(rs.value(2, 1).toDateTime(), made);
    EXPECT_EQ(rs.row(0), (QVariantList{QStringLiteral("A"), qlonglong(1)}));

    EXPECT_THROW(rs.value(3, 0), std::out_of_range);
    EXPECT_THROW(rs.value(-1, 0), std::out_of_range);
    EXPECT_THROW(rs.value(0, 2), std::out_of_range);
    EXPECT_THROW(rs.row(3), std::out_of_range);
    EXPECT_THROW(ResultSet().value(0, 0), std::out_of_range);

    // The set moved from is empty, not a set whose rows are gone.
    ResultSet moved = std::move(rs);
    EXPECT_EQ(moved.rowCount(), 3);
    EXPECT_EQ(rs.rowCount(), 0);  // NOLINT(bugprone-use-after-move)
    EXPECT_THROW(rs.value(0, 0), std::out_of_range);
}
