#pragma once
// A statement held as a list of program lines reaches the server with the lines joined by
// line breaks.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace statements {

std::string lines(std::initializer_list<std::string_view> parts);

// The statements of a script whose lines holding only "/" end a statement, as the client's
// script runner sends a script without quoted "/" or semicolons.
std::vector<std::string> slashStatements(const std::string& script);

}  // namespace statements
