#pragma once
// sp_sproc_columns, the catalog procedure ODBC drivers call for SQLProcedureColumns: a
// procedure's return value and parameters with their ODBC types, read from the procedure's
// definition in the server directory.
#include <string>

#include "tsqlite/session.h"

namespace tsqlite::tds {

// name and owner as ODBC passes them (search patterns whose "\_", "\%" and "\\" stand for
// themselves); an unknown procedure gives no rows.
ResultSet procedureColumns(const std::string& serverDir, const std::string& database,
                           const std::string& owner, const std::string& name);

}  // namespace tsqlite::tds
