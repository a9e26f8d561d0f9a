// What engine.h declares for the whole engine: the schema of the catalog tables every database
// holds, quoting of names and literals, splitting object names, moving values in and out of
// SQLite statements, and column lookup in a table's description.
#include <cmath>
#include <cstdio>

#include "tsqlite/engine.h"

namespace tsqlite {

const char* const kCatalogSchema = R"sql(
CREATE TABLE IF NOT EXISTS __tsq_meta(version INTEGER NOT NULL);
INSERT INTO __tsq_meta SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM __tsq_meta);
CREATE TABLE IF NOT EXISTS __tsq_objects(
    id INTEGER PRIMARY KEY, name TEXT NOT NULL, xtype TEXT NOT NULL,
    parent_obj INTEGER NOT NULL DEFAULT 0, definition TEXT, crdate TEXT);
CREATE INDEX IF NOT EXISTS __tsq_objects_name ON __tsq_objects(name COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS __tsq_columns(
    id INTEGER NOT NULL, colid INTEGER NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL,
    usertype TEXT, nullable INTEGER NOT NULL, isidentity INTEGER NOT NULL DEFAULT 0,
    seed INTEGER, step INTEGER, last INTEGER, defaultexpr TEXT,
    xtype INTEGER, length INTEGER, prec INTEGER, scale INTEGER,
    PRIMARY KEY(id, colid));
CREATE TABLE IF NOT EXISTS __tsq_indexes(
    id INTEGER NOT NULL, name TEXT NOT NULL, indid INTEGER NOT NULL, isunique INTEGER NOT NULL,
    isprimary INTEGER NOT NULL, columns TEXT NOT NULL, sqlname TEXT,
    PRIMARY KEY(id, indid));
CREATE TABLE IF NOT EXISTS __tsq_types(
    name TEXT PRIMARY KEY COLLATE NOCASE, base TEXT NOT NULL, nullable INTEGER NOT NULL);
)sql";

void appendLower(std::string& out, std::string_view s) {
    for (char c : s) out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lower(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    appendLower(r, s);
    return r;
}

std::string quoteIdent(std::string_view s) {
    std::string r = "\"";
    for (char c : s) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + "\"";
}

std::string quoteLiteral(std::string_view s) {
    if (s.find('\0') != std::string_view::npos) {
        // SQLite's statement text ends at a NUL; such a text goes over as its bytes.
        static const char digits[] = "0123456789ABCDEF";
        std::string r = "CAST(X'";
        for (unsigned char c : s) {
            r += digits[c >> 4];
            r += digits[c & 15];
        }
        return r + "' AS TEXT)";
    }
    std::string r = "'";
    for (char c : s) {
        if (c == '\'') r += '\'';
        r += c;
    }
    return r + "'";
}

std::string valueLiteral(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Null:
            return "NULL";
        case Value::Kind::Int:
            return std::to_string(v.i);
        case Value::Kind::Float: {
            if (std::isnan(v.f) || std::isinf(v.f)) return "NULL";
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", v.f);
            std::string s = buf;
            if (s.find_first_of(".eE") == std::string::npos) s += ".0";
            return s;
        }
        case Value::Kind::Text:
            return quoteLiteral(v.s);
        case Value::Kind::Blob: {
            static const char* hex = "0123456789ABCDEF";
            std::string r = "X'";
            for (unsigned char c : v.s) {
                r += hex[c >> 4];
                r += hex[c & 15];
            }
            return r + "'";
        }
    }
    return "NULL";
}

std::vector<std::string> splitObjectName(std::string_view name) {
    std::vector<std::string> parts;
    std::string cur;
    bool bracket = false;
    for (char ch : name) {
        if (ch == '[' && !bracket) {
            bracket = true;
        } else if (ch == ']' && bracket) {
            bracket = false;
        } else if (ch == '.' && !bracket) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += ch;
        }
    }
    parts.push_back(cur);
    return parts;
}

void bindValue(sqlite3_stmt* st, int index, const Value& v, bool copy) {
    const auto keep = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
    switch (v.kind) {
        case Value::Kind::Null:
            sqlite3_bind_null(st, index);
            break;
        case Value::Kind::Int:
            sqlite3_bind_int64(st, index, v.i);
            break;
        case Value::Kind::Float:
            sqlite3_bind_double(st, index, v.f);
            break;
        case Value::Kind::Text:
            sqlite3_bind_text64(st, index, v.s.data(), v.s.size(), keep, SQLITE_UTF8);
            break;
        case Value::Kind::Blob:
            sqlite3_bind_blob64(st, index, v.s.data(), v.s.size(), keep);
            break;
    }
}

void readColumn(sqlite3_stmt* st, int index, Value& out) {
    // One call reaches the column; the sqlite3_column_* calls would each look it up again. A
    // session's connection is used by one thread at a time, so its value may be read directly.
    sqlite3_value* v = sqlite3_column_value(st, index);
    out.i = 0;
    out.f = 0;
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            out.kind = Value::Kind::Int;
            out.i = sqlite3_value_int64(v);
            out.s.clear();
            return;
        case SQLITE_FLOAT:
            out.kind = Value::Kind::Float;
            out.f = sqlite3_value_double(v);
            out.s.clear();
            return;
        case SQLITE_TEXT: {
            auto p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            out.kind = Value::Kind::Text;
            out.s.assign(p, static_cast<size_t>(sqlite3_value_bytes(v)));
            return;
        }
        case SQLITE_BLOB: {
            auto p = static_cast<const char*>(sqlite3_value_blob(v));
            out.kind = Value::Kind::Blob;
            out.s.assign(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
            return;
        }
        default:
            out.kind = Value::Kind::Null;
            out.s.clear();
    }
}

Value columnValue(sqlite3_stmt* st, int index) {
    Value v;
    readColumn(st, index, v);
    return v;
}

const ColumnInfo* TableInfo::column(std::string_view n, int* index) const {
    std::string l = lower(n);
    for (size_t i = 0; i < columns.size(); ++i)
        if (lower(columns[i].name) == l) {
            if (index) *index = static_cast<int>(i);
            return &columns[i];
        }
    return nullptr;
}

std::string TableInfo::sqlName() const {
    if (system) return "(" + systemQuery + ")";
    return quoteIdent(schema) + "." + quoteIdent(name);
}

}  // namespace tsqlite
