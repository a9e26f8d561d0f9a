#pragma once
// SQL Server's scalar semantics, as C++ functions and as SQLite functions ("tsq_*") plus the
// "TSQL" collation, registered on every connection the engine opens.
#include <string>
#include <string_view>

#include "tsqlite/error.h"
#include "tsqlite/types.h"

struct sqlite3;

namespace tsqlite {

// Registers the "TSQL" collation and every tsq_* function on a connection.
void registerRuntime(sqlite3* db);

// Converts a stored value of type `from` to type `to` as CAST/CONVERT do (style -1 = none).
// assign = true for a value stored into a column: a string too long for the column raises
// 8152 "String or binary data would be truncated." instead of being cut.
// Throws Error (245, 241, 8114, 8115, 8152 ...) as SQL Server does.
Value convertValue(const Value& v, const SqlType& from, const SqlType& to, int style = -1,
                   bool assign = false);

// Compares two texts as the server's collation does (case-insensitive, accent-sensitive,
// trailing blanks ignored, Thai ordered as Thai). <0, 0, >0.
int collateCompare(std::string_view a, std::string_view b);

// LIKE with %, _, [abc], [a-z], [^a]; case-insensitive; escape = 0 for none.
bool likeMatch(std::string_view value, std::string_view pattern, char32_t escape = 0);

// Current local date and time as 'YYYY-MM-DD HH:MM:SS.mmm'.
std::string currentDateTime();

}  // namespace tsqlite
