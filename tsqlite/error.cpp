#include "tsqlite/error.h"

#include <cstdlib>

#include "tsqlite/messages.h"

namespace tsqlite {
namespace errors {

Error syntax(const std::string& near, int line) {
    return raise(102, {near}, line);
}

Error syntaxAtEnd(int line) {
    return raiseText(102, "Incorrect syntax near the end of the batch.", line);
}

Error invalidObject(const std::string& name) {
    return raise(208, {name});
}

Error invalidColumn(const std::string& name) {
    return raise(207, {name});
}

Error conversion(const std::string& fromType, const std::string& value, const std::string& toType) {
    return raise(245, {fromType, value, toType});
}

Error divideByZero() {
    return raise(8134);
}

Error cannotOpenDatabase(const std::string& name) {
    return raise(4060, {name});
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
