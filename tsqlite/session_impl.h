#pragma once
// The session's internals, shared by its source files: Session::Impl (the state of one
// session and its members), the frames of batches and procedures, and cached statements.
// session.cpp          the public interface, the server folder and the engine's SQL functions
// session_attach.cpp   SQLite helpers, errors, attaching databases, CREATE/DROP DATABASE
// session_catalog.cpp  the catalogs of tables and types, system views, name lookup
// session_cache.cpp    the statement cache, parameters, binding and running statements
// session_interpreter.cpp  one handler per statement kind, control flow, transactions
// session_dml.cpp      SELECT, INSERT, UPDATE, DELETE, TRUNCATE
// session_ddl.cpp      tables, columns, indexes and types
// session_procedures.cpp  stored procedures, EXEC and sp_executesql
#include <chrono>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "tsqlite/decimal.h"
#include "tsqlite/engine.h"
#include "tsqlite/messages.h"
#include "tsqlite/parser.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"
#include "tsqlite/session.h"
#include "tsqlite/system_variables.h"
#include "tsqlite/translate.h"

namespace tsqlite {

// Creates a database file with an empty catalog.
void initDatabaseFile(const std::string& path);

// Databases made in WAL mode move to the rollback journal, which lets a transaction over
// several databases commit as one. The switch needs the file to itself: while another session
// has it open it stays as it is and is tried again at the next open.
void leaveWal(const std::string& path);

constexpr int kMaxAttached = 10;
// Starts the message a CHECK constraint's trigger raises (fields split by \x1f).
constexpr std::string_view kCheckMarker = "tsq_check\x1f";
constexpr size_t kMaxParsedBatches = 2000;
constexpr int kMaxNesting = 32;

std::string dbFile(const std::string& dir, const std::string& name);
// A database name becomes a file name in the server folder: it must stay a plain name there,
// never a path to somewhere else.
bool validDatabaseName(const std::string& name);
Error databaseNotFound(const std::string& name);
std::string upperAscii(std::string s);
std::string sqliteAffinity(const SqlType& t);
// SQL Server's system type ids and byte lengths, for syscolumns.
int systemTypeId(const SqlType& t);
int byteLength(const SqlType& t);
// SQLite counts every allocation under a global lock unless told not to; the engine reads no
// such statistics. Only possible before SQLite's first use in the process; later it is a no-op.
void quietAllocator();

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
    std::function<bool()> cancelCheck;
    bool stopNow() const {
        return (deadlineSet && std::chrono::steady_clock::now() > deadline) ||
               (cancelCheck && cancelCheck());
    }

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

    Error translateSqliteError(int rc, const std::string& msg, const std::string& context);
    std::string lastVerb;
    std::string lastDatabase;  // the database of the table the last INSERT/UPDATE/DELETE wrote
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

    void exec(const std::string& sql);

    // The engine's own statements, prepared once (until the cache empties).
    std::unordered_map<std::string, sqlite3_stmt*> internal;

    sqlite3_stmt* internalStatement(const std::string& sql);

    sqlite3_stmt* prepare(const std::string& sql);

    // Runs a small internal query and returns its first row.
    std::vector<Value> queryRow(const std::string& sql, const std::vector<Value>& args = {});

    std::vector<std::vector<Value>> queryRows(const std::string& sql,
                                              const std::vector<Value>& args = {});

    Error errorOf(int rc, const std::string& context = "");

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
    void flushIdentity();

    void clearStatementCache();

    // ---- databases ------------------------------------------------------------------------

    std::string masterFile() const { return dbFile(dir, "master"); }

    // The name of a database as the server lists it, or empty when there is none. Only the
    // databases master lists are ever opened: a name never reaches a file by a path of its own.
    std::string canonicalName(const std::string& name);

    std::string schemaOf(const std::string& database) override { return schemaFor(database, true); }

    // The SQLite schema of a database, attached on first use. Inside a transaction the
    // database is locked for writing before anything of it is read, unless `lock` is false
    // (the server's list of databases, which every statement may look up).
    std::string schemaFor(const std::string& database, bool lock);

    // Takes a database's write lock for the open transaction, waiting for another writer as
    // long as the time-out allows. Only the databases a transaction uses are locked, so
    // writers of other databases go on. The lock comes before the first read: SQLite fails
    // (rather than waits) a write of a database this transaction read while another writer
    // held it, so a read-then-update such as drawing a number must queue at the read.
    void lockForWriting(const std::string& schema);

    void attach(const std::string& database);

    // A database file that SQLite cannot read, in the user's terms: which database, which
    // file, and whether it is damaged or not a database at all.
    Error fileError(const std::string& database, const std::string& path, int rc,
                    const std::string& detail);

    // A write refused because the server folder or a database file cannot be written.
    Error readOnlyDatabase();

    // After SQLite reported a damaged file in a statement: which of the open databases it is.
    Error damagedDatabase(int rc, const std::string& msg);

    void attachAllForTransaction();

    DbCatalog& catalog(const std::string& schema);

    long long readVersion(const std::string& schema);

    void loadCatalog(DbCatalog& cat);

    // Re-reads catalogs that another session changed since we last looked.
    void refreshCatalogs();

    void bumpVersion(const std::string& schema);

    std::shared_ptr<TableInfo> systemView(const std::string& schema, const std::string& name);

    std::shared_ptr<TableInfo> tryFindTable(const ast::ObjectName& n) override;

    std::vector<std::vector<std::string>> uniqueKeys(const TableInfo& t) override;

    std::shared_ptr<TableInfo> findTable(const ast::ObjectName& n) override;

    const std::string& currentDatabase() override { return frame ? frame->db : current; }

    SqlType variableType(const std::string& name) override;

    SqlType parameterType(const std::string& name) override;

    // Whether two names are the same ignoring letter case; ASCII names (the usual ones) are
    // compared in place, as this runs for every parameter of every statement.
    static bool sameName(const std::string& a, const std::string& b);

    template <typename Map>
    const typename Map::mapped_type* findNamed(const Map* map, const std::string& name) {
        if (!map) return nullptr;
        auto it = map->find(name);
        if (it != map->end()) return &it->second;
        // A caller that keys its values in lower case (the client's driver does) is found
        // at once too; the buffer keeps its room from one row to the next.
        lowered_.clear();
        appendLower(lowered_, name);
        if (lowered_ != name) {
            it = map->find(lowered_);
            if (it != map->end()) return &it->second;
        }
        for (auto& [k, v] : *map)
            if (k.size() == name.size() && sameName(k, name)) return &v;
        // Letter case may change a name's length outside ASCII.
        std::string l = lower(name);
        for (auto& [k, v] : *map)
            if (k.size() != name.size() && lower(k) == l) return &v;
        return nullptr;
    }
    const Value* findParam(const std::string& name) { return findNamed(params, name); }
    // A ":name" bind without its colon, in a buffer that is reused.
    const std::string& bareName(const std::string& name);
    std::string bare_;
    std::string lowered_;
    const SqlType* findParamType(const std::string& name);

    std::optional<SqlType> userType(const std::string& name) override;

    // ---- statement cache and execution -----------------------------------------------------

    static bool wideInteger(const Value& v);

    // The parameters' types take part in a statement's translation.
    // The signature of the batch's parameters, made once per batch: every statement of a
    // batch sees the same parameters, and a batch of one statement run per row would
    // otherwise make it for every row.
    const Params* signedParams = nullptr;
    bool signatureValid = false;
    std::string signature;

    const std::string& paramSignature();

    std::string makeParamSignature();

    std::string cacheKey(const void* node);

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
        if (std::getenv("TSQLITE_PLAN")) printPlan(c.sql);
        c.st = prepare(c.sql);
        return stmts.emplace(key, std::move(c)).first->second;
    }

    // SQLite's plan of a translated statement on standard error (TSQLITE_PLAN=1).
    void printPlan(const std::string& sql);

    // A time bound as datetime lands on datetime's 1/300 s ticks, as SQL Server takes a
    // timestamp parameter declared datetime: .008 is .007.
    static Value onDateTimeTicks(const Value& v);

    Value bindFor(const std::string& name);
    // The value of an @@ variable (or of a function bound under one) in this session.
    Value systemValue(const SystemVariable& v);
    Value identityBase;
    std::string identityInsert;  // "schema.table" with SET IDENTITY_INSERT ON

    void bindAll(CachedStmt& c);
    // A :name parameter that binds as the caller gave it; null for anything bindFor makes.
    const Value* callerParam(const std::string& name);

    void startClock();

    // A value read from SQLite in the form its type stores, changed in place: a float as a scaled
    // decimal's units or an integer type's whole number, an integer as a float type's number.
    static void normalize(Value& v, const SqlType& t);

    // Runs a prepared statement that returns rows; hands them to the sink or to variables.
    long long runRows(CachedStmt& c, Sink* sink);

    long long runChange(CachedStmt& c);

    void setVariable(const std::string& name, const Value& v, const SqlType& from);

    Value evalExpr(const ast::Expr& e, SqlType* type = nullptr);

    bool evalCondition(const ast::Expr& e);

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

    void reportCount(Sink& sink, long long n);

    // ---- the interpreter ---------------------------------------------------------------------

    std::shared_ptr<ast::Batch> parse(const std::string& text);

    Flow runList(const std::vector<ast::StmtPtr>& list, Sink& sink);

    Flow runStatement(const ast::Stmt& s, Sink& sink);

    // Runs one statement by the handler of its kind.
    Flow run(const ast::Stmt& s, Sink& sink);
    // The handlers of the statement kinds that need more than a call.
    Flow runTruncate(const ast::Stmt& s, Sink& sink);
    Flow runDeclare(const ast::Stmt& s, Sink& sink);
    Flow runSetVariable(const ast::Stmt& s, Sink& sink);
    Flow runSetOption(const ast::Stmt& s, Sink& sink);
    Flow runIf(const ast::Stmt& s, Sink& sink);
    Flow runWhile(const ast::Stmt& s, Sink& sink);
    Flow runReturn(const ast::Stmt& s, Sink& sink);
    Flow runBeginTran(const ast::Stmt& s, Sink& sink);
    Flow runCommitTran(const ast::Stmt& s, Sink& sink);
    Flow runRollbackTran(const ast::Stmt& s, Sink& sink);
    Flow runTryCatch(const ast::Stmt& s, Sink& sink);
    Flow runThrow(const ast::Stmt& s, Sink& sink);
    Flow runSaveTran(const ast::Stmt& s, Sink& sink);
    Flow runPrint(const ast::Stmt& s, Sink& sink);
    Flow runUse(const ast::Stmt& s, Sink& sink);
    Flow runCreateType(const ast::Stmt& s, Sink& sink);
    Flow runExecDynamic(const ast::Stmt& s, Sink& sink);

    void runNested(const std::string& text, Sink& sink,
                   std::map<std::string, Variable>* vars = nullptr);

    // #tables created inside a procedure or dynamic batch go when it ends: the session notes
    // each one it makes, and a scope drops those made since it began.
    size_t tempTables() const { return nextTempSeq; }

    void dropTempTablesSince(size_t mark);

    // sp_executesql @stmt [, @params [, values...]]
    void runExecuteSql(const ast::Stmt& s, Sink& sink);

    void runRaiserror(const ast::Stmt& s, Sink& sink);

    void runSelect(const ast::Stmt& s, Sink& sink);

    void selectInto(const ast::Stmt& s, Sink& sink);

    void runInsert(const ast::Stmt& s, Sink& sink);

    // " The duplicate key value is (...)." for an INSERT that broke a unique key: the rows it
    // tried to insert are computed again and the first one whose key is taken is shown.
    std::string duplicateKeySuffix(const ast::Stmt& s);

    void insertRows(const ast::Stmt& s, Sink& sink);

    void runUpdateDelete(const ast::Stmt& s, Sink& sink);

    // ---- DDL ---------------------------------------------------------------------------------

    std::string sourceText(const ast::Expr& e);

    long long nextObjectId(const std::string& schema);

    std::string columnDdl(const ColumnInfo& c);

    void makeTable(const std::string& schema, const std::string& name,
                   const std::vector<ColumnInfo>& cols,
                   const std::vector<ast::TableConstraint>& constraints);

    ColumnInfo columnInfo(const ast::ColumnDef& d);

    void createTable(const ast::Stmt& s);

    void alterTable(const ast::Stmt& s, Sink& sink);

    // The catalog row of one column.
    void insertColumnRow(const std::string& schema, long long id, int colid, const ColumnInfo& c);

    void rebuildTable(const std::string& schema, long long id, const std::string& name);

    // CHECK constraints live as BEFORE INSERT/UPDATE triggers of the table that raise a
    // marker naming the constraint; the error mapping turns the marker into 547.
    void addCheck(const TableInfo& t, const ast::CheckDef& k, bool checkExisting);
    // Fails with 547 when a row of the table does not pass the condition (read over "NEW").
    void requireRowsPass(const TableInfo& t, const std::string& condition, const std::string& name,
                         const std::string& column);
    // Drops a CHECK constraint of the table by name; false when it has none of that name.
    bool dropCheck(const TableInfo& t, const std::string& name);
    // ALTER TABLE [WITH CHECK] CHECK CONSTRAINT / NOCHECK CONSTRAINT.
    void enableChecks(const TableInfo& t, const ast::Stmt& s, bool enable);
    // The CHECK constraint that reads a column, or empty.
    std::string checkOnColumn(const TableInfo& t, const std::string& column);

    void dropTable(const ast::Stmt& s);

    void createIndex(const ast::Stmt& s);

    void dropIndex(const ast::Stmt& s);

    void createType(const std::string& name, const SqlType& base, bool nullable);

    void createProcedure(const ast::Stmt& s);

    void dropProcedure(const ast::Stmt& s);

    Procedure& findProcedure(const ast::ObjectName& n);

    struct ArgValue {
        Value value;
        SqlType type;
        bool given = false;
        bool output = false;
        std::string callerVar;  // the caller's variable that receives an OUTPUT value
    };

    void runExec(const ast::Stmt& s, Sink& sink);

    // Runs a procedure; OUTPUT arguments come back in args.
    int callProcedure(const ast::ObjectName& name, const std::vector<std::string>& argNames,
                      std::vector<ArgValue>& args, Sink& sink);

    // ---- databases ------------------------------------------------------------------------

    void createDatabase(const std::string& name, Sink& sink);

    void dropDatabase(const std::string& name);
};

}  // namespace tsqlite
