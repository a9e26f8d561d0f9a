// Splitting a script into batches at its GO lines, as sqlcmd does.
#include <algorithm>
#include <climits>
#include <string_view>

#include "tsqlite/parser.h"
#include "tsqlite/parser_internal.h"
#include "tsqlite/scanner.h"

namespace tsqlite {

namespace {

using parsing::iequals;

bool blankLine(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') return false;
    return true;
}

// "GO", "go 3", "  GO  -- done": returns the repeat count, or 0 when the line is no GO line.
int goLine(std::string_view line) {
    size_t i = 0, n = line.size();
    auto blanks = [&] {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    };
    blanks();
    if (i + 2 > n || !iequals(line.substr(i, 2), "GO")) return 0;
    i += 2;
    size_t afterGo = i;
    blanks();
    bool comment = i + 1 < n && line[i] == '-' && line[i + 1] == '-';
    if (i == afterGo && i < n && !comment) return 0;  // GOTO, GO5: words, not separators
    int count = 1;
    if (i < n && line[i] >= '0' && line[i] <= '9') {
        long long v = 0;
        while (i < n && line[i] >= '0' && line[i] <= '9') {
            v = std::min<long long>(v * 10 + (line[i] - '0'), INT_MAX);
            ++i;
        }
        count = std::max<long long>(v, 1);
        blanks();
    }
    if (i < n && !(line[i] == '-' && i + 1 < n && line[i + 1] == '-')) return 0;
    return count;
}

}  // namespace

std::vector<ScriptBatch> splitScript(const std::string& script) {
    std::vector<ScriptBatch> out;
    size_t n = script.size(), i = 0, batchStart = 0;
    int line = 1, batchLine = 1;
    Scanner scanner;  // GO inside a string or comment is text, as sqlcmd reads it
    bool lineStart = true;
    auto flush = [&](size_t end, int repeat) {
        std::string_view text(script.data() + batchStart, end - batchStart);
        if (!blankLine(text)) out.push_back({std::string(text), batchLine, repeat});
    };
    while (i < n) {
        if (lineStart && scanner.inCode()) {
            size_t eol = script.find('\n', i);
            if (eol == std::string::npos) eol = n;
            if (int repeat = goLine(std::string_view(script).substr(i, eol - i))) {
                flush(i, repeat);
                i = eol < n ? eol + 1 : n;
                ++line;
                batchStart = i;
                batchLine = line;
                continue;
            }
        }
        lineStart = false;
        const size_t next = scanner.step(script, i);
        for (size_t k = i; k < next; ++k) {
            if (script[k] == '\n') {
                ++line;
                lineStart = true;
            }
        }
        i = next;
    }
    flush(n, 1);
    return out;
}

}  // namespace tsqlite
