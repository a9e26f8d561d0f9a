// The translator's core: type helpers, conversions between types, column references,
// operators and the dispatch of expressions by kind. Functions, SELECT and the DML statements
// are in translate_functions.cpp, translate_select.cpp and translate_dml.cpp.
#include "tsqlite/translate.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "tsqlite/translate_internal.h"

namespace tsqlite {

namespace translation {

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

// Text of type a fits b unchanged: the same character set, b not padded, and b at least as
// long.
bool widensText(const SqlType& a, const SqlType& b) {
    auto plainText = [](BaseType t) {
        return t == BaseType::Char || t == BaseType::VarChar || t == BaseType::NChar ||
               t == BaseType::NVarChar;
    };
    if (!plainText(a.base) || !plainText(b.base) || b.isFixedLength()) return false;
    if (a.isUnicode() != b.isUnicode()) return false;
    return b.length == -1 || (a.length > 0 && b.length >= a.length);
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

// A literal of a scaled type beyond 38 digits: an overflow where it is used.
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

Tx negatedWide(const Tx& a) {
    dec::Wide x = 0;
    if (a.constant && dec::scaledOf(a.value, x)) return constantTx(dec::scaledValue(-x), a.type);
    Tx r = a;
    r.constant = false;
    r.origin = nullptr;
    r.sql = "tsq_dsub(0," + a.sql + "," + std::to_string(dec::typeCode(a.type)) + ")";
    return r;
}

bool wideOrdering(const std::string& op, const Tx& a, const Tx& b) {
    return (op == "<" || op == ">" || op == "<=" || op == ">=") &&
           (dec::mayBeWide(a.type) || dec::mayBeWide(b.type));
}

// An ordering comparison of a column whose values may be wide with a value fixed for the
// statement (a literal, variable or parameter), written as ranges an index on the column serves.
// SQLite orders every INTEGER before every BLOB, and within each the stored forms are in numeric
// order; so the column's values fall in three runs: the negative wide values (BLOBs below
// x'80'), the INTEGERs, the positive wide values (BLOBs from x'80'). x'' and x'80' are never
// stored (a wide value has 16 bytes), so they bound the runs whatever the operator. A bound
// known now leaves out the runs it cannot reach; one known only when the statement runs goes
// through tsq_dseg(x, run), which gives x inside its own run and otherwise a limit that takes
// the whole run or none of it. A NULL bound makes the comparison NULL, as it should.
std::string wideRange(const std::string& col, const std::string& op, const Tx& bound) {
    const bool upper = op[0] == '<';
    const std::string c = col + " " + op + " ";
    if (!bound.constant) {
        auto seg = [&](int run) {
            return "tsq_dseg(" + bound.sql + "," + std::to_string(run) + ")";
        };
        if (upper)
            return "((" + col + " > x'' AND " + c + seg(0) + ") OR " + c + seg(1) + " OR (" + col +
                   " > x'80' AND " + c + seg(2) + "))";
        return "((" + c + seg(0) + " AND " + col + " < x'80') OR (" + c + seg(1) + " AND " + col +
               " < x'') OR " + c + seg(2) + ")";
    }
    const std::string v = c + bound.sql;
    if (bound.value.kind == Value::Kind::Int)
        return upper ? "((" + col + " > x'' AND " + col + " < x'80') OR " + v + ")"
                     : "((" + v + " AND " + col + " < x'') OR " + col + " > x'80')";
    const bool negative = static_cast<unsigned char>(bound.value.s[0]) < 0x80;
    if (negative)
        return upper ? "(" + col + " > x'' AND " + v + ")" : "(" + v + " OR " + col + " < x'')";
    return "(" + v + ")";
}

std::string orderTerm(const std::string& sql, const SqlType& t) {
    return dec::mayBeWide(t) ? "tsq_dkey(" + sql + ")" : sql;
}

}  // namespace translation

using namespace translation;

std::string Translator::bindRef(const std::string& name) {
    std::string key = lower(name);
    for (size_t i = 0; i < bindKeys_.size(); ++i)
        if (bindKeys_[i] == key) return "?" + std::to_string(i + 1);
    // A caller's parameter keeps the spelling the statement gives it: the caller's map
    // mostly has the same, and then finds it without a search that ignores case.
    binds_.push_back(!name.empty() && name[0] == ':' ? name : key);
    bindKeys_.push_back(std::move(key));
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
    if (assign && style < 0 && x.origin && widensText(x.type, to)) {
        // A table's own text stored in a column at least as wide: nothing to check or change.
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
    // Whether a side is fixed for the statement: a literal, a variable or a parameter.
    const bool aFixed = a.constant || isBindRef(a.sql), bFixed = b.constant || isBindRef(b.sql);
    if (a.type.base != BaseType::Unknown && b.type.base != BaseType::Unknown) {
        SqlType t = dominantType(a.type, b.type);
        a = convert(a, t, false);
        b = convert(b, t, false);
    }
    if (wideOrdering(op, a, b)) {
        // A column of the table against a fixed value: ranges an index serves.
        const auto usable = [](const Tx& col, const Tx& fixed) {
            return col.origin && dec::mayBeWide(col.type) && col.type == fixed.type &&
                   (!fixed.constant || dec::isWideForm(fixed.value) ||
                    fixed.value.kind == Value::Kind::Int);
        };
        static const std::map<std::string, std::string> flipped = {
            {"<", ">"}, {">", "<"}, {"<=", ">="}, {">=", "<="}};
        if (bFixed && usable(a, b)) {
            r.sql = wideRange(a.sql, op, b);
            return r;
        }
        if (aFixed && usable(b, a)) {
            r.sql = wideRange(b.sql, flipped.at(op), a);
            return r;
        }
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
// when the result is scaled too; REAL arithmetic on the numbers when a float takes part.
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
        // A decimal sum of up to 18 digits has a digit to spare in its precision; money can
        // leave 64 bits, and SQLite would carry on in floating point.
        if (!decimal) r.sql = "tsq_dcheck(" + r.sql + "," + code + ")";
        return r;
    }
    if (op == "%") {
        const bool wide = dec::mayBeWide(a.type) || dec::mayBeWide(b.type);
        SqlType common = typeOf(BaseType::Decimal, 0, wide ? 38 : 18, scale);
        a = rescaled(a, common);
        b = rescaled(b, common);
        r.sql = wide ? "tsq_dmod(" + a.sql + "," + b.sql + ")"
                     : "(" + a.sql + " % tsq_nz(" + b.sql + "))";
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
            if (!liveVars_.empty() && liveVars_.count(lower(e.text)))
                r.sql = "tsq_var(" + quoteLiteral(lower(e.text)) + ")";
            else
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
            // NOT binds tighter than AND in SQLite: the pair is negated as a whole.
            r.sql = "(" + c1.sql + " AND " + c2.sql + ")";
            if (e.negated) r.sql = "(NOT " + r.sql + ")";
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

Tx Translator::toTextForLike(Tx x) {
    if (x.type.isString() || x.type.base == BaseType::Unknown) return x;
    return convert(x, varcharOf(30), true);
}

}  // namespace tsqlite
