// The TDS listener against the engine in-process, in the same run on the same server
// directory: a one-row SELECT by key (round trip) and a 100,000-row result streamed to the
// client, through unixODBC + FreeTDS. Prints the medians of five interleaved repetitions.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tsqlite/session.h"
#include "tsqlite/tds/listener.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 100000;
constexpr int kLookups = 2000;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const char* what) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) return;
    SQLCHAR state[6] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &len);
    std::fprintf(stderr, "%s: %s %s\n", what, state, text);
    std::exit(1);
}

class CountingSink : public tsqlite::Sink {
public:
    long long rows = 0;
    void row(const std::vector<tsqlite::Value>&) override { ++rows; }
};

}  // namespace

int main() {
    fs::path dir = fs::temp_directory_path() / ("tds_bench_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    tsqlite::createServer(dir.string());
    tsqlite::Session(dir.string(), "master").query("CREATE DATABASE Bench");
    tsqlite::Session s(dir.string(), "Bench");
    s.query(
        "CREATE TABLE Item (Id int NOT NULL PRIMARY KEY, Code varchar(20) NOT NULL,"
        " Name nvarchar(60) NULL, Qty decimal(18,2) NULL, Made datetime NULL)");
    s.query("BEGIN TRAN");
    for (int i = 0; i < kRows; i += 1000) {
        std::string sql = "INSERT INTO Item VALUES ";
        for (int k = i; k < i + 1000; ++k)
            sql += (k > i ? "," : "") + std::string("(") + std::to_string(k) + ", 'C" +
                   std::to_string(k) + "', N'สินค้า " + std::to_string(k) + "', " +
                   std::to_string(k % 977) + ".25, '2024-02-29 13:45:10.123')";
        s.query(sql);
    }
    s.query("COMMIT");

    tsqlite::tds::ListenOptions options;
    options.serverDir = dir.string();
    options.port = 0;
    tsqlite::tds::Listener listener(options);
    listener.start();

    SQLHENV env;
    SQLHDBC dbc;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string connect =
        "Driver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Server=127.0.0.1;Port=" +
        std::to_string(listener.port()) +
        ";UID=qarn;PWD=mirabelt;Database=Bench;TDS_Version=7.4;ClientCharset=UTF-8";
    check(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc, "connect");

    const std::string lookup = "SELECT Code, Name, Qty FROM Item WHERE Id = ";
    auto embeddedLookups = [&] {
        auto t = Clock::now();
        for (int i = 0; i < kLookups; ++i)
            s.query("SELECT Code, Name, Qty FROM Item WHERE Id = :Id",
                    {{"Id", tsqlite::Value::integer((i * 7919) % kRows)}});
        return seconds(t) / kLookups;
    };
    auto odbcLookups = [&] {
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        SQLINTEGER id = 0;
        SQLLEN ind = 0;
        SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &id, 0, &ind);
        auto t = Clock::now();
        for (int i = 0; i < kLookups; ++i) {
            id = (i * 7919) % kRows;
            check(SQLExecDirect(st, (SQLCHAR*)"SELECT Code, Name, Qty FROM Item WHERE Id = ?",
                                SQL_NTS),
                  SQL_HANDLE_STMT, st, "lookup");
            char buf[128];
            SQLLEN len;
            while (SQLFetch(st) == SQL_SUCCESS)
                for (SQLUSMALLINT c = 1; c <= 3; ++c)
                    SQLGetData(st, c, SQL_C_CHAR, buf, sizeof buf, &len);
            SQLFreeStmt(st, SQL_CLOSE);
        }
        double per = seconds(t) / kLookups;
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return per;
    };
    auto embeddedStream = [&] {
        CountingSink sink;
        auto t = Clock::now();
        s.execute("SELECT Id, Code, Name, Qty, Made FROM Item", sink);
        double sec = seconds(t);
        if (sink.rows != kRows) std::fprintf(stderr, "embedded read %lld rows\n", sink.rows);
        return kRows / sec;
    };
    auto odbcStream = [&] {
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        auto t = Clock::now();
        check(SQLExecDirect(st, (SQLCHAR*)"SELECT Id, Code, Name, Qty, Made FROM Item", SQL_NTS),
              SQL_HANDLE_STMT, st, "stream");
        long rows = 0;
        char buf[128];
        SQLLEN len;
        while (SQLFetch(st) == SQL_SUCCESS) {
            for (SQLUSMALLINT c = 1; c <= 5; ++c)
                SQLGetData(st, c, SQL_C_CHAR, buf, sizeof buf, &len);
            ++rows;
        }
        double sec = seconds(t);
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        if (rows != kRows) std::fprintf(stderr, "ODBC read %ld rows\n", rows);
        return rows / sec;
    };

    embeddedLookups();  // warm both sides
    odbcLookups();
    std::vector<double> el, ol, es, os;
    for (int rep = 0; rep < 5; ++rep) {
        el.push_back(embeddedLookups());
        ol.push_back(odbcLookups());
        es.push_back(embeddedStream());
        os.push_back(odbcStream());
    }
    double e = median(el) * 1e6, o = median(ol) * 1e6;
    std::printf("round trip  embedded %.1f us, TDS+ODBC %.1f us, added %.1f us (target < 100)\n", e,
                o, o - e);
    std::printf("stream      embedded %.0f rows/s, TDS+ODBC %.0f rows/s (target >= 200000)\n",
                median(es), median(os));
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    listener.stop();
    fs::remove_all(dir);
    return 0;
}
