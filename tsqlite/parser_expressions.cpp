// Expressions: operators by precedence, literals, names, function calls, CASE, CAST and
// CONVERT, and parenthesised subqueries.
#include "tsqlite/parser_internal.h"

namespace tsqlite::parsing {

int Parser::heightOf(const Expr* e) const {
    if (!e) return 0;
    auto it = height_.find(e);
    return it == height_.end() ? 1 : it->second;
}

ExprPtr Parser::node(ExprKind kind, const Token& at) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->pos = posOf(at);
    return e;
}

ExprPtr Parser::done(ExprPtr e, int minHeight) {
    e->sourceEnd = prevEnd_;
    int h = minHeight;
    for (const auto& a : e->args) h = std::max(h, heightOf(a.get()) + 1);
    if (h > kMaxHeight) throw tooDeep(e->pos.line);
    if (h > 1) height_[e.get()] = h;
    queryHeight_ = std::max(queryHeight_, h);
    return e;
}

ExprPtr Parser::binary(std::string op, ExprPtr l, ExprPtr r) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Binary_;
    e->pos = l->pos;
    e->text = std::move(op);
    e->args.push_back(std::move(l));
    e->args.push_back(std::move(r));
    return done(std::move(e));
}

ExprPtr Parser::expr() {
    Nest n(*this);
    return orExpr();
}

ExprPtr Parser::orExpr() {
    ExprPtr l = andExpr();
    while (atKw("OR")) {
        advance();
        l = binary("OR", std::move(l), andExpr());
    }
    return l;
}

ExprPtr Parser::andExpr() {
    ExprPtr l = notExpr();
    while (atKw("AND")) {
        advance();
        l = binary("AND", std::move(l), notExpr());
    }
    return l;
}

ExprPtr Parser::notExpr() {
    if (!atKw("NOT")) return comparison();
    Nest n(*this);
    const Token& t = cur();
    advance();
    ExprPtr inner = notExpr();
    if (inner->kind == ExprKind::Exists && !inner->negated && !inner->parenthesized) {
        inner->negated = true;
        inner->pos = posOf(t);
        return inner;
    }
    ExprPtr e = node(ExprKind::Unary, t);
    e->text = "NOT";
    e->args.push_back(std::move(inner));
    return done(std::move(e));
}

const char* Parser::comparisonOp(const Token& t) {
    if (t.kind != Tok::Op) return nullptr;
    for (const char* op : {"=", "<>", "<", ">", "<=", ">=", "!<", "!>"})
        if (t.text == op) return op;
    if (t.text == "!=") return "<>";
    return nullptr;
}

ExprPtr Parser::comparison() {
    ExprPtr l = additive();
    bool negated = false;
    if (atKw("NOT") && (isKw(peek(), "IN") || isKw(peek(), "LIKE") || isKw(peek(), "BETWEEN"))) {
        negated = true;
        advance();
    }
    if (atKw("IN")) {
        advance();
        return inTail(std::move(l), negated);
    }
    if (atKw("LIKE")) {
        advance();
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::Like;
        e->pos = l->pos;
        e->negated = negated;
        e->args.push_back(std::move(l));
        e->args.push_back(additive());
        if (acceptKw("ESCAPE")) e->args.push_back(additive());
        return done(std::move(e));
    }
    if (atKw("BETWEEN")) {
        advance();
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::Between;
        e->pos = l->pos;
        e->negated = negated;
        e->args.push_back(std::move(l));
        e->args.push_back(additive());
        expectKw("AND");
        e->args.push_back(additive());
        return done(std::move(e));
    }
    if (atKw("IS")) {
        advance();
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::IsNull;
        e->pos = l->pos;
        e->negated = acceptKw("NOT");
        expectKw("NULL");
        e->args.push_back(std::move(l));
        return done(std::move(e));
    }
    if (const char* op = comparisonOp(cur())) {
        advance();
        return binary(op, std::move(l), additive());
    }
    return l;
}

ExprPtr Parser::inTail(ExprPtr l, bool negated) {
    auto e = std::make_unique<Expr>();
    e->pos = l->pos;
    e->negated = negated;
    e->args.push_back(std::move(l));
    expectOp("(");
    if (atKw("SELECT")) {
        e->kind = ExprKind::InSubquery;
        int h = 0;
        e->select = query(&h);
        expectOp(")");
        return done(std::move(e), h + 1);
    }
    e->kind = ExprKind::InList;
    do e->args.push_back(expr());
    while (acceptOp(","));
    expectOp(")");
    return done(std::move(e));
}

ExprPtr Parser::additive() {
    ExprPtr l = multiplicative();
    while (cur().kind == Tok::Op &&
           (atOp("+") || atOp("-") || atOp("&") || atOp("|") || atOp("^"))) {
        if (isOp(peek(), "=") && peek().offset == cur().end) break;  // "+=" in SET
        std::string op = cur().text;
        advance();
        l = binary(std::move(op), std::move(l), multiplicative());
    }
    return l;
}

ExprPtr Parser::multiplicative() {
    ExprPtr l = unary();
    while (atOp("*") || atOp("/") || atOp("%")) {
        if (isOp(peek(), "=") && peek().offset == cur().end) break;
        std::string op = cur().text;
        advance();
        l = binary(std::move(op), std::move(l), unary());
    }
    return l;
}

ExprPtr Parser::unary() {
    if (atOp("-") || atOp("+") || atOp("~")) {
        Nest n(*this);
        ExprPtr e = node(ExprKind::Unary, cur());
        e->text = cur().text;
        advance();
        e->args.push_back(unary());
        return done(std::move(e));
    }
    ExprPtr e = primary();
    if (atKw("COLLATE")) {
        advance();
        e->collation = name();
        e->sourceEnd = prevEnd_;
    }
    return e;
}

ExprPtr Parser::literal(ExprKind kind) {
    ExprPtr e = node(kind, cur());
    e->text = cur().text;
    advance();
    return done(std::move(e));
}

ExprPtr Parser::primary() {
    const Token& t = cur();
    switch (t.kind) {
        case Tok::Integer:
            return literal(ExprKind::Integer);
        case Tok::Decimal:
            return literal(ExprKind::Decimal);
        case Tok::Float:
            return literal(ExprKind::Float);
        case Tok::String:
            return literal(ExprKind::String);
        case Tok::NString:
            return literal(ExprKind::NString);
        case Tok::Binary:
            return literal(ExprKind::Binary);
        case Tok::Money:
            return literal(ExprKind::Money);
        case Tok::Variable:
            return literal(ExprKind::Variable);
        case Tok::Parameter:
            return literal(ExprKind::Parameter);
        case Tok::Op:
            if (t.text == "(") return parenthesized();
            fail();
        case Tok::Ident:
            break;
        default:
            fail();
    }
    if (!t.quoted && isOp(peek(), "(") && (isKw(t, "CAST") || isKw(t, "TRY_CAST")))
        return castExpr();
    if (!t.quoted && t.reserved) {
        const std::string& u = t.upper;
        if (u == "NULL") {
            ExprPtr e = node(ExprKind::Null, t);
            advance();
            return done(std::move(e));
        }
        if (u == "CASE") return caseExpr();
        if (u == "EXISTS") {
            ExprPtr e = node(ExprKind::Exists, t);
            advance();
            expectOp("(");
            int h = 0;
            e->select = query(&h);
            expectOp(")");
            return done(std::move(e), h + 1);
        }
        if ((u == "CONVERT" || u == "TRY_CONVERT") && isOp(peek(), "(")) return convertExpr();
        if (u == "CURRENT_TIMESTAMP" || u == "CURRENT_USER" || u == "SESSION_USER" ||
            u == "SYSTEM_USER" || u == "USER") {
            ExprPtr e = node(ExprKind::Function, t);
            e->text = u == "CURRENT_TIMESTAMP" ? "GETDATE" : u;
            advance();
            return done(std::move(e));
        }
        if (u == "IDENTITY" && isOp(peek(), "(")) return identityFunction();
        // Reserved words that are also function names.
        bool fn =
            (u == "LEFT" || u == "RIGHT" || u == "COALESCE" || u == "NULLIF") && isOp(peek(), "(");
        if (!fn) fail();
    }
    return nameExpr();
}

ExprPtr Parser::nameExpr() {
    const Token& first = cur();
    std::vector<std::string> parts{first.text};
    advance();
    bool star = false;
    while (atOp(".")) {
        if (parts.size() >= 4) fail();
        advance();
        if (atOp(".")) {
            parts.emplace_back();
            continue;
        }
        if (atOp("*")) {
            advance();
            star = true;
            break;
        }
        if (cur().kind != Tok::Ident) fail();
        parts.push_back(cur().text);
        advance();
    }
    if (star) {
        if (parts.size() > 3) fail();
        ExprPtr e = node(ExprKind::Star, first);
        e->parts = std::move(parts);
        return done(std::move(e));
    }
    if (parts.back().empty()) fail();
    if (atOp("(")) return functionCall(first, std::move(parts));
    ExprPtr e = node(ExprKind::Column, first);
    e->parts = std::move(parts);
    return done(std::move(e));
}

ExprPtr Parser::functionCall(const Token& first, std::vector<std::string> parts) {
    Nest n(*this);
    ExprPtr e = node(ExprKind::Function, first);
    e->text = upper(parts.back());
    e->parts = std::move(parts);
    expectOp("(");
    if (atOp("*")) {
        advance();
        e->star = true;
    } else if (!atOp(")")) {
        if (acceptKw("DISTINCT"))
            e->distinct = true;
        else
            acceptKw("ALL");
        do e->args.push_back(expr());
        while (acceptOp(","));
    }
    expectOp(")");
    if (atKw("OVER")) fail();  // window functions are not supported
    return done(std::move(e));
}

ExprPtr Parser::identityFunction() {
    ExprPtr e = node(ExprKind::Function, cur());
    e->text = "IDENTITY";
    advance();
    expectOp("(");
    e->type = typeName();
    if (acceptOp(",")) {
        e->args.push_back(expr());
        expectOp(",");
        e->args.push_back(expr());
    }
    expectOp(")");
    return done(std::move(e));
}

ExprPtr Parser::castExpr() {
    Nest n(*this);
    ExprPtr e = node(ExprKind::Cast, cur());
    e->text = cur().upper;
    advance();
    expectOp("(");
    e->args.push_back(expr());
    expectKw("AS");
    e->type = typeName();
    expectOp(")");
    return done(std::move(e));
}

ExprPtr Parser::convertExpr() {
    Nest n(*this);
    ExprPtr e = node(ExprKind::Convert, cur());
    e->text = cur().upper;
    advance();
    expectOp("(");
    e->type = typeName();
    expectOp(",");
    e->args.push_back(expr());
    if (acceptOp(",")) e->args.push_back(expr());
    expectOp(")");
    return done(std::move(e));
}

ExprPtr Parser::caseExpr() {
    Nest n(*this);
    ExprPtr e = node(ExprKind::Case, cur());
    advance();
    if (!atKw("WHEN")) {
        e->hasOperand = true;
        e->args.push_back(expr());
    }
    if (!atKw("WHEN")) fail();
    while (acceptKw("WHEN")) {
        e->args.push_back(expr());
        expectKw("THEN");
        e->args.push_back(expr());
    }
    if (acceptKw("ELSE")) {
        e->hasElse = true;
        e->args.push_back(expr());
    }
    expectKw("END");
    return done(std::move(e));
}

bool Parser::isSetOpKw(const Token& t) {
    return isKw(t, "UNION") || isKw(t, "EXCEPT") || isKw(t, "INTERSECT");
}

ExprPtr Parser::parenthesized() {
    Nest n(*this);
    const Token& open = cur();
    advance();
    if (atKw("SELECT")) {
        ExprPtr e = node(ExprKind::Subquery, open);
        int h = 0;
        e->select = query(&h);
        expectOp(")");
        e->parenthesized = true;
        return done(std::move(e), h + 1);
    }
    ExprPtr inner = expr();
    // "((SELECT 1) UNION (SELECT 2))": the first term was read as a scalar subquery.
    if (inner->kind == ExprKind::Subquery && inner->args.empty() && isSetOpKw(cur())) {
        ExprPtr e = node(ExprKind::Subquery, open);
        int saved = queryHeight_;
        queryHeight_ = 0;
        e->select = queryBody(std::move(inner->select));
        int h = queryHeight_ + 2;
        queryHeight_ = std::max(saved, h);
        expectOp(")");
        e->parenthesized = true;
        height_.erase(inner.get());  // freed below; its address may be reused
        return done(std::move(e), h + 1);
    }
    expectOp(")");
    inner->parenthesized = true;
    inner->pos = posOf(open);
    inner->sourceEnd = prevEnd_;
    return inner;
}

}  // namespace tsqlite::parsing
