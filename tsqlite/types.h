#pragma once
// T-SQL data types and the values the engine moves around.
//
// Storage on SQLite:
//   bit, tinyint .. bigint          INTEGER
//   decimal, numeric, money         INTEGER scaled by the type's places (decimal.h); decimals of
//                                   more than 18 digits and more than 4 places REAL
//   float, real                     REAL
//   char, varchar, nchar, nvarchar,
//   text, ntext                     TEXT (UTF-8; char(n)/nchar(n) padded with blanks to n)
//   datetime, smalldatetime         TEXT 'YYYY-MM-DD HH:MM:SS.mmm'
//   date                            TEXT 'YYYY-MM-DD'
//   binary, varbinary, image        BLOB
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tsqlite {

enum class BaseType {
    Unknown,  // NULL literal, or not yet known
    Bit,
    TinyInt,
    SmallInt,
    Int,
    BigInt,
    Decimal,  // numeric too
    Money,
    SmallMoney,
    Float,
    Real,
    Char,
    VarChar,
    NChar,
    NVarChar,
    Text,
    NText,
    DateTime,
    SmallDateTime,
    Date,
    Time,
    Binary,
    VarBinary,
    Image,
    UniqueIdentifier,
};

struct SqlType {
    BaseType base = BaseType::Unknown;
    int length = 0;        // characters (or bytes for binary); -1 = max
    int precision = 0;     // decimal
    int scale = 0;         // decimal
    std::string userType;  // alias type name (IdNo, CharFlag...) when declared through one

    static SqlType of(BaseType base, int length = 0, int precision = 0, int scale = 0) {
        SqlType t;
        t.base = base;
        t.length = length;
        t.precision = precision;
        t.scale = scale;
        return t;
    }

    bool isInteger() const;       // bit..bigint
    bool isExactNumeric() const;  // integers, decimal, money
    bool isNumeric() const;       // any number (integers, decimal, money, float, real)
    bool isString() const;        // char .. ntext
    bool isUnicode() const;       // nchar, nvarchar, ntext
    bool isDateTime() const;      // datetime, smalldatetime, date, time
    bool isBinary() const;
    bool isFixedLength() const;  // char, nchar, binary

    // SQL Server's data type precedence: a higher number wins in an implicit conversion.
    int precedence() const;

    // "varchar(20)", "decimal(18,2)", "int", "nvarchar(max)"...
    std::string toString() const;
    // Parses a type as written in T-SQL ("varchar(20)", "DECIMAL(18, 2)", "numeric",
    // "char"). Defaults follow SQL Server: char/varchar without length is 1 (30 in CAST/CONVERT,
    // which the caller handles), decimal without precision is (18,0).
    static std::optional<SqlType> parse(std::string_view text);
    // Type by name and optional arguments; nullopt for an unknown name.
    static std::optional<SqlType> fromName(std::string_view name, int arg1 = -2, int arg2 = -2);

    bool operator==(const SqlType& o) const {
        return base == o.base && length == o.length && precision == o.precision && scale == o.scale;
    }
};

// The type that SQL Server gives an expression combining a and b (by precedence, with the
// decimal precision/scale and string length rules of arithmetic and concatenation).
SqlType resultTypeOfArithmetic(const SqlType& a, const SqlType& b, char op);
SqlType dominantType(const SqlType& a, const SqlType& b);

// A value as SQLite stores it; the SqlType that travels with it (column, expression) says how
// to read it.
struct Value {
    enum class Kind { Null, Int, Float, Text, Blob };
    Kind kind = Kind::Null;
    int64_t i = 0;
    double f = 0;
    std::string s;  // Text and Blob

    static Value null() { return {}; }
    static Value integer(int64_t v) {
        Value x;
        x.kind = Kind::Int;
        x.i = v;
        return x;
    }
    static Value real(double v) {
        Value x;
        x.kind = Kind::Float;
        x.f = v;
        return x;
    }
    static Value text(std::string v) {
        Value x;
        x.kind = Kind::Text;
        x.s = std::move(v);
        return x;
    }
    static Value blob(std::string v) {
        Value x;
        x.kind = Kind::Blob;
        x.s = std::move(v);
        return x;
    }
    bool isNull() const { return kind == Kind::Null; }
    bool operator==(const Value& o) const {
        return kind == o.kind && i == o.i && f == o.f && s == o.s;
    }
};

}  // namespace tsqlite
