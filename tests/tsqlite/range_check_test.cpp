// Values a column, variable or CAST cannot hold are refused with SQL Server's errors, on every
// way a value reaches them: literals, parameters, variables, other columns and expressions.
#include <gtest/gtest.h>

#include "test_server.h"

using namespace tsqlite;
using tsqlite::testing::EngineTest;

namespace {

class RangeCheck : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        q("CREATE TABLE T (Id int IDENTITY(1,1) PRIMARY KEY, I int NULL, S smallint NULL,"
          " B tinyint NULL, L bigint NULL, D decimal(5,2) NULL, N numeric(20,4) NULL)");
    }

    // Runs a batch and returns what its sink saw, an error that ended the batch included.
    CollectingSink run(const std::string& sql, const Params& p = {}) {
        CollectingSink sink;
        try {
            session->execute(sql, sink, p);
        } catch (const Error& e) {
            sink.errors.push_back(e);
        }
        return sink;
    }

    // The one error a batch reports, with its number and text.
    static void expectError(const CollectingSink& sink, int number, const std::string& text) {
        ASSERT_EQ(sink.errors.size(), 1u);
        EXPECT_EQ(sink.errors[0].number, number);
        EXPECT_EQ(sink.errors[0].message, text);
    }

    long long rows() { return integer("SELECT COUNT(*) FROM T"); }
};

TEST_F(RangeCheck, InsertRefusesLiteralsBeyondTheColumn) {
    expectError(run("INSERT INTO T (I) VALUES (3000000000)"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("INSERT INTO T (I) VALUES (-2147483649)"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("INSERT INTO T (B) VALUES (300)"), 220,
                "Arithmetic overflow error for data type tinyint, value = 300.");
    expectError(run("INSERT INTO T (B) VALUES (-1)"), 220,
                "Arithmetic overflow error for data type tinyint, value = -1.");
    expectError(run("INSERT INTO T (S) VALUES (40000)"), 220,
                "Arithmetic overflow error for data type smallint, value = 40000.");
    // A literal beyond int's range is numeric on SQL Server, so tinyint reports 8115 too.
    expectError(run("INSERT INTO T (B) VALUES (3000000000)"), 8115,
                "Arithmetic overflow error converting expression to data type tinyint.");
    expectError(run("INSERT INTO T (L) VALUES (9223372036854775808)"), 8115,
                "Arithmetic overflow error converting expression to data type bigint.");
    expectError(run("INSERT INTO T (D) VALUES (1234.5)"), 8115,
                "Arithmetic overflow error converting numeric to data type numeric.");
    EXPECT_EQ(rows(), 0);

    // The limits themselves are stored.
    q("INSERT INTO T (I, S, B, L, D) VALUES (2147483647, -32768, 255, 9223372036854775807,"
      " 999.99)");
    EXPECT_EQ(integer("SELECT I FROM T"), 2147483647);
    EXPECT_EQ(integer("SELECT L FROM T"), 9223372036854775807LL);
    EXPECT_EQ(text("SELECT CONVERT(varchar(10), D) FROM T"), "999.99");
}

TEST_F(RangeCheck, ParametersAreCheckedAgainstTheColumnWhateverTheirKind) {
    // The same statement text, first with a value that fits, then with one that does not:
    // the cached translation must not let the second one through.
    const std::string insert = "INSERT INTO T (I, B, D) VALUES (:I, :B, :D)";
    q(insert, {{"I", Value::integer(5)}, {"B", Value::integer(5)}, {"D", Value::real(1.5)}});
    expectError(run(insert, {{"I", Value::integer(4294967297LL)},
                             {"B", Value::integer(5)},
                             {"D", Value::real(1.5)}}),
                8115, "Arithmetic overflow error converting expression to data type int.");
    expectError(
        run(insert,
            {{"I", Value::integer(5)}, {"B", Value::integer(256)}, {"D", Value::real(1.5)}}),
        220, "Arithmetic overflow error for data type tinyint, value = 256.");
    expectError(
        run(insert, {{"I", Value::real(3e9)}, {"B", Value::integer(5)}, {"D", Value::real(1.5)}}),
        232, "Arithmetic overflow error for type int, value = 3000000000.000000.");
    expectError(
        run(insert, {{"I", Value::integer(5)}, {"B", Value::integer(5)}, {"D", Value::real(1000)}}),
        8115, "Arithmetic overflow error converting float to data type numeric.");
    expectError(
        run(insert,
            {{"I", Value::text("3000000000")}, {"B", Value::integer(5)}, {"D", Value::real(1.5)}}),
        248, "The conversion of the nvarchar value '3000000000' overflowed an int column.");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(integer("SELECT I FROM T"), 5);
}

TEST_F(RangeCheck, UpdateRefusesComputedAndWiderValues) {
    q("INSERT INTO T (I, S, B, L, D) VALUES (2147483647, 100, 200, 5000000000, 10)");
    expectError(run("UPDATE T SET I = I + 1"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("UPDATE T SET I = L"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("UPDATE T SET B = B + 100"), 220,
                "Arithmetic overflow error for data type tinyint, value = 300.");
    expectError(run("UPDATE T SET S = :S", {{"S", Value::integer(70000)}}), 220,
                "Arithmetic overflow error for data type smallint, value = 70000.");
    expectError(run("UPDATE T SET D = D * 100"), 8115,
                "Arithmetic overflow error converting numeric to data type numeric.");
    // Nothing changed.
    EXPECT_EQ(integer("SELECT I FROM T"), 2147483647);
    EXPECT_EQ(integer("SELECT B FROM T"), 200);
    EXPECT_EQ(text("SELECT CONVERT(varchar(10), D) FROM T"), "10.00");
    // Values that fit still go in, from a wider column too.
    q("UPDATE T SET L = 7, S = B, D = 999.994");
    q("UPDATE T SET I = L");
    EXPECT_EQ(integer("SELECT I FROM T"), 7);
    EXPECT_EQ(text("SELECT CONVERT(varchar(10), D) FROM T"), "999.99");
}

TEST_F(RangeCheck, InsertSelectAndVariablesAreChecked) {
    q("CREATE TABLE W (V bigint NULL)");
    q("INSERT INTO W (V) VALUES (1)");
    q("INSERT INTO W (V) VALUES (3000000000)");
    // One row out of range fails the whole statement.
    expectError(run("INSERT INTO T (I) SELECT V FROM W"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    EXPECT_EQ(rows(), 0);
    expectError(run("DECLARE @B tinyint SET @B = 256"), 220,
                "Arithmetic overflow error for data type tinyint, value = 256.");
    expectError(run("DECLARE @I int SET @I = 3000000000"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("DECLARE @L bigint = 3000000000 INSERT INTO T (I) VALUES (@L)"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("SELECT CAST(V AS int) FROM W"), 8115,
                "Arithmetic overflow error converting expression to data type int.");
    expectError(run("SELECT CONVERT(tinyint, 300)"), 220,
                "Arithmetic overflow error for data type tinyint, value = 300.");
}

TEST_F(RangeCheck, OverflowEndsTheStatementNotTheBatch) {
    // As with ANSI_WARNINGS ON: the failing INSERT is terminated, the batch and the
    // transaction go on.
    CollectingSink sink =
        run("BEGIN TRAN\n"
            "INSERT INTO T (I) VALUES (1)\n"
            "INSERT INTO T (I) VALUES (3000000000)\n"
            "INSERT INTO T (I) VALUES (@@ERROR)\n"
            "COMMIT");
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].number, 8115);
    EXPECT_EQ(sink.errors[0].line, 3);
    EXPECT_NE(
        std::find(sink.messages.begin(), sink.messages.end(), "The statement has been terminated."),
        sink.messages.end());
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(integer("SELECT MAX(I) FROM T"), 8115);
    EXPECT_EQ(integer("SELECT @@TRANCOUNT"), 0);
}

}  // namespace

namespace {

// Identity values drawn by one-row inserts inside a transaction: the counter is written to the
// catalog once, yet every reader and every later session continues from the right value.
class IdentityInTransaction : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        q("CREATE TABLE L (Id int IDENTITY(10,5) PRIMARY KEY, Note varchar(10) NULL)");
    }
};

TEST_F(IdentityInTransaction, CounterSurvivesCommitRollbackAndOtherSessions) {
    q("BEGIN TRAN");
    for (int i = 0; i < 3; ++i) q("INSERT INTO L (Note) VALUES (:N)", {{"N", Value::text("a")}});
    EXPECT_EQ(integer("SELECT MAX(Id) FROM L"), 20);
    q("COMMIT");
    // Another session draws after the committed rows.
    Session other(server.dir(), "Shop");
    other.query("INSERT INTO L (Note) VALUES ('b')");
    EXPECT_EQ(other.query("SELECT MAX(Id) FROM L")[0].rows[0][0].i, 25);

    // Rolled back rows leave no counter behind that collides with later rows.
    q("BEGIN TRAN");
    q("INSERT INTO L (Note) VALUES ('c')");
    q("ROLLBACK");
    q("INSERT INTO L (Note) VALUES ('d')");
    EXPECT_EQ(integer("SELECT COUNT(*) FROM L"), 5);
    EXPECT_EQ(integer("SELECT COUNT(DISTINCT Id) FROM L"), 5);

    // Explicit values and TRUNCATE inside a transaction see the counter drawn before them.
    q("BEGIN TRAN");
    q("INSERT INTO L (Note) VALUES ('e')");
    q("SET IDENTITY_INSERT L ON");
    q("INSERT INTO L (Id, Note) VALUES (100, 'f')");
    q("SET IDENTITY_INSERT L OFF");
    q("INSERT INTO L (Note) VALUES ('g')");
    q("COMMIT");
    EXPECT_EQ(integer("SELECT Id FROM L WHERE Note = 'g'"), 105);
    q("BEGIN TRAN");
    q("INSERT INTO L (Note) VALUES ('h')");
    q("TRUNCATE TABLE L");
    q("INSERT INTO L (Note) VALUES ('i')");
    q("COMMIT");
    EXPECT_EQ(integer("SELECT Id FROM L"), 10);
}

TEST_F(IdentityInTransaction, ExplicitIdentityStillNeedsItsValue) {
    q("SET IDENTITY_INSERT L ON");
    Error e = error("INSERT INTO L (Note) VALUES ('x')");
    EXPECT_EQ(e.number, 545);
}

}  // namespace
