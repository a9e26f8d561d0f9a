#include "tsqlite/scanner.h"

namespace tsqlite {

size_t Scanner::step(std::string_view text, size_t i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    auto closeOn = [&](char close) {
        if (c != close) return i + 1;
        if (next == close) return i + 2;  // the doubled mark stands for itself
        region_ = Region::Code;
        return i + 1;
    };
    switch (region_) {
        case Region::Code:
            if (c == '\'') {
                region_ = Region::String;
            } else if (c == '"') {
                region_ = Region::QuotedName;
            } else if (c == '[') {
                region_ = Region::BracketName;
            } else if (c == '-' && next == '-') {
                region_ = Region::LineComment;
                return i + 2;
            } else if (c == '/' && next == '*') {
                region_ = Region::BlockComment;
                depth_ = 1;
                return i + 2;
            }
            return i + 1;
        case Region::String:
            return closeOn('\'');
        case Region::QuotedName:
            return closeOn('"');
        case Region::BracketName:
            return closeOn(']');
        case Region::LineComment:
            if (c == '\n') {
                region_ = Region::Code;
                return i;
            }
            return i + 1;
        case Region::BlockComment:
            if (c == '/' && next == '*') {
                ++depth_;
                return i + 2;
            }
            if (c == '*' && next == '/') {
                if (--depth_ == 0) region_ = Region::Code;
                return i + 2;
            }
            return i + 1;
    }
    return i + 1;
}

Span runAt(std::string_view text, size_t begin) {
    Span run;
    run.end = begin;
    if (begin >= text.size()) return run;
    Scanner scanner;
    size_t i = scanner.step(text, begin);
    if (scanner.inCode()) return run;
    run.region = scanner.region();
    while (i < text.size() && !scanner.inCode()) i = scanner.step(text, i);
    run.end = i;
    run.closed = scanner.inCode() || run.region == Region::LineComment;
    return run;
}

std::string unquote(std::string_view run) {
    std::string out;
    if (run.empty()) return out;
    const char close = run[0] == '[' ? ']' : run[0];
    out.reserve(run.size());
    for (size_t i = 1; i < run.size(); ++i) {
        if (run[i] == close) {
            if (i + 1 < run.size() && run[i + 1] == close) {
                out += close;
                ++i;
                continue;
            }
            break;
        }
        out += run[i];
    }
    return out;
}

std::vector<ColonMark> colonMarks(std::string_view text) {
    std::vector<ColonMark> marks;
    Scanner scanner;
    size_t i = 0;
    while (i < text.size()) {
        if (scanner.inCode() && text[i] == ':') {
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (next == ':') {
                marks.push_back({i, i + 2, true});
                i += 2;
                continue;
            }
            if (isParameterNameByte(next)) {
                size_t end = i + 1;
                while (end < text.size() && isParameterNameByte(text[end])) ++end;
                marks.push_back({i, end, false});
                i = end;
                continue;
            }
        }
        i = scanner.step(text, i);
    }
    return marks;
}

namespace {

bool equalsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The length of the white-space character (as Unicode counts it) at s[i], 0 if none.
size_t spaceAt(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned c = b(i);
    if (c == ' ' || (c >= '\t' && c <= '\r')) return 1;
    if (c == 0xC2 && (b(i + 1) == 0x85 || b(i + 1) == 0xA0)) return 2;  // NEL, no-break space
    if (c == 0xE1 && b(i + 1) == 0x9A && b(i + 2) == 0x80) return 3;    // U+1680
    if (c == 0xE2 && b(i + 1) == 0x80 &&
        (b(i + 2) <= 0x8A || b(i + 2) == 0xA8 || b(i + 2) == 0xA9 || b(i + 2) == 0xAF) &&
        b(i + 2) >= 0x80)
        return 3;  // U+2000..U+200A, U+2028, U+2029, U+202F
    if (c == 0xE2 && b(i + 1) == 0x81 && b(i + 2) == 0x9F) return 3;  // U+205F
    if (c == 0xE3 && b(i + 1) == 0x80 && b(i + 2) == 0x80) return 3;  // U+3000
    return 0;
}

// The length of the white-space character that ends s (0 if none).
size_t spaceBefore(std::string_view s) {
    for (size_t len = 1; len <= 3 && len <= s.size(); ++len)
        if (spaceAt(s, s.size() - len) == len) return len;
    return 0;
}

std::string_view trimmed(std::string_view s) {
    while (size_t n = spaceAt(s, 0)) s.remove_prefix(n);
    while (size_t n = spaceBefore(s)) s.remove_suffix(n);
    return s;
}

}  // namespace

std::vector<std::string> parameterNames(std::string_view text) {
    std::vector<std::string> names;
    for (const ColonMark& mark : colonMarks(text)) {
        if (mark.literal) continue;
        const std::string_view name = mark.name(text);
        bool seen = false;
        for (const std::string& have : names) seen = seen || equalsAsciiNoCase(have, name);
        if (!seen) names.emplace_back(name);
    }
    return names;
}

std::vector<ScriptStatement> splitStatements(std::string_view script, const ScriptRules& rules) {
    std::vector<ScriptStatement> statements;
    std::string current;
    bool hasLines = false;
    auto add = [&](std::string_view part) {
        if (hasLines) current += '\n';
        current += part;
        hasLines = true;
    };
    auto finish = [&](int lineNo) {
        if (hasLines) statements.push_back({std::move(current), lineNo});
        current.clear();
        hasLines = false;
    };

    Scanner scanner;
    int lineNo = 0;
    int lastContentLine = 0;
    size_t pos = 0;
    while (pos <= script.size()) {
        size_t eol = script.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos) eol = script.size();
        const std::string_view line = trimmed(script.substr(pos, eol - pos));
        pos = eol + (script.substr(eol, 2) == "\r\n" ? 2 : 1);
        ++lineNo;
        if (line.empty()) continue;
        if (line.size() == 1 && line[0] == rules.term && scanner.inCode()) {
            finish(lineNo);
            continue;
        }
        size_t semicolon = std::string_view::npos;
        for (size_t i = 0; i < line.size();) {
            if (semicolon == std::string_view::npos && rules.semicolonTerm && scanner.inCode() &&
                line[i] == ';') {
                semicolon = i++;
                continue;
            }
            i = scanner.step(line, i);
        }
        scanner.endLine();
        if (semicolon == std::string_view::npos) {
            add(line);
            lastContentLine = lineNo;
            continue;
        }
        const std::string_view before = trimmed(line.substr(0, semicolon));
        if (!before.empty()) add(before);
        finish(lineNo);
        std::string_view rest = line.substr(semicolon + 1);
        while (!rest.empty()) {
            if (rest[0] == ';') {
                rest.remove_prefix(1);
            } else if (size_t n = spaceAt(rest, 0)) {
                rest.remove_prefix(n);
            } else {
                break;
            }
        }
        rest = trimmed(rest);
        if (!rest.empty()) {
            add(rest);
            lastContentLine = lineNo;
        }
    }
    finish(lastContentLine);
    return statements;
}

}  // namespace tsqlite
