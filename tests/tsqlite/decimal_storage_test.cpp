// Decimal columns of a database written when decimals were stored as REAL: the file is brought
// to the scaled form when it is attached, and reads, compares and sums as it did. Then the wide
// form of scaled values past 64 bits: its arithmetic, its order and its way in and out.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "test_server.h"
#include "tsqlite/decimal.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;

namespace {

void raw(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK)
        << sql << ": " << (err ? err : "");
    sqlite3_free(err);
}

std::string shown(Session& s, const std::string& sql) {
    auto rs = s.query(sql);
    std::string out;
    for (auto& row : rs.back().rows) {
        for (size_t c = 0; c < row.size(); ++c)
            out += (c ? "|" : "") + displayText(row[c], rs.back().columns[c].type);
        out += ";";
    }
    return out;
}

std::string typeOfColumn(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    std::string out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out += reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) + std::string(";");
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// Rewrites a table of the file as the engine wrote it before: the given decimal columns
// declared REAL, then `rows` inserted as the numbers themselves.
void writeAsBefore(const std::string& file, const std::string& table,
                   std::initializer_list<std::string> columns, const std::string& rows) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    int version = 0;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    std::string sql = "sql";
    for (const std::string& c : columns)
        sql = "replace(" + sql + ", '\"" + c + "\" INTEGER', '\"" + c + "\" REAL')";
    raw(db, "PRAGMA writable_schema = ON");
    raw(db, "UPDATE sqlite_master SET sql = " + sql + " WHERE name = '" + table + "'");
    raw(db, "PRAGMA schema_version = " + std::to_string(version + 1));
    raw(db, "PRAGMA writable_schema = OFF");
    sqlite3_close(db);
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    raw(db, "INSERT INTO " + table + " VALUES " + rows);
    sqlite3_close(db);
}

}  // namespace

TEST(StoredRealDecimals, ReadCompareAndSumAfterTheUpgrade) {
    TempServer server;
    {
        Session s(server.dir(), "master");
        s.query("CREATE DATABASE Old");
        s.query(
            "CREATE TABLE Old..P (Code varchar(5) NOT NULL, Price decimal(12,2) NOT NULL, "
            "Cost money NULL)");
        s.query("CREATE INDEX P_Price ON Old..P (Price)");
    }
    const std::string file = (std::filesystem::path(server.dir()) / "old.sqlite").string();
    writeAsBefore(file, "P", {"Price", "Cost"},
                  "('A', 10.5, 1234.5678), ('B', 2.05, NULL), ('C', 0.3, 5), "
                  "('D', 1234567890.12, 0.0001)");
    {
        Session s(server.dir(), "Old");
        EXPECT_EQ(shown(s, "SELECT Code, Price, Cost FROM P ORDER BY Price"),
                  "C|0.30|5.0000;B|2.05|NULL;A|10.50|1234.5678;D|1234567890.12|0.0001;");
        EXPECT_EQ(shown(s, "SELECT Code FROM P WHERE Price = 2.05"), "B;");
        EXPECT_EQ(shown(s, "SELECT Code FROM P WHERE Price > 10 AND Price < 10.51"), "A;");
        EXPECT_EQ(shown(s, "SELECT SUM(Price), SUM(Cost) FROM P"), "1234567902.97|1239.5679;");
        // New rows and old ones are one kind of value now.
        s.query("INSERT INTO P VALUES ('E', 2.05, 1)");
        EXPECT_EQ(shown(s, "SELECT Price, COUNT(*) FROM P WHERE Price < 3 GROUP BY Price"),
                  "0.30|1;2.05|2;");
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT count(*) FROM P WHERE typeof(Price) <> 'integer' OR "
                       "typeof(Cost) = 'real'",
                       -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    // Opening it again changes nothing more.
    Session again(server.dir(), "Old");
    EXPECT_EQ(shown(again, "SELECT Price FROM P WHERE Code = 'D'"), "1234567890.12;");
}

// Decimals of more than 18 digits and more than 4 places were REAL until they became exact:
// such a file is upgraded like the others, wide values taking the wide form.
TEST(StoredRealDecimals, WideTypesWithManyPlacesAreUpgradedToo) {
    TempServer server;
    {
        Session s(server.dir(), "master");
        s.query("CREATE DATABASE Old");
        s.query("CREATE TABLE Old..R (Id int NOT NULL, Rate decimal(38,10) NULL, Q decimal(20,6))");
    }
    const std::string file = (std::filesystem::path(server.dir()) / "old.sqlite").string();
    writeAsBefore(file, "R", {"Rate", "Q"},
                  "(1, 12345.6789012345, 0.000001), (2, 1e25, -2.5), (3, -1e20, NULL)");
    Session s(server.dir(), "Old");
    EXPECT_EQ(shown(s, "SELECT Id, Rate, Q FROM R ORDER BY Rate"),
              "3|-100000000000000000000.0000000000|NULL;1|12345.6789012345|0.000001;"
              "2|10000000000000000000000000.0000000000|-2.500000;");
    EXPECT_EQ(shown(s, "SELECT SUM(Rate), SUM(Q) FROM R"),
              "9999900000000000000012345.6789012345|-2.499999;");
    EXPECT_EQ(typeOfColumn(file, "SELECT typeof(Rate) FROM R ORDER BY Id"), "integer;blob;blob;");
}

TEST(WideDecimals, ProductsAndQuotientsOnTwoHundredFiftySixBits) {
    using dec::Wide;
    const Wide max38 = dec::kPow10Wide[38] - 1;
    Wide r = 0;
    // (10^38 - 1) * (10^38 - 1) / 10^38 needs 256 bits on the way: 99..98 with the rest rounded.
    ASSERT_TRUE(dec::productWide(max38, max38, 38, r));
    EXPECT_EQ(dec::text(r, 0), "99999999999999999999999999999999999998");
    ASSERT_TRUE(dec::productWide(-max38, max38, 38, r));
    EXPECT_EQ(dec::text(r, 0), "-99999999999999999999999999999999999998");
    EXPECT_FALSE(dec::productWide(max38, 10, 0, r));
    // Half away from zero when places are dropped, either sign.
    ASSERT_TRUE(dec::productWide(15, 1, 1, r));
    EXPECT_EQ(r, 2);
    ASSERT_TRUE(dec::productWide(-15, 1, 1, r));
    EXPECT_EQ(r, -2);
    // Quotients truncate by default and round when asked.
    ASSERT_TRUE(dec::quotientWide(2, 3, 38, r));
    EXPECT_EQ(dec::text(r, 38), "0.66666666666666666666666666666666666666");
    ASSERT_TRUE(dec::quotientWide(-2, 3, 2, r, dec::Mode::HalfAway));
    EXPECT_EQ(r, -67);
    ASSERT_TRUE(dec::quotientWide(7, 3, -1, r));
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(dec::quotientWide(max38, 1, 1, r));
    Wide out = 0;
    EXPECT_TRUE(dec::rescaleWide(-12345, -2, out, dec::Mode::Floor));
    EXPECT_EQ(out, -124);
    EXPECT_FALSE(dec::rescaleWide(dec::kPow10Wide[30], 8, out));
}

TEST(WideDecimals, StoredFormIsCanonicalAndOrderedByItsBytes) {
    using dec::Wide;
    EXPECT_EQ(dec::scaledValue(INT64_MAX).kind, Value::Kind::Int);
    EXPECT_EQ(dec::scaledValue(static_cast<Wide>(INT64_MIN)).kind, Value::Kind::Int);
    const Value past = dec::scaledValue(static_cast<Wide>(INT64_MAX) + 1);
    ASSERT_TRUE(dec::isWideForm(past));
    Wide back = 0;
    ASSERT_TRUE(dec::scaledOf(past, back));
    EXPECT_TRUE(back == static_cast<Wide>(INT64_MAX) + 1);
    // Byte order is numeric order, negative values first.
    const Wide values[] = {-dec::kPow10Wide[38] + 1, -dec::kPow10Wide[20],   -1, 0, 1,
                           dec::kPow10Wide[20],      dec::kPow10Wide[38] - 1};
    for (size_t i = 1; i < std::size(values); ++i)
        EXPECT_LT(dec::wideBytes(values[i - 1]), dec::wideBytes(values[i])) << i;
    EXPECT_EQ(dec::text(-dec::kPow10Wide[20] - 5, 3), "-100000000000000000.005");
}

// A declared decimal parameter reaches the statement with every digit, as the embedded driver
// passes it, and a wide value in a variable goes on as it is.
TEST(WideDecimals, ParametersAndVariablesKeepEveryDigit) {
    TempServer server;
    Session s(server.dir(), "master");
    Params params;
    params["Amount"] = dec::scaledValue(dec::kPow10Wide[30] + 7);  // 10^20 + 0.0000000007
    ParamTypes types;
    types["Amount"] = *SqlType::parse("decimal(38,10)");
    CollectingSink sink;
    s.execute(
        "DECLARE @v decimal(38,10) = :Amount; "
        "SELECT :Amount + 1, @v * 2, CASE WHEN @v > 99999999999999999999 THEN 1 ELSE 0 END",
        sink, params, types);
    ASSERT_EQ(sink.resultSets.size(), 1u);
    const auto& rs = sink.resultSets[0];
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(displayText(rs.rows[0][0], rs.columns[0].type), "100000000000000000001.0000000007");
    EXPECT_EQ(displayText(rs.rows[0][1], rs.columns[1].type), "200000000000000000000.000000");
    EXPECT_EQ(displayText(rs.rows[0][2], rs.columns[2].type), "1");
}

// A procedure's OUTPUT parameter comes back in its type's stored form with the type beside it:
// a wide decimal keeps every digit, and a typed argument goes in with every digit too.
TEST(WideDecimals, ProcedureOutputsComeBackExactlyWithTheirType) {
    TempServer server;
    Session s(server.dir(), "master");
    s.query(
        "CREATE PROCEDURE Tenfold @In decimal(38,4), @Out decimal(38,4) OUTPUT, "
        "@Small decimal(9,2) OUTPUT AS BEGIN SET @Out = @In * 10; SET @Small = -12.5 END");
    ProcArgument in{"@In", dec::scaledValue(dec::kPow10Wide[28] + 56789), false,
                    *SqlType::parse("decimal(38,4)")};
    ProcResult r = s.callProcedure(
        "Tenfold", {in, {"@Out", Value::null(), true}, {"@Small", Value::null(), true}});
    ASSERT_EQ(r.outputTypes.at("@Out"), *SqlType::parse("decimal(38,4)"));
    EXPECT_EQ(displayText(r.outputs.at("@Out"), r.outputTypes.at("@Out")),
              "10000000000000000000000056.7890");
    EXPECT_EQ(r.outputs.at("@Small").i, -1250);
    EXPECT_EQ(dec::plain(r.outputs.at("@Small"), r.outputTypes.at("@Small")).f, -12.5);
}
