// Rows held in a result set: every value comes back where it was put, however many rows
// there are, and copies keep their own rows when either grows.
#include <gtest/gtest.h>

#include <QDateTime>
#include <stdexcept>

#include "db/result_set.h"

using namespace db;

namespace {

QList<Column> twoColumns() {
    return {{QStringLiteral("Code"), FieldType::String, 10, 0, 0},
            {QStringLiteral("Qty"), FieldType::Integer, 0, 10, 0}};
}

void fill(ResultSet& rs, int from, int to) {
    for (int i = from; i < to; ++i) {
        QVariant* cells = rs.appendRow();
        cells[0] = QStringLiteral("P%1").arg(i);
        cells[1] = qlonglong(i);
    }
}

void expectRows(const ResultSet& rs, int count) {
    ASSERT_EQ(rs.rowCount(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(rs.value(i, 0).toString(), QStringLiteral("P%1").arg(i)) << "row " << i;
        ASSERT_EQ(rs.value(i, 1).toLongLong(), i) << "row " << i;
    }
}

}  // namespace

TEST(ResultSetTest, RowsOfManyBlocksKeepTheirValues) {
    // Enough rows for several full blocks and a part of one, and a wide row whose block holds
    // few rows.
    ResultSet rs(twoColumns(), {});
    fill(rs, 0, 300000);
    expectRows(rs, 300000);

    QList<Column> wide;
    for (int c = 0; c < 70000; ++c)
        wide << Column{QStringLiteral("C%1").arg(c), FieldType::Integer, 0, 10, 0};
    ResultSet w(wide, {});
    for (int r = 0; r < 3; ++r) {
        QVariant* cells = w.appendRow();
        cells[0] = qlonglong(r);
        cells[69999] = qlonglong(-r);
    }
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(w.value(r, 0).toLongLong(), r);
        EXPECT_TRUE(w.value(r, 1).isNull());
        EXPECT_EQ(w.value(r, 69999).toLongLong(), -r);
    }
}

TEST(ResultSetTest, ACopyKeepsItsRowsWhenTheOtherGrows) {
    // Copies taken with the first block part filled, and with a later block part filled.
    for (int rows : {5, 17, 70000}) {
        ResultSet original(twoColumns(), {});
        fill(original, 0, rows);
        ResultSet copy = original;
        fill(original, rows, rows + 40);
        original.appendRow()[0] = QStringLiteral("only in the original");
        expectRows(copy, rows);
        ASSERT_EQ(original.rowCount(), rows + 41);
        EXPECT_EQ(original.value(rows + 39, 1).toLongLong(), rows + 39);

        // And the other way round: the copy grows, the original stays.
        ResultSet second = copy;
        second.appendRow()[1] = qlonglong(-1);
        expectRows(copy, rows);
        EXPECT_EQ(second.value(rows, 1).toLongLong(), -1);
        EXPECT_TRUE(second.value(rows, 0).isNull());
        EXPECT_EQ(original.value(rows, 0).toString(), QStringLiteral("P%1").arg(rows));
        EXPECT_EQ(original.value(rows, 1).toLongLong(), rows);
    }
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
