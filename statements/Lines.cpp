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

namespace {

constexpr std::string_view kOrderBy = "ORDER BY ";

size_t orderByAt(std::string_view line) {
    for (size_t at = 0; at + kOrderBy.size() <= line.size(); ++at) {
        bool same = true;
        for (size_t k = 0; same && k < kOrderBy.size(); ++k) {
            const auto c = static_cast<unsigned char>(line[at + k]);
            same = (c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) == kOrderBy[k];
        }
        if (same) return at;
    }
    return std::string_view::npos;
}

}  // namespace

bool holdsOrderBy(std::string_view line) {
    return orderByAt(line) != std::string_view::npos;
}

std::string orderedByPosition(std::string_view line, int position, bool descending) {
    const size_t at = orderByAt(line);
    if (at == std::string_view::npos) return std::string(line);
    // What followed the clause (another order, a direction) goes with it.
    return std::string(line.substr(0, at)) + "Order By " + std::to_string(position) +
           (descending ? " Desc" : "");
}

}  // namespace statements
