// INSERT, UPDATE and DELETE: target columns, defaults, identity, and TOP on the rows changed.
#include <set>

#include "tsqlite/translate_internal.h"

namespace tsqlite {

using namespace translation;

std::string Translator::insert(const ast::Stmt& s, const TableInfo& t, bool identityInsert,
                               std::vector<int>* targetColumns) {
    // Target columns in the order the source provides them.
    std::vector<int> cols;
    if (s.defaultValues) {
        // Every column takes its default (or NULL, or the next identity value).
    } else if (s.columns.empty()) {
        for (size_t i = 0; i < t.columns.size(); ++i)
            if (!t.columns[i].identity) cols.push_back(static_cast<int>(i));
    } else {
        for (auto& name : s.columns) {
            int idx = -1;
            if (!t.column(name, &idx)) {
                Error e = errors::invalidColumn(name);
                e.line = s.pos.line;
                throw e;
            }
            if (t.columns[idx].identity && !identityInsert) throw raise(544, {t.name}, s.pos.line);
            cols.push_back(idx);
        }
    }
    if (targetColumns) *targetColumns = cols;

    std::vector<std::string> srcExprs;  // one per target column, over the source alias _s
    std::string srcSql;
    bool direct = false;  // a select whose own list converts and completes the rows
    if (s.defaultValues) {
        srcSql = "SELECT 1";
    } else if (!s.values.empty()) {
        std::string v = "VALUES ";
        for (size_t r = 0; r < s.values.size(); ++r) {
            auto& row = s.values[r];
            if (row.size() != cols.size() && s.columns.empty()) throw raise(213, {}, s.pos.line);
            if (row.size() != cols.size())
                throw Error(row.size() > cols.size() ? 110 : 109,
                            row.size() > cols.size()
                                ? "There are more columns in the INSERT statement than values "
                                  "specified in the VALUES clause. The number of values in the "
                                  "VALUES clause must match the number of columns specified in "
                                  "the INSERT statement."
                                : "There are fewer columns in the INSERT statement than values "
                                  "specified in the VALUES clause. The number of values in the "
                                  "VALUES clause must match the number of columns specified in "
                                  "the INSERT statement.",
                            15, 1, s.pos.line);
            v += r ? ", (" : "(";
            for (size_t k = 0; k < row.size(); ++k) {
                const ColumnInfo& col = t.columns[cols[k]];
                if (row[k]->kind == ExprKind::Default) {
                    v += (k ? "," : "") +
                         (col.defaultExpr.empty() ? std::string("NULL") : defaultSql(col));
                    continue;
                }
                Tx x = expr(*row[k], nullptr);
                Tx c = convert(x, t.columns[cols[k]].type, false, -1, true);
                v += (k ? "," : "") + c.sql;
            }
            v += ")";
        }
        srcSql = "SELECT * FROM (" + v + ")";
        for (size_t k = 0; k < cols.size(); ++k)
            srcExprs.push_back("_s.column" + std::to_string(k + 1));
        const bool identityNamed =
            t.identityColumn >= 0 &&
            std::find(cols.begin(), cols.end(), t.identityColumn) != cols.end();
        if (s.values.size() == 1 && (t.identityColumn < 0 || identityNamed || !identityInsert)) {
            // The common single-row case: a plain VALUES insert. The identity value, when the
            // engine draws it, is the counter's base plus one step (no row numbering needed).
            std::string sql = "INSERT INTO " + t.sqlName() + " (";
            std::string vals;
            for (size_t k = 0; k < cols.size(); ++k) {
                sql += (k ? "," : "") + quoteIdent(t.columns[cols[k]].name);
            }
            // Defaults for the columns not named.
            std::string extraCols, extraVals;
            for (size_t i = 0; i < t.columns.size(); ++i) {
                if (std::find(cols.begin(), cols.end(), static_cast<int>(i)) != cols.end())
                    continue;
                if (t.columns[i].identity) {
                    extraCols += "," + quoteIdent(t.columns[i].name);
                    extraVals += ",(" + bindRef("@@IDENTITYBASE") + " + " +
                                 std::to_string(t.columns[i].step) + ")";
                    continue;
                }
                if (t.columns[i].defaultExpr.empty()) continue;
                extraCols += "," + quoteIdent(t.columns[i].name);
                extraVals += "," + defaultSql(t.columns[i]);
            }
            if (cols.empty()) sql.erase(sql.size() - 1);
            if (cols.empty() && extraCols.empty())
                return "INSERT INTO " + t.sqlName() + " DEFAULT VALUES";
            std::string vv = v.substr(7);
            vv.insert(vv.size() - 1, extraVals);
            if (cols.empty()) {
                return "INSERT INTO " + t.sqlName() + " (" + extraCols.substr(1) + ") VALUES (" +
                       extraVals.substr(1) + ")";
            }
            return sql + extraCols + ") VALUES " + vv;
        }
    } else if (s.select) {
        // A plain select (one query, no DISTINCT, TOP or ORDER BY) converts its own columns
        // and its rows go into the table as they are made; anything else is read through a
        // derived table first. The identity of a table that numbers its rows keeps that way.
        const ast::SelectStmt& source = *s.select;
        direct = source.cores.size() == 1 && source.orderBy.empty() && !source.cores[0].distinct &&
                 !source.cores[0].top;
        for (size_t i = 0; i < t.columns.size() && direct; ++i)
            if (t.columns[i].identity &&
                std::find(cols.begin(), cols.end(), static_cast<int>(i)) == cols.end())
                direct = false;
        InsertTarget target;
        if (direct) {
            for (int c : cols) target.types.push_back(t.columns[c].type);
            // The defaulted columns, in the order the column list below names them.
            for (size_t i = 0; i < t.columns.size(); ++i)
                if (std::find(cols.begin(), cols.end(), static_cast<int>(i)) == cols.end() &&
                    !t.columns[i].defaultExpr.empty())
                    target.extra.push_back(defaultSql(t.columns[i]));
            insertTarget_ = &target;  // select() takes it
        }
        SelectTx sub = select(source, nullptr, true);
        if (sub.columns.size() != cols.size() && s.columns.empty())
            throw raise(213, {}, s.pos.line);
        if (sub.columns.size() != cols.size())
            throw raise(121, {std::string(sub.columns.size() > cols.size() ? "more" : "fewer")},
                        s.pos.line);
        srcSql = sub.sql;
        for (size_t k = 0; k < cols.size() && !direct; ++k) {
            Tx x;
            x.sql = "_s._c" + std::to_string(k + 1);
            x.type = sub.columns[k].type;
            srcExprs.push_back(convert(x, t.columns[cols[k]].type, false, -1, true).sql);
        }
    } else {
        throw raise(102, {"INSERT"}, s.pos.line);
    }
    std::string colList, selList;
    for (size_t k = 0; k < cols.size(); ++k) {
        colList += (colList.empty() ? "" : ",") + quoteIdent(t.columns[cols[k]].name);
        if (!direct) selList += (selList.empty() ? "" : ",") + srcExprs[k];
    }
    for (size_t i = 0; i < t.columns.size(); ++i) {
        if (std::find(cols.begin(), cols.end(), static_cast<int>(i)) != cols.end()) continue;
        if (t.columns[i].identity) {
            if (identityInsert) throw raise(545, {t.name}, s.pos.line);
            colList += (colList.empty() ? "" : ",") + quoteIdent(t.columns[i].name);
            selList += (selList.empty() ? "" : ",") + bindRef("@@IDENTITYBASE") +
                       " + (row_number() OVER ()) * " + std::to_string(t.columns[i].step);
            continue;
        }
        if (t.columns[i].defaultExpr.empty()) continue;
        colList += (colList.empty() ? "" : ",") + quoteIdent(t.columns[i].name);
        if (!direct) selList += (selList.empty() ? "" : ",") + defaultSql(t.columns[i]);
    }
    if (direct) return "INSERT INTO " + t.sqlName() + " (" + colList + ") " + srcSql;
    if (colList.empty()) return "INSERT INTO " + t.sqlName() + " DEFAULT VALUES";
    return "INSERT INTO " + t.sqlName() + " (" + colList + ") SELECT " + selList + " FROM (" +
           srcSql + ") AS _s";
}

std::string Translator::defaultSql(const ColumnInfo& c) {
    auto it = defaults_.find(c.defaultExpr);
    if (it == defaults_.end())
        it = defaults_.emplace(c.defaultExpr, parseBatch("SELECT " + c.defaultExpr)).first;
    const ast::Batch& b = *it->second;
    if (b.statements.empty() || !b.statements[0]->select)
        throw raiseText(102, "Invalid default for column '" + c.name + "'.");
    const ast::Expr& e = *b.statements[0]->select->cores[0].items[0].expr;
    Tx x = expr(e, nullptr);
    return convert(x, c.type, false, -1, true).sql;
}

std::string Translator::update(const ast::Stmt& s, const TableInfo& t) {
    Scope scope;
    std::string fromSql;
    bool joined = !s.from.empty();
    std::string targetAlias;
    if (joined) {
        for (size_t i = 0; i < s.from.size(); ++i)
            fromSql += (i ? ", " : "") + from(*s.from[i], scope);
        // The target is the FROM source whose alias or table name matches the UPDATE name.
        std::string want = lower(s.targetAlias.empty() ? s.target.name() : s.targetAlias);
        for (auto& src : scope.sources)
            if (lower(src.alias) == want) targetAlias = src.sqlAlias;
        if (targetAlias.empty())
            for (auto& src : scope.sources)
                if (src.table && lower(src.table->name) == want &&
                    lower(src.table->schema) == lower(t.schema))
                    targetAlias = src.sqlAlias;
        if (targetAlias.empty()) {
            // UPDATE t SET ... FROM other: t joins implicitly.
            Source src = sourceOf(std::make_shared<TableInfo>(t), t.name);
            scope.sources.insert(scope.sources.begin(), src);
            fromSql = t.sqlName() + " AS " + src.sqlAlias + ", " + fromSql;
            targetAlias = src.sqlAlias;
        }
    } else {
        scope.sources.push_back(sourceOf(std::make_shared<TableInfo>(t), t.name));
        targetAlias = scope.sources.back().sqlAlias;
    }
    std::vector<std::string> sets;
    for (auto& sc : s.sets) {
        if (sc.column.empty())
            throw raiseText(102, "Variable assignment in UPDATE is not supported.", s.pos.line);
        int idx = -1;
        if (!t.column(sc.column.back(), &idx)) {
            Error e = errors::invalidColumn(sc.column.back());
            e.line = s.pos.line;
            throw e;
        }
        if (t.columns[idx].identity) throw raise(8102, {t.columns[idx].name}, s.pos.line);
        if (sc.value->kind == ExprKind::Default) {
            const ColumnInfo& col = t.columns[idx];
            sets.push_back(quoteIdent(col.name) + " = " +
                           (col.defaultExpr.empty() ? std::string("NULL") : defaultSql(col)));
            continue;
        }
        Tx x = expr(*sc.value, &scope);
        Tx c = convert(x, t.columns[idx].type, false, -1, true);
        sets.push_back(quoteIdent(t.columns[idx].name) + " = " + c.sql);
    }
    std::string where = s.where ? boolean(*s.where, &scope).sql : "";
    if (!joined) {
        std::string sql = "UPDATE " + t.sqlName() + " AS " + targetAlias + " SET ";
        for (size_t i = 0; i < sets.size(); ++i) sql += (i ? ", " : "") + sets[i];
        if (!where.empty()) sql += " WHERE " + where;
        if (s.top) sql = rowLimited(t, where, *s.top, targetAlias, "UPDATE", sets);
        return sql;
    }
    // Joined update: evaluate the new values per target row, then write them by rowid.
    std::string sub = "SELECT " + targetAlias + ".rowid AS _rid";
    for (size_t i = 0; i < sets.size(); ++i) {
        auto eq = sets[i].find(" = ");
        sub += ", " + sets[i].substr(eq + 3) + " AS _v" + std::to_string(i);
    }
    sub += " FROM " + fromSql;
    if (!where.empty()) sub += " WHERE " + where;
    if (s.top) sub += " LIMIT " + expr(*s.top, nullptr).sql;
    std::string sql = "UPDATE " + t.sqlName() + " SET ";
    for (size_t i = 0; i < sets.size(); ++i) {
        auto eq = sets[i].find(" = ");
        sql += (i ? ", " : "") + sets[i].substr(0, eq) + " = _u._v" + std::to_string(i);
    }
    sql += " FROM (" + sub + ") AS _u WHERE " + t.sqlName() + ".rowid = _u._rid";
    return sql;
}

std::string Translator::rowLimited(const TableInfo& t, const std::string& where,
                                   const ast::Expr& top, const std::string& alias,
                                   const std::string& verb, const std::vector<std::string>& sets) {
    std::string n = expr(top, nullptr).sql;
    std::string inner = "SELECT " + alias + ".rowid FROM " + t.sqlName() + " AS " + alias +
                        (where.empty() ? "" : " WHERE " + where) + " LIMIT " + n;
    if (verb == "DELETE") return "DELETE FROM " + t.sqlName() + " WHERE rowid IN (" + inner + ")";
    std::string u = "UPDATE " + t.sqlName() + " AS " + alias + " SET ";
    for (size_t i = 0; i < sets.size(); ++i) u += (i ? ", " : "") + sets[i];
    return u + " WHERE " + alias + ".rowid IN (" + inner + ")";
}

std::string Translator::del(const ast::Stmt& s, const TableInfo& t) {
    Scope scope;
    if (s.from.empty()) {
        scope.sources.push_back(sourceOf(std::make_shared<TableInfo>(t), t.name));
        std::string alias = scope.sources.back().sqlAlias;
        std::string where = s.where ? boolean(*s.where, &scope).sql : "";
        if (s.top) return rowLimited(t, where, *s.top, alias, "DELETE", {});
        return "DELETE FROM " + t.sqlName() + " AS " + alias +
               (where.empty() ? "" : " WHERE " + where);
    }
    std::string fromSql;
    for (size_t i = 0; i < s.from.size(); ++i) fromSql += (i ? ", " : "") + from(*s.from[i], scope);
    std::string targetAlias;
    std::string want = lower(s.targetAlias.empty() ? s.target.name() : s.targetAlias);
    for (auto& src : scope.sources)
        if (lower(src.alias) == want) targetAlias = src.sqlAlias;
    if (targetAlias.empty())
        for (auto& src : scope.sources)
            if (src.table && lower(src.table->name) == want) targetAlias = src.sqlAlias;
    if (targetAlias.empty()) {
        Source src = sourceOf(std::make_shared<TableInfo>(t), t.name);
        scope.sources.insert(scope.sources.begin(), src);
        fromSql = t.sqlName() + " AS " + src.sqlAlias + ", " + fromSql;
        targetAlias = src.sqlAlias;
    }
    std::string where = s.where ? boolean(*s.where, &scope).sql : "";
    std::string sub = "SELECT " + targetAlias + ".rowid FROM " + fromSql +
                      (where.empty() ? "" : " WHERE " + where);
    if (s.top) sub += " LIMIT " + expr(*s.top, nullptr).sql;
    return "DELETE FROM " + t.sqlName() + " WHERE rowid IN (" + sub + ")";
}

}  // namespace tsqlite
