#pragma once
// Internals shared by the catalog, the translator and the interpreter.
#include <sqlite3.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tsqlite/ast.h"
#include "tsqlite/error.h"
#include "tsqlite/session.h"
#include "tsqlite/types.h"

namespace tsqlite {

// Gives a variable back its value when the scope ends, however it ends.
template <typename T>
struct Restore {
    T& ref;
    T saved;
    ~Restore() { ref = std::move(saved); }
};

std::string lower(std::string_view s);
// s in lower case (ASCII letters only) added to out, without a string of its own.
void appendLower(std::string& out, std::string_view s);
std::string quoteIdent(std::string_view s);    // "name" with "" escaping
std::string quoteLiteral(std::string_view s);  // 'text' with '' escaping
std::string valueLiteral(const Value& v);      // SQLite literal of a value
// "[db].dbo.[T]" -> {"db", "dbo", "T"}: the parts of a name written as text.
std::vector<std::string> splitObjectName(std::string_view name);

// ---- catalog -------------------------------------------------------------------------------

struct ColumnInfo {
    std::string name;
    SqlType type;
    bool nullable = true;
    bool identity = false;
    long long seed = 1, step = 1;
    std::string defaultExpr;  // T-SQL text of the DEFAULT expression, empty when none
};

struct TableInfo {
    long long id = 0;
    std::string name;    // as created
    std::string schema;  // SQLite schema alias of its database ("temp" for #tables)
    std::string dbName;  // database name as the catalog knows it
    std::vector<ColumnInfo> columns;
    int identityColumn = -1;
    bool system = false;      // sysobjects and friends: read-only, served by a query
    std::string systemQuery;  // SQLite select producing the system view's rows

    const ColumnInfo* column(std::string_view name, int* index = nullptr) const;
    std::string sqlName() const;  // "schema"."name" or the system view's derived table
};

struct IndexInfo {
    std::string name;
    std::string table;
    bool unique = false;
    bool primaryKey = false;
    bool constraint = false;  // PRIMARY KEY or UNIQUE constraint rather than CREATE INDEX
    std::vector<std::string> columns;
};

// One database's catalog as read from its __tsq tables.
struct DbCatalog {
    std::string name;    // database name
    std::string schema;  // SQLite schema alias
    long long version = -1;
    std::map<std::string, std::shared_ptr<TableInfo>> tables;  // by lower name
    std::map<std::string, SqlType> userTypes;                  // by lower name
    std::map<std::string, bool> userTypeNullable;
    std::vector<IndexInfo> indexes;
};

// The SQL that creates the engine's own catalog tables in a new database file.
extern const char* const kCatalogSchema;

// ---- values on SQLite ------------------------------------------------------------------------

// Binds a copy of v; with copy false, v itself, which must then outlive every step of st until
// it is bound again (a large parameter is not copied for each statement that reads it).
void bindValue(sqlite3_stmt* st, int index, const Value& v, bool copy = true);
Value columnValue(sqlite3_stmt* st, int index);
// The same, into a value whose text keeps its room: a statement's rows are read into one row
// of values, again and again.
void readColumn(sqlite3_stmt* st, int index, Value& out);

// ---- translation ------------------------------------------------------------------------------

struct Variable {
    SqlType type;
    Value value;
};

// A statement ready for SQLite: its text, the variables and parameters to bind (in ?N order),
// and the typed columns it returns.
struct Translated {
    std::string sql;
    std::vector<std::string> binds;  // "@var" for variables, ":name" for client parameters
    std::vector<Column> columns;
    std::vector<std::string> assignVars;  // SELECT @a = ..., @b = ...: one per column
};

class Session;

}  // namespace tsqlite
