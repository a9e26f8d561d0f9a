#pragma once
// Helpers for the database script tests: single values and the procedure calls the client
// makes, on the throw-away servers of tests/common.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/common/temp_server.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"

namespace sqltest {

namespace fs = std::filesystem;
using tsqlite::Value;

using testsupport::kCompanyScripts;
using testsupport::kConfigScripts;
using testsupport::kReportScripts;
using testsupport::readFile;
using testsupport::runScripts;
using testsupport::substituted;
using testsupport::Variables;
using TempDir = testsupport::TempFolder;

inline std::string shellQuoted(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

// A server in a temporary folder with one database built from the given scripts.
struct ScriptedServer {
    testsupport::TempServer server;
    std::string dir = server.dir();
    std::unique_ptr<tsqlite::Session> db;

    ScriptedServer(const std::string& database, const std::vector<std::string>& scripts) {
        server.createDatabase(database, scripts);
        db = server.open(database);
    }
};

// The rows of a one-result-set batch, by value (safe to loop over directly).
inline std::vector<std::vector<Value>> rowsOf(tsqlite::Session& s, const std::string& sql) {
    return s.query(sql).at(0).rows;
}

// Everything a script run could change: the catalog and every row of every table.
inline std::string snapshot(tsqlite::Session& s) {
    std::vector<std::string> lines;
    auto dump = [&](const std::string& what, const std::string& sql) {
        for (const auto& row : rowsOf(s, sql)) {
            std::string line = what;
            for (const auto& v : row)
                line += "|" + std::to_string(v.i) + "," + std::to_string(v.f) + "," + v.s;
            lines.push_back(line);
        }
    };
    dump("object", "SELECT name, id, xtype, parent_obj, crdate FROM SysObjects");
    dump("column",
         "SELECT id, colid, name, xtype, length, prec, scale, isnullable FROM SysColumns");
    dump("index", "SELECT id, name, indid, keycnt FROM SysIndexes");
    for (const auto& t : rowsOf(s, "SELECT name FROM SysObjects WHERE xtype = 'U'"))
        dump(t[0].s, "SELECT * FROM [" + t[0].s + "]");
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// First column of the first row, as text ("" for NULL or no row).
inline std::string scalar(tsqlite::Session& s, const std::string& sql,
                          const tsqlite::Params& params = {}) {
    auto sets = s.query(sql, params);
    if (sets.empty() || sets[0].rows.empty()) return "";
    const Value& v = sets[0].rows[0][0];
    return v.kind == Value::Kind::Int ? std::to_string(v.i) : v.s;
}

// Index of a result set's column by name (letter case ignored); throws when missing.
inline size_t column(const tsqlite::ResultSet& rs, const std::string& name) {
    auto lower = [](std::string t) {
        for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return t;
    };
    for (size_t i = 0; i < rs.columns.size(); ++i)
        if (lower(rs.columns[i].name) == lower(name)) return i;
    throw std::runtime_error("no column " + name);
}

inline std::string output(const tsqlite::ProcResult& r, const std::string& name) {
    const Value& v = r.outputs.at(name);
    return v.kind == Value::Kind::Int ? std::to_string(v.i) : v.s;
}

inline std::string draw(tsqlite::Session& s, const std::string& code, int year) {
    return output(s.callProcedure("NewDocumentNo", {{"@DocCode", Value::text(code)},
                                                    {"@DocYear", Value::integer(year)},
                                                    {"@NewNo", Value::null(), true}}),
                  "@NewNo");
}

inline tsqlite::ProcResult menuCaption(tsqlite::Session& s, int menu, int user) {
    std::vector<tsqlite::ProcArgument> args = {{"@MENUID", Value::integer(menu)},
                                               {"@USERID", Value::integer(user)}};
    for (const char* out :
         {"@CAPTION", "@ACCESS_R", "@ADD_R", "@MODIFY_R", "@DELETE_R", "@USERCODE", "@SALESID"})
        args.push_back({out, Value::null(), true});
    return s.callProcedure("MENUCAPTION", args);
}

inline int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

}  // namespace sqltest
