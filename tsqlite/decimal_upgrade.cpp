// Databases written before decimals were scaled hold their decimal, numeric and money columns
// as REAL. They are brought to the scaled form once, when the database is attached, so that
// every statement sees one stored form.
#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

#include "tsqlite/decimal.h"
#include "tsqlite/engine.h"

namespace tsqlite::dec {

namespace {

std::vector<std::vector<std::string>> rows(sqlite3* db, const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
        out.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return out;
}

bool exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace

bool upgradeStoredDecimals(sqlite3* db, const std::string& schema) {
    const std::string s = quoteIdent(schema);
    // Scaled columns of user tables, by table.
    std::map<std::string, std::vector<std::pair<std::string, SqlType>>> tables;
    for (auto& r : rows(db, "SELECT o.name, c.name, c.type FROM " + s + ".__tsq_objects o JOIN " +
                                s + ".__tsq_columns c ON c.id = o.id WHERE o.xtype = 'U'")) {
        auto t = SqlType::parse(r[2]);
        if (t && isScaled(*t)) tables[r[0]].emplace_back(r[1], *t);
    }
    struct Change {
        std::string table, oldSql, newSql;
        std::vector<std::pair<std::string, SqlType>> columns;
    };
    std::vector<Change> changes;
    for (auto& [table, cols] : tables) {
        auto ddl =
            rows(db, "SELECT sql FROM " + s +
                         ".sqlite_master WHERE type = 'table' AND name = " + quoteLiteral(table));
        if (ddl.empty()) continue;
        Change c{table, ddl[0][0], ddl[0][0], {}};
        for (auto& [name, type] : cols) {
            const std::string was = quoteIdent(name) + " REAL";
            auto at = c.newSql.find(was);
            if (at == std::string::npos) continue;
            c.newSql.replace(at, was.size(), quoteIdent(name) + " INTEGER");
            c.columns.emplace_back(name, type);
        }
        if (!c.columns.empty()) changes.push_back(std::move(c));
    }
    if (changes.empty()) return true;

    // The declared types change in place (SQLite's documented way for a change that leaves the
    // stored records readable), then the values are scaled, all in one transaction.
    if (!exec(db, "SAVEPOINT tsq_upgrade")) return false;
    bool ok = true;
    auto version = rows(db, "PRAGMA " + s + ".schema_version");
    ok = !version.empty() && exec(db, "PRAGMA writable_schema = ON");
    for (auto& c : changes) {
        if (!ok) break;
        ok = exec(db, "UPDATE " + s + ".sqlite_master SET sql = " + quoteLiteral(c.newSql) +
                          " WHERE type = 'table' AND name = " + quoteLiteral(c.table));
    }
    if (ok)
        ok = exec(db, "PRAGMA " + s +
                          ".schema_version = " + std::to_string(std::stoll(version[0][0]) + 1));
    exec(db, "PRAGMA writable_schema = OFF");
    for (auto& c : changes) {
        if (!ok) break;
        std::string set;
        for (auto& [name, type] : c.columns)
            // Every value is still the number itself, whatever SQLite now reads it as: a whole
            // REAL was kept on disk as an integer and reads as one under the new type.
            set += (set.empty() ? "" : ", ") + quoteIdent(name) + " = tsq_dfromreal(" +
                   quoteIdent(name) + "," + std::to_string(scaleOf(type)) + ")";
        ok = exec(db, "UPDATE " + s + "." + quoteIdent(c.table) + " SET " + set);
    }
    if (!ok) {
        exec(db, "ROLLBACK TO tsq_upgrade");
        exec(db, "RELEASE tsq_upgrade");
        return false;
    }
    return exec(db, "RELEASE tsq_upgrade");
}

}  // namespace tsqlite::dec
