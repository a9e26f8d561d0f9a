// Values of several megabytes through a session: stored and read back unchanged, by literal and
// by parameter, and what the string functions build from a max value is a max value again.
#include <gtest/gtest.h>

#include <string>

#include "test_server.h"
#include "tsqlite/session.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;

namespace {

// Thai and Latin letters, digits and a few blanks: several megabytes of text whose characters
// are one and three bytes long in UTF-8.
std::string thaiText(size_t atLeastBytes) {
    const std::string piece = "ข้าวหอมมะลิ 5 kg. สินค้าขายหมด ";
    std::string s;
    s.reserve(atLeastBytes + piece.size());
    for (int i = 0; s.size() < atLeastBytes; ++i) s += piece + std::to_string(i);
    return s;
}

std::string allBytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
}

class LargeValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.query(
            "CREATE TABLE Doc (Id int NOT NULL, V varchar(max) NULL, W nvarchar(max) NULL,"
            " B varbinary(max) NULL)");
    }

    const Value& only(const std::string& sql, const Params& params = {}) {
        last = s.query(sql, params);
        EXPECT_EQ(last.size(), 1u);
        EXPECT_EQ(last.at(0).rows.size(), 1u);
        return last.at(0).rows.at(0).at(0);
    }

    static bool makeShop(const TempServer& server) {
        Session(server.dir(), "master").query("CREATE DATABASE Shop");
        return true;
    }

    TempServer server;
    bool made = makeShop(server);
    Session s{server.dir(), "Shop"};
    std::vector<ResultSet> last;
};

TEST_F(LargeValueTest, ParametersOfSeveralMegabytesComeBackByteForByte) {
    const std::string thai = thaiText(3 * 1000 * 1000);
    const std::string ascii(5 * 1000 * 1000 + 3, 'x');
    const std::string bytes = allBytes(4 * 1000 * 1000 + 1);
    CollectingSink sink;
    s.execute("INSERT INTO Doc (Id, V, W, B) VALUES (2, :v, :w, :b)", sink,
              {{"v", Value::text(ascii)}, {"w", Value::text(thai)}, {"b", Value::blob(bytes)}},
              {{"v", *SqlType::parse("varchar(max)")},
               {"w", *SqlType::parse("nvarchar(max)")},
               {"b", *SqlType::parse("varbinary(max)")}});
    ASSERT_TRUE(sink.errors.empty()) << sink.errors.front().what();

    auto rows = s.query("SELECT V, W, B, LEN(W), DATALENGTH(B) FROM Doc WHERE Id = 2");
    ASSERT_EQ(rows.at(0).rows.size(), 1u);
    const auto& row = rows.at(0).rows.at(0);
    EXPECT_TRUE(row[0].s == ascii);
    EXPECT_TRUE(row[1].s == thai);
    EXPECT_EQ(row[2].kind, Value::Kind::Blob);
    EXPECT_TRUE(row[2].s == bytes);
    EXPECT_EQ(row[4].i, static_cast<int64_t>(bytes.size()));
}

TEST_F(LargeValueTest, AStatementRunAgainBindsTheNewCallsValues) {
    // The statement is kept between calls; each call's parameters live only for that call.
    const std::string sql = "INSERT INTO Doc (Id, W) VALUES (:id, :w)";
    for (int id = 1; id <= 3; ++id) {
        Params p{{"id", Value::integer(id)},
                 {"w", Value::text(thaiText(static_cast<size_t>(id) * 700 * 1000))}};
        s.query(sql, p);
    }
    for (int id = 1; id <= 3; ++id) {
        const Value& w = only("SELECT W FROM Doc WHERE Id = " + std::to_string(id));
        EXPECT_TRUE(w.s == thaiText(static_cast<size_t>(id) * 700 * 1000)) << id;
    }
}

TEST_F(LargeValueTest, StringFunctionsOnALargeValue) {
    const std::string thai = thaiText(2 * 1000 * 1000);
    s.query("INSERT INTO Doc (Id, W) VALUES (1, :w)", {{"w", Value::text(thai)}});
    s.query("INSERT INTO Doc (Id, V) VALUES (2, REPLICATE(CAST('ab' AS varchar(max)), 1500000))");

    EXPECT_EQ(only("SELECT LEN(V) FROM Doc WHERE Id = 2").i, 3000000);
    std::string abs;
    for (int i = 0; i < 1500000; ++i) abs += "ab";
    EXPECT_TRUE(only("SELECT V FROM Doc WHERE Id = 2").s == abs);
    // Positions count characters: the Thai text's first 11 characters are 31 bytes.
    EXPECT_EQ(only("SELECT SUBSTRING(W, 1, 11) FROM Doc WHERE Id = 1").s, "ข้าวหอมมะลิ");
    const Value& tail = only("SELECT SUBSTRING(W, 13, 2000000) FROM Doc WHERE Id = 1");
    EXPECT_TRUE(tail.s == thai.substr(std::string("ข้าวหอมมะลิ ").size()));
    const Value& joined = only("SELECT W + N'ท้าย' + W FROM Doc WHERE Id = 1");
    EXPECT_TRUE(joined.s == thai + "ท้าย" + thai);
    EXPECT_EQ(only("SELECT LEN(W + W) FROM Doc WHERE Id = 1").i,
              2 * only("SELECT LEN(W) FROM Doc WHERE Id = 1").i);
}

TEST_F(LargeValueTest, WhatIsBuiltFromAMaxValueIsAMaxValue) {
    // Typed varchar(1) before: the result set said so, SELECT INTO made one-character columns
    // and a longer value inserted into them afterwards was refused.
    s.query("INSERT INTO Doc (Id, V, W) VALUES (1, 'abc', N'กขค')");
    auto rs = s.query(
        "SELECT REPLICATE(V, 3) AS R, V + 'yz' AS C, SUBSTRING(W, 2, 1) AS S, UPPER(V) AS U,"
        " W + N'ง' AS N FROM Doc");
    ASSERT_EQ(rs.at(0).columns.size(), 5u);
    for (const Column& c : rs.at(0).columns) {
        EXPECT_EQ(c.type.length, -1) << c.name;
        EXPECT_TRUE(c.type.base == BaseType::VarChar || c.type.base == BaseType::NVarChar)
            << c.name;
    }
    EXPECT_EQ(rs.at(0).columns[4].type.base, BaseType::NVarChar);

    s.query(
        "SELECT REPLICATE(V, 3) AS R, V + 'yz' AS C, SUBSTRING(W, 2, 1) AS S INTO Copied"
        " FROM Doc");
    auto cols = s.query(
        "SELECT c.name, c.length FROM SysColumns c WHERE c.id = OBJECT_ID('Copied') ORDER BY "
        "c.name");
    ASSERT_EQ(cols.at(0).rows.size(), 3u);
    for (const auto& row : cols.at(0).rows) EXPECT_EQ(row[1].i, -1) << row[0].s;
    s.query("INSERT INTO Copied (R, C, S) VALUES (REPLICATE('ab', 100), 'long enough', N'ขอ')");
    EXPECT_EQ(only("SELECT COUNT(*) FROM Copied WHERE LEN(R) = 200").i, 1);

    // A length that is not max stays as it was.
    s.query("CREATE TABLE Short (Code varchar(20) NULL)");
    auto shortRs = s.query("SELECT Code + 'x' AS C, SUBSTRING(Code, 1, 2) AS S FROM Short");
    EXPECT_EQ(shortRs.at(0).columns[0].type.length, 21);
    EXPECT_EQ(shortRs.at(0).columns[1].type.length, 20);
}

TEST_F(LargeValueTest, RowsTakenBySinkKeepEachRowsOwnValues) {
    // The collecting sink takes each row's values; every row must still read its own.
    for (int id = 1; id <= 4; ++id)
        s.query("INSERT INTO Doc (Id, V) VALUES (" + std::to_string(id) +
                ", REPLICATE(CAST('v' AS varchar(max)), " + std::to_string(id * 100000) + "))");
    auto rs = s.query("SELECT Id, V, LEN(V) FROM Doc ORDER BY Id");
    ASSERT_EQ(rs.at(0).rows.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const auto& row = rs.at(0).rows[i];
        ASSERT_EQ(row.size(), 3u);
        EXPECT_EQ(row[0].i, static_cast<int64_t>(i + 1));
        EXPECT_EQ(row[1].s.size(), (i + 1) * 100000);
        EXPECT_EQ(row[2].i, static_cast<int64_t>((i + 1) * 100000));
    }
}

TEST_F(LargeValueTest, AVariableChangedByTheStatementThatReadsItStaysRight) {
    // Variables are bound as copies: the statement assigns the one it reads.
    s.query("INSERT INTO Doc (Id, V) VALUES (1, REPLICATE(CAST('b' AS varchar(max)), 300000))");
    const Value& v = only(
        "DECLARE @all varchar(max) = REPLICATE(CAST('a' AS varchar(max)), 200000);"
        " SELECT @all = @all + V + @all FROM Doc; SELECT @all");
    EXPECT_TRUE(v.s ==
                std::string(200000, 'a') + std::string(300000, 'b') + std::string(200000, 'a'));
}

}  // namespace
