#include "tsqlite/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <mutex>
#include <set>

#include "tsqlite/decimal.h"
#include "tsqlite/engine.h"
#include "tsqlite/parser.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"
#include "tsqlite/translate.h"

namespace fs = std::filesystem;

namespace tsqlite {

void initDatabaseFile(const std::string& path);

namespace {

// Databases made in WAL mode move to the rollback journal, which lets a transaction over
// several databases commit as one. The switch needs the file to itself: while another session
// has it open it stays as it is and is tried again at the next open.
void leaveWal(const std::string& path) {
    // Bytes 18 and 19 of SQLite's header are 2 in WAL mode.
    char header[20] = {};
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        size_t n = std::fread(header, 1, sizeof header, f);
        std::fclose(f);
        if (n < sizeof header || header[18] != 2 || header[19] != 2) return;
    } else {
        return;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

constexpr int kMaxAttached = 10;
constexpr size_t kMaxParsedBatches = 2000;
constexpr int kMaxNesting = 32;

std::string dbFile(const std::string& dir, const std::string& name) {
    return (fs::path(dir) / (lower(name) + ".sqlite")).string();
}

// A database name becomes a file name in the server folder: it must stay a plain name there,
// never a path to somewhere else.
bool validDatabaseName(const std::string& name) {
    if (name.empty() || name.size() > 128 || name.find("..") != std::string::npos) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f ||
            std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

Error databaseNotFound(const std::string& name) {
    return Error(911,
                 "Database '" + name +
                     "' does not exist. Make sure that the name is entered "
                     "correctly.",
                 16, 1);
}

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string sqliteAffinity(const SqlType& t) {
    if (t.isInteger() || dec::isScaled(t)) return "INTEGER";
    if (t.isNumeric()) return "REAL";
    if (t.isBinary()) return "BLOB";
    if (t.isString()) return "TEXT COLLATE TSQL";
    return "TEXT";
}

// SQL Server's system type ids and byte lengths, for syscolumns.
int systemTypeId(const SqlType& t) {
    switch (t.base) {
        case BaseType::Bit:
            return 104;
        case BaseType::TinyInt:
            return 48;
        case BaseType::SmallInt:
            return 52;
        case BaseType::Int:
            return 56;
        case BaseType::BigInt:
            return 127;
        case BaseType::Decimal:
            return 106;
        case BaseType::Money:
            return 60;
        case BaseType::SmallMoney:
            return 122;
        case BaseType::Float:
            return 62;
        case BaseType::Real:
            return 59;
        case BaseType::Char:
            return 175;
        case BaseType::VarChar:
            return 167;
        case BaseType::NChar:
            return 239;
        case BaseType::NVarChar:
            return 231;
        case BaseType::Text:
            return 35;
        case BaseType::NText:
            return 99;
        case BaseType::DateTime:
            return 61;
        case BaseType::SmallDateTime:
            return 58;
        case BaseType::Date:
            return 40;
        case BaseType::Time:
            return 41;
        case BaseType::Binary:
            return 173;
        case BaseType::VarBinary:
            return 165;
        case BaseType::Image:
            return 34;
        case BaseType::UniqueIdentifier:
            return 36;
        default:
            return 0;
    }
}

int byteLength(const SqlType& t) {
    switch (t.base) {
        case BaseType::Bit:
        case BaseType::TinyInt:
            return 1;
        case BaseType::SmallInt:
            return 2;
        case BaseType::Int:
        case BaseType::Real:
        case BaseType::SmallMoney:
        case BaseType::SmallDateTime:
            return 4;
        case BaseType::BigInt:
        case BaseType::Float:
        case BaseType::Money:
        case BaseType::DateTime:
            return 8;
        case BaseType::Date:
            return 3;
        case BaseType::Time:
            return 5;
        case BaseType::Decimal:
            return t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
        case BaseType::UniqueIdentifier:
            return 16;
        case BaseType::Text:
        case BaseType::NText:
        case BaseType::Image:
            return 16;
        case BaseType::NChar:
        case BaseType::NVarChar:
            return t.length < 0 ? -1 : t.length * 2;
        default:
            return t.length;
    }
}

namespace {

// SQLite counts every allocation under a global lock unless told not to; the engine reads no
// such statistics. Only possible before SQLite's first use in the process; later it is a no-op.
void quietAllocator() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

}  // namespace

struct Frame {
    std::string db;                        // database that unqualified names resolve in
    std::map<std::string, Variable> vars;  // by lower name
    std::string procedure;
    int depth = 0;
    int procDepth = 0;  // @@NESTLEVEL
    Value returnValue = Value::integer(0);
};

enum class Flow { Next, Break, Continue, Return };

struct CachedStmt {
    sqlite3_stmt* st = nullptr;
    std::vector<std::string> binds;
    std::vector<Column> columns;
    std::vector<std::string> assignVars;
    std::string sql;
    std::vector<std::string> schemas;  // the databases it reads or writes
};

struct Procedure {
    std::shared_ptr<ast::Batch> batch;  // CREATE PROCEDURE ... as stored
    const ast::Stmt* def = nullptr;
    std::string db;
    std::string name;
};

}  // namespace

struct Session::Impl : TranslateContext {
    std::string dir;
    sqlite3* db = nullptr;
    std::string current;  // current database name as the server lists it
    int timeoutSec = 0;
    int tranCount = 0;
    bool nocount = false;
    long long rowcount = 0;
    Value lastIdentity;
    int lastError = 0;
    std::chrono::steady_clock::time_point deadline{};
    bool deadlineSet = false;

    std::map<std::string, DbCatalog> catalogs;  // by lower db name ("temp" for tempdb)
    std::list<std::string> attachOrder;         // least recently used first
    std::unordered_map<std::string, std::shared_ptr<ast::Batch>> parsed;
    std::map<std::string, CachedStmt> stmts;  // by node address + context
    std::map<std::string, Procedure> procs;   // by "db.name" lower

    Frame* frame = nullptr;
    const Params* params = nullptr;
    const ParamTypes* paramTypes = nullptr;
    const std::string* batchText = nullptr;

    ~Impl() {
        clearStatementCache();
        if (db) sqlite3_close_v2(db);
    }

    // ---- SQLite helpers --------------------------------------------------------------------

    [[noreturn]] void fail(int rc, const std::string& context = "") { throw errorOf(rc, context); }

    Error translateSqliteError(int rc, const std::string& msg, const std::string& context) {
        int ext = sqlite3_extended_errcode(db);
        if (ext == SQLITE_CONSTRAINT_NOTNULL) {
            // "NOT NULL constraint failed: T.col"
            std::string what = msg.substr(msg.find(':') + 2);
            auto dot = what.rfind('.');
            std::string table = what.substr(0, dot), col = what.substr(dot + 1);
            Error e(515,
                    "Cannot insert the value NULL into column '" + col + "', table '" + context +
                        "." + "dbo." + table + "'; column does not allow nulls. " +
                        (lastVerb == "UPDATE" ? "UPDATE" : "INSERT") + " fails.",
                    16, 2);
            e.abortsBatch = false;
            return e;
        }
        if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY) {
            std::string what = msg.substr(msg.find(':') + 2);
            std::string table = what.substr(0, what.find('.'));
            std::vector<std::string> cols;
            size_t p = 0;
            while (p < what.size()) {
                auto comma = what.find(", ", p);
                std::string item =
                    what.substr(p, comma == std::string::npos ? std::string::npos : comma - p);
                cols.push_back(lower(item.substr(item.find('.') + 1)));
                if (comma == std::string::npos) break;
                p = comma + 2;
            }
            const IndexInfo* ix = nullptr;
            for (auto& [k, cat] : catalogs)
                for (auto& i : cat.indexes) {
                    if (lower(i.table) != lower(table) || i.columns.size() != cols.size()) continue;
                    bool same = true;
                    for (size_t k2 = 0; k2 < cols.size(); ++k2)
                        if (lower(i.columns[k2]) != cols[k2]) same = false;
                    if (same) ix = &i;
                }
            conflictColumns.clear();
            if (ix) conflictColumns = ix->columns;
            Error e(2601, "", 14, 1);
            if (ix && ix->primaryKey) {
                e = Error(2627,
                          "Violation of PRIMARY KEY constraint '" + ix->name +
                              "'. Cannot insert duplicate key in object 'dbo." + table + "'.",
                          14, 1);
            } else if (ix && ix->constraint) {
                e = Error(2627,
                          "Violation of UNIQUE KEY constraint '" + ix->name +
                              "'. Cannot insert duplicate key in object 'dbo." + table + "'.",
                          14, 1);
            } else {
                e = Error(2601,
                          "Cannot insert duplicate key row in object 'dbo." + table +
                              "' with unique index '" + (ix ? ix->name : std::string("?")) + "'.",
                          14, 1);
            }
            e.abortsBatch = false;
            return e;
        }
        if (rc == SQLITE_BUSY || ext == SQLITE_BUSY_SNAPSHOT || rc == SQLITE_LOCKED)
            return Error(1222, "Lock request time out period exceeded.", 16, 51);
        if (rc == SQLITE_INTERRUPT) return Error(-2, "Query timeout expired", 16, 1);
        if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB)
            return damagedDatabase(rc, msg);
        if ((rc & 0xff) == SQLITE_READONLY) return readOnlyDatabase();
        return Error(50000 + 0, "Internal error: " + msg, 16, 1);
    }
    std::string lastVerb;
    int tryDepth = 0;
    std::vector<std::string> conflictColumns;
    // #tables this session made and has not dropped, in order, with their sequence numbers.
    std::vector<std::pair<size_t, std::string>> tempMade;
    size_t nextTempSeq = 0;
    std::map<std::string, std::pair<long long, long long>>
        identityCache;                  // last, step  // key columns of the last unique-key failure
    std::vector<Error> caught;          // errors being handled by CATCH blocks, innermost last
    std::set<std::string> savepoints;   // SAVE TRANSACTION names of the open transaction
    std::string tranName;               // BEGIN TRANSACTION name
    std::set<std::string> tranLocked;   // databases the open SQLite transaction has write-locked
    std::set<std::string> stmtSchemas;  // databases the running statement has reached
    bool catalogStale = false;          // a catalog changed under an open transaction: re-translate

    static Error statementError(Error e) {
        e.abortsBatch = false;
        return e;
    }

    void exec(const std::string& sql) {
        // Transaction control runs often: keep it prepared.
        if (sql.find(';') == std::string::npos && sql.rfind("DETACH", 0) != 0) {
            queryRow(sql);
            return;
        }
        char* err = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
        if (rc != SQLITE_OK) {
            std::string msg = err ? err : "";
            sqlite3_free(err);
            Error decoded(0, "");
            if (decodeError(msg, decoded)) throw decoded;
            throw translateSqliteError(rc, msg, "");
        }
    }

    // The engine's own statements, prepared once (until the cache empties).
    std::unordered_map<std::string, sqlite3_stmt*> internal;

    sqlite3_stmt* internalStatement(const std::string& sql) {
        auto it = internal.find(sql);
        if (it != internal.end()) return it->second;
        sqlite3_stmt* st = prepare(sql);
        internal.emplace(sql, st);
        return st;
    }

    sqlite3_stmt* prepare(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        if (rc != SQLITE_OK) {
            std::string msg = sqlite3_errmsg(db);
            Error decoded(0, "");
            if (decodeError(msg, decoded)) throw decoded;
            if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB)
                throw damagedDatabase(rc, msg);
            throw Error(50000, "Internal error preparing statement: " + msg + " [" + sql + "]", 16,
                        1);
        }
        return st;
    }

    // Runs a small internal query and returns its first row.
    std::vector<Value> queryRow(const std::string& sql, const std::vector<Value>& args = {}) {
        sqlite3_stmt* st = internalStatement(sql);
        for (size_t i = 0; i < args.size(); ++i) bindValue(st, static_cast<int>(i + 1), args[i]);
        std::vector<Value> row;
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            for (int i = 0; i < sqlite3_column_count(st); ++i) row.push_back(columnValue(st, i));
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            Error e = errorOf(rc);
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
            throw e;
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return row;
    }

    std::vector<std::vector<Value>> queryRows(const std::string& sql,
                                              const std::vector<Value>& args = {}) {
        sqlite3_stmt* st = internalStatement(sql);
        for (size_t i = 0; i < args.size(); ++i) bindValue(st, static_cast<int>(i + 1), args[i]);
        std::vector<std::vector<Value>> rows;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::vector<Value> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) row.push_back(columnValue(st, i));
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            Error e = errorOf(rc);
            sqlite3_reset(st);
            throw e;
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return rows;
    }

    Error errorOf(int rc, const std::string& context = "") {
        std::string msg = sqlite3_errmsg(db);
        Error decoded(0, "");
        if (decodeError(msg, decoded)) return decoded;
        return translateSqliteError(rc, msg, context);
    }

    // Identity counters drawn inside a transaction, written to the catalog once rather than
    // after every row: key -> catalog table, object id, column id, last value.
    struct PendingIdentity {
        std::string catalog;
        long long id = 0;
        int colid = 0;
        long long last = 0;
    };
    std::map<std::string, PendingIdentity> pendingIdentity;

    // Writes the counters drawn since the last write; before anything else may read them.
    void flushIdentity() {
        if (pendingIdentity.empty()) return;
        auto pending = std::move(pendingIdentity);
        pendingIdentity.clear();
        for (auto& [key, p] : pending)
            queryRow("UPDATE " + p.catalog + " SET last = ? WHERE id = ? AND colid = ?",
                     {Value::integer(p.last), Value::integer(p.id), Value::integer(p.colid)});
    }

    void clearStatementCache() {
        flushIdentity();
        for (auto& [k, c] : stmts) sqlite3_finalize(c.st);
        stmts.clear();
        for (auto& [k, st] : internal) sqlite3_finalize(st);
        internal.clear();
        identityCache.clear();
        procs.clear();
    }

    // ---- databases ------------------------------------------------------------------------

    std::string masterFile() const { return dbFile(dir, "master"); }

    // The name of a database as the server lists it, or empty when there is none. Only the
    // databases master lists are ever opened: a name never reaches a file by a path of its own.
    std::string canonicalName(const std::string& name) {
        if (lower(name) == "tempdb") return "tempdb";
        if (lower(name) == "master") return "master";
        if (!validDatabaseName(name)) return "";
        auto row =
            queryRow("SELECT name FROM \"master\".sysdatabases WHERE name = ? COLLATE NOCASE",
                     {Value::text(name)});
        if (row.empty() || row[0].kind != Value::Kind::Text) return "";
        if (!fs::exists(dbFile(dir, row[0].s))) return "";
        return row[0].s;
    }

    std::string schemaOf(const std::string& database) override { return schemaFor(database, true); }

    // The SQLite schema of a database, attached on first use. Inside a transaction the
    // database is locked for writing before anything of it is read, unless `lock` is false
    // (the server's list of databases, which every statement may look up).
    std::string schemaFor(const std::string& database, bool lock) {
        std::string l = lower(database);
        if (l == "tempdb") return "temp";
        auto it = catalogs.find(l);
        if (it == catalogs.end()) {
            std::string canon = canonicalName(database);
            if (canon.empty()) throw databaseNotFound(database);
            if (sqlite3_get_autocommit(db) == 0)
                throw Error(911,
                            "Database '" + database +
                                "' cannot be reached inside this transaction: it was not open "
                                "when the transaction began.",
                            16, 1);
            attach(canon);
            it = catalogs.find(l);
        }
        attachOrder.remove(l);
        attachOrder.push_back(l);
        if (lock) {
            stmtSchemas.insert(l);
            lockForWriting(l);
        }
        return it->second.schema;
    }

    // Takes a database's write lock for the open transaction, waiting for another writer as
    // long as the time-out allows. Only the databases a transaction uses are locked, so
    // writers of other databases go on. The lock comes before the first read: SQLite fails
    // (rather than waits) a write of a database this transaction read while another writer
    // held it, so a read-then-update such as drawing a number must queue at the read.
    void lockForWriting(const std::string& schema) {
        if (schema == "temp" || sqlite3_get_autocommit(db) != 0) return;
        if (!tranLocked.insert(schema).second) return;
        try {
            // A write that changes nothing: SQLite takes the file's write lock for it.
            queryRow("DELETE FROM " + quoteIdent(schema) + ".__tsq_meta WHERE 0");
        } catch (...) {
            tranLocked.erase(schema);
            throw;
        }
        // Another session may have changed the catalog since this one read it.
        auto it = catalogs.find(schema);
        if (it != catalogs.end() && it->second.version >= 0 &&
            readVersion(schema) != it->second.version) {
            it->second.version = -1;
            catalogStale = true;
        }
    }

    void attach(const std::string& database) {
        std::string l = lower(database);
        // Keep within SQLite's limit of attached databases: let go of the least recently used.
        while (static_cast<int>(attachOrder.size()) >= kMaxAttached) {
            std::string victim;
            for (auto& n : attachOrder)
                if (n != "master" && n != lower(current) && (!frame || n != lower(frame->db))) {
                    victim = n;
                    break;
                }
            if (victim.empty()) break;
            clearStatementCache();
            exec("DETACH DATABASE " + quoteIdent(victim));
            attachOrder.remove(victim);
            catalogs.erase(victim);
        }
        std::string path = dbFile(dir, database);
        leaveWal(path);
        sqlite3_stmt* st = prepare("ATTACH DATABASE ? AS " + quoteIdent(l));
        sqlite3_bind_text(st, 1, path.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw fileError(database, path, rc, sqlite3_errmsg(db));
        try {
            readVersion(l);
        } catch (const Error& e) {
            int code = sqlite3_errcode(db);
            clearStatementCache();
            sqlite3_exec(db, ("DETACH DATABASE " + quoteIdent(l)).c_str(), nullptr, nullptr,
                         nullptr);
            if (e.number != 50000) throw;
            throw fileError(database, path, code, e.message);
        }
        dec::upgradeStoredDecimals(db, l);
        DbCatalog cat;
        cat.name = database;
        cat.schema = l;
        catalogs[l] = std::move(cat);
        attachOrder.push_back(l);
    }

    // A database file that SQLite cannot read, in the user's terms: which database, which
    // file, and whether it is damaged or not a database at all.
    Error fileError(const std::string& database, const std::string& path, int rc,
                    const std::string& detail) {
        int primary = rc & 0xff;
        if (primary == SQLITE_CORRUPT)
            return Error(824,
                         "Database '" + database + "' is damaged: its file '" + path +
                             "' is malformed (" + detail + "). Restore the file from a backup.",
                         24, 2);
        if (primary == SQLITE_NOTADB || detail.find("__tsq_meta") != std::string::npos ||
            detail.find("no such table") != std::string::npos)
            return Error(5172,
                         "The file '" + path + "' of database '" + database +
                             "' is not a database of this server.",
                         16, 1);
        return Error(5120,
                     "Unable to open the file '" + path + "' of database '" + database +
                         "': " + detail + ".",
                     16, 101);
    }

    // A write refused because the server folder or a database file cannot be written.
    Error readOnlyDatabase() {
        std::string database;
        for (auto it = stmtSchemas.begin(); it != stmtSchemas.end() && database.empty(); ++it)
            if (auto c = catalogs.find(*it); c != catalogs.end() && *it != "temp")
                database = c->second.name;
        if (database.empty()) database = currentDatabase();
        return Error(3906,
                     "Failed to update database \"" + database +
                         "\" because the database is read-only. The server folder '" + dir +
                         "' or its files cannot be written.",
                     16, 1);
    }

    // After SQLite reported a damaged file in a statement: which of the open databases it is.
    Error damagedDatabase(int rc, const std::string& msg) {
        for (auto& name : attachOrder) {
            std::string sql = "PRAGMA " + quoteIdent(name) + ".quick_check(1)";
            sqlite3_stmt* st = nullptr;
            bool bad = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK;
            if (!bad) {
                int step = sqlite3_step(st);
                bad =
                    step != SQLITE_ROW ||
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) != "ok";
            }
            sqlite3_finalize(st);
            if (bad) {
                auto it = catalogs.find(name);
                std::string database = it != catalogs.end() ? it->second.name : name;
                return fileError(database, dbFile(dir, database), rc, msg);
            }
        }
        return Error(824, "A database file of this server is damaged (" + msg + ").", 24, 2);
    }

    void attachAllForTransaction() {
        // A transaction cannot attach databases later: open every database it may reach now.
        // Opening locks nothing; each database is locked when the transaction first uses it.
        std::vector<std::string> names;
        for (auto& row : queryRows("SELECT name FROM \"master\".sysdatabases ORDER BY dbid"))
            names.push_back(row[0].s);
        for (auto& n : names) {
            if (static_cast<int>(attachOrder.size()) >= kMaxAttached) break;
            if (catalogs.count(lower(n)) || !validDatabaseName(n) || !fs::exists(dbFile(dir, n)))
                continue;
            try {
                attach(n);
            } catch (const Error&) {
                // A damaged database is reported when a statement reaches it, not here.
            }
        }
    }

    DbCatalog& catalog(const std::string& schema) {
        auto& cat = catalogs[schema];
        if (cat.version < 0) loadCatalog(cat);
        return cat;
    }

    long long readVersion(const std::string& schema) {
        auto row = queryRow("SELECT version FROM " + quoteIdent(schema) + ".__tsq_meta");
        return row.empty() ? 0 : row[0].i;
    }

    void loadCatalog(DbCatalog& cat) {
        cat.tables.clear();
        cat.userTypes.clear();
        cat.indexes.clear();
        cat.version = readVersion(cat.schema);
        std::string s = quoteIdent(cat.schema);
        for (auto& r : queryRows("SELECT name, base, nullable FROM " + s + ".__tsq_types")) {
            auto t = SqlType::parse(r[1].s);
            if (t) {
                cat.userTypes[lower(r[0].s)] = *t;
                cat.userTypeNullable[lower(r[0].s)] = r[2].i != 0;
            }
        }
        auto rows = queryRows(
            "SELECT o.id, o.name, c.name, c.type, c.usertype, c.nullable, c.isidentity, c.seed, "
            "c.step, c.defaultexpr FROM " +
            s + ".__tsq_objects o JOIN " + s +
            ".__tsq_columns c ON c.id = o.id WHERE o.xtype IN ('U','S') ORDER BY o.id, c.colid");
        std::shared_ptr<TableInfo> t;
        for (auto& r : rows) {
            if (!t || t->id != r[0].i) {
                t = std::make_shared<TableInfo>();
                t->id = r[0].i;
                t->name = r[1].s;
                t->schema = cat.schema;
                t->dbName = cat.name;
                cat.tables[lower(t->name)] = t;
            }
            ColumnInfo c;
            c.name = r[2].s;
            c.type = SqlType::parse(r[3].s).value_or(SqlType{});
            if (!r[4].isNull()) c.type.userType = r[4].s;
            c.nullable = r[5].i != 0;
            c.identity = r[6].i != 0;
            c.seed = r[7].isNull() ? 1 : r[7].i;
            c.step = r[8].isNull() ? 1 : r[8].i;
            if (!r[9].isNull()) c.defaultExpr = r[9].s;
            if (c.identity) t->identityColumn = static_cast<int>(t->columns.size());
            t->columns.push_back(c);
        }
        for (auto& r : queryRows(
                 "SELECT o.name, i.name, i.isunique, i.isprimary, i.columns, EXISTS (SELECT 1 "
                 "FROM " +
                 s + ".__tsq_objects k WHERE k.name = i.name AND k.xtype IN ('PK','UQ')) FROM " +
                 s + ".__tsq_indexes i JOIN " + s + ".__tsq_objects o ON o.id = i.id")) {
            IndexInfo ix;
            ix.table = r[0].s;
            ix.name = r[1].s;
            ix.unique = r[2].i != 0;
            ix.primaryKey = r[3].i != 0;
            ix.constraint = r[5].i != 0;
            std::string cols = r[4].s;
            size_t p = 0;
            while (p <= cols.size()) {
                auto c = cols.find(',', p);
                ix.columns.push_back(
                    cols.substr(p, c == std::string::npos ? std::string::npos : c - p));
                if (c == std::string::npos) break;
                p = c + 1;
            }
            cat.indexes.push_back(ix);
        }
    }

    // Re-reads catalogs that another session changed since we last looked.
    void refreshCatalogs() {
        if (catalogStale) {
            catalogStale = false;
            clearStatementCache();
        }
        // Inside a transaction each database is checked when the transaction locks it.
        if (tranCount > 0) return;
        bool changed = false;
        for (auto& [k, cat] : catalogs) {
            if (cat.version < 0) continue;
            if (readVersion(cat.schema) != cat.version) {
                cat.version = -1;
                changed = true;
            }
        }
        if (changed) clearStatementCache();
    }

    void bumpVersion(const std::string& schema) {
        exec("UPDATE " + quoteIdent(schema) + ".__tsq_meta SET version = version + 1");
        catalogs[schema].version = -1;
        clearStatementCache();
    }

    std::shared_ptr<TableInfo> systemView(const std::string& schema, const std::string& name) {
        auto t = std::make_shared<TableInfo>();
        t->system = true;
        t->schema = schema;
        std::string s = quoteIdent(schema);
        auto col = [&](const char* n, SqlType ty) {
            ColumnInfo c;
            c.name = n;
            c.type = ty;
            t->columns.push_back(c);
        };
        auto ty = [](const char* name) { return *SqlType::parse(name); };
        std::string l = lower(name);
        if (l == "sysobjects") {
            t->name = "sysobjects";
            col("name", ty("nvarchar(128)"));
            col("id", ty("int"));
            col("xtype", ty("char(2)"));
            col("uid", ty("smallint"));
            col("parent_obj", ty("int"));
            col("crdate", ty("datetime"));
            col("type", ty("char(2)"));
            t->systemQuery =
                "SELECT name, id, substr(xtype || ' ', 1, 2) AS xtype, 1 AS uid, "
                "parent_obj, crdate, substr(xtype || ' ', 1, 2) AS type FROM " +
                s + ".__tsq_objects";
        } else if (l == "syscolumns") {
            t->name = "syscolumns";
            col("name", ty("nvarchar(128)"));
            col("id", ty("int"));
            col("xtype", ty("tinyint"));
            col("length", ty("smallint"));
            col("colid", ty("smallint"));
            col("prec", ty("smallint"));
            col("scale", ty("int"));
            col("isnullable", ty("int"));
            col("usertype", ty("smallint"));
            t->systemQuery =
                "SELECT name, id, xtype, length, colid, prec, scale, nullable AS "
                "isnullable, 0 AS usertype FROM " +
                s + ".__tsq_columns";
        } else if (l == "systypes") {
            // The built-in types, then the database's own alias types.
            t->name = "systypes";
            col("name", ty("nvarchar(128)"));
            col("xtype", ty("tinyint"));
            col("xusertype", ty("smallint"));
            col("length", ty("smallint"));
            col("allownulls", ty("bit"));
            std::string builtins;
            for (const char* n : {"bit",        "tinyint",   "smallint",      "int",
                                  "bigint",     "decimal",   "numeric",       "money",
                                  "smallmoney", "float",     "real",          "char",
                                  "varchar",    "nchar",     "nvarchar",      "text",
                                  "ntext",      "datetime",  "smalldatetime", "date",
                                  "binary",     "varbinary", "image",         "uniqueidentifier"}) {
                SqlType bt = *SqlType::parse(n);
                builtins += (builtins.empty() ? "" : " UNION ALL ") + std::string("SELECT '") + n +
                            "' AS name, " + std::to_string(systemTypeId(bt)) + " AS xtype, " +
                            std::to_string(systemTypeId(bt)) + " AS xusertype, " +
                            std::to_string(byteLength(bt)) + " AS length, 1 AS allownulls";
            }
            t->systemQuery = "SELECT * FROM (" + builtins +
                             ") UNION ALL SELECT name, NULL, 256 + rowid, NULL, nullable FROM " +
                             s + ".__tsq_types";
        } else if (l == "sysindexes") {
            t->name = "sysindexes";
            col("id", ty("int"));
            col("name", ty("nvarchar(128)"));
            col("indid", ty("smallint"));
            col("keycnt", ty("smallint"));
            t->systemQuery =
                "SELECT id, name, indid, length(columns) - length(replace(columns, "
                "',', '')) + 1 AS keycnt FROM " +
                s + ".__tsq_indexes";
        } else {
            return nullptr;
        }
        return t;
    }

    std::shared_ptr<TableInfo> tryFindTable(const ast::ObjectName& n) override {
        std::string name = n.name();
        std::string db = n.database();
        std::string schema;
        std::string l = lower(name);
        if (l == "sysdatabases")
            schema = schemaFor("master", false);  // the server's list: read, never locked
        else if (n.isTemp())
            schema = "temp";
        else
            schema = schemaOf(db.empty() ? (frame ? frame->db : current) : db);
        if (auto sv = systemView(schema, l)) return sv;
        auto& cat = catalog(schema);
        auto it = cat.tables.find(l);
        if (it == cat.tables.end()) return nullptr;
        return it->second;
    }

    std::vector<std::vector<std::string>> uniqueKeys(const TableInfo& t) override {
        std::vector<std::vector<std::string>> keys;
        if (t.system) return keys;
        for (auto& ix : catalog(t.schema).indexes) {
            if (!(ix.unique || ix.primaryKey) || lower(ix.table) != lower(t.name)) continue;
            std::vector<std::string> cols;
            for (auto& c : ix.columns) cols.push_back(lower(c));
            keys.push_back(std::move(cols));
        }
        return keys;
    }

    std::shared_ptr<TableInfo> findTable(const ast::ObjectName& n) override {
        std::shared_ptr<TableInfo> t;
        try {
            t = tryFindTable(n);
        } catch (const Error& e) {
            // A table of a database that does not exist is just an unknown object.
            if (e.number != 911 || !canonicalName(n.database()).empty()) throw;
        }
        if (!t) {
            std::string shown;
            for (size_t i = 0; i < n.parts.size(); ++i) shown += (i ? "." : "") + n.parts[i];
            throw errors::invalidObject(shown);
        }
        return t;
    }

    const std::string& currentDatabase() override { return frame ? frame->db : current; }

    SqlType variableType(const std::string& name) override {
        if (frame) {
            auto it = frame->vars.find(lower(name));
            if (it != frame->vars.end()) return it->second.type;
        }
        throw Error(137, "Must declare the scalar variable \"" + name + "\".", 15, 2);
    }

    SqlType parameterType(const std::string& name) override {
        const Value* v = findParam(name);
        if (!v)
            throw Error(8178,
                        "The parameterized query expects the parameter ':" + name +
                            "', which was not supplied.",
                        16, 1);
        if (const SqlType* declared = findParamType(name)) return *declared;
        SqlType t;
        switch (v->kind) {
            case Value::Kind::Int:
                // As SQL Server types a parameter by its value: beyond int's range it is a
                // bigint, which an int column then refuses.
                t = *SqlType::parse(wideInteger(*v) ? "bigint" : "int");
                break;
            case Value::Kind::Float:
                t = *SqlType::parse("float");
                break;
            case Value::Kind::Text:
                t = *SqlType::parse("nvarchar(4000)");
                break;
            case Value::Kind::Blob:
                t = *SqlType::parse("varbinary(8000)");
                break;
            default:
                t = *SqlType::parse("nvarchar(4000)");
                break;
        }
        return t;
    }

    // Whether two names are the same ignoring letter case; ASCII names (the usual ones) are
    // compared in place, as this runs for every parameter of every statement.
    static bool sameName(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        bool ascii = true;
        for (size_t i = 0; i < a.size(); ++i) {
            unsigned char x = static_cast<unsigned char>(a[i]),
                          y = static_cast<unsigned char>(b[i]);
            if (x >= 0x80 || y >= 0x80) {
                ascii = false;
                break;
            }
            if (x != y && std::tolower(x) != std::tolower(y)) return false;
        }
        return ascii || lower(a) == lower(b);
    }

    template <typename Map>
    static const typename Map::mapped_type* findNamed(const Map* map, const std::string& name) {
        if (!map) return nullptr;
        auto it = map->find(name);
        if (it != map->end()) return &it->second;
        for (auto& [k, v] : *map)
            if (k.size() == name.size() && sameName(k, name)) return &v;
        // Letter case may change a name's length outside ASCII.
        std::string l = lower(name);
        for (auto& [k, v] : *map)
            if (k.size() != name.size() && lower(k) == l) return &v;
        return nullptr;
    }
    const Value* findParam(const std::string& name) { return findNamed(params, name); }
    const SqlType* findParamType(const std::string& name) {
        return paramTypes && !paramTypes->empty() ? findNamed(paramTypes, name) : nullptr;
    }

    std::optional<SqlType> userType(const std::string& name) override {
        auto& cat = catalog(schemaOf(currentDatabase()));
        auto it = cat.userTypes.find(lower(name));
        if (it == cat.userTypes.end()) {
            auto& m = catalog(schemaFor("master", false));
            auto it2 = m.userTypes.find(lower(name));
            if (it2 == m.userTypes.end()) return std::nullopt;
            return it2->second;
        }
        return it->second;
    }

    // ---- statement cache and execution -----------------------------------------------------

    static bool wideInteger(const Value& v) {
        return v.kind == Value::Kind::Int && (v.i > 2147483647LL || v.i < -2147483648LL);
    }

    // The parameters' types take part in a statement's translation.
    // The signature of the batch's parameters, made once per batch: every statement of a
    // batch sees the same parameters, and a batch of one statement run per row would
    // otherwise make it for every row.
    const Params* signedParams = nullptr;
    bool signatureValid = false;
    std::string signature;

    const std::string& paramSignature() {
        if (signatureValid && signedParams == params) return signature;
        signature = makeParamSignature();
        signedParams = params;
        signatureValid = true;
        return signature;
    }

    std::string makeParamSignature() {
        std::string sig;
        if (!params) return sig;
        // A driver declares the same names it passes values for: the two maps are walked side
        // by side, as this runs once per row of an upload.
        const bool declared = paramTypes && !paramTypes->empty();
        auto type = declared ? paramTypes->begin() : ParamTypes::const_iterator();
        for (auto& [k, v] : *params) {
            sig += lower(k) + ":" + std::to_string(static_cast<int>(v.kind));
            if (wideInteger(v)) sig += 'w';
            if (declared) {
                while (type != paramTypes->end() && type->first < k) ++type;
                const SqlType* t = type != paramTypes->end() && type->first == k ? &type->second
                                                                                 : findParamType(k);
                if (t) {
                    // A declared type, not the value, types the parameter.
                    const int parts[] = {static_cast<int>(t->base), t->length, t->precision,
                                         t->scale};
                    sig += '#';
                    sig.append(reinterpret_cast<const char*>(parts), sizeof parts);
                }
            }
            sig += ',';
        }
        return sig;
    }

    std::string cacheKey(const void* node) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%p|", node);
        return buf + lower(currentDatabase()) + "|" + paramSignature();
    }

    template <typename F>
    CachedStmt& cached(const void* node, F&& translate) {
        std::string key = cacheKey(node);
        auto it = stmts.find(key);
        if (it != stmts.end()) {
            for (auto& schema : it->second.schemas) {
                stmtSchemas.insert(schema);
                lockForWriting(schema);
            }
            return it->second;
        }
        Translator tr(*this);
        CachedStmt c;
        // The databases the statement reaches, to lock them when it runs in a transaction.
        std::set<std::string> outer;
        outer.swap(stmtSchemas);
        translate(tr, c);
        c.schemas.assign(stmtSchemas.begin(), stmtSchemas.end());
        stmtSchemas.insert(outer.begin(), outer.end());
        c.binds = tr.binds();
        if (std::getenv("TSQLITE_TRACE")) std::fprintf(stderr, "tsqlite: %s\n", c.sql.c_str());
        c.st = prepare(c.sql);
        return stmts.emplace(key, std::move(c)).first->second;
    }

    // A time bound as datetime lands on datetime's 1/300 s ticks, as SQL Server takes a
    // timestamp parameter declared datetime: .008 is .007.
    static Value onDateTimeTicks(const Value& v) {
        // Milliseconds that end in 0, 3 or 7 are on a tick already: most times are.
        if (v.s.size() != 23 || v.s[22] == '0' || v.s[22] == '3' || v.s[22] == '7') return v;
        rt::DateTime dt;
        if (!rt::parseCanonical(v.s, dt)) return v;
        char buf[32];
        const int n = rt::formatCanonical(rt::roundToTicks(dt), buf);
        return Value::text(std::string(buf, static_cast<size_t>(n)));
    }

    Value bindFor(const std::string& name) {
        if (!name.empty() && name[0] == ':') {
            const std::string bare = name.substr(1);
            const Value* v = findParam(bare);
            if (!v) return Value::null();
            if (v->kind == Value::Kind::Text && paramTypes && !paramTypes->empty())
                if (const SqlType* t = findParamType(bare); t && t->base == BaseType::DateTime)
                    return onDateTimeTicks(*v);
            return *v;
        }
        if (name == "@@rowcount") return Value::integer(rowcount);
        if (name == "@@identity") return lastIdentity;
        if (name == "@@trancount") return Value::integer(tranCount);
        if (name == "@@error") return Value::integer(lastError);
        if (name == "@@identitybase") return identityBase;
        if (name == "@@getdate") return Value::text(currentDateTime());
        if (name.rfind("@@error_", 0) == 0) {
            if (caught.empty()) return Value::null();
            const Error& e = caught.back();
            if (name == "@@error_number") return Value::integer(e.number);
            if (name == "@@error_severity") return Value::integer(e.severity);
            if (name == "@@error_state") return Value::integer(e.state);
            if (name == "@@error_line") return Value::integer(e.line);
            if (name == "@@error_message") return Value::text(e.message);
            if (name == "@@error_procedure")
                return e.procedure.empty() ? Value::null() : Value::text(e.procedure);
        }
        if (name == "@@nestlevel") return Value::integer(frame ? frame->procDepth : 0);
        if (name == "@@fetch_status") return Value::integer(-1);
        if (frame) {
            auto it = frame->vars.find(name);
            if (it != frame->vars.end()) return it->second.value;
        }
        return Value::null();
    }
    Value identityBase;
    std::string identityInsert;  // "schema.table" with SET IDENTITY_INSERT ON

    void bindAll(CachedStmt& c) {
        sqlite3_reset(c.st);
        for (size_t i = 0; i < c.binds.size(); ++i)
            bindValue(c.st, static_cast<int>(i + 1), bindFor(c.binds[i]));
    }

    void startClock() {
        if (timeoutSec > 0) {
            deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSec);
            deadlineSet = true;
        } else {
            deadlineSet = false;
        }
    }

    static Value normalize(Value v, const SqlType& t) {
        if (dec::isScaled(t)) return dec::normalize(v, t);
        if (v.kind == Value::Kind::Float && t.isInteger())
            return Value::integer(static_cast<long long>(v.f));
        if (v.kind == Value::Kind::Int && t.isNumeric() && !t.isInteger())
            return Value::real(static_cast<double>(v.i));
        return v;
    }

    // Runs a prepared statement that returns rows; hands them to the sink or to variables.
    long long runRows(CachedStmt& c, Sink* sink) {
        bindAll(c);
        bool assign = !c.assignVars.empty();
        if (sink && !assign) sink->beginResultSet(c.columns);
        long long n = 0;
        int rc;
        std::vector<Value> row(c.columns.size());
        while ((rc = sqlite3_step(c.st)) == SQLITE_ROW) {
            for (size_t i = 0; i < c.columns.size(); ++i)
                row[i] = normalize(columnValue(c.st, static_cast<int>(i)), c.columns[i].type);
            ++n;
            if (assign) {
                for (size_t i = 0; i < c.assignVars.size(); ++i)
                    setVariable(c.assignVars[i], row[i], c.columns[i].type);
            } else if (sink) {
                sink->row(row);
            }
        }
        sqlite3_reset(c.st);
        if (rc != SQLITE_DONE) {
            if (sink && !assign) sink->endResultSet();
            fail(rc, currentDatabase());
        }
        if (sink && !assign) sink->endResultSet();
        return n;
    }

    long long runChange(CachedStmt& c) {
        bindAll(c);
        int rc = sqlite3_step(c.st);
        while (rc == SQLITE_ROW) rc = sqlite3_step(c.st);
        sqlite3_reset(c.st);
        if (rc != SQLITE_DONE) fail(rc, currentDatabase());
        return sqlite3_changes64(db);
    }

    void setVariable(const std::string& name, const Value& v, const SqlType& from) {
        auto it = frame->vars.find(lower(name));
        if (it == frame->vars.end())
            throw Error(137, "Must declare the scalar variable \"" + name + "\".", 15, 2);
        it->second.value = convertValue(v, from, it->second.type, -1, false);
    }

    Value evalExpr(const ast::Expr& e, SqlType* type = nullptr) {
        auto& c = cached(&e, [&](Translator& tr, CachedStmt& cs) {
            Tx x = tr.expression(e);
            cs.sql = "SELECT " + x.sql;
            cs.columns.push_back({"", x.type});
        });
        bindAll(c);
        int rc = sqlite3_step(c.st);
        Value v;
        if (rc == SQLITE_ROW) v = normalize(columnValue(c.st, 0), c.columns[0].type);
        sqlite3_reset(c.st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(rc);
        if (type) *type = c.columns[0].type;
        return v;
    }

    bool evalCondition(const ast::Expr& e) {
        auto& c = cached(&e, [&](Translator& tr, CachedStmt& cs) {
            Tx x = tr.boolean(e, nullptr);
            cs.sql = "SELECT CASE WHEN " + x.sql + " THEN 1 ELSE 0 END";
            cs.columns.push_back({"", *SqlType::parse("int")});
        });
        bindAll(c);
        int rc = sqlite3_step(c.st);
        bool r = rc == SQLITE_ROW && sqlite3_column_int(c.st, 0) != 0;
        sqlite3_reset(c.st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(rc);
        return r;
    }

    // Runs fn as one atomic unit: its own write transaction outside a user transaction, a
    // savepoint inside one (so that a failing statement leaves the transaction open).
    template <typename F>
    void atomically(F&& fn) {
        bool own = sqlite3_get_autocommit(db) != 0;
        exec(own ? "BEGIN" : "SAVEPOINT tsq_stmt");
        try {
            if (own) {
                // Only the databases this statement reaches, locked before it reads them.
                tranLocked.clear();
                for (auto& schema :
                     std::vector<std::string>(stmtSchemas.begin(), stmtSchemas.end()))
                    lockForWriting(schema);
            }
            fn();
        } catch (...) {
            try {
                if (own)
                    exec("ROLLBACK");
                else
                    exec("ROLLBACK TO tsq_stmt; RELEASE tsq_stmt");
            } catch (...) {
            }
            if (own) tranLocked.clear();
            throw;
        }
        exec(own ? "COMMIT" : "RELEASE tsq_stmt");
        if (own) tranLocked.clear();
    }

    void reportCount(Sink& sink, long long n) {
        rowcount = n;
        if (!nocount) sink.rowsAffected(n);
    }

    // ---- the interpreter ---------------------------------------------------------------------

    std::shared_ptr<ast::Batch> parse(const std::string& text) {
        auto it = parsed.find(text);
        if (it != parsed.end()) return it->second;
        auto b = std::shared_ptr<ast::Batch>(parseBatch(text).release());
        if (parsed.size() >= kMaxParsedBatches) {
            clearStatementCache();
            parsed.clear();
        }
        parsed.emplace(text, b);
        return b;
    }

    Flow runList(const std::vector<ast::StmtPtr>& list, Sink& sink) {
        for (auto& s : list) {
            Flow f = runStatement(*s, sink);
            if (f != Flow::Next) return f;
        }
        return Flow::Next;
    }

    Flow runStatement(const ast::Stmt& s, Sink& sink) {
        try {
            // Only the INSERTs that draw identities leave counters unwritten; any other
            // statement may read them (IDENT_CURRENT, SysColumns, a procedure, TRUNCATE).
            if (!pendingIdentity.empty() && s.kind != ast::StmtKind::Insert) flushIdentity();
            Flow f = run(s, sink);
            if (s.kind != ast::StmtKind::If && s.kind != ast::StmtKind::Block &&
                s.kind != ast::StmtKind::While)
                lastError = 0;
            return f;
        } catch (Error& e) {
            if (e.line == 0 && !e.lineFixed) e.line = s.pos.line;
            if (e.procedure.empty() && frame) e.procedure = frame->procedure;
            lastError = e.number;
            rowcount = 0;
            // With ANSI_WARNINGS on, a division by zero ends only its statement.
            // Arithmetic overflow (8115, 220, 232) ends only its statement as well.
            static const std::set<int> statementLevel = {220,  232,  515,  547, 2601,
                                                         2627, 8115, 8134, 8152};
            if (statementLevel.count(e.number)) e.abortsBatch = false;
            if (e.abortsBatch || tryDepth > 0) throw;
            sink.error(e);
            static const std::set<int> terminated = {515, 547, 2601, 2627, 8152};
            static const std::set<int> overflow = {220, 232, 8115};
            const bool changesRows = s.kind == ast::StmtKind::Insert ||
                                     s.kind == ast::StmtKind::Update ||
                                     s.kind == ast::StmtKind::Delete;
            if (terminated.count(e.number) || (overflow.count(e.number) && changesRows))
                sink.message("The statement has been terminated.");
            return Flow::Next;
        }
    }

    Flow run(const ast::Stmt& s, Sink& sink) {
        using K = ast::StmtKind;
        stmtSchemas.clear();
        switch (s.kind) {
            case K::Empty:
                return Flow::Next;
            case K::Select:
                runSelect(s, sink);
                return Flow::Next;
            case K::Insert:
                runInsert(s, sink);
                return Flow::Next;
            case K::Update:
            case K::Delete:
                runUpdateDelete(s, sink);
                return Flow::Next;
            case K::Truncate: {
                auto t = findTable(s.target);
                atomically([&] {
                    exec("DELETE FROM " + t->sqlName());
                    // TRUNCATE starts the identity again at its seed.
                    identityCache.clear();
                    queryRow("UPDATE " + quoteIdent(t->schema) +
                                 ".__tsq_columns SET last = NULL WHERE id = ? AND isidentity = 1",
                             {Value::integer(t->id)});
                });
                return Flow::Next;
            }
            case K::Declare:
                for (auto& v : s.vars) {
                    Variable var;
                    Translator tr(*this);
                    var.type = tr.resolveType(v.type, false);
                    frame->vars[lower(v.name)] = var;
                    if (v.init) {
                        SqlType from;
                        Value val = evalExpr(*v.init, &from);
                        setVariable(v.name, val, from);
                    }
                }
                return Flow::Next;
            case K::SetVariable: {
                SqlType from;
                Value val = evalExpr(*s.value, &from);
                setVariable(s.variable, val, from);
                return Flow::Next;
            }
            case K::SetOption:
                if (upperAscii(s.name) == "NOCOUNT") nocount = upperAscii(s.optionValue) == "ON";
                if (upperAscii(s.name) == "IDENTITY_INSERT") {
                    auto t = findTable(s.target);
                    if (t->identityColumn < 0)
                        throw Error(8106,
                                    "Table '" + t->name +
                                        "' does not have the identity property. Cannot perform SET "
                                        "operation.",
                                    16, 1);
                    std::string key = t->schema + "." + lower(t->name);
                    identityInsert = upperAscii(s.optionValue) == "ON" ? key : "";
                    clearStatementCache();
                }
                return Flow::Next;
            case K::If:
                if (evalCondition(*s.value)) return runStatement(*s.thenStmt, sink);
                if (s.elseStmt) return runStatement(*s.elseStmt, sink);
                return Flow::Next;
            case K::While: {
                while (evalCondition(*s.value)) {
                    Flow f = runStatement(*s.thenStmt, sink);
                    if (f == Flow::Break) break;
                    if (f == Flow::Return) return f;
                    if (deadlineSet && std::chrono::steady_clock::now() > deadline)
                        throw Error(-2, "Query timeout expired", 16, 1);
                }
                return Flow::Next;
            }
            case K::Block:
                return runList(s.body, sink);
            case K::Break:
                return Flow::Break;
            case K::Continue:
                return Flow::Continue;
            case K::Return:
                if (s.value) {
                    SqlType from;
                    Value v = evalExpr(*s.value, &from);
                    frame->returnValue = convertValue(v, from, *SqlType::parse("int"));
                }
                return Flow::Return;
            case K::BeginTran:
                if (tranCount == 0) {
                    attachAllForTransaction();
                    // Deferred: each database is locked when the transaction first uses it.
                    exec("BEGIN");
                    tranLocked.clear();
                    savepoints.clear();
                    tranName = lower(s.name);
                }
                ++tranCount;
                return Flow::Next;
            case K::CommitTran:
                if (tranCount == 0)
                    throw statementError(
                        Error(3902,
                              "The COMMIT TRANSACTION request has no corresponding BEGIN "
                              "TRANSACTION.",
                              16, 1));
                if (--tranCount == 0) {
                    flushIdentity();
                    identityCache.clear();
                    exec("COMMIT");
                    tranLocked.clear();
                }
                return Flow::Next;
            case K::RollbackTran:
                if (tranCount == 0)
                    throw statementError(
                        Error(3903,
                              "The ROLLBACK TRANSACTION request has no corresponding BEGIN "
                              "TRANSACTION.",
                              16, 1));
                if (!s.name.empty() && savepoints.count(lower(s.name))) {
                    // Back to the savepoint; the transaction stays open.
                    exec("ROLLBACK TO " + quoteIdent("sp_" + lower(s.name)));
                    return Flow::Next;
                }
                if (!s.name.empty() && lower(s.name) != tranName)
                    throw statementError(
                        Error(6401,
                              "Cannot roll back " + s.name +
                                  ". No transaction or savepoint of that name was found.",
                              16, 1));
                tranCount = 0;
                savepoints.clear();
                identityCache.clear();
                exec("ROLLBACK");
                tranLocked.clear();
                return Flow::Next;
            case K::TryCatch: {
                Flow f = Flow::Next;
                ++tryDepth;
                try {
                    f = runList(s.body, sink);
                    --tryDepth;
                } catch (Error& e) {
                    --tryDepth;
                    // Syntax errors of the batch never get here; everything else does.
                    if (e.number == -2) throw;  // a time-out ends the batch
                    caught.push_back(e);
                    try {
                        f = runList(s.catchBody, sink);
                    } catch (...) {
                        caught.pop_back();
                        throw;
                    }
                    caught.pop_back();
                }
                return f;
            }
            case K::Throw: {
                if (s.raiserrorArgs.empty()) {
                    if (caught.empty())
                        throw Error(10704,
                                    "To rethrow an error, a THROW statement must be used inside a "
                                    "CATCH block. Insert the THROW statement inside a CATCH block, "
                                    "or add error parameters to the THROW statement.",
                                    15, 1);
                    Error e = caught.back();
                    e.abortsBatch = true;
                    throw e;
                }
                SqlType t;
                Value n = evalExpr(*s.raiserrorArgs[0]);
                Value m = evalExpr(*s.raiserrorArgs[1], &t);
                Value st = evalExpr(*s.raiserrorArgs[2]);
                Error e(static_cast<int>(n.i), m.isNull() ? "" : displayText(m, t), 16,
                        static_cast<int>(st.i));
                e.abortsBatch = true;
                throw e;
            }
            case K::SaveTran:
                if (tranCount == 0)
                    throw statementError(Error(
                        628, "Cannot issue SAVE TRANSACTION when there is no active transaction.",
                        16, 1));
                exec("SAVEPOINT " + quoteIdent("sp_" + lower(s.name)));
                savepoints.insert(lower(s.name));
                return Flow::Next;
            case K::Print: {
                rowcount = 0;
                SqlType from;
                Value v = evalExpr(*s.value, &from);
                sink.message(
                    v.isNull()
                        ? ""
                        : displayText(convertValue(v, from, *SqlType::parse("nvarchar(4000)")),
                                      *SqlType::parse("nvarchar(4000)")));
                return Flow::Next;
            }
            case K::Raiserror:
                runRaiserror(s, sink);
                return Flow::Next;
            case K::Use: {
                std::string name = canonicalName(s.name);
                if (name.empty())
                    throw Error(
                        911,
                        "Database '" + s.name +
                            "' does not exist. Make sure that the name is entered correctly.",
                        16, 1);
                schemaOf(name);
                sink.message("Changed database context to '" + name + "'.");
                if (frame->depth == 0) current = name;
                frame->db = name;
                return Flow::Next;
            }
            case K::CreateDatabase:
                createDatabase(s.name, sink);
                return Flow::Next;
            case K::DropDatabase:
                dropDatabase(s.name);
                return Flow::Next;
            case K::CreateTable:
                createTable(s);
                return Flow::Next;
            case K::AlterTable:
                alterTable(s, sink);
                return Flow::Next;
            case K::DropTable:
                dropTable(s);
                return Flow::Next;
            case K::CreateIndex:
                createIndex(s);
                return Flow::Next;
            case K::DropIndex:
                dropIndex(s);
                return Flow::Next;
            case K::CreateType: {
                Translator tr(*this);
                SqlType base = tr.resolveType(s.baseType, false);
                createType(s.name, base, s.nullable.value_or(true));
                return Flow::Next;
            }
            case K::CreateProcedure:
                createProcedure(s);
                return Flow::Next;
            case K::DropProcedure:
                dropProcedure(s);
                return Flow::Next;
            case K::Exec:
                runExec(s, sink);
                return Flow::Next;
            case K::ExecDynamic: {
                SqlType from;
                Value v = evalExpr(*s.value, &from);
                std::string text = v.isNull() ? "" : v.s;
                runNested(text, sink);
                return Flow::Next;
            }
        }
        return Flow::Next;
    }

    void runNested(const std::string& text, Sink& sink,
                   std::map<std::string, Variable>* vars = nullptr) {
        if (frame->depth >= kMaxNesting)
            throw Error(217,
                        "Maximum stored procedure, function, trigger, or view nesting level "
                        "exceeded (limit 32).",
                        16, 1);
        std::shared_ptr<ast::Batch> batch;
        try {
            batch = parse(text);
        } catch (Error& e) {
            // A dynamic batch that does not compile ends only itself.
            e.abortsBatch = false;
            e.lineFixed = true;
            throw;
        }
        Frame f;
        f.db = frame->db;
        f.depth = frame->depth + 1;
        f.procedure = frame->procedure;
        if (vars) f.vars = *vars;
        Frame* saved = frame;
        frame = &f;
        auto tempsBefore = tempTables();
        try {
            runList(batch->statements, sink);
        } catch (Error& e) {
            frame = saved;
            dropTempTablesSince(tempsBefore);
            // Name and binding errors are compile errors of the dynamic batch: they end it
            // alone, as its syntax errors do.
            static const std::set<int> compileErrors = {102, 137, 156, 174,  189, 195,
                                                        207, 208, 209, 4104, 8120};
            if (compileErrors.count(e.number)) e.abortsBatch = false;
            throw;
        } catch (...) {
            frame = saved;
            throw;
        }
        frame = saved;
        dropTempTablesSince(tempsBefore);
        if (vars) *vars = f.vars;
    }

    // #tables created inside a procedure or dynamic batch go when it ends: the session notes
    // each one it makes, and a scope drops those made since it began.
    size_t tempTables() const { return nextTempSeq; }

    void dropTempTablesSince(size_t mark) {
        while (!tempMade.empty() && tempMade.back().first >= mark) {
            std::string name = tempMade.back().second;
            tempMade.pop_back();
            ast::ObjectName n;
            n.parts = {name};
            ast::Stmt drop;
            drop.kind = ast::StmtKind::DropTable;
            drop.target = n;
            drop.ifExists = true;
            try {
                dropTable(drop);
            } catch (const Error&) {
            }
        }
    }

    // sp_executesql @stmt [, @params [, values...]]
    void runExecuteSql(const ast::Stmt& s, Sink& sink) {
        if (s.args.empty()) return;
        Value text = evalExpr(*s.args[0].value);
        std::map<std::string, Variable> vars;
        std::vector<std::string> order;
        std::set<std::string> outputs;
        if (s.args.size() > 1 && s.args[1].value) {
            std::string defs = evalExpr(*s.args[1].value).s;
            // OUTPUT marks are not part of a DECLARE: note them and take them out.
            std::string plain, word;
            for (size_t i = 0; i <= defs.size(); ++i) {
                char ch = i < defs.size() ? defs[i] : ' ';
                if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '@') {
                    word += ch;
                    continue;
                }
                std::string up = upperAscii(word);
                if (up == "OUTPUT" || up == "OUT") {
                    if (!order.empty()) outputs.insert(order.back());
                } else {
                    if (!word.empty() && word[0] == '@') order.push_back(lower(word));
                    plain += word;
                }
                word.clear();
                if (i < defs.size()) plain += ch;
            }
            if (!plain.empty()) {
                auto decl = parse("DECLARE " + plain);
                Translator tr(*this);
                for (auto& st : decl->statements)
                    for (auto& v : st->vars)
                        vars[lower(v.name)] =
                            Variable{tr.resolveType(v.type, false), Value::null()};
            }
        }
        std::vector<std::pair<std::string, std::string>> writeBack;  // param -> caller variable
        size_t positional = 0;
        for (size_t i = 2; i < s.args.size(); ++i) {
            const auto& a = s.args[i];
            std::string name = a.name.empty()
                                   ? (positional < order.size() ? order[positional++] : "")
                                   : lower(a.name);
            auto it = vars.find(name);
            if (it == vars.end())
                throw Error(8145,
                            (a.name.empty() ? std::string("@?") : a.name) +
                                " is not a parameter for procedure sp_executesql.",
                            16, 1);
            if (a.value) {
                SqlType from;
                Value v = evalExpr(*a.value, &from);
                it->second.value = convertValue(v, from, it->second.type);
                if (a.output && a.value->kind == ast::ExprKind::Variable)
                    writeBack.emplace_back(name, a.value->text);
            }
        }
        runNested(text.isNull() ? "" : text.s, sink, &vars);
        for (auto& [param, callerVar] : writeBack)
            if (outputs.count(param)) setVariable(callerVar, vars[param].value, vars[param].type);
    }

    void runRaiserror(const ast::Stmt& s, Sink& sink) {
        SqlType from;
        Value msg = evalExpr(*s.value, &from);
        int severity = 16, state = 1;
        if (s.raiserrorArgs.size() > 0)
            severity = static_cast<int>(evalExpr(*s.raiserrorArgs[0]).i);
        if (s.raiserrorArgs.size() > 1) state = static_cast<int>(evalExpr(*s.raiserrorArgs[1]).i);
        std::string text;
        int number = 50000;
        if (msg.kind == Value::Kind::Int) {
            number = static_cast<int>(msg.i);
            text = "Error " + std::to_string(number);
        } else {
            text = msg.s;
        }
        // printf-style substitution of %s and %d.
        std::string out;
        size_t argi = 2;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 1 < text.size()) {
                size_t j = i + 1;
                while (j < text.size() &&
                       std::string("-+ #0123456789.lh").find(text[j]) != std::string::npos)
                    ++j;
                if (j < text.size() && std::string("sdiuxXo").find(text[j]) != std::string::npos) {
                    if (argi < s.raiserrorArgs.size()) {
                        SqlType t;
                        Value a = evalExpr(*s.raiserrorArgs[argi++], &t);
                        out += a.isNull() ? "(null)" : displayText(a, t);
                    }
                    i = j;
                    continue;
                }
                if (text[i + 1] == '%') {
                    out += '%';
                    ++i;
                    continue;
                }
            }
            out += text[i];
        }
        if (severity <= 10) {
            sink.message(out);
            return;
        }
        Error e(number, out, severity, state);
        e.abortsBatch = false;
        throw e;
    }

    void runSelect(const ast::Stmt& s, Sink& sink) {
        const ast::SelectStmt& sel = *s.select;
        if (sel.cores.size() == 1 && sel.cores[0].into) {
            selectInto(s, sink);
            return;
        }
        auto& c = cached(&s, [&](Translator& tr, CachedStmt& cs) {
            SelectTx t = tr.select(sel);
            cs.sql = t.sql;
            cs.columns = t.columns;
            cs.assignVars = t.assignVars;
        });
        long long n = runRows(c, &sink);
        if (c.assignVars.empty())
            reportCount(sink, n);
        else
            rowcount = n;
    }

    void selectInto(const ast::Stmt& s, Sink& sink) {
        const ast::SelectCore& core = s.select->cores[0];
        ast::ObjectName target = *core.into;
        if (tryFindTable(target))
            throw Error(2714,
                        "There is already an object named '" + target.name() + "' in the database.",
                        16, 6);
        // Translate the query without its INTO.
        Translator tr(*this);
        SelectTx t = tr.select(*s.select);
        std::vector<ColumnInfo> cols;
        bool identityTaken = false;
        for (size_t k = 0; k < t.columns.size(); ++k) {
            const Column& c = t.columns[k];
            if (c.name.empty())
                throw Error(1038,
                            "An object or column name is missing or empty. For SELECT INTO "
                            "statements, verify each column has a name. For other statements, "
                            "look for empty alias names. Aliases defined as \"\" or [] are not "
                            "allowed. Change the alias to a valid name.",
                            16, 1);
            ColumnInfo ci;
            ci.name = c.name;
            ci.type = c.type.base == BaseType::Unknown ? *SqlType::parse("int") : c.type;
            // A column copied as it is keeps NOT NULL, and IDENTITY when the query reads one
            // table only, as SQL Server's SELECT INTO does.
            const ColumnInfo* origin = k < t.origins.size() ? t.origins[k] : nullptr;
            if (origin) {
                ci.nullable = origin->nullable;
                if (origin->identity && t.singleTable && !identityTaken) {
                    ci.identity = true;
                    ci.seed = origin->seed;
                    ci.step = origin->step;
                    identityTaken = true;
                }
            }
            cols.push_back(ci);
        }
        std::string schema =
            target.isTemp()
                ? "temp"
                : schemaOf(target.database().empty() ? currentDatabase() : target.database());
        long long n = 0;
        atomically([&] {
            makeTable(schema, target.name(), cols, {});
            std::string sql =
                "INSERT INTO " + quoteIdent(schema) + "." + quoteIdent(target.name()) + " " + t.sql;
            CachedStmt c;
            c.sql = sql;
            c.binds = tr.binds();
            c.st = prepare(sql);
            try {
                n = runChange(c);
            } catch (...) {
                sqlite3_finalize(c.st);
                throw;
            }
            sqlite3_finalize(c.st);
            for (size_t k = 0; k < cols.size(); ++k)
                if (cols[k].identity)
                    queryRow("UPDATE " + quoteIdent(schema) +
                                 ".__tsq_columns SET last = (SELECT max(" +
                                 quoteIdent(cols[k].name) + ") FROM " + quoteIdent(schema) + "." +
                                 quoteIdent(target.name()) + ") WHERE id = (SELECT id FROM " +
                                 quoteIdent(schema) +
                                 ".__tsq_objects WHERE name = ? AND xtype = 'U') AND colid = ?",
                             {Value::text(target.name()),
                              Value::integer(static_cast<long long>(k + 1))});
        });
        reportCount(sink, n);
    }

    void runInsert(const ast::Stmt& s, Sink& sink) {
        try {
            insertRows(s, sink);
        } catch (Error& e) {
            if ((e.number == 2627 || e.number == 2601) && !conflictColumns.empty())
                e.message += duplicateKeySuffix(s);
            throw;
        }
    }

    // " The duplicate key value is (...)." for an INSERT that broke a unique key: the rows it
    // tried to insert are computed again and the first one whose key is taken is shown.
    std::string duplicateKeySuffix(const ast::Stmt& s) {
        auto it = stmts.find(cacheKey(&s));
        if (it == stmts.end()) return "";
        const std::string& sql = it->second.sql;
        auto open = sql.find(" (");
        auto close = sql.find(") ", open == std::string::npos ? 0 : open);
        if (open == std::string::npos || close == std::string::npos) return "";
        std::vector<std::string> cols;
        std::string list = sql.substr(open + 2, close - open - 2), cur;
        bool quoted = false;
        for (char ch : list) {
            if (ch == '"')
                quoted = !quoted;
            else if (ch == ',' && !quoted) {
                cols.push_back(lower(cur));
                cur.clear();
            } else
                cur += ch;
        }
        cols.push_back(lower(cur));
        std::vector<int> keyAt;
        for (auto& k : conflictColumns) {
            auto f = std::find(cols.begin(), cols.end(), lower(k));
            if (f == cols.end()) return "";
            keyAt.push_back(static_cast<int>(f - cols.begin()));
        }
        auto t = findTable(s.target);
        std::string probe = "SELECT 1 FROM " + t->sqlName() + " WHERE ";
        for (size_t i = 0; i < conflictColumns.size(); ++i)
            probe += (i ? " AND " : "") + quoteIdent(conflictColumns[i]) + " = ?";
        std::vector<std::vector<Value>> rows;
        sqlite3_stmt* st = nullptr;
        std::string rest = sql.substr(close + 2);
        if (sqlite3_prepare_v2(db, rest.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            return "";
        }
        const auto& binds = it->second.binds;
        for (size_t i = 0; i < binds.size(); ++i)
            bindValue(st, static_cast<int>(i + 1), bindFor(binds[i]));
        while (rows.size() < 10000 && sqlite3_step(st) == SQLITE_ROW) {
            std::vector<Value> key;
            for (int k : keyAt) key.push_back(columnValue(st, k));
            rows.push_back(std::move(key));
        }
        sqlite3_finalize(st);
        auto shown = [&](const std::vector<Value>& key) {
            std::string out;
            for (size_t i = 0; i < key.size(); ++i) {
                const ColumnInfo* c = t->column(conflictColumns[i]);
                out += (i ? ", " : "") + (key[i].isNull()
                                              ? std::string("<NULL>")
                                              : displayText(key[i], c ? c->type : SqlType{}));
            }
            return " The duplicate key value is (" + out + ").";
        };
        for (auto& key : rows)
            if (!queryRow(probe, key).empty()) return shown(key);
        for (size_t a = 0; a < rows.size(); ++a)
            for (size_t b = a + 1; b < rows.size(); ++b) {
                bool same = true;
                for (size_t k = 0; k < rows[a].size() && same; ++k) {
                    const Value &x = rows[a][k], &y = rows[b][k];
                    same = x.kind == Value::Kind::Text && y.kind == Value::Kind::Text
                               ? collateCompare(x.s, y.s) == 0
                               : x == y;
                }
                if (same) return shown(rows[b]);
            }
        return "";
    }

    void insertRows(const ast::Stmt& s, Sink& sink) {
        auto t = findTable(s.target);
        if (t->system)
            throw Error(259, "Ad hoc updates to system catalogs are not allowed.", 16, 1);
        lastVerb = "INSERT";
        bool explicitIdentity =
            t->identityColumn >= 0 && identityInsert == t->schema + "." + lower(t->name);
        auto& c = cached(&s, [&](Translator& tr, CachedStmt& cs) {
            cs.sql = tr.insert(s, *t, explicitIdentity, nullptr);
        });
        long long n = 0;
        if (explicitIdentity) {
            // Explicit values move the counter on when they pass it.
            flushIdentity();
            identityCache.clear();
            std::string cat = quoteIdent(t->schema) + ".__tsq_columns";
            std::string col = quoteIdent(t->columns[t->identityColumn].name);
            atomically([&] {
                n = runChange(c);
                queryRow(
                    "UPDATE " + cat + " SET last = (SELECT max(" + col + ") FROM " + t->sqlName() +
                        ") WHERE id = ? AND colid = ? AND (last IS NULL OR last < (SELECT max(" +
                        col + ") FROM " + t->sqlName() + "))",
                    {Value::integer(t->id), Value::integer(t->identityColumn + 1)});
            });
        } else if (t->identityColumn >= 0) {
            std::string cat = quoteIdent(t->schema) + ".__tsq_columns";
            int colid = t->identityColumn + 1;
            std::string key = t->schema + "." + std::to_string(t->id);
            auto draw = [&] {
                // Inside a transaction the write lock is ours: the counter read once stays
                // right until it ends.
                auto cachedLast = identityCache.find(key);
                long long base, step;
                if (tranCount > 0 && cachedLast != identityCache.end()) {
                    base = cachedLast->second.first;
                    step = cachedLast->second.second;
                } else {
                    auto row = queryRow(
                        "SELECT last, seed, step FROM " + cat + " WHERE id = ? AND colid = ?",
                        {Value::integer(t->id), Value::integer(colid)});
                    long long seed = row.size() > 1 && !row[1].isNull() ? row[1].i : 1;
                    step = row.size() > 2 && !row[2].isNull() ? row[2].i : 1;
                    base = row.empty() || row[0].isNull() ? seed - step : row[0].i;
                }
                identityBase = Value::integer(base);
                n = runChange(c);
                if (n > 0) {
                    long long last = base + n * step;
                    if (tranCount > 0)
                        pendingIdentity[key] = {cat, t->id, colid, last};
                    else
                        queryRow(
                            "UPDATE " + cat + " SET last = ? WHERE id = ? AND colid = ?",
                            {Value::integer(last), Value::integer(t->id), Value::integer(colid)});
                    lastIdentity = Value::integer(last);
                    if (tranCount > 0) identityCache[key] = {last, step};
                }
            };
            // One INSERT statement is atomic by itself; outside a transaction the counter
            // and the rows must still commit together.
            if (tranCount > 0)
                draw();
            else
                atomically(draw);
        } else {
            n = runChange(c);
        }
        reportCount(sink, n);
    }

    void runUpdateDelete(const ast::Stmt& s, Sink& sink) {
        auto t = findTable(s.target);
        // UPDATE alias ... FROM Table alias: the target is named by its alias.
        if (t->system)
            throw Error(259, "Ad hoc updates to system catalogs are not allowed.", 16, 1);
        lastVerb = s.kind == ast::StmtKind::Update ? "UPDATE" : "DELETE";
        auto& c = cached(&s, [&](Translator& tr, CachedStmt& cs) {
            cs.sql = s.kind == ast::StmtKind::Update ? tr.update(s, *t) : tr.del(s, *t);
        });
        reportCount(sink, runChange(c));
    }

    // ---- DDL ---------------------------------------------------------------------------------

    std::string sourceText(const ast::Expr& e) {
        if (!batchText || e.sourceEnd <= e.pos.offset) return "";
        return batchText->substr(static_cast<size_t>(e.pos.offset),
                                 static_cast<size_t>(e.sourceEnd - e.pos.offset));
    }

    long long nextObjectId(const std::string& schema) {
        auto row = queryRow("SELECT coalesce(max(id), 1000000) + 1 FROM " + quoteIdent(schema) +
                            ".__tsq_objects");
        return row[0].i;
    }

    std::string columnDdl(const ColumnInfo& c) {
        std::string d = quoteIdent(c.name) + " " + sqliteAffinity(c.type);
        if (!c.nullable) d += " NOT NULL";
        return d;
    }

    void makeTable(const std::string& schema, const std::string& name,
                   const std::vector<ColumnInfo>& cols,
                   const std::vector<ast::TableConstraint>& constraints) {
        std::string s = quoteIdent(schema);
        std::string ddl = "CREATE TABLE " + s + "." + quoteIdent(name) + " (";
        for (size_t i = 0; i < cols.size(); ++i) ddl += (i ? ", " : "") + columnDdl(cols[i]);
        for (auto& k : constraints) {
            ddl += k.primaryKey ? ", PRIMARY KEY (" : ", UNIQUE (";
            for (size_t i = 0; i < k.columns.size(); ++i)
                ddl += (i ? ", " : "") + quoteIdent(k.columns[i]);
            ddl += ")";
        }
        ddl += ")";
        exec(ddl);
        if (schema == "temp") tempMade.emplace_back(nextTempSeq++, name);
        long long id = nextObjectId(schema);
        queryRow("INSERT INTO " + s +
                     ".__tsq_objects(id, name, xtype, parent_obj, crdate) VALUES (?, ?, 'U', 0, ?)",
                 {Value::integer(id), Value::text(name), Value::text(currentDateTime())});
        for (size_t i = 0; i < cols.size(); ++i) {
            insertColumnRow(schema, id, static_cast<int>(i + 1), cols[i]);
        }
        int indid = 1;
        for (auto& k : constraints) {
            std::string kname = k.name.empty()
                                    ? (k.primaryKey ? "PK__" : "UQ__") + name + "__" +
                                          std::to_string(id % 100000) + std::to_string(indid)
                                    : k.name;
            long long kid = nextObjectId(schema);
            queryRow(
                "INSERT INTO " + s +
                    ".__tsq_objects(id, name, xtype, parent_obj, crdate) VALUES (?, ?, ?, ?, ?)",
                {Value::integer(kid), Value::text(kname), Value::text(k.primaryKey ? "PK" : "UQ"),
                 Value::integer(id), Value::text(currentDateTime())});
            std::string colsText;
            for (size_t i = 0; i < k.columns.size(); ++i) colsText += (i ? "," : "") + k.columns[i];
            queryRow(
                "INSERT INTO " + s +
                    ".__tsq_indexes(id, name, indid, isunique, isprimary, columns) VALUES "
                    "(?,?,?,1,?,?)",
                {Value::integer(id), Value::text(kname), Value::integer(k.primaryKey ? 1 : ++indid),
                 Value::integer(k.primaryKey), Value::text(colsText)});
            if (k.primaryKey && indid == 1) indid = 1;
        }
        bumpVersion(schema);
    }

    ColumnInfo columnInfo(const ast::ColumnDef& d) {
        Translator tr(*this);
        ColumnInfo c;
        c.name = d.name;
        c.type = tr.resolveType(d.type, false);
        bool typeNullable = true;
        if (!c.type.userType.empty()) {
            auto& cat = catalog(schemaOf(currentDatabase()));
            auto it = cat.userTypeNullable.find(lower(c.type.userType));
            if (it != cat.userTypeNullable.end()) typeNullable = it->second;
        }
        c.nullable = d.nullable.value_or(typeNullable) && !d.primaryKey && !d.identity;
        c.identity = d.identity;
        c.seed = d.identitySeed;
        c.step = d.identityStep;
        if (d.defaultValue) c.defaultExpr = sourceText(*d.defaultValue);
        return c;
    }

    void createTable(const ast::Stmt& s) {
        std::string schema =
            s.target.isTemp()
                ? "temp"
                : schemaOf(s.target.database().empty() ? currentDatabase() : s.target.database());
        if (catalog(schema).tables.count(lower(s.target.name())))
            throw Error(
                2714, "There is already an object named '" + s.target.name() + "' in the database.",
                16, 6);
        std::vector<ColumnInfo> cols;
        std::vector<ast::TableConstraint> cons = {};
        for (auto& d : s.columnDefs) {
            cols.push_back(columnInfo(d));
            if (d.primaryKey || d.unique) {
                ast::TableConstraint k;
                k.name = d.constraintName;
                k.primaryKey = d.primaryKey;
                k.columns = {d.name};
                cons.push_back(k);
            }
        }
        for (auto& k : s.constraints) {
            cons.push_back({k.name, k.primaryKey, k.columns, k.descending});
            if (k.primaryKey)
                for (auto& cn : k.columns)
                    for (auto& c : cols)
                        if (lower(c.name) == lower(cn)) c.nullable = false;
        }
        atomically([&] { makeTable(schema, s.target.name(), cols, cons); });
    }

    void alterTable(const ast::Stmt& s, Sink& sink) {
        auto t = findTable(s.target);
        std::string sch = quoteIdent(t->schema);
        std::string tbl = sch + "." + quoteIdent(t->name);
        using A = ast::Stmt::AlterAction;
        atomically([&] {
            if (s.alterAction == A::Add) {
                int colid = static_cast<int>(t->columns.size());
                for (auto& d : s.columnDefs) {
                    ColumnInfo c = columnInfo(d);
                    if (t->column(c.name))
                        throw Error(2705,
                                    "Column names in each table must be unique. Column name '" +
                                        c.name + "' in table '" + t->name +
                                        "' is specified more than once.",
                                    16, 4);
                    std::string ddl = "ALTER TABLE " + tbl + " ADD COLUMN " + quoteIdent(c.name) +
                                      " " + sqliteAffinity(c.type);
                    bool empty = queryRow("SELECT count(*) FROM " + tbl)[0].i == 0;
                    if (!c.nullable) {
                        Value dv;
                        if (!c.defaultExpr.empty()) {
                            auto b = parse("SELECT " + c.defaultExpr);
                            SqlType from;
                            dv = convertValue(
                                evalExpr(*b->statements[0]->select->cores[0].items[0].expr, &from),
                                from, c.type);
                        } else if (!empty) {
                            throw Error(
                                4901,
                                "ALTER TABLE only allows columns to be added that can contain "
                                "nulls, or have a DEFAULT definition specified, or the column "
                                "being added is an identity or timestamp column, or alternatively "
                                "if none of the previous conditions are satisfied the table must "
                                "be empty to allow addition of this column. Column '" +
                                    c.name + "' cannot be added to non-empty table '" + t->name +
                                    "' because it does not satisfy these conditions.",
                                16, 1);
                        } else {
                            dv = c.type.isNumeric() ? Value::integer(0) : Value::text("");
                        }
                        ddl += " NOT NULL DEFAULT " + valueLiteral(dv);
                    }
                    exec(ddl);
                    ++colid;
                    insertColumnRow(t->schema, t->id, colid, c);
                }
            } else if (s.alterAction == A::AlterColumn) {
                for (auto& d : s.columnDefs) {
                    int idx = -1;
                    if (!t->column(d.name, &idx)) throw errors::invalidColumn(d.name);
                    ColumnInfo c = columnInfo(d);
                    const ColumnInfo& old = t->columns[idx];
                    if (!c.nullable && queryRow("SELECT count(*) FROM " + tbl + " WHERE " +
                                                quoteIdent(old.name) + " IS NULL")[0]
                                               .i > 0) {
                        Error e(515,
                                "Cannot insert the value NULL into column '" + old.name +
                                    "', table '" + t->dbName + ".dbo." + t->name +
                                    "'; column does not allow nulls. UPDATE fails.",
                                16, 2);
                        e.abortsBatch = false;
                        throw e;
                    }
                    exec("UPDATE " + tbl + " SET " + quoteIdent(old.name) + " = tsq_convert(" +
                         quoteIdent(old.name) + "," + quoteLiteral(old.type.toString()) + "," +
                         quoteLiteral(c.type.toString()) + ",NULL,1)");
                    queryRow(
                        "UPDATE " + sch +
                            ".__tsq_columns SET type = ?, nullable = ?, xtype = ?, length = ?, "
                            "prec = ?, scale = ? WHERE id = ? AND colid = ?",
                        {Value::text(c.type.toString()), Value::integer(c.nullable),
                         Value::integer(systemTypeId(c.type)), Value::integer(byteLength(c.type)),
                         Value::integer(c.type.base == BaseType::Decimal ? c.type.precision : 0),
                         Value::integer(c.type.scale), Value::integer(t->id),
                         Value::integer(idx + 1)});
                }
                // SQLite keeps a column's affinity and NOT NULL in its own schema: build the
                // table anew from the catalog.
                rebuildTable(t->schema, t->id, t->name);
            } else if (s.alterAction == A::DropColumn) {
                for (auto& name : s.columns) {
                    int idx = -1;
                    if (!t->column(name, &idx))
                        throw Error(4924,
                                    "ALTER TABLE DROP COLUMN failed because column '" + name +
                                        "' does not exist in table '" + t->name + "'.",
                                    16, 1);
                    for (auto& ix : catalog(t->schema).indexes)
                        if (lower(ix.table) == lower(t->name))
                            for (auto& col : ix.columns)
                                if (lower(col) == lower(name)) {
                                    Error dep(5074,
                                              std::string(ix.constraint ? "The object '"
                                                                        : "The index '") +
                                                  ix.name + "' is dependent on column '" + name +
                                                  "'.",
                                              16, 1);
                                    dep.line = s.pos.line;
                                    sink.error(dep);
                                    Error e(4922,
                                            "ALTER TABLE DROP COLUMN " + name +
                                                " failed because one or more objects access this "
                                                "column.",
                                            16, 9);
                                    e.abortsBatch = false;
                                    throw e;
                                }
                    exec("ALTER TABLE " + tbl + " DROP COLUMN " + quoteIdent(t->columns[idx].name));
                    queryRow("DELETE FROM " + sch + ".__tsq_columns WHERE id = ? AND colid = ?",
                             {Value::integer(t->id), Value::integer(idx + 1)});
                    queryRow("UPDATE " + sch +
                                 ".__tsq_columns SET colid = colid - 1 WHERE id = ? AND colid > ?",
                             {Value::integer(t->id), Value::integer(idx + 1)});
                }
            } else if (s.alterAction == A::DropConstraint) {
                // A primary key or unique constraint is an index of the table: a separate one is
                // dropped, one built into the table goes with a rebuild. Default and check
                // constraints are not kept by name, so their names change nothing.
                auto found = queryRows("SELECT indid, sqlname FROM " + sch +
                                           ".__tsq_indexes WHERE id = ? AND lower(name) = lower(?)",
                                       {Value::integer(t->id), Value::text(s.name)});
                if (!found.empty()) {
                    queryRow("DELETE FROM " + sch + ".__tsq_indexes WHERE id = ? AND indid = ?",
                             {Value::integer(t->id), found[0][0]});
                    queryRow("DELETE FROM " + sch +
                                 ".__tsq_objects WHERE parent_obj = ? AND lower(name) = lower(?)",
                             {Value::integer(t->id), Value::text(s.name)});
                    if (found[0][1].isNull())
                        rebuildTable(t->schema, t->id, t->name);
                    else
                        exec("DROP INDEX " + sch + "." + quoteIdent(found[0][1].s));
                }
            } else {
                // Constraints added later are recorded as unique indexes.
                for (auto& k : s.constraints) {
                    std::string ixName = t->name + "$" + (k.name.empty() ? "k" : k.name);
                    std::string cols;
                    for (size_t i = 0; i < k.columns.size(); ++i)
                        cols += (i ? ", " : "") + quoteIdent(k.columns[i]);
                    exec("CREATE UNIQUE INDEX " + sch + "." + quoteIdent(ixName) + " ON " +
                         quoteIdent(t->name) + " (" + cols + ")");
                    std::string colsText;
                    for (size_t i = 0; i < k.columns.size(); ++i)
                        colsText += (i ? "," : "") + k.columns[i];
                    auto next = queryRow("SELECT coalesce(max(indid), 1) + 1 FROM " + sch +
                                             ".__tsq_indexes WHERE id = ?",
                                         {Value::integer(t->id)});
                    queryRow(
                        "INSERT INTO " + sch +
                            ".__tsq_indexes(id, name, indid, isunique, isprimary, columns, "
                            "sqlname) VALUES (?,?,?,1,?,?,?)",
                        {Value::integer(t->id), Value::text(k.name), next[0],
                         Value::integer(k.primaryKey), Value::text(colsText), Value::text(ixName)});
                }
            }
            bumpVersion(t->schema);
        });
    }

    // The catalog row of one column.
    void insertColumnRow(const std::string& schema, long long id, int colid, const ColumnInfo& c) {
        queryRow("INSERT INTO " + quoteIdent(schema) +
                     ".__tsq_columns(id, colid, name, type, usertype, nullable, isidentity, "
                     "seed, step, defaultexpr, xtype, length, prec, scale) VALUES "
                     "(?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                 {Value::integer(id), Value::integer(colid), Value::text(c.name),
                  Value::text(c.type.toString()),
                  c.type.userType.empty() ? Value::null() : Value::text(c.type.userType),
                  Value::integer(c.nullable), Value::integer(c.identity), Value::integer(c.seed),
                  Value::integer(c.step),
                  c.defaultExpr.empty() ? Value::null() : Value::text(c.defaultExpr),
                  Value::integer(systemTypeId(c.type)), Value::integer(byteLength(c.type)),
                  Value::integer(c.type.base == BaseType::Decimal ? c.type.precision : 0),
                  Value::integer(c.type.scale)});
    }

    void rebuildTable(const std::string& schema, long long id, const std::string& name) {
        std::string sch = quoteIdent(schema);
        std::vector<ColumnInfo> cols;
        for (auto& r : queryRows("SELECT name, type, nullable FROM " + sch +
                                     ".__tsq_columns WHERE id = ? ORDER BY colid",
                                 {Value::integer(id)})) {
            ColumnInfo c;
            c.name = r[0].s;
            c.type = SqlType::parse(r[1].s).value_or(SqlType{});
            c.nullable = r[2].i != 0;
            cols.push_back(c);
        }
        auto indexes = queryRows("SELECT isunique, isprimary, columns, sqlname FROM " + sch +
                                     ".__tsq_indexes WHERE id = ? ORDER BY indid",
                                 {Value::integer(id)});
        auto colList = [](const std::string& csv) {
            std::string out, cur;
            for (char ch : csv + ",") {
                if (ch == ',') {
                    out += (out.empty() ? "" : ", ") + quoteIdent(cur);
                    cur.clear();
                } else {
                    cur += ch;
                }
            }
            return out;
        };
        std::string tmp = name + "__rebuild";
        std::string ddl = "CREATE TABLE " + sch + "." + quoteIdent(tmp) + " (";
        std::string names;
        for (size_t i = 0; i < cols.size(); ++i) {
            ddl += (i ? ", " : "") + columnDdl(cols[i]);
            names += (i ? ", " : "") + quoteIdent(cols[i].name);
        }
        for (auto& ix : indexes)
            if (ix[3].isNull())
                ddl += std::string(ix[1].i ? ", PRIMARY KEY (" : ", UNIQUE (") + colList(ix[2].s) +
                       ")";
        exec(ddl + ")");
        exec("INSERT INTO " + sch + "." + quoteIdent(tmp) + " (" + names + ") SELECT " + names +
             " FROM " + sch + "." + quoteIdent(name));
        exec("DROP TABLE " + sch + "." + quoteIdent(name));
        exec("ALTER TABLE " + sch + "." + quoteIdent(tmp) + " RENAME TO " + quoteIdent(name));
        for (auto& ix : indexes)
            if (!ix[3].isNull())
                exec(std::string("CREATE ") + (ix[0].i ? "UNIQUE " : "") + "INDEX " + sch + "." +
                     quoteIdent(ix[3].s) + " ON " + quoteIdent(name) + " (" + colList(ix[2].s) +
                     ")");
    }

    void dropTable(const ast::Stmt& s) {
        auto t = tryFindTable(s.target);
        if (!t) {
            if (s.ifExists) return;
            throw Error(3701,
                        "Cannot drop the table '" + s.target.name() +
                            "', because it does not exist or you do not have permission.",
                        11, 5);
        }
        std::string sch = quoteIdent(t->schema);
        atomically([&] {
            exec("DROP TABLE " + t->sqlName());
            queryRow("DELETE FROM " + sch + ".__tsq_columns WHERE id = ?", {Value::integer(t->id)});
            queryRow("DELETE FROM " + sch + ".__tsq_indexes WHERE id = ?", {Value::integer(t->id)});
            queryRow("DELETE FROM " + sch + ".__tsq_objects WHERE id = ? OR parent_obj = ?",
                     {Value::integer(t->id), Value::integer(t->id)});
            bumpVersion(t->schema);
        });
        if (t->schema == "temp")
            std::erase_if(tempMade,
                          [&](const auto& m) { return lower(m.second) == lower(t->name); });
    }

    void createIndex(const ast::Stmt& s) {
        auto t = findTable(s.target);
        std::string sch = quoteIdent(t->schema);
        auto& cat = catalog(t->schema);
        for (auto& ix : cat.indexes)
            if (lower(ix.table) == lower(t->name) && lower(ix.name) == lower(s.name))
                throw Error(1913,
                            "The operation failed because an index or statistics with name '" +
                                s.name + "' already exists on table '" + t->name + "'.",
                            16, 1);
        std::string cols, colsText;
        for (size_t i = 0; i < s.columns.size(); ++i) {
            if (!t->column(s.columns[i]))
                throw Error(1911,
                            "Column name '" + s.columns[i] +
                                "' does not exist in the target table or view.",
                            16, 1);
            bool desc = i < s.descending.size() && s.descending[i];
            cols += (i ? ", " : "") + quoteIdent(s.columns[i]) + (desc ? " DESC" : "");
            colsText += (i ? "," : "") + s.columns[i];
        }
        std::string ixName = t->name + "$" + s.name;
        atomically([&] {
            exec(std::string("CREATE ") + (s.unique ? "UNIQUE " : "") + "INDEX " + sch + "." +
                 quoteIdent(ixName) + " ON " + quoteIdent(t->name) + " (" + cols + ")");
            auto next = queryRow(
                "SELECT coalesce(max(indid), 1) + 1 FROM " + sch + ".__tsq_indexes WHERE id = ?",
                {Value::integer(t->id)});
            queryRow("INSERT INTO " + sch +
                         ".__tsq_indexes(id, name, indid, isunique, isprimary, columns, sqlname) "
                         "VALUES (?,?,?,?,0,?,?)",
                     {Value::integer(t->id), Value::text(s.name),
                      s.clustered ? Value::integer(1) : next[0], Value::integer(s.unique),
                      Value::text(colsText), Value::text(ixName)});
            bumpVersion(t->schema);
        });
    }

    void dropIndex(const ast::Stmt& s) {
        auto t = findTable(s.target);
        std::string sch = quoteIdent(t->schema);
        auto row = queryRow("SELECT sqlname FROM " + sch +
                                ".__tsq_indexes WHERE id = ? AND name = ? COLLATE NOCASE",
                            {Value::integer(t->id), Value::text(s.name)});
        if (row.empty() || row[0].isNull()) {
            if (s.ifExists) return;
            throw Error(3701,
                        "Cannot drop the index '" + t->name + "." + s.name +
                            "', because it does not exist or you do not have permission.",
                        11, 7);
        }
        atomically([&] {
            exec("DROP INDEX " + sch + "." + quoteIdent(row[0].s));
            queryRow(
                "DELETE FROM " + sch + ".__tsq_indexes WHERE id = ? AND name = ? COLLATE NOCASE",
                {Value::integer(t->id), Value::text(s.name)});
            bumpVersion(t->schema);
        });
    }

    void createType(const std::string& name, const SqlType& base, bool nullable) {
        std::string schema = schemaOf(currentDatabase());
        if (catalog(schema).userTypes.count(lower(name)))
            throw Error(219,
                        "The type '" + name +
                            "' already exists, or you do not have permission to create it.",
                        16, 1);
        atomically([&] {
            queryRow("INSERT INTO " + quoteIdent(schema) +
                         ".__tsq_types(name, base, nullable) VALUES (?,?,?)",
                     {Value::text(name), Value::text(base.toString()), Value::integer(nullable)});
            bumpVersion(schema);
        });
    }

    void createProcedure(const ast::Stmt& s) {
        std::string db = s.target.database().empty() ? currentDatabase() : s.target.database();
        std::string schema = schemaOf(db);
        std::string sch = quoteIdent(schema);
        auto existing = queryRow("SELECT id FROM " + sch +
                                     ".__tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'",
                                 {Value::text(s.target.name())});
        std::string text = batchText
                               ? batchText->substr(static_cast<size_t>(s.bodyOffset),
                                                   static_cast<size_t>(s.sourceEnd - s.bodyOffset))
                               : "";
        if (s.isAlter && existing.empty())
            throw Error(208, "Invalid object name '" + s.target.name() + "'.", 16, 3);
        if (!s.isAlter && !existing.empty())
            throw Error(
                2714, "There is already an object named '" + s.target.name() + "' in the database.",
                16, 3);
        atomically([&] {
            if (!existing.empty())
                queryRow("UPDATE " + sch + ".__tsq_objects SET definition = ? WHERE id = ?",
                         {Value::text(text), existing[0]});
            else
                queryRow("INSERT INTO " + sch +
                             ".__tsq_objects(id, name, xtype, parent_obj, definition, crdate) "
                             "VALUES (?, ?, 'P', 0, ?, ?)",
                         {Value::integer(nextObjectId(schema)), Value::text(s.target.name()),
                          Value::text(text), Value::text(currentDateTime())});
            bumpVersion(schema);
        });
    }

    void dropProcedure(const ast::Stmt& s) {
        std::string db = s.target.database().empty() ? currentDatabase() : s.target.database();
        std::string schema = schemaOf(db);
        auto existing = queryRow("SELECT id FROM " + quoteIdent(schema) +
                                     ".__tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'",
                                 {Value::text(s.target.name())});
        if (existing.empty()) {
            if (s.ifExists) return;
            throw Error(3701,
                        "Cannot drop the procedure '" + s.target.name() +
                            "', because it does not exist or you do not have permission.",
                        11, 1);
        }
        atomically([&] {
            queryRow("DELETE FROM " + quoteIdent(schema) + ".__tsq_objects WHERE id = ?",
                     {existing[0]});
            bumpVersion(schema);
        });
    }

    Procedure& findProcedure(const ast::ObjectName& n) {
        std::string db = n.database().empty() ? currentDatabase() : n.database();
        std::string schema = schemaOf(db);
        catalog(schema);
        std::string key = schema + "." + lower(n.name());
        auto it = procs.find(key);
        if (it != procs.end()) return it->second;
        auto row = queryRow("SELECT definition FROM " + quoteIdent(schema) +
                                ".__tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'",
                            {Value::text(n.name())});
        if (row.empty())
            throw Error(2812, "Could not find stored procedure '" + n.name() + "'.", 16, 62);
        Procedure p;
        p.batch = std::shared_ptr<ast::Batch>(parseBatch(row[0].s).release());
        for (auto& st : p.batch->statements)
            if (st->kind == ast::StmtKind::CreateProcedure) p.def = st.get();
        if (!p.def)
            throw Error(2812, "Could not find stored procedure '" + n.name() + "'.", 16, 62);
        p.db = catalogs[schema].name;
        p.name = p.def->target.name();
        return procs.emplace(key, std::move(p)).first->second;
    }

    struct ArgValue {
        Value value;
        SqlType type;
        bool given = false;
        bool output = false;
        std::string callerVar;  // the caller's variable that receives an OUTPUT value
    };

    void runExec(const ast::Stmt& s, Sink& sink) {
        std::string pname = lower(s.target.name());
        // System procedures the scripts use.
        if (pname == "sp_addtype") {
            std::vector<Value> a;
            for (auto& arg : s.args) a.push_back(arg.value ? evalExpr(*arg.value) : Value::null());
            if (a.size() < 2)
                throw Error(201,
                            "Procedure or function 'sp_addtype' expects parameter '@phystype', "
                            "which was not supplied.",
                            16, 4);
            auto t = SqlType::parse(a[1].s);
            if (!t) throw Error(15036, "The data type '" + a[1].s + "' does not exist.", 16, 1);
            bool nullable = !(a.size() > 2 && upperAscii(a[2].s).find("NOT") != std::string::npos);
            createType(a[0].s, *t, nullable);
            return;
        }
        if (pname == "sp_executesql") {
            runExecuteSql(s, sink);
            return;
        }
        std::vector<ArgValue> given;
        for (auto& a : s.args) {
            ArgValue v;
            if (a.value) {
                v.value = evalExpr(*a.value, &v.type);
                v.given = true;
                if (a.output && a.value->kind == ast::ExprKind::Variable)
                    v.callerVar = a.value->text;
            }
            v.output = a.output;
            given.push_back(v);
        }
        std::vector<std::string> names;
        for (auto& a : s.args) names.push_back(a.name);
        int rc = callProcedure(s.target, names, given, sink);
        if (!s.returnVar.empty())
            setVariable(s.returnVar, Value::integer(rc), *SqlType::parse("int"));
        for (auto& v : given)
            if (v.output && !v.callerVar.empty()) setVariable(v.callerVar, v.value, v.type);
    }

    // Runs a procedure; OUTPUT arguments come back in args.
    int callProcedure(const ast::ObjectName& name, const std::vector<std::string>& argNames,
                      std::vector<ArgValue>& args, Sink& sink) {
        if (frame && frame->depth >= kMaxNesting)
            throw Error(217,
                        "Maximum stored procedure, function, trigger, or view nesting level "
                        "exceeded (limit 32).",
                        16, 1);
        // Copies: a DDL statement inside the procedure may empty the procedure cache.
        Procedure proc = findProcedure(name);
        const ast::Stmt& def = *proc.def;
        Frame f;
        f.db = proc.db;
        f.depth = frame ? frame->depth + 1 : 1;
        f.procDepth = frame ? frame->procDepth + 1 : 1;
        // Errors in the call itself belong to the procedure, at line 0.
        auto callError = [&](int number, const std::string& text, int state) {
            Error e(number, text, 16, state);
            e.procedure = proc.name;
            e.line = 0;
            e.lineFixed = true;
            e.abortsBatch = false;
            return e;
        };
        f.procedure = proc.name;
        std::vector<int> argFor(def.params.size(), -1);
        size_t positional = 0;
        for (size_t i = 0; i < argNames.size(); ++i) {
            if (argNames[i].empty()) {
                if (positional >= def.params.size())
                    throw callError(
                        8144,
                        "Procedure or function " + proc.name + " has too many arguments specified.",
                        2);
                argFor[positional++] = static_cast<int>(i);
                continue;
            }
            bool found = false;
            for (size_t p = 0; p < def.params.size(); ++p)
                if (lower(def.params[p].name) == lower(argNames[i])) {
                    argFor[p] = static_cast<int>(i);
                    found = true;
                }
            if (!found)
                throw callError(
                    8145, argNames[i] + " is not a parameter for procedure " + proc.name + ".", 2);
        }
        Frame* saved = frame;
        frame = &f;
        // SET options a procedure changes end with it.
        bool savedNocount = nocount;
        int tranAtStart = tranCount;
        struct Restore {
            bool& ref;
            bool value;
            ~Restore() { ref = value; }
        } restoreNocount{nocount, savedNocount};
        size_t tempsBefore = tempTables();
        struct DropTemps {
            Impl& impl;
            size_t before;
            ~DropTemps() {
                try {
                    impl.dropTempTablesSince(before);
                } catch (...) {
                }
            }
        } dropTemps{*this, tempsBefore};
        try {
            Translator tr(*this);
            for (size_t p = 0; p < def.params.size(); ++p) {
                const auto& prm = def.params[p];
                Variable v;
                v.type = tr.resolveType(prm.type, false);
                f.vars[lower(prm.name)] = v;
                int ai = argFor[p];
                if (ai >= 0 && args[ai].given) {
                    setVariable(prm.name, args[ai].value,
                                args[ai].type.base == BaseType::Unknown ? v.type : args[ai].type);
                } else if (prm.defaultValue) {
                    SqlType from;
                    Value dv = evalExpr(*prm.defaultValue, &from);
                    setVariable(prm.name, dv, from);
                } else if (!(ai >= 0 && args[ai].output)) {
                    throw callError(201,
                                    "Procedure or function '" + proc.name +
                                        "' expects parameter '" + prm.name +
                                        "', which was not supplied.",
                                    4);
                }
            }
            runList(def.body, sink);
        } catch (Error& e) {
            if (e.procedure.empty()) e.procedure = proc.name;
            frame = saved;
            throw;
        } catch (...) {
            frame = saved;
            throw;
        }
        frame = saved;
        if (tranCount != tranAtStart) {
            Error e(266,
                    "Transaction count after EXECUTE indicates a mismatching number of BEGIN and "
                    "COMMIT statements. Previous count = " +
                        std::to_string(tranAtStart) +
                        ", current count = " + std::to_string(tranCount) + ".",
                    16, 2);
            e.procedure = proc.name;
            e.line = 0;
            e.lineFixed = true;
            e.abortsBatch = false;
            sink.error(e);
        }
        for (size_t p = 0; p < def.params.size(); ++p) {
            int ai = argFor[p];
            if (ai >= 0 && def.params[p].output && args[ai].output) {
                auto& v = f.vars[lower(def.params[p].name)];
                args[ai].value = v.value;
                args[ai].type = v.type;
            }
        }
        return f.returnValue.kind == Value::Kind::Int ? static_cast<int>(f.returnValue.i) : 0;
    }

    // ---- databases ------------------------------------------------------------------------

    void createDatabase(const std::string& name, Sink& sink) {
        if (!validDatabaseName(name)) {
            // SQL Server cannot make the file of such a name either, and says so in two errors.
            Error file(5105,
                       "A file activation error occurred. The physical file name '" +
                           dbFile(dir, name) +
                           "' may be incorrect. Diagnose and correct additional errors, and "
                           "retry the operation.",
                       16, 2);
            file.abortsBatch = false;
            sink.error(file);
            throw statementError(
                Error(1802,
                      "CREATE DATABASE failed. Some file names listed could not be created. Check "
                      "related errors.",
                      16, 4));
        }
        if (!canonicalName(name).empty() || lower(name) == "tempdb")
            throw Error(1801,
                        "Database '" + name + "' already exists. Choose a different database name.",
                        16, 3);
        if (tranCount > 0)
            throw Error(226,
                        "CREATE DATABASE statement not allowed within multi-statement transaction.",
                        16, 6);
        std::string path = dbFile(dir, name);
        initDatabaseFile(path);
        queryRow(
            "INSERT INTO \"master\".sysdatabases(dbid, name, filename, crdate) VALUES ((SELECT "
            "coalesce(max(dbid), 4) + 1 FROM \"master\".sysdatabases), ?, ?, ?)",
            {Value::text(name), Value::text(path), Value::text(currentDateTime())});
    }

    void dropDatabase(const std::string& name) {
        std::string canon = canonicalName(name);
        if (canon.empty() || lower(canon) == "master" || lower(canon) == "tempdb")
            throw Error(3701,
                        "Cannot drop the database '" + name +
                            "', because it does not exist or you do not have permission.",
                        11, 1);
        if (lower(current) == lower(canon))
            throw Error(3702,
                        "Cannot drop database \"" + canon + "\" because it is currently in use.",
                        16, 4);
        std::string l = lower(canon);
        if (catalogs.count(l)) {
            clearStatementCache();
            exec("DETACH DATABASE " + quoteIdent(l));
            catalogs.erase(l);
            attachOrder.remove(l);
        }
        queryRow("DELETE FROM \"master\".sysdatabases WHERE name = ? COLLATE NOCASE",
                 {Value::text(canon)});
        std::string path = dbFile(dir, canon);
        std::error_code ec;
        fs::remove(path, ec);
        fs::remove(path + "-journal", ec);
        fs::remove(path + "-wal", ec);
        fs::remove(path + "-shm", ec);
    }
};

void initDatabaseFile(const std::string& path) {
    sqlite3* db = nullptr;
    quietAllocator();
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw Error(5123,
                    "CREATE FILE encountered operating system error while attempting to open or "
                    "create the physical file '" +
                        path + "': " + msg,
                    16, 1);
    }
    sqlite3_busy_timeout(db, 30000);
    char* err = nullptr;
    // The rollback journal rather than WAL: with it SQLite commits a transaction over several
    // databases as one, even when the process dies in the middle of the commit.
    std::string sql = std::string("PRAGMA journal_mode=DELETE;") + kCatalogSchema;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw Error(5123, "Cannot initialise database file '" + path + "': " + msg, 16, 1);
}

// ---- functions of the engine itself ------------------------------------------------------------

namespace {

void resultError(sqlite3_context* ctx, const Error& e) {
    std::string text = encodeError(e);
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// tsq_raise(number): the errors that translated SQL raises by itself.
void fnRaise(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int n = sqlite3_value_int(argv[0]);
    if (n == 512) {
        Error e(512,
                "Subquery returned more than 1 value. This is not permitted when the subquery "
                "follows =, !=, <, <= , >, >= or when the subquery is used as an expression.",
                16, 1);
        e.abortsBatch = false;
        resultError(ctx, e);
        return;
    }
    resultError(ctx, Error(n, "Error " + std::to_string(n), 16, 1));
}

// tsq_checkint(x): int arithmetic stays within 32 bits.
void fnCheckInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_int64 v = sqlite3_value_int64(argv[0]);
        if (v < -2147483648LL || v > 2147483647LL) {
            resultError(
                ctx,
                Error(8115, "Arithmetic overflow error converting expression to data type int.", 16,
                      2));
            return;
        }
    }
    sqlite3_result_value(ctx, argv[0]);
}

void fnIsDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    std::string text(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                     static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    try {
        convertValue(Value::text(text), *SqlType::parse("varchar(8000)"),
                     *SqlType::parse("datetime"));
        // '' converts to 1900-01-01 but is not a date.
        sqlite3_result_int(ctx, text.find_first_not_of(' ') == std::string::npos ? 0 : 1);
    } catch (const Error&) {
        sqlite3_result_int(ctx, 0);
    }
}

// tsq_objname('[dbo].[Menu]') = 'Menu': the object part of a written name.
void fnObjName(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string name =
        splitObjectName(reinterpret_cast<const char*>(sqlite3_value_text(argv[0]))).back();
    sqlite3_result_text(ctx, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
}

void registerEngineFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "tsq_raise", 1, SQLITE_UTF8, nullptr, fnRaise, nullptr, nullptr);
    sqlite3_create_function(db, "tsq_checkint", 1, flags, nullptr, fnCheckInt, nullptr, nullptr);
    sqlite3_create_function(db, "tsq_isdate", 1, flags, nullptr, fnIsDate, nullptr, nullptr);
    sqlite3_create_function(db, "tsq_objname", 1, flags, nullptr, fnObjName, nullptr, nullptr);
}

}  // namespace

// ---- public interface -----------------------------------------------------------------------

namespace {

int progressHandler(void* p) {
    auto* impl = static_cast<Session::Impl*>(p);
    return impl->deadlineSet && std::chrono::steady_clock::now() > impl->deadline ? 1 : 0;
}

}  // namespace

bool serverExists(const std::string& serverDir) {
    return fs::is_directory(serverDir) && fs::exists(dbFile(serverDir, "master"));
}

std::string serverFolderProblem(const std::string& serverDir) {
    std::error_code ec;
    if (!fs::exists(serverDir, ec)) return "The server folder '" + serverDir + "' does not exist.";
    if (!fs::is_directory(serverDir, ec))
        return "The server folder '" + serverDir + "' is not a folder.";
    if (!fs::exists(dbFile(serverDir, "master"), ec))
        return "The server folder '" + serverDir +
               "' holds no server: its master database (master.sqlite) is missing.";
    return "";
}

void createServer(const std::string& serverDir) {
    if (serverExists(serverDir)) return;
    fs::create_directories(serverDir);
    std::string path = dbFile(serverDir, "master");
    initDatabaseFile(path);
    // master lists the server's databases in a table of its own catalog.
    Session s(serverDir, "");
    Sink quiet;
    s.execute(
        "CREATE TABLE sysdatabases (dbid smallint NOT NULL PRIMARY KEY, name nvarchar(128) NOT "
        "NULL, "
        "filename nvarchar(260) NULL, crdate datetime NULL)",
        quiet);
    s.execute(
        "INSERT INTO sysdatabases (dbid, name, filename, crdate) VALUES (1, 'master', :path, "
        "GETDATE())",
        quiet, {{"path", Value::text(path)}});
}

Session::Session(const std::string& serverDir, const std::string& database)
    : impl_(std::make_unique<Impl>()) {
    auto& m = *impl_;
    m.dir = serverDir;
    bool bootstrapping = database.empty();
    if (!serverExists(serverDir))
        throw errors::cannotOpenDatabase(database.empty() ? "master" : database);
    quietAllocator();
    // The connection's main database is master's file (it is attached as "master" as well):
    // SQLite keeps the journal that makes a commit over several databases atomic beside the
    // main database's file, and an in-memory main database would go without one. A session is
    // used by one thread at a time: SQLite's own locking of the connection on every call would
    // only cost time.
    std::string masterPath = dbFile(serverDir, "master");
    leaveWal(masterPath);
    if (sqlite3_open_v2(masterPath.c_str(), &m.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        std::string msg = m.db ? sqlite3_errmsg(m.db) : "out of memory";
        throw m.fileError("master", masterPath, m.db ? sqlite3_errcode(m.db) : SQLITE_NOMEM, msg);
    }
    registerRuntime(m.db);
    registerEngineFunctions(m.db);
    sqlite3_busy_timeout(m.db, 30000);
    // A large transaction keeps its changes in memory rather than writing them into the file
    // before its commit, which would shut out the file's readers until the commit.
    sqlite3_exec(m.db, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr);
    sqlite3_progress_handler(m.db, 10000, progressHandler, &m);
    std::string tempCatalog = kCatalogSchema;
    // The session's own catalog of #tables lives in its temp schema.
    for (std::string kw : {"CREATE TABLE IF NOT EXISTS ", "CREATE INDEX IF NOT EXISTS "}) {
        size_t p = 0;
        while ((p = tempCatalog.find(kw, p)) != std::string::npos) {
            std::string rep = kw == std::string("CREATE TABLE IF NOT EXISTS ")
                                  ? "CREATE TEMP TABLE IF NOT EXISTS "
                                  : "CREATE INDEX IF NOT EXISTS temp.";
            tempCatalog.replace(p, kw.size(), rep);
            p += rep.size();
        }
    }
    try {
        m.exec(tempCatalog);
    } catch (const Error&) {
        // SQLite reads the main database's schema first: a damaged master fails here.
        throw m.fileError("master", masterPath, sqlite3_errcode(m.db), sqlite3_errmsg(m.db));
    }
    m.catalogs["temp"].name = "tempdb";
    m.catalogs["temp"].schema = "temp";
    m.attach("master");
    m.current = "master";
    if (bootstrapping) return;
    std::string canon = m.canonicalName(database);
    if (canon.empty()) throw errors::cannotOpenDatabase(database);
    m.schemaOf(canon);
    m.current = canon;
}

Session::~Session() = default;

const std::string& Session::currentDatabase() const {
    return impl_->current;
}

void Session::use(const std::string& database) {
    std::string canon = impl_->canonicalName(database);
    if (canon.empty()) throw errors::cannotOpenDatabase(database);
    impl_->schemaOf(canon);
    impl_->current = canon;
}

void Session::setTimeout(int seconds) {
    impl_->timeoutSec = seconds;
    sqlite3_busy_timeout(impl_->db, seconds > 0 ? seconds * 1000 : 30000);
}

int Session::timeout() const {
    return impl_->timeoutSec;
}

int Session::tranCount() const {
    return impl_->tranCount;
}

void Session::execute(const std::string& batch, Sink& sink, const Params& params) {
    static const ParamTypes none;
    execute(batch, sink, params, none);
}

void Session::execute(const std::string& batch, Sink& sink, const Params& params,
                      const ParamTypes& types) {
    auto& m = *impl_;
    auto parsed = m.parse(batch);
    m.refreshCatalogs();
    Frame top;
    top.db = m.current;
    m.frame = &top;
    m.params = &params;
    m.paramTypes = &types;
    m.signatureValid = false;  // the caller's map may sit where the last one did
    m.batchText = &batch;
    m.startClock();  // the time-out covers the whole batch
    try {
        m.runList(parsed->statements, sink);
    } catch (...) {
        m.frame = nullptr;
        m.params = nullptr;
        m.paramTypes = nullptr;
        m.batchText = nullptr;
        throw;
    }
    m.frame = nullptr;
    m.params = nullptr;
    m.paramTypes = nullptr;
    m.batchText = nullptr;
}

void CollectingSink::beginResultSet(const std::vector<Column>& columns) {
    resultSets.push_back({columns, {}});
}

void CollectingSink::row(const std::vector<Value>& values) {
    resultSets.back().rows.push_back(values);
}

std::vector<ResultSet> Session::query(const std::string& batch, const Params& params) {
    CollectingSink sink;
    execute(batch, sink, params);
    if (!sink.errors.empty()) throw sink.errors.front();
    return std::move(sink.resultSets);
}

ProcResult Session::callProcedure(const std::string& name, const std::vector<ProcArgument>& args) {
    auto& m = *impl_;
    m.refreshCatalogs();
    CollectingSink sink;
    Frame top;
    top.db = m.current;
    m.frame = &top;
    m.params = nullptr;
    m.paramTypes = nullptr;
    m.startClock();
    std::vector<Session::Impl::ArgValue> values;
    std::vector<std::string> names;
    for (auto& a : args) {
        Session::Impl::ArgValue v;
        v.value = a.value;
        v.given = !(a.output && a.value.isNull());
        v.output = a.output;
        switch (a.value.kind) {
            case Value::Kind::Int:
                v.type = *SqlType::parse("int");
                break;
            case Value::Kind::Float:
                v.type = *SqlType::parse("float");
                break;
            case Value::Kind::Text:
                v.type = *SqlType::parse("nvarchar(4000)");
                break;
            default:
                break;
        }
        values.push_back(v);
        names.push_back(a.name.empty() || a.name[0] == '@' ? a.name : "@" + a.name);
    }
    ast::ObjectName n;
    n.parts = splitObjectName(name);
    ProcResult r;
    try {
        r.returnValue = m.callProcedure(n, names, values, sink);
    } catch (...) {
        m.frame = nullptr;
        throw;
    }
    m.frame = nullptr;
    if (!sink.errors.empty()) throw sink.errors.front();
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i].output) {
            // Outputs travel without their type: a scaled decimal goes as the number it is.
            const Value& v = values[i].value;
            r.outputs[names[i]] =
                dec::isScaled(values[i].type) && v.kind == Value::Kind::Int
                    ? Value::real(dec::toDouble(v.i, dec::scaleOf(values[i].type)))
                    : v;
        }
    r.resultSets = std::move(sink.resultSets);
    return r;
}

}  // namespace tsqlite
