// Parameters bound with a declared type: typed so rather than by their value, in every
// statement that sees them, and a statement's translation follows the declaration.
#include <gtest/gtest.h>

#include "test_server.h"

namespace tsqlite {
namespace {

class DeclaredParameterTest : public ::testing::Test {
protected:
    testing::TempServer server;
    Session s{server.dir(), "master"};

    static SqlType type(const char* text) { return *SqlType::parse(text); }

    // The one value of a one-row batch, or the first error's number as "Msg N".
    std::string run(const std::string& batch, const Params& params, const ParamTypes& types) {
        CollectingSink sink;
        try {
            s.execute(batch, sink, params, types);
        } catch (const Error& e) {
            return "Msg " + std::to_string(e.number);
        }
        if (!sink.errors.empty()) return "Msg " + std::to_string(sink.errors.front().number);
        const auto& rs = sink.resultSets.back();
        return displayText(rs.rows.at(0).at(0), rs.columns.at(0).type);
    }
    std::string typeOf(const std::string& batch, const Params& params, const ParamTypes& types) {
        CollectingSink sink;
        s.execute(batch, sink, params, types);
        return sink.resultSets.at(0).columns.at(0).type.toString();
    }
};

const Value kDate = Value::text("2024-01-05 00:00:00.000");

TEST_F(DeclaredParameterTest, ADatetimeParameterIsADate) {
    const ParamTypes asDatetime{{"d", type("datetime")}};
    EXPECT_EQ(run("SELECT CONVERT(char(10), :d, 103)", {{"d", kDate}}, asDatetime), "05/01/2024");
    EXPECT_EQ(run("SELECT :d + 1", {{"d", kDate}}, asDatetime), "2024-01-06 00:00:00.000");
    EXPECT_EQ(run("SELECT DATEDIFF(day, '20240101', :d)", {{"d", kDate}}, asDatetime), "4");
    // The same text undeclared is a string, as the value alone says.
    EXPECT_EQ(run("SELECT CONVERT(char(10), :d, 103)", {{"d", kDate}}, {}), "2024-01-05");
    EXPECT_EQ(run("SELECT :d + 1", {{"d", kDate}}, {}), "Msg 245");
}

TEST_F(DeclaredParameterTest, TheStatementCacheKeepsOneTranslationPerDeclaration) {
    // One batch text, run with the parameter declared three ways in turn, and back.
    const std::string batch = "SELECT ISNULL(:p, '20240105')";
    const Params null{{"p", Value::null()}};
    EXPECT_EQ(run(batch, null, {{"p", type("datetime")}}), "2024-01-05 00:00:00.000");
    EXPECT_EQ(run(batch, null, {{"p", type("nvarchar(4000)")}}), "20240105");
    EXPECT_EQ(run(batch, null, {{"p", type("int")}}), "20240105");
    EXPECT_EQ(run(batch, null, {{"p", type("datetime")}}), "2024-01-05 00:00:00.000");
}

TEST_F(DeclaredParameterTest, ADeclaredTimeLandsOnDatetimeTicks) {
    const ParamTypes asDatetime{{"d", type("datetime")}};
    EXPECT_EQ(run("SELECT :d", {{"d", Value::text("2024-01-05 10:20:30.008")}}, asDatetime),
              "2024-01-05 10:20:30.007");
    EXPECT_EQ(run("SELECT :d", {{"d", Value::text("2024-12-31 23:59:59.999")}}, asDatetime),
              "2025-01-01 00:00:00.000");
}

TEST_F(DeclaredParameterTest, DecimalsKeepTheirScaleAndBitsStayBits) {
    EXPECT_EQ(run("SELECT :q", {{"q", Value::real(12.5)}}, {{"q", type("decimal(4,2)")}}), "12.50");
    EXPECT_EQ(run("SELECT :q * 2", {{"q", Value::real(12.5)}}, {{"q", type("decimal(4,2)")}}),
              "25.00");
    EXPECT_EQ(run("SELECT :q", {{"q", Value::real(12.5)}}, {}), "12.5");
    // A name declared in other letters' case is the same parameter.
    EXPECT_EQ(typeOf("SELECT :B", {{"b", Value::integer(1)}}, {{"B", type("bit")}}), "bit");
    EXPECT_EQ(typeOf("SELECT :b", {{"b", Value::integer(1)}}, {}), "int");
    EXPECT_EQ(typeOf("SELECT :q", {{"q", Value::null()}}, {{"q", type("decimal(9,3)")}}),
              "decimal(9,3)");
}

}  // namespace
}  // namespace tsqlite
