#pragma once
// A statement held as a list of program lines reaches the server with the lines joined by
// line breaks.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace statements {

std::string lines(std::initializer_list<std::string_view> parts);

// The statements of a script as the client's script runner sends them: cut at lines holding
// only "/" and at semicolons in code (see tsqlite::splitStatements).
std::vector<std::string> runnerStatements(std::string_view script);

// A search dialog's title click: the line holding "ORDER BY " (in any letter case) orders by
// the column at `position` (1 for the first) instead, descending when asked. A line without
// it is returned as it is.
bool holdsOrderBy(std::string_view line);
std::string orderedByPosition(std::string_view line, int position, bool descending);

}  // namespace statements
