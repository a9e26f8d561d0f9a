#include "tsqlite/translate.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "tsqlite/decimal.h"
#include "tsqlite/messages.h"
#include "tsqlite/runtime.h"
#include "tsqlite/system_variables.h"

namespace tsqlite {

namespace {

using ast::Expr;
using ast::ExprKind;

SqlType typeOf(BaseType b, int length = 0, int precision = 0, int scale = 0) {
    SqlType t;
    t.base = b;
    t.length = length;
    t.precision = precision;
    t.scale = scale;
    return t;
}

const SqlType kInt = typeOf(BaseType::Int);
const SqlType kBigInt = typeOf(BaseType::BigInt);
const SqlType kBit = typeOf(BaseType::Bit);
const SqlType kFloat = typeOf(BaseType::Float);
const SqlType kDateTime = typeOf(BaseType::DateTime);

// -1 is the max type: what is built from a max value stays one (REPLICATE, SUBSTRING, +).
SqlType varcharOf(int n) {
    return typeOf(BaseType::VarChar, n == -1 ? -1 : n <= 0 ? 1 : n);
}
SqlType nvarcharOf(int n) {
    return typeOf(BaseType::NVarChar, n == -1 ? -1 : n <= 0 ? 1 : n);
}

// Length of a UTF-8 text in characters.
int charCount(std::string_view s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

Tx constantTx(const Value& v, const SqlType& t) {
    Tx x;
    x.sql = valueLiteral(v);
    x.type = t;
    x.constant = true;
    x.value = v;
    return x;
}

// The type of a string result built from a text argument (keeps unicode-ness).
SqlType stringLike(const SqlType& t, int length) {
    return t.isUnicode() ? nvarcharOf(length) : varcharOf(length);
}

// The values an integer type holds (bit aside).
std::pair<long long, long long> integerRange(BaseType b) {
    switch (b) {
        case BaseType::TinyInt:
            return {0, 255};
        case BaseType::SmallInt:
            return {-32768, 32767};
        case BaseType::Int:
            return {-2147483648LL, 2147483647LL};
        default:
            return {INT64_MIN, INT64_MAX};
    }
}

bool isBindRef(const std::string& sql) {
    return sql.size() > 1 && sql[0] == '?' &&
           std::all_of(sql.begin() + 1, sql.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Integers share one storage, so a conversion between them changes nothing in SQLite; but a
// column, variable or CAST of a narrower type must still refuse a value it cannot hold. No
// check is needed when the value is known to fit: a literal in range, or a column, variable
// or parameter whose own type fits. A computed value (Qty + 1) may have left its type's range.
bool integerMayOverflow(const Tx& x, const SqlType& to) {
    if (!x.type.isInteger() || !to.isInteger() || to.base == BaseType::Bit ||
        x.type.base == BaseType::Bit)
        return false;
    const auto [lo, hi] = integerRange(to.base);
    if (x.constant) return x.value.kind == Value::Kind::Int && (x.value.i < lo || x.value.i > hi);
    const auto [xlo, xhi] = integerRange(x.type.base);
    const bool fits = xlo >= lo && xhi <= hi;
    return !(fits && (x.origin || isBindRef(x.sql)));
}

bool sameStorage(const SqlType& a, const SqlType& b) {
    if (a.isInteger() && b.isInteger()) return true;
    // Scaled decimals with the same places, when b holds every value of a.
    if (dec::isScaled(a) && dec::isScaled(b) && dec::scaleOf(a) == dec::scaleOf(b)) {
        if (a.base == b.base) return a.base != BaseType::Decimal || b.precision >= a.precision;
        // money holds every decimal(18,4), not a wider one.
        return b.base == BaseType::Money && a.base == BaseType::Decimal && a.precision <= 18;
    }
    if ((a.base == BaseType::Float || a.base == BaseType::Real) &&
        (b.base == BaseType::Float || b.base == BaseType::Real))
        return true;
    return false;
}

// A scaled decimal as the REAL number it stands for, for float arithmetic and functions.
Tx unscaled(const Tx& x) {
    if (!dec::isScaled(x.type)) return x;
    const int s = dec::scaleOf(x.type);
    if (x.constant) return constantTx(dec::plain(x.value, x.type), kFloat);
    Tx r = x;
    r.type = kFloat;
    if (dec::mayBeWide(x.type))
        r.sql = "tsq_dreal(" + x.sql + "," + std::to_string(s) + ")";
    else
        r.sql = s == 0 ? "CAST(" + x.sql + " AS REAL)"
                       : "(" + x.sql + " / 1e" + std::to_string(s) + ")";
    r.origin = nullptr;
    return r;
}

// A literal of a scaled type too large for 64 bits: an overflow where it is used.
Tx beyondScaled(const Value& v, const SqlType& t) {
    Tx x = constantTx(v, t);
    x.constant = false;
    x.sql = "tsq_dcheck(1e19," + std::to_string(dec::typeCode(t)) + ")";
    return x;
}

// An integer or scaled decimal as a scaled value of `to`, exactly; 8115 when it leaves the type.
Tx rescaled(const Tx& x, const SqlType& to) {
    const int from = dec::isScaled(x.type) ? dec::scaleOf(x.type) : 0;
    const int k = dec::scaleOf(to) - from;
    if (x.constant && (x.value.kind == Value::Kind::Int || dec::isWideForm(x.value))) {
        try {
            return constantTx(convertValue(x.value, x.type, to), to);
        } catch (const Error&) {
            // Fails when the statement runs, as SQL Server reports it.
        }
    }
    Tx r = x;
    r.type = to;
    if (k != 0 || x.constant)
        r.sql = "tsq_drescale(" + x.sql + "," + std::to_string(k) + "," +
                std::to_string(dec::typeCode(to)) + ",0)";
    if (k != 0) r.origin = nullptr;
    return r;
}

// -x of a decimal whose value may be in the wide form (SQLite cannot negate a BLOB).
Tx negatedWide(const Tx& a) {
    dec::Wide x = 0;
    if (a.constant && dec::scaledOf(a.value, x)) return constantTx(dec::scaledValue(-x), a.type);
    Tx r = a;
    r.constant = false;
    r.origin = nullptr;
    r.sql = "tsq_dsub(0," + a.sql + "," + std::to_string(dec::typeCode(a.type)) + ")";
    return r;
}

// Ordering of values of a type that may hold the wide form: SQLite would put every INTEGER
// before every BLOB, so the comparison goes through the runtime.
bool wideOrdering(const std::string& op, const Tx& a, const Tx& b) {
    return (op == "<" || op == ">" || op == "<=" || op == ">=") &&
           (dec::mayBeWide(a.type) || dec::mayBeWide(b.type));
}

// An ORDER BY term of an expression: the numeric sort key when the values may be wide.
std::string orderTerm(const std::string& sql, const SqlType& t) {
    return dec::mayBeWide(t) ? "tsq_dkey(" + sql + ")" : sql;
}

}  // namespace

std::string Translator::bindRef(const std::string& name) {
    std::string key = lower(name);
    for (size_t i = 0; i < binds_.size(); ++i)
        if (binds_[i] == key) return "?" + std::to_string(i + 1);
    binds_.push_back(key);
    return "?" + std::to_string(binds_.size());
}

SqlType Translator::resolveType(const ast::TypeName& t, bool castContext) {
    int a1 = t.args.size() > 0 ? t.args[0] : -2;
    int a2 = t.args.size() > 1 ? t.args[1] : -2;
    auto st = SqlType::fromName(t.name, a1, a2);
    if (!st) {
        auto ut = ctx_.userType(t.name);
        if (!ut) {
            throw raise(2715, {"1", t.name}, t.pos.line);
        }
        SqlType r = *ut;
        r.userType = t.name;
        return r;
    }
    // CAST(x AS varchar) without a length means 30 characters.
    if (castContext && t.args.empty() && st->isString() && st->base != BaseType::Text &&
        st->base != BaseType::NText)
        st->length = 30;
    return *st;
}

Tx Translator::convert(const Tx& x, const SqlType& to, bool explicitConversion, int style,
                       bool assign) {
    if (to.base == BaseType::Unknown) return x;
    if (x.type.base == BaseType::Unknown) {
        Tx r = x;
        r.type = to;
        return r;
    }
    const bool rangeChecked = (explicitConversion || assign) && integerMayOverflow(x, to);
    if (x.type == to && style < 0 && x.type.base == to.base && !rangeChecked) {
        Tx r = x;
        r.type = to;
        return r;
    }
    if (!explicitConversion && !assign) {
        // Implicit conversions that change nothing in storage.
        if (x.type.isString() && to.isString()) {
            Tx r = x;
            r.type = to;
            return r;
        }
        if (x.type.isNumeric() && to.isNumeric() &&
            (to.base == BaseType::Float || to.base == BaseType::Real ||
             to.base == BaseType::Decimal || to.base == BaseType::Money ||
             to.base == BaseType::SmallMoney || sameStorage(x.type, to))) {
            if (dec::isScaled(to) && (x.type.isInteger() || dec::isScaled(x.type)))
                return rescaled(x, to);
            if (dec::isScaled(x.type) && !dec::isScaled(to)) {
                Tx r = unscaled(x);
                r.type = to;
                return r;
            }
            if (dec::isScaled(to) && !x.type.isInteger()) return convert(x, to, false, -1, true);
            Tx r = x;
            r.type = to;
            if (x.type.isInteger() && !to.isInteger() && !x.constant)
                r.sql = "CAST(" + x.sql + " AS REAL)";
            return r;
        }
    }
    if (style < 0 && sameStorage(x.type, to) && !(to.base == BaseType::Bit) && !rangeChecked) {
        Tx r = x;
        r.type = to;
        return r;
    }
    // A whole-number literal beyond int's range is numeric on SQL Server, and its overflow
    // reads as a numeric one (8115, not 220).
    const SqlType from = x.wideLiteral ? typeOf(BaseType::Decimal, 0, 19, 0) : x.type;
    if (x.constant) {
        try {
            Value v = convertValue(x.value, from, to, style, assign);
            return constantTx(v, to);
        } catch (const Error&) {
            // Fails when the statement runs, as SQL Server reports it: after the header.
        }
    }
    Tx r;
    r.type = to;
    r.sql = "tsq_convert(" + x.sql + "," + quoteLiteral(from.toString()) + "," +
            quoteLiteral(to.toString()) + "," + (style < 0 ? "NULL" : std::to_string(style)) + "," +
            (assign ? "1" : "0") + ")";
    return r;
}

// TRY_CAST / TRY_CONVERT: NULL where the conversion fails on the value; a conversion that is
// never allowed between the two types still fails.
Tx Translator::tryConvert(const Tx& x, const SqlType& to, int style) {
    if (to.base == BaseType::Unknown || x.type.base == BaseType::Unknown)
        return convert(x, to, true, style);
    const SqlType from = x.wideLiteral ? typeOf(BaseType::Decimal, 0, 19, 0) : x.type;
    if (x.constant) {
        try {
            return constantTx(convertValue(x.value, from, to, style, false), to);
        } catch (const Error& error) {
            if (error.number == 529) throw;
            return constantTx(Value::null(), to);
        }
    }
    Tx r;
    r.type = to;
    r.sql = "tsq_try_convert(" + x.sql + "," + quoteLiteral(from.toString()) + "," +
            quoteLiteral(to.toString()) + "," + (style < 0 ? "NULL" : std::to_string(style)) + ")";
    return r;
}

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

Tx Translator::column(const Expr& e, Scope* scope) {
    const auto& parts = e.parts;
    std::string colName = lower(parts.back());
    std::string qual = parts.size() >= 2 ? lower(parts[parts.size() - 2]) : "";
    for (Scope* s = scope; s; s = s->parent) {
        const Source* found = nullptr;
        const Column* foundCol = nullptr;
        for (auto& src : s->sources) {
            if (!qual.empty()) {
                bool match = lower(src.alias) == qual ||
                             (src.table && lower(src.table->name) == qual && src.alias.empty());
                if (!match && src.table && lower(src.table->name) == qual &&
                    lower(src.alias) == lower(src.table->name))
                    match = true;
                if (!match) continue;
            }
            for (auto& c : src.columns) {
                if (lower(c.name) == colName) {
                    if (found && qual.empty()) {
                        throw raise(209, {parts.back()}, e.pos.line);
                    }
                    found = &src;
                    foundCol = &c;
                    break;
                }
            }
        }
        if (found) {
            Tx x;
            x.sql = found->sqlAlias + "." + quoteIdent(foundCol->name);
            x.type = foundCol->type;
            x.collated = found->table != nullptr && !found->table->system;
            if (found->table && !found->table->system)
                x.origin = found->table->column(foundCol->name);
            x.outerSide = found->nullable;
            return x;
        }
        // ORDER BY may name a select-list alias.
        if (qual.empty() && s->selectAliases) {
            for (auto& [alias, tx] : *s->selectAliases)
                if (lower(alias) == colName) {
                    Tx x;
                    x.sql = quoteIdent(alias);
                    x.type = tx.type;
                    return x;
                }
        }
    }
    std::string shown;
    for (size_t i = 0; i < parts.size(); ++i) shown += (i ? "." : "") + parts[i];
    if (!qual.empty()) {
        // SQL Server reports an unknown qualifier as a multi-part identifier error.
        bool qualifierKnown = false;
        for (Scope* s = scope; s; s = s->parent)
            for (auto& src : s->sources)
                if (lower(src.alias) == qual) qualifierKnown = true;
        if (!qualifierKnown) throw raise(4104, {shown}, e.pos.line);
    }
    Error err = errors::invalidColumn(parts.back());
    err.line = e.pos.line;
    throw err;
}

Tx Translator::boolean(const Expr& e, Scope* scope) {
    Tx x = expr(e, scope);
    return x;
}

Tx Translator::expression(const Expr& e, Scope* scope) {
    return expr(e, scope);
}

Tx Translator::compare(const std::string& op, Tx a, Tx b) {
    Tx r;
    r.type = kBit;
    bool aStr = a.type.isString(), bStr = b.type.isString();
    if (aStr && bStr) {
        r.sql = "(" + a.sql + " " + op + " " + b.sql + (a.collated ? "" : " COLLATE TSQL") + ")";
        if (a.collated && !b.collated && b.constant)
            r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
        return r;
    }
    if (a.type.base != BaseType::Unknown && b.type.base != BaseType::Unknown) {
        SqlType t = dominantType(a.type, b.type);
        a = convert(a, t, false);
        b = convert(b, t, false);
    }
    if (wideOrdering(op, a, b)) {
        r.sql = "(tsq_dcmp(" + a.sql + "," + b.sql + ") " + op + " 0)";
        return r;
    }
    r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
    return r;
}

Tx Translator::binary(const Expr& e, Scope* scope) {
    const std::string& op = e.text;
    if (op == "AND" || op == "OR") {
        Tx a = expr(*e.args[0], scope), b = expr(*e.args[1], scope);
        Tx r;
        r.type = kBit;
        r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
        return r;
    }
    Tx a = expr(*e.args[0], scope), b = expr(*e.args[1], scope);
    if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=" ||
        op == "!<" || op == "!>") {
        std::string sop = op == "!<" ? ">=" : op == "!>" ? "<=" : op;
        return compare(sop, a, b);
    }
    Tx r;
    // String concatenation.
    if (op == "+" && (a.type.isString() || a.type.base == BaseType::Unknown) &&
        (b.type.isString() || b.type.base == BaseType::Unknown) &&
        !(a.type.base == BaseType::Unknown && b.type.base == BaseType::Unknown)) {
        // Two strings that are not max types join into one that is not either: beyond 8,000
        // characters (4,000 national ones) the result is cut, as SQL Server cuts it.
        const auto large = [](const SqlType& t) {
            return t.length < 0 || t.base == BaseType::Text || t.base == BaseType::NText ||
                   t.base == BaseType::Unknown;
        };
        const bool unicode = a.type.isUnicode() || b.type.isUnicode();
        const int cap = unicode ? 4000 : 8000;
        int la = large(a.type) || large(b.type) ? -1 : a.type.length + b.type.length;
        const bool cut = la > cap;
        if (cut) la = cap;
        r.type = unicode ? nvarcharOf(la) : varcharOf(la);
        r.sql = "(" + a.sql + " || " + b.sql + ")";
        if (cut) r.sql = "substr(" + r.sql + ",1," + std::to_string(cap) + ")";
        if (a.constant && b.constant && !a.value.isNull() && !b.value.isNull()) {
            std::string joined = a.value.s + b.value.s;
            if (cut) {
                // Keep the first `cap` characters of the UTF-8 text.
                size_t i = 0;
                for (int n = 0; i < joined.size(); ++i)
                    if ((static_cast<unsigned char>(joined[i]) & 0xC0) != 0x80 && n++ == cap) break;
                joined.resize(i);
            }
            return constantTx(Value::text(joined), r.type);
        }
        return r;
    }
    if ((op == "+" || op == "-") && ((a.type.base == BaseType::Date && b.type.isNumeric()) ||
                                     (b.type.base == BaseType::Date && a.type.isNumeric()))) {
        const SqlType& other = a.type.base == BaseType::Date ? b.type : a.type;
        std::string tn = other.toString();
        throw raise(206, {"date", tn.substr(0, tn.find('('))}, e.pos.line);
    }
    // Date arithmetic counts in days.
    if ((op == "+" || op == "-") && a.type.isDateTime() &&
        (b.type.isNumeric() || b.type.isString())) {
        Tx days = b.type.isString() ? convert(b, kFloat, false) : unscaled(b);
        r.type = a.type;
        r.sql = "tsq_dtadd(" + a.sql + "," + (op == "-" ? "-(" + days.sql + ")" : days.sql) + ")";
        return r;
    }
    if (op == "+" && b.type.isDateTime() && a.type.isNumeric()) {
        r.type = b.type;
        r.sql = "tsq_dtadd(" + b.sql + "," + unscaled(a).sql + ")";
        return r;
    }
    if (op == "-" && a.type.isDateTime() && b.type.isDateTime()) {
        r.type = kDateTime;
        r.sql = "tsq_dtadd('1900-01-01 00:00:00.000',(julianday(" + a.sql + ")-julianday(" + b.sql +
                ")))";
        return r;
    }
    if (a.type.base == BaseType::Unknown || b.type.base == BaseType::Unknown) {
        r.type = a.type.base == BaseType::Unknown ? b.type : a.type;
        r.sql = "NULL";
        return r;
    }
    char c = op.empty() ? '+' : op[0];
    SqlType target = dominantType(a.type, b.type);
    if (target.isString()) {
        static const std::map<std::string, std::string> names = {
            {"-", "subtract"},    {"*", "multiply"},   {"/", "divide"},     {"%", "modulo"},
            {"&", "boolean AND"}, {"|", "boolean OR"}, {"^", "boolean XOR"}};
        auto it = names.find(op);
        SqlType shown = a.type.isString() ? a.type : b.type;
        std::string tn = shown.toString();
        tn = tn.substr(0, tn.find('('));
        throw raise(8117, {tn, (it == names.end() ? op : it->second)}, e.pos.line);
    }
    if ((a.type.base == BaseType::Date && b.type.isNumeric()) ||
        (b.type.base == BaseType::Date && a.type.isNumeric())) {
        const SqlType& other = a.type.base == BaseType::Date ? b.type : a.type;
        std::string tn = other.toString();
        throw raise(206, {"date", tn.substr(0, tn.find('('))}, e.pos.line);
    }
    a = convert(a, target.isNumeric() ? a.type.isNumeric() ? a.type : target : target, false);
    b = convert(b, target.isNumeric() ? b.type.isNumeric() ? b.type : target : target, false);
    r.type = resultTypeOfArithmetic(a.type, b.type, c);
    if ((dec::isScaled(a.type) || dec::isScaled(b.type) || dec::isScaled(r.type)) &&
        (op == "+" || op == "-" || op == "*" || op == "/" || op == "%"))
        return scaledArithmetic(op, a, b, r.type);
    if (op == "/" || op == "%") {
        bool intDiv = a.type.isInteger() && b.type.isInteger();
        std::string lhs = a.sql;
        if (!intDiv && op == "/" && a.type.isInteger()) lhs = "CAST(" + a.sql + " AS REAL)";
        std::string divisor = (b.constant && !b.value.isNull() &&
                               ((b.value.kind == Value::Kind::Int && b.value.i != 0) ||
                                (b.value.kind == Value::Kind::Float && b.value.f != 0)))
                                  ? b.sql
                                  : "tsq_nz(" + b.sql + ")";
        if (op == "/" && !intDiv) lhs = "(" + lhs + "*1.0)";
        r.sql = "(" + lhs + " " + op + " " + divisor + ")";
        return r;
    }
    if (op == "&" || op == "|" || op == "^") {
        r.type = dominantType(a.type, b.type);
        if (op == "^")
            r.sql = "((" + a.sql + " | " + b.sql + ") - (" + a.sql + " & " + b.sql + "))";
        else
            r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
        return r;
    }
    r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
    bool int32 = r.type.base == BaseType::Int || r.type.base == BaseType::SmallInt ||
                 r.type.base == BaseType::TinyInt;
    if (a.constant && b.constant && a.type.isInteger() && b.type.isInteger() && !a.value.isNull() &&
        !b.value.isNull()) {
        long long v = op == "+"   ? a.value.i + b.value.i
                      : op == "-" ? a.value.i - b.value.i
                                  : a.value.i * b.value.i;
        if (!int32 || (v >= -2147483648LL && v <= 2147483647LL))
            return constantTx(Value::integer(v), r.type);
    }
    // int arithmetic overflows past 32 bits in SQL Server; SQLite would go on in 64.
    if (int32 && (op == "+" || op == "-" || op == "*")) r.sql = "tsq_checkint(" + r.sql + ")";
    return r;
}

// Arithmetic in which a scaled decimal takes part or results. Exact on the scaled integers
// when the result is scaled too; REAL arithmetic on the numbers when a float or a wide decimal
// takes part.
Tx Translator::scaledArithmetic(const std::string& op, Tx a, Tx b, const SqlType& type) {
    Tx r;
    r.type = type;
    const auto exact = [](const Tx& x) { return x.type.isInteger() || dec::isScaled(x.type); };
    if (!dec::isScaled(type) || !exact(a) || !exact(b)) {
        a = unscaled(a);
        b = unscaled(b);
        std::string lhs = a.sql, rhs = b.sql;
        if (op == "/") lhs = "(" + lhs + "*1.0)";
        if (op == "/" || op == "%") rhs = "tsq_nz(" + rhs + ")";
        r.sql = "(" + lhs + " " + op + " " + rhs + ")";
        if (!dec::isScaled(type)) return r;
        Tx f;
        f.type = kFloat;
        f.sql = r.sql;
        return convert(f, type, false, -1, true);
    }
    const int scale = dec::scaleOf(type);
    const int sa = dec::isScaled(a.type) ? dec::scaleOf(a.type) : 0;
    const int sb = dec::isScaled(b.type) ? dec::scaleOf(b.type) : 0;
    const std::string code = std::to_string(dec::typeCode(type));
    const bool decimal = type.base == BaseType::Decimal;
    if (op == "+" || op == "-") {
        a = rescaled(a, type);
        b = rescaled(b, type);
        if (dec::mayBeWide(type)) {
            // The operands may be in the wide form, which SQLite cannot add.
            r.sql = std::string(op == "+" ? "tsq_dadd(" : "tsq_dsub(") + a.sql + "," + b.sql + "," +
                    code + ")";
            return r;
        }
        r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
        // A decimal sum of up to 18 digits has a digit to spare in its precision; money and
        // wide decimals can leave 64 bits, and SQLite would carry on in floating point.
        if (!decimal || type.precision > 18) r.sql = "tsq_dcheck(" + r.sql + "," + code + ")";
        return r;
    }
    if (op == "%") {
        SqlType common = typeOf(BaseType::Decimal, 0, 18, scale);
        a = rescaled(a, common);
        b = rescaled(b, common);
        r.sql = "(" + a.sql + " % tsq_nz(" + b.sql + "))";
        return r;
    }
    if (op == "*") {
        const int drop = sa + sb - scale;
        // decimal(p1,s1) * decimal(p2,s2) is decimal(p1+p2+1, s1+s2): the product fits.
        if (decimal && drop == 0 && type.precision <= 18)
            r.sql = "(" + a.sql + " * " + b.sql + ")";
        else
            r.sql =
                "tsq_dmul(" + a.sql + "," + b.sql + "," + std::to_string(drop) + "," + code + ")";
        return r;
    }
    // The quotient a / b at `scale` places: a * 10^(scale + sb - sa) / b.
    r.sql = "tsq_ddiv(" + a.sql + "," + b.sql + "," + std::to_string(scale + sb - sa) + "," + code +
            ")";
    return r;
}

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
    const std::string& f = e.text;
    auto argc = e.args.size();
    auto need = [&](size_t lo, size_t hi) {
        if (argc < lo || argc > hi) throw raise(174, {lower(f), std::to_string(lo)}, e.pos.line);
    };
    auto arg = [&](size_t i) { return expr(*e.args[i], scope); };
    auto toText = [&](Tx x) {
        if (x.type.isString() || x.type.base == BaseType::Unknown) return x;
        return convert(x, varcharOf(30), true);
    };
    auto toDate = [&](Tx x) {
        if (x.type.isDateTime() || x.type.base == BaseType::Unknown) return x;
        return convert(x, kDateTime, false);
    };
    auto toInt = [&](Tx x) {
        if (x.type.isInteger() || x.type.base == BaseType::Unknown) return x;
        return convert(x, kInt, false);
    };
    Tx r;
    // Aggregates.
    if (f == "COUNT" || f == "COUNT_BIG") {
        r.type = f == "COUNT" ? kInt : kBigInt;
        if (e.star) {
            r.sql = "count(*)";
        } else {
            need(1, 1);
            Tx a = arg(0);
            std::string in = a.sql;
            if (e.distinct && a.type.isString() && !a.collated) in += " COLLATE TSQL";
            r.sql = std::string("count(") + (e.distinct ? "DISTINCT " : "") + in + ")";
        }
        return r;
    }
    if (f == "SUM" || f == "AVG" || f == "MIN" || f == "MAX") {
        need(1, 1);
        Tx a = arg(0);
        std::string in = a.sql;
        if (a.type.isString() && (f == "SUM" || f == "AVG"))
            throw raise(8117, {a.type.toString(), lower(f)}, e.pos.line);
        if (a.type.isString() && !a.collated) in += " COLLATE TSQL";
        std::string d = e.distinct ? "DISTINCT " : "";
        r.type = a.type;
        if (f == "SUM") {
            if (a.type.base == BaseType::Decimal) r.type.precision = 38;
            if (a.type.base == BaseType::TinyInt || a.type.base == BaseType::SmallInt ||
                a.type.base == BaseType::Bit)
                r.type = kInt;
            r.sql = "sum(" + d + in + ")";
            if (dec::isScaled(a.type) && dec::isScaled(r.type)) {
                const std::string code = std::to_string(dec::typeCode(r.type));
                // SQLite takes DISTINCT only in a one-argument aggregate.
                r.sql = "tsq_dcheck(" +
                        (e.distinct ? "tsq_dsum(DISTINCT " + in + ")"
                                    : "tsq_dsum(" + in + "," + code + ")") +
                        "," + code + ")";
            }
            // A scaled sum is exact; as a decimal with more places it leaves the scaled form.
            if (dec::isScaled(a.type) && !dec::isScaled(r.type)) {
                Tx sum = a;
                sum.constant = false;
                sum.sql = r.sql;
                r.sql = unscaled(sum).sql;
            }
        } else if (f == "AVG") {
            if (a.type.isInteger()) {
                r.type = a.type.base == BaseType::BigInt ? kBigInt : kInt;
                r.sql = "CAST(avg(" + d + in + ") AS INTEGER)";
            } else {
                if (a.type.base == BaseType::Decimal) {
                    r.type.precision = 38;
                    r.type.scale = std::max(6, a.type.scale);
                }
                r.sql = "avg(" + d + in + ")";
                if (a.type.base == BaseType::Decimal) {
                    // The exact sum over the count, truncated at the result's places as a
                    // decimal quotient is.
                    r.sql = "tsq_ddiv(tsq_dsum(" + d + in + "),count(" + d + in + ")," +
                            std::to_string(r.type.scale - a.type.scale) + "," +
                            std::to_string(dec::typeCode(r.type)) + ")";
                } else if (dec::isScaled(a.type)) {
                    Tx avg = a;
                    avg.constant = false;
                    avg.sql = r.sql;
                    r.sql = dec::isScaled(r.type)
                                ? "tsq_drescale(" + r.sql + ",0," +
                                      std::to_string(dec::typeCode(r.type)) + ",0)"
                                : unscaled(avg).sql;
                }
            }
        } else if (dec::mayBeWide(a.type)) {
            r.sql = (f == "MIN" ? "tsq_dmin(" : "tsq_dmax(") + in + ")";
        } else {
            r.sql = lower(f) + "(" + d + in + ")";
        }
        return r;
    }
    if (f == "ISNULL") {
        need(2, 2);
        Tx a = arg(0), b = arg(1);
        SqlType t = a.type.base == BaseType::Unknown ? b.type : a.type;
        b = convert(b, t, false);
        r.type = t;
        r.sql = "ifnull(" + a.sql + "," + b.sql + ")";
        r.collated = a.collated;
        return r;
    }
    if (f == "COALESCE") {
        if (argc < 2) throw raise(189, {"coalesce"}, e.pos.line);
        std::vector<Tx> xs;
        SqlType t;
        for (size_t i = 0; i < argc; ++i) {
            xs.push_back(arg(i));
            if (xs.back().type.base == BaseType::Unknown) continue;
            t = t.base == BaseType::Unknown ? xs.back().type : dominantType(t, xs.back().type);
        }
        r.type = t;
        r.sql = "coalesce(";
        for (size_t i = 0; i < xs.size(); ++i)
            r.sql += (i ? "," : "") + convert(xs[i], t, false).sql;
        r.sql += ")";
        return r;
    }
    if (f == "NULLIF") {
        need(2, 2);
        Tx a = arg(0), b = arg(1);
        r.type = a.type;
        if (a.type.isString() && b.type.isString())
            r.sql = "CASE WHEN " + compare("=", a, b).sql + " THEN NULL ELSE " + a.sql + " END";
        else
            r.sql = "nullif(" + a.sql + "," + convert(b, a.type, false).sql + ")";
        return r;
    }
    if (f == "GETDATE" || f == "CURRENT_TIMESTAMP" || f == "SYSDATETIME" || f == "GETUTCDATE") {
        // One value per statement, as SQL Server evaluates it: and a bound value lets SQLite
        // compute expressions over it once instead of per row.
        const SystemVariable& v = *findSystemVariable("@@getdate");
        r.type = v.type();
        r.sql = bindRef(std::string(v.name));
        return r;
    }
    if (f == "YEAR" || f == "MONTH" || f == "DAY") {
        need(1, 1);
        r.type = kInt;
        r.sql = "tsq_datepart('" + lower(f) + "'," + toDate(arg(0)).sql + ")";
        return r;
    }
    if (f == "DATEADD") {
        need(3, 3);
        Tx d = toDate(arg(2));
        r.type = d.type.base == BaseType::Unknown ? kDateTime : d.type;
        r.sql = "tsq_dateadd(" + datePart(*e.args[0]) + "," + arg(1).sql + "," + d.sql + ")";
        return r;
    }
    if (f == "DATEDIFF") {
        need(3, 3);
        r.type = kInt;
        r.sql = "tsq_datediff(" + datePart(*e.args[0]) + "," + toDate(arg(1)).sql + "," +
                toDate(arg(2)).sql + ")";
        return r;
    }
    if (f == "DATEPART") {
        need(2, 2);
        r.type = kInt;
        r.sql = "tsq_datepart(" + datePart(*e.args[0]) + "," + toDate(arg(1)).sql + ")";
        return r;
    }
    if (f == "DATENAME") {
        need(2, 2);
        r.type = nvarcharOf(30);
        r.sql = "tsq_datename(" + datePart(*e.args[0]) + "," + toDate(arg(1)).sql + ")";
        return r;
    }
    if (f == "LEFT" || f == "RIGHT") {
        need(2, 2);
        Tx s = toText(arg(0));
        Tx n = arg(1);
        int len = n.constant && n.value.kind == Value::Kind::Int ? static_cast<int>(n.value.i)
                                                                 : s.type.length;
        r.type = stringLike(s.type, s.type.length < 0 ? len : std::min(len, s.type.length));
        r.sql = "tsq_" + lower(f) + "(" + s.sql + "," + n.sql + ")";
        return r;
    }
    if (f == "SUBSTRING") {
        need(3, 3);
        Tx s = toText(arg(0));
        r.type = stringLike(s.type, s.type.length);
        r.sql = "tsq_substring(" + s.sql + "," + arg(1).sql + "," + arg(2).sql + ")";
        return r;
    }
    if (f == "LTRIM" || f == "RTRIM" || f == "UPPER" || f == "LOWER" || f == "REVERSE" ||
        f == "TRIM") {
        need(1, 1);
        Tx s = toText(arg(0));
        r.type = stringLike(s.type, s.type.length);
        if (s.type.base == BaseType::Char) r.type.base = BaseType::VarChar;
        if (s.type.base == BaseType::NChar) r.type.base = BaseType::NVarChar;
        if (f == "TRIM")
            r.sql = "tsq_ltrim(tsq_rtrim(" + s.sql + "))";
        else
            r.sql = "tsq_" + lower(f) + "(" + s.sql + ")";
        return r;
    }
    // Integer results of one text argument.
    static const std::map<std::string, std::string> textToInt = {{"LEN", "tsq_len"},
                                                                 {"ASCII", "tsq_ascii"},
                                                                 {"UNICODE", "unicode"},
                                                                 {"ISNUMERIC", "tsq_isnumeric"},
                                                                 {"ISDATE", "tsq_isdate"}};
    if (auto it = textToInt.find(f); it != textToInt.end()) {
        need(1, 1);
        r.type = kInt;
        r.sql = it->second + "(" + toText(arg(0)).sql + ")";
        return r;
    }
    if (f == "DATALENGTH") {
        need(1, 1);
        r.type = kInt;
        Tx x = arg(0);
        if (x.type.isString()) {
            r.sql = "tsq_datalength(" + x.sql + ")";
            if (x.type.isUnicode()) r.sql = "(" + r.sql + " * 2)";
        } else if (x.type.isBinary()) {
            r.sql = "length(" + x.sql + ")";
        } else {
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
        }
        return r;
    }
    if (f == "CONCAT") {
        if (argc < 2) throw raise(189, {"concat"}, e.pos.line);
        bool unicode = false;
        std::string sql;
        for (size_t i = 0; i < argc; ++i) {
            Tx x = toText(arg(i));
            unicode = unicode || x.type.isUnicode();
            sql += (i ? " || " : "") + std::string("coalesce(") + x.sql + ",'')";
        }
        r.type = unicode ? nvarcharOf(4000) : varcharOf(8000);
        r.sql = "(" + sql + ")";
        return r;
    }
    if (f.rfind("ERROR_", 0) == 0) {
        static const std::set<std::string> known = {"ERROR_NUMBER",  "ERROR_SEVERITY",
                                                    "ERROR_STATE",   "ERROR_LINE",
                                                    "ERROR_MESSAGE", "ERROR_PROCEDURE"};
        if (known.count(f)) {
            const SystemVariable& v = *findSystemVariable("@@" + f);
            r.type = v.type();
            r.sql = bindRef(std::string(v.name));
            return r;
        }
    }
    if (f == "EOMONTH") {
        need(1, 2);
        Tx d = toDate(arg(0));
        std::string base = d.sql;
        if (argc == 2) base = "tsq_dateadd('month'," + arg(1).sql + "," + d.sql + ")";
        r.type = typeOf(BaseType::Date);
        r.sql = "date(" + base + ",'start of month','+1 month','-1 day')";
        return r;
    }
    if (f == "DATEFROMPARTS") {
        need(3, 3);
        r.type = typeOf(BaseType::Date);
        r.sql = "tsq_convert(printf('%04d-%02d-%02d'," + toInt(arg(0)).sql + "," +
                toInt(arg(1)).sql + "," + toInt(arg(2)).sql + "),'varchar(10)','date',NULL,0)";
        return r;
    }
    if (f == "DB_ID") {
        r.type = typeOf(BaseType::SmallInt);
        if (argc == 0)
            r.sql = "(SELECT dbid FROM \"master\".sysdatabases WHERE name = " +
                    quoteLiteral(ctx_.currentDatabase()) + " COLLATE NOCASE)";
        else
            r.sql = "(SELECT dbid FROM \"master\".sysdatabases WHERE name = " + toText(arg(0)).sql +
                    " COLLATE NOCASE)";
        return r;
    }
    if (f == "REPLACE") {
        need(3, 3);
        Tx s = toText(arg(0));
        r.type = stringLike(s.type, 8000);
        r.sql = "tsq_replace(" + s.sql + "," + toText(arg(1)).sql + "," + toText(arg(2)).sql + ")";
        return r;
    }
    if (f == "CHARINDEX") {
        need(2, 3);
        r.type = kInt;
        r.sql = "tsq_charindex(" + toText(arg(0)).sql + "," + toText(arg(1)).sql +
                (argc == 3 ? "," + arg(2).sql : std::string()) + ")";
        return r;
    }
    if (f == "PATINDEX") {
        need(2, 2);
        r.type = kInt;
        r.sql = "tsq_patindex(" + toText(arg(0)).sql + "," + toText(arg(1)).sql + ")";
        return r;
    }
    if (f == "STR") {
        need(1, 3);
        int len = 10;
        if (argc > 1 && e.args[1]->kind == ExprKind::Integer)
            len = std::atoi(e.args[1]->text.c_str());
        r.type = varcharOf(len);
        Tx x = arg(0);
        if (!x.type.isNumeric() || dec::isScaled(x.type)) x = convert(x, kFloat, false);
        r.sql = "tsq_str(" + x.sql;
        for (size_t i = 1; i < argc; ++i) r.sql += "," + arg(i).sql;
        r.sql += ")";
        return r;
    }
    if (f == "SPACE") {
        need(1, 1);
        r.type = varcharOf(8000);
        r.sql = "tsq_space(" + toInt(arg(0)).sql + ")";
        return r;
    }
    if (f == "REPLICATE") {
        need(2, 2);
        Tx s = toText(arg(0));
        // Only a max type grows past a page: varchar stops at 8,000 characters, nvarchar at
        // 4,000, as SQL Server cuts them.
        const bool large =
            s.type.length == -1 || s.type.base == BaseType::Text || s.type.base == BaseType::NText;
        const int limit = large ? -1 : s.type.isUnicode() ? 4000 : 8000;
        r.type = large ? (s.type.isUnicode() ? nvarcharOf(-1) : varcharOf(-1))
                       : stringLike(s.type, limit);
        r.sql =
            "tsq_replicate(" + s.sql + "," + toInt(arg(1)).sql + "," + std::to_string(limit) + ")";
        return r;
    }
    if (f == "STUFF") {
        need(4, 4);
        Tx s = toText(arg(0));
        r.type = stringLike(s.type, 8000);
        r.sql = "tsq_stuff(" + s.sql + "," + arg(1).sql + "," + arg(2).sql + "," +
                toText(arg(3)).sql + ")";
        return r;
    }
    if (f == "CHAR" || f == "NCHAR") {
        need(1, 1);
        r.type = f == "CHAR" ? typeOf(BaseType::Char, 1) : typeOf(BaseType::NChar, 1);
        r.sql = (f == "CHAR" ? "tsq_char(" : "char(") + toInt(arg(0)).sql + ")";
        return r;
    }
    if (f == "ABS" || f == "SIGN" || f == "FLOOR" || f == "CEILING") {
        need(1, 1);
        Tx x = arg(0);
        if (x.type.isString()) x = convert(x, kFloat, false);
        r.type = x.type;
        if (f == "ABS")
            r.sql = "abs(" + x.sql + ")";
        else if (f == "SIGN")
            r.sql = "sign(" + x.sql + ")";
        else
            r.sql = (f == "FLOOR" ? "floor(" : "ceil(") + x.sql + ")";
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
    if (f == "ROUND") {
        need(2, 3);
        Tx x = arg(0);
        if (x.type.isString()) x = convert(x, kFloat, false);
        r.type = x.type;
        r.sql = "tsq_round(" + x.sql + "," + arg(1).sql + (argc == 3 ? "," + arg(2).sql : "") + ")";
        if (dec::isScaled(x.type))
            r.sql = "tsq_dround(" + x.sql + "," + std::to_string(dec::scaleOf(x.type)) + "," +
                    arg(1).sql + (argc == 3 ? "," + arg(2).sql : "") + "," +
                    std::to_string(dec::typeCode(r.type)) + ")";
        return r;
    }
    if (f == "POWER" || f == "SQRT" || f == "EXP" || f == "LOG" || f == "LOG10") {
        r.type = kFloat;
        r.sql = (f == "POWER" ? "pow(" : lower(f) + "(") + unscaled(arg(0)).sql +
                (argc > 1 ? "," + unscaled(arg(1)).sql : "") + ")";
        return r;
    }
    if (f == "NEWID") {
        r.type = typeOf(BaseType::UniqueIdentifier);
        r.sql = "tsq_newid()";
        return r;
    }
    if (f == "OBJECT_ID") {
        need(1, 2);
        Tx n = arg(0);
        // The object's database is in the name when qualified: resolve it now when constant.
        std::string schema = ctx_.schemaOf(ctx_.currentDatabase());
        if (n.constant && n.value.kind == Value::Kind::Text) {
            std::vector<std::string> parts = splitObjectName(n.value.s);
            if (!parts.back().empty() && parts.back()[0] == '#')
                schema = "temp";
            else if (parts.size() >= 3 && !parts[parts.size() - 3].empty())
                schema = ctx_.schemaOf(parts[parts.size() - 3]);
            r.type = kInt;
            r.sql = "(SELECT id FROM " + quoteIdent(schema) +
                    ".__tsq_objects WHERE name = " + quoteLiteral(parts.back()) +
                    " COLLATE NOCASE AND xtype NOT IN ('PK','UQ','D'))";
            return r;
        }
        r.type = kInt;
        r.sql = "(SELECT id FROM " + quoteIdent(schema) +
                ".__tsq_objects WHERE name = tsq_objname(" + n.sql + ") COLLATE NOCASE)";
        return r;
    }
    if (f == "TYPE_ID") {
        need(1, 1);
        r.type = kInt;
        r.sql = "(SELECT xusertype FROM " +
                ctx_.findTable(ast::ObjectName{{"systypes"}})->sqlName() +
                " WHERE name = tsq_objname(" + toText(arg(0)).sql + ") COLLATE NOCASE)";
        return r;
    }
    if (f == "DB_NAME") {
        r.type = nvarcharOf(128);
        r.sql = quoteLiteral(ctx_.currentDatabase());
        return r;
    }
    if (f == "HOST_NAME" || f == "SUSER_SNAME" || f == "USER_NAME" || f == "SUSER_NAME" ||
        f == "SYSTEM_USER" || f == "CURRENT_USER" || f == "APP_NAME") {
        r.type = nvarcharOf(128);
        r.sql = f == "HOST_NAME" ? "tsq_hostname()" : quoteLiteral("dbo");
        return r;
    }
    if (f == "SCOPE_IDENTITY" || f == "IDENT_CURRENT") {
        const SystemVariable& v = *findSystemVariable("@@identity");
        r.type = v.type();
        r.sql = bindRef(std::string(v.name));
        return r;
    }
    if (f == "IIF") {
        need(3, 3);
        Tx c = expr(*e.args[0], scope), a = arg(1), b = arg(2);
        SqlType t = a.type.base == BaseType::Unknown   ? b.type
                    : b.type.base == BaseType::Unknown ? a.type
                                                       : dominantType(a.type, b.type);
        r.type = t;
        r.sql = "CASE WHEN " + c.sql + " THEN " + convert(a, t, false).sql + " ELSE " +
                convert(b, t, false).sql + " END";
        return r;
    }
    throw raise(195, {f}, e.pos.line);
}

Tx Translator::expr(const Expr& e, Scope* scope) {
    Tx r;
    switch (e.kind) {
        case ExprKind::Null:
            r.sql = "NULL";
            r.constant = true;
            return r;
        case ExprKind::Integer: {
            errno = 0;
            long long v = std::strtoll(e.text.c_str(), nullptr, 10);
            if (errno == ERANGE) {
                SqlType t = typeOf(BaseType::Decimal, 0, static_cast<int>(e.text.size()), 0);
                // Up to 38 digits a numeric(p,0), exactly.
                if (e.text.size() <= 38) {
                    try {
                        return constantTx(convertValue(Value::text(e.text), varcharOf(40), t), t);
                    } catch (const Error&) {
                    }
                }
                // A REAL constant of a scaled type is the number itself; with no places, the
                // runtime's overflow checks read it as they would the scaled integer.
                return constantTx(Value::real(std::strtod(e.text.c_str(), nullptr)), t);
            }
            const bool wide = v > 2147483647LL || v < -2147483648LL;
            Tx x = constantTx(Value::integer(v), wide ? kBigInt : kInt);
            x.wideLiteral = wide;
            return x;
        }
        case ExprKind::Decimal:
        case ExprKind::Money: {
            std::string t = e.text;
            if (!t.empty() && t[0] == '$') t.erase(0, 1);
            auto dot = t.find('.');
            int scale = dot == std::string::npos ? 0 : static_cast<int>(t.size() - dot - 1);
            int digits = 0;
            for (char ch : t)
                if (std::isdigit(static_cast<unsigned char>(ch))) ++digits;
            SqlType ty = e.kind == ExprKind::Money
                             ? typeOf(BaseType::Money, 0, 19, 4)
                             : typeOf(BaseType::Decimal, 0, std::max(digits, 1), scale);
            if (dec::isScaled(ty)) {
                try {
                    return constantTx(convertValue(Value::text(t), varcharOf(40), ty), ty);
                } catch (const Error&) {
                    return beyondScaled(Value::real(std::strtod(t.c_str(), nullptr)), ty);
                }
            }
            Tx x = constantTx(Value::real(std::strtod(t.c_str(), nullptr)), ty);
            return x;
        }
        case ExprKind::Float:
            return constantTx(Value::real(std::strtod(e.text.c_str(), nullptr)), kFloat);
        case ExprKind::String:
            return constantTx(Value::text(e.text), varcharOf(std::max(1, charCount(e.text))));
        case ExprKind::NString:
            return constantTx(Value::text(e.text), nvarcharOf(std::max(1, charCount(e.text))));
        case ExprKind::Binary: {
            r.sql = "X'" + e.text + "'";
            r.type = typeOf(BaseType::VarBinary, static_cast<int>(e.text.size() / 2));
            return r;
        }
        case ExprKind::Column:
            return column(e, scope);
        case ExprKind::Star:
            throw raise(102, {"*"}, e.pos.line);
        case ExprKind::Variable: {
            std::string up = upper(e.text);
            if (up.rfind("@@", 0) == 0) {
                const SystemVariable* v = findSystemVariable(up);
                if (v && v->constant) return constantTx(constantValue(*v), v->type());
                // One the engine does not know reads as a NULL int.
                r.type = v && !v->internal ? v->type() : kInt;
                r.sql = bindRef(up);
                return r;
            }
            r.type = ctx_.variableType(e.text);
            r.sql = bindRef(e.text);
            return r;
        }
        case ExprKind::Parameter:
            r.type = ctx_.parameterType(e.text);
            r.sql = bindRef(":" + e.text);
            return r;
        case ExprKind::Unary: {
            Tx a = expr(*e.args[0], scope);
            if (e.text == "NOT") {
                r.type = kBit;
                r.sql = "(NOT " + a.sql + ")";
                return r;
            }
            if (a.type.isString()) a = convert(a, kFloat, false);
            r.type = a.type;
            if (e.text == "-") {
                if (a.constant && a.value.kind == Value::Kind::Int)
                    return constantTx(Value::integer(-a.value.i), a.type);
                if (a.constant && a.value.kind == Value::Kind::Float)
                    return constantTx(Value::real(-a.value.f), a.type);
                if (dec::mayBeWide(a.type)) return negatedWide(a);
                r.sql = "(-" + a.sql + ")";
            } else if (e.text == "~") {
                r.sql = "(~" + a.sql + ")";
            } else {
                return a;
            }
            return r;
        }
        case ExprKind::Binary_:
            return binary(e, scope);
        case ExprKind::Function:
            return function(e, scope);
        case ExprKind::Case: {
            size_t i = 0;
            std::optional<Tx> operand;
            if (e.hasOperand) operand = expr(*e.args[i++], scope);
            size_t end = e.args.size() - (e.hasElse ? 1 : 0);
            std::vector<std::pair<Tx, Tx>> whens;
            SqlType t;
            for (; i + 1 < end + 1 && i + 1 <= end - 1 + 1 && i < end; i += 2) {
                Tx cond = operand ? compare("=", *operand, expr(*e.args[i], scope))
                                  : expr(*e.args[i], scope);
                Tx val = expr(*e.args[i + 1], scope);
                if (val.type.base != BaseType::Unknown)
                    t = t.base == BaseType::Unknown ? val.type : dominantType(t, val.type);
                whens.emplace_back(cond, val);
            }
            std::optional<Tx> otherwise;
            if (e.hasElse) {
                otherwise = expr(*e.args.back(), scope);
                if (otherwise->type.base != BaseType::Unknown)
                    t = t.base == BaseType::Unknown ? otherwise->type
                                                    : dominantType(t, otherwise->type);
            }
            // A string result takes the longest branch's length.
            if (t.isString()) {
                int len = 0;
                for (auto& w : whens)
                    len = w.second.type.length < 0 ? -1 : std::max(len, w.second.type.length);
                if (otherwise && len >= 0)
                    len = otherwise->type.length < 0 ? -1 : std::max(len, otherwise->type.length);
                if (len != 0) t.length = len;
            }
            r.type = t;
            r.sql = "CASE";
            for (auto& [c, v] : whens)
                r.sql += " WHEN " + c.sql + " THEN " + convert(v, t, false).sql;
            if (otherwise) r.sql += " ELSE " + convert(*otherwise, t, false).sql;
            r.sql += " END";
            return r;
        }
        case ExprKind::Cast:
        case ExprKind::Convert: {
            Tx a = expr(*e.args[0], scope);
            SqlType to = resolveType(e.type, true);
            int style = -1;
            if (e.kind == ExprKind::Convert && e.args.size() > 1) {
                Tx s = expr(*e.args[1], scope);
                if (!s.constant || s.value.kind != Value::Kind::Int)
                    throw raise(8116, {"3", "convert"}, e.pos.line);
                style = static_cast<int>(s.value.i);
            }
            if (e.text.rfind("TRY_", 0) == 0) return tryConvert(a, to, style);
            return convert(a, to, true, style);
        }
        case ExprKind::Subquery: {
            SelectTx sub = select(*e.select, scope);
            if (sub.columns.size() != 1) throw raise(116, {}, e.pos.line);
            r.type = sub.columns[0].type;
            r.sql = "(" + sub.sql + ")";
            if (!returnsOneRow(*e.select)) {
                std::string v =
                    quoteIdent(sub.columns[0].name.empty() ? "_c1" : sub.columns[0].name);
                r.sql = "(SELECT CASE WHEN count(*) > 1 THEN tsq_raise(512) ELSE min(" + v +
                        ") END FROM (SELECT * FROM (" + sub.sql + ") LIMIT 2))";
            }
            return r;
        }
        case ExprKind::Exists: {
            SelectTx sub = select(*e.select, scope);
            r.type = kBit;
            r.sql = std::string(e.negated ? "NOT " : "") + "EXISTS (" + sub.sql + ")";
            return r;
        }
        case ExprKind::InList: {
            Tx a = expr(*e.args[0], scope);
            std::vector<Tx> items;
            SqlType t = a.type;
            for (size_t i = 1; i < e.args.size(); ++i) {
                items.push_back(expr(*e.args[i], scope));
                if (items.back().type.base != BaseType::Unknown && t.base != BaseType::Unknown &&
                    !(t.isString() && items.back().type.isString()))
                    t = dominantType(t, items.back().type);
            }
            a = convert(a, t, false);
            r.type = kBit;
            r.sql = "(" + a.sql + (a.type.isString() && !a.collated ? " COLLATE TSQL" : "") +
                    (e.negated ? " NOT IN (" : " IN (");
            for (size_t i = 0; i < items.size(); ++i)
                r.sql += (i ? "," : "") + convert(items[i], t, false).sql;
            r.sql += "))";
            return r;
        }
        case ExprKind::InSubquery: {
            Tx a = expr(*e.args[0], scope);
            SelectTx sub = select(*e.select, scope);
            if (!sub.columns.empty() && sub.columns[0].type.base != BaseType::Unknown &&
                !(a.type.isString() && sub.columns[0].type.isString()) &&
                (dominantType(a.type, sub.columns[0].type).base != a.type.base ||
                 ((dec::isScaled(a.type) || dec::isScaled(sub.columns[0].type)) &&
                  !sameStorage(a.type, sub.columns[0].type))))
                a = convert(a, sub.columns[0].type, false);
            r.type = kBit;
            r.sql = "(" + a.sql + (a.type.isString() && !a.collated ? " COLLATE TSQL" : "") +
                    (e.negated ? " NOT IN (" : " IN (") + sub.sql + "))";
            return r;
        }
        case ExprKind::Between: {
            Tx a = expr(*e.args[0], scope), lo = expr(*e.args[1], scope),
               hi = expr(*e.args[2], scope);
            Tx c1 = compare(">=", a, lo), c2 = compare("<=", a, hi);
            r.type = kBit;
            r.sql = std::string(e.negated ? "(NOT " : "(") + c1.sql + " AND " + c2.sql + ")";
            return r;
        }
        case ExprKind::Like: {
            Tx a = toTextForLike(expr(*e.args[0], scope));
            Tx p = toTextForLike(expr(*e.args[1], scope));
            r.type = kBit;
            r.sql = std::string(e.negated ? "(NOT " : "(") + "tsq_like(" + a.sql + "," + p.sql +
                    (e.args.size() > 2 ? "," + expr(*e.args[2], scope).sql : std::string()) + "))";
            return r;
        }
        case ExprKind::Default:
            throw raise(156, {"DEFAULT"}, e.pos.line);
        case ExprKind::IsNull: {
            Tx a = expr(*e.args[0], scope);
            r.type = kBit;
            r.sql = "(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
            return r;
        }
    }
    throw raiseText(102, "Unsupported expression.", e.pos.line);
}

namespace {

bool isAggregate(const Expr& e) {
    static const std::set<std::string> names = {"COUNT", "COUNT_BIG", "SUM", "AVG", "MIN", "MAX"};
    return e.kind == ExprKind::Function && names.count(e.text);
}

bool containsAggregate(const Expr& e) {
    if (isAggregate(e)) return true;
    if (e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists) return false;
    for (auto& a : e.args)
        if (a && containsAggregate(*a)) return true;
    return false;
}

}  // namespace

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
    static const std::set<std::string> aggregates = {"COUNT", "COUNT_BIG", "SUM",
                                                     "AVG",   "MIN",       "MAX"};
    // coalesce(max(...), 0) and the like keep the single row.
    while (x->kind == ExprKind::Function && !aggregates.count(x->text) && !x->args.empty())
        x = x->args[0].get();
    return x->kind == ExprKind::Function && aggregates.count(x->text);
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

Tx Translator::toTextForLike(Tx x) {
    if (x.type.isString() || x.type.base == BaseType::Unknown) return x;
    return convert(x, varcharOf(30), true);
}

// ---- SELECT ------------------------------------------------------------------------------

std::string Translator::core(const ast::SelectCore& c, Scope* outer, std::vector<Column>& cols,
                             std::vector<std::string>& assign, bool positionalNames,
                             const std::vector<ast::OrderItem>* orderBy, std::string* orderSql) {
    Scope scope;
    scope.parent = outer;
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
        Tx x = expr(*it.expr, &scope);
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
    struct Keep {
        std::vector<const ColumnInfo*>& ref;
        std::vector<const ColumnInfo*> saved;
        ~Keep() { ref = std::move(saved); }
    } keep{origins_, std::move(origins_)};
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
                 wantOrder && !compound ? &orderSql : nullptr);
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
            const bool positional = positionalNames || i > 0 || name.empty();
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
    if (!s.orderBy.empty()) {
        std::string o;
        for (auto& item : s.orderBy) {
            const Expr& oe = *item.expr;
            std::string term;
            if (oe.kind == ExprKind::Integer)
                term = oe.text;
            else if (oe.kind == ExprKind::Column) {
                std::string n = lower(oe.parts.back());
                for (size_t k = 0; k < out.columns.size(); ++k)
                    if (lower(out.columns[k].name) == n) {
                        term = std::to_string(k + 1);
                        break;
                    }
                if (term.empty()) throw raise(104, {}, oe.pos.line);
            } else {
                throw raise(104, {}, oe.pos.line);
            }
            o += (o.empty() ? "" : ", ") + term + (item.desc ? " DESC" : "");
        }
        sql += " ORDER BY " + o;
    }
    out.sql = sql;
    return out;
}

// ---- INSERT / UPDATE / DELETE --------------------------------------------------------------

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
        SelectTx sub = select(*s.select, nullptr, true);
        if (sub.columns.size() != cols.size() && s.columns.empty())
            throw raise(213, {}, s.pos.line);
        if (sub.columns.size() != cols.size())
            throw raise(121, {std::string(sub.columns.size() > cols.size() ? "more" : "fewer")},
                        s.pos.line);
        srcSql = sub.sql;
        for (size_t k = 0; k < cols.size(); ++k) {
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
        selList += (selList.empty() ? "" : ",") + srcExprs[k];
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
        selList += (selList.empty() ? "" : ",") + defaultSql(t.columns[i]);
    }
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
