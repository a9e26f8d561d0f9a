// The golden scripts a second time, through ODBC: each tests/tsqlite/golden/input/NAME.sql is
// split at GO as sqlcmd splits it, every batch goes with SQLExecDirect over a DSN-less FreeTDS
// connection to a TDS listener on a fresh server, and everything that comes back (result sets,
// row counts, PRINT and other messages, errors) is printed by the shell's own sqlcmd printer as
// the shell prints it with -W -s "|". The output must equal the same expected/NAME.out as the
// embedded run: the embedded path and the SQL Server path answer every statement alike.
//
// What FreeTDS's ODBC driver (1.3) gives of a server message: the number (native error), the
// text, the line (SQL_DIAG_SS_LINE), the server (SQL_DIAG_SERVER_NAME) and the severity, which
// it files under SQL_DIAG_SS_MSGSTATE. It answers neither SQL_DIAG_SS_SEVERITY nor
// SQL_DIAG_SS_PROCNAME nor SQL_DIAG_SS_SRVNAME, and the message's state does not reach the
// client at all. When the driver does not give them (SQL_DIAG_SS_SEVERITY unanswered), the
// "Msg N, Level L, State S, Server X, [Procedure P, ]Line N" lines are compared without the
// state and the procedure, on both sides; everything else is compared as it stands.
//
// FreeTDS also drops the columns of a result set whose first row fails (the server has sent
// them, then the error): sqlcmd prints that result's header and dashes before the error, this
// run cannot, so such a header is left out of both sides.
//
// The runner calls the FreeTDS driver itself, without unixODBC's driver manager, which gets in
// the way of a batch twice: it answers SQLMoreResults with SQL_NO_DATA once SQLExecDirect has
// returned SQL_ERROR, dropping the rest of a batch whose first statement failed, and it reads the
// driver's records with SQLGetDiagRec, which makes FreeTDS sort them by severity (errors before
// the PRINT output that came first). sqlcmd shows both as they happened. Read with
// SQLGetDiagField from the driver, the records keep the order the server sent them in.
//
// A script listed in kKnownDifferences is compared all the same; its mismatch is reported with
// the reason given there and does not fail the run, while a match fails it so the entry goes.
//
// One ctest test per script, tds.golden.NAME. On a mismatch the output is written to
// golden-odbc-actual/NAME.out beside the test program, with a line diff in the failure.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../golden_support.h"
#include "shell/printer.h"
#include "shell/script.h"
#include "tsqlite/decimal.h"
#include "tsqlite/error.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"
#include "tsqlite/tds/listener.h"

namespace {

using namespace golden;

constexpr const char* kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

// SQL Server's own diagnostic fields (odbcss.h).
constexpr SQLSMALLINT kDiagSsMsgState = -1150;
constexpr SQLSMALLINT kDiagSsSeverity = -1151;
constexpr SQLSMALLINT kDiagSsProcName = -1153;
constexpr SQLSMALLINT kDiagSsLine = -1154;

// Scripts whose ODBC run is known to differ from SQL Server's output, with the reason.
const std::map<std::string, std::string> kKnownDifferences = {};

// The driver's entry points, from the driver's own library.
struct Driver {
    SQLRETURN (*AllocHandle)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
    SQLRETURN (*SetEnvAttr)(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER);
    SQLRETURN(*DriverConnect)
    (SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLUSMALLINT);
    SQLRETURN (*Disconnect)(SQLHDBC);
    SQLRETURN (*FreeHandle)(SQLSMALLINT, SQLHANDLE);
    SQLRETURN (*ExecDirect)(SQLHSTMT, SQLCHAR*, SQLINTEGER);
    SQLRETURN (*MoreResults)(SQLHSTMT);
    SQLRETURN (*FreeStmt)(SQLHSTMT, SQLUSMALLINT);
    SQLRETURN (*NumResultCols)(SQLHSTMT, SQLSMALLINT*);
    SQLRETURN(*DescribeCol)
    (SQLHSTMT, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLSMALLINT*, SQLULEN*,
     SQLSMALLINT*, SQLSMALLINT*);
    SQLRETURN(*ColAttribute)
    (SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*, SQLLEN*);
    SQLRETURN (*Fetch)(SQLHSTMT);
    SQLRETURN (*GetData)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
    SQLRETURN (*RowCount)(SQLHSTMT, SQLLEN*);
    SQLRETURN(*GetDiagField)
    (SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*);

    // Empty on success, else what is missing.
    std::string load(const char* path) {
        void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!lib) return dlerror();
        std::string missing;
        auto bind = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            if (!fn) missing += std::string(" ") + name;
        };
        bind(AllocHandle, "SQLAllocHandle");
        bind(SetEnvAttr, "SQLSetEnvAttr");
        bind(DriverConnect, "SQLDriverConnect");
        bind(Disconnect, "SQLDisconnect");
        bind(FreeHandle, "SQLFreeHandle");
        bind(ExecDirect, "SQLExecDirect");
        bind(MoreResults, "SQLMoreResults");
        bind(FreeStmt, "SQLFreeStmt");
        bind(NumResultCols, "SQLNumResultCols");
        bind(DescribeCol, "SQLDescribeCol");
        bind(ColAttribute, "SQLColAttribute");
        bind(Fetch, "SQLFetch");
        bind(GetData, "SQLGetData");
        bind(RowCount, "SQLRowCount");
        bind(GetDiagField, "SQLGetDiagField");
        return missing.empty() ? std::string() : "missing:" + missing;
    }
};

bool ok(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The driver manager and the driver put "[vendor][driver][SQL Server]" before the text.
std::string withoutVendorPrefix(std::string text) {
    static const char* const kPrefixes[] = {"[unixODBC]", "[FreeTDS]", "[SQL Server]"};
    for (bool again = true; again;) {
        again = false;
        for (const char* p : kPrefixes) {
            if (text.compare(0, std::strlen(p), p) == 0) {
                text.erase(0, std::strlen(p));
                again = true;
            }
        }
    }
    return text;
}

// "12.50" (or "-.5", "7") as the scaled integer of `scale` places; false if it is not a plain
// decimal or has more than 38 digits.
bool scaledFromText(const std::string& text, int scale, tsqlite::dec::Wide& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const tsqlite::dec::Wide kLimit = tsqlite::dec::kPow10Wide[38] - 1;
    tsqlite::dec::Wide v = 0;
    int places = -1;
    bool digits = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && places < 0) {
            places = 0;
            continue;
        }
        if (c < '0' || c > '9') return false;
        if (places >= 0 && places == scale) {
            if (c != '0') return false;  // more places than the type has
            continue;
        }
        v = v * 10 + (c - '0');
        if (v > kLimit) return false;
        digits = true;
        if (places >= 0) ++places;
    }
    if (!digits) return false;
    for (int p = std::max(places, 0); p < scale; ++p) {
        v *= 10;
        if (v > kLimit) return false;
    }
    out = negative ? -v : v;
    return true;
}

// Runs scripts over one ODBC connection and hands what comes back to a Sink, in the order the
// server sent it, as a session hands its own results.
class OdbcScriptRunner {
public:
    explicit OdbcScriptRunner(const Driver& driver) : d_(driver) {}
    ~OdbcScriptRunner() {
        if (stmt_) d_.FreeHandle(SQL_HANDLE_STMT, stmt_);
        if (dbc_) {
            d_.Disconnect(dbc_);
            d_.FreeHandle(SQL_HANDLE_DBC, dbc_);
        }
        if (env_) d_.FreeHandle(SQL_HANDLE_ENV, env_);
    }

    // Empty on success, else why the connection failed.
    std::string connect(const std::string& connectionString) {
        d_.AllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        d_.SetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        d_.AllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLRETURN rc = d_.DriverConnect(dbc_, nullptr, (SQLCHAR*)connectionString.c_str(), SQL_NTS,
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!ok(rc)) {
            std::string why;
            for (const auto& d : diagnostics(SQL_HANDLE_DBC, dbc_)) why += d.text + "\n";
            return why.empty() ? "SQLDriverConnect failed" : why;
        }
        d_.AllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
        return {};
    }

    // A script as sqlcmd runs it: batches split at GO ("GO n" runs one n times).
    void runScript(const std::string& script, tsqlite::Sink& sink) {
        for (const auto& batch : tsqlite::splitScript(shell::normalizeScript(script))) {
            if (batch.text.find_first_not_of(" \t\r\n") == std::string::npos) continue;
            for (int n = 0; n < std::max(batch.repeat, 1); ++n) runBatch(batch.text, sink);
        }
    }

    // Whether the driver gave the messages' state and procedure (SQL Server's own driver does;
    // FreeTDS does not).
    bool givesStateAndProcedure() const { return givesStateAndProcedure_; }

private:
    struct Diag {
        std::string sqlState;
        int native = 0;
        std::string text;
        int severity = -1;  // -1: not given
        int state = -1;
        int line = 0;
        std::string procedure;
        std::string server;
    };

    std::vector<Diag> diagnostics(SQLSMALLINT type, SQLHANDLE h) {
        std::vector<Diag> out;
        SQLINTEGER count = 0;
        if (!ok(d_.GetDiagField(type, h, 0, SQL_DIAG_NUMBER, &count, sizeof count, nullptr)))
            return out;
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            Diag d;
            d.sqlState = text(type, h, i, SQL_DIAG_SQLSTATE);
            d.text = withoutVendorPrefix(text(type, h, i, SQL_DIAG_MESSAGE_TEXT));
            d.server = text(type, h, i, SQL_DIAG_SERVER_NAME);
            SQLINTEGER native = 0;
            if (ok(d_.GetDiagField(type, h, i, SQL_DIAG_NATIVE, &native, sizeof native, nullptr)))
                d.native = native;
            // Fixed-size fields still get their buffer's size: FreeTDS refuses the negative
            // SQL_IS_INTEGER lengths.
            SQLINTEGER severity = 0, msgState = 0;
            SQLUSMALLINT line = 0;
            const bool hasSeverity = ok(
                d_.GetDiagField(type, h, i, kDiagSsSeverity, &severity, sizeof severity, nullptr));
            const bool hasMsgState = ok(
                d_.GetDiagField(type, h, i, kDiagSsMsgState, &msgState, sizeof msgState, nullptr));
            if (hasSeverity) {
                d.severity = severity;
                if (hasMsgState) d.state = msgState;
                d.procedure = text(type, h, i, kDiagSsProcName);
            } else if (hasMsgState) {
                // FreeTDS files the severity as the message state.
                d.severity = msgState;
            }
            if (ok(d_.GetDiagField(type, h, i, kDiagSsLine, &line, sizeof line, nullptr)))
                d.line = line;
            out.push_back(std::move(d));
        }
        return out;
    }

    // A text field of a diagnostic record; empty when the driver does not give it.
    std::string text(SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT i, SQLSMALLINT field) {
        std::vector<char> buf(1024);
        SQLSMALLINT length = 0;
        if (!ok(d_.GetDiagField(type, h, i, field, buf.data(), static_cast<SQLSMALLINT>(buf.size()),
                                &length)))
            return {};
        if (length >= static_cast<SQLSMALLINT>(buf.size())) {
            buf.resize(static_cast<std::size_t>(length) + 1);
            if (!ok(d_.GetDiagField(type, h, i, field, buf.data(),
                                    static_cast<SQLSMALLINT>(buf.size()), &length)))
                return {};
        }
        return buf.data();
    }

    // The statement's messages since the last call, to the sink: informational ones (PRINT,
    // "Changed database context", severity 10 and below) as text, as sqlcmd shows them, the
    // rest as errors.
    void forwardDiagnostics(tsqlite::Sink& sink) {
        for (const auto& d : diagnostics(SQL_HANDLE_STMT, stmt_)) {
            const bool info = d.severity >= 0 ? d.severity <= 10 : d.sqlState.rfind("01", 0) == 0;
            if (info) {
                sink.message(d.text);
                continue;
            }
            if (d.state < 0) givesStateAndProcedure_ = false;
            tsqlite::Error e(d.native, d.text, d.severity >= 0 ? d.severity : (info ? 10 : 16),
                             d.state >= 0 ? d.state : 1, d.line);
            e.procedure = d.procedure;
            sink.error(e);
        }
    }

    void runBatch(const std::string& text, tsqlite::Sink& sink) {
        SQLRETURN rc =
            d_.ExecDirect(stmt_, (SQLCHAR*)text.c_str(), static_cast<SQLINTEGER>(text.size()));
        while (rc != SQL_NO_DATA && rc != SQL_INVALID_HANDLE) {
            forwardDiagnostics(sink);
            readResult(sink);
            rc = d_.MoreResults(stmt_);
        }
        d_.FreeStmt(stmt_, SQL_CLOSE);
    }

    void readResult(tsqlite::Sink& sink) {
        SQLSMALLINT count = 0;
        d_.NumResultCols(stmt_, &count);
        if (count > 0) {
            std::vector<tsqlite::Column> columns;
            for (SQLUSMALLINT c = 1; c <= count; ++c) columns.push_back(describe(c));
            sink.beginResultSet(columns);
            std::vector<tsqlite::Value> values(columns.size());
            SQLRETURN rc;
            while ((rc = d_.Fetch(stmt_)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
                for (std::size_t c = 0; c < columns.size(); ++c)
                    values[c] = fetch(static_cast<SQLUSMALLINT>(c + 1), columns[c].type);
                sink.row(values);
                forwardDiagnostics(sink);
            }
            sink.endResultSet();
            // An error that ended the rows comes after the rows sent before it.
            forwardDiagnostics(sink);
        }
        SQLLEN rows = -1;
        if (ok(d_.RowCount(stmt_, &rows)) && rows >= 0) sink.rowsAffected(rows);
    }

    tsqlite::Column describe(SQLUSMALLINT c) {
        SQLCHAR name[512] = {};
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        d_.DescribeCol(stmt_, c, name, sizeof name, &nameLength, &sqlType, &size, &digits,
                       &nullable);
        SQLCHAR typeName[128] = {};
        SQLSMALLINT typeNameLength = 0;
        d_.ColAttribute(stmt_, c, SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &typeNameLength,
                        nullptr);
        tsqlite::Column col;
        col.name = reinterpret_cast<char*>(name);
        col.nullable = nullable != SQL_NO_NULLS;
        std::string type = lower(reinterpret_cast<char*>(typeName));
        if (auto space = type.find(' '); space != std::string::npos) type.resize(space);
        if (auto t = tsqlite::SqlType::fromName(type)) col.type = *t;
        // FreeTDS names smalldatetime "datetime" and smallmoney "money"; their sizes tell them.
        if (col.type.base == tsqlite::BaseType::DateTime && digits == 0)
            col.type.base = tsqlite::BaseType::SmallDateTime;
        if (col.type.base == tsqlite::BaseType::Money && size == 10)
            col.type.base = tsqlite::BaseType::SmallMoney;
        if (col.type.base == tsqlite::BaseType::Decimal) {
            col.type.precision = static_cast<int>(size);
            col.type.scale = digits;
        } else if (col.type.isString() || col.type.isBinary()) {
            col.type.length = size == 0 || size > 8000 ? -1 : static_cast<int>(size);
        }
        return col;
    }

    // A column's value in the engine's form for its type.
    tsqlite::Value fetch(SQLUSMALLINT c, const tsqlite::SqlType& type) {
        using tsqlite::BaseType;
        using tsqlite::Value;
        SQLLEN indicator = 0;
        if (type.isInteger()) {
            SQLBIGINT v = 0;
            d_.GetData(stmt_, c, SQL_C_SBIGINT, &v, sizeof v, &indicator);
            return indicator == SQL_NULL_DATA ? Value::null() : Value::integer(v);
        }
        if (type.base == BaseType::Float || type.base == BaseType::Real) {
            double v = 0;
            d_.GetData(stmt_, c, SQL_C_DOUBLE, &v, sizeof v, &indicator);
            return indicator == SQL_NULL_DATA ? Value::null() : Value::real(v);
        }
        const bool binary = type.isBinary() || type.base == BaseType::Image;
        std::string data;
        if (!getAll(c, binary ? SQL_C_BINARY : SQL_C_CHAR, data)) return Value::null();
        if (binary) return Value::blob(std::move(data));
        if (tsqlite::dec::isScaled(type)) {
            tsqlite::dec::Wide scaled = 0;
            if (scaledFromText(data, tsqlite::dec::scaleOf(type), scaled))
                return tsqlite::dec::scaledValue(scaled);
        }
        return Value::text(std::move(data));
    }

    // The whole of a long value, piece by piece; false for NULL.
    bool getAll(SQLUSMALLINT c, SQLSMALLINT cType, std::string& out) {
        const std::size_t terminator = cType == SQL_C_CHAR ? 1 : 0;
        char buf[8192];
        for (;;) {
            SQLLEN indicator = 0;
            SQLRETURN rc = d_.GetData(stmt_, c, cType, buf, sizeof buf, &indicator);
            if (rc == SQL_NO_DATA) return true;
            if (!ok(rc)) return !out.empty();
            if (indicator == SQL_NULL_DATA) return false;
            std::size_t got = indicator == SQL_NO_TOTAL ||
                                      static_cast<std::size_t>(indicator) > sizeof buf - terminator
                                  ? sizeof buf - terminator
                                  : static_cast<std::size_t>(indicator);
            out.append(buf, got);
            if (rc == SQL_SUCCESS) return true;
        }
    }

    const Driver& d_;
    SQLHENV env_ = SQL_NULL_HANDLE;
    SQLHDBC dbc_ = SQL_NULL_HANDLE;
    SQLHSTMT stmt_ = SQL_NULL_HANDLE;
    bool givesStateAndProcedure_ = true;
};

// "Msg 208, Level 16, State 1, Server tsqlite, Procedure P, Line 2" without the state and the
// procedure, for a driver that does not give them.
std::string withoutStateAndProcedure(const std::string& text) {
    static const std::regex header(
        R"(^(Msg -?\d+, Level \d+), State \d+, (Server [^,\n]*)(, Procedure [^,\n]*)?, (Line \d+)$)");
    std::string out;
    for (const auto& line : splitLines(text)) {
        out += std::regex_replace(line, header, "$1, $2, $4");
        out += '\n';
    }
    return out;
}

// The output without the column header of a result set whose first row failed (the header and
// its dashes directly followed by the error), for FreeTDS, which drops the result's columns when
// an error comes before the first row.
std::string withoutHeadersOfFailedResults(const std::string& text) {
    const std::vector<std::string> lines = splitLines(text);
    auto isDashes = [](const std::string& l) {
        return !l.empty() && l.find('-') != std::string::npos &&
               l.find_first_not_of("-|") == std::string::npos;
    };
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i + 2 < lines.size() && isDashes(lines[i + 1]) && lines[i + 2].rfind("Msg ", 0) == 0) {
            ++i;
            continue;
        }
        out += lines[i];
        out += '\n';
    }
    return out;
}

class GoldenOverOdbc : public ::testing::Test {
public:
    explicit GoldenOverOdbc(std::string name) : name_(std::move(name)) {}

    void SetUp() override {
        if (!fs::exists(kDriver)) GTEST_SKIP() << "tdsodbc is not installed";
        std::string tmpl = (fs::temp_directory_path() / "tsqlite-golden-odbc-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        tsqlite::createServer((dir_ / "server").string());
        options_.serverDir = (dir_ / "server").string();
        options_.port = 0;
        options_.log = [](const std::string&) {};
        listener_ = std::make_unique<tsqlite::tds::Listener>(options_);
        listener_->start();
    }

    void TearDown() override {
        if (listener_) listener_->stop();
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    void TestBody() override {
        const fs::path input = fs::path(GOLDEN_DIR) / "input" / (name_ + ".sql");
        const fs::path expectedFile = fs::path(GOLDEN_DIR) / "expected" / (name_ + ".out");
        ASSERT_TRUE(fs::exists(expectedFile)) << expectedFile.string() << " is missing";

        Driver driver;
        const std::string unloadable = driver.load(kDriver);
        ASSERT_TRUE(unloadable.empty()) << kDriver << ": " << unloadable;
        OdbcScriptRunner runner(driver);
        const std::string connection =
            std::string("Driver=") + kDriver +
            ";Server=127.0.0.1;Port=" + std::to_string(listener_->port()) +
            ";UID=" + options_.user + ";PWD=" + options_.password +
            ";Database=master;TDS_Version=7.4;ClientCharset=UTF-8";
        const std::string failure = runner.connect(connection);
        ASSERT_TRUE(failure.empty()) << failure;

        std::ostringstream out;
        shell::ResultPrinter printer(out, shell::Format{0, true, "|"});
        runner.runScript(readFile(input), printer);

        std::string actual = out.str(), expected = readFile(expectedFile);
        if (!runner.givesStateAndProcedure()) {
            actual = withoutStateAndProcedure(actual);
            expected = withoutStateAndProcedure(expected);
        }
        actual = withoutHeadersOfFailedResults(actual);
        expected = withoutHeadersOfFailedResults(expected);
        const auto known = kKnownDifferences.find(name_);
        if (actual == expected) {
            EXPECT_TRUE(known == kKnownDifferences.end())
                << name_ << " now matches: take it off the known differences";
            return;
        }
        const fs::path actualFile = fs::path(::testing::internal::GetArgvs()[0]).parent_path() /
                                    "golden-odbc-actual" / (name_ + ".out");
        writeFile(actualFile, out.str());
        std::ostringstream report;
        report << name_ << ".sql over ODBC differs from " << expectedFile.string()
               << "\nactual output written to " << actualFile.string() << "\n"
               << lineDiff(expected, actual);
        if (known != kKnownDifferences.end()) {
            std::cout << "known difference (" << known->second << "):\n" << report.str();
            return;
        }
        ADD_FAILURE() << report.str();
    }

private:
    std::string name_;
    fs::path dir_;
    tsqlite::tds::ListenOptions options_;
    std::unique_ptr<tsqlite::tds::Listener> listener_;
};

// The runner's own reading of what the driver gives, which the scripts alone would not pin down.
TEST(GoldenOdbcRunner, DecimalTextBecomesTheExactScaledValue) {
    tsqlite::dec::Wide v = 0;
    ASSERT_TRUE(scaledFromText("-922337203685477.5808", 4, v));  // money's least value
    EXPECT_TRUE(v == INT64_MIN);
    ASSERT_TRUE(scaledFromText("922337203685477.5807", 4, v));
    EXPECT_TRUE(v == INT64_MAX);
    // Past 64 bits, every digit up to 38.
    ASSERT_TRUE(scaledFromText("-99999999999999999999999999999999999999", 0, v));
    EXPECT_TRUE(v == -(tsqlite::dec::kPow10Wide[38] - 1));
    EXPECT_FALSE(scaledFromText("100000000000000000000000000000000000000", 0, v));
    EXPECT_FALSE(scaledFromText("1", 38, v));
    ASSERT_TRUE(scaledFromText("-.5", 2, v));
    EXPECT_TRUE(v == -50);
    ASSERT_TRUE(scaledFromText("7", 3, v));
    EXPECT_TRUE(v == 7000);
    EXPECT_FALSE(scaledFromText("1.234", 2, v));
    EXPECT_FALSE(scaledFromText("1e5", 0, v));
    EXPECT_FALSE(scaledFromText("-", 0, v));
}

TEST(GoldenOdbcRunner, LeavesOutOnlyWhatTheDriverCannotGive) {
    EXPECT_EQ(withoutStateAndProcedure("Msg 208, Level 16, State 1, Server tsqlite, Procedure "
                                       "P, Line 2\nInvalid object name 'X'.\n"),
              "Msg 208, Level 16, Server tsqlite, Line 2\nInvalid object name 'X'.\n");
    // A header followed by the error loses its header; one followed by rows keeps it.
    EXPECT_EQ(withoutHeadersOfFailedResults("A|B\n-|-\nMsg 8115, Level 16\nx\n"),
              "Msg 8115, Level 16\nx\n");
    EXPECT_EQ(withoutHeadersOfFailedResults("A|B\n-|-\n1|2\nMsg 8115, Level 16\n"),
              "A|B\n-|-\n1|2\nMsg 8115, Level 16\n");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const auto names = goldenNames(fs::path(GOLDEN_DIR));
    for (const auto& name : names) {
        ::testing::RegisterTest("golden", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                [name]() -> ::testing::Test* { return new GoldenOverOdbc(name); });
    }
    // Without this an empty or missing input folder would pass silently.
    if (names.empty()) {
        std::cerr << "no golden scripts in " << GOLDEN_DIR << "/input\n";
        return 1;
    }
    return RUN_ALL_TESTS();
}
