// The table of messages: texts made from it, and what its entries decide about a batch.
#include <gtest/gtest.h>

#include <set>

#include "test_server.h"
#include "tsqlite/messages.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;

TEST(Messages, ArgumentsFillThePlaceholdersOnceAndInOrder) {
    EXPECT_EQ(formatMessage("'%2' then '%1'.", {"first", "second"}), "'second' then 'first'.");
    // An argument that looks like a placeholder is text, not read again.
    EXPECT_EQ(formatMessage("near '%1'.", {"%1%2"}), "near '%1%2'.");
    // A percent sign without a digit stays.
    EXPECT_EQ(formatMessage("100% of %1", {"x"}), "100% of x");
    EXPECT_EQ(raise(8178, {"Code"}).message,
              "The parameterized query expects the parameter ':Code', which was not supplied.");
    const Error e = raise(515, {"Qty", "Shop.dbo.Lines", "INSERT"}, 7);
    EXPECT_EQ(e.message,
              "Cannot insert the value NULL into column 'Qty', table 'Shop.dbo.Lines'; column does "
              "not allow nulls. INSERT fails.");
    EXPECT_EQ(e.severity, 16);
    EXPECT_EQ(e.state, 2);
    EXPECT_EQ(e.line, 7);
    EXPECT_FALSE(e.abortsBatch);
    EXPECT_TRUE(raise(245, {"varchar", "x", "int"}).abortsBatch);
}

namespace {

void expectPlaceholdersFromOne(const Message& m) {
    std::set<int> used;
    for (size_t i = 0; i + 1 < m.text.size(); ++i)
        if (m.text[i] == '%' && m.text[i + 1] >= '1' && m.text[i + 1] <= '9')
            used.insert(m.text[i + 1] - '0');
    if (!used.empty()) {
        EXPECT_EQ(*used.rbegin(), static_cast<int>(used.size())) << m.number;
    }
    // 0: an informational message, sent as an INFO token.
    EXPECT_TRUE(m.severity == 0 || (m.severity >= 10 && m.severity <= 24)) << m.number;
}

}  // namespace

TEST(Messages, EveryTextUsesItsPlaceholdersFromOneOnAndNumbersAreUnique) {
    std::set<int> numbers;
    for (const Message& m : messages()) {
        EXPECT_TRUE(numbers.insert(m.number).second) << m.number;
        EXPECT_EQ(findMessage(m.number), &m);
        expectPlaceholdersFromOne(m);
    }
    EXPECT_EQ(findMessage(4), nullptr);
    EXPECT_EQ(tsqlite::raise(4).message, "Error 4");  // ::raise is the C signal one

    // Another wording belongs to a number of the table, and is found by number and wording.
    for (const Variant& v : variants()) {
        EXPECT_NE(findMessage(v.message.number), nullptr) << v.message.number;
        EXPECT_GE(v.wording, 1) << v.message.number;
        EXPECT_EQ(findVariant(v.message.number, v.wording), &v.message);
        expectPlaceholdersFromOne(v.message);
    }
    EXPECT_EQ(findVariant(201, 0), nullptr) << "wording 0 is the table's own";
}

TEST(Messages, AnotherWordingKeepsItsOwnTextSeverityAndState) {
    const Error unnamed = raiseVariant(201, 1, {"sp_executesql"});
    EXPECT_EQ(unnamed.message,
              "Procedure or function 'sp_executesql' expects a parameter which was not supplied.");
    EXPECT_EQ(unnamed.severity, 16);
    EXPECT_EQ(unnamed.state, 4);
    EXPECT_TRUE(unnamed.abortsBatch);
    EXPECT_EQ(raise(201, {"P", "@a"}).message,
              "Procedure or function 'P' expects parameter '@a', which was not supplied.");
    EXPECT_EQ(raiseVariant(8145, 1, {"@a;b"}).message, "@a;b is not a valid parameter name.");
    // The login's messages: the failure at severity 14, the context change as information.
    const Error login = raise(18456, {"sa"}, 1);
    EXPECT_EQ(login.message, "Login failed for user 'sa'.");
    EXPECT_EQ(login.severity, 14);
    EXPECT_EQ(login.line, 1);
    EXPECT_EQ(raise(5701, {"NWX"}).severity, 0);
    EXPECT_EQ(raise(5701, {"NWX"}).message, "Changed database context to 'NWX'.");
}

// What the table says an error ends decides the batch, wherever the error was raised: in the
// engine, in SQLite's own functions, or inside a dynamic batch.
TEST(Messages, TheTableDecidesWhatAnErrorEnds) {
    TempServer server;
    Session s(server.dir(), "master");
    CollectingSink sink;
    s.execute(
        "CREATE TABLE T (a tinyint NOT NULL)\n"
        "INSERT T VALUES (300)\n"         // 220, ends the INSERT: terminated
        "SELECT CAST(300 AS tinyint)\n"   // 220 again; a SELECT is not "terminated"
        "SELECT 1 / 0\n"                  // 8134 ends only its statement
        "EXEC('SELECT nosuch FROM T')\n"  // 207 ends only the dynamic batch
        "SELECT 5",
        sink);
    ASSERT_EQ(sink.errors.size(), 4u);
    EXPECT_EQ(sink.errors[0].number, 220);
    EXPECT_EQ(sink.errors[1].number, 220);
    EXPECT_EQ(sink.errors[2].number, 8134);
    EXPECT_EQ(sink.errors[3].number, 207);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"The statement has been terminated."});
    ASSERT_FALSE(sink.resultSets.empty());
    EXPECT_EQ(sink.resultSets.back().rows.at(0).at(0).i, 5);

    // A conversion error ends the batch: nothing after it runs.
    CollectingSink ended;
    EXPECT_THROW(s.execute("SELECT CAST('x' AS int)\nSELECT 6", ended), Error);
    ASSERT_LE(ended.resultSets.size(), 1u);  // the failing SELECT's, without rows
    for (auto& rs : ended.resultSets) EXPECT_TRUE(rs.rows.empty());
}
