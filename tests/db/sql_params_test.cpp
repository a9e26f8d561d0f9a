// How :name parameters reach each driver.
#include <gtest/gtest.h>

#include "db/sql_params.h"
#include "printers.h"

using namespace db;

TEST(SqlParams, OdbcMarkersFollowEveryOccurrence) {
    DriverStatement st = odbcStatement(
        "update OrderBranch set OrderQnty = Coalesce(:OrderQnty,0),\n"
        "BackOrder = Coalesce(:orderqnty,0) where Id = :OLD_Id");
    EXPECT_EQ(st.text,
              "update OrderBranch set OrderQnty = Coalesce(?,0),\n"
              "BackOrder = Coalesce(?,0) where Id = ?");
    EXPECT_EQ(st.names, QStringList({"OrderQnty", "orderqnty", "OLD_Id"}));
}

TEST(SqlParams, EmbeddedKeepsNamesOnce) {
    DriverStatement st = embeddedStatement("SELECT :A, :b, :a, :B2");
    EXPECT_EQ(st.text, "SELECT :A, :b, :a, :B2");
    EXPECT_EQ(st.names, QStringList({"A", "b", "B2"}));
    EXPECT_EQ(parameterNames("x = :Doc or y = :DOC or z = :Year"), QStringList({"Doc", "Year"}));
}

TEST(SqlParams, NothingInsideQuotesOrCommentsIsAParameter) {
    const QString sql =
        "SELECT ':a', N'it''s :b', \"col:c\", [x:d]]:e] -- :f\n"
        "/* :g /* nested :h */ still :i */ :j";
    EXPECT_EQ(parameterNames(sql), QStringList({"j"}));
    DriverStatement st = odbcStatement(sql);
    EXPECT_EQ(st.text, QString(sql).replace(":j", "?"));
    // An unclosed string runs to the end: what follows is not a parameter either.
    EXPECT_TRUE(parameterNames("SELECT 'open :a").isEmpty());
}

TEST(SqlParams, TwoColonsAreOneLiteralColon) {
    EXPECT_EQ(odbcStatement("SELECT * FROM ::::fn_x() WHERE a = :p::b").text,
              "SELECT * FROM ::fn_x() WHERE a = ?:b");
    EXPECT_EQ(odbcStatement("SELECT '12::30'").text, "SELECT '12::30'");
    // The engine would read ":b" as a parameter and "::" as one token: a blank keeps the
    // colon alone, as SQL Server reads it.
    EXPECT_EQ(embeddedStatement("a::b").text, "a: b");
    EXPECT_EQ(embeddedStatement("a:::p").text, "a: :p");
    EXPECT_EQ(embeddedStatement("::::fn_x()").text, ":: fn_x()");
    EXPECT_EQ(embeddedStatement("lbl::\n").text, "lbl:\n");
    EXPECT_TRUE(embeddedStatement("a::b").names.isEmpty());
}

TEST(SqlParams, NamesTakeLettersDigitsUnderscoreAndThai) {
    DriverStatement st =
        embeddedStatement(QString::fromUtf8("SELECT :วันที่, :_x1, :1st, a:b, :-c, 5 : 3"));
    EXPECT_EQ(st.names, QStringList({QString::fromUtf8("วันที่"), "_x1", "1st", "b"}));
}
