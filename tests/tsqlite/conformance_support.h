#pragma once
// Helpers for the conformance tests: the client's statements run on a throw-away server
// built from the fixture scripts in tests/tsqlite/data/conformance.
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "statements/Lines.h"
#include "tests/common/temp_server.h"
#include "tsqlite/session.h"

namespace conformance {

using tsqlite::Params;
using tsqlite::Value;

// Parameter values, as the client's database layer binds them.
inline Value T(std::string s) {
    return Value::text(std::move(s));
}
inline Value I(long long v) {
    return Value::integer(v);
}
inline Value F(double v) {
    return Value::real(v);
}
inline Value Null() {
    return Value::null();
}

// How a test's statements reach the server: the engine's session in-process, or, with
// CONFORMANCE_OVER_TDS=1, the client's ODBC path through FreeTDS against a TDS listener on the
// same server, so both paths must give the same answers.
class Client {
public:
    virtual ~Client() = default;
    // Runs a batch with the client's :name parameters; a failing batch throws tsqlite::Error
    // with the server's number.
    virtual std::vector<tsqlite::ResultSet> run(const std::string& sql, const Params& params) = 0;
    // Calls a stored procedure by name (an RPC over TDS), with its outputs and return value.
    virtual tsqlite::ProcResult call(const std::string& name,
                                     const std::vector<tsqlite::ProcArgument>& args) = 0;
};

bool overTds();

// The client that runs statements for a session opened by TempServer::open: the session
// itself, or the ODBC connection opened beside it to the same database.
Client& clientFor(tsqlite::Session& session);

// A TDS listener on a server directory, and ODBC connections to it (conformance_odbc.cpp).
class TdsEndpoint {
public:
    virtual ~TdsEndpoint() = default;
    virtual std::unique_ptr<Client> connect(const std::string& database) = 0;
};
std::unique_ptr<TdsEndpoint> startTdsEndpoint(const std::string& serverDir);

// The throw-away server folder of every test program (tests/common), with, over TDS, a
// listener on it and an ODBC connection beside every session opened.
class TempServer {
public:
    TempServer();
    ~TempServer();
    TempServer(const TempServer&) = delete;
    TempServer& operator=(const TempServer&) = delete;

    const std::string& dir() const { return server_.dir(); }
    const std::filesystem::path& root() const { return server_.root(); }
    void createDatabase(const std::string& name) { server_.createDatabase(name); }
    void createDatabase(const std::string& name, const std::vector<std::string>& scripts,
                        const testsupport::Variables& variables = {}) {
        server_.createDatabase(name, scripts, variables);
    }
    std::unique_ptr<tsqlite::Session> open(const std::string& database);

private:
    struct Tds;
    testsupport::TempServer server_;
    std::unique_ptr<Tds> tds_;  // the listener and its connections, over TDS only
};

std::string fixturePath(const std::string& fileName);
std::string readFile(const std::string& path);

// Runs every GO-separated batch of a fixture script; a failing batch throws an error that
// names the file and the line the batch starts at.
void runFixture(tsqlite::Session& session, const std::string& fileName);

// The databases as sql/ makes them: a company database with every table and procedure of
// sql/company (plus the stand-in print procedure of print_request.sql), and a configuration
// database of sql/config (without the columns the client's upgrade script adds).
void runCompanyScripts(tsqlite::Session& session);
void runConfigScripts(tsqlite::Session& session);

// Runs a script as the client's runner does (statements::runnerStatements): statement by
// statement, each with the script parameters it names (tsqlite::parameterNames). Returns the result
// sets of all statements.
std::vector<tsqlite::ResultSet> runScript(tsqlite::Session& session, const std::string& script,
                                          const Params& params = {});

// Joins program lines with line breaks, the way a statement held as a list of lines reaches
// the server.
using statements::lines;
std::string joinLines(const std::vector<std::string>& parts);

// One result set with accessors by column name (case-insensitive, first match).
class Rows {
public:
    Rows() = default;
    explicit Rows(tsqlite::ResultSet rs) : rs_(std::move(rs)) {}

    size_t size() const { return rs_.rows.size(); }
    bool empty() const { return rs_.rows.empty(); }
    int column(const std::string& name) const;  // -1 when absent
    bool has(const std::string& name) const { return column(name) >= 0; }
    const Value& at(size_t row, const std::string& name) const;

    std::string str(size_t row, const std::string& name) const;  // text as stored, "" for NULL
    double num(size_t row, const std::string& name) const;       // 0 for NULL
    long long integer(size_t row, const std::string& name) const;
    bool isNull(size_t row, const std::string& name) const;
    std::vector<std::string> strings(
        const std::string& name) const;  // whole column, trailing blanks cut
    const tsqlite::ResultSet& raw() const { return rs_; }

private:
    tsqlite::ResultSet rs_;
};

// Runs a batch that must produce exactly one result set.
Rows query(tsqlite::Session& session, const std::string& sql, const Params& params = {});
// Runs a batch for its side effects, throwing its first error.
void exec(tsqlite::Session& session, const std::string& sql, const Params& params = {});
// First column of the first row of a one-row query.
Value scalar(tsqlite::Session& session, const std::string& sql, const Params& params = {});
long long count(tsqlite::Session& session, const std::string& sql, const Params& params = {});
// Calls a procedure as the client does.
tsqlite::ProcResult callProcedure(tsqlite::Session& session, const std::string& name,
                                  const std::vector<tsqlite::ProcArgument>& args = {});

std::string text(const Value& v);
double num(const Value& v);
std::string rtrim(std::string s);

// Procedure outputs by name, without regard to letter case.
const Value& output(const tsqlite::ProcResult& r, const std::string& name);

// A branch company database with the start-up script run and branch 0029's fixture loaded.
std::unique_ptr<tsqlite::Session> openBranchDatabase(TempServer& server, const std::string& name);

// Dates on the local clock (the one the embedded server's GetDate() reads).
struct Day {
    int year, month, day;
};
Day today(int offsetDays = 0);
std::string isoDate(const Day& d);   // YYYY-MM-DD
std::string dmyDate(const Day& d);   // DD/MM/YYYY
std::string midnight(const Day& d);  // YYYY-MM-DD 00:00:00.000
int currentYear();
// Seconds between a server datetime text and the local clock now.
double secondsFromNow(const std::string& datetime);

}  // namespace conformance
