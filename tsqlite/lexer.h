#pragma once
// Tokenizer for T-SQL batches. The whole batch is tokenized up front; a lexical error (an
// unclosed quote or comment, an over-long identifier) ends the token list with an Error token
// so that the parser still reports an earlier syntax error first.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tsqlite/error.h"

namespace tsqlite {

enum class Tok {
    End,
    Error,
    Ident,      // plain, [bracketed] or "quoted"; also #temp names
    Variable,   // @v, @@ROWCOUNT (text keeps the @ signs)
    Parameter,  // :name (text without the colon)
    String,     // 'abc' (text unescaped)
    NString,    // N'abc'
    Integer,
    Decimal,
    Float,
    Binary,  // 0x1F (text holds the hex digits)
    Money,   // $12.50 (text without the '$')
    Op,      // punctuation and operators, including unknown single characters
};

struct Token {
    Tok kind = Tok::End;
    std::string text;
    std::string upper;      // unquoted identifiers only: ASCII upper case, for keyword tests
    bool quoted = false;    // [x] or "x"
    bool reserved = false;  // unquoted reserved keyword
    int line = 1;
    int column = 1;
    int offset = 0;
    int end = 0;  // byte offset just past the token
};

struct LexResult {
    std::vector<Token> tokens;  // always ends with an End or an Error token
    std::optional<Error> error;
};

LexResult lex(std::string_view text);

// True for SQL Server's reserved keywords (given in upper case).
bool isReservedKeyword(std::string_view upper);

}  // namespace tsqlite
