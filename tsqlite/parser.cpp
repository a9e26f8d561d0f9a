// Tokens, names and types, and the dispatch of statements by their first word.
#include "tsqlite/parser.h"

#include <charconv>

#include "tsqlite/messages.h"
#include "tsqlite/parser_internal.h"

namespace tsqlite::parsing {

Error tooDeep(int line) {
    return raise(191, {}, line);
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

bool isTableHint(const std::string& u) {
    static constexpr std::string_view kHints =
        " NOLOCK READUNCOMMITTED UPDLOCK REPEATABLEREAD SERIALIZABLE READCOMMITTED TABLOCK"
        " TABLOCKX PAGLOCK ROWLOCK NOWAIT READPAST XLOCK HOLDLOCK NOEXPAND INDEX FASTFIRSTROW"
        " FORCESEEK FORCESCAN KEEPIDENTITY KEEPDEFAULTS SNAPSHOT IGNORE_CONSTRAINTS"
        " IGNORE_TRIGGERS READCOMMITTEDLOCK ";
    if (u.empty()) return false;
    return kHints.find(" " + u + " ") != std::string_view::npos;
}

void Parser::failAt(const Token& t) {
    if (t.kind == Tok::Error && lexError_) throw *lexError_;
    if (t.kind == Tok::End) {
        int line = p_ > 0 ? toks_[p_ - 1].line : t.line;
        throw errors::syntaxAtEnd(line);
    }
    if (t.kind == Tok::Ident && t.reserved) throw raise(156, {t.text}, t.line);
    std::string near = (t.kind == Tok::String || t.kind == Tok::NString || t.kind == Tok::Ident)
                           ? t.text
                           : text_.substr(t.offset, t.end - t.offset);
    throw errors::syntax(near, t.line);
}

std::string Parser::name() {
    if (!isName(cur())) fail();
    std::string s = cur().text;
    advance();
    return s;
}

ObjectName Parser::objectName(size_t maxParts) {
    ObjectName n;
    n.parts.push_back(name());
    while (atOp(".")) {
        if (n.parts.size() >= maxParts) fail();
        advance();
        if (atOp(".")) {
            n.parts.emplace_back();
            continue;
        }
        if (cur().kind != Tok::Ident) fail();
        n.parts.push_back(cur().text);
        advance();
    }
    return n;
}

long long Parser::integerLiteral() {
    bool neg = false;
    if (atOp("-") || atOp("+")) {
        neg = atOp("-");
        advance();
    }
    if (cur().kind != Tok::Integer) fail();
    long long v = 0;
    const std::string& t = cur().text;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size()) fail();
    advance();
    return neg ? -v : v;
}

TypeName Parser::typeName() {
    TypeName t;
    t.pos = posOf(cur());
    if (atKw("DOUBLE")) {
        advance();
        expectKw("PRECISION");
        t.name = "float";
        return t;
    }
    t.name = objectName(3).name();  // sys.int, dbo.IdNo
    if (atOp("(")) {
        advance();
        while (true) {
            if (atKw("MAX")) {
                advance();
                t.args.push_back(-1);
            } else {
                long long v = integerLiteral();
                if (v < INT_MIN || v > INT_MAX) fail();
                t.args.push_back(static_cast<int>(v));
            }
            if (!acceptOp(",")) break;
        }
        expectOp(")");
    }
    return t;
}

void Parser::skipParens() {
    expectOp("(");
    int level = 1;
    while (level > 0) {
        if (cur().kind == Tok::End || cur().kind == Tok::Error) fail();
        if (atOp("(")) ++level;
        if (atOp(")")) --level;
        advance();
    }
}

StmtPtr Parser::makeStmt(StmtKind kind, const Token& at) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->pos = posOf(at);
    return s;
}

StmtPtr Parser::blockOf(std::vector<StmtPtr> list, const Token& at) {
    if (list.size() == 1) return std::move(list[0]);
    StmtPtr b = makeStmt(StmtKind::Block, at);
    b->body = std::move(list);
    return b;
}

StmtPtr Parser::statement(bool first) {
    Nest n(*this, statementDepth_, kMaxStatementNesting);
    const Token& t = cur();
    size_t startTok = p_;
    queryHeight_ = 0;
    // Statements share no expressions: heights of earlier ones are no longer needed.
    if (!height_.empty()) height_.clear();
    StmtPtr s;
    if (atOp(";")) {
        s = makeStmt(StmtKind::Empty, t);
        advance();
        s->sourceEnd = prevEnd_;
        return s;
    }
    if (atOp("(")) {
        s = selectStatement();
    } else if (t.kind == Tok::Ident && !t.quoted && t.reserved) {
        s = keywordStatement(t, first);
    } else if (isKw(t, "THROW") && !isOp(peek(), ".") &&
               (!first || peek().kind != Tok::Ident || isKw(peek(), "END"))) {
        s = throwStatement();
    } else if (first && isName(t)) {
        // A batch that starts with a bare name calls that procedure.
        s = execBody(t);
    } else {
        fail();
    }
    if (p_ == startTok) fail();  // never loop without progress
    if (s->kind != StmtKind::CreateProcedure) s->sourceEnd = prevEnd_;
    acceptOp(";");
    return s;
}

StmtPtr Parser::keywordStatement(const Token& t, bool first) {
    const std::string& u = t.upper;
    if (u == "SELECT") return selectStatement();
    if (u == "INSERT") return insertStatement();
    if (u == "UPDATE") return updateStatement();
    if (u == "DELETE") return deleteStatement();
    if (u == "TRUNCATE") return truncateStatement();
    if (u == "CREATE") return createStatement(first, false);
    if (u == "ALTER") return alterStatement(first);
    if (u == "DROP") return dropStatement();
    if (u == "USE") return useStatement();
    if (u == "DECLARE") return declareStatement();
    if (u == "SET") return setStatement();
    if (u == "IF") return ifStatement();
    if (u == "WHILE") return whileStatement();
    if (u == "BEGIN") return beginStatement();
    if (u == "BREAK") return wordStatement(StmtKind::Break);
    if (u == "CONTINUE") return wordStatement(StmtKind::Continue);
    if (u == "RETURN") return returnStatement();
    if (u == "EXEC" || u == "EXECUTE") {
        advance();
        return execBody(t);
    }
    if (u == "COMMIT" || u == "ROLLBACK") return commitRollback();
    if (u == "SAVE") return saveStatement();
    if (u == "RAISERROR") return raiserror();
    if (u == "PRINT") return printStatement();
    fail();
}

StmtPtr Parser::wordStatement(StmtKind kind) {
    StmtPtr s = makeStmt(kind, cur());
    advance();
    return s;
}

bool Parser::isValueToken(const Token& t) {
    switch (t.kind) {
        case Tok::Integer:
        case Tok::Decimal:
        case Tok::Float:
        case Tok::String:
        case Tok::NString:
        case Tok::Binary:
        case Tok::Money:
        case Tok::Variable:
        case Tok::Parameter:
            return true;
        default:
            return false;
    }
}

bool Parser::canStartExpr(const Token& t) const {
    if (isValueToken(t)) return true;
    switch (t.kind) {
        case Tok::Op:
            return t.text == "(" || t.text == "-" || t.text == "+" || t.text == "~";
        case Tok::Ident:
            if (t.quoted || !t.reserved) return true;
            for (const char* k : {"NULL", "CASE", "CONVERT", "COALESCE", "NULLIF", "EXISTS", "NOT",
                                  "LEFT", "RIGHT", "CURRENT_TIMESTAMP", "CURRENT_USER",
                                  "SESSION_USER", "SYSTEM_USER", "USER", "TRY_CONVERT"})
                if (t.upper == k) return true;
            return false;
        default:
            return false;
    }
}

}  // namespace tsqlite::parsing

namespace tsqlite {

std::unique_ptr<ast::Batch> parseBatch(const std::string& text) {
    return parsing::Parser(text).run();
}

}  // namespace tsqlite
