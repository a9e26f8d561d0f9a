// SELECT (with INTO), INSERT, UPDATE and DELETE.
#include "tsqlite/session_impl.h"

namespace tsqlite {

void Session::Impl::reportCount(Sink& sink, long long n) {
    rowcount = n;
    if (!nocount) sink.rowsAffected(n);
}

void Session::Impl::runSelect(const ast::Stmt& s, Sink& sink) {
    const ast::SelectStmt& sel = *s.select;
    // The INTO of a set operation's first query holds the whole result.
    if (!sel.cores.empty() && sel.cores[0].into) {
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

void Session::Impl::selectInto(const ast::Stmt& s, Sink& sink) {
    const ast::SelectCore& core = s.select->cores[0];
    ast::ObjectName target = *core.into;
    if (tryFindTable(target)) throw raise(2714, {target.name()});
    // Translate the query without its INTO.
    Translator tr(*this);
    SelectTx t = tr.select(*s.select);
    std::vector<ColumnInfo> cols;
    bool identityTaken = false;
    for (size_t k = 0; k < t.columns.size(); ++k) {
        const Column& c = t.columns[k];
        if (c.name.empty()) throw raise(1038);
        ColumnInfo ci;
        ci.name = c.name;
        ci.type = c.type.base == BaseType::Unknown ? *SqlType::parse("int") : c.type;
        // A column copied as it is keeps NOT NULL, and IDENTITY when the query reads one
        // table only, as SQL Server's SELECT INTO does.
        // Of a set operation, only the first query's columns are known here: its columns stay
        // nullable, as a later query may bring a NULL.
        const ColumnInfo* origin =
            k < t.origins.size() && s.select->cores.size() == 1 ? t.origins[k] : nullptr;
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
    std::string schema = target.isTemp() ? "temp"
                                         : schemaOf(target.database().empty() ? currentDatabase()
                                                                              : target.database());
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
                queryRow(
                    "UPDATE " + quoteIdent(schema) + ".__tsq_columns SET last = (SELECT max(" +
                        quoteIdent(cols[k].name) + ") FROM " + quoteIdent(schema) + "." +
                        quoteIdent(target.name()) + ") WHERE id = (SELECT id FROM " +
                        quoteIdent(schema) +
                        ".__tsq_objects WHERE name = ? AND xtype = 'U') AND colid = ?",
                    {Value::text(target.name()), Value::integer(static_cast<long long>(k + 1))});
    });
    reportCount(sink, n);
}

void Session::Impl::runInsert(const ast::Stmt& s, Sink& sink) {
    try {
        insertRows(s, sink);
    } catch (Error& e) {
        if ((e.number == 2627 || e.number == 2601) && !conflictColumns.empty())
            e.message += duplicateKeySuffix(s);
        throw;
    }
}

std::string Session::Impl::duplicateKeySuffix(const ast::Stmt& s) {
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
            out +=
                (i ? ", " : "") + (key[i].isNull() ? std::string("<NULL>")
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

void Session::Impl::insertRows(const ast::Stmt& s, Sink& sink) {
    auto t = findTable(s.target);
    if (t->system) throw raise(259);
    lastVerb = "INSERT";
    lastDatabase = t->dbName;
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
            queryRow("UPDATE " + cat + " SET last = (SELECT max(" + col + ") FROM " + t->sqlName() +
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
                auto row =
                    queryRow("SELECT last, seed, step FROM " + cat + " WHERE id = ? AND colid = ?",
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
                    queryRow("UPDATE " + cat + " SET last = ? WHERE id = ? AND colid = ?",
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

void Session::Impl::runUpdateDelete(const ast::Stmt& s, Sink& sink) {
    auto t = findTable(s.target);
    // UPDATE alias ... FROM Table alias: the target is named by its alias.
    if (t->system) throw raise(259);
    lastVerb = s.kind == ast::StmtKind::Update ? "UPDATE" : "DELETE";
    lastDatabase = t->dbName;
    auto& c = cached(&s, [&](Translator& tr, CachedStmt& cs) {
        cs.sql = s.kind == ast::StmtKind::Update ? tr.update(s, *t) : tr.del(s, *t);
    });
    reportCount(sink, runChange(c));
}

}  // namespace tsqlite
