// Decimal columns of a database written when decimals were stored as REAL: the file is brought
// to the scaled form when it is attached, and reads, compares and sums as it did.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "test_server.h"

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

// Rewrites a table of the file as the engine wrote it before: decimal columns declared REAL,
// holding the numbers themselves.
void writeAsBefore(const std::string& file) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    int version = 0;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    raw(db, "PRAGMA writable_schema = ON");
    raw(db,
        "UPDATE sqlite_master SET sql = replace(replace(sql, '\"Price\" INTEGER', '\"Price\" "
        "REAL'), '\"Cost\" INTEGER', '\"Cost\" REAL') WHERE name = 'P'");
    raw(db, "PRAGMA schema_version = " + std::to_string(version + 1));
    raw(db, "PRAGMA writable_schema = OFF");
    sqlite3_close(db);
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    raw(db,
        "INSERT INTO P VALUES ('A', 10.5, 1234.5678), ('B', 2.05, NULL), ('C', 0.3, 5), "
        "('D', 1234567890.12, 0.0001)");
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
    writeAsBefore((std::filesystem::path(server.dir()) / "old.sqlite").string());

    const std::string file = (std::filesystem::path(server.dir()) / "old.sqlite").string();
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
