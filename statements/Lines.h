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

}  // namespace statements
