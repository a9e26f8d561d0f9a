// The catalogs of a session's databases: loading and refreshing them, the system views,
// and the lookups of tables, variables, parameters and types the translator asks for.
#include "tsqlite/session_impl.h"

namespace tsqlite {

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

DbCatalog& Session::Impl::catalog(const std::string& schema) {
    auto& cat = catalogs[schema];
    if (cat.version < 0) loadCatalog(cat);
    return cat;
}

long long Session::Impl::readVersion(const std::string& schema) {
    auto row = queryRow("SELECT version FROM " + quoteIdent(schema) + ".__tsq_meta");
    return row.empty() ? 0 : row[0].i;
}

void Session::Impl::loadCatalog(DbCatalog& cat) {
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
    for (auto& r :
         queryRows("SELECT o.name, i.name, i.isunique, i.isprimary, i.columns, EXISTS (SELECT 1 "
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

void Session::Impl::refreshCatalogs() {
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

void Session::Impl::bumpVersion(const std::string& schema) {
    exec("UPDATE " + quoteIdent(schema) + ".__tsq_meta SET version = version + 1");
    catalogs[schema].version = -1;
    clearStatementCache();
}

std::shared_ptr<TableInfo> Session::Impl::systemView(const std::string& schema,
                                                     const std::string& name) {
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
                         ") UNION ALL SELECT name, NULL, 256 + rowid, NULL, nullable FROM " + s +
                         ".__tsq_types";
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

std::shared_ptr<TableInfo> Session::Impl::tryFindTable(const ast::ObjectName& n) {
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

std::vector<std::vector<std::string>> Session::Impl::uniqueKeys(const TableInfo& t) {
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

std::shared_ptr<TableInfo> Session::Impl::findTable(const ast::ObjectName& n) {
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

SqlType Session::Impl::variableType(const std::string& name) {
    if (frame) {
        auto it = frame->vars.find(lower(name));
        if (it != frame->vars.end()) return it->second.type;
    }
    throw raise(137, {name});
}

SqlType Session::Impl::parameterType(const std::string& name) {
    const Value* v = findParam(name);
    if (!v) throw raise(8178, {name});
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

bool Session::Impl::sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    bool ascii = true;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80) {
            ascii = false;
            break;
        }
        if (x != y && std::tolower(x) != std::tolower(y)) return false;
    }
    return ascii || lower(a) == lower(b);
}

std::optional<SqlType> Session::Impl::userType(const std::string& name) {
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

}  // namespace tsqlite
