// The built-in functions. Each is one row of a table sorted by name: its argument counts (the
// 174 error comes from there), its result type when the arguments do not decide it, and the
// emitter that writes its SQLite SQL. Functions of the same shape share an emitter and differ by
// the row's data (the SQLite function called, the datepart, the @@ variable read).
#include <algorithm>
#include <map>

#include "tsqlite/translate_internal.h"

namespace tsqlite {

namespace translation {

Tx Call::toText(Tx x) const {
    if (x.type.isString() || x.type.base == BaseType::Unknown) return x;
    return t.convert(x, varcharOf(30), true);
}

Tx Call::toDate(Tx x) const {
    if (x.type.isDateTime() || x.type.base == BaseType::Unknown) return x;
    return t.convert(x, kDateTime, false);
}

Tx Call::toInt(Tx x) const {
    if (x.type.isInteger() || x.type.base == BaseType::Unknown) return x;
    return t.convert(x, kInt, false);
}

SqlType resultType(Result r) {
    switch (r) {
        case Result::Int:
            return kInt;
        case Result::BigInt:
            return kBigInt;
        case Result::SmallInt:
            return typeOf(BaseType::SmallInt);
        case Result::Float:
            return kFloat;
        case Result::Date:
            return typeOf(BaseType::Date);
        case Result::UniqueIdentifier:
            return typeOf(BaseType::UniqueIdentifier);
        case Result::NVarChar30:
            return nvarcharOf(30);
        case Result::NVarChar128:
            return nvarcharOf(128);
        case Result::VarChar8000:
            return varcharOf(8000);
        case Result::Char1:
            return typeOf(BaseType::Char, 1);
        case Result::NChar1:
            return typeOf(BaseType::NChar, 1);
        case Result::Emitted:
            break;
    }
    return {};
}

namespace {

std::string target(const Call& c) {
    return std::string(c.spec.target);
}

std::string lowerName(const Call& c) {
    return lower(c.e.text);
}

// ---- Aggregates

Tx count(Call& c) {
    Tx r;
    if (c.e.star) {
        r.sql = "count(*)";
        return r;
    }
    Tx a = c.arg(0);
    r.sql = (c.e.distinct ? "tsq_countd(" : "count(") + a.sql + ")";
    return r;
}

// The argument of SUM, AVG, MIN or MAX, with the collation text compares by.
std::string aggregated(const Call& c, const Tx& a) {
    if (a.type.isString() && (c.e.text == "SUM" || c.e.text == "AVG"))
        throw raise(8117, {a.type.toString(), lowerName(c)}, c.e.pos.line);
    if (a.type.isString() && !a.collated) return a.sql + " COLLATE TSQL";
    return a.sql;
}

Tx sum(Call& c) {
    Tx a = c.arg(0);
    const std::string in = aggregated(c, a);
    const std::string d = c.e.distinct ? "DISTINCT " : "";
    Tx r;
    r.type = a.type;
    if (a.type.base == BaseType::Decimal) r.type.precision = 38;
    if (a.type.base == BaseType::TinyInt || a.type.base == BaseType::SmallInt ||
        a.type.base == BaseType::Bit)
        r.type = kInt;
    r.sql = "sum(" + d + in + ")";
    if (dec::isScaled(a.type) && dec::isScaled(r.type)) {
        const std::string code = std::to_string(dec::typeCode(r.type));
        // SQLite takes DISTINCT only in a one-argument aggregate.
        r.sql =
            "tsq_dcheck(" +
            (c.e.distinct ? "tsq_dsum(DISTINCT " + in + ")" : "tsq_dsum(" + in + "," + code + ")") +
            "," + code + ")";
    }
    // A scaled sum is exact; as a decimal with more places it leaves the scaled form.
    if (dec::isScaled(a.type) && !dec::isScaled(r.type)) {
        Tx s = a;
        s.constant = false;
        s.sql = r.sql;
        r.sql = unscaled(s).sql;
    }
    return r;
}

Tx avg(Call& c) {
    Tx a = c.arg(0);
    const std::string in = aggregated(c, a);
    const std::string d = c.e.distinct ? "DISTINCT " : "";
    Tx r;
    r.type = a.type;
    if (a.type.isInteger()) {
        r.type = a.type.base == BaseType::BigInt ? kBigInt : kInt;
        r.sql = "CAST(avg(" + d + in + ") AS INTEGER)";
        return r;
    }
    if (a.type.base == BaseType::Decimal) {
        r.type.precision = 38;
        r.type.scale = std::max(6, a.type.scale);
    }
    r.sql = "avg(" + d + in + ")";
    if (a.type.base == BaseType::Decimal) {
        // The exact sum over the count, truncated at the result's places as a decimal
        // quotient is.
        r.sql = "tsq_ddiv(tsq_dsum(" + d + in + "),count(" + d + in + ")," +
                std::to_string(r.type.scale - a.type.scale) + "," +
                std::to_string(dec::typeCode(r.type)) + ")";
    } else if (dec::isScaled(a.type)) {
        Tx s = a;
        s.constant = false;
        s.sql = r.sql;
        r.sql = dec::isScaled(r.type) ? "tsq_drescale(" + r.sql + ",0," +
                                            std::to_string(dec::typeCode(r.type)) + ",0)"
                                      : unscaled(s).sql;
    }
    return r;
}

// MIN and MAX: SQLite's own, over the collation of text. Of text in a grouped query, the
// runtime's, which keep a group's value without allocating; without GROUP BY, SQLite's own can
// read the first or last entry of an index instead of every row.
Tx extreme(Call& c) {
    Tx a = c.arg(0);
    Tx r;
    r.type = a.type;
    r.sql = target(c) + "(" + (c.e.distinct ? "DISTINCT " : "") + aggregated(c, a) + ")";
    if (a.type.isString() && c.t.grouped()) r.sql = "tsq_t" + target(c) + "(" + a.sql + ")";
    // SQLite would order every INTEGER before every wide value.
    if (dec::mayBeWide(a.type)) r.sql = "tsq_d" + target(c) + "(" + a.sql + ")";
    return r;
}

// ---- NULL handling and choices

Tx isnull(Call& c) {
    Tx a = c.arg(0), b = c.arg(1);
    SqlType t = a.type.base == BaseType::Unknown ? b.type : a.type;
    b = c.convert(b, t);
    Tx r;
    r.type = t;
    r.sql = "ifnull(" + a.sql + "," + b.sql + ")";
    r.collated = a.collated;
    return r;
}

Tx coalesce(Call& c) {
    std::vector<Tx> xs;
    SqlType t;
    for (size_t i = 0; i < c.argc; ++i) {
        xs.push_back(c.arg(i));
        if (xs.back().type.base == BaseType::Unknown) continue;
        t = t.base == BaseType::Unknown ? xs.back().type : dominantType(t, xs.back().type);
    }
    Tx r;
    r.type = t;
    r.sql = "coalesce(";
    for (size_t i = 0; i < xs.size(); ++i) r.sql += (i ? "," : "") + c.convert(xs[i], t).sql;
    r.sql += ")";
    return r;
}

Tx nullif(Call& c) {
    Tx a = c.arg(0), b = c.arg(1);
    Tx r;
    r.type = a.type;
    if (a.type.isString() && b.type.isString())
        r.sql = "CASE WHEN " + c.compare("=", a, b).sql + " THEN NULL ELSE " + a.sql + " END";
    else
        r.sql = "nullif(" + a.sql + "," + c.convert(b, a.type).sql + ")";
    return r;
}

Tx iif(Call& c) {
    Tx cond = c.arg(0), a = c.arg(1), b = c.arg(2);
    SqlType t = a.type.base == BaseType::Unknown   ? b.type
                : b.type.base == BaseType::Unknown ? a.type
                                                   : dominantType(a.type, b.type);
    Tx r;
    r.type = t;
    r.sql = "CASE WHEN " + cond.sql + " THEN " + c.convert(a, t).sql + " ELSE " +
            c.convert(b, t).sql + " END";
    return r;
}

// ---- Values the session binds per statement

// GETDATE(), ERROR_NUMBER(), SCOPE_IDENTITY()...: the @@ variable the session binds. One value
// per statement, as SQL Server evaluates it: and a bound value lets SQLite compute expressions
// over it once instead of per row.
Tx boundVariable(Call& c) {
    const SystemVariable& v = *findSystemVariable(c.spec.target);
    Tx r;
    r.type = v.type();
    r.sql = c.bindRef(std::string(v.name));
    return r;
}

// A function whose SQL is fixed: NEWID(), HOST_NAME(), the user names.
Tx fixedSql(Call& c) {
    Tx r;
    r.sql = target(c);
    return r;
}

// ---- Dates

// YEAR, MONTH, DAY: DATEPART with the part in the name.
Tx namedDatePart(Call& c) {
    Tx r;
    r.sql = "tsq_datepart('" + target(c) + "'," + c.date(0).sql + ")";
    return r;
}

Tx dateadd(Call& c) {
    Tx d = c.date(2);
    Tx r;
    r.type = d.type.base == BaseType::Unknown ? kDateTime : d.type;
    r.sql = "tsq_dateadd(" + c.datePart(0) + "," + c.arg(1).sql + "," + d.sql + ")";
    return r;
}

Tx datediff(Call& c) {
    Tx r;
    r.sql = "tsq_datediff(" + c.datePart(0) + "," + c.date(1).sql + "," + c.date(2).sql + ")";
    return r;
}

// DATEPART, DATENAME: a datepart and a date.
Tx partOfDate(Call& c) {
    Tx r;
    r.sql = target(c) + "(" + c.datePart(0) + "," + c.date(1).sql + ")";
    return r;
}

Tx eomonth(Call& c) {
    Tx d = c.date(0);
    std::string base = d.sql;
    if (c.argc == 2) base = "tsq_dateadd('month'," + c.arg(1).sql + "," + d.sql + ")";
    Tx r;
    r.sql = "date(" + base + ",'start of month','+1 month','-1 day')";
    return r;
}

Tx datefromparts(Call& c) {
    Tx r;
    r.sql = "tsq_convert(printf('%04d-%02d-%02d'," + c.integer(0).sql + "," + c.integer(1).sql +
            "," + c.integer(2).sql + "),'varchar(10)','date',NULL,0)";
    return r;
}

// ---- Strings

Tx leftRight(Call& c) {
    Tx s = c.text(0);
    Tx n = c.arg(1);
    int len = n.constant && n.value.kind == Value::Kind::Int ? static_cast<int>(n.value.i)
                                                             : s.type.length;
    Tx r;
    r.type = stringLike(s.type, s.type.length < 0 ? len : std::min(len, s.type.length));
    r.sql = target(c) + "(" + s.sql + "," + n.sql + ")";
    return r;
}

Tx substring(Call& c) {
    Tx s = c.text(0);
    Tx r;
    r.type = stringLike(s.type, s.type.length);
    r.sql = "tsq_substring(" + s.sql + "," + c.arg(1).sql + "," + c.arg(2).sql + ")";
    return r;
}

// LTRIM, UPPER, REVERSE...: a text of the argument's length, varying even when it was fixed.
Tx sameText(Call& c) {
    Tx s = c.text(0);
    Tx r;
    r.type = stringLike(s.type, s.type.length);
    if (s.type.base == BaseType::Char) r.type.base = BaseType::VarChar;
    if (s.type.base == BaseType::NChar) r.type.base = BaseType::NVarChar;
    r.sql = c.spec.name == "TRIM" ? "tsq_ltrim(tsq_rtrim(" + s.sql + "))"
                                  : target(c) + "(" + s.sql + ")";
    return r;
}

// LEN, ASCII, ISNUMERIC...: one text argument.
Tx ofText(Call& c) {
    Tx r;
    r.sql = target(c) + "(" + c.text(0).sql + ")";
    return r;
}

// SPACE, CHAR, NCHAR: one int argument.
Tx ofInt(Call& c) {
    Tx r;
    r.sql = target(c) + "(" + c.integer(0).sql + ")";
    return r;
}

Tx datalength(Call& c) {
    Tx x = c.arg(0);
    Tx r;
    if (x.type.isString()) {
        r.sql = "tsq_datalength(" + x.sql + ")";
        if (x.type.isUnicode()) r.sql = "(" + r.sql + " * 2)";
        return r;
    }
    if (x.type.isBinary()) {
        r.sql = "length(" + x.sql + ")";
        return r;
    }
    // Fixed-size types take their storage size.
    static const std::map<BaseType, int> sizes = {{BaseType::Bit, 1},
                                                  {BaseType::TinyInt, 1},
                                                  {BaseType::SmallInt, 2},
                                                  {BaseType::Int, 4},
                                                  {BaseType::BigInt, 8},
                                                  {BaseType::Real, 4},
                                                  {BaseType::Float, 8},
                                                  {BaseType::Money, 8},
                                                  {BaseType::SmallMoney, 4},
                                                  {BaseType::DateTime, 8},
                                                  {BaseType::SmallDateTime, 4},
                                                  {BaseType::Date, 3},
                                                  {BaseType::UniqueIdentifier, 16}};
    int n = 8;
    auto it = sizes.find(x.type.base);
    if (it != sizes.end()) n = it->second;
    if (x.type.base == BaseType::Decimal)
        n = x.type.precision <= 9    ? 5
            : x.type.precision <= 19 ? 9
            : x.type.precision <= 28 ? 13
                                     : 17;
    r.sql = "CASE WHEN " + x.sql + " IS NULL THEN NULL ELSE " + std::to_string(n) + " END";
    return r;
}

Tx concat(Call& c) {
    bool unicode = false;
    std::string sql;
    for (size_t i = 0; i < c.argc; ++i) {
        Tx x = c.text(i);
        unicode = unicode || x.type.isUnicode();
        sql += (i ? " || " : "") + std::string("coalesce(") + x.sql + ",'')";
    }
    Tx r;
    r.type = unicode ? nvarcharOf(4000) : varcharOf(8000);
    r.sql = "(" + sql + ")";
    return r;
}

Tx replace(Call& c) {
    Tx s = c.text(0);
    Tx r;
    r.type = stringLike(s.type, 8000);
    r.sql = "tsq_replace(" + s.sql + "," + c.text(1).sql + "," + c.text(2).sql + ")";
    return r;
}

Tx charindex(Call& c) {
    Tx r;
    r.sql = "tsq_charindex(" + c.text(0).sql + "," + c.text(1).sql +
            (c.argc == 3 ? "," + c.arg(2).sql : std::string()) + ")";
    return r;
}

Tx patindex(Call& c) {
    Tx r;
    r.sql = "tsq_patindex(" + c.text(0).sql + "," + c.text(1).sql + ")";
    return r;
}

Tx str(Call& c) {
    int len = 10;
    if (c.argc > 1 && c.e.args[1]->kind == ExprKind::Integer)
        len = std::atoi(c.e.args[1]->text.c_str());
    Tx x = c.arg(0);
    if (!x.type.isNumeric() || dec::isScaled(x.type)) x = c.convert(x, kFloat);
    Tx r;
    r.type = varcharOf(len);
    r.sql = "tsq_str(" + x.sql;
    for (size_t i = 1; i < c.argc; ++i) r.sql += "," + c.arg(i).sql;
    r.sql += ")";
    return r;
}

Tx replicate(Call& c) {
    Tx s = c.text(0);
    // Only a max type grows past a page: varchar stops at 8,000 characters, nvarchar at
    // 4,000, as SQL Server cuts them.
    const bool large =
        s.type.length == -1 || s.type.base == BaseType::Text || s.type.base == BaseType::NText;
    const int limit = large ? -1 : s.type.isUnicode() ? 4000 : 8000;
    Tx r;
    r.type =
        large ? (s.type.isUnicode() ? nvarcharOf(-1) : varcharOf(-1)) : stringLike(s.type, limit);
    r.sql = "tsq_replicate(" + s.sql + "," + c.integer(1).sql + "," + std::to_string(limit) + ")";
    return r;
}

Tx stuff(Call& c) {
    Tx s = c.text(0);
    Tx r;
    r.type = stringLike(s.type, 8000);
    r.sql =
        "tsq_stuff(" + s.sql + "," + c.arg(1).sql + "," + c.arg(2).sql + "," + c.text(3).sql + ")";
    return r;
}

// ---- Numbers

// ABS, SIGN, FLOOR, CEILING: the argument's type; SIGN, FLOOR and CEILING drop a decimal's
// places.
Tx ofNumber(Call& c) {
    const std::string_view f = c.spec.name;
    Tx x = c.arg(0);
    if (x.type.isString()) x = c.convert(x, kFloat);
    Tx r;
    r.type = x.type;
    r.sql = target(c) + "(" + x.sql + ")";
    if (f != "ABS" && x.type.base == BaseType::Decimal) r.type.scale = 0;
    if ((f == "FLOOR" || f == "CEILING") && x.type.isInteger()) r.sql = x.sql;
    if (f == "ABS" && dec::mayBeWide(x.type)) r.sql = "tsq_dabs(" + x.sql + ")";
    if (dec::isScaled(x.type) && f != "ABS") {
        // On the scaled integer: whole units at the result's places.
        const int s = dec::scaleOf(x.type);
        const std::string code = std::to_string(dec::typeCode(r.type));
        const std::string unit = dec::text(dec::kPow10Wide[dec::scaleOf(r.type)], 0);
        if (f == "SIGN") {
            r.sql = dec::mayBeWide(x.type) ? "(tsq_dcmp(" + x.sql + ",0) * " + unit + ")"
                                           : "(sign(" + x.sql + ") * " + unit + ")";
        } else {
            r.sql = "tsq_drescale(" + x.sql + "," + std::to_string(-s) + "," + code + "," +
                    (f == "FLOOR" ? "1" : "2") + ")";
            if (dec::scaleOf(r.type) > 0) r.sql = "(" + r.sql + " * " + unit + ")";
        }
    }
    return r;
}

Tx round(Call& c) {
    Tx x = c.arg(0);
    if (x.type.isString()) x = c.convert(x, kFloat);
    const std::string places = c.arg(1).sql;
    const std::string mode = c.argc == 3 ? "," + c.arg(2).sql : "";
    Tx r;
    r.type = x.type;
    r.sql = "tsq_round(" + x.sql + "," + places + mode + ")";
    if (dec::isScaled(x.type))
        r.sql = "tsq_dround(" + x.sql + "," + std::to_string(dec::scaleOf(x.type)) + "," + places +
                mode + "," + std::to_string(dec::typeCode(r.type)) + ")";
    return r;
}

// POWER, EXP: SQLite's math functions on floats.
Tx ofFloats(Call& c) {
    Tx r;
    r.sql = target(c) + "(";
    for (size_t i = 0; i < c.argc; ++i) r.sql += (i ? "," : "") + unscaled(c.arg(i)).sql;
    r.sql += ")";
    return r;
}

// An argument outside the function's domain fails (3623) where SQLite would give NULL.
std::string inDomain(Call& c, size_t i, int kind) {
    return "tsq_fpdomain(" + unscaled(c.arg(i)).sql + "," + std::to_string(kind) + ")";
}

Tx squareRoot(Call& c) {
    Tx r;
    r.sql = "sqrt(" + inDomain(c, 0, 0) + ")";
    return r;
}

Tx log10Of(Call& c) {
    Tx r;
    r.sql = "tsq_log10(" + inDomain(c, 0, 1) + ")";
    return r;
}

// LOG(x) is the natural logarithm, LOG(x, base) takes the base second; SQLite's log(x) is
// decimal and its log(base, x) takes the base first.
Tx logarithm(Call& c) {
    const std::string x = inDomain(c, 0, 1);
    Tx r;
    r.sql = c.argc == 1 ? "ln(" + x + ")" : "log(" + inDomain(c, 1, 2) + "," + x + ")";
    return r;
}

// POWER keeps its first argument's type: decimal(p,s) gives decimal(38,s), the integers
// int (bigint stays bigint), money money, float, bit and text float. The power is taken in
// float and converted as CAST converts it, with its overflow error.
Tx power(Call& c) {
    const Tx base = c.arg(0);
    const SqlType& t = base.type;
    SqlType to = kFloat;
    switch (t.base) {
        case BaseType::Decimal:
            to = SqlType::of(BaseType::Decimal, 0, 38, t.scale);
            break;
        case BaseType::TinyInt:
        case BaseType::SmallInt:
        case BaseType::Int:
            to = kInt;
            break;
        case BaseType::BigInt:
            to = kBigInt;
            break;
        case BaseType::Money:
        case BaseType::SmallMoney:
            to = SqlType::of(BaseType::Money);
            break;
        default:
            break;
    }
    Tx r;
    r.type = kFloat;
    r.sql = "pow(" + unscaled(base).sql + "," + unscaled(c.arg(1)).sql + ")";
    return to == kFloat ? r : c.t.convert(r, to, true);
}

// ---- The catalog and the session

Tx dbId(Call& c) {
    Tx r;
    r.sql = "(SELECT dbid FROM \"master\".sysdatabases WHERE name = " +
            (c.argc == 0 ? quoteLiteral(c.ctx().currentDatabase()) : c.text(0).sql) +
            " COLLATE NOCASE)";
    return r;
}

Tx dbName(Call& c) {
    Tx r;
    r.sql =
        c.argc == 0
            ? quoteLiteral(c.ctx().currentDatabase())
            : "(SELECT name FROM \"master\".sysdatabases WHERE dbid = " + c.integer(0).sql + ")";
    return r;
}

Tx objectId(Call& c) {
    Tx n = c.arg(0);
    // The object's database is in the name when qualified: resolve it now when constant.
    std::string schema = c.ctx().schemaOf(c.ctx().currentDatabase());
    Tx r;
    if (n.constant && n.value.kind == Value::Kind::Text) {
        std::vector<std::string> parts = splitObjectName(n.value.s);
        if (!parts.back().empty() && parts.back()[0] == '#')
            schema = "temp";
        else if (parts.size() >= 3 && !parts[parts.size() - 3].empty())
            schema = c.ctx().schemaOf(parts[parts.size() - 3]);
        r.sql = "(SELECT id FROM " + quoteIdent(schema) +
                ".__tsq_objects WHERE name = " + quoteLiteral(parts.back()) +
                " COLLATE NOCASE AND xtype NOT IN ('PK','UQ','D'))";
        return r;
    }
    r.sql = "(SELECT id FROM " + quoteIdent(schema) + ".__tsq_objects WHERE name = tsq_objname(" +
            n.sql + ") COLLATE NOCASE)";
    return r;
}

Tx typeId(Call& c) {
    Tx r;
    r.sql = "(SELECT xusertype FROM " +
            c.ctx().findTable(ast::ObjectName{{"systypes"}})->sqlName() +
            " WHERE name = tsq_objname(" + c.text(0).sql + ") COLLATE NOCASE)";
    return r;
}

// IDENT_CURRENT('T'): read when the statement runs, from the table's counter.
Tx identCurrent(Call& c) {
    Tx r;
    r.type = SqlType::of(BaseType::Decimal, 0, 38, 0);
    r.sql = "tsq_identcurrent(" + c.text(0).sql + ")";
    return r;
}

constexpr int N = kUnbounded;

// Sorted by name: looked up by binary search.
constexpr std::array kFunctions = std::to_array<FunctionSpec>({
    {"ABS", 1, 1, Result::Emitted, ofNumber, "abs"},
    {"APP_NAME", 0, 0, Result::NVarChar128, fixedSql, "'dbo'"},
    {"ASCII", 1, 1, Result::Int, ofText, "tsq_ascii"},
    {"AVG", 1, 1, Result::Emitted, avg, {}, kAggregate},
    {"CEILING", 1, 1, Result::Emitted, ofNumber, "ceil"},
    {"CHAR", 1, 1, Result::Char1, ofInt, "tsq_char"},
    {"CHARINDEX", 2, 3, Result::Int, charindex},
    {"COALESCE", 2, N, Result::Emitted, coalesce, {}, kListCount},
    {"CONCAT", 2, N, Result::Emitted, concat, {}, kListCount},
    {"COUNT", 1, 1, Result::Int, count, {}, kAggregate | kStar},
    {"COUNT_BIG", 1, 1, Result::BigInt, count, {}, kAggregate | kStar},
    {"CURRENT_USER", 0, 0, Result::NVarChar128, fixedSql, "'dbo'"},
    {"DATALENGTH", 1, 1, Result::Int, datalength},
    {"DATEADD", 3, 3, Result::Emitted, dateadd},
    {"DATEDIFF", 3, 3, Result::Int, datediff},
    {"DATEFROMPARTS", 3, 3, Result::Date, datefromparts},
    {"DATENAME", 2, 2, Result::NVarChar30, partOfDate, "tsq_datename"},
    {"DATEPART", 2, 2, Result::Int, partOfDate, "tsq_datepart"},
    {"DAY", 1, 1, Result::Int, namedDatePart, "day"},
    {"DB_ID", 0, 1, Result::SmallInt, dbId},
    {"DB_NAME", 0, 1, Result::NVarChar128, dbName},
    {"EOMONTH", 1, 2, Result::Date, eomonth},
    {"ERROR_LINE", 0, 0, Result::Emitted, boundVariable, "@@error_line"},
    {"ERROR_MESSAGE", 0, 0, Result::Emitted, boundVariable, "@@error_message"},
    {"ERROR_NUMBER", 0, 0, Result::Emitted, boundVariable, "@@error_number"},
    {"ERROR_PROCEDURE", 0, 0, Result::Emitted, boundVariable, "@@error_procedure"},
    {"ERROR_SEVERITY", 0, 0, Result::Emitted, boundVariable, "@@error_severity"},
    {"ERROR_STATE", 0, 0, Result::Emitted, boundVariable, "@@error_state"},
    {"EXP", 1, 1, Result::Float, ofFloats, "exp"},
    {"FLOOR", 1, 1, Result::Emitted, ofNumber, "floor"},
    {"GETDATE", 0, 0, Result::Emitted, boundVariable, "@@getdate"},
    {"GETUTCDATE", 0, 0, Result::Emitted, boundVariable, "@@getdate"},
    {"HOST_NAME", 0, 0, Result::NVarChar128, fixedSql, "tsq_hostname()"},
    {"IDENT_CURRENT", 1, 1, Result::Emitted, identCurrent},
    {"IIF", 3, 3, Result::Emitted, iif},
    {"ISDATE", 1, 1, Result::Int, ofText, "tsq_isdate"},
    {"ISNULL", 2, 2, Result::Emitted, isnull},
    {"ISNUMERIC", 1, 1, Result::Int, ofText, "tsq_isnumeric"},
    {"LEFT", 2, 2, Result::Emitted, leftRight, "tsq_left"},
    {"LEN", 1, 1, Result::Int, ofText, "tsq_len"},
    {"LOG", 1, 2, Result::Float, logarithm},
    {"LOG10", 1, 1, Result::Float, log10Of},
    {"LOWER", 1, 1, Result::Emitted, sameText, "tsq_lower"},
    {"LTRIM", 1, 1, Result::Emitted, sameText, "tsq_ltrim"},
    {"MAX", 1, 1, Result::Emitted, extreme, "max", kAggregate},
    {"MIN", 1, 1, Result::Emitted, extreme, "min", kAggregate},
    {"MONTH", 1, 1, Result::Int, namedDatePart, "month"},
    {"NCHAR", 1, 1, Result::NChar1, ofInt, "char"},
    {"NEWID", 0, 0, Result::UniqueIdentifier, fixedSql, "tsq_newid()"},
    {"NULLIF", 2, 2, Result::Emitted, nullif},
    {"OBJECT_ID", 1, 2, Result::Int, objectId},
    {"PATINDEX", 2, 2, Result::Int, patindex},
    {"POWER", 2, 2, Result::Emitted, power},
    {"REPLACE", 3, 3, Result::Emitted, replace},
    {"REPLICATE", 2, 2, Result::Emitted, replicate},
    {"REVERSE", 1, 1, Result::Emitted, sameText, "tsq_reverse"},
    {"RIGHT", 2, 2, Result::Emitted, leftRight, "tsq_right"},
    {"ROUND", 2, 3, Result::Emitted, round},
    {"RTRIM", 1, 1, Result::Emitted, sameText, "tsq_rtrim"},
    {"SCOPE_IDENTITY", 0, 0, Result::Emitted, boundVariable, "@@identity"},
    {"SESSION_USER", 0, 0, Result::NVarChar128, fixedSql, "'dbo'"},
    {"SIGN", 1, 1, Result::Emitted, ofNumber, "sign"},
    {"SPACE", 1, 1, Result::VarChar8000, ofInt, "tsq_space"},
    {"SQRT", 1, 1, Result::Float, squareRoot},
    {"STR", 1, 3, Result::Emitted, str},
    {"STUFF", 4, 4, Result::Emitted, stuff},
    {"SUBSTRING", 3, 3, Result::Emitted, substring},
    {"SUM", 1, 1, Result::Emitted, sum, {}, kAggregate},
    {"SUSER_NAME", 0, 1, Result::NVarChar128, fixedSql, "'dbo'"},
    {"SUSER_SNAME", 0, 1, Result::NVarChar128, fixedSql, "'dbo'"},
    {"SYSDATETIME", 0, 0, Result::Emitted, boundVariable, "@@getdate"},
    {"SYSTEM_USER", 0, 0, Result::NVarChar128, fixedSql, "'dbo'"},
    {"TRIM", 1, 1, Result::Emitted, sameText},
    {"TYPE_ID", 1, 1, Result::Int, typeId},
    {"UNICODE", 1, 1, Result::Int, ofText, "unicode"},
    {"UPPER", 1, 1, Result::Emitted, sameText, "tsq_upper"},
    {"USER", 0, 0, Result::NVarChar128, fixedSql, "'dbo'"},
    {"USER_NAME", 0, 1, Result::NVarChar128, fixedSql, "'dbo'"},
    {"YEAR", 1, 1, Result::Int, namedDatePart, "year"},
});

static_assert(std::ranges::adjacent_find(kFunctions, std::greater_equal<>{}, &FunctionSpec::name) ==
                  kFunctions.end(),
              "the function table is sorted by name, each name once");

}  // namespace

std::span<const FunctionSpec> functionTable() {
    return kFunctions;
}

const FunctionSpec* findFunction(std::string_view name) {
    auto it = std::ranges::lower_bound(kFunctions, name, {}, &FunctionSpec::name);
    return it != kFunctions.end() && it->name == name ? &*it : nullptr;
}

}  // namespace translation

using namespace translation;

std::string Translator::datePart(const Expr& e) {
    std::string p;
    if (e.kind == ExprKind::Column)
        p = e.parts.back();
    else if (e.kind == ExprKind::String)
        p = e.text;
    else
        throw raise(155, {e.text, "datepart"}, e.pos.line);
    return quoteLiteral(lower(p));
}

Tx Translator::function(const Expr& e, Scope* scope) {
    const FunctionSpec* spec = findFunction(e.text);
    if (!spec) throw raise(195, {e.text}, e.pos.line);
    size_t argc = e.args.size();
    if (e.star && (spec->flags & kStar)) argc = 1;
    if (argc < static_cast<size_t>(spec->minArgs) || argc > static_cast<size_t>(spec->maxArgs)) {
        if (spec->flags & kListCount) throw raise(189, {lower(e.text)}, e.pos.line);
        throw raise(174, {lower(e.text), std::to_string(spec->minArgs)}, e.pos.line);
    }
    Call call{*this, e, scope, *spec, argc};
    Tx r = spec->emit(call);
    if (spec->result != Result::Emitted) r.type = resultType(spec->result);
    return r;
}

}  // namespace tsqlite
