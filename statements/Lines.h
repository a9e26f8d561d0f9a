#pragma once
// A statement held as a list of program lines reaches the server with the lines joined by
// line breaks.
#include <initializer_list>
#include <string>
#include <string_view>

namespace statements {

std::string lines(std::initializer_list<std::string_view> parts);

}  // namespace statements
