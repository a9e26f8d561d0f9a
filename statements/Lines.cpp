#include "statements/Lines.h"

#include <sstream>

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

std::vector<std::string> slashStatements(const std::string& script) {
    std::vector<std::string> out(1);
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) {
        if (line == "/") {
            out.emplace_back();
        } else {
            out.back() += line + '\n';
        }
    }
    if (out.back().empty()) out.pop_back();
    return out;
}

}  // namespace statements
