// SELECT: FROM and joins, the checks of grouped select lists, select cores with their
// WHERE, GROUP BY, HAVING and ORDER BY, and set operations.
#include <functional>
#include <set>
#include <utility>

#include "tsqlite/translate_internal.h"

namespace tsqlite {

using namespace translation;

Source Translator::sourceOf(const std::shared_ptr<TableInfo>& t, const std::string& alias) {
    Source s;
    s.alias = alias.empty() ? t->name : alias;
    s.sqlAlias = quoteIdent(s.alias);
    s.table = t;
    for (auto& c : t->columns) s.columns.push_back({c.name, c.type, c.nullable});
    return s;
}

std::string Translator::from(const ast::TableRef& r, Scope& scope) {
    using K = ast::TableRef::Kind;
    if (r.kind == K::Named) {
        auto t = ctx_.findTable(r.name);
        Source s = sourceOf(t, r.alias);
        for (auto& other : scope.sources)
            if (lower(other.alias) == lower(s.alias)) {
                throw raise(1013, {s.alias, other.alias}, r.pos.line);
            }
        scope.sources.push_back(s);
        return t->sqlName() + " AS " + s.sqlAlias;
    }
    if (r.kind == K::Derived) {
        SelectTx sub = select(*r.derived, scope.parent);
        Source s;
        s.alias = r.alias;
        s.sqlAlias = quoteIdent(r.alias);
        s.columns = sub.columns;
        for (size_t i = 0; i < s.columns.size(); ++i)
            if (s.columns[i].name.empty()) s.columns[i].name = "_c" + std::to_string(i + 1);
        scope.sources.push_back(s);
        return "(" + sub.sql + ") AS " + s.sqlAlias;
    }
    if (r.kind == K::Join) {
        std::string left = from(*r.left, scope);
        size_t firstRight = scope.sources.size();
        std::string right = from(*r.right, scope);
        std::string kw;
        switch (r.join) {
            case ast::JoinType::Left:
                kw = " LEFT JOIN ";
                break;
            case ast::JoinType::Right:
                kw = " RIGHT JOIN ";
                break;
            case ast::JoinType::Full:
                kw = " FULL JOIN ";
                break;
            case ast::JoinType::Cross:
                kw = " CROSS JOIN ";
                break;
            default:
                kw = " JOIN ";
                break;
        }
        if (r.join == ast::JoinType::Left || r.join == ast::JoinType::Full)
            for (size_t i = firstRight; i < scope.sources.size(); ++i)
                scope.sources[i].nullable = true;
        std::string sql = left + kw + right;
        if (r.on) sql += " ON " + boolean(*r.on, &scope).sql;
        return sql;
    }
    throw raiseText(102, "Table value constructors are not supported here.", r.pos.line);
}

namespace {

bool isAggregate(const Expr& e) {
    if (e.kind != ExprKind::Function) return false;
    const FunctionSpec* f = findFunction(e.text);
    return f && (f->flags & kAggregate);
}

bool containsAggregate(const Expr& e) {
    if (isAggregate(e)) return true;
    if (e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists) return false;
    for (auto& a : e.args)
        if (a && containsAggregate(*a)) return true;
    return false;
}

}  // namespace

// (SELECT Code FROM Misc WHERE Id = H.CurrencyId) in a select list reads one row by a unique key
// for every outer row. As a LEFT JOIN, SQLite seeks the same row without running a subquery
// each time; no row gives NULL as the subquery does, and the key cannot give two. The table
// keeps its name or alias for the item and the key condition, which are read in a scope of
// their own above the core's, as in the subquery.
std::optional<Tx> Translator::lookupJoin(const Expr& e, const ast::SelectCore& outer, Scope& scope,
                                         std::string& fromSql) {
    if (e.kind != ExprKind::Subquery || !e.collation.empty() || !e.select || fromSql.empty())
        return std::nullopt;
    const ast::SelectStmt& sub = *e.select;
    if (sub.cores.size() != 1 || !sub.orderBy.empty()) return std::nullopt;
    const ast::SelectCore& c = sub.cores[0];
    if (!c.where || c.distinct || c.top || c.into || !c.groupBy.empty() || c.having ||
        c.items.size() != 1 || !c.items[0].assignVar.empty() ||
        c.items[0].expr->kind == ExprKind::Star)
        return std::nullopt;
    // Nothing in the item or the key condition that a join would evaluate otherwise.
    std::function<bool(const Expr&)> plain = [&](const Expr& x) {
        if (x.kind == ExprKind::Subquery || x.kind == ExprKind::Exists ||
            x.kind == ExprKind::InSubquery || isAggregate(x))
            return false;
        for (auto& a : x.args)
            if (a && !plain(*a)) return false;
        return true;
    };
    if (!plain(*c.items[0].expr) || !plain(*c.where)) return std::nullopt;
    // The outer rows stay as they are: no grouping to fit the joined column into.
    if (!outer.groupBy.empty() || outer.having) return std::nullopt;
    for (auto& it : outer.items)
        if (it.expr->kind != ExprKind::Star && containsAggregate(*it.expr)) return std::nullopt;
    if (!readsByUniqueKey(c)) return std::nullopt;

    const ast::TableRef& ref = *c.from[0];
    auto table = ctx_.findTable(ref.name);
    Scope inner;
    inner.parent = &scope;
    Source s = sourceOf(table, ref.alias);
    s.sqlAlias = quoteIdent("_lookup" + std::to_string(++lookupJoins_));
    s.nullable = true;
    inner.sources.push_back(s);
    const std::string on = boolean(*c.where, &inner).sql;
    Tx value = expr(*c.items[0].expr, &inner);
    value.outerSide = true;
    fromSql += " LEFT JOIN " + table->sqlName() + " AS " + s.sqlAlias + " ON " + on;
    return value;
}

// Every column of a grouped select list must be grouped or inside an aggregate.
void Translator::checkGrouping(const ast::SelectCore& c, Scope& scope) {
    bool aggregated = !c.groupBy.empty();
    for (auto& it : c.items)
        if (it.expr->kind != ExprKind::Star && containsAggregate(*it.expr)) aggregated = true;
    if (!aggregated) return;
    std::set<std::string> grouped;
    for (auto& g : c.groupBy) grouped.insert(expr(*g, &scope).sql);
    auto fail = [&](const std::string& qualified, int line) {
        throw raise(8120, {qualified}, line);
    };
    std::function<void(const Expr&)> walk = [&](const Expr& e) {
        if (isAggregate(e) || e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists) return;
        if (e.kind == ExprKind::Column) {
            Tx x = column(e, &scope);
            // Columns of an outer query are constants here.
            bool local = false;
            std::string alias;
            for (auto& src : scope.sources)
                if (x.sql.rfind(src.sqlAlias + ".", 0) == 0) {
                    local = true;
                    alias = src.table ? src.table->name : src.alias;
                }
            if (local && !grouped.count(x.sql)) fail(alias + "." + e.parts.back(), e.pos.line);
            return;
        }
        if (grouped.count(expr(e, &scope).sql)) return;
        for (auto& a : e.args)
            if (a) walk(*a);
    };
    for (auto& it : c.items) {
        if (it.expr->kind == ExprKind::Star) {
            for (auto& src : scope.sources)
                for (auto& col : src.columns)
                    if (!grouped.count(src.sqlAlias + "." + quoteIdent(col.name)))
                        fail((src.table ? src.table->name : src.alias) + "." + col.name,
                             it.expr->pos.line);
            continue;
        }
        walk(*it.expr);
    }
}

// A single aggregate without GROUP BY, or TOP 1, cannot return two rows; nor can one table read
// by the whole of a unique key, each key column equal to a value from outside the table.
bool Translator::returnsOneRow(const ast::SelectStmt& s) {
    if (s.cores.size() != 1) return false;
    const auto& c = s.cores[0];
    if (c.top && c.top->kind == ExprKind::Integer && c.top->text == "1") return true;
    if (!c.groupBy.empty() || c.items.size() != 1) return false;
    if (c.from.empty() && !c.where) return true;
    if (!c.having && readsByUniqueKey(c)) return true;
    const Expr* x = c.items[0].expr.get();
    // coalesce(max(...), 0) and the like keep the single row.
    while (x->kind == ExprKind::Function && !isAggregate(*x) && !x->args.empty())
        x = x->args[0].get();
    return isAggregate(*x);
}

bool Translator::readsByUniqueKey(const ast::SelectCore& c) {
    if (c.from.size() != 1 || c.from[0]->kind != ast::TableRef::Kind::Named || !c.where)
        return false;
    const ast::TableRef& ref = *c.from[0];
    auto table = ctx_.tryFindTable(ref.name);
    if (!table) return false;
    const std::string alias = lower(ref.alias.empty() ? ref.name.name() : ref.alias);
    const std::string tableName = lower(ref.name.name());
    // A column of the table read: unqualified, or qualified by its alias.
    auto innerColumn = [&](const Expr& x) -> std::string {
        if (x.kind != ExprKind::Column) return {};
        if (x.parts.size() == 1) return table->column(x.parts[0]) ? lower(x.parts[0]) : "";
        if (x.parts.size() == 2 && lower(x.parts[0]) == alias) return lower(x.parts[1]);
        return {};
    };
    // A value that cannot come from the table read: a literal, a variable, a parameter, or a
    // column of another table named by its qualifier.
    auto outerValue = [&](const Expr& x) {
        switch (x.kind) {
            case ExprKind::Integer:
            case ExprKind::Decimal:
            case ExprKind::String:
            case ExprKind::NString:
            case ExprKind::Variable:
            case ExprKind::Parameter:
                return true;
            case ExprKind::Column: {
                if (x.parts.size() < 2) return false;
                const std::string q = lower(x.parts[x.parts.size() - 2]);
                return q != alias && q != tableName;
            }
            default:
                return false;
        }
    };
    std::set<std::string> fixed;
    std::function<void(const Expr&)> walk = [&](const Expr& e) {
        if (e.kind == ExprKind::Binary_ && e.text == "AND") {
            walk(*e.args[0]);
            walk(*e.args[1]);
        } else if (e.kind == ExprKind::Binary_ && e.text == "=") {
            for (int side = 0; side < 2; ++side) {
                std::string col = innerColumn(*e.args[side]);
                if (!col.empty() && outerValue(*e.args[1 - side])) fixed.insert(col);
            }
        }
    };
    walk(*c.where);
    for (const auto& key : ctx_.uniqueKeys(*table)) {
        bool covered = !key.empty();
        for (const auto& col : key) covered = covered && fixed.count(col);
        if (covered) return true;
    }
    return false;
}

std::string Translator::core(const ast::SelectCore& c, Scope* outer, std::vector<Column>& cols,
                             std::vector<std::string>& assign, bool positionalNames,
                             const std::vector<ast::OrderItem>* orderBy, std::string* orderSql,
                             const InsertTarget* target) {
    Scope scope;
    scope.parent = outer;
    // SELECT @s = @s + Name FROM T: on SQL Server each row sees what the rows before it
    // assigned, so such a variable is read as the rows are made, not bound once.
    Restore<std::set<std::string>> liveGuard{liveVars_, liveVars_};
    if (!c.from.empty())
        for (const auto& it : c.items)
            if (!it.assignVar.empty()) liveVars_.insert(lower(it.assignVar));
    Restore<bool> groupedGuard{grouped_, grouped_};
    grouped_ = !c.groupBy.empty();
    std::string fromSql;
    for (size_t i = 0; i < c.from.size(); ++i) {
        // Each comma-separated item sees the enclosing query only.
        fromSql += (i ? ", " : "") + from(*c.from[i], scope);
    }
    std::string sql = "SELECT ";
    if (c.distinct) sql += "DISTINCT ";
    std::vector<std::pair<std::string, Tx>> aliases;
    std::string items;
    auto addItem = [&](Tx x, const std::string& name) {
        size_t n = cols.size() + 1;
        if (target && n <= target->types.size())
            x = convert(x, target->types[n - 1], false, -1, true);
        std::string outName = positionalNames ? "_c" + std::to_string(n) : name;
        std::string s = x.sql;
        if (x.type.isString() && !x.collated && !x.constant) s += " COLLATE TSQL";
        if (x.type.isString() && x.constant && c.distinct) s += " COLLATE TSQL";
        items += (items.empty() ? "" : ", ") + s;
        if (!outName.empty())
            items += " AS " + quoteIdent(outName);
        else
            items += " AS " + quoteIdent("_c" + std::to_string(n));
        Column col;
        col.name = name;
        col.type = x.type;
        col.nullable = !x.origin || x.origin->nullable || x.outerSide;
        cols.push_back(col);
        origins_.push_back(x.outerSide ? nullptr : x.origin);
        aliases.emplace_back(name, x);
    };
    for (auto& it : c.items) {
        if (it.expr->kind == ExprKind::Star) {
            std::string qual = it.expr->parts.empty() ? "" : lower(it.expr->parts.back());
            bool any = false;
            for (auto& src : scope.sources) {
                if (!qual.empty() && lower(src.alias) != qual &&
                    !(src.table && lower(src.table->name) == qual))
                    continue;
                any = true;
                for (auto& col : src.columns) {
                    Tx x;
                    x.sql = src.sqlAlias + "." + quoteIdent(col.name);
                    x.type = col.type;
                    x.collated = src.table && !src.table->system;
                    if (src.table && !src.table->system) x.origin = src.table->column(col.name);
                    x.outerSide = src.nullable;
                    addItem(x, col.name);
                }
            }
            if (!any) {
                if (qual.empty()) throw raise(263, {}, it.expr->pos.line);
                throw raise(4104, {it.expr->parts.back()}, it.expr->pos.line);
            }
            continue;
        }
        std::optional<Tx> joined = lookupJoin(*it.expr, c, scope, fromSql);
        Tx x = joined ? *joined : expr(*it.expr, &scope);
        std::string name = it.alias;
        if (name.empty() && it.expr->kind == ExprKind::Column) name = it.expr->parts.back();
        if (!it.assignVar.empty()) {
            assign.push_back(it.assignVar);
            name = it.assignVar;
        }
        addItem(x, name);
    }
    checkGrouping(c, scope);
    if (!assign.empty() && assign.size() != cols.size()) throw raise(141, {}, c.pos.line);
    if (target)
        for (size_t k = 0; k < target->extra.size(); ++k)
            items += ", " + target->extra[k] + " AS " + quoteIdent("_d" + std::to_string(k + 1));
    sql += items;
    if (!fromSql.empty()) sql += " FROM " + fromSql;
    if (c.where) sql += " WHERE " + boolean(*c.where, &scope).sql;
    if (!c.groupBy.empty()) {
        sql += " GROUP BY ";
        for (size_t i = 0; i < c.groupBy.size(); ++i) {
            Tx g = expr(*c.groupBy[i], &scope);
            sql +=
                (i ? ", " : "") + g.sql + (g.type.isString() && !g.collated ? " COLLATE TSQL" : "");
        }
    }
    if (c.having) sql += " HAVING " + boolean(*c.having, &scope).sql;
    if (orderBy && orderSql) {
        scope.selectAliases = &aliases;
        std::string o;
        for (auto& item : *orderBy) {
            const Expr& oe = *item.expr;
            std::string term;
            if (oe.kind == ExprKind::Integer) {
                int pos = std::atoi(oe.text.c_str());
                if (pos < 1 || pos > static_cast<int>(cols.size()))
                    throw raise(108, {oe.text}, oe.pos.line);
                term = oe.text;
                if (dec::mayBeWide(cols[pos - 1].type))
                    term = orderTerm(quoteIdent(positionalNames || cols[pos - 1].name.empty()
                                                    ? "_c" + std::to_string(pos)
                                                    : cols[pos - 1].name),
                                     cols[pos - 1].type);
            } else if (oe.kind == ExprKind::Column && oe.parts.size() == 1) {
                // A select-list alias wins over a column of the same name.
                bool isAlias = false;
                for (size_t i = 0; i < aliases.size(); ++i)
                    if (!aliases[i].first.empty() &&
                        lower(aliases[i].first) == lower(oe.parts[0]) &&
                        !(c.items.size() > i && false)) {
                        term = std::to_string(i + 1);
                        if (dec::mayBeWide(cols[i].type))
                            term = orderTerm(
                                quoteIdent(positionalNames ? "_c" + term : aliases[i].first),
                                cols[i].type);
                        isAlias = true;
                        break;
                    }
                if (!isAlias) {
                    Tx x = expr(oe, &scope);
                    term = orderTerm(x.sql, x.type) +
                           (x.type.isString() && !x.collated ? " COLLATE TSQL" : "");
                }
            } else {
                Tx x = expr(oe, &scope);
                term = orderTerm(x.sql, x.type) +
                       (x.type.isString() && !x.collated ? " COLLATE TSQL" : "");
            }
            o += (o.empty() ? "" : ", ") + term + (item.desc ? " DESC" : "");
        }
        *orderSql = o;
    }
    if (c.top) {
        Tx t = expr(*c.top, outer);
        if (c.topPercent) {
            std::string count = "(SELECT count(*) FROM (" + sql + "))";
            sql += "\x01LIMIT CAST((" + count + " * " + t.sql + " + 99) / 100 AS INTEGER)";
        } else {
            sql += "\x01LIMIT " + t.sql;
        }
    }
    return sql;
}

SelectTx Translator::select(const ast::SelectStmt& s, Scope* outer, bool positionalNames) {
    // Subqueries translate while a core collects its origins: keep ours aside.
    Restore<std::vector<const ColumnInfo*>> keep{origins_, std::move(origins_)};
    // Meant for this select's own list, not for the subqueries inside it.
    const InsertTarget* target = std::exchange(insertTarget_, nullptr);
    SelectTx out;
    std::vector<std::string> parts;
    std::vector<std::vector<Column>> partColumns;
    bool compound = s.cores.size() > 1;
    std::string orderSql;
    for (size_t i = 0; i < s.cores.size(); ++i) {
        std::vector<Column> cols;
        std::vector<std::string> assign;
        origins_.clear();
        bool wantOrder = !s.orderBy.empty() && (i == 0);
        std::string sql =
            core(s.cores[i], outer, cols, assign, positionalNames || (compound && i > 0),
                 wantOrder && !compound ? &s.orderBy : nullptr,
                 wantOrder && !compound ? &orderSql : nullptr, compound ? nullptr : target);
        auto lim = sql.find('\x01');
        std::string limit;
        if (lim != std::string::npos) {
            limit = sql.substr(lim + 1);
            sql.erase(lim);
        }
        if (compound && !limit.empty()) {
            sql = "SELECT * FROM (" + sql + " " + limit + ")";
            limit.clear();
        }
        if (!compound) {
            if (!orderSql.empty()) sql += " ORDER BY " + orderSql;
            if (!limit.empty()) sql += " " + limit;
        }
        if (i == 0) {
            out.columns = cols;
            out.assignVars = assign;
            out.origins = origins_;
            const auto& c0 = s.cores[0];
            out.singleTable = !compound && c0.from.size() == 1 &&
                              c0.from[0]->kind == ast::TableRef::Kind::Named &&
                              c0.groupBy.empty() && !c0.distinct;
        } else {
            if (cols.size() != out.columns.size()) throw raise(205, {}, s.cores[i].pos.line);
            for (size_t k = 0; k < cols.size(); ++k) {
                auto& a = out.columns[k].type;
                const auto& b = cols[k].type;
                if (a.base == BaseType::Unknown)
                    a = b;
                else if (b.base != BaseType::Unknown) {
                    if (a.isString() && b.isString())
                        a.length =
                            (a.length < 0 || b.length < 0) ? -1 : std::max(a.length, b.length);
                    else
                        a = dominantType(a, b);
                }
            }
        }
        parts.push_back(sql);
        partColumns.push_back(std::move(cols));
    }
    if (!compound) {
        out.sql = parts[0];
        return out;
    }
    // ORDER BY of a set operation names result columns only, so a column whose values may be
    // wide cannot be sorted through its key there: the set operation becomes a derived table
    // with positional names, sorted outside. The first term is written again with those names.
    std::vector<size_t> orderColumns;
    for (auto& item : s.orderBy) {
        const Expr& oe = *item.expr;
        size_t k = 0;
        if (oe.kind == ExprKind::Integer) {
            const int pos = std::atoi(oe.text.c_str());
            if (pos < 1 || pos > static_cast<int>(out.columns.size()))
                throw raise(108, {oe.text}, oe.pos.line);
            k = static_cast<size_t>(pos);
        } else if (oe.kind == ExprKind::Column) {
            const std::string n = lower(oe.parts.back());
            for (size_t i = 0; i < out.columns.size() && k == 0; ++i)
                if (lower(out.columns[i].name) == n) k = i + 1;
            if (k == 0) throw raise(104, {}, oe.pos.line);
        } else {
            throw raise(104, {}, oe.pos.line);
        }
        orderColumns.push_back(k);
    }
    const bool sortOutside = std::any_of(orderColumns.begin(), orderColumns.end(), [&](size_t k) {
        return dec::mayBeWide(out.columns[k - 1].type);
    });
    if (sortOutside && !positionalNames) {
        std::vector<Column> cols;
        std::vector<std::string> assign;
        origins_.clear();
        std::string sql = core(s.cores[0], outer, cols, assign, true, nullptr, nullptr);
        auto lim = sql.find('\x01');
        if (lim != std::string::npos)
            sql = "SELECT * FROM (" + sql.substr(0, lim) + " " + sql.substr(lim + 1) + ")";
        parts[0] = sql;
    }
    // A term whose numbers are stored otherwise than the combined column (an int or decimal(9,2)
    // beside a decimal(9,4)) is brought to the combined form, column by column.
    for (size_t i = 0; i < parts.size(); ++i) {
        bool differs = false;
        for (size_t k = 0; k < out.columns.size(); ++k)
            differs =
                differs ||
                (!sameStorage(partColumns[i][k].type, out.columns[k].type) &&
                 (dec::isScaled(partColumns[i][k].type) || dec::isScaled(out.columns[k].type)) &&
                 partColumns[i][k].type.base != BaseType::Unknown);
        if (!differs) continue;
        std::vector<Column> cols;
        std::vector<std::string> assign;
        origins_.clear();
        std::string inner = core(s.cores[i], outer, cols, assign, true, nullptr, nullptr);
        auto lim = inner.find('\x01');
        if (lim != std::string::npos)
            inner = "SELECT * FROM (" + inner.substr(0, lim) + " " + inner.substr(lim + 1) + ")";
        std::string items;
        for (size_t k = 0; k < out.columns.size(); ++k) {
            Tx x;
            x.sql = "_w._c" + std::to_string(k + 1);
            x.type = cols[k].type;
            const std::string& name = out.columns[k].name;
            const bool positional = positionalNames || i > 0 || name.empty() || sortOutside;
            items += (k ? ", " : "") + convert(x, out.columns[k].type, false).sql + " AS " +
                     quoteIdent(positional ? "_c" + std::to_string(k + 1) : name);
        }
        parts[i] = "SELECT " + items + " FROM (" + inner + ") AS _w";
    }
    // SQLite takes at most 500 terms in one compound SELECT; SQL Server takes thousands. The
    // terms are combined left to right, so what came before can become a derived table.
    constexpr size_t kTermsPerCompound = 400;
    std::string sql = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) {
        if (i % kTermsPerCompound == 0) sql = "SELECT * FROM (" + sql + ")";
        switch (s.ops[i - 1]) {
            case ast::SetOp::UnionAll:
                sql += " UNION ALL ";
                break;
            case ast::SetOp::Union:
                sql += " UNION ";
                break;
            case ast::SetOp::Except:
                sql += " EXCEPT ";
                break;
            case ast::SetOp::Intersect:
                sql += " INTERSECT ";
                break;
        }
        sql += parts[i];
    }
    if (sortOutside) {
        // Outside, every column is read by its positional name and named as the query names it.
        std::string items, o;
        for (size_t k = 0; k < out.columns.size(); ++k) {
            const std::string inner = "_c" + std::to_string(k + 1);
            const std::string& name = out.columns[k].name;
            items += (k ? ", " : "") + std::string("_u.") + quoteIdent(inner) + " AS " +
                     quoteIdent(positionalNames || name.empty() ? inner : name);
        }
        for (size_t i = 0; i < orderColumns.size(); ++i) {
            const SqlType& t = out.columns[orderColumns[i] - 1].type;
            o += (i ? ", " : "") +
                 orderTerm("_u." + quoteIdent("_c" + std::to_string(orderColumns[i])), t) +
                 (t.isString() ? " COLLATE TSQL" : "") + (s.orderBy[i].desc ? " DESC" : "");
        }
        sql = "SELECT " + items + " FROM (" + sql + ") AS _u ORDER BY " + o;
    } else if (!orderColumns.empty()) {
        std::string o;
        for (size_t i = 0; i < orderColumns.size(); ++i)
            o += (i ? ", " : "") + std::to_string(orderColumns[i]) +
                 (s.orderBy[i].desc ? " DESC" : "");
        sql += " ORDER BY " + o;
    }
    out.sql = sql;
    return out;
}

}  // namespace tsqlite
