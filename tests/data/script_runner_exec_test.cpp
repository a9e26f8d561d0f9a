// TSQLScript on an embedded server: statements in order, parameters per statement, the first
// error ending the script.
#include <gtest/gtest.h>

#include "data/ScriptRunner.h"
#include "db/connection.h"
#include "db/connection_params.h"
#include "tests/common/temp_server.h"

namespace {

class ScriptRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("Shop");
        conn.setParams(db::connectionParameterList(QStringLiteral("Shop"),
                                                   QString::fromStdString(server.dir()), 60));
        conn.execute(
            QStringLiteral("CREATE TABLE Item (Code varchar(10) NOT NULL PRIMARY KEY,"
                           " Qty int NULL, Note varchar(40) NULL)"));
    }

    // "Code=Qty/Note" per row, in code order.
    QStringList items() {
        QStringList rows;
        const db::ResultSet r =
            conn.query(QStringLiteral("SELECT Code, Qty, Note FROM Item ORDER BY Code"));
        for (int i = 0; i < r.rowCount(); ++i)
            rows << r.value(i, 0).toString() + u'=' +
                        (r.value(i, 1).isNull() ? QStringLiteral("null")
                                                : r.value(i, 1).toString()) +
                        u'/' + r.value(i, 2).toString();
        return rows;
    }

    db::DatabaseError errorOf(const TSQLScript& script) {
        try {
            script.execute(conn);
        } catch (const db::DatabaseError& e) {
            return e;
        }
        ADD_FAILURE() << "the script ran without error";
        return db::DatabaseError(QString());
    }

    testsupport::TempServer server;
    db::Connection conn{QStringLiteral("DMDATA")};
};

TEST_F(ScriptRunTest, RunsEveryStatementInOrder) {
    // "/" lines and semicolons both end statements; each later statement sees the earlier
    // ones' work, and the text may end without a terminator.
    conn.close();
    TSQLScript script(
        QStringLiteral("If Not Exists (Select * From SysObjects Where Name = 'Log')\n"
                       "  Create Table Log (Id int NULL)\n"
                       " /\n"
                       "Insert Into Item (Code, Qty) Values ('A', 1);\n"
                       "Insert Into Item (Code, Qty)\n"
                       "Values ('B', 2); Update Item Set Qty = Qty * 10\n"
                       "/  \n"
                       "/\n"
                       "Update Item Set Note = 'after' Where Qty = 10 -- not 1\n"
                       "Insert Into Log Select Count(*) From Item"));
    script.execute(conn);
    EXPECT_TRUE(conn.isOpen());
    EXPECT_EQ(items(), QStringList({"A=10/after", "B=20/"}));
    EXPECT_EQ(conn.query(QStringLiteral("SELECT Id FROM Log")).value(0, 0).toInt(), 2);
    // Guarded like the program's own scripts, it runs again.
    conn.execute(QStringLiteral("DELETE Item"));
    script.execute(conn);
    EXPECT_EQ(items(), QStringList({"A=10/after", "B=20/"}));
}

TEST_F(ScriptRunTest, EachStatementTakesTheScriptValuesOfTheNamesItUses) {
    TSQLScript script(
        QStringLiteral("Insert Into Item (Code, Qty) Values (:Code, :Qty)\n"
                       "/\n"
                       "Insert Into Item (Code, Note) Values ('X', 'fixed')\n"
                       "/\n"
                       "Update Item Set Note = :Note Where Code = :code;\n"
                       "Update Item Set Qty = :QTY + :Qty Where Code = 'X'"));
    EXPECT_EQ(script.paramNames(), QStringList({"Code", "Qty", "Note"}));
    script.setParam(QStringLiteral("CODE"), QStringLiteral("P1"));
    script.setParam(QStringLiteral("Qty"), 4);
    script.setParam(QStringLiteral("Note"), QStringLiteral("first"));
    script.execute(conn);
    EXPECT_EQ(items(), QStringList({"P1=4/first", "X=8/fixed"}));

    // New text keeps the values given so far; a value set again replaces the old one.
    script.setSql(QStringLiteral("Update Item Set Qty = :Qty Where Code = :Code"));
    script.setParam(QStringLiteral("qty"), 9);
    EXPECT_EQ(script.param(QStringLiteral("Code")).toString(), QStringLiteral("P1"));
    script.execute(conn);
    EXPECT_EQ(items(), QStringList({"P1=9/first", "X=8/fixed"}));
}

TEST_F(ScriptRunTest, AValueSetInPlaceIsTheOneTheNextRunTakes) {
    TSQLScript script(
        QStringLiteral("Insert Into Item (Code, Qty, Note) Values (:Code, :Qty, :Note)"));
    script.setParam(QStringLiteral("CODE"), QStringLiteral("P0"));
    // Found whatever its letters' case, as setParam finds it; a new name starts as NULL.
    QVariant& code = script.paramRef(QStringLiteral("Code"));
    QVariant& qty = script.paramRef(QStringLiteral("Qty"));
    QVariant& note = script.paramRef(QStringLiteral("Note"));
    EXPECT_EQ(code.toString(), QStringLiteral("P0"));
    EXPECT_TRUE(note.isNull());
    for (int row = 1; row <= 3; ++row) {
        code = QStringLiteral("P%1").arg(row);
        qty = row * 10;
        if (row == 2) note = QStringLiteral("second");
        script.execute(conn);
    }
    // A later setParam reaches the same place.
    script.setParam(QStringLiteral("code"), QStringLiteral("P4"));
    EXPECT_EQ(code.toString(), QStringLiteral("P4"));
    script.execute(conn);
    EXPECT_EQ(items(), QStringList({"P1=10/", "P2=20/second", "P3=30/second", "P4=30/second"}));
}

TEST_F(ScriptRunTest, FirstFailingStatementEndsTheScript) {
    TSQLScript script(
        QStringLiteral("Insert Into Item (Code) Values ('A')\n"
                       "/\n"
                       "Insert Into Item (Code) Values ('B')\n"
                       "Insert Into Missing (Code) Values ('B')\n"
                       "/\n"
                       "Insert Into Item (Code) Values ('C')"));
    const db::DatabaseError e = errorOf(script);
    EXPECT_EQ(e.number(), 208);  // the server's own error, not a new one
    EXPECT_TRUE(e.message().contains(QStringLiteral("Missing"))) << e.what();
    EXPECT_TRUE(e.message().contains(QStringLiteral("line 5"))) << e.what();
    // The statements before the failing one stay applied.
    EXPECT_EQ(items(), QStringList({"A=null/", "B=null/"}));

    // A parameter without a value fails its statement like any other error.
    TSQLScript unset(
        QStringLiteral("Insert Into Item (Code) Values ('D');\n"
                       "Insert Into Item (Code) Values (:Code);\n"
                       "Insert Into Item (Code) Values ('E');"));
    const db::DatabaseError u = errorOf(unset);
    EXPECT_TRUE(u.message().contains(QStringLiteral(":Code"))) << u.what();
    EXPECT_TRUE(u.message().contains(QStringLiteral("line 2"))) << u.what();
    EXPECT_EQ(items(), QStringList({"A=null/", "B=null/", "D=null/"}));
}

TEST_F(ScriptRunTest, TransactionsOnFailure) {
    const QString failing = QStringLiteral(
        "Insert Into Item (Code) Values ('A')\n"
        "/\n"
        "Insert Into Item (Code) Values ('A')");
    // The script's own transaction is rolled back.
    TSQLScript own(failing);
    own.setTransaction(true);
    errorOf(own);
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_TRUE(items().isEmpty());

    // The caller's transaction is left to the caller.
    conn.startTransaction();
    errorOf(own);
    EXPECT_TRUE(conn.inTransaction());
    EXPECT_EQ(items(), QStringList({"A=null/"}));
    conn.rollback();
    EXPECT_TRUE(items().isEmpty());

    // A script that succeeds commits its own transaction.
    own.setSql(QStringLiteral("Insert Into Item (Code) Values ('A')"));
    own.execute(conn);
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(items(), QStringList({"A=null/"}));
}

TEST_F(ScriptRunTest, ScriptWithoutStatementsIsAnError) {
    errorOf(TSQLScript());
    errorOf(TSQLScript(QStringLiteral("\n  /\n;\n/\n")));
}

}  // namespace
