#include "tsqlite/error.h"

#include <cstdlib>

namespace tsqlite {
namespace errors {

Error syntax(const std::string& near, int line) {
    return Error(102, "Incorrect syntax near '" + near + "'.", 15, 1, line);
}

Error syntaxAtEnd(int line) {
    return Error(102, "Incorrect syntax near the end of the batch.", 15, 1, line);
}

Error invalidObject(const std::string& name) {
    return Error(208, "Invalid object name '" + name + "'.", 16, 1);
}

Error invalidColumn(const std::string& name) {
    return Error(207, "Invalid column name '" + name + "'.", 16, 1);
}

Error conversion(const std::string& fromType, const std::string& value, const std::string& toType) {
    return Error(245,
                 "Conversion failed when converting the " + fromType + " value '" + value +
                     "' to data type " + toType + ".",
                 16, 1);
}

Error divideByZero() {
    return Error(8134, "Divide by zero error encountered.", 16, 1);
}

Error cannotOpenDatabase(const std::string& name) {
    return Error(4060,
                 "Cannot open database \"" + name + "\" requested by the login. The login failed.",
                 11, 1);
}

}  // namespace errors

// "\x1ftsql:<number>:<severity>:<state>:<message>"
static const char kMarker[] = "\x1ftsql:";

std::string encodeError(const Error& e) {
    return std::string(kMarker) + std::to_string(e.number) + ":" + std::to_string(e.severity) +
           ":" + std::to_string(e.state) + ":" + (e.abortsBatch ? "1" : "0") + ":" + e.message;
}

bool decodeError(const std::string& text, Error& out) {
    auto at = text.find(kMarker);
    if (at == std::string::npos) return false;
    const char* p = text.c_str() + at + sizeof(kMarker) - 1;
    char* end = nullptr;
    int fields[4];
    for (int& f : fields) {
        f = static_cast<int>(std::strtol(p, &end, 10));
        if (*end != ':') return false;
        p = end + 1;
    }
    out = Error(fields[0], p, fields[1], fields[2]);
    out.abortsBatch = fields[3] != 0;
    return true;
}

}  // namespace tsqlite
