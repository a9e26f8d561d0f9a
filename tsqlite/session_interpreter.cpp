// The interpreter: runs a batch statement by statement, one handler per statement kind;
// control flow, variables, transactions, TRY/CATCH and nested batches.
#include <array>
#include <chrono>
#include <type_traits>
#include <utility>

#include "tsqlite/session_impl.h"

namespace tsqlite {

Flow Session::Impl::runList(const std::vector<ast::StmtPtr>& list, Sink& sink) {
    for (auto& s : list) {
        Flow f = runStatement(*s, sink);
        if (f != Flow::Next) return f;
    }
    return Flow::Next;
}

Flow Session::Impl::runStatement(const ast::Stmt& s, Sink& sink) {
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
        // The message decides, wherever the error was raised: a division by zero or an
        // overflow reported by SQLite code ends only its statement as well.
        const Message* m = findMessage(e.number);
        if (m && m->ends == Ends::Statement) e.abortsBatch = false;
        if (e.abortsBatch || tryDepth > 0) throw;
        sink.error(e);
        const bool changesRows = s.kind == ast::StmtKind::Insert ||
                                 s.kind == ast::StmtKind::Update || s.kind == ast::StmtKind::Delete;
        if (m && (m->terminates == Terminates::Always ||
                  (m->terminates == Terminates::WhenChangingRows && changesRows)))
            sink.message("The statement has been terminated.");
        return Flow::Next;
    }
}

Flow Session::Impl::runTruncate(const ast::Stmt& s, Sink& sink) {
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

Flow Session::Impl::runDeclare(const ast::Stmt& s, Sink& sink) {
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
}

Flow Session::Impl::runSetVariable(const ast::Stmt& s, Sink& sink) {
    SqlType from;
    Value val = evalExpr(*s.value, &from);
    setVariable(s.variable, val, from);
    return Flow::Next;
}

Flow Session::Impl::runSetOption(const ast::Stmt& s, Sink& sink) {
    if (upperAscii(s.name) == "NOCOUNT") nocount = upperAscii(s.optionValue) == "ON";
    if (upperAscii(s.name) == "IDENTITY_INSERT") {
        auto t = findTable(s.target);
        if (t->identityColumn < 0) throw raise(8106, {t->name});
        std::string key = t->schema + "." + lower(t->name);
        identityInsert = upperAscii(s.optionValue) == "ON" ? key : "";
        clearStatementCache();
    }
    return Flow::Next;
}

Flow Session::Impl::runIf(const ast::Stmt& s, Sink& sink) {
    if (evalCondition(*s.value)) return runStatement(*s.thenStmt, sink);
    if (s.elseStmt) return runStatement(*s.elseStmt, sink);
    return Flow::Next;
}

Flow Session::Impl::runWhile(const ast::Stmt& s, Sink& sink) {
    while (evalCondition(*s.value)) {
        Flow f = runStatement(*s.thenStmt, sink);
        if (f == Flow::Break) break;
        if (f == Flow::Return) return f;
        if (stopNow()) throw raise(-2);
    }
    return Flow::Next;
}

Flow Session::Impl::runReturn(const ast::Stmt& s, Sink& sink) {
    if (s.value) {
        SqlType from;
        Value v = evalExpr(*s.value, &from);
        frame->returnValue = convertValue(v, from, *SqlType::parse("int"));
    }
    return Flow::Return;
}

Flow Session::Impl::runBeginTran(const ast::Stmt& s, Sink& sink) {
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
}

Flow Session::Impl::runCommitTran(const ast::Stmt& s, Sink& sink) {
    if (tranCount == 0) throw raise(3902);
    if (--tranCount == 0) {
        flushIdentity();
        identityCache.clear();
        exec("COMMIT");
        tranLocked.clear();
    }
    return Flow::Next;
}

Flow Session::Impl::runRollbackTran(const ast::Stmt& s, Sink& sink) {
    if (tranCount == 0) throw raise(3903);
    if (!s.name.empty() && savepoints.count(lower(s.name))) {
        // Back to the savepoint; the transaction stays open.
        exec("ROLLBACK TO " + quoteIdent("sp_" + lower(s.name)));
        return Flow::Next;
    }
    if (!s.name.empty() && lower(s.name) != tranName) throw raise(6401, {s.name});
    tranCount = 0;
    savepoints.clear();
    identityCache.clear();
    exec("ROLLBACK");
    tranLocked.clear();
    return Flow::Next;
}

Flow Session::Impl::runTryCatch(const ast::Stmt& s, Sink& sink) {
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

Flow Session::Impl::runThrow(const ast::Stmt& s, Sink& sink) {
    if (s.raiserrorArgs.empty()) {
        if (caught.empty()) throw raise(10704);
        Error e = caught.back();
        e.abortsBatch = true;
        throw e;
    }
    SqlType t;
    Value n = evalExpr(*s.raiserrorArgs[0]);
    Value m = evalExpr(*s.raiserrorArgs[1], &t);
    Value st = evalExpr(*s.raiserrorArgs[2]);
    Error e(static_cast<int>(n.i), m.isNull() ? "" : displayText(m, t), 16, static_cast<int>(st.i));
    e.abortsBatch = true;
    throw e;
}

Flow Session::Impl::runSaveTran(const ast::Stmt& s, Sink& sink) {
    if (tranCount == 0) throw raise(628);
    exec("SAVEPOINT " + quoteIdent("sp_" + lower(s.name)));
    savepoints.insert(lower(s.name));
    return Flow::Next;
}

Flow Session::Impl::runPrint(const ast::Stmt& s, Sink& sink) {
    rowcount = 0;
    SqlType from;
    Value v = evalExpr(*s.value, &from);
    sink.message(v.isNull() ? ""
                            : displayText(convertValue(v, from, *SqlType::parse("nvarchar(4000)")),
                                          *SqlType::parse("nvarchar(4000)")));
    return Flow::Next;
}

Flow Session::Impl::runUse(const ast::Stmt& s, Sink& sink) {
    std::string name = canonicalName(s.name);
    if (name.empty()) throw raise(911, {s.name});
    schemaOf(name);
    // State 1 and the statement's line, as SQL Server sends it after a USE.
    Error changed = raise(5701, {name}).withState(1);
    changed.line = s.pos.line;
    sink.info(changed);
    if (frame->depth == 0) current = name;
    frame->db = name;
    return Flow::Next;
}

Flow Session::Impl::runCreateType(const ast::Stmt& s, Sink& sink) {
    Translator tr(*this);
    SqlType base = tr.resolveType(s.baseType, false);
    createType(s.name, base, s.nullable.value_or(true));
    return Flow::Next;
}

Flow Session::Impl::runExecDynamic(const ast::Stmt& s, Sink& sink) {
    SqlType from;
    Value v = evalExpr(*s.value, &from);
    std::string text = v.isNull() ? "" : v.s;
    runNested(text, sink);
    return Flow::Next;
}

namespace {

using K = ast::StmtKind;
using Handler = Flow (*)(Session::Impl&, const ast::Stmt&, Sink&);

// A handler of its own.
template <auto F>
Flow flow(Session::Impl& m, const ast::Stmt& s, Sink& sink) {
    return (m.*F)(s, sink);
}

// A statement that always goes on to the next one, whether or not it reports to the sink.
template <auto F>
Flow next(Session::Impl& m, const ast::Stmt& s, Sink& sink) {
    if constexpr (std::is_invocable_v<decltype(F), Session::Impl&, const ast::Stmt&, Sink&>)
        (m.*F)(s, sink);
    else
        (m.*F)(s);
    return Flow::Next;
}

using I = Session::Impl;
constexpr std::pair<K, Handler> kHandlers[] = {
    {K::Select, next<&I::runSelect>},
    {K::Insert, next<&I::runInsert>},
    {K::Update, next<&I::runUpdateDelete>},
    {K::Delete, next<&I::runUpdateDelete>},
    {K::Truncate, flow<&I::runTruncate>},
    {K::CreateTable, next<&I::createTable>},
    {K::AlterTable, next<&I::alterTable>},
    {K::DropTable, next<&I::dropTable>},
    {K::CreateIndex, next<&I::createIndex>},
    {K::DropIndex, next<&I::dropIndex>},
    {K::CreateDatabase,
     [](I& m, const ast::Stmt& s, Sink& sink) {
         m.createDatabase(s.name, sink);
         return Flow::Next;
     }},
    {K::DropDatabase,
     [](I& m, const ast::Stmt& s, Sink&) {
         m.dropDatabase(s.name);
         return Flow::Next;
     }},
    {K::Use, flow<&I::runUse>},
    {K::CreateProcedure, next<&I::createProcedure>},
    {K::DropProcedure, next<&I::dropProcedure>},
    {K::CreateType, flow<&I::runCreateType>},
    {K::Declare, flow<&I::runDeclare>},
    {K::SetVariable, flow<&I::runSetVariable>},
    {K::SetOption, flow<&I::runSetOption>},
    {K::If, flow<&I::runIf>},
    {K::While, flow<&I::runWhile>},
    {K::Block, [](I& m, const ast::Stmt& s, Sink& sink) { return m.runList(s.body, sink); }},
    {K::Return, flow<&I::runReturn>},
    {K::Break, [](I&, const ast::Stmt&, Sink&) { return Flow::Break; }},
    {K::Continue, [](I&, const ast::Stmt&, Sink&) { return Flow::Continue; }},
    {K::Exec, next<&I::runExec>},
    {K::ExecDynamic, flow<&I::runExecDynamic>},
    {K::BeginTran, flow<&I::runBeginTran>},
    {K::CommitTran, flow<&I::runCommitTran>},
    {K::RollbackTran, flow<&I::runRollbackTran>},
    {K::SaveTran, flow<&I::runSaveTran>},
    {K::Raiserror, next<&I::runRaiserror>},
    {K::Print, flow<&I::runPrint>},
    {K::TryCatch, flow<&I::runTryCatch>},
    {K::Throw, flow<&I::runThrow>},
    {K::Empty, [](I&, const ast::Stmt&, Sink&) { return Flow::Next; }},
};

constexpr size_t kStmtKinds = static_cast<size_t>(K::Empty) + 1;

// The handlers by kind; a kind added to the parser without a handler fails to compile.
constexpr std::array<Handler, kStmtKinds> handlersByKind() {
    std::array<Handler, kStmtKinds> byKind{};
    for (auto& [kind, handler] : kHandlers) byKind[static_cast<size_t>(kind)] = handler;
    return byKind;
}

constexpr std::array<Handler, kStmtKinds> kByKind = handlersByKind();

constexpr bool everyKindHandled() {
    for (Handler h : kByKind)
        if (!h) return false;
    return std::size(kHandlers) == kStmtKinds;
}
static_assert(everyKindHandled(), "a statement kind has no handler");

}  // namespace

Flow Session::Impl::run(const ast::Stmt& s, Sink& sink) {
    stmtSchemas.clear();
    return kByKind[static_cast<size_t>(s.kind)](*this, s, sink);
}

void Session::Impl::runNested(const std::string& text, Sink& sink,
                              std::map<std::string, Variable>* vars) {
    if (frame->depth >= kMaxNesting) throw raise(217, {std::to_string(kMaxNesting)});
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
        if (const Message* m = findMessage(e.number); m && m->compile) e.abortsBatch = false;
        throw;
    } catch (...) {
        frame = saved;
        throw;
    }
    frame = saved;
    dropTempTablesSince(tempsBefore);
    if (vars) *vars = f.vars;
}

void Session::Impl::dropTempTablesSince(size_t mark) {
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

void Session::Impl::runRaiserror(const ast::Stmt& s, Sink& sink) {
    SqlType from;
    Value msg = evalExpr(*s.value, &from);
    int severity = 16, state = 1;
    if (s.raiserrorArgs.size() > 0) severity = static_cast<int>(evalExpr(*s.raiserrorArgs[0]).i);
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
    Error e(number, out, severity, state, s.pos.line);
    if (severity <= 10) {
        sink.info(e);
        return;
    }
    e.abortsBatch = false;
    throw e;
}

}  // namespace tsqlite
