#include "tsqlite/tds/procedure_columns.h"

#include <sqlite3.h>

#include <filesystem>

#include "tsqlite/parser.h"
#include "tsqlite/tds/values.h"

namespace tsqlite::tds {
namespace {

using B = BaseType;

std::string unescape(const std::string& pattern) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
        out += pattern[i];
    }
    return out;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// One row's ODBC description of a type: DATA_TYPE, PRECISION, LENGTH, SCALE.
struct OdbcType {
    int dataType;
    int precision;
    int length;
    int scale;
};

OdbcType odbcType(const SqlType& t) {
    const int n = t.length;
    switch (t.base) {
        case B::Bit:
            return {-7, 1, 1, 0};
        case B::TinyInt:
            return {-6, 3, 1, 0};
        case B::SmallInt:
            return {5, 5, 2, 0};
        case B::BigInt:
            return {-5, 19, 8, 0};
        case B::Decimal: {
            int p = t.precision > 0 ? t.precision : 18;
            return {3, p, p + 2, t.scale};
        }
        case B::Money:
            return {3, 19, 21, 4};
        case B::SmallMoney:
            return {3, 10, 12, 4};
        case B::Float:
            return {6, 15, 8, 0};
        case B::Real:
            return {7, 7, 4, 0};
        case B::Char:
            return {1, n, n, 0};
        case B::VarChar:
            return {12, n < 0 ? 0 : n, n < 0 ? 0 : n, 0};
        case B::NChar:
            return {-8, n, n * 2, 0};
        case B::NVarChar:
            return {-9, n < 0 ? 0 : n, n < 0 ? 0 : n * 2, 0};
        case B::Text:
            return {-1, 2147483647, 2147483647, 0};
        case B::NText:
            return {-10, 1073741823, 2147483646, 0};
        case B::Image:
            return {-4, 2147483647, 2147483647, 0};
        case B::DateTime:
            return {93, 23, 16, 3};
        case B::SmallDateTime:
            return {93, 16, 16, 0};
        case B::Date:
            return {91, 10, 6, 0};
        case B::Time:
            return {92, 16, 16, 7};
        case B::Binary:
            return {-2, n, n, 0};
        case B::VarBinary:
            return {-3, n < 0 ? 0 : n, n < 0 ? 0 : n, 0};
        case B::UniqueIdentifier:
            return {-11, 36, 16, 0};
        case B::Int:
        case B::Unknown:
            break;
    }
    return {4, 10, 4, 0};
}

class Db {
public:
    explicit Db(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
        } else {
            sqlite3_busy_timeout(db_, 5000);
        }
    }
    ~Db() { sqlite3_close(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // The first column of the first row, or nothing.
    std::optional<std::string> text(const char* sql, const std::string& arg) {
        if (!db_) return std::nullopt;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) return std::nullopt;
        sqlite3_bind_text(st, 1, arg.c_str(), static_cast<int>(arg.size()), SQLITE_TRANSIENT);
        std::optional<std::string> out;
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

Column column(const char* name, SqlType type) {
    Column c;
    c.name = name;
    c.type = type;
    return c;
}

}  // namespace

ResultSet procedureColumns(const std::string& serverDir, const std::string& database,
                           const std::string& owner, const std::string& name) {
    const SqlType sysname = sqlType(B::NVarChar, 128), small = sqlType(B::SmallInt),
                  integer = sqlType(B::Int);
    ResultSet rs;
    rs.columns = {column("PROCEDURE_QUALIFIER", sysname),
                  column("PROCEDURE_OWNER", sysname),
                  column("PROCEDURE_NAME", sqlType(B::NVarChar, 134)),
                  column("COLUMN_NAME", sysname),
                  column("COLUMN_TYPE", small),
                  column("DATA_TYPE", small),
                  column("TYPE_NAME", sysname),
                  column("PRECISION", integer),
                  column("LENGTH", integer),
                  column("SCALE", small),
                  column("RADIX", small),
                  column("NULLABLE", small),
                  column("REMARKS", sqlType(B::VarChar, 254)),
                  column("COLUMN_DEF", sqlType(B::NVarChar, 4000)),
                  column("SQL_DATA_TYPE", small),
                  column("SQL_DATETIME_SUB", small),
                  column("CHAR_OCTET_LENGTH", integer),
                  column("ORDINAL_POSITION", integer),
                  column("IS_NULLABLE", sqlType(B::VarChar, 254)),
                  column("SS_DATA_TYPE", sqlType(B::TinyInt))};
    const std::string proc = unescape(name);
    const std::string schema = owner.empty() ? "dbo" : unescape(owner);
    if (lowerAscii(schema) != "dbo") return rs;  // procedures live in dbo only
    const std::string file =
        (std::filesystem::path(serverDir) / (lowerAscii(database) + ".sqlite")).string();
    if (!std::filesystem::exists(file)) return rs;
    Db db(file);
    auto definition = db.text(
        "SELECT definition FROM __tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'", proc);
    if (!definition) return rs;
    std::unique_ptr<ast::Batch> batch;
    try {
        batch = parseBatch(*definition);
    } catch (const Error&) {
        return rs;
    }
    const ast::Stmt* create = nullptr;
    for (const auto& s : batch->statements)
        if (s->kind == ast::StmtKind::CreateProcedure) create = s.get();
    if (!create) return rs;
    auto addRow = [&](const std::string& param, int kind, const SqlType& t,
                      const std::string& typeName, int ordinal) {
        OdbcType o = odbcType(t);
        const bool chars = t.isString();
        rs.rows.push_back(
            {Value::text(database),
             Value::text("dbo"),
             Value::text(proc + ";1"),
             Value::text(param),
             Value::integer(kind),
             Value::integer(o.dataType),
             Value::text(typeName),
             Value::integer(o.precision),
             Value::integer(o.length),
             t.isExactNumeric() || t.isDateTime() ? Value::integer(o.scale) : Value::null(),
             t.isNumeric() ? Value::integer(10) : Value::null(),
             Value::integer(1),
             Value::null(),
             Value::null(),
             Value::integer(o.dataType == 93 || o.dataType == 91 ? 9 : o.dataType),
             Value::null(),
             chars ? Value::integer(o.length) : Value::null(),
             Value::integer(ordinal),
             Value::text("YES"),
             Value::integer(0)});
    };
    addRow("@RETURN_VALUE", 5, sqlType(B::Int), "int", 0);
    int ordinal = 1;
    for (const auto& p : create->params) {
        std::optional<SqlType> t;
        int a1 = p.type.args.size() > 0 ? p.type.args[0] : -2;
        int a2 = p.type.args.size() > 1 ? p.type.args[1] : -2;
        t = SqlType::fromName(lowerAscii(p.type.name), a1, a2);
        std::string typeName = p.type.name;
        if (!t) {
            // An alias type of the database (IdNo, CharFlag...).
            auto base = db.text("SELECT base FROM __tsq_types WHERE name = ?", p.type.name);
            if (base) t = SqlType::parse(*base);
        }
        if (!t) t = sqlType(B::Int);
        // SQL Server reports an OUTPUT parameter as input/output (2).
        addRow(p.name, p.output ? 2 : 1, *t, typeName, ordinal++);
    }
    return rs;
}

}  // namespace tsqlite::tds
