#pragma once
// Helpers for the database script tests: throw-away servers built from sql/, single values,
// and the procedure calls the client makes.
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

#include "tsqlite/parser.h"
#include "tsqlite/session.h"

namespace sqltest {

namespace fs = std::filesystem;
using tsqlite::Value;

inline const std::vector<std::string> kConfigScripts = {"config/tables.sql",
                                                        "config/procedures.sql"};
inline const std::vector<std::string> kCompanyScripts = {
    "company/common_tables.sql", "company/common_procedures.sql", "company/product_tables.sql",
    "company/sales_tables.sql"};
inline const std::vector<std::string> kReportScripts = {"report/soldout_tables.sql"};

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "sql-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Scripting variables of the demo scripts: $(Name) -> value.
using Variables = std::vector<std::pair<std::string, std::string>>;

inline std::string substituted(std::string text, const Variables& variables) {
    for (const auto& [name, value] : variables) {
        const std::string ref = "$(" + name + ")";
        for (size_t at = text.find(ref); at != std::string::npos; at = text.find(ref, at))
            text.replace(at, ref.size(), value);
    }
    return text;
}

inline std::string shellQuoted(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

// Runs sql/<name> batch by batch; the first error names the file and the batch's line.
inline void runScripts(tsqlite::Session& s, const std::vector<std::string>& names,
                       const Variables& variables = {}) {
    for (const auto& name : names) {
        for (const auto& batch : tsqlite::splitScript(
                 substituted(readFile(fs::path(BACKOFFICE_SQL_DIR) / name), variables))) {
            try {
                s.query(batch.text);
            } catch (const tsqlite::Error& e) {
                throw std::runtime_error(name + ":" + std::to_string(batch.firstLine) + ": " +
                                         e.message);
            }
        }
    }
}

// A server in a temporary folder with one database built from the given scripts.
struct ScriptedServer {
    TempDir tmp;
    std::string dir = (tmp.path() / "server").string();
    std::unique_ptr<tsqlite::Session> db;

    ScriptedServer(const std::string& database, const std::vector<std::string>& scripts) {
        tsqlite::createServer(dir);
        tsqlite::Session(dir, "master").query("CREATE DATABASE " + database);
        db = std::make_unique<tsqlite::Session>(dir, database);
        runScripts(*db, scripts);
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
