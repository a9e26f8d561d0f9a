// Ordering comparisons on a column of more than 18 digits, whose values are INTEGERs and 16-byte
// wide forms side by side: the answers follow numeric order (negative wide values included), and
// an index on the column serves them, with a literal, a variable or a parameter as the bound.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "test_server.h"
#include "tsqlite/decimal.h"
#include "tsqlite/parser.h"
#include "tsqlite/runtime.h"
#include "tsqlite/translate.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;

namespace {

// The values of the table, by Id, in numeric order: both wide runs, both signs of INTEGER, the
// edges of 64 bits, and NULL last.
const std::vector<std::string> kValues = {"-12345678901234567890123456.75",
                                          "-92233720368547758.09",
                                          "-92233720368547758.08",
                                          "-5.00",
                                          "0.00",
                                          "7.25",
                                          "92233720368547758.07",
                                          "92233720368547758.08",
                                          "12345678901234567890123456.75"};

// The catalog of the test table as the engine sees it, for translating statements here.
class Catalog : public TranslateContext {
public:
    Catalog() {
        table_->name = "R";
        table_->schema = "main";
        table_->dbName = "master";
        ColumnInfo id;
        id.name = "Id";
        id.type = *SqlType::parse("int");
        ColumnInfo v;
        v.name = "V";
        v.type = *SqlType::parse("decimal(30,2)");
        table_->columns = {id, v};
    }
    const std::string& currentDatabase() override { return db_; }
    std::shared_ptr<TableInfo> findTable(const ast::ObjectName&) override { return table_; }
    std::shared_ptr<TableInfo> tryFindTable(const ast::ObjectName&) override { return table_; }
    SqlType variableType(const std::string&) override { return *SqlType::parse("decimal(30,2)"); }
    SqlType parameterType(const std::string&) override { return *SqlType::parse("decimal(38,2)"); }
    std::string schemaOf(const std::string&) override { return "main"; }
    std::optional<SqlType> userType(const std::string&) override { return std::nullopt; }

private:
    std::string db_ = "master";
    std::shared_ptr<TableInfo> table_ = std::make_shared<TableInfo>();
};

std::string translated(const std::string& select) {
    Catalog catalog;
    Translator tr(catalog);
    auto batch = parseBatch(select);
    return tr.select(*batch->statements.at(0)->select).sql;
}

// SQLite's plan of a translated statement on the database file, one line per step.
std::string planOf(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    registerRuntime(db);
    sqlite3_stmt* st = nullptr;
    std::string plan;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &st, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(st) == SQLITE_ROW)
            plan += reinterpret_cast<const char*>(sqlite3_column_text(st, 3)) + std::string("\n");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return plan;
}

std::string ids(Session& s, const std::string& where, const Params& params = {},
                const ParamTypes& types = {}) {
    CollectingSink sink;
    s.execute(
        "DECLARE @lo decimal(30,2) = -92233720368547758.09, "
        "@hi decimal(30,2) = 92233720368547758.08; "
        "SELECT Id FROM R WHERE " +
            where + " ORDER BY Id",
        sink, params, types);
    if (!sink.errors.empty()) return "error " + sink.errors[0].message;
    std::string out;
    for (const auto& row : sink.resultSets.at(0).rows) out += std::to_string(row[0].i) + " ";
    return out;
}

class WideRange : public ::testing::Test {
protected:
    void SetUp() override {
        s = std::make_unique<Session>(server.dir(), "master");
        s->query("CREATE TABLE R (Id int NOT NULL, V decimal(30,2) NULL)");
        s->query("CREATE INDEX IX_R_V ON R (V)");
        std::string rows;
        for (size_t i = 0; i < kValues.size(); ++i)
            rows += (i ? ", (" : "(") + std::to_string(i + 1) + ", " + kValues[i] + ")";
        s->query("INSERT INTO R VALUES " + rows + ", (10, NULL)");
    }

    TempServer server;
    std::unique_ptr<Session> s;
};

}  // namespace

TEST_F(WideRange, AnswersFollowNumericOrderForEveryKindOfBound) {
    // Bounds in each run: a negative wide value, INTEGERs, a positive wide value.
    EXPECT_EQ(ids(*s, "V < -92233720368547758.08"), "1 2 ");
    EXPECT_EQ(ids(*s, "V <= -92233720368547758.08"), "1 2 3 ");
    EXPECT_EQ(ids(*s, "V > -92233720368547758.09"), "3 4 5 6 7 8 9 ");
    EXPECT_EQ(ids(*s, "V >= -12345678901234567890123456.75"), "1 2 3 4 5 6 7 8 9 ");
    EXPECT_EQ(ids(*s, "V < 0"), "1 2 3 4 ");
    EXPECT_EQ(ids(*s, "V >= 0"), "5 6 7 8 9 ");
    EXPECT_EQ(ids(*s, "V > 7.25"), "7 8 9 ");
    EXPECT_EQ(ids(*s, "V <= 92233720368547758.07"), "1 2 3 4 5 6 7 ");
    EXPECT_EQ(ids(*s, "V < 92233720368547758.08"), "1 2 3 4 5 6 7 ");
    EXPECT_EQ(ids(*s, "V >= 92233720368547758.08"), "8 9 ");
    EXPECT_EQ(ids(*s, "V > 12345678901234567890123456.75"), "");
    // The bound on the left, BETWEEN and NOT.
    EXPECT_EQ(ids(*s, "0 > V"), "1 2 3 4 ");
    EXPECT_EQ(ids(*s, "-92233720368547758.09 >= V"), "1 2 ");
    EXPECT_EQ(ids(*s, "V BETWEEN -92233720368547758.09 AND 7.25"), "2 3 4 5 6 ");
    EXPECT_EQ(ids(*s, "V NOT BETWEEN -5 AND 92233720368547758.08"), "1 2 3 9 ");
    EXPECT_EQ(ids(*s, "NOT (V < 0)"), "5 6 7 8 9 ");
    // Variables and parameters in every run, NULL among them.
    EXPECT_EQ(ids(*s, "V < @lo"), "1 ");
    EXPECT_EQ(ids(*s, "V >= @lo AND V < @hi"), "2 3 4 5 6 7 ");
    EXPECT_EQ(ids(*s, "V BETWEEN @lo AND @hi"), "2 3 4 5 6 7 8 ");
    EXPECT_EQ(ids(*s, "V > @hi"), "9 ");
    ParamTypes types{{"B", *SqlType::parse("decimal(38,2)")}};
    EXPECT_EQ(ids(*s, "V > :B", {{"B", Value::integer(-500)}}, types), "5 6 7 8 9 ");
    EXPECT_EQ(ids(*s, "V <= :B", {{"B", Value::integer(-500)}}, types), "1 2 3 4 ");
    EXPECT_EQ(ids(*s, "V > :B", {{"B", dec::scaledValue(-dec::kPow10Wide[27])}}, types),
              "2 3 4 5 6 7 8 9 ");
    EXPECT_EQ(ids(*s, "V < :B", {{"B", dec::scaledValue(dec::kPow10Wide[27])}}, types),
              "1 2 3 4 5 6 7 8 ");
    EXPECT_EQ(ids(*s, "V <= :B", {{"B", dec::scaledValue(-dec::kPow10Wide[27])}}, types), "1 ");
    EXPECT_EQ(ids(*s, "V < :B", {{"B", dec::scaledValue(-dec::kPow10Wide[28])}}, types), "");
    EXPECT_EQ(ids(*s, "V < :B", {{"B", Value::null()}}, types), "");
    EXPECT_EQ(ids(*s, "NOT (V < :B)", {{"B", Value::null()}}, types), "");
    EXPECT_EQ(ids(*s, "NOT (V >= :B)", {{"B", Value::integer(0)}}, types), "1 2 3 4 ");
}

TEST_F(WideRange, AnIndexOnTheColumnServesRanges) {
    const std::string file = server.dir() + "/master.sqlite";
    for (const char* where :
         {"V < -92233720368547758.08", "V > -92233720368547758.09", "V < 0", "V >= 7.25",
          "V > 92233720368547758.08", "V <= 12345678901234567890123456.75",
          "V BETWEEN -5 AND 12345678901234567890123456.75", "0 < V", "V < @lo", "V >= :B",
          "V BETWEEN @lo AND :B"}) {
        const std::string plan =
            planOf(file, translated(std::string("SELECT Id FROM R WHERE ") + where));
        EXPECT_NE(plan.find("INDEX"), std::string::npos) << where << "\n" << plan;
        EXPECT_EQ(plan.find("SCAN"), std::string::npos) << where << "\n" << plan;
    }
}
