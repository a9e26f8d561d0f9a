// Tables, columns, indexes and alias types: CREATE, ALTER and DROP, and the catalog rows
// that describe them.
#include <algorithm>
#include <cstdio>

#include "tsqlite/session_impl.h"

namespace tsqlite {

std::string sqliteAffinity(const SqlType& t) {
    if (t.isInteger() || dec::isScaled(t)) return "INTEGER";
    if (t.isNumeric()) return "REAL";
    if (t.isBinary()) return "BLOB";
    if (t.isString()) return "TEXT COLLATE TSQL";
    return "TEXT";
}

std::string Session::Impl::sourceText(const ast::Expr& e) {
    if (!batchText || e.sourceEnd <= e.pos.offset) return "";
    return batchText->substr(static_cast<size_t>(e.pos.offset),
                             static_cast<size_t>(e.sourceEnd - e.pos.offset));
}

long long Session::Impl::nextObjectId(const std::string& schema) {
    auto row = queryRow("SELECT coalesce(max(id), 1000000) + 1 FROM " + quoteIdent(schema) +
                        ".__tsq_objects");
    return row[0].i;
}

std::string Session::Impl::columnDdl(const ColumnInfo& c) {
    std::string d = quoteIdent(c.name) + " " + sqliteAffinity(c.type);
    if (!c.nullable) d += " NOT NULL";
    return d;
}

void Session::Impl::makeTable(const std::string& schema, const std::string& name,
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
        std::string kname = k.name.empty() ? (k.primaryKey ? "PK__" : "UQ__") + name + "__" +
                                                 std::to_string(id % 100000) + std::to_string(indid)
                                           : k.name;
        long long kid = nextObjectId(schema);
        queryRow("INSERT INTO " + s +
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

ColumnInfo Session::Impl::columnInfo(const ast::ColumnDef& d) {
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

void Session::Impl::createTable(const ast::Stmt& s) {
    std::string schema =
        s.target.isTemp()
            ? "temp"
            : schemaOf(s.target.database().empty() ? currentDatabase() : s.target.database());
    if (catalog(schema).tables.count(lower(s.target.name()))) throw raise(2714, {s.target.name()});
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
    atomically([&] {
        makeTable(schema, s.target.name(), cols, cons);
        bool anyCheck = !s.checks.empty();
        for (auto& d : s.columnDefs) anyCheck |= !d.checks.empty();
        if (!anyCheck) return;
        auto t = findTable(s.target);
        for (auto& d : s.columnDefs)
            for (auto& k : d.checks) addCheck(*t, k, false);
        for (auto& k : s.checks) addCheck(*t, k, false);
        bumpVersion(schema);
    });
}

void Session::Impl::alterTable(const ast::Stmt& s, Sink& sink) {
    auto t = findTable(s.target);
    std::string sch = quoteIdent(t->schema);
    std::string tbl = sch + "." + quoteIdent(t->name);
    using A = ast::Stmt::AlterAction;
    atomically([&] {
        if (s.alterAction == A::Add) {
            int colid = static_cast<int>(t->columns.size());
            for (auto& d : s.columnDefs) {
                ColumnInfo c = columnInfo(d);
                if (t->column(c.name)) throw raise(2705, {c.name, t->name});
                std::string ddl = "ALTER TABLE " + tbl + " ADD COLUMN " + quoteIdent(c.name) + " " +
                                  sqliteAffinity(c.type);
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
                        throw raise(4901, {c.name, t->name});
                    } else {
                        dv = c.type.isNumeric() ? Value::integer(0) : Value::text("");
                    }
                    ddl += " NOT NULL DEFAULT " + valueLiteral(dv);
                }
                exec(ddl);
                ++colid;
                insertColumnRow(t->schema, t->id, colid, c);
            }
            bool anyCheck = !s.checks.empty();
            for (auto& d : s.columnDefs) anyCheck |= !d.checks.empty();
            if (anyCheck) {
                bumpVersion(t->schema);
                auto now = findTable(s.target);
                for (auto& d : s.columnDefs)
                    for (auto& k : d.checks) addCheck(*now, k, !s.noCheck);
                for (auto& k : s.checks) addCheck(*now, k, !s.noCheck);
            }
        } else if (s.alterAction == A::AlterColumn) {
            for (auto& d : s.columnDefs) {
                int idx = -1;
                if (!t->column(d.name, &idx)) throw errors::invalidColumn(d.name);
                ColumnInfo c = columnInfo(d);
                const ColumnInfo& old = t->columns[idx];
                // A column a check constraint reads keeps its type; only the length of a
                // variable-length one may change.
                std::string check = checkOnColumn(*t, old.name);
                if (!check.empty() &&
                    !(old.type.base == c.type.base && (old.type.isString() || old.type.isBinary() ||
                                                       old.type.toString() == c.type.toString()))) {
                    sink.error(raise(5074, {"object", check, old.name}, s.pos.line));
                    throw raise(4922, {"ALTER COLUMN " + old.name});
                }
                if (!c.nullable && queryRow("SELECT count(*) FROM " + tbl + " WHERE " +
                                            quoteIdent(old.name) + " IS NULL")[0]
                                           .i > 0) {
                    throw raise(515, {old.name, t->dbName + ".dbo." + t->name, "UPDATE"});
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
                     Value::integer(c.type.scale), Value::integer(t->id), Value::integer(idx + 1)});
            }
            // SQLite keeps a column's affinity and NOT NULL in its own schema: build the
            // table anew from the catalog.
            rebuildTable(t->schema, t->id, t->name);
        } else if (s.alterAction == A::DropColumn) {
            for (auto& name : s.columns) {
                int idx = -1;
                if (!t->column(name, &idx)) throw raise(4924, {name, t->name});
                std::string check = checkOnColumn(*t, t->columns[idx].name);
                if (!check.empty()) {
                    sink.error(raise(5074, {"object", check, name}, s.pos.line));
                    throw raise(4922, {"DROP COLUMN " + name});
                }
                for (auto& ix : catalog(t->schema).indexes)
                    if (lower(ix.table) == lower(t->name))
                        for (auto& col : ix.columns)
                            if (lower(col) == lower(name)) {
                                sink.error(
                                    raise(5074, {ix.constraint ? "object" : "index", ix.name, name},
                                          s.pos.line));
                                throw raise(4922, {"DROP COLUMN " + name});
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
            // dropped, one built into the table goes with a rebuild; a check constraint's
            // triggers go. Default constraints are not kept by name: their names change nothing.
            if (dropCheck(*t, s.name)) {
                bumpVersion(t->schema);
                return;
            }
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
        } else if (s.alterAction == A::EnableConstraints ||
                   s.alterAction == A::DisableConstraints) {
            enableChecks(*t, s, s.alterAction == A::EnableConstraints);
        } else {
            for (auto& k : s.checks) addCheck(*t, k, !s.noCheck);
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

void Session::Impl::insertColumnRow(const std::string& schema, long long id, int colid,
                                    const ColumnInfo& c) {
    queryRow(
        "INSERT INTO " + quoteIdent(schema) +
            ".__tsq_columns(id, colid, name, type, usertype, nullable, isidentity, "
            "seed, step, defaultexpr, xtype, length, prec, scale) VALUES "
            "(?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        {Value::integer(id), Value::integer(colid), Value::text(c.name),
         Value::text(c.type.toString()),
         c.type.userType.empty() ? Value::null() : Value::text(c.type.userType),
         Value::integer(c.nullable), Value::integer(c.identity), Value::integer(c.seed),
         Value::integer(c.step), c.defaultExpr.empty() ? Value::null() : Value::text(c.defaultExpr),
         Value::integer(systemTypeId(c.type)), Value::integer(byteLength(c.type)),
         Value::integer(c.type.base == BaseType::Decimal ? c.type.precision : 0),
         Value::integer(c.type.scale)});
}

void Session::Impl::rebuildTable(const std::string& schema, long long id, const std::string& name) {
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
            ddl += std::string(ix[1].i ? ", PRIMARY KEY (" : ", UNIQUE (") + colList(ix[2].s) + ")";
    exec(ddl + ")");
    exec("INSERT INTO " + sch + "." + quoteIdent(tmp) + " (" + names + ") SELECT " + names +
         " FROM " + sch + "." + quoteIdent(name));
    // The table's triggers (its check constraints) go with it: made again on the new one.
    auto triggers = queryRows(
        "SELECT sql FROM " + sch + ".sqlite_master WHERE type = 'trigger' AND tbl_name = ?",
        {Value::text(name)});
    exec("DROP TABLE " + sch + "." + quoteIdent(name));
    exec("ALTER TABLE " + sch + "." + quoteIdent(tmp) + " RENAME TO " + quoteIdent(name));
    const std::string create = "CREATE TRIGGER ";
    for (auto& tr : triggers)
        if (tr[0].s.rfind(create, 0) == 0) exec(create + sch + "." + tr[0].s.substr(create.size()));
    for (auto& ix : indexes)
        if (!ix[3].isNull())
            exec(std::string("CREATE ") + (ix[0].i ? "UNIQUE " : "") + "INDEX " + sch + "." +
                 quoteIdent(ix[3].s) + " ON " + quoteIdent(name) + " (" + colList(ix[2].s) + ")");
}

void Session::Impl::dropTable(const ast::Stmt& s) {
    auto t = tryFindTable(s.target);
    if (!t) {
        if (s.ifExists) return;
        throw raise(3701, {"table", s.target.name()}).withState(5);
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
        std::erase_if(tempMade, [&](const auto& m) { return lower(m.second) == lower(t->name); });
}

void Session::Impl::createIndex(const ast::Stmt& s) {
    auto t = findTable(s.target);
    std::string sch = quoteIdent(t->schema);
    auto& cat = catalog(t->schema);
    for (auto& ix : cat.indexes)
        if (lower(ix.table) == lower(t->name) && lower(ix.name) == lower(s.name))
            throw raise(1913, {s.name, t->name});
    std::string cols, colsText;
    for (size_t i = 0; i < s.columns.size(); ++i) {
        if (!t->column(s.columns[i])) throw raise(1911, {s.columns[i]});
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
        queryRow(
            "INSERT INTO " + sch +
                ".__tsq_indexes(id, name, indid, isunique, isprimary, columns, sqlname) "
                "VALUES (?,?,?,?,0,?,?)",
            {Value::integer(t->id), Value::text(s.name), s.clustered ? Value::integer(1) : next[0],
             Value::integer(s.unique), Value::text(colsText), Value::text(ixName)});
        bumpVersion(t->schema);
    });
}

void Session::Impl::dropIndex(const ast::Stmt& s) {
    auto t = findTable(s.target);
    std::string sch = quoteIdent(t->schema);
    auto row = queryRow(
        "SELECT sqlname FROM " + sch + ".__tsq_indexes WHERE id = ? AND name = ? COLLATE NOCASE",
        {Value::integer(t->id), Value::text(s.name)});
    if (row.empty() || row[0].isNull()) {
        if (s.ifExists) return;
        throw raise(3701, {"index", t->name + "." + s.name}).withState(7);
    }
    atomically([&] {
        exec("DROP INDEX " + sch + "." + quoteIdent(row[0].s));
        queryRow("DELETE FROM " + sch + ".__tsq_indexes WHERE id = ? AND name = ? COLLATE NOCASE",
                 {Value::integer(t->id), Value::text(s.name)});
        bumpVersion(t->schema);
    });
}

void Session::Impl::createType(const std::string& name, const SqlType& base, bool nullable) {
    std::string schema = schemaOf(currentDatabase());
    if (catalog(schema).userTypes.count(lower(name))) throw raise(219, {name});
    atomically([&] {
        queryRow("INSERT INTO " + quoteIdent(schema) +
                     ".__tsq_types(name, base, nullable) VALUES (?,?,?)",
                 {Value::text(name), Value::text(base.toString()), Value::integer(nullable)});
        bumpVersion(schema);
    });
}

namespace {

// The columns a CHECK expression reads; refuses what SQL Server refuses in one.
void checkColumns(const ast::Expr& e, std::vector<std::string>& cols) {
    using K = ast::ExprKind;
    if (e.kind == K::Subquery || e.kind == K::Exists || e.kind == K::InSubquery)
        throw raiseText(1046,
                        "Subqueries are not allowed in this context. Only scalar expressions are "
                        "allowed.",
                        e.pos.line);
    if (e.kind == K::Variable || e.kind == K::Parameter)
        throw raiseText(128,
                        "The name \"" + e.text +
                            "\" is not permitted in this context. Valid expressions are "
                            "constants, constant expressions, and (in some contexts) variables. "
                            "Column names are not permitted.",
                        e.pos.line);
    if (e.kind == K::Column && !e.parts.empty()) {
        bool seen = false;
        for (auto& c : cols) seen |= lower(c) == lower(e.parts.back());
        if (!seen) cols.push_back(e.parts.back());
    }
    for (auto& a : e.args)
        if (a) checkColumns(*a, cols);
}

std::string checkTrigger(const std::string& table, const std::string& name, char kind) {
    return "tsq_ck$" + table + "$" + name + "$" + kind;
}

}  // namespace

// The rows already in the table must pass a constraint's condition (written over "NEW"), or the
// ALTER TABLE fails with 547 naming the constraint and, when it reads one, its column.
void Session::Impl::requireRowsPass(const TableInfo& t, const std::string& condition,
                                    const std::string& name, const std::string& column) {
    if (!queryRow("SELECT 1 FROM " + t.sqlName() + " AS \"NEW\" WHERE NOT (" + condition +
                  ") LIMIT 1")
             .empty())
        throw raise(547, {"ALTER TABLE", "CHECK", name, t.dbName, "dbo." + t.name,
                          column.empty() ? "" : ", column '" + column + "'"});
}

void Session::Impl::addCheck(const TableInfo& t, const ast::CheckDef& k, bool checkExisting) {
    std::string sch = quoteIdent(t.schema);
    std::vector<std::string> cols;
    checkColumns(*k.expr, cols);
    for (auto& c : cols)
        if (!t.column(c)) throw errors::invalidColumn(c);
    // Reported with the conflict when the constraint reads a single column.
    std::string column = !k.column.empty() ? k.column : cols.size() == 1 ? cols[0] : "";
    if (const ColumnInfo* ci = column.empty() ? nullptr : t.column(column)) column = ci->name;

    long long id = nextObjectId(t.schema);
    std::string name = k.name;
    if (name.empty()) {
        // SQL Server's pattern: CK__table__column__hex, parts cut short; the object id makes
        // it unique and keeps it the same for the life of the constraint.
        char hex[17];
        std::snprintf(hex, sizeof hex, "%08llX", static_cast<unsigned long long>(id));
        name = "CK__" + t.name.substr(0, 9) + "__" +
               (column.empty() ? "" : column.substr(0, 5) + "__") + hex;
    }
    if (!queryRow("SELECT 1 FROM " + sch + ".__tsq_objects WHERE lower(name) = lower(?)",
                  {Value::text(name)})
             .empty())
        throw raise(2714, {name});

    // The expression over the row being written: NEW in the trigger, the rows themselves
    // when existing rows are checked.
    auto table = std::make_shared<TableInfo>(t);
    Scope scope;
    Source src;
    src.alias = t.name;
    src.sqlAlias = "\"NEW\"";
    src.table = table;
    for (auto& c : t.columns) src.columns.push_back({c.name, c.type, c.nullable});
    scope.sources.push_back(src);
    Translator tr(*this);
    Tx x = tr.boolean(*k.expr, &scope);
    if (!tr.binds().empty()) throw raiseText(128, "A CHECK constraint cannot read variables.");

    if (checkExisting) requireRowsPass(t, x.sql, name, column);

    std::string marker = std::string(kCheckMarker) + name + "\x1f" + t.name + "\x1f" + column;
    std::string body =
        " WHEN NOT (" + x.sql + ") BEGIN SELECT RAISE(ABORT, " + quoteLiteral(marker) + "); END";
    exec("CREATE TRIGGER " + sch + "." + quoteIdent(checkTrigger(t.name, name, 'i')) +
         " BEFORE INSERT ON " + quoteIdent(t.name) + body);
    // An UPDATE is checked when it sets a column the constraint reads, as SQL Server does.
    std::string of;
    for (auto& c : cols) of += (of.empty() ? " OF " : ", ") + quoteIdent(t.column(c)->name);
    exec("CREATE TRIGGER " + sch + "." + quoteIdent(checkTrigger(t.name, name, 'u')) +
         " BEFORE UPDATE" + of + " ON " + quoteIdent(t.name) + body);
    queryRow("INSERT INTO " + sch +
                 ".__tsq_objects(id, name, xtype, parent_obj, crdate) VALUES (?, ?, 'C', ?, ?)",
             {Value::integer(id), Value::text(name), Value::integer(t.id),
              Value::text(currentDateTime())});
}

bool Session::Impl::dropCheck(const TableInfo& t, const std::string& name) {
    std::string sch = quoteIdent(t.schema);
    auto row = queryRow("SELECT id, name FROM " + sch +
                            ".__tsq_objects WHERE parent_obj = ? AND xtype = 'C' AND "
                            "lower(name) = lower(?)",
                        {Value::integer(t.id), Value::text(name)});
    if (row.empty()) return false;
    for (char kind : {'i', 'u'})
        exec("DROP TRIGGER IF EXISTS " + sch + "." +
             quoteIdent(checkTrigger(t.name, row[1].s, kind)));
    queryRow("DELETE FROM " + sch + ".__tsq_objects WHERE id = ?", {row[0]});
    return true;
}

// A disabled constraint has no triggers: their statements wait in its catalog row's definition
// (each ending with kTriggerEnd) until it is enabled again, so the state lives in the file.
void Session::Impl::enableChecks(const TableInfo& t, const ast::Stmt& s, bool enable) {
    static constexpr char kTriggerEnd = '\x1e';
    const std::string sch = quoteIdent(t.schema);
    auto all = queryRows("SELECT id, name, definition FROM " + sch +
                             ".__tsq_objects WHERE parent_obj = ? AND xtype = 'C' ORDER BY id",
                         {Value::integer(t.id)});
    std::vector<std::vector<Value>> chosen;
    if (s.allConstraints) chosen = all;
    for (const auto& wanted : s.columns) {
        auto it = std::find_if(all.begin(), all.end(),
                               [&](const auto& r) { return lower(r[1].s) == lower(wanted); });
        if (it == all.end()) throw raise(4917, {wanted});
        chosen.push_back(*it);
    }
    const std::string create = "CREATE TRIGGER ";
    for (const auto& row : chosen) {
        const std::string& name = row[1].s;
        const bool disabled = !row[2].isNull();
        std::vector<std::string> statements;
        if (disabled) {
            std::string cur;
            for (char ch : row[2].s)
                if (ch == kTriggerEnd) {
                    statements.push_back(cur);
                    cur.clear();
                } else {
                    cur += ch;
                }
        } else {
            for (char kind : {'i', 'u'})
                for (auto& r : queryRows("SELECT sql FROM " + sch +
                                             ".sqlite_master WHERE type = 'trigger' AND name = ?",
                                         {Value::text(checkTrigger(t.name, name, kind))}))
                    statements.push_back(r[0].s);
        }
        if (!enable) {
            if (disabled) continue;
            std::string saved;
            for (auto& st : statements) saved += st + kTriggerEnd;
            queryRow("UPDATE " + sch + ".__tsq_objects SET definition = ? WHERE id = ?",
                     {Value::text(saved), row[0]});
            for (char kind : {'i', 'u'})
                exec("DROP TRIGGER IF EXISTS " + sch + "." +
                     quoteIdent(checkTrigger(t.name, name, kind)));
            continue;
        }
        if (!s.noCheck && !statements.empty()) {
            // The rows already there must pass: the trigger's condition, read back from it.
            const std::string& trigger = statements.front();
            const std::string open = " WHEN NOT (", close = ") BEGIN SELECT RAISE(ABORT, '";
            const size_t from = trigger.find(open), to = trigger.rfind(close);
            if (from != std::string::npos && to != std::string::npos && to > from) {
                const std::string condition =
                    trigger.substr(from + open.size(), to - from - open.size());
                // The column it names is the marker's last part.
                std::string column;
                const size_t end = trigger.rfind("'");
                const size_t sep = trigger.rfind('\x1f', end);
                if (end != std::string::npos && sep != std::string::npos && sep < end)
                    column = trigger.substr(sep + 1, end - sep - 1);
                requireRowsPass(t, condition, name, column);
            }
        }
        if (!disabled) continue;
        for (auto& st : statements)
            if (st.rfind(create, 0) == 0) exec(create + sch + "." + st.substr(create.size()));
        queryRow("UPDATE " + sch + ".__tsq_objects SET definition = NULL WHERE id = ?", {row[0]});
    }
}

std::string Session::Impl::checkOnColumn(const TableInfo& t, const std::string& column) {
    std::string sch = quoteIdent(t.schema);
    std::string ref = lower("\"NEW\"." + quoteIdent(column));
    // A disabled constraint's triggers wait in its definition.
    for (auto& r : queryRows("SELECT o.name, coalesce(m.sql, o.definition) FROM " + sch +
                                 ".__tsq_objects o LEFT JOIN " + sch +
                                 ".sqlite_master m ON m.type = 'trigger' AND m.name = 'tsq_ck$' "
                                 "|| ? || '$' || o.name || '$i' WHERE o.parent_obj = ? AND "
                                 "o.xtype = 'C'",
                             {Value::text(t.name), Value::integer(t.id)}))
        if (lower(r[1].s).find(ref) != std::string::npos) return r[0].s;
    return "";
}

}  // namespace tsqlite
