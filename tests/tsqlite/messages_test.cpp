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

TEST(Messages, EveryTextUsesItsPlaceholdersFromOneOnAndNumbersAreUnique) {
    std::set<int> numbers;
    for (const Message& m : messages()) {
        EXPECT_TRUE(numbers.insert(m.number).second) << m.number;
        EXPECT_EQ(findMessage(m.number), &m);
        std::set<int> used;
        for (size_t i = 0; i + 1 < m.text.size(); ++i)
            if (m.text[i] == '%' && m.text[i + 1] >= '1' && m.text[i + 1] <= '9')
                used.insert(m.text[i + 1] - '0');
        if (!used.empty()) {
            EXPECT_EQ(*used.rbegin(), static_cast<int>(used.size())) << m.number;
        }
        EXPECT_TRUE(m.severity >= 10 && m.severity <= 24) << m.number;
    }
    EXPECT_EQ(findMessage(4), nullptr);
    EXPECT_EQ(tsqlite::raise(4).message, "Error 4");  // ::raise is the C signal one
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
