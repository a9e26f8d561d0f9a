// The built-in functions' table: what each row promises about its arguments holds when a
// statement calls it, and the functions SQLite spells differently give SQL Server's results.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "test_server.h"
#include "tsqlite/engine.h"
#include "tsqlite/translate_internal.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;
using tsqlite::translation::FunctionSpec;

namespace {

// Functions written as a bare keyword, without parentheses.
bool isKeyword(std::string_view name) {
    return name == "CURRENT_USER" || name == "SESSION_USER" || name == "SYSTEM_USER" ||
           name == "USER";
}

std::string callWith(const FunctionSpec& f, int argc) {
    std::string sql = "SELECT " + std::string(f.name) + "(";
    for (int i = 0; i < argc; ++i) sql += i ? ",1" : "1";
    return sql + ")";
}

// The error a call raises; 0 when it runs.
int errorOf(Session& s, const std::string& sql, std::string* message = nullptr) {
    try {
        s.query(sql);
        return 0;
    } catch (const Error& e) {
        if (message) *message = e.message;
        return e.number;
    }
}

}  // namespace

// One argument too many or too few is the count error naming the function; as many as the row
// allows is never a count error nor an unknown name (other errors may follow from the value 1).
TEST(FunctionTable, EveryRowsArgumentCountsAreWhatCallsMeet) {
    TempServer server;
    Session s(server.dir(), "master");
    for (const FunctionSpec& f : translation::functionTable()) {
        SCOPED_TRACE(std::string(f.name));
        if (isKeyword(f.name)) {
            EXPECT_EQ(s.query("SELECT " + std::string(f.name)).at(0).rows.at(0).at(0).s, "dbo");
            continue;
        }
        const int countError = f.flags & translation::kListCount ? 189 : 174;
        std::string message;
        if (f.maxArgs != translation::kUnbounded) {
            EXPECT_EQ(errorOf(s, callWith(f, f.maxArgs + 1), &message), countError);
            EXPECT_NE(message.find("The " + lower(f.name) + " function requires"),
                      std::string::npos)
                << message;
            const int most = errorOf(s, callWith(f, f.maxArgs));
            EXPECT_TRUE(most != countError && most != 195) << most;
        }
        if (f.minArgs > 0) {
            EXPECT_EQ(errorOf(s, callWith(f, f.minArgs - 1)), countError);
        }
        const int least = errorOf(s, callWith(f, f.minArgs));
        EXPECT_TRUE(least != countError && least != 195) << least;
        EXPECT_EQ(translation::findFunction(f.name), &f);
    }
    EXPECT_EQ(translation::findFunction("NO_SUCH_FUNCTION"), nullptr);
    EXPECT_EQ(errorOf(s, "SELECT NO_SUCH_FUNCTION(1)"), 195);
    // COUNT(*) counts rows; * is no argument of the others.
    EXPECT_EQ(s.query("SELECT COUNT(*), COUNT_BIG(*)").at(0).rows.at(0).at(0).i, 1);
    EXPECT_EQ(errorOf(s, "SELECT SUM(*)"), 174);
}

TEST(FunctionTable, LogarithmsAreNaturalWithTheBaseSecond) {
    TempServer server;
    Session s(server.dir(), "master");
    auto rs = s.query("SELECT LOG(10), LOG(8, 2), LOG10(1000), LOG(CAST(100 AS decimal(5,2)), 10)");
    const auto& row = rs.at(0).rows.at(0);
    EXPECT_NEAR(row.at(0).f, std::log(10.0), 1e-12);
    EXPECT_NEAR(row.at(1).f, 3.0, 1e-12);
    EXPECT_NEAR(row.at(2).f, 3.0, 1e-12);
    EXPECT_NEAR(row.at(3).f, 2.0, 1e-12);
}

TEST(FunctionTable, DbNameOfAnIdNamesThatDatabase) {
    TempServer server;
    Session s(server.dir(), "master");
    s.query("CREATE DATABASE Shop");
    s.query("USE Shop");
    auto rs = s.query("SELECT DB_NAME(), DB_NAME(1), DB_NAME(DB_ID('Shop')), DB_NAME(999)");
    const auto& row = rs.at(0).rows.at(0);
    EXPECT_EQ(row.at(0).s, "Shop");
    EXPECT_EQ(row.at(1).s, "master");
    EXPECT_EQ(row.at(2).s, "Shop");
    EXPECT_TRUE(row.at(3).isNull());
}
