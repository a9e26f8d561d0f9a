#pragma once
// The @@ variables: each one's name, type and where its value comes from. The translator types
// a variable (or folds a constant one into the statement) from here; the session binds the
// values of the others by the same entry. Some entries are the engine's own: functions such as
// GETDATE() and ERROR_NUMBER() are bound under an @@ name of their own, which a batch cannot
// read by writing it.
#include <string_view>

#include "tsqlite/types.h"

namespace tsqlite {

enum class SystemValue {
    RowCount,
    Identity,
    TranCount,
    Error,
    NestLevel,
    FetchStatus,
    // Constants of the server, folded into statements.
    DateFirst,
    Version,
    ServerName,
    Spid,
    // The engine's own, behind functions.
    GetDate,       // GETDATE() and friends: one value per statement
    IdentityBase,  // the identity before an INSERT's first row
    ErrorNumber,   // ERROR_NUMBER() ... ERROR_PROCEDURE() in a CATCH block
    ErrorSeverity,
    ErrorState,
    ErrorLine,
    ErrorMessage,
    ErrorProcedure,
};

struct SystemVariable {
    std::string_view name;  // "@@rowcount": lower case, as statements bind it
    SystemValue value;
    BaseType base;
    int length = 0;
    int precision = 0;
    int scale = 0;
    bool constant = false;  // the same for every statement: folded in at translation
    bool internal = false;  // a function's value: typed by its function, not as @@name

    SqlType type() const;
};

// The entry of a name, in any letter case; null for none.
const SystemVariable* findSystemVariable(std::string_view name);

// A constant variable's value (@@VERSION...).
Value constantValue(const SystemVariable& v);

}  // namespace tsqlite
