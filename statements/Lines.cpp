#include "statements/Lines.h"

#include "tsqlite/scanner.h"

namespace statements {

std::string lines(std::initializer_list<std::string_view> parts) {
    std::string out;
    bool first = true;
    for (auto p : parts) {
        if (!first) out += '\n';
        out += p;
        first = false;
    }
    return out;
}

std::vector<std::string> runnerStatements(std::string_view script) {
    std::vector<std::string> out;
    for (auto& statement : tsqlite::splitStatements(script))
        out.push_back(std::move(statement.text));
    return out;
}

}  // namespace statements
