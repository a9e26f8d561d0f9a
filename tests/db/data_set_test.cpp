// Cached changes and their write-back.
#include "db/data_set.h"
#include "test_server.h"

using namespace db;
using db::testing::ServerTest;
using State = DataSet::RowState;

namespace {

// The order screen's way of storing its rows: the key as loaded picks the row to update.
const WriteBack kOrderWriteBack{
    "update OrderBranch\n"
    "set\n"
    "OrderNo = :OrderNo,\n"
    "Product = :Product,\n"
    "OrderQnty = Coalesce(:OrderQnty,0),\n"
    "BackOrder = Coalesce(:OrderQnty,0),\n"
    "OrderDate = :OrderDate\n"
    "where\n"
    "Id = :OLD_Id and OrderNo = :OLD_OrderNo",
    "insert into OrderBranch\n"
    "(OrderNo, Product, OrderQnty, BackOrder, OrderDate)\n"
    "values\n"
    "(:OrderNo, :Product, Coalesce(:OrderQnty,0), Coalesce(:OrderQnty,0), :OrderDate)",
    {}};

class DataSetTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        conn.execute(
            "CREATE TABLE OrderBranch (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,"
            " OrderNo varchar(20) NOT NULL, Product varchar(20) NOT NULL,"
            " OrderQnty decimal(18,2) NULL, BackOrder decimal(18,2) NULL,"
            " OrderDate datetime NULL, Remark varchar(10) NULL)");
        conn.execute("CREATE UNIQUE INDEX OrderProduct ON OrderBranch (OrderNo, Product)");
        conn.execute(
            "INSERT INTO OrderBranch (OrderNo, Product, OrderQnty, BackOrder, OrderDate)"
            " VALUES ('B0001', 'P1', 1, 1, '2024-03-01'), ('B0001', 'P2', 2, 2, '2024-03-01')");
        load();
    }

    void load() {
        // ProdName is shown, never stored.
        orders.open(conn,
                    "SELECT Id, OrderNo, Product, OrderQnty, OrderDate, Remark,"
                    " CONVERT(varchar(30), '') AS ProdName"
                    " FROM OrderBranch WHERE OrderNo = :DocNo ORDER BY Id",
                    {{"DocNo", "B0001"}});
    }

    // The stored rows, as another workstation reads them.
    QStringList stored() {
        Connection other("Other");
        other.setParams(conn.params());
        ResultSet rs = other.query(
            "SELECT OrderNo, Product, OrderQnty, BackOrder, CONVERT(char(10), OrderDate, 103)"
            " FROM OrderBranch ORDER BY Product");
        QStringList rows;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QStringList cells;
            for (const QVariant& v : rs.row(r)) cells << (v.isNull() ? "NULL" : v.toString());
            rows << cells.join(' ');
        }
        return rows;
    }

    void save() {
        conn.startTransaction();
        try {
            orders.applyUpdates(conn, kOrderWriteBack);
            conn.commit();
        } catch (...) {
            conn.rollback();
            throw;
        }
        orders.commitUpdates();
    }

    DataSet orders;
};

}  // namespace

TEST_F(DataSetTest, ChangedAndNewRowsAreWrittenBackInOneTransaction) {
    ASSERT_EQ(orders.rowCount(), 2);
    EXPECT_FALSE(orders.hasChanges());
    orders.setValue(0, "OrderQnty", "5.5");
    // Renumbering touches every row; the update finds each by its key as loaded.
    for (int r = 0; r < orders.rowCount(); ++r) orders.setValue(r, "ORDERNO", "B0002");
    int added = orders.appendRow();
    orders.setValue(added, "OrderNo", "B0002");
    orders.setValue(added, "Product", "P3");
    orders.setValue(added, "OrderDate", "15/03/2024");
    orders.setValue(added, "ProdName", QString::fromUtf8("น้ำปลา"));
    EXPECT_EQ(orders.rowState(0), State::Modified);
    EXPECT_EQ(orders.rowState(1), State::Modified);
    EXPECT_EQ(orders.rowState(added), State::Inserted);
    EXPECT_EQ(orders.oldValue(0, "OrderNo").toString(), "B0001");
    EXPECT_TRUE(orders.oldValue(added, "OrderNo").isNull());

    save();
    EXPECT_EQ(stored(),
              QStringList({"B0002 P1 5.50 5.50 01/03/2024", "B0002 P2 2.00 2.00 01/03/2024",
                           "B0002 P3 0.00 0.00 15/03/2024"}));
    EXPECT_FALSE(orders.hasChanges());
    for (int r = 0; r < orders.rowCount(); ++r) EXPECT_EQ(orders.rowState(r), State::Unchanged);
    EXPECT_EQ(orders.oldValue(0, "OrderNo").toString(), "B0002");
}

TEST_F(DataSetTest, FailedWriteBackLeavesNothingStoredAndTheDataSetAsItWas) {
    orders.setValue(0, "OrderQnty", 7);
    int added = orders.appendRow();
    orders.setValue(added, "OrderNo", "B0001");
    orders.setValue(added, "Product", "P2");  // already ordered: the unique index refuses it
    const QStringList before = stored();

    try {
        save();
        FAIL() << "the duplicate was stored";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("Cannot insert duplicate")) << e.what();
    }
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(stored(), before);  // the update of row 0 went with the rollback
    EXPECT_EQ(orders.rowState(0), State::Modified);
    EXPECT_EQ(orders.rowState(added), State::Inserted);
    EXPECT_EQ(orders.value(0, "OrderQnty").toString(), "7.00");
    EXPECT_EQ(orders.oldValue(0, "OrderQnty").toString(), "1.00");

    // Corrected, the same changes are applied again.
    orders.setValue(added, "Product", "P4");
    save();
    EXPECT_EQ(stored(), QStringList({"B0001 P1 7.00 7.00 01/03/2024",
                                     "B0001 P2 2.00 2.00 01/03/2024", "B0001 P4 0.00 0.00 NULL"}));
}

TEST_F(DataSetTest, ARowDeletedOrRenumberedElsewhereFailsTheWriteBack) {
    orders.setValue(0, "OrderQnty", 7);
    orders.setValue(1, "OrderQnty", 8);
    // Another workstation renumbers the first row after it was read.
    Connection other("Other");
    other.setParams(conn.params());
    other.execute("UPDATE OrderBranch SET OrderNo = 'B0009' WHERE Product = 'P1'");
    const QStringList before = stored();

    try {
        save();
        FAIL() << "an update that found no row was taken as stored";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("changed or deleted by another user")) << e.what();
    }
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(stored(), before);  // the second row's update went with the rollback
    EXPECT_TRUE(orders.hasChanges());
}

TEST_F(DataSetTest, ValuesAreConvertedToTheColumnType) {
    orders.setValue(0, "Remark", "0123456789ABC");  // varchar(10)
    EXPECT_EQ(orders.value(0, "Remark").toString(), "0123456789");
    orders.setValue(0, "OrderQnty", 2.345);
    EXPECT_EQ(orders.value(0, "OrderQnty").value<Decimal>().toString(), "2.35");
    orders.setValue(0, "OrderDate", "29/02/2024 08:30:00");
    EXPECT_EQ(orders.value(0, "OrderDate").toDateTime(),
              QDateTime(QDate(2024, 2, 29), QTime(8, 30)));
    orders.setValue(0, "OrderQnty", " ");
    EXPECT_TRUE(orders.value(0, "OrderQnty").isNull());

    // A value that does not convert changes nothing, and says why in words the error
    // handler knows.
    orders.setValue(1, "OrderDate", orders.value(1, "OrderDate"));  // the same value again
    EXPECT_EQ(orders.rowState(1), State::Unchanged);
    auto refused = [&](const char* column, const QVariant& v, const char* words) {
        QVariant was = orders.value(1, column);
        try {
            orders.setValue(1, column, v);
            ADD_FAILURE() << column << " took " << v.toString().toStdString();
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.message().contains(words)) << e.what();
        }
        EXPECT_EQ(orders.value(1, column), was);
    };
    refused("OrderDate", "31/02/2024", "is not a valid date");
    refused("OrderQnty", "12,5 kg", "is not a valid floating point value");
    refused("Id", "x1", "is not a valid integer value");
    EXPECT_EQ(orders.rowState(1), State::Unchanged);
    EXPECT_THROW(orders.setValue(1, "NoSuchField", 1), DatabaseError);
}

TEST_F(DataSetTest, NumbersBeyondTheColumnsTypeAreRefusedAsTheServerRefusesThem) {
    DataSet numbers;
    numbers.open(conn,
                 "SELECT CAST(1 AS int) I, CAST(1 AS smallint) S, CAST(1 AS tinyint) T,"
                 " CAST(1 AS bigint) B, CAST(1 AS decimal(5,2)) D");
    auto refused = [&](const char* column, const QVariant& v, const char* words) {
        const QVariant was = numbers.value(0, column);
        try {
            numbers.setValue(0, column, v);
            ADD_FAILURE() << column << " took " << v.toString().toStdString();
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.number(), 8115) << e.what();
            EXPECT_EQ(e.message(), QString::fromLatin1(words)) << column;
        }
        EXPECT_EQ(numbers.value(0, column), was) << column;
    };
    refused("I", "3000000000", "Arithmetic overflow error converting expression to data type int.");
    refused("I", 4294967297LL, "Arithmetic overflow error converting expression to data type int.");
    refused("I", -2147483649LL,
            "Arithmetic overflow error converting expression to data type int.");
    refused("S", 32768, "Arithmetic overflow error converting expression to data type smallint.");
    refused("T", -1, "Arithmetic overflow error converting expression to data type tinyint.");
    refused("T", 256, "Arithmetic overflow error converting expression to data type tinyint.");
    refused("D", "1000", "Arithmetic overflow error converting numeric to data type numeric.");
    refused("D", 999.995, "Arithmetic overflow error converting numeric to data type numeric.");
    EXPECT_EQ(numbers.rowState(0), State::Unchanged);

    // The edges themselves fit.
    numbers.setValue(0, "I", "2147483647");
    numbers.setValue(0, "S", -32768);
    numbers.setValue(0, "T", 255);
    numbers.setValue(0, "B", "9223372036854775807");
    numbers.setValue(0, "D", "-999.99");
    EXPECT_EQ(numbers.value(0, "I").toLongLong(), 2147483647LL);
    EXPECT_EQ(numbers.value(0, "T").toLongLong(), 255);
    EXPECT_EQ(numbers.value(0, "B").toLongLong(), 9223372036854775807LL);
    EXPECT_EQ(numbers.value(0, "D").value<Decimal>().toString(), "-999.99");
}

TEST_F(DataSetTest, DeletedRowsNeedADeleteStatementAndChangesCanBeDropped) {
    int added = orders.appendRow();
    orders.deleteRow(added);  // a new row leaves no trace
    EXPECT_FALSE(orders.hasChanges());

    orders.deleteRow(0);
    EXPECT_EQ(orders.rowCount(), 1);
    EXPECT_TRUE(orders.hasChanges());
    EXPECT_THROW(orders.applyUpdates(conn, kOrderWriteBack), DatabaseError);

    orders.setValue(0, "OrderQnty", 9);
    orders.cancelUpdates();
    EXPECT_FALSE(orders.hasChanges());
    ASSERT_EQ(orders.rowCount(), 2);
    EXPECT_EQ(orders.value(0, "Product").toString(), "P2");
    EXPECT_EQ(orders.value(0, "OrderQnty").toString(), "2.00");

    WriteBack withDelete = kOrderWriteBack;
    withDelete.deleteSql = "delete from OrderBranch where Id = :OLD_Id";
    orders.deleteRow(1);
    orders.applyUpdates(conn, withDelete);
    orders.commitUpdates();
    EXPECT_EQ(stored(), QStringList({"B0001 P2 2.00 2.00 01/03/2024"}));
}
