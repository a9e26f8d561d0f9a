// SQLite helpers of a session (running internal SQL, SQLite errors as SQL Server's) and the
// server's databases: attaching them on first use, write locks, CREATE and DROP DATABASE.
#include <cstdio>
#include <filesystem>

#include "tsqlite/session_impl.h"

namespace fs = std::filesystem;

namespace tsqlite {

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

std::string dbFile(const std::string& dir, const std::string& name) {
    return (fs::path(dir) / (lower(name) + ".sqlite")).string();
}

bool validDatabaseName(const std::string& name) {
    if (name.empty() || name.size() > 128 || name.find("..") != std::string::npos) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f ||
            std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

Error databaseNotFound(const std::string& name) {
    return raise(911, {name});
}

Error Session::Impl::translateSqliteError(int rc, const std::string& msg,
                                          const std::string& context) {
    int ext = sqlite3_extended_errcode(db);
    if (msg.rfind(kCheckMarker, 0) == 0) {
        // A CHECK constraint's trigger: marker, constraint, table, column (may be empty).
        std::vector<std::string> f;
        size_t p = 0;
        while (true) {
            auto sep = msg.find('\x1f', p);
            f.push_back(msg.substr(p, sep == std::string::npos ? std::string::npos : sep - p));
            if (sep == std::string::npos) break;
            p = sep + 1;
        }
        f.resize(4);
        return raise(547, {lastVerb == "UPDATE" ? "UPDATE" : "INSERT", "CHECK", f[1],
                           lastDatabase.empty() ? context : lastDatabase, "dbo." + f[2],
                           f[3].empty() ? "" : ", column '" + f[3] + "'"});
    }
    if (ext == SQLITE_CONSTRAINT_NOTNULL) {
        // "NOT NULL constraint failed: T.col"
        std::string what = msg.substr(msg.find(':') + 2);
        auto dot = what.rfind('.');
        std::string table = what.substr(0, dot), col = what.substr(dot + 1);
        return raise(515,
                     {col, context + ".dbo." + table, lastVerb == "UPDATE" ? "UPDATE" : "INSERT"});
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
        if (ix && ix->primaryKey) return raise(2627, {"PRIMARY KEY", ix->name, "dbo." + table});
        if (ix && ix->constraint) return raise(2627, {"UNIQUE KEY", ix->name, "dbo." + table});
        return raise(2601, {"dbo." + table, ix ? ix->name : std::string("?")});
    }
    if (rc == SQLITE_BUSY || ext == SQLITE_BUSY_SNAPSHOT || rc == SQLITE_LOCKED) return raise(1222);
    if (rc == SQLITE_INTERRUPT) return raise(-2);
    if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB)
        return damagedDatabase(rc, msg);
    if ((rc & 0xff) == SQLITE_READONLY) return readOnlyDatabase();
    return raise(50000, {msg});
}

void Session::Impl::exec(const std::string& sql) {
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

sqlite3_stmt* Session::Impl::internalStatement(const std::string& sql) {
    auto it = internal.find(sql);
    if (it != internal.end()) return it->second;
    sqlite3_stmt* st = prepare(sql);
    internal.emplace(sql, st);
    return st;
}

sqlite3_stmt* Session::Impl::prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(db);
        Error decoded(0, "");
        if (decodeError(msg, decoded)) throw decoded;
        if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB)
            throw damagedDatabase(rc, msg);
        throw raiseText(50000, "Internal error preparing statement: " + msg + " [" + sql + "]");
    }
    return st;
}

std::vector<Value> Session::Impl::queryRow(const std::string& sql, const std::vector<Value>& args) {
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

std::vector<std::vector<Value>> Session::Impl::queryRows(const std::string& sql,
                                                         const std::vector<Value>& args) {
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

Error Session::Impl::errorOf(int rc, const std::string& context) {
    std::string msg = sqlite3_errmsg(db);
    Error decoded(0, "");
    if (decodeError(msg, decoded)) return decoded;
    return translateSqliteError(rc, msg, context);
}

std::string Session::Impl::canonicalName(const std::string& name) {
    if (lower(name) == "tempdb") return "tempdb";
    if (lower(name) == "master") return "master";
    if (!validDatabaseName(name)) return "";
    auto row = queryRow("SELECT name FROM \"master\".sysdatabases WHERE name = ? COLLATE NOCASE",
                        {Value::text(name)});
    if (row.empty() || row[0].kind != Value::Kind::Text) return "";
    if (!fs::exists(dbFile(dir, row[0].s))) return "";
    return row[0].s;
}

std::string Session::Impl::schemaFor(const std::string& database, bool lock) {
    std::string l = lower(database);
    if (l == "tempdb") return "temp";
    auto it = catalogs.find(l);
    if (it == catalogs.end()) {
        std::string canon = canonicalName(database);
        if (canon.empty()) throw databaseNotFound(database);
        if (sqlite3_get_autocommit(db) == 0)
            throw raiseText(911, "Database '" + database +
                                     "' cannot be reached inside this transaction: it was not open "
                                     "when the transaction began.");
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

void Session::Impl::lockForWriting(const std::string& schema) {
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

void Session::Impl::attach(const std::string& database) {
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
        sqlite3_exec(db, ("DETACH DATABASE " + quoteIdent(l)).c_str(), nullptr, nullptr, nullptr);
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

Error Session::Impl::fileError(const std::string& database, const std::string& path, int rc,
                               const std::string& detail) {
    int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT) return raise(824, {database, path, detail});
    if (primary == SQLITE_NOTADB || detail.find("__tsq_meta") != std::string::npos ||
        detail.find("no such table") != std::string::npos)
        return raise(5172, {path, database});
    return raise(5120, {path, database, detail});
}

Error Session::Impl::readOnlyDatabase() {
    std::string database;
    for (auto it = stmtSchemas.begin(); it != stmtSchemas.end() && database.empty(); ++it)
        if (auto c = catalogs.find(*it); c != catalogs.end() && *it != "temp")
            database = c->second.name;
    if (database.empty()) database = currentDatabase();
    return raise(3906, {database, dir});
}

Error Session::Impl::damagedDatabase(int rc, const std::string& msg) {
    for (auto& name : attachOrder) {
        std::string sql = "PRAGMA " + quoteIdent(name) + ".quick_check(1)";
        sqlite3_stmt* st = nullptr;
        bool bad = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK;
        if (!bad) {
            int step = sqlite3_step(st);
            bad = step != SQLITE_ROW ||
                  std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) != "ok";
        }
        sqlite3_finalize(st);
        if (bad) {
            auto it = catalogs.find(name);
            std::string database = it != catalogs.end() ? it->second.name : name;
            return fileError(database, dbFile(dir, database), rc, msg);
        }
    }
    return raiseText(824, "A database file of this server is damaged (" + msg + ").");
}

void Session::Impl::attachAllForTransaction() {
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

void Session::Impl::createDatabase(const std::string& name, Sink& sink) {
    if (!validDatabaseName(name)) {
        // SQL Server cannot make the file of such a name either, and says so in two errors.
        sink.error(raise(5105, {dbFile(dir, name)}));
        throw raise(1802);
    }
    if (!canonicalName(name).empty() || lower(name) == "tempdb") throw raise(1801, {name});
    if (tranCount > 0) throw raise(226, {"CREATE DATABASE"});
    std::string path = dbFile(dir, name);
    initDatabaseFile(path);
    queryRow(
        "INSERT INTO \"master\".sysdatabases(dbid, name, filename, crdate) VALUES ((SELECT "
        "coalesce(max(dbid), 4) + 1 FROM \"master\".sysdatabases), ?, ?, ?)",
        {Value::text(name), Value::text(path), Value::text(currentDateTime())});
}

void Session::Impl::dropDatabase(const std::string& name) {
    std::string canon = canonicalName(name);
    if (canon.empty() || lower(canon) == "master" || lower(canon) == "tempdb")
        throw raise(3701, {"database", name});
    if (lower(current) == lower(canon)) throw raise(3702, {canon});
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

}  // namespace tsqlite
