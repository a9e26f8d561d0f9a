// The @@ variables: the type a statement sees and the value the session binds come from one
// entry each.
#include <gtest/gtest.h>

#include <string>

#include "test_server.h"
#include "tsqlite/system_variables.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;

TEST(SystemVariables, NamesAreFoundInAnyLetterCaseAndOnlyWithTwoAts) {
    const SystemVariable* v = findSystemVariable("@@RowCount");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->value, SystemValue::RowCount);
    EXPECT_EQ(findSystemVariable("@rowcount"), nullptr);
    EXPECT_EQ(findSystemVariable("@@rowcounts"), nullptr);
    EXPECT_EQ(findSystemVariable("@@"), nullptr);
}

TEST(SystemVariables, EachReadsWithItsTypeAndTheSessionsValue) {
    TempServer server;
    Session s(server.dir(), "master");
    s.query("CREATE TABLE T (id int IDENTITY(5, 1), a int)");
    auto rs = s.query(
        "INSERT T (a) VALUES (1)\n"
        "INSERT T (a) SELECT a FROM T UNION ALL SELECT 3\n"
        "SELECT @@ROWCOUNT, @@IDENTITY, @@TRANCOUNT, @@ERROR, @@NESTLEVEL, @@FETCH_STATUS, "
        "@@DATEFIRST, @@SERVERNAME, @@SPID, @@version, @@NoSuchThing");
    ASSERT_EQ(rs.size(), 1u);
    const auto& cols = rs[0].columns;
    const auto& row = rs[0].rows.at(0);
    const char* names[] = {"@@rowcount",  "@@identity",     "@@trancount", "@@error",
                           "@@nestlevel", "@@fetch_status", "@@datefirst", "@@servername",
                           "@@spid",      "@@version"};
    for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(cols[i].type, findSystemVariable(names[i])->type()) << names[i];
    EXPECT_EQ(row[0].i, 2);
    EXPECT_EQ(displayText(row[1], cols[1].type), "7");
    EXPECT_EQ(row[2].i, 0);
    EXPECT_EQ(row[3].i, 0);
    EXPECT_EQ(row[4].i, 0);
    EXPECT_EQ(row[5].i, -1);
    EXPECT_EQ(row[6].i, 7);
    EXPECT_EQ(row[7].s, "tsqlite");
    EXPECT_EQ(row[8].i, 51);
    EXPECT_FALSE(row[9].s.empty());
    // One the engine does not know is a NULL int.
    EXPECT_TRUE(row[10].isNull());
    EXPECT_EQ(cols[10].type.base, BaseType::Int);

    s.query("CREATE PROCEDURE Nest AS SELECT @@NESTLEVEL");
    rs = s.query("BEGIN TRAN\nSELECT @@TRANCOUNT\nEXEC Nest\nCOMMIT");
    EXPECT_EQ(rs.at(0).rows.at(0).at(0).i, 1);
    EXPECT_EQ(rs.at(1).rows.at(0).at(0).i, 1);
}

TEST(SystemVariables, ErrorFunctionsReadTheCaughtErrorWithTheirTypes) {
    TempServer server;
    Session s(server.dir(), "master");
    auto rs = s.query(
        "SELECT ERROR_NUMBER(), ERROR_MESSAGE()\n"
        "BEGIN TRY SELECT 1 / 0 END TRY\n"
        "BEGIN CATCH SELECT ERROR_NUMBER(), ERROR_SEVERITY(), ERROR_STATE(), ERROR_LINE(), "
        "ERROR_MESSAGE(), ERROR_PROCEDURE() END CATCH");
    ASSERT_GE(rs.size(), 2u);
    EXPECT_TRUE(rs[0].rows.at(0).at(0).isNull());
    EXPECT_TRUE(rs[0].rows.at(0).at(1).isNull());
    const auto& c = rs.back();
    EXPECT_EQ(c.rows.at(0).at(0).i, 8134);
    EXPECT_EQ(c.rows.at(0).at(1).i, 16);
    EXPECT_EQ(c.rows.at(0).at(3).i, 2);
    EXPECT_EQ(c.rows.at(0).at(4).s, "Divide by zero error encountered.");
    EXPECT_TRUE(c.rows.at(0).at(5).isNull());
    EXPECT_EQ(c.columns[4].type, findSystemVariable("@@error_message")->type());
    EXPECT_EQ(c.columns[5].type, findSystemVariable("@@error_procedure")->type());
}
