#pragma once
// The translator's internals, shared by its source files: type helpers, scaled-decimal
// conversions and the table of built-in functions.
// translate.cpp            types, conversions, columns, operators, the expression dispatch
// translate_functions.cpp  the built-in functions: one table row each, with shared emitters
// translate_select.cpp     FROM, grouping checks, SELECT cores and set operations
// translate_dml.cpp        INSERT, UPDATE, DELETE
#include <algorithm>
#include <array>
#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "tsqlite/decimal.h"
#include "tsqlite/messages.h"
#include "tsqlite/runtime.h"
#include "tsqlite/system_variables.h"
#include "tsqlite/translate.h"

namespace tsqlite::translation {

using ast::Expr;
using ast::ExprKind;

inline SqlType typeOf(BaseType b, int length = 0, int precision = 0, int scale = 0) {
    return SqlType::of(b, length, precision, scale);
}

inline const SqlType kInt = typeOf(BaseType::Int);
inline const SqlType kBigInt = typeOf(BaseType::BigInt);
inline const SqlType kBit = typeOf(BaseType::Bit);
inline const SqlType kFloat = typeOf(BaseType::Float);
inline const SqlType kDateTime = typeOf(BaseType::DateTime);

// -1 is the max type: what is built from a max value stays one (REPLICATE, SUBSTRING, +).
SqlType varcharOf(int n);
SqlType nvarcharOf(int n);
// Length of a UTF-8 text in characters.
int charCount(std::string_view s);
std::string upper(std::string_view s);
Tx constantTx(const Value& v, const SqlType& t);
// The type of a string result built from a text argument (keeps unicode-ness).
SqlType stringLike(const SqlType& t, int length);
// The values an integer type holds (bit aside).
std::pair<long long, long long> integerRange(BaseType b);
bool isBindRef(const std::string& sql);
bool integerMayOverflow(const Tx& x, const SqlType& to);
bool sameStorage(const SqlType& a, const SqlType& b);
// A scaled decimal as the REAL number it stands for, for float arithmetic and functions.
Tx unscaled(const Tx& x);
// A literal of a scaled type beyond 38 digits: an overflow where it is used.
Tx beyondScaled(const Value& v, const SqlType& t);
// An integer or scaled decimal as a scaled value of `to`, exactly; 8115 when it leaves the type.
Tx rescaled(const Tx& x, const SqlType& to);
// Decimals of more than 18 digits may hold values in the wide form (BLOB), which SQLite can
// neither negate nor order among INTEGERs: -x, ordering comparisons and ORDER BY terms of them
// go through the runtime.
Tx negatedWide(const Tx& a);
bool wideOrdering(const std::string& op, const Tx& a, const Tx& b);
std::string orderTerm(const std::string& sql, const SqlType& t);

// ---- Built-in functions ------------------------------------------------------------------

struct FunctionSpec;

// One call being translated: its arguments on demand, and the translator's services the
// emitters use.
struct Call {
    Translator& t;
    const Expr& e;
    Scope* scope;
    const FunctionSpec& spec;
    size_t argc;

    Tx arg(size_t i) const { return t.expr(*e.args[i], scope); }
    // The argument as text, a date or an int, converted as the function's parameter takes it.
    Tx text(size_t i) const { return toText(arg(i)); }
    Tx date(size_t i) const { return toDate(arg(i)); }
    Tx integer(size_t i) const { return toInt(arg(i)); }
    Tx toText(Tx x) const;
    Tx toDate(Tx x) const;
    Tx toInt(Tx x) const;
    // A datepart argument (year, mm...) as a quoted literal.
    std::string datePart(size_t i) const { return t.datePart(*e.args[i]); }
    Tx convert(const Tx& x, const SqlType& to) const { return t.convert(x, to, false); }
    Tx compare(const std::string& op, const Tx& a, const Tx& b) const {
        return t.compare(op, a, b);
    }
    std::string bindRef(const std::string& name) const { return t.bindRef(name); }
    TranslateContext& ctx() const { return t.ctx_; }
};

using Emitter = Tx (*)(Call&);

// The result type of a function, when its arguments do not decide it.
enum class Result {
    Emitted,  // the emitter works it out from the arguments
    Int,
    BigInt,
    SmallInt,
    Float,
    Date,
    UniqueIdentifier,
    NVarChar30,
    NVarChar128,
    VarChar8000,
    Char1,
    NChar1,
};

SqlType resultType(Result r);

inline constexpr int kUnbounded = INT_MAX;

enum FunctionFlags : unsigned {
    kAggregate = 1,  // COUNT, SUM...: a grouped select list may hold it
    kStar = 2,       // takes * as its argument
    kListCount = 4,  // too few arguments is error 189 (a list: COALESCE, CONCAT), not 174
};

struct FunctionSpec {
    std::string_view name;  // upper case, as the parser writes it
    int minArgs;
    int maxArgs;  // kUnbounded: any number
    Result result;
    Emitter emit;
    // Data of emitters shared by several functions: the SQLite function called, the datepart,
    // the @@ variable read...
    std::string_view target = {};
    unsigned flags = 0;
};

// Every built-in function, sorted by name.
std::span<const FunctionSpec> functionTable();
// The row of a function name (upper case); null when the engine does not know it.
const FunctionSpec* findFunction(std::string_view name);

}  // namespace tsqlite::translation
