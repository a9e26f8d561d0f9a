// The statement cache: translated statements prepared once per node, database and parameter
// types; binding parameters and variables, and running cached statements.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tsqlite/session_impl.h"

namespace tsqlite {

void Session::Impl::flushIdentity() {
    if (pendingIdentity.empty()) return;
    auto pending = std::move(pendingIdentity);
    pendingIdentity.clear();
    for (auto& [key, p] : pending)
        queryRow("UPDATE " + p.catalog + " SET last = ? WHERE id = ? AND colid = ?",
                 {Value::integer(p.last), Value::integer(p.id), Value::integer(p.colid)});
}

void Session::Impl::clearStatementCache() {
    flushIdentity();
    for (auto& [k, c] : stmts) sqlite3_finalize(c.st);
    stmts.clear();
    for (auto& [k, st] : internal) sqlite3_finalize(st);
    internal.clear();
    identityCache.clear();
    procs.clear();
}

const SqlType* Session::Impl::findParamType(const std::string& name) {
    return paramTypes && !paramTypes->empty() ? findNamed(paramTypes, name) : nullptr;
}

bool Session::Impl::wideInteger(const Value& v) {
    return v.kind == Value::Kind::Int && (v.i > 2147483647LL || v.i < -2147483648LL);
}

const std::string& Session::Impl::paramSignature() {
    if (signatureValid && signedParams == params) return signature;
    signature = makeParamSignature();
    signedParams = params;
    signatureValid = true;
    return signature;
}

const std::string& Session::Impl::bareName(const std::string& name) {
    // Runs for every parameter of every row of an upload: the buffer keeps its capacity.
    bare_.assign(name, 1, std::string::npos);
    return bare_;
}

std::string Session::Impl::makeParamSignature() {
    std::string sig;
    if (!params) return sig;
    sig.reserve(params->size() * (paramTypes && !paramTypes->empty() ? 40 : 16));
    // A driver declares the same names it passes values for: the two maps are walked side
    // by side, as this runs once per row of an upload.
    const bool declared = paramTypes && !paramTypes->empty();
    auto type = declared ? paramTypes->begin() : ParamTypes::const_iterator();
    for (auto& [k, v] : *params) {
        appendLower(sig, k);
        sig += ':';
        sig += static_cast<char>('0' + static_cast<int>(v.kind));
        if (wideInteger(v)) sig += 'w';
        if (declared) {
            while (type != paramTypes->end() && type->first < k) ++type;
            const SqlType* t =
                type != paramTypes->end() && type->first == k ? &type->second : findParamType(k);
            if (t) {
                // A declared type, not the value, types the parameter.
                const int parts[] = {static_cast<int>(t->base), t->length, t->precision, t->scale};
                sig += '#';
                sig.append(reinterpret_cast<const char*>(parts), sizeof parts);
            }
        }
        sig += ',';
    }
    return sig;
}

std::string Session::Impl::cacheKey(const void* node) {
    // Made for every statement a batch or procedure runs: the node's address in hexadecimal
    // without a trip through printf.
    const std::string& sig = paramSignature();
    const std::string& db = currentDatabase();
    std::string key;
    key.reserve(2 * sizeof(uintptr_t) + db.size() + sig.size() + 2);
    auto address = reinterpret_cast<uintptr_t>(node);
    for (int shift = 8 * static_cast<int>(sizeof address) - 4; shift >= 0; shift -= 4)
        key += "0123456789abcdef"[(address >> shift) & 0xf];
    key += '|';
    appendLower(key, db);
    key += '|';
    key += sig;
    return key;
}

void Session::Impl::printPlan(const std::string& sql) {
    sqlite3_stmt* plan = nullptr;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &plan, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "plan: %s\n", sqlite3_errmsg(db));
        return;
    }
    // Columns: id, parent, unused, detail; a step is indented under its parent.
    std::map<int, int> depth;
    while (sqlite3_step(plan) == SQLITE_ROW) {
        const int id = sqlite3_column_int(plan, 0);
        const int level = depth[sqlite3_column_int(plan, 1)] + 1;
        depth[id] = level;
        std::fprintf(stderr, "plan: %*s%s\n", 2 * level, "",
                     reinterpret_cast<const char*>(sqlite3_column_text(plan, 3)));
    }
    sqlite3_finalize(plan);
}

Value Session::Impl::onDateTimeTicks(const Value& v) {
    // Milliseconds that end in 0, 3 or 7 are on a tick already: most times are.
    if (v.s.size() != 23 || v.s[22] == '0' || v.s[22] == '3' || v.s[22] == '7') return v;
    rt::DateTime dt;
    if (!rt::parseCanonical(v.s, dt)) return v;
    char buf[32];
    const int n = rt::formatCanonical(rt::roundToTicks(dt), buf);
    return Value::text(std::string(buf, static_cast<size_t>(n)));
}

Value Session::Impl::bindFor(const std::string& name) {
    if (!name.empty() && name[0] == ':') {
        const std::string& bare = bareName(name);
        const Value* v = findParam(bare);
        if (!v) return Value::null();
        if (v->kind == Value::Kind::Text && paramTypes && !paramTypes->empty())
            if (const SqlType* t = findParamType(bare); t && t->base == BaseType::DateTime)
                return onDateTimeTicks(*v);
        return *v;
    }
    if (const SystemVariable* v = findSystemVariable(name)) return systemValue(*v);
    if (frame) {
        auto it = frame->vars.find(name);
        if (it != frame->vars.end()) return it->second.value;
    }
    return Value::null();
}

void Session::Impl::bindAll(CachedStmt& c) {
    sqlite3_reset(c.st);
    for (size_t i = 0; i < c.binds.size(); ++i) {
        // The caller's parameters stay unchanged while the batch runs, and every run binds
        // again: SQLite reads them where they are instead of copying a large value.
        if (const Value* v = callerParam(c.binds[i])) {
            bindValue(c.st, static_cast<int>(i + 1), *v, false);
            continue;
        }
        bindValue(c.st, static_cast<int>(i + 1), bindFor(c.binds[i]));
    }
}

const Value* Session::Impl::callerParam(const std::string& name) {
    if (name.empty() || name[0] != ':') return nullptr;
    const std::string& bare = bareName(name);
    const Value* v = findParam(bare);
    if (!v || v->kind != Value::Kind::Text) return v;
    // A datetime text is moved onto the type's ticks first.
    if (const SqlType* t = findParamType(bare); t && t->base == BaseType::DateTime) return nullptr;
    return v;
}

void Session::Impl::startClock() {
    if (timeoutSec > 0) {
        deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSec);
        deadlineSet = true;
    } else {
        deadlineSet = false;
    }
}

void Session::Impl::normalize(Value& v, const SqlType& t) {
    // Only a number can change; a text, or a decimal's units, is left where it is.
    if (dec::isScaled(t)) {
        if (v.kind == Value::Kind::Float) v = dec::normalize(v, t);
    } else if (v.kind == Value::Kind::Float && t.isInteger()) {
        v = Value::integer(static_cast<long long>(v.f));
    } else if (v.kind == Value::Kind::Int && t.isNumeric() && !t.isInteger()) {
        v = Value::real(static_cast<double>(v.i));
    }
}

long long Session::Impl::runRows(CachedStmt& c, Sink* sink) {
    bindAll(c);
    bool assign = !c.assignVars.empty();
    if (sink && !assign) sink->beginResultSet(c.columns);
    long long n = 0;
    int rc;
    std::vector<Value> row(c.columns.size());
    while ((rc = sqlite3_step(c.st)) == SQLITE_ROW) {
        for (size_t i = 0; i < c.columns.size(); ++i) {
            readColumn(c.st, static_cast<int>(i), row[i]);
            normalize(row[i], c.columns[i].type);
        }
        ++n;
        if (assign) {
            for (size_t i = 0; i < c.assignVars.size(); ++i)
                setVariable(c.assignVars[i], row[i], c.columns[i].type);
        } else if (sink) {
            sink->takeRow(row);
            // A sink that keeps the values takes them: the next row needs its places back.
            if (row.size() != c.columns.size()) row.assign(c.columns.size(), Value());
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

long long Session::Impl::runChange(CachedStmt& c) {
    bindAll(c);
    int rc = sqlite3_step(c.st);
    while (rc == SQLITE_ROW) rc = sqlite3_step(c.st);
    sqlite3_reset(c.st);
    if (rc != SQLITE_DONE) fail(rc, currentDatabase());
    return sqlite3_changes64(db);
}

void Session::Impl::setVariable(const std::string& name, const Value& v, const SqlType& from) {
    auto it = frame->vars.find(lower(name));
    if (it == frame->vars.end()) throw raise(137, {name});
    it->second.value = convertValue(v, from, it->second.type, -1, false);
}

Value Session::Impl::evalExpr(const ast::Expr& e, SqlType* type) {
    // SET @x = NULL, the commonest start of a procedure, asks nothing of SQLite.
    if (e.kind == ast::ExprKind::Null) {
        if (type) *type = SqlType();
        return Value::null();
    }
    auto& c = cached(&e, [&](Translator& tr, CachedStmt& cs) {
        Tx x = tr.expression(e);
        cs.sql = "SELECT " + x.sql;
        cs.columns.push_back({"", x.type});
    });
    bindAll(c);
    int rc = sqlite3_step(c.st);
    Value v;
    if (rc == SQLITE_ROW) {
        readColumn(c.st, 0, v);
        normalize(v, c.columns[0].type);
    }
    sqlite3_reset(c.st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(rc);
    if (type) *type = c.columns[0].type;
    return v;
}

bool Session::Impl::evalCondition(const ast::Expr& e) {
    // IF @x IS [NOT] NULL, the commonest test of a procedure: the variable itself answers.
    if (e.kind == ast::ExprKind::IsNull && e.args.size() == 1 &&
        e.args[0]->kind == ast::ExprKind::Variable && e.args[0]->text.rfind("@@", 0) != 0) {
        auto it = frame->vars.find(lower(e.args[0]->text));
        if (it != frame->vars.end()) return it->second.value.isNull() != e.negated;
    }
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

std::shared_ptr<ast::Batch> Session::Impl::parse(const std::string& text) {
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

Value Session::Impl::systemValue(const SystemVariable& v) {
    const Error* e = caught.empty() ? nullptr : &caught.back();
    switch (v.value) {
        case SystemValue::RowCount:
            return Value::integer(rowcount);
        case SystemValue::Identity:
            return lastIdentity;
        case SystemValue::TranCount:
            return Value::integer(tranCount);
        case SystemValue::Error:
            return Value::integer(lastError);
        case SystemValue::NestLevel:
            return Value::integer(frame ? frame->procDepth : 0);
        case SystemValue::FetchStatus:
            return Value::integer(-1);  // no cursors: never a row fetched
        case SystemValue::DateFirst:
        case SystemValue::Version:
        case SystemValue::ServerName:
        case SystemValue::Spid:
            return constantValue(v);
        case SystemValue::GetDate:
            return Value::text(currentDateTime());
        case SystemValue::IdentityBase:
            return identityBase;
        // Outside a CATCH block the error functions are NULL.
        case SystemValue::ErrorNumber:
            return e ? Value::integer(e->number) : Value::null();
        case SystemValue::ErrorSeverity:
            return e ? Value::integer(e->severity) : Value::null();
        case SystemValue::ErrorState:
            return e ? Value::integer(e->state) : Value::null();
        case SystemValue::ErrorLine:
            return e ? Value::integer(e->line) : Value::null();
        case SystemValue::ErrorMessage:
            return e ? Value::text(e->message) : Value::null();
        case SystemValue::ErrorProcedure:
            return e && !e->procedure.empty() ? Value::text(e->procedure) : Value::null();
    }
    return Value::null();
}

}  // namespace tsqlite
