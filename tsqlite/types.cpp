#include "tsqlite/types.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace tsqlite {

bool SqlType::isInteger() const {
    return base == BaseType::Bit || base == BaseType::TinyInt || base == BaseType::SmallInt ||
           base == BaseType::Int || base == BaseType::BigInt;
}

bool SqlType::isExactNumeric() const {
    return isInteger() || base == BaseType::Decimal || base == BaseType::Money ||
           base == BaseType::SmallMoney;
}

bool SqlType::isNumeric() const {
    return isExactNumeric() || base == BaseType::Float || base == BaseType::Real;
}

bool SqlType::isString() const {
    switch (base) {
        case BaseType::Char:
        case BaseType::VarChar:
        case BaseType::NChar:
        case BaseType::NVarChar:
        case BaseType::Text:
        case BaseType::NText:
            return true;
        default:
            return false;
    }
}

bool SqlType::isUnicode() const {
    return base == BaseType::NChar || base == BaseType::NVarChar || base == BaseType::NText;
}

bool SqlType::isDateTime() const {
    return base == BaseType::DateTime || base == BaseType::SmallDateTime ||
           base == BaseType::Date || base == BaseType::Time;
}

bool SqlType::isBinary() const {
    return base == BaseType::Binary || base == BaseType::VarBinary || base == BaseType::Image;
}

bool SqlType::isFixedLength() const {
    return base == BaseType::Char || base == BaseType::NChar || base == BaseType::Binary;
}

int SqlType::precedence() const {
    // Higher wins; the order is SQL Server's data type precedence list, bottom to top.
    switch (base) {
        case BaseType::Unknown:
            return 0;
        case BaseType::Binary:
            return 1;
        case BaseType::VarBinary:
            return 2;
        case BaseType::Char:
            return 3;
        case BaseType::VarChar:
            return 4;
        case BaseType::NChar:
            return 5;
        case BaseType::NVarChar:
            return 6;
        case BaseType::UniqueIdentifier:
            return 7;
        case BaseType::Image:
            return 8;
        case BaseType::Text:
            return 9;
        case BaseType::NText:
            return 10;
        case BaseType::Bit:
            return 11;
        case BaseType::TinyInt:
            return 12;
        case BaseType::SmallInt:
            return 13;
        case BaseType::Int:
            return 14;
        case BaseType::BigInt:
            return 15;
        case BaseType::SmallMoney:
            return 16;
        case BaseType::Money:
            return 17;
        case BaseType::Decimal:
            return 18;
        case BaseType::Real:
            return 19;
        case BaseType::Float:
            return 20;
        case BaseType::Time:
            return 21;
        case BaseType::Date:
            return 22;
        case BaseType::SmallDateTime:
            return 23;
        case BaseType::DateTime:
            return 24;
    }
    return 0;
}

namespace {

const char* baseName(BaseType b) {
    switch (b) {
        case BaseType::Unknown:
            return "";
        case BaseType::Bit:
            return "bit";
        case BaseType::TinyInt:
            return "tinyint";
        case BaseType::SmallInt:
            return "smallint";
        case BaseType::Int:
            return "int";
        case BaseType::BigInt:
            return "bigint";
        case BaseType::Decimal:
            return "decimal";
        case BaseType::Money:
            return "money";
        case BaseType::SmallMoney:
            return "smallmoney";
        case BaseType::Float:
            return "float";
        case BaseType::Real:
            return "real";
        case BaseType::Char:
            return "char";
        case BaseType::VarChar:
            return "varchar";
        case BaseType::NChar:
            return "nchar";
        case BaseType::NVarChar:
            return "nvarchar";
        case BaseType::Text:
            return "text";
        case BaseType::NText:
            return "ntext";
        case BaseType::DateTime:
            return "datetime";
        case BaseType::SmallDateTime:
            return "smalldatetime";
        case BaseType::Date:
            return "date";
        case BaseType::Time:
            return "time";
        case BaseType::Binary:
            return "binary";
        case BaseType::VarBinary:
            return "varbinary";
        case BaseType::Image:
            return "image";
        case BaseType::UniqueIdentifier:
            return "uniqueidentifier";
    }
    return "";
}

bool hasLength(BaseType b) {
    switch (b) {
        case BaseType::Char:
        case BaseType::VarChar:
        case BaseType::NChar:
        case BaseType::NVarChar:
        case BaseType::Binary:
        case BaseType::VarBinary:
            return true;
        default:
            return false;
    }
}

std::string lowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Integer type as an exact decimal, for the decimal result rules.
void decimalShape(const SqlType& t, int& p, int& s) {
    switch (t.base) {
        case BaseType::Bit:
            p = 1, s = 0;
            return;
        case BaseType::TinyInt:
            p = 3, s = 0;
            return;
        case BaseType::SmallInt:
            p = 5, s = 0;
            return;
        case BaseType::Int:
            p = 10, s = 0;
            return;
        case BaseType::BigInt:
            p = 19, s = 0;
            return;
        case BaseType::Money:
            p = 19, s = 4;
            return;
        case BaseType::SmallMoney:
            p = 10, s = 4;
            return;
        case BaseType::Decimal:
            p = t.precision > 0 ? t.precision : 18;
            s = t.scale;
            return;
        default:
            p = 18, s = 0;
            return;
    }
}

SqlType ofBase(BaseType b) {
    SqlType t;
    t.base = b;
    return t;
}

SqlType makeDecimal(int p, int s) {
    SqlType t;
    t.base = BaseType::Decimal;
    t.precision = std::clamp(p, 1, 38);
    t.scale = std::clamp(s, 0, t.precision);
    return t;
}

SqlType stringResult(const SqlType& a, const SqlType& b, bool concat) {
    auto strLike = [](const SqlType& t) { return t.isString() || t.base == BaseType::Unknown; };
    bool unicode = a.isUnicode() || b.isUnicode();
    bool fixed = (a.isFixedLength() || a.base == BaseType::Unknown) &&
                 (b.isFixedLength() || b.base == BaseType::Unknown) && strLike(a) && strLike(b);
    bool large = a.base == BaseType::Text || a.base == BaseType::NText ||
                 b.base == BaseType::Text || b.base == BaseType::NText;
    SqlType r;
    int limit = unicode ? 4000 : 8000;
    if (large || a.length < 0 || b.length < 0) {
        r.base = unicode ? BaseType::NVarChar : BaseType::VarChar;
        r.length = -1;
        return r;
    }
    r.base = unicode ? (fixed ? BaseType::NChar : BaseType::NVarChar)
                     : (fixed ? BaseType::Char : BaseType::VarChar);
    int len = concat ? a.length + b.length : std::max(a.length, b.length);
    r.length = std::clamp(len, 1, limit);
    return r;
}

}  // namespace

std::string SqlType::toString() const {
    std::string r = baseName(base);
    if (base == BaseType::Decimal) {
        int p = precision > 0 ? precision : 18;
        r += "(" + std::to_string(p) + "," + std::to_string(scale) + ")";
    } else if (hasLength(base)) {
        r += length < 0 ? std::string("(max)") : "(" + std::to_string(std::max(length, 1)) + ")";
    }
    return r;
}

std::optional<SqlType> SqlType::fromName(std::string_view rawName, int arg1, int arg2) {
    std::string name = lowerAscii(trim(rawName));
    // Multi-word names collapse to one spelling.
    std::string squeezed;
    for (char c : name) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!squeezed.empty() && squeezed.back() != ' ') squeezed.push_back(' ');
        } else {
            squeezed.push_back(c);
        }
    }
    name = squeezed;
    SqlType t;
    const bool has1 = arg1 != -2;
    const bool has2 = arg2 != -2;
    auto withLength = [&](BaseType b) {
        t.base = b;
        t.length = has1 ? arg1 : 1;
        if (t.length == 0) t.length = 1;
        return t;
    };
    if (name == "bit")
        t.base = BaseType::Bit;
    else if (name == "tinyint")
        t.base = BaseType::TinyInt;
    else if (name == "smallint")
        t.base = BaseType::SmallInt;
    else if (name == "int" || name == "integer")
        t.base = BaseType::Int;
    else if (name == "bigint")
        t.base = BaseType::BigInt;
    else if (name == "decimal" || name == "numeric" || name == "dec") {
        t.base = BaseType::Decimal;
        t.precision = has1 && arg1 > 0 ? std::min(arg1, 38) : 18;
        t.scale = has2 && arg2 >= 0 ? std::min(arg2, t.precision) : 0;
    } else if (name == "money")
        t.base = BaseType::Money;
    else if (name == "smallmoney")
        t.base = BaseType::SmallMoney;
    else if (name == "float")
        t.base = has1 && arg1 > 0 && arg1 <= 24 ? BaseType::Real : BaseType::Float;
    else if (name == "double precision")
        t.base = BaseType::Float;
    else if (name == "real")
        t.base = BaseType::Real;
    else if (name == "char" || name == "character")
        return withLength(BaseType::Char);
    else if (name == "varchar" || name == "char varying" || name == "character varying")
        return withLength(BaseType::VarChar);
    else if (name == "nchar" || name == "national char" || name == "national character")
        return withLength(BaseType::NChar);
    else if (name == "nvarchar" || name == "national char varying" ||
             name == "national character varying")
        return withLength(BaseType::NVarChar);
    else if (name == "sysname") {
        t.base = BaseType::NVarChar;
        t.length = 128;
    } else if (name == "text")
        t.base = BaseType::Text, t.length = -1;
    else if (name == "ntext")
        t.base = BaseType::NText, t.length = -1;
    else if (name == "datetime" || name == "datetime2")
        t.base = BaseType::DateTime;
    else if (name == "smalldatetime")
        t.base = BaseType::SmallDateTime;
    else if (name == "date")
        t.base = BaseType::Date;
    else if (name == "time")
        t.base = BaseType::Time;
    else if (name == "binary")
        return withLength(BaseType::Binary);
    else if (name == "varbinary" || name == "binary varying")
        return withLength(BaseType::VarBinary);
    else if (name == "timestamp" || name == "rowversion") {
        t.base = BaseType::Binary;
        t.length = 8;
    } else if (name == "image")
        t.base = BaseType::Image, t.length = -1;
    else if (name == "uniqueidentifier")
        t.base = BaseType::UniqueIdentifier;
    else if (name.empty() || name == "null" || name == "unknown")
        t.base = BaseType::Unknown;
    else
        return std::nullopt;
    return t;
}

std::optional<SqlType> SqlType::parse(std::string_view text) {
    std::string_view s = trim(text);
    std::string name;
    int args[2] = {-2, -2};
    size_t open = s.find('(');
    std::string_view head = trim(s.substr(0, open));
    for (char c : head)
        if (c != '[' && c != ']') name.push_back(c);
    if (open != std::string_view::npos) {
        size_t close = s.find(')', open);
        if (close == std::string_view::npos || !trim(s.substr(close + 1)).empty())
            return std::nullopt;
        std::string_view inner = s.substr(open + 1, close - open - 1);
        int count = 0;
        while (true) {
            size_t comma = inner.find(',');
            std::string_view part = trim(inner.substr(0, comma));
            if (count >= 2 || part.empty()) return std::nullopt;
            if (lowerAscii(part) == "max") {
                args[count++] = -1;
            } else {
                std::string digits(part);
                char* end = nullptr;
                long v = std::strtol(digits.c_str(), &end, 10);
                if (*end != '\0' || v < 0) return std::nullopt;
                args[count++] = static_cast<int>(v);
            }
            if (comma == std::string_view::npos) break;
            inner.remove_prefix(comma + 1);
        }
    }
    return fromName(name, args[0], args[1]);
}

SqlType resultTypeOfArithmetic(const SqlType& a, const SqlType& b, char op) {
    if (a.base == BaseType::Unknown && b.base == BaseType::Unknown) return ofBase(BaseType::Int);
    if (a.base == BaseType::Unknown)
        return b.isString() || b.isBinary() ? b : resultTypeOfArithmetic(b, b, op);
    if (b.base == BaseType::Unknown)
        return a.isString() || a.isBinary() ? a : resultTypeOfArithmetic(a, a, op);

    if (op == '+' && a.isString() && b.isString()) return stringResult(a, b, true);
    if (op == '+' && a.isBinary() && b.isBinary()) {
        SqlType r;
        r.base = BaseType::VarBinary;
        r.length = a.length < 0 || b.length < 0 ? -1 : std::min(a.length + b.length, 8000);
        return r;
    }

    // bit takes part in arithmetic as int.
    SqlType x = a.base == BaseType::Bit ? ofBase(BaseType::Int) : a;
    SqlType y = b.base == BaseType::Bit ? ofBase(BaseType::Int) : b;
    // A string operand takes the other operand's type.
    if (x.isString()) x = y;
    if (y.isString()) y = x;

    const SqlType& hi = x.precedence() >= y.precedence() ? x : y;
    if (hi.base != BaseType::Decimal) {
        SqlType r;
        r.base = hi.base;
        r.length = hi.length;
        return r;
    }

    int p1, s1, p2, s2;
    decimalShape(x, p1, s1);
    decimalShape(y, p2, s2);
    int p, s;
    switch (op) {
        case '*':
            p = p1 + p2 + 1;
            s = s1 + s2;
            break;
        case '/':
            s = std::max(6, s1 + p2 + 1);
            p = p1 - s1 + s2 + s;
            break;
        case '%':
            s = std::max(s1, s2);
            p = std::min(p1 - s1, p2 - s2) + s;
            break;
        default:  // + and -
            s = std::max(s1, s2);
            p = s + std::max(p1 - s1, p2 - s2) + 1;
            break;
    }
    if (p > 38) {
        if (op == '*' || op == '/') {
            int integral = p - s;
            if (integral < 32)
                s = std::min(s, 38 - integral);
            else if (s > 6)
                s = 6;
        } else {
            s = std::max(0, 38 - std::max(p1 - s1, p2 - s2));
            s = std::min(s, std::max(s1, s2));
        }
        p = 38;
    }
    return makeDecimal(p, s);
}

SqlType dominantType(const SqlType& a, const SqlType& b) {
    if (a.base == BaseType::Unknown) return b;
    if (b.base == BaseType::Unknown) return a;
    if (a.isString() && b.isString()) return stringResult(a, b, false);
    if (a.isBinary() && b.isBinary()) {
        SqlType r;
        r.base = a.isFixedLength() && b.isFixedLength() ? BaseType::Binary : BaseType::VarBinary;
        r.length = a.length < 0 || b.length < 0 ? -1 : std::max(a.length, b.length);
        return r;
    }
    const SqlType& hi = a.precedence() >= b.precedence() ? a : b;
    if (hi.base == BaseType::Decimal && (a.isExactNumeric() && b.isExactNumeric())) {
        int p1, s1, p2, s2;
        decimalShape(a, p1, s1);
        decimalShape(b, p2, s2);
        int s = std::max(s1, s2);
        int p = std::max(p1 - s1, p2 - s2) + s;
        if (p > 38) {
            s = std::max(0, s - (p - 38));
            p = 38;
        }
        return makeDecimal(p, s);
    }
    SqlType r = hi;
    r.userType.clear();
    return r;
}

}  // namespace tsqlite
