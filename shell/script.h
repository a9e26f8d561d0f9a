#pragma once
// A script file's text as its batches expect it.
#include <string>

namespace shell {

// Drops a UTF-8 byte order mark and the carriage returns of CRLF line ends.
std::string normalizeScript(std::string text);

}  // namespace shell
