#pragma once
// The one reader of T-SQL text that everything cutting or searching statement text goes
// through: the engine's lexer, the client's :name parameters, the client's script runner and
// the statement texts' own helpers. It knows only where strings, quoted names and comments
// begin and end, as SQL Server reads them, so that a ";", a "/" line or a ":name" inside one
// of them is never taken for code. Standard library only: the client and the statement texts
// use it without the rest of the engine.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tsqlite {

// Where a reader of the text stands.
enum class Region : unsigned char {
    Code,
    String,        // '...' (N'...' too: the N is code), '' stands for '
    QuotedName,    // "...", "" stands for "
    BracketName,   // [...], ]] stands for ]
    LineComment,   // -- up to the end of the line
    BlockComment,  // /* ... */, nested as SQL Server nests them
};

// Walks a text unit by unit. It can be fed a text in pieces (the script runner reads line by
// line), keeping its region from one piece to the next.
class Scanner {
public:
    Region region() const { return region_; }
    bool inCode() const { return region_ == Region::Code; }

    // Reads the unit at text[i] and returns the index just past it. In code, an opening
    // quote, bracket, "--" or "/*" enters its region; any other byte is a unit of its own.
    // Inside a region, a doubled closing quote or bracket is one unit, the closing mark
    // returns to code, and "/*" and "*/" count nesting. A line break ends a "--" comment
    // without being consumed (the next step reads it as code).
    size_t step(std::string_view text, size_t i);

    // A line break that is not part of the text fed (the text is fed a line at a time).
    void endLine() {
        if (region_ == Region::LineComment) region_ = Region::Code;
    }

private:
    Region region_ = Region::Code;
    int depth_ = 0;
};

// The string, quoted name or comment starting at text[begin].
struct Span {
    Region region = Region::Code;  // Code: none starts there
    size_t end = 0;                // just past its closing mark, or where the text ends
    bool closed = true;            // false when the text ends inside it ("--" is always closed)
};
Span runAt(std::string_view text, size_t begin);

// The content of a string or quoted name run (its marks removed, doubled closers halved).
std::string unquote(std::string_view run);

// Bytes of a :name parameter's name: ASCII letters and digits, "_", and every byte of a
// multi-byte UTF-8 sequence (names may be in any script).
inline bool isParameterNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// A colon in code: a :name parameter, or "::", which stands for a literal colon.
struct ColonMark {
    size_t offset = 0;  // of the (first) colon
    size_t end = 0;     // just past the name, or past "::"
    bool literal = false;
    std::string_view name(std::string_view text) const {
        return literal ? std::string_view() : text.substr(offset + 1, end - offset - 1);
    }
};
std::vector<ColonMark> colonMarks(std::string_view text);

// Parameter names in order of first use, each once (names differing only in ASCII letter case
// are one parameter, as the engine binds them).
std::vector<std::string> parameterNames(std::string_view text);

// How the client's script runner cuts a script into statements.
struct ScriptRules {
    char term = '/';            // a line holding only this character ends a statement
    bool semicolonTerm = true;  // a semicolon inside a line ends a statement as well
};

struct ScriptStatement {
    std::string text;  // its lines, trimmed, joined with "\n"
    int line = 0;      // 1-based number of the line that ended it
};

// Cuts a script into statements as the client's script runner sends them:
//  - lines end at "\r\n", "\n" or "\r"; each is trimmed of blanks (Unicode white space
//    included); empty lines are dropped;
//  - a line holding only the terminator ends the current statement;
//  - in a line with a semicolon, the part before the first one ends the current statement and
//    the rest of the line, trimmed, starts the next (taken whole, even with a further
//    semicolon; semicolons at its start are skipped, they would only end empty statements);
//  - any other line is added to the current statement; the end of the text ends it as well;
//  - a statement without lines is skipped.
// Only a semicolon or terminator line that the server reads as code counts.
std::vector<ScriptStatement> splitStatements(std::string_view script,
                                             const ScriptRules& rules = {});

}  // namespace tsqlite
