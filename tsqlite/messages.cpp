#include "tsqlite/messages.h"

#include <algorithm>
#include <iterator>

namespace tsqlite {

namespace {

constexpr Ends B = Ends::Batch;
constexpr Ends S = Ends::Statement;
constexpr Terminates kAlways = Terminates::Always;
constexpr Terminates kChanging = Terminates::WhenChangingRows;
constexpr Terminates kNever = Terminates::Never;
constexpr bool kCompile = true;

// By number. Errors that end only their statement: those SQL Server reports and goes on after
// with XACT_ABORT OFF (constraint violations, arithmetic overflow with ANSI_WARNINGS on, a
// division by zero, truncation) and the transaction-control refusals.
constexpr Message kMessages[] = {
    {-2, 16, 1, B, "Query timeout expired"},
    {102, 15, 1, B, "Incorrect syntax near '%1'.", kNever, kCompile},
    {103, 15, 1, B, "The identifier that starts with '%1' is too long. Maximum length is 128."},
    {104, 16, 1, B,
     "ORDER BY items must appear in the select list if the statement contains a UNION, "
     "INTERSECT or EXCEPT operator."},
    {105, 15, 1, B, "Unclosed quotation mark after the character string '%1'."},
    {108, 16, 1, B,
     "The ORDER BY position number %1 is out of range of the number of items in the select "
     "list."},
    {111, 15, 1, B, "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch."},
    {113, 15, 1, B, "Missing end comment mark '*/'."},
    {116, 16, 1, B,
     "Only one expression can be specified in the select list when the subquery is not "
     "introduced with EXISTS."},
    {121, 15, 1, B,
     "The select list for the INSERT statement contains %1 items than the insert list. The "
     "number of SELECT values must match the number of INSERT columns."},
    {137, 15, 2, B, "Must declare the scalar variable \"%1\".", kNever, kCompile},
    {141, 15, 1, B,
     "A SELECT statement that assigns a value to a variable must not be combined with "
     "data-retrieval operations."},
    {155, 15, 1, B, "'%1' is not a recognized %2 option."},
    {156, 15, 1, B, "Incorrect syntax near the keyword '%1'.", kNever, kCompile},
    {174, 15, 1, B, "The %1 function requires %2 argument(s).", kNever, kCompile},
    {189, 15, 1, B, "The %1 function requires 2 to 254 arguments.", kNever, kCompile},
    {191, 15, 1, B,
     "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up "
     "into smaller queries."},
    {195, 15, 1, B, "'%1' is not a recognized built-in function name.", kNever, kCompile},
    {201, 16, 4, B, "Procedure or function '%1' expects parameter '%2', which was not supplied."},
    {205, 16, 1, B,
     "All queries combined using a UNION, INTERSECT or EXCEPT operator must have an equal "
     "number of expressions in their target lists."},
    {206, 16, 2, B, "Operand type clash: %1 is incompatible with %2"},
    {207, 16, 1, B, "Invalid column name '%1'.", kNever, kCompile},
    {208, 16, 1, B, "Invalid object name '%1'.", kNever, kCompile},
    {209, 16, 1, B, "Ambiguous column name '%1'.", kNever, kCompile},
    {213, 16, 1, B, "Column name or number of supplied values does not match table definition."},
    {217, 16, 1, B,
     "Maximum stored procedure, function, trigger, or view nesting level exceeded (limit %1)."},
    {219, 16, 1, B, "The type '%1' already exists, or you do not have permission to create it."},
    {220, 16, 1, S, "Arithmetic overflow error for data type %1, value = %2.", kChanging},
    {226, 16, 6, B, "%1 statement not allowed within multi-statement transaction."},
    {232, 16, 1, S, "Arithmetic overflow error for type %1, value = %2.", kChanging},
    {234, 16, 1, B, "There is insufficient result space to convert a money value to %1."},
    {235, 16, 1, B, "Cannot convert a char value to money. The char value has incorrect syntax."},
    {236, 16, 1, B,
     "The conversion from char data type to money resulted in a money overflow error."},
    {241, 16, 1, B, "Conversion failed when converting date and/or time from character string."},
    {242, 16, 3, B,
     "The conversion of a %1 data type to a %2 data type resulted in an out-of-range value."},
    {243, 16, 1, B, "Type %1 is not a defined system type."},
    {244, 16, 1, B,
     "The conversion of the %1 value '%2' overflowed an %3 column. Use a larger integer "
     "column."},
    {245, 16, 1, B, "Conversion failed when converting the %1 value '%2' to data type %3."},
    {248, 16, 1, B, "The conversion of the %1 value '%2' overflowed an int column."},
    {259, 16, 1, B, "Ad hoc updates to system catalogs are not allowed."},
    {263, 16, 1, B, "Must specify table to select from."},
    {266, 16, 2, S,
     "Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT "
     "statements. Previous count = %1, current count = %2."},
    {281, 16, 1, B,
     "%1 is not a valid style number when converting from %2 to a character string."},
    {292, 16, 1, B, "There is insufficient result space to convert a smallmoney value to %1."},
    {293, 16, 1, B,
     "Cannot convert char value to smallmoney. The char value has incorrect syntax."},
    {294, 16, 1, B,
     "The conversion from char data type to smallmoney data type resulted in a smallmoney "
     "overflow error."},
    {295, 16, 1, B,
     "Conversion failed when converting character string to smalldatetime data type."},
    {506, 16, 1, B, "The invalid escape character \"%1\" was specified in a LIKE predicate."},
    {512, 16, 1, S,
     "Subquery returned more than 1 value. This is not permitted when the subquery follows =, "
     "!=, <, <= , >, >= or when the subquery is used as an expression."},
    {515, 16, 2, S,
     "Cannot insert the value NULL into column '%1', table '%2'; column does not allow nulls. "
     "%3 fails.",
     kAlways},
    {517, 16, 1, B, "Adding a value to a '%1' column caused an overflow."},
    {529, 16, 1, B, "Explicit conversion from data type %1 to %2 is not allowed."},
    {535, 16, 1, B,
     "The datediff function resulted in an overflow. The number of dateparts separating two "
     "date/time instances is too large. Try to use datediff with a less precise datepart."},
    {536, 16, 1, B, "Invalid length parameter passed to the right function."},
    {537, 16, 1, B, "Invalid length parameter passed to the LEFT or SUBSTRING function."},
    {544, 16, 1, B,
     "Cannot insert explicit value for identity column in table '%1' when IDENTITY_INSERT is "
     "set to OFF."},
    {545, 16, 1, B,
     "Explicit value must be specified for identity column in table '%1' either when "
     "IDENTITY_INSERT is set to ON or when a replication user is inserting into a NOT FOR "
     "REPLICATION identity column."},
    {547, 16, 0, S,
     "The %1 statement conflicted with the %2 constraint \"%3\". The conflict occurred in "
     "database \"%4\", table \"%5\"%6.",
     kChanging},
    {628, 16, 1, S, "Cannot issue SAVE TRANSACTION when there is no active transaction."},
    {824, 24, 2, B,
     "Database '%1' is damaged: its file '%2' is malformed (%3). Restore the file from a "
     "backup."},
    {911, 16, 1, B, "Database '%1' does not exist. Make sure that the name is entered correctly."},
    {1013, 16, 1, B,
     "The objects \"%1\" and \"%2\" in the FROM clause have the same exposed names. Use "
     "correlation names to distinguish them."},
    {1038, 16, 1, B,
     "An object or column name is missing or empty. For SELECT INTO statements, verify each "
     "column has a name. For other statements, look for empty alias names. Aliases defined as "
     "\"\" or [] are not allowed. Change the alias to a valid name."},
    {1222, 16, 51, B, "Lock request time out period exceeded."},
    {1801, 16, 3, B, "Database '%1' already exists. Choose a different database name."},
    {1802, 16, 4, S,
     "CREATE DATABASE failed. Some file names listed could not be created. Check related "
     "errors."},
    {1911, 16, 1, B, "Column name '%1' does not exist in the target table or view."},
    {1913, 16, 1, B,
     "The operation failed because an index or statistics with name '%1' already exists on "
     "table '%2'."},
    {2601, 14, 1, S, "Cannot insert duplicate key row in object '%1' with unique index '%2'.",
     kAlways},
    {2627, 14, 1, S, "Violation of %1 constraint '%2'. Cannot insert duplicate key in object '%3'.",
     kAlways},
    {2705, 16, 4, B,
     "Column names in each table must be unique. Column name '%1' in table '%2' is specified "
     "more than once."},
    {2714, 16, 6, B, "There is already an object named '%1' in the database."},
    {2715, 16, 6, B, "Column, parameter, or variable #%1: Cannot find data type %2."},
    {2812, 16, 62, B, "Could not find stored procedure '%1'."},
    {3623, 16, 1, S, "An invalid floating point operation occurred."},
    {3701, 11, 1, B,
     "Cannot drop the %1 '%2', because it does not exist or you do not have permission."},
    {3702, 16, 4, B, "Cannot drop database \"%1\" because it is currently in use."},
    {3902, 16, 1, S, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    {3903, 16, 1, S, "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    {3906, 16, 1, B,
     "Failed to update database \"%1\" because the database is read-only. The server folder "
     "'%2' or its files cannot be written."},
    {4060, 11, 1, B, "Cannot open database \"%1\" requested by the login. The login failed."},
    {4104, 16, 1, B, "The multi-part identifier \"%1\" could not be bound.", kNever, kCompile},
    {4901, 16, 1, B,
     "ALTER TABLE only allows columns to be added that can contain nulls, or have a DEFAULT "
     "definition specified, or the column being added is an identity or timestamp column, or "
     "alternatively if none of the previous conditions are satisfied the table must be empty "
     "to allow addition of this column. Column '%1' cannot be added to non-empty table '%2' "
     "because it does not satisfy these conditions."},
    {4917, 16, 0, S, "Constraint '%1' does not exist."},
    {4922, 16, 9, S, "ALTER TABLE %1 failed because one or more objects access this column."},
    {4924, 16, 1, B,
     "ALTER TABLE DROP COLUMN failed because column '%1' does not exist in table '%2'."},
    {5074, 16, 1, S, "The %1 '%2' is dependent on column '%3'."},
    {5105, 16, 2, S,
     "A file activation error occurred. The physical file name '%1' may be incorrect. Diagnose "
     "and correct additional errors, and retry the operation."},
    {5120, 16, 101, B, "Unable to open the file '%1' of database '%2': %3."},
    {5123, 16, 1, B,
     "CREATE FILE encountered operating system error while attempting to open or create the "
     "physical file '%1': %2"},
    {5172, 16, 1, B, "The file '%1' of database '%2' is not a database of this server."},
    // Informational: sent as INFO tokens with class 0, as SQL Server does at login and USE.
    {5701, 0, 2, B, "Changed database context to '%1'."},
    {5703, 0, 1, B, "Changed language setting to %1."},
    {6401, 16, 1, S, "Cannot roll back %1. No transaction or savepoint of that name was found."},
    {7119, 16, 1, B, "Attempting to grow LOB beyond maximum allowed size of 2147483647 bytes."},
    {8009, 16, 1, B,
     "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is "
     "incorrect. Parameter \"%1\": Data type %2 is unknown."},
    {8102, 16, 1, B, "Cannot update identity column '%1'."},
    {8106, 16, 1, B,
     "Table '%1' does not have the identity property. Cannot perform SET operation."},
    {8114, 16, 5, B, "Error converting data type %1 to %2."},
    {8115, 16, 2, S, "Arithmetic overflow error converting %1 to data type %2.", kChanging},
    {8116, 16, 1, B, "Argument data type is invalid for argument %1 of %2 function."},
    {8117, 16, 1, B, "Operand data type %1 is invalid for %2 operator."},
    {8120, 16, 1, B,
     "Column '%1' is invalid in the select list because it is not contained in either an "
     "aggregate function or the GROUP BY clause.",
     kNever, kCompile},
    {8134, 16, 1, S, "Divide by zero error encountered."},
    {8144, 16, 2, S, "Procedure or function %1 has too many arguments specified."},
    {8145, 16, 1, B, "%1 is not a parameter for procedure %2."},
    {8152, 16, 14, S, "String or binary data would be truncated.", kAlways},
    {8169, 16, 1, B,
     "Conversion failed when converting from a character string to uniqueidentifier."},
    {8178, 16, 1, B,
     "The parameterized query expects the parameter ':%1', which was not supplied."},
    {8179, 16, 4, B, "Could not find prepared statement with handle %1."},
    {9810, 16, 1, B, "The datepart %1 is not supported by date function %2 for data type date."},
    {10704, 15, 1, B,
     "To rethrow an error, a THROW statement must be used inside a CATCH block. Insert the "
     "THROW statement inside a CATCH block, or add error parameters to the THROW statement."},
    {15036, 16, 1, B, "The data type '%1' does not exist."},
    {18456, 14, 1, B, "Login failed for user '%1'."},
    {50000, 16, 1, B, "Internal error: %1"},
};

constexpr Variant kVariants[] = {
    // sp_executesql, sp_prepare... called with fewer parameters than they take.
    {1, {201, 16, 4, B, "Procedure or function '%1' expects a parameter which was not supplied."}},
    // A transaction manager request of a kind this server does not know.
    {1, {8009, 16, 1, B, "The transaction manager request is not supported."}},
    // An RPC parameter whose name could not stand in a statement.
    {1, {8145, 16, 1, B, "%1 is not a valid parameter name."}},
};

constexpr bool sortedByNumber() {
    for (size_t i = 1; i < std::size(kMessages); ++i)
        if (kMessages[i - 1].number >= kMessages[i].number) return false;
    return true;
}
static_assert(sortedByNumber(), "messages are looked up by number: keep them in order, once each");

constexpr bool variantsInOrder() {
    for (size_t i = 1; i < std::size(kVariants); ++i) {
        const Variant& a = kVariants[i - 1];
        const Variant& b = kVariants[i];
        if (a.message.number > b.message.number ||
            (a.message.number == b.message.number && a.wording >= b.wording))
            return false;
    }
    return true;
}
static_assert(variantsInOrder(), "keep the other wordings in order of number, then wording");

}  // namespace

std::span<const Message> messages() {
    return kMessages;
}

const Message* findMessage(int number) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), number,
                               [](const Message& m, int n) { return m.number < n; });
    return it != std::end(kMessages) && it->number == number ? it : nullptr;
}

std::span<const Variant> variants() {
    return kVariants;
}

const Message* findVariant(int number, int wording) {
    for (const Variant& v : kVariants)
        if (v.message.number == number && v.wording == wording) return &v.message;
    return nullptr;
}

std::string formatMessage(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size() + 32);
    for (size_t i = 0; i < text.size(); ++i) {
        // %1..%9: arguments never hold a placeholder of their own that is read again.
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const size_t k = static_cast<size_t>(text[i + 1] - '1');
            if (k < args.size()) out += *(args.begin() + k);
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

namespace {

Error errorOf(int number, const Message* m, std::initializer_list<std::string_view> args,
              int line) {
    if (!m) return Error(number, "Error " + std::to_string(number), 16, 1, line);
    Error e(number, formatMessage(m->text, args), m->severity, m->state, line);
    e.abortsBatch = m->ends == Ends::Batch;
    return e;
}

}  // namespace

Error raise(int number, std::initializer_list<std::string_view> args, int line) {
    return errorOf(number, findMessage(number), args, line);
}

Error raiseVariant(int number, int wording, std::initializer_list<std::string_view> args,
                   int line) {
    return errorOf(number, findVariant(number, wording), args, line);
}

Error raiseText(int number, std::string text, int line) {
    const Message* m = findMessage(number);
    Error e(number, std::move(text), m ? m->severity : 16, m ? m->state : 1, line);
    e.abortsBatch = !m || m->ends == Ends::Batch;
    return e;
}

}  // namespace tsqlite
