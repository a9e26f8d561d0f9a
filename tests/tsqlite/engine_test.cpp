// End-to-end behaviour of the engine: batches on a real server directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "test_server.h"
#include "tsqlite/runtime.h"

using namespace tsqlite;
using tsqlite::testing::EngineTest;
using tsqlite::testing::TempServer;

// ---- server and databases -------------------------------------------------------------------

TEST(EngineServer, MissingServerOrDatabaseFailsWithLoginError) {
    try {
        Session s("/tmp/no-such-tsqlite-server", "master");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 4060);
    }
    TempServer server;
    try {
        Session s(server.dir(), "Nowhere");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 4060);
        EXPECT_EQ(e.message,
                  "Cannot open database \"Nowhere\" requested by the login. The login failed.");
    }
    // Nothing was created by the failed attempts.
    EXPECT_FALSE(std::filesystem::exists("/tmp/no-such-tsqlite-server"));
    EXPECT_FALSE(std::filesystem::exists(server.dir() + "/nowhere.sqlite"));
}

TEST(EngineServer, DatabasesAreListedInMasterAndNamedCaseInsensitively) {
    TempServer server;
    Session s(server.dir(), "master");
    s.query("CREATE DATABASE QARN_Config_NWX");
    auto rs = s.query("Select * From SysDatabases Where Name = 'QARN_Config_NWX'");
    ASSERT_EQ(rs[0].rows.size(), 1u);
    rs = s.query("select name from master..sysdatabases where name = 'qarn_config_nwx'");
    ASSERT_EQ(rs[0].rows.size(), 1u);
    EXPECT_EQ(rs[0].rows[0][0].s, "QARN_Config_NWX");
    Session other(server.dir(), "qarn_config_nwx");
    EXPECT_EQ(other.currentDatabase(), "QARN_Config_NWX");
    rs = other.query("select count(*) from master.dbo.sysdatabases");
    EXPECT_EQ(rs[0].rows[0][0].i, 2);
    try {
        s.query("CREATE DATABASE qarn_CONFIG_nwx");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 1801);
    }
    s.query("DROP DATABASE QARN_Config_NWX");
    EXPECT_TRUE(
        s.query("Select * From SysDatabases Where Name = 'QARN_Config_NWX'")[0].rows.empty());
    EXPECT_THROW(Session(server.dir(), "QARN_Config_NWX"), Error);
}

// ---- type precedence and implicit conversion ---------------------------------------------------

TEST_F(EngineTest, ArithmeticFollowsTypePrecedence) {
    EXPECT_EQ(integer("SELECT '12' + 1"), 13);
    EXPECT_EQ(integer("SELECT 7/2"), 3);
    EXPECT_EQ(integer("SELECT -7/2"), -3);
    EXPECT_EQ(text("SELECT 'ab' + 'cd'"), "abcd");
    EXPECT_TRUE(scalar("SELECT NULL + 1").isNull());
    EXPECT_TRUE(scalar("SELECT 'x' + NULL").isNull());
    EXPECT_DOUBLE_EQ(scalar("SELECT 7/2.0").f, 3.5);
    EXPECT_DOUBLE_EQ(scalar("SELECT CAST(7 AS decimal(9,2))/2").f, 3.5);
    EXPECT_EQ(integer("SELECT 7 % 3"), 1);
    Error e = error("SELECT 'a' + 1");
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.message,
              "Conversion failed when converting the varchar value 'a' to data type int.");
}

TEST_F(EngineTest, ColumnsConvertToTheirTypeOnStore) {
    q("CREATE TABLE T (i int NULL, d decimal(9,2) NULL, c char(5) NULL, v varchar(3) NULL)");
    q("INSERT INTO T (i, d, c, v) VALUES ('42', 1.235, 'ab', 'xyz')");
    auto rs = q("SELECT i, d, c, LEN(c), v FROM T");
    auto& r = rs[0].rows[0];
    EXPECT_EQ(r[0].i, 42);
    EXPECT_EQ(r[1].i, 124);  // decimal(9,2) keeps hundredths
    EXPECT_DOUBLE_EQ(dec::plain(r[1], rs[0].columns[1].type).f, 1.24);
    EXPECT_EQ(r[2].s, "ab   ");
    EXPECT_EQ(r[3].i, 2);
    Error e = error("INSERT INTO T (v) VALUES ('abcd')");
    EXPECT_EQ(e.number, 8152);
    // A string compared with an int column converts to int.
    EXPECT_EQ(integer("SELECT COUNT(*) FROM T WHERE i = '42'"), 1);
}

TEST_F(EngineTest, DivideByZeroIsAnError) {
    EXPECT_EQ(error("SELECT 1/0").number, 8134);
    q("CREATE TABLE N (a int, b int)");
    q("INSERT INTO N VALUES (1, 0)");
    Error e = error("SELECT a / b FROM N");
    EXPECT_EQ(e.number, 8134);
    EXPECT_EQ(e.message, "Divide by zero error encountered.");
}

// ---- dates ------------------------------------------------------------------------------------

TEST_F(EngineTest, DatetimeArithmeticCountsDays) {
    EXPECT_EQ(integer("SELECT DATEDIFF(day, GetDate()-30, GetDate())"), 30);
    EXPECT_EQ(text("SELECT CONVERT(char(10), CAST('2024-03-01' AS datetime) - 1, 103)"),
              "29/02/2024");
    // With no datetime involved, '' stays text.
    EXPECT_EQ(text("SELECT Convert(Char(20), Coalesce(NULL, ''), 103)"), std::string(20, ' '));
    q("CREATE TABLE D (d datetime NULL)");
    q("INSERT INTO D VALUES (NULL)");
    EXPECT_EQ(text("SELECT Convert(Char(20), Coalesce(d, ''), 103) FROM D"),
              "01/01/1900          ");
}

TEST_F(EngineTest, WeekdaysAndWeeksStartOnSunday) {
    EXPECT_EQ(integer("SELECT DATEPART(dw, '2024-02-14')"), 4);
    EXPECT_EQ(integer("SELECT DATEPART(week, '2024-02-14')"), 7);
    EXPECT_EQ(text("SELECT DATENAME(weekday, '2024-02-14')"), "Wednesday");
    EXPECT_EQ(text("SELECT DATENAME(week, '2024-02-14')"), "7");
    EXPECT_EQ(text("SELECT DATENAME(month, '20240214')"), "February");
    EXPECT_EQ(
        integer(
            "SELECT YEAR('2024-02-14') * 10000 + MONTH('2024-02-14') * 100 + DAY('2024-02-14')"),
        20240214);
}

TEST_F(EngineTest, ConvertStyles) {
    q("DECLARE @d datetime SET @d = '2024-02-14 13:05:09.123' "
      "SELECT CONVERT(varchar, @d, 112), CONVERT(varchar, @d, 103), CONVERT(varchar, @d, 121), "
      "CONVERT(varchar, @d, 120), CONVERT(varchar, @d, 101)");
    auto rs =
        q("SELECT CONVERT(varchar(8), CAST('2024-02-14 13:05:09.123' AS datetime), 112), "
          "CONVERT(varchar(10), CAST('2024-02-14' AS datetime), 103), "
          "CONVERT(varchar(30), CAST('2024-02-14 13:05:09.123' AS datetime), 121), "
          "CONVERT(varchar(30), CAST('2024-02-14 13:05:09.123' AS datetime), 120), "
          "CONVERT(varchar(10), CAST('2024-02-14' AS datetime), 101), "
          "CONVERT(varchar(20), CAST(1234.5 AS money), 1), "
          "CONVERT(varchar(20), CAST(1234.5 AS money), 2), "
          "CONVERT(varchar(20), CAST(1234.5 AS money), 0), Str(12.6), "
          "CAST(2.675 AS decimal(9,2))");
    auto& r = rs[0].rows[0];
    EXPECT_EQ(r[0].s, "20240214");
    EXPECT_EQ(r[1].s, "14/02/2024");
    EXPECT_EQ(r[2].s, "2024-02-14 13:05:09.123");
    EXPECT_EQ(r[3].s, "2024-02-14 13:05:09");
    EXPECT_EQ(r[4].s, "02/14/2024");
    EXPECT_EQ(r[5].s, "1,234.50");
    EXPECT_EQ(r[6].s, "1234.5000");
    EXPECT_EQ(r[7].s, "1234.50");
    EXPECT_EQ(r[8].s, "        13");
    EXPECT_DOUBLE_EQ(dec::plain(r[9], rs[0].columns[9].type).f, 2.68);
}

// ---- collation ---------------------------------------------------------------------------------

TEST_F(EngineTest, TextComparesIgnoringCaseAndTrailingBlanks) {
    EXPECT_EQ(integer("SELECT CASE WHEN 'abc' = 'ABC  ' THEN 1 ELSE 0 END"), 1);
    EXPECT_EQ(integer("SELECT CASE WHEN 'abc' LIKE 'A%' THEN 1 ELSE 0 END"), 1);
    EXPECT_EQ(integer("SELECT CASE WHEN 'b' LIKE '[a-c]' THEN 1 ELSE 0 END"), 1);
    EXPECT_EQ(integer("SELECT LEN('ab  ')"), 2);
    q("CREATE TABLE W (w varchar(10) NULL, k char(3) NULL)");
    q("INSERT INTO W VALUES ('Apple', 'a'), ('APPLE ', 'A'), ('banana', 'b')");
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT w) FROM W"), 2);
    EXPECT_EQ(q("SELECT w, COUNT(*) FROM W GROUP BY w")[0].rows.size(), 2u);
    EXPECT_EQ(q("SELECT DISTINCT k FROM W")[0].rows.size(), 2u);
    EXPECT_EQ(integer("SELECT COUNT(*) FROM W WHERE w = 'apple'"), 2);
    EXPECT_EQ(integer("SELECT COUNT(*) FROM W WHERE w IN ('APPLE', 'x')"), 2);
    EXPECT_EQ(text("SELECT k + '|' FROM W WHERE w = 'banana'"), "b  |");
}

TEST_F(EngineTest, CountDistinctMinAndMaxOfTextFollowTheCollationInEveryGroup) {
    // Case, trailing blanks, full-width letters and ignorable characters; Thai; whole numbers
    // and fractions; enough values for a group to leave the short list. GROUP BY compares by
    // the collation too, so it gives the number each COUNT(DISTINCT ...) must give.
    q("CREATE TABLE D (g int NOT NULL, t nvarchar(80) NULL, n float NULL)");
    q(R"(
SET NOCOUNT ON
DECLARE @i int
SET @i = 0
WHILE @i < 400
BEGIN
    INSERT INTO D (g, t, n)
    VALUES (@i % 4,
            CASE @i % 7 WHEN 0 THEN 'Code' + CONVERT(varchar(9), @i % 50)
                        WHEN 1 THEN 'CODE' + CONVERT(varchar(9), @i % 50) + '  '
                        WHEN 2 THEN N'ＣＯＤＥ' + CONVERT(varchar(9), @i % 60)
                        WHEN 3 THEN 'code' + CONVERT(varchar(9), @i % 50) + NCHAR(8203)
                        WHEN 4 THEN N'สินค้า' + CONVERT(varchar(9), @i % 30)
                        WHEN 5 THEN NULL
                        ELSE 'x-' + CONVERT(varchar(9), @i % 90) END,
            CASE WHEN @i % 3 = 0 THEN @i % 40 ELSE (@i % 40) + 0.5 * (@i % 2) END)
    SET @i = @i + 1
END
INSERT INTO D (g, t, n) VALUES (9, 'a', 1), (9, 'A ', 1.0), (9, NULL, NULL)
)");
    auto grouped = [&](const char* column, const char* where) {
        return integer(std::string("SELECT COUNT(*) FROM (SELECT ") + column + " FROM D WHERE " +
                       column + " IS NOT NULL AND " + where + " GROUP BY " + column + ") x");
    };
    for (const char* column : {"t", "n"}) {
        EXPECT_EQ(integer(std::string("SELECT COUNT(DISTINCT ") + column + ") FROM D"),
                  grouped(column, "1 = 1"))
            << column;
        const auto perGroup = q(std::string("SELECT g, COUNT(DISTINCT ") + column +
                                ") FROM D GROUP BY g ORDER BY g")[0]
                                  .rows;
        ASSERT_EQ(perGroup.size(), 5u);
        for (const auto& row : perGroup)
            EXPECT_EQ(row[1].i, grouped(column, ("g = " + std::to_string(row[0].i)).c_str()))
                << column << " in group " << row[0].i;
    }
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT t) FROM D WHERE g = 9"), 1);
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT n) FROM D WHERE g = 9"), 1);
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT t) FROM D WHERE g = 99"), 0);
    q("INSERT INTO D (g, t) VALUES (10, N'ＡＢＣ'), (10, 'abc'), (10, N'ab' + NCHAR(8203) + 'c')");
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT t) FROM D WHERE g = 10"), 1);

    // MIN and MAX of text per group, against the same over the rows of one group alone; a
    // group of NULLs only, and values too long to be kept in place.
    q("INSERT INTO D (g, t) VALUES (11, NULL), (12, REPLICATE('z', 60) + 'b'), "
      "(12, REPLICATE('Z', 60) + 'C'), (12, REPLICATE('z', 60) + 'a'), (12, 'y')");
    const auto extremes = q("SELECT g, MIN(t), MAX(t) FROM D GROUP BY g ORDER BY g")[0].rows;
    ASSERT_EQ(extremes.size(), 8u);
    for (const auto& row : extremes) {
        const auto alone =
            q("SELECT MIN(t), MAX(t) FROM D WHERE g = " + std::to_string(row[0].i))[0].rows.at(0);
        for (int k : {0, 1}) {
            ASSERT_EQ(row[1 + k].isNull(), alone[k].isNull()) << "group " << row[0].i;
            if (!alone[k].isNull()) {
                EXPECT_EQ(collateCompare(row[1 + k].s, alone[k].s), 0)
                    << "group " << row[0].i << ": " << row[1 + k].s << " / " << alone[k].s;
            }
        }
    }
    EXPECT_EQ(extremes[7][1].s, "y");
    EXPECT_EQ(extremes[7][2].s, std::string(60, 'Z') + "C");
    EXPECT_TRUE(extremes[6][1].isNull());
}

TEST_F(EngineTest, ASortLargerThanMemorySortsByTheCollation) {
    // Enough rows for the sort to be cut into runs that are sorted apart (on other cores
    // where there are any) and merged: every comparison must still be the collation's.
    q("CREATE TABLE Big (n int NOT NULL, Code varchar(20) NOT NULL, Name nvarchar(40) NOT NULL)");
    q(R"(
SET NOCOUNT ON
DECLARE @i int
SET @i = 0
BEGIN TRAN
WHILE @i < 60000
BEGIN
    INSERT INTO Big (n, Code, Name)
    VALUES (@i, CASE @i % 3 WHEN 0 THEN 'a' WHEN 1 THEN 'B' ELSE 'ข' END
                + CONVERT(varchar(10), (@i * 7919) % 60000),
            REPLICATE(N'สินค้า ', 3) + CONVERT(nvarchar(10), @i % 977))
    SET @i = @i + 1
END
COMMIT
)");
    const auto rows = q("SELECT Code, Name, n FROM Big ORDER BY Name DESC, Code")[0].rows;
    ASSERT_EQ(rows.size(), 60000u);
    for (size_t i = 1; i < rows.size(); ++i) {
        const int byName = collateCompare(rows[i - 1][1].s, rows[i][1].s);
        ASSERT_TRUE(byName > 0 ||
                    (byName == 0 && collateCompare(rows[i - 1][0].s, rows[i][0].s) <= 0))
            << "rows " << i - 1 << " and " << i << ": " << rows[i - 1][1].s << " "
            << rows[i - 1][0].s << " / " << rows[i][1].s << " " << rows[i][0].s;
    }
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT n) FROM Big"), 60000);
}

TEST_F(EngineTest, ALookUpByAUniqueKeyAnswersAsTheSubqueryDoes) {
    // (SELECT v FROM T WHERE key = outer value) in a select list is read as a join of T; the
    // answers must stay the subquery's, row for row.
    q("CREATE TABLE Misc (Id int NOT NULL PRIMARY KEY, Code varchar(10) NULL, GroupCode "
      "varchar(10) NOT NULL, Name nvarchar(20) NULL)");
    q("CREATE UNIQUE INDEX MiscGroupCode ON Misc (GroupCode, Code)");
    q("CREATE TABLE Sale (Id int NOT NULL PRIMARY KEY, Code varchar(10) NULL, CurrencyId int "
      "NULL, Unit varchar(10) NULL)");
    q("INSERT INTO Misc VALUES (1, 'THB', 'CURRENCY', N'บาท'), (2, 'USD', 'CURRENCY', NULL), "
      "(3, 'PCS', 'UNIT', N'ชิ้น'), (4, 'BOX', 'UNIT', N'กล่อง')");
    q("INSERT INTO Sale VALUES (10, 'S-10', 1, 'PCS'), (11, 'S-11', 2, 'BOX'), "
      "(12, 'S-12', 9, 'XX'), (13, 'S-13', NULL, NULL)");
    auto rows = [&](const std::string& sql) {
        std::string out;
        const auto result = q(sql);
        for (const auto& r : result.at(0).rows) {
            for (const auto& v : r)
                out += (v.isNull()    ? std::string("NULL")
                        : v.s.empty() ? std::to_string(v.i)
                                      : v.s) +
                       "|";
            out += "\n";
        }
        return out;
    };
    // Unqualified Id and Code are the looked-up table's even though Sale has both; no row, or
    // a NULL key, gives NULL.
    EXPECT_EQ(rows("SELECT Id, (SELECT Code FROM Misc WHERE Id = S.CurrencyId) Cur FROM Sale S "
                   "ORDER BY Id"),
              "10|THB|\n11|USD|\n12|NULL|\n13|NULL|\n");
    // The table's own alias may be one the outer query uses too: inside, it is the looked-up
    // table's. A key of two columns, one of them a literal.
    EXPECT_EQ(rows("SELECT S.Id, (SELECT S.Name FROM Misc S WHERE S.GroupCode = 'UNIT' AND "
                   "S.Code = Sale.Unit) UnitName, (SELECT Code FROM Misc WHERE Id = "
                   "Sale.CurrencyId) + '/' + Sale.Code FROM Sale JOIN Misc S ON S.Id = "
                   "Sale.CurrencyId ORDER BY S.Id"),
              "1|ชิ้น|THB/S-10|\n2|กล่อง|USD/S-11|\n");
    // In a union branch, with DISTINCT, and under a TOP.
    EXPECT_EQ(rows("SELECT DISTINCT (SELECT GroupCode FROM Misc WHERE Id = S.CurrencyId) G FROM "
                   "Sale S UNION ALL SELECT TOP 1 (SELECT Name FROM Misc WHERE Id = 3) FROM Sale "
                   "ORDER BY 1"),
              "NULL|\nCURRENCY|\nชิ้น|\n");
    // A key that is not unique still fails as the subquery does when it finds two rows.
    try {
        q("SELECT (SELECT Code FROM Misc WHERE GroupCode = 'UNIT') FROM Sale");
        ADD_FAILURE() << "two rows from a scalar subquery";
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 512);
    }
    // A grouped query keeps the subquery.
    EXPECT_EQ(rows("SELECT CurrencyId, (SELECT Code FROM Misc WHERE Id = S.CurrencyId), COUNT(*) "
                   "FROM Sale S WHERE CurrencyId < 5 GROUP BY CurrencyId ORDER BY 1"),
              "1|THB|1|\n2|USD|1|\n");
}

TEST_F(EngineTest, UniqueIndexTreatsCaseVariantsAsDuplicates) {
    q("CREATE TABLE U (code varchar(10) NOT NULL PRIMARY KEY)");
    q("INSERT INTO U VALUES ('abc')");
    Error e = error("INSERT INTO U VALUES ('ABC')");
    EXPECT_EQ(e.number, 2627);
    q("CREATE TABLE V (code varchar(10) NOT NULL)");
    q("CREATE UNIQUE INDEX IX_V_Code ON V (code)");
    q("INSERT INTO V VALUES ('abc')");
    e = error("INSERT INTO V VALUES ('Abc ')");
    EXPECT_EQ(e.number, 2601);
    EXPECT_NE(e.message.find("Cannot insert duplicate key row in object 'dbo.V' with unique index "
                             "'IX_V_Code'"),
              std::string::npos);
}

// ---- errors -----------------------------------------------------------------------------------

TEST_F(EngineTest, ErrorsCarrySqlServerNumbersAndTexts) {
    q("CREATE TABLE T (Id int NOT NULL, Price money NOT NULL)");
    Error e = error("INSERT INTO T (Id, Price) VALUES (1, NULL)");
    EXPECT_EQ(e.number, 515);
    EXPECT_EQ(e.message,
              "Cannot insert the value NULL into column 'Price', table 'Shop.dbo.T'; column does "
              "not allow nulls. INSERT fails.");
    e = error("SELECT * FROM Missing");
    EXPECT_EQ(e.number, 208);
    EXPECT_EQ(e.message, "Invalid object name 'Missing'.");
    e = error("SELECT Nope FROM T");
    EXPECT_EQ(e.number, 207);
    EXPECT_EQ(e.message, "Invalid column name 'Nope'.");
    e = error("SELECT 1\nSELECT * FROM\nWHERE");
    EXPECT_EQ(e.number / 100, 1);  // 102 or 156: a syntax error
    EXPECT_EQ(e.line, 3);
}

TEST_F(EngineTest, FailingStatementLeavesTransactionOpen) {
    q("CREATE TABLE T (Id int NOT NULL PRIMARY KEY)");
    CollectingSink sink;
    session->execute(
        "BEGIN TRAN INSERT INTO T VALUES (1) INSERT INTO T VALUES (1) "
        "SELECT @@TRANCOUNT",
        sink);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 2627);
    EXPECT_EQ(sink.resultSets.back().rows[0][0].i, 1);
    EXPECT_EQ(session->tranCount(), 1);
    q("ROLLBACK");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM T"), 0);
}

// ---- queries -----------------------------------------------------------------------------------

class EngineQueryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        q("CREATE TABLE Product (Code varchar(10) NOT NULL PRIMARY KEY, Name nvarchar(40) NULL, "
          "GroupId int NULL, Price decimal(18,2) NULL)");
        q("CREATE TABLE Sale (Id int IDENTITY(1,1) NOT NULL, Code varchar(10) NOT NULL, "
          "Qty int NOT NULL, SoldAt datetime NOT NULL)");
        q("INSERT INTO Product VALUES ('A', N'แอปเปิล', 1, 10.50), ('B', N'กล้วย', 1, 5), "
          "('C', 'Cherry', 2, 20), ('D', 'Date', NULL, NULL)");
        q("INSERT INTO Sale (Code, Qty, SoldAt) VALUES ('A', 2, GETDATE()-1), ('A', 3, "
          "GETDATE()-2), ('B', 1, GETDATE()-40), ('C', 5, GETDATE())");
    }
};

TEST_F(EngineQueryTest, JoinsGroupingAndOrdering) {
    auto rs =
        q("SELECT p.Code, SUM(s.Qty) AS Total FROM Product p LEFT OUTER JOIN Sale s "
          "ON s.Code = p.Code AND s.SoldAt >= GetDate()-30 GROUP BY p.Code "
          "HAVING COUNT(s.Id) > 0 ORDER BY Total DESC");
    ASSERT_EQ(rs[0].rows.size(), 2u);
    EXPECT_EQ(rs[0].rows[0][0].s, "A");
    EXPECT_EQ(rs[0].rows[0][1].i, 5);
    EXPECT_EQ(rs[0].columns[1].name, "Total");
    rs = q("SELECT TOP 2 Code FROM Product ORDER BY 1 DESC");
    ASSERT_EQ(rs[0].rows.size(), 2u);
    EXPECT_EQ(rs[0].rows[0][0].s, "D");
    rs = q("SELECT DISTINCT GroupId FROM Product WHERE GroupId IS NOT NULL ORDER BY GroupId");
    EXPECT_EQ(rs[0].rows.size(), 2u);
}

TEST_F(EngineQueryTest, SubqueriesDerivedTablesAndUnion) {
    auto rs =
        q("SELECT p.Code, (SELECT MAX(s.Qty) FROM Sale s WHERE s.Code = p.Code) AS MaxQty "
          "FROM Product p WHERE EXISTS (SELECT * FROM Sale s WHERE s.Code = p.Code) "
          "ORDER BY p.Code");
    ASSERT_EQ(rs[0].rows.size(), 3u);
    EXPECT_EQ(rs[0].rows[0][1].i, 3);
    rs =
        q("SELECT x.g, x.n FROM (SELECT GroupId AS g, COUNT(*) AS n FROM Product GROUP BY "
          "GroupId) x WHERE x.g = 1");
    EXPECT_EQ(rs[0].rows[0][1].i, 2);
    rs =
        q("SELECT Code FROM Product WHERE GroupId = 1 UNION ALL SELECT Code FROM Sale "
          "ORDER BY Code");
    EXPECT_EQ(rs[0].rows.size(), 6u);
    rs =
        q("SELECT Code FROM Product p WHERE p.Code IN (SELECT Code FROM Sale GROUP BY Code "
          "HAVING SUM(Qty) > (SELECT COUNT(*) FROM Sale s2 WHERE s2.Code = p.Code))");
    EXPECT_EQ(rs[0].rows.size(), 2u);  // A (5 > 2) and C (5 > 1); B (1 > 1) fails
}

TEST_F(EngineQueryTest, VariablesAndSelectAssignment) {
    auto rs =
        q("DECLARE @n int, @name nvarchar(40) "
          "SELECT @n = COUNT(*) FROM Product "
          "SELECT @name = Name FROM Product WHERE Code = 'A' "
          "SELECT @n, @name");
    ASSERT_EQ(rs.size(), 1u);
    EXPECT_EQ(rs[0].rows[0][0].i, 4);
    EXPECT_EQ(rs[0].rows[0][1].s, "แอปเปิล");
}

TEST_F(EngineQueryTest, SelectIntoKeepsColumnTypes) {
    q("SELECT TOP 0 * INTO ProductCopy FROM Product");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM ProductCopy"), 0);
    auto rs =
        q("SELECT name, xtype, length FROM SysColumns WHERE id = OBJECT_ID('ProductCopy') "
          "ORDER BY colid");
    ASSERT_EQ(rs[0].rows.size(), 4u);
    EXPECT_EQ(rs[0].rows[0][1].i, 167);  // varchar
    EXPECT_EQ(rs[0].rows[0][2].i, 10);
    EXPECT_EQ(rs[0].rows[3][1].i, 106);  // decimal
    q("INSERT INTO ProductCopy SELECT * FROM Product WHERE GroupId = 1");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM ProductCopy"), 2);
    q("SELECT * INTO #tmp FROM Product WHERE Code = 'C'");
    EXPECT_EQ(text("SELECT Name FROM #tmp"), "Cherry");
}

TEST_F(EngineQueryTest, InsertUpdateDelete) {
    q("INSERT INTO Product (Code, Name) (SELECT 'E', 'Egg')");
    q("INSERT Product (Code, Name, Price) SELECT Code + 'X', Name, Price * 2 FROM Product "
      "WHERE Code = 'A'");
    EXPECT_DOUBLE_EQ(scalar("SELECT Price FROM Product WHERE Code = 'AX'").f, 21.0);
    // SET expressions read the old row.
    q("CREATE TABLE Pair (a int, b int)");
    q("INSERT INTO Pair VALUES (1, 2)");
    q("UPDATE Pair SET a = b, b = a");
    auto rs = q("SELECT a, b FROM Pair");
    EXPECT_EQ(rs[0].rows[0][0].i, 2);
    EXPECT_EQ(rs[0].rows[0][1].i, 1);
    // UPDATE ... FROM a join.
    q("UPDATE p SET Price = p.Price + s.Qty FROM Product p INNER JOIN Sale s ON s.Code = p.Code "
      "WHERE s.Qty = 5");
    EXPECT_DOUBLE_EQ(scalar("SELECT Price FROM Product WHERE Code = 'C'").f, 25.0);
    CollectingSink sink;
    session->execute("DELETE FROM Sale WHERE Code = 'A'", sink);
    ASSERT_EQ(sink.counts.size(), 1u);
    EXPECT_EQ(sink.counts[0], 2);
    EXPECT_EQ(integer("SELECT @@ROWCOUNT"), 2);  // still the DELETE's count
}

// The rows of a plain INSERT ... SELECT are converted to their columns inside the query: each
// column still gets its own type, padding, defaults and truncation check.
TEST_F(EngineTest, InsertSelectConvertsEveryColumnItFills) {
    q("CREATE TABLE Src (Code varchar(15), Loc varchar(20), Qty int, Name nvarchar(10))");
    q("INSERT INTO Src VALUES ('A', 'L2', 1, N'ก'), ('A', 'L1', 2, N'ข'), ('B', 'L9', 3, N'ค'), "
      "('C', NULL, 4, N'ง')");
    q("CREATE TABLE Dst (Code varchar(20), Lo varchar(5), Hi char(4), N int, "
      "Added datetime DEFAULT GETDATE(), Tag varchar(3) DEFAULT 'x', Nm varchar(10), "
      "Total decimal(9,2))");
    q("INSERT INTO Dst (Code, Lo, Hi, N, Nm, Total) SELECT Code, MIN(Loc), MAX(Loc), "
      "COUNT(DISTINCT Loc), MAX(Name), SUM(Qty) FROM Src GROUP BY Code");
    auto rs =
        q("SELECT Code, Lo, Hi, N, Tag, Nm, CONVERT(varchar(12), Total), DATALENGTH(Hi), "
          "CASE WHEN Added IS NULL THEN 0 ELSE 1 END FROM Dst ORDER BY Code");
    ASSERT_EQ(rs[0].rows.size(), 3u);
    const auto& a = rs[0].rows[0];
    EXPECT_EQ(a[1].s, "L1");
    EXPECT_EQ(a[2].s, "L2  ");
    EXPECT_EQ(a[3].i, 2);
    EXPECT_EQ(a[4].s, "x");
    EXPECT_EQ(a[5].s, "ข");
    EXPECT_EQ(a[6].s, "3.00");
    EXPECT_EQ(a[7].i, 4);
    EXPECT_EQ(a[8].i, 1);
    EXPECT_TRUE(rs[0].rows[2][1].isNull());
    EXPECT_EQ(rs[0].rows[2][3].i, 0);

    // Too long for the column: refused, and none of the statement's rows stay.
    EXPECT_EQ(error("INSERT INTO Dst (Code, Lo) SELECT Code, MAX(Loc) + 'XXXX' FROM Src "
                    "GROUP BY Code")
                  .number,
              8152);
    EXPECT_EQ(error("INSERT INTO Dst (Code, Lo) SELECT Code, Loc FROM Src WHERE Code = 'A' "
                    "UNION ALL SELECT 'Z', 'TooLongValue'")
                  .number,
              8152);
    // A stored value too long for a narrower column.
    q("INSERT INTO Src VALUES ('LONGCODE12', 'L3', 5, N'จ')");
    EXPECT_EQ(error("INSERT INTO Dst (Lo) SELECT Code FROM Src").number, 8152);
    q("DELETE FROM Src WHERE Code = 'LONGCODE12'");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM Dst"), 3);
    // A number that does not fit its int column.
    EXPECT_EQ(error("INSERT INTO Dst (N) SELECT MAX(Qty) * 1000000000 FROM Src").number, 8115);
    // Narrowing and the other plain forms still go in.
    q("INSERT INTO Dst (Lo, N) SELECT TOP 1 Loc, Qty FROM Src ORDER BY Loc DESC");
    q("INSERT INTO Dst (Lo, N) SELECT DISTINCT Code, 7 FROM Src");
    EXPECT_EQ(text("SELECT Lo FROM Dst WHERE N = 4 OR Lo = 'L9'"), "L9");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM Dst WHERE N = 7 AND Tag = 'x'"), 3);
}

// ---- DDL and the catalog
// -------------------------------------------------------------------------

TEST_F(EngineTest, IdentityTakesSeedAndStep) {
    q("CREATE TABLE I (Id int IDENTITY(10,5) NOT NULL, Name varchar(10) NULL)");
    q("INSERT INTO I (Name) VALUES ('a')");
    EXPECT_EQ(integer("SELECT @@IDENTITY"), 10);
    q("INSERT INTO I (Name) VALUES ('b'), ('c')");
    EXPECT_EQ(integer("SELECT SCOPE_IDENTITY()"), 20);
    q("INSERT INTO I (Name) SELECT Name FROM I");
    auto rs = q("SELECT Id FROM I ORDER BY Id");
    ASSERT_EQ(rs[0].rows.size(), 6u);
    EXPECT_EQ(rs[0].rows[5][0].i, 35);
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT Id) FROM I"), 6);
    EXPECT_EQ(error("INSERT INTO I (Id, Name) VALUES (99, 'x')").number, 544);
    q("SET IDENTITY_INSERT I ON INSERT INTO I (Id, Name) VALUES (99, 'x') "
      "SET IDENTITY_INSERT I OFF");
    q("INSERT INTO I (Name) VALUES ('after')");
    EXPECT_EQ(integer("SELECT Id FROM I WHERE Name = 'after'"), 104);
}

TEST_F(EngineTest, UserTypesAndReRunnableUpgradeScripts) {
    q("EXEC sp_addtype IdNo, 'varchar(20)', 'NOT NULL'");
    q("CREATE TYPE CharFlag FROM char(1) NULL");
    q("IF NOT EXISTS (SELECT * FROM SysTypes WHERE Name = 'Char80') "
      "EXEC sp_addtype Char80, 'varchar(80)'");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM systypes WHERE name IN ('idno', 'Char80', 'int')"), 3);
    EXPECT_TRUE(scalar("SELECT TYPE_ID('CharFlag')").kind == Value::Kind::Int);
    EXPECT_TRUE(scalar("SELECT TYPE_ID('NoSuchType')").isNull());
    q("CREATE TABLE Menu (MenuId IdNo, Visible CharFlag)");
    auto rs =
        q("SELECT xtype, length, isnullable FROM SysColumns WHERE id = Object_Id('Menu') "
          "ORDER BY colid");
    EXPECT_EQ(rs[0].rows[0][0].i, 167);
    EXPECT_EQ(rs[0].rows[0][1].i, 20);
    EXPECT_EQ(rs[0].rows[0][2].i, 0);
    EXPECT_EQ(rs[0].rows[1][0].i, 175);
    const char* upgrade =
        "If Not Exists(Select * From SysColumns Where Id = Object_Id('Menu') And Name = "
        "'Version')\n"
        "  Alter Table Menu Add Version Int Null\n"
        "If Not Exists(Select * From SysIndexes Where Name = 'IX_Menu_Version')\n"
        "  Create Index IX_Menu_Version On Menu(Version)\n";
    q(upgrade);
    q(upgrade);
    EXPECT_EQ(integer("SELECT COUNT(*) FROM SysColumns WHERE id = OBJECT_ID('Menu')"), 3);
    EXPECT_EQ(integer("SELECT COUNT(*) FROM SysIndexes WHERE id = OBJECT_ID('Menu')"), 1);
    EXPECT_EQ(text("SELECT xtype FROM SysObjects WHERE Name = 'menu'"), "U ");
    q("ALTER TABLE Menu ADD Caption varchar(30) NOT NULL DEFAULT 'x'");
    q("INSERT INTO Menu (MenuId) VALUES ('m1')");
    EXPECT_EQ(text("SELECT Caption FROM Menu"), "x");
    EXPECT_EQ(error("INSERT INTO Menu (Visible) VALUES ('Y')").number, 515);
    q("DROP TABLE Menu");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM SysObjects WHERE Name = 'Menu'"), 0);
}

// ---- control flow and procedures
// ------------------------------------------------------------------

TEST_F(EngineTest, ControlFlow) {
    auto rs =
        q("DECLARE @i int, @s varchar(50)\n"
          "SET @i = 0 SET @s = ''\n"
          "WHILE @i < 5 BEGIN\n"
          "  SET @i = @i + 1\n"
          "  IF @i = 2 CONTINUE\n"
          "  IF (@i > 3) BREAK ELSE SET @s = @s + CONVERT(varchar, @i)\n"
          "END\n"
          "IF NOT EXISTS (SELECT * FROM SysObjects WHERE name = 'X') SELECT @s, @i");
    EXPECT_EQ(rs[0].rows[0][0].s, "13");
    EXPECT_EQ(rs[0].rows[0][1].i, 4);
    rs = q("DECLARE @sql varchar(100) SET @sql = 'SELECT ' + '42' EXEC(@sql) EXEC('SELECT 1 + 1')");
    ASSERT_EQ(rs.size(), 2u);
    EXPECT_EQ(rs[0].rows[0][0].i, 42);
    EXPECT_EQ(rs[1].rows[0][0].i, 2);
    CollectingSink sink;
    session->execute(
        "SET NOCOUNT ON CREATE TABLE Z (a int) INSERT INTO Z VALUES (1) "
        "RAISERROR('bad %s', 16, 1, 'thing') SELECT 'after'",
        sink);
    EXPECT_TRUE(sink.counts.empty());
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 50000);
    EXPECT_EQ(sink.errors[0].message, "bad thing");
    EXPECT_EQ(sink.resultSets.back().rows[0][0].s, "after");
}

TEST_F(EngineTest, ProceduresWithDefaultsOutputsAndReturnValues) {
    q("CREATE TABLE DocumentNo (DocCode varchar(20) NOT NULL, DocYear int NOT NULL, LastNo int "
      "NOT NULL)");
    q("INSERT INTO DocumentNo VALUES ('ORD', 2024, 0)");
    q("CREATE PROCEDURE NextNo @DocCode varchar(20), @DocYear int = 2024, @NewNo varchar(20) "
      "OUTPUT AS\n"
      "BEGIN\n"
      "  DECLARE @n int\n"
      "  UPDATE DocumentNo SET LastNo = LastNo + 1 WHERE DocCode = @DocCode AND DocYear = "
      "@DocYear\n"
      "  SELECT @n = LastNo FROM DocumentNo WHERE DocCode = @DocCode AND DocYear = @DocYear\n"
      "  SET @NewNo = @DocCode + RIGHT('0000' + CONVERT(varchar, @n), 4)\n"
      "  RETURN @n\n"
      "END");
    auto rs =
        q("DECLARE @no varchar(20), @rc int EXEC @rc = NextNo 'ORD', @NewNo = @no OUTPUT "
          "SELECT @no, @rc");
    EXPECT_EQ(rs[0].rows[0][0].s, "ORD0001");
    EXPECT_EQ(rs[0].rows[0][1].i, 1);
    auto r = session->callProcedure("NextNo", {{"@DocCode", Value::text("ORD")},
                                               {"@DocYear", Value::integer(2024)},
                                               {"@NewNo", Value::null(), true}});
    EXPECT_EQ(r.outputs["@NewNo"].s, "ORD0002");
    EXPECT_EQ(r.returnValue, 2);
    // A bare call as the first statement, with a client parameter.
    q("CREATE PROCEDURE Echo @x varchar(10) AS SELECT @x + '!'");
    EXPECT_EQ(text("Echo :DocNo", {{"DocNo", Value::text("A1")}}), "A1!");
    q("ALTER PROCEDURE Echo @x varchar(10) AS SELECT @x + '?'");
    EXPECT_EQ(text("EXEC Echo 'b'"), "b?");
    Error e = error("EXEC NextNo");
    EXPECT_EQ(e.number, 201);
    q("DROP PROCEDURE Echo");
    EXPECT_EQ(error("EXEC Echo 'x'").number, 2812);
}

// IS [NOT] NULL of a variable and SET to NULL are answered by the interpreter itself: the
// answers must be the ones the query would give, inside a procedure too.
TEST_F(EngineTest, NullTestsOfVariablesAnswerAsTheQueryWould) {
    q("CREATE PROCEDURE Probe @a int, @b varchar(5) = NULL AS\n"
      "BEGIN\n"
      "  DECLARE @r varchar(20) = ''\n"
      "  IF @a IS NULL SET @r = @r + 'a0' ELSE SET @r = @r + 'a1'\n"
      "  IF @B is not null SET @r = @r + 'b1' ELSE SET @r = @r + 'b0'\n"
      "  SET @b = NULL\n"
      "  IF NOT (@b IS NULL) SET @r = @r + '!'\n"
      "  SET @b = 'xyz'\n"
      "  IF @b IS NOT NULL SET @r = @r + @b\n"
      "  SELECT @r\n"
      "END");
    EXPECT_EQ(text("EXEC Probe 1, 'q'"), "a1b1xyz");
    EXPECT_EQ(text("EXEC Probe NULL"), "a0b0xyz");
    // A variable set to NULL keeps its type: a number added to it stays NULL, text too.
    auto rs =
        q("DECLARE @n int = 5, @t varchar(3) = 'abc' SET @n = NULL SET @t = NULL "
          "SELECT @n + 1, @t + 'x', CASE WHEN @n IS NULL AND @t IS NULL THEN 1 END");
    EXPECT_TRUE(rs[0].rows[0][0].isNull());
    EXPECT_TRUE(rs[0].rows[0][1].isNull());
    EXPECT_EQ(rs[0].rows[0][2].i, 1);
    EXPECT_EQ(error("IF @undeclared IS NULL PRINT 'x'").number, 137);
}

TEST_F(EngineTest, ClientParameters) {
    q("CREATE TABLE P (a varchar(10), b int)");
    q("INSERT INTO P VALUES (:a, :b) INSERT INTO P VALUES (:a + 'x', :b * 2)",
      {{"a", Value::text("k")}, {"b", Value::integer(3)}});
    EXPECT_EQ(integer("SELECT SUM(b) FROM P WHERE a LIKE :A + '%'", {{"a", Value::text("K")}}), 9);
    // Nothing inside quotes or comments is a parameter.
    EXPECT_EQ(text("SELECT ':a' -- :b\n /* :c */"), ":a");
    Error e = error("SELECT :missing");
    EXPECT_NE(e.message.find("missing"), std::string::npos);
}

// ---- several databases
// ---------------------------------------------------------------------------

TEST_F(EngineTest, ThreePartNamesAndCrossDatabaseTransactions) {
    Session master(server.dir(), "master");
    master.query("CREATE DATABASE Report");
    q("CREATE TABLE Report.dbo.Sold (Code varchar(10), Qty int)");
    q("CREATE TABLE Local (Code varchar(10), Qty int)");
    q("INSERT INTO Local VALUES ('a', 1), ('b', 2)");
    q("BEGIN TRANSACTION INSERT INTO Report..Sold SELECT * FROM Local DELETE FROM Local "
      "ROLLBACK");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM Report.dbo.Sold"), 0);
    EXPECT_EQ(integer("SELECT COUNT(*) FROM Local"), 2);
    q("BEGIN TRAN INSERT INTO Report..Sold SELECT * FROM Local DELETE FROM Local COMMIT");
    Session report(server.dir(), "Report");
    EXPECT_EQ(report.query("SELECT SUM(Qty) FROM Sold")[0].rows[0][0].i, 3);
    EXPECT_EQ(report.query("SELECT COUNT(*) FROM Shop.dbo.Local")[0].rows[0][0].i, 0);
    q("USE Report");
    EXPECT_EQ(session->currentDatabase(), "Report");
}

// ---- several processes
// -----------------------------------------------------------------------------

TEST(EngineConcurrency, TwoProcessesNeverDrawTheSameNumber) {
    TempServer server;
    {
        Session s(server.dir(), "master");
        s.query("CREATE DATABASE Nwx");
        s.query("USE Nwx");
        s.query(
            "CREATE TABLE Numbers (Code varchar(10) NOT NULL PRIMARY KEY, LastNo int NOT NULL)");
        s.query("CREATE TABLE Drawn (No int NOT NULL, Who int NOT NULL)");
        s.query("INSERT INTO Numbers VALUES ('X', 0)");
        s.query(
            "CREATE PROCEDURE Draw @Who int, @No int OUTPUT AS\n"
            "BEGIN TRAN\n"
            "UPDATE Numbers SET LastNo = LastNo + 1 WHERE Code = 'X'\n"
            "SELECT @No = LastNo FROM Numbers WHERE Code = 'X'\n"
            "INSERT INTO Drawn VALUES (@No, @Who)\n"
            "COMMIT");
    }
    tsqlite::testing::expectTwoProcessesDrawEveryNumberOnce(server, 60, false);
}

TEST(EngineConcurrency, WriterWaitsThenTimesOut) {
    TempServer server;
    Session a(server.dir(), "master");
    a.query("CREATE DATABASE Nwx");
    a.query("USE Nwx CREATE TABLE T (x int)");
    Session b(server.dir(), "Nwx");
    b.setTimeout(1);
    a.query("BEGIN TRAN INSERT INTO T VALUES (1)");
    try {
        b.query("INSERT INTO T VALUES (2)");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 1222);
    }
    a.query("COMMIT");
    b.query("INSERT INTO T VALUES (2)");
    EXPECT_EQ(b.query("SELECT COUNT(*) FROM T")[0].rows[0][0].i, 2);
}

TEST_F(EngineTest, TimeOutEndsARunawayBatch) {
    session->setTimeout(1);
    Error e = error("DECLARE @i int SET @i = 0 WHILE 1 = 1 SET @i = @i + 1");
    EXPECT_EQ(e.message, "Query timeout expired");
    // The session is usable afterwards.
    EXPECT_EQ(integer("SELECT 1"), 1);
}

TEST_F(EngineTest, UpdateAndDeleteThroughAnAliasOfASelfJoin) {
    q("CREATE TABLE O (No int, Parent int NULL, Qty int)");
    q("INSERT INTO O VALUES (1, NULL, 10), (2, 1, 5), (3, 1, 7)");
    // x is the child row; its parent supplies the quantity.
    q("UPDATE x SET Qty = p.Qty + x.Qty FROM O p INNER JOIN O x ON x.Parent = p.No");
    auto rs = q("SELECT No, Qty FROM O ORDER BY No");
    EXPECT_EQ(rs[0].rows[0][1].i, 10);
    EXPECT_EQ(rs[0].rows[1][1].i, 15);
    EXPECT_EQ(rs[0].rows[2][1].i, 17);
    q("DELETE c FROM O p JOIN O c ON c.Parent = p.No WHERE c.Qty > 16");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM O"), 2);
}

TEST_F(EngineTest, TempTablesEndWithTheScopeThatMadeThem) {
    q("CREATE TABLE #outer (a int)");
    q("CREATE PROCEDURE MakeTemp AS\n"
      "CREATE TABLE #inner (a int)\n"
      "DROP TABLE #outer\n"
      "CREATE TABLE #outer (b int)\n"
      "INSERT INTO #inner VALUES (1)");
    q("EXEC MakeTemp");
    // Both tables the procedure made are gone, the one it dropped included.
    EXPECT_TRUE(scalar("SELECT OBJECT_ID('tempdb..#inner')").isNull());
    EXPECT_TRUE(scalar("SELECT OBJECT_ID('tempdb..#outer')").isNull());
    q("CREATE TABLE #kept (a int) EXEC('SELECT 1 AS x INTO #gone')");
    EXPECT_FALSE(scalar("SELECT OBJECT_ID('tempdb..#kept')").isNull());
    EXPECT_TRUE(scalar("SELECT OBJECT_ID('tempdb..#gone')").isNull());
}

// ---- limits as SQL Server has them -----------------------------------------------------------

TEST_F(EngineTest, StringsOfNonMaxTypesStopAtEightThousandBytes) {
    EXPECT_EQ(integer("SELECT LEN(REPLICATE('x', 10000))"), 8000);
    EXPECT_EQ(integer("SELECT DATALENGTH(REPLICATE(N'x', 10000))"), 8000);
    EXPECT_EQ(integer("SELECT LEN(REPLICATE(N'กข', 3000))"), 4000);
    EXPECT_EQ(integer("SELECT LEN(REPLICATE('abc', 2667))"), 8000);  // the last copy cut
    EXPECT_EQ(integer("SELECT LEN(REPLICATE('x', 2000000000))"), 8000);
    EXPECT_EQ(integer("SELECT LEN(REPLICATE(CAST('x' AS varchar(max)), 10000))"), 10000);
    EXPECT_EQ(error("SELECT REPLICATE(CAST('x' AS varchar(max)), 2000000000)").number, 7119);
    // Joining two of them cuts too; a max type on either side keeps everything.
    EXPECT_EQ(integer("DECLARE @a varchar(8000) = REPLICATE('a', 8000) SELECT LEN(@a + 'b')"),
              8000);
    EXPECT_EQ(integer("DECLARE @a varchar(8000) = REPLICATE('a', 8000) "
                      "SELECT LEN(CAST(@a AS varchar(max)) + 'b')"),
              8001);
    EXPECT_EQ(text("DECLARE @n nvarchar(4000) = REPLICATE(N'ก', 4000) SELECT LEFT(N'ข' + @n, 1) + "
                   "RIGHT(N'ข' + @n, 1)"),
              "ขก");
    const std::string longLiteral = "'" + std::string(7999, 'a') + "'";
    EXPECT_EQ(text("SELECT RIGHT(" + longLiteral + " + 'xy', 2)"), "ax");
}

TEST_F(EngineTest, ATextMayHoldNulCharacters) {
    const std::string withNul("SELECT 'a\0b', LEN('a\0b'), CHARINDEX(CHAR(0), 'a\0b')", 51);
    auto rs = q(withNul);
    ASSERT_EQ(rs[0].rows.size(), 1u);
    EXPECT_EQ(rs[0].rows[0][0].s, std::string("a\0b", 3));
    EXPECT_EQ(rs[0].rows[0][1].i, 3);
    EXPECT_EQ(rs[0].rows[0][2].i, 2);
}

TEST_F(EngineTest, ThousandsOfUnionTermsAreOneQuery) {
    std::string all, distinct;
    for (int i = 0; i < 5000; ++i) {
        all += (i ? " UNION ALL SELECT " : "SELECT ") + std::to_string(i) + " AS x";
        distinct += (i ? " UNION SELECT " : "SELECT ") + std::to_string(i % 7) + " AS x";
    }
    auto rs = q("SELECT COUNT(*), SUM(x) FROM (" + all + ") t");
    EXPECT_EQ(rs[0].rows[0][0].i, 5000);
    EXPECT_EQ(rs[0].rows[0][1].i, 12497500);
    rs = q(distinct + " ORDER BY x DESC");
    ASSERT_EQ(rs[0].rows.size(), 7u);
    EXPECT_EQ(rs[0].rows[0][0].i, 6);
}

TEST_F(EngineTest, ASubqueryByAUniqueKeyNeedsNoSecondRowCheckButOthersKeepIt) {
    q("CREATE TABLE Cur (Id int NOT NULL CONSTRAINT PK_Cur PRIMARY KEY, Code varchar(5), "
      "G int, H int)");
    q("CREATE UNIQUE INDEX CurGH ON Cur (G, H)");
    q("CREATE TABLE Sale (CurId int, G int)");
    q("INSERT INTO Cur VALUES (1, 'THB', 1, 1), (2, 'USD', 1, 2)");
    q("INSERT INTO Sale VALUES (1, 1), (2, 1), (9, 1)");
    const std::string byKey =
        "SELECT (SELECT Code FROM Cur WHERE Id = S.CurId) + '/' + "
        "ISNULL((SELECT Code FROM Cur X WHERE X.H = 2 AND X.G = S.G), '-') FROM Sale S "
        "ORDER BY S.CurId";
    auto rs = q(byKey);
    ASSERT_EQ(rs[0].rows.size(), 3u);
    EXPECT_EQ(rs[0].rows[0][0].s, "THB/USD");
    EXPECT_TRUE(rs[0].rows[2][0].isNull());
    // Only part of a key, or a key column compared with the table's own column: two rows are
    // still an error.
    EXPECT_EQ(error("SELECT (SELECT Code FROM Cur WHERE G = S.G) FROM Sale S").number, 512);
    EXPECT_EQ(error("SELECT (SELECT Code FROM Cur WHERE Id = Id) FROM Sale S").number, 512);
    // Without the key the same text checks again.
    q("ALTER TABLE Cur DROP CONSTRAINT PK_Cur");
    q("INSERT INTO Cur VALUES (1, 'EUR', 2, 2)");
    EXPECT_EQ(error(byKey).number, 512);
}
