// The public session interface, the server folder (creating, checking and opening it) and
// the SQL functions the engine adds to SQLite for translated statements.
#include "tsqlite/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "tsqlite/runtime_internal.h"
#include "tsqlite/session_impl.h"

namespace fs = std::filesystem;

namespace tsqlite {

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

void quietAllocator() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

void initDatabaseFile(const std::string& path) {
    sqlite3* db = nullptr;
    quietAllocator();
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw raise(5123, {path, msg});
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
        throw raiseText(5123, "Cannot initialise database file '" + path + "': " + msg);
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
        resultError(ctx, raise(512));
        return;
    }
    resultError(ctx, Error(n, "Error " + std::to_string(n), 16, 1));
}

// tsq_checkint(x): int arithmetic stays within 32 bits.
void fnCheckInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_int64 v = sqlite3_value_int64(argv[0]);
        if (v < -2147483648LL || v > 2147483647LL) {
            resultError(ctx, raise(8115, {"expression", "int"}));
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

// tsq_var('@name'): a variable's value at the moment a row is made, for a select that
// assigns the variable while reading it.
void fnVar(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* impl = static_cast<Session::Impl*>(sqlite3_user_data(ctx));
    const char* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    rt::resultValue(ctx, impl->bindFor(name ? name : ""));
}

// tsq_identcurrent('T'): the last identity value drawn for a table by any session, its seed
// when none was drawn yet, NULL for a table without identity or a name that finds none.
void fnIdentCurrent(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* impl = static_cast<Session::Impl*>(sqlite3_user_data(ctx));
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    try {
        const std::string text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        ast::ObjectName name{splitObjectName(text)};
        if (name.parts.empty()) return sqlite3_result_null(ctx);
        auto t = impl->tryFindTable(name);
        if (!t || t->system || t->identityColumn < 0) return sqlite3_result_null(ctx);
        // Counters drawn in this session's open transaction are not written yet.
        auto pending = impl->pendingIdentity.find(t->schema + "." + std::to_string(t->id));
        if (pending != impl->pendingIdentity.end())
            return sqlite3_result_int64(ctx, pending->second.last);
        auto row = impl->queryRow("SELECT last, seed FROM " + quoteIdent(t->schema) +
                                      ".__tsq_columns WHERE id = ? AND colid = ?",
                                  {Value::integer(t->id), Value::integer(t->identityColumn + 1)});
        if (row.empty()) return sqlite3_result_null(ctx);
        if (!row[0].isNull()) return sqlite3_result_int64(ctx, row[0].i);
        return sqlite3_result_int64(ctx, row.size() > 1 && !row[1].isNull() ? row[1].i : 1);
    } catch (...) {
        // SQL Server answers NULL for what it cannot read.
        sqlite3_result_null(ctx);
    }
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
    return impl->stopNow() ? 1 : 0;
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
    // Not deterministic: SQLite must not read it once for the whole statement.
    sqlite3_create_function(m.db, "tsq_var", 1, SQLITE_UTF8, &m, fnVar, nullptr, nullptr);
    sqlite3_create_function(m.db, "tsq_identcurrent", 1, SQLITE_UTF8, &m, fnIdentCurrent, nullptr,
                            nullptr);
    sqlite3_busy_timeout(m.db, 30000);
    // A large transaction keeps its changes in memory rather than writing them into the file
    // before its commit, which would shut out the file's readers until the commit.
    sqlite3_exec(m.db, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr);
    // A large sort (an ORDER BY over a whole day's sales) sorts its runs on another core while
    // this one goes on reading rows; a machine of one core sorts as before.
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores > 1) {
        const std::string threads = "PRAGMA threads=" + std::to_string(std::min(cores - 1, 3u));
        sqlite3_exec(m.db, threads.c_str(), nullptr, nullptr, nullptr);
    }
    // Check constraints are triggers of the database files that call the engine's functions;
    // a SQLite built not to trust its schema would refuse them.
    sqlite3_exec(m.db, "PRAGMA trusted_schema=ON", nullptr, nullptr, nullptr);
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

void Session::setCancelCheck(std::function<bool()> check) {
    impl_->cancelCheck = std::move(check);
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

void CollectingSink::takeRow(std::vector<Value>& values) {
    resultSets.back().rows.push_back(std::move(values));
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
        if (a.type.base != BaseType::Unknown)
            v.type = a.type;
        else
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
            r.outputs[names[i]] = values[i].value;
            r.outputTypes[names[i]] = values[i].type;
        }
    r.resultSets = std::move(sink.resultSets);
    return r;
}

}  // namespace tsqlite
