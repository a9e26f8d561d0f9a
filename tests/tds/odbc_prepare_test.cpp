// ODBC's prepared statements through FreeTDS: SQLPrepare + SQLExecute sends sp_prepexec the
// first time and sp_execute with the handle after, each with typed parameters.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <filesystem>
#include <memory>
#include <string>

#include "tsqlite/session.h"
#include "tsqlite/tds/listener.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

bool ok(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::string diag(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &len);
    return std::to_string(native) + " " + reinterpret_cast<char*>(state) + " " +
           reinterpret_cast<char*>(text);
}

}  // namespace

TEST(OdbcPrepared, PreparedStatementsRunAgainWithNewParameters) {
    if (!fs::exists(kDriver)) GTEST_SKIP() << "tdsodbc is not installed";
    fs::path dir = fs::temp_directory_path() / ("tds_prepare_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    tsqlite::createServer(dir.string());
    tsqlite::Session(dir.string(), "master").query("CREATE DATABASE Shop");
    tsqlite::Session(dir.string(), "Shop")
        .query(
            "CREATE TABLE Price (Code varchar(10) PRIMARY KEY, Amount decimal(10,2), "
            "Since datetime)");
    tsqlite::tds::ListenOptions options;
    options.serverDir = dir.string();
    options.port = 0;
    tsqlite::tds::Listener listener(options);
    listener.start();

    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string connect = std::string("Driver=") + kDriver +
                          ";Server=127.0.0.1;Port=" + std::to_string(listener.port()) +
                          ";UID=qarn;PWD=mirabelt;Database=Shop;TDS_Version=7.4;"
                          "ClientCharset=UTF-8";
    ASSERT_TRUE(ok(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT)))
        << diag(SQL_HANDLE_DBC, dbc);
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);

    char code[11] = {};
    SQLLEN codeLen = SQL_NTS, amountLen = 0, sinceLen = 0;
    SQL_NUMERIC_STRUCT unused{};
    (void)unused;
    char amount[20] = {};
    SQL_TIMESTAMP_STRUCT since{2024, 2, 29, 13, 45, 10, 123000000};
    ASSERT_TRUE(ok(SQLPrepare(st, (SQLCHAR*)"INSERT INTO Price VALUES (?, ?, ?)", SQL_NTS)))
        << diag(SQL_HANDLE_STMT, st);
    SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 10, 0, code, sizeof code,
                     &codeLen);
    SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 10, 2, amount, sizeof amount,
                     &amountLen);
    SQLBindParameter(st, 3, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3,
                     &since, sizeof since, &sinceLen);
    const char* codes[] = {"A1", "B2", "C3"};
    const char* amounts[] = {"12.50", "-0.25", "99999999.99"};
    for (int i = 0; i < 3; ++i) {
        snprintf(code, sizeof code, "%s", codes[i]);
        snprintf(amount, sizeof amount, "%s", amounts[i]);
        amountLen = SQL_NTS;
        sinceLen = i == 1 ? SQL_NULL_DATA : static_cast<SQLLEN>(sizeof since);
        ASSERT_TRUE(ok(SQLExecute(st))) << i << ": " << diag(SQL_HANDLE_STMT, st);
        SQLLEN rows = -1;
        SQLRowCount(st, &rows);
        EXPECT_EQ(rows, 1) << i;
        SQLFreeStmt(st, SQL_CLOSE);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    listener.stop();

    auto rs = tsqlite::Session(dir.string(), "Shop")
                  .query(
                      "SELECT Code, CAST(Amount AS varchar(20)), CONVERT(varchar(23), Since, "
                      "121) FROM Price ORDER BY Code");
    ASSERT_EQ(rs[0].rows.size(), 3u);
    EXPECT_EQ(rs[0].rows[0][1].s, "12.50");
    EXPECT_EQ(rs[0].rows[0][2].s, "2024-02-29 13:45:10.123");
    EXPECT_EQ(rs[0].rows[1][1].s, "-0.25");
    EXPECT_TRUE(rs[0].rows[1][2].isNull());
    EXPECT_EQ(rs[0].rows[2][1].s, "99999999.99");
    fs::remove_all(dir);
}
