// CHECK constraints kept in the database file: they hold after the database is opened again,
// and what the engine refuses when one is declared.
#include <gtest/gtest.h>

#include "test_server.h"

using namespace tsqlite;
using tsqlite::testing::EngineTest;

namespace {

std::string messageOf(Session& s, const std::string& sql) {
    try {
        s.query(sql);
    } catch (const Error& e) {
        return std::to_string(e.number) + " " + e.message;
    }
    return "no error";
}

}  // namespace

TEST_F(EngineTest, CheckConstraintsHoldAfterTheDatabaseIsOpenedAgain) {
    q("CREATE TABLE Units (Code varchar(10) NOT NULL PRIMARY KEY, "
      "Fraction int NOT NULL CONSTRAINT DF_Units_Fraction DEFAULT (1) "
      "CHECK (Fraction > 0), Lo int NULL, Hi int NULL, Note varchar(10) NULL)");
    q("ALTER TABLE Units ADD CONSTRAINT CK_Units_Range CHECK (Lo <= Hi)");
    // A type change rebuilds the table: the constraints come along.
    q("ALTER TABLE Units ALTER COLUMN Note varchar(20) NULL");
    // A column a constraint reads keeps its type, as in SQL Server.
    EXPECT_EQ(error("ALTER TABLE Units ALTER COLUMN Hi bigint NULL").number, 5074);
    q("INSERT INTO Units (Code) VALUES ('PCS')");
    session.reset();

    Session again(server.dir(), "Shop");
    std::string refused = messageOf(again, "INSERT INTO Units (Code, Fraction) VALUES ('BOX', 0)");
    // The unnamed constraint has the name SQL Server's pattern gives it, the same every time.
    EXPECT_NE(refused.find("547 The INSERT statement conflicted with the CHECK constraint "
                           "\"CK__Units__Fract__"),
              std::string::npos)
        << refused;
    EXPECT_NE(refused.find("The conflict occurred in database \"Shop\", table \"dbo.Units\", "
                           "column 'Fraction'."),
              std::string::npos)
        << refused;
    EXPECT_EQ(messageOf(again, "UPDATE Units SET Lo = 5, Hi = 1"),
              "547 The UPDATE statement conflicted with the CHECK constraint \"CK_Units_Range\". "
              "The conflict occurred in database \"Shop\", table \"dbo.Units\".");
    EXPECT_EQ(again
                  .query("SELECT COUNT(*) FROM sysobjects WHERE xtype = 'C' AND "
                         "OBJECT_ID('CK_Units_Range') IS NOT NULL")[0]
                  .rows[0][0]
                  .i,
              2);

    again.query("ALTER TABLE Units DROP CONSTRAINT CK_Units_Range");
    again.query("UPDATE Units SET Lo = 5, Hi = 1");
    EXPECT_EQ(again.query("SELECT Lo FROM Units")[0].rows[0][0].i, 5);
}

TEST_F(EngineTest, CheckConstraintsRefuseWhatSqlServerRefuses) {
    q("CREATE TABLE T (a int NULL CONSTRAINT CK_T_a CHECK (a > 0), b int NULL)");
    EXPECT_EQ(error("ALTER TABLE T ADD CONSTRAINT CK_T_a CHECK (b > 0)").number, 2714);
    EXPECT_EQ(error("ALTER TABLE T ADD CONSTRAINT CK_T_b CHECK (b IN (SELECT a FROM T))").number,
              1046);
    EXPECT_EQ(error("DECLARE @v int = 1 ALTER TABLE T ADD CONSTRAINT CK_T_b CHECK (b > @v)").number,
              128);
    EXPECT_EQ(error("ALTER TABLE T ADD CONSTRAINT CK_T_b CHECK (c > 0)").number, 207);
    // A refused constraint leaves nothing behind.
    q("INSERT INTO T VALUES (1, -1)");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM sysobjects WHERE xtype = 'C'"), 1);
    // CONSTRAINT name names only the next constraint: the check after a named default has a
    // name of its own.
    q("CREATE TABLE U (x int NOT NULL CONSTRAINT DF_U_x DEFAULT (1) CHECK (x = 1))");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM sysobjects WHERE name = 'DF_U_x'"), 0);
    // Re-running a script that creates the table only when it is missing changes nothing.
    for (int i = 0; i < 2; ++i)
        q("IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'OracleConfig') "
          "CREATE TABLE OracleConfig (Id int NOT NULL CONSTRAINT DF_OracleConfig_Id DEFAULT (1) "
          "CONSTRAINT CK_OracleConfig_Id CHECK (Id = 1) CONSTRAINT PK_OracleConfig PRIMARY KEY, "
          "BranchCode varchar(10) NOT NULL)");
    q("INSERT INTO OracleConfig (BranchCode) VALUES ('B01')");
    EXPECT_EQ(error("INSERT INTO OracleConfig (Id, BranchCode) VALUES (2, 'B02')").number, 547);
}

// NOCHECK CONSTRAINT turns a constraint off until CHECK CONSTRAINT turns it on again; the state
// is the database file's, and a column a disabled constraint reads is still protected.
TEST_F(EngineTest, DisabledCheckConstraintsStayDisabledAfterTheDatabaseIsOpenedAgain) {
    q("CREATE TABLE Units (Code varchar(10) NOT NULL PRIMARY KEY, "
      "Fraction int NOT NULL CONSTRAINT CK_Units_Fraction CHECK (Fraction > 0), "
      "Lo int NULL, Hi int NULL, CONSTRAINT CK_Units_Range CHECK (Lo <= Hi))");
    q("ALTER TABLE Units NOCHECK CONSTRAINT CK_Units_Fraction");
    q("INSERT INTO Units VALUES ('ZERO', 0, NULL, NULL)");
    EXPECT_EQ(error("ALTER TABLE Units DROP COLUMN Fraction").number, 5074);
    // A table rebuilt by a type change keeps the constraint off.
    q("ALTER TABLE Units ALTER COLUMN Code varchar(20) NOT NULL");
    session.reset();

    Session again(server.dir(), "Shop");
    again.query("INSERT INTO Units VALUES ('NEG', -1, NULL, NULL)");
    EXPECT_EQ(messageOf(again, "INSERT INTO Units VALUES ('BAD', 1, 9, 1)").substr(0, 3), "547");
    // WITH CHECK finds the rows that broke it while it was off, and leaves it off.
    EXPECT_EQ(messageOf(again, "ALTER TABLE Units WITH CHECK CHECK CONSTRAINT CK_Units_Fraction"),
              "547 The ALTER TABLE statement conflicted with the CHECK constraint "
              "\"CK_Units_Fraction\". The conflict occurred in database \"Shop\", table "
              "\"dbo.Units\", column 'Fraction'.");
    again.query("INSERT INTO Units VALUES ('NEG2', -2, NULL, NULL)");
    // Without WITH CHECK the rows there are trusted; new ones are checked.
    again.query("ALTER TABLE Units CHECK CONSTRAINT ALL");
    EXPECT_EQ(messageOf(again, "INSERT INTO Units VALUES ('NEG3', -3, NULL, NULL)").substr(0, 3),
              "547");
    EXPECT_EQ(again.query("SELECT COUNT(*) FROM Units")[0].rows[0][0].i, 3);
    EXPECT_EQ(messageOf(again, "ALTER TABLE Units NOCHECK CONSTRAINT CK_Nothing"),
              "4917 Constraint 'CK_Nothing' does not exist.");
}
