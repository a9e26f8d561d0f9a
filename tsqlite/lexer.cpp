#include "tsqlite/lexer.h"

#include <algorithm>
#include <iterator>

#include "tsqlite/messages.h"
#include "tsqlite/scanner.h"

namespace tsqlite {

namespace {

constexpr size_t kMaxIdentifier = 128;

// SQL Server's reserved keywords, sorted for binary search.
constexpr std::string_view kReserved[] = {
    "ADD",
    "ALL",
    "ALTER",
    "AND",
    "ANY",
    "AS",
    "ASC",
    "AUTHORIZATION",
    "BACKUP",
    "BEGIN",
    "BETWEEN",
    "BREAK",
    "BROWSE",
    "BULK",
    "BY",
    "CASCADE",
    "CASE",
    "CHECK",
    "CHECKPOINT",
    "CLOSE",
    "CLUSTERED",
    "COALESCE",
    "COLLATE",
    "COLUMN",
    "COMMIT",
    "COMPUTE",
    "CONSTRAINT",
    "CONTAINS",
    "CONTAINSTABLE",
    "CONTINUE",
    "CONVERT",
    "CREATE",
    "CROSS",
    "CURRENT",
    "CURRENT_DATE",
    "CURRENT_TIME",
    "CURRENT_TIMESTAMP",
    "CURRENT_USER",
    "CURSOR",
    "DATABASE",
    "DBCC",
    "DEALLOCATE",
    "DECLARE",
    "DEFAULT",
    "DELETE",
    "DENY",
    "DESC",
    "DISK",
    "DISTINCT",
    "DISTRIBUTED",
    "DOUBLE",
    "DROP",
    "DUMP",
    "ELSE",
    "END",
    "ERRLVL",
    "ESCAPE",
    "EXCEPT",
    "EXEC",
    "EXECUTE",
    "EXISTS",
    "EXIT",
    "EXTERNAL",
    "FETCH",
    "FILE",
    "FILLFACTOR",
    "FOR",
    "FOREIGN",
    "FREETEXT",
    "FREETEXTTABLE",
    "FROM",
    "FULL",
    "FUNCTION",
    "GOTO",
    "GRANT",
    "GROUP",
    "HAVING",
    "HOLDLOCK",
    "IDENTITY",
    "IDENTITYCOL",
    "IDENTITY_INSERT",
    "IF",
    "IN",
    "INDEX",
    "INNER",
    "INSERT",
    "INTERSECT",
    "INTO",
    "IS",
    "JOIN",
    "KEY",
    "KILL",
    "LEFT",
    "LIKE",
    "LINENO",
    "LOAD",
    "MERGE",
    "NATIONAL",
    "NOCHECK",
    "NONCLUSTERED",
    "NOT",
    "NULL",
    "NULLIF",
    "OF",
    "OFF",
    "OFFSETS",
    "ON",
    "OPEN",
    "OPENDATASOURCE",
    "OPENQUERY",
    "OPENROWSET",
    "OPENXML",
    "OPTION",
    "OR",
    "ORDER",
    "OUTER",
    "OVER",
    "PERCENT",
    "PIVOT",
    "PLAN",
    "PRECISION",
    "PRIMARY",
    "PRINT",
    "PROC",
    "PROCEDURE",
    "PUBLIC",
    "RAISERROR",
    "READ",
    "READTEXT",
    "RECONFIGURE",
    "REFERENCES",
    "REPLICATION",
    "RESTORE",
    "RESTRICT",
    "RETURN",
    "REVERT",
    "REVOKE",
    "RIGHT",
    "ROLLBACK",
    "ROWCOUNT",
    "ROWGUIDCOL",
    "RULE",
    "SAVE",
    "SCHEMA",
    "SECURITYAUDIT",
    "SELECT",
    "SEMANTICKEYPHRASETABLE",
    "SEMANTICSIMILARITYDETAILSTABLE",
    "SEMANTICSIMILARITYTABLE",
    "SESSION_USER",
    "SET",
    "SETUSER",
    "SHUTDOWN",
    "SOME",
    "STATISTICS",
    "SYSTEM_USER",
    "TABLE",
    "TABLESAMPLE",
    "TEXTSIZE",
    "THEN",
    "TO",
    "TOP",
    "TRAN",
    "TRANSACTION",
    "TRIGGER",
    "TRUNCATE",
    "TRY_CONVERT",
    "TSEQUAL",
    "UNION",
    "UNIQUE",
    "UNPIVOT",
    "UPDATE",
    "UPDATETEXT",
    "USE",
    "USER",
    "VALUES",
    "VARYING",
    "VIEW",
    "WAITFOR",
    "WHEN",
    "WHERE",
    "WHILE",
    "WITH",
    "WITHIN",
    "WRITETEXT",
};
static_assert(std::is_sorted(std::begin(kReserved), std::end(kReserved)));

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// Bytes of multi-byte UTF-8 sequences count as letters: names may be in any script.
bool isHigh(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}
bool identStart(char c) {
    return isAlpha(c) || c == '_' || c == '#' || isHigh(c);
}
bool identPart(char c) {
    return isAlpha(c) || isDigit(c) || c == '_' || c == '#' || c == '@' || c == '$' || isHigh(c);
}

std::string upperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

class Lexer {
public:
    explicit Lexer(std::string_view src) : s_(src) {}

    LexResult run() {
        LexResult out;
        out.tokens.reserve(s_.size() / 5 + 8);
        while (true) {
            if (!skipBlanks(out)) break;
            if (i_ >= s_.size()) {
                Token t = start(Tok::End);
                t.end = t.offset;
                out.tokens.push_back(std::move(t));
                break;
            }
            if (!next(out)) break;
        }
        return out;
    }

private:
    std::string_view s_;
    size_t i_ = 0;
    int line_ = 1;
    size_t lineStart_ = 0;

    char at(size_t k) const { return k < s_.size() ? s_[k] : '\0'; }

    // Moves past one byte, keeping line and column bookkeeping right.
    void step() {
        if (s_[i_] == '\n') {
            ++line_;
            lineStart_ = i_ + 1;
        }
        ++i_;
    }

    Token start(Tok kind) const {
        Token t;
        t.kind = kind;
        t.line = line_;
        t.column = static_cast<int>(i_ - lineStart_) + 1;
        t.offset = static_cast<int>(i_);
        return t;
    }

    void fail(LexResult& out, Token at, Error e) {
        at.kind = Tok::Error;
        at.end = static_cast<int>(i_);
        e.line = at.line;
        out.error = std::move(e);
        out.tokens.push_back(std::move(at));
    }

    // Moves to `end`, counting the line breaks passed over.
    void advanceTo(size_t end) {
        while (i_ < end) step();
    }

    // Skips white space and comments; false after a lexical error.
    bool skipBlanks(LexResult& out) {
        while (i_ < s_.size()) {
            char c = s_[i_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                step();
                continue;
            }
            if (c != '-' && c != '/') break;  // the only bytes a comment starts with
            const Span run = runAt(s_, i_);
            if (run.region != Region::LineComment && run.region != Region::BlockComment) break;
            Token open = start(Tok::Error);
            advanceTo(run.end);
            if (!run.closed) {
                fail(out, open, raise(113));
                return false;
            }
        }
        return true;
    }

    // Reads the string or quoted name starting at `from` into `text`; false when the input
    // ends inside it.
    bool quoted(size_t from, std::string& text) {
        const Span run = runAt(s_, from);
        text = unquote(s_.substr(from, run.end - from));
        i_ = from;
        advanceTo(run.end);
        return run.closed;
    }

    bool tooLong(LexResult& out, const Token& t, std::string_view name) {
        if (name.size() <= kMaxIdentifier) return false;
        fail(out, t, raise(103, {std::string(name.substr(0, 128))}));
        return true;
    }

    void scanNumber(Token& t) {
        t.kind = Tok::Integer;
        while (isDigit(at(i_))) ++i_;
        if (at(i_) == '.') {
            t.kind = Tok::Decimal;
            ++i_;
            while (isDigit(at(i_))) ++i_;
        }
        char e = at(i_);
        if (e == 'e' || e == 'E') {
            size_t k = i_ + 1;
            if (at(k) == '+' || at(k) == '-') ++k;
            if (isDigit(at(k))) {
                t.kind = Tok::Float;
                i_ = k;
                while (isDigit(at(i_))) ++i_;
            }
        }
    }

    // Reads one token; false after a lexical error.
    bool next(LexResult& out) {
        char c = s_[i_];
        Token t = start(Tok::Op);
        if ((c == 'N' || c == 'n') && at(i_ + 1) == '\'') {
            t.kind = Tok::NString;
            if (!quoted(i_ + 1, t.text)) return unclosed(out, t);
        } else if (c == '\'') {
            t.kind = Tok::String;
            if (!quoted(i_, t.text)) return unclosed(out, t);
        } else if (c == '[' || c == '"') {
            t.kind = Tok::Ident;
            t.quoted = true;
            if (!quoted(i_, t.text)) return unclosed(out, t);
            if (tooLong(out, t, t.text)) return false;
        } else if (identStart(c)) {
            t.kind = Tok::Ident;
            while (i_ < s_.size() && identPart(s_[i_])) ++i_;
            t.text.assign(s_.substr(t.offset, i_ - t.offset));
            if (tooLong(out, t, t.text)) return false;
            t.upper = upperAscii(t.text);
            t.reserved = isReservedKeyword(t.upper);
        } else if (c == '@') {
            ++i_;
            if (i_ < s_.size() && identPart(s_[i_])) {
                t.kind = Tok::Variable;
                while (i_ < s_.size() && identPart(s_[i_])) ++i_;
            }
            t.text.assign(s_.substr(t.offset, i_ - t.offset));
            if (tooLong(out, t, t.text)) return false;
        } else if (c == ':' && isParameterNameByte(at(i_ + 1))) {
            t.kind = Tok::Parameter;
            ++i_;
            while (i_ < s_.size() && isParameterNameByte(s_[i_])) ++i_;
            t.text.assign(s_.substr(t.offset + 1, i_ - t.offset - 1));
        } else if (c == '0' && (at(i_ + 1) == 'x' || at(i_ + 1) == 'X')) {
            t.kind = Tok::Binary;
            i_ += 2;
            while (isHex(at(i_))) ++i_;
            t.text.assign(s_.substr(t.offset + 2, i_ - t.offset - 2));
        } else if (isDigit(c) || (c == '.' && isDigit(at(i_ + 1)) && !afterName(out))) {
            scanNumber(t);
            t.text.assign(s_.substr(t.offset, i_ - t.offset));
        } else if (c == '$' &&
                   (isDigit(at(i_ + 1)) || (at(i_ + 1) == '.' && isDigit(at(i_ + 2))))) {
            ++i_;
            size_t from = i_;
            while (isDigit(at(i_))) ++i_;
            if (at(i_) == '.') {
                ++i_;
                while (isDigit(at(i_))) ++i_;
            }
            t.kind = Tok::Money;
            t.text.assign(s_.substr(from, i_ - from));
        } else {
            // Two-character operators: <= >= <> != !< !> and "::" (rejected by the parser).
            char d = at(i_ + 1);
            bool two = (c == '<' && (d == '=' || d == '>')) || (c == '>' && d == '=') ||
                       (c == '!' && (d == '=' || d == '<' || d == '>')) || (c == ':' && d == ':');
            size_t len = two ? 2 : 1;
            i_ += len;
            t.text.assign(s_.substr(t.offset, len));
        }
        t.end = static_cast<int>(i_);
        out.tokens.push_back(std::move(t));
        return true;
    }

    // "t.5" is a name followed by a dot, not a number.
    bool afterName(const LexResult& out) const {
        if (out.tokens.empty()) return false;
        const Token& p = out.tokens.back();
        return p.end == static_cast<int>(i_) && (p.kind == Tok::Ident || p.kind == Tok::Variable);
    }

    bool unclosed(LexResult& out, Token t) {
        std::string shown = t.text.size() > 4000 ? t.text.substr(0, 4000) : t.text;
        fail(out, t, raise(105, {shown}));
        return false;
    }
};

}  // namespace

bool isReservedKeyword(std::string_view upper) {
    return std::binary_search(std::begin(kReserved), std::end(kReserved), upper);
}

LexResult lex(std::string_view text) {
    return Lexer(text).run();
}

}  // namespace tsqlite
